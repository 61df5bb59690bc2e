// Fields in the platform's look: the theme of the edit field draws the frame in the part and
// state the system and the field's state call for, and the theme of the push button draws
// the edit buttons. A theme service with chosen answers stands in for the platform's, so
// the themed branch is seen whether or not the machine's theme is on.
#include "editors/cxButtonEdit.h"
#include "tests/editors/EditorsTestHelpers.h"
#include "tests/lookandfeel/LafTestSupport.h"

namespace {

using laftest::FakeThemeApi;
using laftest::ScopedPlatformVersion;
using laftest::ScopedTheme;

constexpr int kBorderColour = 3801, kFillColour = 3802;

COLORREF BorderOf(int part, int state)
{
    return RGB(10 * part, 20 * state, 99);
}

class NativeThemeTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        for (int part : {1, 3})
            for (int state = 1; state <= 6; ++state)
                theme.colors[(part * 100 + state) * 10000 + kBorderColour] = BorderOf(part, state);
        theme.colors[(3 * 100 + 4) * 10000 + kFillColour] = kDisabledFill;
        theme.colors[(3 * 100 + 5) * 10000 + kFillColour] = kFocusedFill;
        MoveCursor(form, {450, 250});
    }
    void TearDown() override
    {
        if (GetCapture())
            ReleaseCapture();
        InputFixture::TearDown();
    }
    std::unique_ptr<PixelCanvas> Paint(TcxContainer* c)
    {
        auto canvas = std::make_unique<PixelCanvas>(c->Width(), c->Height());
        SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
        return canvas;
    }

    static constexpr COLORREF kDisabledFill = RGB(1, 200, 1), kFocusedFill = RGB(2, 100, 2);
    FakeThemeApi theme;
};

TEST_F(NativeThemeTest, TheFieldFrameIsTheThemesInThePartAndStateOfTheSystemAndTheField)
{
    enum class Setup { Normal, Focused, ReadOnly, Disabled };
    struct Case {
        int system;
        Setup setup;
        bool themeActive;
        int part, state; // 0: not themed
        COLORREF inside;
    } cases[] = {
        {5, Setup::Normal, true, 1, 1, ColorToRGB(clWindow)},
        {6, Setup::Normal, true, 3, 1, ColorToRGB(clWindow)},
        {6, Setup::Focused, true, 3, 5, kFocusedFill}, // an editor takes the theme's fill when it has one
        {6, Setup::ReadOnly, true, 3, 6, ColorToRGB(clWindow)},
        {6, Setup::Disabled, true, 3, 4, kDisabledFill},
        {6, Setup::Normal, false, 0, 0, ColorToRGB(clWindow)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "system " << c.system << " setup " << static_cast<int>(c.setup)
                                        << " active " << c.themeActive);
        theme.active = c.themeActive;
        ScopedTheme scoped(&theme);
        ScopedPlatformVersion version(c.system);
        auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
        edit->Style()->LookAndFeel()->SetNativeStyle(true);
        if (c.setup == Setup::Focused)
            edit->SetFocus();
        if (c.setup == Setup::ReadOnly)
            edit->Properties()->SetReadOnly(true);
        if (c.setup == Setup::Disabled)
            edit->SetEnabled(false);
        app->ProcessMessages();
        const TcxContainerViewInfo& vi = edit->ViewInfo();
        auto canvas = Paint(edit);
        int mid = edit->Height() / 2;
        if (c.part == 0) {
            EXPECT_FALSE(vi.usesNativeTheme);
            EXPECT_EQ(canvas->At(1, mid), ColorToRGB(clBtnShadow)) << "the ultra-flat frame";
        } else {
            EXPECT_TRUE(vi.usesNativeTheme);
            EXPECT_EQ(vi.nativePart, c.part);
            EXPECT_EQ(vi.nativeState, c.state);
            // The theme's content starts 3 pixels in; the ring outside it is the border.
            EXPECT_EQ(canvas->At(0, mid), BorderOf(c.part, c.state));
            EXPECT_EQ(canvas->At(2, mid), BorderOf(c.part, c.state));
            EXPECT_EQ(canvas->At(3, mid), c.inside);
            EXPECT_EQ(vi.borderRect.left, 2) << "a themed frame is 2 pixels";
        }
        delete edit;
        ::SetFocus(form->Handle());
    }
    // A part that leaves no margin around its content still gets a one-pixel frame.
    theme.active = true;
    theme.contentInset = 0;
    ScopedTheme scoped(&theme);
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    edit->Style()->LookAndFeel()->SetNativeStyle(true);
    app->ProcessMessages();
    const TcxContainerViewInfo& vi = edit->ViewInfo();
    auto canvas = Paint(edit);
    int mid = edit->Height() / 2;
    EXPECT_EQ(canvas->At(0, mid), BorderOf(vi.nativePart, vi.nativeState));
    EXPECT_EQ(canvas->At(1, mid), ColorToRGB(clWindow));
}

TEST_F(NativeThemeTest, EditButtonsAreThePlatformsPushButtonInTheirState)
{
    ScopedTheme scoped(&theme);
    auto* edit = Make<TcxButtonEdit>(10, 10, 200, 21);
    edit->Style()->LookAndFeel()->SetNativeStyle(true);
    app->ProcessMessages();
    TcxEditButton* button = edit->Properties()->Buttons()->Items(0);
    struct Case {
        const char* name;
        int themeState;
    } cases[] = {{"normal", 1}, {"hot", 2}, {"pressed", 3}, {"disabled", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = c.name;
        if (GetCapture())
            ReleaseCapture();
        button->SetEnabled(name != "disabled");
        MoveCursor(form, {450, 250});
        RECT b = edit->ButtonViewInfos().at(0).bounds;
        POINT centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        if (name == "hot" || name == "pressed")
            MoveCursor(edit, centre);
        if (name == "pressed")
            SendMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
        theme.draws.clear();
        auto canvas = Paint(edit);
        EXPECT_EQ(edit->ButtonViewInfos().at(0).themeState, c.themeState);
        EXPECT_EQ(canvas->At(b.left, b.top), FakeThemeApi::PartColor(1, c.themeState))
            << "the button's corner";
        bool drawn = false;
        for (const auto& d : theme.draws)
            drawn = drawn || (d.part == 1 && d.state == c.themeState && EqualRect(&d.r, &b));
        EXPECT_TRUE(drawn) << "the push button part drawn over the button";
    }
    // A glyph button is as wide as its glyph and the theme's margins around the content
    // (3 pixels on each side here).
    if (GetCapture())
        ReleaseCapture();
    UniqueBitmap glyph(CreateBitmap(10, 12, 1, 32, nullptr));
    button->SetKind(bkGlyph);
    button->SetGlyph(glyph.get());
    app->ProcessMessages();
    RECT b = edit->ButtonViewInfos().at(0).bounds;
    EXPECT_EQ(b.right - b.left, 10 + 6);
}

} // namespace
