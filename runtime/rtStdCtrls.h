// Wrappers of the platform's native controls that library controls host or derive from:
// the single-line edit box and the push button. (The tree view wrapper lives with the
// shell tree that hosts it.)
#pragma once

#include "rtControls.h"

#include <commctrl.h>

#include <unordered_map>
#include <vector>

// A native control whose key and focus messages are offered to its owner first.
class TNativeInputControl : public TWinControl {
public:
    using TWinControl::TWinControl;

    // Key messages reach the owner first; answer true to consume the key. The owner may
    // also change the key the control then sees.
    std::function<bool(UINT msg, WPARAM& key)> OnKey;
    std::function<void(bool gained)> OnFocusChange;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A single-line edit box; the window text is the live text.
class TNativeEdit : public TNativeInputControl {
public:
    explicit TNativeEdit(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TNativeEdit"; }

    // The live text of the edit box (the stored text while there is no window).
    std::wstring WindowText() const;
    void SetText(const std::wstring& value) override;
    void SelectAll();
    bool ReadOnly() const noexcept { return m_readOnly; }
    void SetReadOnly(bool value);
    void SetMargins(int left, int right);
    TColor TextColor() const noexcept { return m_textColor; }
    void SetTextColor(TColor value);

    TNotifyEvent OnChange;
    // The selection changed (see ChangeDelay).
    std::function<void()> OnSelectionChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_readOnly = false;
    TColor m_textColor = clWindowText;
    UniqueBrush m_backgroundBrush;
    COLORREF m_brushColor = CLR_INVALID;
    int m_leftMargin = 0, m_rightMargin = 1;
};

// A platform push button.
class TNativeButton : public TWinControl {
public:
    explicit TNativeButton(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TNativeButton"; }

    bool Default() const noexcept { return m_default; }
    void SetDefault(bool value);
    bool Cancel() const noexcept { return m_cancel; }
    void SetCancel(bool value) { m_cancel = value; }
    int ModalResult() const noexcept { return m_modalResult; }
    void SetModalResult(int value) { m_modalResult = value; }

    void Click() override;
    bool HandleDialogKey(WPARAM key, bool focused) override;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The platform button style: a push button, or the default push button.
    virtual DWORD ButtonStyle() const { return m_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }
    std::unique_ptr<TActionLink> CreateActionLink() override;

private:
    bool m_default = false;
    bool m_cancel = false;
    int m_modalResult = 0;
};

// A platform tree view. Items are addressed by their platform handles; notifications of the
// tree come back to the wrapper, which offers them to its owner. The wrapper keeps a mirror
// of every item's children in insertion order, so that lookups by index and the index of an
// item cost O(1) however many siblings there are.
class TNativeTreeView : public TNativeInputControl {
public:
    explicit TNativeTreeView(TComponent* owner);
    ~TNativeTreeView() override;
    const wchar_t* ClassName() const override { return L"TNativeTreeView"; }

    // Adds an item under parent (TVI_ROOT or null for a top item) after insertAfter.
    HTREEITEM AddItem(HTREEITEM parent, const std::wstring& text, LPARAM data = 0,
                      HTREEITEM insertAfter = TVI_LAST, bool hasChildren = false);
    // Appends a child with its images in one step.
    HTREEITEM AddChild(HTREEITEM parent, const std::wstring& text, LPARAM data, int image, int selectedImage,
                       bool hasChildren);
    void DeleteItem(HTREEITEM item);
    void DeleteChildren(HTREEITEM item);
    void DeleteAll();
    std::wstring ItemText(HTREEITEM item);
    void SetItemText(HTREEITEM item, const std::wstring& text);
    LPARAM ItemData(HTREEITEM item);
    void SetItemData(HTREEITEM item, LPARAM data);
    int ImageIndex(HTREEITEM item);
    void SetImageIndex(HTREEITEM item, int image);
    int SelectedIndex(HTREEITEM item);
    void SetSelectedIndex(HTREEITEM item, int image);
    // The overlay image number (1-based as the platform counts; 0 for none).
    int OverlayIndex(HTREEITEM item);
    void SetOverlayIndex(HTREEITEM item, int overlay);
    bool Cut(HTREEITEM item);
    void SetCut(HTREEITEM item, bool value);
    bool DropHighlighted(HTREEITEM item);
    void SetDropHighlighted(HTREEITEM item, bool value);
    bool HasChildren(HTREEITEM item);
    void SetHasChildren(HTREEITEM item, bool value);
    bool Expanded(HTREEITEM item);

    HTREEITEM Selected();
    void Select(HTREEITEM item);
    void Expand(HTREEITEM item, bool expand = true);
    HTREEITEM FirstChild(HTREEITEM item);
    HTREEITEM NextSibling(HTREEITEM item);
    int Count();
    // From the mirror: the parent (null for a top item), the item's index among its
    // siblings, the number of children and the child by index (null when out of range).
    HTREEITEM ParentItem(HTREEITEM item) const;
    int IndexOf(HTREEITEM item) const;
    int ChildCount(HTREEITEM item) const;
    HTREEITEM ChildAt(HTREEITEM item, int index) const;
    HTREEITEM TopLevelItem() const { return ChildAt(nullptr, 0); }
    // Position in the whole tree in depth-first order, and the item at such a position.
    int AbsoluteIndex(HTREEITEM item) const;
    HTREEITEM ItemAtAbsoluteIndex(int index) const;

    HTREEITEM HitTest(POINT clientPoint, UINT* flags = nullptr);
    RECT ItemRect(HTREEITEM item, bool textOnly);
    HTREEITEM TopItem();
    void SetTopItem(HTREEITEM item);
    void EnsureVisible(HTREEITEM item);
    // Starts editing an item's label in place; the edit box, or null.
    HWND EditLabel(HTREEITEM item);
    void EndEditLabel(bool cancel);
    HWND EditControl();
    // Counted: the tree draws again when the last EndUpdate comes.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const noexcept { return m_updateCount; }
    void SetImageList(HIMAGELIST list, int which = TVSIL_NORMAL);

    // Window style switches, kept while there is no window.
    bool ShowButtons() const { return StyleBit(TVS_HASBUTTONS); }
    void SetShowButtons(bool v) { SetStyleBit(TVS_HASBUTTONS, v); }
    bool ShowLines() const { return StyleBit(TVS_HASLINES); }
    void SetShowLines(bool v) { SetStyleBit(TVS_HASLINES, v); }
    bool ShowRoot() const { return StyleBit(TVS_LINESATROOT); }
    void SetShowRoot(bool v) { SetStyleBit(TVS_LINESATROOT, v); }
    bool HideSelection() const { return !StyleBit(TVS_SHOWSELALWAYS); }
    void SetHideSelection(bool v) { SetStyleBit(TVS_SHOWSELALWAYS, !v); }
    bool HotTrack() const { return StyleBit(TVS_TRACKSELECT); }
    void SetHotTrack(bool v) { SetStyleBit(TVS_TRACKSELECT, v); }
    bool InfoTipStyle() const { return StyleBit(TVS_INFOTIP); }
    void SetInfoTipStyle(bool v) { SetStyleBit(TVS_INFOTIP, v); }
    bool ToolTips() const { return !StyleBit(TVS_NOTOOLTIPS); }
    void SetToolTips(bool v) { SetStyleBit(TVS_NOTOOLTIPS, !v); }
    bool ReadOnly() const { return !StyleBit(TVS_EDITLABELS); }
    void SetReadOnly(bool v) { SetStyleBit(TVS_EDITLABELS, !v); }
    DWORD TreeStyle() const noexcept { return m_treeStyle; }
    // Expand the item that becomes selected.
    bool AutoExpand() const noexcept { return m_autoExpand; }
    void SetAutoExpand(bool v) { m_autoExpand = v; }
    // A right click selects the item under the cursor.
    bool RightClickSelect() const noexcept { return m_rightClickSelect; }
    void SetRightClickSelect(bool v) { m_rightClickSelect = v; }
    // Milliseconds before a selection change is reported through OnSelectionChange; 0 reports
    // it at once. A change within the delay starts it again, so a run of changes (a key held
    // down) is reported once, after the last.
    int ChangeDelay() const noexcept { return m_changeDelay; }
    void SetChangeDelay(int v) { m_changeDelay = v < 0 ? 0 : v; }
    int Indent();
    void SetIndent(int v);
    HIMAGELIST StateImages() const noexcept { return m_stateImages; }
    void SetStateImages(HIMAGELIST list);

    // Notifications (TVN_*, NM_*) from the tree; answer the notification's result.
    std::function<LRESULT(NMHDR* header)> OnNotify;
    // Called for every item the tree deletes, with its data, before the data goes.
    std::function<void(HTREEITEM item, LPARAM data)> OnDeleteItem;
    // The selection changed (see ChangeDelay).
    std::function<void()> OnSelectionChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool StyleBit(DWORD bit) const noexcept { return (m_treeStyle & bit) != 0; }
    void SetStyleBit(DWORD bit, bool on);

private:
    struct NodeRecord {
        HTREEITEM parent = nullptr;
        int index = 0;
        std::vector<HTREEITEM> children;
    };
    bool GetItem(TVITEMW& item);
    void SetItem(TVITEMW& item);
    // One field of an item, read or written under the mask that names it.
    template <typename T> T ItemField(HTREEITEM item, UINT mask, T TVITEMW::*field)
    {
        TVITEMW tv{};
        tv.mask = mask;
        tv.hItem = item;
        GetItem(tv);
        return tv.*field;
    }
    template <typename T> void SetItemField(HTREEITEM item, UINT mask, T TVITEMW::*field, T value)
    {
        TVITEMW tv{};
        tv.mask = mask;
        tv.hItem = item;
        tv.*field = value;
        SetItem(tv);
    }
    void SetState(HTREEITEM item, UINT mask, UINT state);
    UINT State(HTREEITEM item, UINT mask);
    void ForgetItem(HTREEITEM item);
    void SelectionChanged();
    void ReportSelectionChange();
    void NoteInserted(HTREEITEM parent, HTREEITEM item);
    HTREEITEM InsertItem(HTREEITEM parent, TVINSERTSTRUCTW& is);

    std::unordered_map<HTREEITEM, NodeRecord> m_nodes; // key null: the top items
    HTREEITEM m_clearingParent = nullptr;
    bool m_clearing = false;
    bool m_clearingAll = false;
    int m_updateCount = 0;
    DWORD m_treeStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    bool m_autoExpand = false;
    bool m_rightClickSelect = false;
    int m_changeDelay = 0;
    int m_indent = -1;
    HIMAGELIST m_normalImages = nullptr;
    HIMAGELIST m_stateImages = nullptr;
};

// A platform list view in report mode that asks for the text of a row only when it shows it
// (owner data), so a list of a hundred thousand rows opens as fast as one of ten.
class TNativeListView : public TNativeInputControl {
public:
    explicit TNativeListView(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TNativeListView"; }

    // Columns are set before the window exists or at any time after.
    void AddColumn(const std::wstring& caption, int width);
    int ColumnCount() const noexcept { return static_cast<int>(m_columns.size()); }
    void SetColumnWidth(int column, int width);
    size_t RowCount() const noexcept { return m_rows; }
    void SetRowCount(size_t rows);
    // The text of a cell as the list shows it.
    std::wstring CellText(size_t row, int column) const;

    // Answers the text of a cell; the list asks for what it draws.
    std::function<std::wstring(size_t row, int column)> OnGetText;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void InsertColumn(int index);

    struct Column {
        std::wstring caption;
        int width;
    };
    std::vector<Column> m_columns;
    size_t m_rows = 0;
};
