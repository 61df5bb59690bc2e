// The focus of an editor is the focus of the whole control: passing it between the frame's
// window and the edit box inside, or making a new edit box, is no entry and no exit.
#include "editors/cxTextEdit.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

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
