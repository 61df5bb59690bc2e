#include "runtime/rtApplication.h"
#include "runtime/rtExceptions.h"
#include "runtime/rtStdCtrls.h"

#include <gtest/gtest.h>

namespace {

struct Box {
    HWND owner;
    std::wstring text, caption;
    UINT flags;
};

class ApplicationTest : public testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<TApplication>();
        app->SetTitle(L"Corvane");
        app->SetMessageBoxFunction([this](HWND owner, const std::wstring& t, const std::wstring& c, UINT f) {
            boxes.push_back({owner, t, c, f});
            return IDOK;
        });
    }
    void TearDown() override { app.reset(); }
    std::unique_ptr<TApplication> app;
    std::vector<Box> boxes;
};

TEST(TitleRuleTest, FileNameUpToFirstDotRestLowerCase)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* title;
    } cases[] = {
        {L"C:\\Program Files\\Corvane.exe", L"Corvane"},
        {L"C:\\x\\CORVANE.EXE", L"Corvane"},
        {L"Z:\\a.b\\MY.TOOL.exe", L"My"},
        {L"c:\\x\\éTÉ.exe", L"été"},
        {L"noext", L"noext"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TitleFromModuleName(c.path), c.title) << ToUtf8(c.path);
}

TEST(ErrorBoxTextTest, FullStopOnlyAfterCharactersThatSortAfterIt)
{
    struct Case {
        const wchar_t* message;
        const wchar_t* shown;
    } cases[] = {
        {L"File not found", L"File not found."},
        {L"Unable to create directory", L"Unable to create directory."},
        {L"Done.", L"Done."},
        {L"Really!", L"Really!"},
        {L"a-", L"a-"},
        {L"path/", L"path/."},
        {L"中文", L"中文."},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorBoxText(c.message), c.shown) << ToUtf8(c.message);
}

TEST_F(ApplicationTest, ErrorEscapingAClickHandlerEndsInTheErrorBoxAndTheLoopGoesOn)
{
    TForm form(app.get());
    auto* button = new TNativeButton(&form);
    button->SetParent(&form);
    int clicks = 0;
    button->OnClick = [&](TObject*) {
        ++clicks;
        if (clicks == 1)
            throw EInOutError(2);
        if (clicks == 2)
            Abort();
        throw Exception(L"");
    };
    form.Show();
    for (int i = 0; i < 3; ++i)
        SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 3);
    ASSERT_EQ(boxes.size(), 2u) << "the silent abort shows no box";
    EXPECT_EQ(boxes[0].text, L"File not found.");
    EXPECT_EQ(boxes[0].caption, L"Corvane");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(boxes[1].text, L"");
}

TEST_F(ApplicationTest, CloseAskedByARunningHandlerWaitsUntilItReturns)
{
    TForm* form = nullptr;
    app->CreateForm(form);
    auto* button = new TNativeButton(form);
    button->SetParent(form);
    form->Show();
    bool closedInside = true;
    button->OnClick = [&](TObject*) {
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        app->ProcessMessages();
        closedInside = app->Terminated() || !form->Visible();
        MSG m;
        // The quit that ends the loop must not be posted while the handler still runs.
        closedInside = closedInside || PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(closedInside);
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the close happens once the handler is done";
}

TEST_F(ApplicationTest, TabWalksFocusableControlsInTabOrderAndSkipsTheRest)
{
    TForm form(app.get());
    form.SetBounds(50, 50, 300, 200);
    std::vector<TWinControl*> c;
    for (int i = 0; i < 4; ++i) {
        auto* e = new TNativeEdit(&form);
        e->SetParent(&form);
        e->SetBounds(10, 10 + 30 * i, 100, 22);
        c.push_back(e);
    }
    c[1]->SetTabOrder(3); // order: 0, 2, 3, 1
    c[2]->SetEnabled(false);
    form.Show();
    SetForegroundWindow(form.Handle());
    app->ProcessMessages();
    c[0]->SetFocus();
    std::vector<TWinControl*> walk;
    for (int i = 0; i < 4; ++i) {
        form.SelectNext(true);
        walk.push_back(TWinControl::FindControl(GetFocus()));
    }
    EXPECT_EQ(walk, (std::vector<TWinControl*>{c[3], c[1], c[0], c[3]}));
    form.SelectNext(false);
    EXPECT_EQ(TWinControl::FindControl(GetFocus()), c[0]);
}

TEST_F(ApplicationTest, ClientAlignedChildFollowsEveryResize)
{
    TForm form(app.get());
    form.SetBounds(10, 10, 300, 200);
    auto* fill = new TNativeEdit(&form);
    fill->SetParent(&form);
    auto* fixed = new TNativeEdit(&form);
    fixed->SetParent(&form);
    fixed->SetBounds(5, 6, 70, 20);
    fill->SetAlign(alClient);
    form.Show();
    for (SIZE s : {SIZE{300, 200}, SIZE{500, 420}, SIZE{220, 150}}) {
        SetWindowPos(form.Handle(), nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(form.Handle(), &client);
        RECT r;
        GetWindowRect(fill->Handle(), &r);
        EXPECT_EQ(r.right - r.left, client.right) << s.cx;
        EXPECT_EQ(r.bottom - r.top, client.bottom) << s.cy;
        EXPECT_EQ(fixed->BoundsRect().left, 5);
        EXPECT_EQ(fixed->Width(), 70);
    }
}

// Height of the digit zero in a font, as the forms measure their text height.
int DigitHeight(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE sz{};
    GetTextExtentPoint32W(dc, L"0", 1, &sz);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return sz.cy;
}

// Loads a form whose description stores a client area of 308 x 358 and one control, for a
// text height of `stored`; `measured` is what the form's font measures on this screen.
struct ScaleCase {
    const char* name;
    int storedOffset; // stored text height = measured + storedOffset
};

class StoredLayoutTest : public ApplicationTest, public testing::WithParamInterface<ScaleCase> {};

TEST_P(StoredLayoutTest, ControlsAndClientAreaScaleTogether)
{
    TFont font;
    font.SetName(L"Arial");
    font.SetHeight(-13);
    const int measured = DigitHeight(font.Handle());
    const int stored = measured + GetParam().storedOffset;
    TForm form(app.get());
    auto* child = new TNativeEdit(&form);
    child->SetParent(&form);
    child->SetBounds(30, 45, 150, 15);
    // The client size is set before the window exists, as a description sets it.
    form.LoadFromDescription(
        L"object F: TForm\n  Left = 20\n  Top = 30\n  ClientWidth = 308\n  ClientHeight = 358\n"
        L"  Font.Height = -13\n  Font.Name = 'Arial'\n  PixelsPerInch = 96\n  TextHeight = " +
        std::to_wstring(stored) + L"\nend");
    form.HandleNeeded();
    RECT client;
    GetClientRect(form.Handle(), &client);
    // Every stored length grows by measured / stored, rounded to the nearest pixel.
    auto scaled = [&](int v) { return (v * measured * 2 + stored) / (stored * 2); };
    EXPECT_EQ(client.right, scaled(308));
    EXPECT_EQ(client.bottom, scaled(358));
    EXPECT_EQ(child->Left(), scaled(30));
    EXPECT_EQ(child->Top(), scaled(45));
    EXPECT_EQ(child->Width(), scaled(150));
    RECT placed = child->BoundsRect(), inside;
    EXPECT_TRUE(IntersectRect(&inside, &placed, &client) && EqualRect(&inside, &placed))
        << "the control lies inside";
}

INSTANTIATE_TEST_SUITE_P(TextHeights, StoredLayoutTest,
                         testing::Values(ScaleCase{"AsStored", 0}, ScaleCase{"SmallerThanStored", -4},
                                         ScaleCase{"LargerThanStored", 5}),
                         [](const testing::TestParamInfo<ScaleCase>& i) {
                             return std::string(i.param.name);
                         });

TEST(FitRectIntoAreaTest, MovesIntoTheAreaAndShrinksOnlyWhatIsTooLarge)
{
    const RECT area{0, 0, 1280, 1000};
    struct Case {
        RECT in, out;
    } cases[] = {
        {{412, 221, 1256, 639}, {412, 221, 1256, 639}}, // fits: stays
        {{412, 221, 1423, 715}, {269, 221, 1280, 715}}, // past the right edge: moved left
        {{-50, -20, 250, 180}, {0, 0, 300, 200}},       // past the top left: moved in
        {{100, 900, 400, 1100}, {100, 800, 400, 1000}}, // past the bottom
        {{412, 221, 2000, 1500}, {0, 0, 1280, 1000}},   // larger than the area: the area
    };
    for (const Case& c : cases) {
        RECT got = FitRectIntoArea(c.in, area);
        EXPECT_TRUE(EqualRect(&got, &c.out)) << c.in.left << "," << c.in.top << " -> " << got.left << ","
                                             << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST_F(ApplicationTest, ShownMainFormIsVisibleWhenActivatedAndFocusesItsFirstControl)
{
    auto* form = new TForm(app.get());
    app->SetMainForm(form);
    form->SetBounds(60, 60, 300, 200);
    auto* edit = new TNativeEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 22);
    bool visibleWhenActivated = false;
    form->OnShow = [&](TObject*) { visibleWhenActivated = form->Visible(); };
    app->ShowMainForm();
    app->ProcessMessages();
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(visibleWhenActivated);
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    EXPECT_EQ(GetFocus(), edit->Handle());
    delete form;
}

} // namespace
