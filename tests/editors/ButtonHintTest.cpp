// The hint of an edit button shows in a hint window once the cursor rests on the button, and
// goes when the cursor moves on or a mouse button is pressed.
#include "editors/cxButtonEdit.h"
#include "tests/common/Artifacts.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <string>

namespace {

class ButtonHintTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        edit = Make<TcxButtonEdit>(10, 10, 220, 21);
        TcxEditButtons* buttons = edit->Properties()->Buttons();
        buttons->Items(0)->SetHint(L"Browse for a folder");
        buttons->Add()->SetKind(bkEllipsis); // no hint
        app->ProcessMessages();
        ASSERT_EQ(edit->ButtonViewInfos().size(), 2u);
        MoveCursor(form, {450, 250});
    }
    POINT Centre(int k)
    {
        RECT r = edit->ButtonViewInfos().at(static_cast<size_t>(k)).bounds;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // The hint window on the screen, or nullptr.
    static HWND ShownHint()
    {
        HWND wnd = FindWindowW(L"TcxHintWindow", nullptr);
        return wnd && IsWindowVisible(wnd) ? wnd : nullptr;
    }
    static std::wstring TextOf(HWND wnd)
    {
        wchar_t text[128] = L"";
        GetWindowTextW(wnd, text, 128);
        return text;
    }
    // Waits longer than the hint pause for something that must not come.
    bool StaysHidden()
    {
        ULONGLONG until = GetTickCount64() + TcxButtonEdit::kHintPause * 2;
        while (GetTickCount64() < until) {
            if (ShownHint())
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            app->ProcessMessages();
        }
        return true;
    }
    TcxButtonEdit* edit = nullptr;
};

TEST_F(ButtonHintTest, TheHintShowsBelowTheRestingCursorAndGoesWhenItMovesOnOrPresses)
{
    MoveCursor(edit, Centre(0));
    EXPECT_EQ(ShownHint(), nullptr) << "not before the pause";
    ASSERT_TRUE(WaitFor([] { return ShownHint() != nullptr; }));
    HWND hint = ShownHint();
    EXPECT_EQ(TextOf(hint), L"Browse for a folder");
    RECT r;
    GetWindowRect(hint, &r);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_GT(r.top, cursor.y) << "below the cursor";
    EXPECT_LE(r.left, cursor.x + 1);
    EXPECT_GE(r.right - r.left, TcxHintWindow::Measure(L"Browse for a folder").cx);
    EXPECT_NE(GetForegroundWindow(), hint) << "the hint takes no activation";
    PixelCanvas picture(r.right - r.left, r.bottom - r.top);
    SendMessageW(hint, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc()), PRF_CLIENT);
    picture.SaveBmp((ArtifactFolder() / L"editor_button_hint.bmp").c_str());
    EXPECT_EQ(picture.At(2, 2), GetSysColor(COLOR_INFOBK));

    // Onto the button without a hint, and into the text: nothing.
    MoveCursor(edit, Centre(1));
    EXPECT_EQ(ShownHint(), nullptr);
    EXPECT_TRUE(StaysHidden());
    MoveCursor(edit, {20, 10});
    EXPECT_TRUE(StaysHidden());

    // Back on the button it shows again; a press takes it away until the cursor moves on.
    MoveCursor(edit, Centre(0));
    ASSERT_TRUE(WaitFor([] { return ShownHint() != nullptr; }));
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof(in));
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof(in));
    Settle(app.get());
    EXPECT_EQ(ShownHint(), nullptr);
    EXPECT_TRUE(StaysHidden());

    // Leaving the editor takes it away as well.
    MoveCursor(form, {450, 250});
    MoveCursor(edit, Centre(0));
    ASSERT_TRUE(WaitFor([] { return ShownHint() != nullptr; }));
    MoveCursor(form, {450, 250});
    EXPECT_EQ(ShownHint(), nullptr);
}

// ShowHint off on the editor, or on a library control it lies on, keeps the hint back.
TEST_F(ButtonHintTest, NoHintWhereShowHintIsOff)
{
    edit->SetShowHint(false);
    EXPECT_FALSE(edit->ParentShowHint());
    MoveCursor(edit, Centre(0));
    EXPECT_TRUE(StaysHidden());
    edit->SetParentShowHint(true);
    EXPECT_TRUE(edit->ShowHint()) << "a form lets hints show";
}

} // namespace
