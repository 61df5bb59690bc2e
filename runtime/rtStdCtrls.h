// Wrappers of the platform's native controls that library controls host or derive from:
// the single-line edit box and the push button. (The tree view wrapper lives with the
// shell tree that hosts it.)
#pragma once

#include "rtControls.h"

#include <commctrl.h>

// A single-line edit box; the window text is the live text.
class TNativeEdit : public TWinControl {
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
    // Key messages reach the owner first; answer true to consume the key.
    std::function<bool(UINT msg, WPARAM key)> OnKey;
    std::function<void(bool gained)> OnFocusChange;

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

private:
    bool m_default = false;
    bool m_cancel = false;
    int m_modalResult = 0;
};

// A platform tree view. Items are addressed by their platform handles; notifications of the
// tree come back to the wrapper, which offers them to its owner.
class TNativeTreeView : public TWinControl {
public:
    explicit TNativeTreeView(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TNativeTreeView"; }

    // Adds an item under parent (TVI_ROOT for a top item) after insertAfter.
    HTREEITEM AddItem(HTREEITEM parent, const std::wstring& text, LPARAM data = 0,
                      HTREEITEM insertAfter = TVI_LAST, bool hasChildren = false);
    void DeleteItem(HTREEITEM item);
    void DeleteAll();
    std::wstring ItemText(HTREEITEM item);
    LPARAM ItemData(HTREEITEM item);
    HTREEITEM Selected();
    void Select(HTREEITEM item);
    void Expand(HTREEITEM item, bool expand = true);
    HTREEITEM FirstChild(HTREEITEM item);
    HTREEITEM NextSibling(HTREEITEM item);
    int Count();

    // Notifications (TVN_*, NM_*) from the tree; answer the notification's result.
    std::function<LRESULT(NMHDR* header)> OnNotify;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
