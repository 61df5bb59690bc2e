// Every library timer ticks through one hidden window. A control keeps one timer per purpose
// (the bar's animation step and its pause, a paced repaint, the hover watch), so however many
// hovers, animation steps and repaints go by, the window sees only a handful of timer ids.
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "tests/common/WindowFixture.h"

#include <map>
#include <sstream>
#include <string>

namespace {

// Moves the real cursor to p in the client coordinates of control, as a mouse would.
void MoveCursorTo(TWinControl* control, POINT p)
{
    ClientToScreen(control->Handle(), &p);
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = MulDiv(p.x, 65536, sw) + 1;
    in.mi.dy = MulDiv(p.y, 65536, sh) + 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
}

class TimerReuseTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        SetForegroundWindow(form->Handle());
        app->ProcessMessages();
    }
    void TearDown() override
    {
        SetCursorPos(0, 0);
        WindowFixture::TearDown();
    }

    // Handles the messages that come in the next milliseconds, noting each library timer tick.
    void Pump(DWORD milliseconds)
    {
        const ULONGLONG until = GetTickCount64() + milliseconds;
        do {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER && IsTimerWindow(msg.hwnd)) {
                    ++perId[msg.wParam];
                    ++ticks;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        } while (GetTickCount64() < until);
    }

    static bool IsTimerWindow(HWND wnd)
    {
        wchar_t name[64] = {};
        GetClassNameW(wnd, name, 64);
        return std::wstring(name) == L"Corvane.TimerWindow";
    }

    std::map<UINT_PTR, int> perId;
    int ticks = 0;
};

TEST_F(TimerReuseTest, HoversAnimationStepsAndPacedRepaintsReuseOneTimerPerPurpose)
{
    auto* bar = Make<TcxProgressBar>(10, 10, 200, 20);
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->Properties()->SetAnimationRestartDelay(20); // a pause at each end of the segment's run
    bar->Properties()->SetAnimationSpeed(20);
    bar->Properties()->SetMax(1000);
    auto* label = Make<TcxLabel>(10, 40, 300, 20);
    auto* caption = Make<TcxLabel>(10, 70, 100, 25);
    caption->SetCaption(L"Source folder");
    int hovers = 0;
    for (int step = 0; step < 80; ++step) {
        // As the batch run does: a new status text and bar position faster than the repaint pace.
        label->SetCaption(L"renamed " + std::to_wstring(step));
        bar->SetPosition(step * 10);
        if (step % 8 == 0) {
            MoveCursorTo(caption, {50, 12});
            Pump(15);
            hovers += IsHoverWatched(caption) ? 1 : 0;
            MoveCursorTo(form, {400, 250});
        }
        Pump(12);
    }
    EXPECT_GE(hovers, 5) << "the hover watch seldom ran";
    EXPECT_GE(ticks, 40);
    // The bar's step, pause and paced repaint, each label's paced repaint, the hover watch.
    std::ostringstream seen;
    for (auto [id, n] : perId)
        seen << ' ' << n;
    EXPECT_LE(perId.size(), 6u) << "ticks per timer:" << seen.str();
}

} // namespace
