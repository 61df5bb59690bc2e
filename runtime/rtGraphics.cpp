#include "rtGraphics.h"

#include "rtTypInfo.h"

TFont::TFont() = default;

const TClassInfo* TFont::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TFont", nullptr);
        ci.AddString<TFont>(L"Name", &TFont::SetName, &TFont::Name);
        ci.AddInt<TFont>(L"Height", &TFont::SetHeight, &TFont::Height);
        ci.AddInt<TFont>(L"Size", &TFont::SetSize, &TFont::Size);
        ci.AddInt<TFont>(L"Charset", &TFont::SetCharset, &TFont::Charset);
        ci.AddColor<TFont>(L"Color", &TFont::SetColor, &TFont::Color);
        ci.AddSet<TFont>(L"Style",
                         {{L"fsBold", fsBold},
                          {L"fsItalic", fsItalic},
                          {L"fsUnderline", fsUnderline},
                          {L"fsStrikeOut", fsStrikeOut}},
                         &TFont::SetStyle, &TFont::Style);
        return ci;
    }();
    return &info;
}

void TFont::Assign(const TPersistent* source)
{
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        if (IsEqual(*f))
            return;
        m_name = f->m_name;
        m_height = f->m_height;
        m_charset = f->m_charset;
        m_color = f->m_color;
        m_style = f->m_style;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

bool TFont::IsEqual(const TFont& f) const
{
    return m_name == f.m_name && m_height == f.m_height && m_charset == f.m_charset &&
           m_color == f.m_color && m_style == f.m_style;
}

void TFont::SetName(const std::wstring& value)
{
    if (value.empty() || value == m_name)
        return;
    m_name = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (value == m_height)
        return;
    m_height = value;
    Changed();
}

int TFont::Size() const { return -MulDiv(m_height, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetCharset(int value)
{
    if (value == m_charset)
        return;
    m_charset = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (value == m_style)
        return;
    m_style = value;
    Changed();
}

void TFont::Changed()
{
    m_handle.reset();
    if (OnChange)
        OnChange(this);
}

HFONT TFont::Handle() const
{
    if (!m_handle) {
        LOGFONTW lf{};
        lf.lfHeight = m_height;
        lf.lfWeight = (m_style & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (m_style & fsItalic) ? 1 : 0;
        lf.lfUnderline = (m_style & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (m_style & fsStrikeOut) ? 1 : 0;
        // The stored charset names the 8-bit code page the texts were written in; with wide
        // text throughout, asking for the default charset lets the font mapper pick glyphs
        // for every character the text holds.
        lf.lfCharSet = static_cast<BYTE>(m_charset == ANSI_CHARSET ? DEFAULT_CHARSET : m_charset);
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynW(lf.lfFaceName, m_name.c_str(), LF_FACESIZE);
        m_handle.reset(CreateFontIndirectW(&lf));
    }
    return m_handle.get();
}

int ScreenPixelsPerInch()
{
    static const int dpi = [] {
        WindowDC dc(nullptr);
        return GetDeviceCaps(dc.get(), LOGPIXELSY);
    }();
    return dpi;
}

int MeasureTextHeight(HFONT font)
{
    WindowDC dc(nullptr);
    SelectGuard sel(dc.get(), font);
    SIZE sz{};
    GetTextExtentPoint32W(dc.get(), L"0", 1, &sz);
    return sz.cy;
}
