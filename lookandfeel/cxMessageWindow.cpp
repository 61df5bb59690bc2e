#include "cxMessageWindow.h"

#include "dxThemeManager.h"

#include <exception>

namespace {
constexpr wchar_t kClassName[] = L"TcxMessageWindow";

void RegisterClassOnce()
{
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    (void)registered;
}
} // namespace

TcxMessageWindow::TcxMessageWindow(Handler handler) : m_handler(std::move(handler))
{
    RegisterClassOnce();
    m_wnd = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (m_wnd) {
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndProc));
    }
}

TcxMessageWindow::~TcxMessageWindow()
{
    if (m_wnd) {
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, 0);
        DestroyWindow(m_wnd);
    }
}

LRESULT CALLBACK TcxMessageWindow::WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TcxMessageWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self && self->m_handler) {
        try {
            LRESULT result = 0;
            if (self->m_handler(message, wParam, lParam, result))
                return result;
        } catch (const std::exception& e) {
            RouteCallbackError(&e);
        } catch (...) {
            RouteCallbackError(nullptr);
        }
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}
