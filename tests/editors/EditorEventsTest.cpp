// The key, mouse, click and context-menu events of an editor, driven by real input: keys
// the editor does not use itself reach the program's handlers, the mouse over the edit box
// counts as over the editor, and a right click opens the editor's own menu.
#include "editors/cxButtonEdit.h"
#include "runtime/rtMenus.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

void Tap(WORD vk)
{
    PressKey(vk, false);
    PressKey(vk, true);
}

void Click(TWinControl* control, POINT p, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
{
    MoveCursor(control, p);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = down;
    in[1].mi.dwFlags = up;
    SendInput(2, in, sizeof(INPUT));
    Settle(Application);
}

class EditorEventsTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        edit = Make<TcxButtonEdit>(10, 10, 200, 21);
        other = Make<TcxTextEdit>(10, 60, 150, 21);
        MoveCursor(form, {450, 250});
    }
    void Record(const std::string& e) { events.push_back(e); }
    TcxButtonEdit* edit = nullptr;
    TcxTextEdit* other = nullptr;
    std::vector<std::string> events;
};

TEST_F(EditorEventsTest, KeysTheEditorDoesNotUseReachTheKeyEventsWhichMayChangeOrDropThem)
{
    std::vector<WORD> downs, ups;
    edit->OnKeyDown = [&](TObject* sender, WORD& key, TShiftState) {
        EXPECT_EQ(sender, edit);
        downs.push_back(key);
        if (key == VK_HOME)
            key = 0; // the caret stays where it is
    };
    edit->OnKeyUp = [&](TObject*, WORD& key, TShiftState) { ups.push_back(key); };
    edit->OnKeyPress = [&](TObject*, wchar_t& key) {
        if (key == L'a')
            key = L'b';
        else if (key == L'x')
            key = 0;
    };
    int clicks = 0;
    edit->Properties()->OnButtonClick = [&](TObject*, int) { ++clicks; };
    edit->SetText(L"12");
    edit->SetFocus();
    Settle(app.get());
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 2, 2);
    Tap('A');
    Tap('X');
    EXPECT_EQ(edit->Text(), L"12b") << "a changed and x dropped by OnKeyPress";
    Tap(VK_HOME);
    EXPECT_EQ(edit->SelStart(), 3) << "Home dropped by OnKeyDown";
    EXPECT_NE(std::find(downs.begin(), downs.end(), WORD('A')), downs.end());
    EXPECT_NE(std::find(ups.begin(), ups.end(), WORD('A')), ups.end());
    // The editor's own keys stay its own: Ctrl+Enter clicks the default button; Tab is reported
    // to OnKeyDown first and then moves on.
    downs.clear();
    SendChord(VK_CONTROL, VK_RETURN);
    Settle(app.get());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(std::find(downs.begin(), downs.end(), WORD(VK_RETURN)), downs.end());
    Tap(VK_TAB);
    EXPECT_TRUE(other->Focused());
    EXPECT_NE(std::find(downs.begin(), downs.end(), WORD(VK_TAB)), downs.end());
}

TEST_F(EditorEventsTest, MouseEventsAndClicksComeFromTheFrameAndTheEditBoxAlike)
{
    std::vector<POINT> downs, ups;
    std::vector<TMouseButton> buttons;
    int moves = 0, clicks = 0;
    edit->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        downs.push_back({x, y});
        buttons.push_back(b);
        EXPECT_TRUE(b != mbLeft || (s & ssLeft));
    };
    edit->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) { ups.push_back({x, y}); };
    edit->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
    edit->OnClick = [&](TObject*) { ++clicks; };
    RECT box = edit->InnerEdit()->BoundsRect();
    POINT inBox{box.left + 10, (box.top + box.bottom) / 2};
    POINT onFrame{1, edit->Height() / 2};
    for (POINT at : {inBox, onFrame}) {
        downs.clear();
        ups.clear();
        moves = 0;
        Click(edit, at);
        ASSERT_EQ(downs.size(), 1u);
        EXPECT_EQ(downs[0].x, at.x) << "in the editor's coordinates";
        EXPECT_EQ(downs[0].y, at.y);
        ASSERT_EQ(ups.size(), 1u);
        EXPECT_GT(moves, 0);
    }
    EXPECT_EQ(clicks, 2) << "OnClick is raised for a click on the text and on the frame";
    // A press that ends outside the editor is no click.
    MoveCursor(edit, inBox);
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof(press));
    Settle(app.get());
    MoveCursor(form, {400, 200});
    press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof(press));
    Settle(app.get());
    EXPECT_EQ(clicks, 2);
    // The right button too (the menu it asks for is not wanted here).
    edit->OnContextPopup = [](TObject*, POINT, bool& handled) { handled = true; };
    buttons.clear();
    Click(edit, inBox, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0], mbRight);
}

TEST_F(EditorEventsTest, EnterAndLeaveComeOnceForTheWholeEditorAlsoOverTheEditBox)
{
    edit->OnMouseEnter = [&](TObject*) { Record("enter"); };
    edit->OnMouseLeave = [&](TObject*) { Record("leave"); };
    RECT box = edit->InnerEdit()->BoundsRect();
    POINT inBox{box.left + 10, (box.top + box.bottom) / 2};
    POINT onFrame{1, edit->Height() / 2};
    MoveCursor(edit, onFrame);
    MoveCursor(edit, inBox);
    MoveCursor(edit, onFrame);
    MoveCursor(edit, inBox);
    EXPECT_EQ(events, std::vector<std::string>{"enter"}) << "moving onto the edit box is no leave";
    MoveCursor(form, {400, 200});
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"}));
    // Straight into the edit box from outside, and straight out again.
    events.clear();
    MoveCursor(edit, inBox);
    MoveCursor(form, {400, 200});
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(EditorEventsTest, ARightClickOpensTheEditorsMenuUnlessOnContextPopupHandlesIt)
{
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption(L"Choose");
    menu->Add(item);
    int chosen = 0, popups = 0;
    item->OnClick = [&](TObject*) { ++chosen; };
    // The menu is closed again as soon as it shows: an item chosen by key.
    menu->OnPopup = [&](TObject*) {
        ++popups;
        INPUT keys[4]{};
        WORD vks[2] = {VK_DOWN, VK_RETURN};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = vks[i / 2];
            keys[i].ki.dwFlags = (i % 2) ? KEYEVENTF_KEYUP : 0;
        }
        SendInput(4, keys, sizeof(INPUT));
    };
    edit->SetPopupMenu(menu);
    bool handle = false;
    std::vector<POINT> asked;
    edit->OnContextPopup = [&](TObject*, POINT p, bool& handled) {
        asked.push_back(p);
        handled = handle;
    };
    RECT box = edit->InnerEdit()->BoundsRect();
    POINT inBox{box.left + 10, (box.top + box.bottom) / 2};
    for (POINT at : {inBox, POINT{1, edit->Height() / 2}}) {
        chosen = popups = 0;
        asked.clear();
        Click(edit, at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        Settle(app.get());
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].x, at.x);
        EXPECT_EQ(asked[0].y, at.y);
        EXPECT_EQ(popups, 1) << "the editor's menu, not the edit box's own";
        EXPECT_EQ(chosen, 1);
    }
    handle = true;
    popups = 0;
    Click(edit, inBox, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    Settle(app.get());
    EXPECT_EQ(popups, 0) << "a handled request opens no menu";
    // Freeing the menu leaves no dangling reference.
    handle = false;
    delete menu;
    EXPECT_EQ(edit->PopupMenu(), nullptr);
}

} // namespace

namespace {

// A shortcut of the editor's popup menu, pressed while the editor has the focus, clicks its
// item before the editor or the program's key events see the key, and types nothing; a
// disabled item, or a key no item has, leaves the key to the editor.
TEST_F(EditorEventsTest, APopupMenuShortcutClicksItsItemAndTakesTheKey)
{
    auto* menu = new TPopupMenu(form);
    auto* open = new TMenuItem(form);
    open->SetCaption(L"Open");
    open->SetShortCut('K' | scCtrl);
    auto* more = new TMenuItem(form);
    more->SetCaption(L"More");
    auto* deep = new TMenuItem(form);
    deep->SetCaption(L"Deep");
    deep->SetShortCut(VK_F7);
    auto* off = new TMenuItem(form);
    off->SetCaption(L"Off");
    off->SetShortCut('J' | scCtrl);
    off->SetEnabled(false);
    menu->Add(open);
    menu->Add(more);
    more->Add(deep);
    menu->Add(off);
    std::vector<std::string> clicked;
    for (TMenuItem* item : {open, deep, off})
        item->OnClick = [&, item](TObject*) { clicked.push_back(ToUtf8(item->Caption())); };
    std::vector<WORD> downs;
    edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { downs.push_back(key); };
    edit->SetPopupMenu(menu);
    edit->SetText(L"ab");
    edit->SetFocus();
    Settle(app.get());
    SendMessageW(edit->InnerEdit()->Handle(), EM_SETSEL, 2, 2);

    const struct {
        const char* what;
        WORD modifier, key;
        const char* clicked; // nullptr: no item clicked
        bool keySeen;        // whether the editor's key event saw the key
    } cases[] = {
        {"an item's shortcut", VK_CONTROL, 'K', "Open", false},
        {"an item's shortcut inside a submenu", 0, VK_F7, "Deep", false},
        {"a disabled item's shortcut", VK_CONTROL, 'J', nullptr, true},
        {"a key no item has", VK_CONTROL, 'L', nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clicked.clear();
        downs.clear();
        if (c.modifier)
            SendChord(c.modifier, c.key);
        else
            Tap(c.key);
        Settle(app.get());
        if (c.clicked) {
            ASSERT_EQ(clicked.size(), 1u);
            EXPECT_EQ(clicked[0], c.clicked);
        } else {
            EXPECT_TRUE(clicked.empty());
        }
        EXPECT_EQ(std::find(downs.begin(), downs.end(), c.key) != downs.end(), c.keySeen);
        EXPECT_EQ(edit->Text(), L"ab") << "no character typed";
    }
    edit->SetPopupMenu(nullptr);
    clicked.clear();
    SendChord(VK_CONTROL, 'K');
    Settle(app.get());
    EXPECT_TRUE(clicked.empty()) << "without the menu the shortcut is an ordinary key";
}

} // namespace
