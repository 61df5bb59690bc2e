#include "cxGeometry.h"

bool RectIntersection(const RECT& a, const RECT& b, RECT& result)
{
    result = RECT{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                  a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (RectIsEmpty(result)) {
        result = RECT{0, 0, 0, 0};
        return false;
    }
    return true;
}

RECT RectIntersection(const RECT& a, const RECT& b)
{
    RECT r;
    RectIntersection(a, b, r);
    return r;
}

RECT RectInflated(const RECT& r, int dx, int dy)
{
    return RectInflated(r, dx, dy, dx, dy);
}

RECT RectInflated(const RECT& r, int dLeft, int dTop, int dRight, int dBottom)
{
    return RECT{r.left - dLeft, r.top - dTop, r.right + dRight, r.bottom + dBottom};
}

RECT RectFromBounds(int left, int top, int width, int height)
{
    return RECT{left, top, left + width, top + height};
}

RECT RectWithHeight(const RECT& r, int height)
{
    return RECT{r.left, r.top, r.right, r.top + height};
}
RECT RectWithWidth(const RECT& r, int width)
{
    return RECT{r.left, r.top, r.left + width, r.bottom};
}
RECT RectWithLeft(const RECT& r, int x, int width)
{
    return RECT{x, r.top, x + width, r.bottom};
}
RECT RectWithLeft(const RECT& r, int x)
{
    return RectWithLeft(r, x, RectWidth(r));
}
RECT RectWithRight(const RECT& r, int x, int width)
{
    return RECT{x - width, r.top, x, r.bottom};
}
RECT RectWithRight(const RECT& r, int x)
{
    return RectWithRight(r, x, RectWidth(r));
}

POINT RectCenterPoint(const RECT& r)
{
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT RectCentered(const RECT& r, int width, int height)
{
    int left = (r.left + r.right - width) / 2;
    int top = (r.top + r.bottom - height) / 2;
    return RECT{left, top, left + width, top + height};
}

RECT RectContent(const RECT& r, const RECT& margins)
{
    return RECT{r.left + margins.left, r.top + margins.top, r.right - margins.right,
                r.bottom - margins.bottom};
}

RECT RectOffset(const RECT& r, POINT p, bool add)
{
    int s = add ? 1 : -1;
    return RECT{r.left + s * p.x, r.top + s * p.y, r.right + s * p.x, r.bottom + s * p.y};
}

RECT RectOffset(const RECT& r, int dx, int dy)
{
    return RectOffset(r, POINT{dx, dy}, true);
}

POINT PointOffset(POINT p, int dx, int dy, bool add)
{
    int s = add ? 1 : -1;
    return POINT{p.x + s * dx, p.y + s * dy};
}

POINT PointNegated(POINT p)
{
    return POINT{-p.x, -p.y};
}

RECT ExtendRectBy(const RECT& r, const RECT& e)
{
    return RECT{r.left + e.left, r.top + e.top, r.right - e.right, r.bottom - e.bottom};
}
