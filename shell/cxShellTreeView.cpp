#include "cxShellTreeView.h"

TcxCustomShellTreeView::TcxCustomShellTreeView(TComponent* owner) : TcxContainer(owner)
{
    m_innerTree = new TcxInnerShellTreeView(this);
    m_innerTree->SetTabStop(false);
    m_innerTree->IsOwnerLoading = [this] { return IsLoading(); };
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
    m_innerTree->OnShellChange = [this](TObject*, LONG eventId, PCItemIDList a, PCItemIDList b) {
        if (OnShellChange)
            CallHandler([&] { OnShellChange(this, eventId, a, b); });
    };
    m_innerTree->OnFocusChange = [this](bool) {
        UpdateVisualStateAtCursor(false);
        if (OnFocusChanged)
            OnFocusChanged(this);
    };
    m_innerTree->SetParent(this);
    SetInnerControl(m_innerTree);
    SetTabStop(true);
    CreateStyles();
    SetBounds(Left(), Top(), 121, 97);
}

TcxCustomShellTreeView::~TcxCustomShellTreeView()
{
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
        return ci;
    }();
    return &info;
}

void TcxCustomShellTreeView::Loaded()
{
    TcxContainer::Loaded();
    m_innerTree->OwnerLoaded();
}
