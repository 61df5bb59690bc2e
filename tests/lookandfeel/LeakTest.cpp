#include "LafTestSupport.h"
#include "PainterOps.h"

#include "lookandfeel/cxLookAndFeels.h"
#include "tests/common/GdiCount.h"

#include <gtest/gtest.h>

using namespace laftest;

namespace {
void PaintEverything(Surface& s, int rounds)
{
    const RECT r{2, 2, 90, 26};
    for (int i = 0; i < rounds; ++i)
        for (auto painter : AllPainters())
            for (const auto& op : PainterOps())
                op.paint(s.Cx(), painter, r);
}
} // namespace

TEST(GdiLeakTest, TenThousandPaintsOfEveryPainterOperationCreateNoLastingObjects)
{
    Surface s(100, 30);
    PaintEverything(s, 1); // warm-up: process-wide caches
    const int before = CountGdiObjects();
    PaintEverything(s, 10000);
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST(GdiLeakTest, CanvasesGoneWithUnpoppedStatesKeepNoObjects)
{
    Surface s(10, 10);
    auto round = [&] {
        TcxCanvas canvas(&s.Canvas());
        for (int i = 0; i < 3; ++i) {
            canvas.Font().SetHeight(-10 - i);
            canvas.SetBrushColor(RGB(i, 0, 0));
            canvas.FillRectColor(RECT{0, 0, 4, 4});
            canvas.PushState();
            canvas.PushClipRegion();
        }
        // Destroyed without popping: the stacks own their copies and regions.
    };
    round();
    RestoreDC(s.DC(), 1); // the context itself is the caller's to restore
    s.Canvas().Refresh();
    const int before = CountGdiObjects();
    for (int i = 0; i < 1000; ++i) {
        round();
        RestoreDC(s.DC(), 1);
        s.Canvas().Refresh();
    }
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST(GdiLeakTest, LookAndFeelsAndColourChangesKeepNoObjects)
{
    auto round = [] {
        TcxLookAndFeel a(nullptr), b(nullptr);
        b.SetMaster(&a);
        a.SetKind(lfOffice11);
        SendMessageW(SystemPaletteListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
        SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
        Surface s(20, 20);
        b.ActivePainter()->PaintSizeGrip(s.Cx(), RECT{0, 0, 20, 20}, clNone);
    };
    round();
    const int before = CountGdiObjects();
    for (int i = 0; i < 500; ++i)
        round();
    EXPECT_EQ(CountGdiObjects(), before);
}
