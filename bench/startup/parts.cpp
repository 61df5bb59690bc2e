// Start-up split: runs Corvane's start-up steps in this process (which links the same
// libraries and units as the program) and prints how long each took, from process creation
// (as the platform recorded it) to the first paint of the main window.
#include "app/Unit1.h"
#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtApplication.h"
#include "shell/cxShellListView.h"

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

double NowMs()
{
    FILETIME t;
    GetSystemTimePreciseAsFileTime(&t);
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e4;
}

double CreatedMs()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    return static_cast<double>((static_cast<unsigned long long>(creation.dwHighDateTime) << 32) |
                               creation.dwLowDateTime) /
           1e4;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const double entered = NowMs();
    double last = entered;
    std::printf("process creation to entry (libraries loaded, units started): %.1f ms\n",
                entered - CreatedMs());
    auto step = [&](const char* what) {
        const double now = NowMs();
        std::printf("%-44s %.1f ms\n", what, now - last);
        last = now;
    };
    SetProcessDPIAware();
    TcxShellModuleScope shellModule;
    step("shell module (OLE, entry points)");
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    TApplication application;
    application.Initialize();
    step("classes and application object");
    // The look-and-feel unit starts with the first control: its colour listener, the colours
    // and the theme layer they ask (each with its hidden window) are timed apart here.
    GlobalLookAndFeel();
    step("look-and-feel, colours and theme started");
    // As CreateForm does, in two steps: reading builds the objects, the handle makes the windows.
    Form1 = new TForm1(&application);
    step("main window read (objects, no windows yet)");
    application.SetMainForm(Form1);
    // "--create-split": the time from each window's creation to the next one's, by class (the
    // window's own creation and what its object does until the next window is asked for).
    const bool createSplit = argc > 1 && std::wstring(argv[1]) == L"--create-split";
    static std::vector<std::pair<std::wstring, double>> created;
    HHOOK hook = nullptr;
    if (createSplit)
        hook = SetWindowsHookExW(
            WH_CBT,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (code == HCBT_CREATEWND) {
                    wchar_t cls[64] = L"";
                    GetClassNameW(reinterpret_cast<HWND>(wParam), cls, 64);
                    created.emplace_back(cls, NowMs());
                }
                return CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, GetCurrentThreadId());
    const bool createMessages = argc > 1 && std::wstring(argv[1]) == L"--create-messages";
    static std::vector<std::pair<UINT, double>> createStack;
    static std::vector<std::pair<double, std::wstring>> createHandled;
    HHOOK cBefore = nullptr, cAfter = nullptr;
    if (createMessages) {
        cBefore = SetWindowsHookExW(
            WH_CALLWNDPROC,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                createStack.emplace_back(reinterpret_cast<CWPSTRUCT*>(lParam)->message, NowMs());
                return CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, GetCurrentThreadId());
        cAfter = SetWindowsHookExW(
            WH_CALLWNDPROCRET,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                auto* cw = reinterpret_cast<CWPRETSTRUCT*>(lParam);
                if (!createStack.empty()) {
                    auto s = createStack.back();
                    createStack.pop_back();
                    wchar_t cls[64] = L"";
                    GetClassNameW(cw->hwnd, cls, 64);
                    wchar_t text[160];
                    swprintf(text, 160, L"depth %zu message 0x%04x to %ls", createStack.size(), cw->message,
                             cls);
                    createHandled.emplace_back(NowMs() - s.second, text);
                }
                return CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, GetCurrentThreadId());
    }
    Form1->HandleNeeded();
    if (createMessages) {
        UnhookWindowsHookEx(cBefore);
        UnhookWindowsHookEx(cAfter);
        std::sort(createHandled.begin(), createHandled.end(),
                  [](auto& a, auto& b) { return a.first > b.first; });
        double sum = 0;
        for (auto& h : createHandled)
            if (h.second.rfind(L"depth 0", 0) == 0)
                sum += h.first;
        std::printf("  messages handled at depth 0 during creation: %.1f ms\n", sum);
        for (size_t i = 0; i < createHandled.size() && i < 25; ++i)
            std::printf("  %6.2f ms %ls\n", createHandled[i].first, createHandled[i].second.c_str());
    }
    if (hook) {
        UnhookWindowsHookEx(hook);
        const double end = NowMs();
        for (size_t i = 0; i < created.size(); ++i)
            std::printf("  window %-36ls %.2f ms\n", created[i].first.c_str(),
                        (i + 1 < created.size() ? created[i + 1].second : end) - created[i].second);
    }
    step("main window's windows created");
    if (argc > 1 && std::wstring(argv[1]) == L"--paint-split") {
        // Each control's first picture alone, in the order of the form's controls, then the
        // platform's show and the window's first paint apart.
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 1000, 600);
        SelectObject(dc, bmp);
        std::function<void(TWinControl*)> paint = [&](TWinControl* c) {
            const double s = NowMs();
            SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            std::printf("  first picture of %-24ls %.1f ms\n", c->ClassName(), NowMs() - s);
            for (int i = 0; i < c->ControlCount(); ++i)
                paint(c->Controls(i));
        };
        paint(Form1);
        last = NowMs();
        ShowWindow(Form1->Handle(), SW_SHOWNORMAL);
        step("  ShowWindow alone");
        UpdateWindow(Form1->Handle());
        step("  UpdateWindow alone");
    }
    // "--show-split": the messages the show and the first paint send, each with the time its
    // handling took (inclusive), the longest first, as far as they reach window procedures.
    const bool showSplit = argc > 1 && std::wstring(argv[1]) == L"--show-split";
    struct Sent {
        UINT msg;
        HWND wnd;
        double start;
    };
    static std::vector<Sent> stack;
    static std::vector<std::pair<double, std::wstring>> handled;
    HHOOK before = nullptr, after = nullptr;
    if (showSplit) {
        before = SetWindowsHookExW(
            WH_CALLWNDPROC,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                auto* cw = reinterpret_cast<CWPSTRUCT*>(lParam);
                stack.push_back({cw->message, cw->hwnd, NowMs()});
                return CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, GetCurrentThreadId());
        after = SetWindowsHookExW(
            WH_CALLWNDPROCRET,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                auto* cw = reinterpret_cast<CWPRETSTRUCT*>(lParam);
                if (!stack.empty()) {
                    Sent s = stack.back();
                    stack.pop_back();
                    wchar_t cls[64] = L"";
                    GetClassNameW(cw->hwnd, cls, 64);
                    wchar_t text[160];
                    swprintf(text, 160, L"depth %zu message 0x%04x to %ls", stack.size(), cw->message, cls);
                    handled.emplace_back(NowMs() - s.start, text);
                }
                return CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, GetCurrentThreadId());
    }
    application.ShowMainForm();
    if (showSplit) {
        UnhookWindowsHookEx(before);
        UnhookWindowsHookEx(after);
        std::sort(handled.begin(), handled.end(), [](auto& a, auto& b) { return a.first > b.first; });
        for (size_t i = 0; i < handled.size() && i < 40; ++i)
            std::printf("  %6.2f ms %ls\n", handled[i].first, handled[i].second.c_str());
    }
    step("shown and first paint");
    // The messages still waiting after the first paint, each with the time its handling took.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const double s = NowMs();
        DispatchMessageW(&msg);
        TWinControl* c = TWinControl::FindControl(msg.hwnd);
        wchar_t cls[64] = L"";
        if (!c)
            GetClassNameW(msg.hwnd, cls, 64);
        std::printf("  message 0x%04x to %-30ls %.1f ms\n", msg.message, c ? c->ClassName() : cls,
                    NowMs() - s);
    }
    step("pending messages after the paint");
    std::printf("total from process creation: %.1f ms\n", NowMs() - CreatedMs());
    Form1 = nullptr;
    return 0;
}
