// The fair floor of the start-up benchmark: Corvane's main window made of the platform's own
// controls. The same layout as the stored description (positions grown by the font's text
// height over 15, as the program's form does), the same texts and font, the same platform
// libraries started first; static texts, edit boxes with a small button beside the two folder
// fields, a push button, a progress bar and a group box, shown and painted the same way.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

HFONT g_font = nullptr;
int g_textHeight = 15;
// The control that has the keyboard when the window is active: the first field at start, as
// in the program, so that typing right after start goes into it.
HWND g_focus = nullptr;

int S(int v)
{
    return MulDiv(v, g_textHeight, 15);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           DWORD exStyle = 0)
{
    HWND wnd = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, S(x), S(y), S(w), S(h),
                               parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
    return wnd;
}

// A label sized to its text, as the program's labels size themselves.
void Label(HWND parent, const wchar_t* text, int x, int y)
{
    HDC dc = GetDC(parent);
    HGDIOBJ old = SelectObject(dc, g_font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, old);
    ReleaseDC(parent, dc);
    HWND wnd = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, S(x), S(y), size.cx + 2,
                               size.cy + 2, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
}

// A folder field: an edit box and a small button at its right end.
void FolderField(HWND parent, int x, int y, int w)
{
    Child(parent, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, x, y, w - 17, 21, WS_EX_CLIENTEDGE);
    Child(parent, L"BUTTON", L"...", WS_TABSTOP | BS_PUSHBUTTON, x + w - 17, y, 17, 21);
}

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_ACTIVATE) {
        if (LOWORD(w) != WA_INACTIVE && g_focus && IsWindow(g_focus)) {
            SetFocus(g_focus);
            return 0;
        }
        if (LOWORD(w) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(wnd, focus))
                g_focus = focus;
        }
    }
    // The static texts on the window's face colour, as a dialog gives them.
    if (msg == WM_CTLCOLORSTATIC) {
        SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, w, l);
}

} // namespace

// With CORVANE_TWIN_SPLIT set, the time of each step goes to standard error.
double NowMs()
{
    FILETIME t;
    GetSystemTimePreciseAsFileTime(&t);
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e4;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const bool split = GetEnvironmentVariableW(L"CORVANE_TWIN_SPLIT", nullptr, 0) > 0;
    double last = NowMs();
    auto step = [&](const char* what) {
        if (!split)
            return;
        const double now = NowMs();
        std::fprintf(stderr, "%-44s %.1f ms\n", what, now - last);
        last = now;
    };
    if (split) {
        FILETIME creation, exit, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
        std::fprintf(
            stderr, "process creation to entry: %.1f ms\n",
            last - static_cast<double>((static_cast<unsigned long long>(creation.dwHighDateTime) << 32) |
                                       creation.dwLowDateTime) /
                       1e4);
    }
    SetProcessDPIAware();
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
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

    step("platform libraries started");
    g_font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, g_font);
    TEXTMETRICW tm{};
    GetTextMetricsW(screen, &tm);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    g_textHeight = tm.tmHeight > 0 ? tm.tmHeight : 15;

    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"PlatformTwin";
    RegisterClassW(&wc);
    RECT frame{0, 0, S(836), S(380)};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    // Without clipping its children, as a dialog: the group box that covers the whole window
    // draws only its frame, so the window's own background must show inside it.
    HWND wnd = CreateWindowW(L"PlatformTwin", L"Corvane twin", WS_OVERLAPPEDWINDOW, 412, 221,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                             nullptr);
    step("font and main window created");
    Label(wnd, L"", 142, 308);
    Child(wnd, L"BUTTON", L"", BS_GROUPBOX, 0, 0, 836, 380);
    Child(wnd, PROGRESS_CLASSW, L"", 0, 85, 259, 695, 21);
    Label(wnd, L"原后缀", 175, 58);
    g_focus = Child(wnd, L"EDIT", L".tbi", WS_TABSTOP | ES_AUTOHSCROLL, 230, 56, 77, 21, WS_EX_CLIENTEDGE);
    Label(wnd, L"修改成后缀", 375, 58);
    Child(wnd, L"EDIT", L".jpg", WS_TABSTOP | ES_AUTOHSCROLL, 459, 56, 77, 21, WS_EX_CLIENTEDGE);
    Label(wnd, L"请选择源文件目录", 38, 115);
    FolderField(wnd, 186, 115, 490);
    FolderField(wnd, 186, 155, 489);
    Label(wnd, L"修改后导出文件目录", 38, 157);
    Child(wnd, L"BUTTON", L"开始修改", WS_TABSTOP | BS_PUSHBUTTON, 85, 199, 189, 35);
    Label(wnd, L"进度", 38, 261);
    step("controls created");
    // With the split, the messages the show and the first paint send, each with the time its
    // handling took, the longest first (as the program's own split prints them).
    static std::vector<double> stack; // the start of each message being handled
    static std::vector<std::pair<double, std::wstring>> handled;
    HHOOK before = nullptr, after = nullptr;
    if (split) {
        before = SetWindowsHookExW(
            WH_CALLWNDPROC,
            [](int code, WPARAM w, LPARAM l) -> LRESULT {
                stack.push_back(NowMs());
                return CallNextHookEx(nullptr, code, w, l);
            },
            nullptr, GetCurrentThreadId());
        after = SetWindowsHookExW(
            WH_CALLWNDPROCRET,
            [](int code, WPARAM w, LPARAM l) -> LRESULT {
                auto* cw = reinterpret_cast<CWPRETSTRUCT*>(l);
                if (!stack.empty()) {
                    const double start = stack.back();
                    stack.pop_back();
                    wchar_t cls[64] = L"";
                    GetClassNameW(cw->hwnd, cls, 64);
                    wchar_t text[160];
                    swprintf(text, 160, L"depth %zu message 0x%04x to %ls", stack.size(), cw->message, cls);
                    handled.emplace_back(NowMs() - start, text);
                }
                return CallNextHookEx(nullptr, code, w, l);
            },
            nullptr, GetCurrentThreadId());
    }
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    if (split) {
        UnhookWindowsHookEx(before);
        UnhookWindowsHookEx(after);
        std::sort(handled.begin(), handled.end(), [](auto& a, auto& b) { return a.first > b.first; });
        for (const auto& [ms, what] : handled)
            std::fprintf(stderr, "  %6.2f ms %ls\n", ms, what.c_str());
    }
    step("shown and first paint");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(wnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OleUninitialize();
    return 0;
}
