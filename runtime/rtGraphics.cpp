#include "rtGraphics.h"

#include "rtExceptions.h"
#include "rtTypInfo.h"

#include <cstring>
#include <cwchar>
#include <iterator>

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGraphicsObject::HandleChanging()
{
    if (OnHandleChange)
        OnHandleChange(this);
}

namespace {
int g_logPixelsOverride = 0;
}

void OverrideScreenLogPixelsY(int ppi)
{
    g_logPixelsOverride = ppi > 0 ? ppi : 0;
}

int ScreenLogPixelsY()
{
    if (g_logPixelsOverride > 0)
        return g_logPixelsOverride;
    static const int ppi = [] {
        WindowDC screen(nullptr);
        int v = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

// ---- TFont ----

TFont::TFont()
{
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(m_lf), &m_lf) == 0) {
        m_lf.lfHeight = -11;
        m_lf.lfWeight = FW_NORMAL;
        m_lf.lfCharSet = DEFAULT_CHARSET;
    }
}

void TFont::Assign(const TPersistent* source)
{
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        if (f == this)
            return;
        bool same = std::memcmp(&m_lf, &f->m_lf, sizeof(m_lf)) == 0;
        m_color = f->m_color;
        if (!same)
            Modify(f->m_lf);
        else
            Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TFont::Modify(const LOGFONTW& lf)
{
    m_lf = lf;
    HandleChanging();
    m_handle.reset();
    Changed();
}

void TFont::SetName(const std::wstring& name)
{
    LOGFONTW lf = m_lf;
    wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    if (std::wcscmp(lf.lfFaceName, m_lf.lfFaceName) != 0)
        Modify(lf);
}

void TFont::SetHeight(int height)
{
    if (height == m_lf.lfHeight)
        return;
    LOGFONTW lf = m_lf;
    lf.lfHeight = height;
    Modify(lf);
}

int TFont::Size() const
{
    return -MulDiv(m_lf.lfHeight, 72, ScreenLogPixelsY());
}

void TFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, ScreenLogPixelsY(), 72));
}

TFontStyles TFont::Style() const
{
    TFontStyles s = 0;
    if (m_lf.lfWeight >= FW_BOLD)
        s |= fsBold;
    if (m_lf.lfItalic)
        s |= fsItalic;
    if (m_lf.lfUnderline)
        s |= fsUnderline;
    if (m_lf.lfStrikeOut)
        s |= fsStrikeOut;
    return s;
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == Style())
        return;
    LOGFONTW lf = m_lf;
    lf.lfWeight = (style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style & fsStrikeOut) ? 1 : 0;
    Modify(lf);
}

void TFont::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TFont::SetEscapement(int tenths)
{
    if (tenths == m_lf.lfEscapement && tenths == m_lf.lfOrientation)
        return;
    LOGFONTW lf = m_lf;
    lf.lfEscapement = tenths;
    lf.lfOrientation = tenths;
    Modify(lf);
}

void TFont::SetOutPrecision(BYTE precision)
{
    if (precision == m_lf.lfOutPrecision)
        return;
    LOGFONTW lf = m_lf;
    lf.lfOutPrecision = precision;
    Modify(lf);
}

void TFont::SetCharset(BYTE charset)
{
    if (charset == m_lf.lfCharSet)
        return;
    LOGFONTW lf = m_lf;
    lf.lfCharSet = charset;
    Modify(lf);
}

void TFont::SetLogFont(const LOGFONTW& lf)
{
    if (std::memcmp(&lf, &m_lf, sizeof(lf)) != 0)
        Modify(lf);
}

void TFont::SetHandle(HFONT font)
{
    LOGFONTW lf{};
    if (font && GetObjectW(font, sizeof(lf), &lf) != 0)
        SetLogFont(lf);
}

HFONT TFont::Handle()
{
    if (!m_handle)
        m_handle.reset(CreateFontIndirectW(&m_lf));
    return m_handle.get();
}

bool TFont::SameAs(const TFont& other) const
{
    return m_color == other.m_color && std::memcmp(&m_lf, &other.m_lf, sizeof(m_lf)) == 0;
}

// ---- TBrush ----

void TBrush::Assign(const TPersistent* source)
{
    if (auto* b = dynamic_cast<const TBrush*>(source)) {
        if (b != this && (b->m_color != m_color || b->m_style != m_style)) {
            m_color = b->m_color;
            m_style = b->m_style;
            Recreate();
        }
        return;
    }
    TGraphicsObject::Assign(source);
}

void TBrush::Recreate()
{
    HandleChanging();
    m_handle.reset();
    Changed();
}

void TBrush::SetColor(TColor color)
{
    if (color == m_color && m_style == TBrushStyle::bsSolid)
        return;
    m_color = color;
    m_style = TBrushStyle::bsSolid;
    Recreate();
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    Recreate();
}

void TBrush::SetHandle(HBRUSH brush)
{
    LOGBRUSH lb{};
    if (!brush || GetObjectW(brush, sizeof(lb), &lb) == 0)
        return;
    TColor color = lb.lbColor & 0xFFFFFF;
    TBrushStyle style = lb.lbStyle == BS_NULL ? TBrushStyle::bsClear : TBrushStyle::bsSolid;
    if (color != m_color || style != m_style) {
        m_color = color;
        m_style = style;
        Recreate();
    }
}

HBRUSH TBrush::Handle()
{
    if (!m_handle) {
        LOGBRUSH lb{};
        lb.lbStyle = m_style == TBrushStyle::bsClear ? BS_NULL : BS_SOLID;
        lb.lbColor = ColorToRGB(m_color);
        m_handle.reset(CreateBrushIndirect(&lb));
    }
    return m_handle.get();
}

// ---- TPen ----

namespace {
constexpr int kPenStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
} // namespace

void TPen::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TPen*>(source)) {
        if (p == this)
            return;
        m_mode = p->m_mode;
        if (p->m_color != m_color || p->m_width != m_width || p->m_style != m_style) {
            m_color = p->m_color;
            m_width = p->m_width;
            m_style = p->m_style;
            Recreate();
        } else {
            Changed();
        }
        return;
    }
    TGraphicsObject::Assign(source);
}

void TPen::Recreate()
{
    HandleChanging();
    m_handle.reset();
    Changed();
}

void TPen::SetColor(TColor color)
{
    if (color != m_color) {
        m_color = color;
        Recreate();
    }
}

void TPen::SetWidth(int width)
{
    if (width != m_width) {
        m_width = width;
        Recreate();
    }
}

void TPen::SetStyle(TPenStyle style)
{
    if (style != m_style) {
        m_style = style;
        Recreate();
    }
}

void TPen::SetMode(TPenMode mode)
{
    if (mode != m_mode) {
        m_mode = mode;
        Changed();
    }
}

int TPen::Rop2() const noexcept
{
    static constexpr int rops[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                   R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                   R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                   R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    return rops[static_cast<int>(m_mode)];
}

TPenMode TPen::ModeFromRop2(int rop2) noexcept
{
    for (int m = 0; m <= static_cast<int>(TPenMode::pmNotXor); ++m) {
        TPen probe;
        probe.m_mode = static_cast<TPenMode>(m);
        if (probe.Rop2() == rop2)
            return probe.m_mode;
    }
    return TPenMode::pmCopy;
}

void TPen::SetHandle(HPEN pen)
{
    LOGPEN lp{};
    if (!pen || GetObjectW(pen, sizeof(lp), &lp) == 0)
        return;
    TPenStyle style = TPenStyle::psSolid;
    for (int i = 0; i < static_cast<int>(std::size(kPenStyles)); ++i)
        if (kPenStyles[i] == static_cast<int>(lp.lopnStyle & PS_STYLE_MASK))
            style = static_cast<TPenStyle>(i);
    TColor color = lp.lopnColor & 0xFFFFFF;
    int width = lp.lopnWidth.x > 0 ? lp.lopnWidth.x : 1;
    if (color != m_color || style != m_style || width != m_width) {
        m_color = color;
        m_style = style;
        m_width = width;
        Recreate();
    }
}

HPEN TPen::Handle()
{
    if (!m_handle)
        m_handle.reset(CreatePen(kPenStyles[static_cast<int>(m_style)], m_width, ColorToRGB(m_color)));
    return m_handle.get();
}

// ---- TCanvas ----

TCanvas::TCanvas()
{
    m_font.OnHandleChange = [this](TGraphicsObject*) { Deselect(csFontValid); };
    m_brush.OnHandleChange = [this](TGraphicsObject*) { Deselect(csBrushValid); };
    m_pen.OnHandleChange = [this](TGraphicsObject*) { Deselect(csPenValid); };
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
    m_font.OnHandleChange = nullptr;
    m_brush.OnHandleChange = nullptr;
    m_pen.OnHandleChange = nullptr;
}

HDC TCanvas::Handle()
{
    if (!m_dc)
        CreateHandle();
    return m_dc;
}

void TCanvas::SetHandle(HDC dc)
{
    if (dc == m_dc)
        return;
    Deselect(csFontValid | csBrushValid | csPenValid);
    m_dc = dc;
}

void TCanvas::Refresh()
{
    // The context was changed behind our back (RestoreDC): what we selected is gone.
    m_selected = 0;
    m_oldFont = m_oldBrush = m_oldPen = nullptr;
}

void TCanvas::Deselect(unsigned what)
{
    if (!m_dc) {
        m_selected &= ~what;
        return;
    }
    if ((what & csFontValid) && (m_selected & csFontValid)) {
        SelectObject(m_dc, m_oldFont);
        m_oldFont = nullptr;
    }
    if ((what & csBrushValid) && (m_selected & csBrushValid)) {
        SelectObject(m_dc, m_oldBrush);
        m_oldBrush = nullptr;
    }
    if ((what & csPenValid) && (m_selected & csPenValid)) {
        SelectObject(m_dc, m_oldPen);
        m_oldPen = nullptr;
    }
    m_selected &= ~what;
}

void TCanvas::RequiredState(unsigned what)
{
    HDC dc = Handle();
    if (!dc)
        return;
    if (what & csFontValid) {
        if (!(m_selected & csFontValid)) {
            m_oldFont = SelectObject(dc, m_font.Handle());
            m_selected |= csFontValid;
        }
        SetTextColor(dc, ColorToRGB(m_font.Color()));
    }
    if (what & csBrushValid) {
        if (!(m_selected & csBrushValid)) {
            m_oldBrush = SelectObject(dc, m_brush.Handle());
            m_selected |= csBrushValid;
        }
        if (m_brush.Style() == TBrushStyle::bsClear) {
            SetBkMode(dc, TRANSPARENT);
        } else {
            SetBkColor(dc, ColorToRGB(m_brush.Color()));
            SetBkMode(dc, OPAQUE);
        }
    }
    if (what & csPenValid) {
        if (!(m_selected & csPenValid)) {
            m_oldPen = SelectObject(dc, m_pen.Handle());
            m_selected |= csPenValid;
        }
        SetROP2(dc, m_pen.Rop2());
    }
}

void TCanvas::FillRect(const RECT& r)
{
    RequiredState(csBrushValid);
    if (m_dc)
        ::FillRect(m_dc, &r, m_brush.Handle());
}

void TCanvas::FrameRect(const RECT& r)
{
    RequiredState(csBrushValid);
    if (m_dc)
        ::FrameRect(m_dc, &r, m_brush.Handle());
}

void TCanvas::MoveTo(int x, int y)
{
    if (Handle())
        MoveToEx(m_dc, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    RequiredState(csPenValid | csBrushValid);
    if (m_dc)
        ::LineTo(m_dc, x, y);
}

void TCanvas::Polygon(const POINT* points, int count)
{
    RequiredState(csPenValid | csBrushValid);
    if (m_dc && count > 0)
        ::Polygon(m_dc, points, count);
}

void TCanvas::Polyline(const POINT* points, int count)
{
    RequiredState(csPenValid | csBrushValid);
    if (m_dc && count > 0)
        ::Polyline(m_dc, points, count);
}

void TCanvas::TextOut(int x, int y, const std::wstring& text)
{
    RequiredState(csFontValid | csBrushValid);
    if (m_dc)
        ExtTextOutW(m_dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::wstring& text)
{
    SIZE size{};
    RequiredState(csFontValid);
    if (m_dc && !GetTextExtentPoint32W(m_dc, text.c_str(), static_cast<int>(text.size()), &size))
        size = SIZE{};
    return size;
}

COLORREF TCanvas::Pixel(int x, int y)
{
    return Handle() ? GetPixel(m_dc, x, y) : CLR_INVALID;
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (Handle())
        ::SetPixelV(m_dc, x, y, ColorToRGB(color));
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect)
{
    RequiredState(csBrushValid);
    HDC src = source.Handle();
    if (!m_dc || !src)
        return;
    StretchBlt(m_dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, src,
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, m_copyMode);
}

UniqueBitmap ValueToBitmap(const TValue& value)
{
    if (value.kind != TValue::Kind::Binary)
        throw EReadError(L"Invalid property value " + value.ToText() + L": a picture is expected");
    auto bad = [](const wchar_t* why) { return EReadError(std::wstring(L"Invalid picture data: ") + why); };
    const std::string& data = value.bytes;
    const size_t size = data.size();
    if (size == 0)
        return UniqueBitmap();
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    if (size < sizeof(file) + sizeof(info))
        throw bad(L"too short");
    std::memcpy(&file, data.data(), sizeof(file));
    std::memcpy(&info, data.data() + sizeof(file), sizeof(info));
    if (file.bfType != 0x4D42)
        throw bad(L"not a bitmap file");
    // Every size is checked against the data before anything is read through it.
    const bool knownDepth = info.biBitCount == 1 || info.biBitCount == 4 || info.biBitCount == 8 ||
                            info.biBitCount == 24 || info.biBitCount == 32;
    if (info.biSize < sizeof(info) || info.biSize > size - sizeof(file) || info.biPlanes != 1 ||
        !knownDepth || info.biCompression != BI_RGB || info.biWidth <= 0 || info.biHeight == 0 ||
        info.biWidth > 32768 || info.biHeight > 32768 || info.biHeight < -32768)
        throw bad(L"unsupported header");
    const size_t paletteMax = info.biBitCount <= 8 ? size_t{1} << info.biBitCount : 0;
    const size_t palette = info.biClrUsed ? info.biClrUsed : paletteMax;
    if (palette > paletteMax && info.biBitCount <= 8)
        throw bad(L"palette too large");
    const size_t headerEnd =
        sizeof(file) + info.biSize + (info.biBitCount <= 8 ? palette : 0) * sizeof(RGBQUAD);
    const unsigned long long stride =
        ((static_cast<unsigned long long>(info.biWidth) * info.biBitCount + 31) / 32) * 4;
    const size_t rows = static_cast<size_t>(info.biHeight < 0 ? -info.biHeight : info.biHeight);
    if (headerEnd > size || file.bfOffBits < headerEnd || file.bfOffBits > size ||
        stride * rows > size - file.bfOffBits)
        throw bad(L"truncated");
    // The header and palette as the platform reads them: a plain info header, then the colours.
    std::string header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), '\0');
    const size_t storedHeaderSize = info.biSize;
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biSizeImage = 0;
    std::memcpy(header.data(), &info, sizeof(info));
    if (info.biBitCount <= 8)
        std::memcpy(header.data() + sizeof(info), data.data() + sizeof(file) + storedHeaderSize,
                    palette * sizeof(RGBQUAD));
    auto* bmi = reinterpret_cast<BITMAPINFO*>(header.data());
    HDC screen = GetDC(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, info.biWidth, static_cast<int>(rows)));
    int copied = bitmap ? SetDIBits(screen, bitmap.get(), 0, static_cast<UINT>(rows),
                                    data.data() + file.bfOffBits, bmi, DIB_RGB_COLORS)
                        : 0;
    ReleaseDC(nullptr, screen);
    if (copied != static_cast<int>(rows))
        throw bad(L"not readable");
    return bitmap;
}

TValue BitmapToValue(HDC source, int width, int height)
{
    TValue value;
    value.kind = TValue::Kind::Binary;
    if (!source || width <= 0 || height <= 0)
        return value;
    // Rows bottom up, as bitmap files usually keep them; 32 bits, so rows need no padding and
    // no colour is lost whatever the depth of the source.
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap copy(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDC dc(CreateCompatibleDC(source));
    if (!copy || !bits || !dc)
        throw Exception(L"Out of system resources: a picture could not be copied");
    {
        SelectGuard sel(dc.get(), copy.get());
        BitBlt(dc.get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    }
    GdiFlush();
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels);
    value.bytes.reserve(file.bfSize);
    value.bytes.append(reinterpret_cast<const char*>(&file), sizeof(file));
    value.bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    value.bytes.append(static_cast<const char*>(bits), pixels);
    return value;
}

// ---- DrawingStateGuard ----

DrawingStateGuard::DrawingStateGuard(HDC dc) noexcept
    : m_dc(dc), m_text(GetTextColor(dc)), m_back(GetBkColor(dc)), m_bkMode(GetBkMode(dc)),
      m_rop2(GetROP2(dc)), m_align(GetTextAlign(dc)), m_font(GetCurrentObject(dc, OBJ_FONT)),
      m_brush(GetCurrentObject(dc, OBJ_BRUSH)), m_pen(GetCurrentObject(dc, OBJ_PEN)),
      m_clip(CreateRectRgn(0, 0, 0, 0))
{
    GetWindowOrgEx(dc, &m_windowOrg);
    GetViewportOrgEx(dc, &m_viewportOrg);
    GetBrushOrgEx(dc, &m_brushOrg);
    m_hadClip = m_clip && GetClipRgn(dc, m_clip) == 1;
}

DrawingStateGuard::~DrawingStateGuard()
{
    SetTextColor(m_dc, m_text);
    SetBkColor(m_dc, m_back);
    SetBkMode(m_dc, m_bkMode);
    SetROP2(m_dc, m_rop2);
    SetTextAlign(m_dc, m_align);
    SetWindowOrgEx(m_dc, m_windowOrg.x, m_windowOrg.y, nullptr);
    SetViewportOrgEx(m_dc, m_viewportOrg.x, m_viewportOrg.y, nullptr);
    SetBrushOrgEx(m_dc, m_brushOrg.x, m_brushOrg.y, nullptr);
    SelectClipRgn(m_dc, m_hadClip ? m_clip : nullptr);
    if (m_clip)
        DeleteObject(m_clip);
    // Only what changed is selected again: a font selection is the costly part.
    if (GetCurrentObject(m_dc, OBJ_FONT) != m_font)
        SelectObject(m_dc, m_font);
    if (GetCurrentObject(m_dc, OBJ_BRUSH) != m_brush)
        SelectObject(m_dc, m_brush);
    if (GetCurrentObject(m_dc, OBJ_PEN) != m_pen)
        SelectObject(m_dc, m_pen);
}
