// The canvas every library control paints on: frames with per-border colours, fills that
// understand the special colours, text with the library's flags, nested saves of the
// device-context state, drawing states and clip regions; clip-region arithmetic; bitmaps
// with their own canvas; and painting what lies behind a control.
#pragma once

#include "cxGeometry.h"

#include "runtime/rtGraphics.h"
#include "runtime/rtHandles.h"
#include "runtime/rtTypes.h"

#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TcxBorder { bLeft, bTop, bRight, bBottom };
using TcxBorders = std::uint8_t; // bit 0 left, bit 1 top, bit 2 right, bit 3 bottom
constexpr TcxBorders cxBorder(TcxBorder b)
{
    return static_cast<TcxBorders>(1u << b);
}
constexpr TcxBorders cxBordersAll = 15;

enum TcxRegionCombineMode {
    rgnReplace = RGN_COPY,
    rgnUnion = RGN_OR,
    rgnExclude = RGN_DIFF,
    rgnIntersect = RGN_AND
};

// The library's text flags (a 16-bit set).
using TcxTextFlags = std::uint16_t;
enum : TcxTextFlags {
    tfAlignLeft = 0x1,
    tfAlignRight = 0x2,
    tfAlignCenter = 0x4,
    tfAlignTop = 0x8,
    tfAlignBottom = 0x10,
    tfAlignMiddle = 0x20,
    tfSingleLine = 0x40,
    tfNoClip = 0x80,
    tfExpandTabs = 0x100,
    tfShowPrefix = 0x200,
    tfWordWrap = 0x400,
    tfEndEllipsis = 0x800,
    tfMeasureOnly = 0x1000,
    tfPathEllipsis = 0x2000,
    tfWordBreakOnly = 0x4000,
    tfNoFullWidthBreak = 0x8000
};
// The DrawText flags of a set of text flags (DT_NOPREFIX unless tfShowPrefix).
UINT cxTextFlagsToDrawTextFlags(TcxTextFlags flags);

enum TcxVertTextAlign { vtaNone, vtaTop, vtaMiddle, vtaBottom };

class TcxRegion : public TObject {
public:
    TcxRegion();                     // empty: the rectangle (0, 0, 0, 0)
    explicit TcxRegion(HRGN handle); // takes ownership
    explicit TcxRegion(const RECT& r);
    static std::unique_ptr<TcxRegion> CreateFromHandle(HRGN handle);
    static std::unique_ptr<TcxRegion> CreateFromRect(const RECT& r);
    static std::unique_ptr<TcxRegion> CreateEmpty();
    static std::unique_ptr<TcxRegion> CreateRounded(const RECT& r, int ellipseWidth, int ellipseHeight);
    const wchar_t* ClassName() const override { return L"TcxRegion"; }

    HRGN Handle() const noexcept { return m_handle.get(); }
    bool HasNoArea() const;
    RECT BoundsRect() const;
    // rgnReplace copies other into this region; the other modes combine with it.
    void CombineWith(const TcxRegion& other, TcxRegionCombineMode mode);
    void CombineWith(std::unique_ptr<TcxRegion> other, TcxRegionCombineMode mode)
    {
        CombineWith(*other, mode);
    }
    bool SameAs(const TcxRegion& other) const;
    void MoveBy(int dx, int dy);
    bool ContainsPoint(POINT p) const { return PtInRegion(m_handle.get(), p.x, p.y) != FALSE; }

private:
    UniqueRegion m_handle;
};

class TcxBitmap;

// View parameters of a fill: colour, optional tiled bitmap, font and text colour.
struct TcxViewParams {
    TColor Color = clDefault;
    const TcxBitmap* Bitmap = nullptr;
    TFont* Font = nullptr;
    TColor TextColor = clDefault;
};

class TcxCanvas : public TObject {
public:
    explicit TcxCanvas(TCanvas* canvas);
    ~TcxCanvas() override;
    const wchar_t* ClassName() const override { return L"TcxCanvas"; }

    TCanvas* Canvas() const noexcept { return m_canvas; }
    HDC Handle() const { return m_canvas->Handle(); }
    TBrush& Brush() const { return m_canvas->Brush(); }
    TFont& Font() const { return m_canvas->Font(); }
    TPen& Pen() const { return m_canvas->Pen(); }
    DWORD CopyMode() const { return m_canvas->CopyMode(); }
    void SetCopyMode(DWORD rop) const { m_canvas->SetCopyMode(rop); }

    POINT DeviceOrigin() const;
    POINT WindowOrigin() const;
    void SetWindowOrigin(POINT p) const;
    POINT ViewportOrigin() const;

    void PutPixel(int x, int y, TColor color);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polygon(const std::vector<POINT>& points);
    void Polyline(const std::vector<POINT>& points);
    void CopyRectFrom(const RECT& dest, TCanvas& source, const RECT& sourceRect);
    void DrawGraphic(int x, int y, const TcxBitmap& bitmap);

    void SetBrushColor(TColor color);
    // Angle in degrees; a non-zero angle also asks for outline fonts only.
    void SetFontAngle(int angle);
    // clNone: nothing; clDefault: the current brush; else that colour.
    void FillRectColor(const RECT& r, TColor color = clDefault);
    void FillRectTiled(const RECT& r, const TcxBitmap* bitmap = nullptr, bool excludeRect = false);
    void FrameRectBorders(const RECT& r, TColor color = clDefault, int width = 1,
                          TcxBorders borders = cxBordersAll, bool excludeRect = false);
    void DrawTwoToneFrame(const RECT& r, TColor leftTopColor, TColor rightBottomColor,
                          TcxBorders borders = cxBordersAll, int width = 1);
    void DrawEdgeFrame(const RECT& r, bool sunken, bool outer, TcxBorders borders = cxBordersAll);
    void FillWithFrame(const RECT& r, const TcxViewParams& params, bool excludeRect, int frameWidth,
                       TColor frameColor, TcxBorders borders = cxBordersAll);
    void DrawFocusMark(const RECT& r);
    void DrawImageListItem(HIMAGELIST images, int x, int y, int index, bool enabled = true);

    void WriteText(const std::wstring& text, const RECT& r, TcxTextFlags flags, bool enabled = true);
    SIZE TextSize(const std::wstring& text);
    int TextPixelWidth(const std::wstring& text) { return TextSize(text).cx; }
    int TextPixelHeight(const std::wstring& text) { return TextSize(text).cy; }
    int FontTextHeight(const TFont& font);
    void MeasureTextRect(const std::wstring& text, RECT& r, TcxTextFlags flags);
    void AlignTextBlockVertically(RECT& r, const std::wstring& text, bool endEllipsis, bool wordBreakOnly,
                                  bool enabled, bool showPrefix, bool wordWrap, TcxVertTextAlign mode);

    // Device-context saves (SaveDC/RestoreDC); pops on an empty stack do nothing.
    void PushDC();
    void PopDC();
    int DCStackDepth() const { return static_cast<int>(m_savedDCs.size()); }
    // Font, brush and pen together with a device-context save.
    void PushState();
    void PopState();
    int StateStackDepth() const { return static_cast<int>(m_savedStates.size()); }
    // Makes the canvas font, brush and pen describe what the device context has selected.
    void AdoptDCObjects(HDC dc);

    void PushClipRegion();
    void PopClipRegion();
    int ClipStackDepth() const { return static_cast<int>(m_savedRegions.size()); }
    // The current clip area (the rectangle (0, 0, 30000, 30000) when there is none), in
    // logical coordinates when considerOrigin.
    std::unique_ptr<TcxRegion> ClipRegion(bool considerOrigin = true);
    // Applies a region by mode; the region is freed (ownership taken) or left as it was.
    void ApplyClipRegion(std::unique_ptr<TcxRegion> region, TcxRegionCombineMode mode,
                         bool considerOrigin = true);
    void ApplyClipRegion(TcxRegion& region, TcxRegionCombineMode mode, bool considerOrigin = true);
    void ExcludeFromClip(const RECT& r);
    void IntersectClip(const RECT& r);
    bool RectVisible(const RECT& r) const;

protected:
    void SetCanvas(TCanvas* canvas) noexcept { m_canvas = canvas; }

private:
    struct SavedDC {
        HDC dc;
        int id;
    };
    struct SavedState {
        std::unique_ptr<TFont> font;
        std::unique_ptr<TBrush> brush;
        std::unique_ptr<TPen> pen;
    };
    TCanvas* m_canvas;
    std::vector<SavedDC> m_savedDCs;
    std::vector<std::unique_ptr<TcxRegion>> m_savedRegions;
    std::vector<SavedState> m_savedStates;
};

// Pushes the drawing state and pops it when the scope ends, also on errors.
class TcxCanvasStateGuard {
public:
    explicit TcxCanvasStateGuard(TcxCanvas& canvas) : m_canvas(canvas) { m_canvas.PushState(); }
    ~TcxCanvasStateGuard() { m_canvas.PopState(); }
    TcxCanvasStateGuard(const TcxCanvasStateGuard&) = delete;
    TcxCanvasStateGuard& operator=(const TcxCanvasStateGuard&) = delete;

private:
    TcxCanvas& m_canvas;
};

class TcxDCGuard {
public:
    explicit TcxDCGuard(TcxCanvas& canvas) : m_canvas(canvas) { m_canvas.PushDC(); }
    ~TcxDCGuard() { m_canvas.PopDC(); }
    TcxDCGuard(const TcxDCGuard&) = delete;
    TcxDCGuard& operator=(const TcxDCGuard&) = delete;

private:
    TcxCanvas& m_canvas;
};

// A canvas over a device context of the whole screen (cache DC with the lock-update flag).
class TcxScreenCanvas : public TcxCanvas {
public:
    TcxScreenCanvas();
    ~TcxScreenCanvas() override;
    void ReleaseScreenDC();

private:
    class ScreenCanvas;
    std::unique_ptr<ScreenCanvas> m_screen;
};
TcxScreenCanvas* SharedScreenCanvas();

// A canvas that attaches to device contexts handed to it (nested attach/detach).
class TcxPaintCanvas : public TcxCanvas {
public:
    TcxPaintCanvas();
    ~TcxPaintCanvas() override;
    void AttachDC(HDC dc);
    void DetachDC();
    int AttachCount() const { return static_cast<int>(m_attached.size()); }

private:
    struct Attached {
        HDC previous;
        HDC dc;
        int savedId;
        std::unique_ptr<TFont> font;
        std::unique_ptr<TBrush> brush;
        std::unique_ptr<TPen> pen;
    };
    std::unique_ptr<TCanvas> m_own;
    std::vector<Attached> m_attached;
};
TcxPaintCanvas* SharedPaintCanvas();

// A device-independent bitmap with its own memory device context and canvas.
class TcxBitmap : public TObject {
public:
    TcxBitmap();
    TcxBitmap(int width, int height, int bitsPerPixel = 24);
    explicit TcxBitmap(const RECT& r, int bitsPerPixel = 24);
    ~TcxBitmap() override;
    const wchar_t* ClassName() const override { return L"TcxBitmap"; }

    void SetSize(int width, int height);
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    int BitsPerPixel() const noexcept { return m_bpp; }
    bool Empty() const noexcept { return m_width <= 0 || m_height <= 0; }
    RECT ClientRect() const { return RECT{0, 0, m_width, m_height}; }
    HBITMAP Handle() const noexcept { return m_bitmap.get(); }
    HDC DC() const noexcept { return m_dc.get(); }
    void* Bits() const noexcept { return m_bits; }
    TCanvas& Canvas() noexcept { return *m_canvas; }
    TcxCanvas& cxCanvas() noexcept { return *m_cxCanvas; }

private:
    void Recreate();
    int m_width = 0, m_height = 0, m_bpp = 24;
    UniqueMemoryDC m_dc;
    UniqueBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    void* m_bits = nullptr;
    std::unique_ptr<TCanvas> m_canvas;
    std::unique_ptr<TcxCanvas> m_cxCanvas;
};

// The value a description stores for a kept picture (the bytes of a bitmap file); empty data
// for none.
struct TValue;
TValue PictureValue(const TcxBitmap* picture);

// An off-screen context for one paint, taken from buffers kept from one paint to the next (a
// new bitmap per paint costs more than painting a small control). There is one buffer per
// nesting level, as a control may paint its parent's surface while it paints itself; buffers
// only grow, to the largest area painted at their level. Each bitmap stays selected in its
// context: selecting a screen-compatible bitmap costs a round trip to the window system. The
// context's state is saved on entry and restored on leaving, so nothing a painter leaves
// selected or set carries over to the next paint.
class TcxPaintBuffer {
public:
    // A buffer of at least width x height compatible with target.
    TcxPaintBuffer(HDC target, int width, int height);
    ~TcxPaintBuffer();
    TcxPaintBuffer(const TcxPaintBuffer&) = delete;
    TcxPaintBuffer& operator=(const TcxPaintBuffer&) = delete;
    HDC DC() const noexcept { return m_dc; }
    // Ends the paint (the context's state restored) and copies the buffer's top-left
    // width x height to (x, y) of target.
    void CopyTo(HDC target, int x, int y, int width, int height);

private:
    void Restore() noexcept;
    HDC m_dc = nullptr;
    int m_saved = 0;
};

// ---- free functions ----
void BlitRect(HDC destDC, HDC srcDC, const RECT& destRect, DWORD rop = SRCCOPY,
              POINT srcTopLeft = POINT{0, 0});
// Sets the text colour (unless clDefault) and background mode, draws, restores both.
int DrawTextColored(HDC dc, const std::wstring& text, RECT& r, int bkMode, TColor color, int count,
                    UINT dtFlags);
SIZE MeasureTextForFont(const TFont& font, const std::wstring& text, int size = 0);
void InvalidateArea(HWND wnd, const RECT* r, bool erase);
bool IsGlyphPresent(const TcxBitmap* bitmap);
bool HasImage(HIMAGELIST images, int index);
TColor UltraFlatHotColor();
TColor UltraFlatPressedColor();

// Paints into the canvas what the control's parent shows behind the area r of the control
// (control coordinates); the parent's point under r's top-left lands on the canvas's
// logical origin. With siblings, the sibling windows below the control are painted too.
// The canvas's drawing state is restored afterwards, also when painting fails.
void PaintParentImage(HWND control, TcxCanvas& canvas, const RECT& r, bool withSiblings);
// A copy of what the parent shows behind a control's client area, as PaintParentImage paints
// it without siblings: made once and copied with one blit while the control keeps its place
// and size, the theme stays, and neither the parent nor a library window above it was
// invalidated, painted or resized since. Behind a window the library does not paint itself the
// picture is painted afresh each time (nothing tells when it changes).
class TcxParentImageCache {
public:
    // Paints the picture behind the control's area (0, 0, width, height) at dc's logical origin.
    void Paint(HWND control, HDC dc, int width, int height);

private:
    UniqueBitmap m_bitmap; // declared first: the context goes first and lets go of it
    UniqueMemoryDC m_dc;
    HWND m_parent = nullptr;
    int m_width = 0, m_height = 0;
    RECT m_place{};
    unsigned m_generation = 0;
    unsigned m_themeOpens = 0;
    bool m_valid = false;
    bool m_filling = false;
};
void PaintThemedParentBackground(HWND control, TcxCanvas& canvas, const RECT& r,
                                 bool parentDoubleBuffered = false);
// Whether a window is being painted as a copy (for another control's background).
bool IsPaintingCopy(HWND wnd);

// The screen's pixels per inch (horizontal, vertical), read once at start-up.
POINT ScreenPixelsPerInch();
