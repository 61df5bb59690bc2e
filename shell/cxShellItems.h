// The records of a listed folder's children and the item producer that lists, filters,
// sorts and refreshes them for a shell control, with the lock that guards them.
#pragma once

#include "cxShellCommon.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

class TcxCustomItemProducer;
class TcxShellItemsInfoGatherer;

// A multi-reader/single-writer lock that one thread may take again in either direction:
// a read inside its own write, and a write while it holds reads (it then waits for the
// other readers only). Waits of the background worker can be given up on request.
class TcxItemsLock {
public:
    void BeginRead();
    void EndRead();
    void BeginWrite();
    void EndWrite();
    // Like the above, but give up (answering false) once stop is requested.
    bool BeginRead(std::stop_token stop);
    bool BeginWrite(std::stop_token stop);

private:
    int& ReadCount(std::thread::id thread);
    bool CanRead(std::thread::id thread);
    bool CanWrite(std::thread::id thread);
    void Release();
    // Waits until ready() holds (true) or a stop is requested (false).
    template <typename Ready>
    bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::stop_token& stop, Ready ready);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread::id m_writer;
    int m_writeDepth = 0;
    std::vector<std::pair<std::thread::id, int>> m_readers;
};

// One item as a shell control's OnAddFolder event sees it.
class TcxShellFolder {
public:
    // From an absolute list: the parent is bound from the desktop.
    explicit TcxShellFolder(PCItemIDList absoluteList);
    // From an absolute list whose parent folder is already known.
    TcxShellFolder(PCItemIDList absoluteList, IShellFolder* parentFolder);

    PCItemIDList AbsoluteIdList() const noexcept { return m_absoluteIdList; }
    IShellFolder* ParentFolder() const noexcept { return m_parentFolder.get(); }
    PCItemIDList RelativeIdList() const noexcept { return m_relativeIdList.get(); }

private:
    PCItemIDList m_absoluteIdList; // borrowed from the item
    ComPtr<IShellFolder> m_parentFolder;
    UniqueIdList m_relativeIdList;
};

// One child of a listed folder.
class TcxShellItemInfo {
public:
    // knownFolder: the item came from a listing of folders only, so it is a container
    // without asking (that question scans the folder on some file systems).
    TcxShellItemInfo(TcxCustomItemProducer* producer, bool placeholder, PCItemIDList relativeList,
                     PCItemIDList folderList, IShellFolder* folder, bool knownFolder = false);
    // Takes over a relative list that the caller owns (one the folder's listing gave).
    // Without withFolderInfo the absolute list and the folder info stay empty.
    TcxShellItemInfo(TcxCustomItemProducer* producer, UniqueIdList relativeList, PCItemIDList folderList,
                     IShellFolder* folder, bool knownFolder, bool withFolderInfo);
    TcxShellItemInfo(const TcxShellItemInfo&) = delete;
    TcxShellItemInfo& operator=(const TcxShellItemInfo&) = delete;
    // Items come and go by the thousand with each large folder: they live in chunks that are
    // kept for the next listing instead of one heap block each.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;

    // Reads the basic data once: container or not, display name, generic icons.
    void InitializeBasics(IShellFolder* folder, PCItemIDList list, bool knownFolder = false);
    // Fast mode: icons only. Full mode: attributes and icons; icons that only an
    // absolute query would give exactly are left generic until FetchExactIcons.
    void FetchDetails(IShellFolder* folder, PCItemIDList folderList, bool fast);
    // The exact system icons, asked with the absolute list (cost grows with siblings).
    // Gives up, changing nothing, when stop is requested between the two queries.
    void FetchExactIcons(PCItemIDList folderList, std::stop_token stop = {});
    // After a rename: takes the new relative list and reads everything again.
    void ReplaceIdList(IShellFolder* folder, PCItemIDList folderList, PCItemIDList newRelativeList);
    // Whether the background worker still has something to fetch for this item.
    bool FetchPending() const noexcept { return !DetailsFetched || !IconsExact; }

    bool AllowsRename = false;
    std::vector<std::wstring> ColumnTexts;
    std::unique_ptr<TcxShellFolder> ItemFolderInfo;
    UniqueIdList AbsoluteItemIdList;
    bool ShowsExpandButton = false;
    int IconSlot = -1;
    std::wstring TipText;
    bool BasicsReady = false;
    bool AcceptsDrops = false;
    bool OnFileSystem = false;
    bool IsContainer = false;
    bool HiddenItem = false;
    bool LinkItem = false;
    bool RemovableItem = false;
    bool SharedItem = false;
    // The overlay image the shell gives the item (1-based as the image list counts; 0 for
    // none); -1 until the shell was asked. Any overlay the shell knows, not only the link
    // arrow and the share hand.
    int OverlayIndex = -1;
    TcxCustomItemProducer* OwnerProducer;
    std::wstring DisplayText;
    int OpenIconSlot = -1;
    UniqueIdList ItemIdList;
    bool DetailsFetched = false;
    bool FetchRunning = false;
    bool IconsExact = false; // IconSlot/OpenIconSlot are the item's own, not generic ones

private:
    friend class TcxCustomItemProducer;
    // A private copy of the fields a background fetch reads, so that it runs without lock.
    TcxShellItemInfo(const TcxShellItemInfo& source, int);
    void TakeFetchedFields(const TcxShellItemInfo& fetched);
    void ApplyGenericIcons();
    void Initialize(bool placeholder, PCItemIDList folderList, IShellFolder* folder, bool knownFolder,
                    bool withFolderInfo);
    unsigned m_revision = 0; // raised whenever the item's list changes
};

// Lets the worker leave its busy state while it works on private copies only, so that a
// pause does not have to wait for the shell's slow queries.
class IcxFetchGate {
public:
    // From now on the worker touches no producer until Reattach.
    virtual void Detach() = 0;
    // Answers whether the worker may go on with the request (no pause, cancel or end
    // came meanwhile); when it may, it is busy again.
    virtual bool Reattach() = 0;

protected:
    ~IcxFetchGate() = default;
};

// One fetch request of the background gatherer.
struct TcxFetchRequest {
    TcxCustomItemProducer* Producer;
    int Index;
    bool Priority;
};

// Lists one folder's children for a shell control. A derived producer calls ClearItems
// first thing in its destructor: the background worker may be serving one of its
// requests and calls its virtual operations until the cancellation has returned.
class TcxCustomItemProducer {
public:
    explicit TcxCustomItemProducer(IcxShellOwner* ownerControl);
    TcxCustomItemProducer(const TcxCustomItemProducer&) = delete;
    TcxCustomItemProducer& operator=(const TcxCustomItemProducer&) = delete;
    virtual ~TcxCustomItemProducer();

    virtual bool FetchInBackground() = 0;
    virtual bool CanAddItem(TcxShellFolder* folderInfo) { return true; }
    // Whether listed items need their absolute list and folder info (CanAddItem and custom
    // sorting look at it). Answering false spares three allocations per listed item; the
    // item's ItemFolderInfo and AbsoluteItemIdList then stay empty.
    virtual bool ItemsNeedFolderInfo() { return true; }
    virtual bool CompareItemsCustom(TcxShellFolder* a, TcxShellFolder* b, int& result) { return false; }
    virtual void SortItems();
    virtual DWORD EnumFlags() = 0;
    virtual TcxShellItemsInfoGatherer* InfoGatherer() = 0;
    virtual bool InfoTipsEnabled() = 0;
    virtual void FetchItemOnAdd(TcxShellItemInfo* item) {}
    // Called after a background fetch, on the worker thread, with a private copy of the
    // item that is then published under the write side.
    virtual void ItemFetched(TcxShellItemInfo* item) {}
    virtual void ProduceItems(IShellFolder* folder, PCItemIDList folderIdList, int syncCount);
    virtual void PrepareDetails(IShellFolder* folder, int syncCount) {}
    virtual void NotifyItemsProduced(int count);
    virtual void NotifyItemUpdated(const TcxFetchRequest& request);
    virtual void NotifyItemRemoved(int index);
    virtual void NotifyItemAdded(int index);
    // The window that receives the producer's messages; null while there is none.
    virtual HWND MessageWindow() const;
    // The owner window handed to the shell's listing calls.
    virtual HWND ForeignParentWindow() const { return nullptr; }

    void BeginReadItems() { m_itemsLock.BeginRead(); }
    void EndReadItems() { m_itemsLock.EndRead(); }
    void BeginWriteItems() { m_itemsLock.BeginWrite(); }
    void EndWriteItems() { m_itemsLock.EndWrite(); }
    TcxItemsLock& ItemsLock() noexcept { return m_itemsLock; }

    void EnumerateItems(int syncCount);
    // Queues every item with something left to fetch; the items in view (a range of
    // indexes) go to the front of the queue in their order.
    void QueueUnfetchedItems(int firstInView = 0, int countInView = 0);
    void QueueItemFetch(int index, bool priority);
    void CancelItemFetches();
    void ClearItems();
    int FindItemIndex(PCItemIDList relativeList);
    std::wstring ItemInfoTip(HWND ownerWindow, int index);
    void ItemInfoTip(HWND ownerWindow, int index, int bufferSize, wchar_t* buffer);
    bool RefreshItems();

    // Read under one side of ItemsLock.
    const std::vector<std::unique_ptr<TcxShellItemInfo>>& Items() const noexcept { return m_items; }
    int ItemCount() const noexcept { return static_cast<int>(m_items.size()); }
    TcxShellItemInfo* Item(int index) const { return m_items.at(static_cast<size_t>(index)).get(); }
    PCItemIDList ListedIdList() const noexcept { return m_listedIdList.get(); }
    IShellFolder* ListedFolder() const noexcept { return m_listedFolder.get(); }
    IcxShellOwner* OwnerControl() const noexcept { return m_ownerControl; }

    enum class TcxFetchOutcome { Done, Dropped, Interrupted };
    // Serves one background request on the worker thread; gives up, leaving the item as
    // it was, when stop is requested while it waits for the lock.
    TcxFetchOutcome HandleFetchRequest(int index, std::stop_token stop, IcxFetchGate* gate = nullptr);

protected:
    // Lists the folder into a new vector of records (names read, nothing fetched).
    bool ReadChildren(std::vector<std::unique_ptr<TcxShellItemInfo>>& items, bool filter, int syncCount);
    int CompareItems(const TcxShellItemInfo& a, const TcxShellItemInfo& b, bool custom);
    void SortByFolderOrder(std::vector<std::unique_ptr<TcxShellItemInfo>>& items, bool custom);
    static std::string CollationKey(const TcxShellItemInfo& item);
    void SendToOwner(UINT message, WPARAM wParam, LPARAM lParam);

private:
    std::vector<std::wstring> m_columnDetails;
    UniqueIdList m_listedIdList;
    std::vector<std::unique_ptr<TcxShellItemInfo>> m_items;
    TcxItemsLock m_itemsLock;
    IcxShellOwner* m_ownerControl;
    ComPtr<IShellFolder> m_listedFolder;
    unsigned m_itemsStamp = 0; // raised on every change of the item vector
};
