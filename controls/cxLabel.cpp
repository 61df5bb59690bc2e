#include "cxLabel.h"

#include "controls/cxAccelerator.h"
#include "controls/cxBitmapCopy.h"
#include "controls/cxWindowText.h"
#include "runtime/rtAccessibleName.h"
#include "runtime/rtStdCtrls.h"
#include "runtime/rtStreaming.h"

#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "runtime/rtGraphicsInfo.h"

#include <oleacc.h>

#include <cmath>

using cxedit::TAlignment;
using cxedit::TcxEditVertAlignment;

namespace {

const TEnumNames kEffects{{L"cxleNormal", cxleNormal},
                          {L"cxleFun", cxleFun},
                          {L"cxleExtrude", cxleExtrude},
                          {L"cxleCool", cxleCool}};
const TEnumNames kStyles{{L"cxlsNormal", cxlsNormal},
                         {L"cxlsRaised", cxlsRaised},
                         {L"cxlsLowered", cxlsLowered},
                         {L"cxlsOutLine", cxlsOutLine}};
const TEnumNames kOrientations{{L"cxoLeft", cxoLeft},         {L"cxoRight", cxoRight},
                               {L"cxoTop", cxoTop},           {L"cxoBottom", cxoBottom},
                               {L"cxoLeftTop", cxoLeftTop},   {L"cxoLeftBottom", cxoLeftBottom},
                               {L"cxoRightTop", cxoRightTop}, {L"cxoRightBottom", cxoRightBottom}};
const TEnumNames kLineAlignments{
    {L"cxllaTop", cxllaTop}, {L"cxllaCenter", cxllaCenter}, {L"cxllaBottom", cxllaBottom}};

constexpr double kPi = 3.14159265358979323846;

} // namespace

int EffectiveLabelAngle(int angle, bool rotatableFont)
{
    return rotatableFont ? (angle % 360 + 360) % 360 : 0;
}

POINT LabelDepthOffset(TcxLabelEffect effect, TcxLabelOrientation orientation, int depth)
{
    if (effect == cxleNormal)
        return {0, 0};
    bool horizontal = orientation != cxoTop && orientation != cxoBottom;
    bool vertical = orientation != cxoLeft && orientation != cxoRight;
    return {horizontal ? depth : 0, vertical ? depth : 0};
}

SIZE RotatedTextSize(int w, int h, int angle)
{
    double a = angle * kPi / 180, c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
    return {static_cast<int>(std::trunc(c * w + s * h + 0.5)),
            static_cast<int>(std::trunc(c * h + s * w + 0.5))};
}

const TClassInfo* TcxLabelLineOptions::StaticProperties()
{
    static const TClassInfo info = [] {
        using L = TcxLabelLineOptions;
        TClassInfo ci(L"TcxLabelLineOptions", nullptr);
        ci.AddEnum<L, TcxLabelLineAlignment>(L"Alignment", kLineAlignments, &L::SetAlignment, &L::Alignment);
        ci.AddColor<L>(L"InnerColor", &L::SetInnerColor, &L::InnerColor);
        ci.AddColor<L>(L"OuterColor", &L::SetOuterColor, &L::OuterColor);
        ci.AddBool<L>(L"Visible", &L::SetVisible, &L::Visible);
        return ci;
    }();
    return &info;
}

void TcxLabelLineOptions::Assign(const TPersistent* source)
{
    auto* o = dynamic_cast<const TcxLabelLineOptions*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    m_alignment = o->m_alignment;
    m_innerColor = o->m_innerColor;
    m_outerColor = o->m_outerColor;
    m_visible = o->m_visible;
    m_owner->OwnedSettingsChanged();
}

void TcxLabelLineOptions::SetAlignment(TcxLabelLineAlignment v)
{
    m_alignment = v;
    m_owner->OwnedSettingsChanged();
}

void TcxLabelLineOptions::SetInnerColor(TColor v)
{
    m_innerColor = v;
    m_owner->OwnedSettingsChanged();
}

void TcxLabelLineOptions::SetOuterColor(TColor v)
{
    m_outerColor = v;
    m_owner->OwnedSettingsChanged();
}

void TcxLabelLineOptions::SetVisible(bool v)
{
    m_visible = v;
    m_owner->OwnedSettingsChanged();
}

const TClassInfo* TcxLabelProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxLabelProperties", TcxCustomEditProperties::StaticProperties());
        ci.AddBool<TcxLabelProperties>(L"WordWrap", &TcxLabelProperties::SetWordWrap,
                                       &TcxLabelProperties::WordWrap);
        ci.AddBool<TcxLabelProperties>(L"ShowAccelChar", &TcxLabelProperties::SetShowAccelChar,
                                       &TcxLabelProperties::ShowAccelChar);
        using P = TcxLabelProperties;
        ci.AddInt<P>(L"Angle", &P::SetAngle, &P::Angle);
        ci.AddInt<P>(L"Depth", &P::SetDepth, &P::Depth);
        ci.AddEnum<P, TcxLabelEffect>(L"LabelEffect", kEffects, &P::SetLabelEffect, &P::LabelEffect);
        ci.AddEnum<P, TcxLabelStyle>(L"LabelStyle", kStyles, &P::SetLabelStyle, &P::LabelStyle);
        ci.AddEnum<P, TcxLabelOrientation>(L"Orientation", kOrientations, &P::SetOrientation,
                                           &P::Orientation);
        ci.AddInt<P>(L"PenWidth", &P::SetPenWidth, &P::PenWidth);
        ci.AddColor<P>(L"ShadowedColor", &P::SetShadowedColor, &P::ShadowedColor);
        ci.AddObject<P, TcxLabelLineOptions>(L"LineOptions", &P::LineOptions);
        AddPictureProperty<P>(ci, L"Glyph", &P::SetGlyph, &P::Glyph);
        ci.AddBool<P>(L"ShowEndEllipsis", &P::SetShowEndEllipsis, &P::ShowEndEllipsis);
        return ci;
    }();
    return &info;
}

void TcxLabelProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxLabelProperties*>(source)) {
        m_lineOptions.Assign(&p->m_lineOptions);
        m_angle = p->m_angle;
        m_depth = p->m_depth;
        m_effect = p->m_effect;
        m_style = p->m_style;
        m_orientation = p->m_orientation;
        m_penWidth = p->m_penWidth;
        m_shadowedColor = p->m_shadowedColor;
        m_wordWrap = p->m_wordWrap;
        m_showAccelChar = p->m_showAccelChar;
        m_showEndEllipsis = p->m_showEndEllipsis;
        m_glyph = p->m_glyph ? CopyBitmap(p->m_glyph->Handle()) : nullptr;
    }
    TcxCustomEditProperties::Assign(source);
}

void TcxLabelProperties::SetWordWrap(bool v)
{
    if (v != m_wordWrap) {
        m_wordWrap = v;
        Changed();
    }
}

void TcxLabelProperties::SetShowAccelChar(bool v)
{
    if (v != m_showAccelChar) {
        m_showAccelChar = v;
        Changed();
    }
}

void TcxLabelProperties::SetGlyph(HBITMAP bitmap)
{
    m_glyph = CopyBitmap(bitmap);
    Changed();
}

TcxLabel::TcxLabel(TComponent* owner) : TcxCustomEdit(owner)
{
    SetTabStop(false);
    InitEdit(new TcxLabelProperties(this));
}

TcxLabel::~TcxLabel()
{
    if (m_focusControl)
        NameFocusControl(true);
}

const TClassInfo* TcxLabel::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxLabel", TcxCustomEdit::StaticProperties());
        ci.AddObject<TcxLabel, TcxLabelProperties>(L"Properties", &TcxLabel::Properties);
        ci.Add({L"FocusControl",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxLabel&>(o).SetFocusControlName(v.text);
                },
                [](const TPersistent& o) {
                    return ReferenceValue(static_cast<const TcxLabel&>(o).FocusControl());
                },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxLabel::TransparentChanged()
{
    m_cacheDirty = true;
    Invalidate();
}

UINT TcxLabel::TextFlags() const
{
    auto* self = const_cast<TcxLabel*>(this);
    TcxLabelProperties* p = self->Properties();
    UINT flags = p->WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
    if (!p->ShowAccelChar())
        flags |= DT_NOPREFIX;
    static const UINT horz[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    flags |= horz[static_cast<int>(p->AlignmentHorz())];
    if (!p->WordWrap()) {
        static const UINT vert[] = {DT_TOP, DT_BOTTOM, DT_VCENTER};
        flags |= vert[static_cast<int>(p->AlignmentVert())];
    }
    return flags;
}

bool TcxLabel::RotatableFont()
{
    TEXTMETRICW tm{};
    HDC dc = MeasureDC();
    SelectGuard sel(dc, Style()->Font()->Handle());
    GetTextMetricsW(dc, &tm);
    return (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

int TcxLabel::EffectiveAngle()
{
    return EffectiveLabelAngle(Properties()->Angle(), RotatableFont());
}

POINT TcxLabel::DepthOffset()
{
    return LabelDepthOffset(Properties()->LabelEffect(), Properties()->Orientation(), Properties()->Depth());
}

int TcxLabel::LetteringShift()
{
    TcxLabelStyle style = Properties()->LabelStyle();
    if (style != cxlsRaised && style != cxlsLowered)
        return 0;
    return Style()->Font()->Size() < 12 ? 1 : 2;
}

// The text alone, as drawn (turned when the label is).
SIZE TcxLabel::TextSize()
{
    std::wstring text = Caption().empty() ? L" " : Caption();
    HDC dc = MeasureDC();
    SelectGuard sel(dc, Style()->Font()->Handle());
    int angle = EffectiveAngle();
    if (angle == 0) {
        RECT r{0, 0,
               Properties()->WordWrap()
                   ? std::max<LONG>(m_viewInfo.clientRect.right - m_viewInfo.clientRect.left, 1)
                   : 0,
               0};
        if (Properties()->WordWrap() && r.right <= 1)
            r.right = std::max(Width(), 1);
        DrawTextW(dc, text.c_str(), -1, &r,
                  (TextFlags() & ~(DT_VCENTER | DT_BOTTOM | DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
        return {r.right - r.left, r.bottom - r.top};
    }
    std::wstring plain = Properties()->ShowAccelChar() ? WithoutAccelMarks(text) : text;
    SIZE s{};
    GetTextExtentPoint32W(dc, plain.c_str(), static_cast<int>(plain.size()), &s);
    return RotatedTextSize(s.cx, s.cy, angle);
}

SIZE TcxLabel::ContentSize()
{
    SIZE s = TextSize();
    POINT depth = DepthOffset();
    int shift = LetteringShift();
    s.cx += depth.x + shift;
    s.cy += depth.y + shift;
    if (m_viewInfo.borderStyle != cbsNone)
        s.cx += 2;
    return s;
}

int TcxLabel::AutoHeight()
{
    SIZE s = ContentSize();
    RECT ext = BorderExtent();
    return s.cy + ext.top + ext.bottom;
}

int TcxLabel::AutoWidth()
{
    SIZE s = ContentSize();
    RECT ext = BorderExtent();
    return s.cx + ext.left + ext.right;
}

void TcxLabel::SetBounds(int left, int top, int width, int height)
{
    if (AutoSize() && !m_constructing && !IsLoading() && Properties()) {
        // Auto size and the divider line exclude each other: auto size switched on hides the
        // line (a line made visible switches auto size off instead).
        if (Properties()->LineOptions()->Visible())
            Properties()->LineOptions()->SetVisible(false);
        if (!Properties()->WordWrap())
            width = AutoWidth();
        height = AutoHeight();
    }
    TcxContainer::SetBounds(left, top, width, height);
}

std::wstring TcxLabel::ShownCaption()
{
    return Properties()->ShowAccelChar() ? WithoutAccelMarks(Caption()) : Caption();
}

void TcxLabel::PropertiesChanged()
{
    m_cacheDirty = true;
    NameFocusControl();
    // A divider line needs a width of its own: it and auto-sizing exclude each other.
    if (Properties()->LineOptions()->Visible() && AutoSize())
        SetAutoSize(false);
    TcxCustomEdit::PropertiesChanged();
}

void TcxLabel::StyleValuesChanged(TcxContainerStyle* style)
{
    m_cacheDirty = true;
    TcxCustomEdit::StyleValuesChanged(style);
}

void TcxLabel::ComputeViewInfo(POINT p, bool hotAllowed)
{
    TcxCustomEdit::ComputeViewInfo(p, hotAllowed);
    CalculateRects();
    // A new size, background or text colour (a state's style, say) draws the content anew.
    TColor text = CurrentStyle()->TextColor();
    if (!EqualRect(&m_cachedClient, &m_viewInfo.clientRect) ||
        m_cachedBackground != m_viewInfo.backgroundColor || m_cachedTextColor != text)
        m_cacheDirty = true;
}

void TcxLabel::SetDisplayValue(const std::wstring& text)
{
    m_showingEditValue = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_showingEditValue};
    SetText(text);
}

bool TcxLabel::DescribeAccessible(TAccessibleDescription& d)
{
    d.role = ROLE_SYSTEM_STATICTEXT;
    d.hasName = true;
    d.name = ShownCaption();
    return true;
}

void TcxLabel::TextChanged()
{
    if (!m_showingEditValue)
        SetEditValue(TcxEditValue::Of(Caption()));
    m_cacheDirty = true;
    NameFocusControl();
    // A status line changes all through a run: a screen reader hears of each new text.
    if (HandleAllocated())
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, Handle(), OBJID_CLIENT, CHILDID_SELF);
    if (AutoSize())
        SetBounds(Left(), Top(), Width(), Height());
    if (!HandleAllocated() || (!RepaintPending() && GetTickCount64() - LastPaintTick() >= kRepaintInterval)) {
        UpdateVisualStateAtCursor(false);
        return;
    }
    if (!m_repaintTimer) {
        m_repaintTimer = std::make_unique<TcxTimer>(nullptr);
        m_repaintTimer->SetInterval(static_cast<unsigned>(kRepaintInterval));
        m_repaintTimer->SetOnTimer([this](TObject*) {
            m_repaintTimer->SetEnabled(false);
            UpdateVisualStateAtCursor(false);
        });
    }
    m_repaintTimer->SetEnabled(true);
}

void TcxLabel::PaintFrame(HDC dc)
{
    // A frame (a border, the hot style's frame, the theme's) is the container's to draw, in
    // the room the measuring keeps for it; it shows the parent around it where transparent.
    if (m_viewInfo.borderStyle != cbsNone) {
        TcxContainer::PaintFrame(dc);
        return;
    }
    if (Transparent())
        PaintParentBackground(dc);
    else {
        UniqueBrush b(CreateSolidBrush(ColorToRGB(m_viewInfo.backgroundColor)));
        FillRect(dc, &m_viewInfo.bounds, b.get());
    }
}

void TcxLabel::CalculateRects()
{
    const RECT& client = m_viewInfo.clientRect;
    SIZE text = TextSize();
    POINT depth = DepthOffset();
    int shift = LetteringShift();
    int w = std::min<int>(text.cx + depth.x + shift, client.right - client.left);
    int h = std::min<int>(text.cy + depth.y + shift, client.bottom - client.top);
    RECT r = client;
    switch (Properties()->AlignmentHorz()) {
    case TAlignment::taLeftJustify: r.right = r.left + w; break;
    case TAlignment::taRightJustify: r.left = r.right - w; break;
    case TAlignment::taCenter:
        r.left += (client.right - client.left - w) / 2;
        r.right = r.left + w;
        break;
    }
    switch (Properties()->AlignmentVert()) {
    case TcxEditVertAlignment::taTopJustify: r.bottom = r.top + h; break;
    case TcxEditVertAlignment::taBottomJustify: r.top = r.bottom - h; break;
    case TcxEditVertAlignment::taVCenter:
        r.top += (client.bottom - client.top - h) / 2;
        r.bottom = r.top + h;
        break;
    }
    m_captionRect = r;
    m_lineRect = {};
    TcxLabelLineOptions* line = Properties()->LineOptions();
    int angle = EffectiveAngle();
    if (!line->Visible() || (angle != 0 && angle != 90))
        return;
    const int t = TcxCustomLookAndFeelPainter::Instance()->LabelLineWidth();
    RECT l = client;
    if (angle == 0) {
        switch (line->Alignment()) {
        case cxllaTop: l.bottom = l.top + t; break;
        case cxllaBottom: l.top = l.bottom - t; break;
        case cxllaCenter:
            l.top += (client.bottom - client.top - t) / 2;
            l.bottom = l.top + t;
            if (Properties()->AlignmentHorz() == TAlignment::taLeftJustify)
                l.left = m_captionRect.right + 3;
            else if (Properties()->AlignmentHorz() == TAlignment::taRightJustify)
                l.right = m_captionRect.left - 3;
            break;
        }
        RECT common;
        if (IntersectRect(&common, &m_captionRect, &l)) {
            if (line->Alignment() == cxllaTop)
                OffsetRect(&m_captionRect, 0, t);
            else if (line->Alignment() == cxllaBottom)
                OffsetRect(&m_captionRect, 0, -t);
        }
    } else {
        switch (line->Alignment()) {
        case cxllaTop: l.right = l.left + t; break;
        case cxllaBottom: l.left = l.right - t; break;
        case cxllaCenter:
            l.left += (client.right - client.left - t) / 2;
            l.right = l.left + t;
            if (Properties()->AlignmentVert() == TcxEditVertAlignment::taTopJustify)
                l.top = m_captionRect.bottom + 3;
            else if (Properties()->AlignmentVert() == TcxEditVertAlignment::taBottomJustify)
                l.bottom = m_captionRect.top - 3;
            break;
        }
        RECT common;
        if (IntersectRect(&common, &m_captionRect, &l)) {
            if (line->Alignment() == cxllaTop)
                OffsetRect(&m_captionRect, t, 0);
            else if (line->Alignment() == cxllaBottom)
                OffsetRect(&m_captionRect, -t, 0);
        }
    }
    m_lineRect = l;
}

// Draws the caption once: at angle 0 into the caption rectangle moved by at, else turned,
// starting at the point at.
void TcxLabel::DrawCaptionAt(HDC dc, POINT at, TColor colour, const RECT& captionRect, bool fill)
{
    const TcxBitmap* glyph = fill ? Properties()->Glyph() : nullptr;
    if (glyph && RotatableFont()) {
        // The letters become the clip, and the picture is tiled over the client area inside it.
        SaveDCGuard saved(dc);
        BeginPath(dc);
        DrawCaptionAt(dc, at, colour, captionRect);
        EndPath(dc);
        SelectClipPath(dc, RGN_AND);
        const RECT& client = m_viewInfo.clientRect;
        for (int y = client.top; y < client.bottom; y += glyph->Height())
            for (int x = client.left; x < client.right; x += glyph->Width())
                BitBlt(dc, x, y, glyph->Width(), glyph->Height(), glyph->DC(), 0, 0, SRCCOPY);
        return;
    }
    std::wstring text = Caption();
    ::SetTextColor(dc, ColorToRGB(colour));
    int angle = EffectiveAngle();
    if (angle == 0) {
        POINT depth = DepthOffset();
        RECT r = captionRect;
        r.right -= depth.x;
        r.bottom -= depth.y;
        OffsetRect(&r, at.x, at.y);
        UINT flags = TextFlags() & ~(DT_VCENTER | DT_BOTTOM);
        if (Properties()->ShowEndEllipsis())
            flags |= DT_END_ELLIPSIS;
        DrawTextW(dc, text.c_str(), -1, &r, flags | DT_NOCLIP);
        return;
    }
    std::wstring plain = Properties()->ShowAccelChar() ? WithoutAccelMarks(text) : text;
    LOGFONTW lf{};
    GetObjectW(Style()->Font()->Handle(), sizeof(lf), &lf);
    lf.lfEscapement = lf.lfOrientation = angle * 10;
    UniqueFont turned(CreateFontIndirectW(&lf));
    SelectGuard sel(dc, turned.get());
    UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
    TextOutW(dc, at.x, at.y, plain.c_str(), static_cast<int>(plain.size()));
    SetTextAlign(dc, oldAlign);
}

void TcxLabel::DrawContent(HDC dc, const RECT&)
{
    std::wstring text = Caption();
    TcxLabelProperties* p = Properties();
    TColor textColour = CurrentStyle()->TextColor();
    SelectGuard sel(dc, Style()->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    if (!text.empty()) {
        const RECT cr = m_captionRect;
        POINT depth = DepthOffset();
        int shift = LetteringShift();
        int angle = EffectiveAngle();
        POINT at{0, 0};
        if (angle != 0) {
            // The turned text is centred in the caption rectangle.
            SIZE plain{};
            std::wstring shown = p->ShowAccelChar() ? WithoutAccelMarks(text) : text;
            GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &plain);
            double a = angle * kPi / 180;
            at.x = static_cast<int>(std::lround((cr.left + cr.right - depth.x) / 2.0 -
                                                plain.cx / 2.0 * std::cos(a) - plain.cy / 2.0 * std::sin(a)));
            at.y = static_cast<int>(std::lround((cr.top + cr.bottom - depth.y) / 2.0 +
                                                plain.cx / 2.0 * std::sin(a) - plain.cy / 2.0 * std::cos(a)));
        }
        if (p->LabelEffect() != cxleNormal && p->Depth() > 0) {
            TcxLabelOrientation o = p->Orientation();
            POINT step = depth;
            if (o == cxoRight || o == cxoRightTop || o == cxoRightBottom) {
                at.x += depth.x + shift;
                step.x = -step.x;
            }
            if (o == cxoBottom || o == cxoLeftBottom || o == cxoRightBottom) {
                at.y += depth.y + shift;
                step.y = -step.y;
            }
            if (p->LabelEffect() != cxleCool) {
                step.x = (step.x > 0) - (step.x < 0);
                step.y = (step.y > 0) - (step.y < 0);
            }
            int count = step.x != 0 ? p->Depth() / std::abs(step.x)
                                    : (step.y != 0 ? p->Depth() / std::abs(step.y) : 0);
            COLORREF back = ColorToRGB(m_viewInfo.backgroundColor), shadow = ColorToRGB(p->ShadowedColor());
            // A depth of up to 65,535 pixels would be as many text draws in every paint. Only
            // copies that reach the area being painted are drawn, and at most kMaxDepthCopies
            // of them: those nearest the text, which cover the ones behind.
            RECT clip{};
            bool culled = angle == 0 && GetClipBox(dc, &clip) != ERROR;
            // (A rectangle cut to a small control may be narrower than the depth.)
            RECT textBox = cr;
            textBox.right = std::max(textBox.right - depth.x, textBox.left);
            textBox.bottom = std::max(textBox.bottom - depth.y, textBox.top);
            // Drawn without clipping, the letters may reach past their rectangle.
            SIZE reach = TextSize();
            InflateRect(&textBox, reach.cx, reach.cy);
            int first = std::max(1, count - kMaxDepthCopies + 1);
            at.x += (first - 1) * step.x;
            at.y += (first - 1) * step.y;
            m_depthCopiesDrawn = 0;
            for (int i = first; i <= count; ++i) {
                RECT box = textBox;
                OffsetRect(&box, at.x, at.y);
                RECT visible{};
                if (!culled || IntersectRect(&visible, &box, &clip)) {
                    TColor c = shadow;
                    if (p->LabelEffect() == cxleFun) {
                        auto mix = [&](int b, int s) { return b + i * (s - b) / count; };
                        c = RGB(mix(GetRValue(back), GetRValue(shadow)),
                                mix(GetGValue(back), GetGValue(shadow)),
                                mix(GetBValue(back), GetBValue(shadow)));
                    }
                    DrawCaptionAt(dc, at, c, cr);
                    ++m_depthCopiesDrawn;
                }
                at.x += step.x;
                at.y += step.y;
            }
            if (step.x < 0)
                at.x -= shift;
            if (step.y < 0)
                at.y -= shift;
        }
        bool large = Style()->Font()->Size() >= 12;
        switch (p->LabelStyle()) {
        case cxlsNormal: DrawCaptionAt(dc, at, textColour, cr, true); break;
        case cxlsRaised:
            DrawCaptionAt(dc, at, clBtnHighlight, cr);
            if (large)
                DrawCaptionAt(dc, {at.x + 2, at.y + 2}, clBtnShadow, cr);
            DrawCaptionAt(dc, {at.x + 1, at.y + 1}, textColour, cr, true);
            break;
        case cxlsLowered:
            if (Style()->Font()->Size() > 11)
                DrawCaptionAt(dc, at, clBtnShadow, cr);
            DrawCaptionAt(dc, {at.x + 2, at.y + 2}, clBtnHighlight, cr);
            DrawCaptionAt(dc, {at.x + 1, at.y + 1}, textColour, cr, true);
            break;
        case cxlsOutLine:
            DrawCaptionAt(dc, at, textColour, cr, true);
            if (RotatableFont()) {
                // The letters' outline traced with a pen of the text colour.
                BeginPath(dc);
                DrawCaptionAt(dc, at, textColour, cr);
                EndPath(dc);
                UniquePen pen(CreatePen(PS_SOLID, std::max(p->PenWidth(), 1), ColorToRGB(textColour)));
                SelectGuard penSel(dc, pen.get());
                StrokePath(dc);
            }
            break;
        }
    }
    if (!IsRectEmpty(&m_lineRect)) {
        SaveDCGuard saved(dc);
        RECT gap = m_captionRect;
        bool vertical = EffectiveAngle() == 90;
        if (vertical)
            InflateRect(&gap, 0, 3);
        else
            InflateRect(&gap, 3, 0);
        ExcludeClipRect(dc, gap.left, gap.top, gap.right, gap.bottom);
        TCanvas base;
        base.SetHandle(dc);
        {
            TcxCanvas canvas(&base);
            TcxCustomLookAndFeelPainter::Instance()->PaintLabelLine(
                canvas, m_lineRect, vertical, p->LineOptions()->InnerColor(), p->LineOptions()->OuterColor());
        }
        base.SetHandle(nullptr);
    }
}

void TcxLabel::PaintContent(HDC dc)
{
    const RECT& client = m_viewInfo.clientRect;
    int w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0)
        return;
    // A transparent label shows whatever lies behind it, so it draws its text every time.
    if (Transparent()) {
        DrawContent(dc, client);
        return;
    }
    if (m_cacheDirty || !m_captionBitmap || m_captionBitmap->Width() != w || m_captionBitmap->Height() != h) {
        if (!m_captionBitmap || m_captionBitmap->Width() != w || m_captionBitmap->Height() != h)
            m_captionBitmap = std::make_unique<TcxBitmap>(w, h, 32);
        HDC cache = m_captionBitmap->DC();
        FillRectSolid(cache, {0, 0, w, h}, m_viewInfo.backgroundColor);
        // Drawn in client coordinates, the picture's origin at the client area's.
        SetWindowOrgEx(cache, client.left, client.top, nullptr);
        DrawContent(cache, client);
        SetWindowOrgEx(cache, 0, 0, nullptr);
        m_cachedClient = client;
        m_cachedBackground = m_viewInfo.backgroundColor;
        m_cachedTextColor = CurrentStyle()->TextColor();
        m_cacheDirty = false;
    }
    BitBlt(dc, client.left, client.top, w, h, m_captionBitmap->DC(), 0, 0, SRCCOPY);
}

void TcxLabel::SetFocusControl(TWinControl* control)
{
    if (control == this || control == m_focusControl)
        return;
    if (m_focusControl) {
        NameFocusControl(true);
        m_focusControl->RemoveFreeNotification(this);
    }
    m_focusControl = control;
    if (control)
        control->FreeNotification(this);
    PlaceBeforeFocusControl();
    NameFocusControl();
}

namespace {

void NameEditBoxes(TWinControl* control, const std::wstring& name)
{
    for (int i = 0; i < control->ControlCount(); ++i) {
        TWinControl* child = control->Controls(i);
        if (dynamic_cast<TNativeEdit*>(child))
            child->SetAccessibleName(name);
        NameEditBoxes(child, name);
    }
}

} // namespace

// A field of the library is a frame around the platform's edit box: the edit box is what a
// screen reader meets, and the platform looks for its name in a static text just before it
// inside the frame, where there is none.
void TcxLabel::NameFocusControl(bool clear)
{
    if (!m_focusControl)
        return;
    const std::wstring name = clear ? std::wstring() : ShownCaption();
    m_focusControl->SetAccessibleName(name);
    NameEditBoxes(m_focusControl, name);
}

void TcxLabel::SetFocusControlName(const std::wstring& name)
{
    m_focusControlName = name;
    if (!IsLoading())
        Loaded();
}

void TcxLabel::Loaded()
{
    TcxCustomEdit::Loaded();
    if (m_focusControlName.empty() || !Owner())
        return;
    if (auto* control = dynamic_cast<TWinControl*>(Owner()->FindComponent(m_focusControlName)))
        SetFocusControl(control);
    m_focusControlName.clear();
}

void TcxLabel::Notification(TComponent* component, TOperation operation)
{
    TcxCustomEdit::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_focusControl)
        m_focusControl = nullptr;
}

void TcxLabel::HandleCreated()
{
    TcxCustomEdit::HandleCreated();
    PlaceBeforeFocusControl();
}

// The platform's accessibility proxies name a field after the static text just before it in
// the window order, so the label's window goes right before its control's.
void TcxLabel::PlaceBeforeFocusControl()
{
    if (!m_focusControl || !HandleAllocated() || !m_focusControl->HandleAllocated() ||
        GetParent(Handle()) != GetParent(m_focusControl->Handle()))
        return;
    HWND field = m_focusControl->Handle();
    HWND before = GetWindow(field, GW_HWNDPREV);
    if (before == Handle())
        return;
    SetWindowPos(Handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

LRESULT TcxLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    // Asked from outside (a screen reader), the label reads as what it shows, and as static
    // text, so that the field after it takes its caption as name.
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Caption().size());
    case WM_GETTEXT: return CopyWindowText(Caption(), wParam, lParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    default: break;
    }
    return TcxCustomEdit::WndProc(msg, wParam, lParam);
}

bool TcxLabel::HandleAccelerator(wchar_t key)
{
    if (!m_focusControl || !IsEnabledDeep() || !Properties()->ShowAccelChar() ||
        !IsAccelerator(key, Caption()))
        return false;
    if (m_focusControl->CanFocus())
        m_focusControl->SetFocus();
    return true;
}
