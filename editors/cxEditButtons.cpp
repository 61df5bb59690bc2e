#include "cxEditButtons.h"

#include "lookandfeel/cxGeometry.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtHandles.h"

#include <algorithm>

namespace {

RECT Shrunk(const RECT& r, int n)
{
    return RectInflated(r, -n, -n);
}

bool IsHotOrPressed(TcxEditButtonState s)
{
    return s == ebsPressed || s == ebsSelected;
}

TcxButtonState PainterState(TcxEditButtonState s)
{
    static const TcxButtonState states[] = {cxbsDisabled, cxbsNormal, cxbsPressed, cxbsHot};
    return states[s];
}

// The background of the classic styles: the editor's colour for a transparent button.
TColor ClassicBackground(const TcxEditButtonViewInfo& b)
{
    return b.transparent ? b.backgroundColor : clBtnFace;
}

TcxEditButtonFace Border3D(TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                           const TcxEditButtonPaintContext&)
{
    TcxEditButtonFace face;
    face.background = ClassicBackground(b);
    RECT r = b.bounds;
    if (b.state == ebsPressed) {
        canvas.FrameRectBorders(r, clBtnShadow);
        r = Shrunk(r, 1);
        canvas.FrameRectBorders(r, face.background);
    } else {
        canvas.DrawTwoToneFrame(r, cl3DLight, cl3DDkShadow);
        r = Shrunk(r, 1);
        canvas.DrawTwoToneFrame(r, clBtnHighlight, clBtnShadow);
    }
    face.content = Shrunk(r, 1);
    return face;
}

TcxEditButtonFace BorderFlat(TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                             const TcxEditButtonPaintContext&)
{
    TcxEditButtonFace face;
    face.background = ClassicBackground(b);
    RECT r = b.bounds;
    canvas.FillRectColor({r.left, r.top, r.left + 1, r.bottom}, face.background);
    ++r.left;
    RECT frame{r.left, r.top, r.right - 1, r.bottom};
    if (b.state == ebsPressed)
        canvas.DrawTwoToneFrame(frame, clBtnShadow, clBtnHighlight);
    else
        canvas.DrawTwoToneFrame(frame, clBtnHighlight, clBtnShadow);
    canvas.FillRectColor({r.right - 1, r.top, r.right, r.bottom}, face.background);
    face.content = Shrunk(frame, 1);
    return face;
}

TcxEditButtonFace BorderSimple(TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                               const TcxEditButtonPaintContext& c)
{
    TcxEditButtonFace face;
    face.background = ClassicBackground(b);
    RECT r = b.bounds;
    if (!c.transparent)
        canvas.FrameRectBorders(r, b.backgroundColor);
    r = Shrunk(r, 1);
    canvas.FillRectColor({r.left, r.top, r.left + 1, r.bottom}, face.background);
    canvas.FillRectColor({r.right - 1, r.top, r.right, r.bottom}, face.background);
    face.content = {r.left + 1, r.top, r.right - 1, r.bottom};
    return face;
}

TcxEditButtonFace BorderHotFlat(TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                                const TcxEditButtonPaintContext&)
{
    static const TColor byState[] = {clBtnFace, clBtnFace, clBtnText, clBtnShadow};
    TcxEditButtonFace face;
    face.background = b.transparent ? b.backgroundColor : byState[b.state];
    bool quiet = b.state == ebsDisabled || b.state == ebsNormal;
    face.contentColor =
        quiet ? clBtnText : (b.transparent && b.state == ebsSelected ? clBtnShadow : clWindow);
    RECT r = b.bounds;
    // The button next to the text area is framed all round; the others share their inner
    // side with their neighbour.
    bool nextToText = b.leftAligned ? b.rightmost : b.leftmost;
    if (nextToText) {
        canvas.FrameRectBorders(r, clBtnShadow);
    } else {
        TcxBorders outer = cxBordersAll & ~cxBorder(b.leftAligned ? bRight : bLeft);
        canvas.FrameRectBorders(r, clBtnShadow, 1, outer);
        RECT inner = b.leftAligned ? RECT{r.right - 1, r.top, r.right, r.bottom}
                                   : RECT{r.left, r.top, r.left + 1, r.bottom};
        canvas.FillRectColor(inner, face.background);
    }
    r = Shrunk(r, 1);
    canvas.FillRectColor({r.left, r.top, r.left + 1, r.bottom}, face.background);
    canvas.FillRectColor({r.right - 1, r.top, r.right, r.bottom}, face.background);
    face.content = {r.left + 1, r.top, r.right - 1, r.bottom};
    return face;
}

TcxEditButtonFace BorderUltraFlat(TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                                  const TcxEditButtonPaintContext& c)
{
    bool office = b.style == btsOffice11;
    TcxEditButtonFace face;
    if (b.transparent)
        face.background = b.backgroundColor;
    else if (b.state == ebsDisabled)
        face.background = clBtnFace;
    else if (b.state == ebsNormal)
        face.background = office ? Office11ButtonFace() : clBtnFace;
    else {
        TcxCustomLookAndFeelPainterClass painter =
            office ? TcxOffice11LookAndFeelPainter::Instance() : TcxUltraFlatLookAndFeelPainter::Instance();
        face.background = painter->ButtonFaceColor(PainterState(b.state));
    }
    TColor highlight = office ? Office11SelectionBorder() : clHighlight;
    RECT r = b.bounds;
    // The whole button takes the face first, so that no pixel of it is left to chance
    // where the frame or a separator is not drawn.
    canvas.FillRectColor(r, face.background);
    if (b.state == ebsDisabled || b.state == ebsNormal || !c.hasBorder) {
        if (IsHotOrPressed(b.state))
            canvas.FrameRectBorders(r, highlight);
        else if (!c.transparent)
            canvas.FrameRectBorders(r, b.backgroundColor);
        r = Shrunk(r, 1);
        face.content = {r.left + 1, r.top, r.right - 1, r.bottom};
        return face;
    }
    // Hot and pressed buttons of an editor with a border: separators toward the text and
    // between buttons; the editor's own frame is the line on the outer side.
    bool outerIsBorder = b.leftAligned ? b.leftmost : b.rightmost;
    bool innerTouchesBorder = b.leftAligned ? r.right >= c.borderRect.right : r.left <= c.borderRect.left;
    RECT outerLine = b.leftAligned ? RECT{r.left, r.top, r.left + 1, r.bottom}
                                   : RECT{r.right - 1, r.top, r.right, r.bottom};
    RECT innerLine = b.leftAligned ? RECT{r.right - 1, r.top, r.right, r.bottom}
                                   : RECT{r.left, r.top, r.left + 1, r.bottom};
    if (!outerIsBorder)
        canvas.FillRectColor(outerLine, highlight);
    if (!innerTouchesBorder)
        canvas.FillRectColor(innerLine, highlight);
    face.content = Shrunk(r, 1);
    return face;
}

constexpr int kThemeButtonPart = 1; // the push button

HTHEME ButtonTheme()
{
    return VisualStylesActive() ? ThemeHandleFor(totButton) : nullptr;
}

// The platform's button in the button's theme state; its content rectangle is the theme's.
bool BorderNative(TcxCanvas& canvas, const TcxEditButtonViewInfo& b, TcxEditButtonFace& face)
{
    HTHEME theme = ButtonTheme();
    if (!theme)
        return false;
    HDC dc = canvas.Handle();
    if (FAILED(ThemeApi().DrawThemeBackground(theme, dc, kThemeButtonPart, b.themeState, &b.bounds, nullptr)))
        return false;
    face.content = b.bounds;
    ThemeApi().GetThemeBackgroundContentRect(theme, dc, kThemeButtonPart, b.themeState, &b.bounds,
                                             &face.content);
    face.background = clBtnFace;
    face.contentColor = clBtnText;
    return true;
}

using BorderProc = TcxEditButtonFace (*)(TcxCanvas&, const TcxEditButtonViewInfo&,
                                         const TcxEditButtonPaintContext&);

// The border step by effective button style (btsDefault never reaches the table).
const BorderProc kBorderProcs[] = {Border3D,      Border3D,        BorderFlat,     BorderSimple,
                                   BorderHotFlat, BorderUltraFlat, BorderUltraFlat};

void FillContentBackground(TcxCanvas& canvas, const TcxEditButtonViewInfo& b, const TcxEditButtonFace& face,
                           const TcxEditButtonPaintContext& c)
{
    if (b.style == btsOffice11 && b.gradient && !b.transparent && b.state != ebsDisabled) {
        TColor light = Office11GradientLight(), dark = Office11GradientDark();
        if (b.state == ebsSelected) {
            light = Office11HotLight();
            dark = Office11HotDark();
        } else if (b.state == ebsPressed) {
            light = Office11PressedLight();
            dark = Office11PressedDark();
        }
        RECT column{b.bounds.left, c.borderRect.top, b.bounds.right, c.borderRect.bottom};
        if (b.state == ebsNormal) {
            ++column.top;
            --column.bottom;
        }
        canvas.PushClipRegion();
        canvas.IntersectClip(face.content);
        FillRectGradient(canvas.Handle(), column, light, false, dark);
        canvas.PopClipRegion();
        return;
    }
    canvas.FillRectColor(face.content, face.background);
}

void DrawDots(TcxCanvas& canvas, const TcxEllipsisDots& d, TColor color)
{
    for (int i = 0; i < 3; ++i) {
        int x = d.x + i * (d.size + 2);
        canvas.FillRectColor({x, d.y, x + d.size, d.y + d.size}, color);
    }
}

void DrawContent(TcxCanvas& canvas, const TcxEditButtonViewInfo& b, const TcxEditButtonFace& face,
                 const TcxEditButtonPaintContext& c)
{
    bool pressed = b.state == ebsPressed;
    bool disabled = b.state == ebsDisabled;
    const RECT& content = face.content;
    switch (b.kind) {
    case bkEllipsis: {
        TcxEllipsisDots d = EllipsisDots(content, pressed);
        if (disabled) {
            DrawDots(canvas, {d.x + 1, d.y + 1, d.size}, clBtnHighlight);
            DrawDots(canvas, d, clBtnShadow);
        } else {
            DrawDots(canvas, d, face.contentColor);
        }
        break;
    }
    case bkDown: {
        TcxCustomLookAndFeelPainterClass standard = TcxStandardLookAndFeelPainter::Instance();
        RECT r = content;
        if (pressed)
            r = RectOffset(r, 1, 1);
        if (disabled) {
            standard->PaintArrow(canvas, RectOffset(r, 1, 1), clBtnHighlight, adirDown);
            standard->PaintArrow(canvas, r, clBtnShadow, adirDown);
        } else {
            standard->PaintArrow(canvas, r, face.contentColor, adirDown);
        }
        break;
    }
    case bkText: {
        RECT r{content.left + 1, content.top, content.right - 1, content.bottom};
        if (c.hasBorder) {
            ++r.top;
            --r.bottom;
        }
        if (pressed)
            r = RectOffset(r, 1, 1);
        TColor color = b.captionColor == clDefault ? c.textColor : b.captionColor;
        if (b.style == btsHotFlat && IsHotOrPressed(b.state))
            color = face.contentColor;
        static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align[std::clamp(b.contentAlignment, 0, 2)];
        HDC dc = canvas.Handle();
        int oldMode = SetBkMode(dc, TRANSPARENT);
        HGDIOBJ oldFont = c.font ? SelectObject(dc, c.font) : nullptr;
        auto write = [&](RECT at, TColor ink) {
            ::SetTextColor(dc, ColorToRGB(ink));
            DrawTextW(dc, b.caption.c_str(), static_cast<int>(b.caption.size()), &at, flags);
        };
        if (disabled) {
            write(RectOffset(r, 1, 1), clBtnHighlight);
            write(r, clBtnShadow);
        } else {
            write(r, color);
        }
        if (oldFont)
            SelectObject(dc, oldFont);
        SetBkMode(dc, oldMode);
        break;
    }
    case bkGlyph: {
        if (!b.glyph || b.glyph->Empty())
            break;
        POINT at = EditButtonGlyphOrigin(content, {b.glyph->Width(), b.glyph->Height()}, pressed);
        canvas.PushClipRegion();
        canvas.IntersectClip(content);
        DrawEditButtonGlyph(canvas.Handle(), *b.glyph, at.x, at.y, !disabled);
        canvas.PopClipRegion();
        break;
    }
    }
}

// The border, the content background and the content, each unless a hook drew it.
void DrawButtonSteps(TcxCanvas& canvas, const TcxEditButtonViewInfo& button,
                     const TcxEditButtonPaintContext& context)
{
    const TcxEditButtonPaintHooks* hooks = context.hooks;
    TcxEditButtonFace face;
    face.content = button.bounds;
    bool themed = false;
    if (!(hooks && hooks->border && hooks->border(canvas, button, face))) {
        themed = button.native && BorderNative(canvas, button, face);
        if (!themed)
            face = DrawEditButtonBorder(canvas, button, context);
    }
    if (RectIsEmpty(face.content))
        return;
    // The theme's button is its own background.
    if (!(hooks && hooks->background && hooks->background(canvas, button, face)) && !themed)
        FillContentBackground(canvas, button, face, context);
    DrawContent(canvas, button, face, context);
}

} // namespace

TcxEllipsisDots EllipsisDots(const RECT& content, bool pressed)
{
    int s = RectWidth(content) > 11 ? 2 : 1;
    int w = 3 * s + 4;
    int x = content.left + (RectWidth(content) - w) / 2;
    int y = content.top + (RectHeight(content) - s) / 2;
    if (pressed && x + 1 + w <= content.right && y + 1 + s <= content.bottom) {
        ++x;
        ++y;
    }
    return {x, y, s};
}

int EditButtonThemeState(TcxEditButtonState state)
{
    static const int states[] = {4, 1, 3, 2};
    return states[state];
}

POINT EditButtonGlyphOrigin(const RECT& content, SIZE glyph, bool pressed)
{
    POINT at{content.left + (RectWidth(content) - glyph.cx) / 2,
             content.top + (RectHeight(content) - glyph.cy) / 2};
    if (pressed) {
        ++at.x;
        ++at.y;
    }
    return at;
}

void DrawEditButtonGlyph(HDC dc, const TcxBitmap& glyph, int x, int y, bool enabled)
{
    int w = glyph.Width(), h = glyph.Height();
    HDC src = glyph.DC();
    // A mask that is white where the glyph shows its transparent colour, black where it
    // has ink.
    UniqueMemoryDC maskDC(CreateCompatibleDC(dc));
    UniqueBitmap mask(CreateBitmap(w, h, 1, 1, nullptr));
    SelectGuard maskSel(maskDC.get(), mask.get());
    COLORREF key = GetPixel(src, 0, h - 1);
    COLORREF oldSrcBack = SetBkColor(src, key);
    BitBlt(maskDC.get(), 0, 0, w, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldSrcBack);
    // A monochrome source reaches a colour target as black (0) and white (1) only with
    // these colours set.
    COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    if (enabled) {
        BitBlt(dc, x, y, w, h, src, 0, 0, SRCINVERT);
        BitBlt(dc, x, y, w, h, maskDC.get(), 0, 0, SRCAND);
        BitBlt(dc, x, y, w, h, src, 0, 0, SRCINVERT);
    } else {
        // The shape in the highlight colour one pixel down and right, then in the shadow
        // colour in place: the pattern is painted where the mask is black.
        constexpr DWORD kPatternWhereSourceBlack = 0x00B8074A;
        struct Pass {
            int dx;
            TColor color;
        } passes[] = {{1, clBtnHighlight}, {0, clBtnShadow}};
        for (const Pass& pass : passes) {
            UniqueBrush brush(CreateSolidBrush(ColorToRGB(pass.color)));
            SelectGuard brushSel(dc, brush.get());
            BitBlt(dc, x + pass.dx, y + pass.dx, w, h, maskDC.get(), 0, 0, kPatternWhereSourceBlack);
        }
    }
    ::SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

bool NativeButtonMargins(SIZE& margins)
{
    HTHEME theme = ButtonTheme();
    if (!theme)
        return false;
    RECT bounds{0, 0, 100, 100}, content = bounds;
    if (FAILED(
            ThemeApi().GetThemeBackgroundContentRect(theme, nullptr, kThemeButtonPart, 1, &bounds, &content)))
        return false;
    margins = {(content.left - bounds.left) + (bounds.right - content.right),
               (content.top - bounds.top) + (bounds.bottom - content.bottom)};
    return true;
}

TcxEditButtonFace DrawEditButtonBorder(TcxCanvas& canvas, const TcxEditButtonViewInfo& button,
                                       const TcxEditButtonPaintContext& context)
{
    TcxEditButtonViewInfo b = button;
    // A simple button under the cursor or pressed looks like a flat one.
    if (b.style == btsSimple && IsHotOrPressed(b.state))
        b.style = btsFlat;
    int style = std::clamp(static_cast<int>(b.style), 0, 6);
    return kBorderProcs[style](canvas, b, context);
}

void DrawEditButton(TcxCanvas& canvas, const TcxEditButtonViewInfo& button,
                    const TcxEditButtonPaintContext& context)
{
    if (RectIsEmpty(button.visibleBounds))
        return;
    canvas.PushClipRegion();
    canvas.IntersectClip(button.visibleBounds);
    if (button.kind == bkGlyph && button.glyph && !button.glyph->Empty()) {
        // A picture is put together off the screen and shown at once, so it never flickers
        // through its steps.
        TcxBitmap buffer(RectWidth(button.bounds), RectHeight(button.bounds), 32);
        TcxEditButtonViewInfo moved = button;
        moved.bounds = RectOffset(button.bounds, -button.bounds.left, -button.bounds.top);
        moved.visibleBounds = RectOffset(button.visibleBounds, -button.bounds.left, -button.bounds.top);
        TcxEditButtonPaintContext movedContext = context;
        movedContext.borderRect = RectOffset(context.borderRect, -button.bounds.left, -button.bounds.top);
        DrawButtonSteps(buffer.cxCanvas(), moved, movedContext);
        BitBlt(canvas.Handle(), button.bounds.left, button.bounds.top, RectWidth(button.bounds),
               RectHeight(button.bounds), buffer.DC(), 0, 0, SRCCOPY);
    } else {
        DrawButtonSteps(canvas, button, context);
    }
    canvas.PopClipRegion();
}

std::wstring EditButtonDisplayCaption(const std::wstring& caption)
{
    std::wstring shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != L'&') {
            shown += caption[i];
        } else if (i + 1 < caption.size()) {
            shown += caption[++i];
        } else {
            shown += L'_';
        }
    }
    return shown;
}
