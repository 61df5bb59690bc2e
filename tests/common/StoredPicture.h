// Bitmap files made in memory, and their text as a stored description writes binary data.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

// A 24-bit bitmap file of w x h pixels, rows stored bottom-up as the format has them;
// colour(x, y) gives each pixel (y counted from the top).
inline std::string BitmapFile(int w, int h, const std::function<COLORREF(int x, int y)>& colour)
{
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * h);
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::string out(file.bfSize, '\0');
    std::memcpy(out.data(), &file, sizeof(file));
    std::memcpy(out.data() + sizeof(file), &info, sizeof(info));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = colour(x, y);
            char* p = out.data() + file.bfOffBits + (h - 1 - y) * stride + x * 3;
            p[0] = static_cast<char>(GetBValue(c));
            p[1] = static_cast<char>(GetGValue(c));
            p[2] = static_cast<char>(GetRValue(c));
        }
    return out;
}

// "{ ... }" with two hexadecimal digits per byte, 32 bytes to a line.
inline std::wstring StoredBinary(const std::string& bytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring out = L"{";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 32 == 0)
            out += L"\n      ";
        auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out + L"}";
}
