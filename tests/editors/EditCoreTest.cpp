// The edit core and the text edit driven by real key presses: events and their order,
// validation and its failure path, Escape and the clear key, clipboard refusals, the
// settings that the edit box must keep.
#include "editors/cxButtonEdit.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

void Type(const std::wstring& keys)
{
    for (wchar_t c : keys) {
        SHORT vk = VkKeyScanW(c);
        PressKey(LOBYTE(vk), false);
        PressKey(LOBYTE(vk), true);
    }
}

void Chord(WORD modifier, WORD key)
{
    PressKey(modifier, false);
    PressKey(key, false);
    PressKey(key, true);
    PressKey(modifier, true);
}

void PutClipboard(const std::wstring& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

std::wstring GetClipboard()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class CountingTextEdit : public TcxTextEdit {
public:
    using TcxTextEdit::TcxTextEdit;
    int propertiesChanges = 0;

protected:
    void PropertiesChanged() override
    {
        ++propertiesChanges;
        TcxTextEdit::PropertiesChanged();
    }
};

class EditCoreTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        edit = Make<TcxTextEdit>(10, 10, 150, 21);
        other = Make<TcxTextEdit>(10, 60, 150, 21);
        auto record = [this](const char* name) { return [this, name](TObject*) { events.push_back(name); }; };
        edit->Properties()->OnChange = record("change");
        edit->Properties()->OnEditValueChanged = record("value");
        edit->OnEditing = [this](TObject*, bool& canEdit) {
            events.push_back("editing");
            canEdit = allowEditing;
        };
        edit->OnEnter = record("enter");
        edit->OnExit = record("exit");
        SetForegroundWindow(form->Handle());
        Settle(app.get());
    }
    void FocusEdit()
    {
        other->SetFocus();
        edit->SetFocus();
        Settle(app.get());
        events.clear();
    }

    TcxTextEdit* edit = nullptr;
    TcxTextEdit* other = nullptr;
    std::vector<std::string> events;
    bool allowEditing = true;
};

TEST_F(EditCoreTest, SettingsChangedTogetherReachTheEditorOnceOrNotAtAll)
{
    auto* counting = Make<CountingTextEdit>(10, 120, 150, 21);
    struct Case {
        bool deliver;
        int expected;
    } cases[] = {{true, 1}, {false, 0}};
    for (const Case& c : cases) {
        counting->propertiesChanges = 0;
        TcxTextEditProperties* p = counting->Properties();
        p->LockUpdate();
        p->SetMaxLength(p->MaxLength() + 3);
        p->SetBeepOnError(!p->BeepOnError());
        p->UnlockUpdate(c.deliver);
        EXPECT_EQ(counting->propertiesChanges, c.expected) << c.deliver;
    }
}

TEST_F(EditCoreTest, EventsOfTypingOfCodeAndOfFocus)
{
    edit->SetText(L"one");
    EXPECT_EQ(events, (std::vector<std::string>{"change", "value"})) << "text set by code";
    EXPECT_FALSE(edit->EditModified());
    events.clear();
    edit->SetText(L"one");
    EXPECT_TRUE(events.empty()) << "the same value again";

    other->SetFocus();
    events.clear();
    edit->SetFocus();
    Settle(app.get());
    EXPECT_EQ(events, std::vector<std::string>{"enter"});
    events.clear();
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 3, 3);
    Type(L"x");
    EXPECT_EQ(events, (std::vector<std::string>{"editing", "change", "value"})) << "one typed character";
    EXPECT_EQ(edit->EditValue(), TcxEditValue::Of(L"onex"));
    EXPECT_TRUE(edit->ModifiedAfterEnter());
    EXPECT_TRUE(edit->EditModified());
    events.clear();
    allowEditing = false;
    Type(L"y");
    EXPECT_EQ(events, std::vector<std::string>{"editing"}) << "a refused change is dropped without events";
    EXPECT_EQ(edit->Text(), L"onex");
    events.clear();
    other->SetFocus();
    Settle(app.get());
    EXPECT_EQ(events, std::vector<std::string>{"exit"});
    EXPECT_FALSE(edit->EditModified()) << "leaving posts the value";
}

TEST_F(EditCoreTest, AFailedValidationKeepsTheFocusSelectsTheTextAndLeavesNothingLocked)
{
    struct Case {
        std::wstring handlerText;
        std::wstring shown;
    } cases[] = {{L"Not a suffix", L"Not a suffix"},
                 {L"", L"Invalid input value. Use escape key to abandon changes"}};
    for (const Case& c : cases) {
        bool fail = true;
        edit->Properties()->OnValidate = [&](TObject*, std::wstring&, std::wstring& errorText, bool& error) {
            error = fail;
            if (!c.handlerText.empty())
                errorText = c.handlerText;
        };
        edit->SetText(L"abc");
        FocusEdit();
        boxes.clear();
        SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 3, 3);
        Type(L"d");
        PressKey(VK_RETURN, false);
        PressKey(VK_RETURN, true);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], c.shown + (c.shown.back() == L'.' ? L"" : L"."));
        EXPECT_TRUE(edit->Focused());
        EXPECT_EQ(edit->SelLength(), 4) << "all text selected";
        EXPECT_FALSE(edit->IsValidating());
        EXPECT_FALSE(edit->ChangeEventsLocked()) << "OnChange must not be held after the error";
        EXPECT_EQ(edit->Text(), L"abcd") << "no Return character reached the text";
        events.clear();
        SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 4, 4);
        Type(L"e");
        EXPECT_EQ(events, (std::vector<std::string>{"editing", "change", "value"})) << "events flow again";
        fail = false;
        PressKey(VK_RETURN, false);
        PressKey(VK_RETURN, true);
        EXPECT_TRUE(edit->Validated());
        EXPECT_FALSE(edit->EditModified());
    }
}

TEST_F(EditCoreTest, EscapeRestoresTheValueOfEntryAndTheClearKeyClears)
{
    edit->SetText(L"start");
    FocusEdit();
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 5, 5);
    Type(L"xy");
    PressKey(VK_ESCAPE, false);
    PressKey(VK_ESCAPE, true);
    EXPECT_EQ(edit->Text(), L"start");
    EXPECT_EQ(edit->EditValue(), TcxEditValue::Of(L"start"));
    EXPECT_EQ(edit->SelLength(), 5);
    EXPECT_FALSE(edit->ModifiedAfterEnter());
    PressKey(VK_ESCAPE, false);
    PressKey(VK_ESCAPE, true);
    EXPECT_EQ(edit->Text(), L"start") << "a second Escape changes nothing";

    edit->Properties()->SetClearKey(VK_F2);
    events.clear();
    PressKey(VK_F2, false);
    PressKey(VK_F2, true);
    EXPECT_EQ(edit->Text(), L"");
    EXPECT_EQ(edit->EditValue(), TcxEditValue::Null());
    EXPECT_TRUE(edit->Validated());
    EXPECT_EQ(events, (std::vector<std::string>{"editing", "change", "value"}));
}

TEST_F(EditCoreTest, ClipboardOperationsRespectReadOnlyAndOnEditing)
{
    enum Op { Paste, Cut, Delete };
    struct Case {
        Op op;
        bool focused, readOnly, refused;
        std::wstring text; // afterwards
        bool done;
    } cases[] = {
        {Paste, false, false, false, L"clip", true},     {Paste, false, true, false, L"field", false},
        {Paste, false, false, true, L"field", false},    {Paste, true, true, false, L"field", false},
        {Paste, true, false, false, L"fieldclip", true}, {Cut, false, false, false, L"", true},
        {Cut, false, true, false, L"field", false},      {Cut, false, false, true, L"field", false},
        {Cut, true, false, true, L"field", false},       {Delete, false, true, false, L"field", false},
        {Delete, true, false, true, L"field", false},    {Delete, true, false, false, L"fie", true},
    };
    for (const Case& c : cases) {
        edit->Properties()->SetReadOnly(false);
        edit->SetText(L"field");
        edit->Properties()->SetReadOnly(c.readOnly);
        allowEditing = !c.refused;
        PutClipboard(L"clip");
        if (c.focused)
            FocusEdit();
        else
            other->SetFocus();
        // Paste at the end; cut and delete take the last two characters.
        if (c.op == Paste)
            SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 5, 5);
        else
            SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 3, 5);
        bool done = c.op == Paste ? edit->PasteText()
                    : c.op == Cut ? edit->CutSelection()
                                  : edit->DeleteSelection();
        std::string what = std::to_string(c.op) + (c.focused ? " focused" : " unfocused") +
                           (c.readOnly ? " read-only" : "") + (c.refused ? " refused" : "");
        EXPECT_EQ(done, c.done) << what;
        EXPECT_EQ(edit->Text(), c.text) << what;
        if (c.op == Cut) {
            EXPECT_EQ(GetClipboard(), c.done ? L"field" : L"clip")
                << "what a cut leaves on the clipboard: " << what;
        }
    }
    // The same refusals hold for the edit box's own messages.
    edit->Properties()->SetReadOnly(false);
    allowEditing = false;
    edit->SetText(L"field");
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 0, 5);
    SendMessageW(edit->InnerEdit()->Handle(), WM_CLEAR, 0, 0);
    SendMessageW(edit->InnerEdit()->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), L"field");
}

TEST_F(EditCoreTest, PastingIntoALimitedFieldKeepsWhatFits)
{
    struct Case {
        bool focused;
        const wchar_t* clip;
        const wchar_t* text; // afterwards
    } cases[] = {
        {true, L"12345", L"abc12"},          // at the caret after "abc"
        {false, L"12345678", L"12345"},      // an unfocused field takes the clipboard as its text
        {false, L"1234\U0001F600", L"1234"}, // never half of a character of two code units
    };
    for (const Case& c : cases) {
        edit->Properties()->SetMaxLength(5);
        edit->SetText(L"abc");
        if (c.focused) {
            FocusEdit();
            SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 3, 3);
        } else {
            other->SetFocus();
        }
        PutClipboard(c.clip);
        EXPECT_TRUE(edit->PasteText());
        EXPECT_EQ(edit->Text(), c.text) << c.focused;
    }
    edit->Properties()->SetMaxLength(-4);
    EXPECT_EQ(edit->Properties()->MaxLength(), 0);
}

// Every way text enters the field asks OnEditing first: the keyboard's own paste (which the
// edit box does without a paste message) and text finished by an input method too.
TEST_F(EditCoreTest, ShiftInsertAndInputMethodTextAskOnEditing)
{
    edit->Properties()->SetMaxLength(6);
    for (bool allowed : {false, true}) {
        SCOPED_TRACE(allowed);
        edit->SetText(L"ab");
        allowEditing = allowed;
        PutClipboard(L"12345");
        FocusEdit();
        SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 2, 2);
        Chord(VK_SHIFT, VK_INSERT);
        EXPECT_EQ(edit->Text(), allowed ? L"ab1234" : L"ab") << "Shift+Insert keeps the limit too";
        EXPECT_NE(std::find(events.begin(), events.end(), "editing"), events.end());
        edit->SetText(L"ab");
        SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 2, 2);
        events.clear();
        SendMessageW(edit->InnerEdit()->Handle(), WM_IME_CHAR, L'\x4E2D', 1);
        Settle(app.get());
        EXPECT_EQ(edit->Text(), allowed ? L"ab\x4E2D" : L"ab");
        EXPECT_NE(std::find(events.begin(), events.end(), "editing"), events.end());
        events.clear();
        SendMessageW(edit->InnerEdit()->Handle(), WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
        EXPECT_NE(std::find(events.begin(), events.end(), "editing"), events.end())
            << "a finished composition asks too";
    }
    allowEditing = true;
}

// A descendant (or a handler) that changes a setting while the editor takes in a change
// gets that change applied too.
class AdjustingTextEdit : public TcxTextEdit {
public:
    using TcxTextEdit::TcxTextEdit;

protected:
    void PropertiesChanged() override
    {
        TcxTextEdit::PropertiesChanged();
        // A read-only field of this kind is limited to four characters.
        if (Properties()->ReadOnly())
            Properties()->SetMaxLength(4);
    }
};

TEST_F(EditCoreTest, ASettingChangedWhileTheEditorTakesInAChangeIsApplied)
{
    auto* field = Make<AdjustingTextEdit>(10, 120, 150, 21);
    field->Properties()->SetReadOnly(true);
    EXPECT_EQ(field->Properties()->MaxLength(), 4);
    EXPECT_EQ(SendMessageW(field->InnerEdit()->Handle(), EM_GETLIMITTEXT, 0, 0), 4)
        << "the limit set inside the step reached the edit box";
}

TEST_F(EditCoreTest, TheEditBoxKeepsItsSettingsFromBeforeItsWindowAndAcrossRecreation)
{
    auto* field = new TcxTextEdit(form);
    field->Properties()->SetMaxLength(7);
    field->Properties()->SetEchoMode(eemPassword);
    field->Properties()->SetCharCase(ecUpperCase);
    field->SetText(L"secret");
    field->SetParent(form);
    field->SetBounds(10, 120, 150, 21);
    HWND box = field->InnerEdit()->Handle();
    EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 7);
    EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(field->Text(), L"SECRET") << "the letter case applies, the password stays the text";
    EXPECT_EQ(field->EditValue(), TcxEditValue::Of(L"SECRET"));
    field->Properties()->SetPasswordChar(L'#');
    box = field->InnerEdit()->Handle();
    EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'#');
    EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 7) << "kept across recreation";
    EXPECT_EQ(field->Text(), L"SECRET");
    field->Properties()->SetEchoMode(eemNormal);
    EXPECT_EQ(SendMessageW(field->InnerEdit()->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_EQ(field->Text(), L"SECRET");
}

TEST_F(EditCoreTest, TheStateTextColourReachesTheEditBox)
{
    edit->Style()->SetTextColor(clRed);
    EXPECT_EQ(edit->InnerEdit()->TextColor(), clRed);
    edit->StyleFocused()->SetTextColor(clBlue);
    FocusEdit();
    EXPECT_EQ(edit->InnerEdit()->TextColor(), clBlue);
}

TEST_F(EditCoreTest, CtrlEnterClicksOnlyAnEnabledDefaultButtonAndTypesNothing)
{
    auto* field = Make<TcxButtonEdit>(10, 120, 150, 21);
    int clicks = 0;
    field->Properties()->OnButtonClick = [&](TObject*, int) { ++clicks; };
    field->SetText(L"path");
    struct Case {
        bool enabled;
        int clicks;
    } cases[] = {{true, 1}, {false, 0}};
    for (const Case& c : cases) {
        clicks = 0;
        field->Properties()->Buttons()->Items(0)->SetEnabled(c.enabled);
        field->SetFocus();
        Settle(app.get());
        SendMessageW(field->InnerEdit()->Handle(), EM_SETSEL, 4, 4);
        Chord(VK_CONTROL, VK_RETURN);
        EXPECT_EQ(clicks, c.clicks) << c.enabled;
        EXPECT_EQ(field->Text(), L"path") << c.enabled;
    }
}

} // namespace
