// The shell folder tree and the browse-for-folder dialog, on real windows, with trees rooted
// at temporary folders (the desktop differs from machine to machine).
#include "ShellTestSupport.h"

#include "../common/Artifacts.h"
#include "../common/WindowFixture.h"
#include "editors/cxEditErrors.h"
#include "runtime/rtMenus.h"
#include "shell/cxShellBrowserDialog.h"
#include "shell/cxShellRegister.h"
#include "shell/cxShellTreeView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Dispatches messages until pred holds or timeoutMs has passed; answers pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 10000)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!pred()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (pred())
                return true;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end)
            return pred();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
    return true;
}

// Runs every message already queued, without waiting.
void Drain()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::vector<std::wstring> ChildTexts(TcxInnerShellTreeView* tree, HTREEITEM node)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < tree->ChildCount(node); ++i)
        texts.push_back(tree->ItemText(tree->ChildAt(node, i)));
    return texts;
}

HTREEITEM ChildNamed(TcxInnerShellTreeView* tree, HTREEITEM node, const std::wstring& name)
{
    for (int i = 0; i < tree->ChildCount(node); ++i)
        if (tree->ItemText(tree->ChildAt(node, i)) == name)
            return tree->ChildAt(node, i);
    return nullptr;
}

void Announce(LONG event, const std::wstring& path)
{
    SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}

// A temp folder with: a\a1, a\a2, b (empty), c.txt.
class ShellTreeTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        RegisterShellClasses();
        a = temp.MakeFolder(L"a");
        a1 = temp.MakeFolder(L"a\\a1");
        temp.MakeFolder(L"a\\a2");
        b = temp.MakeFolder(L"b");
        temp.MakeFile(L"c.txt");
    }

    // A tree rooted at the temp folder; path is selected before the window exists.
    TcxShellTreeView* MakeTree(const std::wstring* path = nullptr)
    {
        auto* tv = new TcxShellTreeView(form);
        tv->SetBounds(10, 10, 300, 250);
        tv->Options()->SetShowNonFolders(false);
        tv->Root()->SetBrowseFolder(bfCustomPath);
        tv->Root()->SetCustomPath(temp.Path());
        if (path)
            tv->SetSelectedPath(*path);
        tv->SetParent(form);
        app->ProcessMessages();
        tree = tv->InnerTree();
        top = tree->TopLevelItem();
        return tv;
    }

    TempFolder temp;
    std::wstring a, a1, b;
    TcxInnerShellTreeView* tree = nullptr;
    HTREEITEM top = nullptr;
};

TEST_F(ShellTreeTest, ListsFoldersOnlyWhenOpenedAndDropsTheButtonOfAnEmptyOne)
{
    MakeTree();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(ChildTexts(tree, top), (std::vector<std::wstring>{L"a", L"b"}))
        << "folders only, files left out";
    HTREEITEM nodeA = tree->ChildAt(top, 0);
    HTREEITEM nodeB = tree->ChildAt(top, 1);
    EXPECT_EQ(tree->ChildCount(nodeA), 0) << "nothing listed before the node is opened";
    EXPECT_TRUE(tree->HasChildren(nodeA));
    EXPECT_EQ(tree->ProducerCount(), 1u) << "only the opened top node has a producer";

    tree->Expand(nodeA);
    EXPECT_EQ(ChildTexts(tree, nodeA), (std::vector<std::wstring>{L"a1", L"a2"}));
    EXPECT_EQ(tree->ProducerCount(), 2u);
    EXPECT_EQ(tree->IndexOf(tree->ChildAt(nodeA, 1)), 1);
    EXPECT_EQ(tree->ParentItem(tree->ChildAt(nodeA, 1)), nodeA);

    EXPECT_TRUE(tree->HasChildren(nodeB)) << "the shell reports subfolders for every folder";
    tree->Expand(nodeB);
    EXPECT_EQ(tree->ChildCount(nodeB), 0);
    EXPECT_FALSE(tree->HasChildren(nodeB)) << "the button goes once the empty folder was opened";
}

// Watches the tree's window from in front of its procedure: every erase is handed a memory
// bitmap instead of the screen, so that an erase that draws (the empty background a person
// would see flash before the items) shows as changed pixels.
struct PaintWatch {
    static inline PaintWatch* current = nullptr;
    WNDPROC next = nullptr;
    int paints = 0;
    int erases = 0;
    int erasesThatDrew = 0;

    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        PaintWatch* self = current;
        if (msg == WM_PAINT)
            ++self->paints;
        if (msg == WM_ERASEBKGND) {
            ++self->erases;
            RECT r;
            GetClientRect(wnd, &r);
            const COLORREF sentinel = RGB(1, 2, 3);
            PixelCanvas probe(r.right, r.bottom, sentinel);
            LRESULT result =
                CallWindowProcW(self->next, wnd, msg, reinterpret_cast<WPARAM>(probe.dc()), lParam);
            bool drew = false;
            for (int y = 0; y < r.bottom && !drew; y += 4)
                for (int x = 0; x < r.right && !drew; x += 4)
                    drew = probe.At(x, y) != sentinel;
            if (drew)
                ++self->erasesThatDrew;
            return result;
        }
        return CallWindowProcW(self->next, wnd, msg, wParam, lParam);
    }
};

TEST_F(ShellTreeTest, ExpandAndRefreshReachTheScreenInOneCopyWithoutAnEmptyBackgroundFirst)
{
    for (int i = 0; i < 30; ++i)
        temp.MakeFolder(L"a\\many" + std::to_wstring(i));
    MakeTree();
    HWND wnd = tree->Handle();
    PaintWatch watch;
    PaintWatch::current = &watch;
    watch.next = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintWatch::Proc)));
    struct Unhook {
        HWND wnd;
        WNDPROC next;
        ~Unhook()
        {
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
            PaintWatch::current = nullptr;
        }
    } unhook{wnd, watch.next};

    tree->Expand(top);
    UpdateWindow(wnd);
    tree->Expand(tree->ChildAt(top, 0));
    UpdateWindow(wnd);
    tree->RefreshKeepingState();
    UpdateWindow(wnd);
    Drain();
    UpdateWindow(wnd);

    EXPECT_GE(watch.paints, 3) << "both expands and the refresh are painted";
    EXPECT_GE(watch.erases, 1) << "the refresh asks for an erase";
    EXPECT_EQ(watch.erasesThatDrew, 0) << "an erase must not draw the bare background";

    // What the screen holds is the whole picture: background, lines and items.
    RECT r;
    GetClientRect(wnd, &r);
    PixelCanvas screen(r.right, r.bottom), printed(r.right, r.bottom);
    HDC windowDC = GetDC(wnd);
    BitBlt(screen.dc(), 0, 0, r.right, r.bottom, windowDC, 0, 0, SRCCOPY);
    ReleaseDC(wnd, windowDC);
    SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    screen.SaveBmp((ArtifactFolder() / L"shell_tree_expanded.bmp").c_str());
    int differing = 0;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x)
            differing += screen.At(x, y) != printed.At(x, y);
    EXPECT_EQ(differing, 0) << "pixels on the screen that differ from the tree's own picture";
}

TEST_F(ShellTreeTest, OptionsAndTheAddFolderEventDecideWhatIsListed)
{
    TcxShellTreeView* tv = MakeTree();
    tv->Options()->SetShowNonFolders(true); // the window exists: the tree is rebuilt at once
    EXPECT_EQ(ChildTexts(tree, tree->TopLevelItem()), (std::vector<std::wstring>{L"a", L"b", L"c.txt"}));
    tv->OnAddFolder = [](TObject*, TcxShellFolder* folder, bool& canAdd) {
        canAdd = IdListToPath(folder->AbsoluteIdList()).find(L"\\b") == std::wstring::npos;
    };
    tv->Options()->SetShowNonFolders(false);
    EXPECT_EQ(ChildTexts(tree, tree->TopLevelItem()), (std::vector<std::wstring>{L"a"}));
}

// The control forwards its inner tree's OnAddFolder to an event of its own, so the inner event
// is always set: a listing must still skip each item's folder info while nobody handles the
// control's event, and build it again for a handler that comes later.
TEST_F(ShellTreeTest, ItemsCarryFolderInfoOnlyWhileTheAddFolderEventIsHandled)
{
    TcxShellTreeView* tv = MakeTree();
    auto folderInfoOfListedItems = [&] {
        TcxShellTreeItemProducer* producer = tree->NodeProducer(tree->TopLevelItem());
        std::vector<bool> carried;
        if (!producer)
            return carried;
        producer->BeginReadItems();
        for (const auto& item : producer->Items())
            carried.push_back(item->ItemFolderInfo && item->AbsoluteItemIdList);
        producer->EndReadItems();
        return carried;
    };
    EXPECT_EQ(folderInfoOfListedItems(), (std::vector<bool>{false, false}));
    int asked = 0;
    tv->OnAddFolder = [&](TObject*, TcxShellFolder* folder, bool& canAdd) {
        ++asked;
        canAdd = folder != nullptr;
    };
    tv->Options()->SetShowNonFolders(true); // listed again, now with a listener
    EXPECT_EQ(folderInfoOfListedItems(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(asked, 3);
}

TEST_F(ShellTreeTest, TheNativeTreesEventsReachTheControlAndCanRefuse)
{
    TcxShellTreeView* tv = MakeTree();
    tree->Expand(tree->TopLevelItem()); // its children show: selecting one opens nothing more
    std::vector<std::string> seen;
    bool allowExpand = false;
    tv->OnExpanding = [&](TObject* s, HTREEITEM, bool& allow) {
        seen.push_back(s == tv ? "expanding" : "expanding from elsewhere");
        allow = allowExpand;
    };
    tv->OnExpanded = [&](TObject*, HTREEITEM) { seen.push_back("expanded"); };
    tv->OnCollapsing = [&](TObject*, HTREEITEM, bool&) { seen.push_back("collapsing"); };
    tv->OnCollapsed = [&](TObject*, HTREEITEM) { seen.push_back("collapsed"); };
    HTREEITEM nodeA = ChildNamed(tree, tree->TopLevelItem(), L"a");
    tree->Expand(nodeA);
    EXPECT_FALSE(tree->Expanded(nodeA)) << "OnExpanding refused";
    allowExpand = true;
    tree->Expand(nodeA);
    EXPECT_TRUE(tree->Expanded(nodeA));
    tree->Select(nodeA);
    SendMessageW(tree->Handle(), WM_KEYDOWN, VK_LEFT, 0); // the user folds the node
    EXPECT_FALSE(tree->Expanded(nodeA));
    tv->OnChanging = [&](TObject*, HTREEITEM, bool& allow) {
        seen.push_back("changing");
        allow = false;
    };
    tree->Select(ChildNamed(tree, tree->TopLevelItem(), L"b"));
    EXPECT_EQ(tree->Selected(), nodeA) << "OnChanging refused";
    EXPECT_EQ(seen, (std::vector<std::string>{"expanding", "expanding", "expanded", "collapsing", "collapsed",
                                              "changing"}));
}

TEST_F(ShellTreeTest, AFolderThatWentLosesItsButtonWhenOpened)
{
    MakeTree();
    HTREEITEM nodeB = ChildNamed(tree, tree->TopLevelItem(), L"b");
    ASSERT_TRUE(tree->HasChildren(nodeB));
    ASSERT_TRUE(RemoveDirectoryW(b.c_str()));
    tree->Expand(nodeB);
    EXPECT_FALSE(tree->HasChildren(nodeB));
    EXPECT_EQ(tree->ChildCount(nodeB), 0);
}

TEST_F(ShellTreeTest, SelectingSomethingOutsideTheRootOrUnknownChangesNothing)
{
    TcxShellTreeView* tv = MakeTree(&a);
    TempFolder outside;
    for (const std::wstring& path : {outside.Path(), temp.Path() + L"\\missing", std::wstring(L"::{bad}")}) {
        tv->SetSelectedPath(path);
        EXPECT_EQ(tv->SelectedPath(), a) << path;
    }
}

// A window linked as the tree's list view hears of every folder the tree comes to show (set by
// the program or selected in the tree) and of every change of the root, until it is unlinked.
class LinkedView : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::vector<std::wstring> folders;
    std::vector<void*> roots;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == MsgNavigate) {
            wchar_t path[MAX_PATH] = {};
            SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(wParam), path);
            folders.push_back(path);
            return 0;
        }
        if (msg == MsgSyncRoot) {
            roots.push_back(reinterpret_cast<void*>(wParam));
            return 0;
        }
        return TWinControl::WndProc(msg, wParam, lParam);
    }
};

TEST_F(ShellTreeTest, ALinkedListViewHearsOfTheFolderShownAndOfRootChanges)
{
    TcxShellTreeView* tv = MakeTree();
    auto* view = new LinkedView(form);
    view->SetParent(form);
    view->SetBounds(320, 10, 100, 100);
    tv->SetShellListView(view);
    app->ProcessMessages();

    tv->SetSelectedPath(a1);
    EXPECT_EQ(view->folders, std::vector<std::wstring>{a1}) << "one notice for the whole way down";
    view->folders.clear();
    TreeView_SelectItem(tree->Handle(), top);
    EXPECT_EQ(view->folders, std::vector<std::wstring>{temp.Path()}) << "a selection in the tree";

    tv->Root()->SetCustomPath(b);
    ASSERT_FALSE(view->roots.empty());
    EXPECT_EQ(view->roots.back(), static_cast<void*>(tv->Root()));

    tv->SetShellListView(nullptr);
    view->folders.clear();
    view->roots.clear();
    tv->Root()->SetCustomPath(temp.Path());
    tv->SetSelectedPath(a);
    EXPECT_TRUE(view->folders.empty());
    EXPECT_TRUE(view->roots.empty());
}

TEST_F(ShellTreeTest, WithoutTrackingNoWatchIsRegistered)
{
    TcxShellTreeView* tv = MakeTree();
    EXPECT_TRUE(tree->ChangeWatchRegistered());
    tv->Options()->SetTrackShellChanges(false);
    tv->SetSelectedPath(a); // a selection change registers the watch again, or ends it
    EXPECT_FALSE(tree->ChangeWatchRegistered());
}

TEST_F(ShellTreeTest, SelectedPathSetBeforeTheWindowExists)
{
    struct Case {
        const wchar_t* name;
        std::wstring path;
        std::wstring expectedSelected; // empty: nothing selected
    };
    TempFolder outside;
    const std::vector<Case> cases = {
        {L"a nested folder", a1, a1},
        {L"empty text selects the root", L"", temp.Path()},
        {L"a folder outside the root", outside.Path(), L""},
        {L"text that names nothing", temp.Path() + L"\\missing\\deeper", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TcxShellTreeView* tv = MakeTree(&c.path);
        if (c.expectedSelected.empty()) {
            EXPECT_EQ(tree->Selected(), nullptr);
            EXPECT_EQ(tv->SelectedPath(), L"");
        } else {
            EXPECT_NE(tree->Selected(), nullptr);
            EXPECT_EQ(tv->SelectedPath(), c.expectedSelected);
        }
        delete tv;
    }
}

TEST_F(ShellTreeTest, AStaleItemUpdateIsDroppedAfterARebuild)
{
    MakeTree();
    tree->Expand(tree->ChildAt(top, 0));
    TcxShellTreeItemProducer* producer = tree->NodeProducer(tree->ChildAt(top, 0));
    ASSERT_NE(producer, nullptr);
    const unsigned serial = producer->Serial();
    // The worker's result for the old node arrives after a rebuild freed it.
    tree->BuildNode(nullptr, false);
    EXPECT_EQ(tree->ProducerBySerial(serial), nullptr);
    PostMessageW(tree->Handle(), MsgItemUpdated, 0, static_cast<LPARAM>(serial));
    PumpUntil([&] { return tree->StaleUpdatesDropped() == 1; }, 2000);
    EXPECT_EQ(tree->StaleUpdatesDropped(), 1);
    EXPECT_EQ(ChildTexts(tree, tree->TopLevelItem()), (std::vector<std::wstring>{L"a", L"b"}));
}

// Opening a path lists one level after the other as each node is selected: the worker keeps
// off the shell meanwhile (it would compete with the next level's listing) and goes on after.
TEST_F(ShellTreeTest, TheWorkerWaitsWhileAPathIsOpenedAndGoesOnAfter)
{
    TcxShellTreeView* tv = MakeTree();
    TcxShellItemsInfoGatherer* gatherer = tree->ItemsInfoGatherer();
    ASSERT_TRUE(gatherer->WaitUntilIdle(10000));
    Drain();
    std::vector<int> pausesSeen;
    tv->OnChange = [&](TObject*) { pausesSeen.push_back(gatherer->PauseCount()); };
    tv->SetSelectedPath(a1);
    ASSERT_EQ(tv->SelectedPath(), a1);
    ASSERT_FALSE(pausesSeen.empty());
    for (int pauses : pausesSeen)
        EXPECT_EQ(pauses, 1) << "a level was selected while the worker ran";
    Drain();
    EXPECT_EQ(gatherer->PauseCount(), 0) << "the worker was not let go after the path was open";
    EXPECT_TRUE(gatherer->WaitUntilIdle(10000));
}

// A folder that was opened and found empty keeps no expand button when the worker's details of
// its item arrive later (the worker tells whether the folder has children without opening it);
// a folder not opened yet shows what the worker found.
TEST_F(ShellTreeTest, TheWorkersAnswerDoesNotOverrideAnOpenedFolder)
{
    TcxShellTreeView* tv = MakeTree(&a1); // a, then a1 (empty) are opened on the way
    ASSERT_EQ(tv->SelectedPath(), a1);
    TcxShellItemsInfoGatherer* gatherer = tree->ItemsInfoGatherer();
    Drain(); // the worker goes on once the path is open
    ASSERT_TRUE(gatherer->WaitUntilIdle(10000));
    Drain(); // its results reach the tree
    HTREEITEM nodeA = ChildNamed(tree, top, L"a");
    TcxShellTreeItemProducer* producerA = tree->NodeProducer(nodeA);
    ASSERT_NE(producerA, nullptr);
    struct Case {
        const wchar_t* name;
        bool opened;
    } const cases[] = {{L"a1", true}, {L"a2", false}};
    for (const Case& c : cases) {
        HTREEITEM node = ChildNamed(tree, nodeA, c.name);
        ASSERT_NE(node, nullptr) << c.name;
        TcxShellItemInfo* item = tree->NodeItem(node);
        ASSERT_NE(item, nullptr) << c.name;
        ASSERT_TRUE(item->DetailsFetched) << c.name << ": the worker has been at it";
        EXPECT_EQ(tree->ChildCount(node), 0) << c.name;
        EXPECT_EQ(tree->HasChildren(node), c.opened ? false : item->ShowsExpandButton) << c.name;
    }
}

// The worker finishes the children of an opened folder while the user-interface thread is
// busy elsewhere: however many it finished, one message waits for the tree, and that one
// message brings every finished child along. A second folder opened after it gets its own.
TEST_F(ShellTreeTest, WorkerResultsReachTheTreeAsOneMessagePerBatch)
{
    const int children = 40;
    for (const wchar_t* folder : {L"many1", L"many2"}) {
        temp.MakeFolder(folder);
        for (int i = 0; i < children; ++i)
            temp.MakeFolder(std::wstring(folder) + L"\\sub" + std::to_wstring(i));
    }
    MakeTree();
    TcxShellItemsInfoGatherer* gatherer = tree->ItemsInfoGatherer();
    ASSERT_TRUE(gatherer->WaitUntilIdle(10000));
    Drain(); // the top node's own children are done with

    for (const wchar_t* folder : {L"many1", L"many2"}) {
        SCOPED_TRACE(folder);
        HTREEITEM node = ChildNamed(tree, tree->TopLevelItem(), folder);
        ASSERT_NE(node, nullptr);
        tree->Expand(node);
        ASSERT_EQ(tree->ChildCount(node), children);
        EXPECT_EQ(gatherer->PauseCount(), 1) << "the worker runs while the folder is shown";
        TcxShellTreeItemProducer* producer = tree->NodeProducer(node);
        ASSERT_NE(producer, nullptr);
        // Every other message goes through (the worker waits for the expansion to be over);
        // no item update is dispatched until the worker has finished every child.
        MSG other;
        while (PeekMessageW(&other, nullptr, 0, MsgItemUpdated - 1, PM_REMOVE) ||
               PeekMessageW(&other, nullptr, MsgItemUpdated + 1, 0xFFFF, PM_REMOVE))
            DispatchMessageW(&other);
        EXPECT_EQ(gatherer->PauseCount(), 0) << "the worker was not let go after the expansion";
        ASSERT_TRUE(gatherer->WaitUntilIdle(20000));
        int messages = 0;
        MSG msg;
        while (PeekMessageW(&msg, tree->Handle(), MsgItemUpdated, MsgItemUpdated, PM_REMOVE)) {
            EXPECT_EQ(static_cast<unsigned>(msg.lParam), producer->Serial()) << "only this folder's producer";
            ++messages;
            DispatchMessageW(&msg);
        }
        EXPECT_EQ(messages, 1) << "each finished child was posted on its own";
        int fetched = 0;
        producer->BeginReadItems();
        for (int i = 0; i < producer->ItemCount(); ++i)
            fetched += producer->Item(i)->DetailsFetched ? 1 : 0;
        producer->EndReadItems();
        EXPECT_EQ(fetched, children);
        EXPECT_TRUE(producer->TakeUpdatedIndexes().empty()) << "the message took every finished child along";
    }
}

TEST_F(ShellTreeTest, AFolderMadeInTheWatchedFolderKeepsExpansionAndSelection)
{
    TcxShellTreeView* tv = MakeTree(&a);
    int changes = 0;
    tv->OnShellChange = [&](TObject*, LONG, PCItemIDList, PCItemIDList) { ++changes; };
    HTREEITEM nodeA = ChildNamed(tree, tree->TopLevelItem(), L"a");
    ASSERT_NE(nodeA, nullptr);
    tree->Expand(nodeA);
    ASSERT_TRUE(tree->ChangeWatchRegistered());

    const std::wstring made = a + L"\\a3";
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
    Announce(SHCNE_MKDIR, made);
    ASSERT_TRUE(PumpUntil([&] { return changes == 1; }));
    Drain();

    nodeA = ChildNamed(tree, tree->TopLevelItem(), L"a");
    ASSERT_NE(nodeA, nullptr);
    EXPECT_TRUE(tree->Expanded(nodeA));
    EXPECT_EQ(ChildTexts(tree, nodeA), (std::vector<std::wstring>{L"a1", L"a2", L"a3"}));
    EXPECT_EQ(tv->SelectedPath(), a);
}

TEST_F(ShellTreeTest, ABurstOfAnnouncementsIsHandledWithOneRefresh)
{
    TcxShellTreeView* tv = MakeTree(&a);
    int changes = 0;
    tv->OnShellChange = [&](TObject*, LONG, PCItemIDList, PCItemIDList) { ++changes; };
    tree->Expand(ChildNamed(tree, tree->TopLevelItem(), L"a"));
    const int refreshesBefore = tree->RefreshCount();
    for (const wchar_t* name : {L"n1", L"n2", L"n3"}) {
        const std::wstring made = a + L"\\" + name;
        ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
        Announce(SHCNE_MKDIR, made);
    }
    ASSERT_TRUE(PumpUntil([&] { return changes == 3; }));
    Drain();
    EXPECT_EQ(tree->RefreshCount() - refreshesBefore, 1);
    EXPECT_EQ(ChildTexts(tree, ChildNamed(tree, tree->TopLevelItem(), L"a")),
              (std::vector<std::wstring>{L"a1", L"a2", L"n1", L"n2", L"n3"}));
}

TEST_F(ShellTreeTest, AChangeAnnouncedDuringADragIsHandledAfterIt)
{
    TcxShellTreeView* tv = MakeTree(&a);
    int changes = 0;
    tv->OnShellChange = [&](TObject*, LONG, PCItemIDList, PCItemIDList) { ++changes; };
    tree->Expand(ChildNamed(tree, tree->TopLevelItem(), L"a"));
    IDropTarget* target = tree->DropTarget();
    ASSERT_NE(target, nullptr) << "the tree registers itself as its window's drop target";
    RECT r = tree->ItemRect(ChildNamed(tree, tree->TopLevelItem(), L"b"), true);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tree->Handle(), &p);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_HRESULT_SUCCEEDED(target->DragEnter(nullptr, MK_LBUTTON, POINTL{p.x, p.y}, &effect));
    EXPECT_TRUE(tree->DropHighlighted(ChildNamed(tree, tree->TopLevelItem(), L"b")));

    const std::wstring made = a + L"\\during";
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
    Announce(SHCNE_MKDIR, made);
    ASSERT_TRUE(PumpUntil([&] { return tree->RefreshPending(); }));
    EXPECT_EQ(changes, 0) << "nothing is rebuilt under the drag";

    target->DragLeave();
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(tree->RefreshPending());
    EXPECT_EQ(ChildTexts(tree, ChildNamed(tree, tree->TopLevelItem(), L"a")),
              (std::vector<std::wstring>{L"a1", L"a2", L"during"}));
    EXPECT_FALSE(tree->DropHighlighted(ChildNamed(tree, tree->TopLevelItem(), L"b")));
}

// The shell's own data object for one item of a folder (it carries the shell's identifier
// list format, as a drag from the shell does).
ComPtr<IDataObject> ShellDataObject(const std::wstring& path, HWND owner)
{
    UniqueIdList absolute = ParsePath(path);
    UniqueIdList parent = IdListParent(absolute.get());
    ComPtr<IShellFolder> folder = BindFolder(parent.get());
    PCItemIDList item = IdListLastItem(absolute.get());
    ComPtr<IDataObject> data;
    if (folder)
        folder->GetUIObjectOf(owner, 1, &item, IID_IDataObject, nullptr, data.put_void());
    return data;
}

// A drop of shell data (the shell's own data object of a folder elsewhere) onto a node: the
// node is highlighted while the drag is over it, and its folder is read again 100 ms after the
// drop, whether it was open or never opened. The folder's new content is made by the test
// right after the drop: the platform's folder drop target under Wine accepts the drop but
// moves nothing.
TEST_F(ShellTreeTest, AFolderDroppedOnIsReadAgainAfterTheDrop)
{
    struct Case {
        const wchar_t* name;
        bool openFirst;
    };
    for (const Case& c : {Case{L"open folder", true}, Case{L"folder never opened", false}}) {
        SCOPED_TRACE(c.name);
        TempFolder outside;
        const std::wstring dragged = outside.MakeFolder(L"dragged");
        TcxShellTreeView* tv = MakeTree();
        tree->Expand(tree->TopLevelItem());
        HTREEITEM nodeB = ChildNamed(tree, tree->TopLevelItem(), L"b");
        ASSERT_NE(nodeB, nullptr);
        if (c.openFirst)
            tree->Expand(nodeB);
        ComPtr<IDataObject> data = ShellDataObject(dragged, tree->Handle());
        ASSERT_TRUE(data);
        FORMATETC idListFormat{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Shell IDList Array")),
                               nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        ASSERT_EQ(data->QueryGetData(&idListFormat), S_OK);

        RECT r = tree->ItemRect(nodeB, true);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(tree->Handle(), &p);
        IDropTarget* target = tree->DropTarget();
        ASSERT_NE(target, nullptr);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_HRESULT_SUCCEEDED(target->DragEnter(data.get(), MK_LBUTTON, POINTL{p.x, p.y}, &effect));
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_HRESULT_SUCCEEDED(target->DragOver(MK_LBUTTON, POINTL{p.x, p.y}, &effect));
        EXPECT_TRUE(tree->DropHighlighted(nodeB));
        const int refreshesBefore = tree->DropRefreshCount();
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_HRESULT_SUCCEEDED(target->Drop(data.get(), 0, POINTL{p.x, p.y}, &effect));
        const ULONGLONG dropped = GetTickCount64();
        EXPECT_FALSE(tree->DropHighlighted(nodeB));
        const std::wstring arrived = b + L"\\arrived";
        ASSERT_TRUE(CreateDirectoryW(arrived.c_str(), nullptr));

        Drain();
        EXPECT_EQ(tree->DropRefreshCount(), refreshesBefore) << "the folder was read again at once";
        ASSERT_TRUE(PumpUntil([&] { return tree->DropRefreshCount() > refreshesBefore; }, 3000));
        // The tick count moves in steps of up to 16 ms.
        EXPECT_GE(GetTickCount64() - dropped + 16, 100u);
        nodeB = ChildNamed(tree, tree->TopLevelItem(), L"b");
        EXPECT_EQ(ChildTexts(tree, nodeB), (std::vector<std::wstring>{L"arrived"}));
        EXPECT_TRUE(tree->HasChildren(nodeB));
        RemoveDirectoryW(arrived.c_str());
        delete tv;
    }
}

// Real mouse input for a drag inside the tree. The platform's drag loop runs until the button
// is up, so the steps after the start run from a timer that the loop dispatches.
void SendMouse(POINT screen, DWORD buttonFlags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = MulDiv(screen.x, 65536, sw) + 1;
    in.mi.dy = MulDiv(screen.y, 65536, sh) + 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlags;
    SendInput(1, &in, sizeof(in));
}

struct DragScript {
    TcxInnerShellTreeView* tree = nullptr;
    HTREEITEM target = nullptr;
    POINT targetPoint{};
    int step = 0;
    bool highlightedDuringDrag = false;
    bool released = false;
};
DragScript g_drag;

void CALLBACK DragStep(HWND, UINT, UINT_PTR id, DWORD)
{
    DragScript& d = g_drag;
    ++d.step;
    if (d.step <= 2) {
        // Two moves over the target, a timer period apart, so the drag loop sees the cursor there.
        SendMouse({d.targetPoint.x, d.targetPoint.y + d.step - 1}, 0);
    } else if (d.step <= 6 && !d.tree->DropHighlighted(d.target)) {
        // The drag loop looks at the cursor on its own timer: give it a few periods.
    } else {
        d.highlightedDuringDrag = d.tree->DropHighlighted(d.target);
        SendMouse(d.targetPoint, MOUSEEVENTF_LEFTUP);
        d.released = true;
        KillTimer(nullptr, id);
    }
}

// A folder dragged with the mouse onto another folder of the same tree: the drag starts from
// the tree's own begin-drag notification, the drop goes to the target folder's node (which is
// highlighted while the cursor is over it), and that folder is read again after the drop.
// Nothing is checked on disk: under Wine the platform's folder drop target takes the drop and
// moves nothing.
TEST_F(ShellTreeTest, AFolderDraggedWithTheMouseOntoAnotherIsDroppedThere)
{
    MakeTree(&a);
    SetForegroundWindow(form->Handle());
    Drain();
    HTREEITEM nodeA = ChildNamed(tree, tree->TopLevelItem(), L"a");
    HTREEITEM nodeB = ChildNamed(tree, tree->TopLevelItem(), L"b");
    ASSERT_NE(nodeA, nullptr);
    ASSERT_NE(nodeB, nullptr);
    auto centre = [&](HTREEITEM node) {
        RECT r = tree->ItemRect(node, true);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(tree->Handle(), &p);
        return p;
    };
    const POINT from = centre(nodeB);
    int dragsStarted = 0;
    auto previous = tree->OnNotify;
    tree->OnNotify = [&](NMHDR* header) {
        if (header->code == TVN_BEGINDRAGW)
            ++dragsStarted;
        return previous(header);
    };
    // The tree outlives this test's locals: its own handler comes back on every way out.
    struct RestoreNotify {
        TcxInnerShellTreeView* tree;
        std::function<LRESULT(NMHDR*)>& previous;
        ~RestoreNotify() { tree->OnNotify = previous; }
    } restore{tree, previous};
    g_drag = {};
    g_drag.tree = tree;
    g_drag.target = nodeA;
    g_drag.targetPoint = centre(nodeA);
    const int refreshesBefore = tree->DropRefreshCount();

    // Press on b and move past the drag threshold: the tree starts the drag and the platform's
    // drag loop runs inside the dispatch of these messages; the timer finishes the drag.
    SendMouse(from, 0);
    Drain();
    SendMouse(from, MOUSEEVENTF_LEFTDOWN);
    SendMouse({from.x + 12, from.y + 6}, 0);
    SendMouse({from.x + 24, from.y + 12}, 0);
    SetTimer(nullptr, 0, 60, &DragStep);
    PumpUntil([&] { return g_drag.released; }, 10000);
    if (!g_drag.released)
        SendMouse(from, MOUSEEVENTF_LEFTUP); // never leave the button down for the next test
    ASSERT_TRUE(g_drag.released);
    ASSERT_TRUE(PumpUntil([&] { return tree->DropRefreshCount() > refreshesBefore; }, 3000))
        << "no drop reached the tree";
    EXPECT_EQ(dragsStarted, 1);
    EXPECT_TRUE(g_drag.highlightedDuringDrag) << "the target folder was not highlighted under the cursor";
    EXPECT_FALSE(tree->DropHighlighted(ChildNamed(tree, tree->TopLevelItem(), L"a")));
    SetCursorPos(0, 0);
}

// What the tree looked like while its context menu was up; the timer closes the menu.
struct MenuObservation {
    TcxInnerShellTreeView* tree = nullptr;
    bool seen = false;
    bool openFlag = false;
    std::wstring watched;
};
MenuObservation g_menu;

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_menu.seen = true;
    g_menu.openFlag = g_menu.tree->ContextMenuOpen();
    g_menu.watched = IdListToPath(g_menu.tree->WatchedIdList());
    EndMenu();
}

TEST_F(ShellTreeTest, TheShellsContextMenuRunsForANodeAndWatchesItWhileOpen)
{
    MakeTree(&a);
    HTREEITEM nodeB = ChildNamed(tree, tree->TopLevelItem(), L"b");
    RECT r = tree->ItemRect(nodeB, true);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tree->Handle(), &p);
    g_menu = {};
    g_menu.tree = tree;
    SetTimer(nullptr, 0, 200, &CloseMenu);
    SendMessageW(tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree->Handle()),
                 MAKELPARAM(p.x, p.y));
    ASSERT_TRUE(g_menu.seen) << "the shell's menu did not run";
    EXPECT_TRUE(g_menu.openFlag);
    EXPECT_EQ(g_menu.watched, b) << "the node under the menu is watched meanwhile";
    EXPECT_FALSE(tree->ContextMenuOpen());
    EXPECT_EQ(IdListToPath(tree->WatchedIdList()), a) << "the selected folder is watched again afterwards";
}

// Closes whatever menu is up; notes whether it was the shell's menu of the tree.
struct AnyMenuCloser {
    TcxInnerShellTreeView* tree = nullptr;
    bool fired = false;
    bool shellMenuOpen = false;
};
AnyMenuCloser g_closer;

void CALLBACK CloseAnyMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_closer.fired = true;
    g_closer.shellMenuOpen = g_closer.tree->ContextMenuOpen();
    EndMenu();
}

// A right click of the real mouse: the shell's menu for a node below the top node when the
// options ask for shell menus, nothing for the top node, and the control's own popup menu
// away from the nodes or when shell menus are off.
TEST_F(ShellTreeTest, ARightClickOpensTheShellsMenuOnANodeAndTheControlsMenuElsewhere)
{
    TcxShellTreeView* tv = MakeTree();
    tree->Expand(top);
    SetForegroundWindow(form->Handle());
    Drain();
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption(L"Choose");
    menu->Add(item);
    int popups = 0, chosen = 0;
    item->OnClick = [&](TObject*) { ++chosen; };
    menu->OnPopup = [&](TObject*) {
        ++popups;
        INPUT keys[4]{};
        const WORD vks[2] = {VK_DOWN, VK_RETURN};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = vks[i / 2];
            keys[i].ki.dwFlags = (i % 2) ? KEYEVENTF_KEYUP : 0;
        }
        SendInput(4, keys, sizeof(INPUT));
    };
    tv->SetPopupMenu(menu);

    auto centre = [&](HTREEITEM node) {
        RECT r = tree->ItemRect(node, true);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    RECT client;
    GetClientRect(tree->Handle(), &client);
    const POINT nodeB = centre(ChildNamed(tree, top, L"b"));
    const POINT topNode = centre(top);
    const POINT empty{client.right / 2, client.bottom - 10};
    struct Case {
        const char* name;
        bool shellMenus;
        POINT at;
        int popups;
        bool shellMenu;
    };
    const Case cases[] = {
        {"away from the nodes", true, empty, 1, false},
        {"on a node, shell menus off", false, nodeB, 1, false},
        {"on a node", true, nodeB, 0, true},
        {"on the top node", true, topNode, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tv->Options()->SetContextMenus(c.shellMenus);
        popups = chosen = 0;
        g_closer = {};
        g_closer.tree = tree;
        POINT p = c.at;
        ClientToScreen(tree->Handle(), &p);
        SendMouse(p, 0);
        Drain();
        SetTimer(nullptr, 0, 300, &CloseAnyMenu);
        SendMouse(p, MOUSEEVENTF_RIGHTDOWN);
        SendMouse(p, MOUSEEVENTF_RIGHTUP);
        ASSERT_TRUE(PumpUntil([] { return g_closer.fired; }, 5000));
        Drain();
        EXPECT_EQ(popups, c.popups);
        EXPECT_EQ(chosen, c.popups) << "the item chosen from the control's menu ran";
        EXPECT_EQ(g_closer.shellMenuOpen, c.shellMenu);
    }
    SetCursorPos(0, 0);
}

TEST(DropSourceTest, CancelsOnEscapeAndDropsOnceTheButtonsAreUp)
{
    TcxDropSource* source = new TcxDropSource();
    struct Case {
        BOOL escape;
        DWORD keys;
        HRESULT expected;
    };
    const Case cases[] = {
        {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL}, {FALSE, MK_LBUTTON, S_OK},          {FALSE, MK_RBUTTON, S_OK},
        {FALSE, 0, DRAGDROP_S_DROP},           {FALSE, MK_SHIFT, DRAGDROP_S_DROP},
    };
    for (const Case& c : cases)
        EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keys), c.expected) << c.escape << " " << c.keys;
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    source->Release();
}

TEST_F(ShellTreeTest, ADeletedSelectedFolderLeavesItsParentSelected)
{
    TcxShellTreeView* tv = MakeTree(&a1);
    int changes = 0;
    tv->OnShellChange = [&](TObject*, LONG, PCItemIDList, PCItemIDList) { ++changes; };
    ASSERT_EQ(tv->SelectedPath(), a1);
    ASSERT_TRUE(RemoveDirectoryW(a1.c_str()));
    Announce(SHCNE_RMDIR, a1);
    ASSERT_TRUE(PumpUntil([&] { return changes == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return tv->SelectedPath() == a; }, 2000));
    EXPECT_EQ(tv->SelectedPath(), a);
}

TEST_F(ShellTreeTest, ARefreshNeverClimbsAboveTheRoot)
{
    TcxShellTreeView* tv = MakeTree(&a);
    UniqueIdList rootBefore = IdListClone(tv->Root()->RootIdList());
    // The whole root goes: the walk up from the selection must stop at the root.
    ASSERT_TRUE(RemoveDirectoryW(a1.c_str()));
    ASSERT_TRUE(RemoveDirectoryW((a + L"\\a2").c_str()));
    ASSERT_TRUE(RemoveDirectoryW(a.c_str()));
    tree->RefreshKeepingState();
    Drain();
    EXPECT_TRUE(IdListEqual(tv->Root()->RootIdList(), rootBefore.get())) << "the refresh re-rooted the tree";
    EXPECT_EQ(tree->Selected(), tree->TopLevelItem());
}

TEST_F(ShellTreeTest, UpdateItemOfAnItemNotInTheTreeChangesNothing)
{
    TcxShellTreeView* tv = MakeTree();
    int changes = 0;
    tv->OnShellChange = [&](TObject*, LONG, PCItemIDList, PCItemIDList) { ++changes; };
    UniqueIdList elsewhere = ParsePath(a1); // a1 is not listed: its parent was never opened
    tree->HandleShellChange(SHCNE_UPDATEITEM, elsewhere.get(), nullptr);
    EXPECT_EQ(changes, 0);
    tree->HandleShellChange(SHCNE_UPDATEDIR, elsewhere.get(), nullptr);
    EXPECT_EQ(changes, 1);
}

TEST_F(ShellTreeTest, F5ShowsAFolderMadeWithoutAnnouncement)
{
    TcxShellTreeView* tv = MakeTree();
    int changes = 0;
    LONG lastEvent = -1;
    tv->OnShellChange = [&](TObject*, LONG e, PCItemIDList, PCItemIDList) {
        ++changes;
        lastEvent = e;
    };
    temp.MakeFolder(L"d");
    SendMessageW(tree->Handle(), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(lastEvent, 0);
    EXPECT_EQ(ChildTexts(tree, tree->TopLevelItem()), (std::vector<std::wstring>{L"a", L"b", L"d"}));
}

TEST_F(ShellTreeTest, RenameInPlaceRenamesOnDiskAndKeepsTheWatch)
{
    TcxShellTreeView* tv = MakeTree(&b);
    HTREEITEM nodeB = tree->Selected();
    ASSERT_NE(nodeB, nullptr);
    HWND edit = tree->EditLabel(nodeB);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"b2");
    tree->EndEditLabel(false);
    Drain();
    EXPECT_EQ(GetFileAttributesW(b.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW((temp.Path() + L"\\b2").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(tree->ItemText(nodeB), L"b2");
    EXPECT_EQ(tv->SelectedPath(), temp.Path() + L"\\b2") << "the item took its new list";
    EXPECT_TRUE(tree->ChangeWatchRegistered());
    EXPECT_EQ(IdListToPath(tree->WatchedIdList()), temp.Path() + L"\\b2") << "the watch follows the new name";

    // A name the file system refuses: the label stays, the watch comes back.
    edit = tree->EditLabel(nodeB);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"bad|name");
    tree->EndEditLabel(false);
    Drain();
    EXPECT_EQ(tree->ItemText(nodeB), L"b2");
    EXPECT_TRUE(tree->ChangeWatchRegistered());
}

TEST_F(ShellTreeTest, ARenamedOpenFolderListsItsChildrenUnderTheNewName)
{
    MakeTree(&a);
    HTREEITEM nodeA = tree->Selected();
    tree->Expand(nodeA);
    ASSERT_EQ(tree->ChildCount(nodeA), 2);
    HWND edit = tree->EditLabel(nodeA);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"a-renamed");
    tree->EndEditLabel(false);
    Drain();
    EXPECT_TRUE(tree->Expanded(nodeA));
    ASSERT_EQ(ChildTexts(tree, nodeA), (std::vector<std::wstring>{L"a1", L"a2"}));
    UniqueIdList child = tree->NodeIdList(tree->ChildAt(nodeA, 0));
    EXPECT_EQ(IdListToPath(child.get()), temp.Path() + L"\\a-renamed\\a1")
        << "children listed under the old name";
}

TEST_F(ShellTreeTest, SelectLaterWaitsForTheContextMenuWithoutSpinning)
{
    TcxShellTreeView* tv = MakeTree(&a);
    tree->SetContextMenuOpen(true);
    tree->RefreshKeepingState();
    Drain();
    MSG pending;
    EXPECT_FALSE(PeekMessageW(&pending, tree->Handle(), MsgSelectLater, MsgSelectLater, PM_NOREMOVE))
        << "the selection must wait without posting itself again";
    EXPECT_EQ(tree->Selected(), nullptr) << "nothing is selected while the menu is open";
    tree->SetContextMenuOpen(false);
    EXPECT_EQ(tv->SelectedPath(), a);
}

// ---- a fake folder for what the real shell under Wine never shows --------------------------

// The top node lists a fake folder instead of the temp folder, through the producer's own
// listing and the message it sends to the tree.
class FakeBranchTest : public ShellTreeTest {
protected:
    void ListFake(std::vector<FakeItem> items, const std::function<void(FakeFolder&)>& configure = {})
    {
        MakeTree();
        fake = MakeFakeFolder(std::move(items));
        if (configure)
            configure(*fake.get());
        fake->uiObject = [this](REFIID riid, void** result) -> HRESULT {
            if (riid != IID_IQueryInfo)
                return E_NOINTERFACE;
            tips.AddRef();
            *result = &tips;
            return S_OK;
        };
        producer = tree->NodeProducer(tree->TopLevelItem());
        ASSERT_NE(producer, nullptr);
        producer->ProduceItems(fake.get(), tree->Root()->RootIdList(), 0);
    }
    ComPtr<FakeFolder> fake;
    FakeQueryInfo tips{L"Type: fake folder"};
    TcxShellTreeItemProducer* producer = nullptr;
};

TEST_F(FakeBranchTest, FoldersWithNothingToShowLoseTheirButtonWhenOpened)
{
    // "files" holds two files only, which a folders-only tree does not show.
    ListFake({{L"empty", true, false, false, 0}, {L"files", true, false, true, 2}, {L"file.txt"}});
    HTREEITEM top = tree->TopLevelItem();
    ASSERT_EQ(ChildTexts(tree, top), (std::vector<std::wstring>{L"empty", L"files"})) << "folders only";
    EXPECT_TRUE(tree->HasChildren(tree->ChildAt(top, 0)));
    EXPECT_TRUE(tree->HasChildren(tree->ChildAt(top, 1)));
    tree->Expand(tree->ChildAt(top, 0));
    EXPECT_FALSE(tree->HasChildren(tree->ChildAt(top, 0)));
    tree->Expand(tree->ChildAt(top, 1));
    EXPECT_EQ(tree->ChildCount(tree->ChildAt(top, 1)), 0);
    EXPECT_FALSE(tree->HasChildren(tree->ChildAt(top, 1)));
}

TEST_F(FakeBranchTest, AnItemUpdateShowsOverlayCutStateAndText)
{
    ListFake({{L"x", true}, {L"y", true}});
    HTREEITEM y = tree->ChildAt(tree->TopLevelItem(), 1);
    // What the worker would have found: a link that is hidden, under a new name.
    producer->BeginWriteItems();
    producer->Item(1)->LinkItem = true;
    producer->Item(1)->HiddenItem = true;
    producer->Item(1)->DisplayText = L"y (link)";
    producer->EndWriteItems();
    PostMessageW(tree->Handle(), MsgItemUpdated, 1, static_cast<LPARAM>(producer->Serial()));
    ASSERT_TRUE(PumpUntil([&] { return tree->ItemText(y) == L"y (link)"; }, 3000));
    EXPECT_EQ(tree->OverlayIndex(y), 2) << "the link arrow";
    EXPECT_TRUE(tree->Cut(y));
    EXPECT_EQ(tree->OverlayIndex(tree->ChildAt(tree->TopLevelItem(), 0)), 0);
}

TEST_F(FakeBranchTest, TheWorkerBringsEveryOverlayTheFolderTells)
{
    // Overlays 3 and 5 are neither the share hand (1) nor the link arrow (2); a folder that
    // says "none" leaves the node without one.
    FakeItem plain{L"plain", true}, synced{L"synced", true}, pinned{L"pinned", true};
    synced.overlay = 5;
    pinned.overlay = 3;
    ListFake({plain, synced, pinned}, [](FakeFolder& folder) {
        folder.offerOverlay = true;
        folder.offerShellIcon = true;
    });
    HTREEITEM top = tree->TopLevelItem();
    HTREEITEM plainNode = ChildNamed(tree, top, L"plain"), syncedNode = ChildNamed(tree, top, L"synced"),
              pinnedNode = ChildNamed(tree, top, L"pinned");
    ASSERT_TRUE(plainNode && syncedNode && pinnedNode);
    ASSERT_TRUE(PumpUntil(
        [&] { return tree->OverlayIndex(syncedNode) == 5 && tree->OverlayIndex(pinnedNode) == 3; }, 5000))
        << "overlays shown: " << tree->OverlayIndex(syncedNode) << ", " << tree->OverlayIndex(pinnedNode);
    EXPECT_EQ(tree->OverlayIndex(plainNode), 0);
}

// A folder's drop target that answers every move with the effect it was offered.
class ProposalRecorder final : public TestComObject<IDropTarget> {
public:
    ProposalRecorder() : TestComObject(IID_IDropTarget) {}
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        offered = *effect;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    DWORD offered = 0;
};

TEST_F(FakeBranchTest, ADropOffersTheDefaultEffectTheSettingsHoldAtThatMove)
{
    ProposalRecorder folderTarget;
    ListFake({{L"x", true}}, [&](FakeFolder& folder) {
        folder.viewObject = [&](REFIID riid, void** result) -> HRESULT {
            if (riid != IID_IDropTarget)
                return E_NOINTERFACE;
            folderTarget.AddRef();
            *result = static_cast<IDropTarget*>(&folderTarget);
            return S_OK;
        };
    });
    tree->Expand(tree->TopLevelItem());
    HTREEITEM x = tree->ChildAt(tree->TopLevelItem(), 0);
    RECT r = tree->ItemRect(x, true);
    POINTL at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    POINT screen{at.x, at.y};
    ClientToScreen(tree->Handle(), &screen);
    at = {screen.x, screen.y};
    IDropTarget* target = tree->DropTarget();
    ASSERT_NE(target, nullptr);
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    DWORD effect = all;
    ASSERT_HRESULT_SUCCEEDED(target->DragEnter(nullptr, MK_LBUTTON, at, &effect));
    ASSERT_TRUE(tree->DropHighlighted(x));
    EXPECT_EQ(folderTarget.offered, static_cast<DWORD>(DROPEFFECT_MOVE)) << "moving is the default";

    // The settings change while the drag goes on: each move offers what they say then.
    struct Case {
        TcxDropEffect setting;
        DWORD sourceAllows;
        DWORD offered;
    };
    const Case cases[] = {
        {deCopy, all, DROPEFFECT_COPY},
        {deLink, all, DROPEFFECT_LINK},
        {deLink, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY | DROPEFFECT_MOVE},
        {deMove, all, DROPEFFECT_MOVE},
    };
    for (const Case& c : cases) {
        tree->DragDropSettings()->SetDefaultDropEffect(c.setting);
        effect = c.sourceAllows;
        ASSERT_HRESULT_SUCCEEDED(target->DragOver(MK_LBUTTON, at, &effect));
        EXPECT_EQ(folderTarget.offered, c.offered)
            << "setting " << c.setting << ", source " << c.sourceAllows;
        EXPECT_EQ(effect, c.offered) << "the folder's answer goes back to the source";
    }
    target->DragLeave();
    EXPECT_FALSE(tree->DropHighlighted(x));
}

TEST_F(FakeBranchTest, InfoTipsComeFromTheShellWhenSwitchedOn)
{
    ListFake({{L"x", true}});
    HTREEITEM x = tree->ChildAt(tree->TopLevelItem(), 0);
    auto ask = [&](HTREEITEM item) {
        wchar_t buffer[64] = L"unchanged";
        NMTVGETINFOTIPW request{};
        request.hdr.hwndFrom = tree->Handle();
        request.hdr.idFrom = 0;
        request.hdr.code = TVN_GETINFOTIPW;
        request.hItem = item;
        request.pszText = buffer;
        request.cchTextMax = 64;
        SendMessageW(GetParent(tree->Handle()), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request));
        return std::wstring(buffer);
    };
    EXPECT_EQ(ask(x), L"") << "info tips are off by default";
    tree->SetShowInfoTips(true);
    EXPECT_TRUE(GetWindowLongW(tree->Handle(), GWL_STYLE) & TVS_INFOTIP);
    EXPECT_EQ(ask(x), L"Type: fake folder");
    EXPECT_EQ(ask(tree->TopLevelItem()), L"unchanged") << "the top node has no tip";
}

// ---- the dialog ---------------------------------------------------------------------------

class BrowseDialogTest : public ShellTreeTest {
protected:
    void SetUp() override
    {
        ShellTreeTest::SetUp();
        dialog = new TcxShellBrowserDialog(form);
        dialog->Root()->BrowseFolder = bfCustomPath;
        dialog->Root()->CustomPath = temp.Path();
    }

    // Runs the dialog; act is called once the form is on the screen.
    bool Run(const std::function<void(TcxShellBrowserDlg*)>& act)
    {
        dialog->OnShow = [&](TObject* sender) { act(static_cast<TcxShellBrowserDlg*>(sender)); };
        return dialog->RunDialog();
    }

    static void PostKey(HWND wnd, WPARAM key)
    {
        PostMessageW(wnd, WM_KEYDOWN, key, 1);
        PostMessageW(wnd, WM_KEYUP, key, 0xC0000001);
    }

    TcxShellBrowserDialog* dialog = nullptr;
};

TEST_F(BrowseDialogTest, ReturnConfirmsTheFolderGivenAtTheStart)
{
    dialog->SetPath(a1);
    std::wstring shownField, selectedAtStart, caption, label;
    bool ownerDisabled = false;
    HWND owner = nullptr;
    TScreenCursor cursorInLoop = crHourGlass;
    bool focusInTree = false, activeIsTree = false, dialogFrame = false, onlySystemMenu = false,
         noBigIcon = false;
    bool confirmed = Run([&](TcxShellBrowserDlg* dlg) {
        HWND wnd = dlg->Handle();
        focusInTree = GetFocus() == dlg->cxStv->InnerTree()->Handle();
        activeIsTree = dlg->ActiveControl() == dlg->cxStv;
        dialogFrame = (GetWindowLongW(wnd, GWL_EXSTYLE) & 0x101) == 0x101;
        const LONG style = GetWindowLongW(wnd, GWL_STYLE);
        onlySystemMenu = (style & WS_SYSMENU) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        noBigIcon = SendMessageW(wnd, WM_GETICON, ICON_BIG, 0) == 0;
        selectedAtStart = dlg->cxStv->SelectedPath();
        shownField = dlg->cxTeFolder->Text();
        caption = dlg->Caption();
        label = dlg->lblFolder->Caption();
        owner = GetWindow(dlg->Handle(), GW_OWNER);
        ownerDisabled = !IsWindowEnabled(form->Handle());
        cursorInLoop = ScreenCursor();
        PostKey(dlg->cxStv->InnerTree()->Handle(), VK_RETURN);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog->Path(), a1);
    EXPECT_EQ(selectedAtStart, a1);
    EXPECT_EQ(shownField.substr(shownField.size() - 3), L"\\a1");
    EXPECT_EQ(caption, L"Browse for Folder");
    EXPECT_EQ(label, L"Current Folder");
    EXPECT_EQ(owner, form->Handle()) << "the dialog is owned by the window it was opened from";
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    EXPECT_EQ(cursorInLoop, crDefault) << "the modal loop shows the normal cursor";
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_TRUE(focusInTree) << "the tree is the active control of the description";
    EXPECT_TRUE(activeIsTree);
    EXPECT_TRUE(dialogFrame);
    EXPECT_TRUE(onlySystemMenu);
    EXPECT_TRUE(noBigIcon);
}

// Records the screen cursor while the form is being built, before the modal loop runs.
class CursorWatchingDialog : public TcxShellBrowserDialog {
public:
    using TcxShellBrowserDialog::TcxShellBrowserDialog;
    TScreenCursor cursorWhileBuilding = crDefault;

protected:
    TcxShellBrowserDlg* CreateBrowserForm() override
    {
        cursorWhileBuilding = ScreenCursor();
        return TcxShellBrowserDialog::CreateBrowserForm();
    }
};

TEST_F(BrowseDialogTest, TheHourglassShowsWhileTheFormIsBuiltAndNestsInsideAnOuterOne)
{
    CursorWatchingDialog watching(form);
    watching.Root()->BrowseFolder = bfCustomPath;
    watching.Root()->CustomPath = temp.Path();
    TScreenCursor inLoop = crHourGlass;
    watching.OnShow = [&](TObject* sender) {
        inLoop = ScreenCursor();
        static_cast<TcxShellBrowserDlg*>(sender)->SetModalResult(mrCancel);
    };
    {
        TScreenCursorScope outer(crHourGlass);
        watching.RunDialog();
        EXPECT_EQ(ScreenCursor(), crHourGlass) << "the outer hourglass comes back";
    }
    EXPECT_EQ(watching.cursorWhileBuilding, crHourGlass);
    EXPECT_EQ(inLoop, crDefault);
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_F(BrowseDialogTest, EscapeCancelsAndKeepsThePath)
{
    const std::wstring given = L"  " + a + L"  ";
    dialog->SetPath(given);
    bool confirmed =
        Run([&](TcxShellBrowserDlg* dlg) { PostKey(dlg->cxStv->InnerTree()->Handle(), VK_ESCAPE); });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(dialog->Path(), given);
}

TEST_F(BrowseDialogTest, ConfirmingWithoutASelectionGivesAnEmptyPath)
{
    struct Case {
        const wchar_t* name;
        std::wstring path;
        std::wstring expected;
    };
    const std::vector<Case> cases = {
        {L"empty path: the root", L"", temp.Path()},
        {L"a path that names nothing", temp.Path() + L"\\nothing", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog->SetPath(c.path);
        bool confirmed = Run([&](TcxShellBrowserDlg* dlg) { dlg->cxButton1->Click(); });
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(dialog->Path(), c.expected);
    }
}

TEST_F(BrowseDialogTest, ReturnWhileALabelIsEditedKeepsTheDialogOpen)
{
    dialog->SetPath(b);
    bool editEnded = false;
    bool confirmed = Run([&](TcxShellBrowserDlg* dlg) {
        TcxInnerShellTreeView* inner = dlg->cxStv->InnerTree();
        HWND edit = inner->EditLabel(inner->Selected());
        ASSERT_NE(edit, nullptr);
        // Return ends the edit; the dialog must still be there for the Escape after it.
        PostKey(edit, VK_RETURN);
        PumpUntil([&] { return inner->EditControl() == nullptr; }, 3000);
        editEnded = inner->EditControl() == nullptr;
        EXPECT_EQ(dlg->ModalResult(), mrNone);
        PostKey(inner->Handle(), VK_ESCAPE);
    });
    EXPECT_TRUE(editEnded);
    EXPECT_FALSE(confirmed) << "Return in the label edit closed the dialog with OK";
}

// A real Down key in the tree: the folder field follows the new selection at once without a
// change delay, and with one only once the delay has passed since the change.
TEST_F(BrowseDialogTest, TheFolderFieldFollowsTheSelectionAfterTheChangeDelay)
{
    for (int delay : {0, 400}) {
        SCOPED_TRACE(delay);
        dialog->SetPath(a);
        std::wstring before, atChange, after, expected;
        ULONGLONG changedAt = 0, followedAt = 0;
        bool selectionMoved = false, fieldFollowed = false;
        Run([&](TcxShellBrowserDlg* dlg) {
            TcxInnerShellTreeView* inner = dlg->cxStv->InnerTree();
            dlg->cxStv->SetChangeDelay(delay);
            SetForegroundWindow(dlg->Handle());
            SetFocus(inner->Handle());
            Drain();
            before = dlg->cxTeFolder->Text();
            HTREEITEM old = inner->Selected();
            INPUT keys[2] = {};
            keys[0].type = keys[1].type = INPUT_KEYBOARD;
            keys[0].ki.wVk = keys[1].ki.wVk = VK_DOWN;
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
            selectionMoved = PumpUntil([&] { return inner->Selected() != old; }, 5000);
            changedAt = GetTickCount64();
            atChange = dlg->cxTeFolder->Text();
            fieldFollowed = PumpUntil([&] { return dlg->cxTeFolder->Text() != before; }, 5000);
            followedAt = GetTickCount64();
            after = dlg->cxTeFolder->Text();
            expected = dlg->ShortenPathToWidth(dlg->cxStv->SelectedPath());
            dlg->SetModalResult(mrCancel);
        });
        ASSERT_TRUE(selectionMoved) << "the key press did not reach the tree";
        ASSERT_TRUE(fieldFollowed);
        EXPECT_EQ(after, expected);
        if (delay == 0) {
            EXPECT_EQ(atChange, expected) << "without a delay the field follows at once";
        } else {
            EXPECT_EQ(atChange, before) << "the field changed before the delay";
            // The tick count moves in steps of up to 16 ms.
            EXPECT_GE(followedAt - changedAt + 16, static_cast<ULONGLONG>(delay));
        }
    }
}

// The component's look-and-feel, found through the container interface as an editor finds a
// control's, leads the running dialog: a change made through it reaches the tree's, the
// field's and both buttons' look-and-feels at once, and the buttons paint in the new style.
TEST_F(BrowseDialogTest, TheComponentsLookAndFeelLeadsTheRunningDialogsControls)
{
    auto* container = dynamic_cast<IcxLookAndFeelContainer*>(static_cast<TComponent*>(dialog));
    ASSERT_NE(container, nullptr) << "the component does not offer the container interface";
    ASSERT_EQ(container->GetLookAndFeel(), dialog->LookAndFeel());
    dialog->LookAndFeel()->SetKind(lfOffice11); // as the main window's description sets it

    auto kinds = [](TcxShellBrowserDlg* dlg) {
        return std::vector<TcxLookAndFeelKind>{
            dlg->cxStv->Style()->LookAndFeel()->Kind(), dlg->cxTeFolder->Style()->LookAndFeel()->Kind(),
            dlg->cxButton1->LookAndFeel()->Kind(), dlg->cxButton2->LookAndFeel()->Kind()};
    };
    auto paintButton = [](TcxButton* button) {
        RECT r;
        GetClientRect(button->Handle(), &r);
        PixelCanvas canvas(r.right, r.bottom);
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()),
                     PRF_CLIENT | PRF_ERASEBKGND);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x)
                pixels.push_back(canvas.At(x, y));
        return pixels;
    };
    std::vector<TcxLookAndFeelKind> atStart, afterChange;
    TcxCustomLookAndFeelPainterClass buttonPainter = nullptr;
    std::vector<COLORREF> officeButton, flatButton;
    bool buttonInvalidated = false;
    Run([&](TcxShellBrowserDlg* dlg) {
        Drain();
        atStart = kinds(dlg);
        officeButton = paintButton(dlg->cxButton1);
        ValidateRect(dlg->cxButton1->Handle(), nullptr);
        container->GetLookAndFeel()->SetKind(lfFlat);
        buttonInvalidated = GetUpdateRect(dlg->cxButton1->Handle(), nullptr, FALSE) != FALSE;
        afterChange = kinds(dlg);
        buttonPainter = dlg->cxButton1->LookAndFeel()->ActivePainter();
        Drain();
        flatButton = paintButton(dlg->cxButton1);
        dlg->SetModalResult(mrCancel);
    });
    EXPECT_EQ(atStart, std::vector<TcxLookAndFeelKind>(4, lfOffice11));
    EXPECT_EQ(afterChange, std::vector<TcxLookAndFeelKind>(4, lfFlat));
    EXPECT_EQ(buttonPainter, TcxFlatLookAndFeelPainter::Instance());
    EXPECT_TRUE(buttonInvalidated) << "the button was not repainted after the change";
    ASSERT_FALSE(officeButton.empty());
    EXPECT_NE(officeButton, flatButton) << "the button paints the same in both styles";
    EXPECT_EQ(dialog->LookAndFeel()->Kind(), lfFlat) << "the component keeps its setting after the run";
}

TEST_F(BrowseDialogTest, MinimumSizeAnchorsAndGrip)
{
    RECT shrunk{}, grown{};
    RECT stvBefore{}, stvAfter{}, okBefore{}, okAfter{}, fieldBefore{}, fieldAfter{};
    LRESULT gripHit = 0, middleHit = 0;
    RECT gripRect{}, clientAfter{};
    int gripPixels = 0;
    bool confirmed = Run([&](TcxShellBrowserDlg* dlg) {
        HWND wnd = dlg->Handle();
        RECT client;
        GetClientRect(wnd, &client);
        EXPECT_EQ(client.right, 308);
        EXPECT_EQ(client.bottom, 358);
        stvBefore = dlg->cxStv->BoundsRect();
        okBefore = dlg->cxButton1->BoundsRect();
        fieldBefore = dlg->cxTeFolder->BoundsRect();
        EXPECT_EQ(stvBefore.left, 12);
        EXPECT_EQ(stvBefore.top, 56);
        EXPECT_EQ(okBefore.right, 214);

        SetWindowPos(wnd, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(wnd, &shrunk);
        RECT w;
        GetWindowRect(wnd, &w);
        SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOSIZE);
        // Grow from the designed size by 50 x 40.
        RECT frame{0, 0, 308, 358};
        AdjustWindowRectEx(&frame, GetWindowLongW(wnd, GWL_STYLE), FALSE, GetWindowLongW(wnd, GWL_EXSTYLE));
        SetWindowPos(wnd, nullptr, 0, 0, frame.right - frame.left + 50, frame.bottom - frame.top + 40,
                     SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(wnd, &grown);
        stvAfter = dlg->cxStv->BoundsRect();
        okAfter = dlg->cxButton1->BoundsRect();
        fieldAfter = dlg->cxTeFolder->BoundsRect();

        GetClientRect(wnd, &client);
        POINT grip{client.right - 2, client.bottom - 2};
        POINT middle{client.right / 2, client.bottom / 2};
        ClientToScreen(wnd, &grip);
        ClientToScreen(wnd, &middle);
        gripHit = SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y));
        gripRect = dlg->GripRect();
        clientAfter = client;
        // The grip is painted by the form's paint handler into its rectangle.
        PixelCanvas canvas(client.right, client.bottom);
        SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_ERASEBKGND);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        for (int y = gripRect.top; y < gripRect.bottom; ++y)
            for (int x = gripRect.left; x < gripRect.right; ++x)
                gripPixels += canvas.At(x, y) != face ? 1 : 0;
        middleHit = SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(middle.x, middle.y));
        PostKey(dlg->cxStv->InnerTree()->Handle(), VK_ESCAPE);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(shrunk.right - shrunk.left, 250);
    EXPECT_EQ(shrunk.bottom - shrunk.top, 300);
    EXPECT_EQ(stvAfter.right - stvAfter.left, (stvBefore.right - stvBefore.left) + 50)
        << "tree anchored on all sides";
    EXPECT_EQ(stvAfter.bottom - stvAfter.top, (stvBefore.bottom - stvBefore.top) + 40);
    EXPECT_EQ(stvAfter.left, stvBefore.left);
    EXPECT_EQ(okAfter.left, okBefore.left + 50) << "OK anchored right and bottom";
    EXPECT_EQ(okAfter.top, okBefore.top + 40);
    EXPECT_EQ(okAfter.right - okAfter.left, 75);
    EXPECT_EQ(fieldAfter.right - fieldAfter.left, (fieldBefore.right - fieldBefore.left) + 50)
        << "the field widens";
    EXPECT_EQ(fieldAfter.bottom - fieldAfter.top, fieldBefore.bottom - fieldBefore.top)
        << "one line high whatever the size";
    EXPECT_EQ(gripHit, HTBOTTOMRIGHT);
    EXPECT_EQ(gripRect.right, clientAfter.right);
    EXPECT_EQ(gripRect.bottom, clientAfter.bottom);
    EXPECT_EQ(gripRect.right - gripRect.left, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(gripRect.bottom - gripRect.top, GetSystemMetrics(SM_CYHSCROLL));
    EXPECT_GT(gripPixels, 0) << "nothing painted in the grip";
    EXPECT_EQ(middleHit, HTCLIENT);
}

TEST_F(BrowseDialogTest, AnUnresolvableRootRaisesAndCleansUp)
{
    dialog->Root()->CustomPath = temp.Path() + L"\\no such folder";
    bool shown = false;
    EXPECT_THROW(Run([&](TcxShellBrowserDlg*) { shown = true; }), EcxEditError);
    EXPECT_FALSE(shown);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_F(BrowseDialogTest, PictureOfTheOpenDialog)
{
    dialog->SetPath(a1);
    dialog->LookAndFeel()->SetKind(lfOffice11);
    bool saved = false;
    Run([&](TcxShellBrowserDlg* dlg) {
        app->ProcessMessages();
        RedrawWindow(dlg->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT w;
        GetWindowRect(dlg->Handle(), &w);
        PixelCanvas canvas(w.right - w.left, w.bottom - w.top);
        HDC screen = GetDC(nullptr);
        BitBlt(canvas.dc(), 0, 0, w.right - w.left, w.bottom - w.top, screen, w.left, w.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        saved = canvas.SaveBmp((ArtifactFolder() / L"browse-dialog.bmp").c_str());
        PostKey(dlg->cxStv->InnerTree()->Handle(), VK_ESCAPE);
    });
    EXPECT_TRUE(saved);
}

// ---- shortening ---------------------------------------------------------------------------

TEST(ShortenPathToWidthTest, ReplacesLeadingDirectoriesFirstThenTheDrive)
{
    // Every character one unit wide, so the widths below can be counted by hand.
    auto length = [](const std::wstring& s) { return static_cast<int>(s.size()); };
    struct Case {
        const wchar_t* path;
        int width;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\aa\\bb\\cc\\name", 100, L"C:\\aa\\bb\\cc\\name"},
        {L"C:\\aa\\bb\\cc\\name", 16, L"C:\\aa\\bb\\cc\\name"},
        {L"C:\\aa\\bb\\cc\\name", 15, L"C:\\...\\cc\\name"},
        {L"C:\\aa\\bb\\cc\\name", 11, L"C:\\...\\name"},
        {L"C:\\aa\\bb\\cc\\name", 10, L"...\\name"},
        {L"C:\\aa\\bb\\cc\\name", 5, L"name"},
        {L"C:\\aa\\bb\\cc\\name", 1, L"name"},
        // A folder whose name starts with a dot is a directory like any other.
        {L"C:\\.a\\name", 9, L"...\\name"},
        {L"C:\\...x\\.b\\name", 13, L"C:\\...\\name"},
        {L"name", 1, L"name"},
        {L"\\\\server\\share\\name", 14, L"\\...\\name"},
        {L"", 0, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShortenPathToWidth(c.path, c.width, length), c.expected) << c.path << " at " << c.width;
}

} // namespace
