// The baseline of the start-up benchmark: the least Win32 program with one window. Built a
// second time with PLATFORM_START, it also loads and starts what Corvane needs from the
// platform before its window (the same libraries, OLE, the theme library, the common
// controls), so that the benchmark can tell the platform's share from the program's own.
#include <windows.h>

#ifdef PLATFORM_START
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>

static void StartPlatform()
{
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH - 20) {
        lstrcatW(folder, L"\\uxtheme.dll");
        LoadLibraryW(folder);
    }
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&malloc)))
        malloc->Release();
    SysFreeString(nullptr);
    PathIsRootW(L"C:\\");
}
#endif

static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        TextOutW(dc, 10, 10, L"minimal", 7);
        EndPaint(wnd, &ps);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, w, l);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
#ifdef PLATFORM_START
    StartPlatform();
#endif
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowW(L"MinimalWindow", L"Minimal", WS_OVERLAPPEDWINDOW, 412, 221, 844, 418, nullptr,
                             nullptr, instance, nullptr);
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
