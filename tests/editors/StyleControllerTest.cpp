// Style controllers: values taken through the controller chain, cycles refused, controllers
// freed under the styles that use them, the default controller included.
#include "editors/cxButtonEdit.h"
#include "tests/common/WindowFixture.h"

namespace {

using StyleControllerTest = WindowFixture;

TEST_F(StyleControllerTest, UnassignedValuesComeFromTheControllerChainThenTheFallbacks)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    TcxEditStyleController nearer(nullptr), farther(nullptr);
    nearer.Style()->SetColor(clYellow);
    nearer.StyleFocused()->SetBorderColor(clRed);
    farther.Style()->SetBorderColor(clGreen);
    farther.Style()->SetHotTrack(false);
    nearer.Style()->SetStyleController(&farther);
    edit->Style()->SetStyleController(&nearer);
    edit->StyleDisabled()->SetTextColor(clNavy);
    struct Case {
        const char* what;
        TColor actual, expected;
    } colours[] = {
        {"normal colour from the nearer controller", edit->Style()->Color(), clYellow},
        {"normal border colour from the farther controller", edit->Style()->BorderColor(), clGreen},
        {"focused border colour from the nearer controller's focused style",
         edit->StyleFocused()->BorderColor(), clRed},
        {"disabled text colour assigned in the editor", edit->StyleDisabled()->TextColor(), clNavy},
        {"disabled border colour: nobody assigns it", edit->StyleDisabled()->BorderColor(), clBtnShadow},
    };
    for (const Case& c : colours)
        EXPECT_EQ(c.actual, c.expected) << c.what;
    EXPECT_FALSE(edit->Style()->HotTrack()) << "per-owner values follow the chain too";
    EXPECT_EQ(edit->Style()->StyleController(), &nearer);
    EXPECT_EQ(edit->StyleHot()->StyleController(), &nearer) << "non-normal styles answer the normal style's";
    // The editor paints what the chain says, and follows a change of the controller.
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(edit->ViewInfo().backgroundColor, clYellow);
    int changes = 0;
    nearer.OnStyleChanged = [&](TObject*) { ++changes; };
    nearer.Style()->SetColor(clAqua);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edit->ViewInfo().backgroundColor, clAqua);
    edit->Style()->SetStyleController(nullptr);
    EXPECT_EQ(edit->Style()->StyleController(), nullptr) << "nil means the default controller";
    EXPECT_EQ(edit->Style()->ActiveController(), DefaultStyleController());
    EXPECT_EQ(edit->Style()->Color(), clWindow);
}

// The values a style keeps once for all four states (button style, transparency, gradient, popup
// frame) are answered for a controller's state styles by the controller's normal style; asking
// one of them used to call itself without end.
TEST_F(StyleControllerTest, AControllersStateStylesAnswerTheSharedValuesFromItsNormalStyle)
{
    TcxEditStyleController controller(nullptr);
    controller.Style()->SetButtonStyle(btsUltraFlat);
    for (TcxEditStyle* s : {controller.StyleDisabled(), controller.StyleFocused(), controller.StyleHot()}) {
        EXPECT_EQ(s->ButtonStyle(), btsUltraFlat);
        EXPECT_EQ(s->ButtonTransparency(), controller.Style()->ButtonTransparency());
    }
    TcxEditStyleController bare(nullptr);
    EXPECT_EQ(bare.StyleHot()->ButtonStyle(), btsDefault);
}

TEST_F(StyleControllerTest, AControllerThatWouldLeadBackToTheStyleIsRefused)
{
    TcxEditStyleController a(nullptr), b(nullptr), c(nullptr);
    b.Style()->SetStyleController(&a);
    c.Style()->SetStyleController(&b);
    struct Case {
        TcxEditStyleController* style;
        TcxEditStyleController* controller;
        TcxStyleController* kept;
    } cases[] = {{&a, &a, nullptr}, {&a, &b, nullptr}, {&a, &c, nullptr}, {&c, &a, &a}};
    for (const Case& k : cases) {
        k.style->Style()->SetStyleController(k.controller);
        EXPECT_EQ(k.style->Style()->StyleController(), k.kept);
    }
    a.Style()->SetColor(clLime);
    EXPECT_EQ(c.Style()->Color(), clLime) << "the accepted chain still works";
}

TEST_F(StyleControllerTest, AFreedControllerHandsItsStylesBackToTheDefault)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    auto* controller = new TcxEditStyleController(form);
    controller->Style()->SetColor(clYellow);
    edit->Style()->SetStyleController(controller);
    edit->UpdateVisualStateAtCursor(false);
    ASSERT_EQ(edit->ViewInfo().backgroundColor, clYellow);
    delete controller;
    EXPECT_EQ(edit->Style()->ActiveController(), DefaultStyleController());
    EXPECT_EQ(edit->ViewInfo().backgroundColor, clWindow) << "repainted with the fallback";
}

TEST_F(StyleControllerTest, FreeingTheDefaultControllerLeavesNoStyleDangling)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    TcxEditStyleController own(nullptr);
    ASSERT_EQ(edit->Style()->ActiveController(), DefaultStyleController());
    DefaultStyleController()->StateStyle(csNormal)->SetBorderColor(clPurple);
    EXPECT_EQ(edit->Style()->BorderColor(), clPurple);
    FreeDefaultStyleController();
    EXPECT_EQ(edit->Style()->ActiveController(), nullptr);
    EXPECT_EQ(own.Style()->ActiveController(), nullptr);
    EXPECT_EQ(edit->Style()->BorderColor(), clWindowFrame)
        << "the fallback, read without the freed controller";
    edit->Style()->SetStyleController(&own);
    EXPECT_EQ(edit->Style()->StyleController(), &own);
    delete edit;
    // A new default serves the styles made from now on.
    EXPECT_NE(DefaultStyleController(), nullptr);
}

} // namespace

namespace {

TEST(StyleControllerScaling, FontsStoredForAnotherResolutionAreScaledToTheScreen)
{
    HDC dc = GetDC(nullptr);
    int screen = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    struct Case {
        int stored;
        bool assigned;
        int height; // after reading
    } cases[] = {{screen, true, -15},
                 {screen * 5 / 4, true, MulDiv(-15, screen, screen * 5 / 4)},
                 // A font the style no longer assigns is the default font again, and stays
                 // as it is.
                 {screen * 5 / 4, false, TFont().Height()}};
    for (const Case& c : cases) {
        TcxEditStyleController controller(nullptr);
        controller.Style()->Font()->SetHeight(-15);
        if (!c.assigned)
            controller.Style()->SetAssignedValues(controller.Style()->AssignedValues() & ~svFont);
        int changes = 0;
        controller.OnStyleChanged = [&](TObject*) { ++changes; };
        controller.SetPixelsPerInch(c.stored);
        EXPECT_EQ(controller.Style()->Font()->Height(), c.height) << c.stored << " " << c.assigned;
        EXPECT_EQ(changes, c.stored == screen ? 0 : 1);
    }
}

} // namespace

namespace {

TEST_F(StyleControllerTest, AFontNoControllerGivesAnyMoreIsNotKept)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    auto* controller = new TcxEditStyleController(nullptr);
    controller->Style()->Font()->SetHeight(-30);
    edit->Style()->SetStyleController(controller);
    ASSERT_EQ(edit->Style()->Font()->Height(), -30);
    delete controller;
    EXPECT_EQ(edit->Style()->Font()->Height(), form->Font()->Height()) << "the control's, from its parent";
    EXPECT_FALSE(edit->Style()->IsAssigned(svFont));

    // A style of no control has no parent to take a font from: the default font.
    TcxEditStyle loose(nullptr, csNormal);
    TcxEditStyleController other(nullptr);
    other.Style()->Font()->SetHeight(-30);
    loose.SetStyleController(&other);
    ASSERT_EQ(loose.Font()->Height(), -30);
    other.Style()->SetAssignedValues(other.Style()->AssignedValues() & ~svFont);
    EXPECT_EQ(loose.Font()->Height(), TFont().Height());
}

// Copying settings between editors: whole styles (with the controller the values come from),
// a look-and-feel into a style and the properties into an editor; and a reset of a style that
// no control owns starts its font again from the default.
TEST_F(StyleControllerTest, StylesLookAndFeelAndPropertiesAssignedCarryTheirSettingsAndController)
{
    auto* from = Make<TcxButtonEdit>(10, 10, 150, 21);
    auto* to = Make<TcxButtonEdit>(10, 40, 150, 21);
    TcxEditStyleController controller(nullptr);
    controller.Style()->SetColor(clYellow);
    from->Style()->SetStyleController(&controller);
    from->StyleFocused()->SetBorderColor(clRed);
    from->StyleHot()->SetBorderColor(clBlue);
    from->StyleDisabled()->SetTextColor(clNavy);

    to->SetStyle(from->Style());
    EXPECT_EQ(to->Style()->StyleController(), &controller) << "the controller comes along";
    EXPECT_EQ(to->Style()->Color(), clYellow);
    to->SetStyleFocused(from->StyleFocused());
    to->SetStyleHot(from->StyleHot());
    to->SetStyleDisabled(from->StyleDisabled());
    EXPECT_EQ(to->StyleFocused()->BorderColor(), clRed);
    EXPECT_EQ(to->StyleHot()->BorderColor(), clBlue);
    EXPECT_EQ(to->StyleDisabled()->TextColor(), clNavy);
    // A style that leaves its controller to the default takes the other editor off its own.
    auto* plain = Make<TcxButtonEdit>(10, 70, 150, 21);
    to->SetStyle(plain->Style());
    EXPECT_EQ(to->Style()->StyleController(), nullptr);
    EXPECT_NE(to->Style()->Color(), clYellow);

    TcxLookAndFeel standard(nullptr);
    standard.SetKind(lfStandard);
    to->Style()->SetLookAndFeel(&standard);
    EXPECT_EQ(to->Style()->LookAndFeel()->Kind(), lfStandard);
    EXPECT_EQ(to->Style()->BorderStyle(), cbs3D);

    from->Properties()->SetReadOnly(true);
    from->Properties()->SetClickKey(0);
    to->SetProperties(from->Properties());
    EXPECT_TRUE(to->Properties()->ReadOnly());
    EXPECT_EQ(to->Properties()->ClickKey(), 0u);

    TFont defaultFont;
    controller.Style()->Font()->SetHeight(-30);
    controller.Style()->ResetStyle();
    EXPECT_EQ(controller.Style()->Font()->Height(), defaultFont.Height());
    EXPECT_FALSE(controller.Style()->IsAssigned(svFont));
}

TEST(StyleDirectValueModeTest, ALightStyleAnswersItsOwnFieldsBorrowsItsFontAndTellsNobody)
{
    TcxEditStyle direct(nullptr, csNormal, true);
    // What a fresh light style answers, where a full one would use its fallbacks.
    EXPECT_EQ(direct.BorderColor(), clDefault);
    EXPECT_EQ(direct.Edges(), 0u);
    EXPECT_FALSE(direct.Shadow());
    EXPECT_TRUE(direct.TransparentBorder());
    EXPECT_TRUE(direct.IsAssigned(svColor) && direct.IsAssigned(svFont) &&
                direct.IsAssigned(svTransparentBorder));
    direct.ConnectDefaultController();
    EXPECT_EQ(direct.ActiveController(), nullptr) << "no controller, not even the default one";

    int notified = 0;
    direct.OwnerNotify = [&](TcxContainerStyle*) { ++notified; };
    direct.SetColor(clYellow);
    direct.SetBorderStyle(cbsThick);
    direct.SetTextColor(clPurple);
    direct.SetButtonStyle(btsFlat);
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(direct.Color(), clYellow);
    EXPECT_EQ(direct.BorderStyle(), cbsThick);
    EXPECT_EQ(direct.ButtonStyle(), btsFlat);

    TFont font;
    font.SetHeight(-20);
    direct.SetFont(&font);
    font.SetHeight(-30);
    EXPECT_EQ(direct.Font(), &font) << "borrowed, not copied";

    // Copied into a full style, the font takes the light style's text colour.
    TcxEditStyle full(nullptr, csNormal);
    full.Assign(&direct);
    EXPECT_EQ(full.Font()->Height(), -30);
    EXPECT_EQ(full.Font()->Color(), clPurple);
    EXPECT_EQ(full.Color(), clYellow);
    EXPECT_TRUE(full.IsAssigned(svColor));
    EXPECT_EQ(full.ButtonStyle(), btsFlat);
    EXPECT_FALSE(full.DirectValueMode());
}

} // namespace
