// Rectangle and point arithmetic used by painters and view infos. Every function returns
// a new value; halving truncates toward zero.
#pragma once

#include <windows.h>

inline int RectWidth(const RECT& r)
{
    return r.right - r.left;
}
inline int RectHeight(const RECT& r)
{
    return r.bottom - r.top;
}
inline bool RectIsEmpty(const RECT& r)
{
    return !(r.left < r.right && r.top < r.bottom);
}
inline bool RectsEqual(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline RECT MakeRect(int l, int t, int r, int b)
{
    return RECT{l, t, r, b};
}

// The common part of two rectangles; (0, 0, 0, 0) and false when it has no area.
bool RectIntersection(const RECT& a, const RECT& b, RECT& result);
RECT RectIntersection(const RECT& a, const RECT& b);
RECT RectInflated(const RECT& r, int dx, int dy);
RECT RectInflated(const RECT& r, int dLeft, int dTop, int dRight, int dBottom);
RECT RectFromBounds(int left, int top, int width, int height);
RECT RectWithHeight(const RECT& r, int height);
RECT RectWithWidth(const RECT& r, int width);
RECT RectWithLeft(const RECT& r, int x, int width);
RECT RectWithLeft(const RECT& r, int x);
RECT RectWithRight(const RECT& r, int x, int width);
RECT RectWithRight(const RECT& r, int x);
POINT RectCenterPoint(const RECT& r);
RECT RectCentered(const RECT& r, int width, int height);
// The rectangle shrunk by each margin (Left, Top, Right, Bottom of margins).
RECT RectContent(const RECT& r, const RECT& margins);
RECT RectOffset(const RECT& r, POINT p, bool add = true);
RECT RectOffset(const RECT& r, int dx, int dy);
POINT PointOffset(POINT p, int dx, int dy, bool add = true);
POINT PointNegated(POINT p);
// Left += E.Left, Top += E.Top, Right -= E.Right, Bottom -= E.Bottom.
RECT ExtendRectBy(const RECT& r, const RECT& extension);
