#include "cxGraphics.h"

#include "dxOffice11.h"
#include "dxThemeManager.h"

#include "runtime/rtControls.h"
#include "runtime/rtTypInfo.h"

#include <algorithm>
#include <set>

UINT cxTextFlagsToDrawTextFlags(TcxTextFlags flags)
{
    static constexpr struct {
        TcxTextFlags flag;
        UINT dt;
    } kMap[] = {{tfAlignLeft, DT_LEFT},        {tfAlignRight, DT_RIGHT},
                {tfAlignCenter, DT_CENTER},    {tfAlignTop, DT_TOP},
                {tfAlignBottom, DT_BOTTOM},    {tfAlignMiddle, DT_VCENTER},
                {tfSingleLine, DT_SINGLELINE}, {tfNoClip, DT_NOCLIP},
                {tfExpandTabs, DT_EXPANDTABS}, {tfEndEllipsis, DT_END_ELLIPSIS},
                {tfMeasureOnly, DT_CALCRECT},  {tfPathEllipsis, DT_PATH_ELLIPSIS}};
    UINT dt = 0;
    for (const auto& m : kMap)
        if (flags & m.flag)
            dt |= m.dt;
    if (!(flags & tfShowPrefix))
        dt |= DT_NOPREFIX;
    if (flags & tfWordWrap) {
        dt |= DT_WORDBREAK;
        if (!(flags & tfWordBreakOnly))
            dt |= DT_EDITCONTROL;
        else if (flags & tfNoFullWidthBreak)
            dt |= DT_NOFULLWIDTHCHARBREAK;
    }
    return dt;
}

// ---- TcxRegion ----

TcxRegion::TcxRegion() : m_handle(CreateRectRgn(0, 0, 0, 0)) {}
TcxRegion::TcxRegion(HRGN handle) : m_handle(handle) {}
TcxRegion::TcxRegion(const RECT& r) : m_handle(CreateRectRgnIndirect(&r)) {}

std::unique_ptr<TcxRegion> TcxRegion::CreateFromHandle(HRGN handle)
{
    return std::make_unique<TcxRegion>(handle);
}
std::unique_ptr<TcxRegion> TcxRegion::CreateFromRect(const RECT& r)
{
    return std::make_unique<TcxRegion>(r);
}
std::unique_ptr<TcxRegion> TcxRegion::CreateEmpty()
{
    return std::make_unique<TcxRegion>();
}

std::unique_ptr<TcxRegion> TcxRegion::CreateRounded(const RECT& r, int ellipseWidth, int ellipseHeight)
{
    return std::make_unique<TcxRegion>(
        CreateRoundRectRgn(r.left + 1, r.top + 1, r.right, r.bottom, ellipseWidth, ellipseHeight));
}

bool TcxRegion::HasNoArea() const
{
    RECT box;
    return GetRgnBox(m_handle.get(), &box) == NULLREGION;
}

RECT TcxRegion::BoundsRect() const
{
    RECT box{};
    GetRgnBox(m_handle.get(), &box);
    return box;
}

void TcxRegion::CombineWith(const TcxRegion& other, TcxRegionCombineMode mode)
{
    if (mode == rgnReplace)
        CombineRgn(m_handle.get(), other.Handle(), nullptr, RGN_COPY);
    else
        CombineRgn(m_handle.get(), m_handle.get(), other.Handle(), mode);
}

bool TcxRegion::SameAs(const TcxRegion& other) const
{
    if (HasNoArea() && other.HasNoArea())
        return true;
    return EqualRgn(m_handle.get(), other.Handle()) != FALSE;
}

void TcxRegion::MoveBy(int dx, int dy)
{
    OffsetRgn(m_handle.get(), dx, dy);
}

// ---- TcxCanvas ----

TcxCanvas::TcxCanvas(TCanvas* canvas) : m_canvas(canvas) {}

// The saved fonts, brushes, pens and regions are owned by the stacks and go with them,
// also when the caller did not pop everything it pushed.
TcxCanvas::~TcxCanvas() = default;

POINT TcxCanvas::WindowOrigin() const
{
    POINT p{};
    GetWindowOrgEx(Handle(), &p);
    return p;
}

void TcxCanvas::SetWindowOrigin(POINT p) const
{
    SetWindowOrgEx(Handle(), p.x, p.y, nullptr);
}

POINT TcxCanvas::ViewportOrigin() const
{
    POINT p{};
    GetViewportOrgEx(Handle(), &p);
    return p;
}

POINT TcxCanvas::DeviceOrigin() const
{
    POINT v = ViewportOrigin(), w = WindowOrigin();
    return POINT{v.x - w.x, v.y - w.y};
}

void TcxCanvas::PutPixel(int x, int y, TColor color)
{
    m_canvas->SetPixel(x, y, color);
}
void TcxCanvas::MoveTo(int x, int y)
{
    m_canvas->MoveTo(x, y);
}
void TcxCanvas::LineTo(int x, int y)
{
    m_canvas->LineTo(x, y);
}
void TcxCanvas::Polygon(const std::vector<POINT>& points)
{
    m_canvas->Polygon(points.data(), static_cast<int>(points.size()));
}
void TcxCanvas::Polyline(const std::vector<POINT>& points)
{
    m_canvas->Polyline(points.data(), static_cast<int>(points.size()));
}

void TcxCanvas::CopyRectFrom(const RECT& dest, TCanvas& source, const RECT& sourceRect)
{
    m_canvas->CopyRect(dest, source, sourceRect);
}

void TcxCanvas::DrawGraphic(int x, int y, const TcxBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    BitBlt(Handle(), x, y, bitmap.Width(), bitmap.Height(), bitmap.DC(), 0, 0, CopyMode());
}

void TcxCanvas::SetBrushColor(TColor color)
{
    if (Brush().Color() != color || Brush().Style() != TBrushStyle::bsSolid)
        Brush().SetColor(color);
}

void TcxCanvas::SetFontAngle(int angle)
{
    Font().SetEscapement(angle * 10);
    if (angle != 0)
        Font().SetOutPrecision(OUT_TT_ONLY_PRECIS);
}

void TcxCanvas::FillRectColor(const RECT& r, TColor color)
{
    if (color == clNone)
        return;
    if (color != clDefault)
        SetBrushColor(color);
    FillRectTiled(r, nullptr, false);
}

namespace {
int FloorDiv(int a, int b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
} // namespace

void TcxCanvas::FillRectTiled(const RECT& r, const TcxBitmap* bitmap, bool excludeRect)
{
    if (RectIsEmpty(r))
        return;
    if (!IsGlyphPresent(bitmap)) {
        m_canvas->FillRect(r);
    } else {
        int w = bitmap->Width(), h = bitmap->Height();
        // Floor division: the grid is anchored at the origin also left of and above it.
        for (int col = FloorDiv(r.left, w); col * w < r.right; ++col) {
            for (int row = FloorDiv(r.top, h); row * h < r.bottom; ++row) {
                RECT tile{col * w, row * h, col * w + w, row * h + h};
                RECT part;
                if (!RectIntersection(tile, r, part))
                    continue;
                BitBlt(Handle(), part.left, part.top, RectWidth(part), RectHeight(part), bitmap->DC(),
                       part.left - tile.left, part.top - tile.top, SRCCOPY);
            }
        }
    }
    // The same as combining the clip with a region of r (in logical coordinates), without
    // copying the clip region out and back.
    if (excludeRect)
        ExcludeFromClip(r);
}

void TcxCanvas::FrameRectBorders(const RECT& r, TColor color, int width, TcxBorders borders, bool excludeRect)
{
    if (RectIsEmpty(r))
        return;
    if (color != clDefault)
        SetBrushColor(color);
    if (borders & cxBorder(bLeft))
        FillRectTiled(RECT{r.left, r.top, std::min(r.left + width, r.right), r.bottom}, nullptr, excludeRect);
    if (borders & cxBorder(bRight))
        FillRectTiled(RECT{std::max(r.right - width, r.left), r.top, r.right, r.bottom}, nullptr,
                      excludeRect);
    if (borders & cxBorder(bTop))
        FillRectTiled(RECT{r.left, r.top, r.right, std::min(r.top + width, r.bottom)}, nullptr, excludeRect);
    if (borders & cxBorder(bBottom))
        FillRectTiled(RECT{r.left, std::max(r.bottom - width, r.top), r.right, r.bottom}, nullptr,
                      excludeRect);
}

void TcxCanvas::DrawTwoToneFrame(const RECT& r, TColor c1, TColor c2, TcxBorders borders, int width)
{
    if (borders & cxBorder(bLeft))
        FillRectColor(RECT{r.left, r.top, r.left + width, r.bottom}, c1);
    if (borders & cxBorder(bTop))
        FillRectColor(RECT{r.left, r.top, r.right, r.top + width}, c1);
    if (borders & cxBorder(bRight))
        FillRectColor(RECT{r.right - width, r.top, r.right, r.bottom}, c2);
    if (borders & cxBorder(bBottom))
        FillRectColor(RECT{r.left, r.bottom - width, r.right, r.bottom}, c2);
}

void TcxCanvas::DrawEdgeFrame(const RECT& r, bool sunken, bool outer, TcxBorders borders)
{
    static constexpr TColor kColors[2][2][2] = {
        // [sunken][outer] = {left/top, right/bottom}
        {{clBtnHighlight, clBtnShadow}, {cl3DLight, cl3DDkShadow}},
        {{cl3DDkShadow, cl3DLight}, {clBtnShadow, clBtnHighlight}},
    };
    const TColor* c = kColors[sunken ? 1 : 0][outer ? 1 : 0];
    DrawTwoToneFrame(r, c[0], c[1], borders, 1);
}

void TcxCanvas::FillWithFrame(const RECT& r, const TcxViewParams& params, bool excludeRect, int frameWidth,
                              TColor frameColor, TcxBorders borders)
{
    FrameRectBorders(r, frameColor, frameWidth, borders, excludeRect);
    RECT inner = r;
    if (borders & cxBorder(bLeft))
        inner.left += frameWidth;
    if (borders & cxBorder(bTop))
        inner.top += frameWidth;
    if (borders & cxBorder(bRight))
        inner.right -= frameWidth;
    if (borders & cxBorder(bBottom))
        inner.bottom -= frameWidth;
    if (params.Color != clDefault && params.Color != clNone)
        SetBrushColor(params.Color);
    if (params.Color != clNone || IsGlyphPresent(params.Bitmap))
        FillRectTiled(inner, params.Bitmap, excludeRect);
}

void TcxCanvas::DrawFocusMark(const RECT& r)
{
    SetBrushColor(clWhite);
    Font().SetColor(clBlack);
    m_canvas->RequiredState(TCanvas::csFontValid | TCanvas::csBrushValid);
    DrawFocusRect(Handle(), &r);
}

void TcxCanvas::DrawImageListItem(HIMAGELIST images, int x, int y, int index, bool enabled)
{
    if (!HasImage(images, index))
        return;
    TcxDCGuard guard(*this);
    if (enabled)
        ImageList_Draw(images, index, Handle(), x, y, ILD_NORMAL);
    else
        ImageList_DrawEx(images, index, Handle(), x, y, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_BLEND50);
}

SIZE TcxCanvas::TextSize(const std::wstring& text)
{
    return m_canvas->TextExtent(text);
}

int TcxCanvas::FontTextHeight(const TFont& font)
{
    Font().Assign(&font);
    return TextPixelHeight(L"Qq");
}

void TcxCanvas::MeasureTextRect(const std::wstring& text, RECT& r, TcxTextFlags flags)
{
    if (RectWidth(r) == 0 && !text.empty())
        r.right = r.left + 1;
    RECT calc = r;
    m_canvas->RequiredState(TCanvas::csFontValid);
    UINT dt = (cxTextFlagsToDrawTextFlags(flags) | DT_CALCRECT) & ~static_cast<UINT>(DT_VCENTER);
    // Without a device context there is nothing to measure with; the platform's answer to a
    // null context is not defined (some builds measure with a stale font), so none is asked.
    HDC dc = Handle();
    if (!dc || DrawTextColored(dc, text, calc, TRANSPARENT, clDefault, -1, dt) == 0)
        calc = RECT{r.left, r.top, r.left, r.top};
    int dx = 0, dy = 0;
    if (flags & tfAlignCenter)
        dx = (RectWidth(r) - RectWidth(calc)) / 2;
    else if (flags & tfAlignRight)
        dx = RectWidth(r) - RectWidth(calc);
    if (flags & tfAlignMiddle)
        dy = (RectHeight(r) - RectHeight(calc)) / 2;
    else if (flags & tfAlignBottom)
        dy = RectHeight(r) - RectHeight(calc);
    r = RectOffset(calc, dx, dy);
}

void TcxCanvas::AlignTextBlockVertically(RECT& r, const std::wstring& text, bool endEllipsis,
                                         bool wordBreakOnly, bool enabled, bool showPrefix, bool wordWrap,
                                         TcxVertTextAlign mode)
{
    if (mode == vtaNone || mode == vtaTop)
        return;
    int d = enabled ? 0 : 1;
    TcxTextFlags flags = tfAlignLeft | tfAlignTop;
    if (wordWrap)
        flags |= tfWordWrap;
    if (showPrefix)
        flags |= tfShowPrefix;
    int height;
    if (endEllipsis && wordWrap) {
        int line = TextPixelHeight(L"Wg");
        if (line <= 0)
            return;
        height = std::max(1, (RectHeight(r) - d) / line) * line;
    } else {
        RECT m{r.left, r.top, r.right - d, r.top};
        if (wordBreakOnly)
            flags |= tfWordBreakOnly;
        MeasureTextRect(text, m, flags);
        height = RectHeight(m);
    }
    // A failed measurement gives no height: then the block stays where it was rather
    // than being pushed below the rectangle.
    if (height <= 0)
        return;
    if (mode == vtaBottom)
        r.top = r.bottom - height - d;
    else
        r.top = (r.top + r.bottom - height) / 2;
}

void TcxCanvas::WriteText(const std::wstring& text, const RECT& rect, TcxTextFlags flags, bool enabled)
{
    if (text.empty())
        return;
    RECT r = rect;
    SIZE size = TextSize(text);
    if (RectWidth(r) >= size.cx && RectHeight(r) >= size.cy)
        flags |= tfNoClip;
    const int d = enabled ? 0 : 1;
    const TColor oldFontColor = Font().Color();
    const TBrushStyle oldBrushStyle = Brush().Style();

    auto draw = [&](int dx, int dy, TColor color) {
        bool platformPath =
            !(flags & tfSingleLine) || (flags & (tfShowPrefix | tfEndEllipsis | tfPathEllipsis));
        if (color != clDefault)
            Font().SetColor(color);
        m_canvas->RequiredState(TCanvas::csFontValid | TCanvas::csBrushValid);
        if (platformPath) {
            RECT tr = RectOffset(r, dx, dy);
            DrawTextColored(Handle(), text, tr, TRANSPARENT, clDefault, -1,
                            cxTextFlagsToDrawTextFlags(flags));
            return;
        }
        int x = r.left, y = r.top;
        int hAlign = flags & (tfAlignLeft | tfAlignRight | tfAlignCenter);
        if (hAlign == tfAlignRight && size.cx < RectWidth(r))
            x = r.right - size.cx - d;
        else if (flags & tfAlignCenter)
            x = (r.left + r.right - size.cx) / 2;
        if ((flags & tfAlignBottom) && size.cy < RectHeight(r))
            y = r.bottom - size.cy - d;
        else if (flags & tfAlignMiddle)
            y = (r.top + r.bottom - size.cy) / 2;
        RECT clip = RectOffset(r, dx, dy);
        UINT options = (flags & tfNoClip) ? 0 : ETO_CLIPPED;
        ExtTextOutW(Handle(), x + dx, y + dy, options, &clip, text.c_str(), static_cast<UINT>(text.size()),
                    nullptr);
    };

    bool platformPath = !(flags & tfSingleLine) || (flags & (tfShowPrefix | tfEndEllipsis | tfPathEllipsis));
    if (platformPath && !(flags & tfSingleLine) && (flags & (tfAlignBottom | tfAlignMiddle)))
        AlignTextBlockVertically(r, text, (flags & tfEndEllipsis) != 0, (flags & tfWordBreakOnly) != 0,
                                 enabled, (flags & tfShowPrefix) != 0, (flags & tfWordWrap) != 0,
                                 (flags & tfAlignBottom) ? vtaBottom : vtaMiddle);
    if (!enabled) {
        Brush().SetStyle(TBrushStyle::bsClear);
        draw(1, 1, clBtnHighlight);
        draw(0, 0, clBtnShadow);
    } else {
        draw(0, 0, clDefault);
    }
    if (Brush().Style() != oldBrushStyle)
        Brush().SetStyle(oldBrushStyle);
    Font().SetColor(oldFontColor);
}

void TcxCanvas::PushDC()
{
    m_canvas->Lock();
    HDC dc = Handle();
    // The canvas's own objects are taken out first, so the saved state never refers to
    // a font, brush or pen that the canvas may replace (and delete) before the pop.
    m_canvas->ReleaseObjects();
    m_savedDCs.push_back(SavedDC{dc, SaveDC(dc)});
}

void TcxCanvas::PopDC()
{
    if (m_savedDCs.empty())
        return;
    SavedDC saved = m_savedDCs.back();
    m_savedDCs.pop_back();
    m_canvas->ReleaseObjects();
    m_canvas->SetHandle(saved.dc);
    if (saved.id)
        RestoreDC(saved.dc, saved.id);
    m_canvas->Unlock();
}

void TcxCanvas::AdoptDCObjects(HDC dc)
{
    if (!dc)
        return;
    Font().SetHandle(static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT)));
    Font().SetColor(GetTextColor(dc));
    Brush().SetHandle(static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
    Pen().SetHandle(static_cast<HPEN>(GetCurrentObject(dc, OBJ_PEN)));
    Pen().SetMode(TPen::ModeFromRop2(GetROP2(dc)));
}

void TcxCanvas::PushState()
{
    // The canvas's own font, brush and pen are put into the context first, so adopting
    // what the context holds keeps settings made on the canvas but not yet used.
    m_canvas->RequiredState(TCanvas::csAllValid);
    AdoptDCObjects(Handle());
    PushDC();
    SavedState s{std::make_unique<TFont>(), std::make_unique<TBrush>(), std::make_unique<TPen>()};
    s.font->Assign(&Font());
    s.brush->Assign(&Brush());
    s.pen->Assign(&Pen());
    m_savedStates.push_back(std::move(s));
}

void TcxCanvas::PopState()
{
    if (m_savedStates.empty())
        return;
    SavedState s = std::move(m_savedStates.back());
    m_savedStates.pop_back();
    Font().Assign(s.font.get());
    Brush().Assign(s.brush.get());
    Pen().Assign(s.pen.get());
    PopDC();
}

void TcxCanvas::PushClipRegion()
{
    m_savedRegions.push_back(ClipRegion(true));
}

void TcxCanvas::PopClipRegion()
{
    if (m_savedRegions.empty())
        return;
    std::unique_ptr<TcxRegion> region = std::move(m_savedRegions.back());
    m_savedRegions.pop_back();
    ApplyClipRegion(std::move(region), rgnReplace, true);
}

std::unique_ptr<TcxRegion> TcxCanvas::ClipRegion(bool considerOrigin)
{
    auto region = TcxRegion::CreateEmpty();
    if (GetClipRgn(Handle(), region->Handle()) != 1)
        SetRectRgn(region->Handle(), 0, 0, 30000, 30000);
    if (considerOrigin) {
        POINT o = DeviceOrigin();
        region->MoveBy(-o.x, -o.y);
    }
    return region;
}

void TcxCanvas::ApplyClipRegion(std::unique_ptr<TcxRegion> region, TcxRegionCombineMode mode,
                                bool considerOrigin)
{
    if (region)
        ApplyClipRegion(*region, mode, considerOrigin);
}

void TcxCanvas::ApplyClipRegion(TcxRegion& region, TcxRegionCombineMode mode, bool considerOrigin)
{
    if (mode != rgnReplace) {
        auto clip = ClipRegion(considerOrigin);
        clip->CombineWith(region, mode);
        ApplyClipRegion(*clip, rgnReplace, considerOrigin);
        return;
    }
    POINT o = considerOrigin ? DeviceOrigin() : POINT{0, 0};
    region.MoveBy(o.x, o.y);
    SelectClipRgn(Handle(), region.Handle());
    region.MoveBy(-o.x, -o.y);
}

void TcxCanvas::ExcludeFromClip(const RECT& r)
{
    ExcludeClipRect(Handle(), r.left, r.top, r.right, r.bottom);
}
void TcxCanvas::IntersectClip(const RECT& r)
{
    IntersectClipRect(Handle(), r.left, r.top, r.right, r.bottom);
}
bool TcxCanvas::RectVisible(const RECT& r) const
{
    return ::RectVisible(Handle(), &r) != FALSE;
}

// ---- screen and paint canvases ----

class TcxScreenCanvas::ScreenCanvas : public TCanvas {
public:
    void Release()
    {
        HDC dc = HandleAllocated() ? Handle() : nullptr;
        SetHandle(nullptr);
        if (dc)
            ReleaseDC(GetDesktopWindow(), dc);
    }

protected:
    void CreateHandle() override
    {
        SetHandle(GetDCEx(GetDesktopWindow(), nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE));
    }
};

TcxScreenCanvas::TcxScreenCanvas() : TcxCanvas(nullptr), m_screen(std::make_unique<ScreenCanvas>())
{
    SetCanvas(m_screen.get());
}

TcxScreenCanvas::~TcxScreenCanvas()
{
    m_screen->Release();
}

void TcxScreenCanvas::ReleaseScreenDC()
{
    m_screen->Release();
}

namespace {
struct SharedCanvases {
    std::unique_ptr<TcxScreenCanvas> screen;
    std::unique_ptr<TcxPaintCanvas> paint;
    bool shutdown = false;
    ~SharedCanvases()
    {
        shutdown = true;
        paint.reset();
        screen.reset();
    }
};
SharedCanvases g_shared;
} // namespace

TcxScreenCanvas* SharedScreenCanvas()
{
    if (!g_shared.screen && !g_shared.shutdown)
        g_shared.screen = std::make_unique<TcxScreenCanvas>();
    return g_shared.screen.get();
}

TcxPaintCanvas::TcxPaintCanvas() : TcxCanvas(nullptr), m_own(std::make_unique<TCanvas>())
{
    SetCanvas(m_own.get());
}

TcxPaintCanvas::~TcxPaintCanvas()
{
    while (!m_attached.empty())
        DetachDC();
}

void TcxPaintCanvas::AttachDC(HDC dc)
{
    Attached a{m_own->HandleAllocated() ? m_own->Handle() : nullptr, dc, 0, nullptr, nullptr, nullptr};
    if (a.previous) {
        a.font = std::make_unique<TFont>();
        a.brush = std::make_unique<TBrush>();
        a.pen = std::make_unique<TPen>();
        a.font->Assign(&Font());
        a.brush->Assign(&Brush());
        a.pen->Assign(&Pen());
    }
    m_own->SetHandle(nullptr);
    a.savedId = SaveDC(dc);
    m_attached.push_back(std::move(a));
    AdoptDCObjects(dc);
    m_own->SetHandle(dc);
}

void TcxPaintCanvas::DetachDC()
{
    if (m_attached.empty())
        return;
    Attached a = std::move(m_attached.back());
    m_attached.pop_back();
    m_own->SetHandle(nullptr);
    if (a.savedId)
        RestoreDC(a.dc, a.savedId);
    m_own->SetHandle(a.previous);
    if (a.font) {
        Font().Assign(a.font.get());
        Brush().Assign(a.brush.get());
        Pen().Assign(a.pen.get());
    }
}

TcxPaintCanvas* SharedPaintCanvas()
{
    if (!g_shared.paint && !g_shared.shutdown)
        g_shared.paint = std::make_unique<TcxPaintCanvas>();
    return g_shared.paint.get();
}

// ---- TcxBitmap ----

TcxBitmap::TcxBitmap() : TcxBitmap(0, 0, 24) {}

TcxBitmap::TcxBitmap(const RECT& r, int bitsPerPixel) : TcxBitmap(RectWidth(r), RectHeight(r), bitsPerPixel)
{
}

TcxBitmap::TcxBitmap(int width, int height, int bitsPerPixel)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_bpp(bitsPerPixel == 32 ? 32 : 24),
      m_dc(CreateCompatibleDC(nullptr)), m_canvas(std::make_unique<TCanvas>()),
      m_cxCanvas(std::make_unique<TcxCanvas>(m_canvas.get()))
{
    Recreate();
}

TcxBitmap::~TcxBitmap()
{
    m_canvas->SetHandle(nullptr);
    if (m_oldBitmap)
        SelectObject(m_dc.get(), m_oldBitmap);
}

void TcxBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    Recreate();
}

void TcxBitmap::Recreate()
{
    m_canvas->SetHandle(nullptr);
    if (m_oldBitmap) {
        SelectObject(m_dc.get(), m_oldBitmap);
        m_oldBitmap = nullptr;
    }
    m_bitmap.reset();
    m_bits = nullptr;
    if (!Empty()) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = m_width;
        bi.bmiHeader.biHeight = -m_height; // top-down rows
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = static_cast<WORD>(m_bpp);
        bi.bmiHeader.biCompression = BI_RGB;
        m_bitmap.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        if (m_bitmap)
            m_oldBitmap = SelectObject(m_dc.get(), m_bitmap.get());
    }
    m_canvas->SetHandle(m_dc.get());
}

// ---- free functions ----

void BlitRect(HDC destDC, HDC srcDC, const RECT& destRect, DWORD rop, POINT srcTopLeft)
{
    BitBlt(destDC, destRect.left, destRect.top, RectWidth(destRect), RectHeight(destRect), srcDC,
           srcTopLeft.x, srcTopLeft.y, rop);
}

int DrawTextColored(HDC dc, const std::wstring& text, RECT& r, int bkMode, TColor color, int count,
                    UINT dtFlags)
{
    COLORREF oldColor = color != clDefault ? SetTextColor(dc, ColorToRGB(color)) : CLR_INVALID;
    int oldMode = SetBkMode(dc, bkMode);
    int n = count < 0 ? static_cast<int>(text.size()) : std::min(count, static_cast<int>(text.size()));
    int result = DrawTextW(dc, text.c_str(), n, &r, dtFlags);
    SetBkMode(dc, oldMode);
    if (oldColor != CLR_INVALID)
        SetTextColor(dc, oldColor);
    return result;
}

SIZE MeasureTextForFont(const TFont& font, const std::wstring& text, int size)
{
    TcxScreenCanvas* canvas = SharedScreenCanvas();
    if (!canvas)
        return SIZE{};
    canvas->Font().Assign(&font);
    if (size != 0)
        canvas->Font().SetSize(size);
    SIZE s = canvas->TextSize(text);
    canvas->ReleaseScreenDC();
    return s;
}

void InvalidateArea(HWND wnd, const RECT* r, bool erase)
{
    InvalidateRect(wnd, r, erase ? TRUE : FALSE);
}

bool IsGlyphPresent(const TcxBitmap* bitmap)
{
    return bitmap && !bitmap->Empty() && bitmap->Handle();
}

bool HasImage(HIMAGELIST images, int index)
{
    return images && index >= 0 && index < ImageList_GetImageCount(images);
}

// Computed with the Office 2003 colour set, that is once per system colour change rather
// than on every paint of a hot or pressed button.
TColor UltraFlatHotColor()
{
    return Office11UltraFlatHotColor();
}
TColor UltraFlatPressedColor()
{
    return Office11UltraFlatPressedColor();
}

// ---- painting what lies behind a control ----

namespace {

std::multiset<HWND>& PaintCopies()
{
    static std::multiset<HWND> windows;
    return windows;
}

class PaintCopyGuard {
public:
    explicit PaintCopyGuard(HWND wnd) : m_it(PaintCopies().insert(wnd)) {}
    ~PaintCopyGuard() { PaintCopies().erase(m_it); }
    PaintCopyGuard(const PaintCopyGuard&) = delete;
    PaintCopyGuard& operator=(const PaintCopyGuard&) = delete;

private:
    std::multiset<HWND>::iterator m_it;
};

// Paints one window of the parent's level into the canvas: area is in the parent's
// client coordinates and lands on the canvas's logical origin; pos is the window's
// top-left in the parent's client coordinates (0, 0 for the parent itself).
void PaintWindowCopy(HWND wnd, TcxCanvas& canvas, const RECT& area, POINT pos, bool isSibling)
{
    if (!IsWindow(wnd))
        return;
    TcxDCGuard dcGuard(canvas);
    HDC dc = canvas.Handle();
    POINT org = canvas.WindowOrigin();
    canvas.SetWindowOrigin(POINT{org.x + area.left - pos.x, org.y + area.top - pos.y});
    RECT windowArea = RectOffset(area, -pos.x, -pos.y); // area in the window's coordinates
    if (!canvas.RectVisible(windowArea))
        return;
    PaintCopyGuard copyGuard(wnd);

    RECT bounds{0, 0, 0, 0};
    if (isSibling) {
        RECT wr;
        GetWindowRect(wnd, &wr);
        bounds = RECT{0, 0, RectWidth(wr), RectHeight(wr)};
    }
    // A sibling's window region decides which of its pixels lie over the control. The parent's
    // region is not asked for (a round trip to the window system at every copy): the platform
    // clips the control to it as well, so no pixel it cuts away ever shows.
    if (isSibling) {
        UniqueRegion windowRgn(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(wnd, windowRgn.get()) != ERROR) {
            TcxRegion region(windowRgn.release());
            canvas.ApplyClipRegion(region, rgnIntersect, true);
        }
    }
    canvas.IntersectClip(windowArea);
    if (isSibling)
        canvas.IntersectClip(bounds);

    if (isSibling) {
        LONG exStyle = GetWindowLongW(wnd, GWL_EXSTYLE), style = GetWindowLongW(wnd, GWL_STYLE);
        RECT inner = bounds;
        if (exStyle & WS_EX_CLIENTEDGE)
            DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        else if (style & WS_BORDER)
            DrawEdge(dc, &inner, BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MONO);
        canvas.IntersectClip(inner);
        POINT o = canvas.WindowOrigin();
        canvas.SetWindowOrigin(POINT{o.x - inner.left, o.y - inner.top});
    }
    // A window the library paints paints into the context on WM_PRINTCLIENT. A paint message
    // would make it begin a paint of its own: onto the screen instead of the copy, and taking
    // the window's pending update with it.
    TWinControl* own = TWinControl::FromHandle(wnd);
    if (own && own->PaintsItself()) {
        SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        return;
    }
    SendMessageW(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageW(wnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

} // namespace

bool IsPaintingCopy(HWND wnd)
{
    return PaintCopies().count(wnd) != 0;
}

namespace {

struct KeptPaintBuffer {
    UniqueBitmap bitmap; // declared first: the context goes first and lets go of it
    UniqueMemoryDC dc;
    int width = 0;
    int height = 0;
};

std::vector<KeptPaintBuffer>& KeptPaintBuffers()
{
    static std::vector<KeptPaintBuffer> buffers;
    return buffers;
}

size_t g_paintBufferDepth = 0;

} // namespace

TcxPaintBuffer::TcxPaintBuffer(HDC target, int width, int height)
{
    std::vector<KeptPaintBuffer>& buffers = KeptPaintBuffers();
    if (buffers.size() <= g_paintBufferDepth)
        buffers.resize(g_paintBufferDepth + 1);
    KeptPaintBuffer& buffer = buffers[g_paintBufferDepth];
    if (!buffer.dc)
        buffer.dc.reset(CreateCompatibleDC(target));
    if (buffer.width < width || buffer.height < height) {
        buffer.width = std::max(buffer.width, std::max(width, 1));
        buffer.height = std::max(buffer.height, std::max(height, 1));
        UniqueBitmap grown(CreateCompatibleBitmap(target, buffer.width, buffer.height));
        SelectObject(buffer.dc.get(), grown.get());
        buffer.bitmap = std::move(grown);
    }
    ++g_paintBufferDepth;
    m_dc = buffer.dc.get();
    m_saved = SaveDC(m_dc);
}

TcxPaintBuffer::~TcxPaintBuffer()
{
    Restore();
    --g_paintBufferDepth;
}

void TcxPaintBuffer::Restore() noexcept
{
    if (m_saved)
        RestoreDC(m_dc, m_saved);
    m_saved = 0;
}

void TcxPaintBuffer::CopyTo(HDC target, int x, int y, int width, int height)
{
    Restore();
    BitBlt(target, x, y, width, height, m_dc, 0, 0, SRCCOPY);
}

void PaintParentImage(HWND control, TcxCanvas& canvas, const RECT& r, bool withSiblings)
{
    if (!control || !(GetWindowLongW(control, GWL_STYLE) & WS_CHILD))
        return;
    HWND parent = GetParent(control);
    if (!parent)
        return;
    RECT cr;
    GetWindowRect(control, &cr);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&cr), 2);
    RECT p = RectOffset(r, cr.left, cr.top);
    PaintWindowCopy(parent, canvas, p, POINT{0, 0}, false);
    if (!withSiblings)
        return;
    // Siblings below the control, the lowest first; the walk stops at the control.
    for (HWND s = GetWindow(control, GW_HWNDLAST); s && s != control; s = GetWindow(s, GW_HWNDPREV)) {
        if (!IsWindowVisible(s))
            continue;
        RECT sr;
        GetWindowRect(s, &sr);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&sr), 2);
        RECT common;
        if (RectIntersection(sr, p, common))
            PaintWindowCopy(s, canvas, p, POINT{sr.left, sr.top}, true);
    }
}

namespace {
void PaintParentImageInto(HWND control, HDC dc, int width, int height)
{
    TCanvas canvas;
    canvas.SetHandle(dc);
    {
        TcxCanvas cx(&canvas);
        PaintParentImage(control, cx, RECT{0, 0, width, height}, false);
    }
    canvas.SetHandle(nullptr);
}
} // namespace

void TcxParentImageCache::Paint(HWND control, HDC dc, int width, int height)
{
    auto paintDirectly = [&] { PaintParentImageInto(control, dc, width, height); };
    if (width <= 0 || height <= 0 || m_filling || !(GetWindowLongW(control, GWL_STYLE) & WS_CHILD)) {
        paintDirectly();
        return;
    }
    HWND parentWnd = GetParent(control);
    TWinControl* parent = TWinControl::FromHandle(parentWnd);
    if (!parent || !parent->PaintsItself()) {
        m_valid = false;
        paintDirectly();
        return;
    }
    unsigned generation = 0;
    for (TWinControl* c = parent; c; c = c->Parent())
        generation += c->PictureGeneration();
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, parentWnd, reinterpret_cast<POINT*>(&place), 2);
    place.right = place.left + width;
    place.bottom = place.top + height;
    const unsigned themeOpens = ThemeOpenCount();
    if (!m_valid || m_parent != parentWnd || !EqualRect(&m_place, &place) || m_generation != generation ||
        m_themeOpens != themeOpens) {
        if (!m_dc)
            m_dc.reset(CreateCompatibleDC(dc));
        if (!m_bitmap || m_width != width || m_height != height) {
            UniqueBitmap fresh(CreateCompatibleBitmap(dc, width, height));
            SelectObject(m_dc.get(), fresh.get());
            m_bitmap = std::move(fresh);
            m_width = width;
            m_height = height;
        }
        m_valid = false;
        m_filling = true;
        struct FillingGuard {
            bool& flag;
            ~FillingGuard() { flag = false; }
        } filling{m_filling};
        PaintParentImageInto(control, m_dc.get(), width, height);
        // Taken before the copy: a parent that changes while painting is copied again next time.
        m_parent = parentWnd;
        m_place = place;
        m_generation = generation;
        m_themeOpens = themeOpens;
        m_valid = true;
    }
    BitBlt(dc, 0, 0, width, height, m_dc.get(), 0, 0, SRCCOPY);
}

void PaintThemedParentBackground(HWND control, TcxCanvas& canvas, const RECT& r, bool parentDoubleBuffered)
{
    if (parentDoubleBuffered || !ThemeLibraryLoaded()) {
        PaintParentImage(control, canvas, r, false);
        return;
    }
    HDC dc = canvas.Handle();
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    ThemeApi().DrawThemeParentBackground(control, dc, &r);
    SelectObject(dc, font);
}

TValue PictureValue(const TcxBitmap* picture)
{
    return picture ? BitmapToValue(picture->DC(), picture->Width(), picture->Height())
                   : BitmapToValue(nullptr, 0, 0);
}

// ---- start-up ----

namespace {
POINT g_screenPpi{96, 96};

const bool g_graphicsStarted = [] {
    if (PlatformMajorVersion() >= 6) {
        if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
            auto setAware = reinterpret_cast<BOOL(WINAPI*)()>(
                reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware")));
            if (setAware)
                setAware();
        }
    }
    WindowDC screen(nullptr);
    if (screen.get())
        g_screenPpi = POINT{GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
    return true;
}();
} // namespace

POINT ScreenPixelsPerInch()
{
    return g_screenPpi;
}
