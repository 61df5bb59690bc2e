#include "cxButtons.h"

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtForms.h"

namespace {

const TEnumNames kLayouts{{L"blGlyphLeft", blGlyphLeft},
                          {L"blGlyphRight", blGlyphRight},
                          {L"blGlyphTop", blGlyphTop},
                          {L"blGlyphBottom", blGlyphBottom}};

// The colour of each state and the text colour of each state, by TcxButtonState.
const TcxButtonAssignedColor kFaceOf[] = {cxbcDefault, cxbcNormal, cxbcHot, cxbcPressed, cxbcDisabled};
const TcxButtonAssignedColor kTextOf[] = {cxbcDefaultText, cxbcNormalText, cxbcHotText, cxbcPressedText,
                                          cxbcDisabledText};

} // namespace

const TClassInfo* TcxButtonColors::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonColors", nullptr);
        using B = TcxButtonColors;
        ci.Add({L"Default",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcDefault, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"DefaultText",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcDefaultText, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"Disabled",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcDisabled, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"DisabledText",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcDisabledText, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"Hot",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcHot, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"HotText",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcHotText, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"Normal",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcNormal, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"NormalText",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcNormalText, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"Pressed",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcPressed, ValueToColor(v));
                },
                {},
                {},
                {}});
        ci.Add({L"PressedText",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<B&>(o).Set(cxbcPressedText, ValueToColor(v));
                },
                {},
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxButtonColors::Assign(const TPersistent* source)
{
    auto* c = dynamic_cast<const TcxButtonColors*>(source);
    if (!c) {
        TPersistent::Assign(source);
        return;
    }
    std::copy(std::begin(c->m_colors), std::end(c->m_colors), std::begin(m_colors));
    if (m_owner)
        m_owner->ColorsChanged();
}

void TcxButtonColors::Set(TcxButtonAssignedColor which, TColor color)
{
    if (color == clNone)
        color = clDefault;
    if (m_colors[which] == color)
        return;
    m_colors[which] = color;
    if (m_owner)
        m_owner->ColorsChanged();
}

unsigned TcxButtonColors::AssignedColors() const noexcept
{
    unsigned set = 0;
    for (int i = 0; i < 10; ++i)
        if (m_colors[i] != clDefault)
            set |= 1u << i;
    return set;
}

TColor TcxButtonColors::FaceColor(TcxButtonState state) const
{
    TcxButtonAssignedColor own = kFaceOf[state];
    if (IsAssigned(own))
        return m_colors[own];
    // The normal state falls back to the default colour, every other state to the normal one.
    return state == cxbsNormal ? m_colors[cxbcDefault] : m_colors[cxbcNormal];
}

TColor TcxButtonColors::TextColor(TcxButtonState state) const
{
    TcxButtonAssignedColor own = kTextOf[state];
    if (IsAssigned(own))
        return m_colors[own];
    return state == cxbsNormal ? m_colors[cxbcDefaultText] : m_colors[cxbcNormalText];
}

TcxButtonContentLayout LayoutGlyphAndCaption(int w, int h, SIZE glyph, SIZE caption, TButtonLayout layout,
                                             int margin, int spacing)
{
    if (glyph.cx <= 0 || glyph.cy <= 0 || caption.cx <= 0 || caption.cy <= 0)
        spacing = 0;
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    int room = horizontal ? w : h;
    int total = horizontal ? glyph.cx + caption.cx : glyph.cy + caption.cy;
    if (margin == -1 && spacing == -1)
        margin = spacing = (room - total) / 3;
    else if (margin == -1)
        margin = (room - total - spacing) / 2;
    else if (spacing == -1)
        spacing = (room - margin - total) / 2;
    TcxButtonContentLayout out;
    int glyphAlong = horizontal ? glyph.cx : glyph.cy;
    int captionAlong = horizontal ? caption.cx : caption.cy;
    int glyphAt = 0, captionAt = 0;
    if (layout == blGlyphLeft || layout == blGlyphTop) {
        glyphAt = margin;
        captionAt = margin + glyphAlong + spacing;
    } else {
        glyphAt = room - margin - glyphAlong;
        captionAt = glyphAt - spacing - captionAlong;
    }
    // Across the layout axis both are centred.
    if (horizontal) {
        out.glyph = {glyphAt, (h - glyph.cy) / 2, glyphAt + glyph.cx, (h - glyph.cy) / 2 + glyph.cy};
        out.caption = {captionAt, (h - caption.cy) / 2, captionAt + caption.cx,
                       (h - caption.cy) / 2 + caption.cy};
    } else {
        out.glyph = {(w - glyph.cx) / 2, glyphAt, (w - glyph.cx) / 2 + glyph.cx, glyphAt + glyph.cy};
        out.caption = {(w - caption.cx) / 2, captionAt, (w - caption.cx) / 2 + caption.cx,
                       captionAt + caption.cy};
    }
    return out;
}

TcxCustomButton::TcxCustomButton(TComponent* owner) : TNativeButton(owner), m_lookAndFeel(this)
{
    m_lookAndFeel.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { Invalidate(); };
}

const TClassInfo* TcxCustomButton::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomButton", TWinControl::StaticProperties());
        ci.AddObject<TcxCustomButton, TcxLookAndFeel>(L"LookAndFeel", &TcxCustomButton::LookAndFeel);
        ci.AddObject<TcxCustomButton, TcxButtonColors>(L"Colors", &TcxCustomButton::Colors);
        ci.AddInt<TcxCustomButton>(L"NumGlyphs", &TcxCustomButton::SetNumGlyphs, &TcxCustomButton::NumGlyphs);
        ci.AddInt<TcxCustomButton>(L"Margin", &TcxCustomButton::SetMargin, &TcxCustomButton::Margin);
        ci.AddInt<TcxCustomButton>(L"Spacing", &TcxCustomButton::SetSpacing, &TcxCustomButton::Spacing);
        ci.AddEnum<TcxCustomButton, TButtonLayout>(L"Layout", kLayouts, &TcxCustomButton::SetLayout,
                                                   &TcxCustomButton::Layout);
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
        TColor text = m_colors.TextColor(state);
        if (text == clDefault)
            text = painter->ButtonTextColor(state);
        cx.Font().SetColor(text);
        painter->PaintButton(cx, r, Caption(), state, true, m_colors.FaceColor(state), text);
        if (focused)
            cx.DrawFocusMark(painter->ButtonFocusBounds(cx, r));
    }
    canvas.SetHandle(nullptr);
}

LRESULT TcxCustomButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case CN_DRAWITEM: return OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    case WM_CAPTURECHANGED:
        // Losing the mouse to another window ends any hover.
        if (m_mouseInside) {
            m_mouseInside = false;
            Invalidate();
        }
        break;
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

LRESULT TcxCustomButton::OnDrawItem(const DRAWITEMSTRUCT& dis)
{
    if (IsDestroying())
        return TRUE;
    // Painted off screen first, so the face never flickers.
    RECT r = dis.rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    UniqueMemoryDC mem(CreateCompatibleDC(dis.hDC));
    UniqueBitmap bmp(CreateCompatibleBitmap(dis.hDC, std::max(w, 1), std::max(h, 1)));
    SelectGuard sel(mem.get(), bmp.get());
    // A themed face may leave its corners open: what lies behind the button shows there
    // (the off-screen bitmap starts out undefined).
    if (Painter() == TcxWinXPLookAndFeelPainter::Instance()) {
        TCanvas canvas;
        canvas.SetHandle(mem.get());
        {
            TcxCanvas cx(&canvas);
            PaintParentImage(Handle(), cx, RECT{0, 0, w, h}, false);
        }
        canvas.SetHandle(nullptr);
    }
    bool pressed = (dis.itemState & ODS_SELECTED) != 0;
    m_paintedState = PaintState(pressed);
    m_painted = true;
    PaintButtonTo(mem.get(), m_paintedState, (dis.itemState & ODS_FOCUS) != 0);
    BitBlt(dis.hDC, r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
    return TRUE;
}

void TcxCustomButton::FormFocusChanged()
{
    // The default look follows the focus anywhere in the form, not only this button's own.
    if (!HandleAllocated() || !m_painted)
        return;
    bool isDefault = PaintState(false) == cxbsDefault;
    if (isDefault != (m_paintedState == cxbsDefault))
        Invalidate();
}

void TcxCustomButton::SetNumGlyphs(int v)
{
    if (v < 1 || v > 4 || v == m_numGlyphs)
        return;
    m_numGlyphs = v;
    Invalidate();
}

void TcxCustomButton::SetMargin(int v)
{
    if (v < -1 || v == m_margin)
        return;
    m_margin = v;
    Invalidate();
}

void TcxCustomButton::SetSpacing(int v)
{
    if (v == m_spacing)
        return;
    m_spacing = v;
    Invalidate();
}

void TcxCustomButton::SetLayout(TButtonLayout v)
{
    if (v == m_layout)
        return;
    m_layout = v;
    Invalidate();
}
