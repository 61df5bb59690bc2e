// Copies of pictures that controls keep for themselves.
#pragma once

#include "lookandfeel/cxGraphics.h"
#include "runtime/rtGraphics.h"
#include "runtime/rtTypInfo.h"

#include <memory>
#include <vector>

// Reads a bitmap's rows as device-independent bits (the platform's GetDIBits by default).
using TDibReader = int (*)(HDC, HBITMAP, UINT, UINT, LPVOID, LPBITMAPINFO, UINT);

// A 32-bit copy of bitmap, or nothing for no bitmap, an empty one, or one whose bits cannot be
// read (a blank copy would pass for the picture). The copy goes through device-independent
// bits: the caller's bitmap may still be selected into a device context of its own, where no
// second context can select it.
inline std::unique_ptr<TcxBitmap> CopyBitmap(HBITMAP bitmap, TDibReader readBits = &GetDIBits)
{
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    auto copy = std::make_unique<TcxBitmap>(info.bmWidth, info.bmHeight, 32);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> bits(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows =
        readBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), bits.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight)
        return nullptr;
    SetDIBitsToDevice(copy->DC(), 0, 0, static_cast<DWORD>(info.bmWidth), static_cast<DWORD>(info.bmHeight),
                      0, 0, 0, static_cast<UINT>(info.bmHeight), bits.data(), &bi, DIB_RGB_COLORS);
    return copy;
}

// A picture property of stored descriptions: the bytes of a bitmap file, handed to the setter
// (which keeps a copy of its own), and read back from the copy the getter answers.
template <typename T>
void AddPictureProperty(TClassInfo& ci, const wchar_t* name, void (T::*set)(HBITMAP),
                        const TcxBitmap* (T::*get)() const)
{
    ci.Add({name,
            [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                UniqueBitmap picture = ValueToBitmap(v);
                (static_cast<T&>(o).*set)(picture.get());
            },
            [get](const TPersistent& o) { return PictureValue((static_cast<const T&>(o).*get)()); },
            {},
            {}});
}
