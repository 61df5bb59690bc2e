#include "LafTestSupport.h"

#include "lookandfeel/cxLookAndFeelPainters.h"

#include <gtest/gtest.h>

using namespace laftest;

TEST(TextFlagsTest, LibraryFlagsBecomeDrawTextFlags)
{
    struct Case {
        TcxTextFlags flags;
        UINT expected;
    };
    const Case cases[] = {
        {0, DT_NOPREFIX},
        {tfAlignCenter | tfAlignMiddle | tfSingleLine, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX},
        {tfShowPrefix | tfAlignRight, DT_RIGHT},
        {tfWordWrap, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX},
        {tfWordWrap | tfWordBreakOnly, DT_WORDBREAK | DT_NOPREFIX},
        {tfWordWrap | tfWordBreakOnly | tfNoFullWidthBreak,
         DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK | DT_NOPREFIX},
        {tfEndEllipsis | tfPathEllipsis | tfMeasureOnly | tfNoClip | tfExpandTabs | tfAlignBottom,
         DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_BOTTOM |
             DT_NOPREFIX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cxTextFlagsToDrawTextFlags(c.flags), c.expected) << std::hex << c.flags;
}

TEST(CanvasFillTest, NoneDrawsNothingAndDefaultUsesTheCurrentBrush)
{
    Surface s(10, 10);
    TcxCanvas& cv = s.Cx();
    cv.SetBrushColor(RGB(1, 200, 3));
    cv.FillRectColor(RECT{0, 0, 10, 10}, clNone);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 10, 10}, kSentinel), 0);
    EXPECT_EQ(cv.Brush().Color(), RGB(1, 200, 3));
    cv.FillRectColor(RECT{2, 2, 5, 5}, clDefault);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 10, 10}, RGB(1, 200, 3)), 9);
    cv.FillRectColor(RECT{0, 0, 1, 1}, clBtnFace);
    EXPECT_EQ(s.At(0, 0), Sys(COLOR_BTNFACE));
}

TEST(CanvasFrameTest, WideBordersOnANarrowRectangleOverlap)
{
    Surface s(8, 8);
    s.Cx().FrameRectBorders(RECT{0, 0, 4, 8}, RGB(255, 0, 0), 3, cxBorder(bLeft));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(s.At(x, 4) == RGB(255, 0, 0), x < 3) << x;
    s.Fill(kSentinel);
    s.Cx().FrameRectBorders(RECT{0, 0, 4, 8}, RGB(255, 0, 0), 3, cxBorder(bRight));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(s.At(x, 4) == RGB(255, 0, 0), x >= 1) << x;
    s.Fill(kSentinel);
    s.Cx().FrameRectBorders(RECT{2, 2, 2, 8}, RGB(255, 0, 0), 1, cxBordersAll);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 8, 8}, kSentinel), 0) << "an empty rectangle gets no frame";
}

TEST(CanvasFrameTest, EdgeFramesUseTheirFourColourPairs)
{
    struct Case {
        bool sunken, outer;
        int leftTop, rightBottom;
    };
    const Case cases[] = {{true, true, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},
                          {true, false, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
                          {false, true, COLOR_3DLIGHT, COLOR_3DDKSHADOW},
                          {false, false, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW}};
    for (const Case& c : cases) {
        Surface s(10, 10);
        s.Cx().DrawEdgeFrame(RECT{1, 1, 9, 9}, c.sunken, c.outer);
        EXPECT_EQ(s.At(1, 5), Sys(c.leftTop));
        EXPECT_EQ(s.At(5, 1), Sys(c.leftTop));
        EXPECT_EQ(s.At(8, 5), Sys(c.rightBottom));
        EXPECT_EQ(s.At(5, 8), Sys(c.rightBottom));
        EXPECT_EQ(s.At(8, 1), Sys(c.rightBottom)) << "right and bottom are drawn last";
        EXPECT_EQ(s.CountNot(RECT{2, 2, 8, 8}, kSentinel), 0);
        EXPECT_EQ(s.At(0, 0), kSentinel);
    }
}

TEST(CanvasTileTest, TilesAreAnchoredAtTheOriginAlsoAtNegativeCoordinates)
{
    TcxBitmap tile(4, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            SetPixelV(tile.DC(), x, y, RGB(x * 60, y * 60, 7));
    Surface s(20, 20);
    TcxCanvas& cv = s.Cx();
    cv.SetWindowOrigin(POINT{-10, -10}); // logical (-10, -10) is the surface's (0, 0)
    cv.FillRectTiled(RECT{-7, -6, 5, 6}, &tile);
    cv.SetWindowOrigin(POINT{0, 0});
    for (int ly = -6; ly < 6; ++ly)
        for (int lx = -7; lx < 5; ++lx) {
            int tx = ((lx % 4) + 4) % 4, ty = ((ly % 4) + 4) % 4;
            ASSERT_EQ(s.At(lx + 10, ly + 10), RGB(tx * 60, ty * 60, 7)) << lx << "," << ly;
        }
    EXPECT_EQ(s.At(2, 10), kSentinel);
}

TEST(CanvasTileTest, ExcludingTheFilledRectangleProtectsItFromLaterFills)
{
    Surface s(10, 10);
    TcxCanvas& cv = s.Cx();
    cv.SetBrushColor(RGB(255, 0, 0));
    cv.FillRectTiled(RECT{2, 2, 5, 5}, nullptr, true);
    cv.FillRectColor(RECT{0, 0, 10, 10}, RGB(0, 0, 255));
    EXPECT_EQ(s.CountIs(RECT{0, 0, 10, 10}, RGB(255, 0, 0)), 9);
    EXPECT_EQ(s.CountIs(RECT{0, 0, 10, 10}, RGB(0, 0, 255)), 91);
}

TEST(CanvasClipTest, PopClipRegionRestoresTheRegionOfTheMatchingPush)
{
    Surface s(40, 40);
    TcxCanvas& cv = s.Cx();
    cv.IntersectClip(RECT{5, 5, 30, 30});
    auto before = cv.ClipRegion();
    cv.PushClipRegion();
    cv.ExcludeFromClip(RECT{10, 10, 20, 20});
    cv.ExcludeFromClip(RECT{0, 0, 8, 8});
    EXPECT_FALSE(cv.ClipRegion()->SameAs(*before));
    cv.PopClipRegion();
    EXPECT_TRUE(cv.ClipRegion()->SameAs(*before));
    cv.PopClipRegion(); // empty stack: nothing
    EXPECT_EQ(cv.ClipStackDepth(), 0);
    cv.FillRectColor(RECT{0, 0, 40, 40}, RGB(9, 9, 9));
    EXPECT_EQ(s.CountIs(RECT{0, 0, 40, 40}, RGB(9, 9, 9)), 25 * 25);
}

TEST(CanvasClipTest, RegionsCombineAndCompare)
{
    TcxRegion a(RECT{0, 0, 10, 10});
    a.CombineWith(TcxRegion::CreateFromRect(RECT{5, 0, 15, 10}), rgnUnion);
    EXPECT_TRUE(RectsEqual(a.BoundsRect(), RECT{0, 0, 15, 10}));
    a.CombineWith(TcxRegion::CreateFromRect(RECT{0, 0, 15, 10}), rgnExclude);
    EXPECT_TRUE(a.HasNoArea());
    EXPECT_TRUE(a.SameAs(*TcxRegion::CreateEmpty()));
    auto rounded = TcxRegion::CreateRounded(RECT{0, 0, 10, 10}, 2, 2);
    EXPECT_FALSE(rounded->ContainsPoint(POINT{0, 0})) << "the region starts at (Left + 1, Top + 1)";
    EXPECT_TRUE(rounded->ContainsPoint(POINT{1, 5}));
    a.CombineWith(*rounded, rgnReplace);
    EXPECT_TRUE(a.SameAs(*rounded));
    a.MoveBy(3, 4);
    EXPECT_TRUE(a.ContainsPoint(POINT{4, 9}));
    EXPECT_FALSE(a.ContainsPoint(POINT{3, 9}));
}

TEST(CanvasStateTest, PushAndPopRestoreFontBrushPenAndTheDeviceContext)
{
    Surface s(10, 10);
    TcxCanvas& cv = s.Cx();
    cv.Font().SetHeight(-20);
    cv.Font().SetColor(RGB(1, 2, 3));
    cv.SetBrushColor(RGB(4, 5, 6));
    cv.Pen().SetColor(RGB(7, 8, 9));
    cv.Canvas()->RequiredState(TCanvas::csAllValid);
    POINT org = cv.WindowOrigin();
    cv.PushState();
    cv.Font().SetHeight(-9);
    cv.SetBrushColor(RGB(40, 50, 60));
    cv.Pen().SetWidth(3);
    cv.SetWindowOrigin(POINT{5, 5});
    cv.PopState();
    EXPECT_EQ(cv.Font().Height(), -20);
    EXPECT_EQ(cv.Font().Color(), RGB(1, 2, 3));
    EXPECT_EQ(cv.Brush().Color(), RGB(4, 5, 6));
    EXPECT_EQ(cv.Pen().Width(), 1);
    EXPECT_EQ(cv.WindowOrigin().x, org.x);
    cv.PopState();
    cv.PopDC(); // empty stacks: nothing
    EXPECT_EQ(cv.StateStackDepth(), 0);
    EXPECT_EQ(cv.DCStackDepth(), 0);
    cv.FillRectColor(RECT{0, 0, 2, 2});
    EXPECT_EQ(s.At(1, 1), RGB(4, 5, 6));
}

TEST(CanvasTextTest, TextInkStaysInsideItsRectangle)
{
    Surface s(120, 40);
    TcxCanvas& cv = s.Cx();
    cv.Font().SetColor(RGB(0, 0, 0));
    const RECT r{10, 5, 110, 35};
    cv.WriteText(L"Centred", r, tfAlignCenter | tfAlignMiddle | tfSingleLine);
    RECT ink = s.InkBounds();
    ASSERT_FALSE(RectIsEmpty(ink));
    EXPECT_GE(ink.left, r.left);
    EXPECT_LE(ink.right, r.right);
    EXPECT_GE(ink.top, r.top);
    EXPECT_LE(ink.bottom, r.bottom);
    // Centred: about as much room on the left as on the right.
    EXPECT_NEAR(ink.left - r.left, r.right - ink.right, 3);
}

TEST(CanvasTextTest, DisabledRightAlignedTextLeavesAPixelForItsHighlightCopy)
{
    const RECT r{0, 0, 100, 30};
    Surface enabled(100, 30), disabled(100, 30);
    UseCrispFont(disabled.Cx().Font());
    disabled.Cx().WriteText(L"Right", r, tfAlignRight | tfSingleLine, false);
    RECT shadowInk{100, 30, 0, 0}, lightInk{100, 30, 0, 0};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) {
            COLORREF c = disabled.At(x, y);
            if (c == Sys(COLOR_BTNSHADOW))
                shadowInk.right = std::max<LONG>(shadowInk.right, x + 1);
            if (c == Sys(COLOR_BTNHIGHLIGHT))
                lightInk.right = std::max<LONG>(lightInk.right, x + 1);
        }
    ASSERT_GT(shadowInk.right, 0);
    EXPECT_EQ(lightInk.right, shadowInk.right + 1) << "the highlight copy is one pixel right of the shadow";
    EXPECT_LE(lightInk.right, r.right) << "and still inside the rectangle";
    // The shadow copy sits one pixel further left than enabled text would.
    SIZE size = enabled.Cx().TextSize(L"Right");
    EXPECT_LE(shadowInk.right, r.right - 1);
    EXPECT_GE(shadowInk.right, r.right - 1 - size.cx / 2);
}

TEST(CanvasTextTest, VerticalAlignmentKeepsTheRectangleWhenMeasuringFails)
{
    TCanvas broken; // no device context: every measurement fails
    TcxCanvas cv(&broken);
    for (TcxVertTextAlign mode : {vtaMiddle, vtaBottom}) {
        RECT r{0, 10, 100, 60};
        cv.AlignTextBlockVertically(r, L"two\nlines", false, false, true, false, true, mode);
        EXPECT_TRUE(RectsEqual(r, RECT{0, 10, 100, 60})) << mode;
        cv.AlignTextBlockVertically(r, L"two\nlines", true, false, true, false, true, mode);
        EXPECT_TRUE(RectsEqual(r, RECT{0, 10, 100, 60})) << mode;
    }
}

TEST(CanvasTextTest, MultiLineTextIsMovedDownForBottomAlignment)
{
    Surface s(100, 100);
    TcxCanvas& cv = s.Cx();
    cv.Font().SetColor(RGB(0, 0, 0));
    int line = cv.TextPixelHeight(L"Wg");
    cv.WriteText(L"one\ntwo", RECT{0, 0, 100, 100}, tfAlignBottom | tfAlignLeft);
    RECT ink = s.InkBounds();
    EXPECT_GE(ink.top, 100 - 2 * line);
    EXPECT_LE(ink.bottom, 100);
}

TEST(CanvasTextTest, MeasuredRectangleIsPlacedByTheAlignment)
{
    Surface s(10, 10);
    TcxCanvas& cv = s.Cx();
    SIZE size = cv.TextSize(L"Wide text");
    RECT r{0, 0, 200, 100};
    cv.MeasureTextRect(L"Wide text", r, tfAlignCenter | tfAlignBottom | tfSingleLine);
    EXPECT_EQ(RectWidth(r), size.cx);
    EXPECT_EQ(r.left, (200 - size.cx) / 2);
    EXPECT_EQ(r.bottom, 100);
}

TEST(PaintCanvasTest, AttachAndDetachNestAndRestoreTheContexts)
{
    Surface a(4, 4), b(4, 4);
    TcxPaintCanvas canvas;
    canvas.AttachDC(a.DC());
    canvas.SetBrushColor(RGB(255, 0, 0));
    canvas.AttachDC(b.DC());
    EXPECT_EQ(canvas.Handle(), b.DC());
    canvas.SetBrushColor(RGB(0, 255, 0));
    canvas.FillRectColor(RECT{0, 0, 4, 4});
    canvas.DetachDC();
    EXPECT_EQ(canvas.Handle(), a.DC());
    EXPECT_EQ(canvas.Brush().Color(), RGB(255, 0, 0));
    canvas.FillRectColor(RECT{0, 0, 4, 4});
    canvas.DetachDC();
    EXPECT_EQ(a.At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(b.At(1, 1), RGB(0, 255, 0));
}

// ---- painting what lies behind a control ----

namespace {

COLORREF ParentColorAt(int x, int y)
{
    return RGB((x * 4) & 0xFF, (y * 4) & 0xFF, 90);
}

LRESULT CALLBACK ParentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_PAINT && wp) {
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT rc;
        GetClientRect(wnd, &rc);
        for (int y = 0; y < rc.bottom; ++y)
            for (int x = 0; x < rc.right; ++x)
                SetPixelV(dc, x, y, ParentColorAt(x, y));
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT CALLBACK SiblingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT && wp) {
        RECT rc;
        GetClientRect(wnd, &rc);
        HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(reinterpret_cast<HDC>(wp), &rc, b);
        DeleteObject(b);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

class ParentFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = ParentProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"LafTestParent";
            RegisterClassW(&wc);
            wc.lpfnWndProc = SiblingProc;
            wc.lpszClassName = L"LafTestSibling";
            RegisterClassW(&wc);
            return true;
        }();
        (void)registered;
        parent = CreateWindowExW(0, L"LafTestParent", L"", WS_POPUP | WS_VISIBLE, 50, 50, 120, 80, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 10, 40, 30, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        // Created after the control: it lies below it.
        sibling = CreateWindowExW(0, L"LafTestSibling", L"", WS_CHILD | WS_VISIBLE, 30, 20, 10, 10, parent,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND parent = nullptr, control = nullptr, sibling = nullptr;
};

} // namespace

TEST_F(ParentFixture, TheParentsPictureLandsAtTheCanvasOriginAndSiblingsOnlyWhenAsked)
{
    ASSERT_EQ(GetWindow(control, GW_HWNDNEXT), sibling);
    for (bool withSiblings : {false, true}) {
        Surface s(40, 30);
        PaintParentImage(control, s.Cx(), RECT{0, 0, 40, 30}, withSiblings);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                bool underSibling = x >= 10 && x < 20 && y >= 10 && y < 20;
                COLORREF expected =
                    withSiblings && underSibling ? RGB(0, 0, 255) : ParentColorAt(20 + x, 10 + y);
                ASSERT_EQ(s.At(x, y), expected) << x << "," << y << " siblings " << withSiblings;
            }
        EXPECT_EQ(s.Cx().DCStackDepth(), 0);
    }
}

TEST_F(ParentFixture, APartOfTheControlLandsAtTheOriginToo)
{
    Surface s(10, 10);
    PaintParentImage(control, s.Cx(), RECT{5, 6, 15, 16}, false);
    EXPECT_EQ(s.At(0, 0), ParentColorAt(25, 16));
    EXPECT_EQ(s.At(9, 9), ParentColorAt(34, 25));
}

TEST_F(ParentFixture, TheDrawingStateIsRestoredAlsoWhenNothingIsVisible)
{
    Surface s(40, 30);
    TcxCanvas& cv = s.Cx();
    cv.IntersectClip(RECT{0, 0, 0, 0}); // nothing visible: painting stops early
    auto clip = cv.ClipRegion();
    POINT org = cv.WindowOrigin();
    PaintParentImage(control, cv, RECT{0, 0, 40, 30}, true);
    EXPECT_EQ(cv.DCStackDepth(), 0);
    EXPECT_EQ(cv.WindowOrigin().x, org.x);
    EXPECT_EQ(cv.WindowOrigin().y, org.y);
    EXPECT_TRUE(cv.ClipRegion()->SameAs(*clip));
    EXPECT_FALSE(IsPaintingCopy(parent));
}

TEST_F(ParentFixture, AWindowWithoutParentPaintsNothing)
{
    Surface s(10, 10);
    PaintParentImage(parent, s.Cx(), RECT{0, 0, 10, 10}, true);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 10, 10}, kSentinel), 0);
}

TEST_F(ParentFixture, Office11PanelWithoutColourShowsTheParent)
{
    Surface s(40, 30);
    TcxOffice11LookAndFeelPainter::Instance()->PaintPanelBackground(s.Cx(), control, clDefault, clDefault,
                                                                    RECT{0, 0, 40, 30});
    EXPECT_EQ(s.At(0, 0), ParentColorAt(20, 10));
    EXPECT_EQ(s.At(12, 12), RGB(0, 0, 255)) << "with the sibling below the control";
}

TEST(ScreenCanvasTest, MeasuringWithAFontUsesItsSizeAndGivesTheScreenBack)
{
    TFont font;
    SIZE small = MeasureTextForFont(font, L"Measure", 8);
    SIZE large = MeasureTextForFont(font, L"Measure", 16);
    EXPECT_GT(small.cx, 0);
    EXPECT_GT(large.cx, small.cx);
    EXPECT_GT(large.cy, small.cy);
    EXPECT_FALSE(SharedScreenCanvas()->Canvas()->HandleAllocated());
}
