// A real folder under the temporary folder for one test, removed with everything in it at
// the end. The process's current folder is moved out of it first, so that it can go.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    // Absolute path without a trailing "\".
    const std::wstring& Path() const noexcept { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

    // Creates a sub-folder (every level) and returns its absolute path.
    std::wstring MakeFolder(const std::wstring& relative) const;
    // Creates a file holding content (the relative name by default) with the given attributes.
    std::wstring MakeFile(const std::wstring& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    std::wstring MakeFile(const std::wstring& relative, const std::string& content) const;

private:
    std::wstring m_path;
};

// The content of a file, or nullopt-like empty marker "<missing>" when it cannot be read.
std::string ReadFileContent(const std::wstring& path);
bool PathExists(const std::wstring& path);
std::string Utf8(const std::wstring& text);
// The names in a folder (no "." and ".."), in the order the platform returns them.
std::vector<std::wstring> NamesIn(const std::wstring& folder);
