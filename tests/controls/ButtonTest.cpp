#include "controls/cxButtons.h"
#include "controls/cxControlsRegister.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtStdCtrls.h"
#include "tests/common/Artifacts.h"
#include "tests/common/FreedObjectTrap.h"
#include "tests/common/RealInput.h"
#include "tests/common/WindowFixture.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

class ButtonTest : public WindowFixture {
protected:
    static void PressKey(WORD key, bool shift = false)
    {
        std::vector<INPUT> in;
        auto add = [&](WORD k, DWORD flags) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = k;
            i.ki.dwFlags = flags;
            in.push_back(i);
        };
        if (shift)
            add(VK_SHIFT, 0);
        add(key, 0);
        add(key, KEYEVENTF_KEYUP);
        if (shift)
            add(VK_SHIFT, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    }
    // Every window painted what it has pending.
    void Settle()
    {
        app->ProcessMessages();
        UpdateWindow(form->Handle());
        RedrawWindow(form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        app->ProcessMessages();
    }
};

// OK is the default button, Cancel and a field follow in tab order. Real Tab presses move the
// focus; whichever control has it, exactly one button looks default: the focused button, or OK
// while no button has the focus.
TEST_F(ButtonTest, TheDefaultLookFollowsTheFocusAcrossTheForm)
{
    auto* ok = Make<TcxButton>(10, 10, 90, 28);
    auto* cancel = Make<TcxButton>(110, 10, 90, 28);
    auto* field = Make<TNativeEdit>(10, 60, 190, 24);
    ok->SetCaption(L"OK");
    ok->SetDefault(true);
    ok->SetTabOrder(0);
    cancel->SetCaption(L"Cancel");
    cancel->SetTabOrder(1);
    field->SetTabOrder(2);
    SetForegroundWindow(form->Handle());
    cancel->SetFocus();
    Settle();
    struct Step {
        bool shift;
        TWinControl* focused;
        TcxButtonState okState, cancelState;
    } steps[] = {
        {false, field, cxbsDefault, cxbsNormal},  // Cancel -> field: OK looks default again
        {false, ok, cxbsDefault, cxbsNormal},     // field -> OK
        {false, cancel, cxbsNormal, cxbsDefault}, // OK -> Cancel: only Cancel
        {true, ok, cxbsDefault, cxbsNormal},      // back to OK
        {true, field, cxbsDefault, cxbsNormal},   // OK -> field (backwards, wrapping)
    };
    ASSERT_EQ(cancel->PaintedState(), cxbsDefault);
    ASSERT_EQ(ok->PaintedState(), cxbsNormal);
    int i = 0;
    for (const Step& s : steps) {
        PressKey(VK_TAB, s.shift);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == s.focused->Handle(); })) << "step " << i;
        Settle();
        EXPECT_EQ(ok->PaintedState(), s.okState) << "step " << i;
        EXPECT_EQ(cancel->PaintedState(), s.cancelState) << "step " << i;
        ++i;
    }
}

// The themed face is drawn over what lies behind the button, so open corners show the parent,
// never an undefined (black) bitmap.
TEST_F(ButtonTest, TheThemedFaceShowsTheParentInItsCorners)
{
    form->SetColor(RGB(200, 30, 30));
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->LookAndFeel()->SetKind(lfOffice11);
    button->SetCaption(L"Start");
    if (button->Painter() != TcxWinXPLookAndFeelPainter::Instance())
        GTEST_SKIP() << "no visual style for buttons on this display";
    HTHEME theme = OpenThemeData(button->Handle(), L"Button");
    ASSERT_NE(theme, nullptr);
    // What the platform's theme draws over the parent's colour, at the corners.
    PixelCanvas expected(100, 30, RGB(200, 30, 30));
    RECT r{0, 0, 100, 30};
    DrawThemeBackground(theme, expected.dc(), BP_PUSHBUTTON, PBS_NORMAL, &r, nullptr);
    bool open = IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL) != FALSE;
    CloseThemeData(theme);
    Settle();
    PixelCanvas shown(100, 30);
    SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown.dc()), PRF_CLIENT);
    ASSERT_TRUE(shown.SaveBmp((ArtifactFolder() / L"button-themed-over-parent.bmp").c_str()));
    for (POINT p : {POINT{0, 0}, POINT{99, 0}, POINT{0, 29}, POINT{99, 29}})
        EXPECT_EQ(shown.At(p.x, p.y), expected.At(p.x, p.y))
            << p.x << "," << p.y << (open ? " (open corner)" : "");
}

// The themed button keeps a copy of what its parent shows behind it. Every change behind the
// button shows in the next print, made at once without letting the parent paint first: the
// parent's picture invalidated through the library or repainted, the button moved or resized,
// the parent resized. The parent draws stripes counted from its right edge in a tint the test
// changes. Each print equals the picture painted without the copy (the parent's picture, then the
// face), and its open corners show the theme's face over the stripes the rule gives.
TEST_F(ButtonTest, TheKeptParentPictureFollowsEveryChangeBehindTheButton)
{
    int tint = 10;
    auto stripe = [&](int x, int clientWidth) {
        return RGB(tint, ((clientWidth - x) / 3) % 2 ? 220 : 30, 60);
    };
    form->OnPaint = [&](TObject*) {
        RECT client;
        GetClientRect(form->Handle(), &client);
        HDC dc = form->PaintDC();
        for (int x = 0; x < client.right; x += 1) {
            RECT column{x, 0, x + 1, client.bottom};
            SetDCBrushColor(dc, stripe(x, client.right));
            FillRect(dc, &column, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        }
    };
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->LookAndFeel()->SetKind(lfOffice11);
    button->SetCaption(L"Start");
    if (button->Painter() != TcxWinXPLookAndFeelPainter::Instance())
        GTEST_SKIP() << "no visual style for buttons on this display";
    SetForegroundWindow(form->Handle());
    form->SetFocus();
    Settle();
    HTHEME theme = OpenThemeData(button->Handle(), L"Button");
    ASSERT_NE(theme, nullptr);
    struct Change {
        const char* name;
        std::function<void()> apply;
    } changes[] = {
        {"none (the first print)", [] {}},
        {"the parent invalidated with a new tint", [&] { tint = 90, form->Invalidate(); }},
        {"the parent repainted with a new tint",
         [&] {
             tint = 150;
             InvalidateRect(form->Handle(), nullptr, TRUE);
             UpdateWindow(form->Handle());
         }},
        {"the button moved by one pixel", [&] { button->SetBounds(21, 20, 100, 30); }},
        {"the button wider", [&] { button->SetBounds(21, 20, 107, 30); }},
        {"the parent narrower", [&] { form->SetBounds(100, 100, 451, 300); }},
        {"nothing changed since (the kept copy)", [] {}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        c.apply();
        const int w = button->Width(), h = button->Height();
        RECT client;
        GetClientRect(form->Handle(), &client);
        PixelCanvas shown(w, h);
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown.dc()), PRF_CLIENT);
        ASSERT_EQ(button->PaintedState(), cxbsNormal);
        // Without the copy: the parent's picture, then the face.
        PixelCanvas direct(w, h);
        {
            TCanvas canvas;
            canvas.SetHandle(direct.dc());
            {
                TcxCanvas cx(&canvas);
                PaintParentImage(button->Handle(), cx, RECT{0, 0, w, h}, false);
            }
            canvas.SetHandle(nullptr);
        }
        button->PaintButtonTo(direct.dc(), cxbsNormal, false);
        // The rule: the stripes under the button, the theme's face over them.
        PixelCanvas rule(w, h);
        for (int x = 0; x < w; ++x) {
            RECT column{x, 0, x + 1, h};
            SetDCBrushColor(rule.dc(), stripe(button->Left() + x, client.right));
            FillRect(rule.dc(), &column, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        }
        RECT face{0, 0, w, h};
        DrawThemeBackground(theme, rule.dc(), BP_PUSHBUTTON, PBS_NORMAL, &face, nullptr);
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                differing += shown.At(x, y) != direct.At(x, y);
        EXPECT_EQ(differing, 0) << "pixels unlike the picture painted without the copy";
        for (POINT p : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}})
            EXPECT_EQ(shown.At(p.x, p.y), rule.At(p.x, p.y)) << "corner " << p.x << "," << p.y;
    }
    CloseThemeData(theme);
}

// A paint request is answered by the button itself; the platform's drawing request carries the
// same state (pressed, focused) in its flags. For each look and state, the picture of a paint
// request equals the picture of a drawing request whose flags say that state, and the
// states' pictures differ from each other.
TEST_F(ButtonTest, APaintRequestShowsWhatTheDrawingRequestOfTheSameStateShows)
{
    form->SetColor(RGB(40, 160, 90));
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->SetCaption(L"Start");
    auto* other = Make<TcxButton>(20, 60, 100, 30);
    SetForegroundWindow(form->Handle());
    struct Case {
        const char* name;
        bool focused, pressed;
        UINT flags; // of the drawing request for that state
    } cases[] = {{"resting", false, false, 0},
                 {"focused", true, false, ODS_FOCUS},
                 {"pressed", false, true, ODS_SELECTED},
                 {"focused and pressed", true, true, ODS_FOCUS | ODS_SELECTED}};
    auto picture = [&](auto&& paint) {
        auto canvas = std::make_unique<PixelCanvas>(100, 30);
        paint(canvas->dc());
        return canvas;
    };
    for (TcxLookAndFeelKind kind : {lfOffice11, lfStandard}) {
        button->LookAndFeel()->SetKind(kind);
        std::vector<std::unique_ptr<PixelCanvas>> shown;
        for (const Case& c : cases) {
            (c.focused ? button : other)->SetFocus();
            SendMessageW(button->Handle(), BM_SETSTATE, c.pressed, 0);
            Settle();
            ASSERT_EQ(GetFocus() == button->Handle(), c.focused) << c.name;
            auto byPaint = picture([&](HDC dc) {
                SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            });
            auto byDrawing = picture([&](HDC dc) {
                DRAWITEMSTRUCT dis{ODT_BUTTON,          0, 0, ODA_DRAWENTIRE, c.flags, button->Handle(), dc,
                                   RECT{0, 0, 100, 30}, 0};
                SendMessageW(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
            });
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 100; ++x)
                    ASSERT_EQ(byPaint->At(x, y), byDrawing->At(x, y))
                        << c.name << " kind " << static_cast<int>(kind) << " at " << x << "," << y;
            for (size_t i = 0; i < shown.size(); ++i) {
                bool same = true;
                for (int y = 0; y < 30 && same; ++y)
                    for (int x = 0; x < 100 && same; ++x)
                        same = shown[i]->At(x, y) == byPaint->At(x, y);
                EXPECT_FALSE(same) << c.name << " looks like " << cases[i].name << ", kind "
                                   << static_cast<int>(kind);
            }
            // A paint through the window's own update validates what it painted, and shows on
            // screen (painted off screen first) what the print drew straight into its bitmap.
            InvalidateRect(button->Handle(), nullptr, FALSE);
            UpdateWindow(button->Handle());
            EXPECT_FALSE(GetUpdateRect(button->Handle(), nullptr, FALSE)) << c.name;
            auto onScreen = picture([&](HDC dc) {
                HDC screen = GetDC(button->Handle());
                BitBlt(dc, 0, 0, 100, 30, screen, 0, 0, SRCCOPY);
                ReleaseDC(button->Handle(), screen);
            });
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 100; ++x)
                    ASSERT_EQ(onScreen->At(x, y), byPaint->At(x, y))
                        << c.name << " on screen, kind " << static_cast<int>(kind) << " at " << x << "," << y;
            SendMessageW(button->Handle(), BM_SETSTATE, FALSE, 0);
            if (kind == lfStandard && c.pressed && c.focused) {
                ASSERT_TRUE(byPaint->SaveBmp((ArtifactFolder() / L"button-pressed-focused.bmp").c_str()));
            }
            shown.push_back(std::move(byPaint));
        }
    }
}

// A print into a caller's bitmap is drawn straight into it. The caller's context comes back as it
// was given (origin, colours, font, clip or none), and a caller whose origin is moved gets the same
// picture moved, in every look.
TEST_F(ButtonTest, APrintLeavesTheCallersContextAsItWas)
{
    form->SetColor(RGB(40, 160, 90));
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->SetCaption(L"Start");
    Settle();
    for (TcxLookAndFeelKind kind : {lfOffice11, lfStandard, lfFlat, lfUltraFlat}) {
        SCOPED_TRACE(static_cast<int>(kind));
        button->LookAndFeel()->SetKind(kind);
        PixelCanvas plain(100, 30);
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(plain.dc()), PRF_CLIENT);
        PixelCanvas shifted(110, 40, RGB(9, 9, 9));
        HDC dc = shifted.dc();
        SetWindowOrgEx(dc, -7, -5, nullptr); // the button's (0, 0) lands at (7, 5)
        ::SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
        SetBkMode(dc, OPAQUE);
        HGDIOBJ font = GetStockObject(ANSI_FIXED_FONT);
        HGDIOBJ oldFont = SelectObject(dc, font);
        // Without a clip region the context must come back without one, not with an empty one.
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        HRGN none = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetClipRgn(dc, none), 0);
        DeleteObject(none);
        HRGN clip = CreateRectRgn(0, 0, 110, 40);
        SelectClipRgn(dc, clip);
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        EXPECT_EQ(origin.x, -7);
        EXPECT_EQ(origin.y, -5);
        EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
        EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6));
        EXPECT_EQ(GetBkMode(dc), OPAQUE);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
        HRGN after = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(GetClipRgn(dc, after), 1);
        EXPECT_TRUE(EqualRgn(after, clip));
        DeleteObject(after);
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
        SelectObject(dc, oldFont);
        int differing = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x)
                differing += shifted.At(x + 7, y + 5) != plain.At(x, y);
        EXPECT_EQ(differing, 0);
        EXPECT_EQ(shifted.At(3, 3), RGB(9, 9, 9)) << "nothing drawn outside the button";
    }
}

// The button keeps its font between paints: a changed font shows in the next paint, and
// going back to the first gives the first picture again.
TEST_F(ButtonTest, AChangedFontShowsInTheNextPaint)
{
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->SetCaption(L"Start");
    auto paint = [&] {
        auto canvas = std::make_unique<PixelCanvas>(100, 30);
        SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
        return canvas;
    };
    auto differs = [](const PixelCanvas& a, const PixelCanvas& b) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x)
                if (a.At(x, y) != b.At(x, y))
                    return true;
        return false;
    };
    for (TcxLookAndFeelKind kind : {lfOffice11, lfStandard}) {
        button->LookAndFeel()->SetKind(kind);
        const int height = button->Font()->Height();
        auto first = paint();
        button->Font()->SetHeight(height * 2);
        auto larger = paint();
        button->Font()->SetHeight(height);
        auto again = paint();
        EXPECT_TRUE(differs(*first, *larger)) << "kind " << static_cast<int>(kind);
        EXPECT_FALSE(differs(*first, *again)) << "kind " << static_cast<int>(kind);
    }
}

TEST_F(ButtonTest, LosingTheMouseCaptureEndsTheHover)
{
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    SetForegroundWindow(form->Handle());
    POINT p{50, 15};
    ClientToScreen(button->Handle(), &p);
    SetCursorPos(p.x, p.y);
    ASSERT_TRUE(WaitFor([&] { return button->MouseInside(); }));
    // A press on the button: the button holds the mouse capture.
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &down, sizeof(INPUT));
    ASSERT_TRUE(WaitFor([&] { return GetCapture() == button->Handle(); }));
    // Another window takes the capture (a message box, a menu): the hover and press end.
    SetCapture(form->Handle());
    EXPECT_TRUE(WaitFor([&] { return !button->MouseInside(); }));
    ReleaseCapture();
    INPUT up = down;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &up, sizeof(INPUT));
    SetCursorPos(0, 0);
    app->ProcessMessages();
}

// A click handler may free its button, as with the platform's own buttons, by the mouse and by
// the keyboard: nothing of the freed button is touched afterwards.
TEST_F(ButtonTest, AClickHandlerThatFreesItsButtonLeavesNothingTouchingIt)
{
    SetForegroundWindow(form->Handle());
    for (bool byMouse : {true, false}) {
        SCOPED_TRACE(byMouse ? "mouse" : "space key");
        FreedMemoryWatch watch;
        TcxButton* button = new FreedObjectTrap<TcxButton>(form);
        button->SetParent(form);
        button->SetBounds(20, 20, 100, 30);
        button->SetCaption(L"Free");
        bool freed = false;
        button->OnClick = [&](TObject*) {
            freed = true;
            delete button;
        };
        button->SetFocus();
        Settle();
        if (byMouse) {
            SendLeftClick(button->Handle(), {50, 15});
        } else {
            PressKey(VK_SPACE);
        }
        EXPECT_TRUE(WaitFor([&] { return freed; }));
        Settle();
        EXPECT_EQ(FreedMemoryWatch::Touches(), 0) << "the freed button was used";
        EXPECT_EQ(GetCapture(), nullptr);
        if (!freed)
            delete button;
    }
    SetCursorPos(0, 0);
}

// Which colour each state is painted in, when only some are assigned.
TEST(ButtonColorsTest, UnassignedStatesFallBackToNormalOrDefault)
{
    const TColor n = RGB(10, 20, 30), d = RGB(40, 50, 60), h = RGB(70, 80, 90);
    struct Case {
        std::vector<std::pair<TcxButtonAssignedColor, TColor>> assigned;
        TcxButtonState state;
        TColor face;
    } cases[] = {
        {{}, cxbsNormal, clDefault},
        {{}, cxbsHot, clDefault},
        {{{cxbcNormal, n}}, cxbsDefault, n},
        {{{cxbcNormal, n}}, cxbsHot, n},
        {{{cxbcNormal, n}}, cxbsPressed, n},
        {{{cxbcNormal, n}}, cxbsDisabled, n},
        {{{cxbcNormal, n}}, cxbsNormal, n},
        {{{cxbcDefault, d}}, cxbsNormal, d},
        {{{cxbcDefault, d}}, cxbsHot, clDefault},
        {{{cxbcNormal, n}, {cxbcHot, h}}, cxbsHot, h},
        {{{cxbcNormal, n}, {cxbcNormal, clNone}}, cxbsHot, clDefault}, // clNone unassigns
    };
    for (const Case& c : cases) {
        TcxButtonColors colors(nullptr);
        for (auto [which, colour] : c.assigned)
            colors.Set(which, colour);
        EXPECT_EQ(colors.FaceColor(c.state), c.face) << "state " << c.state;
    }
    TcxButtonColors text(nullptr);
    text.Set(cxbcDefaultText, d);
    EXPECT_EQ(text.TextColor(cxbsNormal), d) << "the normal text falls back to the default text";
    EXPECT_EQ(text.TextColor(cxbsPressed), clDefault) << "the others fall back to the normal text";
    text.Set(cxbcNormalText, n);
    EXPECT_EQ(text.TextColor(cxbsPressed), n);
    EXPECT_EQ(text.TextColor(cxbsNormal), n);
    EXPECT_EQ(text.AssignedColors(), (1u << cxbcNormalText) | (1u << cxbcDefaultText));
}

TEST_F(ButtonTest, AnAssignedColourPaintsTheFace)
{
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->Colors()->Set(cxbcNormal, RGB(0, 160, 80));
    PixelCanvas canvas(100, 30);
    button->PaintButtonTo(canvas.dc(), cxbsHot, false);
    EXPECT_EQ(canvas.At(10, 6), RGB(0, 160, 80));
}

// The owner's last word before painting: the face colour and the font it gives are painted,
// and it is asked with the state painted.
TEST_F(ButtonTest, DrawParamsFromTheOwnerArePainted)
{
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"WWW");
    button->Colors()->Set(cxbcNormal, RGB(0, 160, 80));
    std::vector<TcxButtonState> asked;
    button->OnGetDrawParams = [&](TObject*, TcxButtonState state, TColor& color, TFont* font) {
        asked.push_back(state);
        if (state == cxbsHot) {
            color = RGB(200, 20, 20);
            font->SetColor(RGB(255, 255, 0));
        }
    };
    struct Case {
        TcxButtonState state;
        COLORREF face;
        bool yellowText;
    } cases[] = {{cxbsHot, RGB(200, 20, 20), true}, {cxbsPressed, RGB(0, 160, 80), false}};
    for (const Case& c : cases) {
        PixelCanvas canvas(100, 30);
        button->PaintButtonTo(canvas.dc(), c.state, false);
        EXPECT_EQ(canvas.At(10, 6), c.face) << c.state;
        int yellow = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x)
                yellow += canvas.At(x, y) == RGB(255, 255, 0);
        EXPECT_EQ(yellow > 5, c.yellowText) << c.state;
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back(), c.state);
    }
}

// A disabled caption beside a glyph or on a flat face is embossed like the painters' own: a
// highlight copy one pixel right and down under the grey caption; enabled, none.
TEST_F(ButtonTest, ADisabledCaptionBesideAGlyphIsEmbossed)
{
    form->SetColor(RGB(90, 90, 90));
    auto* button = Make<TcxButton>(20, 20, 120, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"WWW");
    TcxBitmap picture(16, 16, 32);
    FillRectSolid(picture.DC(), {0, 0, 16, 16}, RGB(255, 0, 0));
    struct Case {
        const char* name;
        bool glyph, flat;
        TcxButtonState state;
        bool embossed;
    } cases[] = {{"glyph, disabled", true, false, cxbsDisabled, true},
                 {"glyph, enabled", true, false, cxbsNormal, false},
                 {"flat, disabled", false, true, cxbsDisabled, true}};
    for (const Case& c : cases) {
        button->SetGlyph(c.glyph ? picture.Handle() : nullptr);
        button->SpeedButtonOptions()->SetFlat(c.flat);
        PixelCanvas canvas(120, 30);
        button->PaintButtonTo(canvas.dc(), c.state, false);
        const RECT caption = button->ContentLayout(c.state).caption;
        const COLORREF light = ColorToRGB(clBtnHighlight);
        int lit = 0;
        // Inside the caption's box (one pixel more to the right and bottom), away from the frame.
        const int right = c.glyph ? caption.right + 1 : 100, left = c.glyph ? caption.left : 20;
        for (int y = 6; y < 25; ++y)
            for (int x = left; x < right; ++x)
                lit += canvas.At(x, y) == light;
        EXPECT_EQ(lit > 5, c.embossed) << c.name << ": " << lit;
    }
}

// With UseSystemPaint a new look and feel takes a new window; without, the window stays.
TEST_F(ButtonTest, UseSystemPaintRecreatesTheWindowOnANewLook)
{
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    for (bool system : {false, true}) {
        button->SetUseSystemPaint(system);
        HWND before = button->Handle();
        button->LookAndFeel()->SetKind(button->LookAndFeel()->Kind() == lfFlat ? lfStandard : lfFlat);
        app->ProcessMessages();
        EXPECT_EQ(button->Handle() != before, system) << system;
        EXPECT_TRUE(IsWindow(button->Handle()));
    }
}

TEST(ButtonSettingsTest, OutOfRangeGlyphCountsAndMarginsAreRefused)
{
    TForm owner(nullptr);
    TcxButton button(&owner);
    struct Case {
        int numGlyphs, expectedNum, margin, expectedMargin;
    } cases[] = {{0, 1, -2, -1}, {5, 1, -100, -1}, {-1, 1, 3, 3}, {4, 4, -1, -1}, {2, 2, 0, 0}};
    for (const Case& c : cases) {
        button.SetNumGlyphs(1);
        button.SetMargin(-1);
        button.SetNumGlyphs(c.numGlyphs);
        button.SetMargin(c.margin);
        EXPECT_EQ(button.NumGlyphs(), c.expectedNum) << c.numGlyphs;
        EXPECT_EQ(button.Margin(), c.expectedMargin) << c.margin;
    }
}

TEST(ButtonLayoutTest, GlyphAndCaptionPlacement)
{
    const SIZE glyph{16, 16}, caption{40, 14};
    struct Case {
        TButtonLayout layout;
        int margin, spacing;
        int glyphLeft, glyphTop, captionLeft, captionTop;
    } cases[] = {
        // 100 x 30, free room 44 along: margin and spacing -1 share it in three (14 each).
        {blGlyphLeft, -1, -1, 14, 7, 44, 8},
        // Margin -1 only: the block of glyph, 4 pixels and caption is centred: (100 - 60) / 2.
        {blGlyphLeft, -1, 4, 20, 7, 40, 8},
        // Spacing -1 only: the caption is centred in what is left after margin and glyph.
        {blGlyphLeft, 2, -1, 2, 7, 2 + 16 + 21, 8},
        {blGlyphRight, 5, 4, 100 - 5 - 16, 7, 100 - 5 - 16 - 4 - 40, 8},
        // Vertical: 100 x 60, free room 30 along: 10 each.
        {blGlyphTop, -1, -1, 42, 10, 30, 36},
        {blGlyphBottom, 0, 0, 42, 60 - 16, 30, 60 - 16 - 14},
    };
    for (const Case& c : cases) {
        bool vertical = c.layout == blGlyphTop || c.layout == blGlyphBottom;
        TcxButtonContentLayout l =
            LayoutGlyphAndCaption(100, vertical ? 60 : 30, glyph, caption, c.layout, c.margin, c.spacing);
        EXPECT_EQ(l.glyph.left, c.glyphLeft) << c.layout << " " << c.margin << " " << c.spacing;
        EXPECT_EQ(l.glyph.top, c.glyphTop) << c.layout;
        EXPECT_EQ(l.caption.left, c.captionLeft) << c.layout << " " << c.margin << " " << c.spacing;
        EXPECT_EQ(l.caption.top, c.captionTop) << c.layout;
    }
    // Without a glyph the spacing is 0: the caption alone is centred.
    TcxButtonContentLayout alone = LayoutGlyphAndCaption(100, 30, SIZE{0, 0}, caption, blGlyphLeft, -1, 4);
    EXPECT_EQ(alone.caption.left, 30);
}

// A glyph beside the caption: its own colour shows, its transparent colour (bottom-left pixel)
// does not; the disabled state takes the second image when there is one.
TEST_F(ButtonTest, GlyphIsDrawnTransparentlyInItsPlace)
{
    auto* button = Make<TcxButton>(20, 20, 120, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"Go");
    // Two 16 x 16 images: a red square on magenta, a green one on magenta.
    TcxBitmap picture(32, 16, 32);
    FillRectSolid(picture.DC(), {0, 0, 32, 16}, RGB(255, 0, 255));
    FillRectSolid(picture.DC(), {4, 4, 12, 12}, RGB(255, 0, 0));
    FillRectSolid(picture.DC(), {20, 4, 28, 12}, RGB(0, 255, 0));
    button->SetGlyph(picture.Handle());
    button->SetNumGlyphs(2);
    TcxButtonContentLayout l = button->ContentLayout(cxbsNormal);
    EXPECT_EQ(l.glyph.right - l.glyph.left, 16);
    EXPECT_LT(l.glyph.right, l.caption.left) << "glyph left of the caption";
    PixelCanvas normal(120, 30);
    button->PaintButtonTo(normal.dc(), cxbsNormal, false);
    EXPECT_EQ(normal.At(l.glyph.left + 8, l.glyph.top + 8), RGB(255, 0, 0));
    COLORREF face = normal.At(l.glyph.left + 1, l.glyph.top + 1);
    EXPECT_NE(face, RGB(255, 0, 255)) << "the transparent colour does not show";
    PixelCanvas disabled(120, 30);
    button->PaintButtonTo(disabled.dc(), cxbsDisabled, false);
    EXPECT_EQ(disabled.At(l.glyph.left + 8, l.glyph.top + 8), RGB(0, 255, 0));
    // Glyph only: the glyph centred, no caption.
    button->SetPaintStyle(bpsGlyph);
    TcxButtonContentLayout g = button->ContentLayout(cxbsNormal);
    EXPECT_NEAR((g.glyph.left + g.glyph.right) / 2, 60, 2);
    EXPECT_EQ(g.caption.right - g.caption.left, 0);
    PixelCanvas sheet(4 * 124, 34, RGB(255, 255, 255));
    int i = 0;
    for (TButtonLayout layout : {blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom}) {
        button->SetPaintStyle(bpsDefault);
        button->SetLayout(layout);
        button->SetBounds(20, 20, 120, layout >= blGlyphTop ? 34 : 30);
        PixelCanvas one(120, button->Height());
        button->PaintButtonTo(one.dc(), cxbsNormal, false);
        BitBlt(sheet.dc(), i++ * 124, 0, 120, button->Height(), one.dc(), 0, 0, SRCCOPY);
    }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"button-glyph-layouts.bmp").c_str()));
}

// Each state shows its own image of a four-image glyph: normal, disabled, pressed, and down
// for a group button that is down. A single image has a derived disabled look: its shape
// embossed in the shadow and highlight colours, none of its own colours.
TEST_F(ButtonTest, GlyphImagesForEachStateAndADerivedDisabledLook)
{
    auto* button = Make<TcxButton>(20, 20, 120, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"Go");
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    TcxBitmap four(64, 16, 32);
    FillRectSolid(four.DC(), {0, 0, 64, 16}, RGB(255, 0, 255));
    for (int i = 0; i < 4; ++i)
        FillRectSolid(four.DC(), {i * 16 + 4, 4, i * 16 + 12, 12}, colours[i]);
    button->SetGlyph(four.Handle());
    button->SetNumGlyphs(4);
    button->SpeedButtonOptions()->SetGroupIndex(1);
    button->SpeedButtonOptions()->SetAllowAllUp(true);
    struct Case {
        const char* name;
        TcxButtonState state;
        bool down;
        COLORREF shown;
    } cases[] = {
        {"normal", cxbsNormal, false, colours[0]},
        {"disabled", cxbsDisabled, false, colours[1]},
        {"pressed", cxbsPressed, false, colours[2]},
        {"down", cxbsPressed, true, colours[3]},
    };
    for (const Case& c : cases) {
        button->SpeedButtonOptions()->SetDown(c.down);
        RECT g = button->ContentLayout(c.state).glyph;
        PixelCanvas canvas(120, 30);
        button->PaintButtonTo(canvas.dc(), c.state, false);
        EXPECT_EQ(canvas.At(g.left + 8, g.top + 8), c.shown) << c.name;
    }
    button->SpeedButtonOptions()->SetDown(false);
    // One image: disabled, its shape in the shadow colour, the highlight one pixel right and
    // down showing at its right and bottom edges.
    TcxBitmap one(16, 16, 32);
    FillRectSolid(one.DC(), {0, 0, 16, 16}, RGB(255, 0, 255));
    FillRectSolid(one.DC(), {4, 4, 12, 12}, RGB(255, 0, 0));
    button->SetGlyph(one.Handle());
    button->SetNumGlyphs(1);
    RECT g = button->ContentLayout(cxbsDisabled).glyph;
    PixelCanvas disabled(120, 30);
    button->PaintButtonTo(disabled.dc(), cxbsDisabled, false);
    ASSERT_TRUE(disabled.SaveBmp((ArtifactFolder() / L"button-derived-disabled-glyph.bmp").c_str()));
    int red = 0;
    for (int y = g.top; y < g.bottom + 1; ++y)
        for (int x = g.left; x < g.right + 1; ++x)
            red += disabled.At(x, y) == RGB(255, 0, 0);
    EXPECT_EQ(red, 0) << "none of the picture's own colour";
    EXPECT_EQ(disabled.At(g.left + 8, g.top + 8), ColorToRGB(clBtnShadow)) << "the shape in shadow";
    EXPECT_EQ(disabled.At(g.left + 12, g.top + 8), ColorToRGB(clBtnHighlight)) << "its highlight edge";
    PixelCanvas normal(120, 30);
    button->PaintButtonTo(normal.dc(), cxbsNormal, false);
    EXPECT_EQ(normal.At(g.left + 8, g.top + 8), RGB(255, 0, 0)) << "enabled, the picture itself";
}

// Glyph and caption are clipped to the content rectangle: a glyph larger than the button
// never covers the frame, in any look.
TEST_F(ButtonTest, AGlyphLargerThanTheButtonStaysInsideTheFrame)
{
    form->SetColor(RGB(200, 200, 200));
    auto* button = Make<TcxButton>(20, 20, 60, 30);
    button->SetCaption(L"");
    TcxBitmap big(90, 50, 32);
    FillRectSolid(big.DC(), {0, 0, 90, 50}, RGB(255, 0, 0));
    SetPixel(big.DC(), 0, 49, RGB(255, 0, 255)); // the transparent colour, found in this corner
    button->SetGlyph(big.Handle());
    for (TcxLookAndFeelKind kind : {lfStandard, lfFlat, lfUltraFlat}) {
        button->LookAndFeel()->SetKind(kind);
        for (bool flat : {false, true}) {
            button->SpeedButtonOptions()->SetFlat(flat);
            const TcxButtonState state = flat ? cxbsHot : cxbsNormal;
            RECT content = button->ContentRect(state);
            ASSERT_GT(content.left, 0);
            PixelCanvas canvas(60, 30);
            button->PaintButtonTo(canvas.dc(), state, false);
            for (POINT p : {POINT{0, 15}, POINT{30, 0}, POINT{59, 15}, POINT{30, 29}})
                EXPECT_NE(canvas.At(p.x, p.y), RGB(255, 0, 0))
                    << "kind " << kind << " flat " << flat << " at " << p.x << "," << p.y;
            EXPECT_EQ(canvas.At(30, 15), RGB(255, 0, 0)) << "the glyph shows inside";
        }
    }
}

// Three buttons of one group, clicked with the real mouse: one is down at a time; a down
// button stays down when clicked again unless all may be up.
TEST_F(ButtonTest, GroupButtonsGoDownOneAtATime)
{
    std::vector<TcxButton*> group;
    for (int i = 0; i < 3; ++i) {
        auto* b = Make<TcxButton>(10 + i * 100, 10, 90, 28);
        b->SetCaption(L"B" + std::to_wstring(i));
        b->SpeedButtonOptions()->SetGroupIndex(1);
        group.push_back(b);
    }
    auto* field = Make<TNativeEdit>(10, 60, 100, 22);
    group[0]->SpeedButtonOptions()->SetCanBeFocused(false); // taken over by the others below
    group[0]->SpeedButtonOptions()->SetDown(true);
    EXPECT_FALSE(group[1]->SpeedButtonOptions()->CanBeFocused()) << "the group takes over the behaviour";
    SetForegroundWindow(form->Handle());
    field->SetFocus();
    app->ProcessMessages();
    int clicks = 0;
    for (TcxButton* b : group)
        b->OnClick = [&](TObject*) { ++clicks; };
    auto click = [&](TcxButton* b) {
        POINT p{45, 14};
        ClientToScreen(b->Handle(), &p);
        SetCursorPos(p.x, p.y);
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        int before = clicks;
        SendInput(2, in, sizeof(INPUT));
        return WaitFor([&] { return clicks == before + 1; });
    };
    struct Step {
        int clicked;
        bool allowAllUp;
        bool down[3];
    } steps[] = {
        {1, false, {false, true, false}}, {2, false, {false, false, true}},
        {2, false, {false, false, true}}, // clicked again: stays down
        {2, true, {false, false, false}}, // unless all may be up
        {0, true, {true, false, false}},
    };
    int n = 0;
    for (const Step& s : steps) {
        group[static_cast<size_t>(s.clicked)]->SpeedButtonOptions()->SetAllowAllUp(s.allowAllUp);
        ASSERT_TRUE(click(group[static_cast<size_t>(s.clicked)])) << "step " << n;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(group[static_cast<size_t>(i)]->SpeedButtonOptions()->Down(), s.down[i])
                << "step " << n << " button " << i;
        EXPECT_EQ(GetFocus(), field->Handle()) << "a button that cannot be focused leaves the focus alone";
        ++n;
    }
    // A down button paints pressed; one without a group cannot be down.
    EXPECT_EQ(group[0]->PaintState(false), cxbsPressed);
    group[1]->SpeedButtonOptions()->SetGroupIndex(0);
    group[1]->SpeedButtonOptions()->SetDown(true);
    EXPECT_FALSE(group[1]->SpeedButtonOptions()->Down());
    SetCursorPos(0, 0);
}

TEST_F(ButtonTest, AFlatButtonShowsNoFrameAtRest)
{
    form->SetColor(RGB(200, 30, 30));
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"Flat");
    PixelCanvas framed(100, 30);
    button->PaintButtonTo(framed.dc(), cxbsNormal, false);
    button->SpeedButtonOptions()->SetFlat(true);
    PixelCanvas flat(100, 30), hot(100, 30);
    button->PaintButtonTo(flat.dc(), cxbsNormal, false);
    button->PaintButtonTo(hot.dc(), cxbsHot, false);
    EXPECT_EQ(flat.At(0, 15), flat.At(50, 2)) << "the edge shows the face, no frame";
    EXPECT_NE(framed.At(99, 15), framed.At(50, 2)) << "the framed button's edge differs from its face";
    EXPECT_EQ(hot.At(99, 15), framed.At(99, 15)) << "hot, the frame shows";
    button->SpeedButtonOptions()->SetFlat(false);
    button->SpeedButtonOptions()->SetTransparent(true);
    PixelCanvas transparent(100, 30);
    button->PaintButtonTo(transparent.dc(), cxbsNormal, false);
    EXPECT_EQ(transparent.At(2, 2), RGB(200, 30, 30)) << "what lies behind shows";
}

// With word wrap the caption breaks into lines inside the content rectangle, with a glyph
// beside it or without one; without, it stays one line.
TEST_F(ButtonTest, ACaptionWrapsIntoLinesWithWordWrap)
{
    auto* button = Make<TcxButton>(20, 20, 90, 56);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"Alpha Beta Gamma");
    TcxBitmap picture(12, 12, 32);
    FillRectSolid(picture.DC(), {0, 0, 12, 12}, RGB(255, 0, 255));
    FillRectSolid(picture.DC(), {2, 2, 10, 10}, RGB(255, 0, 0));
    // The bands of rows that hold caption ink (the caption is black, the face is not).
    auto lines = [](const PixelCanvas& c, const RECT& within, int& outside) {
        int bands = 0;
        bool inBand = false;
        outside = 0;
        for (int y = 0; y < 56; ++y) {
            bool ink = false;
            for (int x = 0; x < 90; ++x)
                if (c.At(x, y) == RGB(0, 0, 0)) {
                    POINT p{x, y};
                    if (PtInRect(&within, p))
                        ink = true;
                    else
                        ++outside;
                }
            bands += ink && !inBand;
            inBand = ink;
        }
        return bands;
    };
    PixelCanvas sheet(4 * 94, 56, RGB(255, 255, 255));
    int i = 0;
    for (bool glyph : {false, true}) {
        button->SetGlyph(glyph ? picture.Handle() : nullptr);
        for (bool wrap : {false, true}) {
            button->SetWordWrap(wrap);
            PixelCanvas canvas(90, 56);
            button->PaintButtonTo(canvas.dc(), cxbsNormal, false);
            BitBlt(sheet.dc(), i++ * 94, 0, 90, 56, canvas.dc(), 0, 0, SRCCOPY);
            RECT content = button->ContentRect(cxbsNormal);
            InflateRect(&content, -1, -1); // the frame's dark line lies just outside
            int outside = 0;
            int bands = lines(canvas, content, outside);
            if (wrap) {
                EXPECT_GE(bands, 2) << "glyph " << glyph;
                EXPECT_EQ(outside, 0) << "glyph " << glyph;
            } else {
                EXPECT_EQ(bands, 1) << "glyph " << glyph;
            }
        }
    }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"button-word-wrap.bmp").c_str()));
}

// A flat or transparent button with a caption and no glyph centres its caption, wrapped or
// not, and moves it with the press as the other buttons do.
TEST_F(ButtonTest, AFlatOrTransparentCaptionIsCentredAndMovesWhenPressed)
{
    auto* button = Make<TcxButton>(20, 20, 90, 56);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"Alpha Beta Gamma");
    const int shift = button->Painter()->ButtonPressShift();
    ASSERT_GT(shift, 0);
    PixelCanvas sheet(8 * 94, 56, RGB(255, 255, 255));
    int painted = 0;
    // The box around the caption's ink (black) inside the content rectangle.
    auto inkBox = [&](TcxButtonState state) {
        PixelCanvas canvas(90, 56);
        button->PaintButtonTo(canvas.dc(), state, false);
        BitBlt(sheet.dc(), painted++ * 94, 0, 90, 56, canvas.dc(), 0, 0, SRCCOPY);
        RECT content = button->ContentRect(cxbsNormal);
        InflateRect(&content, -1, -1);
        RECT box{90, 56, -1, -1};
        for (int y = content.top; y < content.bottom; ++y)
            for (int x = content.left; x < content.right; ++x)
                if (canvas.At(x, y) == RGB(0, 0, 0)) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    };
    for (const bool transparent : {false, true}) {
        button->SpeedButtonOptions()->SetFlat(!transparent);
        button->SpeedButtonOptions()->SetTransparent(transparent);
        for (const bool wrap : {false, true}) {
            SCOPED_TRACE(std::string(transparent ? "transparent" : "flat") + (wrap ? ", wrapped" : ""));
            button->SetWordWrap(wrap);
            const RECT normal = inkBox(cxbsNormal);
            ASSERT_LT(normal.left, normal.right) << "no caption drawn";
            const RECT content = button->ContentRect(cxbsNormal);
            EXPECT_NEAR((normal.top + normal.bottom) / 2.0, (content.top + content.bottom) / 2.0, 2.0)
                << "the caption sits in the middle, whole";
            const RECT pressed = inkBox(cxbsPressed);
            EXPECT_EQ(pressed.left, normal.left + shift);
            EXPECT_EQ(pressed.top, normal.top + shift);
        }
    }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"button-flat-captions.bmp").c_str()));
}

// Right-to-left reading swaps the glyph's left and right layouts (top and bottom stay).
TEST_F(ButtonTest, RightToLeftReadingSwapsGlyphAndCaption)
{
    auto* button = Make<TcxButton>(20, 20, 120, 30);
    button->LookAndFeel()->SetKind(lfStandard);
    button->SetCaption(L"Go");
    TcxBitmap picture(16, 16, 32);
    FillRectSolid(picture.DC(), {0, 0, 16, 16}, RGB(255, 0, 255));
    FillRectSolid(picture.DC(), {2, 2, 14, 14}, RGB(255, 0, 0));
    button->SetGlyph(picture.Handle());
    struct Case {
        TButtonLayout layout;
        TBiDiMode mode;
        bool glyphRightOfCaption;
    } cases[] = {
        {blGlyphLeft, bdLeftToRight, false},
        {blGlyphLeft, bdRightToLeft, true},
        {blGlyphRight, bdRightToLeft, false},
        {blGlyphLeft, bdRightToLeftReadingOnly, true},
    };
    for (const Case& c : cases) {
        button->SetLayout(c.layout);
        button->SetBiDiMode(c.mode);
        TcxButtonContentLayout l = button->ContentLayout(cxbsNormal);
        EXPECT_EQ(l.glyph.left >= l.caption.right, c.glyphRightOfCaption) << c.layout << " " << c.mode;
        EXPECT_EQ(l.glyph.right <= l.caption.left, !c.glyphRightOfCaption) << c.layout << " " << c.mode;
        // The picture shows where the layout put it.
        PixelCanvas canvas(120, 30);
        button->PaintButtonTo(canvas.dc(), cxbsNormal, false);
        EXPECT_EQ(canvas.At((l.glyph.left + l.glyph.right) / 2, 15), RGB(255, 0, 0))
            << c.layout << " " << c.mode;
    }
    button->SetLayout(blGlyphTop);
    TcxButtonContentLayout top = button->ContentLayout(cxbsNormal);
    EXPECT_LE(top.glyph.bottom, top.caption.top) << "top stays top";
}

// No visual-style library: every theme request fails, so the native painter is never chosen.
class NoThemeApi : public TdxThemeApi {
public:
    bool Loaded() const override { return false; }
    bool IsThemeActive() override { return false; }
    bool GetCurrentThemeName(std::wstring&, std::wstring&, std::wstring&) override { return false; }
    HTHEME OpenThemeData(HWND, const wchar_t*) override { return nullptr; }
    HRESULT CloseThemeData(HTHEME) override { return E_FAIL; }
    HRESULT DrawThemeBackground(HTHEME, HDC, int, int, const RECT*, const RECT*) override { return E_FAIL; }
    HRESULT DrawThemeText(HTHEME, HDC, int, int, const wchar_t*, int, DWORD, DWORD, const RECT*) override
    {
        return E_FAIL;
    }
    HRESULT GetThemeBackgroundContentRect(HTHEME, HDC, int, int, const RECT*, RECT*) override
    {
        return E_FAIL;
    }
    HRESULT GetThemeColor(HTHEME, int, int, int, COLORREF*) override { return E_FAIL; }
    HRESULT DrawThemeParentBackground(HWND, HDC, const RECT*) override { return E_FAIL; }
};

// A flat or transparent speed button draws the painter's frame (a flat one only while hot,
// pressed or default), except under the native style and the Office 2003 look, which draw
// none at all; inside the frame, a transparent button at rest shows its parent.
TEST_F(ButtonTest, FlatAndTransparentSpeedButtonsFollowTheFrameRule)
{
    NoThemeApi noTheme;
    SetThemeApi(&noTheme);
    struct Restore {
        ~Restore() { SetThemeApi(nullptr); }
    } restore;
    const COLORREF back = RGB(200, 30, 30);
    form->SetColor(back);
    auto* button = Make<TcxButton>(20, 20, 100, 30);
    button->SetCaption(L"");
    struct Case {
        const char* name;
        TcxLookAndFeelKind kind;
        bool native, flat, transparent;
        TcxButtonState state;
        bool frame;
    } cases[] = {
        {"standard, flat, hot", lfStandard, false, true, false, cxbsHot, true},
        {"flat look, flat, pressed", lfFlat, false, true, false, cxbsPressed, true},
        {"ultra flat, flat, hot", lfUltraFlat, false, true, false, cxbsHot, true},
        {"standard, flat, at rest", lfStandard, false, true, false, cxbsNormal, false},
        {"Office 2003, flat, hot", lfOffice11, false, true, false, cxbsHot, false},
        {"Office 2003, flat, pressed", lfOffice11, false, true, false, cxbsPressed, false},
        {"native, flat, hot", lfStandard, true, true, false, cxbsHot, false},
        {"standard, transparent, at rest", lfStandard, false, false, true, cxbsNormal, true},
        {"Office 2003, transparent, at rest", lfOffice11, false, false, true, cxbsNormal, false},
    };
    for (const Case& c : cases) {
        button->LookAndFeel()->SetKind(c.kind);
        button->LookAndFeel()->SetNativeStyle(c.native);
        button->SpeedButtonOptions()->SetFlat(c.flat);
        button->SpeedButtonOptions()->SetTransparent(c.transparent);
        PixelCanvas canvas(100, 30);
        button->PaintButtonTo(canvas.dc(), c.state, false);
        // Inside: the face, or the parent for a transparent button at rest.
        const COLORREF inside = canvas.At(50, 15);
        if (c.transparent) {
            EXPECT_EQ(inside, back) << c.name;
        }
        for (POINT edge : {POINT{0, 15}, POINT{50, 0}, POINT{99, 15}, POINT{50, 29}}) {
            if (c.frame)
                EXPECT_NE(canvas.At(edge.x, edge.y), inside) << c.name << " at " << edge.x << "," << edge.y;
            else
                EXPECT_EQ(canvas.At(edge.x, edge.y), inside) << c.name << " at " << edge.x << "," << edge.y;
        }
    }
}

// What happens while a popup menu runs its own message loop: each time a menu of this thread
// is shown and waits for input (the platform tells its owner with WM_ENTERIDLE), the menu's
// window rectangle is recorded and the next action of the script is done to it.
struct MenuWatch {
    std::vector<RECT> shown;
    std::vector<std::function<void()>> actions;
    HHOOK hook = nullptr;
    static MenuWatch*& Current()
    {
        static MenuWatch* current = nullptr;
        return current;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
        MenuWatch* w = Current();
        if (code == HC_ACTION && w && m->message == WM_ENTERIDLE && m->wParam == MSGF_MENU) {
            HWND menuWindow = reinterpret_cast<HWND>(m->lParam);
            RECT r{};
            GetWindowRect(menuWindow, &r);
            size_t n = w->shown.size();
            w->shown.push_back(r);
            // A menu the script does not expect is closed, so no test can hang in it.
            if (n < w->actions.size())
                w->actions[n]();
            else
                EndMenu();
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    MenuWatch()
    {
        Current() = this;
        hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~MenuWatch()
    {
        UnhookWindowsHookEx(hook);
        Current() = nullptr;
    }
};

// A picture of a rectangle of the screen (menus are windows of their own, so only the
// screen shows a button together with its open menus).
void SaveScreenPicture(const RECT& all, const wchar_t* name)
{
    PixelCanvas shot(all.right - all.left, all.bottom - all.top);
    HDC screen = GetDC(nullptr);
    BitBlt(shot.dc(), 0, 0, all.right - all.left, all.bottom - all.top, screen, all.left, all.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    shot.SaveBmp((ArtifactFolder() / name).c_str());
}

BOOL CALLBACK CollectMenuWindow(HWND w, LPARAM out)
{
    wchar_t cls[16]{};
    GetClassNameW(w, cls, 16);
    RECT r{};
    if (std::wcscmp(cls, L"#32768") == 0 && IsWindowVisible(w) && GetWindowRect(w, &r))
        reinterpret_cast<std::vector<RECT>*>(out)->push_back(r);
    return TRUE;
}

// The rectangles of the menu windows on the screen now.
std::vector<RECT> MenuWindowsShown()
{
    std::vector<RECT> found;
    EnumWindows(CollectMenuWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void SendKeys(const std::vector<WORD>& keys)
{
    std::vector<INPUT> in;
    for (WORD k : keys)
        for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = k;
            i.ki.dwFlags = flags;
            in.push_back(i);
        }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// A click (left unless asked otherwise) at a point of a window, as real input.
void ClickAt(HWND wnd, POINT p, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
{
    ClientToScreen(wnd, &p);
    SetCursorPos(p.x, p.y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = down;
    in[1].mi.dwFlags = up;
    SendInput(2, in, sizeof(INPUT));
}

class DropDownButtonTest : public ButtonTest {
protected:
    void SetUp() override
    {
        ButtonTest::SetUp();
        button = Make<TcxButton>(20, 20, 120, 30);
        button->SetCaption(L"Run");
        button->OnClick = [this](TObject*) { ++buttonClicks; };
        menu = new TPopupMenu(form);
        for (const wchar_t* caption : {L"First", L"Second"}) {
            auto* item = new TMenuItem(form);
            item->SetCaption(caption);
            item->OnClick = [this](TObject* sender) {
                chosen.push_back(static_cast<TMenuItem*>(sender)->Caption());
            };
            menu->Add(item);
        }
        button->SetDropDownMenu(menu);
        SetForegroundWindow(form->Handle());
        app->ProcessMessages();
    }
    void TearDown() override
    {
        SetCursorPos(0, 0);
        ButtonTest::TearDown();
    }
    RECT ButtonOnScreen() const
    {
        RECT r{};
        GetWindowRect(button->Handle(), &r);
        return r;
    }
    TcxButton* button = nullptr;
    TPopupMenu* menu = nullptr;
    int buttonClicks = 0;
    std::vector<std::wstring> chosen;
};

// How the menu is opened and what is done in it; where it opens, which item runs, and whether
// the button clicked instead.
TEST_F(DropDownButtonTest, TheMenuOpensUnderTheButtonAndRunsTheChosenItem)
{
    enum How { ClickArrowPart, ClickMainPart, AltDown, ShiftUp };
    struct Case {
        const char* name;
        TcxButtonKind kind;
        TPopupAlignment alignment;
        How how;
        std::vector<WORD> keysInMenu;
        int menusShown;
        const wchar_t* chosen; // nullptr: no item runs
        int buttonClicks;
    } cases[] = {
        {"arrow part, second item",
         cxbkDropDownButton,
         paLeft,
         ClickArrowPart,
         {VK_DOWN, VK_DOWN, VK_RETURN},
         1,
         L"Second",
         0},
        {"main part clicks", cxbkDropDownButton, paLeft, ClickMainPart, {}, 0, nullptr, 1},
        {"whole button opens", cxbkDropDown, paLeft, ClickMainPart, {VK_DOWN, VK_RETURN}, 1, L"First", 0},
        {"right-aligned", cxbkDropDownButton, paRight, ClickArrowPart, {VK_DOWN, VK_RETURN}, 1, L"First", 0},
        {"Alt+Down, Escape", cxbkDropDownButton, paLeft, AltDown, {VK_ESCAPE}, 1, nullptr, 0},
        {"Shift+Up", cxbkDropDownButton, paCenter, ShiftUp, {VK_DOWN, VK_RETURN}, 1, L"First", 0},
        {"standard kind", cxbkStandard, paLeft, ClickArrowPart, {}, 0, nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button->SetKind(c.kind);
        button->SetPopupAlignment(c.alignment);
        button->SetFocus();
        app->ProcessMessages();
        buttonClicks = 0;
        chosen.clear();
        MenuWatch watch;
        if (c.menusShown)
            watch.actions.push_back([&] {
                // A picture of the button with its menu open, from the screen.
                if (&c == &cases[0]) {
                    RECT b = ButtonOnScreen(), m = watch.shown[0];
                    SaveScreenPicture({std::min(b.left, m.left), b.top, std::max(b.right, m.right), m.bottom},
                                      L"button-drop-down-menu.bmp");
                }
                SendKeys(c.keysInMenu);
            });
        switch (c.how) {
        case ClickArrowPart: ClickAt(button->Handle(), POINT{120 - 7, 15}); break;
        case ClickMainPart: ClickAt(button->Handle(), POINT{40, 15}); break;
        case AltDown:
        case ShiftUp:
            SendChord(c.how == AltDown ? VK_MENU : VK_SHIFT, c.how == AltDown ? VK_DOWN : VK_UP);
            break;
        }
        // Done when the expected menu came and went (and its item ran), or the button clicked.
        ASSERT_TRUE(WaitFor([&] {
            bool menuDone =
                static_cast<int>(watch.shown.size()) >= c.menusShown && !button->DropDownMenuOpen();
            bool itemDone = !c.chosen || !chosen.empty();
            bool clickDone = buttonClicks >= c.buttonClicks;
            return menuDone && itemDone && clickDone && (c.menusShown || c.buttonClicks);
        }));
        EXPECT_EQ(static_cast<int>(watch.shown.size()), c.menusShown);
        EXPECT_EQ(buttonClicks, c.buttonClicks);
        if (c.chosen)
            EXPECT_EQ(chosen, std::vector<std::wstring>{c.chosen});
        else
            EXPECT_TRUE(chosen.empty());
        if (!watch.shown.empty()) {
            RECT b = ButtonOnScreen(), m = watch.shown[0];
            EXPECT_EQ(m.top, b.bottom) << "the menu opens right under the button";
            if (c.alignment == paLeft)
                EXPECT_EQ(m.left, b.left);
            else if (c.alignment == paRight)
                EXPECT_EQ(m.right, b.right);
            else
                EXPECT_LE(std::abs((m.left + m.right) / 2 - (b.left + b.right) / 2), 1);
        }
    }
}

// The caption's accelerator: a whole-button drop-down opens its menu (an item chosen in it
// runs, the button does not click); a button with a separate arrow part clicks.
TEST_F(DropDownButtonTest, TheAcceleratorOfAWholeButtonDropDownOpensItsMenu)
{
    struct Case {
        const char* name;
        TcxButtonKind kind;
        int menusShown;
        int buttonClicks;
    } cases[] = {
        {"whole button", cxbkDropDown, 1, 0},
        {"arrow part", cxbkDropDownButton, 0, 1},
    };
    auto* other = Make<TcxButton>(200, 20, 80, 30);
    button->SetCaption(L"&Run");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button->SetKind(c.kind);
        other->SetFocus();
        app->ProcessMessages();
        buttonClicks = 0;
        chosen.clear();
        MenuWatch watch;
        watch.actions.push_back([] { SendKeys({VK_DOWN, VK_RETURN}); });
        SendChord(VK_MENU, 'R');
        ASSERT_TRUE(WaitFor([&] {
            bool menuDone =
                static_cast<int>(watch.shown.size()) >= c.menusShown && !button->DropDownMenuOpen();
            return menuDone && (c.menusShown ? !chosen.empty() : buttonClicks >= c.buttonClicks);
        }));
        EXPECT_EQ(static_cast<int>(watch.shown.size()), c.menusShown);
        EXPECT_EQ(buttonClicks, c.buttonClicks);
        if (c.menusShown) {
            EXPECT_EQ(chosen, std::vector<std::wstring>{L"First"});
        }
    }
}

// A right click opens the context menu at the cursor; a chosen item runs, the button does not
// click. The menu key opens it under the button.
TEST_F(DropDownButtonTest, TheContextMenuOpensAtTheCursor)
{
    button->SetDropDownMenu(nullptr);
    button->SetPopupMenu(menu);
    struct Case {
        bool mouse;
        const wchar_t* chosen;
    } cases[] = {{true, L"Second"}, {false, L"First"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mouse ? "right click" : "menu key");
        chosen.clear();
        MenuWatch watch;
        watch.actions.push_back([&] {
            if (c.mouse)
                SendKeys({VK_DOWN, VK_DOWN, VK_RETURN});
            else
                SendKeys({VK_DOWN, VK_RETURN});
        });
        POINT at{30, 12};
        ClientToScreen(button->Handle(), &at);
        if (c.mouse) {
            ClickAt(button->Handle(), POINT{30, 12}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        } else {
            button->SetFocus();
            app->ProcessMessages();
            SendKeys({VK_APPS});
        }
        ASSERT_TRUE(WaitFor([&] { return !chosen.empty(); }));
        ASSERT_EQ(watch.shown.size(), 1u);
        RECT m = watch.shown[0], b = ButtonOnScreen();
        if (c.mouse) {
            EXPECT_EQ(m.left, at.x);
            EXPECT_EQ(m.top, at.y);
        } else {
            EXPECT_EQ(m.left, b.left);
            EXPECT_EQ(m.top, b.bottom);
        }
        EXPECT_EQ(chosen, std::vector<std::wstring>{c.chosen});
        EXPECT_EQ(buttonClicks, 0);
    }
}

// Near the bottom of the screen, where the menu does not fit under the button, it opens above.
TEST_F(DropDownButtonTest, TheMenuOpensAboveWhenItDoesNotFitBelow)
{
    button->SetKind(cxbkDropDownButton);
    const int screenBottom = GetSystemMetrics(SM_CYSCREEN);
    form->SetBounds(form->Left(), screenBottom - 70, form->Width(), form->Height());
    app->ProcessMessages();
    RECT b = ButtonOnScreen();
    ASSERT_GT(b.bottom, screenBottom - 40) << "the button sits near the bottom";
    MenuWatch watch;
    watch.actions.push_back([] { SendKeys({VK_ESCAPE}); });
    ClickAt(button->Handle(), POINT{120 - 7, 15});
    ASSERT_TRUE(WaitFor([&] { return watch.shown.size() == 1 && !button->DropDownMenuOpen(); }));
    b = ButtonOnScreen();
    EXPECT_EQ(watch.shown[0].bottom, b.top) << "the menu ends where the button begins";
    EXPECT_EQ(watch.shown[0].left, b.left);
}

// A button whose memory stays reserved after it is freed, filled with a pattern: whatever
// the code still writes into the freed button shows as bytes that lost the pattern (a write
// into freed memory otherwise goes unnoticed).
class QuarantinedButton : public TcxButton {
public:
    using TcxButton::TcxButton;
    static constexpr unsigned char kPoison = 0xA5;
    static void operator delete(void* p, std::size_t size)
    {
        std::memset(p, kPoison, size);
        Blocks().push_back({static_cast<unsigned char*>(p), size});
    }
    // How many bytes of the freed buttons lost the pattern; the memory is then released.
    static size_t ChangedBytesAfterFree()
    {
        size_t changed = 0;
        for (const Block& b : Blocks()) {
            changed += static_cast<size_t>(
                std::count_if(b.bytes, b.bytes + b.size, [](unsigned char c) { return c != kPoison; }));
            ::operator delete(b.bytes);
        }
        Blocks().clear();
        return changed;
    }

private:
    struct Block {
        unsigned char* bytes;
        size_t size;
    };
    static std::vector<Block>& Blocks()
    {
        static std::vector<Block> blocks;
        return blocks;
    }
};

// An item's handler may free the button that opened the menu: the menu closes, the form goes
// on, and the button's code touches nothing of the freed button.
TEST_F(DropDownButtonTest, AnItemMayFreeItsButton)
{
    delete button;
    button = Make<QuarantinedButton>(20, 20, 120, 30);
    button->SetKind(cxbkDropDownButton);
    button->SetDropDownMenu(menu);
    menu->Items(0)->OnClick = [this](TObject*) {
        delete button;
        button = nullptr;
    };
    MenuWatch watch;
    watch.actions.push_back([] { SendKeys({VK_DOWN, VK_RETURN}); });
    ClickAt(button->Handle(), POINT{120 - 7, 15});
    ASSERT_TRUE(WaitFor([&] { return button == nullptr; }));
    auto* field = Make<TNativeEdit>(10, 100, 100, 22);
    field->SetFocus();
    SendKeys({'X'});
    EXPECT_TRUE(WaitFor([&] { return GetWindowTextLengthW(field->Handle()) == 1; })) << "the form goes on";
    EXPECT_EQ(watch.shown.size(), 1u);
    EXPECT_EQ(QuarantinedButton::ChangedBytesAfterFree(), 0u) << "written into the freed button";
}

// A menu read from a description with a separator and a submenu: the platform's menu shows
// them as such, and keys reach an item of the submenu, whose handler runs.
TEST_F(DropDownButtonTest, KeysReachAnItemOfASubmenuReadFromADescription)
{
    RegisterDisplayControlClasses();
    class MenuForm : public TForm {
    public:
        explicit MenuForm(TComponent* owner) : TForm(owner)
        {
            PublishMethod<TNotifyEvent>(L"ItemClick", [this](TObject* sender) {
                clicked.push_back(static_cast<TMenuItem*>(sender)->Caption());
            });
        }
        std::vector<std::wstring> clicked;
    } root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  Left = 150
  Top = 150
  Width = 300
  Height = 200
  object Go: TcxButton
    Left = 20
    Top = 20
    Width = 120
    Height = 30
    Caption = 'Go'
    Kind = cxbkDropDown
    DropDownMenu = Choices
  end
  object Choices: TPopupMenu
    object First: TMenuItem
      Caption = 'First'
      OnClick = ItemClick
    end
    object Line: TMenuItem
      Caption = '-'
    end
    object More: TMenuItem
      Caption = 'More'
      OnClick = ItemClick
      object InnerA: TMenuItem
        Caption = 'Inner A'
        OnClick = ItemClick
      end
      object InnerB: TMenuItem
        Caption = 'Inner B'
        OnClick = ItemClick
      end
    end
    object Last: TMenuItem
      Caption = 'Last'
      OnClick = ItemClick
    end
  end
end
)");
    auto* menu = dynamic_cast<TPopupMenu*>(root.FindComponent(L"Choices"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->Count(), 4);
    ASSERT_EQ(menu->Items(2)->Count(), 2);
    EXPECT_EQ(menu->Items(2)->Items(1)->Caption(), L"Inner B");
    EXPECT_EQ(menu->Items(2)->Items(1)->Parent(), menu->Items(2));
    ASSERT_EQ(root.ControlCount(), 1);
    TWinControl* go = root.Controls(0);
    root.Show();
    SetForegroundWindow(root.Handle());
    app->ProcessMessages();

    struct Entry {
        UINT state;
        bool submenu;
        int submenuItems;
    };
    std::vector<Entry> entries;
    size_t submenuWindows = 0;
    MenuWatch watch;
    watch.actions.push_back([&] {
        // The menu on the screen, as the platform holds it.
        HWND menuWindow = FindWindowW(L"#32768", nullptr);
        auto native = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(native); ++i) {
            HMENU sub = GetSubMenu(native, i);
            entries.push_back({GetMenuState(native, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR,
                               sub != nullptr, sub ? GetMenuItemCount(sub) : 0});
        }
        // First, the separator skipped to More, its submenu opened on Inner A.
        SendKeys({VK_DOWN, VK_DOWN, VK_RIGHT});
    });
    // Once the submenu shows (the menu may go idle between the keys), a picture of the button
    // with both menus, then Inner B. A submenu that never comes closes the menu.
    std::function<void()> pictureThenChoose = [&] {
        std::vector<RECT> menus = MenuWindowsShown();
        if (menus.size() < 2 && watch.actions.size() < 8) {
            watch.actions.push_back(pictureThenChoose);
            return;
        }
        submenuWindows = menus.size();
        RECT all{};
        GetWindowRect(go->Handle(), &all);
        for (const RECT& r : menus)
            UnionRect(&all, &all, &r);
        SaveScreenPicture(all, L"button-submenu-open.bmp");
        SendKeys({VK_DOWN, VK_RETURN});
    };
    watch.actions.push_back(pictureThenChoose);
    ClickAt(go->Handle(), POINT{40, 15});
    ASSERT_TRUE(WaitFor([&] { return !root.clicked.empty(); }));
    EXPECT_EQ(root.clicked, std::vector<std::wstring>{L"Inner B"}) << "opening the submenu runs no handler";
    EXPECT_EQ(submenuWindows, 2u) << "the menu and its submenu on the screen";
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].state, 0u);
    EXPECT_EQ(entries[1].state, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_TRUE(entries[2].submenu);
    EXPECT_EQ(entries[2].submenuItems, 2);
    EXPECT_FALSE(entries[3].submenu);
}

// The press that closes an open menu over the arrow part only closes it.
TEST_F(DropDownButtonTest, APressThatClosesTheMenuDoesNotReopenIt)
{
    button->SetKind(cxbkDropDownButton);
    MenuWatch watch;
    bool closingClickSent = false;
    watch.actions.push_back([&] {
        ClickAt(button->Handle(), POINT{120 - 7, 15});
        closingClickSent = true;
    });
    ClickAt(button->Handle(), POINT{120 - 7, 15});
    ASSERT_TRUE(WaitFor([&] { return closingClickSent && !button->DropDownMenuOpen(); }));
    // Every input so far reached the program before a marker key sent after it: a press that
    // reopened the menu would show as a second menu by then.
    auto* field = Make<TNativeEdit>(10, 100, 100, 22);
    field->SetFocus();
    SendKeys({'X'});
    bool marker = WaitFor([&] {
        wchar_t text[8]{};
        GetWindowTextW(field->Handle(), text, 8);
        return std::wstring(text) == L"x";
    });
    ASSERT_TRUE(marker);
    EXPECT_EQ(watch.shown.size(), 1u);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(buttonClicks, 0);
}

// The arrow part: the rightmost 15 pixels carry a downward arrow in the caption's colour; the
// main part's caption is centred in what is left.
TEST_F(DropDownButtonTest, TheArrowPartIsDrawnAtTheRight)
{
    button->LookAndFeel()->SetKind(lfStandard);
    PixelCanvas plain(120, 30), split(120, 30);
    button->PaintButtonTo(plain.dc(), cxbsNormal, false);
    button->SetKind(cxbkDropDownButton);
    button->PaintButtonTo(split.dc(), cxbsNormal, false);
    ASSERT_TRUE(split.SaveBmp((ArtifactFolder() / L"button-drop-down.bmp").c_str()));
    const RECT part = button->DropDownPartRect();
    EXPECT_EQ(part.left, 105);
    EXPECT_EQ(part.right, 120);
    // The arrow: dark pixels in the middle of the part, none there on the plain button.
    auto darkIn = [](const PixelCanvas& c, int x0, int x1) {
        int n = 0;
        for (int y = 8; y < 22; ++y)
            for (int x = x0; x < x1; ++x)
                n += GetRValue(c.At(x, y)) < 64 && GetGValue(c.At(x, y)) < 64 && GetBValue(c.At(x, y)) < 64;
        return n;
    };
    EXPECT_GE(darkIn(split, 107, 118), 5) << "an arrow of at least 5 pixels";
    EXPECT_EQ(darkIn(plain, 107, 118), 0);
    // A frame line separates the parts: the column left of the part differs from the face.
    EXPECT_NE(split.At(106, 15), plain.At(106, 15));
}

} // namespace
