#include "cxHintWindow.h"

#include "runtime/rtControls.h"
#include "runtime/rtHandles.h"

#include <algorithm>

namespace {

const wchar_t kClassName[] = L"TcxHintWindow";
constexpr int kMarginX = 4, kMarginY = 2;

// The font the platform gives status texts and tooltips.
UniqueFont HintFont()
{
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof(m);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0))
        return UniqueFont(CreateFontIndirectW(&m.lfStatusFont));
    return UniqueFont(nullptr);
}

void RegisterHintClass()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_SAVEBITS | CS_DROPSHADOW;
    wc.lpfnWndProc = DefWindowProcW; // replaced per window below
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    registered = true;
}

} // namespace

TcxHintWindow::~TcxHintWindow()
{
    if (m_wnd) {
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, 0);
        DestroyWindow(m_wnd);
    }
}

SIZE TcxHintWindow::Measure(const std::wstring& text)
{
    UniqueFont font = HintFont();
    WindowDC dc(nullptr);
    RECT r{0, 0, 0, 0};
    {
        SelectGuard select(dc.get(), font.get() ? font.get() : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    }
    return {r.right - r.left + 2 * kMarginX + 2, r.bottom - r.top + 2 * kMarginY + 2};
}

void TcxHintWindow::ShowAt(const std::wstring& text, POINT screen)
{
    if (!m_wnd) {
        RegisterHintClass();
        m_wnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, L"",
                                WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!m_wnd)
            return;
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TcxHintWindow::WindowProc));
    }
    m_text = text;
    SIZE size = Measure(text);
    // Kept on the monitor's work area.
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), &mi)) {
        screen.x = std::max(mi.rcWork.left, std::min(screen.x, mi.rcWork.right - size.cx));
        screen.y = std::max(mi.rcWork.top, std::min(screen.y, mi.rcWork.bottom - size.cy));
    }
    SetWindowTextW(m_wnd, text.c_str());
    SetWindowPos(m_wnd, HWND_TOPMOST, screen.x, screen.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(m_wnd, nullptr, TRUE);
}

void TcxHintWindow::Hide()
{
    if (m_wnd && IsWindowVisible(m_wnd))
        ShowWindow(m_wnd, SW_HIDE);
}

void TcxHintWindow::Paint(HDC dc)
{
    RECT r;
    GetClientRect(m_wnd, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    UniqueFont font = HintFont();
    SelectGuard select(dc, font.get() ? font.get() : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    InflateRect(&r, -(kMarginX + 1), -(kMarginY + 1));
    DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &r,
              DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
}

LRESULT CALLBACK TcxHintWindow::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TcxHintWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCHITTEST: return HTTRANSPARENT; // the mouse belongs to what lies below
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        if (msg == WM_PRINTCLIENT) {
            try {
                if (self)
                    self->Paint(reinterpret_cast<HDC>(wParam));
            } catch (...) {
                RouteException(std::current_exception());
            }
            return 0;
        }
        PaintGuard paint(wnd);
        // No error may unwind into the platform's window procedure: it goes to the program's
        // error handling instead.
        try {
            if (self)
                self->Paint(paint.dc());
        } catch (...) {
            RouteException(std::current_exception());
        }
        return 0;
    }
    default: return DefWindowProcW(wnd, msg, wParam, lParam);
    }
}
