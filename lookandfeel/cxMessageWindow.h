// A hidden top-level window that hands its messages to a handler. Hidden top-level
// windows (unlike message-only ones) receive the system's broadcasts of colour and theme
// changes. No exception leaves the window procedure: errors go to RouteCallbackError.
#pragma once

#include <windows.h>

#include <functional>

class TcxMessageWindow {
public:
    // Answers true when it handled the message and set the result.
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
    explicit TcxMessageWindow(Handler handler);
    ~TcxMessageWindow();
    TcxMessageWindow(const TcxMessageWindow&) = delete;
    TcxMessageWindow& operator=(const TcxMessageWindow&) = delete;
    HWND Handle() const noexcept { return m_wnd; }

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    Handler m_handler;
    HWND m_wnd = nullptr;
};
