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
    Form1->HandleNeeded();
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
    application.ShowMainForm();
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
