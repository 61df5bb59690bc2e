// Start-up benchmark: time from process start until the main window has finished its first
// paint and waits for input, for Corvane.exe and for a minimal one-window program, measured
// alternately in the same run. Prints the medians and their ratio (target: at most 1.35).
#include "bench/common/BenchClock.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Median;

struct EnumState {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND wnd, LPARAM p)
{
    auto* s = reinterpret_cast<EnumState*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == s->pid && IsWindowVisible(wnd)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds until the program's window is visible and its thread idle after painting.
double TimeStart(const std::wstring& exe)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    const double start = bench::Seconds();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForInputIdle(pi.hProcess, 30000);
    EnumState s{pi.dwProcessId, nullptr};
    while (!s.found) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&s));
        if (!s.found)
            Sleep(1);
    }
    // A message round trip returns only once the window's thread has handled its paint.
    DWORD_PTR result;
    SendMessageTimeoutW(s.found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
    const double painted = bench::Seconds();
    PostMessageW(s.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (painted - start) * 1000.0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr, L"usage: bench_startup Corvane.exe minimal.exe [runs] [platform.exe [twin.exe]]\n");
        return 2;
    }
    int runs = argc > 3 ? _wtoi(argv[3]) : 21;
    const wchar_t* platform = argc > 4 ? argv[4] : nullptr;
    const wchar_t* twin = argc > 5 ? argv[5] : nullptr;
    std::vector<double> program, minimal, started, twins;
    TimeStart(argv[1]); // warm the file cache and the prefix
    TimeStart(argv[2]);
    if (platform)
        TimeStart(platform);
    if (twin)
        TimeStart(twin);
    for (int i = 0; i < runs; ++i) {
        program.push_back(TimeStart(argv[1]));
        minimal.push_back(TimeStart(argv[2]));
        if (platform)
            started.push_back(TimeStart(platform));
        if (twin)
            twins.push_back(TimeStart(twin));
    }
    double p = Median(program), m = Median(minimal);
    wprintf(
        L"start-up to first paint: Corvane %.1f ms, minimal window %.1f ms, ratio %.2f (target <= 1.35)\n", p,
        m, p / m);
    if (platform) {
        // The same window after loading and starting the platform's libraries that Corvane
        // needs: what lies between it and the minimal window is the platform's share.
        double s = Median(started);
        wprintf(L"  minimal window with Corvane's platform libraries started: %.1f ms\n"
                L"  split: platform libraries %.1f ms, Corvane's own work %.1f ms\n",
                s, s - m, p - s);
    }
    if (twin) {
        // The fair floor: the same window, texts and font made of the platform's own controls.
        double t = Median(twins);
        wprintf(
            L"  the same window of platform controls: %.1f ms; Corvane's ratio to it %.2f (target <= 1.15)\n",
            t, p / t);
    }
    return 0;
}
