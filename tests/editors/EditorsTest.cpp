#include "editors/cxButtonEdit.h"
#include "editors/cxTextEdit.h"
#include "lookandfeel/dxOffice11.h"
#include "tests/common/WindowFixture.h"
#include "tests/editors/EditorsTestHelpers.h"

namespace {

// Frames are checked unhot: the cursor must not rest over a test window from an earlier run.
struct ParkCursorAtStart : testing::Environment {
    void SetUp() override { ParkCursor(); }
};
const auto* const parkCursor = testing::AddGlobalTestEnvironment(new ParkCursorAtStart);

using EditorsTest = WindowFixture;

TEST(ContainerStyleTest, BorderStyleFollowsTheKindAndTheStateWhenNothingIsAssigned)
{
    struct Case {
        TcxLookAndFeelKind kind;
        TcxContainerBorderStyle normal;
    } kinds[] = {
        {lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
    TForm owner(nullptr);
    for (const Case& c : kinds) {
        TcxTextEdit edit(&owner);
        edit.Style()->LookAndFeel()->SetKind(c.kind);
        EXPECT_EQ(edit.Style()->BorderStyle(), c.normal) << c.kind;
    }
    // Focused and hot borders of a single frame turn thick while hot tracking is on.
    struct StateCase {
        TcxContainerBorderStyle root;
        bool hotTrack;
        TcxContainerBorderStyle focused, disabled, hot;
    } states[] = {
        {cbsSingle, true, cbsThick, cbsSingle, cbsThick},
        {cbsSingle, false, cbsSingle, cbsSingle, cbsSingle},
        {cbsFlat, true, cbs3D, cbsFlat, cbs3D},
        {cbsNone, true, cbsFlat, cbsNone, cbsFlat},
        {cbsUltraFlat, true, cbsUltraFlat, cbsUltraFlat, cbsUltraFlat},
    };
    for (const StateCase& c : states) {
        TcxTextEdit edit(&owner);
        edit.Style()->SetBorderStyle(c.root);
        edit.Style()->SetHotTrack(c.hotTrack);
        EXPECT_EQ(edit.StyleFocused()->BorderStyle(), c.focused) << c.root << c.hotTrack;
        EXPECT_EQ(edit.StyleDisabled()->BorderStyle(), c.disabled) << c.root << c.hotTrack;
        EXPECT_EQ(edit.StyleHot()->BorderStyle(), c.hot) << c.root << c.hotTrack;
    }
}

TEST(ContainerStyleTest, PerOwnerValuesLiveInTheNormalStyle)
{
    TForm owner(nullptr);
    TcxTextEdit edit(&owner);
    edit.StyleFocused()->SetEdges(cxBorder(bLeft));
    edit.StyleHot()->LookAndFeel()->SetKind(lfOffice11);
    EXPECT_EQ(edit.Style()->Edges(), cxBorder(bLeft));
    EXPECT_TRUE(edit.Style()->IsAssigned(svEdges));
    EXPECT_EQ(edit.Style()->LookAndFeel()->Kind(), lfOffice11);
    // Per-state values stay with their state.
    edit.StyleFocused()->SetColor(clRed);
    EXPECT_EQ(edit.StyleFocused()->Color(), clRed);
    EXPECT_EQ(edit.Style()->Color(), clWindow);
    EXPECT_EQ(edit.StyleDisabled()->Color(), clBtnFace);
    EXPECT_EQ(edit.StyleDisabled()->TextColor(), clBtnShadow);
}

TEST_F(EditorsTest, UltraFlatFrameIsOnePixelInsideATransparentRingAndLightsUpWhenFocused)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 120, 21);
    auto* other = Make<TcxTextEdit>(10, 60, 120, 21);
    other->SetFocus();
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(edit->ViewInfo().borderStyle, cbsSingle);
    EXPECT_EQ(edit->ViewInfo().borderWidth, 1);
    int w = edit->Width(), h = edit->Height();
    {
        PixelCanvas canvas(w, h);
        edit->PaintTo(canvas.dc());
        EXPECT_EQ(canvas.At(0, 0), ColorToRGB(form->Color())) << "the transparent ring shows the parent";
        EXPECT_EQ(canvas.At(1, 1), ColorToRGB(clBtnShadow));
        EXPECT_EQ(canvas.At(w - 2, h / 2), ColorToRGB(clBtnShadow));
        EXPECT_EQ(canvas.At(2, 2), ColorToRGB(clWindow));
    }
    edit->SetFocus();
    EXPECT_TRUE(edit->Focused());
    EXPECT_TRUE(edit->ViewInfo().state & csfFocused);
    PixelCanvas canvas(w, h);
    edit->PaintTo(canvas.dc());
    EXPECT_EQ(canvas.At(1, 1), ColorToRGB(clHighlight));
}

TEST_F(EditorsTest, Office2003FrameTakesTheSchemeSelectionColourWhenFocused)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 120, 21);
    edit->Style()->LookAndFeel()->SetKind(lfOffice11);
    EXPECT_EQ(edit->Style()->BorderStyle(), cbsOffice11);
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(edit->ViewInfo().borderStyle, cbsSingle);
    EXPECT_EQ(edit->ViewInfo().borderWidth, 1);
    EXPECT_EQ(edit->ViewInfo().borderColor, clBtnShadow);
    edit->SetFocus();
    EXPECT_EQ(edit->ViewInfo().borderColor, Office11SelectionBorder());
}

TEST_F(EditorsTest, TextEditHostsTheEditBoxOnItsClientArea)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 150, 21);
    edit->SetText(L"中文 text");
    TNativeEdit* inner = edit->InnerEdit();
    wchar_t buf[64];
    GetWindowTextW(inner->Handle(), buf, 64);
    EXPECT_STREQ(buf, L"中文 text");
    RECT client = edit->ViewInfo().clientRect;
    RECT r = inner->BoundsRect();
    EXPECT_GE(r.left, client.left);
    EXPECT_LE(r.right, client.right);
    EXPECT_GE(r.top, client.top);
    EXPECT_LE(r.bottom, client.bottom);
    // Typing reaches the editor's text.
    SendMessageW(inner->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(inner->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed"));
    EXPECT_EQ(edit->Text(), L"typed");
    // The frame passes the focus on to the edit box.
    SetFocus(edit->Handle());
    EXPECT_EQ(GetFocus(), inner->Handle());
}

class ButtonEditTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        edit = Make<TcxButtonEdit>(10, 10, 200, 21);
        edit->Properties()->OnButtonClick = [this](TObject* sender, int index) {
            EXPECT_EQ(sender, edit);
            clicks.push_back(index);
        };
        edit->UpdateVisualStateAtCursor(false);
    }
    POINT Centre(int viewIndex)
    {
        RECT r = edit->ButtonViewInfos().at(static_cast<size_t>(viewIndex)).bounds;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Mouse(UINT msg, POINT p)
    {
        SendMessageW(edit->Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(p.x, p.y));
    }

    TcxButtonEdit* edit = nullptr;
    std::vector<int> clicks;
};

TEST_F(ButtonEditTest, EllipsisButtonIsAsWideAsAScrollBarIsHighAtTheRightOfTheFrame)
{
    ASSERT_EQ(edit->ButtonViewInfos().size(), 1u);
    RECT b = edit->ButtonViewInfos()[0].bounds;
    EXPECT_EQ(b.right - b.left, GetSystemMetrics(SM_CYHSCROLL));
    EXPECT_EQ(b.right, edit->ViewInfo().borderRect.right);
    EXPECT_LE(edit->InnerEdit()->BoundsRect().right, b.left);
}

TEST_F(ButtonEditTest, ClickIsAPressAndAReleaseOverTheSameButton)
{
    edit->Properties()->Buttons()->Add()->SetKind(bkText);
    edit->UpdateVisualStateAtCursor(false);
    ASSERT_EQ(edit->ButtonViewInfos().size(), 2u);
    POINT first = Centre(0), second = Centre(1);
    Mouse(WM_LBUTTONDOWN, second);
    Mouse(WM_LBUTTONUP, second);
    Mouse(WM_LBUTTONDOWN, first);
    Mouse(WM_LBUTTONUP, first);
    Mouse(WM_LBUTTONDOWN, first);
    Mouse(WM_LBUTTONUP, second); // released over another button: no click
    Mouse(WM_LBUTTONDOWN, second);
    Mouse(WM_LBUTTONUP, {5, 5}); // released over the text: no click
    EXPECT_EQ(clicks, (std::vector<int>{1, 0}));
    edit->Properties()->Buttons()->Items(0)->SetEnabled(false);
    Mouse(WM_LBUTTONDOWN, first);
    Mouse(WM_LBUTTONUP, first);
    EXPECT_EQ(clicks.size(), 2u) << "a disabled button does not click";
}

TEST_F(ButtonEditTest, ClickKeyRunsTheDefaultButton)
{
    edit->Properties()->Buttons()->Add();
    edit->Properties()->Buttons()->Items(1)->SetDefault(true);
    EXPECT_FALSE(edit->Properties()->Buttons()->Items(0)->Default()) << "one default button at most";
    SetForegroundWindow(form->Handle());
    edit->SetFocus();
    INPUT in[4] = {};
    WORD keys[4][2] = {
        {VK_CONTROL, 0}, {VK_RETURN, 0}, {VK_RETURN, KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = keys[i][0];
        in[i].ki.dwFlags = keys[i][1];
    }
    SendInput(4, in, sizeof(INPUT));
    for (int i = 0; i < 100 && clicks.empty(); ++i) {
        app->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    EXPECT_EQ(clicks, std::vector<int>{1});
}

} // namespace

namespace {

TEST_F(EditorsTest, EdgesCountWithAndWithoutATransparentBorder)
{
    const TcxBorders all = cxBordersAll, leftTop = cxBorder(bLeft) | cxBorder(bTop);
    struct Case {
        TcxContainerBorderStyle style;
        TcxBorders edges;
        bool transparent;
        RECT extent;
    } cases[] = {
        {cbsSingle, leftTop, false, {1, 1, 0, 0}}, {cbs3D, 0, false, {0, 0, 0, 0}},
        {cbs3D, all, false, {2, 2, 2, 2}},         {cbsSingle, all, true, {2, 2, 2, 2}},
        {cbsSingle, leftTop, true, {2, 2, 0, 0}},  {cbsThick, all, true, {2, 2, 2, 2}},
        {cbsUltraFlat, 0, true, {0, 0, 0, 0}},     {cbsNone, all, true, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        RECT e = ContainerBorderExtent(c.style, c.edges, c.transparent);
        EXPECT_TRUE(EqualRect(&e, &c.extent)) << c.style << " " << c.edges << " " << c.transparent << ": "
                                              << e.left << "," << e.top << "," << e.right << "," << e.bottom;
    }
    // Painted: a single frame on the left and at the top only, behind it the parent's colour.
    auto* edit = Make<TcxTextEdit>(10, 10, 120, 21);
    edit->Style()->SetBorderStyle(cbsSingle);
    edit->Style()->SetEdges(leftTop);
    edit->Style()->SetBorderColor(clRed);
    int w = edit->Width(), h = edit->Height();
    struct Pixel {
        int x, y;
        TColor colour;
        const char* what;
    } pixels[] = {
        {0, h / 2, form->Color(), "ring on the left"},
        {1, h / 2, clRed, "frame on the left"},
        {w / 2, 1, clRed, "frame at the top"},
        {w - 1, h / 2, clWindow, "no edge on the right"},
        {w / 2, h - 1, clWindow, "no edge at the bottom"},
    };
    PixelCanvas canvas(w, h);
    SendMessageW(edit->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    for (const Pixel& p : pixels)
        EXPECT_EQ(canvas.At(p.x, p.y), ColorToRGB(p.colour)) << p.what;
}

} // namespace

namespace {

// A container whose inner control stays where the test puts it.
class HostContainer : public TcxContainer {
public:
    explicit HostContainer(TComponent* owner) : TcxContainer(owner) { CreateStyles(); }
    void Host(TWinControl* control) { SetInnerControl(control); }

protected:
    void PlaceInnerControl() override {}
};

TEST_F(EditorsTest, AnInnerControlIsClippedToTheClientRectangleAndHiddenOutsideIt)
{
    auto* host = Make<HostContainer>(10, 10, 100, 40);
    auto* inner = new TNativeEdit(host);
    inner->SetParent(host);
    host->Host(inner);
    host->UpdateVisualStateAtCursor(false);
    RECT client = host->ViewInfo().clientRect;
    struct Case {
        RECT bounds;
        int kind; // what GetWindowRgn answers
        RECT box; // the region's box in the inner control's coordinates
    } cases[] = {
        {{client.left, client.top, client.left + 20, client.top + 10}, ERROR, {}},
        {{client.right - 10, client.top, client.right + 10, client.top + 10}, SIMPLEREGION, {0, 0, 10, 10}},
        {{client.right + 5, client.top, client.right + 25, client.top + 10}, NULLREGION, {}},
        {{client.left + 1, client.top + 1, client.left + 11, client.top + 11}, ERROR, {}},
    };
    for (const Case& c : cases) {
        inner->SetBounds(c.bounds.left, c.bounds.top, c.bounds.right - c.bounds.left,
                         c.bounds.bottom - c.bounds.top);
        host->UpdateVisualStateAtCursor(false);
        UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
        int kind = GetWindowRgn(inner->Handle(), rgn.get());
        EXPECT_EQ(kind, c.kind) << c.bounds.left;
        if (kind == SIMPLEREGION) {
            RECT box;
            GetRgnBox(rgn.get(), &box);
            EXPECT_TRUE(EqualRect(&box, &c.box)) << box.left << "," << box.right;
        }
    }
}

TEST_F(EditorsTest, AShadowShapesTheWindowAndTheControlColourIsTheStyleColour)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 120, 30);
    edit->Style()->SetShadow(true);
    int w = edit->Width(), h = edit->Height();
    UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(edit->Handle(), rgn.get()), ERROR);
    struct Spot {
        POINT p;
        bool inside;
    } spots[] = {{{w - 2, 1}, false}, {{1, h - 2}, false}, {{w - 2, h - 2}, true}, {{3, 3}, true}};
    for (const Spot& s : spots)
        EXPECT_EQ(PtInRegion(rgn.get(), s.p.x, s.p.y) != FALSE, s.inside) << s.p.x << "," << s.p.y;
    edit->Style()->SetShadow(false);
    EXPECT_EQ(GetWindowRgn(edit->Handle(), rgn.get()), ERROR) << "no shadow, no region";

    edit->SetColor(clRed);
    EXPECT_TRUE(edit->Style()->IsAssigned(svColor));
    EXPECT_EQ(edit->Style()->Color(), clRed);
    auto* other = Make<TcxTextEdit>(10, 60, 120, 21);
    other->SetParentColor(true);
    form->SetColor(clGray);
    EXPECT_EQ(other->Color(), clGray);
    EXPECT_FALSE(other->Style()->IsAssigned(svColor)) << "the parent's colour is no assignment";
    EXPECT_EQ(other->ViewInfo().backgroundColor, clGray);
    // A colour set on the style wins over the parent's colour the control was following.
    other->Style()->SetColor(clBlue);
    EXPECT_EQ(other->Color(), clBlue);
    EXPECT_FALSE(other->ParentColor());
    RedrawWindow(other->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(other->ViewInfo().backgroundColor, clBlue);
}

} // namespace
