#include "rtLibrarySearch.h"

#include <windows.h>

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
