// Prints: the time from RunDialog to the selected node of a child of a large folder next to
// the platform's folder picker reaching the same child through BFFM_SETSELECTION (and the
// ratio); the time to expand a folder of 10,000 subfolders in the tree next to a bare
// enumeration with names; GDI objects, task-allocator blocks and tree producers before and
// after 200 open-browse-close cycles of the dialog.
#include "bench/common/BenchClock.h"
#include "shell/cxShellBrowserDialog.h"
#include "shell/cxShellListView.h"
#include "shell/cxShellRegister.h"
#include "runtime/rtApplication.h"
#include "tests/common/AllocationSpy.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <commctrl.h>

namespace {

using bench::Seconds;

int CountGdiObjects()
{
    int count = 0;
    for (UINT_PTR value = 1; value <= 0xFFFF; ++value)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0)
            ++count;
    return count;
}

AllocationSpy g_spy;

// The time spent in each stage the shell code marks, summed over the stages of one run; a
// stage inside another of its kind counts once.
struct StepTimes {
    static constexpr size_t Kinds = static_cast<size_t>(TcxShellStep::Count);
    double total[Kinds] = {};
    double started[Kinds] = {};
    int depth[Kinds] = {};
    int calls[Kinds] = {};
    double Ms(TcxShellStep step) const { return total[static_cast<size_t>(step)] * 1000; }
    int Calls(TcxShellStep step) const { return calls[static_cast<size_t>(step)]; }
};
StepTimes g_steps;

void ObserveStep(TcxShellStep step, bool begin)
{
    const auto i = static_cast<size_t>(step);
    if (begin) {
        ++g_steps.calls[i];
        if (g_steps.depth[i]++ == 0)
            g_steps.started[i] = Seconds();
    } else if (g_steps.depth[i] > 0 && --g_steps.depth[i] == 0) {
        g_steps.total[i] += Seconds() - g_steps.started[i];
    }
}

// The listing stages of a split, and what is left of the whole when they are taken away.
void PrintListingStages(const StepTimes& steps, double wholeMs)
{
    using S = TcxShellStep;
    const double listed = steps.Ms(S::PauseWorker) + steps.Ms(S::BindFolder) + steps.Ms(S::ReadChildren) +
                          steps.Ms(S::SortChildren) + steps.Ms(S::InsertNodes) + steps.Ms(S::QueueFetches);
    std::printf(
        "    pause worker %.1f ms (%d), bind folders %.1f ms (%d), read children %.1f ms (%d), sort %.1f "
        "ms, insert nodes %.1f ms, queue fetches %.1f ms; the rest %.1f ms\n",
        steps.Ms(S::PauseWorker), steps.Calls(S::PauseWorker), steps.Ms(S::BindFolder),
        steps.Calls(S::BindFolder), steps.Ms(S::ReadChildren), steps.Calls(S::ReadChildren),
        steps.Ms(S::SortChildren), steps.Ms(S::InsertNodes), steps.Ms(S::QueueFetches), wholeMs - listed);
}

// RunDialog until the start folder is selected; answers the seconds, or -1 when the
// dialog selected something else.
double TimeOurDialog(TComponent* owner, const std::wstring& target)
{
    g_steps = {};
    TcxShellBrowserDialog dialog(owner);
    dialog.SetPath(target);
    double reached = -1;
    const double start = Seconds();
    dialog.OnShow = [&](TObject* sender) {
        auto* form = static_cast<TcxShellBrowserDlg*>(sender);
        if (form->cxStv->SelectedPath() == target)
            reached = Seconds() - start;
        form->SetModalResult(mrCancel);
    };
    dialog.RunDialog();
    return reached;
}

struct PlatformRun {
    std::wstring target;
    double start = 0;
    double reached = -1;
};

int CALLBACK PlatformCallback(HWND wnd, UINT message, LPARAM lParam, LPARAM data)
{
    auto* run = reinterpret_cast<PlatformRun*>(data);
    if (message == BFFM_INITIALIZED) {
        SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(run->target.c_str()));
    } else if (message == BFFM_SELCHANGED && run->reached < 0) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path) && run->target == path) {
            run->reached = Seconds() - run->start;
            PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return 0;
}

double TimePlatformPicker(const std::wstring& target)
{
    PlatformRun run;
    run.target = target;
    BROWSEINFOW info{};
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &PlatformCallback;
    info.lParam = reinterpret_cast<LPARAM>(&run);
    run.start = Seconds();
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen)
        CoTaskMemFree(chosen);
    return run.reached;
}

// The bare enumeration of a folder's subfolders with their names.
double TimeBareEnumeration(const std::wstring& path, int& count)
{
    UniqueIdList list;
    ULONG eaten = 0;
    std::wstring text = path;
    ComPtr<IShellFolder> desktop = DesktopFolder();
    desktop->ParseDisplayName(nullptr, nullptr, text.data(), &eaten, list.put(), nullptr);
    const double start = Seconds();
    ComPtr<IShellFolder> folder;
    desktop->BindToObject(list.get(), nullptr, IID_IShellFolder, folder.put_void());
    ComPtr<IEnumIDList> items;
    count = 0;
    if (folder && folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.put()) == S_OK) {
        PITEMID_CHILD item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK) {
            ItemDisplayName(folder.get(), item);
            CoTaskMemFree(item);
            ++count;
        }
    }
    return Seconds() - start;
}

// The platform tree's own share of the reach: in a bare tree view of the dialog's tree size, with
// drawing held back, a node with as many children as the large folder (named as the folders are),
// then its middle child selected, which expands the node; best of three, in milliseconds.
double PlatformSelectInLargeNode(HWND parent, int count)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"",
                                    WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                        TVS_SHOWSELALWAYS,
                                    0, 0, 284, 261, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(tree, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
        insert.item.cChildren = 1;
        insert.item.pszText = const_cast<wchar_t*>(L"f2000");
        auto node = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        insert.hParent = node;
        HTREEITEM middle = nullptr;
        for (int i = 1; i <= count; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"sub%05d", i);
            insert.item.pszText = name;
            auto child = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
            if (i == count / 2)
                middle = child;
        }
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        const double start = Seconds();
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(middle));
        best = std::min(best, Seconds() - start);
        DestroyWindow(tree);
    }
    return best * 1000;
}

// What an expansion does beyond the bare enumeration, each part timed alone with the
// platform's own calls: the folder's comparison of each neighbouring pair (the check of the
// sorted order) and the insertion of as many items into a bare tree view.
void PrintExpandSplit(HWND parent, const std::wstring& path)
{
    UniqueIdList list;
    ULONG eaten = 0;
    std::wstring text = path;
    ComPtr<IShellFolder> desktop = DesktopFolder();
    desktop->ParseDisplayName(nullptr, nullptr, text.data(), &eaten, list.put(), nullptr);
    ComPtr<IShellFolder> folder;
    desktop->BindToObject(list.get(), nullptr, IID_IShellFolder, folder.put_void());
    ComPtr<IEnumIDList> items;
    std::vector<UniqueIdList> children;
    if (folder && folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.put()) == S_OK) {
        PITEMID_CHILD item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK)
            children.emplace_back(item);
    }
    double start = Seconds();
    for (size_t i = 1; i < children.size(); ++i)
        folder->CompareIDs(0, children[i - 1].get(), children[i].get());
    const double compare = Seconds() - start;
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 0, 0, 300, 400,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    // Drawing held back, as the tree does while it fills a node.
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    start = Seconds();
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    for (size_t i = 0; i < children.size(); ++i) {
        insert.item.lParam = static_cast<LPARAM>(i);
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    }
    const double inserted = Seconds() - start;
    DestroyWindow(tree);
    // The same with the names as texts below one node, then that node expanded: the platform
    // tree's own share of an expansion.
    std::vector<std::wstring> names;
    names.reserve(children.size());
    for (const UniqueIdList& child : children)
        names.push_back(ItemDisplayName(folder.get(), child.get()));
    tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 0, 0, 300, 400,
                           parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    TVINSERTSTRUCTW top{};
    top.hParent = TVI_ROOT;
    top.hInsertAfter = TVI_LAST;
    top.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    top.item.pszText = const_cast<wchar_t*>(L"f10000");
    top.item.cChildren = 1;
    auto node =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&top)));
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    start = Seconds();
    insert.hParent = node;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.cChildren = 1;
    for (size_t i = 0; i < names.size(); ++i) {
        insert.item.pszText = names[i].data();
        insert.item.lParam = static_cast<LPARAM>(i);
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    }
    const double namedInserted = Seconds() - start;
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    start = Seconds();
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    const double expanded = Seconds() - start;
    DestroyWindow(tree);
    std::printf(
        "  the platform's calls alone: %u neighbour comparisons %.1f ms; %u insertions into a bare tree "
        "view without drawing %.1f ms (texts asked back), %.1f ms (texts given); expanding them %.1f ms\n",
        static_cast<unsigned>(children.size() - 1), compare * 1000, static_cast<unsigned>(children.size()),
        inserted * 1000, namedInserted * 1000, expanded * 1000);
}

// Expands the node of base\name in a tree rooted at base; answers the seconds.
double TimeTreeExpand(TForm* host, const std::wstring& base, const std::wstring& name, int& count)
{
    auto* tree = new TcxShellTreeView(host);
    tree->SetBounds(0, 0, 300, 400);
    // Folders only, as the browse dialog lists them and as the bare enumeration asks.
    tree->Options()->SetShowNonFolders(false);
    tree->Root()->SetBrowseFolder(bfCustomPath);
    tree->Root()->SetCustomPath(base);
    tree->SetParent(host);
    TcxInnerShellTreeView* inner = tree->InnerTree();
    HTREEITEM top = inner->TopLevelItem();
    HTREEITEM node = nullptr;
    for (int i = 0; i < inner->ChildCount(top); ++i)
        if (inner->ItemText(inner->ChildAt(top, i)) == name)
            node = inner->ChildAt(top, i);
    g_steps = {};
    const double start = Seconds();
    if (node)
        inner->Expand(node);
    const double spent = Seconds() - start;
    count = node ? inner->ChildCount(node) : 0;
    delete tree;
    return spent;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_browse C:\\fixtures large-count [--expand]\n");
        return 2;
    }
    const std::wstring base = argv[1];
    const int large = _wtoi(argv[2]);
    // Only the expansion of the large folder, in more rounds (quick checks while tuning).
    const bool expandOnly = argc > 3 && std::wstring(argv[3]) == L"--expand";
    // Only our dialog's reach and its split, without the platform's picker (quick checks).
    const bool reachOnly = argc > 3 && std::wstring(argv[3]) == L"--reach";
    TcxShellModuleScope shellModule;
    RegisterShellClasses();
    TApplication application;
    auto* host = new TForm(&application);
    host->SetBounds(10, 10, 400, 500);
    host->Show();
    application.ProcessMessages();

    wchar_t child[32];
    swprintf(child, 32, L"sub%05d", large / 2);
    const std::wstring target = base + L"\\f" + std::to_wstring(large) + L"\\" + child;

    SetShellStepObserver(&ObserveStep);
    double ours = 1e9;
    StepTimes reachSteps;
    for (int round = 0; round < (expandOnly ? 0 : 5); ++round) {
        double t = TimeOurDialog(host, target);
        if (t < 0) {
            std::printf("dialog: the start folder was not selected\n");
            return 1;
        }
        if (t < ours)
            reachSteps = g_steps;
        ours = std::min(ours, t);
    }
    if (reachOnly) {
        std::printf("reach child of a %d-subfolder folder: dialog %.3f s\n", large, ours);
    } else if (!expandOnly) {
        double platform = TimePlatformPicker(target);
        std::printf("reach child of a %d-subfolder folder: dialog %.3f s, platform picker %.3f s, ratio %.0f "
                    "(target >= 150)\n",
                    large, ours, platform, platform > 0 ? platform / ours : 0.0);
    }
    if (!expandOnly) {
        using S = TcxShellStep;
        const double treeMs = reachSteps.Ms(S::TreeWindow);
        std::printf(
            "  split of the best round: form from its description %.1f ms, settings to the tree %.1f ms, "
            "tree window %.1f ms (navigation %.1f ms), other windows and the show %.1f ms\n",
            reachSteps.Ms(S::DialogForm), reachSteps.Ms(S::DialogSetup), treeMs, reachSteps.Ms(S::Navigate),
            ours * 1000 - reachSteps.Ms(S::DialogForm) - reachSteps.Ms(S::DialogSetup) - treeMs);
        std::printf("  inside the tree window:\n");
        PrintListingStages(reachSteps, treeMs);
        std::printf("    reading the selected path %.1f ms (%d), checking the start folder %.1f ms\n",
                    reachSteps.Ms(S::SelectedPath), reachSteps.Calls(S::SelectedPath),
                    reachSteps.Ms(S::CheckSelection));
        std::printf(
            "    the platform's own, in a bare tree view: selecting the middle one of %d children of a "
            "collapsed node %.1f ms\n",
            large, PlatformSelectInLargeNode(host->Handle(), large));
    }
    if (reachOnly)
        return 0;

    int bareCount = 0, treeCount = 0;
    double bare = 1e9, tree = 1e9;
    StepTimes expandSteps;
    // Best of several rounds: single rounds vary by half their time on a busy machine.
    for (int round = 0; round < (expandOnly ? 9 : 5); ++round) {
        bare = std::min(bare, TimeBareEnumeration(base + L"\\f10000", bareCount));
        const double t = TimeTreeExpand(host, base, L"f10000", treeCount);
        if (t < tree)
            expandSteps = g_steps;
        tree = std::min(tree, t);
    }
    std::printf("expand 10,000 subfolders: tree %.3f s (%d nodes), bare enumeration %.3f s (%d), ratio %.2f "
                "(targets: <= 1 s, <= 1.3)\n",
                tree, treeCount, bare, bareCount, tree / bare);
    std::printf(
        "  split of the best round (the rest: the platform tree's own expansion and notifications):\n");
    PrintListingStages(expandSteps, tree * 1000);
    PrintExpandSplit(host->Handle(), base + L"\\f10000");
    if (expandOnly)
        return 0;

    SetShellStepObserver(nullptr);
    auto cycle = [&] {
        TcxShellBrowserDialog dialog(host);
        dialog.SetPath(base);
        dialog.OnShow = [](TObject* sender) {
            auto* form = static_cast<TcxShellBrowserDlg*>(sender);
            HWND inner = form->cxStv->InnerTree()->Handle();
            SendMessageW(inner, WM_KEYDOWN, VK_RIGHT, 0);
            SendMessageW(inner, WM_KEYDOWN, VK_DOWN, 0);
            form->SetModalResult(mrOk);
        };
        dialog.RunDialog();
        application.ProcessMessages();
    };
    // The spy only for the cycles: with it, every allocation and free of the task allocator
    // scans the table of live blocks, which would make the timings above grow with the
    // number of lists alive instead of measuring the tree.
    if (FAILED(CoRegisterMallocSpy(&g_spy))) {
        std::printf("the allocation spy could not be registered\n");
        return 1;
    }
    cycle();
    cycle();
    const int gdiBefore = CountGdiObjects();
    const size_t blocksBefore = g_spy.Live();
    const int producersBefore = TcxShellTreeItemProducer::LiveCount();
    for (int i = 0; i < 200; ++i)
        cycle();
    std::printf(
        "200 open-browse-close cycles: GDI objects %d -> %d, allocator blocks %u -> %u (%u allocations "
        "watched), tree producers %d -> %d\n",
        gdiBefore, CountGdiObjects(), static_cast<unsigned>(blocksBefore),
        static_cast<unsigned>(g_spy.Live()), static_cast<unsigned>(g_spy.Seen()), producersBefore,
        TcxShellTreeItemProducer::LiveCount());
    CoRevokeMallocSpy();
    return 0;
}
