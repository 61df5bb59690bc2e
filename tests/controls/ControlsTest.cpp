#include "controls/cxControlsRegister.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "tests/common/WindowFixture.h"

#include <cmath>

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

} // namespace
