#include "rtLibrarySearch.h"

#include <string>

bool RemoveCurrentFolderFromLibrarySearch() noexcept
{
    SetDllDirectoryW(L"");
    // Not present on every system this program runs on, so it is looked up rather than linked.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

UniqueLibrary LoadSystemLibrary(const wchar_t* name)
{
    UniqueLibrary lib(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (lib || GetLastError() != ERROR_INVALID_PARAMETER)
        return lib;
    // Systems without the search flags: a full path into the system folder.
    std::wstring folder(GetSystemDirectoryW(nullptr, 0), L'\0');
    UINT n = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (n == 0 || n >= folder.size())
        return lib;
    std::wstring path(folder.c_str(), n);
    path += L'\\';
    path += name;
    lib.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    return lib;
}
