#include "LafTestSupport.h"

#include <gtest/gtest.h>

using namespace laftest;

namespace {

int Clamp(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

COLORREF Nearest(COLORREF c)
{
    HDC screen = GetDC(nullptr);
    COLORREF n = GetNearestColor(screen, c);
    ReleaseDC(nullptr, screen);
    return n;
}

// MixColors written out: per channel MulDiv(c1, p, 100) + MulDiv(c2, 100 - p, 100), capped.
COLORREF ExpectedMix(COLORREF a, COLORREF b, int p)
{
    auto ch = [&](int x, int y) { return Clamp(MulDiv(x, p, 100) + MulDiv(y, 100 - p, 100)); };
    return Nearest(
        RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b))));
}

COLORREF ExpectedWeighted(int wb, int wh, int ww)
{
    COLORREF b = Sys(COLOR_BTNFACE), h = Sys(COLOR_HIGHLIGHT), w = Sys(COLOR_WINDOW);
    if (b == 0 || b == 0xFFFFFF)
        return h;
    auto ch = [&](int x, int y, int z) {
        return Clamp(MulDiv(x, wb, 100) + MulDiv(y, wh, 100) + MulDiv(z, ww, 100));
    };
    return RGB(ch(GetRValue(b), GetRValue(h), GetRValue(w)), ch(GetGValue(b), GetGValue(h), GetGValue(w)),
               ch(GetBValue(b), GetBValue(h), GetBValue(w)));
}

const std::map<int, COLORREF> kClassicColors = {
    {COLOR_BTNFACE, RGB(212, 208, 200)},   {COLOR_WINDOW, RGB(255, 255, 255)},
    {COLOR_BTNSHADOW, RGB(128, 128, 128)}, {COLOR_HIGHLIGHT, RGB(10, 36, 106)},
    {COLOR_BTNTEXT, RGB(0, 0, 0)},         {COLOR_GRAYTEXT, RGB(128, 128, 128)}};

} // namespace

TEST(ColorArithmeticTest, StatedExamplesAndEveryChannelClampedSeparately)
{
    EXPECT_EQ(LightenColor(RGB(0, 0, 0), 50), RGB(127, 127, 127));
    EXPECT_EQ(ScaleColor(RGB(200, 100, 50), 50), RGB(100, 50, 25));
    // Above 100 percent a channel would pass 255 and carry into its neighbour.
    EXPECT_EQ(ScaleColor(RGB(200, 100, 50), 255), RGB(255, 255, 127));
    // Lightening by more than 100 percent goes below zero: kept at 0.
    EXPECT_EQ(LightenColor(RGB(0, 100, 200), 200), RGB(0, 0, 145));
    // Weight above 100: the second colour gets a negative weight.
    EXPECT_EQ(MixColors(RGB(200, 100, 0), RGB(0, 100, 200), 150), Nearest(RGB(255, 100, 0)));
    EXPECT_EQ(MixColors(RGB(200, 100, 0), RGB(0, 100, 200), -50), Nearest(RGB(0, 100, 255)));
}

TEST(ColorArithmeticTest, SystemColoursAreResolvedBeforeMixing)
{
    ScopedSysColors colors(kClassicColors);
    EXPECT_EQ(MixColors(clBtnFace, clWindow, 22), ExpectedMix(RGB(212, 208, 200), RGB(255, 255, 255), 22));
    EXPECT_EQ(ScaleColor(clBtnShadow, 50), RGB(64, 64, 64));
    EXPECT_EQ(WeightedSystemColor(-2, 30, 72), ExpectedWeighted(-2, 30, 72));
}

TEST(ColorArithmeticTest, WhiteOrBlackButtonFaceGivesTheHighlightColour)
{
    for (COLORREF face : {RGB(255, 255, 255), RGB(0, 0, 0)}) {
        ScopedSysColors colors({{COLOR_BTNFACE, face}, {COLOR_HIGHLIGHT, RGB(49, 106, 197)}});
        EXPECT_EQ(WeightedSystemColor(-2, 30, 72), RGB(49, 106, 197));
        FakeThemeApi theme;
        theme.active = false;
        ScopedTheme scoped(&theme);
        EXPECT_EQ(Office11HotLight(), Nearest(RGB(49, 106, 197)));
        EXPECT_EQ(Office11PressedLight(), Nearest(RGB(49, 106, 197)));
    }
}

struct SchemeCase {
    bool active;
    const wchar_t* file;
    const wchar_t* color;
    int major;
    TcxOffice11Scheme expected;
};

TEST(Office11SchemeTest, DetectionByThemeFileColourNameAndPlatformVersion)
{
    const wchar_t* luna = L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles";
    const wchar_t* other = L"C:\\windows\\resources\\themes\\light\\light.msstyles";
    const SchemeCase cases[] = {
        {true, luna, L"NormalColor", 5, schNormalColor},
        {true, luna, L"HomeStead", 5, schHomeStead},
        {true, luna, L"Metallic", 5, schMetallic},
        {true, luna, L"metallic", 6, schMetallic},
        {true, other, L"NormalColor", 5, schNone},
        {true, other, L"NormalColor", 6, schNormalColor},
        {true, other, L"Blue", 6, schNone},
        {false, luna, L"NormalColor", 5, schNone},
    };
    for (const SchemeCase& c : cases) {
        FakeThemeApi theme;
        theme.active = c.active;
        theme.fileName = c.file;
        theme.colorName = c.color;
        ScopedPlatformVersion version(c.major);
        ScopedTheme scoped(&theme);
        EXPECT_EQ(DetectOffice11Scheme(), c.expected) << ToUtf8(c.color) << " v" << c.major;
        EXPECT_EQ(CurrentOffice11Scheme(), c.expected);
        EXPECT_EQ(Office11UsesThemeColors(), c.expected != schNone);
    }
}

TEST(Office11SchemeTest, MissingLibraryOrFailingNameQueryGivesNoScheme)
{
    FakeThemeApi missing;
    missing.loaded = false;
    {
        ScopedTheme scoped(&missing);
        EXPECT_EQ(DetectOffice11Scheme(), schNone);
    }
    FakeThemeApi failing;
    failing.nameQueryFails = true;
    ScopedTheme scoped(&failing);
    EXPECT_EQ(DetectOffice11Scheme(), schNone);
    EXPECT_FALSE(Office11UsesThemeColors());
}

TEST(Office11SchemeTest, EachSchemeHasItsPalette)
{
    struct Palette {
        const wchar_t* name;
        COLORREF colors[13];
    };
    const Palette palettes[] = {
        {L"NormalColor",
         {RGB(221, 236, 254), RGB(129, 169, 226), RGB(158, 190, 245), RGB(39, 65, 118), RGB(255, 255, 255),
          RGB(0, 45, 150), RGB(0, 0, 128), RGB(255, 244, 204), RGB(255, 208, 145), RGB(255, 211, 142),
          RGB(254, 145, 78), RGB(0, 0, 0), RGB(141, 141, 141)}},
        {L"HomeStead",
         {RGB(244, 247, 222), RGB(183, 198, 145), RGB(217, 217, 167), RGB(81, 94, 51), RGB(255, 255, 255),
          RGB(117, 141, 94), RGB(63, 93, 56), RGB(255, 244, 204), RGB(255, 208, 145), RGB(255, 211, 142),
          RGB(254, 145, 78), RGB(0, 0, 0), RGB(141, 141, 141)}},
        {L"Metallic",
         {RGB(243, 244, 250), RGB(153, 151, 181), RGB(215, 215, 229), RGB(84, 84, 117), RGB(255, 255, 255),
          RGB(124, 124, 148), RGB(75, 75, 111), RGB(255, 244, 204), RGB(255, 208, 145), RGB(255, 211, 142),
          RGB(254, 145, 78), RGB(0, 0, 0), RGB(141, 141, 141)}},
    };
    for (const Palette& p : palettes) {
        FakeThemeApi theme;
        theme.colorName = p.name;
        ScopedTheme scoped(&theme);
        TColor actual[13] = {Office11GradientLight(),   Office11GradientDark(),  Office11ButtonFace(),
                             Office11GripShade(),       Office11GripHighlight(), Office11FrameColor(),
                             Office11SelectionBorder(), Office11HotLight(),      Office11HotDark(),
                             Office11PressedLight(),    Office11PressedDark(),   Office11ButtonText(),
                             Office11DisabledText()};
        for (int i = 0; i < 13; ++i)
            EXPECT_EQ(actual[i], p.colors[i]) << ToUtf8(p.name) << " colour " << i;
    }
}

TEST(Office11SchemeTest, WithoutSchemeTheColoursComeFromSystemColours)
{
    ScopedSysColors colors(kClassicColors);
    FakeThemeApi theme;
    theme.colorName = L"Blue"; // what an active theme other than the three variants reports
    ScopedTheme scoped(&theme);
    ASSERT_FALSE(Office11UsesThemeColors());
    COLORREF face = kClassicColors.at(COLOR_BTNFACE), window = kClassicColors.at(COLOR_WINDOW);
    EXPECT_EQ(Office11GradientLight(), ExpectedMix(face, window, 22));
    EXPECT_EQ(Office11GradientDark(), ExpectedMix(face, window, 96));
    EXPECT_EQ(Office11ButtonFace(), face);
    EXPECT_EQ(Office11GripShade(), ExpectedMix(kClassicColors.at(COLOR_BTNSHADOW), window, 76));
    EXPECT_EQ(Office11GripHighlight(), window);
    EXPECT_EQ(Office11FrameColor(), kClassicColors.at(COLOR_BTNSHADOW));
    EXPECT_EQ(Office11SelectionBorder(), kClassicColors.at(COLOR_HIGHLIGHT));
    EXPECT_EQ(Office11HotLight(), Nearest(ExpectedWeighted(-2, 30, 72)));
    EXPECT_EQ(Office11HotDark(), Office11HotLight());
    EXPECT_EQ(Office11PressedLight(), Nearest(ExpectedWeighted(14, 44, 40)));
    EXPECT_EQ(Office11PressedDark(), Office11PressedLight());
    EXPECT_EQ(Office11ButtonText(), kClassicColors.at(COLOR_BTNTEXT));
    EXPECT_EQ(Office11DisabledText(), kClassicColors.at(COLOR_GRAYTEXT));
}

TEST(Office11ColorSetTest, ReleasingMoreOftenThanAcquiringKeepsTheSetUsable)
{
    const int users = Office11ColorSetUsers();
    ASSERT_GE(users, 1) << "the painter unit holds the set from start-up";
    for (int i = 0; i < users; ++i)
        ReleaseOffice11ColorSet();
    EXPECT_EQ(GripShadeBrush(), nullptr);
    ReleaseOffice11ColorSet();
    ReleaseOffice11ColorSet();
    EXPECT_EQ(Office11ColorSetUsers(), 0);
    unsigned computed = Office11ComputeCount();
    AcquireOffice11ColorSet();
    EXPECT_EQ(Office11ComputeCount(), computed + 1);
    EXPECT_NE(GripShadeBrush(), nullptr);
    EXPECT_NE(GripHighlightBrush(), nullptr);
    for (int i = 1; i < users; ++i)
        AcquireOffice11ColorSet();
    EXPECT_EQ(Office11ColorSetUsers(), users);
}

// ---- gradients ----

namespace {
struct CapturedGradient {
    int calls = 0;
    TRIVERTEX v[2]{};
    ULONG mode = 99;
};
CapturedGradient g_captured;
BOOL WINAPI CaptureGradient(HDC, PTRIVERTEX v, ULONG n, PVOID, ULONG, ULONG mode)
{
    ++g_captured.calls;
    if (n == 2) {
        g_captured.v[0] = v[0];
        g_captured.v[1] = v[1];
    }
    g_captured.mode = mode;
    return TRUE;
}

// The banded rule written out: band i ends at start + MulDiv(i + 1, E, N) and has
// c1 + MulDiv(i, c2 - c1, N - 1) per channel.
std::vector<COLORREF> ExpectedBandRows(int extent, COLORREF c1, COLORREF c2)
{
    std::vector<COLORREF> rows(static_cast<size_t>(extent));
    int n = std::min(extent, 256), edge = 0;
    for (int i = 0; i < n; ++i) {
        int end = MulDiv(i + 1, extent, n);
        auto ch = [&](int a, int b) { return n == 1 ? a : a + MulDiv(i, b - a, n - 1); };
        COLORREF c = RGB(ch(GetRValue(c1), GetRValue(c2)), ch(GetGValue(c1), GetGValue(c2)),
                         ch(GetBValue(c1), GetBValue(c2)));
        for (int y = edge; y < end; ++y)
            rows[static_cast<size_t>(y)] = c;
        edge = end;
    }
    return rows;
}
} // namespace

TEST(GradientTest, PlatformRoutineGetsTwoVerticesWithEightBitChannelsShifted)
{
    g_captured = {};
    ScopedGradient gradient(&CaptureGradient);
    Surface s(10, 10);
    FillRectGradient(s.DC(), RECT{1, 2, 9, 8}, RGB(255, 0, 16), true, RGB(0, 128, 255));
    ASSERT_EQ(g_captured.calls, 1);
    EXPECT_EQ(g_captured.mode, static_cast<ULONG>(GRADIENT_FILL_RECT_H));
    EXPECT_EQ(g_captured.v[0].x, 1);
    EXPECT_EQ(g_captured.v[0].y, 2);
    EXPECT_EQ(g_captured.v[0].Red, 0xFF00);
    EXPECT_EQ(g_captured.v[0].Blue, 0x1000);
    EXPECT_EQ(g_captured.v[1].x, 9);
    EXPECT_EQ(g_captured.v[1].y, 8);
    EXPECT_EQ(g_captured.v[1].Green, 0x8000);
    EXPECT_EQ(g_captured.v[1].Alpha, 0);
    FillRectGradient(s.DC(), RECT{1, 2, 9, 8}, RGB(255, 0, 16), false, RGB(0, 128, 255));
    EXPECT_EQ(g_captured.mode, static_cast<ULONG>(GRADIENT_FILL_RECT_V));
}

TEST(GradientTest, EqualColoursAfterResolvingFillSolidly)
{
    g_captured = {};
    ScopedGradient gradient(&CaptureGradient);
    Surface s(8, 8);
    FillRectGradient(s.DC(), RECT{0, 0, 8, 8}, clBtnFace, false, Sys(COLOR_BTNFACE));
    EXPECT_EQ(g_captured.calls, 0);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 8, 8}, Sys(COLOR_BTNFACE)), 0);
}

TEST(GradientTest, PlatformPathIsALinearBlendWithinOnePerChannel)
{
    if (!SystemGradientFillProc())
        GTEST_SKIP() << "no platform gradient routine on this system";
    ScopedGradient gradient(SystemGradientFillProc());
    const COLORREF c1 = RGB(10, 200, 40), c2 = RGB(250, 20, 140);
    Surface s(20, 64);
    FillRectGradient(s.DC(), RECT{0, 0, 20, 64}, c1, false, c2);
    for (int y = 0; y < 64; ++y) {
        auto expect = [&](int a, int b) { return a + (b - a) * y / 64.0; };
        COLORREF got = s.At(7, y);
        EXPECT_NEAR(GetRValue(got), expect(GetRValue(c1), GetRValue(c2)), 1.01) << "row " << y;
        EXPECT_NEAR(GetGValue(got), expect(GetGValue(c1), GetGValue(c2)), 1.01) << "row " << y;
        EXPECT_NEAR(GetBValue(got), expect(GetBValue(c1), GetBValue(c2)), 1.01) << "row " << y;
    }
}

TEST(GradientTest, BandedPathIsExactAndNeverDrawsMoreThan256Bands)
{
    ScopedGradient gradient(nullptr);
    struct Case {
        int height;
        COLORREF c1, c2;
    };
    for (const Case& c :
         {Case{300, RGB(0, 0, 0), RGB(255, 128, 7)}, Case{40, RGB(250, 20, 140), RGB(10, 200, 40)},
          Case{1, RGB(1, 2, 3), RGB(200, 200, 200)}}) {
        Surface s(3, c.height);
        FillRectGradient(s.DC(), RECT{0, 0, 3, c.height}, c.c1, false, c.c2);
        std::vector<COLORREF> rows = ExpectedBandRows(c.height, c.c1, c.c2);
        int bands = 1;
        for (int y = 0; y < c.height; ++y) {
            ASSERT_EQ(s.At(1, y), rows[static_cast<size_t>(y)]) << "height " << c.height << " row " << y;
            if (y > 0 && s.At(1, y) != s.At(1, y - 1))
                ++bands;
        }
        EXPECT_LE(bands, 256);
    }
    Surface s(4, 4);
    FillRectGradient(s.DC(), RECT{1, 1, 1, 3}, RGB(0, 0, 0), true, RGB(255, 255, 255));
    EXPECT_EQ(s.CountNot(RECT{0, 0, 4, 4}, kSentinel), 0) << "an empty rectangle draws nothing";
}

// ---- grips ----

TEST(GripTest, SizeGripDrawsSixDotsAndResolvesSystemColours)
{
    Surface s(20, 20);
    DrawOffice11SizeGrip(s.DC(), RECT{0, 0, 20, 20}, clBtnShadow, clBtnHighlight);
    const COLORREF shade = Sys(COLOR_BTNSHADOW), light = Sys(COLOR_BTNHIGHLIGHT);
    const POINT dots[] = {{8, 17}, {12, 17}, {16, 17}, {12, 13}, {16, 13}, {16, 9}};
    for (POINT d : dots) {
        EXPECT_EQ(s.CountNot(RECT{d.x, d.y, d.x + 2, d.y + 2}, shade), 0) << d.x << "," << d.y;
        EXPECT_EQ(s.At(d.x + 2, d.y + 2), light);
        EXPECT_EQ(s.At(d.x + 2, d.y + 1), light);
        EXPECT_EQ(s.At(d.x + 1, d.y + 2), light);
    }
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, shade), 24);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, light), 18);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, kSentinel), 400 - 42);
}

TEST(GripTest, DefaultColoursUseTheModuleGripBrushes)
{
    Surface s(20, 20);
    DrawOffice11SizeGrip(s.DC(), RECT{0, 0, 20, 20});
    EXPECT_EQ(s.At(8, 17), static_cast<COLORREF>(Office11GripShade()));
    EXPECT_EQ(s.At(10, 19), static_cast<COLORREF>(Office11GripHighlight()));
}

TEST(GripTest, DotsAreCentredInTheSpareSpace)
{
    Surface s(20, 20);
    // Height 6: two spare rows, halved: the first cell moves one row down.
    DrawGripDots(s.DC(), RECT{0, 0, 4, 6}, true, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                 static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(s.At(0, 0), kSentinel);
    EXPECT_EQ(s.At(0, 1), RGB(0, 0, 0));
    EXPECT_EQ(s.At(2, 3), RGB(255, 255, 255));
    EXPECT_EQ(s.At(0, 5), kSentinel) << "a second cell would end below the rectangle";
}
