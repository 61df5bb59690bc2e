#include "rtStdCtrls.h"

#include "rtActnList.h"
#include "rtForms.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <iterator>

LRESULT TNativeInputControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (OnKey) {
            bool consumed = false;
            WPARAM key = wParam;
            CallHandler([&] { consumed = OnKey(msg, key); });
            if (consumed)
                return 0;
            wParam = key;
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

TNativeEdit::TNativeEdit(TComponent* owner) : TNativeInputControl(owner)
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
    HWND wnd = const_cast<TNativeEdit*>(this)->HandleAllocated() ? const_cast<TNativeEdit*>(this)->Handle()
                                                                 : nullptr;
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
    default: break;
    }
    return TNativeInputControl::WndProc(msg, wParam, lParam);
}

TNativeButton::TNativeButton(TComponent* owner) : TWinControl(owner)
{
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

std::unique_ptr<TActionLink> TNativeButton::CreateActionLink()
{
    return std::make_unique<TButtonActionLink>(this);
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

TNativeTreeView::TNativeTreeView(TComponent* owner) : TNativeInputControl(owner)
{
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

TNativeTreeView::~TNativeTreeView()
{
    // The items go while this object can still hear about them.
    if (HandleAllocated())
        DeleteAll();
}

void TNativeTreeView::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.windowClass = WC_TREEVIEWW;
    params.systemClass = true;
    params.style |= m_treeStyle;
}

void TNativeTreeView::HandleCreated()
{
    TWinControl::HandleCreated();
    m_nodes.clear();
    if (m_normalImages)
        SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(m_normalImages));
    if (m_stateImages)
        SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(m_stateImages));
    if (m_indent >= 0)
        SendMessageW(Handle(), TVM_SETINDENT, static_cast<WPARAM>(m_indent), 0);
}

void TNativeTreeView::SetStyleBit(DWORD bit, bool on)
{
    DWORD style = on ? (m_treeStyle | bit) : (m_treeStyle & ~bit);
    if (style == m_treeStyle)
        return;
    m_treeStyle = style;
    if (HandleAllocated()) {
        LONG_PTR ws = GetWindowLongPtrW(Handle(), GWL_STYLE);
        ws = on ? (ws | static_cast<LONG_PTR>(bit)) : (ws & ~static_cast<LONG_PTR>(bit));
        SetWindowLongPtrW(Handle(), GWL_STYLE, ws);
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        Invalidate();
    }
}

int TNativeTreeView::Indent()
{
    if (HandleAllocated())
        return static_cast<int>(SendMessageW(Handle(), TVM_GETINDENT, 0, 0));
    return m_indent;
}

void TNativeTreeView::SetIndent(int v)
{
    m_indent = v;
    if (HandleAllocated() && v >= 0)
        SendMessageW(Handle(), TVM_SETINDENT, static_cast<WPARAM>(v), 0);
}

void TNativeTreeView::SetStateImages(HIMAGELIST list)
{
    m_stateImages = list;
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(list));
}

void TNativeTreeView::SetImageList(HIMAGELIST list, int which)
{
    if (which == TVSIL_STATE) {
        SetStateImages(list);
        return;
    }
    m_normalImages = list;
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

void TNativeTreeView::NoteInserted(HTREEITEM parent, HTREEITEM item)
{
    NodeRecord& p = m_nodes[parent];
    NodeRecord& r = m_nodes[item];
    r.parent = parent;
    r.index = static_cast<int>(p.children.size());
    p.children.push_back(item);
}

HTREEITEM TNativeTreeView::InsertItem(HTREEITEM parent, TVINSERTSTRUCTW& is)
{
    // Straight to the platform's procedure: this wrapper adds nothing to an insertion, and a
    // folder of 10,000 children spent a quarter of its insertion time passing through it.
    HandleNeeded();
    auto item =
        reinterpret_cast<HTREEITEM>(DefaultHandler(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
    if (item)
        NoteInserted(parent == TVI_ROOT ? nullptr : parent, item);
    return item;
}

HTREEITEM TNativeTreeView::AddItem(HTREEITEM parent, const std::wstring& text, LPARAM data,
                                   HTREEITEM insertAfter, bool hasChildren)
{
    TVINSERTSTRUCTW is{};
    is.hParent = parent ? parent : TVI_ROOT;
    is.hInsertAfter = TVI_LAST;
    (void)insertAfter; // the mirror keeps insertion order, so items are always appended
    is.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    is.item.pszText = const_cast<wchar_t*>(text.c_str());
    is.item.lParam = data;
    is.item.cChildren = hasChildren ? 1 : 0;
    return InsertItem(parent, is);
}

HTREEITEM TNativeTreeView::AddChild(HTREEITEM parent, const std::wstring& text, LPARAM data, int image,
                                    int selectedImage, bool hasChildren)
{
    TVINSERTSTRUCTW is{};
    is.hParent = parent ? parent : TVI_ROOT;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    is.item.pszText = const_cast<wchar_t*>(text.c_str());
    is.item.lParam = data;
    is.item.cChildren = hasChildren ? 1 : 0;
    is.item.iImage = image;
    is.item.iSelectedImage = selectedImage;
    return InsertItem(parent, is);
}

void TNativeTreeView::ForgetItem(HTREEITEM item)
{
    auto it = m_nodes.find(item);
    if (it == m_nodes.end())
        return;
    HTREEITEM parent = it->second.parent;
    int index = it->second.index;
    m_nodes.erase(it);
    if (m_clearingAll || (m_clearing && parent == m_clearingParent))
        return;
    auto p = m_nodes.find(parent);
    if (p == m_nodes.end())
        return;
    auto& children = p->second.children;
    if (index < static_cast<int>(children.size()) && children[static_cast<size_t>(index)] == item) {
        children.erase(children.begin() + index);
        for (size_t i = static_cast<size_t>(index); i < children.size(); ++i)
            m_nodes[children[i]].index = static_cast<int>(i);
    }
}

void TNativeTreeView::DeleteItem(HTREEITEM item)
{
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

void TNativeTreeView::DeleteChildren(HTREEITEM item)
{
    if (!HandleAllocated())
        return;
    auto it = m_nodes.find(item);
    if (it == m_nodes.end() || it->second.children.empty())
        return;
    std::vector<HTREEITEM> children;
    children.swap(it->second.children);
    bool wasClearing = m_clearing;
    HTREEITEM wasParent = m_clearingParent;
    m_clearing = true;
    m_clearingParent = item;
    BeginUpdate();
    for (auto c = children.rbegin(); c != children.rend(); ++c)
        SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(*c));
    EndUpdate();
    m_clearing = wasClearing;
    m_clearingParent = wasParent;
}

void TNativeTreeView::DeleteAll()
{
    if (!HandleAllocated())
        return;
    m_clearingAll = true;
    SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    m_clearingAll = false;
    m_nodes.clear();
}

bool TNativeTreeView::GetItem(TVITEMW& item)
{
    return HandleAllocated() && SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

void TNativeTreeView::SetItem(TVITEMW& item)
{
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::wstring TNativeTreeView::ItemText(HTREEITEM item)
{
    // Grow the buffer until the text fits: long names are never cut.
    for (size_t size = 512;; size *= 4) {
        std::wstring buf(size, L'\0');
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buf.data();
        tv.cchTextMax = static_cast<int>(size);
        if (!GetItem(tv))
            return {};
        size_t len = wcsnlen(tv.pszText, size);
        if (len + 1 < size || size >= 65536)
            return std::wstring(tv.pszText, len);
    }
}

void TNativeTreeView::SetItemText(HTREEITEM item, const std::wstring& text)
{
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = const_cast<wchar_t*>(text.c_str());
    SetItem(tv);
}

LPARAM TNativeTreeView::ItemData(HTREEITEM item)
{
    return ItemField(item, TVIF_PARAM, &TVITEMW::lParam);
}

void TNativeTreeView::SetItemData(HTREEITEM item, LPARAM data)
{
    SetItemField(item, TVIF_PARAM, &TVITEMW::lParam, data);
}

int TNativeTreeView::ImageIndex(HTREEITEM item)
{
    return ItemField(item, TVIF_IMAGE, &TVITEMW::iImage);
}

void TNativeTreeView::SetImageIndex(HTREEITEM item, int image)
{
    SetItemField(item, TVIF_IMAGE, &TVITEMW::iImage, image);
}

int TNativeTreeView::SelectedIndex(HTREEITEM item)
{
    return ItemField(item, TVIF_SELECTEDIMAGE, &TVITEMW::iSelectedImage);
}

void TNativeTreeView::SetSelectedIndex(HTREEITEM item, int image)
{
    SetItemField(item, TVIF_SELECTEDIMAGE, &TVITEMW::iSelectedImage, image);
}

UINT TNativeTreeView::State(HTREEITEM item, UINT mask)
{
    if (!HandleAllocated())
        return 0;
    return static_cast<UINT>(SendMessageW(Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
}

void TNativeTreeView::SetState(HTREEITEM item, UINT mask, UINT state)
{
    TVITEMW tv{};
    tv.mask = TVIF_STATE;
    tv.hItem = item;
    tv.stateMask = mask;
    tv.state = state;
    SetItem(tv);
}

int TNativeTreeView::OverlayIndex(HTREEITEM item)
{
    return static_cast<int>((State(item, TVIS_OVERLAYMASK) & TVIS_OVERLAYMASK) >> 8);
}

void TNativeTreeView::SetOverlayIndex(HTREEITEM item, int overlay)
{
    SetState(item, TVIS_OVERLAYMASK, INDEXTOOVERLAYMASK(overlay < 0 ? 0 : overlay));
}

bool TNativeTreeView::Cut(HTREEITEM item)
{
    return (State(item, TVIS_CUT) & TVIS_CUT) != 0;
}

void TNativeTreeView::SetCut(HTREEITEM item, bool value)
{
    SetState(item, TVIS_CUT, value ? TVIS_CUT : 0);
}

bool TNativeTreeView::DropHighlighted(HTREEITEM item)
{
    return (State(item, TVIS_DROPHILITED) & TVIS_DROPHILITED) != 0;
}

void TNativeTreeView::SetDropHighlighted(HTREEITEM item, bool value)
{
    SetState(item, TVIS_DROPHILITED, value ? TVIS_DROPHILITED : 0);
}

bool TNativeTreeView::HasChildren(HTREEITEM item)
{
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    GetItem(tv);
    return tv.cChildren != 0;
}

void TNativeTreeView::SetHasChildren(HTREEITEM item, bool value)
{
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = value ? 1 : 0;
    SetItem(tv);
}

bool TNativeTreeView::Expanded(HTREEITEM item)
{
    return (State(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

HTREEITEM TNativeTreeView::Selected()
{
    if (!HandleAllocated())
        return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TNativeTreeView::Select(HTREEITEM item)
{
    SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void TNativeTreeView::Expand(HTREEITEM item, bool expand)
{
    // The platform asks before an expansion only the first time; an item whose children were
    // taken away must be asked about again, so that its children can be listed anew.
    if (expand && ChildCount(item) == 0)
        SetState(item, TVIS_EXPANDEDONCE, 0);
    SendMessageW(Handle(), TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
}

HTREEITEM TNativeTreeView::FirstChild(HTREEITEM item)
{
    return ChildAt(item, 0);
}

HTREEITEM TNativeTreeView::NextSibling(HTREEITEM item)
{
    auto it = m_nodes.find(item);
    if (it == m_nodes.end())
        return nullptr;
    return ChildAt(it->second.parent, it->second.index + 1);
}

int TNativeTreeView::Count()
{
    return HandleAllocated() ? static_cast<int>(SendMessageW(Handle(), TVM_GETCOUNT, 0, 0)) : 0;
}

HTREEITEM TNativeTreeView::ParentItem(HTREEITEM item) const
{
    auto it = m_nodes.find(item);
    return it == m_nodes.end() ? nullptr : it->second.parent;
}

int TNativeTreeView::IndexOf(HTREEITEM item) const
{
    auto it = m_nodes.find(item);
    return it == m_nodes.end() ? -1 : it->second.index;
}

int TNativeTreeView::ChildCount(HTREEITEM item) const
{
    auto it = m_nodes.find(item);
    return it == m_nodes.end() ? 0 : static_cast<int>(it->second.children.size());
}

HTREEITEM TNativeTreeView::ChildAt(HTREEITEM item, int index) const
{
    auto it = m_nodes.find(item);
    if (it == m_nodes.end() || index < 0 || index >= static_cast<int>(it->second.children.size()))
        return nullptr;
    return it->second.children[static_cast<size_t>(index)];
}

int TNativeTreeView::AbsoluteIndex(HTREEITEM item) const
{
    if (!item || m_nodes.find(item) == m_nodes.end())
        return -1;
    int position = 0;
    bool found = false;
    std::function<void(HTREEITEM)> walk = [&](HTREEITEM parent) {
        for (HTREEITEM c : m_nodes.at(parent).children) {
            if (found)
                return;
            if (c == item) {
                found = true;
                return;
            }
            ++position;
            walk(c);
        }
    };
    if (m_nodes.count(nullptr))
        walk(nullptr);
    return found ? position : -1;
}

HTREEITEM TNativeTreeView::ItemAtAbsoluteIndex(int index) const
{
    if (index < 0 || !m_nodes.count(nullptr))
        return nullptr;
    int position = 0;
    HTREEITEM result = nullptr;
    std::function<void(HTREEITEM)> walk = [&](HTREEITEM parent) {
        for (HTREEITEM c : m_nodes.at(parent).children) {
            if (result)
                return;
            if (position++ == index) {
                result = c;
                return;
            }
            walk(c);
        }
    };
    walk(nullptr);
    return result;
}

HTREEITEM TNativeTreeView::HitTest(POINT clientPoint, UINT* flags)
{
    TVHITTESTINFO info{};
    info.pt = clientPoint;
    HTREEITEM item = HandleAllocated() ? reinterpret_cast<HTREEITEM>(SendMessageW(
                                             Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)))
                                       : nullptr;
    if (flags)
        *flags = info.flags;
    return item;
}

RECT TNativeTreeView::ItemRect(HTREEITEM item, bool textOnly)
{
    // The message takes the item in the first bytes of the rectangle it fills.
    RECT r{};
    std::memcpy(&r, &item, sizeof(item));
    if (!HandleAllocated() ||
        !SendMessageW(Handle(), TVM_GETITEMRECT, textOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&r)))
        return RECT{};
    return r;
}

HTREEITEM TNativeTreeView::TopItem()
{
    if (!HandleAllocated())
        return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
}

void TNativeTreeView::SetTopItem(HTREEITEM item)
{
    if (HandleAllocated() && item)
        SendMessageW(Handle(), TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(item));
}

void TNativeTreeView::EnsureVisible(HTREEITEM item)
{
    if (HandleAllocated() && item)
        SendMessageW(Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

HWND TNativeTreeView::EditLabel(HTREEITEM item)
{
    if (!HandleAllocated())
        return nullptr;
    if (GetFocus() != Handle())
        ::SetFocus(Handle());
    return reinterpret_cast<HWND>(SendMessageW(Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item)));
}

void TNativeTreeView::EndEditLabel(bool cancel)
{
    if (HandleAllocated())
        SendMessageW(Handle(), TVM_ENDEDITLABELNOW, cancel ? TRUE : FALSE, 0);
}

HWND TNativeTreeView::EditControl()
{
    return HandleAllocated() ? reinterpret_cast<HWND>(SendMessageW(Handle(), TVM_GETEDITCONTROL, 0, 0))
                             : nullptr;
}

void TNativeTreeView::BeginUpdate()
{
    if (m_updateCount++ == 0 && HandleAllocated())
        SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TNativeTreeView::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && HandleAllocated()) {
        SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

namespace {
// The timer of a delayed selection report, on the tree's own window.
constexpr UINT_PTR ChangeDelayTimer = 0x7C4D;
} // namespace

void TNativeTreeView::SelectionChanged()
{
    if (m_changeDelay > 0 && HandleAllocated()) {
        SetTimer(Handle(), ChangeDelayTimer, static_cast<UINT>(m_changeDelay), nullptr);
        return;
    }
    ReportSelectionChange();
}

void TNativeTreeView::ReportSelectionChange()
{
    if (HandleAllocated())
        KillTimer(Handle(), ChangeDelayTimer);
    if (OnSelectionChange)
        CallHandler([&] { OnSelectionChange(); });
}

LRESULT TNativeTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam == ChangeDelayTimer) {
            ReportSelectionChange();
            return 0;
        }
        break;
    case CN_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TVN_DELETEITEMW || header->code == TVN_DELETEITEMA) {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(lParam);
            HTREEITEM item = nm->itemOld.hItem;
            LPARAM data = nm->itemOld.lParam;
            ForgetItem(item);
            if (OnDeleteItem)
                CallHandler([&] { OnDeleteItem(item, data); });
        } else if (header->code == TVN_SELCHANGEDW) {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(lParam);
            if (m_autoExpand && nm->itemNew.hItem)
                Expand(nm->itemNew.hItem);
            SelectionChanged();
        } else if (header->code == NM_RCLICK && m_rightClickSelect) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(Handle(), &p);
            if (HTREEITEM item = HitTest(p))
                Select(item);
        }
        if (!OnNotify)
            return 0;
        LRESULT result = 0;
        CallHandler([&] { result = OnNotify(header); });
        return result;
    }
    case WM_DESTROY:
        // Items the platform frees with its window are no longer in the mirror; a change
        // not yet reported goes with them.
        KillTimer(Handle(), ChangeDelayTimer);
        m_nodes.clear();
        break;
    default: break;
    }
    return TNativeInputControl::WndProc(msg, wParam, lParam);
}

TNativeListView::TNativeListView(TComponent* owner) : TNativeInputControl(owner)
{
    SetTabStop(true);
    SetColor(clWindow);
}

void TNativeListView::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.windowClass = WC_LISTVIEWW;
    params.systemClass = true;
    params.style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void TNativeListView::HandleCreated()
{
    TNativeInputControl::HandleCreated();
    SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < ColumnCount(); ++i)
        InsertColumn(i);
    SendMessageW(Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(m_rows), LVSICF_NOINVALIDATEALL);
}

void TNativeListView::InsertColumn(int index)
{
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(m_columns[static_cast<size_t>(index)].caption.c_str());
    column.cx = m_columns[static_cast<size_t>(index)].width;
    column.iSubItem = index;
    SendMessageW(Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void TNativeListView::AddColumn(const std::wstring& caption, int width)
{
    m_columns.push_back({caption, width});
    if (HandleAllocated())
        InsertColumn(ColumnCount() - 1);
}

void TNativeListView::SetColumnWidth(int column, int width)
{
    m_columns.at(static_cast<size_t>(column)).width = width;
    if (HandleAllocated())
        SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
}

void TNativeListView::SetRowCount(size_t rows)
{
    m_rows = rows;
    if (HandleAllocated())
        SendMessageW(Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
}

std::wstring TNativeListView::CellText(size_t row, int column) const
{
    return OnGetText && row < m_rows ? OnGetText(row, column) : std::wstring();
}

LRESULT TNativeListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == CN_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            std::wstring text;
            CallHandler([&] { text = CellText(static_cast<size_t>(item.iItem), item.iSubItem); });
            lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
        return 0;
    }
    return TNativeInputControl::WndProc(msg, wParam, lParam);
}
