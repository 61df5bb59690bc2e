// Counts the GDI objects the process holds, for leak tests of any layer. The platform's
// own counter (GetGuiResources) answers 0 on some systems; there the handle values are
// scanned: every value that names a live object is counted. Take the baseline after one
// warm-up pass, as the first paint creates caches that live for the process.
#pragma once

#include <windows.h>

inline int CountGdiObjects()
{
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(n);
    int count = 0;
    for (UINT_PTR value = 1; value <= 0xFFFF; ++value) {
        HGDIOBJ h = reinterpret_cast<HGDIOBJ>(value);
        if (GetObjectType(h) != 0)
            ++count;
    }
    return count;
}
