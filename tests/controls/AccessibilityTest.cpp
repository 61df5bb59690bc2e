#include "controls/cxAccelerator.h"
#include "controls/cxButtons.h"
#include "controls/cxControlsRegister.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "editors/cxButtonEdit.h"
#include "editors/cxTextEdit.h"
#include "runtime/rtStdCtrls.h"
#include "tests/common/RealInput.h"
#include "tests/common/WindowFixture.h"

#include <commctrl.h>
#include <oleacc.h>

#include <string>

namespace {

using AccessibilityTest = WindowFixture;

// What a program outside asks of a window: its text, through the message.
std::wstring WindowTextOf(HWND wnd)
{
    auto length = static_cast<int>(SendMessageW(wnd, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    auto copied =
        static_cast<int>(SendMessageW(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(copied));
    return text;
}

// The name the platform's accessibility layer gives a window, or nothing when it offers none.
std::wstring AccessibleNameOf(HWND wnd)
{
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(wnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&acc))) ||
        !acc)
        return {};
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring out;
    if (acc->get_accName(self, &name) == S_OK && name)
        out = name;
    SysFreeString(name);
    acc->Release();
    return out;
}

TEST_F(AccessibilityTest, LabelsProgressBarAndGroupBoxReadAsWhatTheyShow)
{
    auto* box = Make<TcxGroupBox>(5, 5, 300, 200);
    box->SetCaption(L"后缀");
    auto* bar = Make<TcxProgressBar>(10, 220, 200, 20);
    bar->SetPosition(42);
    auto* status = Make<TcxLabel>(10, 250, 10, 10);
    status->SetCaption(L"处理完毕！ ");
    EXPECT_EQ(WindowTextOf(box->Handle()), L"后缀");
    EXPECT_EQ(WindowTextOf(bar->Handle()), L"42 %");
    EXPECT_EQ(SendMessageW(bar->Handle(), PBM_GETPOS, 0, 0), 42);
    PBRANGE range{};
    EXPECT_EQ(SendMessageW(bar->Handle(), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(WindowTextOf(status->Handle()), L"处理完毕！ ");
    // The text follows every change (a status line changes all through a run).
    status->SetCaption(L"成功 1.tbi");
    bar->SetPosition(100);
    EXPECT_EQ(WindowTextOf(status->Handle()), L"成功 1.tbi");
    EXPECT_EQ(WindowTextOf(bar->Handle()), L"100 %");
}

// A field is named after its label: the label is static text placed just before the field in
// the window order, whatever order they were made in.
TEST_F(AccessibilityTest, AFieldTakesItsLabelsCaptionAsName)
{
    auto* field = Make<TNativeEdit>(80, 10, 100, 22);
    auto* other = Make<TNativeEdit>(80, 40, 100, 22);
    auto* label = Make<TcxLabel>(10, 12, 10, 10); // made last: after both fields
    label->SetCaption(L"原后缀");
    label->SetFocusControl(field);
    EXPECT_EQ(GetWindow(field->Handle(), GW_HWNDPREV), label->Handle());
    EXPECT_EQ(SendMessageW(label->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_STATIC, DLGC_STATIC);
    EXPECT_EQ(WindowTextOf(label->Handle()), L"原后缀");
    std::wstring name = AccessibleNameOf(field->Handle());
    // Where the platform's accessibility layer names fields after their labels, it finds this one.
    if (!name.empty()) {
        EXPECT_EQ(name, L"原后缀") << "the accessibility layer's name of the field";
    }
    // A label cannot be its own focus control; a freed control clears the reference.
    label->SetFocusControl(label);
    EXPECT_EQ(label->FocusControl(), field);
    delete field;
    EXPECT_EQ(label->FocusControl(), nullptr);
    label->SetFocusControl(other);
    EXPECT_EQ(GetWindow(other->Handle(), GW_HWNDPREV), label->Handle());
}

// A library field is a frame around the platform's edit box, and the edit box is what a screen
// reader meets: asked through the platform's accessibility layer, each field's edit box answers
// its label's caption (accelerator marks taken out), and follows changes of the caption and of
// the label's field.
TEST_F(AccessibilityTest, EachFieldsEditBoxAnswersItsLabelsCaption)
{
    auto* suffix = Make<TcxTextEdit>(80, 10, 100, 22);
    auto* folder = Make<TcxButtonEdit>(80, 40, 200, 22);
    auto* unlabelled = Make<TcxTextEdit>(80, 70, 100, 22);
    auto* suffixLabel = Make<TcxLabel>(10, 12, 10, 10);
    suffixLabel->SetCaption(L"原后缀");
    suffixLabel->SetFocusControl(suffix);
    auto* folderLabel = Make<TcxLabel>(10, 42, 10, 10);
    folderLabel->SetCaption(L"&Source folder");
    folderLabel->SetFocusControl(folder);
    HWND suffixBox = suffix->InnerEdit()->Handle(), folderBox = folder->InnerEdit()->Handle();
    // The name before any label exists, as the platform gives it.
    const std::wstring platformName = AccessibleNameOf(unlabelled->InnerEdit()->Handle());
    EXPECT_NE(SendMessageW(suffixBox, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0)
        << "the edit box answers for its own client object";
    EXPECT_EQ(AccessibleNameOf(suffixBox), L"原后缀");
    EXPECT_EQ(AccessibleNameOf(folderBox), L"Source folder");
    EXPECT_NE(AccessibleNameOf(unlabelled->InnerEdit()->Handle()), L"原后缀");
    // The rest of the object is the platform's: an editable text.
    IAccessible* acc = nullptr;
    ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(
        suffixBox, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void**>(&acc)));
    VARIANT self, role;
    VariantInit(&self);
    VariantInit(&role);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(acc->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.vt, VT_I4);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);
    acc->Release();
    // Changes follow: a new caption, a label that turns to another field.
    suffixLabel->SetCaption(L"新后缀");
    EXPECT_EQ(AccessibleNameOf(suffixBox), L"新后缀");
    suffixLabel->SetFocusControl(unlabelled);
    EXPECT_EQ(AccessibleNameOf(unlabelled->InnerEdit()->Handle()), L"新后缀");
    EXPECT_EQ(AccessibleNameOf(suffixBox), platformName) << "the old field has the platform's name again";
    delete folderLabel;
    EXPECT_EQ(AccessibleNameOf(folderBox), platformName);
}

TEST_F(AccessibilityTest, FocusControlLoadsFromADescription)
{
    RegisterDisplayControlClasses();
    TForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Caption1: TcxLabel
    Caption = '开始'
    FocusControl = Start
  end
  object Start: TcxButton
    Left = 80
    Caption = 'Go'
  end
end
)");
    TcxLabel* label = nullptr;
    TWinControl* start = nullptr;
    for (int i = 0; i < root.ControlCount(); ++i) {
        if (root.Controls(i)->Name() == L"Caption1")
            label = dynamic_cast<TcxLabel*>(root.Controls(i));
        if (root.Controls(i)->Name() == L"Start")
            start = root.Controls(i);
    }
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->FocusControl(), start);
}

} // namespace

namespace {

class AcceleratorTest : public WindowFixture {
protected:
    // Alt held, the letter pressed and released, Alt released: real keyboard input.
    static void AltKey(WORD key) { SendChord(VK_MENU, key); }
};

// Alt with a caption's marked letter: a label hands the focus to its control, a group box to
// its first child, a button clicks.
TEST_F(AcceleratorTest, AltWithTheMarkedLetterReachesTheControl)
{
    auto* field = Make<TNativeEdit>(80, 10, 100, 22);
    auto* label = Make<TcxLabel>(10, 12, 10, 10);
    label->SetCaption(L"&Name");
    label->SetFocusControl(field);
    auto* box = Make<TcxGroupBox>(10, 50, 250, 120);
    box->SetCaption(L"&Group");
    auto* second = new TNativeEdit(form);
    second->SetParent(box);
    second->SetBounds(10, 60, 100, 22);
    second->SetTabOrder(1);
    auto* first = new TNativeEdit(form);
    first->SetParent(box);
    first->SetBounds(10, 30, 100, 22);
    first->SetTabOrder(0);
    auto* button = Make<TcxButton>(300, 10, 90, 28);
    button->SetCaption(L"&Start");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    SetForegroundWindow(form->Handle());
    button->SetFocus();
    app->ProcessMessages();

    AltKey('N');
    EXPECT_TRUE(WaitFor([&] { return GetFocus() == field->Handle(); })) << "Alt+N: the label's field";
    AltKey('G');
    EXPECT_TRUE(WaitFor([&] { return GetFocus() == first->Handle(); })) << "Alt+G: the box's first child";
    AltKey('S');
    EXPECT_TRUE(WaitFor([&] { return clicks == 1; })) << "Alt+S: the button clicks";
    // Without accelerator handling the letter does nothing: a key typed after it still goes
    // to the field that had the focus.
    label->Properties()->SetShowAccelChar(false);
    first->SetFocus();
    AltKey('N');
    INPUT x[2]{};
    x[0].type = x[1].type = INPUT_KEYBOARD;
    x[0].ki.wVk = x[1].ki.wVk = 'X';
    x[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, x, sizeof(INPUT));
    ASSERT_TRUE(WaitFor(
        [&] { return GetWindowTextLengthW(first->Handle()) + GetWindowTextLengthW(field->Handle()) > 0; }));
    EXPECT_EQ(GetWindowTextLengthW(first->Handle()), 1);
    EXPECT_EQ(GetWindowTextLengthW(field->Handle()), 0);
    EXPECT_EQ(clicks, 1);
}

TEST(AcceleratorRuleTest, TheMarkedLetterInAnyCase)
{
    struct Case {
        wchar_t key;
        const wchar_t* caption;
        bool expected;
    } cases[] = {{L'n', L"&Name", true}, {L'N', L"&name", true}, {L'a', L"&Name", false},
                 {L'x', L"a&&x", false}, {L'x', L"a&&&x", true}, {L'n', L"Name&", false},
                 {L'n', L"Name", false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsAccelerator(c.key, c.caption), c.expected)
            << c.caption << " " << static_cast<char>(c.key);
}

} // namespace
