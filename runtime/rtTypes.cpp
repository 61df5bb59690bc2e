#include "rtTypes.h"

namespace {
COLORREF PlatformSysColor(int index)
{
    return GetSysColor(index);
}
TSysColorSource g_sysColorSource = &PlatformSysColor;
} // namespace

TSysColorSource SetSysColorSource(TSysColorSource source)
{
    TSysColorSource old = g_sysColorSource;
    g_sysColorSource = source ? source : &PlatformSysColor;
    return old;
}

COLORREF SysColor(int index)
{
    return g_sysColorSource(index);
}

COLORREF ColorToRGB(TColor color)
{
    if (IsSystemColor(color))
        return SysColor(static_cast<int>(color & 0xFF));
    if (color == clNone || color == clDefault)
        return RGB(0, 0, 0);
    return color & 0x00FFFFFF;
}
