// Shared pieces of the look-and-feel tests: a 32-bit surface to paint on and read back,
// a theme service whose answers the test chooses, and scoped replacements of the system
// colours, the platform version and the gradient routine.
#pragma once

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace laftest {

constexpr COLORREF kSentinel = RGB(0x12, 0x34, 0x56);

inline COLORREF Sys(int index)
{
    return SysColor(index);
}
inline COLORREF Rgb(TColor c)
{
    return ColorToRGB(c);
}

inline std::string ColorText(COLORREF c)
{
    char buf[32];
    snprintf(buf, sizeof buf, "RGB(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

// Glyph edges in one colour, so ink can be told apart by exact colour.
inline void UseCrispFont(TFont& font)
{
    LOGFONTW lf = font.LogFont();
    lf.lfQuality = NONANTIALIASED_QUALITY;
    font.SetLogFont(lf);
}

// A top-down 32-bit DIB section filled with the sentinel colour, with a canvas on it.
class Surface {
public:
    Surface(int width, int height) : m_width(width), m_height(height)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap =
            CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        Fill(kSentinel);
        m_canvas.SetHandle(m_dc);
    }
    ~Surface()
    {
        m_cx.reset();
        m_canvas.SetHandle(nullptr);
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    void Fill(COLORREF c)
    {
        GdiFlush();
        DWORD v = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        for (int i = 0; i < m_width * m_height; ++i)
            m_bits[i] = v;
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return CLR_INVALID;
        DWORD v = m_bits[y * m_width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Number of pixels in r that differ from c.
    int CountNot(const RECT& r, COLORREF c) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) != c ? 1 : 0;
        return n;
    }
    int CountIs(const RECT& r, COLORREF c) const
    {
        return (r.right - r.left) * (r.bottom - r.top) - CountNot(r, c);
    }
    // The smallest rectangle holding every pixel that is not the sentinel.
    RECT InkBounds(COLORREF background = kSentinel) const
    {
        RECT b{m_width, m_height, 0, 0};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != background) {
                    b.left = std::min<LONG>(b.left, x);
                    b.top = std::min<LONG>(b.top, y);
                    b.right = std::max<LONG>(b.right, x + 1);
                    b.bottom = std::max<LONG>(b.bottom, y + 1);
                }
        return b;
    }
    HDC DC() const { return m_dc; }
    TCanvas& Canvas() { return m_canvas; }
    TcxCanvas& Cx()
    {
        if (!m_cx)
            m_cx = std::make_unique<TcxCanvas>(&m_canvas);
        return *m_cx;
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const DWORD* Bits() const { return m_bits; }

private:
    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
    TCanvas m_canvas;
    std::unique_ptr<TcxCanvas> m_cx;
};

// A theme service with chosen answers. Handles are made-up values; drawing fills the
// rectangle with a colour that encodes the part and state, and every call is recorded.
class FakeThemeApi : public TdxThemeApi {
public:
    bool loaded = true;
    bool active = true;
    bool nameQueryFails = false;
    std::wstring fileName = L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles";
    std::wstring colorName = L"NormalColor";
    std::wstring sizeName = L"NormalSize";
    std::set<std::wstring> failingClasses; // class lists that do not open
    std::map<int, COLORREF> colors;        // (part * 100 + state) * 10000 + prop -> colour
    int contentInset = 3;

    struct DrawCall {
        std::wstring classList;
        int part, state;
        RECT r;
    };
    std::vector<DrawCall> draws;
    std::vector<std::wstring> texts;
    int opens = 0, closes = 0, closedHandleUses = 0;

    static COLORREF PartColor(int part, int state) { return RGB(200, 10 * part, 10 * state); }

    bool Loaded() const override { return loaded; }
    bool IsThemeActive() override { return active; }
    bool GetCurrentThemeName(std::wstring& f, std::wstring& c, std::wstring& s) override
    {
        if (nameQueryFails)
            return false;
        f = fileName;
        c = colorName;
        s = sizeName;
        return true;
    }
    HTHEME OpenThemeData(HWND, const wchar_t* classList) override
    {
        ++opens;
        if (failingClasses.count(classList))
            return nullptr;
        HTHEME h = reinterpret_cast<HTHEME>(static_cast<UINT_PTR>(0x5000 + ++m_next));
        m_open[h] = classList;
        return h;
    }
    HRESULT CloseThemeData(HTHEME h) override
    {
        ++closes;
        if (!m_open.erase(h))
            ++closedHandleUses;
        return S_OK;
    }
    bool Check(HTHEME h)
    {
        if (m_open.count(h))
            return true;
        ++closedHandleUses;
        return false;
    }
    HRESULT DrawThemeBackground(HTHEME h, HDC dc, int part, int state, const RECT* r, const RECT*) override
    {
        if (!Check(h))
            return E_HANDLE;
        draws.push_back(DrawCall{m_open[h], part, state, *r});
        HBRUSH b = CreateSolidBrush(PartColor(part, state));
        FillRect(dc, r, b);
        DeleteObject(b);
        return S_OK;
    }
    HRESULT DrawThemeText(HTHEME h, HDC, int, int, const wchar_t* text, int, DWORD, DWORD,
                          const RECT*) override
    {
        if (!Check(h))
            return E_HANDLE;
        texts.push_back(text);
        return S_OK;
    }
    HRESULT GetThemeBackgroundContentRect(HTHEME h, HDC, int, int, const RECT* b, RECT* c) override
    {
        if (!Check(h))
            return E_HANDLE;
        *c = RECT{b->left + contentInset, b->top + contentInset, b->right - contentInset,
                  b->bottom - contentInset};
        return S_OK;
    }
    HRESULT GetThemeColor(HTHEME h, int part, int state, int prop, COLORREF* color) override
    {
        if (!Check(h))
            return E_HANDLE;
        auto it = colors.find((part * 100 + state) * 10000 + prop);
        if (it == colors.end())
            return E_FAIL;
        *color = it->second;
        return S_OK;
    }
    HRESULT DrawThemeParentBackground(HWND, HDC, const RECT*) override { return E_NOTIMPL; }

    int OpenHandles() const { return static_cast<int>(m_open.size()); }

private:
    std::map<HTHEME, std::wstring> m_open;
    int m_next = 0;
};

// Installs a theme service for the scope and recomputes the Office 2003 colours with it.
class ScopedTheme {
public:
    explicit ScopedTheme(TdxThemeApi* api) : m_old(SetThemeApi(api)) { RefreshOffice11ColorSet(); }
    ~ScopedTheme()
    {
        SetThemeApi(m_old);
        RefreshOffice11ColorSet();
    }

private:
    TdxThemeApi* m_old;
};

// System colours for the scope: the listed indexes answer the given values, the rest the
// platform's.
class ScopedSysColors {
public:
    explicit ScopedSysColors(std::map<int, COLORREF> colors)
    {
        Table() = std::move(colors);
        m_old = SetSysColorSource(&Lookup);
        RefreshOffice11ColorSet();
    }
    ~ScopedSysColors()
    {
        SetSysColorSource(m_old);
        Table().clear();
        RefreshOffice11ColorSet();
    }

private:
    static std::map<int, COLORREF>& Table()
    {
        static std::map<int, COLORREF> table;
        return table;
    }
    static COLORREF Lookup(int index)
    {
        auto it = Table().find(index);
        return it != Table().end() ? it->second : GetSysColor(index);
    }
    TSysColorSource m_old;
};

class ScopedPlatformVersion {
public:
    explicit ScopedPlatformVersion(int major) { SetPlatformMajorVersionForTesting(major); }
    ~ScopedPlatformVersion() { SetPlatformMajorVersionForTesting(0); }
};

class ScopedGradient {
public:
    explicit ScopedGradient(TGradientFillProc proc) : m_old(SetGradientFillProc(proc)) {}
    ~ScopedGradient() { SetGradientFillProc(m_old); }

private:
    TGradientFillProc m_old;
};

// Runs the messages waiting for this thread (bounded).
inline void PumpMessages()
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace laftest
