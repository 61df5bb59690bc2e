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

// Runs the probe program on wnd as a second process and returns what it printed; the windows
// are served meanwhile, as a screen reader's questions reach them through their messages.
std::string ProbeFromOutside(TApplication* app, HWND wnd, long press = -1)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    wchar_t out[MAX_PATH], outDir[MAX_PATH];
    GetTempPathW(MAX_PATH, outDir);
    GetTempFileNameW(outDir, L"acc", 0, out);
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE file = CreateFileW(out, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::wstring command = L"\"" + dir + L"accessible_probe.exe\" " +
                           std::to_wstring(reinterpret_cast<INT_PTR>(wnd)) +
                           (press >= 0 ? L" --press " + std::to_wstring(press) : L"");
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file;
    si.hStdError = file;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(file);
    if (!started)
        return "not started";
    const ULONGLONG until = GetTickCount64() + 30000;
    while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0 &&
           GetTickCount64() < until)
        app->ProcessMessages();
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    app->ProcessMessages();
    std::string text;
    HANDLE read = CreateFileW(out, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[4096];
    DWORD got = 0;
    while (read != INVALID_HANDLE_VALUE && ReadFile(read, buf, sizeof(buf), &got, nullptr) && got)
        text.append(buf, got);
    if (read != INVALID_HANDLE_VALUE)
        CloseHandle(read);
    DeleteFileW(out);
    return text;
}

// The own-drawn controls, read by a separate program as a screen reader reads them: each says
// what it is, what it is called and what it shows; a field's buttons are parts that can be
// found, hit and pressed; the library's push button is pressed the same way.
TEST_F(AccessibilityTest, ASecondProgramReadsEachControlForWhatItIsAndPressesTheButtons)
{
    auto* box = Make<TcxGroupBox>(5, 5, 480, 280);
    box->SetCaption(L"后缀");
    auto make = [&](auto* control, int left, int top, int width, int height) {
        control->SetParent(box);
        control->SetBounds(left, top, width, height);
        return control;
    };
    auto* progressLabel = make(new TcxLabel(form), 20, 200, 10, 10);
    progressLabel->SetCaption(L"进度");
    auto* bar = make(new TcxProgressBar(form), 80, 196, 300, 20);
    bar->SetPosition(42);
    auto* status = make(new TcxLabel(form), 20, 240, 10, 10);
    status->SetCaption(L"成功 1.tbi");
    auto* folder = make(new TcxButtonEdit(form), 80, 40, 300, 21);
    folder->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
    folder->Properties()->Buttons()->Items(0)->SetHint(L"浏览...");
    int browsed = 0;
    folder->Properties()->OnButtonClick = [&](TObject*, int) { ++browsed; };
    auto* start = make(new TcxButton(form), 80, 100, 120, 30);
    start->SetCaption(L"开始修改");
    int started = 0;
    start->OnClick = [&](TObject*) { ++started; };
    app->ProcessMessages();

    struct Case {
        const char* what;
        HWND wnd;
        std::string expected; // the probe's first line
    };
    const Case cases[] = {
        {"progress bar", bar->Handle(), "self role=48 name=进度 value=42 % action=- children=0"},
        {"label", status->Handle(), "self role=41 name=成功 1.tbi value=- action=- children=0"},
        {"group box", box->Handle(), "self role=20 name=后缀"},
        {"push button", start->Handle(), "self role=43 name=开始修改 value=- action=Press"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = ProbeFromOutside(app.get(), c.wnd);
        EXPECT_EQ(text.substr(0, c.expected.size()), c.expected) << text;
    }

    // The field's "..." button: a part with a name, a place on the screen, a hit test and an action.
    RECT b = folder->ButtonViewInfos().at(0).visibleBounds;
    POINT corner{b.left, b.top};
    ClientToScreen(folder->Handle(), &corner);
    const std::string text = ProbeFromOutside(app.get(), folder->Handle(), 1);
    const std::string expected =
        "child 1 role=43 name=浏览... action=Press state=0 at=" + std::to_string(corner.x) + "," +
        std::to_string(corner.y) + "," + std::to_string(b.right - b.left) + "," +
        std::to_string(b.bottom - b.top) + " hit=1";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    EXPECT_NE(text.find("pressed 1 0x00000000"), std::string::npos) << text;
    EXPECT_TRUE(WaitFor([&] { return browsed == 1; })) << "the press reached the button";
    // A disabled button is found but not pressed.
    folder->Properties()->Buttons()->Items(0)->SetEnabled(false);
    app->ProcessMessages();
    const std::string disabled = ProbeFromOutside(app.get(), folder->Handle(), 1);
    EXPECT_NE(disabled.find("state=1 "), std::string::npos) << disabled;
    app->ProcessMessages();
    EXPECT_EQ(browsed, 1);

    const std::string pressed = ProbeFromOutside(app.get(), start->Handle(), 0);
    EXPECT_NE(pressed.find("pressed 0 0x00000000"), std::string::npos) << pressed;
    EXPECT_TRUE(WaitFor([&] { return started == 1; })) << "the press reached the push button";
}

// Clients that ask through IDispatch (scripting hosts do) get the same answers, with the child
// given or left out.
TEST_F(AccessibilityTest, QuestionsAskedThroughInvokeGetTheSameAnswers)
{
    auto* bar = Make<TcxProgressBar>(10, 10, 200, 20);
    bar->SetPosition(42);
    IAccessible* acc = nullptr;
    ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(bar->Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                        __uuidof(IAccessible),
                                                        reinterpret_cast<void**>(&acc)));
    struct Case {
        const char* what;
        DISPID id;
        bool withChild;
        VARTYPE type;
        std::wstring text;
        long number;
    };
    const Case cases[] = {
        {"value, child given", DISPID_ACC_VALUE, true, VT_BSTR, L"42 %", 0},
        {"value, child left out", DISPID_ACC_VALUE, false, VT_BSTR, L"42 %", 0},
        {"value, child passed as a missing optional argument", DISPID_ACC_VALUE, true, VT_BSTR, L"42 %", -1},
        {"role", DISPID_ACC_ROLE, true, VT_I4, L"", ROLE_SYSTEM_PROGRESSBAR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VARIANT child, result;
        VariantInit(&child);
        VariantInit(&result);
        child.vt = VT_I4;
        child.lVal = CHILDID_SELF;
        if (c.number == -1) {
            child.vt = VT_ERROR;
            child.scode = DISP_E_PARAMNOTFOUND;
        }
        DISPPARAMS params{c.withChild ? &child : nullptr, nullptr, c.withChild ? 1u : 0u, 0};
        ASSERT_EQ(acc->Invoke(c.id, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result, nullptr, nullptr),
                  S_OK);
        ASSERT_EQ(result.vt, c.type);
        if (c.type == VT_BSTR)
            EXPECT_EQ(std::wstring(result.bstrVal), c.text);
        else
            EXPECT_EQ(result.lVal, c.number);
        VariantClear(&result);
    }
    acc->Release();
}

// A screen reader hears of each new text of a status label and of each new value the bar shows,
// and of no step of the bar that leaves its text as it was.
TEST_F(AccessibilityTest, NewStatusTextsAndShownValuesAreAnnounced)
{
    auto* bar = Make<TcxProgressBar>(10, 10, 200, 20);
    auto* status = Make<TcxLabel>(10, 40, 10, 10);
    static std::vector<std::pair<DWORD, HWND>> heard;
    heard.clear();
    HWINEVENTHOOK hook = SetWinEventHook(
        EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
        [](HWINEVENTHOOK, DWORD event, HWND wnd, LONG object, LONG child, DWORD, DWORD) {
            if (object == OBJID_CLIENT && child == CHILDID_SELF)
                heard.emplace_back(event, wnd);
        },
        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    status->SetCaption(L"成功 1.tbi");
    bar->SetPosition(42);
    bar->SetPosition(42.2); // still "42 %"
    bar->SetPosition(43);
    WaitFor([] { return heard.size() >= 3; });
    UnhookWinEvent(hook);
    const std::vector<std::pair<DWORD, HWND>> expected = {{EVENT_OBJECT_NAMECHANGE, status->Handle()},
                                                          {EVENT_OBJECT_VALUECHANGE, bar->Handle()},
                                                          {EVENT_OBJECT_VALUECHANGE, bar->Handle()}};
    EXPECT_EQ(heard, expected);
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
