// Real input for the editor tests: cursor moves and key presses through SendInput, and a
// wait until the input has been handled.
#pragma once

#include "editors/cxControls.h"
#include "editors/cxTextEdit.h"
#include "tests/common/WindowFixture.h"

// Returns once the messages that were waiting have been handled: timer ticks come only
// when no input is left in the queue, so three ticks of a fresh timer mean the input is
// through (and the 10 ms hover checks have run).
inline void Settle(TApplication* app)
{
    int ticks = 0;
    TcxTimer timer(nullptr);
    timer.SetInterval(20);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    ULONGLONG until = GetTickCount64() + 3000;
    while (ticks < 3 && GetTickCount64() < until) {
        app->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Moves the cursor to p in the client coordinates of control, as a person's mouse would.
inline void MoveCursor(TWinControl* control, POINT p)
{
    ClientToScreen(control->Handle(), &p);
    INPUT in{};
    in.type = INPUT_MOUSE;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = MulDiv(p.x, 65536, sw) + 1;
    in.mi.dy = MulDiv(p.y, 65536, sh) + 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    Settle(Application);
}

inline void PressKey(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(in));
    Settle(Application);
}

// Puts the cursor in the screen's top left corner, away from every test window, so that no
// test finds a control hot because of where an earlier one left the cursor.
inline void ParkCursor()
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    SetCursorPos(0, 0);
}

// A fixture for tests that move the cursor or press keys: the form is in front, and the
// cursor is parked again afterwards.
class InputFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        SetForegroundWindow(form->Handle());
        Settle(app.get());
    }
    void TearDown() override
    {
        ParkCursor();
        WindowFixture::TearDown();
    }
};

// A text edit 40 pixels high, so that there is room for a click on the frame's own window
// below its edit box, and a second editor beside it for the focus to come from.
class TallEditFixture : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        other = Make<TcxTextEdit>(10, 80, 150, 21);
        edit = Make<TcxTextEdit>(10, 10, 200, 40);
        edit->SetAutoSize(false);
        edit->SetBounds(10, 10, 200, 40);
    }
    TcxTextEdit* edit = nullptr;
    TcxTextEdit* other = nullptr;
};
