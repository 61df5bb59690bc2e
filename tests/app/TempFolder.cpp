#include "TempFolder.h"

#include "tests/common/RemoveTree.h"

#include "runtime/rtExceptions.h"

#include <stdexcept>

namespace {

std::wstring TempRoot()
{
    wchar_t buffer[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring root(buffer, n);
    if (!root.empty() && root.back() == L'\\')
        root.pop_back();
    return root;
}

} // namespace

TempFolder::TempFolder()
{
    static unsigned counter = 0;
    const std::wstring root = TempRoot();
    for (;;) {
        m_path =
            root + L"\\cvapp" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
        if (CreateDirectoryW(m_path.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TempFolder::~TempFolder()
{
    SetCurrentDirectoryW(TempRoot().c_str());
    RemoveTree(m_path);
}

std::wstring TempFolder::MakeFolder(const std::wstring& relative) const
{
    std::wstring path = m_path;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relative.size();
        path += L"\\" + relative.substr(start, end - start);
        CreateDirectoryW(path.c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

std::wstring TempFolder::MakeFile(const std::wstring& relative, const std::string& content) const
{
    std::wstring path = *this / relative;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + Utf8(path));
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::wstring TempFolder::MakeFile(const std::wstring& relative, DWORD attributes) const
{
    std::wstring path = MakeFile(relative, Utf8(relative));
    if (attributes != FILE_ATTRIBUTE_NORMAL)
        SetFileAttributesW(path.c_str(), attributes);
    return path;
}

std::string ReadFileContent(const std::wstring& path)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string content(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    return content;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf8(const std::wstring& text)
{
    return ToUtf8(text);
}

std::vector<std::wstring> NamesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}
