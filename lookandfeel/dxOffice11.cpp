#include "dxOffice11.h"

#include "dxThemeManager.h"

#include "runtime/rtHandles.h"

#include <algorithm>
#include <cwctype>
#include <string>

namespace {

enum ColorIndex {
    ciGradientLight,
    ciGradientDark,
    ciButtonFace,
    ciGripShade,
    ciGripHighlight,
    ciFrameColor,
    ciSelectionBorder,
    ciHotLight,
    ciHotDark,
    ciPressedLight,
    ciPressedDark,
    ciButtonText,
    ciDisabledText,
    ciCount
};

// The three palettes, by scheme (NormalColor, HomeStead, Metallic).
constexpr COLORREF kPalettes[3][ciCount] = {
    {RGB(221, 236, 254), RGB(129, 169, 226), RGB(158, 190, 245), RGB(39, 65, 118), RGB(255, 255, 255),
     RGB(0, 45, 150), RGB(0, 0, 128), RGB(255, 244, 204), RGB(255, 208, 145), RGB(255, 211, 142),
     RGB(254, 145, 78), RGB(0, 0, 0), RGB(141, 141, 141)},
    {RGB(244, 247, 222), RGB(183, 198, 145), RGB(217, 217, 167), RGB(81, 94, 51), RGB(255, 255, 255),
     RGB(117, 141, 94), RGB(63, 93, 56), RGB(255, 244, 204), RGB(255, 208, 145), RGB(255, 211, 142),
     RGB(254, 145, 78), RGB(0, 0, 0), RGB(141, 141, 141)},
    {RGB(243, 244, 250), RGB(153, 151, 181), RGB(215, 215, 229), RGB(84, 84, 117), RGB(255, 255, 255),
     RGB(124, 124, 148), RGB(75, 75, 111), RGB(255, 244, 204), RGB(255, 208, 145), RGB(255, 211, 142),
     RGB(254, 145, 78), RGB(0, 0, 0), RGB(141, 141, 141)},
};

struct Office11State {
    TcxOffice11Scheme scheme = schNone;
    bool usesThemeColors = false;
    TColor colors[ciCount]{};
    TColor ultraFlatHot = 0, ultraFlatPressed = 0;
    UniqueBrush shadeBrush;
    UniqueBrush highlightBrush;
    int users = 0;
    unsigned computeCount = 0;
    bool holderStarted = false;
    UniqueLibrary msimg;
    TGradientFillProc systemGradient = nullptr;
    TGradientFillProc gradient = nullptr;
};

Office11State& State()
{
    static Office11State* state = [] {
        static Office11State s;
        s.msimg = LoadSystemLibrary(L"msimg32.dll");
        if (s.msimg)
            s.systemGradient = reinterpret_cast<TGradientFillProc>(
                reinterpret_cast<void*>(GetProcAddress(s.msimg.get(), "GradientFill")));
        s.gradient = s.systemGradient;
        return &s;
    }();
    return *state;
}

const bool g_gradientLookedUp = (State(), true);

void (*g_colourStarter)() = nullptr;

// The colours as painters read them: the first question starts the holder of the set (the
// look-and-feel unit's colour listener, which keeps them current), so nothing about the
// theme is asked while the program loads.
Office11State& Colours()
{
    Office11State& s = State();
    if (!s.holderStarted) {
        s.holderStarted = true;
        if (g_colourStarter)
            g_colourStarter();
        if (s.computeCount == 0)
            ComputeOffice11Colors();
    }
    return s;
}

int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

std::wstring Upper(std::wstring s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return s;
}

void MakeGripBrushes(Office11State& s)
{
    s.shadeBrush.reset(CreateSolidBrush(s.colors[ciGripShade]));
    s.highlightBrush.reset(CreateSolidBrush(s.colors[ciGripHighlight]));
}

} // namespace

TcxOffice11Scheme DetectOffice11Scheme()
{
    if (!VisualStylesActive())
        return schNone;
    std::wstring file, color, size;
    if (!ThemeApi().GetCurrentThemeName(file, color, size))
        return schNone;
    size_t slash = file.find_last_of(L"\\/");
    std::wstring name = Upper(slash == std::wstring::npos ? file : file.substr(slash + 1));
    if (name != L"LUNA.MSSTYLES" && PlatformMajorVersion() <= 5)
        return schNone;
    static constexpr struct {
        const wchar_t* name;
        TcxOffice11Scheme scheme;
    } kNames[] = {{L"NORMALCOLOR", schNormalColor}, {L"HOMESTEAD", schHomeStead}, {L"METALLIC", schMetallic}};
    color = Upper(color);
    for (const auto& n : kNames)
        if (color == n.name)
            return n.scheme;
    return schNone;
}

void ComputeOffice11Colors()
{
    Office11State& s = State();
    ++s.computeCount;
    s.scheme = DetectOffice11Scheme();
    s.usesThemeColors = VisualStylesActive() && s.scheme != schNone;
    s.ultraFlatHot = NearestScreenColor(WeightedSystemColor(-2, 30, 72));
    s.ultraFlatPressed = NearestScreenColor(WeightedSystemColor(14, 44, 40));
    TColor* c = s.colors;
    if (s.usesThemeColors) {
        for (int i = 0; i < ciCount; ++i)
            c[i] = kPalettes[s.scheme - 1][i];
        return;
    }
    c[ciGradientLight] = MixColors(clBtnFace, clWindow, 22);
    c[ciGradientDark] = MixColors(clBtnFace, clWindow, 96);
    c[ciButtonFace] = ColorToRGB(clBtnFace);
    c[ciGripShade] = MixColors(clBtnShadow, clWindow, 76);
    c[ciGripHighlight] = ColorToRGB(clWindow);
    c[ciFrameColor] = ColorToRGB(clBtnShadow);
    c[ciSelectionBorder] = ColorToRGB(clHighlight);
    c[ciHotLight] = s.ultraFlatHot;
    c[ciHotDark] = c[ciHotLight];
    c[ciPressedLight] = s.ultraFlatPressed;
    c[ciPressedDark] = c[ciPressedLight];
    c[ciButtonText] = ColorToRGB(clBtnText);
    c[ciDisabledText] = ColorToRGB(clGrayText);
}

void AcquireOffice11ColorSet()
{
    Office11State& s = State();
    if (s.users == 0) {
        ComputeOffice11Colors();
        MakeGripBrushes(s);
    }
    ++s.users;
}

void RefreshOffice11ColorSet()
{
    Office11State& s = State();
    ComputeOffice11Colors();
    if (s.users > 0)
        MakeGripBrushes(s);
}

void ReleaseOffice11ColorSet()
{
    Office11State& s = State();
    // An unmatched release must not drive the count below zero: the next acquire would
    // then not recompute the colours nor make the brushes.
    if (s.users <= 0)
        return;
    if (--s.users == 0) {
        s.shadeBrush.reset();
        s.highlightBrush.reset();
    }
}

void SetOffice11ColorSetStarter(void (*starter)())
{
    g_colourStarter = starter;
}

int Office11ColorSetUsers()
{
    return Colours().users;
}
unsigned Office11ComputeCount()
{
    return State().computeCount;
}
TcxOffice11Scheme CurrentOffice11Scheme()
{
    return Colours().scheme;
}
bool Office11UsesThemeColors()
{
    return Colours().usesThemeColors;
}
TColor Office11GradientLight()
{
    return Colours().colors[ciGradientLight];
}
TColor Office11GradientDark()
{
    return Colours().colors[ciGradientDark];
}
TColor Office11ButtonFace()
{
    return Colours().colors[ciButtonFace];
}
TColor Office11GripShade()
{
    return Colours().colors[ciGripShade];
}
TColor Office11GripHighlight()
{
    return Colours().colors[ciGripHighlight];
}
TColor Office11FrameColor()
{
    return Colours().colors[ciFrameColor];
}
TColor Office11SelectionBorder()
{
    return Colours().colors[ciSelectionBorder];
}
TColor Office11HotLight()
{
    return Colours().colors[ciHotLight];
}
TColor Office11HotDark()
{
    return Colours().colors[ciHotDark];
}
TColor Office11PressedLight()
{
    return Colours().colors[ciPressedLight];
}
TColor Office11PressedDark()
{
    return Colours().colors[ciPressedDark];
}
TColor Office11ButtonText()
{
    return Colours().colors[ciButtonText];
}
TColor Office11DisabledText()
{
    return Colours().colors[ciDisabledText];
}
TColor Office11UltraFlatHotColor()
{
    return Colours().ultraFlatHot;
}
TColor Office11UltraFlatPressedColor()
{
    return Colours().ultraFlatPressed;
}
HBRUSH GripShadeBrush()
{
    return Colours().shadeBrush.get();
}
HBRUSH GripHighlightBrush()
{
    return Colours().highlightBrush.get();
}

TColor MixColors(TColor color1, TColor color2, int percent)
{
    COLORREF a = ColorToRGB(color1), b = ColorToRGB(color2);
    auto mix = [&](int ca, int cb) {
        return Clamp255(MulDiv(ca, percent, 100) + MulDiv(cb, 100 - percent, 100));
    };
    COLORREF rgb = RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                       mix(GetBValue(a), GetBValue(b)));
    return NearestScreenColor(rgb);
}

TColor WeightedSystemColor(int btnFaceWeight, int highlightWeight, int windowWeight)
{
    COLORREF b = SysColor(COLOR_BTNFACE), h = SysColor(COLOR_HIGHLIGHT), w = SysColor(COLOR_WINDOW);
    if (b == 0 || b == 0xFFFFFF)
        return h;
    auto mix = [&](int cb, int ch, int cw) {
        return Clamp255(MulDiv(cb, btnFaceWeight, 100) + MulDiv(ch, highlightWeight, 100) +
                        MulDiv(cw, windowWeight, 100));
    };
    return RGB(mix(GetRValue(b), GetRValue(h), GetRValue(w)), mix(GetGValue(b), GetGValue(h), GetGValue(w)),
               mix(GetBValue(b), GetBValue(h), GetBValue(w)));
}

TColor NearestScreenColor(TColor color)
{
    WindowDC screen(nullptr);
    COLORREF rgb = ColorToRGB(color);
    if (!screen.get())
        return rgb;
    COLORREF nearest = GetNearestColor(screen.get(), rgb);
    return nearest == CLR_INVALID ? rgb : nearest;
}

TColor ScaleColor(TColor color, int percent)
{
    COLORREF c = ColorToRGB(color);
    auto scale = [&](int ch) {
        return Clamp255(static_cast<int>(ch * static_cast<double>(percent) / 100.0));
    };
    return RGB(scale(GetRValue(c)), scale(GetGValue(c)), scale(GetBValue(c)));
}

TColor LightenColor(TColor color, int percent)
{
    COLORREF c = ColorToRGB(color);
    auto lighten = [&](int ch) { return Clamp255(static_cast<int>(255.0 - (percent / 100.0) * (255 - ch))); };
    return RGB(lighten(GetRValue(c)), lighten(GetGValue(c)), lighten(GetBValue(c)));
}

void FillRectSolid(HDC dc, const RECT& r, TColor color)
{
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(color)));
    FillRect(dc, &r, brush.get());
}

void FillRectGradientBanded(HDC dc, const RECT& r, TColor color1, bool horizontal, TColor color2)
{
    COLORREF c1 = ColorToRGB(color1), c2 = ColorToRGB(color2);
    int extent = horizontal ? r.right - r.left : r.bottom - r.top;
    int n = std::min(extent, 256);
    if (n < 1)
        return;
    int start = horizontal ? r.left : r.top;
    int edge = start;
    auto channel = [&](int a, int b, int i) { return n == 1 ? a : Clamp255(a + MulDiv(i, b - a, n - 1)); };
    for (int i = 0; i < n; ++i) {
        int farEdge = start + MulDiv(i + 1, extent, n);
        COLORREF c = RGB(channel(GetRValue(c1), GetRValue(c2), i), channel(GetGValue(c1), GetGValue(c2), i),
                         channel(GetBValue(c1), GetBValue(c2), i));
        RECT band = horizontal ? RECT{edge, r.top, farEdge, r.bottom} : RECT{r.left, edge, r.right, farEdge};
        if (farEdge > edge)
            FillRectSolid(dc, band, c);
        edge = farEdge;
        if (edge >= start + extent)
            break;
    }
}

void FillRectGradient(HDC dc, const RECT& r, TColor color1, bool horizontal, TColor color2)
{
    COLORREF c1 = ColorToRGB(color1), c2 = ColorToRGB(color2);
    if (c1 == c2) {
        FillRectSolid(dc, r, c1);
        return;
    }
    TGradientFillProc proc = State().gradient;
    if (!proc) {
        FillRectGradientBanded(dc, r, c1, horizontal, c2);
        return;
    }
    TRIVERTEX v[2] = {
        {r.left, r.top, static_cast<COLOR16>(GetRValue(c1) << 8), static_cast<COLOR16>(GetGValue(c1) << 8),
         static_cast<COLOR16>(GetBValue(c1) << 8), 0},
        {r.right, r.bottom, static_cast<COLOR16>(GetRValue(c2) << 8),
         static_cast<COLOR16>(GetGValue(c2) << 8), static_cast<COLOR16>(GetBValue(c2) << 8), 0},
    };
    GRADIENT_RECT gr{0, 1};
    proc(dc, v, 2, &gr, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void DrawGripDots(HDC dc, const RECT& r, bool horizontal, HBRUSH shadeBrush, HBRUSH highlightBrush)
{
    RECT cell{r.left, r.top, r.left + 4, r.top + 4};
    int spare = horizontal ? (r.bottom - r.top) % 4 : (r.right - r.left) % 4;
    if (spare > 1)
        spare /= 2;
    OffsetRect(&cell, horizontal ? 0 : spare, horizontal ? spare : 0);
    if (!shadeBrush)
        shadeBrush = GripShadeBrush();
    if (!highlightBrush)
        highlightBrush = GripHighlightBrush();
    do {
        RECT dot{cell.left + 1, cell.top + 1, cell.left + 3, cell.top + 3};
        if (highlightBrush)
            FillRect(dc, &dot, highlightBrush);
        OffsetRect(&dot, -1, -1);
        if (shadeBrush)
            FillRect(dc, &dot, shadeBrush);
        OffsetRect(&cell, horizontal ? 0 : 4, horizontal ? 4 : 0);
    } while (horizontal ? cell.bottom <= r.bottom : cell.right <= r.right);
}

void DrawOffice11SizeGrip(HDC dc, const RECT& r, TColor shadeColor, TColor highlightColor)
{
    // System colours are resolved like in every other fill.
    UniqueBrush shade(shadeColor == clDefault ? nullptr : CreateSolidBrush(ColorToRGB(shadeColor)));
    UniqueBrush highlight(highlightColor == clDefault ? nullptr
                                                      : CreateSolidBrush(ColorToRGB(highlightColor)));
    RECT strip{r.right - 12, r.bottom - 3, r.right, r.bottom};
    for (int row = 0; row < 3; ++row) {
        DrawGripDots(dc, strip, false, shade.get(), highlight.get());
        strip.left += 4;
        OffsetRect(&strip, 0, -4);
    }
}

TGradientFillProc SystemGradientFillProc()
{
    return State().systemGradient;
}
TGradientFillProc GradientFillProc()
{
    return State().gradient;
}

TGradientFillProc SetGradientFillProc(TGradientFillProc proc)
{
    return std::exchange(State().gradient, proc);
}
