#include "cxShellControls.h"

#include "cxShellListView.h"
#include "lookandfeel/cxGraphics.h"
#include "runtime/rtApplication.h"

#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace {

// The change events a tree follows (renames, creations, deletions, attribute and image
// updates of items and folders).
constexpr LONG WatchedEvents = 0x2B81F;
// Interrupt-level and shell-level sources, delivered through the lock/unlock entries.
constexpr int WatchSources = 0x8003;
// Posted to itself once per burst of change announcements.
constexpr UINT MsgShellChangesQueued = 0xB147;
// Posted to itself when a node has been listed and expanded: the worker may go on.
constexpr UINT MsgResumeFetching = 0xB148;
// The timer of the refresh that follows a drop.
constexpr UINT_PTR RefreshAfterDropTimer = 0xB141;

struct ReadItemsGuard {
    TcxCustomItemProducer* producer;
    explicit ReadItemsGuard(TcxCustomItemProducer* p) : producer(p) { producer->BeginReadItems(); }
    ~ReadItemsGuard() { producer->EndReadItems(); }
    ReadItemsGuard(const ReadItemsGuard&) = delete;
    ReadItemsGuard& operator=(const ReadItemsGuard&) = delete;
};

struct FlagGuard {
    bool& flag;
    bool saved;
    explicit FlagGuard(bool& f) : flag(f), saved(f) { flag = true; }
    ~FlagGuard() { flag = saved; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;
};

// The overlay image number of an item: the one the shell gave it when the worker asked,
// else the link arrow or the share hand from its attributes, or none. Nothing is asked here,
// so that no absolute query runs on the user-interface thread.
int OverlayNumber(const TcxShellItemInfo& item)
{
    // A node's state holds four bits of overlay: an image list has at most 15 overlays.
    if (item.OverlayIndex > 0 && item.OverlayIndex <= 15)
        return item.OverlayIndex;
    if (item.LinkItem)
        return 2;
    if (item.SharedItem)
        return 1;
    return 0;
}

} // namespace

// ---- producer ------------------------------------------------------------------------------

namespace {
std::atomic<int> g_liveTreeProducers{0};
}

int TcxShellTreeItemProducer::LiveCount() noexcept
{
    return g_liveTreeProducers.load();
}

TcxShellTreeItemProducer::TcxShellTreeItemProducer(TcxCustomInnerShellTreeView* tree, HTREEITEM node,
                                                   unsigned serial)
    : TcxCustomItemProducer(tree), m_tree(tree), m_node(node), m_serial(serial)
{
    ++g_liveTreeProducers;
    m_tree->ProducerCreated(this);
}

TcxShellTreeItemProducer::~TcxShellTreeItemProducer()
{
    ClearItems();
    m_tree->ProducerDestroyed(this);
    --g_liveTreeProducers;
}

DWORD TcxShellTreeItemProducer::EnumFlags()
{
    return m_tree->Options()->EnumFlags();
}

TcxShellItemsInfoGatherer* TcxShellTreeItemProducer::InfoGatherer()
{
    return m_tree->ItemsInfoGatherer();
}

bool TcxShellTreeItemProducer::InfoTipsEnabled()
{
    return m_tree->ShowInfoTips();
}

bool TcxShellTreeItemProducer::CanAddItem(TcxShellFolder* folderInfo)
{
    bool canAdd = true;
    // Without folder info there is no listener to ask (see ItemsNeedFolderInfo).
    if (folderInfo && m_tree->OnAddFolder)
        m_tree->OnAddFolder(m_tree, folderInfo, canAdd);
    return canAdd;
}

bool TcxShellTreeItemProducer::ItemsNeedFolderInfo()
{
    return m_tree->AddFolderListened();
}

void TcxShellTreeItemProducer::NotifyItemsProduced(int count)
{
    if (HWND wnd = MessageWindow())
        SendMessageW(wnd, MsgItemsProduced, static_cast<WPARAM>(count), static_cast<LPARAM>(m_serial));
}

void TcxShellTreeItemProducer::NotifyItemUpdated(const TcxFetchRequest& request)
{
    // Posted from the worker: by the time it arrives the node may be gone, so it names the
    // producer by serial number, which the tree checks against its live producers.
    HWND wnd = MessageWindow();
    if (!wnd)
        return;
    {
        std::lock_guard<std::mutex> lock(m_updatesMutex);
        m_updatedIndexes.push_back(request.Index);
        if (m_updatePosted)
            return; // the message already on its way takes this item along
        m_updatePosted = true;
    }
    PostMessageW(wnd, MsgItemUpdated, static_cast<WPARAM>(request.Index), static_cast<LPARAM>(m_serial));
}

std::vector<int> TcxShellTreeItemProducer::TakeUpdatedIndexes()
{
    std::lock_guard<std::mutex> lock(m_updatesMutex);
    m_updatePosted = false;
    std::vector<int> taken;
    taken.swap(m_updatedIndexes);
    return taken;
}

void TcxShellTreeItemProducer::NotifyItemRemoved(int index)
{
    if (HWND wnd = MessageWindow())
        SendMessageW(wnd, MsgItemRemoved, static_cast<WPARAM>(index), static_cast<LPARAM>(m_serial));
}

void TcxShellTreeItemProducer::NotifyItemAdded(int index)
{
    if (HWND wnd = MessageWindow())
        SendMessageW(wnd, MsgItemAdded, static_cast<WPARAM>(index), static_cast<LPARAM>(m_serial));
}

// ---- root ----------------------------------------------------------------------------------

TcxShellTreeRoot::TcxShellTreeRoot(TcxCustomInnerShellTreeView* tree)
    : TcxCustomShellRoot(tree, nullptr), m_tree(tree)
{
}

void TcxShellTreeRoot::RootResolved()
{
    TcxCustomShellRoot::RootResolved();
    m_tree->RootChanged();
}

// ---- inner tree ----------------------------------------------------------------------------

TcxCustomInnerShellTreeView::TcxCustomInnerShellTreeView(TComponent* owner) : TNativeTreeView(owner)
{
    m_gatherer = std::make_unique<TcxShellItemsInfoGatherer>(this);
    m_root = std::make_unique<TcxShellTreeRoot>(this);
    m_root->OnRootSettingsChanged = [this](TObject*) {
        if (OnTellLinkedRoot && !(IsOwnerLoading && IsOwnerLoading()))
            OnTellLinkedRoot(m_root.get());
    };
    m_dragDropSettings = std::make_unique<TcxDragDropSettings>();
    m_options = std::make_unique<TcxShellTreeViewOptions>(this);
    m_options->OnShowToolTipChanged = [this](TObject*) { ApplyTipStyle(); };
    SHFILEINFOW info{};
    m_systemImages = reinterpret_cast<HIMAGELIST>(
        SafeFileInfo(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (m_systemImages)
        ImageList_SetBkColor(m_systemImages, CLR_NONE);
    SetImageList(m_systemImages);
    SetRightClickSelect(true);
    SetReadOnly(false);
    SetParentColor(false);
    OnDeleteItem = [this](HTREEITEM node, LPARAM data) { DeleteNodeData(node, data); };
    OnNotify = [this](NMHDR* header) { return OnTreeNotify(header); };
    OnKey = [this](UINT msg, WPARAM& key) { return KeyPressed(msg, key); };
    OnSelectionChange = [this] {
        if (OnChange)
            OnChange(this);
    };
    ApplyTipStyle();
}

TcxCustomInnerShellTreeView::~TcxCustomInnerShellTreeView()
{
    Destroying();
    UnregisterChangeWatch();
    // One cancellation for the whole tree: the producers freed below then find nothing of
    // theirs left in the queue.
    m_gatherer->CancelRequests(nullptr);
    if (HandleAllocated())
        DestroyHandle();
    OnDeleteItem = nullptr;
    OnNotify = nullptr;
    OnKey = nullptr;
    OnSelectionChange = nullptr;
    m_gatherer->StopWorker();
}

void TcxCustomInnerShellTreeView::CreateParams(TCreateParams& params)
{
    TNativeTreeView::CreateParams(params);
    params.style &= ~WS_BORDER;
}

bool TcxCustomInnerShellTreeView::IsLoadingNow() const
{
    return IsLoading() || (IsOwnerLoading && IsOwnerLoading());
}

void TcxCustomInnerShellTreeView::HandleCreated()
{
    TNativeTreeView::HandleCreated();
    TcxShellStepScope step(TcxShellStep::TreeWindow);
    m_window = Handle();
    ApplyTipStyle();
    if (!IsLoadingNow()) {
        if (!m_root->IsResolved()) {
            try {
                m_root->ResolveRoot();
            } catch (...) {
                // An unresolvable root leaves the tree empty.
            }
        }
        BuildNode(nullptr, false);
    }
    m_dropTarget = new TcxTreeDropTarget(this);
    if (FAILED(RegisterDragDrop(m_window, m_dropTarget))) {
        m_dropTarget->Detach();
        m_dropTarget->Release();
        m_dropTarget = nullptr;
    }
    if (m_hasPendingSelected) {
        UniqueIdList pending = std::move(m_pendingSelected);
        m_hasPendingSelected = false;
        SelectIdList(pending.get(), m_pendingKnown);
    }
}

void TcxCustomInnerShellTreeView::HandleDestroying()
{
    FlagGuard destroying(m_destroyingWindow);
    UnregisterChangeWatch();
    if (m_dropTarget) {
        RevokeDragDrop(m_window);
        m_dropTarget->Detach();
        m_dropTarget->Release();
        m_dropTarget = nullptr;
    }
    if (HTREEITEM selected = Selected()) {
        m_pendingSelected = NodeIdList(selected);
        m_hasPendingSelected = static_cast<bool>(m_pendingSelected);
        m_pendingKnown = true;
    }
    m_dropRefreshes.clear();
    ResumeExpandPauses(); // their posted messages go with the window
    // The producers go with their nodes while the window can still report the deletions.
    m_gatherer->CancelRequests(nullptr);
    DeleteAll();
    m_window = nullptr;
    TNativeTreeView::HandleDestroying();
}

void TcxCustomInnerShellTreeView::OwnerLoaded()
{
    if (!m_window)
        return;
    if (!m_root->IsResolved()) {
        try {
            m_root->ResolveRoot();
        } catch (...) {
        }
    }
    BuildNode(nullptr, false);
}

void TcxCustomInnerShellTreeView::RootChanged()
{
    if (m_window && !IsLoadingNow()) {
        UnregisterChangeWatch();
        m_gatherer->CancelRequests(nullptr);
        DeleteAll();
        BuildNode(nullptr, false);
    }
    if (OnRootChanged)
        OnRootChanged(this);
}

void TcxCustomInnerShellTreeView::SetShowInfoTips(bool value)
{
    m_showInfoTips = value;
    ApplyTipStyle();
}

void TcxCustomInnerShellTreeView::ApplyTipStyle()
{
    SetToolTips(m_showInfoTips || m_options->ShowToolTip());
    SetInfoTipStyle(m_showInfoTips);
}

void TcxCustomInnerShellTreeView::ProducerCreated(TcxShellTreeItemProducer* producer)
{
    m_producers[producer->Serial()] = producer;
}

void TcxCustomInnerShellTreeView::ProducerDestroyed(TcxShellTreeItemProducer* producer)
{
    m_producers.erase(producer->Serial());
}

TcxShellTreeItemProducer* TcxCustomInnerShellTreeView::ProducerBySerial(unsigned serial) const
{
    auto it = m_producers.find(serial);
    return it == m_producers.end() ? nullptr : it->second;
}

TcxShellTreeItemProducer* TcxCustomInnerShellTreeView::NodeProducer(HTREEITEM node)
{
    return node ? reinterpret_cast<TcxShellTreeItemProducer*>(ItemData(node)) : nullptr;
}

TcxShellItemInfo* TcxCustomInnerShellTreeView::NodeItem(HTREEITEM node)
{
    HTREEITEM parent = ParentItem(node);
    TcxShellTreeItemProducer* producer = NodeProducer(parent);
    int index = IndexOf(node);
    if (!producer || index < 0 || index >= producer->ItemCount())
        return nullptr;
    return producer->Item(index);
}

void TcxCustomInnerShellTreeView::DeleteNodeData(HTREEITEM node, LPARAM data)
{
    delete reinterpret_cast<TcxShellTreeItemProducer*>(data);
}

unsigned TcxCustomInnerShellTreeView::ShowFlags() const
{
    unsigned flags = 0;
    if (m_options->ShowNonFolders())
        flags |= cxsfNonFolders;
    if (m_options->ShowFolders())
        flags |= cxsfFolders;
    if (m_options->ShowHidden())
        flags |= cxsfHidden;
    return flags;
}

// ---- building nodes ------------------------------------------------------------------------

void TcxCustomInnerShellTreeView::BuildNode(HTREEITEM node, bool refresh)
{
    if (IsLoadingNow() || !m_window || !IsWindow(m_window) || !m_root->IsResolved())
        return;
    if (!node) {
        if (HTREEITEM top = TopLevelItem(); top && ItemData(top)) {
            m_gatherer->CancelRequests(nullptr);
            DeleteAll();
        }
        node = TopLevelItem();
        if (!node)
            node = AddItem(nullptr, L"", 0, TVI_LAST, true);
        if (!node)
            return;
    }
    HTREEITEM parent = ParentItem(node);
    if (refresh && parent) {
        // The user moved the selection: tell again whether the folder has children, unless
        // they are already listed.
        if (ChildCount(node) == 0) {
            TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
            if (parentProducer && parentProducer->ListedFolder()) {
                UniqueIdList absolute = NodeIdList(node);
                SetHasChildren(node, ItemHasChildren(parentProducer->ListedFolder(), absolute.get(),
                                                     parentProducer->EnumFlags()));
            }
        }
    } else if (ChildCount(node) == 0) {
        SetHasChildren(node, true);
        if (!PopulateNode(node))
            SetHasChildren(node, false);
    }
    RegisterChangeWatch(nullptr);
}

bool TcxCustomInnerShellTreeView::PopulateNode(HTREEITEM node)
{
    std::optional<TcxShellStepScope> binding(std::in_place, TcxShellStep::BindFolder);
    HTREEITEM parent = ParentItem(node);
    ComPtr<IShellFolder> folder;
    UniqueIdList absolute;
    if (!parent) {
        if (!m_root->RootFolder())
            return false;
        folder = ComPtr<IShellFolder>::Copy(m_root->RootFolder());
        absolute = IdListClone(m_root->RootIdList());
    } else {
        TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
        int index = IndexOf(node);
        if (!parentProducer || !parentProducer->ListedFolder())
            return false;
        ReadItemsGuard read(parentProducer);
        if (index < 0 || index >= parentProducer->ItemCount())
            return false;
        TcxShellItemInfo* item = parentProducer->Item(index);
        SetHasChildren(node, item->IsContainer);
        if (!item->IsContainer)
            return false;
        if (FAILED(parentProducer->ListedFolder()->BindToObject(item->ItemIdList.get(), nullptr,
                                                                IID_IShellFolder, folder.put_void())) ||
            !folder)
            return false;
        absolute = IdListJoin(parentProducer->ListedIdList(), item->ItemIdList.get());
    }
    TcxShellTreeItemProducer* producer = NodeProducer(node);
    if (!producer) {
        producer = new TcxShellTreeItemProducer(this, node, m_nextSerial++);
        SetItemData(node, reinterpret_cast<LPARAM>(producer));
    }
    if (!parent) {
        // The top node alone is named and drawn from its absolute list: one query.
        SHFILEINFOW info{};
        if (SafeFileInfo(absolute.get(), info, SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME)) {
            SetItemText(node, info.szDisplayName);
            SetImageIndex(node, info.iIcon);
        }
        SHFILEINFOW open{};
        if (SafeFileInfo(absolute.get(), open, SHGFI_SYSICONINDEX | SHGFI_OPENICON))
            SetSelectedIndex(node, open.iIcon);
    }
    binding.reset();
    producer->ProduceItems(folder.get(), absolute.get(), 0);
    return true;
}

void TcxCustomInnerShellTreeView::ApplyItemToNode(HTREEITEM node, const TcxShellItemInfo& item)
{
    TVITEMW tv{};
    tv.hItem = node;
    tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    tv.pszText = const_cast<wchar_t*>(item.DisplayText.c_str());
    tv.iImage = item.IconSlot;
    tv.iSelectedImage = item.OpenIconSlot;
    tv.stateMask = TVIS_CUT | TVIS_OVERLAYMASK;
    tv.state = (item.HiddenItem ? TVIS_CUT : 0) | INDEXTOOVERLAYMASK(OverlayNumber(item));
    // The item's answer is a guess made without opening the folder; a node whose folder was
    // opened knows its children, and a node with children shows them.
    TcxShellTreeItemProducer* own = NodeProducer(node);
    if (ChildCount(node) == 0 && !(own && own->ListedFolder())) {
        tv.mask |= TVIF_CHILDREN;
        tv.cChildren = item.ShowsExpandButton ? 1 : 0;
    }
    SendMessageW(m_window, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

void TcxCustomInnerShellTreeView::AddChildNode(HTREEITEM parent, TcxShellTreeItemProducer* producer,
                                               int index)
{
    const TcxShellItemInfo& item = *producer->Item(index);
    HTREEITEM node =
        AddChild(parent, item.DisplayText, 0, item.IconSlot, item.OpenIconSlot, item.ShowsExpandButton);
    if (node && (item.HiddenItem || OverlayNumber(item)))
        ApplyItemToNode(node, item);
}

void TcxCustomInnerShellTreeView::ItemsProduced(int count, unsigned serial)
{
    TcxShellTreeItemProducer* producer = ProducerBySerial(serial);
    if (!producer)
        return;
    HTREEITEM node = producer->OwnerNode();
    DeleteChildren(node);
    if (count == 0) {
        SetHasChildren(node, false);
        return;
    }
    {
        ReadItemsGuard read(producer);
        {
            TcxShellStepScope step(TcxShellStep::InsertNodes);
            BeginUpdate();
            for (int i = 0; i < producer->ItemCount(); ++i)
                AddChildNode(node, producer, i);
            EndUpdate();
        }
        // The children a person sees first get their details first.
        TcxShellStepScope step(TcxShellStep::QueueFetches);
        const int rows = static_cast<int>(SendMessageW(m_window, TVM_GETVISIBLECOUNT, 0, 0));
        producer->QueueUnfetchedItems(0, std::max(rows, 1));
    }
    if (ChildCount(node) == 0)
        SetHasChildren(node, false);
}

void TcxCustomInnerShellTreeView::ItemUpdated(int index, unsigned serial)
{
    TcxShellTreeItemProducer* producer = ProducerBySerial(serial);
    if (!producer) {
        ++m_staleUpdates;
        return;
    }
    std::vector<int> indexes = producer->TakeUpdatedIndexes();
    if (indexes.empty())
        indexes.push_back(index);
    HTREEITEM node = producer->OwnerNode();
    ReadItemsGuard read(producer);
    const bool many = indexes.size() > 16;
    if (many)
        BeginUpdate();
    for (int i : indexes) {
        HTREEITEM child = ChildAt(node, i);
        if (child && i < producer->ItemCount())
            ApplyItemToNode(child, *producer->Item(i));
    }
    if (many)
        EndUpdate();
}

void TcxCustomInnerShellTreeView::ItemRemoved(int index, unsigned serial)
{
    if (TcxShellTreeItemProducer* producer = ProducerBySerial(serial))
        if (HTREEITEM child = ChildAt(producer->OwnerNode(), index))
            DeleteItem(child);
}

void TcxCustomInnerShellTreeView::ItemAdded(int index, unsigned serial)
{
    TcxShellTreeItemProducer* producer = ProducerBySerial(serial);
    if (!producer)
        return;
    HTREEITEM node = producer->OwnerNode();
    ReadItemsGuard read(producer);
    if (index >= 0 && index < producer->ItemCount() && index == ChildCount(node)) {
        AddChildNode(node, producer, index);
        SetHasChildren(node, true);
    }
}

// ---- lists and nodes -----------------------------------------------------------------------

UniqueIdList TcxCustomInnerShellTreeView::NodeIdList(HTREEITEM node)
{
    if (!node)
        return {};
    if (TcxShellTreeItemProducer* producer = NodeProducer(node); producer && producer->ListedIdList())
        return IdListClone(producer->ListedIdList());
    HTREEITEM parent = ParentItem(node);
    if (!parent)
        return IdListClone(m_root->RootIdList());
    // The parent's listed list plus the item's own list: exact, whatever the names are.
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    if (!parentProducer || !parentProducer->ListedIdList())
        return {};
    ReadItemsGuard read(parentProducer);
    int index = IndexOf(node);
    if (index < 0 || index >= parentProducer->ItemCount())
        return {};
    return IdListJoin(parentProducer->ListedIdList(), parentProducer->Item(index)->ItemIdList.get());
}

HTREEITEM TcxCustomInnerShellTreeView::NodeForIdList(PCItemIDList list)
{
    if (!list)
        return nullptr;
    if (!m_root->IsResolved()) {
        try {
            m_root->ResolveRoot();
        } catch (...) {
            return nullptr;
        }
    }
    PCItemIDList rootList = m_root->RootIdList();
    HTREEITEM node = TopLevelItem();
    bool isRoot = false;
    if (!IdListAtOrBelow(rootList, list, &isRoot))
        return nullptr;
    if (isRoot)
        return node;
    PCItemIDList item = list;
    for (int skip = IdListItemCount(rootList); skip > 0 && item; --skip)
        item = IdListNextItem(item);
    while (node && item && item->mkid.cb) {
        TcxShellTreeItemProducer* producer = NodeProducer(node);
        if (!producer)
            return nullptr;
        UniqueIdList single = IdListFirstItem(item);
        int index = producer->FindItemIndex(single.get());
        if (index < 0 || index >= ChildCount(node))
            return nullptr;
        node = ChildAt(node, index);
        item = IdListNextItem(item);
    }
    return node;
}

std::wstring TcxCustomInnerShellTreeView::SelectedPath()
{
    if (IsDestroying() || m_destroyingWindow)
        return {};
    TcxShellStepScope step(TcxShellStep::SelectedPath);
    if (!m_window)
        return m_hasPendingSelected
                   ? IdListToPath(m_pendingSelected ? m_pendingSelected.get() : m_root->RootIdList())
                   : std::wstring();
    HTREEITEM selected = Selected();
    if (!selected)
        return {};
    return NodePath(selected);
}

std::wstring TcxCustomInnerShellTreeView::NodePath(HTREEITEM node)
{
    // Inside a file-system folder a child's path is its parsing name there, asked with its
    // relative list; the folder is a file-system folder when its own parent says so. Nodes
    // nearer the root (the root itself, drives, virtual folders) are asked with their absolute
    // lists.
    HTREEITEM parent = node ? ParentItem(node) : nullptr;
    HTREEITEM grandparent = parent ? ParentItem(parent) : nullptr;
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    TcxShellTreeItemProducer* grandProducer = NodeProducer(grandparent);
    if (parentProducer && grandProducer && parentProducer->ListedFolder() && grandProducer->ListedFolder()) {
        ReadItemsGuard readGrand(grandProducer);
        ReadItemsGuard readParent(parentProducer);
        const int folderIndex = IndexOf(parent);
        const int index = IndexOf(node);
        if (folderIndex >= 0 && folderIndex < grandProducer->ItemCount() && index >= 0 &&
            index < parentProducer->ItemCount() &&
            ItemHasAttributes(grandProducer->ListedFolder(),
                              grandProducer->Item(folderIndex)->ItemIdList.get(), SFGAO_FILESYSTEM))
            return ChildItemPath(parentProducer->ListedFolder(),
                                 parentProducer->Item(index)->ItemIdList.get());
    }
    UniqueIdList list = NodeIdList(node);
    return IdListToPath(list.get());
}

void TcxCustomInnerShellTreeView::SetSelectedPath(const std::wstring& path)
{
    if (IsDestroying())
        return;
    UniqueIdList list = ResolvePath(path, *m_root, ShowFlags() | cxsfHidden, true);
    if (list)
        SelectIdList(list.get(), true);
}

void TcxCustomInnerShellTreeView::SelectIdList(PCItemIDList list)
{
    SelectIdList(list, false);
}

void TcxCustomInnerShellTreeView::SelectIdList(PCItemIDList list, bool known)
{
    if (!m_window) {
        m_pendingSelected = IdListClone(list);
        m_hasPendingSelected = true;
        m_pendingKnown = known;
        return;
    }
    if (list) {
        TcxShellStepScope step(TcxShellStep::CheckSelection);
        if (!IdListAtOrBelow(m_root->RootIdList(), list))
            return;
        // Whether the shell knows a list given from outside; the question starts from the desktop
        // and costs more the more siblings the folder has.
        SHFILEINFOW info{};
        if (!known && !SafeFileInfo(list, info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
            return;
    }
    PCItemIDList target = list ? list : m_root->RootIdList();
    SendMessageW(m_window, MsgNavigate, reinterpret_cast<WPARAM>(target), 0);
    if (OnTellLinkedFolder && target)
        OnTellLinkedFolder(target);
}

void TcxCustomInnerShellTreeView::NavigateToIdList(PCItemIDList list)
{
    if (!list)
        return;
    {
        FlagGuard navigating(m_navigating);
        // Each level is listed as its node is selected: the worker keeps off the shell until
        // the path is open, as while a node is expanded, instead of competing with the listing
        // of the next level. It goes on once the posted message comes round.
        TcxShellStepScope step(TcxShellStep::Navigate);
        if (m_window) {
            TcxShellStepScope pause(TcxShellStep::PauseWorker);
            m_gatherer->PauseFetching();
            ++m_expandPauses;
            PostMessageW(m_window, MsgResumeFetching, 0, 0);
        }
        BeginUpdate();
        struct EndUpdateGuard {
            TNativeTreeView* tree;
            ~EndUpdateGuard() { tree->EndUpdate(); }
        } endUpdate{this};
        int rootCount = IdListItemCount(m_root->RootIdList());
        if (IdListItemCount(list) < rootCount) {
            m_root->SetRootIdList(list);
            if (HTREEITEM top = TopLevelItem())
                Select(top);
        } else {
            HTREEITEM node = TopLevelItem();
            if (!node)
                return;
            Select(node);
            PCItemIDList item = list;
            for (int skip = rootCount; skip > 0 && item; --skip)
                item = IdListNextItem(item);
            while (item && item->mkid.cb) {
                TcxShellTreeItemProducer* producer = NodeProducer(node);
                if (!producer)
                    break;
                UniqueIdList single = IdListFirstItem(item);
                int index = producer->FindItemIndex(single.get());
                HTREEITEM child = index >= 0 ? ChildAt(node, index) : nullptr;
                if (!child)
                    break;
                Select(child);
                node = child;
                item = IdListNextItem(item);
            }
        }
    }
    // At once, not posted: a posted request could name a node that a rebuild freed.
    if (HTREEITEM selected = Selected())
        EnsureVisible(selected);
}

void TcxCustomInnerShellTreeView::SelectLater(PItemIDList list)
{
    m_selectLater.reset(list);
    if (!m_contextMenuOpen && !m_selectLaterPosted && m_window) {
        m_selectLaterPosted = true;
        PostMessageW(m_window, MsgSelectLater, 0, 0);
    }
}

void TcxCustomInnerShellTreeView::ApplyPendingSelectLater()
{
    m_selectLaterPosted = false;
    if (m_contextMenuOpen || !m_selectLater)
        return; // applied when the menu closes
    UniqueIdList list = std::move(m_selectLater);
    bool autoExpand = AutoExpand();
    SetAutoExpand(false);
    NavigateToIdList(list.get());
    if (OnTellLinkedFolder && list)
        OnTellLinkedFolder(list.get());
    SetAutoExpand(autoExpand);
}

bool TcxCustomInnerShellTreeView::AddFolderListened() const
{
    if (!OnAddFolder)
        return false;
    return !HasAddFolderListener || HasAddFolderListener();
}

void TcxCustomInnerShellTreeView::SetContextMenuOpen(bool open)
{
    m_contextMenuOpen = open;
    if (open)
        return;
    // The menu's node was watched while it was up; the selection is watched again after.
    RegisterChangeWatch(nullptr);
    if (m_selectLater)
        ApplyPendingSelectLater();
}

// ---- refresh and change watching -----------------------------------------------------------

void TcxCustomInnerShellTreeView::RefreshKeepingState()
{
    if (!m_window || m_refreshing)
        return;
    if (m_dragOver || m_draggingFromTree) {
        // Rebuilding under a drag would pull the nodes from under it: wait for its end.
        m_refreshPending = true;
        return;
    }
    ++m_refreshCount;
    BeginUpdate();
    FlagGuard refreshing(m_refreshing);
    SendMessageW(m_window, WM_SETREDRAW, FALSE, 0);

    int topIndex = AbsoluteIndex(TopItem());
    std::vector<UniqueIdList> expanded; // null stands for the root
    std::function<void(HTREEITEM)> collect = [&](HTREEITEM node) {
        for (int i = 0, n = ChildCount(node); i < n; ++i) {
            HTREEITEM child = ChildAt(node, i);
            if (Expanded(child) && ChildCount(child) > 0) {
                expanded.push_back(ParentItem(child) ? NodeIdList(child) : UniqueIdList());
                collect(child);
            }
        }
    };
    collect(nullptr);
    UniqueIdList selected;
    if (HTREEITEM s = Selected())
        selected = NodeIdList(s);

    try {
        // One cancellation for all the producers about to go, instead of one scan of the
        // queue for each of them.
        m_gatherer->CancelRequests(nullptr);
        DeleteAll();
        BuildNode(nullptr, false);
    } catch (...) {
        // The nodes that could be built are restored below all the same.
    }

    for (auto& list : expanded) {
        HTREEITEM node = list ? NodeForIdList(list.get()) : TopLevelItem();
        if (node)
            Expand(node);
    }
    if (topIndex >= 0 && topIndex < Count())
        SetTopItem(ItemAtAbsoluteIndex(topIndex));
    if (selected) {
        // Walk up from a folder that went, but never above the root: a refresh keeps it.
        int rootCount = IdListItemCount(m_root->RootIdList());
        while (selected && !NodeForIdList(selected.get())) {
            if (IdListItemCount(selected.get()) <= rootCount) {
                selected = IdListClone(m_root->RootIdList());
                break;
            }
            selected = IdListParent(selected.get());
        }
        if (selected)
            SelectLater(selected.release());
    }
    SendMessageW(m_window, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    EndUpdate();
}

void TcxCustomInnerShellTreeView::HandleShellChange(LONG eventId, PCItemIDList list1, PCItemIDList list2)
{
    if (m_registering || m_refreshing)
        return;
    if (eventId == SHCNE_UPDATEITEM && !NodeForIdList(list1))
        return;
    try {
        RefreshKeepingState();
    } catch (...) {
        if (OnShellChange)
            OnShellChange(this, eventId, list1, list2);
        throw;
    }
    if (OnShellChange)
        OnShellChange(this, eventId, list1, list2);
}

void TcxCustomInnerShellTreeView::RefreshRequest()
{
    if (!m_window)
        return;
    if (!m_root->IsResolved()) {
        try {
            m_root->ResolveRoot();
        } catch (...) {
            return;
        }
    }
    PCItemIDList pair[2] = {m_root->RootIdList(), nullptr};
    SendMessageW(m_window, MsgRefreshRequest, reinterpret_cast<WPARAM>(pair), 0);
}

void TcxCustomInnerShellTreeView::RegisterChangeWatch(HTREEITEM node)
{
    if (m_contextMenuOpen || !m_window)
        return;
    FlagGuard registering(m_registering);
    const TcxShellEntryPoints& entries = ShellEntryPoints();
    if (!m_options->TrackShellChanges() || !TopLevelItem() || !entries.ChangeNotifyRegister) {
        UnregisterChangeWatch();
        return;
    }
    HTREEITEM watched = node ? node : (Selected() ? Selected() : TopLevelItem());
    UniqueIdList list = NodeIdList(watched);
    if (!list)
        return;
    if (m_watchId && IdListEqual(list.get(), m_watchedList.get()))
        return;
    UnregisterChangeWatch();
    TcxShellEntryPoints::ChangeNotifyEntry entry{list.get(), TRUE};
    m_watchId =
        entries.ChangeNotifyRegister(m_window, WatchSources, WatchedEvents, MsgShellNotify, 1, &entry);
    if (m_watchId)
        m_watchedList = std::move(list);
}

void TcxCustomInnerShellTreeView::UnregisterChangeWatch()
{
    if (m_watchId && ShellEntryPoints().ChangeNotifyDeregister)
        ShellEntryPoints().ChangeNotifyDeregister(m_watchId);
    m_watchId = 0;
    m_watchedList.reset();
}

void TcxCustomInnerShellTreeView::ShellNotify(WPARAM wParam, LPARAM lParam)
{
    const TcxShellEntryPoints& entries = ShellEntryPoints();
    if (!entries.LockChangeNotify || !entries.UnlockChangeNotify)
        return;
    PIDLIST_ABSOLUTE* lists = nullptr;
    LONG eventId = 0;
    HANDLE lock = entries.LockChangeNotify(reinterpret_cast<HANDLE>(wParam), static_cast<DWORD>(lParam),
                                           &lists, &eventId);
    if (!lock)
        return;
    UniqueIdList first = lists ? IdListClone(lists[0]) : UniqueIdList();
    UniqueIdList second = lists ? IdListClone(lists[1]) : UniqueIdList();
    entries.UnlockChangeNotify(lock);
    // Announcements come in bursts (a copy of many files): gather them and rebuild once.
    m_queuedChanges.push_back({eventId, std::move(first), std::move(second)});
    if (!m_changesPosted && m_window) {
        m_changesPosted = true;
        PostMessageW(m_window, MsgShellChangesQueued, 0, 0);
    }
}

void TcxCustomInnerShellTreeView::HandleQueuedChanges()
{
    m_changesPosted = false;
    if (m_dragOver || m_draggingFromTree) {
        m_refreshPending = true; // handled when the drag ends, not dropped
        return;
    }
    std::vector<QueuedChange> changes;
    changes.swap(m_queuedChanges);
    if (m_registering || m_refreshing)
        return;
    std::vector<QueuedChange*> relevant;
    for (QueuedChange& change : changes)
        if (change.eventId != SHCNE_UPDATEITEM || NodeForIdList(change.list1.get()))
            relevant.push_back(&change);
    if (relevant.empty())
        return;
    try {
        RefreshKeepingState();
    } catch (...) {
        // The events are reported all the same; the error goes on after them.
        for (QueuedChange* change : relevant)
            if (OnShellChange)
                OnShellChange(this, change->eventId, change->list1.get(), change->list2.get());
        throw;
    }
    for (QueuedChange* change : relevant)
        if (OnShellChange)
            OnShellChange(this, change->eventId, change->list1.get(), change->list2.get());
}

// ---- drag and drop -------------------------------------------------------------------------

ComPtr<IDropTarget> TcxCustomInnerShellTreeView::NodeDropTarget(HTREEITEM node)
{
    ComPtr<IDropTarget> target;
    HTREEITEM parent = ParentItem(node);
    if (!parent) {
        if (IShellFolder* folder = m_root->RootFolder())
            folder->CreateViewObject(m_window, IID_IDropTarget, target.put_void());
        return target;
    }
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    if (!parentProducer || !parentProducer->ListedFolder())
        return target;
    ReadItemsGuard read(parentProducer);
    TcxShellItemInfo* item = NodeItem(node);
    if (!item)
        return target;
    PCItemIDList list = item->ItemIdList.get();
    if (item->IsContainer) {
        ComPtr<IShellFolder> folder;
        if (SUCCEEDED(parentProducer->ListedFolder()->BindToObject(list, nullptr, IID_IShellFolder,
                                                                   folder.put_void())) &&
            folder)
            folder->CreateViewObject(m_window, IID_IDropTarget, target.put_void());
    } else {
        parentProducer->ListedFolder()->GetUIObjectOf(m_window, 1, &list, IID_IDropTarget, nullptr,
                                                      target.put_void());
    }
    return target;
}

void TcxCustomInnerShellTreeView::DroppedOn(HTREEITEM node)
{
    // The folder is remembered by its list, not its node: a rebuild may free the node before
    // the refresh runs. A node never opened has no producer yet and is remembered all the same.
    UniqueIdList list = NodeIdList(node);
    if (!list || !m_window)
        return;
    m_dropRefreshes.push_back(std::move(list));
    PostMessageW(m_window, MsgRefreshAfterDrop, 0, 0);
}

void TcxCustomInnerShellTreeView::RefreshAfterDrop()
{
    // The shell may still be moving or copying when the drop returns: the folder is read
    // again a little later, without holding up the user-interface thread meanwhile.
    if (m_window && !m_dropRefreshes.empty())
        SetTimer(m_window, RefreshAfterDropTimer, 100, nullptr);
}

void TcxCustomInnerShellTreeView::RunDropRefreshes()
{
    KillTimer(m_window, RefreshAfterDropTimer);
    std::vector<UniqueIdList> lists;
    lists.swap(m_dropRefreshes);
    for (const UniqueIdList& list : lists) {
        HTREEITEM node = NodeForIdList(list.get());
        if (!node)
            continue; // the folder went, or is no longer in the tree
        ++m_dropRefreshCount;
        TcxShellTreeItemProducer* producer = NodeProducer(node);
        if (!producer || !producer->RefreshItems())
            BuildNode(node, false);
    }
}

void TcxCustomInnerShellTreeView::ResumeExpandPauses()
{
    for (; m_expandPauses > 0; --m_expandPauses)
        m_gatherer->ResumeFetching();
}

void TcxCustomInnerShellTreeView::DragOverChanged(bool over)
{
    m_dragOver = over;
    if (!over)
        RunPendingRefresh();
}

void TcxCustomInnerShellTreeView::RunPendingRefresh()
{
    if (m_dragOver || m_draggingFromTree || !m_refreshPending)
        return;
    m_refreshPending = false;
    if (!m_queuedChanges.empty())
        HandleQueuedChanges();
    else
        RefreshKeepingState();
}

void TcxCustomInnerShellTreeView::BeginDrag(HTREEITEM node)
{
    if (!node || !m_dragDropSettings->AllowDragObjects())
        return;
    Select(node);
    HTREEITEM parent = ParentItem(node);
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    if (!parent || !parentProducer || !parentProducer->ListedFolder())
        return;
    const unsigned parentSerial = parentProducer->Serial();
    ComPtr<IDataObject> data;
    {
        ReadItemsGuard read(parentProducer);
        TcxShellItemInfo* item = NodeItem(node);
        if (!item)
            return;
        PCItemIDList list = item->ItemIdList.get();
        parentProducer->ListedFolder()->GetUIObjectOf(m_window, 1, &list, IID_IDataObject, nullptr,
                                                      data.put_void());
    }
    if (!data)
        return;
    ComPtr<IDropSource> source = ComPtr<IDropSource>::Attach(new TcxDropSource());
    DWORD effect = DROPEFFECT_NONE;
    {
        FlagGuard dragging(m_draggingFromTree);
        DoDragDrop(data.get(), source.get(), m_dragDropSettings->AllowedEffects(), &effect);
    }
    if (TcxShellTreeItemProducer* after = ProducerBySerial(parentSerial); after && !after->RefreshItems())
        BuildNode(after->OwnerNode(), false);
    RunPendingRefresh();
}

// ---- renaming, context menu, info tips, keys -----------------------------------------------

bool TcxCustomInnerShellTreeView::BeginLabelEdit(HTREEITEM node)
{
    HTREEITEM parent = ParentItem(node);
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    if (!parent || !parentProducer)
        return false;
    ReadItemsGuard read(parentProducer);
    TcxShellItemInfo* item = NodeItem(node);
    if (!item)
        return false;
    if (item->DetailsFetched)
        return item->AllowsRename;
    // Not fetched yet: ask the folder about this one item, with its relative list.
    return parentProducer->ListedFolder() &&
           ItemHasAttributes(parentProducer->ListedFolder(), item->ItemIdList.get(), SFGAO_CANRENAME);
}

bool TcxCustomInnerShellTreeView::EndLabelEdit(HTREEITEM node, const wchar_t* text)
{
    HTREEITEM parent = ParentItem(node);
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    if (!text || !parent || !parentProducer || !parentProducer->ListedFolder())
        return false;
    UnregisterChangeWatch();
    UniqueIdList oldList;
    {
        ReadItemsGuard read(parentProducer);
        if (TcxShellItemInfo* item = NodeItem(node))
            oldList = IdListClone(item->ItemIdList.get());
    }
    bool renamed = false;
    if (oldList) {
        PITEMID_CHILD newList = nullptr;
        HRESULT status = parentProducer->ListedFolder()->SetNameOf(
            m_window, oldList.get(), text, SHGDN_INFOLDER | SHGDN_FORPARSING, &newList);
        UniqueIdList owned(newList);
        if (SUCCEEDED(status) && owned) {
            if (TcxShellItemInfo* item = NodeItem(node)) {
                // The record takes the new list and everything derived from it.
                item->ReplaceIdList(parentProducer->ListedFolder(), parentProducer->ListedIdList(),
                                    owned.get());
                ReadItemsGuard read(parentProducer);
                ApplyItemToNode(node, *item);
            }
            // The children were listed under the old name: list them again when opened.
            bool wasExpanded = Expanded(node);
            DeleteChildren(node);
            if (TcxShellTreeItemProducer* own = NodeProducer(node)) {
                SetItemData(node, 0);
                delete own;
            }
            SetHasChildren(node, true);
            if (wasExpanded)
                Expand(node);
            renamed = true;
        }
    }
    // The watch is registered again whatever the outcome, on the folder as it is now.
    RegisterChangeWatch(nullptr);
    return renamed;
}

bool TcxCustomInnerShellTreeView::ShowContextMenu(POINT screenPoint)
{
    POINT client = screenPoint;
    HTREEITEM node = nullptr;
    if (screenPoint.x == -1 && screenPoint.y == -1) {
        node = Selected();
        if (!node)
            return false;
        RECT r = ItemRect(node, true);
        client = {r.left, r.bottom};
        screenPoint = client;
        ClientToScreen(m_window, &screenPoint);
    } else {
        ScreenToClient(m_window, &client);
        node = HitTest(client);
    }
    // Away from the nodes the control's own popup menu serves.
    if (!node)
        return false;
    HTREEITEM parent = ParentItem(node);
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    // The top node has no menu of the shell's, and none of the control's either.
    if (!parent || !parentProducer || !parentProducer->ListedFolder())
        return true;
    // A copy of the item's list and a reference to its folder: a refresh meanwhile may free
    // the producer and its records.
    UniqueIdList item;
    {
        ReadItemsGuard read(parentProducer);
        if (TcxShellItemInfo* info = NodeItem(node))
            item = IdListClone(info->ItemIdList.get());
    }
    ComPtr<IShellFolder> folder = ComPtr<IShellFolder>::Copy(parentProducer->ListedFolder());
    if (!item)
        return true;
    RegisterChangeWatch(node);
    struct MenuOpen {
        TcxCustomInnerShellTreeView* tree;
        ~MenuOpen() { tree->SetContextMenuOpen(false); }
    } open{this};
    SetContextMenuOpen(true);
    ShowShellContextMenu(m_window, folder.get(), {item.get()}, screenPoint);
    return true;
}

void TcxCustomInnerShellTreeView::InfoTip(NMTVGETINFOTIPW* request)
{
    HTREEITEM parent = ParentItem(request->hItem);
    TcxShellTreeItemProducer* parentProducer = NodeProducer(parent);
    if (!parent || !parentProducer || !request->pszText || request->cchTextMax <= 0)
        return;
    int index = IndexOf(request->hItem);
    parentProducer->ItemInfoTip(m_window, index, request->cchTextMax, request->pszText);
}

bool TcxCustomInnerShellTreeView::KeyPressed(UINT msg, WPARAM key)
{
    if (msg != WM_KEYDOWN)
        return false;
    if (key == VK_F5) {
        RefreshRequest();
        return true;
    }
    if (key == VK_F2 && Selected() && !ReadOnly()) {
        EditLabel(Selected());
        return true;
    }
    return false;
}

void TcxCustomInnerShellTreeView::PaintBuffered()
{
    // The tree draws its background and its items into a buffer that reaches the screen in
    // one copy: an expand or a refresh never shows the empty background first.
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(m_window, &ps);
    if (!dc)
        return;
    struct EndPaintGuard {
        HWND wnd;
        PAINTSTRUCT& ps;
        ~EndPaintGuard() { EndPaint(wnd, &ps); }
    } endPaint{m_window, ps};
    const RECT r = ps.rcPaint;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return;
    TcxPaintBuffer buffer(dc, width, height);
    // The buffer's origin stands for the paint area's top-left corner.
    SetWindowOrgEx(buffer.DC(), r.left, r.top, nullptr);
    DefaultHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(buffer.DC()), PRF_CLIENT | PRF_ERASEBKGND);
    buffer.CopyTo(dc, r.left, r.top, width, height);
}

bool TcxCustomInnerShellTreeView::Allowed(const TcxTreeNodeAllowEvent& event, HTREEITEM node)
{
    bool allow = true;
    if (event)
        event(this, node, allow);
    return allow;
}

LRESULT TcxCustomInnerShellTreeView::OnTreeNotify(NMHDR* header)
{
    switch (header->code) {
    case TVN_ITEMEXPANDINGW: {
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(header);
        HTREEITEM node = nm->itemNew.hItem;
        if (nm->action & TVE_EXPAND) {
            if (!FirstChild(node)) {
                // The worker keeps off the shell while the folder is listed and its nodes go
                // in and are shown: it would compete for the same folder and the icon lock.
                // It goes on once the expansion is through (the posted message comes after it).
                TcxShellStepScope step(TcxShellStep::PauseWorker);
                m_gatherer->PauseFetching();
                ++m_expandPauses;
                PostMessageW(m_window, MsgResumeFetching, 0, 0);
            }
            if (!FirstChild(node) && !PopulateNode(node))
                return TRUE;
            if (!FirstChild(node)) {
                SetHasChildren(node, false);
                return TRUE;
            }
            return Allowed(OnExpanding, node) ? FALSE : TRUE;
        }
        return Allowed(OnCollapsing, node) ? FALSE : TRUE;
    }
    case TVN_ITEMEXPANDEDW: {
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(header);
        const TcxTreeNodeEvent& event = (nm->action & TVE_EXPAND) ? OnExpanded : OnCollapsed;
        if (event)
            event(this, nm->itemNew.hItem);
        return 0;
    }
    case TVN_SELCHANGINGW: {
        // The platform selects the first node when the tree gets the focus with nothing
        // selected; a start path that named no folder means nothing is selected.
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(header);
        if (m_focusing && !nm->itemOld.hItem)
            return TRUE;
        return Allowed(OnChanging, nm->itemNew.hItem) ? FALSE : TRUE;
    }
    case TVN_SELCHANGEDW: {
        // OnChange comes through the wrapper's selection report, after the change delay;
        // the folder is filled now, so that a navigation can go on into it.
        if (HTREEITEM selected = Selected()) {
            BuildNode(selected, !m_navigating);
            // A navigation tells the linked view once, at its end.
            if (!m_navigating && OnTellLinkedFolder)
                if (UniqueIdList folder = NodeIdList(selected))
                    OnTellLinkedFolder(folder.get());
        }
        return 0;
    }
    case TVN_BEGINLABELEDITW: {
        auto* nm = reinterpret_cast<NMTVDISPINFOW*>(header);
        return BeginLabelEdit(nm->item.hItem) && Allowed(OnEditing, nm->item.hItem) ? FALSE : TRUE;
    }
    case TVN_ENDLABELEDITW: {
        auto* nm = reinterpret_cast<NMTVDISPINFOW*>(header);
        if (!nm->item.pszText)
            return FALSE;
        std::wstring text = nm->item.pszText;
        if (OnEdited)
            OnEdited(this, nm->item.hItem, text);
        EndLabelEdit(nm->item.hItem, text.c_str());
        return FALSE; // the label was set from the renamed item, or stays as it was
    }
    case NM_RCLICK: {
        // Answered here rather than through the menu request that follows a right click: the
        // platform may send that request to the container directly. Not answering lets it go
        // on to the control's own popup menu.
        if (!m_options->ContextMenus())
            return FALSE;
        // Where the right click selected a node (the wrapper does so at the cursor).
        POINT at{};
        GetCursorPos(&at);
        return ShowContextMenu(at) ? TRUE : FALSE;
    }
    case TVN_GETINFOTIPW: InfoTip(reinterpret_cast<NMTVGETINFOTIPW*>(header)); return 0;
    case TVN_BEGINDRAGW:
    case TVN_BEGINRDRAGW: BeginDrag(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem); return 0;
    default: return 0;
    }
}

LRESULT TcxCustomInnerShellTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case MsgItemsProduced: ItemsProduced(static_cast<int>(wParam), static_cast<unsigned>(lParam)); return 0;
    case MsgItemUpdated: ItemUpdated(static_cast<int>(wParam), static_cast<unsigned>(lParam)); return 0;
    case MsgItemRemoved: ItemRemoved(static_cast<int>(wParam), static_cast<unsigned>(lParam)); return 0;
    case MsgItemAdded: ItemAdded(static_cast<int>(wParam), static_cast<unsigned>(lParam)); return 0;
    case MsgOptionsChanged:
        if (!IsLoadingNow())
            BuildNode(nullptr, false);
        return 0;
    case MsgNavigate: NavigateToIdList(reinterpret_cast<PCItemIDList>(wParam)); return 0;
    case MsgSyncRoot:
        if (!IsLoadingNow())
            m_root->CopySettingsQuietly(reinterpret_cast<TcxCustomShellRoot*>(wParam));
        return 0;
    case MsgRefreshRequest: {
        auto* pair = reinterpret_cast<PCItemIDList*>(wParam);
        HandleShellChange(static_cast<LONG>(lParam), pair ? pair[0] : nullptr, pair ? pair[1] : nullptr);
        return 0;
    }
    case MsgSelectLater: ApplyPendingSelectLater(); return 0;
    case MsgShellNotify: ShellNotify(wParam, lParam); return 0;
    case MsgShellChangesQueued: HandleQueuedChanges(); return 0;
    case MsgRefreshAfterDrop: RefreshAfterDrop(); return 0;
    case MsgResumeFetching: ResumeExpandPauses(); return 0;
    case WM_TIMER:
        if (wParam == RefreshAfterDropTimer) {
            RunDropRefreshes();
            return 0;
        }
        break;
    case WM_ERASEBKGND: return 1; // the buffered paint fills the background itself
    case WM_PAINT:
        if (wParam)
            break;
        PaintBuffered();
        return 0;
    case WM_SETFOCUS: {
        FlagGuard focusing(m_focusing);
        return TNativeTreeView::WndProc(msg, wParam, lParam);
    }
    case WM_CONTEXTMENU:
        // From the keyboard, or passed on by the platform. Otherwise the request goes on to
        // the container, whose popup menu opens.
        if (m_options->ContextMenus() &&
            ShowContextMenu({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}))
            return 0;
        break;
    default: break;
    }
    if (OnMouseMessage && (msg == WM_MOUSEMOVE || (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK))) {
        LRESULT r = TNativeTreeView::WndProc(msg, wParam, lParam);
        auto hook = OnMouseMessage;
        CallHandler([&] { hook(msg, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); });
        return r;
    }
    return TNativeTreeView::WndProc(msg, wParam, lParam);
}
