// The shell's own context menu for items of one folder, with the hidden window that
// forwards owner-drawn menu messages to the menu object when it asks for them.
#pragma once

#include "runtime/rtHandles.h"

#include <windows.h>
#include <shlobj.h>

// Owns a hidden utility window and passes the menu messages that a shell menu object
// draws itself to that object's IContextMenu2.
class TcxContextMenuMessageWindow {
public:
    explicit TcxContextMenuMessageWindow(IContextMenu2* menu);
    TcxContextMenuMessageWindow(const TcxContextMenuMessageWindow&) = delete;
    TcxContextMenuMessageWindow& operator=(const TcxContextMenuMessageWindow&) = delete;
    ~TcxContextMenuMessageWindow();

    HWND Handle() const noexcept { return m_wnd; }

    // The answer the window gives a message (also used by the tests).
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    ComPtr<IContextMenu2> m_menu;
    HWND m_wnd = nullptr;
};
