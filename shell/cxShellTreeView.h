// The shell folder tree control: a container with its own frame and state styles that
// hosts the inner shell tree and publishes its settings and events.
#pragma once

#include "cxShellControls.h"
#include "editors/cxContainer.h"
#include "runtime/rtActnList.h"

class TcxCustomShellTreeView : public TcxContainer {
public:
    explicit TcxCustomShellTreeView(TComponent* owner);
    ~TcxCustomShellTreeView() override;
    const wchar_t* ClassName() const override { return L"TcxCustomShellTreeView"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxInnerShellTreeView* InnerTree() const noexcept { return m_innerTree; }
    TcxShellTreeViewOptions* Options() { return m_innerTree->Options(); }
    void SetOptions(const TcxShellOptions* value) { m_innerTree->Options()->CopySettingsFrom(value); }
    TcxShellTreeRoot* Root() { return m_innerTree->Root(); }
    void SetRoot(const TcxCustomShellRoot* value) { m_innerTree->Root()->CopySettingsFrom(value); }
    TcxDragDropSettings* DragDropSettings() { return m_innerTree->DragDropSettings(); }

    std::wstring SelectedPath() { return m_innerTree->SelectedPath(); }
    void SetSelectedPath(const std::wstring& path) { m_innerTree->SetSelectedPath(path); }

    bool AutoExpand() const { return m_innerTree->AutoExpand(); }
    void SetAutoExpand(bool v) { m_innerTree->SetAutoExpand(v); }
    int ChangeDelay() const { return m_innerTree->ChangeDelay(); }
    void SetChangeDelay(int v) { m_innerTree->SetChangeDelay(v); }
    bool HideSelection() const { return m_innerTree->HideSelection(); }
    void SetHideSelection(bool v) { m_innerTree->SetHideSelection(v); }
    int Indent() const { return m_innerTree->Indent(); }
    void SetIndent(int v) { m_innerTree->SetIndent(v); }
    bool RightClickSelect() const { return m_innerTree->RightClickSelect(); }
    void SetRightClickSelect(bool v) { m_innerTree->SetRightClickSelect(v); }
    bool ShowButtons() const { return m_innerTree->ShowButtons(); }
    void SetShowButtons(bool v) { m_innerTree->SetShowButtons(v); }
    bool ShowLines() const { return m_innerTree->ShowLines(); }
    void SetShowLines(bool v) { m_innerTree->SetShowLines(v); }
    bool ShowRoot() const { return m_innerTree->ShowRoot(); }
    void SetShowRoot(bool v) { m_innerTree->SetShowRoot(v); }
    bool ShowInfoTips() const { return m_innerTree->ShowInfoTips(); }
    void SetShowInfoTips(bool v) { m_innerTree->SetShowInfoTips(v); }
    bool TreeHotTrack() const { return m_innerTree->HotTrack(); }
    void SetTreeHotTrack(bool v) { m_innerTree->SetHotTrack(v); }
    // The tree's state images. Not owned: the tree follows changes of the list and forgets it
    // when it is freed; a description names it among the owner's components.
    TCustomImageList* StateImages() const noexcept { return m_stateImages; }
    void SetStateImages(TCustomImageList* list);
    void SetStateImagesName(const std::wstring& name);
    // A list view that shows the selected folder's content (none in this library; any
    // component may be linked and is forgotten when freed).
    TComponent* ShellListView() const noexcept { return m_shellListView; }
    void SetShellListView(TComponent* view);
    void SetShellListViewName(const std::wstring& name);

    TNotifyEvent OnChange;
    // The native tree's events, raised with this control as the sender.
    TcxTreeNodeAllowEvent OnChanging;
    TcxTreeNodeAllowEvent OnExpanding;
    TcxTreeNodeEvent OnExpanded;
    TcxTreeNodeAllowEvent OnCollapsing;
    TcxTreeNodeEvent OnCollapsed;
    TcxTreeNodeAllowEvent OnEditing;
    TcxTreeEditedEvent OnEdited;
    TcxShellAddFolderEvent OnAddFolder;
    TcxShellChangeEvent OnShellChange;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TcxInnerShellTreeView* m_innerTree = nullptr;
    TCustomImageList* m_stateImages = nullptr;
    std::wstring m_stateImagesName;
    // Sends a linked view that has a window what the tree now shows.
    void TellLinkedView(UINT msg, WPARAM wParam);
    TComponent* m_shellListView = nullptr;
    std::wstring m_shellListViewName;
};

class TcxShellTreeView : public TcxCustomShellTreeView {
public:
    using TcxCustomShellTreeView::TcxCustomShellTreeView;
    const wchar_t* ClassName() const override { return L"TcxShellTreeView"; }
};
