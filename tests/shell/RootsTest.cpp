// Roots, options, drag-and-drop settings and the dialog's plain records.
#include "ShellTestSupport.h"

#include "shell/cxShellDlgs.h"
#include "editors/cxEditErrors.h"
#include "shell/cxShellRoots.h"

#include <gtest/gtest.h>

namespace {

class CountingRoot : public TcxCustomShellRoot {
public:
    CountingRoot() : TcxCustomShellRoot(nullptr, nullptr)
    {
        OnRootSettingsChanged = [this](TObject*) { ++changed; };
    }
    void RootResolved() override
    {
        ++resolved;
        TcxCustomShellRoot::RootResolved();
    }
    int resolved = 0;
    int changed = 0;
};

TEST(ShellRootTest, CustomPathKindWithoutPathIsTheDesktop)
{
    CountingRoot root;
    root.SetBrowseFolder(bfCustomPath);
    EXPECT_TRUE(root.IsResolved());
    ASSERT_TRUE(root.RootIdList());
    EXPECT_EQ(IdListSize(root.RootIdList()), 0u);
    EXPECT_NE(root.RootFolder(), nullptr);
    EXPECT_EQ(root.RootAttributes(), static_cast<ULONG>(SFGAO_FILESYSTEM));
    EXPECT_NE(root.FolderInfo(), nullptr);
}

TEST(ShellRootTest, SameKindResolvesOnlyWithoutListButAlwaysNotifies)
{
    CountingRoot root;
    root.SetBrowseFolder(bfDesktop);
    EXPECT_EQ(root.resolved, 1);
    EXPECT_EQ(root.changed, 1);
    root.SetBrowseFolder(bfDesktop);
    EXPECT_EQ(root.resolved, 1);
    EXPECT_EQ(root.changed, 2);
}

TEST(ShellRootTest, PathWhileSpecialFolderChangesNothingButNotifies)
{
    TempFolder temp;
    CountingRoot root;
    root.SetBrowseFolder(bfDrives);
    UniqueIdList drives;
    ASSERT_EQ(SpecialFolderIdList(nullptr, CSIDL_DRIVES, drives), S_OK);
    EXPECT_TRUE(IdListEqual(root.RootIdList(), drives.get()));
    const int resolved = root.resolved;
    root.SetCustomPath(temp.Path());
    EXPECT_EQ(root.resolved, resolved);
    EXPECT_EQ(root.changed, 2);
    EXPECT_TRUE(IdListEqual(root.RootIdList(), drives.get()));
}

TEST(ShellRootTest, CustomPathBecomesTheRootFolder)
{
    TempFolder temp;
    temp.MakeFolder(L"child");
    CountingRoot root;
    root.SetCustomPath(temp.Path());
    root.SetBrowseFolder(bfCustomPath);
    UniqueIdList expected = ParsePath(temp.Path());
    EXPECT_TRUE(IdListEqual(root.RootIdList(), expected.get()));
    ASSERT_NE(root.RootFolder(), nullptr);
    EXPECT_TRUE(root.RootAttributes() & SFGAO_FOLDER);
    ComPtr<IEnumIDList> enumerator;
    ASSERT_EQ(root.RootFolder()->EnumObjects(nullptr, SHCONTF_FOLDERS, enumerator.put()), S_OK);
    UniqueIdList child;
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Next(1, child.put(), &fetched), S_OK);
    EXPECT_EQ(ItemDisplayName(root.RootFolder(), child.get()), L"child");
}

TEST(ShellRootTest, UnparsablePathRaisesAndRestoresTheOldRoot)
{
    TempFolder temp;
    CountingRoot root;
    root.SetCustomPath(temp.Path());
    root.SetBrowseFolder(bfCustomPath);
    const int changed = root.changed;
    try {
        root.SetCustomPath(temp.Path() + L"\\no\\such\\folder");
        FAIL() << "no error raised";
    } catch (const EcxEditError& e) {
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_EQ(root.CustomPath(), temp.Path());
    EXPECT_TRUE(root.IsResolved());
    UniqueIdList expected = ParsePath(temp.Path());
    EXPECT_TRUE(IdListEqual(root.RootIdList(), expected.get()));
    EXPECT_EQ(root.changed, changed);
}

TEST(ShellRootTest, FailureOutsideAChangeLeavesTheRootUnresolved)
{
    CountingRoot root;
    std::wstring path;
    {
        TempFolder temp;
        path = temp.Path();
        root.SetCustomPath(path);
        root.SetBrowseFolder(bfCustomPath);
        ASSERT_TRUE(root.IsResolved());
    }
    const int resolved = root.resolved;
    EXPECT_NO_THROW(root.ResolveRoot());
    EXPECT_FALSE(root.IsResolved());
    EXPECT_EQ(root.RootIdList(), nullptr);
    EXPECT_EQ(root.RootFolder(), nullptr);
    EXPECT_EQ(root.FolderInfo(), nullptr);
    EXPECT_EQ(root.resolved, resolved + 1);
}

TEST(ShellRootTest, AltStartupIsTheStartupFolder)
{
    CountingRoot alt;
    alt.SetBrowseFolder(bfAltStartup);
    CountingRoot startup;
    startup.SetBrowseFolder(bfStartUp);
    ASSERT_TRUE(alt.RootIdList());
    ASSERT_TRUE(startup.RootIdList());
    // The same folder, as the desktop compares it (the bytes may differ between lookups).
    EXPECT_EQ(HRESULT_CODE(DesktopFolder()->CompareIDs(0, alt.RootIdList(), startup.RootIdList())), 0);
    EXPECT_EQ(lstrcmpiW(IdListToPath(alt.RootIdList()).c_str(), IdListToPath(startup.RootIdList()).c_str()),
              0);
}

TEST(ShellRootTest, CopyingSettings)
{
    TempFolder temp;
    CountingRoot source;
    source.SetCustomPath(temp.Path());
    source.SetBrowseFolder(bfCustomPath);
    CountingRoot target;
    target.CopySettingsFrom(&source);
    EXPECT_EQ(target.BrowseFolder(), bfCustomPath);
    EXPECT_EQ(target.CustomPath(), temp.Path());
    // The same folder as the desktop compares it: the bytes carry the folder's times, which
    // may change between the two lookups.
    EXPECT_EQ(HRESULT_CODE(DesktopFolder()->CompareIDs(0, target.RootIdList(), source.RootIdList())), 0);
    EXPECT_EQ(target.changed, 1);
    CountingRoot quiet;
    quiet.CopySettingsQuietly(&source);
    EXPECT_EQ(quiet.changed, 0);
    EXPECT_EQ(HRESULT_CODE(DesktopFolder()->CompareIDs(0, quiet.RootIdList(), source.RootIdList())), 0);
    TcxShellOptions options(nullptr);
    EXPECT_THROW(target.CopySettingsFrom(&options), EConvertError);
}

TEST(ShellRootTest, KindsMapToSpecialFolderNumbers)
{
    struct Case {
        TcxBrowseFolder kind;
        int csidl;
    };
    const Case cases[] = {
        {bfCustomPath, -1},  {bfAltStartup, 7}, {bfBitBucket, 0x0A}, {bfCommonDocuments, 0x2E},
        {bfDesktop, 0},      {bfDrives, 0x11},  {bfPrinters, 4},     {bfNetHood, 0x12},
        {bfProfile, 0x28},   {bfStartUp, 7},    {bfTemplates, 0x15}, {bfHistory, 0x22},
        {bfMyPictures, 0x27}};
    for (const auto& c : cases)
        EXPECT_EQ(BrowseFolderCsidl(c.kind), c.csidl) << c.kind;
}

TEST(ShellOptionsTest, EnumerationFlags)
{
    struct Case {
        bool folders, nonFolders, hidden;
        DWORD flags;
    };
    const Case cases[] = {
        {true, true, false, 0x60}, {true, false, false, 0x20}, {false, true, true, 0xC0},
        {true, true, true, 0xE0},  {false, false, false, 0},
    };
    for (const auto& c : cases) {
        TcxShellOptions options(nullptr);
        options.SetShowFolders(c.folders);
        options.SetShowNonFolders(c.nonFolders);
        options.SetShowHidden(c.hidden);
        EXPECT_EQ(options.EnumFlags(), c.flags);
    }
}

TEST(ShellOptionsTest, FilterSwitchesTellTheOwnerEvenWithoutChange)
{
    MessageSink sink;
    TcxShellTreeViewOptions options(&sink);
    int tipChanges = 0;
    options.OnShowToolTipChanged = [&](TObject*) { ++tipChanges; };
    options.SetShowFolders(true);
    options.SetShowNonFolders(true);
    options.SetShowHidden(false);
    EXPECT_EQ(sink.Count(MsgOptionsChanged), 3);
    options.SetContextMenus(false);
    options.SetTrackShellChanges(false);
    EXPECT_EQ(sink.Count(MsgOptionsChanged), 3);
    options.SetShowToolTip(true);
    EXPECT_EQ(tipChanges, 0);
    options.SetShowToolTip(false);
    EXPECT_EQ(tipChanges, 1);

    TcxShellOptions source(nullptr);
    source.SetShowHidden(true);
    source.SetContextMenus(false);
    sink.Clear();
    options.CopySettingsFrom(&source);
    EXPECT_EQ(sink.Count(MsgOptionsChanged), 1);
    EXPECT_EQ(tipChanges, 2);
    EXPECT_TRUE(options.ShowHidden());
    EXPECT_FALSE(options.ContextMenus());
    EXPECT_TRUE(options.TrackShellChanges());
}

TEST(DragDropSettingsTest, EffectsAndChangeNotification)
{
    TcxDragDropSettings settings;
    EXPECT_EQ(settings.AllowedEffects(), DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
    EXPECT_EQ(settings.DefaultEffect(), DWORD(DROPEFFECT_MOVE));
    settings.SetDropEffect(DropEffectBit(deLink));
    settings.SetDefaultDropEffect(deCopy);
    EXPECT_EQ(settings.AllowedEffects(), DWORD(DROPEFFECT_LINK));
    EXPECT_EQ(settings.DefaultEffect(), DWORD(DROPEFFECT_COPY));
    std::vector<bool> seen;
    settings.OnChange = [&](TObject*, bool value) { seen.push_back(value); };
    settings.SetAllowDragObjects(true);
    settings.SetAllowDragObjects(false);
    settings.SetAllowDragObjects(false);
    EXPECT_EQ(seen, std::vector<bool>{false});
}

TEST(DialogRecordsTest, DefaultsAndCopy)
{
    TcxDlgShellOptions options;
    EXPECT_FALSE(options.ShowNonFolders);
    EXPECT_TRUE(options.ShowFolders);
    EXPECT_FALSE(options.ShowHidden);
    TcxDlgShellRoot root;
    EXPECT_EQ(root.BrowseFolder, bfDesktop);
    root.CustomPath = L"C:\\data";
    TcxDlgShellRoot copy;
    copy.Assign(&root);
    EXPECT_EQ(copy.CustomPath, L"C:\\data");
}

} // namespace
