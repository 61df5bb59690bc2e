// The shell questions: attributes, children, paths, special folders, icons, entry
// points and the shell context menu.
#include "ShellTestSupport.h"

#include "shell/cxShellContextMenu.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(ShellQuestionsTest, AttributeTestNeedsEveryMaskBitAndFailsWhenTheFolderCannotAnswer)
{
    auto folder = MakeFakeFolder({{L"dir", true, false, true}, {L"file"}, {L"broken", true}});
    folder->items[2].failAttributes = true;
    struct Case {
        int index;
        SFGAOF mask;
        bool expected;
    };
    const Case cases[] = {
        {0, SFGAO_FOLDER, true},
        {0, SFGAO_FOLDER | SFGAO_HASSUBFOLDER, true},
        {0, SFGAO_FOLDER | SFGAO_HIDDEN, false},
        {1, SFGAO_FOLDER, false},
        {2, SFGAO_FOLDER, false}, // the query fails: not reported
    };
    for (const auto& c : cases) {
        UniqueIdList item = folder->MakeItem(c.index);
        EXPECT_EQ(ItemHasAttributes(folder.get(), item.get(), c.mask), c.expected) << c.index;
    }
    EXPECT_FALSE(ItemHasAttributes(nullptr, folder->MakeItem(0).get(), SFGAO_FOLDER));
}

TEST(ShellQuestionsTest, HasChildrenOutsideTheFileSystem)
{
    auto folder = MakeFakeFolder({
        {L"file"},
        {L"claims", true, false, true, 0}, // reports subfolders, holds nothing
        {L"quiet", true, false, false, 2}, // reports none, holds two items
        {L"empty", true, false, false, 0},
    });
    const DWORD foldersOnly = cxEnumFolders;
    const DWORD all = cxEnumFolders | cxEnumNonFolders;
    struct Case {
        int index;
        DWORD flags;
        bool expected;
    };
    const Case cases[] = {
        {0, all, false},                         // not a folder
        {1, foldersOnly, true},                  // the attribute alone decides
        {2, foldersOnly, false}, {1, all, true}, // attribute set: no enumeration
        {2, all, true},                          // attribute clear: the first enumerated item decides
        {3, all, false},
    };
    for (const auto& c : cases) {
        UniqueIdList item = folder->MakeItem(c.index);
        EXPECT_EQ(ItemHasChildren(folder.get(), item.get(), c.flags), c.expected)
            << c.index << " " << c.flags;
    }
}

TEST(ShellQuestionsTest, DirectorySearchFilter)
{
    struct Case {
        DWORD attributes;
        DWORD flags;
        bool listed;
    };
    const DWORD h = FILE_ATTRIBUTE_HIDDEN;
    const DWORD d = FILE_ATTRIBUTE_DIRECTORY;
    const Case cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, cxEnumNonFolders, true},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM, cxEnumNonFolders, true},
        {h, cxEnumNonFolders, false},
        {h, cxEnumNonFolders | cxEnumIncludeHidden, true},
        {d, cxEnumNonFolders, false},
        {d, cxEnumNonFolders | cxEnumFolders, true},
        {d | h, cxEnumNonFolders | cxEnumFolders, false},
        {d | h, cxEnumNonFolders | cxEnumFolders | cxEnumIncludeHidden, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchListsEntry(c.attributes, c.flags), c.listed) << c.attributes << " " << c.flags;
}

class RealFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        root.MakeFolder(L"onlydots");
        root.MakeFolder(L"hiddenfile");
        root.MakeFile(L"hiddenfile\\secret.txt", FILE_ATTRIBUTE_HIDDEN);
        root.MakeFolder(L"withfile");
        root.MakeFile(L"withfile\\plain.txt");
        root.MakeFolder(L"withfolder");
        root.MakeFolder(L"withfolder\\inner");
        rootList = ParsePath(root.Path());
        ASSERT_TRUE(rootList);
        folder = BindFolder(rootList.get());
        ASSERT_TRUE(folder);
    }

    TempFolder root;
    UniqueIdList rootList;
    ComPtr<IShellFolder> folder;
};

TEST_F(RealFolderTest, HasChildrenFromTheFileSystem)
{
    const DWORD files = cxEnumFolders | cxEnumNonFolders;
    struct Case {
        const wchar_t* name;
        DWORD flags;
        bool expected;
    };
    const Case cases[] = {
        {L"onlydots", files, false},
        {L"hiddenfile", files, false},
        {L"hiddenfile", files | cxEnumIncludeHidden, true},
        {L"withfile", files, true},
        {L"withfile", cxEnumNonFolders, true},
        {L"withfolder", files, true},
        {L"withfolder", cxEnumNonFolders, false}, // folders are not asked for
    };
    for (const auto& c : cases) {
        UniqueIdList parsed = ParsePath(root.Path() + L"\\" + c.name);
        ASSERT_TRUE(parsed) << c.name;
        UniqueIdList absolute = IdListJoin(rootList.get(), IdListLastItem(parsed.get()));
        EXPECT_EQ(ItemHasChildren(folder.get(), absolute.get(), c.flags), c.expected)
            << c.name << " " << c.flags;
    }
}

TEST_F(RealFolderTest, PathOfAnItem)
{
    UniqueIdList parsed = ParsePath(root.Path() + L"\\withfile");
    EXPECT_EQ(lstrcmpiW(IdListToPath(parsed.get()).c_str(), (root.Path() + L"\\withfile").c_str()), 0);
    EXPECT_EQ(IdListToPath(nullptr), L"");
    UniqueIdList printers;
    ASSERT_EQ(SpecialFolderIdList(nullptr, CSIDL_PRINTERS, printers), S_OK);
    EXPECT_EQ(IdListToPath(printers.get()), L""); // a virtual folder has no path
}

// The path asked of the parent folder with the relative list is the one the absolute list gives,
// for children of a file-system folder, of the computer folder (drives) and of the desktop, and
// empty where the child has no file-system path.
TEST_F(RealFolderTest, PathOfAChildAskedOfItsFolder)
{
    struct Case {
        std::wstring parent; // a path, or empty for the desktop
        int csidl;           // the parent as a special folder when no path is given
        std::wstring child;  // the child's parsing name in the parent; empty: every child
    };
    const Case cases[] = {
        {root.Path(), 0, L"withfile"},
        {root.Path(), 0, L"withfolder"},
        {root.Path() + L"\\withfile", 0, L"plain.txt"},
        {L"", CSIDL_DRIVES, L""},
        {L"", CSIDL_DESKTOP, L""},
        {L"", CSIDL_CONTROLS, L""},
    };
    for (const auto& c : cases) {
        UniqueIdList parentList;
        if (!c.parent.empty())
            parentList = ParsePath(c.parent);
        else
            ASSERT_EQ(SpecialFolderIdList(nullptr, c.csidl, parentList), S_OK) << c.csidl;
        ASSERT_TRUE(parentList) << c.parent;
        ComPtr<IShellFolder> parent =
            IdListItemCount(parentList.get()) == 0 ? DesktopFolder() : BindFolder(parentList.get());
        ASSERT_TRUE(parent) << c.parent << " " << c.csidl;
        ComPtr<IEnumIDList> children;
        ASSERT_EQ(parent->EnumObjects(nullptr, cxEnumFolders | cxEnumNonFolders, children.put()), S_OK);
        int compared = 0, withPath = 0;
        UniqueIdList child;
        while (children->Next(1, child.put(), nullptr) == S_OK) {
            const std::wstring name =
                ItemDisplayName(parent.get(), child.get(), SHGDN_INFOLDER | SHGDN_FORPARSING);
            if (!c.child.empty() && lstrcmpiW(name.c_str(), c.child.c_str()) != 0)
                continue;
            UniqueIdList absolute = IdListJoin(parentList.get(), child.get());
            const std::wstring expected = IdListToPath(absolute.get());
            EXPECT_EQ(ChildItemPath(parent.get(), child.get()), expected)
                << c.parent << " " << c.csidl << " " << name;
            ++compared;
            withPath += expected.empty() ? 0 : 1;
        }
        EXPECT_GT(compared, 0) << c.parent << " " << c.csidl << " " << c.child;
        if (!c.parent.empty()) {
            EXPECT_EQ(withPath, compared) << "every child of a file-system folder has a path";
        }
    }
    EXPECT_EQ(ChildItemPath(nullptr, rootList.get()), L"");
    EXPECT_EQ(ChildItemPath(folder.get(), nullptr), L"");
}

TEST(ShellQuestionsTest, SpecialFolderOfTheDesktopIsTheEmptyList)
{
    UniqueIdList list;
    ASSERT_EQ(SpecialFolderIdList(nullptr, CSIDL_DESKTOP, list), S_OK);
    ASSERT_TRUE(list);
    EXPECT_EQ(IdListSize(list.get()), 0u);
    UniqueIdList none;
    EXPECT_TRUE(FAILED(SpecialFolderIdList(nullptr, 0x7F, none)));
    EXPECT_FALSE(none);
}

TEST(ShellQuestionsTest, GenericIconsAreTheShellsAnswersForDummyNames)
{
    auto direct = [](const wchar_t* name, DWORD attributes, UINT flags) {
        SHFILEINFOW info{};
        SHGetFileInfoW(name, attributes, &info, sizeof(info), flags);
        return info.iIcon;
    };
    EXPECT_EQ(GenericFileIcon(), direct(L"C:\\CXDUMMYFILE.TXT", FILE_ATTRIBUTE_NORMAL, 0x4010));
    EXPECT_EQ(GenericFolderIcon(), direct(L"C:\\CXDUMMYFOLDER", FILE_ATTRIBUTE_DIRECTORY, 0x4010));
    EXPECT_EQ(GenericOpenFolderIcon(), direct(L"C:\\CXDUMMYFOLDER", FILE_ATTRIBUTE_DIRECTORY, 0x4012));
}

TEST(ShellQuestionsTest, EntryPointsComeFromTheSystemFoldersModule)
{
    const auto& e = ShellEntryPoints();
    EXPECT_NE(e.GetFolderLocation, nullptr);
    EXPECT_NE(e.ChangeNotifyRegister, nullptr);
    EXPECT_NE(e.ChangeNotifyDeregister, nullptr);
    EXPECT_NE(e.LockChangeNotify, nullptr);
    EXPECT_NE(e.UnlockChangeNotify, nullptr);
    EXPECT_NE(e.PathFromIdListA, nullptr);
    EXPECT_NE(e.PathFromIdListW, nullptr);
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCWSTR>(e.PathFromIdListW), &module));
    wchar_t modulePath[MAX_PATH] = {};
    GetModuleFileNameW(module, modulePath, MAX_PATH);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(modulePath, (std::wstring(system) + L"\\shell32.dll").c_str()), 0);
}

// ---- context menu ----

class FakeMenu : public IContextMenu2 {
public:
    bool offerMenu2 = false;
    bool failQuery = false;
    int invoked = 0;
    CMINVOKECOMMANDINFO lastInvoke{};
    std::vector<UINT> handled;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IContextMenu || (riid == IID_IContextMenu2 && offerMenu2)) {
            *object = static_cast<IContextMenu2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last,
                                               UINT flags) override
    {
        if (failQuery)
            return E_FAIL;
        queryArgs = {index, first, last, flags};
        AppendMenuW(menu, MF_STRING, first + 0, L"First");
        AppendMenuW(menu, MF_STRING, first + 1, L"Second");
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
    }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        ++invoked;
        lastInvoke = *info;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT message, WPARAM, LPARAM) override
    {
        handled.push_back(message);
        return S_OK;
    }
    std::vector<UINT> queryArgs;
    ULONG refs = 1;
};

class ContextMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeFakeFolder({{L"one"}, {L"two"}});
        folder->uiObject = [this](REFIID riid, void** result) -> HRESULT {
            ++uiRequests;
            if (riid != IID_IContextMenu)
                return E_NOINTERFACE;
            menu.AddRef();
            *result = static_cast<IContextMenu*>(&menu);
            return S_OK;
        };
        item = folder->MakeItem(0);
    }
    // The menu loop reads keys from the thread's queue: the second entry is chosen.
    void QueueSecondEntryChoice()
    {
        PostMessageW(sink.ShellOwnerWindow(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(sink.ShellOwnerWindow(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(sink.ShellOwnerWindow(), WM_KEYDOWN, VK_RETURN, 0);
    }

    MessageSink sink;
    ComPtr<FakeFolder> folder;
    FakeMenu menu;
    UniqueIdList item;
    int uiRequests = 0;
};

TEST_F(ContextMenuTest, ChosenCommandIsInvokedByItsOffset)
{
    QueueSecondEntryChoice();
    ShowShellContextMenu(sink.ShellOwnerWindow(), folder.get(), {item.get()}, POINT{10, 10});
    EXPECT_EQ(menu.queryArgs, (std::vector<UINT>{0, 1, 0x7FFF, CMF_NORMAL}));
    ASSERT_EQ(menu.invoked, 1);
    EXPECT_EQ(menu.lastInvoke.cbSize, sizeof(CMINVOKECOMMANDINFO));
    EXPECT_EQ(menu.lastInvoke.hwnd, sink.ShellOwnerWindow());
    EXPECT_EQ(menu.lastInvoke.lpVerb, MAKEINTRESOURCEA(1));
    EXPECT_EQ(menu.lastInvoke.nShow, SW_SHOWNORMAL);
    EXPECT_EQ(menu.refs, 1u);
}

TEST_F(ContextMenuTest, MenuObjectThatDrawsItselfGetsTheMenuMessages)
{
    menu.offerMenu2 = true;
    QueueSecondEntryChoice();
    ShowShellContextMenu(sink.ShellOwnerWindow(), folder.get(), {item.get()}, POINT{10, 10});
    EXPECT_EQ(menu.invoked, 1);
    EXPECT_NE(std::find(menu.handled.begin(), menu.handled.end(), UINT(WM_INITMENUPOPUP)),
              menu.handled.end());
    EXPECT_EQ(menu.refs, 1u);

    TcxContextMenuMessageWindow window(&menu);
    ASSERT_NE(window.Handle(), nullptr);
    menu.handled.clear();
    EXPECT_EQ(SendMessageW(window.Handle(), WM_INITMENUPOPUP, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.Handle(), WM_DRAWITEM, 0, 0), 1);
    EXPECT_EQ(SendMessageW(window.Handle(), WM_MEASUREITEM, 0, 0), 1);
    EXPECT_EQ(SendMessageW(window.Handle(), WM_USER + 5, 0, 0), 0);
    EXPECT_EQ(menu.handled, (std::vector<UINT>{WM_INITMENUPOPUP, WM_DRAWITEM, WM_MEASUREITEM}));
}

TEST_F(ContextMenuTest, NothingHappensWithoutFolderItemsOrMenu)
{
    ShowShellContextMenu(sink.ShellOwnerWindow(), nullptr, {item.get()}, POINT{0, 0});
    ShowShellContextMenu(sink.ShellOwnerWindow(), folder.get(), {}, POINT{0, 0});
    EXPECT_EQ(uiRequests, 0);
    menu.failQuery = true;
    ShowShellContextMenu(sink.ShellOwnerWindow(), folder.get(), {item.get()}, POINT{0, 0});
    EXPECT_EQ(uiRequests, 1);
    EXPECT_EQ(menu.invoked, 0);
    EXPECT_EQ(menu.refs, 1u);
}

} // namespace
