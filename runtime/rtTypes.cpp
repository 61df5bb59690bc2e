#include "rtTypes.h"

COLORREF ColorToRGB(TColor color)
{
    if (IsSystemColor(color))
        return GetSysColor(static_cast<int>(color & 0xFF));
    if (color == clNone || color == clDefault)
        return RGB(0, 0, 0);
    return color & 0x00FFFFFF;
}
