#include "cxButtons.h"

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtForms.h"

TcxCustomButton::TcxCustomButton(TComponent* owner) : TNativeButton(owner), m_lookAndFeel(this)
{
    m_lookAndFeel.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { Invalidate(); };
}

const TClassInfo* TcxCustomButton::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomButton", TWinControl::StaticProperties());
        ci.AddObject<TcxCustomButton, TcxLookAndFeel>(L"LookAndFeel", &TcxCustomButton::LookAndFeel);
        ci.AddBool<TNativeButton>(L"Default", &TNativeButton::SetDefault, &TNativeButton::Default);
        ci.AddBool<TNativeButton>(L"Cancel", &TNativeButton::SetCancel, &TNativeButton::Cancel);
        ci.AddInt<TNativeButton>(L"ModalResult", &TNativeButton::SetModalResult, &TNativeButton::ModalResult);
        return ci;
    }();
    return &info;
}

TcxCustomLookAndFeelPainterClass TcxCustomButton::Painter() const
{
    TcxCustomLookAndFeelPainterClass painter = m_lookAndFeel.ActivePainter();
    if (!painter)
        return TcxStandardLookAndFeelPainter::Instance();
    if (painter->PainterStyle() == 4)
        return VisualStylesActive(ThemedTypes({totButton})) ? TcxWinXPLookAndFeelPainter::Instance()
                                                            : TcxStandardLookAndFeelPainter::Instance();
    return painter;
}

TcxButtonState TcxCustomButton::PaintState(bool pressed) const
{
    auto* self = const_cast<TcxCustomButton*>(this);
    if (!self->IsEnabledDeep())
        return cxbsDisabled;
    if (pressed)
        return cxbsPressed;
    if (m_mouseInside && Painter()->ButtonTracksHot())
        return cxbsHot;
    // The default look: focused, or the form's default button while no other button has the focus.
    bool focused = self->HandleAllocated() && GetFocus() == self->Handle();
    if (focused)
        return cxbsDefault;
    if (Default()) {
        auto* other = dynamic_cast<TNativeButton*>(TWinControl::FindControl(GetFocus()));
        if (!other)
            return cxbsDefault;
    }
    return cxbsNormal;
}

void TcxCustomButton::PaintButtonTo(HDC dc, TcxButtonState state, bool focused)
{
    TcxCustomLookAndFeelPainterClass painter = Painter();
    RECT r{0, 0, Width(), Height()};
    TCanvas canvas;
    canvas.SetHandle(dc);
    {
        TcxCanvas cx(&canvas);
        cx.Font().Assign(Font());
        TColor text = painter->ButtonTextColor(state);
        cx.Font().SetColor(text);
        painter->PaintButton(cx, r, Caption(), state, true, clDefault, text);
        if (focused)
            cx.DrawFocusMark(painter->ButtonFocusBounds(cx, r));
    }
    canvas.SetHandle(nullptr);
}

LRESULT TcxCustomButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case CN_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (IsDestroying())
            return TRUE;
        // Painted off screen first, so the face never flickers.
        RECT r = dis->rcItem;
        int w = r.right - r.left, h = r.bottom - r.top;
        UniqueMemoryDC mem(CreateCompatibleDC(dis->hDC));
        UniqueBitmap bmp(CreateCompatibleBitmap(dis->hDC, std::max(w, 1), std::max(h, 1)));
        {
            SelectGuard sel(mem.get(), bmp.get());
            bool pressed = (dis->itemState & ODS_SELECTED) != 0;
            PaintButtonTo(mem.get(), PaintState(pressed), (dis->itemState & ODS_FOCUS) != 0);
            BitBlt(dis->hDC, r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
        }
        return TRUE;
    }
    case WM_LBUTTONDBLCLK:
        // A double click is a second press.
        return TNativeButton::WndProc(WM_LBUTTONDOWN, wParam, lParam);
    case WM_MOUSEMOVE:
        if (!m_mouseInside) {
            m_mouseInside = true;
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, Handle(), 0};
            TrackMouseEvent(&tme);
            if (Enabled())
                Invalidate();
        }
        break;
    case WM_MOUSELEAVE:
        m_mouseInside = false;
        Invalidate();
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT r = TNativeButton::WndProc(msg, wParam, lParam);
        Invalidate();
        return r;
    }
    case WM_ERASEBKGND: return 1;
    default: break;
    }
    return TNativeButton::WndProc(msg, wParam, lParam);
}
