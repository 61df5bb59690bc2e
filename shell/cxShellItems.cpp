#include "cxShellItems.h"

#include "cxShellGatherer.h"
#include "runtime/rtExceptions.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <unordered_map>

namespace {

constexpr SFGAOF DetailAttributes = SFGAO_FILESYSTEM | SFGAO_HIDDEN | SFGAO_SHARE | SFGAO_LINK |
                                    SFGAO_REMOVABLE | SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK |
                                    SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_HASPROPSHEET | SFGAO_DROPTARGET;
constexpr ULONG MaxEnumBatch = 64;

struct ReadGuard {
    TcxItemsLock& lock;
    ~ReadGuard() { lock.EndRead(); }
};

struct WriteGuard {
    TcxItemsLock& lock;
    ~WriteGuard() { lock.EndWrite(); }
};

// Shows the hourglass while a listing runs; nested listings keep the first saved cursor.
class WaitCursor {
public:
    WaitCursor()
    {
        if (s_depth++ == 0)
            s_saved = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor()
    {
        if (--s_depth == 0)
            SetCursor(s_saved);
    }

private:
    static inline int s_depth = 0;
    static inline HCURSOR s_saved = nullptr;
};

// The parent folder's own icon index for a child, where the folder offers it; -1 otherwise.
int FolderIconOf(IShellFolder* folder, PCItemIDList relative, UINT flags)
{
    if (!folder)
        return -1;
    ComPtr<IShellIcon> shellIcon;
    if (FAILED(folder->QueryInterface(IID_IShellIcon, shellIcon.put_void())) || !shellIcon)
        return -1;
    int index = -1;
    return shellIcon->GetIconOf(relative, flags, &index) == S_OK ? index : -1;
}

// The parent folder's own overlay for a child (0 for none), where the folder offers it;
// -1 otherwise. A question about one relative item: its cost does not grow with the
// number of siblings.
int FolderOverlayOf(IShellFolder* folder, PCItemIDList relative)
{
    if (!folder)
        return -1;
    ComPtr<IShellIconOverlay> overlay;
    if (FAILED(folder->QueryInterface(IID_IShellIconOverlay, overlay.put_void())) || !overlay)
        return -1;
    int index = 0; // a synchronous answer: this runs on the worker
    const HRESULT status = overlay->GetOverlayIndex(relative, &index);
    if (status == S_FALSE)
        return 0; // the folder knows the item has none
    if (FAILED(status))
        return -1;
    return index > 0 ? index : 0;
}

std::string_view ListBytes(PCItemIDList list)
{
    return {reinterpret_cast<const char*>(list), IdListSize(list)};
}

} // namespace

// ---- TcxItemsLock ----

int& TcxItemsLock::ReadCount(std::thread::id thread)
{
    for (auto& reader : m_readers)
        if (reader.first == thread)
            return reader.second;
    m_readers.emplace_back(thread, 0);
    return m_readers.back().second;
}

bool TcxItemsLock::CanRead(std::thread::id thread)
{
    return m_writeDepth == 0 || m_writer == thread;
}

bool TcxItemsLock::CanWrite(std::thread::id thread)
{
    if (m_writeDepth != 0 && m_writer != thread)
        return false;
    return std::all_of(m_readers.begin(), m_readers.end(),
                       [thread](const auto& reader) { return reader.first == thread || reader.second == 0; });
}

void TcxItemsLock::BeginRead()
{
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return CanRead(self); });
    ++ReadCount(self);
}

// The stop request is looked at every few milliseconds rather than through a stop callback:
// with this toolchain's library a stop that races the wake-up of a waiting thread could leave
// that thread blocked for good inside the callback machinery (seen as a hung pause of the
// worker while the user-interface thread held the write side).
template <typename Ready>
bool TcxItemsLock::WaitUntil(std::unique_lock<std::mutex>& lock, const std::stop_token& stop, Ready ready)
{
    while (!ready()) {
        if (stop.stop_requested())
            return false;
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

bool TcxItemsLock::BeginRead(std::stop_token stop)
{
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!WaitUntil(lock, stop, [&] { return CanRead(self); }))
        return false;
    ++ReadCount(self);
    return true;
}

void TcxItemsLock::EndRead()
{
    const auto self = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it =
        std::find_if(m_readers.begin(), m_readers.end(), [self](const auto& r) { return r.first == self; });
    if (it == m_readers.end() || it->second == 0)
        return;
    if (--it->second == 0)
        m_readers.erase(it);
    m_changed.notify_all();
}

void TcxItemsLock::BeginWrite()
{
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return CanWrite(self); });
    m_writer = self;
    ++m_writeDepth;
}

bool TcxItemsLock::BeginWrite(std::stop_token stop)
{
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!WaitUntil(lock, stop, [&] { return CanWrite(self); }))
        return false;
    m_writer = self;
    ++m_writeDepth;
    return true;
}

void TcxItemsLock::EndWrite()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_writeDepth == 0 || m_writer != std::this_thread::get_id())
        return;
    if (--m_writeDepth == 0)
        m_writer = std::thread::id();
    m_changed.notify_all();
}

// ---- TcxShellFolder ----

TcxShellFolder::TcxShellFolder(PCItemIDList absoluteList) : m_absoluteIdList(absoluteList)
{
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (IdListItemCount(absoluteList) > 1 || IdListItemCount(absoluteList) < 0) {
        UniqueIdList parent = IdListParent(absoluteList);
        desktop->BindToObject(parent.get(), nullptr, IID_IShellFolder, m_parentFolder.put_void());
        m_relativeIdList = IdListClone(IdListLastItem(absoluteList));
    } else {
        m_parentFolder = desktop;
        m_relativeIdList = IdListClone(absoluteList);
    }
}

TcxShellFolder::TcxShellFolder(PCItemIDList absoluteList, IShellFolder* parentFolder)
    : m_absoluteIdList(absoluteList), m_parentFolder(ComPtr<IShellFolder>::Copy(parentFolder)),
      m_relativeIdList(IdListClone(IdListLastItem(absoluteList)))
{
}

// ---- TcxShellItemInfo ----

namespace {

// A free list of item-sized blocks carved from chunks that are never returned: the peak of
// items alive at once stays allocated for the rest of the program. (The standard library's
// synchronized pool does the same, measured some 5 ms slower over a 10,000-folder listing.)
class TItemBlocks {
public:
    void* Take()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_free) {
            constexpr std::size_t kPerChunk = 256;
            auto* chunk = static_cast<Block*>(::operator new(sizeof(Block) * kPerChunk));
            for (std::size_t i = 0; i < kPerChunk; ++i) {
                chunk[i].next = m_free;
                m_free = &chunk[i];
            }
        }
        Block* block = m_free;
        m_free = block->next;
        return block;
    }
    void Give(void* p) noexcept
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto* block = static_cast<Block*>(p);
        block->next = m_free;
        m_free = block;
    }

private:
    union Block {
        Block* next;
        alignas(TcxShellItemInfo) unsigned char bytes[sizeof(TcxShellItemInfo)];
    };
    std::mutex m_lock;
    Block* m_free = nullptr;
};

TItemBlocks& ItemBlocks()
{
    // Never destroyed: an item freed during the program's shutdown still finds its list.
    static auto* blocks = new TItemBlocks();
    return *blocks;
}

} // namespace

void* TcxShellItemInfo::operator new(std::size_t size)
{
    if (size != sizeof(TcxShellItemInfo))
        return ::operator new(size);
    return ItemBlocks().Take();
}

void TcxShellItemInfo::operator delete(void* block, std::size_t size) noexcept
{
    if (!block)
        return;
    if (size != sizeof(TcxShellItemInfo)) {
        ::operator delete(block);
        return;
    }
    ItemBlocks().Give(block);
}

TcxShellItemInfo::TcxShellItemInfo(TcxCustomItemProducer* producer, bool placeholder,
                                   PCItemIDList relativeList, PCItemIDList folderList, IShellFolder* folder,
                                   bool knownFolder)
    : OwnerProducer(producer), ItemIdList(IdListClone(relativeList))
{
    Initialize(placeholder, folderList, folder, knownFolder, true);
}

TcxShellItemInfo::TcxShellItemInfo(TcxCustomItemProducer* producer, UniqueIdList relativeList,
                                   PCItemIDList folderList, IShellFolder* folder, bool knownFolder,
                                   bool withFolderInfo)
    : OwnerProducer(producer), ItemIdList(std::move(relativeList))
{
    Initialize(false, folderList, folder, knownFolder, withFolderInfo);
}

void TcxShellItemInfo::Initialize(bool placeholder, PCItemIDList folderList, IShellFolder* folder,
                                  bool knownFolder, bool withFolderInfo)
{
    if (placeholder) {
        DisplayText = L" ";
        IconSlot = GenericFileIcon();
        OpenIconSlot = IconSlot;
    } else {
        InitializeBasics(folder, ItemIdList.get(), knownFolder);
    }
    if (!withFolderInfo)
        return;
    AbsoluteItemIdList = IdListJoin(folderList, ItemIdList.get());
    if (folder)
        ItemFolderInfo = std::make_unique<TcxShellFolder>(AbsoluteItemIdList.get(), folder);
    else if (AbsoluteItemIdList)
        ItemFolderInfo = std::make_unique<TcxShellFolder>(AbsoluteItemIdList.get());
}

TcxShellItemInfo::TcxShellItemInfo(const TcxShellItemInfo& source, int)
    : AllowsRename(source.AllowsRename), AbsoluteItemIdList(IdListClone(source.AbsoluteItemIdList.get())),
      ShowsExpandButton(source.ShowsExpandButton), IconSlot(source.IconSlot), TipText(source.TipText),
      BasicsReady(source.BasicsReady), AcceptsDrops(source.AcceptsDrops), OnFileSystem(source.OnFileSystem),
      IsContainer(source.IsContainer), HiddenItem(source.HiddenItem), LinkItem(source.LinkItem),
      RemovableItem(source.RemovableItem), SharedItem(source.SharedItem), OverlayIndex(source.OverlayIndex),
      OwnerProducer(source.OwnerProducer), DisplayText(source.DisplayText), OpenIconSlot(source.OpenIconSlot),
      ItemIdList(IdListClone(source.ItemIdList.get())), DetailsFetched(source.DetailsFetched),
      FetchRunning(false), IconsExact(source.IconsExact), m_revision(source.m_revision)
{
}

void TcxShellItemInfo::TakeFetchedFields(const TcxShellItemInfo& fetched)
{
    AllowsRename = fetched.AllowsRename;
    ShowsExpandButton = fetched.ShowsExpandButton;
    IconSlot = fetched.IconSlot;
    TipText = fetched.TipText;
    BasicsReady = fetched.BasicsReady;
    AcceptsDrops = fetched.AcceptsDrops;
    OnFileSystem = fetched.OnFileSystem;
    IsContainer = fetched.IsContainer;
    HiddenItem = fetched.HiddenItem;
    LinkItem = fetched.LinkItem;
    RemovableItem = fetched.RemovableItem;
    SharedItem = fetched.SharedItem;
    OverlayIndex = fetched.OverlayIndex;
    DisplayText = fetched.DisplayText;
    OpenIconSlot = fetched.OpenIconSlot;
    DetailsFetched = fetched.DetailsFetched;
    IconsExact = fetched.IconsExact;
}

void TcxShellItemInfo::ApplyGenericIcons()
{
    if (IsContainer) {
        IconSlot = GenericFolderIcon();
        OpenIconSlot = GenericOpenFolderIcon();
    } else {
        IconSlot = GenericFileIcon();
        OpenIconSlot = IconSlot;
    }
}

void TcxShellItemInfo::InitializeBasics(IShellFolder* folder, PCItemIDList list, bool knownFolder)
{
    if (BasicsReady)
        return;
    PCItemIDList last = IdListLastItem(list);
    SFGAOF attributes = SFGAO_FOLDER;
    if (knownFolder) {
        IsContainer = true;
    } else if (folder && last && SUCCEEDED(folder->GetAttributesOf(1, &last, &attributes))) {
        IsContainer = (attributes & SFGAO_FOLDER) != 0;
    } else {
        IsContainer = false;
        OnFileSystem = false;
        AcceptsDrops = true;
        AllowsRename = true;
    }
    ShowsExpandButton = IsContainer;
    DisplayText = ItemDisplayName(folder, list);
    ApplyGenericIcons();
    BasicsReady = true;
}

void TcxShellItemInfo::FetchDetails(IShellFolder* folder, PCItemIDList folderList, bool fast)
{
    if (DetailsFetched || FetchRunning)
        return;
    if (!ItemIdList)
        throw Exception(L"Item object not initialized");
    FetchRunning = true;
    struct RunningGuard {
        bool& flag;
        ~RunningGuard() { flag = false; }
    } guard{FetchRunning};

    InitializeBasics(folder, ItemIdList.get());
    PCItemIDList last = IdListLastItem(ItemIdList.get());
    if (!fast) {
        SFGAOF attributes = DetailAttributes;
        if (folder && SUCCEEDED(folder->GetAttributesOf(1, &last, &attributes))) {
            OnFileSystem = (attributes & SFGAO_FILESYSTEM) != 0;
            HiddenItem = (attributes & SFGAO_HIDDEN) != 0;
            SharedItem = (attributes & SFGAO_SHARE) != 0;
            LinkItem = (attributes & SFGAO_LINK) != 0;
            RemovableItem = (attributes & SFGAO_REMOVABLE) != 0;
            AcceptsDrops = (attributes & SFGAO_DROPTARGET) != 0;
            AllowsRename = (attributes & SFGAO_CANRENAME) != 0;
        }
        OverlayIndex = FolderOverlayOf(folder, last);
    }
    // Icons: the parent's own answer when it gives one; otherwise the generic icon for
    // the item's kind now, and the exact one later from an absolute query.
    if (!IconsExact) {
        const int closed = FolderIconOf(folder, last, 0);
        if (closed >= 0) {
            IconSlot = closed;
            const int open = IsContainer ? FolderIconOf(folder, last, GIL_OPENICON) : -1;
            OpenIconSlot = open >= 0 ? open : closed;
            IconsExact = true;
        } else if (IsContainer) {
            IconSlot = GenericFolderIcon();
            OpenIconSlot = GenericOpenFolderIcon();
        } else {
            IconSlot = GenericIconForName(DisplayText, false);
            OpenIconSlot = GenericIconForName(DisplayText, true);
        }
    }
    if (!fast)
        DetailsFetched = true;
}

void TcxShellItemInfo::FetchExactIcons(PCItemIDList folderList, std::stop_token stop)
{
    UniqueIdList absolute = IdListJoin(folderList, ItemIdList.get());
    if (!absolute)
        return;
    SHFILEINFOW info{};
    // The overlay comes with the same absolute query when the folder did not tell it: the
    // shell then puts it in the icon index's top byte, and asks for an icon to go with it.
    const bool askOverlay = OverlayIndex < 0;
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_TYPENAME;
    if (askOverlay)
        flags |= SHGFI_ICON | SHGFI_OVERLAYINDEX;
    const bool answered = SafeFileInfo(absolute.get(), info, flags);
    if (info.hIcon)
        DestroyIcon(info.hIcon);
    int closed = IconSlot;
    int overlay = OverlayIndex;
    if (answered) {
        closed = askOverlay ? (info.iIcon & 0x00FFFFFF) : info.iIcon;
        if (askOverlay)
            overlay = static_cast<int>((static_cast<unsigned>(info.iIcon) >> 24) & 0xFF);
    }
    if (stop.stop_requested())
        return;
    IconSlot = closed;
    OverlayIndex = overlay;
    if (IsContainer) {
        SHFILEINFOW openInfo{};
        if (SafeFileInfo(absolute.get(), openInfo, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_OPENICON))
            OpenIconSlot = openInfo.iIcon;
    } else {
        OpenIconSlot = IconSlot;
    }
    IconsExact = true;
}

void TcxShellItemInfo::ReplaceIdList(IShellFolder* folder, PCItemIDList folderList,
                                     PCItemIDList newRelativeList)
{
    if (!newRelativeList)
        return;
    // The worker may be publishing into this record: change it under the write side.
    TcxItemsLock* lock = OwnerProducer ? &OwnerProducer->ItemsLock() : nullptr;
    if (lock)
        lock->BeginWrite();
    struct Release {
        TcxItemsLock* lock;
        ~Release()
        {
            if (lock)
                lock->EndWrite();
        }
    } release{lock};
    ItemIdList = IdListClone(newRelativeList);
    // Everything derived from the old list goes with it: the absolute list and the folder
    // info that the add-folder event and the change watch see.
    AbsoluteItemIdList = IdListJoin(folderList, newRelativeList);
    if (AbsoluteItemIdList)
        ItemFolderInfo = folder ? std::make_unique<TcxShellFolder>(AbsoluteItemIdList.get(), folder)
                                : std::make_unique<TcxShellFolder>(AbsoluteItemIdList.get());
    DetailsFetched = false;
    BasicsReady = false;
    IconsExact = false;
    OverlayIndex = -1;
    ++m_revision;
    FetchDetails(folder, folderList, false);
}

// ---- TcxCustomItemProducer ----

TcxCustomItemProducer::TcxCustomItemProducer(IcxShellOwner* ownerControl) : m_ownerControl(ownerControl) {}

TcxCustomItemProducer::~TcxCustomItemProducer()
{
    try {
        ClearItems();
    } catch (...) {
        // Freeing never fails in a way the caller could act on.
    }
}

HWND TcxCustomItemProducer::MessageWindow() const
{
    return m_ownerControl ? m_ownerControl->ShellOwnerWindow() : nullptr;
}

void TcxCustomItemProducer::SendToOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND wnd = MessageWindow();
    if (wnd && IsWindow(wnd))
        SendMessageW(wnd, message, wParam, lParam);
}

void TcxCustomItemProducer::NotifyItemsProduced(int count)
{
    SendToOwner(MsgItemsProduced, static_cast<WPARAM>(count), 0);
}

void TcxCustomItemProducer::NotifyItemUpdated(const TcxFetchRequest& request)
{
    // Posted: the worker never waits for the user-interface thread.
    HWND wnd = MessageWindow();
    if (wnd)
        PostMessageW(wnd, MsgItemUpdated, static_cast<WPARAM>(request.Index), 0);
}

void TcxCustomItemProducer::NotifyItemRemoved(int index)
{
    SendToOwner(MsgItemRemoved, static_cast<WPARAM>(index), 0);
}

void TcxCustomItemProducer::NotifyItemAdded(int index)
{
    SendToOwner(MsgItemAdded, static_cast<WPARAM>(index), 0);
}

void TcxCustomItemProducer::ProduceItems(IShellFolder* folder, PCItemIDList folderIdList, int syncCount)
{
    if (!m_items.empty())
        ClearItems();
    {
        BeginWriteItems();
        WriteGuard guard{m_itemsLock};
        m_listedFolder = ComPtr<IShellFolder>::Copy(folder);
        m_listedIdList = IdListClone(folderIdList);
    }
    PrepareDetails(folder, syncCount);
    EnumerateItems(syncCount);
    if (FetchInBackground()) {
        TcxShellStepScope step(TcxShellStep::QueueFetches);
        QueueUnfetchedItems();
    }
}

bool TcxCustomItemProducer::ReadChildren(std::vector<std::unique_ptr<TcxShellItemInfo>>& items, bool filter,
                                         int syncCount)
{
    if (!m_listedFolder)
        return false;
    ComPtr<IEnumIDList> enumerator;
    const HRESULT status = m_listedFolder->EnumObjects(ForeignParentWindow(), EnumFlags(), enumerator.put());
    if (FAILED(status) || !enumerator)
        return false;

    // Ask for growing batches; an enumerator that refuses several items at once is
    // asked for one at a time from then on.
    ULONG ask = 1;
    bool singleOnly = false;
    PItemIDList batch[MaxEnumBatch];
    // A listing of folders alone gives nothing but folders.
    const DWORD kinds = EnumFlags() & (cxEnumFolders | cxEnumNonFolders);
    const bool foldersOnly = kinds == cxEnumFolders;
    const bool withFolderInfo = ItemsNeedFolderInfo();
    for (;;) {
        ULONG fetched = 0;
        std::fill(std::begin(batch), std::end(batch), nullptr);
        HRESULT next = enumerator->Next(ask, batch, &fetched);
        if (next == E_INVALIDARG && ask > 1) {
            singleOnly = true;
            ask = 1;
            fetched = 0;
            next = enumerator->Next(1, batch, &fetched);
        }
        fetched = std::min(fetched, ask);
        std::vector<UniqueIdList> lists;
        for (ULONG i = 0; i < fetched; ++i)
            lists.emplace_back(batch[i]);
        if (FAILED(next) || fetched == 0)
            break;
        for (auto& list : lists) {
            if (!list)
                continue;
            auto item = std::make_unique<TcxShellItemInfo>(this, std::move(list), m_listedIdList.get(),
                                                           m_listedFolder.get(), foldersOnly, withFolderInfo);
            if (item->DisplayText.empty())
                continue;
            if (filter) {
                if (!CanAddItem(item->ItemFolderInfo.get()))
                    continue;
                if (syncCount > 0) {
                    item->FetchDetails(m_listedFolder.get(), m_listedIdList.get(), false);
                    --syncCount;
                } else {
                    FetchItemOnAdd(item.get());
                }
            }
            items.push_back(std::move(item));
        }
        if (next != S_OK)
            break;
        if (!singleOnly && fetched == ask && ask < MaxEnumBatch)
            ask *= 2;
    }
    return true;
}

void TcxCustomItemProducer::EnumerateItems(int syncCount)
{
    WaitCursor wait;
    {
        BeginWriteItems();
        WriteGuard guard{m_itemsLock};
        ++m_itemsStamp;
        {
            TcxShellStepScope step(TcxShellStep::ReadChildren);
            ReadChildren(m_items, true, syncCount);
        }
        TcxShellStepScope step(TcxShellStep::SortChildren);
        SortItems();
    }
    NotifyItemsProduced(ItemCount());
}

int TcxCustomItemProducer::CompareItems(const TcxShellItemInfo& a, const TcxShellItemInfo& b, bool custom)
{
    int result = 0;
    if (custom && CompareItemsCustom(a.ItemFolderInfo.get(), b.ItemFolderInfo.get(), result))
        return result;
    if (a.IsContainer != b.IsContainer)
        return a.IsContainer ? -1 : 1;
    if (!m_listedFolder)
        return 0;
    const HRESULT status = m_listedFolder->CompareIDs(0, a.ItemIdList.get(), b.ItemIdList.get());
    return FAILED(status) ? 0 : static_cast<short>(LOWORD(status));
}

void TcxCustomItemProducer::SortItems()
{
    BeginWriteItems();
    WriteGuard guard{m_itemsLock};
    ++m_itemsStamp;
    SortByFolderOrder(m_items, true);
}

// Each comparison of the folder can cost a fair part of a microsecond, and a sort makes
// N log N of them. The items are first put in the order of a cheap key that usually
// agrees with the folder (containers first, then the collation of the names); when the
// folder confirms every neighbouring pair, the order is its order, for N - 1 questions.
// Otherwise the folder's comparison sorts the items itself.
void TcxCustomItemProducer::SortByFolderOrder(std::vector<std::unique_ptr<TcxShellItemInfo>>& items,
                                              bool custom)
{
    if (items.size() < 2)
        return;
    // Names of letters and digits alone (generated names, mostly) order alike under the
    // locale's sort key and under their upper-cased characters: digits first, letters without
    // regard to case. Such a listing is keyed without asking the locale for every name; the
    // folder's own comparison below has the last word either way.
    const bool plain = std::all_of(items.begin(), items.end(), [](const auto& item) {
        const std::wstring& name = item->DisplayText;
        return std::all_of(name.begin(), name.end(), [](wchar_t c) {
            return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
        });
    });
    if (plain) {
        // Compared in place: a listing usually comes in this order already, and then one pass
        // over the neighbours is all the cheap order costs.
        const auto upper = [](wchar_t c) {
            return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
        };
        const auto plainLess = [&upper](const std::unique_ptr<TcxShellItemInfo>& a,
                                        const std::unique_ptr<TcxShellItemInfo>& b) {
            if (a->IsContainer != b->IsContainer)
                return a->IsContainer;
            const std::wstring& x = a->DisplayText;
            const std::wstring& y = b->DisplayText;
            return std::lexicographical_compare(
                x.begin(), x.end(), y.begin(), y.end(),
                [&upper](wchar_t p, wchar_t q) { return upper(p) < upper(q); });
        };
        if (!std::is_sorted(items.begin(), items.end(), plainLess))
            std::stable_sort(items.begin(), items.end(), plainLess);
    } else {
        std::vector<std::pair<std::string, size_t>> keyed;
        keyed.reserve(items.size());
        for (size_t i = 0; i < items.size(); ++i)
            keyed.emplace_back(CollationKey(*items[i]), i);
        const auto keyLess = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(keyed.begin(), keyed.end(), keyLess)) {
            std::stable_sort(keyed.begin(), keyed.end(), keyLess);
            std::vector<std::unique_ptr<TcxShellItemInfo>> sorted;
            sorted.reserve(items.size());
            for (const auto& entry : keyed)
                sorted.push_back(std::move(items[entry.second]));
            items = std::move(sorted);
        }
    }
    bool ordered = true;
    for (size_t i = 1; i < items.size() && ordered; ++i)
        ordered = CompareItems(*items[i - 1], *items[i], custom) <= 0;
    if (!ordered)
        std::stable_sort(items.begin(), items.end(), [this, custom](const auto& a, const auto& b) {
            return CompareItems(*a, *b, custom) < 0;
        });
}

std::string TcxCustomItemProducer::CollationKey(const TcxShellItemInfo& item)
{
    std::string key(1, item.IsContainer ? '0' : '1');
    const std::wstring& name = item.DisplayText;
    const int length = static_cast<int>(name.size());
    // One call into a buffer that fits the usual key; only a longer key is asked for its size.
    char local[512];
    std::string large;
    char* bytes = local;
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(), length,
                            reinterpret_cast<LPWSTR>(local), static_cast<int>(sizeof(local)));
    if (size == 0) {
        size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(), length,
                            nullptr, 0);
        if (size <= 0)
            return key;
        large.assign(static_cast<size_t>(size), '\0');
        bytes = large.data();
        size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(), length,
                            reinterpret_cast<LPWSTR>(bytes), size);
    }
    while (size > 0 && bytes[size - 1] == '\0')
        --size;
    key.append(bytes, static_cast<size_t>(std::max(size, 0)));
    return key;
}

void TcxCustomItemProducer::QueueItemFetch(int index, bool priority)
{
    if (TcxShellItemsInfoGatherer* gatherer = InfoGatherer())
        gatherer->QueueRequest(this, index, priority);
}

void TcxCustomItemProducer::QueueUnfetchedItems(int firstInView, int countInView)
{
    // The gatherer guards its queue itself, so queueing never waits for a request that
    // the worker is in the middle of.
    TcxShellItemsInfoGatherer* gatherer = InfoGatherer();
    if (!gatherer)
        return;
    std::vector<int> back, front;
    {
        BeginReadItems();
        ReadGuard guard{m_itemsLock};
        const int count = ItemCount();
        const int viewEnd = std::min(count, firstInView + std::max(countInView, 0));
        back.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (!m_items[static_cast<size_t>(i)]->FetchPending())
                continue;
            (i >= firstInView && i < viewEnd ? front : back).push_back(i);
        }
    }
    gatherer->QueueRequests(this, back, front);
}

void TcxCustomItemProducer::CancelItemFetches()
{
    TcxShellItemsInfoGatherer::CancelRequestsEverywhere(this);
}

void TcxCustomItemProducer::ClearItems()
{
    CancelItemFetches();
    BeginWriteItems();
    WriteGuard guard{m_itemsLock};
    ++m_itemsStamp;
    m_items.clear();
    m_listedFolder.reset();
    m_listedIdList.reset();
}

int TcxCustomItemProducer::FindItemIndex(PCItemIDList relativeList)
{
    BeginReadItems();
    ReadGuard guard{m_itemsLock};
    if (!m_listedFolder || !relativeList)
        return -1;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const HRESULT status = m_listedFolder->CompareIDs(0, m_items[i]->ItemIdList.get(), relativeList);
        if (SUCCEEDED(status) && static_cast<short>(LOWORD(status)) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring TcxCustomItemProducer::ItemInfoTip(HWND ownerWindow, int index)
{
    if (!InfoTipsEnabled())
        return {};
    BeginReadItems();
    ReadGuard guard{m_itemsLock};
    if (index < 0 || index >= ItemCount() || !m_listedFolder)
        return {};
    UniqueIdList item = IdListClone(m_items[static_cast<size_t>(index)]->ItemIdList.get());
    PCItemIDList items[] = {item.get()};
    ComPtr<IQueryInfo> info;
    if (FAILED(
            m_listedFolder->GetUIObjectOf(ownerWindow, 1, items, IID_IQueryInfo, nullptr, info.put_void())) ||
        !info)
        return {};
    ShellMemPtr<wchar_t> tip;
    if (FAILED(info->GetInfoTip(0, tip.put())) || !tip)
        return {};
    return tip.get();
}

void TcxCustomItemProducer::ItemInfoTip(HWND ownerWindow, int index, int bufferSize, wchar_t* buffer)
{
    if (!buffer || bufferSize <= 0)
        return;
    const std::wstring tip = ItemInfoTip(ownerWindow, index);
    const size_t length = std::min(tip.size(), static_cast<size_t>(bufferSize - 1));
    std::copy_n(tip.data(), length, buffer);
    buffer[length] = L'\0';
}

bool TcxCustomItemProducer::RefreshItems()
{
    if (!m_listedFolder)
        return false;
    WaitCursor wait;
    std::vector<std::unique_ptr<TcxShellItemInfo>> fresh;
    if (!ReadChildren(fresh, false, 0))
        return false;
    SortByFolderOrder(fresh, false);

    // Most kept items come back with the same bytes: find those by hash, and fall back
    // to the folder's own comparison for the rest.
    std::unordered_multimap<std::string_view, size_t> byBytes;
    for (size_t j = 0; j < fresh.size(); ++j)
        byBytes.emplace(ListBytes(fresh[j]->ItemIdList.get()), j);
    std::vector<bool> taken(fresh.size(), false);
    auto findFresh = [&](const TcxShellItemInfo& old) -> long {
        auto range = byBytes.equal_range(ListBytes(old.ItemIdList.get()));
        for (auto it = range.first; it != range.second; ++it)
            if (!taken[it->second])
                return static_cast<long>(it->second);
        for (size_t j = 0; j < fresh.size(); ++j) {
            if (taken[j])
                continue;
            const HRESULT status =
                m_listedFolder->CompareIDs(0, fresh[j]->ItemIdList.get(), old.ItemIdList.get());
            if (SUCCEEDED(status) && static_cast<short>(LOWORD(status)) == 0)
                return static_cast<long>(j);
        }
        return -1;
    };

    BeginWriteItems();
    WriteGuard guard{m_itemsLock};
    ++m_itemsStamp;
    for (size_t i = 0; i < m_items.size();) {
        const long match = findFresh(*m_items[i]);
        if (match >= 0) {
            taken[static_cast<size_t>(match)] = true;
            auto& candidate = fresh[static_cast<size_t>(match)];
            // An item whose list is byte for byte the same keeps its record with the details
            // already fetched (rename rights, hidden flag, exact icons); one the folder only
            // calls equal takes the fresh record and has its details fetched again.
            if (ListBytes(candidate->ItemIdList.get()) != ListBytes(m_items[i]->ItemIdList.get())) {
                m_items[i] = std::move(candidate);
                m_items[i]->FetchDetails(m_listedFolder.get(), m_listedIdList.get(), false);
            }
            ++i;
        } else {
            NotifyItemRemoved(static_cast<int>(i));
            m_items.erase(m_items.begin() + static_cast<long>(i));
        }
    }
    byBytes.clear();
    for (size_t j = 0; j < fresh.size(); ++j) {
        if (taken[j] || !CanAddItem(fresh[j]->ItemFolderInfo.get()))
            continue;
        m_items.push_back(std::move(fresh[j]));
        m_items.back()->FetchDetails(m_listedFolder.get(), m_listedIdList.get(), false);
        NotifyItemAdded(ItemCount() - 1);
    }
    return true;
}

TcxCustomItemProducer::TcxFetchOutcome
TcxCustomItemProducer::HandleFetchRequest(int index, std::stop_token stop, IcxFetchGate* gate)
{
    std::unique_ptr<TcxShellItemInfo> work;
    TcxShellItemInfo* target = nullptr;
    unsigned stamp = 0;
    unsigned revision = 0;
    ComPtr<IShellFolder> folder;
    UniqueIdList folderList;
    {
        if (!m_itemsLock.BeginRead(stop))
            return TcxFetchOutcome::Interrupted;
        ReadGuard guard{m_itemsLock};
        if (index < 0 || index >= ItemCount())
            return TcxFetchOutcome::Dropped;
        target = m_items[static_cast<size_t>(index)].get();
        stamp = m_itemsStamp;
        revision = target->m_revision;
        work.reset(new TcxShellItemInfo(*target, 0));
        folder = m_listedFolder;
        // The worker's copy always has its folder info, also when the listing left it out.
        if (!work->AbsoluteItemIdList)
            work->AbsoluteItemIdList = IdListJoin(m_listedIdList.get(), work->ItemIdList.get());
        work->ItemFolderInfo = std::make_unique<TcxShellFolder>(work->AbsoluteItemIdList.get(), folder.get());
        folderList = IdListClone(m_listedIdList.get());
    }
    // The slow part runs on the private copy, without any lock and without touching this
    // producer, which may even go away meanwhile: the gate then refuses to go on.
    if (gate)
        gate->Detach();
    work->FetchDetails(folder.get(), folderList.get(), false);
    if (!work->IconsExact)
        work->FetchExactIcons(folderList.get(), stop);
    if (gate ? !gate->Reattach() : stop.stop_requested())
        return TcxFetchOutcome::Interrupted;
    ItemFetched(work.get());
    work->DetailsFetched = true;

    if (!m_itemsLock.BeginWrite(stop))
        return TcxFetchOutcome::Interrupted;
    WriteGuard guard{m_itemsLock};
    const bool same = stamp == m_itemsStamp && index < ItemCount() &&
                      m_items[static_cast<size_t>(index)].get() == target && target->m_revision == revision;
    if (!same)
        return TcxFetchOutcome::Dropped;
    target->TakeFetchedFields(*work);
    return TcxFetchOutcome::Done;
}
