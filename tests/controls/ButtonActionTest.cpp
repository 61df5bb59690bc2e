#include "controls/cxButtons.h"
#include "controls/cxControlsRegister.h"
#include "runtime/rtActnList.h"
#include "tests/common/Artifacts.h"
#include "tests/common/RealInput.h"
#include "tests/common/StoredPicture.h"
#include "tests/common/WindowFixture.h"

#include <functional>
#include <string>

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);
const COLORREF kSquares[] = {RGB(220, 0, 0), RGB(0, 160, 0), RGB(0, 0, 230)};

// Three 16 x 16 images side by side: a square of its colour on the transparent colour.
COLORREF StripPixel(int x, int y)
{
    const int ix = x % 16;
    return ix >= 3 && ix < 13 && y >= 3 && y < 13 ? kSquares[x / 16] : kKey;
}

UniqueBitmap MakeStrip()
{
    std::string file = BitmapFile(48, 16, StripPixel);
    TValue v;
    v.kind = TValue::Kind::Binary;
    v.bytes = file;
    return ValueToBitmap(v);
}

class ButtonActionTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        images = new TImageList(form);
        UniqueBitmap strip = MakeStrip();
        images->AddMasked(strip.get());
        list = new TActionList(form);
        list->SetImages(images);
        action = new TAction(list);
        action->SetCaption(L"Run");
        action->SetImageIndex(0);
        button = Make<TcxButton>(20, 20, 120, 32);
        button->LookAndFeel()->SetKind(lfStandard);
    }
    void Settle()
    {
        app->ProcessMessages();
        RedrawWindow(form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        app->ProcessMessages();
    }
    std::wstring ShownCaption() const
    {
        wchar_t text[64]{};
        GetWindowTextW(button->Handle(), text, 64);
        return text;
    }
    // The colour in the middle of the glyph as the button paints itself now, or CLR_INVALID
    // when it has no glyph.
    COLORREF GlyphCentre()
    {
        if (!button->Glyph())
            return CLR_INVALID;
        const TcxButtonState state = button->PaintState(false);
        PixelCanvas canvas(button->Width(), button->Height());
        button->PaintButtonTo(canvas.dc(), state, false);
        RECT g = button->ContentLayout(state).glyph;
        return canvas.At((g.left + g.right) / 2, (g.top + g.bottom) / 2);
    }
    // Whether the screen shows what the button paints now (it was repainted after a change).
    bool ScreenIsUpToDate()
    {
        const int w = button->Width(), h = button->Height();
        PixelCanvas fresh(w, h), screen(w, h);
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(fresh.dc()), PRF_CLIENT);
        HDC dc = GetDC(button->Handle());
        BitBlt(screen.dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
        ReleaseDC(button->Handle(), dc);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (fresh.At(x, y) != screen.At(x, y))
                    return false;
        return true;
    }
    // A left click with the real mouse in the middle of the button; true once done holds.
    bool RealClick(const std::function<bool()>& done)
    {
        SetForegroundWindow(form->Handle());
        SendLeftClick(button->Handle(), POINT{button->Width() / 2, button->Height() / 2});
        return WaitFor(done);
    }
    TImageList* images = nullptr;
    TActionList* list = nullptr;
    TAction* action = nullptr;
    TcxButton* button = nullptr;
};

// Each change of the action shows in the button: the caption in its window, the enabled
// state, the list's image as the glyph (no image, an index past the list or no image list
// keep the glyph), the check mark as the down state of a group button; and the screen shows
// the change without anything else asking for a repaint.
TEST_F(ButtonActionTest, TheButtonShowsWhatItsActionSays)
{
    button->SpeedButtonOptions()->SetGroupIndex(1);
    button->SpeedButtonOptions()->SetAllowAllUp(true);
    button->SetCaption(L"Own");
    button->SetAction(action);
    struct Step {
        const wchar_t* what;
        std::function<void()> change;
        const wchar_t* caption;
        bool enabled;
        COLORREF glyph;
        bool down;
    } steps[] = {
        {L"linked", [] {}, L"Run", true, kSquares[0], false},
        {L"image 2", [&] { action->SetImageIndex(2); }, L"Run", true, kSquares[2], false},
        {L"no image", [&] { action->SetImageIndex(-1); }, L"Run", true, kSquares[2], false},
        {L"image 1", [&] { action->SetImageIndex(1); }, L"Run", true, kSquares[1], false},
        {L"past the list", [&] { action->SetImageIndex(7); }, L"Run", true, kSquares[1], false},
        {L"checked", [&] { action->SetChecked(true); }, L"Run", true, kSquares[1], true},
        {L"unchecked", [&] { action->SetChecked(false); }, L"Run", true, kSquares[1], false},
        {L"caption", [&] { action->SetCaption(L"Halt"); }, L"Halt", true, kSquares[1], false},
        // A single image has no disabled image of its own: its shape shows in the shadow colour.
        {L"disabled", [&] { action->SetEnabled(false); }, L"Halt", false, ColorToRGB(clBtnShadow), false},
        {L"enabled", [&] { action->SetEnabled(true); }, L"Halt", true, kSquares[1], false},
        {L"out of its list", [&] { action->SetActionList(nullptr); }, L"Halt", true, kSquares[1], false},
        {L"image without a list", [&] { action->SetImageIndex(0); }, L"Halt", true, kSquares[1], false},
        {L"back in the list", [&] { action->SetActionList(list); }, L"Halt", true, kSquares[0], false},
    };
    for (const Step& s : steps) {
        Settle();
        s.change();
        Settle();
        EXPECT_EQ(ShownCaption(), s.caption) << s.what;
        EXPECT_EQ(IsWindowEnabled(button->Handle()) != FALSE, s.enabled) << s.what;
        EXPECT_EQ(GlyphCentre(), s.glyph) << s.what;
        EXPECT_EQ(button->Down(), s.down) << s.what;
        EXPECT_EQ(button->PaintState(false) == cxbsPressed, s.down) << s.what;
        EXPECT_TRUE(ScreenIsUpToDate()) << s.what;
    }
}

// A button outside a group cannot be down: the action's check mark leaves it up.
TEST_F(ButtonActionTest, TheCheckMarkPutsOnlyAGroupButtonDown)
{
    struct Case {
        int groupIndex;
        bool down;
    } cases[] = {{0, false}, {2, true}};
    for (const Case& c : cases) {
        action->SetChecked(false);
        button->SpeedButtonOptions()->SetAllowAllUp(true);
        button->SpeedButtonOptions()->SetGroupIndex(c.groupIndex);
        button->SetAction(action);
        action->SetChecked(true);
        EXPECT_EQ(button->Down(), c.down) << c.groupIndex;
        button->SetAction(nullptr);
    }
}

// A real click executes the action once; with AutoCheck it toggles the check mark, which the
// group button shows as its down state. A group button that may not come up stays down, and
// its action stays checked with it.
TEST_F(ButtonActionTest, ARealClickExecutesTheActionOnce)
{
    struct Click {
        int executed;
        bool checked;
    };
    struct Case {
        bool allowAllUp;
        Click clicks[2];
    } cases[] = {{true, {{1, true}, {2, false}}}, {false, {{1, true}, {2, true}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.allowAllUp ? "all may be up" : "one stays down");
        int executed = 0;
        action->SetChecked(false);
        action->OnExecute = [&](TObject*) { ++executed; };
        action->SetAutoCheck(true);
        button->SpeedButtonOptions()->SetGroupIndex(1);
        button->SpeedButtonOptions()->SetAllowAllUp(true);
        button->SpeedButtonOptions()->SetDown(false);
        button->SpeedButtonOptions()->SetAllowAllUp(c.allowAllUp);
        button->SetAction(action);
        for (const Click& k : c.clicks) {
            ASSERT_TRUE(RealClick([&] { return executed == k.executed; })) << k.executed;
            EXPECT_EQ(action->Checked(), k.checked) << k.executed;
            EXPECT_EQ(button->Down(), k.checked) << k.executed;
        }
        EXPECT_EQ(executed, 2) << "once per click";
        button->SetAction(nullptr);
    }
    SetCursorPos(0, 0);
}

// Freeing the action leaves the button as it was and working: it paints its glyph and
// caption, and a click runs its own handler.
TEST_F(ButtonActionTest, FreeingTheActionLeavesTheButtonWorking)
{
    int executed = 0, clicked = 0;
    action->OnExecute = [&](TObject*) { ++executed; };
    button->SetAction(action);
    delete action;
    action = nullptr;
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(ShownCaption(), L"Run");
    EXPECT_EQ(GlyphCentre(), kSquares[0]);
    button->OnClick = [&](TObject*) { ++clicked; };
    ASSERT_TRUE(RealClick([&] { return clicked == 1; }));
    EXPECT_EQ(executed, 0);
    Settle();
    EXPECT_TRUE(ScreenIsUpToDate());
    SetCursorPos(0, 0);
}

// A description with an image list, an action list, an action and a button naming the action:
// the button shows the action's caption and the image as its glyph. A button naming a
// component that is no action is refused.
TEST_F(ButtonActionTest, ADescriptionGivesTheButtonTheActionsCaptionAndGlyph)
{
    RegisterDisplayControlClasses();
    auto description = [](const wchar_t* action) {
        return LR"(object Root: TForm
  Left = 160
  Top = 160
  Width = 260
  Height = 120
  object Go: TcxButton
    Left = 16
    Top = 16
    Width = 120
    Height = 32
    Action = )" +
               std::wstring(action) + LR"(
  end
  object Images1: TImageList
    Width = 16
    Height = 16
    Bitmap = )" +
               StoredBinary(BitmapFile(48, 16, StripPixel)) + LR"(
  end
  object Actions1: TActionList
    Images = Images1
    object StartAction: TAction
      Caption = 'Start'
      ImageIndex = 2
    end
  end
end
)";
    };
    TForm root(app.get());
    root.LoadFromDescription(description(L"StartAction"));
    auto* go = dynamic_cast<TcxButton*>(root.FindComponent(L"Go"));
    ASSERT_NE(go, nullptr);
    go->LookAndFeel()->SetKind(lfStandard);
    root.Show();
    app->ProcessMessages();
    wchar_t text[32]{};
    GetWindowTextW(go->Handle(), text, 32);
    EXPECT_STREQ(text, L"Start");
    ASSERT_NE(go->Glyph(), nullptr);
    PixelCanvas shot(go->Width(), go->Height());
    SendMessageW(go->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.dc()), PRF_CLIENT);
    ASSERT_TRUE(shot.SaveBmp((ArtifactFolder() / L"button-action-glyph.bmp").c_str()));
    RECT g = go->ContentLayout(cxbsNormal).glyph;
    EXPECT_EQ(g.right - g.left, 16);
    EXPECT_EQ(shot.At((g.left + g.right) / 2, (g.top + g.bottom) / 2), kSquares[2]);
    EXPECT_NE(shot.At(g.left + 1, g.top + 1), kKey) << "the clear corner of the image is not painted";
    EXPECT_LT(g.right, go->ContentLayout(cxbsNormal).caption.left) << "glyph left of the caption";

    TForm wrong(app.get());
    std::wstring message;
    try {
        wrong.LoadFromDescription(description(L"Images1"));
    } catch (const EReadError& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, L"Invalid property value: Action = Images1: a TImageList is not an action");
}

} // namespace
