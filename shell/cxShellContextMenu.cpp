#include "cxShellContextMenu.h"

#include "cxShellCommon.h"

#include <memory>

namespace {

const wchar_t* const ContextMenuWindowClass = L"TcxContextMenuMessageWindow";

ATOM RegisterContextMenuWindowClass()
{
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = ContextMenuWindowClass;
        return RegisterClassW(&wc);
    }();
    return atom;
}

// Owned menu handle destroyed on every path.
struct MenuOwner {
    HMENU menu = nullptr;
    ~MenuOwner()
    {
        if (menu)
            DestroyMenu(menu);
    }
};

} // namespace

TcxContextMenuMessageWindow::TcxContextMenuMessageWindow(IContextMenu2* menu)
    : m_menu(ComPtr<IContextMenu2>::Copy(menu))
{
    RegisterContextMenuWindowClass();
    m_wnd = CreateWindowExW(WS_EX_TOOLWINDOW, ContextMenuWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (m_wnd) {
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc));
    }
}

TcxContextMenuMessageWindow::~TcxContextMenuMessageWindow()
{
    if (m_wnd) {
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, 0);
        DestroyWindow(m_wnd);
    }
}

LRESULT TcxContextMenuMessageWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITMENUPOPUP: m_menu->HandleMenuMsg(message, wParam, lParam); return 0;
    case WM_DRAWITEM:
    case WM_MEASUREITEM: m_menu->HandleMenuMsg(message, wParam, lParam); return 1;
    default: return DefWindowProcW(m_wnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK TcxContextMenuMessageWindow::StaticWndProc(HWND wnd, UINT message, WPARAM wParam,
                                                            LPARAM lParam)
{
    auto* self = reinterpret_cast<TcxContextMenuMessageWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(wnd, message, wParam, lParam);
    try {
        return self->WndProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the platform; the menu just goes on without it.
        return DefWindowProcW(wnd, message, wParam, lParam);
    }
}

void ShowShellContextMenu(HWND owner, IShellFolder* folder, const std::vector<PCItemIDList>& items,
                          POINT screenPoint)
{
    if (!folder || items.empty())
        return;
    auto array = IdListArray(items);
    ComPtr<IContextMenu> menu;
    if (FAILED(folder->GetUIObjectOf(owner, static_cast<UINT>(items.size()),
                                     reinterpret_cast<PCUITEMID_CHILD_ARRAY>(array.get()), IID_IContextMenu,
                                     nullptr, menu.put_void())) ||
        !menu)
        return;
    MenuOwner popup{CreatePopupMenu()};
    if (!popup.menu)
        return;
    if (FAILED(menu->QueryContextMenu(popup.menu, 0, 1, 0x7FFF, CMF_NORMAL)))
        return;
    std::unique_ptr<TcxContextMenuMessageWindow> messageWindow;
    HWND menuOwner = owner;
    if (auto menu2 = menu.As<IContextMenu2>(IID_IContextMenu2)) {
        messageWindow = std::make_unique<TcxContextMenuMessageWindow>(menu2.get());
        if (messageWindow->Handle())
            menuOwner = messageWindow->Handle();
    }
    const UINT command = static_cast<UINT>(TrackPopupMenu(
        popup.menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0, menuOwner, nullptr));
    if (command != 0) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof(info);
        info.hwnd = owner;
        info.lpVerb = MAKEINTRESOURCEA(command - 1);
        info.nShow = SW_SHOWNORMAL;
        menu->InvokeCommand(&info);
    }
}
