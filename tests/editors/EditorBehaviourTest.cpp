// What editors do around their forms and the mouse: a closing modal form checks the value
// quietly, a quick second click on a button is a second click, the content sits where the
// alignment says, and a size the editor gives itself keeps the anchored edge in place.
#include "editors/cxButtonEdit.h"
#include "editors/cxEditRepositoryItems.h"
#include "tests/common/FreedObjectTrap.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <string>
#include <vector>

namespace {

using cxedit::TAlignment;
using cxedit::TcxEditVertAlignment;

class EditorBehaviourTest : public InputFixture {};

// The height of one line of text in the font, measured here and not by the editor.
int LineHeight(TFont* font)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    SIZE sz{};
    GetTextExtentPoint32W(dc, L"Wg", 2, &sz);
    SelectObject(dc, old);
    DeleteDC(dc);
    return sz.cy;
}

TEST_F(EditorBehaviourTest, AClosingModalFormChecksTheValueWithoutRaisingAndNotAtAllWhenCancelled)
{
    struct Case {
        TModalResult result;
        int validations; // OnValidate calls while the form closes
    } cases[] = {{mrOk, 1}, {mrCancel, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        boxes.clear();
        auto* dialog = new TForm(app.get());
        dialog->SetBounds(150, 150, 300, 150);
        auto* edit = new TcxTextEdit(dialog);
        edit->SetParent(dialog);
        edit->SetBounds(10, 10, 150, 21);
        int validations = 0;
        edit->Properties()->OnValidate = [&](TObject*, std::wstring&, std::wstring& text, bool& error) {
            ++validations;
            text = L"refused";
            error = true;
        };
        int step = 0;
        TcxTimer driver(nullptr);
        driver.SetInterval(20);
        driver.SetOnTimer([&](TObject*) {
            // Inside the modal loop: the user types into the field, then the form closes.
            if (step == 0) {
                edit->SetFocus();
                SendMessageW(edit->InnerEdit()->Handle(), WM_CHAR, L'x', 0);
            } else if (step == 1) {
                dialog->SetModalResult(c.result);
                driver.SetEnabled(false);
            }
            ++step;
        });
        int shown = dialog->ShowModal();
        EXPECT_EQ(shown, c.result);
        EXPECT_EQ(edit->Text(), L"x") << "the typing reached the field";
        EXPECT_EQ(validations, c.validations);
        EXPECT_TRUE(boxes.empty()) << "no error box over a closed form";
        EXPECT_FALSE(edit->IsValidating());
        delete dialog;
        app->ProcessMessages();
    }
}

TEST_F(EditorBehaviourTest, AQuickSecondClickOnAButtonIsASecondClickAndElsewhereADoubleClick)
{
    auto* edit = Make<TcxButtonEdit>(10, 10, 200, 21);
    int clicks = 0, doubleClicks = 0;
    edit->Properties()->OnButtonClick = [&](TObject*, int) { ++clicks; };
    edit->OnDblClick = [&](TObject*) { ++doubleClicks; };
    auto twoClicks = [&](POINT at) {
        MoveCursor(edit, at);
        // One batch, so that the second press comes within the double-click time.
        INPUT in[4] = {};
        DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
        for (int i = 0; i < 4; ++i) {
            in[i].type = INPUT_MOUSE;
            in[i].mi.dwFlags = flags[i];
        }
        SendInput(4, in, sizeof(INPUT));
        Settle(app.get());
    };
    RECT b = edit->ButtonViewInfos().at(0).bounds;
    twoClicks({(b.left + b.right) / 2, (b.top + b.bottom) / 2});
    EXPECT_EQ(clicks, 2) << "the second press of the pair was lost";
    EXPECT_EQ(doubleClicks, 0);
    // The ring of the frame belongs to the editor's own window, not to the edit box.
    twoClicks({1, edit->Height() / 2});
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubleClicks, 1);
    // So is a double click on the text, in the edit box.
    edit->SetText(L"some text");
    twoClicks({edit->Width() / 4, edit->Height() / 2});
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubleClicks, 2);
}

// A click on a button is a press and a release over it, whether or not the editor shows
// the hot look: hot tracking changes what is drawn, never what a click does. A press dragged
// off the button and released elsewhere is no click in either case.
TEST_F(EditorBehaviourTest, AButtonClickFiresWithAndWithoutHotTracking)
{
    auto* edit = Make<TcxButtonEdit>(10, 10, 200, 21);
    int clicks = 0;
    edit->Properties()->OnButtonClick = [&](TObject*, int) { ++clicks; };
    auto mouse = [&](DWORD flags) {
        SendMouseButton(flags);
        Settle(app.get());
    };
    for (bool hotTrack : {true, false}) {
        SCOPED_TRACE(hotTrack ? "hot tracking on" : "hot tracking off");
        edit->Style()->SetHotTrack(hotTrack);
        RECT b = edit->ButtonViewInfos().at(0).bounds;
        POINT centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        clicks = 0;
        MoveCursor(edit, centre);
        EXPECT_EQ(edit->HotButton(), hotTrack ? 0 : -1);
        mouse(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(edit->PressedButton(), 0);
        mouse(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(clicks, 1) << "pressed and released over the button";
        // Pressed on the button, released over the text area: no click.
        mouse(MOUSEEVENTF_LEFTDOWN);
        MoveCursor(edit, POINT{20, edit->Height() / 2});
        mouse(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(clicks, 1) << "released away from the button";
        MoveCursor(edit, POINT{20, edit->Height() / 2});
    }
}

// The buttons shown may change while one is held down: the press stays with the button that
// was pressed, and the release always frees the mouse.
TEST_F(EditorBehaviourTest, AButtonHiddenOrMovedWhileHeldNeitherKeepsTheMouseNorMovesThePress)
{
    auto* edit = Make<TcxButtonEdit>(10, 10, 240, 21);
    TcxEditButtons* buttons = edit->Properties()->Buttons();
    buttons->Add()->SetKind(bkEllipsis);
    buttons->Add()->SetKind(bkEllipsis);
    std::vector<int> clicks;
    edit->Properties()->OnButtonClick = [&](TObject*, int index) { clicks.push_back(index); };
    auto mouse = [&](DWORD flags) {
        SendMouseButton(flags);
        Settle(app.get());
    };
    auto centreOf = [&](int visible) {
        RECT b = edit->ButtonViewInfos().at(static_cast<size_t>(visible)).bounds;
        return POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    };
    struct Case {
        const char* what;
        int pressed;                  // the button pressed (index in the list)
        int changed;                  // the button hidden while it is held
        std::vector<int> clicksAfter; // released where the pressed button is now
    };
    const Case cases[] = {
        {"the held button hidden", 1, 1, {}},
        {"a button before it hidden: the held one moves", 1, 0, {1}},
        {"a button after it hidden", 1, 2, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int i = 0; i < buttons->Count(); ++i)
            buttons->Items(i)->SetVisible(true);
        Settle(app.get());
        clicks.clear();
        MoveCursor(edit, centreOf(c.pressed));
        mouse(MOUSEEVENTF_LEFTDOWN);
        ASSERT_EQ(GetCapture(), edit->Handle());
        buttons->Items(c.changed)->SetVisible(false);
        Settle(app.get());
        if (c.changed != c.pressed) {
            const int visible = c.pressed - (c.changed < c.pressed ? 1 : 0);
            MoveCursor(edit, centreOf(visible));
            EXPECT_EQ(edit->PressedButton(), visible) << "the press stays with the held button";
        }
        mouse(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(GetCapture(), nullptr) << "the release freed the mouse";
        EXPECT_EQ(clicks, c.clicksAfter);
    }
}

// A handler may free the editor it was called for, as with the platform's own controls: what
// the editor still had to do for that click or key is dropped, and nothing of it is touched.
TEST_F(EditorBehaviourTest, AHandlerThatFreesItsEditorLeavesNothingTouchingTheFreedEditor)
{
    enum class Event { ButtonClick, Click, DblClick, MouseDown, MouseUp };
    enum class By { MouseOnButton, MouseOnFrame, MouseOnText, DoubleClickOnText, ClickKey };
    struct Case {
        const char* what;
        Event event;
        By by;
    };
    const Case cases[] = {
        {"an edit button clicked by the mouse", Event::ButtonClick, By::MouseOnButton},
        {"the default edit button clicked by Ctrl+Enter", Event::ButtonClick, By::ClickKey},
        {"a click on the frame", Event::Click, By::MouseOnFrame},
        {"a click on the text", Event::Click, By::MouseOnText},
        {"a double click on the text", Event::DblClick, By::DoubleClickOnText},
        {"a press on the frame", Event::MouseDown, By::MouseOnFrame},
        {"a press on an edit button", Event::MouseDown, By::MouseOnButton},
        {"a release on the text", Event::MouseUp, By::MouseOnText},
        {"a release on an edit button", Event::MouseUp, By::MouseOnButton},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreedMemoryWatch watch;
        TcxButtonEdit* edit = new FreedObjectTrap<TcxButtonEdit>(form);
        edit->SetParent(form);
        edit->SetAutoSize(false);
        edit->SetBounds(10, 10, 240, 40);
        edit->SetText(L"some text");
        edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
        bool freed = false;
        auto free = [&](TObject*) {
            if (!freed) {
                freed = true;
                delete edit;
            }
        };
        switch (c.event) {
        case Event::ButtonClick: edit->Properties()->OnButtonClick = [&](TObject* s, int) { free(s); }; break;
        case Event::Click: edit->OnClick = free; break;
        case Event::DblClick: edit->OnDblClick = free; break;
        case Event::MouseDown:
            edit->OnMouseDown = [&](TObject* s, TMouseButton, TShiftState, int, int) { free(s); };
            break;
        case Event::MouseUp:
            edit->OnMouseUp = [&](TObject* s, TMouseButton, TShiftState, int, int) { free(s); };
            break;
        }
        edit->SetFocus();
        Settle(app.get());
        const RECT b = edit->ButtonViewInfos().at(0).bounds;
        switch (c.by) {
        case By::MouseOnButton: MoveCursor(edit, {(b.left + b.right) / 2, (b.top + b.bottom) / 2}); break;
        case By::MouseOnFrame: MoveCursor(edit, {1, edit->Height() - 2}); break;
        case By::MouseOnText:
        case By::DoubleClickOnText: MoveCursor(edit, {edit->Width() / 4, edit->Height() / 2}); break;
        case By::ClickKey: break;
        }
        if (c.by == By::ClickKey) {
            SendChord(VK_CONTROL, VK_RETURN);
        } else {
            const int presses = c.by == By::DoubleClickOnText ? 2 : 1;
            for (int i = 0; i < presses; ++i) {
                SendMouseButton(MOUSEEVENTF_LEFTDOWN);
                SendMouseButton(MOUSEEVENTF_LEFTUP);
            }
        }
        Settle(app.get());
        EXPECT_TRUE(freed) << "the handler ran";
        EXPECT_EQ(FreedMemoryWatch::Touches(), 0) << "the freed editor was used";
        EXPECT_EQ(GetCapture(), nullptr);
        if (!freed)
            delete edit;
    }
}

// A transparent editor shows its parent, so a move (which copies its old pixels along) and a
// new colour of the parent paint it again; an opaque one keeps its copied pixels. Properties
// that say transparent make their editor so.
TEST_F(EditorBehaviourTest, ATransparentEditorIsPaintedAgainWhenMovedOrWhenItsParentsColourChanges)
{
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
        edit->Properties()->SetTransparent(transparent);
        EXPECT_EQ(edit->Transparent(), transparent);
        edit->Update();
        UpdateWindow(edit->InnerEdit()->Handle());
        auto needsPaint = [&] {
            RECT r;
            return GetUpdateRect(edit->Handle(), &r, FALSE) ||
                   GetUpdateRect(edit->InnerEdit()->Handle(), &r, FALSE);
        };
        ASSERT_FALSE(needsPaint());
        edit->SetBounds(edit->Left() + 7, edit->Top() + 3, edit->Width(), edit->Height());
        EXPECT_EQ(needsPaint(), transparent) << "after a move";
        RECT r;
        EXPECT_EQ(GetUpdateRect(edit->InnerEdit()->Handle(), &r, FALSE) != FALSE, transparent)
            << "the edit box shows the parent too";
        edit->Update();
        UpdateWindow(edit->InnerEdit()->Handle());
        form->SetColor(transparent ? clYellow : clAqua);
        EXPECT_EQ(needsPaint(), transparent) << "after the parent's colour changed";
        delete edit;
    }
}

// A press on the frame that ends outside the control is no click, and leaves nothing behind
// that a later release without a press would take for one.
TEST_F(EditorBehaviourTest, APressEndingOutsideLeavesNoClickForALaterRelease)
{
    auto* edit = Make<TcxTextEdit>(20, 20, 200, 21);
    int clicks = 0;
    edit->OnClick = [&](TObject*) { ++clicks; };
    auto mouse = [&](DWORD flags) {
        SendMouseButton(flags);
        Settle(app.get());
    };
    const POINT ring{1, edit->Height() / 2};
    POINT outside{-10, -10}; // on the form, beside the editor
    MoveCursor(edit, ring);
    mouse(MOUSEEVENTF_LEFTDOWN);
    MoveCursor(edit, outside);
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    // Pressed on the form, released over the editor's frame.
    mouse(MOUSEEVENTF_LEFTDOWN);
    MoveCursor(edit, ring);
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(clicks, 0) << "a release without a press on the control";
    // A real click still is one.
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(clicks, 1);
}

TEST_F(EditorBehaviourTest, TheEditBoxSitsWhereTheAlignmentSays)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 41);
    edit->SetAutoSize(false);
    edit->SetBounds(10, 10, 150, 41);
    edit->SetText(L"ab");
    // The ultra-flat frame inside a transparent ring is 2 pixels, and the text keeps one more
    // pixel off it: the text area runs from 3 to 38.
    const int areaTop = 3, areaBottom = 41 - 3;
    int line = LineHeight(edit->Style()->Font());
    struct Case {
        TcxEditVertAlignment vert;
        int top;
    } cases[] = {{TcxEditVertAlignment::taTopJustify, areaTop},
                 {TcxEditVertAlignment::taBottomJustify, areaBottom - line},
                 {TcxEditVertAlignment::taVCenter, areaTop + (areaBottom - areaTop - line) / 2}};
    for (const Case& c : cases) {
        edit->Properties()->Alignment()->SetVert(c.vert);
        app->ProcessMessages();
        RECT r = edit->InnerEdit()->BoundsRect();
        EXPECT_EQ(r.top, c.top) << static_cast<int>(c.vert);
        EXPECT_EQ(r.bottom - r.top, line);
    }
    auto firstCharX = [&] {
        LRESULT pos = SendMessageW(edit->InnerEdit()->Handle(), EM_POSFROMCHAR, 0, 0);
        return static_cast<int>(static_cast<short>(LOWORD(pos)));
    };
    EXPECT_LT(firstCharX(), 10) << "left-justified by default";
    // Aligned also while editing: the window style aligns the text.
    edit->Properties()->SetUseLeftAlignmentOnEditing(false);
    edit->Properties()->Alignment()->SetHorz(TAlignment::taRightJustify);
    app->ProcessMessages();
    EXPECT_TRUE(GetWindowLongW(edit->InnerEdit()->Handle(), GWL_STYLE) & ES_RIGHT);
    EXPECT_GT(firstCharX(), edit->InnerEdit()->Width() / 2) << "the text moved to the right";
    EXPECT_EQ(edit->Text(), L"ab") << "the new edit box kept the text";
}

TEST_F(EditorBehaviourTest, AlignedTextGoesLeftWhileEditingWithoutANewEditBoxUnderTheClick)
{
    struct Case {
        TAlignment horz;
        int minX, maxX; // where the first character stands while the field has no focus
    } cases[] = {{TAlignment::taRightJustify, 100, 146}, {TAlignment::taCenter, 50, 75}};
    for (const Case& c : cases) {
        auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
        auto* other = Make<TcxTextEdit>(10, 60, 150, 21);
        edit->SetText(L"abc");
        edit->Properties()->Alignment()->SetHorz(c.horz);
        // Without selecting all on entry, the caret shows where the click landed.
        edit->Properties()->SetAutoSelect(false);
        other->SetFocus();
        Settle(app.get());
        HWND box = edit->InnerEdit()->Handle();
        auto firstCharX = [&] {
            LRESULT pos = SendMessageW(box, EM_POSFROMCHAR, 0, 0);
            return static_cast<int>(static_cast<short>(LOWORD(pos)));
        };
        // The first column the box paints dark: where the drawn text begins.
        auto firstInkX = [&] {
            RECT r{};
            GetClientRect(box, &r);
            HDC screen = GetDC(nullptr);
            HDC dc = CreateCompatibleDC(screen);
            HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
            ReleaseDC(nullptr, screen);
            HGDIOBJ old = SelectObject(dc, bmp);
            SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
            int found = -1;
            for (int x = 0; x < r.right && found < 0; ++x)
                for (int y = 0; y < r.bottom && found < 0; ++y) {
                    COLORREF px = GetPixel(dc, x, y);
                    if (GetRValue(px) + GetGValue(px) + GetBValue(px) < 300)
                        found = x;
                }
            SelectObject(dc, old);
            DeleteObject(bmp);
            DeleteDC(dc);
            return found;
        };
        EXPECT_GE(firstInkX(), c.minX) << "drawn aligned";
        EXPECT_FALSE(GetWindowLongW(box, GWL_STYLE) & (ES_RIGHT | ES_CENTER))
            << "the box itself stays left-aligned";
        EXPECT_GE(firstCharX(), c.minX) << static_cast<int>(c.horz);
        EXPECT_LE(firstCharX(), c.maxX) << static_cast<int>(c.horz);

        // A click on the left of the field focuses it: the same box takes the click and the
        // text stands at the left, with the caret where the click was (before the text).
        MoveCursor(edit, {6, edit->Height() / 2});
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Settle(app.get());
        ASSERT_TRUE(IsWindow(box)) << "the edit box was made anew under the click";
        EXPECT_EQ(edit->InnerEdit()->Handle(), box);
        EXPECT_EQ(GetFocus(), box);
        EXPECT_EQ(GetCapture(), nullptr) << "the click did not end";
        EXPECT_LT(firstCharX(), 10) << static_cast<int>(c.horz);
        EXPECT_GE(firstInkX(), 0);
        EXPECT_LT(firstInkX(), 10) << "drawn at the left while editing";
        DWORD start = 0, end = 0;
        SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 0u);
        EXPECT_EQ(edit->Text(), L"abc");

        other->SetFocus();
        Settle(app.get());
        EXPECT_GE(firstCharX(), c.minX) << "aligned again once the focus left";
        EXPECT_LE(firstCharX(), c.maxX);
        delete edit;
        delete other;
    }
}

TEST_F(EditorBehaviourTest, AnAutomaticHeightKeepsTheAnchoredEdgeAndOnlyWhatIsNotAutomaticIsStored)
{
    struct Case {
        TcxEditVertAlignment vert;
        bool anchorStored;
    } cases[] = {{TcxEditVertAlignment::taTopJustify, false},
                 {TcxEditVertAlignment::taBottomJustify, true},
                 {TcxEditVertAlignment::taVCenter, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.vert));
        auto* edit = Make<TcxTextEdit>(10, 100, 150, 21);
        edit->Properties()->Alignment()->SetVert(c.vert);
        int top = edit->Top(), height = edit->Height();
        int bottom = top + height, middle = top + (height + 1) / 2;
        edit->Style()->Font()->SetHeight(edit->Style()->Font()->Height() * 2);
        app->ProcessMessages();
        int newHeight = edit->Height();
        ASSERT_GT(newHeight, height) << "a bigger font makes the editor taller";
        switch (c.vert) {
        case TcxEditVertAlignment::taTopJustify: EXPECT_EQ(edit->Top(), top); break;
        case TcxEditVertAlignment::taBottomJustify: EXPECT_EQ(edit->Top() + newHeight, bottom); break;
        case TcxEditVertAlignment::taVCenter: EXPECT_EQ(edit->Top() + (newHeight + 1) / 2, middle); break;
        }
        EXPECT_FALSE(edit->IsHeightStored());
        EXPECT_TRUE(edit->IsWidthStored());
        EXPECT_EQ(edit->IsAnchorYStored(), c.anchorStored);
        EXPECT_FALSE(edit->IsAnchorXStored()) << "a text editor's width is its own";
        edit->SetAutoSize(false);
        EXPECT_TRUE(edit->IsHeightStored());
        EXPECT_FALSE(edit->IsAnchorYStored());
        delete edit;
    }
}

TEST_F(EditorBehaviourTest, AThickerFrameIsHotToTheEdgeAndTheRingIsNotHotOnceTheFrameIsThinAgain)
{
    // A one-pixel frame inside a transparent 2-pixel ring; focused, the frame is 2 pixels and
    // reaches the edge; hot (without focus) it is one pixel again.
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    auto* other = Make<TcxTextEdit>(10, 60, 150, 21);
    edit->Style()->SetBorderStyle(cbsSingle);
    edit->StyleFocused()->SetBorderStyle(cbsThick);
    edit->StyleHot()->SetBorderStyle(cbsSingle);
    int mid = edit->Height() / 2;
    edit->SetFocus();
    MoveCursor(edit, {0, mid});
    ASSERT_EQ(edit->ViewInfo().state, static_cast<TcxContainerState>(csfFocused | csfHot))
        << "the focused frame reaches the edge";
    // Read straight after the one update that the focus change runs: later updates would
    // start from the thin frame anyway.
    other->SetFocus();
    EXPECT_EQ(edit->ViewInfo().state, static_cast<TcxContainerState>(csfNormal))
        << "unfocused, the outer pixel is the ring again";
    EXPECT_EQ(edit->ViewInfo().borderWidth, 1);
    MoveCursor(edit, {1, mid});
    EXPECT_EQ(edit->ViewInfo().state, static_cast<TcxContainerState>(csfNormal | csfHot))
        << "the frame itself is hot";
}

TEST_F(EditorBehaviourTest, AHotFrameThinnerThanTheNormalOneLeavesTheOuterRingCold)
{
    // At rest the frame is 2 pixels and reaches the edge; hot it is one pixel inside a
    // transparent ring. A cursor on the outer pixel would make the field hot, and the hot
    // frame gives that pixel back to the ring: the field must stay cold there, at every move
    // along the edge, and not flip between the two looks from one move to the next.
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    edit->Style()->SetTransparentBorder(true);
    edit->Style()->SetBorderStyle(cbsThick);
    edit->StyleHot()->SetBorderStyle(cbsSingle);
    MoveCursor(form, {450, 250});
    ASSERT_EQ(edit->ViewInfo().borderWidth, 2);
    const int mid = edit->Height() / 2;
    struct Step {
        POINT p;
        TcxContainerState state;
        int borderWidth;
    } steps[] = {
        {{0, mid}, csfNormal, 2},
        {{0, mid + 1}, csfNormal, 2},
        {{0, mid + 2}, csfNormal, 2},
        {{0, mid + 3}, csfNormal, 2},
        {{1, mid + 3}, static_cast<TcxContainerState>(csfNormal | csfHot), 1},
        {{0, mid + 3}, csfNormal, 2},
        {{0, mid + 2}, csfNormal, 2},
    };
    for (const Step& s : steps) {
        MoveCursor(edit, s.p);
        EXPECT_EQ(edit->ViewInfo().state, s.state) << s.p.x << "," << s.p.y;
        EXPECT_EQ(edit->ViewInfo().borderWidth, s.borderWidth) << s.p.x << "," << s.p.y;
    }
}

TEST_F(EditorBehaviourTest, TabThatReachesTheFieldMovesTheFocusAlongTheForm)
{
    // The form's message loop takes Tab first; a key sent to the field itself (by another
    // window's code, or a host without that loop) must not be typed or lost either.
    auto* first = Make<TcxTextEdit>(10, 10, 150, 21);
    auto* second = Make<TcxTextEdit>(10, 40, 150, 21);
    auto* third = Make<TcxTextEdit>(10, 70, 150, 21);
    struct Case {
        bool shift;
        TcxTextEdit* expected;
    } cases[] = {{false, third}, {true, first}};
    for (const Case& c : cases) {
        second->SetFocus();
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = c.shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(second->InnerEdit()->Handle(), WM_KEYDOWN, VK_TAB, 0);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        EXPECT_TRUE(c.expected->Focused()) << "shift " << c.shift;
        EXPECT_EQ(GetFocus(), c.expected->InnerEdit()->Handle()) << "the edit box of the next field";
        EXPECT_EQ(second->Text(), L"");
    }
}

TEST_F(EditorBehaviourTest, TheInputMethodFollowsTheImeModeWhileTheFieldHasTheFocus)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    auto* other = Make<TcxTextEdit>(10, 40, 150, 21);
    edit->SetFocus();
    HWND box = edit->InnerEdit()->Handle();
    constexpr DWORD kAny = ~0u;
    struct Case {
        TImeMode mode;
        bool hasContext;
        int open; // -1: not looked at
        DWORD conversion;
    } cases[] = {
        {imDisable, false, -1, kAny},
        {imOpen, true, 1, kAny},
        {imClose, true, 0, kAny},
        {imKata, true, 1, IME_CMODE_NATIVE | IME_CMODE_KATAKANA | IME_CMODE_FULLSHAPE},
        {imSAlpha, true, 1, IME_CMODE_ALPHANUMERIC},
        {imDisable, false, -1, kAny},
        {imDontCare, true, -1, kAny}, // the context is given back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(kImeModeNames[c.mode].first);
        edit->Properties()->SetImeMode(c.mode);
        HIMC context = ImmGetContext(box);
        EXPECT_EQ(context != nullptr, c.hasContext);
        if (!context)
            continue;
        if (c.open >= 0) {
            EXPECT_EQ(ImmGetOpenStatus(context) != FALSE, c.open == 1);
        }
        DWORD conversion = 0, sentence = 0;
        if (c.conversion != kAny) {
            EXPECT_TRUE(ImmGetConversionStatus(context, &conversion, &sentence));
            EXPECT_EQ(conversion, c.conversion);
        }
        ImmReleaseContext(box, context);
    }
    // Closed again whenever the field gets the focus back, whatever was done meanwhile.
    edit->Properties()->SetImeMode(imClose);
    other->SetFocus();
    HIMC context = ImmGetContext(box);
    ASSERT_TRUE(context);
    ImmSetOpenStatus(context, TRUE);
    ImmReleaseContext(box, context);
    edit->SetFocus();
    context = ImmGetContext(box);
    ASSERT_TRUE(context);
    EXPECT_FALSE(ImmGetOpenStatus(context));
    ImmReleaseContext(box, context);
}

TEST_F(EditorBehaviourTest, ARepositoryItemsSettingsSteerTheEditorAndItsHandlersRunAfterTheEditorsOwn)
{
    auto* item = new TcxEditRepositoryButtonItem(form);
    TcxButtonEditProperties* shared = item->Properties();
    ASSERT_EQ(shared->Buttons()->Count(), 1) << "a button edit's properties start with one button";
    shared->Buttons()->Add()->SetKind(bkText);
    shared->SetReadOnly(true);
    std::vector<std::string> events;
    shared->OnButtonClick = [&](TObject*, int i) { events.push_back("item click " + std::to_string(i)); };
    shared->OnValidate = [&](TObject*, std::wstring&, std::wstring&, bool&) {
        events.push_back("item validate");
    };

    auto* edit = Make<TcxButtonEdit>(10, 10, 200, 21);
    edit->Properties()->OnButtonClick = [&](TObject*, int i) {
        events.push_back("own click " + std::to_string(i));
    };
    edit->Properties()->OnValidate = [&](TObject*, std::wstring&, std::wstring&, bool&) {
        events.push_back("own validate");
    };
    edit->SetRepositoryItem(item);
    ASSERT_EQ(edit->ButtonViewInfos().size(), 2u) << "the item's buttons";
    EXPECT_TRUE(edit->ReadOnly());

    RECT b = edit->ButtonViewInfos()[1].bounds;
    POINT centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    SendMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageW(edit->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(events, (std::vector<std::string>{"own click 1", "item click 1"}));

    // The item's settings changing reach the editor.
    shared->SetReadOnly(false);
    shared->Buttons()->Add();
    EXPECT_EQ(edit->ButtonViewInfos().size(), 3u);
    events.clear();
    edit->SetFocus();
    SendMessageW(edit->InnerEdit()->Handle(), WM_CHAR, L'x', 0);
    ASSERT_EQ(edit->Text(), L"x") << "no longer read-only";
    edit->ValidateEdit(false);
    EXPECT_EQ(events, (std::vector<std::string>{"own validate", "item validate"}));

    // Settings of the wrong kind are refused; a text item's suit a text edit only.
    auto* textItem = new TcxEditRepositoryTextItem(form);
    EXPECT_THROW(edit->SetRepositoryItem(textItem), EInvalidOperation);
    EXPECT_EQ(edit->RepositoryItem(), item);
    auto* text = Make<TcxTextEdit>(10, 40, 150, 21);
    text->SetRepositoryItem(textItem);
    textItem->Properties()->SetMaxLength(3);
    EXPECT_EQ(text->InnerEdit()->Perform(EM_GETLIMITTEXT, 0, 0), 3);

    // Freed, the item leaves the editors their own settings.
    delete item;
    EXPECT_EQ(edit->RepositoryItem(), nullptr);
    EXPECT_EQ(edit->ButtonViewInfos().size(), 1u);
    delete textItem;
    EXPECT_EQ(text->InnerEdit()->Perform(EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << "no limit of its own";
}

} // namespace
