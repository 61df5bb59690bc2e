// The window library's drawing objects: a font, a brush and a pen described by their
// settings (handles are made on demand and owned), and a canvas that draws on a device
// context with them. Every layer paints through these.
#pragma once

#include "rtClasses.h"
#include "rtHandles.h"
#include "rtTypes.h"

#include <functional>
#include <string>

struct TValue;

// A picture stored in a description: the bytes of a bitmap file, as a binary value; empty data
// is no picture (a null bitmap). Raises EReadError for any other value and for data that is
// not a whole, uncompressed bitmap file.
UniqueBitmap ValueToBitmap(const TValue& value);
// The description's value of a picture: the width x height pixels at the origin of source as
// the bytes of a 32-bit bitmap file, which ValueToBitmap reads back; empty data when there is
// no picture (no context or an empty size).
TValue BitmapToValue(HDC source, int width, int height);

class TGraphicsObject : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TGraphicsObject"; }
    // Called after any setting changed.
    std::function<void(TGraphicsObject*)> OnChange;
    // Called before the handle is given up for a new one, so that a canvas can take the
    // old handle out of its device context first (a font's colour keeps the handle).
    std::function<void(TGraphicsObject*)> OnHandleChange;

protected:
    void Changed();
    void HandleChanging();
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// The pixels per inch of the screen, read once.
int ScreenLogPixelsY();
// Makes ScreenLogPixelsY answer ppi instead of the screen's value (0 restores the screen's):
// lets a test load forms as on a screen of another resolution.
void OverrideScreenLogPixelsY(int ppi);

class TFont : public TGraphicsObject {
public:
    TFont();
    const wchar_t* ClassName() const override { return L"TFont"; }
    void Assign(const TPersistent* source) override;

    std::wstring Name() const { return m_lf.lfFaceName; }
    void SetName(const std::wstring& name);
    int Height() const noexcept { return m_lf.lfHeight; }
    void SetHeight(int height);
    // Point size at the screen's resolution.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const;
    void SetStyle(TFontStyles style);
    TColor Color() const noexcept { return m_color; }
    void SetColor(TColor color);
    // Escapement and orientation in tenths of a degree.
    int Escapement() const noexcept { return m_lf.lfEscapement; }
    void SetEscapement(int tenths);
    BYTE OutPrecision() const noexcept { return m_lf.lfOutPrecision; }
    void SetOutPrecision(BYTE precision);
    BYTE Charset() const noexcept { return m_lf.lfCharSet; }
    void SetCharset(BYTE charset);

    const LOGFONTW& LogFont() const noexcept { return m_lf; }
    void SetLogFont(const LOGFONTW& lf);
    // Takes over the description of a font handle owned by someone else.
    void SetHandle(HFONT font);
    HFONT Handle();
    bool SameAs(const TFont& other) const;

private:
    void Modify(const LOGFONTW& lf);
    LOGFONTW m_lf{};
    TColor m_color = clWindowText;
    UniqueFont m_handle;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
public:
    const wchar_t* ClassName() const override { return L"TBrush"; }
    void Assign(const TPersistent* source) override;
    TColor Color() const noexcept { return m_color; }
    void SetColor(TColor color);
    TBrushStyle Style() const noexcept { return m_style; }
    void SetStyle(TBrushStyle style);
    // Takes over the colour and style of a brush handle owned by someone else.
    void SetHandle(HBRUSH brush);
    HBRUSH Handle();

private:
    void Recreate();
    TColor m_color = clWhite;
    TBrushStyle m_style = TBrushStyle::bsSolid;
    UniqueBrush m_handle;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
public:
    const wchar_t* ClassName() const override { return L"TPen"; }
    void Assign(const TPersistent* source) override;
    TColor Color() const noexcept { return m_color; }
    void SetColor(TColor color);
    int Width() const noexcept { return m_width; }
    void SetWidth(int width);
    TPenStyle Style() const noexcept { return m_style; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const noexcept { return m_mode; }
    void SetMode(TPenMode mode);
    // The raster operation of the mode, and the mode of a raster operation.
    int Rop2() const noexcept;
    static TPenMode ModeFromRop2(int rop2) noexcept;
    void SetHandle(HPEN pen);
    HPEN Handle();

private:
    void Recreate();
    TColor m_color = clBlack;
    int m_width = 1;
    TPenStyle m_style = TPenStyle::psSolid;
    TPenMode m_mode = TPenMode::pmCopy;
    UniquePen m_handle;
};

// Draws on a device context it does not own. The font, brush and pen are selected when
// an operation needs them and taken out again when the context is given up, so the
// context is handed back as it came.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    const wchar_t* ClassName() const override { return L"TCanvas"; }

    HDC Handle();
    void SetHandle(HDC dc);
    bool HandleAllocated() const noexcept { return m_dc != nullptr; }
    TFont& Font() noexcept { return m_font; }
    TBrush& Brush() noexcept { return m_brush; }
    TPen& Pen() noexcept { return m_pen; }
    DWORD CopyMode() const noexcept { return m_copyMode; }
    void SetCopyMode(DWORD rop) noexcept { m_copyMode = rop; }
    void Lock() noexcept { ++m_lockCount; }
    void Unlock() noexcept
    {
        if (m_lockCount > 0)
            --m_lockCount;
    }
    int LockCount() const noexcept { return m_lockCount; }
    // Forgets what is selected: code outside the canvas changed the context (RestoreDC).
    void Refresh();

    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polygon(const POINT* points, int count);
    void Polyline(const POINT* points, int count);
    void TextOut(int x, int y, const std::wstring& text);
    SIZE TextExtent(const std::wstring& text);
    COLORREF Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);

    // Selects what an operation needs (font with its colour, brush with the background
    // mode, pen with its mode) before the caller draws on Handle() directly.
    enum : unsigned { csFontValid = 1, csBrushValid = 2, csPenValid = 4, csAllValid = 7 };
    void RequiredState(unsigned what);
    // Takes the font, brush and pen out of the context again.
    void ReleaseObjects() { Deselect(csAllValid); }

protected:
    // Lets a canvas that owns its context (screen, bitmap) make one when asked.
    virtual void CreateHandle() {}

private:
    void Deselect(unsigned what);

    HDC m_dc = nullptr;
    TFont m_font;
    TBrush m_brush;
    TPen m_pen;
    DWORD m_copyMode = SRCCOPY;
    int m_lockCount = 0;
    unsigned m_selected = 0;
    HGDIOBJ m_oldFont = nullptr;
    HGDIOBJ m_oldBrush = nullptr;
    HGDIOBJ m_oldPen = nullptr;
};
