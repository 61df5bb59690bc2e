#include "cxButtons.h"

#include "controls/cxAccelerator.h"
#include "controls/cxBitmapCopy.h"

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtAccessibleName.h"
#include "runtime/rtForms.h"
#include "runtime/rtStreaming.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>

namespace {

const TEnumNames kPaintStyles{
    {L"bpsDefault", bpsDefault}, {L"bpsCaption", bpsCaption}, {L"bpsGlyph", bpsGlyph}};
const TEnumNames kKinds{{L"cxbkStandard", cxbkStandard},
                        {L"cxbkDropDown", cxbkDropDown},
                        {L"cxbkDropDownButton", cxbkDropDownButton}};
const TEnumNames kPopupAlignments{{L"paLeft", paLeft}, {L"paRight", paRight}, {L"paCenter", paCenter}};

// Posted to the button: open the drop-down menu; the menu has closed.
constexpr UINT kDropDownMessage = WM_APP + 0x2201;
constexpr UINT kCloseUpMessage = WM_APP + 0x2202;

const TEnumNames kBiDiModes{{L"bdLeftToRight", bdLeftToRight},
                            {L"bdRightToLeft", bdRightToLeft},
                            {L"bdRightToLeftNoAlign", bdRightToLeftNoAlign},
                            {L"bdRightToLeftReadingOnly", bdRightToLeftReadingOnly}};
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
        static const std::pair<const wchar_t*, TcxButtonAssignedColor> kColors[] = {
            {L"Default", cxbcDefault},   {L"DefaultText", cxbcDefaultText},
            {L"Disabled", cxbcDisabled}, {L"DisabledText", cxbcDisabledText},
            {L"Hot", cxbcHot},           {L"HotText", cxbcHotText},
            {L"Normal", cxbcNormal},     {L"NormalText", cxbcNormalText},
            {L"Pressed", cxbcPressed},   {L"PressedText", cxbcPressedText}};
        for (const auto& [name, which] : kColors)
            ci.Add({name,
                    [which](TPersistent& o, const TValue& v, const TReaderContext*) {
                        static_cast<B&>(o).Set(which, ValueToColor(v));
                    },
                    [which](const TPersistent& o) {
                        return TValue::Id(ColorToIdent(static_cast<const B&>(o).Get(which)));
                    },
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

// ---- TcxSpeedButtonOptions ----

const TClassInfo* TcxSpeedButtonOptions::StaticProperties()
{
    static const TClassInfo info = [] {
        using O = TcxSpeedButtonOptions;
        TClassInfo ci(L"TcxSpeedButtonOptions", nullptr);
        ci.AddBool<O>(L"CanBeFocused", &O::SetCanBeFocused, &O::CanBeFocused);
        ci.AddInt<O>(L"GroupIndex", &O::SetGroupIndex, &O::GroupIndex);
        ci.AddBool<O>(L"AllowAllUp", &O::SetAllowAllUp, &O::AllowAllUp);
        ci.AddBool<O>(L"Down", &O::SetDown, &O::Down);
        ci.AddBool<O>(L"Flat", &O::SetFlat, &O::Flat);
        ci.AddBool<O>(L"Transparent", &O::SetTransparent, &O::Transparent);
        return ci;
    }();
    return &info;
}

void TcxSpeedButtonOptions::Assign(const TPersistent* source)
{
    auto* o = dynamic_cast<const TcxSpeedButtonOptions*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    m_canBeFocused = o->m_canBeFocused;
    m_groupIndex = o->m_groupIndex;
    m_allowAllUp = o->m_allowAllUp;
    m_flat = o->m_flat;
    m_transparent = o->m_transparent;
    SetDown(o->m_down);
    Changed();
}

void TcxSpeedButtonOptions::Changed()
{
    if (m_owner)
        m_owner->SpeedButtonOptionsChanged();
}

void TcxSpeedButtonOptions::SetCanBeFocused(bool v)
{
    if (v == m_canBeFocused)
        return;
    m_canBeFocused = v;
    Changed();
}

void TcxSpeedButtonOptions::SetGroupIndex(int v)
{
    if (v == m_groupIndex)
        return;
    m_groupIndex = v;
    if (v == 0)
        m_down = false;
    Changed();
}

void TcxSpeedButtonOptions::SetAllowAllUp(bool v)
{
    if (v == m_allowAllUp)
        return;
    m_allowAllUp = v;
    Changed();
}

void TcxSpeedButtonOptions::SetFlat(bool v)
{
    if (v == m_flat)
        return;
    m_flat = v;
    Changed();
}

void TcxSpeedButtonOptions::SetTransparent(bool v)
{
    if (v == m_transparent)
        return;
    m_transparent = v;
    Changed();
}

void TcxSpeedButtonOptions::SetDown(bool v)
{
    if (m_groupIndex == 0)
        v = false;
    if (v == m_down || (m_down && !m_allowAllUp))
        return;
    m_down = v;
    if (v && m_owner && m_owner->Parent()) {
        // The others of the group come up and take this one's behaviour.
        TWinControl* parent = m_owner->Parent();
        for (int i = 0; i < parent->ControlCount(); ++i) {
            auto* other = dynamic_cast<TcxCustomButton*>(parent->Controls(i));
            if (!other || other == m_owner || other->SpeedButtonOptions()->m_groupIndex != m_groupIndex)
                continue;
            TcxSpeedButtonOptions* o = other->SpeedButtonOptions();
            o->m_down = false;
            o->m_canBeFocused = m_canBeFocused;
            o->m_allowAllUp = m_allowAllUp;
            o->m_flat = m_flat;
            o->m_transparent = m_transparent;
            o->Changed();
        }
    }
    Changed();
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
    // A button painted by the system takes a new look only with a new window.
    m_lookAndFeel.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) {
        if (m_useSystemPaint && HandleAllocated())
            RecreateWnd();
        else
            Invalidate();
    };
}

TcxCustomButton::~TcxCustomButton() = default;

const TClassInfo* TcxCustomButton::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomButton", TWinControl::StaticProperties());
        ci.AddObject<TcxCustomButton, TcxLookAndFeel>(L"LookAndFeel", &TcxCustomButton::LookAndFeel);
        ci.AddObject<TcxCustomButton, TcxButtonColors>(L"Colors", &TcxCustomButton::Colors);
        ci.AddObject<TcxCustomButton, TcxSpeedButtonOptions>(L"SpeedButtonOptions",
                                                             &TcxCustomButton::SpeedButtonOptions);
        ci.AddInt<TcxCustomButton>(L"NumGlyphs", &TcxCustomButton::SetNumGlyphs, &TcxCustomButton::NumGlyphs);
        ci.AddInt<TcxCustomButton>(L"Margin", &TcxCustomButton::SetMargin, &TcxCustomButton::Margin);
        ci.AddInt<TcxCustomButton>(L"Spacing", &TcxCustomButton::SetSpacing, &TcxCustomButton::Spacing);
        ci.AddEnum<TcxCustomButton, TcxButtonPaintStyle>(
            L"PaintStyle", kPaintStyles, &TcxCustomButton::SetPaintStyle, &TcxCustomButton::PaintStyle);
        ci.AddEnum<TcxCustomButton, TButtonLayout>(L"Layout", kLayouts, &TcxCustomButton::SetLayout,
                                                   &TcxCustomButton::Layout);
        ci.AddBool<TNativeButton>(L"Default", &TNativeButton::SetDefault, &TNativeButton::Default);
        ci.AddBool<TNativeButton>(L"Cancel", &TNativeButton::SetCancel, &TNativeButton::Cancel);
        ci.AddInt<TNativeButton>(L"ModalResult", &TNativeButton::SetModalResult, &TNativeButton::ModalResult);
        AddPictureProperty<TcxCustomButton>(ci, L"Glyph", &TcxCustomButton::SetGlyph,
                                            &TcxCustomButton::Glyph);
        ci.AddEnum<TcxCustomButton, TcxButtonKind>(L"Kind", kKinds, &TcxCustomButton::SetKind,
                                                   &TcxCustomButton::Kind);
        ci.AddEnum<TcxCustomButton, TPopupAlignment>(L"PopupAlignment", kPopupAlignments,
                                                     &TcxCustomButton::SetPopupAlignment,
                                                     &TcxCustomButton::PopupAlignment);
        ci.Add({L"DropDownMenu",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxCustomButton&>(o).SetDropDownMenuName(v.text);
                },
                [](const TPersistent& o) {
                    return ReferenceValue(static_cast<const TcxCustomButton&>(o).DropDownMenu());
                },
                {},
                {}});
        ci.Add({L"PopupMenu",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxCustomButton&>(o).SetPopupMenuName(v.text);
                },
                [](const TPersistent& o) {
                    return ReferenceValue(static_cast<const TcxCustomButton&>(o).PopupMenu());
                },
                {},
                {}});
        ci.AddBool<TcxCustomButton>(L"CanBeFocused", &TcxCustomButton::SetCanBeFocused,
                                    &TcxCustomButton::CanBeFocused);
        ci.AddInt<TcxCustomButton>(L"GroupIndex", &TcxCustomButton::SetGroupIndex,
                                   &TcxCustomButton::GroupIndex);
        ci.AddBool<TcxCustomButton>(L"AllowAllUp", &TcxCustomButton::SetAllowAllUp,
                                    &TcxCustomButton::AllowAllUp);
        ci.AddBool<TcxCustomButton>(L"Down", &TcxCustomButton::SetDown, &TcxCustomButton::Down);
        ci.AddBool<TcxCustomButton>(L"UseSystemPaint", &TcxCustomButton::SetUseSystemPaint,
                                    &TcxCustomButton::UseSystemPaint);
        ci.AddBool<TcxCustomButton>(L"WordWrap", &TcxCustomButton::SetWordWrap, &TcxCustomButton::WordWrap);
        ci.AddEnum<TcxCustomButton, TBiDiMode>(L"BiDiMode", kBiDiModes, &TcxCustomButton::SetBiDiMode,
                                               &TcxCustomButton::BiDiMode);
        ci.AddEvent<TcxCustomButton, TcxButtonGetDrawParamsEvent>(L"OnGetDrawParams",
                                                                  &TcxCustomButton::OnGetDrawParams);
        ci.AddEvent<TcxCustomButton, TcxButtonDropDownMenuPopupEvent>(L"OnDropDownMenuPopup",
                                                                      &TcxCustomButton::OnDropDownMenuPopup);
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
    // A press on the arrow part presses only that part; an open menu keeps a whole-button
    // drop-down pressed.
    if ((pressed && !m_dropDownPressed) || (m_menuOpen && m_kind == cxbkDropDown))
        return cxbsPressed;
    if (IsSpeedButton() && (m_speedButtonOptions.Down() || (m_pressed && m_mouseInside)))
        return cxbsPressed;
    if (m_mouseInside && Painter()->ButtonTracksHot())
        return cxbsHot;
    // The default look: focused, or the form's default button while no other button has the focus.
    if (!m_speedButtonOptions.CanBeFocused())
        return cxbsNormal;
    bool focused =
        m_drawnFocus >= 0 ? m_drawnFocus != 0 : self->HandleAllocated() && GetFocus() == self->Handle();
    if (focused)
        return cxbsDefault;
    if (Default()) {
        auto* other = dynamic_cast<TNativeButton*>(TWinControl::FindControl(GetFocus()));
        if (!other)
            return cxbsDefault;
    }
    return cxbsNormal;
}

RECT TcxCustomButton::ContentRect(TcxButtonState state)
{
    int frame = Painter()->ButtonFrameWidth(state);
    const int cut = m_kind == cxbkDropDownButton ? kDropDownMainCut : 0;
    return {frame, frame, Width() - cut - frame, Height() - frame};
}

TcxButtonContentLayout TcxCustomButton::ContentLayout(TcxButtonState state)
{
    TcxCustomLookAndFeelPainterClass painter = Painter();
    RECT content = ContentRect(state);
    bool showGlyph = m_glyph && m_paintStyle != bpsCaption;
    bool showCaption = m_paintStyle != bpsGlyph || !m_glyph;
    SIZE glyph{0, 0}, caption{0, 0};
    if (showGlyph)
        glyph = {m_glyph->Width() / m_numGlyphs, m_glyph->Height()};
    if (showCaption && !Caption().empty()) {
        caption = MeasureTextForFont(*Font(), Caption());
        if (m_wordWrap) {
            // Wrapped at the width the glyph leaves beside it.
            const bool beside = m_layout == blGlyphLeft || m_layout == blGlyphRight;
            int width = content.right - content.left -
                        (beside && glyph.cx > 0 ? glyph.cx + std::max(m_spacing, 0) : 0);
            RECT measured{0, 0, std::max(width, 1), 0};
            HDC screen = GetDC(nullptr);
            {
                SelectGuard sel(screen, Font()->Handle());
                DrawTextW(screen, Caption().c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK);
            }
            ReleaseDC(nullptr, screen);
            caption = {measured.right - measured.left, measured.bottom - measured.top};
        }
    }
    TButtonLayout layout = m_layout;
    if (UseRightToLeftReading() && (layout == blGlyphLeft || layout == blGlyphRight))
        layout = layout == blGlyphLeft ? blGlyphRight : blGlyphLeft;
    TcxButtonContentLayout l =
        LayoutGlyphAndCaption(content.right - content.left, content.bottom - content.top, glyph, caption,
                              layout, m_margin, m_spacing);
    int shift = state == cxbsPressed ? painter->ButtonPressShift() : 0;
    OffsetRect(&l.glyph, content.left + shift, content.top + shift);
    OffsetRect(&l.caption, content.left + shift, content.top + shift);
    return l;
}

void TcxCustomButton::PaintGlyph(HDC dc, const RECT& at, TcxButtonState state)
{
    // The image for the state when the picture holds it (normal, disabled, pressed, down),
    // else the normal one.
    int index = 0;
    if (state == cxbsDisabled && m_numGlyphs >= 2)
        index = 1;
    else if (state == cxbsPressed && m_speedButtonOptions.Down() && m_numGlyphs >= 4)
        index = 3;
    else if (state == cxbsPressed && m_numGlyphs >= 3)
        index = 2;
    int w = m_glyph->Width() / m_numGlyphs, h = m_glyph->Height();
    HDC src = m_glyph->DC();
    COLORREF key = GetPixel(src, 0, h - 1);
    // Transparent copy: the key colour's pixels masked out.
    UniqueMemoryDC maskDC(CreateCompatibleDC(dc));
    UniqueBitmap mask(CreateBitmap(w, h, 1, 1, nullptr));
    SelectGuard maskSel(maskDC.get(), mask.get());
    COLORREF oldBk = SetBkColor(src, key);
    BitBlt(maskDC.get(), 0, 0, w, h, src, index * w, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    if (state == cxbsDisabled && m_numGlyphs == 1) {
        // No disabled image: the picture's shape embossed, a highlight copy one pixel right
        // and down under a shadow copy, in place of its colours.
        COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
        COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
        // Where the mask is black (the picture) the brush, elsewhere what is there.
        constexpr DWORD kBrushWhereBlack = 0x00B8074A;
        for (auto [offset, colour] : {std::pair{1, clBtnHighlight}, std::pair{0, clBtnShadow}}) {
            UniqueBrush brush(CreateSolidBrush(ColorToRGB(colour)));
            SelectGuard brushSel(dc, brush.get());
            BitBlt(dc, at.left + offset, at.top + offset, w, h, maskDC.get(), 0, 0, kBrushWhereBlack);
        }
        ::SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
        return;
    }
    COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, at.left, at.top, w, h, src, index * w, 0, SRCINVERT);
    BitBlt(dc, at.left, at.top, w, h, maskDC.get(), 0, 0, SRCAND);
    BitBlt(dc, at.left, at.top, w, h, src, index * w, 0, SRCINVERT);
    ::SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

namespace {

// Limits a device context's clip to a rectangle and gives the clip back at the end of the
// scope, leaving the selected objects alone (the canvas keeps track of those).
class ContentClip {
public:
    ContentClip(HDC dc, const RECT& r) : m_dc(dc), m_saved(CreateRectRgn(0, 0, 0, 0))
    {
        m_had = GetClipRgn(dc, m_saved.get()) == 1;
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    ~ContentClip() { SelectClipRgn(m_dc, m_had ? m_saved.get() : nullptr); }
    ContentClip(const ContentClip&) = delete;
    ContentClip& operator=(const ContentClip&) = delete;

private:
    HDC m_dc;
    UniqueRegion m_saved;
    bool m_had = false;
};

} // namespace

void TcxCustomButton::PaintButtonTo(HDC dc, TcxButtonState state, bool focused)
{
    TcxCustomLookAndFeelPainterClass painter = Painter();
    RECT r{0, 0, Width() - (m_kind == cxbkDropDownButton ? kDropDownMainCut : 0), Height()};
    std::optional<TCanvas> nested;
    TCanvas& canvas = m_paintCanvas.HandleAllocated() ? nested.emplace() : m_paintCanvas;
    if (&canvas == &m_paintCanvas) {
        // What the last paint left in the kept canvas goes back to a new canvas's defaults.
        static const TBrush kDefaultBrush;
        static const TPen kDefaultPen;
        canvas.Brush().Assign(&kDefaultBrush);
        canvas.Pen().Assign(&kDefaultPen);
        canvas.SetCopyMode(SRCCOPY);
    }
    canvas.SetHandle(dc);
    {
        TcxCanvas cx(&canvas);
        cx.Font().Assign(Font());
        TColor text = m_colors.TextColor(state);
        if (text == clDefault)
            text = painter->ButtonTextColor(state);
        cx.Font().SetColor(text);
        // The owner may change the face colour and the font last.
        TColor face = m_colors.FaceColor(state);
        if (OnGetDrawParams) {
            CallHandler([&] { OnGetDrawParams(this, state, face, &cx.Font()); });
            text = cx.Font().Color();
        }
        const bool flat = m_speedButtonOptions.Flat(), transparent = m_speedButtonOptions.Transparent();
        const bool resting = state == cxbsNormal || (state == cxbsDisabled && !m_mouseInside);
        if (flat || transparent) {
            // A speed button's frame: none under a skin, the native style or the Office 2003
            // look; else the painter's, a flat button's only while it is used (hot, pressed,
            // down, default).
            RECT faceRect = r;
            const bool frameless = m_lookAndFeel.SkinPainter() || m_lookAndFeel.NativeStyle() ||
                                   m_lookAndFeel.Kind() == lfOffice11;
            if (!frameless && (!flat || (state != cxbsDisabled && state != cxbsNormal))) {
                painter->PaintButtonFrame(cx, r, state);
                const int width = painter->ButtonFrameWidth(state);
                InflateRect(&faceRect, -width, -width);
            }
            {
                // The face without a border; a transparent button at rest shows what lies
                // behind it instead.
                ContentClip faceClip(dc, faceRect);
                const bool showsParent = transparent && resting &&
                                         !(m_mouseInside && painter->ButtonTracksHot()) && HandleAllocated();
                if (showsParent)
                    PaintParentImage(Handle(), cx, r, false);
                else
                    painter->PaintButton(cx, faceRect, L"", state, false, face, text);
            }
            canvas.RequiredState(TCanvas::csFontValid);
            SetBkMode(dc, TRANSPARENT);
            ContentClip clipped(dc, ContentRect(state));
            // The layout places the caption (wrapped, centred, moved by the press) with or
            // without a glyph.
            const TcxButtonContentLayout l = ContentLayout(state);
            if (m_glyph && m_paintStyle != bpsCaption)
                PaintGlyph(dc, l.glyph, state);
            if (!m_glyph || m_paintStyle != bpsGlyph)
                DrawCaption(dc, l.caption, state, painter, text);
        } else if (!m_glyph && !m_wordWrap) {
            painter->PaintButton(cx, r, Caption(), state, true, face, text);
        } else if (!m_glyph) {
            // A wrapped caption is laid out and drawn here, the same under every painter.
            painter->PaintButton(cx, r, L"", state, true, face, text);
            canvas.RequiredState(TCanvas::csFontValid);
            SetBkMode(dc, TRANSPARENT);
            ContentClip clipped(dc, ContentRect(state));
            DrawCaption(dc, ContentLayout(state).caption, state, painter, text);
        } else {
            // Face without caption; glyph and caption laid out in the content rectangle.
            painter->PaintButton(cx, r, L"", state, true, face, text);
            // Glyph and caption stay inside the frame.
            ContentClip clipped(dc, ContentRect(state));
            TcxButtonContentLayout l = ContentLayout(state);
            if (m_paintStyle != bpsCaption)
                PaintGlyph(dc, l.glyph, state);
            if (m_paintStyle != bpsGlyph && !Caption().empty()) {
                canvas.RequiredState(TCanvas::csFontValid);
                SetBkMode(dc, TRANSPARENT);
                DrawCaption(dc, l.caption, state, painter, text);
            }
        }
        if (m_kind == cxbkDropDownButton)
            PaintDropDownPart(cx, painter, state, text);
        if (focused && !m_menuOpen)
            cx.DrawFocusMark(painter->ButtonFocusBounds(cx, r));
    }
    canvas.SetHandle(nullptr);
}

// The caption beside a glyph or on a flat face. Disabled, it is embossed as the painters
// emboss theirs (a highlight copy one pixel right and down first), except under the theme,
// whose disabled text colour says it alone.
void TcxCustomButton::DrawCaption(HDC dc, RECT r, TcxButtonState state,
                                  TcxCustomLookAndFeelPainterClass painter, TColor text)
{
    const UINT reading = UseRightToLeftReading() ? DT_RTLREADING : 0;
    const UINT flags = reading | (m_wordWrap ? DT_WORDBREAK | DT_CENTER | DT_NOCLIP
                                             : DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP);
    if (state == cxbsDisabled && painter != TcxWinXPLookAndFeelPainter::Instance()) {
        RECT shifted = r;
        OffsetRect(&shifted, 1, 1);
        ::SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawTextW(dc, Caption().c_str(), -1, &shifted, flags);
    }
    ::SetTextColor(dc, ColorToRGB(text));
    DrawTextW(dc, Caption().c_str(), -1, &r, flags);
}

void TcxCustomButton::SetPaintStyle(TcxButtonPaintStyle v)
{
    if (v == m_paintStyle)
        return;
    m_paintStyle = v;
    Invalidate();
}

void TcxCustomButton::SetGlyph(HBITMAP bitmap)
{
    m_glyph = CopyBitmap(bitmap);
    Invalidate();
}

LRESULT TcxCustomButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case CN_DRAWITEM: return OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    case WM_PAINT:
    case WM_PRINTCLIENT: return OnPaintMessage(reinterpret_cast<HDC>(wParam));
    case WM_CAPTURECHANGED:
        // Losing the mouse to another window ends any hover and press.
        if (m_mouseInside || m_pressed) {
            m_mouseInside = false;
            m_pressed = false;
            Invalidate();
        }
        break;
    case WM_LBUTTONDOWN:
        if (OnDropDownPress(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            return 0;
        if (!m_speedButtonOptions.CanBeFocused()) {
            // Pressed without taking the focus: the button tracks the press itself.
            m_pressed = true;
            m_mouseInside = true;
            SetCapture(Handle());
            Invalidate();
            return 0;
        }
        m_pressed = true;
        break;
    case WM_LBUTTONUP:
        if (!m_speedButtonOptions.CanBeFocused()) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT r{0, 0, Width(), Height()};
            bool inside = m_pressed && PtInRect(&r, p);
            m_pressed = false;
            if (GetCapture() == Handle())
                ReleaseCapture();
            Invalidate();
            if (inside) {
                m_speedButtonOptions.SetDown(!m_speedButtonOptions.Down());
                TNativeButton::Click();
            }
            return 0;
        }
        m_pressed = false;
        break;
    case WM_LBUTTONDBLCLK:
        // A double click is a second press.
        return WndProc(WM_LBUTTONDOWN, wParam, lParam);
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
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (OnDropDownKey(wParam))
            return 0;
        break;
    case WM_CONTEXTMENU:
        if (m_popupMenu && OnContextMenu(lParam))
            return 0;
        break;
    case kDropDownMessage: return OnDropDownMessage();
    case kCloseUpMessage: return OnCloseUpMessage();
    default: break;
    }
    return TNativeButton::WndProc(msg, wParam, lParam);
}

LRESULT TcxCustomButton::OnDrawItem(const DRAWITEMSTRUCT& dis)
{
    if (IsDestroying())
        return TRUE;
    const RECT& r = dis.rcItem;
    PaintFrom(dis.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, (dis.itemState & ODS_SELECTED) != 0,
              (dis.itemState & ODS_FOCUS) != 0);
    return TRUE;
}

// A paint request is answered here instead of by the platform's button, which would only hand
// it back through its owner-draw detour (a colour request and a drawing request to the parent,
// reflected back to the button). The button's own state says what the drawing request would:
// pressed and focused. Changes of state the platform paints at once still come as drawing
// requests.
LRESULT TcxCustomButton::OnPaintMessage(HDC given)
{
    const LRESULT state = TNativeButton::WndProc(BM_GETSTATE, 0, 0);
    const bool pressed = (state & BST_PUSHED) != 0, focused = (state & BST_FOCUS) != 0;
    if (given) {
        if (!IsDestroying())
            PaintFrom(given, 0, 0, Width(), Height(), pressed, focused);
        return 0;
    }
    PaintGuard pg(Handle());
    if (!IsDestroying())
        PaintFrom(pg.dc(), 0, 0, Width(), Height(), pressed, focused);
    return 0;
}

namespace {

// Whether the button can paint straight into a caller's context instead of through an
// off-screen copy: an off-screen bitmap of the screen's depth (nothing on screen flickers, and
// the theme blends the face in the same depth), with plain pixel coordinates (a copy would be
// stretched where drawing is scaled).
bool PaintsStraightInto(HDC dc)
{
    if (GetObjectType(dc) != OBJ_MEMDC || GetMapMode(dc) != MM_TEXT || GetGraphicsMode(dc) != GM_COMPATIBLE)
        return false;
    BITMAP bm{};
    return GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(bm), &bm) == sizeof(bm) &&
           bm.bmBitsPixel == 32;
}

} // namespace

void TcxCustomButton::PaintFrom(HDC dc, int x, int y, int w, int h, bool pressed, bool focused)
{
    // The paint says whether the button has the focus; asking the platform again costs a
    // round trip to the window system at every paint.
    m_drawnFocus = focused ? 1 : 0;
    m_paintedState = PaintState(pressed);
    m_drawnFocus = -1;
    m_painted = true;
    // A themed face may leave its corners open: what lies behind the button shows there
    // (an off-screen bitmap starts out undefined).
    const bool parentShows = Painter() == TcxWinXPLookAndFeelPainter::Instance();
    if (x == 0 && y == 0 && PaintsStraightInto(dc)) {
        DrawingStateGuard saved(dc);
        if (parentShows)
            m_parentImage.Paint(Handle(), dc, w, h);
        PaintButtonTo(dc, m_paintedState, focused);
        return;
    }
    // Painted off screen first, so the face never flickers.
    TcxPaintBuffer buffer(dc, w, h);
    HDC mem = buffer.DC();
    if (parentShows)
        m_parentImage.Paint(Handle(), mem, w, h);
    PaintButtonTo(mem, m_paintedState, focused);
    buffer.CopyTo(dc, x, y, w, h);
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

bool TcxCustomButton::HandleAccelerator(wchar_t key)
{
    if (!IsAccelerator(key, Caption()) || !CanFocus())
        return false;
    SetFocus();
    // A whole-button drop-down opens its menu, as a click on it does.
    if (m_kind == cxbkDropDown) {
        DropDown();
        return true;
    }
    // Clicked through the accelerator: a group button keeps its down state.
    TNativeButton::Click();
    return true;
}

void TcxCustomButton::SpeedButtonOptionsChanged()
{
    if (HandleAllocated()) {
        LONG style = GetWindowLongW(Handle(), GWL_STYLE);
        LONG wanted = m_speedButtonOptions.CanBeFocused() ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style)
            SetWindowLongW(Handle(), GWL_STYLE, wanted);
    }
    SetTabStop(m_speedButtonOptions.CanBeFocused());
    Invalidate();
}

bool TcxCustomButton::DescribeAccessible(TAccessibleDescription& d)
{
    d.role = ROLE_SYSTEM_PUSHBUTTON;
    d.hasName = true;
    d.name = AccessibleName().empty() ? WithoutAccelMarks(Caption()) : AccessibleName();
    d.defaultAction = L"Press";
    return true;
}

void TcxCustomButton::DoAccessibleAction(int part)
{
    if (part == 0 && IsWindowEnabled(Handle()) && IsWindowVisible(Handle()))
        Click();
}

void TcxCustomButton::Click()
{
    if (m_kind == cxbkDropDown) {
        DropDown();
        return;
    }
    // A click from the mouse or the keyboard toggles a group button (a down one stays down
    // unless all may be up).
    if (m_speedButtonOptions.GroupIndex() != 0)
        m_speedButtonOptions.SetDown(!m_speedButtonOptions.Down());
    TNativeButton::Click();
}

// ---- drop-down menu ----

void TcxCustomButton::SetKind(TcxButtonKind v)
{
    if (v == m_kind)
        return;
    m_kind = v;
    Invalidate();
}

// Menus are not owned: the button keeps a reference and hears when the menu is freed.
void TcxCustomButton::ReferMenu(TPopupMenu*& field, TPopupMenu* menu)
{
    if (menu == field)
        return;
    if (field)
        field->RemoveFreeNotification(this);
    field = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TcxCustomButton::SetDropDownMenu(TPopupMenu* menu)
{
    ReferMenu(m_dropDownMenu, menu);
}

void TcxCustomButton::SetDropDownMenuName(const std::wstring& name)
{
    m_dropDownMenuName = name;
    if (!IsLoading())
        Loaded();
}

void TcxCustomButton::SetPopupMenu(TPopupMenu* menu)
{
    ReferMenu(m_popupMenu, menu);
}

void TcxCustomButton::SetPopupMenuName(const std::wstring& name)
{
    m_popupMenuName = name;
    if (!IsLoading())
        Loaded();
}

void TcxCustomButton::Loaded()
{
    TNativeButton::Loaded();
    if (!Owner())
        return;
    // Names of components that are no popup menus are refused.
    if (!m_dropDownMenuName.empty())
        if (auto* menu = dynamic_cast<TPopupMenu*>(Owner()->FindComponent(m_dropDownMenuName)))
            SetDropDownMenu(menu);
    if (!m_popupMenuName.empty())
        if (auto* menu = dynamic_cast<TPopupMenu*>(Owner()->FindComponent(m_popupMenuName)))
            SetPopupMenu(menu);
    m_dropDownMenuName.clear();
    m_popupMenuName.clear();
}

void TcxCustomButton::Notification(TComponent* component, TOperation operation)
{
    TNativeButton::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_dropDownMenu)
        m_dropDownMenu = nullptr;
    if (operation == TOperation::opRemove && component == m_popupMenu)
        m_popupMenu = nullptr;
}

// The context menu opens at the cursor, or under the button's top-left corner when asked
// from the keyboard.
bool TcxCustomButton::OnContextMenu(LPARAM lParam)
{
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == -1) {
        RECT wr{};
        GetWindowRect(Handle(), &wr);
        p = {wr.left, wr.bottom};
    }
    TPopupMenu* menu = m_popupMenu;
    HWND owner = Handle();
    CallHandler([&] { menu->Popup(owner, p.x, p.y); });
    return true;
}

void TcxCustomButton::SetBiDiMode(TBiDiMode v)
{
    if (v == m_biDiMode)
        return;
    m_biDiMode = v;
    Invalidate();
}

void TcxCustomButton::SetWordWrap(bool v)
{
    if (v == m_wordWrap)
        return;
    m_wordWrap = v;
    Invalidate();
}

void TcxCustomButton::SetUseSystemPaint(bool v)
{
    m_useSystemPaint = v;
}

RECT TcxCustomButton::DropDownPartRect() const
{
    if (m_kind != cxbkDropDownButton)
        return RECT{};
    return RECT{std::max(Width() - kDropDownPartWidth, 0), 0, Width(), Height()};
}

TcxButtonState TcxCustomButton::DropDownPartState(TcxButtonState mainState) const
{
    if (mainState == cxbsDisabled)
        return cxbsDisabled;
    if (m_menuOpen || m_dropDownPressed)
        return cxbsPressed;
    if (m_mouseInside && Painter()->ButtonTracksHot())
        return cxbsHot;
    return cxbsNormal;
}

void TcxCustomButton::PaintDropDownPart(TcxCanvas& canvas, TcxCustomLookAndFeelPainterClass painter,
                                        TcxButtonState mainState, TColor text)
{
    const RECT part = DropDownPartRect();
    const TcxButtonState state = DropDownPartState(mainState);
    painter->PaintButton(canvas, part, L"", state, true, m_colors.FaceColor(state), text);
    painter->PaintButtonArrow(canvas, part, adirDown, state);
}

void TcxCustomButton::DropDown()
{
    if (!HandleAllocated() || m_menuPending || m_menuOpen)
        return;
    m_menuPending = true;
    PostMessageW(Handle(), kDropDownMessage, 0, 0);
}

// A press on the arrow part opens the menu instead of pressing the button; the press that
// closed the menu (made before it closed) opens nothing.
bool TcxCustomButton::OnDropDownPress(POINT p)
{
    if (m_kind == cxbkStandard)
        return false;
    if (m_menuOpen)
        return true;
    if (m_closingPressPending) {
        m_closingPressPending = false;
        if (GetMessageTime() == m_closingPressTime && GetMessagePos() == m_closingPressPos)
            return true;
    }
    const RECT part = DropDownPartRect();
    if (!PtInRect(&part, p))
        return false;
    if (CanTakeFocus() && CanFocus())
        SetFocus();
    m_dropDownPressed = true;
    Invalidate();
    DropDown();
    return true;
}

// Alt or Shift with an up or down arrow opens the menu of a drop-down button.
bool TcxCustomButton::OnDropDownKey(WPARAM key)
{
    if (m_kind != cxbkDropDownButton || (key != VK_UP && key != VK_DOWN))
        return false;
    if (GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0)
        return false;
    DropDown();
    return true;
}

LRESULT TcxCustomButton::OnDropDownMessage()
{
    m_menuPending = false;
    // The menu's handlers may free the button that opened it.
    const TLife life = Life();
    bool handled = !m_dropDownMenu || IsDestroying();
    if (!handled && OnDropDownMenuPopup)
        CallHandler([&] { OnDropDownMenuPopup(this, m_dropDownMenu, handled); });
    if (!life.Alive())
        return 0;
    if (handled || !m_dropDownMenu) {
        m_dropDownPressed = false;
        Invalidate();
        return 0;
    }
    m_menuOpen = true;
    Invalidate();
    UpdateWindow(Handle());
    RECT wr{};
    GetWindowRect(Handle(), &wr);
    const int x = m_popupAlignment == paLeft    ? wr.left
                  : m_popupAlignment == paRight ? wr.right
                                                : (wr.left + wr.right) / 2;
    TPopupMenu* menu = m_dropDownMenu;
    HWND owner = Handle();
    const TPopupAlignment alignment = m_popupAlignment;
    CallHandler([&] { menu->Popup(owner, x, wr.bottom, alignment, &wr); });
    if (!life.Alive())
        return 0;
    MSG press{};
    m_closingPressPending =
        HandleAllocated() &&
        PeekMessageW(&press, Handle(), WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE | PM_NOYIELD) &&
        press.message != WM_LBUTTONUP;
    if (m_closingPressPending) {
        m_closingPressTime = static_cast<LONG>(press.time);
        m_closingPressPos = static_cast<DWORD>(MAKELONG(press.pt.x, press.pt.y));
    }
    if (HandleAllocated())
        PostMessageW(Handle(), kCloseUpMessage, 0, 0);
    return 0;
}

LRESULT TcxCustomButton::OnCloseUpMessage()
{
    m_menuOpen = false;
    m_dropDownPressed = false;
    Invalidate();
    return 0;
}

// ---- action link ----

std::unique_ptr<TActionLink> TcxCustomButton::CreateActionLink()
{
    return std::make_unique<TcxButtonActionLink>(this);
}

void TcxButtonActionLink::SetChecked(bool v)
{
    m_button->SetDown(v);
    // A group button that may not come up stays down; its action stays checked with it, so
    // that the two never disagree after a click.
    if (m_button->GroupIndex() != 0 && m_button->Down() != v)
        if (auto* action = dynamic_cast<TCustomAction*>(Action()))
            action->SetChecked(m_button->Down());
}

void TcxButtonActionLink::SetImageIndex(int v)
{
    auto* action = dynamic_cast<TCustomAction*>(Action());
    TCustomImageList* images = action ? action->Images() : nullptr;
    if (v < 0 || !images)
        return;
    UniqueBitmap image = images->ImageBitmap(v);
    if (!image)
        return;
    // One image of the list: the glyph holds no images for other states.
    m_button->SetNumGlyphs(1);
    m_button->SetGlyph(image.get());
}
