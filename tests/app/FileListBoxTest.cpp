#include "app/FileListBox.h"

#include "TempFolder.h"
#include "runtime/rtExceptions.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Names = std::vector<std::wstring>;

// The listing's entries as plain strings, for comparing with a list of names.
Names ItemsOf(TFileListBox& list)
{
    const TFileListEntries& items = list.Items();
    return Names(items.begin(), items.end());
}

class RecordingBusyCursor final : public IBusyCursor {
public:
    void ShowBusy() override { calls.push_back(L"busy"); }
    void Restore() override { calls.push_back(L"restore"); }
    std::vector<std::wstring> calls;
};

// Keeps the process's current folder (and the drive's remembered folder) as the test found them.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : m_saved(CurrentDir()) {}
    ~CurrentFolderGuard() { SetCurrentDirectoryW(m_saved.c_str()); }
    static std::wstring CurrentDir()
    {
        wchar_t buffer[MAX_PATH + 1];
        return std::wstring(buffer, GetCurrentDirectoryW(MAX_PATH + 1, buffer));
    }

private:
    std::wstring m_saved;
};

class FileListBoxTest : public testing::Test {
protected:
    // A folder holding a.tbi, B.tbi, c.txt, a read-only r.tbi, a hidden h.tbi, a system
    // s.tbi and a sub-folder sub (which holds one file).
    void MakeStandardFolder()
    {
        temp.MakeFile(L"c.txt");
        temp.MakeFile(L"B.tbi");
        temp.MakeFile(L"a.tbi");
        temp.MakeFile(L"r.tbi", FILE_ATTRIBUTE_READONLY);
        temp.MakeFile(L"h.tbi", FILE_ATTRIBUTE_HIDDEN);
        temp.MakeFile(L"s.tbi", FILE_ATTRIBUTE_SYSTEM);
        temp.MakeFolder(L"sub");
        temp.MakeFile(L"sub\\inner.tbi");
    }

    CurrentFolderGuard guard;
    TempFolder temp;
};

TEST_F(FileListBoxTest, ListsVisibleFilesSortedWithoutRegardToCaseAndLeavesOutHiddenSystemAndFolders)
{
    MakeStandardFolder();
    TFileListBox list;
    list.ApplyTypedPath(temp.Path());
    EXPECT_EQ(list.Folder(), temp.Path());
    EXPECT_EQ(list.Mask(), L"*.*");
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi", L"B.tbi", L"c.txt", L"r.tbi"}));
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.SelectedFilePath(), L"");
    list.SetItemIndex(1);
    EXPECT_EQ(list.SelectedFilePath(), temp / L"B.tbi");
    list.SetItemIndex(4);
    EXPECT_EQ(list.ItemIndex(), -1);
    // The listing leaves the process in the listed folder.
    EXPECT_EQ(CurrentFolderGuard::CurrentDir(), temp.Path());
}

TEST_F(FileListBoxTest, FileTypeChoosesWhichSpecialEntriesAreListed)
{
    MakeStandardFolder();
    TFileListBox list;
    list.ApplyTypedPath(temp.Path());

    list.SetFileType({TFileAttr::ftNormal, TFileAttr::ftHidden, TFileAttr::ftSystem});
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi", L"B.tbi", L"c.txt", L"h.tbi", L"r.tbi", L"s.tbi"}));

    // Without ftNormal only entries sharing an asked-for attribute are listed.
    list.SetFileType({TFileAttr::ftReadOnly});
    EXPECT_EQ(ItemsOf(list), (Names{L"r.tbi"}));

    list.SetFileType({TFileAttr::ftNormal, TFileAttr::ftDirectory});
    const Names items = ItemsOf(list);
    EXPECT_NE(std::find(items.begin(), items.end(), L"[sub]"), items.end());
    EXPECT_NE(std::find(items.begin(), items.end(), L"a.tbi"), items.end());
}

TEST_F(FileListBoxTest, OrderIsThePlatformsCaseInsensitiveLocaleOrder)
{
    const Names names = {L"b2.x",   L"B10.x", L"_under.x", L"A.x", L"a-b.x", L"ab.x",  L"z.x", L"图片.x",
                         L"照片.x", L"é.x",   L"E.x",      L"0.x", L"~.x",   L"a b.x", L"ψ.x"};
    for (const std::wstring& n : names)
        temp.MakeFile(n);
    TFileListBox list;
    list.ApplyTypedPath(temp.Path());
    Names items = ItemsOf(list);
    ASSERT_EQ(items.size(), names.size());
    for (size_t i = 1; i < items.size(); ++i) {
        EXPECT_LE(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items[i - 1].c_str(), -1,
                                 items[i].c_str(), -1),
                  CSTR_EQUAL)
            << Utf8(items[i - 1]) << " before " << Utf8(items[i]);
    }
    Names sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end());
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, sortedNames);
}

// A folder large enough that its names are keyed in batches on a second thread lists the same
// entries in the same order as the platform's comparison gives, shows the hourglass once and
// puts the cursor back; reading it again with another mask starts afresh.
TEST_F(FileListBoxTest, ALargeFolderListsInTheSameOrderAsASmallOne)
{
    Names names;
    for (int i = 0; i < 2600; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"%ls%04d.%ls", i % 3 == 0 ? L"IMG_" : (i % 3 == 1 ? L"img_" : L"Img-"),
                 (i * 7919) % 2600, i % 5 == 0 ? L"jpg" : L"tbi");
        names.push_back(name);
        temp.MakeFile(name, i % 97 == 0 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL);
    }
    temp.MakeFolder(L"sub");
    Names expected;
    for (size_t i = 0; i < names.size(); ++i)
        if (i % 97 != 0)
            expected.push_back(names[i]);
    std::stable_sort(expected.begin(), expected.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
               CSTR_LESS_THAN;
    });

    RecordingBusyCursor cursor;
    TFileListBox list(&cursor);
    list.ApplyTypedPath(temp.Path());
    const Names items = ItemsOf(list);
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        // Names the comparison holds equal may come in either order.
        EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items[i].c_str(), -1,
                                 expected[i].c_str(), -1),
                  CSTR_EQUAL)
            << i << ": " << Utf8(items[i]) << " where " << Utf8(expected[i]) << " belongs";
    }
    Names sortedItems = items, sortedExpected = expected;
    std::sort(sortedItems.begin(), sortedItems.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sortedItems, sortedExpected);
    EXPECT_EQ(cursor.calls, (std::vector<std::wstring>{L"busy", L"restore"}));

    list.SetMask(L"*.jpg");
    const Names jpgs = ItemsOf(list);
    EXPECT_EQ(jpgs.size(),
              static_cast<size_t>(std::count_if(expected.begin(), expected.end(), [](const std::wstring& n) {
                  return n.size() > 4 && n.compare(n.size() - 4, 4, L".jpg") == 0;
              })));
}

TEST_F(FileListBoxTest, TwoPatternsMergeIntoOneOrderAndAnEntryMatchingBothIsListedTwice)
{
    for (const wchar_t* n : {L"d.jpg", L"c.tbi", L"b.jpg", L"a.tbi", L"e.txt"})
        temp.MakeFile(n);
    TFileListBox list;
    list.ApplyTypedPath(temp / L"*.tbi;*.jpg");
    EXPECT_EQ(list.Folder(), temp.Path());
    EXPECT_EQ(list.Mask(), L"*.tbi;*.jpg");
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi", L"b.jpg", L"c.tbi", L"d.jpg"}));

    list.SetMask(L"*.tbi;a*");
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi", L"a.tbi", L"c.tbi"}));
}

TEST_F(FileListBoxTest, ChangesReReadAtOnceAndSettingTheSameValueDoesNothing)
{
    temp.MakeFile(L"a.tbi");
    TFileListBox list;
    list.ApplyTypedPath(temp.Path());
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi"}));
    list.SetItemIndex(0);

    temp.MakeFile(L"b.tbi");
    list.SetMask(L"*.*");
    list.SetFolder(temp.Path());
    list.SetFileType({TFileAttr::ftNormal});
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi"}));
    EXPECT_EQ(list.ItemIndex(), 0);

    list.SetMask(L"*.tbi");
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi", L"b.tbi"}));
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST_F(FileListBoxTest, HourglassShowsOnlyWhenTheReadPassesAHundredEntriesAndIsPutBackAfter)
{
    temp.MakeFolder(L"hundred");
    temp.MakeFolder(L"more");
    for (int i = 0; i < 100; ++i) {
        temp.MakeFile(L"hundred\\f" + std::to_wstring(i));
        temp.MakeFile(L"more\\f" + std::to_wstring(i));
    }
    temp.MakeFile(L"more\\f100");

    RecordingBusyCursor cursor;
    TFileListBox list(&cursor);
    list.ApplyTypedPath(temp / L"hundred");
    EXPECT_EQ(list.Count(), 100);
    EXPECT_TRUE(cursor.calls.empty());

    list.ApplyTypedPath(temp / L"more");
    EXPECT_EQ(list.Count(), 101);
    EXPECT_EQ(cursor.calls, (Names{L"busy", L"restore"}));
}

// Every kind of typed source folder text, each from a known current folder.
TEST_F(FileListBoxTest, TypedTextsBecomeFolderMaskAndSelection)
{
    MakeStandardFolder();
    const std::wstring sub = temp / L"sub";
    const std::wstring noDrive = temp.Path().substr(2); // "\users\...\cvapp..."
    ASSERT_EQ(temp.Path()[1], L':');

    struct Case {
        const char* what;
        std::wstring current; // the process's current folder before the step
        std::wstring typed;
        std::wstring folder;
        std::wstring mask;
        std::wstring selected;
    };
    const Case cases[] = {
        {"empty text keeps the current folder", sub, L"", sub, L"*.*", L""},
        {"absolute folder", L"C:\\", temp.Path(), temp.Path(), L"*.*", L""},
        {"absolute folder with trailing backslash", L"C:\\", temp.Path() + L"\\", temp.Path(), L"*.*", L""},
        {"drive root", temp.Path(), L"C:\\", L"C:\\", L"*.*", L""},
        {"relative folder", temp.Path(), L"sub", sub, L"*.*", L""},
        {"folder relative to the drive root", L"C:\\", noDrive + L"\\sub", sub, L"*.*", L""},
        {"bracketed folder", temp.Path(), L"[sub]", sub, L"*.*", L""},
        {"share form", temp.Path(), L"\\\\?\\C:" + noDrive + L"\\sub", sub, L"*.*", L""},
        {"folder and pattern", L"C:\\", temp / L"*.tbi", temp.Path(), L"*.tbi", L""},
        {"folder and two patterns", L"C:\\", temp / L"a*;c*", temp.Path(), L"a*;c*", L""},
        {"existing file", L"C:\\", temp / L"b.TBI", temp.Path(), L"*.*", temp / L"B.tbi"},
        {"relative file", temp.Path(), L"sub\\inner.tbi", sub, L"*.*", sub + L"\\inner.tbi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SetCurrentDirectoryW(c.current.c_str()));
        TFileListBox list;
        list.ApplyTypedPath(c.typed);
        EXPECT_EQ(list.Folder(), c.folder);
        EXPECT_EQ(list.Mask(), c.mask);
        EXPECT_EQ(list.SelectedFilePath(), c.selected);
        EXPECT_EQ(CurrentFolderGuard::CurrentDir(), c.folder);
    }
}

TEST_F(FileListBoxTest, DriveAloneListsThatDrivesOwnCurrentFolder)
{
    MakeStandardFolder();
    // The drive's remembered folder lives in the "=C:" variable; the process stands on Z:.
    wchar_t before[MAX_PATH + 1] = L"";
    const bool hadBefore = GetEnvironmentVariableW(L"=C:", before, MAX_PATH + 1) != 0;
    ASSERT_TRUE(SetEnvironmentVariableW(L"=C:", temp.Path().c_str()));
    ASSERT_TRUE(SetCurrentDirectoryW(L"Z:\\"));

    TFileListBox list;
    list.ApplyTypedPath(L"C:");
    EXPECT_EQ(list.Folder(), temp.Path());
    EXPECT_EQ(ItemsOf(list), (Names{L"a.tbi", L"B.tbi", L"c.txt", L"r.tbi"}));

    SetEnvironmentVariableW(L"=C:", hadBefore ? before : nullptr);
}

TEST_F(FileListBoxTest, DriveRootPathsGetNoDoubledBackslash)
{
    const std::wstring rootFile = L"C:\\cvapp_root_probe.tbi";
    HANDLE file = CreateFileW(rootFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    TFileListBox list;
    list.ApplyTypedPath(rootFile);
    EXPECT_EQ(list.Folder(), L"C:\\");
    EXPECT_EQ(list.SelectedFilePath(), rootFile);
    SetCurrentDirectoryW(temp.Path().c_str());
    DeleteFileW(rootFile.c_str());
}

TEST_F(FileListBoxTest, MissingFoldersFailWithThePlatformsMessageAndRestoreTheCurrentFolder)
{
    MakeStandardFolder();
    struct Case {
        std::wstring typed;
        const wchar_t* message;
    };
    const Case cases[] = {
        {temp / L"absent", L"File not found"},
        {temp / L"absent\\deeper\\x", L"Invalid filename"},
        {L"absent", L"File not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.typed));
        ASSERT_TRUE(SetCurrentDirectoryW((temp / L"sub").c_str()));
        TFileListBox list;
        try {
            list.ApplyTypedPath(c.typed);
            ADD_FAILURE() << "no error";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(CurrentFolderGuard::CurrentDir(), temp / L"sub");
        EXPECT_EQ(list.Folder(), temp / L"sub");
    }
}

TEST_F(FileListBoxTest, ALaterRelativeTextIsTakenFromTheListedFolder)
{
    MakeStandardFolder();
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    TFileListBox list;
    list.ApplyTypedPath(temp.Path());
    list.ApplyTypedPath(L"sub");
    EXPECT_EQ(list.Folder(), temp / L"sub");
    EXPECT_EQ(ItemsOf(list), (Names{L"inner.tbi"}));
}

TEST_F(FileListBoxTest, NamesOutsideTheCodePageAreListedAndJoinedIntact)
{
    const Names names = {L"图片一.tbi", L"ψυχή.tbi", L"😀.tbi"};
    const std::wstring folder = temp.MakeFolder(L"源文件");
    for (const std::wstring& n : names)
        temp.MakeFile(L"源文件\\" + n);
    TFileListBox list;
    list.ApplyTypedPath(folder);
    EXPECT_EQ(list.Folder(), folder);
    Names items = ItemsOf(list);
    std::sort(items.begin(), items.end());
    Names expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(items, expected);
    for (int i = 0; i < list.Count(); ++i) {
        list.SetItemIndex(i);
        EXPECT_TRUE(PathExists(list.SelectedFilePath())) << Utf8(list.SelectedFilePath());
    }
}

} // namespace
