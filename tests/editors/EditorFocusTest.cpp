// The focus of an editor is the focus of the whole control: passing it between the frame's
// window and the edit box inside, or making a new edit box, is no entry and no exit.
#include "editors/cxButtonEdit.h"
#include "editors/cxTextEdit.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

class EditorFocusTest : public TallEditFixture {
protected:
    void SetUp() override
    {
        TallEditFixture::SetUp();
        edit->SetText(L"hello world");
        edit->OnEnter = [this](TObject*) { events.push_back("enter"); };
        edit->OnExit = [this](TObject*) { events.push_back("exit"); };
        edit->OnFocusChanged = [this](TObject*) { events.push_back("focus changed"); };
        other->SetFocus();
        Settle(app.get());
        events.clear();
    }
    std::vector<std::string> events;
};

TEST_F(EditorFocusTest, FocusThatReachesTheFrameIsOneEntryAndLeavingIsOneExit)
{
    RECT box = edit->InnerEdit()->BoundsRect();
    ASSERT_LT(box.bottom, 36) << "room for a click on the frame's own window below the edit box";
    const std::vector<std::string> entered{"enter", "focus changed"}, left{"exit", "focus changed"};
    struct Way {
        const char* name;
        std::function<void()> focus;
    };
    const Way ways[] = {
        {"a click below the edit box",
         [&] {
             SendLeftClick(edit->Handle(), {100, 37});
         }},
        {"the program focusing the frame's window", [&] { ::SetFocus(edit->Handle()); }},
        {"the program focusing the editor", [&] { edit->SetFocus(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        events.clear();
        way.focus();
        Settle(app.get());
        EXPECT_EQ(GetFocus(), edit->InnerEdit()->Handle()) << "the edit box takes the focus";
        EXPECT_TRUE(edit->Focused());
        EXPECT_EQ(events, entered);
        events.clear();
        other->SetFocus();
        Settle(app.get());
        EXPECT_EQ(events, left);
    }
}

// Settings that only a new edit box can take: the new box has the focus and the selection of
// the old one, and the editor raises nothing.
TEST_F(EditorFocusTest, ANewEditBoxKeepsTheFocusAndTheSelection)
{
    struct Case {
        const char* name;
        std::function<void(TcxTextEditProperties*)> change;
    };
    const Case cases[] = {
        {"EchoMode", [](TcxTextEditProperties* p) { p->SetEchoMode(eemPassword); }},
        {"PasswordChar", [](TcxTextEditProperties* p) { p->SetPasswordChar(L'#'); }},
        {"CharCase", [](TcxTextEditProperties* p) { p->SetCharCase(ecLowerCase); }},
        {"HideSelection", [](TcxTextEditProperties* p) { p->SetHideSelection(false); }},
        {"OEMConvert", [](TcxTextEditProperties* p) { p->SetOEMConvert(true); }},
        {"Alignment kept while editing",
         [](TcxTextEditProperties* p) {
             p->SetUseLeftAlignmentOnEditing(false);
             p->Alignment()->SetHorz(cxedit::TAlignment::taRightJustify);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit->SetFocus();
        Settle(app.get());
        HWND before = edit->InnerEdit()->Handle();
        edit->SetSelStart(2);
        edit->SetSelLength(5);
        events.clear();
        c.change(edit->Properties());
        Settle(app.get());
        EXPECT_NE(edit->InnerEdit()->Handle(), before) << "a new edit box";
        EXPECT_EQ(GetFocus(), edit->InnerEdit()->Handle());
        EXPECT_TRUE(edit->Focused());
        EXPECT_EQ(edit->SelStart(), 2);
        EXPECT_EQ(edit->SelLength(), 5);
        EXPECT_EQ(events, std::vector<std::string>{}) << "no exit, entry or focus change";
        // Typing goes on in the new box, over the selection.
        PressKey('Q', false);
        PressKey('Q', true);
        EXPECT_EQ(edit->Text().size(), 11u - 5u + 1u);
        edit->SetText(L"hello world");
        other->SetFocus();
        Settle(app.get());
    }
    // An unfocused editor's new box stays unfocused.
    events.clear();
    edit->Properties()->SetEchoMode(eemNormal);
    Settle(app.get());
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(events, std::vector<std::string>{});
}

} // namespace

namespace {

// A form with a default and a cancel button: the keys an editor claims (Enter that validates,
// Escape that restores a changed value, the click key of its default edit button, Tab that it
// reports before the focus moves) reach the editor; the rest are the form's.
TEST_F(EditorFocusTest, TheFormLeavesAnEditorTheDialogKeysItClaims)
{
    auto* ok = Make<TNativeButton>(250, 10, 80, 24);
    ok->SetDefault(true);
    auto* cancel = Make<TNativeButton>(250, 40, 80, 24);
    cancel->SetCancel(true);
    int okClicks = 0, cancelClicks = 0, editClicks = 0, validations = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    cancel->OnClick = [&](TObject*) { ++cancelClicks; };
    auto* field = Make<TcxButtonEdit>(10, 120, 200, 21);
    field->Properties()->Buttons()->Items(0)->SetDefault(true);
    field->Properties()->OnButtonClick = [&](TObject*, int) { ++editClicks; };
    field->Properties()->OnValidate = [&](TObject*, std::wstring&, std::wstring&, bool&) { ++validations; };
    std::vector<WORD> keysDown;
    field->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { keysDown.push_back(key); };
    field->SetText(L"before");
    field->SetFocus();
    Settle(app.get());
    auto press = [&](WORD key) {
        PressKey(key, false);
        PressKey(key, true);
    };

    press('X'); // a change by the user
    press(VK_RETURN);
    EXPECT_EQ(validations, 1) << "Enter validates";
    EXPECT_EQ(okClicks, 0) << "the default button took Enter from the editor";

    press('Y');
    press(VK_ESCAPE);
    EXPECT_EQ(field->Text(), L"before") << "Escape brings back the value the editor had on entry";
    EXPECT_EQ(cancelClicks, 0) << "the cancel button took Escape from the editor";
    press(VK_ESCAPE);
    EXPECT_EQ(cancelClicks, 1) << "with nothing to undo, Escape is the form's";

    PressKey(VK_CONTROL, false);
    press(VK_RETURN);
    PressKey(VK_CONTROL, true);
    EXPECT_EQ(editClicks, 1) << "Ctrl+Enter clicks the editor's default button";
    EXPECT_EQ(okClicks, 0);

    keysDown.clear();
    press(VK_TAB);
    EXPECT_NE(std::find(keysDown.begin(), keysDown.end(), WORD(VK_TAB)), keysDown.end())
        << "Tab reached OnKeyDown";
    EXPECT_FALSE(field->Focused()) << "and then the focus moved on";
}

} // namespace
