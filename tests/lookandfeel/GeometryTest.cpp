#include "lookandfeel/cxGeometry.h"

#include <gtest/gtest.h>

namespace {
bool Same(const RECT& a, const RECT& b)
{
    return RectsEqual(a, b);
}
} // namespace

TEST(GeometryTest, IntersectionWithoutAreaIsTheZeroRectangle)
{
    RECT r;
    EXPECT_TRUE(RectIntersection(RECT{0, 0, 10, 10}, RECT{5, 5, 20, 20}, r));
    EXPECT_TRUE(Same(r, RECT{5, 5, 10, 10}));
    EXPECT_FALSE(RectIntersection(RECT{0, 0, 10, 10}, RECT{10, 0, 20, 10}, r));
    EXPECT_TRUE(Same(r, RECT{0, 0, 0, 0}));
}

TEST(GeometryTest, HalvingTruncatesTowardZero)
{
    EXPECT_TRUE(Same(RectCentered(RECT{0, 0, 11, 11}, 4, 4), RECT{3, 3, 7, 7}));
    EXPECT_TRUE(Same(RectCentered(RECT{-11, -11, 0, 0}, 4, 4), RECT{-7, -7, -3, -3}));
    POINT c = RectCenterPoint(RECT{-5, -5, 0, 0});
    EXPECT_EQ(c.x, -2);
    EXPECT_TRUE(Same(ExtendRectBy(RECT{0, 0, 10, 10}, RECT{1, 2, 3, 4}), RECT{1, 2, 7, 6}));
    EXPECT_TRUE(Same(RectWithRight(RECT{0, 0, 10, 5}, 30), RECT{20, 0, 30, 5}));
    EXPECT_TRUE(RectIsEmpty(RECT{5, 0, 5, 10}));
}
