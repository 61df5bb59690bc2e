#include "cxButtonEdit.h"

#include <windowsx.h>

TcxButtonEditProperties::TcxButtonEditProperties(TcxCustomEdit* owner)
    : TcxTextEditProperties(owner), m_clickKey(VK_RETURN | scCtrl)
{
    m_buttons.OnChanged = [this](TObject*) { Changed(); };
}

const TClassInfo* TcxButtonEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonEditProperties", TcxTextEditProperties::StaticProperties());
        ci.AddCollection<TcxButtonEditProperties, TcxEditButtons>(L"Buttons", &TcxButtonEditProperties::Buttons);
        ci.AddEvent<TcxButtonEditProperties, TcxEditButtonClickEvent>(L"OnButtonClick",
                                                                      &TcxButtonEditProperties::OnButtonClick);
        ci.Add({L"ClickKey",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxButtonEditProperties&>(o).SetClickKey(static_cast<unsigned>(ValueToInt(v)));
                },
                [](const TPersistent& o) {
                    return TValue::Int(static_cast<const TcxButtonEditProperties&>(o).ClickKey());
                },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxButtonEditProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxButtonEditProperties*>(source)) {
        BeginUpdate();
        m_buttons.Assign(&p->m_buttons);
        m_clickKey = p->m_clickKey;
        OnButtonClick = p->OnButtonClick;
        TcxTextEditProperties::Assign(source);
        EndUpdate();
        return;
    }
    TcxTextEditProperties::Assign(source);
}

TcxButtonEdit::TcxButtonEdit(TComponent* owner) : TcxCustomTextEdit(owner)
{
    auto* properties = new TcxButtonEditProperties(this);
    // A new button edit has one button, as the collection's default.
    TcxEditButton* first = properties->Buttons()->Add();
    first->SetDefault(true);
    first->SetKind(bkEllipsis);
    Construct(properties);
}

const TClassInfo* TcxButtonEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonEdit", TcxCustomTextEdit::StaticProperties());
        ci.AddObject<TcxButtonEdit, TcxButtonEditProperties>(L"Properties", &TcxButtonEdit::Properties);
        return ci;
    }();
    return &info;
}

void TcxButtonEdit::LayoutButtons()
{
    m_buttonInfos.clear();
    TcxEditButtons* buttons = Properties()->Buttons();
    RECT area = m_viewInfo.borderRect;
    // Right-aligned buttons fill from the right edge inwards, left-aligned ones from the left.
    for (int i = buttons->Count() - 1; i >= 0; --i) {
        TcxEditButton* b = buttons->Items(i);
        if (!b->Visible() || b->LeftAlignment())
            continue;
        int w = EditButtonWidth(*b);
        TcxEditButtonViewInfo vi;
        vi.index = i;
        vi.enabled = b->Enabled() && IsEnabledDeep();
        vi.bounds = {std::max(area.right - w, area.left), area.top, area.right, area.bottom};
        area.right = vi.bounds.left;
        m_buttonInfos.insert(m_buttonInfos.begin(), vi);
    }
    for (int i = 0; i < buttons->Count(); ++i) {
        TcxEditButton* b = buttons->Items(i);
        if (!b->Visible() || !b->LeftAlignment())
            continue;
        int w = EditButtonWidth(*b);
        TcxEditButtonViewInfo vi;
        vi.index = i;
        vi.enabled = b->Enabled() && IsEnabledDeep();
        vi.bounds = {area.left, area.top, std::min(area.left + w, area.right), area.bottom};
        area.left = vi.bounds.right;
        m_buttonInfos.push_back(vi);
    }
    m_viewInfo.clientRect = area;
}

void TcxButtonEdit::ComputeViewInfo(POINT p, bool hotAllowed)
{
    TcxCustomTextEdit::ComputeViewInfo(p, hotAllowed);
    LayoutButtons();
    for (auto& vi : m_buttonInfos) {
        vi.pressed = vi.index == m_pressedButton && PtInRect(&vi.bounds, p);
        vi.hot = hotAllowed && PtInRect(&vi.bounds, p);
    }
}

RECT TcxButtonEdit::TextArea()
{
    RECT r = m_viewInfo.clientRect;
    InflateRect(&r, -1, -1);
    return r;
}

int TcxButtonEdit::ButtonAt(POINT p) const
{
    for (const auto& vi : m_buttonInfos)
        if (PtInRect(&vi.bounds, p))
            return vi.index;
    return -1;
}

void TcxButtonEdit::DoButtonClick(int index)
{
    TcxButtonEditProperties* props = Properties();
    if (props->OnButtonClick)
        CallHandler([&] { props->OnButtonClick(this, index); });
}

void TcxButtonEdit::MouseDown(int button, POINT p)
{
    int index = ButtonAt(p);
    if (button != 1 || index < 0 || !Properties()->Buttons()->Items(index)->Enabled())
        return;
    m_pressedButton = index;
    SetCapture(Handle());
    UpdateVisualState(p, true);
}

void TcxButtonEdit::MouseUp(int button, POINT p)
{
    if (button != 1 || m_pressedButton < 0)
        return;
    int pressed = m_pressedButton;
    m_pressedButton = -1;
    if (GetCapture() == Handle())
        ReleaseCapture();
    UpdateVisualState(p, true);
    // A click is a press and a release over the same button.
    if (ButtonAt(p) == pressed)
        DoButtonClick(pressed);
}

bool TcxButtonEdit::EditKey(UINT msg, WPARAM key)
{
    if (msg == WM_KEYDOWN) {
        unsigned shift = (GetKeyState(VK_SHIFT) < 0 ? scShift : 0) | (GetKeyState(VK_CONTROL) < 0 ? scCtrl : 0) |
                         (GetKeyState(VK_MENU) < 0 ? scAlt : 0);
        if ((static_cast<unsigned>(key) | shift) == Properties()->ClickKey()) {
            TcxEditButtons* buttons = Properties()->Buttons();
            for (int i = 0; i < buttons->Count(); ++i)
                if (buttons->Items(i)->Default() && buttons->Items(i)->Visible() && buttons->Items(i)->Enabled()) {
                    DoButtonClick(i);
                    return true;
                }
        }
    }
    return TcxCustomTextEdit::EditKey(msg, key);
}

LRESULT TcxButtonEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == Handle()) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    if (msg == WM_CAPTURECHANGED && m_pressedButton >= 0 && reinterpret_cast<HWND>(lParam) != Handle()) {
        m_pressedButton = -1;
        UpdateVisualStateAtCursor(false);
    }
    return TcxCustomTextEdit::WndProc(msg, wParam, lParam);
}

namespace {

void Fill(HDC dc, const RECT& r, TColor c)
{
    UniqueBrush b(CreateSolidBrush(ColorToRGB(c)));
    FillRect(dc, &r, b.get());
}

} // namespace

void TcxButtonEdit::PaintContent(HDC dc)
{
    TcxEditStyle* style = static_cast<TcxEditStyle*>(CurrentStyle());
    TcxEditButtonStyle bs = style->ButtonStyle();
    for (const auto& vi : m_buttonInfos) {
        RECT r = vi.bounds;
        TcxEditButton* b = Properties()->Buttons()->Items(vi.index);
        bool flatLook = bs == btsUltraFlat || bs == btsOffice11 || bs == btsFlat || bs == btsHotFlat;
        if (flatLook) {
            // Flat buttons lie in the frame and light up under the cursor or when pressed.
            Fill(dc, r, vi.pressed ? clHighlight : clBtnFace);
            if (vi.hot || vi.pressed) {
                UniqueBrush frame(CreateSolidBrush(ColorToRGB(clHighlight)));
                FrameRect(dc, &r, frame.get());
            } else {
                Fill(dc, {r.left, r.top, r.left + 1, r.bottom}, clBtnShadow);
            }
        } else {
            Fill(dc, r, clBtnFace);
            DrawEdge(dc, &r, vi.pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        }
        TColor ink = vi.enabled ? (vi.pressed && flatLook ? clHighlightText : clBtnText) : clGrayText;
        int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        switch (b->Kind()) {
        case bkEllipsis: {
            // Three dots, two pixels each when there is room, one pixel apart.
            int dot = (r.right - r.left - 4) > 11 ? 2 : 1;
            int gap = dot == 2 ? 2 : 1;
            int total = 3 * dot + 2 * gap;
            int x = cx - total / 2;
            for (int i = 0; i < 3; ++i)
                Fill(dc, {x + i * (dot + gap), cy - dot / 2, x + i * (dot + gap) + dot, cy - dot / 2 + dot}, ink);
            break;
        }
        case bkDown: {
            for (int i = 0; i < 4; ++i)
                Fill(dc, {cx - 3 + i, cy - 1 + i, cx + 4 - i, cy + i}, ink);
            break;
        }
        case bkText: {
            SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, ColorToRGB(ink));
            SelectGuard font(dc, Font()->Handle());
            DrawTextW(dc, b->Caption().c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        }
        default: break;
        }
    }
}
