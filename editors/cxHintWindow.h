// A small window that shows a hint text next to the cursor, above every other window,
// without taking the activation or the mouse.
#pragma once

#include <windows.h>

#include <string>

class TcxHintWindow {
public:
    TcxHintWindow() = default;
    ~TcxHintWindow();
    TcxHintWindow(const TcxHintWindow&) = delete;
    TcxHintWindow& operator=(const TcxHintWindow&) = delete;

    // Shows text with its top left corner at the screen point (moved up or left where the
    // screen ends there).
    void ShowAt(const std::wstring& text, POINT screen);
    void Hide();
    bool Showing() const noexcept { return m_wnd && IsWindowVisible(m_wnd); }
    const std::wstring& Text() const noexcept { return m_text; }
    HWND Handle() const noexcept { return m_wnd; }
    // The size a text takes, frame and margins included.
    static SIZE Measure(const std::wstring& text);

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    HWND m_wnd = nullptr;
    std::wstring m_text;
};
