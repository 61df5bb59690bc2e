#include "cxGroupBox.h"

#include "controls/cxWindowText.h"

TcxGroupBox::TcxGroupBox(TComponent* owner) : TcxCustomEdit(owner)
{
    SetTabStop(false);
    SetAutoSize(false);
    InitEdit(new TcxCustomEditProperties(this));
    SetBounds(0, 0, 185, 105);
}

const TClassInfo* TcxGroupBox::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxGroupBox", TcxCustomEdit::StaticProperties());
        ci.AddBool<TcxGroupBox>(L"Transparent", &TcxGroupBox::SetTransparent, &TcxGroupBox::Transparent);
        return ci;
    }();
    return &info;
}

void TcxGroupBox::SetTransparent(bool v)
{
    if (v == m_transparent)
        return;
    m_transparent = v;
    Invalidate();
}

RECT TcxGroupBox::FrameBounds()
{
    RECT r{0, 0, Width(), Height()};
    if (!Caption().empty())
        r.top = TextLineHeight(Caption().c_str()) / 2;
    return r;
}

void TcxGroupBox::ComputeViewInfo(POINT p, bool hotAllowed)
{
    TcxCustomEdit::ComputeViewInfo(p, hotAllowed);
    // The frame has no transparent margin: it sits at the edges (minus the caption's half height).
    RECT f = FrameBounds();
    int w = m_viewInfo.borderStyle == cbsNone ? 0 : m_viewInfo.borderWidth;
    TcxBorders e = m_viewInfo.edges;
    m_viewInfo.borderRect = {f.left + ((e & cxBorder(bLeft)) ? w : 0), f.top + ((e & cxBorder(bTop)) ? w : 0),
                             f.right - ((e & cxBorder(bRight)) ? w : 0),
                             f.bottom - ((e & cxBorder(bBottom)) ? w : 0)};
    m_viewInfo.clientRect = m_viewInfo.borderRect;
}

void TcxGroupBox::PaintFrame(HDC dc)
{
    if (m_transparent)
        PaintParentBackground(dc);
    else {
        UniqueBrush b(CreateSolidBrush(ColorToRGB(m_viewInfo.backgroundColor)));
        FillRect(dc, &m_viewInfo.bounds, b.get());
    }
    const TcxContainerViewInfo& vi = m_viewInfo;
    if (vi.borderStyle == cbsNone || vi.edges == 0)
        return;
    RECT r = FrameBounds();
    auto line = [&](const RECT& rc, TColor c) {
        UniqueBrush b(CreateSolidBrush(ColorToRGB(c)));
        FillRect(dc, &rc, b.get());
    };
    auto edge = [&](RECT rc, TColor tl, TColor br) {
        if (vi.edges & cxBorder(bLeft))
            line({rc.left, rc.top, rc.left + 1, rc.bottom}, tl);
        if (vi.edges & cxBorder(bTop))
            line({rc.left, rc.top, rc.right, rc.top + 1}, tl);
        if (vi.edges & cxBorder(bRight))
            line({rc.right - 1, rc.top, rc.right, rc.bottom}, br);
        if (vi.edges & cxBorder(bBottom))
            line({rc.left, rc.bottom - 1, rc.right, rc.bottom}, br);
    };
    switch (vi.borderStyle) {
    case cbs3D:
    case cbsFlat: {
        edge(r, clBtnShadow, clBtnHighlight);
        RECT inner = r;
        InflateRect(&inner, -1, -1);
        edge(inner, clBtnHighlight, clBtnShadow);
        break;
    }
    default: {
        for (int i = 0; i < vi.borderWidth; ++i) {
            edge(r, vi.borderColor, vi.borderColor);
            InflateRect(&r, -1, -1);
        }
        break;
    }
    }
}

void TcxGroupBox::PaintContent(HDC dc)
{
    if (Caption().empty())
        return;
    SelectGuard sel(dc, Style()->Font()->Handle());
    RECT text{8, 0, Width() - 8, TextLineHeight(Caption().c_str())};
    DrawTextW(dc, Caption().c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
    InflateRect(&text, 2, 0);
    UniqueBrush b(CreateSolidBrush(ColorToRGB(m_viewInfo.backgroundColor)));
    FillRect(dc, &text, b.get());
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(CurrentStyle()->TextColor()));
    InflateRect(&text, -2, 0);
    DrawTextW(dc, Caption().c_str(), -1, &text, DT_SINGLELINE);
}

void TcxGroupBox::TextChanged()
{
    TcxCustomEdit::TextChanged();
    UpdateVisualStateAtCursor(false);
}

LRESULT TcxGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Children that draw what lies behind them ask the group box for its surface.
    if (msg == WM_PRINTCLIENT) {
        PaintTo(reinterpret_cast<HDC>(wParam));
        return 0;
    }
    // Read from outside as the caption it shows.
    if (msg == WM_GETTEXTLENGTH)
        return static_cast<LRESULT>(Caption().size());
    if (msg == WM_GETTEXT)
        return CopyWindowText(Caption(), wParam, lParam);
    return TcxCustomEdit::WndProc(msg, wParam, lParam);
}
