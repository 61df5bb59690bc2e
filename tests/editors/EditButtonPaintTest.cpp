// Edit buttons drawn in every button style and state: pixels of a real button edit brought
// into each state by the cursor, a press and disabling, painted through WM_PRINTCLIENT.
#include "editors/cxButtonEdit.h"
#include "lookandfeel/dxOffice11.h"
#include "tests/common/Artifacts.h"
#include "tests/common/RealInput.h"
#include "tests/common/GdiCount.h"
#include "tests/editors/EditorsTestHelpers.h"

namespace {

enum class Shown { Normal, Hot, Pressed, Disabled };
const char* Name(Shown s)
{
    static const char* names[] = {"normal", "hot", "pressed", "disabled"};
    return names[static_cast<int>(s)];
}

class EditButtonPaintTest : public InputFixture {
protected:
    void SetUp() override
    {
        InputFixture::SetUp();
        edit = Make<TcxButtonEdit>(10, 10, 200, 21);
        MoveCursor(form, {450, 250});
    }
    void TearDown() override
    {
        if (GetCapture())
            ReleaseCapture();
        InputFixture::TearDown();
    }

    // Brings the one button into the state as a person would, and paints the editor.
    std::unique_ptr<PixelCanvas> PaintIn(TcxEditButtonStyle style, Shown shown,
                                         TcxEditButtonKind kind = bkEllipsis)
    {
        if (GetCapture())
            ReleaseCapture();
        // Each cell starts unfocused (a press focuses the field).
        ::SetFocus(form->Handle());
        edit->Properties()->Buttons()->Items(0)->SetKind(kind);
        edit->Properties()->Buttons()->Items(0)->SetEnabled(shown != Shown::Disabled);
        edit->EditStyle()->SetButtonStyle(style);
        MoveCursor(form, {450, 250});
        RECT b = edit->ButtonViewInfos().at(0).bounds;
        POINT centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        if (shown == Shown::Hot || shown == Shown::Pressed)
            MoveCursor(edit, centre);
        if (shown == Shown::Pressed)
            SendMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
        auto canvas = std::make_unique<PixelCanvas>(edit->Width(), edit->Height());
        SendMessageW(edit->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
        return canvas;
    }

    TcxButtonEdit* edit = nullptr;
};

TEST_F(EditButtonPaintTest, EachButtonStyleDrawsItsFrameFaceAndDotsInEveryState)
{
    const TColor ufHot = TcxUltraFlatLookAndFeelPainter::Instance()->ButtonFaceColor(cxbsHot);
    const TColor ufPressed = TcxUltraFlatLookAndFeelPainter::Instance()->ButtonFaceColor(cxbsPressed);
    const TColor o11Hot = TcxOffice11LookAndFeelPainter::Instance()->ButtonFaceColor(cxbsHot);
    const TColor o11Pressed = TcxOffice11LookAndFeelPainter::Instance()->ButtonFaceColor(cxbsPressed);
    const TColor o11Line = Office11SelectionBorder();
    // The field is 200 x 21 with a 2-pixel border, so its button covers x 181..197 and
    // y 2..18. Probes: the button's first, second and last column (at y 10), a face pixel
    // (184, 5) and the first dot: 2-pixel dots start at (184, 9), at (185, 10) when pressed.
    struct Case {
        TcxEditButtonStyle style;
        Shown shown;
        TColor left, second, last, face, dot;
    } cases[] = {
        {bts3D, Shown::Normal, cl3DLight, clBtnHighlight, cl3DDkShadow, clBtnFace, clBtnText},
        {bts3D, Shown::Hot, cl3DLight, clBtnHighlight, cl3DDkShadow, clBtnFace, clBtnText},
        {bts3D, Shown::Pressed, clBtnShadow, clBtnFace, clBtnShadow, clBtnFace, clBtnText},
        {bts3D, Shown::Disabled, cl3DLight, clBtnHighlight, cl3DDkShadow, clBtnFace, clBtnShadow},
        {btsFlat, Shown::Normal, clBtnFace, clBtnHighlight, clBtnFace, clBtnFace, clBtnText},
        {btsFlat, Shown::Hot, clBtnFace, clBtnHighlight, clBtnFace, clBtnFace, clBtnText},
        {btsFlat, Shown::Pressed, clBtnFace, clBtnShadow, clBtnFace, clBtnFace, clBtnText},
        {btsFlat, Shown::Disabled, clBtnFace, clBtnHighlight, clBtnFace, clBtnFace, clBtnShadow},
        {btsSimple, Shown::Normal, clWindow, clBtnFace, clWindow, clBtnFace, clBtnText},
        {btsSimple, Shown::Hot, clBtnFace, clBtnHighlight, clBtnFace, clBtnFace, clBtnText},
        {btsSimple, Shown::Pressed, clBtnFace, clBtnShadow, clBtnFace, clBtnFace, clBtnText},
        {btsSimple, Shown::Disabled, clWindow, clBtnFace, clWindow, clBtnFace, clBtnShadow},
        {btsHotFlat, Shown::Normal, clBtnShadow, clBtnFace, clBtnShadow, clBtnFace, clBtnText},
        {btsHotFlat, Shown::Hot, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, clWindow},
        {btsHotFlat, Shown::Pressed, clBtnShadow, clBtnText, clBtnShadow, clBtnText, clWindow},
        {btsHotFlat, Shown::Disabled, clBtnShadow, clBtnFace, clBtnShadow, clBtnFace, clBtnShadow},
        {btsUltraFlat, Shown::Normal, clWindow, clBtnFace, clWindow, clBtnFace, clBtnText},
        {btsUltraFlat, Shown::Hot, clHighlight, ufHot, ufHot, ufHot, clBtnText},
        {btsUltraFlat, Shown::Pressed, clHighlight, ufPressed, ufPressed, ufPressed, clBtnText},
        {btsUltraFlat, Shown::Disabled, clWindow, clBtnFace, clWindow, clBtnFace, clBtnShadow},
        {btsOffice11, Shown::Normal, clWindow, Office11ButtonFace(), clWindow, Office11ButtonFace(),
         clBtnText},
        {btsOffice11, Shown::Hot, o11Line, o11Hot, o11Hot, o11Hot, clBtnText},
        {btsOffice11, Shown::Pressed, o11Line, o11Pressed, o11Pressed, o11Pressed, clBtnText},
        {btsOffice11, Shown::Disabled, clWindow, clBtnFace, clWindow, clBtnFace, clBtnShadow},
    };
    for (const Case& c : cases) {
        auto canvas = PaintIn(c.style, c.shown);
        std::string what = std::to_string(c.style) + " " + Name(c.shown);
        ASSERT_EQ(edit->ButtonViewInfos().at(0).bounds.left, 181) << what;
        EXPECT_EQ(canvas->At(181, 10), ColorToRGB(c.left)) << what << " first column";
        EXPECT_EQ(canvas->At(182, 10), ColorToRGB(c.second)) << what << " second column";
        EXPECT_EQ(canvas->At(197, 10), ColorToRGB(c.last)) << what << " last column";
        EXPECT_EQ(canvas->At(184, 5), ColorToRGB(c.face)) << what << " face";
        POINT dot = c.shown == Shown::Pressed ? POINT{185, 10} : POINT{184, 9};
        EXPECT_EQ(canvas->At(dot.x, dot.y), ColorToRGB(c.dot)) << what << " dot";
        EXPECT_EQ(canvas->At(dot.x + 2, dot.y), ColorToRGB(c.face)) << what << " gap between dots";
        if (c.shown == Shown::Disabled) {
            EXPECT_EQ(canvas->At(186, 11), ColorToRGB(clBtnHighlight)) << what << " embossed dot";
        }
    }
}

TEST_F(EditButtonPaintTest, ADisabledButtonNeverTurnsHotOrPressedAndIsNotClicked)
{
    int clicks = 0;
    edit->Properties()->OnButtonClick = [&](TObject*, int) { ++clicks; };
    edit->Properties()->Buttons()->Items(0)->SetEnabled(false);
    RECT b = edit->ButtonViewInfos().at(0).bounds;
    POINT centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    MoveCursor(edit, centre);
    EXPECT_EQ(edit->ButtonViewInfos().at(0).state, ebsDisabled);
    EXPECT_EQ(edit->HotButton(), -1);
    SendMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(edit->PressedButton(), -1);
    SendMessageW(edit->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(clicks, 0);
}

// A picture of the buttons for a person to look at: one row per style, one column per
// state, the ellipsis and the down arrow side by side.
TEST_F(EditButtonPaintTest, PictureOfTheButtonsInEveryStyleAndState)
{
    const TcxEditButtonStyle styles[] = {bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11};
    const Shown states[] = {Shown::Normal, Shown::Hot, Shown::Pressed, Shown::Disabled};
    const TcxEditButtonKind kinds[] = {bkEllipsis, bkDown};
    const int cellW = 34, cellH = 21, zoom = 4, gap = 2;
    int cols = 4 * 2, rows = 6;
    PixelCanvas picture((cellW * zoom + gap) * cols, (cellH * zoom + gap) * rows, RGB(255, 255, 255));
    for (int r = 0; r < rows; ++r)
        for (int s = 0; s < 4; ++s)
            for (int k = 0; k < 2; ++k) {
                auto cell = PaintIn(styles[r], states[s], kinds[k]);
                int x = (s * 2 + k) * (cellW * zoom + gap), y = r * (cellH * zoom + gap);
                StretchBlt(picture.dc(), x, y, cellW * zoom, cellH * zoom, cell->dc(), edit->Width() - cellW,
                           0, cellW, cellH, SRCCOPY);
            }
    EXPECT_TRUE(picture.SaveBmp((ArtifactFolder() / L"edit-buttons.bmp").c_str()));
}

// A glyph 10 wide and 30 high: the transparent colour (named by its bottom-left pixel)
// everywhere but for a red block at x 3..6, y 10..19.
constexpr COLORREF kGlyphKey = RGB(255, 0, 255), kGlyphInk = RGB(200, 0, 0);
UniqueBitmap MakeGlyph()
{
    HDC screen = GetDC(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 10, 30));
    ReleaseDC(nullptr, screen);
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    SelectGuard sel(dc.get(), bitmap.get());
    UniqueBrush key(CreateSolidBrush(kGlyphKey)), ink(CreateSolidBrush(kGlyphInk));
    RECT all{0, 0, 10, 30}, block{3, 10, 7, 20};
    FillRect(dc.get(), &all, key.get());
    FillRect(dc.get(), &block, ink.get());
    return bitmap;
}

TEST_F(EditButtonPaintTest, AGlyphIsDrawnCentredWithoutItsTransparentColourAndEmbossedWhenDisabled)
{
    UniqueBitmap glyph = MakeGlyph();
    edit->Properties()->Buttons()->Items(0)->SetKind(bkGlyph);
    edit->Properties()->Buttons()->Items(0)->SetGlyph(glyph.get());
    edit->EditStyle()->SetButtonStyle(btsUltraFlat);
    app->ProcessMessages();
    // Tallest glyph 30, the ultra-flat button's 2 pixels around it, the 2-pixel frame on
    // each side: 36, more than a line of text needs.
    EXPECT_EQ(edit->Height(), 36);
    const TColor ufPressed = TcxUltraFlatLookAndFeelPainter::Instance()->ButtonFaceColor(cxbsPressed);
    // The button is the glyph's 10 pixels and a margin of 4 wide: x 184..197, y 2..33. Its
    // content starts at (186, 3) (at (185, 3) and 12 wide when pressed, the glyph then
    // moved one pixel right and down), so the block's first pixel is at (189, 13), (190, 14)
    // when pressed.
    struct Probe {
        POINT at;
        COLORREF color;
    };
    struct Case {
        Shown shown;
        std::vector<Probe> probes;
    } cases[] = {
        {Shown::Normal,
         {{{189, 13}, kGlyphInk},
          {{192, 22}, kGlyphInk},
          {{188, 13}, ColorToRGB(clBtnFace)},
          {{193, 13}, ColorToRGB(clBtnFace)}}},
        {Shown::Pressed,
         {{{190, 14}, kGlyphInk}, {{193, 23}, kGlyphInk}, {{189, 13}, ColorToRGB(ufPressed)}}},
        {Shown::Disabled,
         {{{189, 13}, ColorToRGB(clBtnShadow)},
          {{193, 23}, ColorToRGB(clBtnHighlight)},
          {{188, 13}, ColorToRGB(clBtnFace)}}},
    };
    for (const Case& c : cases) {
        auto canvas = PaintIn(btsUltraFlat, c.shown, bkGlyph);
        ASSERT_EQ(edit->ButtonViewInfos().at(0).bounds.left, 184) << Name(c.shown);
        for (const Probe& p : c.probes)
            EXPECT_EQ(canvas->At(p.at.x, p.at.y), p.color)
                << Name(c.shown) << " at " << p.at.x << "," << p.at.y;
    }
    auto normal = PaintIn(btsUltraFlat, Shown::Normal, bkGlyph);
    auto disabled = PaintIn(btsUltraFlat, Shown::Disabled, bkGlyph);
    PixelCanvas picture(2 * 30 * 4 + 4, 36 * 4, RGB(255, 255, 255));
    StretchBlt(picture.dc(), 0, 0, 30 * 4, 36 * 4, normal->dc(), 170, 0, 30, 36, SRCCOPY);
    StretchBlt(picture.dc(), 30 * 4 + 4, 0, 30 * 4, 36 * 4, disabled->dc(), 170, 0, 30, 36, SRCCOPY);
    EXPECT_TRUE(picture.SaveBmp((ArtifactFolder() / L"edit-button-glyph.bmp").c_str()));
}

TEST_F(EditButtonPaintTest, PaintEventsComeFirstAndEachCanDrawItsPartInstead)
{
    // A handler that claims a part paints it in a marker colour, so the marker shows where
    // the built-in drawing stayed away. Probes: the field's frame (1, 10), the button's
    // first column (181, 10) and its face (184, 5), in the 3-D button style.
    const COLORREF mark = RGB(250, 0, 250);
    struct Case {
        const char* claims;
        COLORREF frame, firstColumn, face;
    } cases[] = {
        {"", ColorToRGB(clBtnShadow), ColorToRGB(cl3DLight), ColorToRGB(clBtnFace)},
        {"background", mark, ColorToRGB(cl3DLight), ColorToRGB(clBtnFace)},
        {"button", ColorToRGB(clBtnShadow), mark, mark},
        {"border", ColorToRGB(clBtnShadow), mark, ColorToRGB(clYellow)},
        {"buttonBackground", ColorToRGB(clBtnShadow), ColorToRGB(cl3DLight), mark},
    };
    for (const Case& c : cases) {
        std::string claims = c.claims;
        std::vector<std::string> order;
        auto claim = [&](const char* part, TcxCanvas& canvas, const RECT& area, bool& handled) {
            order.push_back(part);
            handled = claims == part;
            if (handled)
                canvas.FillRectColor(area, static_cast<TColor>(mark));
        };
        edit->OnBeforePaint = [&](TcxCustomEdit*, TcxCanvas&) { order.push_back("before"); };
        edit->OnCustomBackground = [&](TcxCustomEdit* e, TcxCanvas& canvas, bool& h) {
            claim("background", canvas, {0, 0, e->Width(), e->Height()}, h);
        };
        edit->OnCustomButton = [&](TcxCustomEdit*, TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                                   bool& h) { claim("button", canvas, b.bounds, h); };
        edit->OnCustomButtonBorder = [&](TcxCustomEdit*, TcxCanvas& canvas, const TcxEditButtonViewInfo& b,
                                         TcxEditButtonFace& face, bool& h) {
            claim("border", canvas, b.bounds, h);
            if (h) {
                face.content = b.bounds;
                InflateRect(&face.content, -2, -2);
                face.background = clYellow;
            }
        };
        edit->OnCustomButtonBackground = [&](TcxCustomEdit*, TcxCanvas& canvas, const TcxEditButtonViewInfo&,
                                             const TcxEditButtonFace& face,
                                             bool& h) { claim("buttonBackground", canvas, face.content, h); };
        auto canvas = PaintIn(bts3D, Shown::Normal);
        ASSERT_FALSE(order.empty());
        EXPECT_EQ(order.front(), "before") << claims;
        EXPECT_EQ(canvas->At(1, 10), c.frame) << claims << " frame";
        EXPECT_EQ(canvas->At(181, 10), c.firstColumn) << claims << " first column";
        EXPECT_EQ(canvas->At(184, 5), c.face) << claims << " face";
    }
}

} // namespace

namespace {

class ButtonLayoutTest : public InputFixture {
protected:
    TcxButtonEdit* MakeField(std::initializer_list<std::pair<TcxEditButtonKind, bool>> buttons)
    {
        auto* edit = Make<TcxButtonEdit>(10, 10, 200, 21);
        edit->Properties()->Buttons()->Clear();
        for (auto [kind, left] : buttons) {
            TcxEditButton* b = edit->Properties()->Buttons()->Add();
            b->SetKind(kind);
            b->SetLeftAlignment(left);
        }
        edit->UpdateVisualStateAtCursor(false);
        return edit;
    }
};

TEST_F(ButtonLayoutTest, ButtonsTakeTheirColumnsFromTheLastToTheFirstAndTheHitTestTellsTextFromOutside)
{
    // Two right-aligned buttons and two left-aligned ones, in that collection order.
    auto* edit = MakeField({{bkEllipsis, false}, {bkDown, false}, {bkEllipsis, true}, {bkDown, true}});
    const auto& vi = edit->ButtonViewInfos();
    ASSERT_EQ(vi.size(), 4u);
    RECT border = edit->ViewInfo().borderRect;
    int w = GetSystemMetrics(SM_CYHSCROLL);
    struct Case {
        int index;
        LONG left;
        bool leftmost, rightmost;
    } cases[] = {
        {0, border.right - 2 * w, true, false}, // the first right-aligned button is left of the second
        {1, border.right - w, false, true},
        {2, border.left + w, false, true}, // the last left-aligned one sits at the edge
        {3, border.left, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vi[static_cast<size_t>(c.index)].index, c.index);
        EXPECT_EQ(vi[static_cast<size_t>(c.index)].bounds.left, c.left) << c.index;
        EXPECT_EQ(vi[static_cast<size_t>(c.index)].leftmost, c.leftmost) << c.index;
        EXPECT_EQ(vi[static_cast<size_t>(c.index)].rightmost, c.rightmost) << c.index;
    }
    EXPECT_EQ(edit->ViewInfo().clientRect.left, border.left + 2 * w);
    EXPECT_EQ(edit->ViewInfo().clientRect.right, border.right - 2 * w);
    struct Hit {
        POINT p;
        int expected;
    } hits[] = {
        {{border.right - 1, 10}, 1}, {{border.left, 10}, 3}, {{100, 10}, -1}, {{0, 0}, -2}, {{199, 20}, -2}};
    for (const Hit& h : hits)
        EXPECT_EQ(edit->ButtonAt(h.p), h.expected) << h.p.x << "," << h.p.y;
    edit->Properties()->Buttons()->Items(1)->SetHint(L"Pick a folder");
    std::wstring hint;
    RECT area{};
    EXPECT_TRUE(edit->ButtonHintAt({border.right - 1, 10}, hint, area));
    EXPECT_EQ(hint, L"Pick a folder");
    EXPECT_TRUE(EqualRect(&area, &vi[1].bounds));
    EXPECT_FALSE(edit->ButtonHintAt({border.left, 10}, hint, area)) << "a button without a hint";
    EXPECT_FALSE(edit->ButtonHintAt({100, 10}, hint, area)) << "the text";
}

TEST_F(ButtonLayoutTest, InTheButtonsOnlyViewTheStretchableButtonsShareTheWidth)
{
    auto* edit = MakeField({{bkEllipsis, false}, {bkDown, false}});
    edit->Properties()->Buttons()->Items(1)->SetStretchable(false);
    edit->Properties()->SetViewStyle(vsButtonsOnly);
    const auto& vi = edit->ButtonViewInfos();
    RECT border = edit->ViewInfo().borderRect;
    int w = GetSystemMetrics(SM_CYHSCROLL);
    ASSERT_EQ(vi.size(), 2u);
    EXPECT_EQ(vi[0].bounds.left, border.left);
    EXPECT_EQ(vi[0].bounds.right, border.right - w) << "the stretchable one takes what is left";
    EXPECT_EQ(vi[1].bounds.right, border.right);
    EXPECT_FALSE(edit->CanModify()) << "no text to edit";
}

TEST_F(ButtonLayoutTest, DraggingOffAPressedButtonCancelsTheClickAndComingBackRestoresIt)
{
    auto* edit = MakeField({{bkEllipsis, false}});
    std::vector<int> clicks;
    edit->Properties()->OnButtonClick = [&](TObject*, int i) { clicks.push_back(i); };
    RECT b = edit->ButtonViewInfos()[0].bounds;
    POINT on{(b.left + b.right) / 2, 10}, off{50, 10};
    auto mouse = [&](DWORD flags) {
        SendMouseButton(flags);
        Settle(app.get());
    };
    SetForegroundWindow(form->Handle());
    struct Step {
        POINT releaseAt;
        bool comeBack;
        size_t clicks;
    } steps[] = {{on, false, 1}, {off, false, 1}, {off, true, 2}};
    for (const Step& s : steps) {
        MoveCursor(edit, on);
        mouse(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(edit->PressedButton(), 0);
        if (s.releaseAt.x != on.x) {
            MoveCursor(edit, off);
            EXPECT_EQ(edit->PressedButton(), -1) << "off the button it is not pressed";
        }
        if (s.comeBack) {
            MoveCursor(edit, on);
            EXPECT_EQ(edit->PressedButton(), 0) << "back on it, pressed again";
        }
        mouse(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(clicks.size(), s.clicks);
    }
}

} // namespace

namespace {

TEST_F(EditButtonPaintTest, TenThousandStateChangesLeaveNoGdiObjectBehind)
{
    RECT b = edit->ButtonViewInfos().at(0).bounds;
    POINT spots[] = {{(b.left + b.right) / 2, 10}, {40, 10}, {-5, -5}};
    PixelCanvas canvas(edit->Width(), edit->Height());
    auto change = [&](int i) {
        edit->UpdateVisualState(spots[i % 3], true);
        if (i % 5 == 0)
            edit->Style()->SetColor(i % 2 ? clWindow : clInfoBk);
        SendMessageW(edit->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    };
    for (int i = 0; i < 30; ++i)
        change(i);
    int before = CountGdiObjects();
    for (int i = 0; i < 10000; ++i)
        change(i);
    app->ProcessMessages();
    EXPECT_LE(CountGdiObjects(), before);
}

} // namespace

namespace {

TEST_F(ButtonLayoutTest, MovingFromOneButtonToAnotherRepaintsOnlyThoseTwo)
{
    auto* edit = MakeField({{bkEllipsis, false}, {bkDown, false}, {bkEllipsis, false}});
    const auto& vi = edit->ButtonViewInfos();
    auto centre = [&](size_t k) { return POINT{(vi[k].bounds.left + vi[k].bounds.right) / 2, 10}; };
    RECT a = vi[0].bounds, b = vi[1].bounds;
    MoveCursor(edit, centre(0));
    ASSERT_EQ(edit->HotButton(), 0);
    ValidateRect(edit->Handle(), nullptr);
    edit->UpdateVisualState(centre(1), true);
    ASSERT_EQ(edit->HotButton(), 1);
    UniqueRegion update(CreateRectRgn(0, 0, 0, 0));
    GetUpdateRgn(edit->Handle(), update.get(), FALSE);
    RECT expected;
    UnionRect(&expected, &a, &b);
    RECT box;
    GetRgnBox(update.get(), &box);
    EXPECT_TRUE(EqualRect(&box, &expected))
        << box.left << "," << box.top << "," << box.right << "," << box.bottom;
    EXPECT_FALSE(PtInRegion(update.get(), vi[2].bounds.left + 2, 10)) << "the third button is left alone";
    EXPECT_FALSE(PtInRegion(update.get(), 1, 1)) << "the frame is left alone";
}

} // namespace

namespace {

TEST_F(ButtonLayoutTest, ButtonTransparencyHidesOrClearsTheButtonsOfAnInactiveField)
{
    auto* edit = MakeField({{bkEllipsis, false}});
    auto* other = Make<TcxTextEdit>(10, 60, 120, 21);
    struct Case {
        TcxEditButtonTransparency transparency;
        size_t unfocusedCount, focusedCount;
        bool unfocusedTransparent;
    } cases[] = {{ebtNone, 1, 1, false},
                 {ebtInactive, 1, 1, true},
                 {ebtAlways, 1, 1, true},
                 {ebtHideInactive, 0, 1, false},
                 {ebtHideUnselected, 0, 1, false}};
    for (const Case& c : cases) {
        edit->EditStyle()->SetButtonTransparency(c.transparency);
        other->SetFocus();
        edit->UpdateVisualStateAtCursor(false);
        ASSERT_EQ(edit->ButtonViewInfos().size(), c.unfocusedCount) << c.transparency;
        if (c.unfocusedCount)
            EXPECT_EQ(edit->ButtonViewInfos()[0].transparent, c.unfocusedTransparent) << c.transparency;
        else
            EXPECT_EQ(edit->ViewInfo().clientRect.right, edit->ViewInfo().borderRect.right)
                << "the text takes the width";
        edit->SetFocus();
        EXPECT_EQ(edit->ButtonViewInfos().size(), c.focusedCount) << c.transparency;
        EXPECT_EQ(edit->ButtonViewInfos()[0].transparent, c.transparency == ebtAlways) << c.transparency;
    }
}

} // namespace
