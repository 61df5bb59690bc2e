#include "cxShellTreeView.h"

#include "runtime/rtStreaming.h"

TcxCustomShellTreeView::TcxCustomShellTreeView(TComponent* owner) : TcxContainer(owner)
{
    m_innerTree = new TcxInnerShellTreeView(this);
    m_innerTree->SetTabStop(false);
    m_innerTree->IsOwnerLoading = [this] { return IsLoading(); };
    // The linked view hears of the folder shown and of the root, through its window's messages.
    m_innerTree->OnTellLinkedFolder = [this](PCItemIDList folder) {
        TellLinkedView(MsgNavigate, reinterpret_cast<WPARAM>(folder));
    };
    m_innerTree->OnTellLinkedRoot = [this](TcxCustomShellRoot* root) {
        TellLinkedView(MsgSyncRoot, reinterpret_cast<WPARAM>(root));
    };
    m_innerTree->OnChange = [this](TObject*) {
        if (OnChange)
            CallHandler([this] { OnChange(this); });
    };
    auto allowing = [this](TcxTreeNodeAllowEvent TcxCustomShellTreeView::*event) {
        return [this, event](TObject*, HTREEITEM node, bool& allow) {
            if (this->*event)
                (this->*event)(this, node, allow);
        };
    };
    auto telling = [this](TcxTreeNodeEvent TcxCustomShellTreeView::*event) {
        return [this, event](TObject*, HTREEITEM node) {
            if (this->*event)
                (this->*event)(this, node);
        };
    };
    m_innerTree->OnChanging = allowing(&TcxCustomShellTreeView::OnChanging);
    m_innerTree->OnExpanding = allowing(&TcxCustomShellTreeView::OnExpanding);
    m_innerTree->OnCollapsing = allowing(&TcxCustomShellTreeView::OnCollapsing);
    m_innerTree->OnEditing = allowing(&TcxCustomShellTreeView::OnEditing);
    m_innerTree->OnExpanded = telling(&TcxCustomShellTreeView::OnExpanded);
    m_innerTree->OnCollapsed = telling(&TcxCustomShellTreeView::OnCollapsed);
    m_innerTree->OnEdited = [this](TObject*, HTREEITEM node, std::wstring& text) {
        if (OnEdited)
            OnEdited(this, node, text);
    };
    m_innerTree->OnAddFolder = [this](TObject*, TcxShellFolder* folder, bool& canAdd) {
        if (OnAddFolder)
            OnAddFolder(this, folder, canAdd);
    };
    m_innerTree->HasAddFolderListener = [this] { return static_cast<bool>(OnAddFolder); };
    m_innerTree->OnShellChange = [this](TObject*, LONG eventId, PCItemIDList a, PCItemIDList b) {
        if (OnShellChange)
            CallHandler([&] { OnShellChange(this, eventId, a, b); });
    };
    m_innerTree->OnFocusChange = [this](bool) {
        UpdateVisualStateAtCursor(false);
        if (OnFocusChanged)
            OnFocusChanged(this);
    };
    // The mouse over the tree is the mouse over this control.
    m_innerTree->OnMouseMessage = [this](UINT msg, WPARAM keyFlags, POINT p) {
        if (!HandleAllocated() || !m_innerTree->HandleAllocated())
            return;
        MapWindowPoints(m_innerTree->Handle(), Handle(), &p, 1);
        if (msg == WM_MOUSEMOVE)
            InnerControlMouseMove(p);
        ChildMouseMessage(msg, keyFlags, p);
    };
    // A tree hides its selection while another control has the focus, unless told otherwise.
    m_innerTree->SetHideSelection(true);
    m_innerTree->SetParent(this);
    SetInnerControl(m_innerTree);
    SetTabStop(true);
    CreateStyles();
    SetBounds(Left(), Top(), 121, 97);
}

TcxCustomShellTreeView::~TcxCustomShellTreeView()
{
    // A state image list shared on the form outlives the tree: it must not call into it.
    if (m_stateImages) {
        m_stateImages->RemoveChangeListener(this);
        m_stateImages->RemoveFreeNotification(this);
        m_stateImages = nullptr;
    }
    Destroying();
}

const TClassInfo* TcxCustomShellTreeView::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxCustomShellTreeView;
        TClassInfo ci(L"TcxCustomShellTreeView", TcxContainer::StaticProperties());
        ci.AddObject<T, TcxShellTreeViewOptions>(L"Options", &T::Options);
        ci.AddObject<T, TcxShellTreeRoot>(L"Root", &T::Root);
        ci.AddObject<T, TcxDragDropSettings>(L"DragDropSettings", &T::DragDropSettings);
        ci.AddBool<T>(L"AutoExpand", &T::SetAutoExpand, &T::AutoExpand);
        ci.AddInt<T>(L"ChangeDelay", &T::SetChangeDelay, &T::ChangeDelay);
        ci.AddBool<T>(L"HideSelection", &T::SetHideSelection, &T::HideSelection);
        ci.AddInt<T>(L"Indent", &T::SetIndent, &T::Indent);
        ci.AddBool<T>(L"RightClickSelect", &T::SetRightClickSelect, &T::RightClickSelect);
        ci.AddBool<T>(L"ShowButtons", &T::SetShowButtons, &T::ShowButtons);
        ci.AddBool<T>(L"ShowLines", &T::SetShowLines, &T::ShowLines);
        ci.AddBool<T>(L"ShowRoot", &T::SetShowRoot, &T::ShowRoot);
        ci.AddBool<T>(L"ShowInfoTips", &T::SetShowInfoTips, &T::ShowInfoTips);
        ci.AddBool<T>(L"TreeHotTrack", &T::SetTreeHotTrack, &T::TreeHotTrack);
        ci.AddEvent<T, TNotifyEvent>(L"OnChange", &T::OnChange);
        ci.AddEvent<T, TcxTreeNodeAllowEvent>(L"OnChanging", &T::OnChanging);
        ci.AddEvent<T, TcxTreeNodeAllowEvent>(L"OnExpanding", &T::OnExpanding);
        ci.AddEvent<T, TcxTreeNodeEvent>(L"OnExpanded", &T::OnExpanded);
        ci.AddEvent<T, TcxTreeNodeAllowEvent>(L"OnCollapsing", &T::OnCollapsing);
        ci.AddEvent<T, TcxTreeNodeEvent>(L"OnCollapsed", &T::OnCollapsed);
        ci.AddEvent<T, TcxTreeNodeAllowEvent>(L"OnEditing", &T::OnEditing);
        ci.AddEvent<T, TcxTreeEditedEvent>(L"OnEdited", &T::OnEdited);
        ci.AddEvent<T, TcxShellAddFolderEvent>(L"OnAddFolder", &T::OnAddFolder);
        ci.AddEvent<T, TcxShellChangeEvent>(L"OnShellChange", &T::OnShellChange);
        ci.AddEvent<T, TNotifyEvent>(L"OnEnter", &T::OnEnter);
        ci.AddEvent<T, TNotifyEvent>(L"OnExit", &T::OnExit);
        ci.AddEvent<T, TNotifyEvent>(L"OnFocusChanged", &T::OnFocusChanged);
        ci.AddEvent<T, TNotifyEvent>(L"OnMouseEnter", &T::OnMouseEnter);
        ci.AddEvent<T, TNotifyEvent>(L"OnMouseLeave", &T::OnMouseLeave);
        ci.Add({L"StateImages",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<T&>(o).SetStateImagesName(ReferenceName(v));
                },
                [](const TPersistent& o) { return ReferenceValue(static_cast<const T&>(o).StateImages()); },
                {},
                {}});
        ci.Add({L"ShellListView",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<T&>(o).SetShellListViewName(ReferenceName(v));
                },
                [](const TPersistent& o) { return ReferenceValue(static_cast<const T&>(o).ShellListView()); },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxCustomShellTreeView::Loaded()
{
    TcxContainer::Loaded();
    if (!m_stateImagesName.empty()) {
        std::wstring name = std::move(m_stateImagesName);
        m_stateImagesName.clear();
        if (auto* list = dynamic_cast<TCustomImageList*>(FindReferencedComponent(Owner(), name)))
            SetStateImages(list);
    }
    if (!m_shellListViewName.empty()) {
        std::wstring name = std::move(m_shellListViewName);
        m_shellListViewName.clear();
        if (TComponent* view = FindReferencedComponent(Owner(), name); view && view != this)
            SetShellListView(view);
    }
    m_innerTree->OwnerLoaded();
}

void TcxCustomShellTreeView::SetStateImages(TCustomImageList* list)
{
    if (list == m_stateImages)
        return;
    if (m_stateImages) {
        m_stateImages->RemoveChangeListener(this);
        m_stateImages->RemoveFreeNotification(this);
    }
    m_stateImages = list;
    if (list) {
        list->FreeNotification(this);
        list->AddChangeListener(this, [this] {
            if (m_stateImages)
                m_innerTree->SetStateImages(m_stateImages->Handle());
        });
    }
    m_innerTree->SetStateImages(list ? list->Handle() : nullptr);
}

void TcxCustomShellTreeView::SetStateImagesName(const std::wstring& name)
{
    m_stateImagesName = name;
    if (!IsLoading())
        Loaded();
}

void TcxCustomShellTreeView::SetShellListView(TComponent* view)
{
    if (view == m_shellListView)
        return;
    if (m_shellListView)
        m_shellListView->RemoveFreeNotification(this);
    m_shellListView = view;
    if (view)
        view->FreeNotification(this);
}

void TcxCustomShellTreeView::TellLinkedView(UINT msg, WPARAM wParam)
{
    if (auto* view = dynamic_cast<TWinControl*>(m_shellListView); view && view->HandleAllocated())
        SendMessageW(view->Handle(), msg, wParam, 0);
}

void TcxCustomShellTreeView::SetShellListViewName(const std::wstring& name)
{
    m_shellListViewName = name;
    if (!IsLoading())
        Loaded();
}

void TcxCustomShellTreeView::Notification(TComponent* component, TOperation operation)
{
    TcxContainer::Notification(component, operation);
    if (operation != TOperation::opRemove)
        return;
    if (component == m_stateImages) {
        m_stateImages = nullptr;
        m_innerTree->SetStateImages(nullptr);
    }
    if (component == m_shellListView)
        m_shellListView = nullptr;
}
