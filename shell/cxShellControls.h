// The inner shell tree: the platform tree view filled lazily with the shell namespace
// below a root, one item producer per opened node, kept in step with the file system
// through change notifications, with renaming in place, the shell's context menu and
// info tips.
#pragma once

#include "cxShellDragDrop.h"
#include "cxShellGatherer.h"
#include "cxShellItems.h"
#include "cxShellRoots.h"
#include "runtime/rtStdCtrls.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class TcxCustomInnerShellTreeView;

// Lists the children of one tree node. Messages it sends or posts carry its serial number,
// never its address, so that one arriving after the node went is recognised and dropped.
class TcxShellTreeItemProducer : public TcxCustomItemProducer {
public:
    TcxShellTreeItemProducer(TcxCustomInnerShellTreeView* tree, HTREEITEM node, unsigned serial);
    ~TcxShellTreeItemProducer() override;

    HTREEITEM OwnerNode() const noexcept { return m_node; }
    unsigned Serial() const noexcept { return m_serial; }
    // Tree producers alive in the process (leak checks).
    static int LiveCount() noexcept;

    bool FetchInBackground() override { return true; }
    DWORD EnumFlags() override;
    TcxShellItemsInfoGatherer* InfoGatherer() override;
    bool InfoTipsEnabled() override;
    bool CanAddItem(TcxShellFolder* folderInfo) override;
    // Only the tree's OnAddFolder event looks at an item's folder info.
    bool ItemsNeedFolderInfo() override;
    void NotifyItemsProduced(int count) override;
    void NotifyItemUpdated(const TcxFetchRequest& request) override;
    void NotifyItemRemoved(int index) override;
    void NotifyItemAdded(int index) override;
    // The items the worker finished since the last call; the worker posts one message
    // for all the items it finishes before the tree gets round to them.
    std::vector<int> TakeUpdatedIndexes();

private:
    TcxCustomInnerShellTreeView* m_tree;
    std::mutex m_updatesMutex;
    std::vector<int> m_updatedIndexes;
    bool m_updatePosted = false;
    HTREEITEM m_node;
    unsigned m_serial;
};

// The root of a shell tree: a new root rebuilds the tree.
class TcxShellTreeRoot : public TcxCustomShellRoot {
public:
    TcxShellTreeRoot(TcxCustomInnerShellTreeView* tree);
    const wchar_t* ClassName() const override { return L"TcxShellTreeRoot"; }
    void RootResolved() override;

private:
    TcxCustomInnerShellTreeView* m_tree;
};

using TcxShellAddFolderEvent = std::function<void(TObject* sender, TcxShellFolder* folder, bool& canAdd)>;
// The native tree's node events: a node, and whether the step may go on.
using TcxTreeNodeEvent = std::function<void(TObject* sender, HTREEITEM node)>;
using TcxTreeNodeAllowEvent = std::function<void(TObject* sender, HTREEITEM node, bool& allow)>;
using TcxTreeEditedEvent = std::function<void(TObject* sender, HTREEITEM node, std::wstring& text)>;
using TcxShellChangeEvent =
    std::function<void(TObject* sender, LONG eventId, PCItemIDList list1, PCItemIDList list2)>;

class TcxCustomInnerShellTreeView : public TNativeTreeView, public IcxShellOwner, private IcxDropTargetOwner {
public:
    explicit TcxCustomInnerShellTreeView(TComponent* owner);
    ~TcxCustomInnerShellTreeView() override;
    const wchar_t* ClassName() const override { return L"TcxCustomInnerShellTreeView"; }

    // Read by the background worker too.
    HWND ShellOwnerWindow() const override { return m_window.load(); }

    TcxShellTreeRoot* Root() noexcept { return m_root.get(); }
    TcxShellTreeViewOptions* Options() noexcept { return m_options.get(); }
    TcxDragDropSettings* DragDropSettings() noexcept { return m_dragDropSettings.get(); }
    TcxShellItemsInfoGatherer* ItemsInfoGatherer() noexcept { return m_gatherer.get(); }
    bool ShowInfoTips() const noexcept { return m_showInfoTips; }
    void SetShowInfoTips(bool value);

    // The selected folder's file-system path; setting resolves the text under the root.
    std::wstring SelectedPath();
    void SetSelectedPath(const std::wstring& path);
    // Selects the folder of an absolute list (null: the root); kept until the window exists.
    void SelectIdList(PCItemIDList list);
    // The node of an absolute list among the nodes that exist; nothing is listed.
    HTREEITEM NodeForIdList(PCItemIDList list);
    // A new absolute list of the node's folder; null when it cannot be told.
    UniqueIdList NodeIdList(HTREEITEM node);
    // The file-system path of the node's folder; empty for a folder outside the file system.
    std::wstring NodePath(HTREEITEM node);
    TcxShellTreeItemProducer* NodeProducer(HTREEITEM node);
    // The item record that a node stands for (null for the top node), read under the
    // parent producer's lock by the caller.
    TcxShellItemInfo* NodeItem(HTREEITEM node);
    // Rebuilds the nodes, keeping the expanded nodes, the top node and the selection.
    void RefreshKeepingState();
    // The F5 key: a forced refresh that reports event 0.
    void RefreshRequest();
    void HandleShellChange(LONG eventId, PCItemIDList list1, PCItemIDList list2);

    // Live producers by serial number.
    size_t ProducerCount() const noexcept { return m_producers.size(); }
    TcxShellTreeItemProducer* ProducerBySerial(unsigned serial) const;
    // Counters that tests read: posted item updates dropped because their node had gone.
    int StaleUpdatesDropped() const noexcept { return m_staleUpdates; }
    // How many times the nodes were rebuilt keeping their state.
    int RefreshCount() const noexcept { return m_refreshCount; }
    bool ChangeWatchRegistered() const noexcept { return m_watchId != 0; }
    PCItemIDList WatchedIdList() const noexcept { return m_watchedList.get(); }
    bool Navigating() const noexcept { return m_navigating; }
    bool ContextMenuOpen() const noexcept { return m_contextMenuOpen; }
    // The drop target registered for the window (null while there is none).
    IDropTarget* DropTarget() const noexcept { return m_dropTarget; }
    // A refresh waits for a drag over or from the tree to end.
    bool RefreshPending() const noexcept { return m_refreshPending; }
    // Folders read again after drops on them (a drop is followed by one after 100 ms).
    int DropRefreshCount() const noexcept { return m_dropRefreshCount; }
    // Marks a context menu as open (as ShowContextMenu does while the menu runs).
    void SetContextMenuOpen(bool open);

    TcxShellAddFolderEvent OnAddFolder;
    // For a container that forwards OnAddFolder to an event of its own: whether that event has
    // a handler. A listing then builds each item's folder info only for a real listener (three
    // allocations and a reference per item). Unset: OnAddFolder itself tells.
    std::function<bool()> HasAddFolderListener;
    // Whether anyone looks at the folders a listing adds.
    bool AddFolderListened() const;
    TcxShellChangeEvent OnShellChange;
    // Every mouse message of the tree, after the tree handled it (p in the tree's coordinates).
    std::function<void(UINT msg, WPARAM keyFlags, POINT p)> OnMouseMessage;
    TNotifyEvent OnChange;
    TNotifyEvent OnRootChanged;
    // A linked view is told what the tree shows: the folder now selected (an absolute list,
    // valid during the call) and each change of the root's settings.
    std::function<void(PCItemIDList folder)> OnTellLinkedFolder;
    std::function<void(TcxCustomShellRoot* root)> OnTellLinkedRoot;
    TcxTreeNodeAllowEvent OnChanging;
    TcxTreeNodeAllowEvent OnExpanding;
    TcxTreeNodeEvent OnExpanded;
    TcxTreeNodeAllowEvent OnCollapsing;
    TcxTreeNodeEvent OnCollapsed;
    TcxTreeNodeAllowEvent OnEditing;
    TcxTreeEditedEvent OnEdited;

    // Whether the container is loading from a description (nothing is built meanwhile).
    std::function<bool()> IsOwnerLoading;

    // Used by the producers.
    void ProducerCreated(TcxShellTreeItemProducer* producer);
    void ProducerDestroyed(TcxShellTreeItemProducer* producer);
    void RootChanged();
    void OwnerLoaded();
    void BuildNode(HTREEITEM node, bool refresh);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void HandleDestroying() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnTreeNotify(NMHDR* header);
    bool Allowed(const TcxTreeNodeAllowEvent& event, HTREEITEM node);
    void PaintBuffered();
    bool PopulateNode(HTREEITEM node);
    void ItemsProduced(int count, unsigned serial);
    void ItemUpdated(int index, unsigned serial);
    void ItemRemoved(int index, unsigned serial);
    void ItemAdded(int index, unsigned serial);
    void AddChildNode(HTREEITEM parent, TcxShellTreeItemProducer* producer, int index);
    void ApplyItemToNode(HTREEITEM node, const TcxShellItemInfo& item);
    void NavigateToIdList(PCItemIDList list);
    // known: the shell gave the list just now (a path it resolved, a node it listed), so it
    // need not be asked again whether it knows the list.
    void SelectIdList(PCItemIDList list, bool known);
    void SelectLater(PItemIDList list);
    void ApplyPendingSelectLater();
    void RegisterChangeWatch(HTREEITEM node);
    void UnregisterChangeWatch();
    void ShellNotify(WPARAM wParam, LPARAM lParam);
    void HandleQueuedChanges();
    void ApplyTipStyle();
    bool IsLoadingNow() const;
    bool BeginLabelEdit(HTREEITEM node);
    bool EndLabelEdit(HTREEITEM node, const wchar_t* text);
    // The shell's menu of the node at the point; false when no node is there.
    bool ShowContextMenu(POINT screenPoint);
    void InfoTip(NMTVGETINFOTIPW* request);
    void DeleteNodeData(HTREEITEM node, LPARAM data);
    void BeginDrag(HTREEITEM node);
    void RefreshAfterDrop();
    void RunDropRefreshes();
    void ResumeExpandPauses();
    void RunPendingRefresh();
    // IcxDropTargetOwner
    HTREEITEM DropNodeAt(POINT clientPoint) override { return HitTest(clientPoint); }
    ComPtr<IDropTarget> NodeDropTarget(HTREEITEM node) override;
    void HighlightDropNode(HTREEITEM node, bool on) override { SetDropHighlighted(node, on); }
    void DroppedOn(HTREEITEM node) override;
    void DragOverChanged(bool over) override;
    HWND DropWindow() const override { return m_window; }
    DWORD DefaultDropEffect() const override { return m_dragDropSettings->DefaultEffect(); }
    bool KeyPressed(UINT msg, WPARAM key);
    unsigned ShowFlags() const;

    std::atomic<HWND> m_window{nullptr};
    std::unique_ptr<TcxShellItemsInfoGatherer> m_gatherer;
    std::unique_ptr<TcxShellTreeRoot> m_root;
    std::unique_ptr<TcxShellTreeViewOptions> m_options;
    std::unique_ptr<TcxDragDropSettings> m_dragDropSettings;
    // Every live producer of this tree, by serial number.
    std::unordered_map<unsigned, TcxShellTreeItemProducer*> m_producers;
    unsigned m_nextSerial = 1;
    HIMAGELIST m_systemImages = nullptr;
    bool m_showInfoTips = false;
    bool m_navigating = false;
    bool m_refreshing = false;
    bool m_registering = false;
    bool m_contextMenuOpen = false;
    bool m_destroyingWindow = false;
    bool m_focusing = false;
    ULONG m_watchId = 0;
    UniqueIdList m_watchedList;
    UniqueIdList m_pendingSelected;
    bool m_hasPendingSelected = false;
    // The pending list came from the shell itself (a resolved path or a node of this tree).
    bool m_pendingKnown = false;
    // The one list waiting to be selected once a context menu has closed.
    UniqueIdList m_selectLater;
    bool m_selectLaterPosted = false;
    int m_staleUpdates = 0;
    int m_refreshCount = 0;
    TcxTreeDropTarget* m_dropTarget = nullptr;
    bool m_dragOver = false;
    bool m_draggingFromTree = false;
    bool m_refreshPending = false;
    // The folders dropped on, waiting for their refresh; by list, as a rebuild may free the
    // nodes meanwhile.
    std::vector<UniqueIdList> m_dropRefreshes;
    int m_dropRefreshCount = 0;
    // Pauses of the worker taken while a node is listed, until the expansion is through.
    int m_expandPauses = 0;
    // Announcements that arrived since the last refresh; a burst is handled with one.
    struct QueuedChange {
        LONG eventId;
        UniqueIdList list1, list2;
    };
    std::vector<QueuedChange> m_queuedChanges;
    bool m_changesPosted = false;
};

class TcxInnerShellTreeView : public TcxCustomInnerShellTreeView {
public:
    using TcxCustomInnerShellTreeView::TcxCustomInnerShellTreeView;
    const wchar_t* ClassName() const override { return L"TcxInnerShellTreeView"; }
};
