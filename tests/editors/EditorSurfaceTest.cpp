// Settings of the editors that programs and descriptions reach but this program's own forms
// do not: the editor style's value table and its once-per-owner values, completion from
// lookup items, a hidden cursor and a transparent background.
#include "editors/cxButtonEdit.h"
#include "tests/common/Artifacts.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <string>
#include <vector>

namespace {

const wchar_t* const kEditStyleValueNames[] = {L"BorderColor",
                                               L"BorderStyle",
                                               L"Color",
                                               L"Edges",
                                               L"Font",
                                               L"HotTrack",
                                               L"Shadow",
                                               L"TextColor",
                                               L"TextStyle",
                                               L"TransparentBorder",
                                               L"ButtonStyle",
                                               L"ButtonTransparency",
                                               L"PopupBorderStyle",
                                               L"GradientButtons",
                                               L"Gradient",
                                               L"GradientDirection"};

TEST(EditStyleValuesTest, TheSixteenValuesAreFoundByNameInAnyLetterCase)
{
    TcxEditStyle editStyle(nullptr, csNormal);
    TcxContainerStyle containerStyle(nullptr, csNormal);
    EXPECT_EQ(editStyle.ValueCount(), 16);
    EXPECT_EQ(containerStyle.ValueCount(), 10);
    for (int i = 0; i < 16; ++i) {
        std::wstring name = kEditStyleValueNames[i];
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        EXPECT_EQ(editStyle.ValueName(i), name);
        std::wstring lower = name;
        CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
        for (const std::wstring& asked : {name, lower}) {
            int index = -1;
            EXPECT_TRUE(editStyle.ValueByName(asked, index));
            EXPECT_EQ(index, i);
        }
        int index = -1;
        EXPECT_EQ(containerStyle.ValueByName(name, index), i < 10) << "a container style has ten values";
    }
    int index = 7;
    EXPECT_FALSE(editStyle.ValueByName(L"Button", index)) << "a part of a name is no name";
    EXPECT_EQ(index, 7) << "a failed lookup leaves the index alone";
    // Values kept once per owner are never stored by the focused, disabled or hot style:
    // Edges, Font, HotTrack, Shadow, TransparentBorder and the five button values after ButtonStyle.
    EXPECT_EQ(editStyle.NotPublishedValues(), 0xFA78u);
    EXPECT_EQ(containerStyle.NotPublishedValues(), 0x0278u);
}

class EditStyleStoredTest : public WindowFixture {};

// Which of the editor style's own values a description of each state style holds, once every
// value is assigned: a text edit stores none; a button edit its button style in every state
// and its transparency and button gradient in the normal style (they are kept once per
// editor); nobody the popup frame or the background gradient.
TEST_F(EditStyleStoredTest, AnEditorStoresOnlyTheButtonValuesItsKindUses)
{
    auto* text = Make<TcxTextEdit>(10, 10, 120, 21);
    auto* button = Make<TcxButtonEdit>(10, 40, 120, 21);
    struct Case {
        TcxCustomEdit* editor;
        TcxContainerStateIndex state;
        bool stored[6]; // ButtonStyle ... GradientDirection
    };
    const Case cases[] = {
        {text, csNormal, {false, false, false, false, false, false}},
        {text, csFocused, {false, false, false, false, false, false}},
        {button, csNormal, {true, true, false, true, false, false}},
        {button, csFocused, {true, false, false, false, false, false}},
        {button, csDisabled, {true, false, false, false, false, false}},
        {button, csHot, {true, false, false, false, false, false}},
    };
    for (TcxCustomEdit* e : {static_cast<TcxCustomEdit*>(text), static_cast<TcxCustomEdit*>(button)}) {
        for (int s = 0; s < 4; ++s) {
            auto* style = static_cast<TcxEditStyle*>(e->StateStyle(static_cast<TcxContainerStateIndex>(s)));
            style->SetButtonStyle(bts3D);
            style->SetButtonTransparency(ebtAlways);
            style->SetPopupBorderStyle(epbsFlat);
            style->SetGradientButtons(true);
            style->SetGradient(true);
            style->SetGradientDirection(2);
        }
    }
    for (const Case& c : cases) {
        TcxContainerStyle* style = c.editor->StateStyle(c.state);
        for (int v = 0; v < 6; ++v) {
            SCOPED_TRACE(testing::Message()
                         << c.editor->ClassName() << " state " << c.state << " value " << v);
            EXPECT_TRUE(style->IsValueAssigned(esvButtonStyle + v));
            EXPECT_EQ(style->IsValueStored(esvButtonStyle + v), c.stored[v]);
        }
    }
}

// The popup frame and the gradient values are kept once per owner like the edges: a state
// style reads and writes the normal one, and what no style of the editor assigns comes from
// its style controller.
TEST_F(EditStyleStoredTest, ThePopupFrameAndTheGradientAreKeptOncePerEditorAndComeFromTheController)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 120, 21);
    auto* hot = static_cast<TcxEditStyle*>(edit->StyleHot());
    TcxEditStyle* normal = edit->EditStyle();
    EXPECT_EQ(hot->PopupBorderStyle(), epbsDefault);
    EXPECT_FALSE(hot->Gradient());
    EXPECT_EQ(hot->GradientDirection(), 4);
    EXPECT_FALSE(hot->GradientButtons());

    TcxEditStyleController controller(form);
    controller.Style()->SetPopupBorderStyle(epbsFrame3D);
    controller.Style()->SetGradient(true);
    controller.Style()->SetGradientDirection(1);
    controller.Style()->SetGradientButtons(true);
    normal->SetStyleController(&controller);
    EXPECT_EQ(normal->PopupBorderStyle(), epbsFrame3D);
    EXPECT_EQ(hot->PopupBorderStyle(), epbsFrame3D);
    EXPECT_TRUE(hot->Gradient());
    EXPECT_EQ(hot->GradientDirection(), 1);
    EXPECT_TRUE(normal->GradientButtons());
    EXPECT_FALSE(normal->IsValueAssigned(esvGradient)) << "the controller's value is not the editor's own";

    // Set through the hot style, assigned in the normal one, and ahead of the controller.
    hot->SetPopupBorderStyle(epbsSingle);
    hot->SetGradient(false);
    EXPECT_EQ(normal->PopupBorderStyle(), epbsSingle);
    EXPECT_FALSE(normal->Gradient());
    EXPECT_TRUE(normal->IsValueAssigned(esvPopupBorderStyle));
    EXPECT_TRUE(normal->IsValueAssigned(esvGradient));
    // The direction runs from 1 to 4; values outside become the nearest.
    for (auto [given, kept] : {std::pair{0, 1}, {3, 3}, {9, 4}, {-2, 1}}) {
        normal->SetGradientDirection(given);
        EXPECT_EQ(hot->GradientDirection(), kept) << given;
    }
    normal->SetStyleController(nullptr);
}

class LookupTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        edit = Make<TcxTextEdit>(10, 10, 200, 21);
        other = Make<TcxTextEdit>(10, 60, 150, 21);
        edit->Properties()->LookupItems()->SetLines({L"apple", L"Banana", L"berry", L"cherry"});
        edit->Properties()->OnNewLookupDisplayText = [this](TObject* sender, const std::wstring& text) {
            EXPECT_EQ(sender, edit);
            newTexts.push_back(text);
        };
        edit->SetFocus();
        Settle(app.get());
    }
    void Type(const std::wstring& keys)
    {
        for (wchar_t c : keys) {
            WORD vk = static_cast<WORD>(LOBYTE(VkKeyScanW(c)));
            PressKey(vk, false);
            PressKey(vk, true);
        }
    }
    std::wstring Selected() { return edit->SelText(); }
    TcxTextEdit* edit = nullptr;
    TcxTextEdit* other = nullptr;
    std::vector<std::wstring> newTexts;
};

// Typing at the end of the text completes it from the first item that starts with what was
// typed; the completed part is selected so that typing on replaces it.
TEST_F(LookupTest, TypingCompletesFromTheFirstMatchingItemAndKeepsTheTypedLetters)
{
    struct Case {
        bool caseInsensitive, sorted;
        const wchar_t* typed;
        const wchar_t* text;
        const wchar_t* selected;
    };
    const Case cases[] = {
        {true, false, L"b", L"banana", L"anana"}, // first match, typed letter kept
        {true, false, L"be", L"berry", L"rry"},   // the next letter moves on
        {false, false, L"b", L"berry", L"erry"},  // with case: "Banana" does not start with b
        {true, false, L"x", L"x", L""},           // nothing starts with x
        {true, false, L"ch", L"cherry", L"erry"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed " << std::string(c.typed, c.typed + wcslen(c.typed))
                                        << " caseInsensitive " << c.caseInsensitive);
        edit->Properties()->SetCaseInsensitive(c.caseInsensitive);
        edit->SetText(L"");
        Type(c.typed);
        EXPECT_EQ(edit->Text(), c.text);
        EXPECT_EQ(Selected(), c.selected);
    }
    // Sorted items keep their order without regard to case; an item added later finds its
    // place and is the first match from then on.
    edit->Properties()->SetCaseInsensitive(true);
    edit->Properties()->SetLookupItemsSorted(true);
    edit->Properties()->LookupItems()->Add(L"Bamboo");
    const std::vector<std::wstring> sorted{L"apple", L"Bamboo", L"Banana", L"berry", L"cherry"};
    EXPECT_EQ(edit->Properties()->LookupItems()->Lines(), sorted);
    edit->SetText(L"");
    Type(L"b");
    EXPECT_EQ(edit->Text(), L"bamboo") << "the first of the sorted items";
    // Without incremental search, or in the middle of the text, a key is only a key.
    edit->Properties()->SetIncrementalSearch(false);
    edit->SetText(L"");
    Type(L"c");
    EXPECT_EQ(edit->Text(), L"c");
    edit->Properties()->SetIncrementalSearch(true);
    edit->SetText(L"ac");
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 1, 1);
    Type(L"p");
    EXPECT_EQ(edit->Text(), L"apc");
}

// A text that is not among the items is reported once it is taken (Enter, leaving the field);
// a completed item is not.
TEST_F(LookupTest, ATakenTextThatIsNoItemIsReportedAndAnItemIsNot)
{
    edit->SetText(L"");
    Type(L"ch");
    PressKey(VK_RETURN, false);
    PressKey(VK_RETURN, true);
    EXPECT_EQ(edit->Text(), L"cherry");
    EXPECT_TRUE(newTexts.empty());
    edit->SelectAll();
    Type(L"x");
    PressKey(VK_RETURN, false);
    PressKey(VK_RETURN, true);
    ASSERT_EQ(newTexts.size(), 1u);
    EXPECT_EQ(newTexts[0], L"x");
    Type(L"z");
    PressKey(VK_TAB, false);
    PressKey(VK_TAB, true);
    EXPECT_TRUE(other->Focused());
    ASSERT_EQ(newTexts.size(), 2u);
    EXPECT_EQ(newTexts[1], L"xz");
}

// A hidden cursor makes the field one to look at: keys, pasting and cutting change nothing,
// while text set by code still shows. (Whether the caret is hidden cannot be asked here: the
// platform under test reports a hidden caret as blinking.)
TEST_F(LookupTest, AHiddenCursorLeavesTheTextToTheProgram)
{
    edit->Properties()->LookupItems()->Clear();
    edit->SetText(L"abc");
    edit->Properties()->SetHideCursor(true);
    other->SetFocus();
    Settle(app.get());
    edit->SetFocus();
    Settle(app.get());
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 3, 3);
    Type(L"x");
    EXPECT_EQ(edit->Text(), L"abc");
    PressKey(VK_BACK, false);
    PressKey(VK_BACK, true);
    EXPECT_EQ(edit->Text(), L"abc");
    EXPECT_FALSE(edit->PasteText());
    EXPECT_EQ(edit->Text(), L"abc");
    edit->SetText(L"set by code");
    EXPECT_EQ(edit->Text(), L"set by code");
    // Shown again, the field edits as before.
    edit->Properties()->SetHideCursor(false);
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 0, 0);
    Type(L"x");
    EXPECT_EQ(edit->Text(), L"xset by code");
}

// A transparent editor leaves its background to what lies behind it; the frame is still drawn.
TEST_F(EditStyleStoredTest, ATransparentEditorShowsTheParentInsideItsFrame)
{
    const TColor formColour = static_cast<TColor>(RGB(40, 160, 90));
    form->SetColor(formColour);
    auto* edit = Make<TcxTextEdit>(10, 10, 160, 44);
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, 160, 44);
    app->ProcessMessages();
    RECT inner;
    GetWindowRect(edit->InnerEdit()->Handle(), &inner);
    MapWindowPoints(nullptr, edit->Handle(), reinterpret_cast<POINT*>(&inner), 2);
    ASSERT_LT(inner.bottom, 38) << "room below the edit box";
    const POINT below{80, 38}, frame{80, 43 - 1};
    auto paint = [&] {
        auto canvas = std::make_unique<PixelCanvas>(160, 44);
        SendMessageW(edit->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
        return canvas;
    };
    auto opaque = paint();
    EXPECT_EQ(opaque->At(below.x, below.y), GetSysColor(COLOR_WINDOW));
    edit->SetTransparent(true);
    auto clear = paint();
    clear->SaveBmp((ArtifactFolder() / L"editor_transparent.bmp").c_str());
    EXPECT_EQ(clear->At(below.x, below.y), ColorToRGB(formColour));
    EXPECT_EQ(clear->At(frame.x, frame.y), opaque->At(frame.x, frame.y)) << "the frame stays";
    EXPECT_NE(clear->At(frame.x, frame.y), ColorToRGB(formColour));
}

} // namespace

namespace {

// A text editor that steps through values with the wheel, as descendants do.
class WheelEdit : public TcxTextEdit {
public:
    using TcxTextEdit::TcxTextEdit;
    std::vector<int> deltas;

protected:
    bool DoMouseWheel(TShiftState, int delta, POINT) override
    {
        deltas.push_back(delta);
        return true;
    }
};

int g_formWheels = 0;
WNDPROC g_formProc = nullptr;
LRESULT CALLBACK CountingFormProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MOUSEWHEEL)
        ++g_formWheels;
    return CallWindowProcW(g_formProc, wnd, msg, wParam, lParam);
}

class MouseWheelTest : public InputFixture {};

// A wheel turn over the edit box is the editor's while its properties use the wheel, and the
// parent's otherwise (a plain text editor never takes it).
TEST_F(MouseWheelTest, AWheelTurnGoesToAnEditorThatUsesItAndElseToTheParent)
{
    auto* wheel = Make<WheelEdit>(10, 10, 200, 21);
    auto* plain = Make<TcxTextEdit>(10, 60, 200, 21);
    g_formWheels = 0;
    g_formProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingFormProc)));
    auto turn = [&](TcxCustomTextEdit* e, int delta) {
        e->SetFocus();
        RECT box = e->InnerEdit()->BoundsRect();
        MoveCursor(e, {box.left + 20, (box.top + box.bottom) / 2});
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = MOUSEEVENTF_WHEEL;
        in.mi.mouseData = static_cast<DWORD>(delta);
        SendInput(1, &in, sizeof(in));
        Settle(app.get());
    };
    turn(wheel, -WHEEL_DELTA);
    EXPECT_EQ(wheel->deltas, std::vector<int>{-WHEEL_DELTA});
    EXPECT_EQ(g_formWheels, 0);
    wheel->Properties()->SetUseMouseWheel(false);
    turn(wheel, WHEEL_DELTA);
    EXPECT_EQ(wheel->deltas.size(), 1u) << "an editor told not to use the wheel is not asked";
    EXPECT_EQ(g_formWheels, 1);
    turn(plain, WHEEL_DELTA);
    EXPECT_EQ(g_formWheels, 2) << "a plain text editor passes the wheel on";
    SetWindowLongPtrW(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_formProc));
}

} // namespace
