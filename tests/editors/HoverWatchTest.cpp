// Library timers and the hover watch, driven by real cursor moves.
#include "editors/cxButtonEdit.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <new>

namespace {

using HoverTest = InputFixture;

TEST(TimerTest, ATickQueuedForAFreedTimerNeverReachesALaterTimerAtTheSameAddress)
{
    alignas(TcxTimer) unsigned char storage[sizeof(TcxTimer)];
    auto* first = new (storage) TcxTimer(nullptr);
    first->SetInterval(1);
    first->SetOnTimer([](TObject*) {});
    // Take the first timer's tick out of the queue, as if it had been queued when the timer died.
    MSG tick{};
    ULONGLONG until = GetTickCount64() + 3000;
    while (!PeekMessageW(&tick, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) && GetTickCount64() < until)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
    ASSERT_EQ(tick.message, static_cast<UINT>(WM_TIMER)) << "the timer never ticked";
    first->~TcxTimer();

    int secondTicks = 0;
    auto* second = new (storage) TcxTimer(nullptr);
    second->SetInterval(60000);
    second->SetOnTimer([&](TObject*) { ++secondTicks; });
    DispatchMessageW(&tick);
    EXPECT_EQ(secondTicks, 0) << "the stale tick ran the new timer";
    second->~TcxTimer();
}

// A timer keeps its id when stopped and started again; a tick still queued from before the
// new start is dropped, so the new run's first tick still waits its whole interval.
TEST(TimerTest, ATimerKeepsItsIdAndDropsATickQueuedBeforeItsLatestStart)
{
    int ticks = 0;
    TcxTimer timer(nullptr);
    timer.SetInterval(1);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    const UINT_PTR id = timer.Id();
    MSG tick{};
    ULONGLONG until = GetTickCount64() + 3000;
    while (!PeekMessageW(&tick, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) && GetTickCount64() < until)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
    ASSERT_EQ(tick.message, static_cast<UINT>(WM_TIMER)) << "the timer never ticked";
    EXPECT_EQ(tick.wParam, id);

    timer.SetEnabled(false);
    Sleep(30);
    timer.SetInterval(60000);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.Id(), id);
    DispatchMessageW(&tick);
    EXPECT_EQ(ticks, 0) << "a tick of the earlier run ran the handler";

    // A tick of the current run does.
    timer.SetInterval(1);
    until = GetTickCount64() + 3000;
    while (ticks == 0 && GetTickCount64() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(timer.Id(), id);
}

// A client that records how its watch ended.
class RecordingClient : public IcxMouseTrackingCaller {
public:
    void HoverEnded() override { ++ended; }
    int ended = 0;
};

class CursorHoverTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        edit = Make<TcxButtonEdit>(10, 10, 200, 21);
        MoveCursor(form, {450, 250});
    }
    TcxButtonEdit* edit = nullptr;
};

TEST_F(CursorHoverTest, TheFieldStaysHotOverItsTextAndItsButtonUntilTheCursorLeavesTheWholeControl)
{
    edit->UpdateVisualStateAtCursor(false);
    ASSERT_EQ(edit->ButtonViewInfos().size(), 1u);
    RECT button = edit->ButtonViewInfos()[0].bounds;
    RECT text = edit->InnerEdit()->BoundsRect();
    int h = edit->Height();
    struct Step {
        const char* where;
        POINT p; // client coordinates of the field
        bool hot;
    } steps[] = {
        {"ring", {1, h / 2}, true},
        {"text", {(text.left + text.right) / 2, (text.top + text.bottom) / 2}, true},
        {"button", {(button.left + button.right) / 2, h / 2}, true},
        {"away from the button", {0, 120}, false},
        {"text again", {(text.left + text.right) / 2, (text.top + text.bottom) / 2}, true},
        {"away from the text", {-30, h / 2}, false},
    };
    for (const Step& s : steps) {
        MoveCursor(edit, s.p);
        EXPECT_EQ((edit->ViewInfo().state & csfHot) != 0, s.hot) << s.where;
    }
}

// A held modifier takes the hot look away at the next update and keeps it away until the key
// is released. The cursor is moved first: under Wine a real cursor move brings the keyboard
// state back in line with the X server's, where no key injected by SendInput is down, so the
// updates while a key is held come from the control's own mouse-move message.
TEST_F(CursorHoverTest, AModifierKeyOrAHeldButtonKeepsTheFieldFromTurningHot)
{
    const LPARAM ring = MAKELPARAM(1, edit->Height() / 2);
    for (WORD key : {static_cast<WORD>(VK_SHIFT), static_cast<WORD>(VK_CONTROL)}) {
        MoveCursor(edit, {1, edit->Height() / 2});
        ASSERT_TRUE(edit->ViewInfo().state & csfHot) << key;
        PressKey(key, false);
        ASSERT_LT(GetKeyState(key), 0) << key;
        SendMessageW(edit->Handle(), WM_MOUSEMOVE, 0, ring);
        EXPECT_FALSE(edit->ViewInfo().state & csfHot) << key;
        PressKey(key, true);
        SendMessageW(edit->Handle(), WM_MOUSEMOVE, 0, ring);
        EXPECT_TRUE(edit->ViewInfo().state & csfHot) << key;
        MoveCursor(form, {450, 250});
    }
}

TEST_F(CursorHoverTest, AHeldMouseButtonKeepsTheFieldFromTurningHot)
{
    auto button = [&](DWORD flags) {
        SendMouseButton(flags);
        Settle(app.get());
    };
    MoveCursor(form, {450, 250});
    button(MOUSEEVENTF_LEFTDOWN);
    MoveCursor(edit, {1, edit->Height() / 2});
    EXPECT_FALSE(edit->ViewInfo().state & csfHot) << "dragged in with the button held";
    button(MOUSEEVENTF_LEFTUP);
    MoveCursor(edit, {2, edit->Height() / 2});
    EXPECT_TRUE(edit->ViewInfo().state & csfHot);
}

TEST_F(HoverTest, AClientFreedWhileWatchedIsNeverTicked)
{
    auto* edit = Make<TcxButtonEdit>(10, 10, 200, 21);
    MoveCursor(edit, {5, 5});
    const IcxMouseTrackingCaller* editClient = edit;
    ASSERT_TRUE(IsHoverWatched(editClient));
    delete edit;
    EXPECT_FALSE(IsHoverWatched(editClient));

    RECT all{0, 0, 10000, 10000};
    const IcxMouseTrackingCaller* freed = nullptr;
    {
        RecordingClient client;
        StartHoverWatch(form, all, &client);
        EXPECT_TRUE(IsHoverWatched(&client));
        freed = &client;
    }
    EXPECT_FALSE(IsHoverWatched(freed)) << "the client's destructor stops its watch";
    // The cursor leaves the form; any tick left over would run on freed memory.
    MoveCursor(form, {-50, -50});
    Settle(app.get());
}

TEST_F(HoverTest, TheWatchEndsOnceWhenTheCursorLeavesAndIgnoresDuplicateStarts)
{
    RecordingClient client;
    MoveCursor(form, {20, 20});
    RECT r{0, 0, 100, 100};
    StartHoverWatch(form, r, &client);
    StartHoverWatch(form, r, &client);
    Settle(app.get());
    EXPECT_EQ(client.ended, 0) << "the cursor is still inside";
    MoveCursor(form, {300, 200});
    EXPECT_EQ(client.ended, 1);
    EXPECT_FALSE(IsHoverWatched(&client));
}

} // namespace
