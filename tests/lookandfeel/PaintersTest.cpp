#include "LafTestSupport.h"

#include "lookandfeel/cxLookAndFeelPainters.h"

#include <gtest/gtest.h>

using namespace laftest;

namespace {

TcxCustomLookAndFeelPainterClass Custom()
{
    return TcxCustomLookAndFeelPainter::Instance();
}
TcxCustomLookAndFeelPainterClass Standard()
{
    return TcxStandardLookAndFeelPainter::Instance();
}
TcxCustomLookAndFeelPainterClass Flat()
{
    return TcxFlatLookAndFeelPainter::Instance();
}
TcxCustomLookAndFeelPainterClass UltraFlat()
{
    return TcxUltraFlatLookAndFeelPainter::Instance();
}
TcxCustomLookAndFeelPainterClass Office11()
{
    return TcxOffice11LookAndFeelPainter::Instance();
}
TcxCustomLookAndFeelPainterClass WinXP()
{
    return TcxWinXPLookAndFeelPainter::Instance();
}

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
// The ultra-flat hot and pressed faces written out from their weights.
COLORREF Weighted(int wb, int wh, int ww)
{
    COLORREF b = Sys(COLOR_BTNFACE), h = Sys(COLOR_HIGHLIGHT), w = Sys(COLOR_WINDOW);
    if (b == 0 || b == 0xFFFFFF)
        return Nearest(h);
    auto ch = [&](int x, int y, int z) {
        return Clamp(MulDiv(x, wb, 100) + MulDiv(y, wh, 100) + MulDiv(z, ww, 100));
    };
    return Nearest(RGB(ch(GetRValue(b), GetRValue(h), GetRValue(w)),
                       ch(GetGValue(b), GetGValue(h), GetGValue(w)),
                       ch(GetBValue(b), GetBValue(h), GetBValue(w))));
}

// One ring of a frame: the colour of its left and top sides and of its right and bottom.
struct Ring {
    TColor leftTop, rightBottom;
};

void ExpectRings(const Surface& s, const RECT& r, const std::vector<Ring>& rings, const std::string& what)
{
    for (size_t i = 0; i < rings.size(); ++i) {
        int d = static_cast<int>(i);
        RECT q{r.left + d, r.top + d, r.right - d, r.bottom - d};
        int mx = (q.left + q.right) / 2, my = (q.top + q.bottom) / 2;
        EXPECT_EQ(s.At(q.left, my), Rgb(rings[i].leftTop)) << what << " ring " << i << " left";
        EXPECT_EQ(s.At(mx, q.top), Rgb(rings[i].leftTop)) << what << " ring " << i << " top";
        EXPECT_EQ(s.At(q.right - 1, my), Rgb(rings[i].rightBottom)) << what << " ring " << i << " right";
        EXPECT_EQ(s.At(mx, q.bottom - 1), Rgb(rings[i].rightBottom)) << what << " ring " << i << " bottom";
    }
}

// Every painter in a fixed Office 2003 scheme, so the expected colours do not depend on
// the machine's theme.
class PainterTest : public ::testing::Test {
protected:
    static FakeThemeApi Configured()
    {
        FakeThemeApi t;
        t.colorName = L"Metallic";
        t.failingClasses = {L"Button", L"ToolBar", L"ListView", L"ScrollBar"};
        return t;
    }
    FakeThemeApi theme = Configured();
    ScopedTheme scoped{&theme};
};

} // namespace

TEST(ArrowTest, ArrowPointsFollowTheStatedExampleAndEachDirection)
{
    auto p = ArrowPoints(RECT{0, 0, 16, 10}, 0, true, adirDown);
    EXPECT_EQ(p[0].x, 5);
    EXPECT_EQ(p[0].y, 4);
    EXPECT_EQ(p[1].x, 9);
    EXPECT_EQ(p[1].y, 4);
    EXPECT_EQ(p[2].x, 7);
    EXPECT_EQ(p[2].y, 6);
    // Up in (0, 0, 9, 9): size (9 - 1) div 4 + 1 = 3, triangle 5 x 3, top at MulDiv(6, 1, 2) = 3.
    p = ArrowPoints(RECT{0, 0, 9, 9}, 0, true, adirUp);
    EXPECT_EQ(p[0].x, 4);
    EXPECT_EQ(p[0].y, 3);
    EXPECT_EQ(p[1].x, 2);
    EXPECT_EQ(p[1].y, 5);
    EXPECT_EQ(p[2].x, 6);
    // Right in (0, 0, 9, 9): 3 wide, 5 high, left edge (9 - 3) div 2 = 3, top MulDiv(4, 1, 2) = 2.
    p = ArrowPoints(RECT{0, 0, 9, 9}, 0, true, adirRight);
    EXPECT_EQ(p[0].x, 3);
    EXPECT_EQ(p[0].y, 2);
    EXPECT_EQ(p[1].x, 5);
    EXPECT_EQ(p[1].y, 4);
    EXPECT_EQ(p[2].y, 6);
    p = ArrowPoints(RECT{0, 0, 9, 9}, 0, true, adirLeft);
    EXPECT_EQ(p[0].x, 3);
    EXPECT_EQ(p[0].y, 4);
    EXPECT_EQ(p[1].x, 5);
    EXPECT_EQ(p[1].y, 2);
}

TEST(ArrowTest, PaintArrowFillsTheTriangleExactly)
{
    Surface s(16, 10);
    UltraFlat()->PaintArrow(s.Cx(), RECT{0, 0, 16, 10}, clRed, adirDown);
    // Rows 4, 5, 6: five, three and one pixel around x = 7.
    EXPECT_EQ(s.CountIs(RECT{5, 4, 10, 5}, RGB(255, 0, 0)), 5);
    EXPECT_EQ(s.CountIs(RECT{6, 5, 9, 6}, RGB(255, 0, 0)), 3);
    EXPECT_EQ(s.At(7, 6), RGB(255, 0, 0));
    EXPECT_EQ(s.CountIs(RECT{0, 0, 16, 10}, RGB(255, 0, 0)), 9);
}

TEST_F(PainterTest, ButtonArrowsUseTheStateColourShiftAndEmbossing)
{
    Surface s(16, 10);
    Standard()->PaintButtonArrow(s.Cx(), RECT{0, 0, 16, 10}, adirDown, cxbsPressed);
    EXPECT_EQ(s.At(8, 7), Sys(COLOR_BTNTEXT)) << "moved by the press shift of 1";
    EXPECT_EQ(s.At(5, 4), kSentinel);
    s.Fill(kSentinel);
    Standard()->PaintButtonArrow(s.Cx(), RECT{0, 0, 16, 10}, adirDown, cxbsDisabled);
    EXPECT_EQ(s.At(7, 6), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(8, 7), Sys(COLOR_BTNHIGHLIGHT));
    s.Fill(kSentinel);
    UltraFlat()->PaintButtonArrow(s.Cx(), RECT{0, 0, 16, 10}, adirDown, cxbsPressed);
    EXPECT_EQ(s.At(7, 6), Sys(COLOR_HIGHLIGHTTEXT)) << "no shift, pressed text colour";
}

TEST_F(PainterTest, ValueOperationsPerPainter)
{
    struct Row {
        TcxCustomLookAndFeelPainterClass painter;
        int style, frame, buttonFrameDefault, buttonFrameNormal, shift;
        bool hot;
    };
    const Row rows[] = {
        {Custom(), 1, 0, 0, 0, 0, false},  {Standard(), 1, 2, 3, 2, 1, false},
        {Flat(), 0, 1, 2, 1, 1, false},    {UltraFlat(), 2, 1, 2, 1, 0, true},
        {Office11(), 4, 1, 2, 1, 0, true}, {WinXP(), 3, 2, 2, 2, 0, true},
    };
    Surface s(4, 4);
    for (const Row& r : rows) {
        std::string name = ToUtf8(r.painter->ClassName());
        EXPECT_EQ(r.painter->PainterStyle(), r.style) << name;
        EXPECT_EQ(r.painter->FrameWidth(), r.frame) << name;
        EXPECT_EQ(r.painter->ButtonFrameWidth(cxbsDefault), r.buttonFrameDefault) << name;
        EXPECT_EQ(r.painter->ButtonFrameWidth(cxbsNormal), r.buttonFrameNormal) << name;
        EXPECT_EQ(r.painter->ButtonPressShift(), r.shift) << name;
        EXPECT_EQ(r.painter->ButtonTracksHot(), r.hot) << name;
        EXPECT_EQ(r.painter->ScrollBarCornerColor(), clBtnFace) << name;
        EXPECT_EQ(r.painter->LabelLineWidth(), 2) << name;
    }
    EXPECT_TRUE(RectsEqual(Standard()->ButtonFocusBounds(s.Cx(), RECT{0, 0, 20, 20}), RECT{4, 4, 16, 16}));
    EXPECT_TRUE(RectsEqual(UltraFlat()->ButtonFocusBounds(s.Cx(), RECT{0, 0, 20, 20}), RECT{3, 3, 17, 17}));
    EXPECT_TRUE(RectsEqual(Standard()->ButtonFocusBounds(s.Cx(), RECT{0, 0, 6, 6}), RECT{0, 0, 6, 6}))
        << "a focus rectangle that would be empty stays unshrunk";
}

TEST_F(PainterTest, NativeValuesComeFromTheThemeWhenItOpens)
{
    theme.failingClasses.clear();
    CloseAllThemeHandles();
    theme.contentInset = 4;
    theme.colors[(1 * 100 + 3) * 10000 + 3803] = RGB(1, 2, 3);
    theme.colors[(4 * 100 + 2) * 10000 + 3803] = RGB(4, 5, 6);
    Surface s(4, 4);
    EXPECT_EQ(WinXP()->FrameWidth(), 1);
    EXPECT_EQ(WinXP()->ButtonFrameWidth(cxbsHot), 4);
    EXPECT_TRUE(RectsEqual(WinXP()->ButtonFocusBounds(s.Cx(), RECT{0, 0, 30, 20}), RECT{4, 4, 26, 16}));
    EXPECT_EQ(WinXP()->ButtonTextColor(cxbsPressed), RGB(1, 2, 3));
    EXPECT_EQ(WinXP()->ButtonTextColor(cxbsNormal), clBtnText) << "no theme colour: the base rule";
    EXPECT_EQ(WinXP()->GroupCaptionColor(false), RGB(4, 5, 6));
    EXPECT_EQ(Office11()->GroupCaptionColor(false), RGB(4, 5, 6));
    EXPECT_EQ(Office11()->GroupCaptionColor(true), clWindowText);
    EXPECT_EQ(WinXP()->ButtonFaceColor(cxbsNormal), clBtnFace) << "the fill colour property is missing";
}

TEST_F(PainterTest, ButtonAndTextColoursPerPainterAndState)
{
    ASSERT_EQ(CurrentOffice11Scheme(), schMetallic);
    struct Row {
        TcxCustomLookAndFeelPainterClass painter;
        TcxButtonState state;
        COLORREF face;
        COLORREF text;
    };
    const COLORREF face = Sys(COLOR_BTNFACE);
    const Row rows[] = {
        {Standard(), cxbsNormal, face, Sys(COLOR_BTNTEXT)},
        {Standard(), cxbsDisabled, face, Sys(COLOR_BTNSHADOW)},
        {Flat(), cxbsPressed, face, Sys(COLOR_BTNTEXT)},
        {UltraFlat(), cxbsHot, Weighted(-2, 30, 72), Sys(COLOR_BTNTEXT)},
        {UltraFlat(), cxbsPressed, Weighted(14, 44, 40), Sys(COLOR_HIGHLIGHTTEXT)},
        {UltraFlat(), cxbsDefault, face, Sys(COLOR_BTNTEXT)},
        {Office11(), cxbsNormal, RGB(215, 215, 229), RGB(0, 0, 0)},
        {Office11(), cxbsHot, RGB(255, 244, 204), RGB(0, 0, 0)},
        {Office11(), cxbsPressed, RGB(255, 211, 142), RGB(0, 0, 0)},
        {Office11(), cxbsDisabled, face, RGB(141, 141, 141)},
    };
    for (const Row& r : rows) {
        std::string what = ToUtf8(r.painter->ClassName()) + " state " + std::to_string(r.state);
        EXPECT_EQ(Rgb(r.painter->ButtonFaceColor(r.state)), r.face) << what;
        EXPECT_EQ(Rgb(r.painter->ButtonTextColor(r.state)), r.text) << what;
        Surface s(40, 24);
        r.painter->PaintButton(s.Cx(), RECT{0, 0, 40, 24}, L"", r.state);
        EXPECT_EQ(s.At(20, 12), r.face) << what << " painted face";
    }
    EXPECT_EQ(Standard()->ButtonTextColor(cxbsNormal, clRed), clRed);
    EXPECT_EQ(Standard()->ButtonTextColor(cxbsDisabled, clRed), clBtnShadow);
}

TEST_F(PainterTest, PressedOffice11TextWithoutSchemeUsesTheHighlightTextColour)
{
    theme.colorName = L"Blue";
    RefreshOffice11ColorSet();
    EXPECT_EQ(Office11()->ButtonTextColor(cxbsPressed), clHighlightText);
    EXPECT_EQ(Office11()->ButtonTextColor(cxbsNormal), Sys(COLOR_BTNTEXT));
}

TEST_F(PainterTest, ButtonFramesPerPainterAndState)
{
    const TColor o11Disabled = RGB(141, 141, 141), o11Selection = RGB(75, 75, 111);
    struct Row {
        TcxCustomLookAndFeelPainterClass painter;
        TcxButtonState state;
        std::vector<Ring> rings;
    };
    const std::vector<Row> rows = {
        {Standard(), cxbsNormal, {{clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}},
        {Standard(), cxbsHot, {{clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}},
        {Standard(),
         cxbsDefault,
         {{clBlack, clBlack}, {clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}},
        {Standard(), cxbsPressed, {{clBlack, clBlack}, {clBtnShadow, clBtnShadow}}},
        {Flat(), cxbsNormal, {{clBtnHighlight, clBtnShadow}}},
        {Flat(), cxbsDefault, {{clBlack, clBlack}, {clBtnHighlight, clBtnShadow}}},
        {Flat(), cxbsPressed, {{clBtnShadow, clBtnHighlight}}},
        {UltraFlat(), cxbsNormal, {{clBtnText, clBtnText}}},
        {UltraFlat(), cxbsDisabled, {{clBtnShadow, clBtnShadow}}},
        {UltraFlat(), cxbsHot, {{clHighlight, clHighlight}}},
        {UltraFlat(), cxbsPressed, {{clHighlight, clHighlight}}},
        {UltraFlat(), cxbsDefault, {{clWindowFrame, clWindowFrame}, {clWindowFrame, clWindowFrame}}},
        {Office11(), cxbsNormal, {{clBtnText, clBtnText}}},
        {Office11(), cxbsDisabled, {{o11Disabled, o11Disabled}}},
        {Office11(), cxbsHot, {{o11Selection, o11Selection}}},
        {Office11(), cxbsPressed, {{o11Selection, o11Selection}}},
        {Office11(), cxbsDefault, {{clWindowFrame, clWindowFrame}, {clWindowFrame, clWindowFrame}}},
        {WinXP(),
         cxbsDefault,
         {{clBlack, clBlack}, {clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}},
    };
    const RECT rects[] = {{0, 0, 40, 24}, {3, 2, 13, 9}};
    for (const Row& row : rows)
        for (const RECT& r : rects) {
            std::string what = ToUtf8(row.painter->ClassName()) + " state " + std::to_string(row.state);
            Surface s(44, 28);
            row.painter->PaintButtonFrame(s.Cx(), r, row.state);
            ExpectRings(s, r, row.rings, what);
            int n = static_cast<int>(row.rings.size());
            EXPECT_EQ(s.At((r.left + r.right) / 2, r.top + n), kSentinel) << what << " inside stays";
            EXPECT_EQ(s.At(r.right, r.bottom), kSentinel) << what << " outside stays";
        }
    Surface s(20, 20);
    Custom()->PaintButtonFrame(s.Cx(), RECT{0, 0, 20, 20}, cxbsNormal);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, kSentinel), 0);
}

TEST_F(PainterTest, ControlFramesPerPainter)
{
    struct Row {
        TcxCustomLookAndFeelPainterClass painter;
        std::vector<Ring> rings;
    };
    const TColor o11Frame = RGB(124, 124, 148);
    const std::vector<Row> rows = {
        {Standard(), {{clBtnShadow, clBtnHighlight}, {cl3DDkShadow, cl3DLight}}},
        {Flat(), {{clBtnShadow, clBtnHighlight}}},
        {UltraFlat(), {{clBtnShadow, clBtnShadow}}},
        {Office11(), {{o11Frame, o11Frame}}},
        {WinXP(), {{clBtnShadow, clBtnHighlight}, {cl3DDkShadow, cl3DLight}}},
    };
    for (const Row& row : rows) {
        Surface s(30, 20);
        row.painter->PaintFrame(s.Cx(), RECT{0, 0, 30, 20});
        ExpectRings(s, RECT{0, 0, 30, 20}, row.rings, ToUtf8(row.painter->ClassName()));
        int n = static_cast<int>(row.rings.size());
        EXPECT_EQ(s.CountNot(RECT{n, n, 30 - n, 20 - n}, kSentinel), 0);
    }
}

TEST_F(PainterTest, NativeFramesButtonsAndGripsDrawThemePartsAndLeaveTheInterior)
{
    theme.failingClasses.clear();
    CloseAllThemeHandles();
    Surface s(60, 30);
    WinXP()->PaintFrame(s.Cx(), RECT{0, 0, 60, 30});
    ASSERT_EQ(theme.draws.size(), 1u);
    EXPECT_EQ(theme.draws[0].classList, L"ListView");
    EXPECT_EQ(theme.draws[0].part, 5);
    EXPECT_EQ(theme.draws[0].state, 0);
    EXPECT_EQ(s.At(0, 10), FakeThemeApi::PartColor(5, 0));
    EXPECT_EQ(s.CountNot(RECT{1, 1, 59, 29}, kSentinel), 0) << "the interior is excluded from the clip";

    const std::pair<TcxButtonState, int> states[] = {
        {cxbsDefault, 5}, {cxbsNormal, 1}, {cxbsHot, 2}, {cxbsPressed, 3}, {cxbsDisabled, 4}};
    for (auto [state, id] : states) {
        theme.draws.clear();
        WinXP()->PaintButton(s.Cx(), RECT{0, 0, 60, 30}, L"Go", state);
        ASSERT_EQ(theme.draws.size(), 1u);
        EXPECT_EQ(theme.draws[0].part, 1);
        EXPECT_EQ(theme.draws[0].state, id);
        EXPECT_EQ(theme.draws[0].classList, L"Button");
    }
    EXPECT_EQ(theme.texts.back(), L"Go");
    theme.draws.clear();
    WinXP()->PaintButton(s.Cx(), RECT{0, 0, 60, 30}, L"Go", cxbsNormal, true, clDefault, clDefault, false,
                         true);
    EXPECT_EQ(theme.draws.at(0).classList, L"ToolBar");
    theme.draws.clear();
    WinXP()->PaintSizeGrip(s.Cx(), RECT{0, 0, 16, 16}, clNone);
    EXPECT_EQ(theme.draws.at(0).classList, L"ScrollBar");
    EXPECT_EQ(theme.draws.at(0).part, 10);
    EXPECT_EQ(theme.draws.at(0).state, 1);
    theme.draws.clear();
    Office11()->PaintGroupFrame(s.Cx(), RECT{0, 0, 60, 30}, cxBordersAll, false);
    EXPECT_EQ(theme.draws.at(0).part, 4);
    EXPECT_EQ(theme.draws.at(0).state, 2);
    EXPECT_EQ(theme.closedHandleUses, 0);
}

TEST_F(PainterTest, NativeButtonWithoutThemePaintsAsStandard)
{
    Surface native(40, 24), standard(40, 24);
    WinXP()->PaintButton(native.Cx(), RECT{0, 0, 40, 24}, L"", cxbsNormal);
    Standard()->PaintButton(standard.Cx(), RECT{0, 0, 40, 24}, L"", cxbsNormal);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(native.At(x, y), standard.At(x, y)) << x << "," << y;
    EXPECT_TRUE(theme.draws.empty());
}

TEST_F(PainterTest, CaptionOfALowButtonGetsTheDroppedRowBackOnTop)
{
    // (0, 0, 80, 17) without frame: the caption goes into (0, -1, 80, 16).
    Surface button(80, 17), reference(80, 17);
    UseCrispFont(button.Cx().Font());
    Standard()->PaintButton(button.Cx(), RECT{0, 0, 80, 17}, L"Start", cxbsNormal, false, clWhite, clBlack);
    reference.Fill(RGB(255, 255, 255));
    UseCrispFont(reference.Cx().Font());
    reference.Cx().Canvas()->RequiredState(TCanvas::csFontValid);
    SetTextColor(reference.DC(), RGB(0, 0, 0));
    SetBkMode(reference.DC(), TRANSPARENT);
    RECT r{0, -1, 80, 16};
    DrawTextW(reference.DC(), L"Start", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(button.At(x, y), reference.At(x, y)) << x << "," << y;
    EXPECT_NE(button.CountNot(RECT{0, 0, 80, 17}, RGB(255, 255, 255)), 0);
}

TEST_F(PainterTest, DisabledCaptionIsEmbossed)
{
    Surface s(80, 24);
    UseCrispFont(s.Cx().Font());
    Office11()->PaintButton(s.Cx(), RECT{0, 0, 80, 24}, L"Stop", cxbsDisabled);
    RECT inside{2, 2, 78, 22};
    EXPECT_GT(s.CountIs(inside, Sys(COLOR_BTNHIGHLIGHT)), 0);
    EXPECT_GT(s.CountIs(inside, Sys(COLOR_BTNSHADOW)), 0);
    EXPECT_EQ(s.Cx().Brush().Style(), TBrushStyle::bsSolid) << "the brush is solid again afterwards";
}

TEST_F(PainterTest, SizeGrips)
{
    Surface s(20, 20);
    Office11()->PaintSizeGrip(s.Cx(), RECT{0, 0, 20, 20}, clNone);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, Rgb(Office11GripShade())), 24);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, Rgb(Office11GripHighlight())), 18);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, kSentinel), 400 - 42) << "six dots and nothing else";
    s.Fill(kSentinel);
    UltraFlat()->PaintSizeGrip(s.Cx(), RECT{0, 0, 20, 20}, clBtnFace);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 20, 20}, kSentinel), 0);
    EXPECT_EQ(s.At(1, 1), Sys(COLOR_BTNFACE));
    EXPECT_GT(s.CountNot(RECT{0, 0, 20, 20}, Sys(COLOR_BTNFACE)), 0) << "the grip lines";
}

TEST_F(PainterTest, LabelLinesShowTheOuterColourFirst)
{
    Surface s(100, 20);
    Custom()->PaintLabelLine(s.Cx(), RECT{0, 10, 100, 12}, false);
    EXPECT_EQ(s.CountNot(RECT{0, 10, 100, 11}, Sys(COLOR_BTNSHADOW)), 0);
    EXPECT_EQ(s.CountNot(RECT{0, 11, 100, 12}, Sys(COLOR_BTNHIGHLIGHT)), 0);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 100, 10}, kSentinel), 0);
    s.Fill(kSentinel);
    Office11()->PaintLabelLine(s.Cx(), RECT{40, 0, 42, 20}, true, clRed, clBlue);
    EXPECT_EQ(s.CountNot(RECT{40, 0, 41, 20}, RGB(0, 0, 255)), 0);
    EXPECT_EQ(s.CountNot(RECT{41, 0, 42, 20}, RGB(255, 0, 0)), 0);
}

TEST_F(PainterTest, InvertedProgressTextShowsTheInverseOfWhatLiesBelow)
{
    Surface s(100, 20);
    const COLORREF bar = Sys(COLOR_HIGHLIGHT), track = Sys(COLOR_BTNFACE);
    s.Cx().FillRectColor(RECT{0, 0, 50, 20}, bar);
    s.Cx().FillRectColor(RECT{50, 0, 100, 20}, track);
    s.Cx().Font().SetHeight(-16);
    UseCrispFont(s.Cx().Font());
    Standard()->PaintProgressText(s.Cx(), false, clDefault, false, L"MMMMMMMMMM", RECT{5, 1, 95, 19});
    int invertedOnBar = 0, invertedOnTrack = 0, other = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x) {
            COLORREF below = x < 50 ? bar : track, c = s.At(x, y);
            if (c == below)
                continue;
            if (c == (below ^ 0xFFFFFF))
                ++(x < 50 ? invertedOnBar : invertedOnTrack);
            else
                ++other;
        }
    EXPECT_GT(invertedOnBar, 0);
    EXPECT_GT(invertedOnTrack, 0);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(s.Cx().StateStackDepth(), 0);
    EXPECT_EQ(s.Cx().CopyMode(), static_cast<DWORD>(SRCCOPY));
}

TEST_F(PainterTest, SolidProgressTextIsDrawnInItsColourInsideTheTextRectangle)
{
    Surface s(100, 30);
    UseCrispFont(s.Cx().Font());
    s.Cx().Brush().SetStyle(TBrushStyle::bsClear);
    Standard()->PaintProgressText(s.Cx(), false, clRed, true, L"50%", RECT{30, 5, 70, 25});
    RECT ink = s.InkBounds();
    ASSERT_FALSE(RectIsEmpty(ink));
    EXPECT_GE(ink.left, 30);
    EXPECT_GE(ink.top, 5);
    EXPECT_EQ(s.CountIs(ink, RGB(255, 0, 0)) + s.CountIs(ink, kSentinel), RectWidth(ink) * RectHeight(ink));
}

TEST_F(PainterTest, GroupFramesAreExcludedFromTheClipAfterwards)
{
    struct Row {
        TcxCustomLookAndFeelPainterClass painter;
        bool enabled;
        std::vector<Ring> rings;
    };
    const std::vector<Row> rows = {
        {UltraFlat(), true, {{clHighlight, clHighlight}}},
        {UltraFlat(), false, {{clBtnShadow, clBtnShadow}}},
        {Office11(), true, {{clHighlight, clHighlight}}}, // no button theme here
        {Flat(), true, {{clBtnShadow, clBtnShadow}, {clBtnHighlight, clBtnHighlight}}},
    };
    for (const Row& row : rows) {
        Surface s(40, 30);
        row.painter->PaintGroupFrame(s.Cx(), RECT{0, 0, 40, 30}, cxBordersAll, row.enabled);
        s.Cx().FillRectColor(RECT{0, 0, 40, 30}, RGB(9, 9, 9));
        ExpectRings(s, RECT{0, 0, 40, 30}, row.rings, ToUtf8(row.painter->ClassName()));
    }
    // Standard: shadow on (0, 0, 39, 29), highlight on the same moved by one.
    Surface s(40, 30);
    Standard()->PaintGroupFrame(s.Cx(), RECT{0, 0, 40, 30}, cxBorder(bLeft) | cxBorder(bTop), true);
    EXPECT_EQ(s.At(0, 10), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(1, 10), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.At(39, 10), kSentinel) << "only the listed borders";
}

// The flat and the 3D group frame are two one-pixel frames; where they share a pixel the first
// one shows, and afterwards both are out of the clip (a fill over everything leaves them). Flat:
// shadow on r, highlight one pixel inside. 3D: shadow on r less its last row and column,
// highlight on the same moved by one. Large frames and frames too small to make a closed
// ring of two pixels alike.
TEST_F(PainterTest, TwoToneGroupFramesWhereTheFirstFrameWinsTheSharedPixels)
{
    auto onOutline = [](const RECT& f, int x, int y) {
        bool inside = x >= f.left && x < f.right && y >= f.top && y < f.bottom;
        return inside && (x == f.left || x == f.right - 1 || y == f.top || y == f.bottom - 1);
    };
    struct Row {
        const char* name;
        TcxCustomLookAndFeelPainterClass painter;
        RECT first, second; // for the frame {0, 0, w, h}
        int w, h;
    };
    const std::vector<Row> rows = {
        {"flat 40x30", Flat(), {0, 0, 40, 30}, {1, 1, 39, 29}, 40, 30},
        {"flat 4x4", Flat(), {0, 0, 4, 4}, {1, 1, 3, 3}, 4, 4},
        {"flat 3x5", Flat(), {0, 0, 3, 5}, {1, 1, 2, 4}, 3, 5},
        {"3D 40x30", Standard(), {0, 0, 39, 29}, {1, 1, 40, 30}, 40, 30},
        {"3D 4x4", Standard(), {0, 0, 3, 3}, {1, 1, 4, 4}, 4, 4},
        {"3D 3x3", Standard(), {0, 0, 2, 2}, {1, 1, 3, 3}, 3, 3},
    };
    const COLORREF fill = RGB(9, 9, 9);
    for (const Row& row : rows) {
        Surface s(row.w + 4, row.h + 4);
        s.Cx().SetWindowOrigin(POINT{-2, -2}); // the frame away from the surface's edges
        row.painter->PaintGroupFrame(s.Cx(), RECT{0, 0, row.w, row.h}, cxBordersAll, true);
        s.Cx().FillRectColor(RECT{-2, -2, row.w + 2, row.h + 2}, fill);
        for (int y = -2; y < row.h + 2; ++y)
            for (int x = -2; x < row.w + 2; ++x) {
                COLORREF expected = onOutline(row.first, x, y)    ? Sys(COLOR_BTNSHADOW)
                                    : onOutline(row.second, x, y) ? Sys(COLOR_BTNHIGHLIGHT)
                                                                  : fill;
                ASSERT_EQ(s.At(x + 2, y + 2), expected) << row.name << " at " << x << "," << y;
            }
    }
}

TEST_F(PainterTest, PanelBackgroundsOfTheOffice11Painter)
{
    Surface s(20, 40);
    Office11()->PaintPanelBackground(s.Cx(), nullptr, clRed, clDefault, RECT{0, 0, 20, 40});
    EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 40}, RGB(255, 0, 0)), 0);
    ScopedGradient banded(nullptr);
    Office11()->PaintPanelBackground(s.Cx(), nullptr, RGB(0, 0, 0), RGB(0, 0, 200), RECT{0, 0, 20, 40});
    EXPECT_EQ(s.At(5, 0), RGB(0, 0, 0)) << "the first colour at the top";
    EXPECT_EQ(s.At(5, 39), RGB(0, 0, 200));
    EXPECT_EQ(s.At(0, 20), s.At(19, 20)) << "vertical: rows are uniform";
    s.Fill(kSentinel);
    WinXP()->PaintPanelBackground(s.Cx(), nullptr, clBlue, clRed, RECT{0, 0, 20, 40});
    EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 40}, RGB(0, 0, 255)), 0);
    s.Fill(kSentinel);
    UltraFlat()->PaintPanelBackground(s.Cx(), nullptr, clBlue, clRed, RECT{0, 0, 20, 40});
    EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 40}, kSentinel), 0);
}

TEST_F(PainterTest, PainterForKindAndEditColours)
{
    EXPECT_EQ(PainterForKind(true, lfFlat), WinXP());
    EXPECT_EQ(PainterForKind(false, lfOffice11), Office11());
    EXPECT_EQ(Rgb(EditButtonStateColor(true, true)), RGB(255, 211, 142));
    EXPECT_EQ(Rgb(EditButtonStateColor(false, false)), Weighted(-2, 30, 72));
    EXPECT_EQ(Rgb(EditHighlightColor(true)), RGB(75, 75, 111));
    EXPECT_EQ(EditHighlightColor(false), clHighlight);
    theme.active = false;
    SetThemeApi(&theme);
    EXPECT_EQ(PainterForKind(true, lfFlat), Flat());
}
