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
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the close happens once the handler is done";
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

TEST_F(ApplicationTest, StoredLayoutScalesByMeasuredTextHeight)
{
    TForm form(app.get());
    form.LoadFromDescription(LR"(object F: TForm
  Width = 400
  Height = 300
  Font.Height = -30
  Font.Name = 'Arial'
  PixelsPerInch = 96
  TextHeight = 15
end)");
    // The stored text height is 15; a -30 font measures about twice that.
    auto* child = new TNativeEdit(&form);
    child->SetParent(&form);
    child->SetBounds(30, 45, 150, 15);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, form.Font()->Handle());
    SIZE sz{};
    GetTextExtentPoint32W(dc, L"0", 1, &sz);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    form.ScaleControls(sz.cy, 15);
    EXPECT_EQ(child->Left(), MulDiv(30, sz.cy, 15));
    EXPECT_EQ(child->Top(), MulDiv(45, sz.cy, 15));
    EXPECT_EQ(child->Width(), MulDiv(150, sz.cy, 15));
    EXPECT_EQ(form.Width(), 400) << "the window keeps its stored size";
}

} // namespace
