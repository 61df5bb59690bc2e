#include "PathRules.h"

#include "runtime/rtExceptions.h"

#include <windows.h>

namespace {

constexpr wchar_t kDelimiters[] = L"\\:";

wchar_t FoldAsciiCase(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

std::wstring TrimText(const std::wstring& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && text[first] <= L' ')
        ++first;
    while (last > first && text[last - 1] <= L' ')
        --last;
    return text.substr(first, last - first);
}

std::wstring ExtractFileExt(const std::wstring& path)
{
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos)
        return {};
    size_t delimiter = path.find_last_of(kDelimiters);
    if (delimiter != std::wstring::npos && delimiter > dot)
        return {};
    return path.substr(dot);
}

std::wstring ExtractFileName(const std::wstring& path)
{
    size_t delimiter = path.find_last_of(kDelimiters);
    return delimiter == std::wstring::npos ? path : path.substr(delimiter + 1);
}

std::wstring ExtractFilePath(const std::wstring& path)
{
    size_t delimiter = path.find_last_of(kDelimiters);
    return delimiter == std::wstring::npos ? std::wstring() : path.substr(0, delimiter + 1);
}

std::wstring ChangeFileExt(const std::wstring& path, const std::wstring& ext)
{
    return path.substr(0, path.size() - ExtractFileExt(path).size()) + ext;
}

std::wstring ExtractRootPart(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        size_t serverEnd = path.find(L'\\', 2);
        if (serverEnd == std::wstring::npos)
            return path;
        size_t shareEnd = path.find(L'\\', serverEnd + 1);
        return shareEnd == std::wstring::npos ? path : path.substr(0, shareEnd);
    }
    return {};
}

bool IsFullyQualified(const std::wstring& path)
{
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return true;
    return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

bool SameFileName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i]))
            return false;
    }
    return true;
}

bool DirectoryExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring BrowseStartFolder(const std::wstring& text)
{
    std::wstring path = TrimText(text);
    while (!path.empty() && !DirectoryExists(path)) {
        // Nothing above a share's or a drive's root to fall back to.
        if (path.size() <= ExtractRootPart(path).size())
            return {};
        std::wstring name = path;
        while (!name.empty() && name.back() == L'\\')
            name.pop_back();
        std::wstring parent = ExtractFilePath(name);
        if (parent.size() > 1 && parent.back() == L'\\' && parent[parent.size() - 2] != L':')
            parent.pop_back();
        else if (!parent.empty() && parent.back() == L':')
            parent += L'\\';
        if (parent == path)
            return {};
        path = parent;
    }
    return path;
}

std::wstring FullPathName(const std::wstring& path)
{
    wchar_t small[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, small, nullptr);
    if (n == 0)
        return {};
    if (n < MAX_PATH)
        return std::wstring(small, n);
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(written < n ? written : 0);
    return full;
}

std::optional<TFileIdentity> FileIdentity(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    if (!known)
        return std::nullopt;
    return TFileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::wstring CurrentFolder()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

void ChangeFolder(const std::wstring& path)
{
    if (!SetCurrentDirectoryW(path.c_str()))
        throw EInOutError(GetLastError());
}

bool ForceDirectories(std::wstring dir, TFolderCreationWatch* watch)
{
    if (dir.empty())
        throw Exception(L"Unable to create directory");
    if (dir.back() == L'\\')
        dir.pop_back();
    std::wstring parent = ExtractFilePath(dir);
    if (dir.size() < 3 || DirectoryExists(dir) || parent == dir)
        return true;
    if (!ForceDirectories(parent, watch))
        return false;
    if (watch && watch->before)
        watch->before(dir);
    // A dry run creates nothing: a level could be made when nothing lies at its path yet and
    // its parent is a folder, or would have been made just before.
    bool made = false;
    if (watch && watch->dryRun) {
        std::wstring parentLevel = parent;
        if (parentLevel.size() > 3 && parentLevel.back() == L'\\')
            parentLevel.pop_back();
        made = GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES &&
               (DirectoryExists(parentLevel) || parentLevel == watch->lastMade);
        if (made)
            watch->lastMade = dir;
    } else {
        made = CreateDirectoryW(dir.c_str(), nullptr) != FALSE;
    }
    const DWORD error = made ? 0 : watch && watch->dryRun ? ERROR_ALREADY_EXISTS : GetLastError();
    if (watch && watch->after)
        watch->after(dir, made ? std::optional<DWORD>() : std::optional<DWORD>(error));
    SetLastError(error);
    return made;
}
