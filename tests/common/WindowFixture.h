// A form on the screen for window tests, an application whose message boxes are recorded,
// and pixels painted into a 32-bit memory bitmap.
#pragma once

#include "runtime/rtApplication.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class WindowFixture : public testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<TApplication>();
        app->SetMessageBoxFunction([this](HWND, const std::wstring& t, const std::wstring&, UINT) {
            boxes.push_back(t);
            return IDOK;
        });
        form = new TForm(app.get());
        form->SetBounds(100, 100, 500, 300);
        form->Font()->SetName(L"Arial");
        form->Font()->SetHeight(-13);
        form->Show();
        app->ProcessMessages();
    }
    void TearDown() override { app.reset(); }

    template <typename T> T* Make(int left, int top, int width, int height)
    {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetBounds(left, top, width, height);
        app->ProcessMessages();
        return c;
    }

    // Pumps messages until cond holds or two seconds pass; what the last pump queued is
    // handled before the answer.
    template <typename Cond> bool WaitFor(Cond cond)
    {
        DWORD start = GetTickCount();
        while (!cond() && GetTickCount() - start < 2000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            app->ProcessMessages();
        }
        app->ProcessMessages();
        return cond();
    }

    std::unique_ptr<TApplication> app;
    TForm* form = nullptr;
    std::vector<std::wstring> boxes;
};

// A 32-bit top-down bitmap filled with a sentinel colour, for reading painted pixels.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF sentinel = RGB(1, 2, 3)) : m_width(width), m_height(height)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i)
            m_bits[i] = (GetRValue(sentinel) << 16) | (GetGValue(sentinel) << 8) | GetBValue(sentinel);
    }
    ~PixelCanvas()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD v = m_bits[y * m_width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

    // Writes the pixels as a 24-bit BMP file.
    bool SaveBmp(const wchar_t* path) const
    {
        GdiFlush();
        int stride = (m_width * 3 + 3) & ~3;
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof(ih);
        ih.biWidth = m_width;
        ih.biHeight = -m_height;
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof(fh) + sizeof(ih);
        fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * m_height);
        std::vector<BYTE> row(static_cast<size_t>(stride));
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        bool ok = WriteFile(file, &fh, sizeof(fh), &written, nullptr) &&
                  WriteFile(file, &ih, sizeof(ih), &written, nullptr);
        for (int y = 0; ok && y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                DWORD v = m_bits[y * m_width + x];
                row[static_cast<size_t>(x * 3)] = static_cast<BYTE>(v & 0xFF);
                row[static_cast<size_t>(x * 3 + 1)] = static_cast<BYTE>((v >> 8) & 0xFF);
                row[static_cast<size_t>(x * 3 + 2)] = static_cast<BYTE>((v >> 16) & 0xFF);
            }
            ok = WriteFile(file, row.data(), static_cast<DWORD>(stride), &written, nullptr);
        }
        CloseHandle(file);
        return ok;
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits = nullptr;
};
