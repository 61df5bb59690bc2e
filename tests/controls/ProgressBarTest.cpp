#include "controls/cxControlsRegister.h"
#include "controls/cxProgressBar.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "tests/common/Artifacts.h"
#include "tests/common/GdiCount.h"
#include "tests/common/WindowFixture.h"

#include <uxtheme.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

class ProgressBarPaintTest : public WindowFixture {
protected:
    // A bar of exactly the given size (not sized to its font).
    TcxProgressBar* Bar(int left, int top, int width, int height)
    {
        auto* bar = Make<TcxProgressBar>(left, top, width, height);
        bar->SetAutoSize(false);
        bar->SetBounds(left, top, width, height);
        app->ProcessMessages();
        return bar;
    }
    // A 200 x 20 bar at (10, 10) with its animation running.
    TcxProgressBar* AnimatedBar(TcxProgressBarBarStyle style, double position)
    {
        auto* bar = Bar(10, 10, 200, 20);
        bar->Properties()->SetBarStyle(style);
        bar->Properties()->SetAnimationSpeed(10);
        bar->SetPosition(position);
        bar->UpdateVisualStateAtCursor(false);
        return bar;
    }
};

bool Near(COLORREF a, COLORREF b, int tolerance = 2)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Ranges without room, positions beyond any range and values that overflow an integer: the
// filled part stays within the bar and the percent within 0 .. 100.
TEST_F(ProgressBarPaintTest, OutOfRangeValuesStayWithinTheBarAndZeroToHundredPercent)
{
    const double huge = 1e300;
    struct Case {
        double min, max, position;
        const wchar_t* text;
        int filledPerMille; // of the bar's width
    } cases[] = {
        {10, 10, 0, L"0 %", 0},       // below a range without room
        {0, 0, 150, L"100 %", 1000},  // the range counts as 1: full
        {0, 0, huge, L"100 %", 1000}, // far beyond any integer
        {0, 0, -huge, L"0 %", 0},     // far below
        {5, 5, 5, L"0 %", 0},         // exactly on a range without room
        {0, 100, 42, L"42 %", 420},   // an ordinary value, for contrast
        {-50, 50, 0, L"50 %", 500},   // a range below zero
    };
    auto* bar = Bar(10, 10, 200, 20);
    bar->Properties()->SetShowText(false);
    for (const Case& c : cases) {
        bar->Properties()->SetMax(1e9); // so that neither setter moves the other end
        bar->Properties()->SetMin(c.min);
        bar->Properties()->SetMax(c.max);
        bar->SetPosition(c.position);
        bar->UpdateVisualStateAtCursor(false);
        EXPECT_EQ(bar->ProgressText(), c.text) << c.min << ".." << c.max << " at " << c.position;
        RECT area = bar->BarArea(), filled = bar->FilledArea();
        int width = area.right - area.left;
        EXPECT_EQ(filled.left, area.left);
        EXPECT_EQ(filled.right - filled.left, width * c.filledPerMille / 1000)
            << c.min << ".." << c.max << " at " << c.position;
        // The segment of the animation is measured on the same clamped value.
        EXPECT_GE(bar->SegmentEnd(), 0);
        EXPECT_LE(bar->SegmentEnd(), bar->Width());
    }
}

// A border wider than the bar leaves an empty bar area (never an inverted one), and the
// control paints only its background there.
TEST_F(ProgressBarPaintTest, ABorderWiderThanTheBarLeavesNoBar)
{
    form->SetColor(RGB(30, 160, 90));
    auto* bar = Bar(10, 10, 120, 22);
    bar->Style()->SetBorderStyle(cbsNone);
    bar->SetPosition(70);
    for (int border : {5, 11, 40, 65535}) {
        bar->Properties()->SetBorderWidth(border);
        bar->UpdateVisualStateAtCursor(false);
        RECT area = bar->BarArea();
        EXPECT_LE(area.left, area.right) << border;
        EXPECT_LE(area.top, area.bottom) << border;
        RECT filled = bar->FilledArea();
        EXPECT_LE(filled.left, filled.right) << border;
        PixelCanvas canvas(bar->Width(), bar->Height());
        bar->PaintTo(canvas.dc());
        if (border < 11) {
            EXPECT_EQ(canvas.At(area.left + 1, (area.top + area.bottom) / 2),
                      ColorToRGB(bar->Properties()->BeginColor()))
                << "a bar 12 pixels high still shows with a border of " << border;
            continue;
        }
        for (int x = 0; x < bar->Width(); x += 3)
            for (int y = 0; y < bar->Height(); y += 2)
                ASSERT_EQ(canvas.At(x, y), RGB(30, 160, 90))
                    << "border " << border << " at " << x << "," << y;
    }
}

// The percent text is drawn in two colours: each glyph pixel is the inverse of what lies below
// it, over the filled part and over the empty track alike. (A black track: text in one dark
// colour would not show on it at all.)
TEST_F(ProgressBarPaintTest, PercentTextShowsTheInverseOfWhatLiesBelowIt)
{
    form->SetColor(RGB(0, 0, 0));
    for (TcxProgressBarBarStyle style : {cxbsSolid, cxbsAnimation}) {
        auto* bar = Bar(10, 10, 240, 24);
        bar->Style()->SetBorderStyle(cbsNone);
        bar->Properties()->SetBarStyle(style);
        bar->Properties()->SetAnimationSpeed(0);
        bar->Properties()->SetBeginColor(RGB(0, 0, 128));
        bar->SetPosition(50);
        bar->UpdateVisualStateAtCursor(false);
        PixelCanvas with(bar->Width(), bar->Height()), without(bar->Width(), bar->Height());
        bar->PaintTo(with.dc());
        bar->Properties()->SetShowText(false);
        bar->PaintTo(without.dc());
        RECT text = bar->TextRect(), filled = bar->FilledArea();
        ASSERT_LT(text.left, filled.right);
        ASSERT_GT(text.right, filled.right) << "the text straddles the end of the filled part";
        int overFilled = 0, overTrack = 0;
        for (int y = text.top; y < text.bottom; ++y)
            for (int x = text.left; x < text.right; ++x) {
                // Smoothed glyph edges are partly inverted; the inverse of navy is light in
                // red and green, that of black light in all three.
                COLORREF below = without.At(x, y), shown = with.At(x, y);
                if (x < filled.right && GetRValue(shown) >= 128 && GetGValue(shown) >= 128 &&
                    GetRValue(below) < 64)
                    ++overFilled;
                if (x >= filled.right + 2 && shown != below && GetRValue(shown) > GetRValue(below))
                    ++overTrack;
            }
        EXPECT_GT(overFilled, 10) << "glyph pixels over the bar, style " << style;
        EXPECT_GT(overTrack, 10) << "glyph pixels over the track, style " << style;
        bar->Properties()->SetShowText(true);
        // With one colour asked for, the text is in the style's text colour.
        bar->Properties()->SetSolidTextColor(true);
        bar->Style()->SetTextColor(RGB(200, 0, 0));
        PixelCanvas solid(bar->Width(), bar->Height());
        bar->PaintTo(solid.dc());
        int red = 0;
        for (int y = text.top; y < text.bottom; ++y)
            for (int x = text.left; x < text.right; ++x)
                red += GetRValue(solid.At(x, y)) > 100 && GetGValue(solid.At(x, y)) < 60;
        EXPECT_GT(red, 10);
    }
}

// The fill of each style, at 60 per cent of a 240 x 24 bar without frame.
TEST_F(ProgressBarPaintTest, EachStyleFillsOnlyTheFilledPart)
{
    const COLORREF back = RGB(236, 233, 216), begin = RGB(0, 0, 200), end = RGB(255, 255, 255);
    form->SetColor(back);
    auto* bar = Bar(10, 10, 240, 24);
    bar->Style()->SetBorderStyle(cbsNone);
    bar->Properties()->SetShowText(false);
    bar->Properties()->SetAnimationSpeed(0);
    bar->SetPosition(60);
    // A 4 x 4 picture, red and green columns.
    TcxBitmap picture(4, 4, 32);
    FillRectSolid(picture.DC(), {0, 0, 2, 4}, RGB(255, 0, 0));
    FillRectSolid(picture.DC(), {2, 0, 4, 4}, RGB(0, 255, 0));
    bar->Properties()->SetForegroundImage(picture.Handle());
    bar->Properties()->SetTransparentImage(false);
    for (int style = cxbsSolid; style <= cxbsAnimationLEDs; ++style) {
        bar->Properties()->SetBarStyle(static_cast<TcxProgressBarBarStyle>(style));
        bar->Properties()->SetBeginColor(begin);
        bar->Properties()->SetEndColor(end);
        bar->UpdateVisualStateAtCursor(false);
        RECT f = bar->FilledArea();
        ASSERT_EQ(f.right - f.left, 144);
        PixelCanvas canvas(240, 24);
        bar->PaintTo(canvas.dc());
        int y = 12;
        bool leds = (style & 1) != 0;
        int led = bar->LedSize();
        int across = f.bottom - f.top;
        EXPECT_EQ(led, style == cxbsBitmapLEDs ? 4 : across * 2 / 3 + 2) << "two thirds across plus 2";
        // Beyond the filled part: the track.
        if (style < cxbsAnimation)
            EXPECT_EQ(canvas.At(200, y), back) << "style " << style;
        else
            EXPECT_NE(canvas.At(200, y), begin) << "style " << style;
        // The LED gaps: the last two columns of every full cell show the track.
        if (leds && style < cxbsAnimation) {
            EXPECT_EQ(canvas.At(led - 2, y), back) << "style " << style;
            EXPECT_EQ(canvas.At(led - 1, y), back) << "style " << style;
            EXPECT_NE(canvas.At(led - 3, y), back) << "style " << style;
        }
        switch (style) {
        case cxbsSolid:
        case cxbsLEDs:
            EXPECT_EQ(canvas.At(1, y), begin);
            EXPECT_EQ(canvas.At(f.right - (leds ? 144 % led + 3 : 1), y), begin);
            break;
        case cxbsGradient:
        case cxbsGradientLEDs: {
            // The gradient runs over the whole bar; the filled part shows its first 60 per cent.
            EXPECT_TRUE(Near(canvas.At(0, y), begin)) << style;
            int x = 5 * led + led / 2; // inside a cell
            COLORREF expected = RGB(0 + 255 * x / 240, 0 + 255 * x / 240, 200 + 55 * x / 240);
            EXPECT_TRUE(Near(canvas.At(x, y), expected, 4)) << style;
            break;
        }
        case cxbsBitmap:
        case cxbsBitmapLEDs:
            if (style == cxbsBitmap) {
                EXPECT_EQ(canvas.At(0, y), RGB(255, 0, 0));
                EXPECT_EQ(canvas.At(2, y), RGB(0, 255, 0));
                EXPECT_EQ(canvas.At(142, y), RGB(0, 255, 0));
            }
            break;
        default: // animation: the glossy bar in the begin colour fills the middle
            EXPECT_EQ(canvas.At(72, 20), begin) << style;
            break;
        }
    }
}

// A picture one or two pixels wide still shows in every cell of a bitmap LED bar, in front of
// the cell's 2-pixel gap.
TEST_F(ProgressBarPaintTest, ANarrowPictureStillShowsInEveryLedCell)
{
    const COLORREF back = RGB(236, 233, 216);
    form->SetColor(back);
    auto* bar = Bar(10, 10, 240, 24);
    bar->Style()->SetBorderStyle(cbsNone);
    bar->Properties()->SetShowText(false);
    bar->Properties()->SetBarStyle(cxbsBitmapLEDs);
    bar->Properties()->SetTransparentImage(false);
    bar->SetPosition(50);
    for (int pictureWidth : {1, 2}) {
        SCOPED_TRACE(pictureWidth);
        TcxBitmap picture(pictureWidth, 4, 32);
        FillRectSolid(picture.DC(), {0, 0, pictureWidth, 4}, RGB(255, 0, 0));
        bar->Properties()->SetForegroundImage(picture.Handle());
        bar->UpdateVisualStateAtCursor(false);
        EXPECT_EQ(bar->LedSize(), pictureWidth + 2);
        PixelCanvas canvas(240, 24);
        bar->PaintTo(canvas.dc());
        int red = 0;
        for (int x = 0; x < 120; ++x)
            red += canvas.At(x, 12) == RGB(255, 0, 0);
        EXPECT_EQ(red, 120 / (pictureWidth + 2) * pictureWidth) << "each full cell shows the picture";
        EXPECT_EQ(canvas.At(pictureWidth, 12), back) << "the gap after the first cell";
    }
}

// Overload zone and peak marker; neither shows in marquee mode, the peak not in the
// animation styles.
TEST_F(ProgressBarPaintTest, OverloadAndPeakMarks)
{
    const COLORREF back = RGB(236, 233, 216);
    form->SetColor(back);
    auto* bar = Bar(10, 10, 200, 20);
    bar->Style()->SetBorderStyle(cbsNone);
    TcxProgressBarProperties* p = bar->Properties();
    p->SetShowText(false);
    p->SetShowOverload(true);
    p->SetOverloadValue(50);
    p->SetShowPeak(true);
    p->SetPeakColor(RGB(255, 0, 0));
    p->SetPeakSize(3);
    bar->SetPosition(90);
    bar->SetPosition(75); // the peak stays at 90
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_DOUBLE_EQ(p->PeakValue(), 90);
    ASSERT_TRUE(bar->OverloadShown());
    EXPECT_EQ(bar->FilledArea().right, 100);
    EXPECT_EQ(bar->OverloadArea().left, 100);
    EXPECT_EQ(bar->OverloadArea().right, 150);
    EXPECT_EQ(bar->PeakMark().left, 180);
    EXPECT_EQ(bar->PeakMark().right, 183);
    PixelCanvas canvas(200, 20);
    bar->PaintTo(canvas.dc());
    EXPECT_EQ(canvas.At(50, 10), ColorToRGB(p->BeginColor()));
    EXPECT_EQ(canvas.At(120, 10), ColorToRGB(p->OverloadBeginColor()));
    EXPECT_EQ(canvas.At(160, 10), back);
    EXPECT_EQ(canvas.At(181, 10), RGB(255, 0, 0));
    // A peak at the very end stays inside the bar.
    bar->SetPosition(100);
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(bar->PeakMark().right, 200);
    // Below the overload value no zone.
    p->SetPeakValue(0);
    bar->SetPosition(30);
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_FALSE(bar->OverloadShown());
    // Marquee: neither mark, and the fill only inside the running segment.
    p->SetMarquee(true);
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_FALSE(bar->OverloadShown());
    EXPECT_FALSE(bar->PeakShown());
    p->SetBarStyle(cxbsSolid);
    p->SetAnimationSpeed(10);
    bar->UpdateVisualStateAtCursor(false);
    for (int i = 0; i < 6; ++i)
        bar->StepSegment();
    RECT segment = bar->CurrentSegment();
    PixelCanvas marquee(200, 20);
    bar->PaintTo(marquee.dc());
    for (int x = 0; x < 200; ++x) {
        bool inside = x >= segment.left && x < segment.right;
        EXPECT_EQ(marquee.At(x, 10) == ColorToRGB(p->BeginColor()), inside) << x;
    }
}

// LED cells along the whole fill, horizontal and vertical, and after the fill grows or
// shrinks: every full cell ends in a 2-pixel gap that shows the track, the rest of the filled
// part is filled, and nothing beyond it.
TEST_F(ProgressBarPaintTest, LedCellsAndGapsFollowTheFilledPart)
{
    const COLORREF back = RGB(236, 233, 216), fill = RGB(0, 0, 200);
    form->SetColor(back);
    struct Case {
        TcxProgressBarOrientation orientation;
        double position;
    } cases[] = {{cxorHorizontal, 60}, {cxorHorizontal, 23}, {cxorHorizontal, 100},
                 {cxorVertical, 60},   {cxorVertical, 23},   {cxorVertical, 100}};
    auto* wide = Bar(10, 10, 240, 24);
    auto* tall = Bar(300, 10, 24, 240);
    for (const Case& c : cases) {
        TcxProgressBar* bar = c.orientation == cxorHorizontal ? wide : tall;
        bar->Style()->SetBorderStyle(cbsNone);
        bar->Properties()->SetShowText(false);
        bar->Properties()->SetOrientation(c.orientation);
        bar->Properties()->SetBarStyle(cxbsLEDs);
        bar->Properties()->SetBeginColor(fill);
        bar->SetPosition(c.position);
        bar->UpdateVisualStateAtCursor(false);
        PixelCanvas canvas(bar->Width(), bar->Height());
        bar->PaintTo(canvas.dc());
        const RECT f = bar->FilledArea();
        const int led = 24 * 2 / 3 + 2; // two thirds across plus 2
        ASSERT_EQ(bar->LedSize(), led);
        const bool horizontal = c.orientation == cxorHorizontal;
        const int length = horizontal ? f.right - f.left : f.bottom - f.top;
        const int fullCells = length / led;
        for (int along = 0; along < 240; ++along) {
            // Distance from where the fill starts: the left end, or the bottom end.
            COLORREF shown = horizontal ? canvas.At(along, 12) : canvas.At(12, 239 - along);
            bool inFill = along < length;
            bool inGap = along < fullCells * led && along % led >= led - 2;
            EXPECT_EQ(shown, inFill && !inGap ? fill : back)
                << (horizontal ? "horizontal" : "vertical") << " at " << c.position << ", " << along;
        }
    }
}

// The glossy track and bar of the animation styles, as the control paints them in a row of
// changes to one bar (size, colour, fill, orientation, LEDs), are pixel for pixel what drawing
// the glossy look straight onto the canvas gives: the track over the bar area, the bar over the
// filled part with its LED gaps.
TEST_F(ProgressBarPaintTest, GlossyLookIsTheSameAsDrawnStraightOntoTheCanvas)
{
    const COLORREF back = RGB(236, 233, 216);
    form->SetColor(back);
    struct Step {
        int width, height;
        TcxProgressBarOrientation orientation;
        TcxProgressBarBarStyle style;
        TColor begin;
        double position;
    } steps[] = {
        {240, 24, cxorHorizontal, cxbsAnimation, RGB(40, 211, 0), 60},
        {240, 24, cxorHorizontal, cxbsAnimation, RGB(200, 40, 40), 60}, // another colour
        {240, 24, cxorHorizontal, cxbsAnimation, RGB(200, 40, 40), 35}, // another fill
        {180, 30, cxorHorizontal, cxbsAnimationLEDs, RGB(200, 40, 40), 35},
        {180, 8, cxorHorizontal, cxbsAnimation, RGB(0, 90, 200), 80}, // bands reach past the bar
        {30, 160, cxorVertical, cxbsAnimationLEDs, RGB(0, 90, 200), 70},
        {30, 160, cxorVertical, cxbsAnimation, RGB(0, 90, 200), 70},
        {240, 24, cxorHorizontal, cxbsAnimation, RGB(40, 211, 0), 60}, // back to the first
    };
    auto* bar = Bar(10, 10, 240, 24);
    bar->Style()->SetBorderStyle(cbsNone);
    bar->Properties()->SetShowText(false);
    for (const Step& st : steps) {
        SCOPED_TRACE(std::to_string(&st - steps));
        bar->SetBounds(10, 10, st.width, st.height);
        TcxProgressBarProperties* p = bar->Properties();
        p->SetOrientation(st.orientation);
        p->SetBarStyle(st.style);
        p->SetAnimationSpeed(0);
        p->SetBeginColor(st.begin);
        bar->SetPosition(st.position);
        bar->UpdateVisualStateAtCursor(false);
        PixelCanvas shown(st.width, st.height);
        bar->PaintTo(shown.dc());
        const bool vertical = st.orientation == cxorVertical;
        const RECT area = bar->BarArea(), f = bar->FilledArea();
        PixelCanvas expected(st.width, st.height);
        PaintGlossyBar(expected.dc(), area, back, TcxGlossyKind::Background, vertical);
        {
            SaveDCGuard saved(expected.dc());
            IntersectClipRect(expected.dc(), f.left, f.top, f.right, f.bottom);
            if (st.style == cxbsAnimationLEDs) {
                const int led = bar->LedSize();
                if (!vertical)
                    for (int x = f.left + led; x <= f.right; x += led)
                        ExcludeClipRect(expected.dc(), x - 2, f.top, x, f.bottom);
                else
                    for (int y = f.bottom - led; y >= f.top; y -= led)
                        ExcludeClipRect(expected.dc(), f.left, y, f.right, y + 2);
            }
            PaintGlossyBar(expected.dc(), f, st.begin, TcxGlossyKind::Bar, vertical);
        }
        int differing = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                differing += shown.At(x, y) != expected.At(x, y);
        EXPECT_EQ(differing, 0);
    }
}

// Pictures of every style, horizontal and vertical, with text, for a person to look at.
TEST_F(ProgressBarPaintTest, WritesPicturesOfEveryStyle)
{
    form->SetColor(RGB(236, 233, 216));
    auto* bar = Bar(10, 10, 260, 22);
    auto* column = Bar(300, 10, 30, 120);
    TcxBitmap picture(8, 8, 32);
    FillRectSolid(picture.DC(), {0, 0, 8, 8}, RGB(250, 200, 40));
    FillRectSolid(picture.DC(), {0, 0, 4, 4}, RGB(200, 60, 20));
    FillRectSolid(picture.DC(), {4, 4, 8, 8}, RGB(200, 60, 20));
    const int rows = 8;
    PixelCanvas canvas(270 + rows * 40, rows * 28 + 100, RGB(255, 255, 255));
    // Each control paints into its own canvas (it starts with its parent's surface), then into
    // its place on the sheet.
    auto place = [&](TcxProgressBar* b, int x, int y) {
        PixelCanvas one(b->Width(), b->Height());
        b->PaintTo(one.dc());
        BitBlt(canvas.dc(), x, y, b->Width(), b->Height(), one.dc(), 0, 0, SRCCOPY);
    };
    for (int style = 0; style < rows; ++style) {
        for (TcxProgressBar* b : {bar, column}) {
            TcxProgressBarProperties* p = b->Properties();
            p->SetBarStyle(static_cast<TcxProgressBarBarStyle>(style));
            p->SetAnimationSpeed(0);
            p->SetForegroundImage(picture.Handle());
            p->SetBarBevelOuter(style % 4 == 1 ? cxbvRaised : cxbvNone);
            p->SetShowOverload(style == cxbsSolid || style == cxbsGradient);
            p->SetShowPeak(true);
            b->SetPosition(88);
            b->SetPosition(40.0 + 6 * style);
            b->UpdateVisualStateAtCursor(false);
        }
        column->Properties()->SetOrientation(cxorVertical);
        column->Properties()->SetTextOrientation(cxorVertical);
        column->UpdateVisualStateAtCursor(false);
        place(bar, 0, style * 28);
        place(column, 270 + style * 40, 0);
    }
    ASSERT_TRUE(canvas.SaveBmp((ArtifactFolder() / L"progress-bar-styles.bmp").c_str()));
    // The vertical bar grows upwards: its bottom is filled, its top is not.
    RECT f = column->FilledArea(), a = column->BarArea();
    EXPECT_EQ(f.bottom, a.bottom);
    EXPECT_GT(f.top, a.top);
}

// The position is the editor's edit value: setting either moves the other, each change raises
// OnChange and OnEditValueChanged once, and a text that is no number counts as 0.
TEST_F(ProgressBarPaintTest, PositionIsTheEditValue)
{
    auto* bar = Bar(10, 10, 200, 20);
    int changes = 0, valueChanges = 0;
    bar->OnChange = [&](TObject*) { ++changes; };
    bar->OnEditValueChanged = [&](TObject*) { ++valueChanges; };
    struct Step {
        const wchar_t* what;
        std::function<void()> act;
        double position;
        const wchar_t* editText; // nullptr: the edit value is not a text
        int events;              // OnChange and OnEditValueChanged each
    } steps[] = {
        {L"position set", [&] { bar->SetPosition(42.5); }, 42.5, L"42.5", 1},
        {L"the same again", [&] { bar->SetPosition(42.5); }, 42.5, L"42.5", 0},
        {L"edit value as text", [&] { bar->SetEditValue(TcxEditValue::Of(L"30")); }, 30, L"30", 1},
        {L"no number", [&] { bar->SetEditValue(TcxEditValue::Of(L"abc")); }, 0, L"abc", 1},
        {L"cleared", [&] { bar->SetEditValue(TcxEditValue::Of(L" 12 ")); }, 12, L" 12 ", 1},
        {L"null", [&] { bar->SetEditValue(TcxEditValue::Null()); }, 0, nullptr, 1},
        {L"beyond Max", [&] { bar->SetPosition(150); }, 100, L"100", 1},
        {L"Max lowered under it", [&] { bar->Properties()->SetMax(60); }, 60, L"60", 1},
        {L"Min raised over it",
         [&] {
             bar->SetPosition(5);
             bar->Properties()->SetMin(10);
         },
         10, L"10", 2},
    };
    for (const Step& s : steps) {
        changes = valueChanges = 0;
        s.act();
        EXPECT_DOUBLE_EQ(bar->Position(), s.position) << s.what;
        if (s.editText) {
            EXPECT_EQ(bar->EditValue().kind, TcxEditValue::Kind::Text) << s.what;
            EXPECT_EQ(bar->EditValue().text, s.editText) << s.what;
        } else {
            EXPECT_EQ(bar->EditValue().kind, TcxEditValue::Kind::Null) << s.what;
        }
        EXPECT_EQ(changes, s.events) << s.what;
        EXPECT_EQ(valueChanges, s.events) << s.what;
    }
    // The picture follows the edit value: a value of half the range fills half the bar.
    bar->Properties()->SetMin(0);
    bar->Properties()->SetMax(100);
    bar->SetEditValue(TcxEditValue::Of(L"50"));
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(bar->ProgressText(), L"50 %");
    RECT area = bar->BarArea();
    EXPECT_EQ(bar->FilledArea().right - area.left, (area.right - area.left) / 2);
}

// The position goes into the edit value as text and is read back from it: with one convention,
// whatever the C runtime's numeric locale of the program is (a host with a decimal comma too).
TEST_F(ProgressBarPaintTest, ThePositionReadsBackTheSameWhateverTheNumericLocale)
{
    auto* bar = Bar(10, 10, 200, 20);
    bar->Properties()->SetShowTextStyle(cxtsPosition);
    const std::string saved = setlocale(LC_NUMERIC, nullptr);
    for (const char* locale : {"C", "German"}) {
        SCOPED_TRACE(locale);
        ASSERT_NE(setlocale(LC_NUMERIC, locale), nullptr);
        if (std::string(locale) != "C") {
            ASSERT_EQ(*localeconv()->decimal_point, ',') << "the locale has no decimal comma";
        }
        bar->SetPosition(42.5);
        EXPECT_DOUBLE_EQ(bar->Position(), 42.5);
        EXPECT_EQ(bar->EditValue().text, L"42.5");
        bar->SetEditValue(TcxEditValue::Of(L"17.25"));
        EXPECT_DOUBLE_EQ(bar->Position(), 17.25);
        EXPECT_EQ(bar->ProgressText(), L"17.25");
        bar->SetEditValue(TcxEditValue::Of(L"17,25"));
        EXPECT_DOUBLE_EQ(bar->Position(), 0) << "a number has one form: 17,25 is none";
    }
    setlocale(LC_NUMERIC, saved.c_str());
}

// A stored position is read before or after the range that holds it; once loading ends it is
// held within the range (a range without room holds nothing).
TEST_F(ProgressBarPaintTest, AStoredPositionIsHeldWithinTheRangeWhenLoadingEnds)
{
    RegisterDisplayControlClasses();
    struct Case {
        const wchar_t* lines;
        double position;
    } cases[] = {
        {L"Position = 150\n    Properties.Max = 200", 150},
        {L"Position = 150\n    Properties.Max = 120", 120},
        {L"Properties.Max = 120\n    Position = 150", 120},
        {L"Position = -5\n    Properties.Min = 10\n    Properties.Max = 20", 10},
        {L"Properties.Max = 0\n    Position = 150", 150},
    };
    for (const Case& c : cases) {
        TForm root(app.get());
        root.LoadFromDescription(std::wstring(L"object Root: TForm\n  object Bar: TcxProgressBar\n    ") +
                                 c.lines + L"\n  end\nend\n");
        auto* bar = dynamic_cast<TcxProgressBar*>(root.FindComponent(L"Bar"));
        ASSERT_NE(bar, nullptr);
        EXPECT_DOUBLE_EQ(bar->Position(), c.position) << c.lines;
        EXPECT_DOUBLE_EQ(std::wcstod(bar->EditValue().text.c_str(), nullptr), c.position) << c.lines;
    }
}

// A transparent bar shows what lies behind it in its empty track, in the animation styles too
// (whose track is otherwise shaded).
TEST_F(ProgressBarPaintTest, ATransparentBarShowsItsParentInTheTrack)
{
    const COLORREF back = RGB(30, 160, 90);
    form->SetColor(back);
    auto* bar = Bar(10, 10, 200, 24);
    bar->Style()->SetColor(RGB(250, 250, 250));
    bar->Properties()->SetShowText(false);
    bar->Properties()->SetAnimationSpeed(0);
    bar->SetPosition(30);
    for (TcxProgressBarBarStyle style : {cxbsSolid, cxbsGradient, cxbsAnimation, cxbsAnimationLEDs}) {
        bar->Properties()->SetBarStyle(style);
        for (bool transparent : {false, true}) {
            bar->SetTransparent(transparent);
            bar->UpdateVisualStateAtCursor(false);
            PixelCanvas canvas(bar->Width(), bar->Height());
            bar->PaintTo(canvas.dc());
            RECT area = bar->BarArea();
            int y = (area.top + area.bottom) / 2;
            for (int x : {area.right - 40, area.right - 2}) {
                COLORREF c = canvas.At(x, y);
                if (transparent)
                    EXPECT_EQ(c, back) << "style " << style << " at " << x;
                else
                    EXPECT_NE(c, back) << "style " << style << " at " << x;
            }
            // The filled part is drawn all the same.
            EXPECT_NE(canvas.At(area.left + 30, y), back) << "style " << style;
        }
    }
}

// A vertical bar of an animation style shows its running segment: the part of the bar under
// the segment is lighter than without it, most in its middle, and the glow moves with it.
TEST_F(ProgressBarPaintTest, AVerticalAnimatedBarShowsItsRunningSegment)
{
    form->SetColor(RGB(236, 233, 216));
    auto* bar = Bar(10, 10, 24, 200);
    bar->Properties()->SetOrientation(cxorVertical);
    bar->Properties()->SetShowText(false);
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->Properties()->SetAnimationSpeed(10);
    bar->SetPosition(100);
    bar->UpdateVisualStateAtCursor(false);
    ASSERT_TRUE(bar->AnimationRunning());
    // The segment starts below the bar and climbs 20 pixels a step.
    bar->ResetSegment();
    PixelCanvas before(bar->Width(), bar->Height());
    bar->PaintTo(before.dc());
    for (int i = 0; i < 6; ++i)
        bar->StepSegment();
    RECT seg = bar->CurrentSegment();
    ASSERT_EQ(seg.top + 25, bar->Height() + 25 - 6 * 20) << "the segment's middle";
    PixelCanvas after(bar->Width(), bar->Height());
    bar->PaintTo(after.dc());
    auto lightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    const int middle = (seg.top + seg.bottom) / 2;
    const int x = seg.left + 10;
    EXPECT_GT(lightness(after.At(x, middle)), lightness(before.At(x, middle)) + 60) << "lit in its middle";
    EXPECT_GT(lightness(after.At(x, middle)), lightness(after.At(x, seg.top + 2))) << "most in its middle";
    EXPECT_EQ(after.At(x, seg.top - 10), before.At(x, seg.top - 10)) << "the bar above it is untouched";
    EXPECT_GT(lightness(after.At(seg.left + 2, middle)), lightness(before.At(seg.left + 2, middle)))
        << "the light band glows too";
    PixelCanvas sheet(2 * bar->Width() + 10, bar->Height(), RGB(255, 255, 255));
    BitBlt(sheet.dc(), 0, 0, bar->Width(), bar->Height(), before.dc(), 0, 0, SRCCOPY);
    BitBlt(sheet.dc(), bar->Width() + 10, 0, bar->Width(), bar->Height(), after.dc(), 0, 0, SRCCOPY);
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"progress-bar-vertical-segment.bmp").c_str()));
}

// Under the native look the platform's theme draws the track and the solid fill; the bar sits
// inside the theme's frame.
TEST_F(ProgressBarPaintTest, TheNativeLookDrawsThroughTheProgressTheme)
{
    const COLORREF back = RGB(200, 220, 240);
    form->SetColor(back);
    auto* bar = Bar(10, 10, 200, 20);
    bar->Style()->LookAndFeel()->SetNativeStyle(true);
    if (!bar->Themed())
        GTEST_SKIP() << "no progress theme on this display";
    bar->Properties()->SetShowText(false);
    bar->Properties()->SetShowOverload(true);
    bar->Properties()->SetOverloadValue(10);
    bar->SetPosition(50);
    bar->UpdateVisualStateAtCursor(false);
    RECT area = bar->BarArea();
    EXPECT_EQ(area.left, 3);
    EXPECT_EQ(area.top, 3);
    EXPECT_EQ(area.right, 198);
    EXPECT_EQ(area.bottom, 18);
    EXPECT_FALSE(bar->OverloadShown()) << "no overload zone in the theme";
    // What the theme alone draws: the track over the parent, the chunk over the filled part.
    HTHEME theme = OpenThemeData(bar->Handle(), L"Progress");
    ASSERT_NE(theme, nullptr);
    // The chunk is drawn once, one pixel wide, and stretched: every column of the filled part
    // is that one column, not the theme's row of blocks.
    PixelCanvas expected(200, 20, back);
    RECT all{0, 0, 200, 20}, filled = bar->FilledArea();
    DrawThemeBackground(theme, expected.dc(), 1, 1, &all, nullptr);
    RECT column{filled.left, filled.top, filled.left + 1, filled.bottom};
    DrawThemeBackground(theme, expected.dc(), 3, 1, &column, nullptr);
    CloseThemeData(theme);
    PixelCanvas shown(200, 20);
    bar->PaintTo(shown.dc());
    for (POINT p : {POINT{0, 0}, POINT{1, 10}, POINT{150, 10}, POINT{199, 19}})
        EXPECT_EQ(shown.At(p.x, p.y), expected.At(p.x, p.y)) << p.x << "," << p.y;
    for (int x = filled.left; x < filled.right; ++x)
        for (int y = filled.top; y < filled.bottom; ++y)
            ASSERT_EQ(shown.At(x, y), expected.At(filled.left, y)) << x << "," << y;
    ASSERT_TRUE(shown.SaveBmp((ArtifactFolder() / L"progress-bar-native.bmp").c_str()));
    // The animation style keeps its glossy fill, the bar one pixel inside the frame.
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->Properties()->SetAnimationSpeed(0);
    bar->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(bar->BarArea().left, 1);
    EXPECT_EQ(bar->BarArea().bottom, 19);
}

// The platform's theme, except that its chunk is a row of blocks: a 2-pixel gap every 10 pixels
// from the left of the rectangle it is drawn into (the look of a blocky theme).
class BlockChunkTheme : public TdxThemeApi {
public:
    bool Loaded() const override { return m_system.Loaded(); }
    bool IsThemeActive() override { return m_system.IsThemeActive(); }
    bool GetCurrentThemeName(std::wstring& f, std::wstring& c, std::wstring& s) override
    {
        return m_system.GetCurrentThemeName(f, c, s);
    }
    HTHEME OpenThemeData(HWND w, const wchar_t* classes) override
    {
        return m_system.OpenThemeData(w, classes);
    }
    HRESULT CloseThemeData(HTHEME t) override { return m_system.CloseThemeData(t); }
    HRESULT DrawThemeBackground(HTHEME t, HDC dc, int part, int state, const RECT* r,
                                const RECT* clip) override
    {
        if (part != 3)
            return m_system.DrawThemeBackground(t, dc, part, state, r, clip);
        FillRectSolid(dc, *r, RGB(20, 180, 40));
        for (int x = r->left + 8; x < r->right; x += 10)
            FillRectSolid(dc, {x, r->top, std::min<int>(x + 2, r->right), r->bottom}, RGB(255, 255, 255));
        return S_OK;
    }
    HRESULT DrawThemeText(HTHEME t, HDC dc, int p, int s, const wchar_t* text, int n, DWORD f, DWORD f2,
                          const RECT* r) override
    {
        return m_system.DrawThemeText(t, dc, p, s, text, n, f, f2, r);
    }
    HRESULT GetThemeBackgroundContentRect(HTHEME t, HDC dc, int p, int s, const RECT* b, RECT* c) override
    {
        return m_system.GetThemeBackgroundContentRect(t, dc, p, s, b, c);
    }
    HRESULT GetThemeColor(HTHEME t, int p, int s, int prop, COLORREF* c) override
    {
        return m_system.GetThemeColor(t, p, s, prop, c);
    }
    HRESULT DrawThemeParentBackground(HWND w, HDC dc, const RECT* r) override
    {
        return m_system.DrawThemeParentBackground(w, dc, r);
    }

private:
    TdxThemeApi& m_system = SystemThemeApi();
};

// The themed solid bar draws the theme's chunk once, one pixel along the bar, and stretches
// it: a theme whose chunk is a row of blocks still gives one smooth bar.
TEST_F(ProgressBarPaintTest, TheThemedChunkIsDrawnOnceAndStretched)
{
    BlockChunkTheme blocks;
    SetThemeApi(&blocks);
    struct Restore {
        ~Restore() { SetThemeApi(nullptr); }
    } restore;
    auto* bar = Bar(10, 10, 200, 20);
    bar->Style()->LookAndFeel()->SetNativeStyle(true);
    if (!bar->Themed())
        GTEST_SKIP() << "no progress theme on this display";
    bar->Properties()->SetShowText(false);
    bar->SetPosition(60);
    bar->UpdateVisualStateAtCursor(false);
    PixelCanvas shown(200, 20);
    bar->PaintTo(shown.dc());
    RECT filled = bar->FilledArea();
    ASSERT_GT(filled.right - filled.left, 100);
    for (int x = filled.left; x < filled.right; ++x)
        for (int y = filled.top; y < filled.bottom; ++y)
            ASSERT_EQ(shown.At(x, y), RGB(20, 180, 40)) << x << "," << y;
}

// A running animation shows each tick's frame by copying a picture kept for the segment's
// offset. Its pixels on screen are the ones a full paint draws at the same offset: the glow
// over the glossy bar, LED gaps and bevels, the inverse text, the theme's rounded corners, the
// ends of the bar under the segment; also for frames shown a second time round.
TEST_F(ProgressBarPaintTest, AnimationFramesShowWhatAFullPaintDraws)
{
    struct Case {
        const char* look;
        TcxProgressBarBarStyle style;
        TcxProgressBarBevelOuter bevel;
        double position;
        TcxProgressBarOrientation orientation;
        bool native;
    } cases[] = {
        {"glossy", cxbsAnimation, cxbvNone, 60, cxorHorizontal, false},
        {"LEDs with bevels", cxbsAnimationLEDs, cxbvRaised, 60, cxorHorizontal, false},
        {"full bar, the segment over both ends", cxbsAnimation, cxbvNone, 100, cxorHorizontal, false},
        {"short fill with shrunk ramps", cxbsAnimation, cxbvNone, 15, cxorHorizontal, false},
        {"vertical", cxbsAnimationLEDs, cxbvNone, 70, cxorVertical, false},
        {"native look", cxbsAnimation, cxbvNone, 60, cxorHorizontal, true},
    };
    form->SetColor(RGB(236, 233, 216));
    const int w = 200, h = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.look);
        auto* bar = Bar(10, 10, c.orientation == cxorVertical ? h : w, c.orientation == cxorVertical ? w : h);
        TcxProgressBarProperties* p = bar->Properties();
        bar->Style()->LookAndFeel()->SetNativeStyle(c.native);
        if (c.native && !bar->Themed()) {
            delete bar;
            continue; // no progress theme on this display
        }
        p->SetBarStyle(c.style);
        p->SetBarBevelOuter(c.bevel);
        p->SetOrientation(c.orientation);
        p->SetAnimationSpeed(10);
        bar->SetPosition(c.position);
        bar->UpdateVisualStateAtCursor(false);
        ASSERT_TRUE(bar->AnimationRunning());
        InvalidateRect(bar->Handle(), nullptr, FALSE);
        UpdateWindow(bar->Handle());
        const int bw = bar->Width(), bh = bar->Height();
        const RECT area = bar->BarArea();
        auto barPixels = [&](HDC source) {
            PixelCanvas copy(bw, bh);
            BitBlt(copy.dc(), 0, 0, bw, bh, source, 0, 0, SRCCOPY);
            std::vector<COLORREF> pixels;
            for (int y = area.top; y < area.bottom; ++y)
                for (int x = area.left; x < area.right; ++x)
                    pixels.push_back(copy.At(x, y));
            return pixels;
        };
        // Two rounds of the segment over the bar, as the ticks show them on screen.
        const int steps = 2 * ((bw + bh + 50) / 20 + 1);
        std::map<int, std::vector<COLORREF>> shown;
        PixelCanvas sheet(bw * 2 + 4, (bh + 2) * ((steps + 1) / 2), RGB(255, 255, 255));
        for (int i = 0; i < steps; ++i) {
            bar->ShowNextFrame();
            HDC screen = GetDC(bar->Handle());
            shown[bar->SegmentOffset()] = barPixels(screen);
            BitBlt(sheet.dc(), (i % 2) * (bw + 4), (i / 2) * (bh + 2), bw, bh, screen, 0, 0, SRCCOPY);
            ReleaseDC(bar->Handle(), screen);
        }
        if (c.orientation == cxorHorizontal) {
            ASSERT_TRUE(sheet.SaveBmp(
                (ArtifactFolder() / (L"progress-bar-frames-" + std::to_wstring(&c - cases) + L".bmp"))
                    .c_str()));
        }
        ASSERT_GT(shown.size(), 3u);
        if (c.orientation == cxorHorizontal) {
            bool moves = false;
            for (const auto& [offset, pixels] : shown)
                moves = moves || pixels != shown.begin()->second;
            EXPECT_TRUE(moves) << "the glow moves from frame to frame";
        }
        // The same offsets again, each painted in full.
        bar->ResetSegment();
        int compared = 0;
        for (int i = 0; i < steps; ++i) {
            bar->StepSegment();
            auto it = shown.find(bar->SegmentOffset());
            if (it == shown.end())
                continue;
            PixelCanvas full(bw, bh);
            bar->PaintTo(full.dc());
            std::vector<COLORREF> expected = barPixels(full.dc());
            ASSERT_EQ(it->second.size(), expected.size());
            size_t differing = 0;
            for (size_t k = 0; k < expected.size(); ++k)
                differing += it->second[k] != expected[k];
            EXPECT_EQ(differing, 0u) << "offset " << it->first;
            ++compared;
        }
        EXPECT_GT(compared, 3);
        delete bar;
    }
}

// A tick draws through the device context the bar keeps. After the bar moves, or its window
// is made anew, the next tick's frame lands where the bar is now, read back from the form's
// window: the pixels of a full paint at the same segment offset.
TEST_F(ProgressBarPaintTest, TicksAfterAMoveOrANewWindowDrawWhereTheBarIs)
{
    struct Case {
        const char* change;
        std::function<void(TcxProgressBar*)> apply;
    } cases[] = {
        {"moved", [](TcxProgressBar* bar) { bar->SetBounds(40, 50, 200, 20); }},
        {"window made anew", [](TcxProgressBar* bar) { bar->RecreateWnd(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        auto* bar = AnimatedBar(cxbsAnimation, 70);
        ASSERT_TRUE(bar->AnimationRunning());
        auto settle = [&] {
            InvalidateRect(bar->Handle(), nullptr, FALSE);
            UpdateWindow(bar->Handle());
            for (int i = 0; i < 4; ++i)
                bar->ShowNextFrame(); // frames made and kept, shown through the kept context
        };
        settle();
        c.apply(bar);
        app->ProcessMessages();
        settle();
        bar->ShowNextFrame();
        const RECT area = bar->BarArea();
        PixelCanvas onScreen(bar->Width(), bar->Height());
        {
            HDC formDC = GetDC(form->Handle());
            BitBlt(onScreen.dc(), 0, 0, bar->Width(), bar->Height(), formDC, bar->Left(), bar->Top(),
                   SRCCOPY);
            ReleaseDC(form->Handle(), formDC);
        }
        PixelCanvas full(bar->Width(), bar->Height());
        bar->PaintTo(full.dc());
        size_t differing = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                differing += onScreen.At(x, y) != full.At(x, y);
        EXPECT_EQ(differing, 0u) << "segment offset " << bar->SegmentOffset();
        delete bar;
    }
}

// The ticks of a running animation leave no GDI object behind: frames shown from the kept
// pictures, frames made anew after the position moves, and repaints of the whole bar.
TEST_F(ProgressBarPaintTest, AnimationTicksLeaveNoGdiObjectBehind)
{
    auto* bar = AnimatedBar(cxbsAnimationLEDs, 40);
    ASSERT_TRUE(bar->AnimationRunning());
    auto run = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            if (i % 100 == 0) {
                bar->SetPosition(40 + (i / 100) % 50);
                InvalidateRect(bar->Handle(), nullptr, FALSE);
                UpdateWindow(bar->Handle());
            }
            bar->ShowNextFrame();
        }
    };
    run(200); // warm-up: the kept pictures and buffers exist from here on
    const int baseline = CountGdiObjects();
    run(10000);
    EXPECT_LE(CountGdiObjects(), baseline + 5) << "GDI objects after 10,000 ticks";
}

} // namespace
