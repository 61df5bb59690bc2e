#include "cxLookAndFeelPainters.h"

#include "dxOffice11.h"
#include "dxThemeManager.h"

#include <algorithm>
#include <array>
#include <utility>

// Theme parts, states and properties of the platform's visual styles.
namespace {
constexpr int kButtonPushPart = 1;
constexpr int kButtonGroupBoxPart = 4;
constexpr int kListViewFramePart = 5;
constexpr int kScrollBarSizeBoxPart = 10;
constexpr int kSizeBoxRightAlign = 1;
constexpr int kTextColorProp = 3803;
constexpr int kFillColorProp = 204;

RECT Shrunk(const RECT& r, int d)
{
    return RectInflated(r, -d, -d);
}
} // namespace

struct PainterInstances {
    TcxCustomLookAndFeelPainter custom;
    TcxStandardLookAndFeelPainter standard;
    TcxFlatLookAndFeelPainter flat;
    TcxUltraFlatLookAndFeelPainter ultraFlat;
    TcxOffice11LookAndFeelPainter office11;
    TcxWinXPLookAndFeelPainter winXP;
    static const PainterInstances& Get()
    {
        static const PainterInstances instances;
        return instances;
    }
};

TcxCustomLookAndFeelPainterClass TcxCustomLookAndFeelPainter::Instance()
{
    return &PainterInstances::Get().custom;
}
TcxCustomLookAndFeelPainterClass TcxStandardLookAndFeelPainter::Instance()
{
    return &PainterInstances::Get().standard;
}
TcxCustomLookAndFeelPainterClass TcxFlatLookAndFeelPainter::Instance()
{
    return &PainterInstances::Get().flat;
}
TcxCustomLookAndFeelPainterClass TcxUltraFlatLookAndFeelPainter::Instance()
{
    return &PainterInstances::Get().ultraFlat;
}
TcxCustomLookAndFeelPainterClass TcxOffice11LookAndFeelPainter::Instance()
{
    return &PainterInstances::Get().office11;
}
TcxCustomLookAndFeelPainterClass TcxWinXPLookAndFeelPainter::Instance()
{
    return &PainterInstances::Get().winXP;
}

std::array<POINT, 3> ArrowPoints(const RECT& rect, int size, bool proportional, TcxArrowDirection direction)
{
    RECT r = rect;
    if (proportional) {
        int d = RectWidth(r) - RectHeight(r);
        if (d > 0) {
            r.left += d / 2;
            r.right -= d / 2;
        } else {
            r.top += (-d) / 2;
            r.bottom -= (-d) / 2;
        }
    }
    bool vertical = direction == adirUp || direction == adirDown;
    if (size == 0)
        size = (vertical ? RectWidth(r) - 1 : RectHeight(r) - 1) / 4 + 1;
    int w = vertical ? 2 * size - 1 : size;
    int h = vertical ? size : 2 * size - 1;
    int left = (r.left + r.right - w) / 2;
    int top = MulDiv(r.top + r.bottom - h, 1, 2);
    switch (direction) {
    case adirUp: {
        POINT apex{(r.left + r.right - 1) / 2, top};
        POINT bl{left, apex.y + h - 1};
        return {apex, bl, POINT{bl.x + w - 1, bl.y}};
    }
    case adirDown: {
        POINT tl{left, top};
        return {tl, POINT{tl.x + w - 1, tl.y}, POINT{(r.left + r.right - 1) / 2, tl.y + h - 1}};
    }
    case adirLeft: {
        POINT apex{left, (r.top + r.bottom) / 2};
        POINT tr{apex.x + w - 1, top};
        return {apex, tr, POINT{tr.x, tr.y + h - 1}};
    }
    case adirRight:
    default: {
        POINT tl{left, top};
        return {tl, POINT{tl.x + w - 1, (r.top + r.bottom) / 2}, POINT{tl.x, tl.y + h - 1}};
    }
    }
}

// ---- TcxCustomLookAndFeelPainter ----

void TcxCustomLookAndFeelPainter::PaintTriangle(TcxCanvas& canvas, const std::array<POINT, 3>& points,
                                                TColor color) const
{
    canvas.SetBrushColor(color);
    canvas.Pen().SetColor(color);
    canvas.Polygon(std::vector<POINT>(points.begin(), points.end()));
}

void TcxCustomLookAndFeelPainter::PaintArrow(TcxCanvas& canvas, const RECT& r, TColor color,
                                             TcxArrowDirection direction) const
{
    PaintTriangle(canvas, ArrowPoints(r, 0, true, direction), color);
}

void TcxCustomLookAndFeelPainter::PaintButtonArrow(TcxCanvas& canvas, const RECT& rect,
                                                   TcxArrowDirection direction, TcxButtonState state) const
{
    RECT r = rect;
    if (state == cxbsPressed)
        r = RectOffset(r, ButtonPressShift(), ButtonPressShift());
    auto points = ArrowPoints(r, 0, true, direction);
    if (state == cxbsDisabled) {
        auto moved = points;
        for (POINT& p : moved) {
            ++p.x;
            ++p.y;
        }
        PaintTriangle(canvas, moved, clBtnHighlight);
        PaintTriangle(canvas, points, clBtnShadow);
    } else {
        PaintTriangle(canvas, points, ButtonTextColor(state, clDefault));
    }
}

RECT TcxCustomLookAndFeelPainter::ButtonFocusBounds(TcxCanvas&, const RECT& r) const
{
    RECT s = Shrunk(r, 4);
    return RectIsEmpty(s) ? r : s;
}

TColor TcxCustomLookAndFeelPainter::ButtonTextColor(TcxButtonState state, TColor defaultColor) const
{
    if (state == cxbsDisabled)
        return clBtnShadow;
    return defaultColor == clDefault ? clBtnText : defaultColor;
}

void TcxCustomLookAndFeelPainter::PaintButton(TcxCanvas& canvas, const RECT& rect,
                                              const std::wstring& caption, TcxButtonState state,
                                              bool drawFrame, TColor faceColor, TColor textColor,
                                              bool wordWrap, bool) const
{
    RECT r = rect;
    if (drawFrame) {
        PaintButtonFrame(canvas, r, state);
        r = Shrunk(r, ButtonFrameWidth(state));
    }
    canvas.SetBrushColor(faceColor == clDefault ? ButtonFaceColor(state) : faceColor);
    canvas.FillRectTiled(r);
    canvas.Font().SetColor(textColor == clDefault ? ButtonTextColor(state, clDefault) : textColor);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    // An even height centres the caption the same way in every state; low buttons get
    // the row back at the top.
    if (RectHeight(r) % 2 != 0)
        --r.bottom;
    if (RectHeight(r) < 18)
        --r.top;
    if (state == cxbsPressed)
        r = RectOffset(r, ButtonPressShift(), ButtonPressShift());
    if (!caption.empty())
        canvas.WriteText(
            caption, r, tfAlignCenter | tfAlignMiddle | tfShowPrefix | (wordWrap ? tfWordWrap : tfSingleLine),
            state != cxbsDisabled);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}

void TcxCustomLookAndFeelPainter::PaintLabelLine(TcxCanvas& canvas, const RECT& r, bool vertical,
                                                 TColor innerColor, TColor outerColor) const
{
    TcxBorders borders =
        vertical ? (cxBorder(bLeft) | cxBorder(bRight)) : (cxBorder(bTop) | cxBorder(bBottom));
    canvas.DrawTwoToneFrame(r, outerColor == clDefault ? clBtnShadow : outerColor,
                            innerColor == clDefault ? clBtnHighlight : innerColor, borders, 1);
}

void TcxCustomLookAndFeelPainter::PaintSizeGrip(TcxCanvas& canvas, const RECT& r,
                                                TColor backgroundColor) const
{
    canvas.FillRectColor(r, backgroundColor);
    RECT grip = r;
    DrawFrameControl(canvas.Handle(), &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

void TcxCustomLookAndFeelPainter::PaintProgressText(TcxCanvas& canvas, bool vertical, TColor textColor,
                                                    bool solidTextColor, const std::wstring& text,
                                                    const RECT& textRect) const
{
    TcxCanvasStateGuard state(canvas);
    if (vertical)
        canvas.SetFontAngle(270);
    canvas.Font().SetColor(solidTextColor && textColor != clDefault ? textColor : clWindowText);
    if (solidTextColor) {
        canvas.Canvas()->RequiredState(TCanvas::csFontValid);
        ExtTextOutW(canvas.Handle(), vertical ? textRect.right : textRect.left, textRect.top, 0, nullptr,
                    text.c_str(), static_cast<UINT>(text.size()), nullptr);
        return;
    }
    // Black text on white, inverted to white on black, then XOR-ed onto the canvas: every
    // glyph pixel shows the inverse of what lies below it, the rest stays unchanged.
    if (RectIsEmpty(textRect))
        return;
    // One scratch bitmap for every progress text, grown when a larger one is needed.
    static TcxBitmap scratch;
    if (scratch.Width() < RectWidth(textRect) || scratch.Height() < RectHeight(textRect))
        scratch.SetSize(std::max(scratch.Width(), static_cast<int>(RectWidth(textRect))),
                        std::max(scratch.Height(), static_cast<int>(RectHeight(textRect))));
    TcxBitmap& bitmap = scratch;
    const int w = RectWidth(textRect), h = RectHeight(textRect);
    TCanvas& bc = bitmap.Canvas();
    bc.Font().Assign(&canvas.Font());
    bc.Font().SetColor(clBlack);
    bc.Brush().SetColor(clWhite);
    bc.FillRect(RECT{0, 0, w, h});
    bc.Brush().SetStyle(TBrushStyle::bsClear);
    // Glyphs beyond the text rectangle stay out of the copy, as with a bitmap of its size.
    HRGN clip = CreateRectRgn(0, 0, w, h);
    SelectClipRgn(bitmap.DC(), clip);
    DeleteObject(clip);
    bc.TextOut(vertical ? w : 0, 0, text);
    SelectClipRgn(bitmap.DC(), nullptr);
    PatBlt(bitmap.DC(), 0, 0, w, h, DSTINVERT);
    DWORD oldMode = canvas.CopyMode();
    canvas.SetCopyMode(SRCINVERT);
    BitBlt(canvas.Handle(), textRect.left, textRect.top, w, h, bitmap.DC(), 0, 0, SRCINVERT);
    canvas.SetCopyMode(oldMode);
}

// ---- TcxStandardLookAndFeelPainter ----

void TcxStandardLookAndFeelPainter::PaintFrame(TcxCanvas& canvas, const RECT& r) const
{
    canvas.DrawTwoToneFrame(r, clBtnShadow, clBtnHighlight, cxBordersAll, 1);
    canvas.DrawTwoToneFrame(Shrunk(r, 1), cl3DDkShadow, cl3DLight, cxBordersAll, 1);
}

void TcxStandardLookAndFeelPainter::PaintButtonFrame(TcxCanvas& canvas, const RECT& rect,
                                                     TcxButtonState state) const
{
    RECT r = rect;
    if (state == cxbsPressed) {
        canvas.FrameRectBorders(r, clBlack);
        canvas.DrawTwoToneFrame(Shrunk(r, 1), clBtnShadow, clBtnShadow);
        return;
    }
    if (state == cxbsDefault) {
        canvas.FrameRectBorders(r, clBlack);
        r = Shrunk(r, 1);
    }
    canvas.DrawTwoToneFrame(r, clBtnHighlight, cl3DDkShadow);
    canvas.DrawTwoToneFrame(Shrunk(r, 1), cl3DLight, clBtnShadow);
}

namespace {

// Two one-pixel frames on all four sides: the second first, the first over it, so the first
// keeps the pixels they share as if each edge had been cut out of the clip before the next,
// with the context's own brush instead of a brush made and freed per colour; then both leave
// the clip. Frames one inside the other make a ring two pixels wide, which leaves in four
// cuts; others leave edge by edge. False (nothing drawn) for other borders or too small a
// rectangle.
bool PaintTwoFrames(TcxCanvas& canvas, const RECT& outer, TcxBorders borders, const RECT& first,
                    TColor firstColor, const RECT& second, TColor secondColor)
{
    if (borders != cxBordersAll || RectWidth(outer) < 4 || RectHeight(outer) < 4)
        return false;
    auto edgesOf = [](const RECT& f) {
        return std::array<RECT, 4>{
            RECT{f.left, f.top, f.left + 1, f.bottom}, RECT{f.right - 1, f.top, f.right, f.bottom},
            RECT{f.left, f.top, f.right, f.top + 1}, RECT{f.left, f.bottom - 1, f.right, f.bottom}};
    };
    HDC dc = canvas.Handle();
    const HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    const COLORREF oldColor = SetDCBrushColor(dc, ColorToRGB(secondColor));
    for (const RECT& e : edgesOf(second))
        FillRect(dc, &e, brush);
    SetDCBrushColor(dc, ColorToRGB(firstColor));
    for (const RECT& e : edgesOf(first))
        FillRect(dc, &e, brush);
    SetDCBrushColor(dc, oldColor);
    // The canvas's brush ends in the colour the edge-by-edge drawing leaves it in.
    canvas.SetBrushColor(secondColor);
    const RECT inside = Shrunk(first, 1);
    if (EqualRect(&inside, &second)) {
        const RECT& o = first;
        canvas.ExcludeFromClip(RECT{o.left, o.top, o.left + 2, o.bottom});
        canvas.ExcludeFromClip(RECT{o.right - 2, o.top, o.right, o.bottom});
        canvas.ExcludeFromClip(RECT{o.left + 2, o.top, o.right - 2, o.top + 2});
        canvas.ExcludeFromClip(RECT{o.left + 2, o.bottom - 2, o.right - 2, o.bottom});
        return true;
    }
    for (const RECT* f : {&first, &second})
        for (const RECT& e : edgesOf(*f))
            canvas.ExcludeFromClip(e);
    return true;
}

} // namespace

void TcxStandardLookAndFeelPainter::PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders,
                                                    bool) const
{
    RECT inner{r.left, r.top, r.right - 1, r.bottom - 1};
    if (PaintTwoFrames(canvas, r, borders, inner, clBtnShadow, RectOffset(inner, 1, 1), clBtnHighlight))
        return;
    canvas.FrameRectBorders(inner, clBtnShadow, 1, borders, true);
    canvas.FrameRectBorders(RectOffset(inner, 1, 1), clBtnHighlight, 1, borders, true);
}

// ---- TcxFlatLookAndFeelPainter ----

void TcxFlatLookAndFeelPainter::PaintFrame(TcxCanvas& canvas, const RECT& r) const
{
    canvas.DrawEdgeFrame(r, true, true, cxBordersAll);
}

void TcxFlatLookAndFeelPainter::PaintButtonFrame(TcxCanvas& canvas, const RECT& rect,
                                                 TcxButtonState state) const
{
    RECT r = rect;
    if (state == cxbsPressed) {
        canvas.DrawTwoToneFrame(r, clBtnShadow, clBtnHighlight);
        return;
    }
    if (state == cxbsDefault) {
        canvas.FrameRectBorders(r, clBlack);
        r = Shrunk(r, 1);
    }
    canvas.DrawTwoToneFrame(r, clBtnHighlight, clBtnShadow);
}

void TcxFlatLookAndFeelPainter::PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders,
                                                bool) const
{
    if (PaintTwoFrames(canvas, r, borders, r, clBtnShadow, Shrunk(r, 1), clBtnHighlight))
        return;
    canvas.FrameRectBorders(r, clBtnShadow, 1, borders, true);
    canvas.FrameRectBorders(Shrunk(r, 1), clBtnHighlight, 1, borders, true);
}

// ---- TcxUltraFlatLookAndFeelPainter ----

void TcxUltraFlatLookAndFeelPainter::PaintFrame(TcxCanvas& canvas, const RECT& r) const
{
    canvas.FrameRectBorders(r, clBtnShadow, 1, cxBordersAll);
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonFaceColor(TcxButtonState state) const
{
    switch (state) {
    case cxbsHot: return UltraFlatHotColor();
    case cxbsPressed: return UltraFlatPressedColor();
    default: return clBtnFace;
    }
}

RECT TcxUltraFlatLookAndFeelPainter::ButtonFocusBounds(TcxCanvas&, const RECT& r) const
{
    RECT s = Shrunk(r, 3);
    return RectIsEmpty(s) ? r : s;
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonTextColor(TcxButtonState state, TColor defaultColor) const
{
    return state == cxbsPressed ? clHighlightText
                                : TcxCustomLookAndFeelPainter::ButtonTextColor(state, defaultColor);
}

void TcxUltraFlatLookAndFeelPainter::PaintButtonFrame(TcxCanvas& canvas, const RECT& r,
                                                      TcxButtonState state) const
{
    if (state == cxbsDefault) {
        canvas.FrameRectBorders(r, clWindowFrame);
        canvas.FrameRectBorders(Shrunk(r, 1), clWindowFrame);
        return;
    }
    canvas.FrameRectBorders(r, state == cxbsNormal ? clBtnText
                                                   : (state == cxbsDisabled ? clBtnShadow : clHighlight));
}

void TcxUltraFlatLookAndFeelPainter::PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders,
                                                     bool enabled) const
{
    canvas.FrameRectBorders(r, enabled ? clHighlight : clBtnShadow, 1, borders, true);
}

// ---- TcxOffice11LookAndFeelPainter ----

void TcxOffice11LookAndFeelPainter::PaintFrame(TcxCanvas& canvas, const RECT& r) const
{
    canvas.FrameRectBorders(r, Office11FrameColor(), 1, cxBordersAll);
}

TColor TcxOffice11LookAndFeelPainter::ButtonFaceColor(TcxButtonState state) const
{
    switch (state) {
    case cxbsHot: return Office11HotLight();
    case cxbsPressed: return Office11PressedLight();
    case cxbsDisabled: return clBtnFace;
    default: return Office11ButtonFace();
    }
}

TColor TcxOffice11LookAndFeelPainter::ButtonTextColor(TcxButtonState state, TColor) const
{
    if (state == cxbsPressed && !Office11UsesThemeColors())
        return clHighlightText;
    return state == cxbsDisabled ? Office11DisabledText() : Office11ButtonText();
}

void TcxOffice11LookAndFeelPainter::PaintButtonFrame(TcxCanvas& canvas, const RECT& r,
                                                     TcxButtonState state) const
{
    if (state == cxbsDefault) {
        TcxUltraFlatLookAndFeelPainter::PaintButtonFrame(canvas, r, state);
        return;
    }
    canvas.FrameRectBorders(r, state == cxbsNormal     ? clBtnText
                               : state == cxbsDisabled ? Office11DisabledText()
                                                       : Office11SelectionBorder());
}

void TcxOffice11LookAndFeelPainter::PaintSizeGrip(TcxCanvas& canvas, const RECT& r,
                                                  TColor backgroundColor) const
{
    canvas.FillRectColor(r, backgroundColor);
    DrawOffice11SizeGrip(canvas.Handle(), r, clDefault, clDefault);
}

void TcxOffice11LookAndFeelPainter::PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders,
                                                    bool enabled) const
{
    if (!TcxWinXPLookAndFeelPainter::PaintThemedGroupFrame(canvas, r, enabled))
        TcxUltraFlatLookAndFeelPainter::PaintGroupFrame(canvas, r, borders, enabled);
}

TColor TcxOffice11LookAndFeelPainter::GroupCaptionColor(bool enabled) const
{
    TColor color;
    if (TcxWinXPLookAndFeelPainter::ThemedGroupCaptionColor(enabled, color))
        return color;
    return TcxUltraFlatLookAndFeelPainter::GroupCaptionColor(enabled);
}

void TcxOffice11LookAndFeelPainter::PaintPanelBackground(TcxCanvas& canvas, HWND control, TColor color1,
                                                         TColor color2, const RECT& r) const
{
    if (color1 == clDefault)
        PaintParentImage(control, canvas, r, true);
    else if (color2 == clDefault)
        canvas.FillRectColor(r, color1);
    else
        FillRectGradient(canvas.Handle(), r, color1, false, color2);
}

// ---- TcxWinXPLookAndFeelPainter ----

int TcxWinXPLookAndFeelPainter::ButtonStateId(TcxButtonState state)
{
    static constexpr int kIds[] = {5, 1, 2, 3, 4}; // default, normal, hot, pressed, disabled
    return kIds[state];
}

int TcxWinXPLookAndFeelPainter::FrameWidth() const
{
    return ThemeHandleFor(totListView) ? 1 : 2;
}

void TcxWinXPLookAndFeelPainter::PaintFrame(TcxCanvas& canvas, const RECT& r) const
{
    HTHEME theme = ThemeHandleFor(totListView);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintFrame(canvas, r);
        return;
    }
    SaveDCGuard saved(canvas.Handle());
    RECT inner = Shrunk(r, 1);
    ExcludeClipRect(canvas.Handle(), inner.left, inner.top, inner.right, inner.bottom);
    ThemeApi().DrawThemeBackground(theme, canvas.Handle(), kListViewFramePart, 0, &r, nullptr);
}

int TcxWinXPLookAndFeelPainter::ButtonFrameWidth(TcxButtonState state) const
{
    if (HTHEME theme = ThemeHandleFor(totButton)) {
        RECT bounds{0, 0, 100, 100}, content{};
        if (SUCCEEDED(ThemeApi().GetThemeBackgroundContentRect(theme, nullptr, kButtonPushPart,
                                                               ButtonStateId(state), &bounds, &content)))
            return content.left;
    }
    return 2;
}

TColor TcxWinXPLookAndFeelPainter::ButtonFaceColor(TcxButtonState state) const
{
    COLORREF color;
    if (HTHEME theme = ThemeHandleFor(totButton))
        if (SUCCEEDED(ThemeApi().GetThemeColor(theme, kButtonPushPart, ButtonStateId(state), kFillColorProp,
                                               &color)))
            return color;
    return TcxStandardLookAndFeelPainter::ButtonFaceColor(state);
}

RECT TcxWinXPLookAndFeelPainter::ButtonFocusBounds(TcxCanvas& canvas, const RECT& r) const
{
    if (HTHEME theme = ThemeHandleFor(totButton)) {
        RECT content{};
        if (SUCCEEDED(ThemeApi().GetThemeBackgroundContentRect(theme, canvas.Handle(), kButtonPushPart, 1, &r,
                                                               &content)))
            return content;
    }
    return TcxStandardLookAndFeelPainter::ButtonFocusBounds(canvas, r);
}

TColor TcxWinXPLookAndFeelPainter::ButtonTextColor(TcxButtonState state, TColor defaultColor) const
{
    COLORREF color;
    if (HTHEME theme = ThemeHandleFor(totButton))
        if (SUCCEEDED(ThemeApi().GetThemeColor(theme, kButtonPushPart, ButtonStateId(state), kTextColorProp,
                                               &color)))
            return color;
    return TcxStandardLookAndFeelPainter::ButtonTextColor(state, defaultColor);
}

void TcxWinXPLookAndFeelPainter::PaintButton(TcxCanvas& canvas, const RECT& r, const std::wstring& caption,
                                             TcxButtonState state, bool drawFrame, TColor faceColor,
                                             TColor textColor, bool wordWrap, bool toolStyle) const
{
    HTHEME theme = ThemeHandleFor(toolStyle ? totToolBar : totButton);
    if (!theme) {
        TcxStandardLookAndFeelPainter::PaintButton(canvas, r, caption, state, drawFrame, faceColor, textColor,
                                                   wordWrap, toolStyle);
        return;
    }
    int stateId = ButtonStateId(state);
    ThemeApi().DrawThemeBackground(theme, canvas.Handle(), kButtonPushPart, stateId, &r, nullptr);
    canvas.Canvas()->RequiredState(TCanvas::csFontValid);
    ThemeApi().DrawThemeText(theme, canvas.Handle(), kButtonPushPart, stateId, caption.c_str(), -1,
                             DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &r);
}

void TcxWinXPLookAndFeelPainter::PaintSizeGrip(TcxCanvas& canvas, const RECT& r, TColor backgroundColor) const
{
    canvas.FillRectColor(r, backgroundColor);
    if (HTHEME theme = ThemeHandleFor(totScrollBar)) {
        ThemeApi().DrawThemeBackground(theme, canvas.Handle(), kScrollBarSizeBoxPart, kSizeBoxRightAlign, &r,
                                       nullptr);
        return;
    }
    TcxStandardLookAndFeelPainter::PaintSizeGrip(canvas, r, clDefault);
}

bool TcxWinXPLookAndFeelPainter::PaintThemedGroupFrame(TcxCanvas& canvas, const RECT& r, bool enabled)
{
    HTHEME theme = ThemeHandleFor(totButton);
    if (!theme)
        return false;
    ThemeApi().DrawThemeBackground(theme, canvas.Handle(), kButtonGroupBoxPart, enabled ? 1 : 2, &r, nullptr);
    return true;
}

bool TcxWinXPLookAndFeelPainter::ThemedGroupCaptionColor(bool enabled, TColor& color)
{
    HTHEME theme = ThemeHandleFor(totButton);
    COLORREF c;
    if (!theme ||
        FAILED(ThemeApi().GetThemeColor(theme, kButtonGroupBoxPart, enabled ? 1 : 2, kTextColorProp, &c)))
        return false;
    color = c;
    return true;
}

void TcxWinXPLookAndFeelPainter::PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders,
                                                 bool enabled) const
{
    if (!PaintThemedGroupFrame(canvas, r, enabled))
        TcxStandardLookAndFeelPainter::PaintGroupFrame(canvas, r, borders, enabled);
}

TColor TcxWinXPLookAndFeelPainter::GroupCaptionColor(bool enabled) const
{
    TColor color;
    if (ThemedGroupCaptionColor(enabled, color))
        return color;
    return TcxStandardLookAndFeelPainter::GroupCaptionColor(enabled);
}

void TcxWinXPLookAndFeelPainter::PaintPanelBackground(TcxCanvas& canvas, HWND control, TColor color1, TColor,
                                                      const RECT& r) const
{
    if (color1 == clDefault)
        PaintParentImage(control, canvas, r, true);
    else
        canvas.FillRectColor(r, color1);
}

// ---- module functions ----

TcxCustomLookAndFeelPainterClass KindPainter(TcxLookAndFeelKind kind)
{
    static const TcxCustomLookAndFeelPainterClass kKindPainters[] = {
        TcxFlatLookAndFeelPainter::Instance(), TcxStandardLookAndFeelPainter::Instance(),
        TcxUltraFlatLookAndFeelPainter::Instance(), TcxOffice11LookAndFeelPainter::Instance()};
    return kind <= lfOffice11 ? kKindPainters[kind] : TcxUltraFlatLookAndFeelPainter::Instance();
}

TcxCustomLookAndFeelPainterClass PainterForKind(bool native, TcxLookAndFeelKind kind)
{
    return native && VisualStylesActive() ? TcxWinXPLookAndFeelPainter::Instance() : KindPainter(kind);
}

TColor EditButtonStateColor(bool pressed, bool office11)
{
    TcxCustomLookAndFeelPainterClass painter =
        office11 ? TcxOffice11LookAndFeelPainter::Instance() : TcxUltraFlatLookAndFeelPainter::Instance();
    return painter->ButtonFaceColor(pressed ? cxbsPressed : cxbsHot);
}

TColor EditHighlightColor(bool office11)
{
    return office11 ? Office11SelectionBorder() : clHighlight;
}
