// Where tests put pictures for a person to look at: build/artifacts.
#pragma once

#include <windows.h>

#include <filesystem>

// Test executables live in build/tests/<layer>/; the folder is made on first use.
inline std::filesystem::path ArtifactFolder()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::filesystem::path folder =
        std::filesystem::path(exe).parent_path().parent_path().parent_path() / L"artifacts";
    std::filesystem::create_directories(folder);
    return folder;
}
