#include "controls/cxControlsRegister.h"
#include "controls/cxLabel.h"
#include "runtime/rtStreaming.h"
#include "tests/common/Artifacts.h"
#include "tests/common/WindowFixture.h"

#include <functional>
#include <map>
#include <vector>

namespace {

// Which window the last real mouse move was delivered to, recorded by a message hook.
HWND g_lastMouseMoveWindow = nullptr;
LRESULT CALLBACK RecordMouseMove(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && msg->message == WM_MOUSEMOVE)
        g_lastMouseMoveWindow = msg->hwnd;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class LabelTest : public WindowFixture {
protected:
    // Moves the real cursor to a screen point and waits (bounded) until the window under it
    // has received the mouse move and everything it caused has been handled.
    bool MoveCursorTo(POINT screen, HWND expected)
    {
        g_lastMouseMoveWindow = nullptr;
        HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, RecordMouseMove, nullptr, GetCurrentThreadId());
        SetCursorPos(screen.x, screen.y);
        DWORD start = GetTickCount();
        while (g_lastMouseMoveWindow != expected && GetTickCount() - start < 3000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            app->ProcessMessages();
        }
        UnhookWindowsHookEx(hook);
        app->ProcessMessages();
        return g_lastMouseMoveWindow == expected;
    }

    // The label's pixels as its window paints them on request (the same path as the screen).
    static std::vector<COLORREF> Pixels(TcxLabel* label)
    {
        PixelCanvas canvas(label->Width(), label->Height());
        SendMessageW(label->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < label->Height(); ++y)
            for (int x = 0; x < label->Width(); ++x)
                pixels.push_back(canvas.At(x, y));
        return pixels;
    }
};

// A label as the main window has them: transparent, auto-sized, Office 2003 look. The cursor
// over it changes nothing: no hot frame, no caption moved in or clipped.
TEST_F(LabelTest, LooksTheSameWithTheCursorOverItAndAwayFromIt)
{
    form->SetColor(RGB(220, 230, 240));
    auto* label = Make<TcxLabel>(30, 30, 10, 10);
    label->Style()->LookAndFeel()->SetKind(lfOffice11);
    label->SetTransparent(true);
    label->SetCaption(L"Source folder");
    SetForegroundWindow(form->Handle());
    app->ProcessMessages();

    POINT away{5, 5}, over{label->Width() / 2, label->Height() / 2};
    ClientToScreen(form->Handle(), &away);
    ClientToScreen(label->Handle(), &over);
    ASSERT_TRUE(MoveCursorTo(away, form->Handle()));
    std::vector<COLORREF> before = Pixels(label);
    ASSERT_TRUE(MoveCursorTo(over, label->Handle())) << "the real cursor reached the label";
    EXPECT_EQ(label->ViewInfo().clientRect.left, 0);
    EXPECT_EQ(label->ViewInfo().clientRect.top, 0);
    EXPECT_EQ(Pixels(label), before);
    EXPECT_FALSE(label->Style()->HotTrack()) << "labels do not hot-track unless asked";

    // Asked for, hot tracking does show: the hot style's frame appears under the cursor.
    label->Style()->SetHotTrack(true);
    ASSERT_TRUE(MoveCursorTo(away, form->Handle()));
    ASSERT_TRUE(MoveCursorTo(over, label->Handle()));
    EXPECT_NE(Pixels(label), before);
    ASSERT_TRUE(MoveCursorTo(away, form->Handle()));
}

TEST_F(LabelTest, AlignmentAndTheOtherPropertiesLoadFromADescription)
{
    RegisterDisplayControlClasses();
    TForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Caption1: TcxLabel
    Left = 4
    Top = 8
    AutoSize = False
    Width = 150
    Height = 40
    Caption = '&Name'
    Transparent = True
    Properties.Alignment.Horz = taCenter
    Properties.Alignment.Vert = taVCenter
    Properties.WordWrap = True
    Properties.ShowAccelChar = False
  end
end
)");
    TcxLabel* label = nullptr;
    for (int i = 0; i < root.ControlCount(); ++i)
        if (root.Controls(i)->Name() == L"Caption1")
            label = dynamic_cast<TcxLabel*>(root.Controls(i));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Properties()->AlignmentHorz(), taCenter);
    EXPECT_EQ(label->Properties()->AlignmentVert(), taVCenter);
    EXPECT_TRUE(label->Properties()->WordWrap());
    EXPECT_FALSE(label->Properties()->ShowAccelChar());
    EXPECT_TRUE(label->Transparent());
    EXPECT_EQ(label->Caption(), L"&Name");
}

// Every change of what the label shows reaches the screen: after each change the label looks
// like a new label made with the final settings (its cached picture is drawn anew).
TEST_F(LabelTest, EveryChangeOfContentShowsAsANewLabelWouldShowIt)
{
    form->SetColor(RGB(240, 240, 240));
    auto make = [&](int top) {
        auto* l = Make<TcxLabel>(10, top, 10, 10);
        l->SetAutoSize(false);
        l->SetBounds(10, top, 160, 24);
        l->SetCaption(L"Status");
        return l;
    };
    struct Change {
        const char* what;
        std::function<void(TcxLabel*)> apply;
    } changes[] = {
        {"caption", [](TcxLabel* l) { l->SetCaption(L"Finished"); }},
        {"font", [](TcxLabel* l) { l->Style()->Font()->SetHeight(-20); }},
        {"text colour", [](TcxLabel* l) { l->Style()->SetTextColor(RGB(200, 0, 0)); }},
        {"background colour",
         [](TcxLabel* l) {
             l->SetParentColor(false);
             l->Style()->SetColor(RGB(0, 90, 200));
         }},
        {"alignment", [](TcxLabel* l) { l->Properties()->SetAlignmentHorz(taRightJustify); }},
        {"vertical alignment", [](TcxLabel* l) { l->Properties()->SetAlignmentVert(taBottomJustify); }},
        {"size", [](TcxLabel* l) { l->SetBounds(l->Left(), l->Top(), 100, 24); }},
        {"accelerator",
         [](TcxLabel* l) {
             l->SetCaption(L"&Status");
             l->Properties()->SetShowAccelChar(false);
         }},
    };
    auto picture = [](TcxLabel* l) {
        PixelCanvas canvas(l->Width(), l->Height());
        SendMessageW(l->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < l->Height(); ++y)
            for (int x = 0; x < l->Width(); ++x)
                pixels.push_back(canvas.At(x, y));
        return pixels;
    };
    for (const Change& c : changes) {
        TcxLabel* changed = make(10);
        std::vector<COLORREF> first = picture(changed); // fills the cache
        c.apply(changed);
        app->ProcessMessages();
        TcxLabel* fresh = make(50);
        c.apply(fresh);
        app->ProcessMessages();
        std::vector<COLORREF> expected = picture(fresh);
        EXPECT_NE(expected, first) << c.what << " changes the picture at all";
        EXPECT_EQ(picture(changed), expected) << c.what;
        EXPECT_FALSE(changed->CacheDirty()) << c.what;
        delete changed;
        delete fresh;
    }
}

} // namespace
