// Fonts as settings objects: a control owns its TFont and copies into it on assignment.
#pragma once

#include "rtClasses.h"
#include "rtHandles.h"
#include "rtTypes.h"

#include <string>

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TPersistent {
public:
    TFont();
    const wchar_t* ClassName() const override { return L"TFont"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    const std::wstring& Name() const noexcept { return m_name; }
    void SetName(const std::wstring& value);
    // Negative: character height without internal leading; positive: cell height.
    int Height() const noexcept { return m_height; }
    void SetHeight(int value);
    // Size in points at the screen's dots per inch.
    int Size() const;
    void SetSize(int points);
    int Charset() const noexcept { return m_charset; }
    void SetCharset(int value);
    TColor Color() const noexcept { return m_color; }
    void SetColor(TColor value);
    TFontStyles Style() const noexcept { return m_style; }
    void SetStyle(TFontStyles value);

    bool IsEqual(const TFont& other) const;
    // The font object for drawing; created on first use, recreated after a change.
    HFONT Handle() const;

    TNotifyEvent OnChange;

private:
    void Changed();

    std::wstring m_name = L"MS Sans Serif";
    int m_height = -11;
    int m_charset = DEFAULT_CHARSET;
    TColor m_color = clWindowText;
    TFontStyles m_style = 0;
    mutable UniqueFont m_handle;
};

// Dots per inch of the screen (read once).
int ScreenPixelsPerInch();
// Height of the digit zero in the given font, as forms measure their text height.
int MeasureTextHeight(HFONT font);
