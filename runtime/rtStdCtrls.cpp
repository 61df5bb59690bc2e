#include "rtStdCtrls.h"

#include "rtForms.h"

#include <commctrl.h>

#include <iterator>

TNativeEdit::TNativeEdit(TComponent* owner) : TWinControl(owner)
{
    SetTabStop(true);
    SetColor(clWindow);
}

void TNativeEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.windowClass = L"EDIT";
    params.systemClass = true;
    params.style = (params.style & ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) | ES_AUTOHSCROLL | ES_LEFT;
    if (m_readOnly)
        params.style |= ES_READONLY;
    params.exStyle &= ~WS_EX_CLIENTEDGE;
}

void TNativeEdit::HandleCreated()
{
    SetWindowTextW(Handle(), TWinControl::Text().c_str());
    SetMargins(m_leftMargin, m_rightMargin);
}

std::wstring TNativeEdit::WindowText() const
{
    HWND wnd = const_cast<TNativeEdit*>(this)->HandleAllocated() ? const_cast<TNativeEdit*>(this)->Handle() : nullptr;
    if (!wnd)
        return TWinControl::Text();
    // One message for the texts a field usually holds; the length is asked only for longer ones.
    wchar_t buffer[256];
    int n = GetWindowTextW(wnd, buffer, static_cast<int>(std::size(buffer)));
    if (n < static_cast<int>(std::size(buffer)) - 1)
        return std::wstring(buffer, static_cast<size_t>(n));
    n = GetWindowTextLengthW(wnd);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(wnd, s.data(), n + 1)));
    return s;
}

void TNativeEdit::SetText(const std::wstring& value)
{
    if (HandleAllocated()) {
        if (WindowText() != value)
            SetWindowTextW(Handle(), value.c_str());
    }
    TWinControl::SetText(value);
}

void TNativeEdit::SelectAll()
{
    if (HandleAllocated())
        SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

void TNativeEdit::SetReadOnly(bool value)
{
    m_readOnly = value;
    if (HandleAllocated())
        SendMessageW(Handle(), EM_SETREADONLY, value, 0);
}

void TNativeEdit::SetMargins(int left, int right)
{
    m_leftMargin = left;
    m_rightMargin = right;
    if (HandleAllocated())
        SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
}

void TNativeEdit::SetTextColor(TColor value)
{
    if (value == m_textColor)
        return;
    m_textColor = value;
    Invalidate();
}

LRESULT TNativeEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case CN_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE) {
            // Keep the stored text in step so that it survives the window.
            // Only the stored copy: setting the window text again would put the caret back at the start.
            StoreWindowText(WindowText());
            if (OnChange)
                CallHandler([this] { OnChange(this); });
        }
        return 0;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        COLORREF back = ColorToRGB(Color());
        ::SetTextColor(dc, ColorToRGB(m_textColor));
        SetBkColor(dc, back);
        if (!m_backgroundBrush || m_brushColor != back) {
            m_backgroundBrush.reset(CreateSolidBrush(back));
            m_brushColor = back;
        }
        return reinterpret_cast<LRESULT>(m_backgroundBrush.get());
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (OnKey) {
            bool consumed = false;
            CallHandler([&] { consumed = OnKey(msg, wParam); });
            if (consumed)
                return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
        if (OnFocusChange)
            CallHandler([&] { OnFocusChange(msg == WM_SETFOCUS); });
        return r;
    }
    default: break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

TNativeButton::TNativeButton(TComponent* owner) : TWinControl(owner)
{
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TNativeButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.windowClass = L"BUTTON";
    params.systemClass = true;
    params.style |= ButtonStyle();
}

void TNativeButton::SetDefault(bool value)
{
    m_default = value;
    if (HandleAllocated())
        SendMessageW(Handle(), BM_SETSTYLE, ButtonStyle(), TRUE);
}

void TNativeButton::Click()
{
    if (m_modalResult != 0)
        if (TCustomForm* form = GetParentForm(); form && form->IsModal())
            form->SetModalResult(static_cast<TModalResult>(m_modalResult));
    TWinControl::Click();
}

bool TNativeButton::HandleDialogKey(WPARAM key, bool focused)
{
    if (!CanFocus())
        return false;
    if ((key == VK_RETURN && (focused || m_default)) || (key == VK_ESCAPE && m_cancel)) {
        Click();
        return true;
    }
    return false;
}

LRESULT TNativeButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == CN_COMMAND) {
        if (HIWORD(wParam) == BN_CLICKED)
            Click();
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

TNativeTreeView::TNativeTreeView(TComponent* owner) : TWinControl(owner)
{
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

void TNativeTreeView::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.windowClass = WC_TREEVIEWW;
    params.systemClass = true;
    params.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
}

HTREEITEM TNativeTreeView::AddItem(HTREEITEM parent, const std::wstring& text, LPARAM data, HTREEITEM insertAfter,
                                   bool hasChildren)
{
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = insertAfter;
    is.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    is.item.pszText = const_cast<wchar_t*>(text.c_str());
    is.item.lParam = data;
    is.item.cChildren = hasChildren ? 1 : 0;
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
}

void TNativeTreeView::DeleteItem(HTREEITEM item) { SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)); }

void TNativeTreeView::DeleteAll() { SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

std::wstring TNativeTreeView::ItemText(HTREEITEM item)
{
    wchar_t buf[1024] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = static_cast<int>(std::size(buf));
    SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return buf;
}

LPARAM TNativeTreeView::ItemData(HTREEITEM item)
{
    TVITEMW tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return tv.lParam;
}

HTREEITEM TNativeTreeView::Selected()
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TNativeTreeView::Select(HTREEITEM item)
{
    SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void TNativeTreeView::Expand(HTREEITEM item, bool expand)
{
    SendMessageW(Handle(), TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
}

HTREEITEM TNativeTreeView::FirstChild(HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TNativeTreeView::NextSibling(HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

int TNativeTreeView::Count() { return static_cast<int>(SendMessageW(Handle(), TVM_GETCOUNT, 0, 0)); }

LRESULT TNativeTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == CN_NOTIFY) {
        if (!OnNotify)
            return 0;
        LRESULT result = 0;
        CallHandler([&] { result = OnNotify(reinterpret_cast<NMHDR*>(lParam)); });
        return result;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}
