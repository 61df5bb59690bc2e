#include "cxGroupBox.h"

#include "controls/cxAccelerator.h"
#include "controls/cxWindowText.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtAccessibleName.h"

#include <oleacc.h>

#include <algorithm>

namespace {

const TEnumNames kAlignments{{L"alTopLeft", alTopLeft},           {L"alTopCenter", alTopCenter},
                             {L"alTopRight", alTopRight},         {L"alBottomLeft", alBottomLeft},
                             {L"alBottomCenter", alBottomCenter}, {L"alBottomRight", alBottomRight},
                             {L"alLeftTop", alLeftTop},           {L"alLeftCenter", alLeftCenter},
                             {L"alLeftBottom", alLeftBottom},     {L"alRightTop", alRightTop},
                             {L"alRightCenter", alRightCenter},   {L"alRightBottom", alRightBottom},
                             {L"alCenterCenter", alCenterCenter}};
const TEnumNames kBackgroundKinds{{L"pobkGradient", pobkGradient},
                                  {L"pobkOffice11Color", pobkOffice11Color},
                                  {L"pobkStyleColor", pobkStyleColor}};

constexpr int kCaptionOffset = 8; // from the start (or end) of the caption's side

// Where along a side of the given length a caption of the given length starts: 0 near the
// start, 1 centred, 2 near the end.
int PlaceAlong(int start, int length, int text, int where)
{
    switch (where) {
    case 0: return start + kCaptionOffset;
    case 1: return start + (length - text) / 2;
    default: return start + length - kCaptionOffset - text;
    }
}

bool IsEmpty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// A band or border larger than the box leaves no room (an empty rectangle), never an
// inverted one.
void KeepNotInverted(RECT& r, const RECT& bounds)
{
    if (r.right < r.left)
        r.left = r.right =
            std::clamp((r.left + r.right) / 2, bounds.left, std::max(bounds.left, bounds.right));
    if (r.bottom < r.top)
        r.top = r.bottom =
            std::clamp((r.top + r.bottom) / 2, bounds.top, std::max(bounds.top, bounds.bottom));
}

} // namespace

TcxCaptionSide CaptionSideOf(TcxCaptionAlignment a)
{
    static const TcxCaptionSide sides[] = {cxcsTop,    cxcsTop,   cxcsTop,   cxcsBottom, cxcsBottom,
                                           cxcsBottom, cxcsLeft,  cxcsLeft,  cxcsLeft,   cxcsRight,
                                           cxcsRight,  cxcsRight, cxcsCenter};
    return sides[a];
}

TcxGroupBoxLayout CalculateGroupBoxLayout(const RECT& b, TcxCaptionAlignment alignment, SIZE text,
                                          int bandHeight, int frameWidth, bool panel, int panelBorderWidth)
{
    TcxGroupBoxLayout l;
    TcxCaptionSide side = CaptionSideOf(alignment);
    const int width = b.right - b.left, height = b.bottom - b.top;
    const int where = alignment == alCenterCenter ? 1 : static_cast<int>(alignment) % 3;
    const bool hasText = text.cx > 0 && text.cy > 0;
    l.frame = b;
    l.children = b;
    if (panel) {
        InflateRect(&l.children, -panelBorderWidth, -panelBorderWidth);
        KeepNotInverted(l.children, b);
        if (hasText)
            l.caption = l.children;
        return l;
    }
    // Left and right captions are turned by a quarter: their length runs down the side.
    switch (side) {
    case cxcsTop:
    case cxcsBottom: {
        int x = PlaceAlong(b.left, width, text.cx, where);
        int y = side == cxcsTop ? b.top : b.bottom - text.cy;
        if (hasText)
            l.caption = {x, y, x + text.cx, y + text.cy};
        // The frame line runs through the caption's middle; without a caption it stays at the
        // edge, but the band stays reserved for the children.
        int inset = hasText ? bandHeight / 2 + 1 : 0;
        int band = bandHeight + frameWidth + 3;
        if (side == cxcsTop) {
            l.frame.top += inset;
            l.children.top += band;
        } else {
            l.frame.bottom -= inset;
            l.children.bottom -= band;
        }
        break;
    }
    case cxcsLeft:
    case cxcsRight: {
        // Near the start of the side means near the top.
        int y = PlaceAlong(b.top, height, text.cx, where);
        int x = side == cxcsLeft ? b.left : b.right - text.cy;
        if (hasText)
            l.caption = {x, y, x + text.cy, y + text.cx};
        int inset = hasText ? bandHeight / 2 : 0;
        int band = bandHeight + frameWidth + 3;
        if (side == cxcsLeft) {
            l.frame.left += inset;
            l.children.left += band;
        } else {
            l.frame.right -= inset;
            l.children.right -= band;
        }
        break;
    }
    case cxcsCenter:
        if (hasText) {
            int x = b.left + (width - text.cx) / 2, y = b.top + (height - text.cy) / 2;
            l.caption = {x, y, x + text.cx, y + text.cy};
        }
        break;
    }
    // The children also stay off the frame on the other sides.
    if (side != cxcsLeft)
        l.children.left += frameWidth;
    if (side != cxcsTop)
        l.children.top += frameWidth;
    if (side != cxcsRight)
        l.children.right -= frameWidth;
    if (side != cxcsBottom)
        l.children.bottom -= frameWidth;
    KeepNotInverted(l.children, b);
    return l;
}

// ---- TcxPanelStyle ----

const TClassInfo* TcxPanelStyle::StaticProperties()
{
    static const TClassInfo info = [] {
        using P = TcxPanelStyle;
        TClassInfo ci(L"TcxPanelStyle", nullptr);
        ci.AddBool<P>(L"Active", &P::SetActive, &P::Active);
        ci.AddInt<P>(L"BorderWidth", &P::SetBorderWidth, &P::BorderWidth);
        ci.AddInt<P>(L"CaptionIndent", &P::SetCaptionIndent, &P::CaptionIndent);
        ci.AddEnum<P, TcxPanelOffice11BackgroundKind>(L"OfficeBackgroundKind", kBackgroundKinds,
                                                      &P::SetOfficeBackgroundKind, &P::OfficeBackgroundKind);
        ci.AddBool<P>(L"WordWrap", &P::SetWordWrap, &P::WordWrap);
        return ci;
    }();
    return &info;
}

void TcxPanelStyle::Assign(const TPersistent* source)
{
    auto* p = dynamic_cast<const TcxPanelStyle*>(source);
    if (!p) {
        TPersistent::Assign(source);
        return;
    }
    m_active = p->m_active;
    m_borderWidth = p->m_borderWidth;
    m_captionIndent = p->m_captionIndent;
    m_backgroundKind = p->m_backgroundKind;
    m_wordWrap = p->m_wordWrap;
    Changed(true);
}

void TcxPanelStyle::Changed(bool always)
{
    // Settings other than Active show only while the panel look is on.
    if ((always || m_active) && m_owner)
        m_owner->PanelStyleChanged();
}

void TcxPanelStyle::SetActive(bool v)
{
    if (v == m_active)
        return;
    m_active = v;
    Changed(true);
}

void TcxPanelStyle::SetBorderWidth(int v)
{
    v = std::max(v, 0);
    if (v == m_borderWidth)
        return;
    m_borderWidth = v;
    Changed(false);
}

void TcxPanelStyle::SetCaptionIndent(int v)
{
    v = std::max(v, 2);
    if (v == m_captionIndent)
        return;
    m_captionIndent = v;
    Changed(false);
}

void TcxPanelStyle::SetOfficeBackgroundKind(TcxPanelOffice11BackgroundKind v)
{
    if (v == m_backgroundKind)
        return;
    m_backgroundKind = v;
    Changed(false);
}

void TcxPanelStyle::SetWordWrap(bool v)
{
    if (v == m_wordWrap)
        return;
    m_wordWrap = v;
    Changed(false);
}

// ---- TcxGroupBox ----

TcxGroupBox::TcxGroupBox(TComponent* owner) : TcxCustomEdit(owner)
{
    SetTabStop(false);
    SetAutoSize(false);
    InitEdit(new TcxCustomEditProperties(this));
    SetBounds(0, 0, 185, 105);
}

const TClassInfo* TcxGroupBox::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxGroupBox", TcxCustomEdit::StaticProperties());
        ci.AddEnum<TcxGroupBox, TcxCaptionAlignment>(L"Alignment", kAlignments, &TcxGroupBox::SetAlignment,
                                                     &TcxGroupBox::Alignment);
        ci.AddObject<TcxGroupBox, TcxPanelStyle>(L"PanelStyle", &TcxGroupBox::PanelStyle);
        using G = TcxGroupBox;
        // The colour and font a description gives the box are its normal style's: they count
        // as assigned there, and the font is then no longer the parent's.
        ci.AddColor<G>(L"CaptionBkColor", &G::SetCaptionBkColor, &G::CaptionBkColor);
        ci.AddColor<G>(L"Color", &G::SetCaptionBkColor, &G::CaptionBkColor);
        ci.AddObject<G, TFont>(L"Font", &G::StyleFont);
        ci.AddBool<G>(L"ParentBackground", &G::SetParentBackground, &G::ParentBackground);
        ci.AddBool<G>(L"RedrawOnResize", &G::SetRedrawOnResize, &G::RedrawOnResize);
        ci.AddEvent<G, decltype(G::OnCustomDraw)>(L"OnCustomDraw", &G::OnCustomDraw);
        ci.AddEvent<G, decltype(G::OnCustomDrawCaption)>(L"OnCustomDrawCaption", &G::OnCustomDrawCaption);
        ci.AddEvent<G, decltype(G::OnCustomDrawContentBackground)>(L"OnCustomDrawContentBackground",
                                                                   &G::OnCustomDrawContentBackground);
        ci.AddEvent<G, decltype(G::OnMeasureCaptionHeight)>(L"OnMeasureCaptionHeight",
                                                            &G::OnMeasureCaptionHeight);
        return ci;
    }();
    return &info;
}

void TcxGroupBox::SetCaptionBkColor(TColor v)
{
    // A colour of its own ends following the parent's colour, which the style would
    // otherwise keep answering.
    SetParentColor(false);
    Style()->SetColor(v);
}

void TcxGroupBox::SetParentBackground(bool v)
{
    if (v == m_parentBackground)
        return;
    m_parentBackground = v;
    Invalidate();
}

void TcxGroupBox::SetAlignment(TcxCaptionAlignment v)
{
    if (v == m_alignment)
        return;
    m_alignment = v;
    PanelStyleChanged();
}

void TcxGroupBox::PanelStyleChanged()
{
    UpdateVisualStateAtCursor(false);
    AlignControls();
}

bool TcxGroupBox::NativeLook()
{
    return Style()->LookAndFeel()->NativeStyle() && VisualStylesActive(ThemedTypes({totButton}));
}

TcxGroupBoxLayout TcxGroupBox::Layout()
{
    SIZE text{0, 0};
    const std::wstring& caption = Caption();
    int band = TextLineHeight(L"Wg");
    if (OnMeasureCaptionHeight)
        OnMeasureCaptionHeight(this, Style()->LookAndFeel()->ActivePainter(), band);
    if (!caption.empty())
        text = MeasureTextForFont(CaptionFont(), caption);
    int frameWidth =
        (m_viewInfo.borderStyle == cbsNone || m_viewInfo.edges == 0) ? 0 : m_viewInfo.borderWidth;
    return CalculateGroupBoxLayout(BoxBounds(), m_alignment, text, band, frameWidth, m_panelStyle.Active(),
                                   m_panelStyle.BorderWidth());
}

TFont& TcxGroupBox::CaptionFont()
{
    // The style's font with the state's text style and colour, kept apart so that measuring
    // and painting never change the style's own font.
    m_captionFont.Assign(&CurrentStyle()->EffectiveFont());
    return m_captionFont;
}

RECT TcxGroupBox::BoxBounds()
{
    // A shadow takes its width off the right and the bottom.
    const int s = m_viewInfo.shadow ? kShadowWidth : 0;
    return {0, 0, std::max(0, Width() - s), std::max(0, Height() - s)};
}

RECT TcxGroupBox::FrameBounds()
{
    return Layout().frame;
}

RECT TcxGroupBox::CaptionBounds()
{
    return Layout().caption;
}

RECT TcxGroupBox::ClientRect() const
{
    // Before the first layout (no view info yet) the whole control.
    if (!m_laidOut)
        return TcxCustomEdit::ClientRect();
    // Measured for the present size: children are aligned when the size changes, before the
    // next layout of the box itself. (Reading the layout changes nothing.)
    return const_cast<TcxGroupBox*>(this)->Layout().children;
}

void TcxGroupBox::ComputeViewInfo(POINT p, bool hotAllowed)
{
    TcxCustomEdit::ComputeViewInfo(p, hotAllowed);
    m_layout = Layout();
    m_laidOut = true;
    // The frame has no transparent margin: it sits at the edges (minus the caption's half height).
    RECT f = m_layout.frame;
    int w = m_viewInfo.borderStyle == cbsNone ? 0 : m_viewInfo.borderWidth;
    TcxBorders e = m_viewInfo.edges;
    m_viewInfo.borderRect = {f.left + ((e & cxBorder(bLeft)) ? w : 0), f.top + ((e & cxBorder(bTop)) ? w : 0),
                             f.right - ((e & cxBorder(bRight)) ? w : 0),
                             f.bottom - ((e & cxBorder(bBottom)) ? w : 0)};
    m_viewInfo.clientRect = m_viewInfo.borderRect;
}

void TcxGroupBox::PaintBackground(TcxCanvas& canvas)
{
    RECT all = m_viewInfo.bounds;
    bool done = false;
    if (OnCustomDrawContentBackground)
        OnCustomDrawContentBackground(this, canvas, all, Style()->LookAndFeel()->ActivePainter(), done);
    if (done)
        return;
    if (OfficePanel()) {
        TcxCustomLookAndFeelPainterClass office = TcxOffice11LookAndFeelPainter::Instance();
        switch (m_panelStyle.OfficeBackgroundKind()) {
        case pobkGradient:
            office->PaintPanelBackground(canvas, Handle(), Office11GradientLight(), Office11GradientDark(),
                                         all);
            break;
        case pobkOffice11Color:
            office->PaintPanelBackground(canvas, Handle(),
                                         MixColors(Office11GradientLight(), Office11GradientDark(), 50),
                                         clDefault, all);
            break;
        case pobkStyleColor:
            office->PaintPanelBackground(canvas, Handle(), m_viewInfo.backgroundColor, clDefault, all);
            break;
        }
        return;
    }
    if (m_viewInfo.shadow) {
        // The shadow lies 3 pixels right of and below the frame; beside it the parent shows.
        const RECT f = m_layout.frame;
        PaintParentBackground(canvas.Handle());
        FillRectSolid(canvas.Handle(),
                      {f.left + kShadowWidth, f.bottom, f.right + kShadowWidth, f.bottom + kShadowWidth},
                      clBtnShadow);
        FillRectSolid(canvas.Handle(), {f.right, f.top + kShadowWidth, f.right + kShadowWidth, f.bottom},
                      clBtnShadow);
        all = BoxBounds();
    }
    // The theme's group box is open inside: with ParentBackground, what lies behind shows there.
    if (Transparent() || (NativeLook() && m_parentBackground))
        PaintParentBackground(canvas.Handle());
    else
        FillRectSolid(canvas.Handle(), all, m_viewInfo.backgroundColor);
}

void TcxGroupBox::PaintCaption(TcxCanvas& canvas, const RECT& caption)
{
    const std::wstring& text = Caption();
    if (text.empty())
        return;
    bool done = false;
    if (OnCustomDrawCaption)
        OnCustomDrawCaption(this, canvas, caption, Style()->LookAndFeel()->ActivePainter(), done);
    if (done)
        return;
    HDC dc = canvas.Handle();
    TColor colour = CurrentStyle()->TextColor();
    if (NativeLook())
        colour = TcxWinXPLookAndFeelPainter::Instance()->GroupCaptionColor(IsEnabledDeep());
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(colour));
    if (m_panelStyle.Active()) {
        // Inside the panel, indented, placed by the alignment.
        SelectGuard sel(dc, CaptionFont().Handle());
        RECT r = caption;
        InflateRect(&r, -m_panelStyle.CaptionIndent(), -m_panelStyle.CaptionIndent());
        static const UINT horz[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
        TcxCaptionSide side = CaptionSideOf(m_alignment);
        int where = m_alignment == alCenterCenter ? 1 : static_cast<int>(m_alignment) % 3;
        UINT flags = m_panelStyle.WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
        if (side == cxcsTop || side == cxcsBottom)
            flags |= horz[where] | (side == cxcsTop ? DT_TOP : DT_BOTTOM);
        else if (side == cxcsCenter)
            flags |= DT_CENTER | DT_VCENTER;
        else
            flags |= (side == cxcsLeft ? DT_LEFT : DT_RIGHT) | (where == 0   ? DT_TOP
                                                                : where == 1 ? DT_VCENTER
                                                                             : DT_BOTTOM);
        if ((flags & DT_WORDBREAK) && (flags & (DT_VCENTER | DT_BOTTOM))) {
            // Word-wrapped text is placed vertically by its measured height.
            RECT m = r;
            DrawTextW(dc, text.c_str(), -1, &m, DT_WORDBREAK | DT_CALCRECT);
            int free = (r.bottom - r.top) - (m.bottom - m.top);
            r.top += (flags & DT_BOTTOM) ? free : free / 2;
        }
        DrawTextW(dc, text.c_str(), -1, &r, flags);
        return;
    }
    TcxCaptionSide side = CaptionSideOf(m_alignment);
    if (side == cxcsLeft || side == cxcsRight) {
        // Turned by a quarter: left captions read upwards, right captions downwards.
        LOGFONTW lf{};
        GetObjectW(CaptionFont().Handle(), sizeof(lf), &lf);
        lf.lfEscapement = lf.lfOrientation = side == cxcsLeft ? 900 : 2700;
        lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        UniqueFont rotated(CreateFontIndirectW(&lf));
        SelectGuard sel(dc, rotated.get());
        if (side == cxcsLeft)
            TextOutW(dc, caption.left, caption.bottom, text.c_str(), static_cast<int>(text.size()));
        else
            TextOutW(dc, caption.right, caption.top, text.c_str(), static_cast<int>(text.size()));
        return;
    }
    SelectGuard sel(dc, CaptionFont().Handle());
    RECT r = caption;
    DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_NOCLIP);
}

void TcxGroupBox::PaintGroupFrame(TcxCanvas& canvas, const RECT& frame)
{
    const TcxContainerViewInfo& vi = m_viewInfo;
    if (NativeLook()) {
        TcxWinXPLookAndFeelPainter::Instance()->PaintGroupFrame(canvas, frame, cxBordersAll, IsEnabledDeep());
        return;
    }
    if (vi.borderStyle == cbsNone || vi.edges == 0)
        return;
    // The frame lies around the border rectangle, on the sides in Edges only.
    switch (vi.borderStyle) {
    case cbsFlat:
        TcxFlatLookAndFeelPainter::Instance()->PaintGroupFrame(canvas, frame, vi.edges, IsEnabledDeep());
        break;
    case cbs3D:
        TcxStandardLookAndFeelPainter::Instance()->PaintGroupFrame(canvas, frame, vi.edges, IsEnabledDeep());
        break;
    default: canvas.FrameRectBorders(frame, vi.borderColor, vi.borderWidth, vi.edges); break;
    }
}

// A box that fills its plain colour and draws its frame lines around it overdraws nothing: it
// paints on the screen directly. Anything drawn over the fill (a caption, a gradient, what lies
// behind, a shadow, a program's own drawing) goes through the off-screen picture, so that no
// repaint ever shows the fill without it. A box that fills the form this way skips copying a
// picture of the whole window at every paint.
bool TcxGroupBox::PaintsThroughBuffer() const
{
    auto* self = const_cast<TcxGroupBox*>(this);
    if (OnCustomDraw || OnCustomDrawCaption || OnCustomDrawContentBackground || OnBeforePaint ||
        OnCustomBackground)
        return true;
    return !Caption().empty() || m_viewInfo.shadow || Transparent() || self->NativeLook() ||
           self->OfficePanel();
}

bool TcxGroupBox::OfficePanel()
{
    return m_panelStyle.Active() && Style()->LookAndFeel()->Kind() == lfOffice11;
}

void TcxGroupBox::PaintFrame(HDC dc)
{
    bool done = false;
    if (OnCustomDraw)
        OnCustomDraw(this, done);
    if (done)
        return;
    TCanvas base;
    base.SetHandle(dc);
    {
        TcxCanvas canvas(&base);
        SaveDCGuard saved(dc);
        PaintBackground(canvas);
        PaintCaption(canvas, m_layout.caption);
        if (!m_panelStyle.Active()) {
            // The frame runs behind the caption, not through it.
            if (!IsEmpty(m_layout.caption)) {
                RECT gap = m_layout.caption;
                TcxCaptionSide side = CaptionSideOf(m_alignment);
                if (side == cxcsTop || side == cxcsBottom)
                    InflateRect(&gap, 2, 0);
                else
                    InflateRect(&gap, 0, 2);
                ExcludeClipRect(dc, gap.left, gap.top, gap.right, gap.bottom);
            }
            PaintGroupFrame(canvas, m_layout.frame);
        }
    }
    base.SetHandle(nullptr);
}

bool TcxGroupBox::DescribeAccessible(TAccessibleDescription& d)
{
    d.role = ROLE_SYSTEM_GROUPING;
    d.hasName = true;
    d.name = WithoutAccelMarks(Caption());
    return true;
}

void TcxGroupBox::TextChanged()
{
    TcxCustomEdit::TextChanged();
    UpdateVisualStateAtCursor(false);
}

LRESULT TcxGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Children that draw what lies behind them ask the group box for its surface.
    if (msg == WM_PRINTCLIENT) {
        PaintTo(reinterpret_cast<HDC>(wParam));
        return 0;
    }
    // Read from outside as the caption it shows.
    if (msg == WM_GETTEXTLENGTH)
        return static_cast<LRESULT>(Caption().size());
    if (msg == WM_GETTEXT)
        return CopyWindowText(Caption(), wParam, lParam);
    return TcxCustomEdit::WndProc(msg, wParam, lParam);
}

void TcxGroupBox::Resized()
{
    m_resizing = true;
    m_stateBeforeResize = m_viewInfo.state;
    try {
        TcxCustomEdit::Resized();
    } catch (...) {
        m_resizing = false;
        throw;
    }
    m_resizing = false;
}

void TcxGroupBox::InvalidateAfterUpdate()
{
    // The platform repaints the part a growing window uncovers by itself; a change of state
    // during the resize still needs the whole box.
    if (m_resizing && !m_redrawOnResize && m_viewInfo.state == m_stateBeforeResize)
        return;
    TcxCustomEdit::InvalidateAfterUpdate();
}

bool TcxGroupBox::HandleAccelerator(wchar_t key)
{
    if (!HandleAllocated() || !IsWindowVisible(Handle()) || !IsEnabledDeep() ||
        !IsAccelerator(key, Caption()))
        return false;
    TWinControl* first = nullptr;
    for (int i = 0; i < ControlCount(); ++i) {
        TWinControl* c = Controls(i);
        if (c->CanFocus() && c->TabStop() && (!first || c->TabOrder() < first->TabOrder()))
            first = c;
    }
    if (first)
        first->SetFocus();
    return true;
}
