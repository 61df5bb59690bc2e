// Path resolution: classification, parsing below folders, the special-folder table and
// the display-name pseudo paths, on the real shell and on a fake folder.
#include "ShellTestSupport.h"

#include "shell/cxShellListView.h"

#include <gtest/gtest.h>

namespace {

const std::wstring DesktopPrefix = cxDesktopPseudoPrefix;
const std::wstring RootPrefix = cxRootPseudoPrefix;

TEST(PathClassificationTest, Kinds)
{
    const std::wstring r = L"C:\\DATA";
    struct Case {
        std::wstring text;
        std::wstring root;
        TcxPathKind kind;
        std::wstring resolved;
    };
    using K = TcxPathKind;
    const Case cases[] = {
        {L"", r, K::pkUnusable, L""},
        {L"C:\\DATA\\SUB", r, K::pkDrivePath, L"C:\\DATA\\SUB"},
        {L"C:\\DATA\\SUB\\", r, K::pkDrivePath, L"C:\\DATA\\SUB"},
        {L"C:\\", r, K::pkDrivePath, L"C:\\"}, // the backslash after a colon stays
        {L"D:\\X", r, K::pkDrivePath, L"D:\\X"},
        {L"SUB", r, K::pkRootRelative, L"SUB"},
        {L"SUB\\DEEP\\", r, K::pkRootRelative, L"SUB\\DEEP"},
        {L"::{SHORT}", r, K::pkRootRelative, L"::{SHORT}"},
        {L"\\DATA\\SUB", r, K::pkDrivePath, L"C:\\DATA\\SUB"},
        {L"\\", r, K::pkDrivePath, L"C:\\"},
        {L"C:", r, K::pkUnusable, L"C:"},
        {L"C:DATA", r, K::pkUnusable, L"C:DATA"},
        {L"D:", r, K::pkUnusable, L"D:"},
        {L"\\DATA", L"", K::pkUnusable, L"\\DATA"}, // a root without a drive path
        {L"\\\\SERVER\\SHARE", r, K::pkNetworkPath, L"\\\\SERVER\\SHARE"},
        {L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", r, K::pkShellClass,
         L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"},
        {DesktopPrefix + L"\\X", r, K::pkDesktopPseudo, DesktopPrefix + L"\\X"},
        {RootPrefix + L"\\X\\Y", r, K::pkRootPseudo, RootPrefix + L"\\X\\Y"},
    };
    for (const auto& c : cases) {
        const auto result = ClassifyPath(c.text, c.root);
        EXPECT_EQ(result.Kind, c.kind) << ToUtf8(c.text);
        if (c.kind != K::pkUnusable) {
            EXPECT_EQ(result.Text, c.resolved) << ToUtf8(c.text);
        }
    }
}

TEST(PathClassificationTest, VisibilityUnderShowFlags)
{
    const SFGAOF folder = SFGAO_FOLDER;
    const SFGAOF hidden = SFGAO_HIDDEN;
    struct Case {
        SFGAOF attributes;
        unsigned flags;
        bool visible;
    };
    const Case cases[] = {
        {folder, cxsfFolders, true},
        {folder, cxsfNonFolders, false},
        {0, cxsfNonFolders, true},
        {0, cxsfFolders, false},
        {folder | hidden, cxsfFolders, false},
        {folder | hidden, cxsfFolders | cxsfHidden, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ItemVisible(c.attributes, c.flags), c.visible);
    EXPECT_EQ(ShowFlagsToEnumFlags(cxsfNonFolders | cxsfFolders | cxsfHidden), DWORD(0xE0));
    EXPECT_EQ(ShowFlagsToEnumFlags(cxsfFolders), DWORD(0x20));
}

TEST(ParseChildByNameTest, FallsBackToDisplayNamesUnderTheShowFlags)
{
    auto folder = MakeFakeFolder({{L"alpha"}, {L"Beta", true}, {L"gamma", true, true}});
    UniqueIdList beta = ParseChildByName(folder.get(), L"BETA", cxsfFolders);
    ASSERT_TRUE(beta);
    EXPECT_EQ(FakeFolder::IndexOf(beta.get()), 1);
    EXPECT_FALSE(ParseChildByName(folder.get(), L"alpha", cxsfFolders)); // a file, files not shown
    EXPECT_TRUE(ParseChildByName(folder.get(), L"alpha", cxsfNonFolders));
    EXPECT_FALSE(ParseChildByName(folder.get(), L"gamma", cxsfFolders));
    EXPECT_TRUE(ParseChildByName(folder.get(), L"gamma", cxsfFolders | cxsfHidden));
    EXPECT_FALSE(ParseChildByName(folder.get(), L"delta", cxsfFolders | cxsfNonFolders));
}

TEST(SpecialFolderTableTest, EntriesAndAFolderThatCannotAnswer)
{
    const auto& table = SpecialFolderTable();
    ASSERT_EQ(table.size(), size_t(cxSpecialFolderCount));
    const auto& desktop = table[CSIDL_DESKTOP];
    ASSERT_TRUE(desktop.IdList);
    EXPECT_EQ(IdListSize(desktop.IdList.get()), 0u);
    EXPECT_FALSE(desktop.DisplayName.empty());
    EXPECT_EQ(desktop.UpperDisplayName, UpperCaseText(desktop.DisplayName));
    const auto& drives = table[CSIDL_DRIVES];
    ASSERT_TRUE(drives.IdList);
    EXPECT_EQ(drives.Attributes & SFGAO_FOLDER, SFGAOF(SFGAO_FOLDER));

    auto folder = MakeFakeFolder({{L"odd", true, true}});
    folder->items[0].failAttributes = true;
    auto entry = MakeSpecialFolderEntry(folder.get(), folder->MakeItem(0));
    EXPECT_EQ(entry.Attributes, 0u);
    EXPECT_EQ(entry.DisplayName, L"odd");
    EXPECT_TRUE(entry.IdList);
}

class PathResolveTest : public testing::Test {
protected:
    void SetUp() override
    {
        data = temp.MakeFolder(L"Data");
        temp.MakeFolder(L"Data\\Sub");
        temp.MakeFolder(L"Data\\Sub\\Deep");
        temp.MakeFolder(L"Data\\.hid", FILE_ATTRIBUTE_HIDDEN);
        temp.MakeFile(L"Data\\note.txt");
        root.SetCustomPath(data);
        root.SetBrowseFolder(bfCustomPath);
        ASSERT_TRUE(root.IsResolved());
    }
    // The file-system path a result names (empty for none).
    std::wstring PathOf(const UniqueIdList& list) { return list ? IdListToPath(list.get()) : L"<none>"; }
    bool Names(const UniqueIdList& list, const std::wstring& path)
    {
        return list && lstrcmpiW(IdListToPath(list.get()).c_str(), path.c_str()) == 0;
    }

    TempFolder temp;
    std::wstring data;
    TcxCustomShellRoot root{nullptr, nullptr};
    const unsigned shown = cxsfFolders | cxsfNonFolders;
};

TEST_F(PathResolveTest, FourSpellingsOfOneFolder)
{
    const std::wstring sub = data + L"\\Sub";
    std::wstring lower = sub;
    for (auto& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    const std::wstring texts[] = {sub, L"Sub", sub.substr(2), lower + L"\\"};
    for (const auto& text : texts) {
        UniqueIdList list = ResolvePath(text, root, shown, true);
        EXPECT_TRUE(Names(list, sub)) << ToUtf8(text) << " -> " << ToUtf8(PathOf(list));
        EXPECT_TRUE(list && IdListIsAncestorOrSelf(root.RootIdList(), list.get())) << ToUtf8(text);
    }
    UniqueIdList deep = ResolvePath(L"sub\\deep", root, shown, true);
    EXPECT_TRUE(Names(deep, sub + L"\\Deep"));
}

TEST_F(PathResolveTest, EmptyTextIsTheRoot)
{
    UniqueIdList list = ResolvePath(L"", root, shown, true);
    EXPECT_TRUE(IdListEqual(list.get(), root.RootIdList()));
}

TEST_F(PathResolveTest, OutsideTheRootOnlyWhenAllowed)
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_FALSE(ResolvePath(windows, root, shown, true));
    EXPECT_TRUE(Names(ResolvePath(windows, root, shown, false), windows));
}

TEST_F(PathResolveTest, DriveLetterWithoutBackslashResolvesToNothing)
{
    const std::wstring drive = data.substr(0, 2);
    EXPECT_FALSE(ResolvePath(drive, root, shown, false));
    EXPECT_FALSE(ResolvePath(drive + L"Sub", root, shown, false));
}

TEST_F(PathResolveTest, SpecialFolderByDisplayName)
{
    const auto& desktop = SpecialFolderTable()[CSIDL_DESKTOP];
    UniqueIdList list = ResolvePath(desktop.DisplayName, root, shown, false);
    ASSERT_TRUE(list);
    EXPECT_EQ(IdListSize(list.get()), 0u);
    EXPECT_FALSE(ResolvePath(desktop.DisplayName, root, shown, true)); // not under the root
}

TEST_F(PathResolveTest, HiddenFolderOnlyWhenHiddenItemsAreAllowed)
{
    EXPECT_TRUE(Names(ResolvePath(L".hid", root, shown | cxsfHidden, true), data + L"\\.hid"));
    EXPECT_FALSE(ResolvePath(L".hid", root, shown, true));
}

TEST_F(PathResolveTest, PseudoPaths)
{
    UniqueIdList desktop = ResolvePath(DesktopPrefix + L"\\", root, shown, false);
    ASSERT_TRUE(desktop);
    EXPECT_EQ(IdListSize(desktop.get()), 0u);
    EXPECT_TRUE(Names(ResolvePath(RootPrefix + L"\\Sub\\Deep", root, shown, true), data + L"\\Sub\\Deep"));
    EXPECT_TRUE(Names(ResolvePath(RootPrefix + L"\\note.txt", root, shown, true), data + L"\\note.txt"));
    // A component that names nothing, or a file in the middle, gives no answer.
    EXPECT_FALSE(ResolvePath(RootPrefix + L"\\Nope\\Deep", root, shown, false));
    EXPECT_FALSE(ResolvePath(RootPrefix + L"\\Sub\\Nope", root, shown, false));
    EXPECT_FALSE(ResolvePath(RootPrefix + L"\\note.txt\\x", root, shown, false));
}

TEST_F(PathResolveTest, NetworkAndShellClassPaths)
{
    EXPECT_FALSE(ResolvePath(L"\\\\nosuchserver\\share", root, shown, false));
    UniqueIdList computer = ResolvePath(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", root, shown, false);
    UniqueIdList drives;
    ASSERT_EQ(SpecialFolderIdList(nullptr, CSIDL_DRIVES, drives), S_OK);
    ASSERT_TRUE(computer);
    EXPECT_EQ(HRESULT_CODE(DesktopFolder()->CompareIDs(0, computer.get(), drives.get())), 0);
}

} // namespace
