#include "runtime/rtLibrarySearch.h"

#include "tests/common/RemoveTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// The planted library's bytes, built beside the tests and carried as a resource so that it
// is never found in the test program's own folder.
std::string PlantedLibraryBytes()
{
    HRSRC info = FindResourceW(nullptr, L"PLANTED_LIBRARY", MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!info)
        return {};
    HGLOBAL data = LoadResource(nullptr, info);
    return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(nullptr, info));
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

std::wstring CurrentFolderNow()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

using MarkerFn = int (*)();

int MarkerOf(HMODULE module)
{
    auto marker =
        reinterpret_cast<MarkerFn>(reinterpret_cast<void*>(GetProcAddress(module, "PlantedMarker")));
    return marker ? marker() : -1;
}

// This test changes the library search of the whole test process for good, as the program
// does at its start; nothing after it relies on the current folder being searched.
TEST(LibrarySearchTest, ALibraryPlantedInTheCurrentFolderIsNoLongerLoadedByBareName)
{
    const std::string bytes = PlantedLibraryBytes();
    ASSERT_FALSE(bytes.empty());

    std::wstring temp(GetTempPathW(0, nullptr), L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
    const std::wstring folder = temp + L"cvplant" + suffix;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    // Two names, so that the second load cannot be answered by a module still in memory.
    const std::wstring before = L"cvplanted_before" + suffix + L".dll";
    const std::wstring after = L"cvplanted_after" + suffix + L".dll";
    WriteFileBytes(folder + L"\\" + before, bytes);
    WriteFileBytes(folder + L"\\" + after, bytes);

    const std::wstring saved = CurrentFolderNow();
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));

    // The control: the platform's usual search does find the planted copy.
    HMODULE found = LoadLibraryW(before.c_str());
    EXPECT_NE(found, nullptr) << "error " << GetLastError();
    if (found) {
        EXPECT_EQ(MarkerOf(found), 4711);
        FreeLibrary(found);
    }

    RemoveCurrentFolderFromLibrarySearch();

    for (const std::wstring& name : {after, before}) {
        HMODULE planted = LoadLibraryW(name.c_str());
        EXPECT_EQ(planted, nullptr);
        if (planted)
            FreeLibrary(planted);
    }
    // System libraries are still found by their bare names.
    HMODULE system = LoadLibraryW(L"msimg32.dll");
    EXPECT_NE(system, nullptr);
    if (system)
        FreeLibrary(system);

    SetCurrentDirectoryW(saved.c_str());
    RemoveTree(folder);
}

} // namespace
