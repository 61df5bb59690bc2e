#include "controls/cxBitmapCopy.h"
#include "controls/cxButtons.h"
#include "controls/cxControlsRegister.h"
#include "lookandfeel/dxThemeManager.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "tests/common/Artifacts.h"
#include "tests/common/WindowFixture.h"

#include "lookandfeel/dxOffice11.h"

#include <cmath>
#include <cstdlib>

namespace {

using ControlsTest = WindowFixture;

TEST(ProgressBarTest, PositionStaysWithinTheRangeWhileMaxIsAboveMin)
{
    TForm owner(nullptr);
    struct Case {
        double min, max, position, expected;
    } cases[] = {
        {0, 100, 150, 100}, {0, 100, -5, 0}, {0, 100, 42.5, 42.5}, {0, 0, 150, 150}, {10, 20, 5, 10},
    };
    for (const Case& c : cases) {
        TcxProgressBar bar(&owner);
        bar.Properties()->SetMin(c.min);
        bar.Properties()->SetMax(c.max);
        bar.SetPosition(c.position);
        EXPECT_DOUBLE_EQ(bar.Position(), c.expected) << c.min << ".." << c.max << " <- " << c.position;
    }
    TcxProgressBar bar(&owner);
    EXPECT_DOUBLE_EQ(bar.Properties()->Min(), 0);
    EXPECT_DOUBLE_EQ(bar.Properties()->Max(), 100);
    EXPECT_EQ(bar.ProgressText(), L"0 %");
    bar.SetPosition(50);
    bar.Properties()->SetMax(30);
    EXPECT_DOUBLE_EQ(bar.Position(), 30) << "a lower Max clamps the position";
    bar.Properties()->SetMax(-4);
    EXPECT_DOUBLE_EQ(bar.Properties()->Min(), -4) << "Max below Min moves Min down";
}

TEST(ProgressBarTest, PercentRoundsHalvesToTheEvenNeighbour)
{
    TForm owner(nullptr);
    TcxProgressBar bar(&owner);
    struct Case {
        double position;
        const wchar_t* text;
    } cases[] = {{2.5, L"2 %"}, {3.5, L"4 %"}, {99.6, L"100 %"}, {0.4, L"0 %"}};
    for (const Case& c : cases) {
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.ProgressText(), c.text) << c.position;
    }
}

TEST(ProgressBarTest, SettersWithSideEffects)
{
    TForm owner(nullptr);
    TcxProgressBar bar(&owner);
    bar.Properties()->SetBarStyle(cxbsAnimation);
    EXPECT_EQ(bar.Properties()->BeginColor(), static_cast<TColor>(RGB(40, 211, 0)));
    bar.Properties()->SetBeginColor(clRed);
    bar.Properties()->SetBarStyle(cxbsAnimation);
    EXPECT_EQ(bar.Properties()->BeginColor(), clRed) << "a colour stored after the style stays";
    bar.Properties()->SetAnimationSpeed(25);
    EXPECT_EQ(bar.Properties()->AnimationSpeed(), 20);
    bar.Properties()->SetMarquee(true);
    EXPECT_EQ(bar.Properties()->ShowTextStyle(), cxtsText);
    bar.Properties()->SetShowTextStyle(cxtsPercent);
    EXPECT_EQ(bar.Properties()->ShowTextStyle(), cxtsText) << "ignored while marquee is on";
}

TEST_F(ControlsTest, FilledPartCoversTheTruncatedShareOfTheBar)
{
    auto* bar = Make<TcxProgressBar>(10, 10, 203, 20);
    bar->Properties()->SetMax(3);
    bar->SetPosition(1);
    RECT area = bar->BarArea(), filled = bar->FilledArea();
    EXPECT_EQ(filled.left, area.left);
    EXPECT_EQ(filled.right, area.left + static_cast<int>(std::trunc(1.0 * (area.right - area.left) / 3)));
    PixelCanvas canvas(bar->Width(), bar->Height());
    bar->Properties()->SetShowText(false);
    bar->PaintTo(canvas.dc());
    int y = (area.top + area.bottom) / 2;
    EXPECT_EQ(canvas.At(filled.left + 1, y), ColorToRGB(bar->Properties()->BeginColor()));
    EXPECT_NE(canvas.At(filled.right + 2, y), ColorToRGB(bar->Properties()->BeginColor()));
}

class ProgressAnimationTest : public WindowFixture {
protected:
    // A horizontal bar whose segment end is 200 pixels: a 200-pixel wide control, full.
    TcxProgressBar* FullBar(TcxProgressBarAnimationPath path)
    {
        auto* bar = Make<TcxProgressBar>(10, 10, 200, 20);
        bar->Properties()->SetAnimationPath(path);
        bar->Properties()->SetBarStyle(cxbsAnimation);
        bar->SetPosition(100);
        bar->UpdateVisualStateAtCursor(false);
        return bar;
    }
};

TEST_F(ProgressAnimationTest, CycleRunsTheSegmentAlongTheBarAndPutsItBackInTheSameStep)
{
    auto* bar = FullBar(cxapCycle);
    ASSERT_TRUE(bar->AnimationRunning());
    EXPECT_EQ(bar->SegmentEnd(), 200);
    std::vector<int> offsets{bar->SegmentOffset()};
    for (int i = 0; i < 13; ++i) {
        bar->StepSegment();
        offsets.push_back(bar->SegmentOffset());
    }
    std::vector<int> expected;
    for (int v = -25; v <= 215; v += 20)
        expected.push_back(v);
    expected.push_back(-25); // 235 passes 225 and the segment starts over at once
    EXPECT_EQ(offsets, expected);
}

TEST_F(ProgressAnimationTest, PingPongTurnsOneSegmentHalfBeforeTheEnds)
{
    auto* bar = FullBar(cxapPingPong);
    EXPECT_EQ(bar->SegmentOffset(), 25);
    int turns = 0, last = bar->SegmentDirection();
    for (int i = 0; i < 40; ++i) {
        bar->StepSegment();
        EXPECT_GE(bar->SegmentOffset(), 0);
        EXPECT_LE(bar->SegmentOffset(), 200);
        if (bar->SegmentDirection() != last) {
            ++turns;
            last = bar->SegmentDirection();
        }
    }
    EXPECT_GE(turns, 2);
}

// The glow runs over the filled part: an empty bar keeps no timer repainting it, starts with its
// first filled pixels, and stops at the next tick once emptied again. The marquee always runs.
TEST_F(ProgressAnimationTest, AnEmptyBarRunsNoAnimationUntilItFills)
{
    auto* bar = Make<TcxProgressBar>(10, 10, 200, 20);
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->UpdateVisualStateAtCursor(false);
    app->ProcessMessages();
    EXPECT_FALSE(bar->AnimationRunning()) << "at 0 %";
    bar->SetPosition(0.4);
    EXPECT_FALSE(bar->AnimationRunning()) << "0.4 % of 200 pixels fills none";
    bar->SetPosition(30);
    EXPECT_TRUE(bar->AnimationRunning());
    const int offset = bar->SegmentOffset();
    EXPECT_TRUE(WaitFor([&] { return bar->SegmentOffset() != offset; })) << "the timer moves the glow";
    bar->SetPosition(0);
    EXPECT_TRUE(WaitFor([&] { return !bar->AnimationRunning(); })) << "a tick on the empty bar stops it";
    bar->SetPosition(60);
    EXPECT_TRUE(bar->AnimationRunning()) << "filled again";
    bar->SetPosition(0);
    bar->Properties()->SetMarquee(true);
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_TRUE(bar->AnimationRunning()) << "the marquee runs on an empty bar";
}

TEST_F(ProgressAnimationTest, SpeedZeroStopsTheTimer)
{
    auto* bar = FullBar(cxapCycle);
    bar->Properties()->SetAnimationSpeed(0);
    EXPECT_FALSE(bar->AnimationRunning());
    bar->Properties()->SetAnimationSpeed(5);
    EXPECT_TRUE(bar->AnimationRunning());
    bar->Properties()->SetBarStyle(cxbsSolid);
    EXPECT_FALSE(bar->AnimationRunning());
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= 1 && std::abs(GetGValue(a) - GetGValue(b)) <= 1 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}

TEST(GlossyBarTest, DarkEndsLightTopBandAndTheColourBetween)
{
    const TColor k = RGB(40, 211, 0);
    PixelCanvas canvas(200, 30);
    PaintGlossyBar(canvas.dc(), {0, 0, 200, 30}, k, TcxGlossyKind::Bar, false);
    // The edge band is 4 pixels wide, the ramp 20; between them and below the top band, K itself.
    EXPECT_EQ(canvas.At(100, 20), ColorToRGB(k));
    EXPECT_TRUE(Near(canvas.At(0, 20), ColorToRGB(ScaleColor(k, 90))));
    EXPECT_TRUE(Near(canvas.At(196, 20), ColorToRGB(ScaleColor(k, 80))))
        << "the right band runs back from D80";
    EXPECT_TRUE(Near(canvas.At(4, 20), ColorToRGB(ScaleColor(k, 80))));
    EXPECT_TRUE(Near(canvas.At(100, 0), ColorToRGB(LightenColor(k, 40))));
    EXPECT_TRUE(Near(canvas.At(100, 5), ColorToRGB(LightenColor(k, 80))) ||
                canvas.At(100, 5) != ColorToRGB(k));
    EXPECT_EQ(canvas.At(100, 6), ColorToRGB(k)) << "the light band is six rows high";
}

// A picture of the bar in its animation style at several positions, for a person to look at.
TEST_F(ProgressAnimationTest, WritesAPictureOfTheAnimatedBar)
{
    auto* bar = Make<TcxProgressBar>(10, 10, 300, 24);
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->Properties()->SetBarBevelOuter(cxbvLowered);
    const int rows = 4, w = bar->Width(), h = bar->Height();
    PixelCanvas canvas(w, rows * (h + 4), RGB(255, 255, 255));
    const double positions[rows] = {0, 2.5, 60, 100};
    for (int i = 0; i < rows; ++i) {
        bar->SetPosition(positions[i]);
        bar->UpdateVisualStateAtCursor(false);
        for (int s = 0; s < 4; ++s)
            bar->StepSegment();
        SetWindowOrgEx(canvas.dc(), 0, -i * (h + 4), nullptr);
        bar->PaintTo(canvas.dc());
        SetWindowOrgEx(canvas.dc(), 0, 0, nullptr);
    }
    ASSERT_TRUE(canvas.SaveBmp((ArtifactFolder() / L"progress-bar.bmp").c_str()));
    // The filled part of the 60 % row carries the bar colour in its middle.
    RECT f = bar->FilledArea();
    EXPECT_NE(canvas.At((f.left + f.right) / 2, 2 * (h + 4) + 12), RGB(255, 255, 255));
}

TEST_F(ControlsTest, ButtonPaintsWithTheNativeOrStandardPainterForOffice2003)
{
    auto* button = Make<TcxButton>(10, 10, 120, 30);
    button->LookAndFeel()->SetKind(lfOffice11);
    TcxCustomLookAndFeelPainterClass expected = VisualStylesActive(ThemedTypes({totButton}))
                                                    ? TcxWinXPLookAndFeelPainter::Instance()
                                                    : TcxStandardLookAndFeelPainter::Instance();
    EXPECT_EQ(button->Painter(), expected);
    button->LookAndFeel()->SetKind(lfFlat);
    EXPECT_EQ(button->Painter()->PainterStyle(), TcxFlatLookAndFeelPainter::Instance()->PainterStyle());
    EXPECT_EQ(GetWindowLongW(button->Handle(), GWL_STYLE) & BS_TYPEMASK, static_cast<LONG>(BS_OWNERDRAW));
}

TEST_F(ControlsTest, ButtonStateFollowsEnablingPressFocusAndDefault)
{
    auto* button = Make<TcxButton>(10, 10, 120, 30);
    auto* other = Make<TcxButton>(10, 50, 120, 30);
    SetForegroundWindow(form->Handle());
    other->SetFocus();
    EXPECT_EQ(button->PaintState(false), cxbsNormal);
    EXPECT_EQ(button->PaintState(true), cxbsPressed);
    button->SetDefault(true);
    EXPECT_EQ(button->PaintState(false), cxbsNormal) << "another button has the focus";
    button->SetFocus();
    EXPECT_EQ(button->PaintState(false), cxbsDefault);
    button->SetEnabled(false);
    EXPECT_EQ(button->PaintState(true), cxbsDisabled);
    // The painted face differs between the states the painter tells apart.
    button->SetEnabled(true);
    PixelCanvas normal(120, 30), disabled(120, 30);
    button->PaintButtonTo(normal.dc(), cxbsNormal, false);
    button->PaintButtonTo(disabled.dc(), cxbsDisabled, false);
    bool differs = false;
    for (int x = 0; x < 120 && !differs; x += 3)
        for (int y = 0; y < 30 && !differs; y += 3)
            differs = normal.At(x, y) != disabled.At(x, y);
    EXPECT_TRUE(differs);
    EXPECT_NE(normal.At(60, 15), RGB(1, 2, 3)) << "the face covers the button";
}

// Fast caption changes repaint at the display's pace; the last one is always painted.
TEST_F(ControlsTest, LabelShowsItsLastCaptionAfterAFastSeriesOfChanges)
{
    auto* label = Make<TcxLabel>(5, 5, 10, 10);
    label->SetCaption(L"first");
    UpdateWindow(label->Handle());
    label->SetCaption(L"second");
    label->SetCaption(L"third");
    ASSERT_TRUE(label->RepaintPending());
    for (int i = 0; i < 50 && label->RepaintPending(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        app->ProcessMessages();
    }
    EXPECT_FALSE(label->RepaintPending());
    RECT update;
    EXPECT_TRUE(GetUpdateRect(label->Handle(), &update, FALSE) || label->Caption() == L"third");
    EXPECT_EQ(label->Caption(), L"third");
}

// The bar repaints only where a step changes it; what the screen shows matches a bar set at once.
TEST_F(ControlsTest, SteppedBarShowsWhatABarSetAtOnceShows)
{
    auto* stepped = Make<TcxProgressBar>(10, 10, 300, 24);
    auto* direct = Make<TcxProgressBar>(10, 50, 300, 24);
    for (TcxProgressBar* bar : {stepped, direct}) {
        bar->Properties()->SetBarStyle(cxbsAnimation);
        bar->Properties()->SetAnimationSpeed(0);
        bar->Properties()->SetShowText(false);
        bar->Properties()->SetMax(500);
        bar->UpdateVisualStateAtCursor(false);
        UpdateWindow(bar->Handle());
    }
    // Steps faster than the display's pace are shown together a frame later; each step here
    // is shown on its own before the next.
    auto settle = [&](TcxProgressBar* bar) {
        for (int i = 0; i < 50 && bar->PacedRepaintPending(); ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            app->ProcessMessages();
        }
        EXPECT_FALSE(bar->PacedRepaintPending());
        UpdateWindow(bar->Handle());
    };
    for (int i = 300; i <= 400; i += 5) {
        stepped->SetPosition(i);
        settle(stepped);
    }
    direct->SetPosition(400);
    settle(direct);
    auto row = [](TcxProgressBar* bar, int y) {
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(bar->Handle());
        for (int x = 0; x < bar->Width(); ++x)
            pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(bar->Handle(), dc);
        return pixels;
    };
    for (int y : {3, 12, 20})
        EXPECT_EQ(row(stepped, y), row(direct, y)) << "row " << y;
}

TEST_F(ControlsTest, LabelSizesToItsCaptionAndAnEmptyOneKeepsALine)
{
    auto* label = Make<TcxLabel>(5, 5, 10, 10);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, label->Style()->Font()->Handle());
    SIZE blank{}, text{};
    GetTextExtentPoint32W(dc, L" ", 1, &blank);
    GetTextExtentPoint32W(dc, L"进度 label", 8, &text);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(label->Height(), blank.cy);
    label->SetCaption(L"进度 label");
    EXPECT_EQ(label->Width(), text.cx);
    EXPECT_EQ(label->Height(), text.cy);
    EXPECT_FALSE(label->CanFocus());
}

TEST_F(ControlsTest, TransparentLabelShowsWhatLiesBehindItAndInkInsideItsText)
{
    form->SetColor(RGB(200, 10, 10));
    auto* label = Make<TcxLabel>(5, 5, 10, 10);
    label->SetTransparent(true);
    label->SetCaption(L"WWW");
    PixelCanvas canvas(label->Width(), label->Height());
    label->PaintTo(canvas.dc());
    EXPECT_EQ(canvas.At(0, 0), RGB(200, 10, 10));
    bool ink = false;
    for (int x = 0; x < label->Width() && !ink; ++x)
        for (int y = 0; y < label->Height() && !ink; ++y)
            ink = canvas.At(x, y) == ColorToRGB(clWindowText);
    EXPECT_TRUE(ink);
}

TEST_F(ControlsTest, GroupBoxWithoutEdgesDrawsOnlyItsParentsColour)
{
    RegisterDisplayControlClasses();
    form->SetColor(RGB(12, 140, 40));
    auto* box = Make<TcxGroupBox>(0, 0, 120, 80);
    box->Style()->SetBorderStyle(cbs3D);
    box->Style()->SetEdges(0);
    box->Style()->LookAndFeel()->SetKind(lfOffice11);
    RECT client = box->ViewInfo().clientRect;
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 80);
    PixelCanvas canvas(120, 80);
    box->PaintTo(canvas.dc());
    for (POINT p : {POINT{0, 0}, POINT{119, 79}, POINT{60, 1}, POINT{1, 40}})
        EXPECT_EQ(canvas.At(p.x, p.y), RGB(12, 140, 40)) << p.x << "," << p.y;
    EXPECT_FALSE(box->CanFocus());
}

// What lies behind a control, when the parent is a window of the library: the parent paints
// into the copy, its own painting included, and an update it has pending stays pending for
// its real paint (a paint message to it would begin a paint on the screen instead).
TEST_F(ControlsTest, ParentImageOfALibraryWindowIsPaintedIntoTheCopy)
{
    const COLORREF back = RGB(20, 120, 200), mark = RGB(230, 40, 40);
    form->SetColor(back);
    form->OnPaint = [this, mark](TObject*) {
        RECT square{0, 0, 20, 20};
        UniqueBrush brush(CreateSolidBrush(mark));
        FillRect(form->PaintDC(), &square, brush.get());
    };
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 40, 30, form->Handle(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    app->ProcessMessages();
    InvalidateRect(form->Handle(), nullptr, FALSE);
    PixelCanvas copy(40, 30);
    TCanvas canvas;
    canvas.SetHandle(copy.dc());
    {
        TcxCanvas cx(&canvas);
        PaintParentImage(child, cx, RECT{0, 0, 40, 30}, false);
    }
    canvas.SetHandle(nullptr);
    // The form's square covers its (0, 0) .. (20, 20): the child's first 10 x 10 pixels.
    EXPECT_EQ(copy.At(0, 0), mark);
    EXPECT_EQ(copy.At(9, 9), mark);
    EXPECT_EQ(copy.At(10, 10), back);
    EXPECT_EQ(copy.At(39, 29), back);
    RECT pending{};
    EXPECT_TRUE(GetUpdateRect(form->Handle(), &pending, FALSE)) << "the form's own paint is still due";
    DestroyWindow(child);
}

} // namespace

namespace {

int NoRowsRead(HDC, HBITMAP, UINT, UINT, LPVOID, LPBITMAPINFO, UINT)
{
    return 0;
}

// Reads only the first row, as a reader cut short would.
int OneRowRead(HDC dc, HBITMAP bitmap, UINT start, UINT, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    return GetDIBits(dc, bitmap, start, 1, bits, info, usage);
}

// A copy of a picture whose rows cannot all be read is no picture, not a blank one.
TEST(BitmapCopyTest, APictureWhoseRowsCannotAllBeReadGivesNoCopy)
{
    TcxBitmap picture(6, 4, 32);
    RECT all{0, 0, 6, 4};
    UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
    FillRect(picture.DC(), &all, red.get());
    const auto copy = CopyBitmap(picture.Handle());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(GetPixel(copy->DC(), 5, 3), RGB(255, 0, 0));
    EXPECT_EQ(CopyBitmap(picture.Handle(), &NoRowsRead), nullptr);
    EXPECT_EQ(CopyBitmap(picture.Handle(), &OneRowRead), nullptr);
}

} // namespace
