#include "controls/cxControlsRegister.h"
#include "controls/cxGroupBox.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "tests/common/Artifacts.h"
#include "tests/common/RealInput.h"
#include "tests/common/WindowFixture.h"

namespace {

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

std::string Show(const RECT& r)
{
    // Appended piece by piece: the compiler's overlap check misreads a chain of string sums here.
    std::string text = "(";
    for (LONG v : {r.left, r.top, r.right, r.bottom})
        text += std::to_string(v) + ",";
    text.back() = ')';
    return text;
}

// A 200 x 100 box, a 40 x 14 caption, a "Wg" height of 16 and a 2-pixel frame.
TEST(GroupBoxLayoutTest, CaptionFrameAndChildAreaForEachAlignment)
{
    const RECT b{0, 0, 200, 100};
    const SIZE text{40, 14};
    struct Case {
        TcxCaptionAlignment alignment;
        SIZE text;
        RECT caption, frame, children;
    } cases[] = {
        // Top: 8 from the left, centred, 8 before the right; the frame through the band's middle
        // (16 / 2 + 1), the children below the band (16 + 2 + 3).
        {alTopLeft, text, {8, 0, 48, 14}, {0, 9, 200, 100}, {2, 21, 198, 98}},
        {alTopCenter, text, {80, 0, 120, 14}, {0, 9, 200, 100}, {2, 21, 198, 98}},
        {alTopRight, text, {152, 0, 192, 14}, {0, 9, 200, 100}, {2, 21, 198, 98}},
        {alBottomLeft, text, {8, 86, 48, 100}, {0, 0, 200, 91}, {2, 2, 198, 79}},
        {alBottomRight, text, {152, 86, 192, 100}, {0, 0, 200, 91}, {2, 2, 198, 79}},
        // Left and right: turned, so the caption is 14 wide and 40 long down the side.
        {alLeftTop, text, {0, 8, 14, 48}, {8, 0, 200, 100}, {21, 2, 198, 98}},
        {alLeftBottom, text, {0, 52, 14, 92}, {8, 0, 200, 100}, {21, 2, 198, 98}},
        {alRightCenter, text, {186, 30, 200, 70}, {0, 0, 192, 100}, {2, 2, 179, 98}},
        {alCenterCenter, text, {80, 43, 120, 57}, {0, 0, 200, 100}, {2, 2, 198, 98}},
        // No caption: nothing to draw, the frame at the edge, the band still reserved.
        {alTopLeft, SIZE{0, 0}, {0, 0, 0, 0}, {0, 0, 200, 100}, {2, 21, 198, 98}},
        {alBottomCenter, SIZE{0, 0}, {0, 0, 0, 0}, {0, 0, 200, 100}, {2, 2, 198, 79}},
    };
    for (const Case& c : cases) {
        TcxGroupBoxLayout l = CalculateGroupBoxLayout(b, c.alignment, c.text, 16, 2, false, 0);
        EXPECT_TRUE(Same(l.caption, c.caption) || (IsRectEmpty(&l.caption) && IsRectEmpty(&c.caption)))
            << c.alignment << " caption " << Show(l.caption);
        EXPECT_TRUE(Same(l.frame, c.frame)) << c.alignment << " frame " << Show(l.frame);
        EXPECT_TRUE(Same(l.children, c.children)) << c.alignment << " children " << Show(l.children);
    }
    // The panel look: no band, no inset; children inside the panel's border width.
    TcxGroupBoxLayout panel = CalculateGroupBoxLayout(b, alTopLeft, text, 16, 2, true, 3);
    EXPECT_TRUE(Same(panel.children, RECT{3, 3, 197, 97})) << Show(panel.children);
    EXPECT_TRUE(Same(panel.frame, b));
    // A band or a panel border larger than the box leaves the children no room: an empty
    // rectangle inside the box, never an inverted one.
    struct Tight {
        RECT bounds;
        TcxCaptionAlignment alignment;
        bool panel;
        int panelBorder;
    } tight[] = {
        {{0, 0, 200, 10}, alTopLeft, false, 0},
        {{0, 0, 200, 10}, alBottomCenter, false, 0},
        {{0, 0, 12, 100}, alLeftTop, false, 0},
        {{0, 0, 200, 100}, alTopLeft, true, 120},
    };
    for (const Tight& t : tight) {
        TcxGroupBoxLayout l =
            CalculateGroupBoxLayout(t.bounds, t.alignment, text, 16, 2, t.panel, t.panelBorder);
        EXPECT_LE(l.children.left, l.children.right) << Show(l.children);
        EXPECT_LE(l.children.top, l.children.bottom) << Show(l.children);
        EXPECT_TRUE(IsRectEmpty(&l.children)) << Show(l.children);
        RECT inside;
        UnionRect(&inside, &l.children, &t.bounds);
        EXPECT_TRUE(Same(inside, t.bounds)) << Show(l.children);
    }
}

class GroupBoxTest : public WindowFixture {
protected:
    TcxGroupBox* Box(TcxContainerBorderStyle style, const std::wstring& caption)
    {
        auto* box = Make<TcxGroupBox>(10, 10, 200, 100);
        box->Style()->SetBorderStyle(style);
        box->SetCaption(caption);
        box->UpdateVisualStateAtCursor(false);
        return box;
    }
};

// The frame of each border style, on the line through the caption's middle, and the gap the
// caption leaves in it.
TEST_F(GroupBoxTest, FramesByBorderStyleLeaveRoomForTheCaption)
{
    const COLORREF back = RGB(230, 230, 200);
    form->SetColor(back);
    struct Case {
        TcxContainerBorderStyle style;
        TColor outer; // the frame line's first pixel row (clNone: no frame)
    } cases[] = {{cbs3D, clBtnShadow}, {cbsFlat, clBtnShadow}, {cbsSingle, clWindowFrame}, {cbsNone, clNone}};
    for (const Case& c : cases) {
        auto* box = Box(c.style, L"Group");
        RECT frame = box->FrameBounds(), caption = box->CaptionBounds();
        PixelCanvas canvas(200, 100);
        box->PaintTo(canvas.dc());
        int y = frame.top;
        COLORREF expected = c.outer == clNone ? back : ColorToRGB(c.outer);
        EXPECT_EQ(canvas.At(100, y), expected) << "style " << c.style;
        EXPECT_EQ(canvas.At(0, 50), c.outer == clNone ? back : ColorToRGB(c.outer))
            << "left side, style " << c.style;
        EXPECT_EQ(canvas.At(caption.left - 1, y), back) << "the gap before the caption, style " << c.style;
        bool ink = false;
        for (int x = caption.left; x < caption.right; ++x)
            for (int yy = caption.top; yy < caption.bottom; ++yy)
                ink = ink || canvas.At(x, yy) == ColorToRGB(clWindowText);
        EXPECT_TRUE(ink) << "the caption is drawn, style " << c.style;
        delete box;
    }
}

TEST_F(GroupBoxTest, ChildrenAreAlignedInsideTheFrameAndBand)
{
    auto* box = Box(cbsSingle, L"");
    auto* child = new TcxGroupBox(form);
    child->SetParent(box);
    child->SetAlign(alClient);
    app->ProcessMessages();
    RECT area = box->ClientRect();
    EXPECT_EQ(child->Left(), area.left);
    EXPECT_EQ(child->Top(), area.top);
    EXPECT_GT(area.top, 1) << "the caption band is reserved even without a caption";
    EXPECT_EQ(child->Width(), area.right - area.left);
}

// A box that fills its form follows a resize of the form. By default it repaints completely:
// the old frame's right and bottom edges would stay behind otherwise. With RedrawOnResize off
// only what the resize uncovered is repainted.
TEST_F(GroupBoxTest, AResizeRepaintsTheWholeBoxUnlessToldOtherwise)
{
    for (bool redraw : {true, false}) {
        auto* box = Box(cbsSingle, L"Group");
        box->SetRedrawOnResize(redraw);
        box->SetAlign(alClient);
        app->ProcessMessages();
        UpdateWindow(form->Handle());
        RedrawWindow(box->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        ValidateRect(box->Handle(), nullptr);
        RECT before{};
        GetClientRect(box->Handle(), &before);
        form->SetBounds(form->Left(), form->Top(), form->Width() + 40, form->Height() + 30);
        RECT update{}, client{};
        GetUpdateRect(box->Handle(), &update, FALSE);
        GetClientRect(box->Handle(), &client);
        EXPECT_EQ(client.right, form->ClientRect().right) << "the box follows the form";
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(box->Handle(), region, FALSE);
        bool oldInside = PtInRegion(region, before.right / 2, before.bottom / 2);
        bool oldRightEdge = PtInRegion(region, before.right - 1, before.bottom / 2);
        bool newStrip = PtInRegion(region, client.right - 1, client.bottom - 1);
        DeleteObject(region);
        EXPECT_TRUE(newStrip) << "the uncovered part is repainted, RedrawOnResize " << redraw;
        EXPECT_EQ(oldInside, redraw) << "the old area, RedrawOnResize " << redraw;
        EXPECT_EQ(oldRightEdge, redraw) << "the old frame edge, RedrawOnResize " << redraw;
        if (redraw) {
            EXPECT_TRUE(Same(update, client)) << Show(update) << " of " << Show(client);
        }
        delete box;
        form->SetBounds(form->Left(), form->Top(), form->Width() - 40, form->Height() - 30);
        app->ProcessMessages();
    }
}

// Under the platform's theme the group box is open inside: with ParentBackground (the
// default) the form's colour shows there, without it the box's own colour.
TEST_F(GroupBoxTest, ParentBackgroundUnderTheTheme)
{
    form->SetColor(RGB(200, 30, 30));
    auto* box = Box(cbs3D, L"Group");
    box->Style()->LookAndFeel()->SetNativeStyle(true);
    box->SetParentColor(false);
    box->Style()->SetColor(RGB(30, 200, 30));
    box->UpdateVisualStateAtCursor(false);
    struct Case {
        bool parentBackground;
        COLORREF inside;
    } cases[] = {{true, RGB(200, 30, 30)}, {false, RGB(30, 200, 30)}};
    for (const Case& c : cases) {
        box->SetParentBackground(c.parentBackground);
        PixelCanvas canvas(200, 100);
        box->PaintTo(canvas.dc());
        if (!box->Style()->LookAndFeel()->NativeStyle() || canvas.At(100, 60) == RGB(1, 2, 3))
            GTEST_SKIP() << "no theme painting";
        EXPECT_EQ(canvas.At(100, 60), c.inside) << c.parentBackground;
    }
}

TEST_F(GroupBoxTest, PanelStyleAndCustomDrawing)
{
    auto* box = Box(cbs3D, L"Panel");
    box->Style()->LookAndFeel()->SetKind(lfOffice11);
    TcxPanelStyle* panel = box->PanelStyle();
    panel->SetCaptionIndent(0);
    EXPECT_EQ(panel->CaptionIndent(), 2);
    panel->SetActive(true);
    panel->SetOfficeBackgroundKind(pobkGradient);
    box->UpdateVisualStateAtCursor(false);
    PixelCanvas canvas(200, 100);
    box->PaintTo(canvas.dc());
    EXPECT_EQ(canvas.At(100, 0), ColorToRGB(Office11GradientLight())) << "light at the top";
    COLORREF bottom = canvas.At(100, 99), dark = ColorToRGB(Office11GradientDark());
    EXPECT_LE(std::abs(GetRValue(bottom) - GetRValue(dark)) + std::abs(GetBValue(bottom) - GetBValue(dark)),
              6);
    panel->SetOfficeBackgroundKind(pobkStyleColor);
    box->SetParentColor(false);
    box->Style()->SetColor(RGB(0, 128, 128));
    box->UpdateVisualStateAtCursor(false);
    PixelCanvas styled(200, 100);
    box->PaintTo(styled.dc());
    EXPECT_EQ(styled.At(100, 90), RGB(0, 128, 128));
    // A handler that takes over draws instead of the box.
    box->OnCustomDraw = [](TObject*, bool& done) { done = true; };
    PixelCanvas custom(200, 100);
    box->PaintTo(custom.dc());
    EXPECT_EQ(custom.At(100, 50), RGB(1, 2, 3)) << "nothing painted";
}

// A caption band taller than the box gives an aligned child no room, not the whole box.
TEST_F(GroupBoxTest, ABandTallerThanTheBoxLeavesTheChildrenNoRoom)
{
    auto* box = Box(cbsSingle, L"Group");
    auto* child = new TcxGroupBox(form);
    child->SetParent(box);
    child->SetAlign(alClient);
    box->SetBounds(10, 10, 200, 12);
    app->ProcessMessages();
    RECT area = box->ClientRect();
    EXPECT_TRUE(IsRectEmpty(&area)) << Show(area);
    EXPECT_TRUE(child->Width() == 0 || child->Height() == 0) << child->Width() << " x " << child->Height();
    // Room again once the box is tall enough.
    box->SetBounds(10, 10, 200, 100);
    app->ProcessMessages();
    EXPECT_GT(child->Height(), 50);
}

// The custom-draw and measure events are given the painter the box's look and feel paints
// with.
TEST_F(GroupBoxTest, CustomDrawEventsGetTheLookAndFeelsPainter)
{
    auto* box = Box(cbsSingle, L"Group");
    TcxCustomLookAndFeelPainterClass measured = nullptr, caption = nullptr, background = nullptr;
    box->OnMeasureCaptionHeight = [&](TObject*, TcxCustomLookAndFeelPainterClass p, int&) { measured = p; };
    box->OnCustomDrawCaption = [&](TObject*, TcxCanvas&, const RECT&, TcxCustomLookAndFeelPainterClass p,
                                   bool&) { caption = p; };
    box->OnCustomDrawContentBackground = [&](TObject*, TcxCanvas&, const RECT&,
                                             TcxCustomLookAndFeelPainterClass p, bool&) { background = p; };
    const std::pair<TcxLookAndFeelKind, TcxCustomLookAndFeelPainterClass> kinds[] = {
        {lfFlat, TcxFlatLookAndFeelPainter::Instance()},
        {lfStandard, TcxStandardLookAndFeelPainter::Instance()},
        {lfUltraFlat, TcxUltraFlatLookAndFeelPainter::Instance()},
        {lfOffice11, TcxOffice11LookAndFeelPainter::Instance()},
    };
    for (const auto& [kind, painter] : kinds) {
        measured = caption = background = nullptr;
        box->Style()->LookAndFeel()->SetKind(kind);
        box->UpdateVisualStateAtCursor(false);
        PixelCanvas canvas(200, 100);
        box->PaintTo(canvas.dc());
        EXPECT_EQ(measured, painter) << kind;
        EXPECT_EQ(caption, painter) << kind;
        EXPECT_EQ(background, painter) << kind;
    }
}

// The style's shadow: a 3-pixel band right of and below the frame, the parent beside its ends;
// frame and children move in by its width.
TEST_F(GroupBoxTest, TheStylesShadowIsDrawn)
{
    const COLORREF back = RGB(230, 230, 200);
    form->SetColor(back);
    auto* box = Box(cbsSingle, L"");
    box->SetParentColor(false);
    box->Style()->SetColor(RGB(255, 255, 255));
    RECT before = box->ClientRect();
    box->Style()->SetShadow(true);
    box->UpdateVisualStateAtCursor(false);
    PixelCanvas canvas(200, 100);
    box->PaintTo(canvas.dc());
    ASSERT_TRUE(canvas.SaveBmp((ArtifactFolder() / L"group-box-shadow.bmp").c_str()));
    const COLORREF shadow = ColorToRGB(clBtnShadow), frame = ColorToRGB(clWindowFrame);
    struct Probe {
        int x, y;
        COLORREF colour;
        const char* what;
    } probes[] = {
        {198, 50, shadow, "right shadow"},       {100, 98, shadow, "bottom shadow"},
        {198, 1, back, "beside its top end"},    {1, 98, back, "beside its left end"},
        {196, 50, frame, "right frame line"},    {100, 96, frame, "bottom frame line"},
        {100, 50, RGB(255, 255, 255), "inside"},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(canvas.At(p.x, p.y), p.colour) << p.what;
    RECT after = box->ClientRect();
    EXPECT_EQ(after.right, before.right - 3);
    EXPECT_EQ(after.bottom, before.bottom - 3);
}

// A plain box paints straight onto the screen, the others through an off-screen picture: either
// way the screen shows what the box's picture shows, after a whole repaint and after a repaint
// of a part of it (which the off-screen way draws with a moved origin).
TEST_F(GroupBoxTest, TheScreenShowsTheBoxsPictureWhicheverWayItPaints)
{
    form->SetColor(RGB(230, 230, 200));
    struct Case {
        const char* what;
        TcxContainerBorderStyle style;
        const wchar_t* caption;
        bool office;
        bool shadow = false;
    } cases[] = {
        {"plain, 3D frame", cbs3D, L"", false},
        {"plain, single frame", cbsSingle, L"", false},
        {"plain, no frame", cbsNone, L"", false},
        {"captioned", cbs3D, L"Group", false},
        {"office panel", cbs3D, L"", true},
        // The window's shape keeps the frame on its edges and the whole shadow.
        {"shadowed", cbsSingle, L"", false, true},
        {"shadowed, captioned", cbs3D, L"Group", false, true},
    };
    for (const Case& c : cases) {
        auto* box = Box(c.style, c.caption);
        box->SetParentColor(false);
        box->Style()->SetColor(RGB(250, 240, 220));
        box->Style()->SetShadow(c.shadow);
        if (c.office) {
            box->Style()->LookAndFeel()->SetKind(lfOffice11);
            box->PanelStyle()->SetActive(true);
            box->PanelStyle()->SetOfficeBackgroundKind(pobkGradient);
        }
        // A child keeps its own place: the box paints around it.
        auto* child = new TcxGroupBox(form);
        child->SetParent(box);
        child->SetBounds(60, 40, 50, 30);
        child->SetParentColor(false);
        child->Style()->SetColor(RGB(0, 0, 255));
        box->UpdateVisualStateAtCursor(false);
        app->ProcessMessages();
        PixelCanvas picture(200, 100);
        box->PaintTo(picture.dc());
        for (const RECT& part : {RECT{0, 0, 200, 100}, RECT{7, 3, 57, 93}, RECT{150, 60, 200, 100}}) {
            // The screen is first spoilt, so that only this repaint can have put the box there.
            HDC screen = GetDC(box->Handle());
            UniqueBrush spoil(CreateSolidBrush(RGB(255, 0, 255)));
            FillRect(screen, &part, spoil.get());
            ReleaseDC(box->Handle(), screen);
            RedrawWindow(box->Handle(), &part, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            screen = GetDC(box->Handle());
            PixelCanvas shown(200, 100);
            BitBlt(shown.dc(), 0, 0, 200, 100, screen, 0, 0, SRCCOPY);
            ReleaseDC(box->Handle(), screen);
            int differing = 0, overChild = 0;
            for (int y = part.top; y < part.bottom; ++y)
                for (int x = part.left; x < part.right; ++x) {
                    // The child's inside (its own frame runs along its edges).
                    if (x >= 65 && x < 105 && y >= 50 && y < 65)
                        overChild += shown.At(x, y) != RGB(0, 0, 255);
                    else if (!(x >= 60 && x < 110 && y >= 40 && y < 70))
                        differing += shown.At(x, y) != picture.At(x, y);
                }
            EXPECT_EQ(differing, 0) << c.what << ", repainting " << Show(part);
            EXPECT_EQ(overChild, 0) << c.what << " paints over its child, repainting " << Show(part);
        }
        delete box;
    }
}

// Pictures of every caption alignment in every look and feel, and the panel kinds.
TEST_F(GroupBoxTest, WritesPicturesOfEveryAlignmentAndLook)
{
    form->SetColor(RGB(236, 233, 216));
    auto* box = Make<TcxGroupBox>(10, 10, 150, 80);
    const TcxLookAndFeelKind kinds[] = {lfFlat, lfStandard, lfUltraFlat, lfOffice11};
    PixelCanvas sheet(13 * 154, 5 * 84, RGB(255, 255, 255));
    for (int k = 0; k < 5; ++k) {
        for (int a = 0; a <= alCenterCenter; ++a) {
            box->Style()->RestoreDefaults();
            if (k < 4)
                box->Style()->LookAndFeel()->SetKind(kinds[k]);
            else
                box->Style()->LookAndFeel()->SetNativeStyle(true);
            box->SetAlignment(static_cast<TcxCaptionAlignment>(a));
            box->SetCaption(L"组 Group");
            box->UpdateVisualStateAtCursor(false);
            PixelCanvas one(150, 80);
            box->PaintTo(one.dc());
            BitBlt(sheet.dc(), a * 154, k * 84, 150, 80, one.dc(), 0, 0, SRCCOPY);
        }
    }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"group-box-alignments.bmp").c_str()));
}

// CaptionBkColor, Color and Font are the normal style's colour and font, whichever name a
// description uses: they are assigned in the style, they paint, and a font given this way is
// the box's own (a later change of the parent's font leaves it).
// The caption is measured and drawn in a font of the box's own, made from the style's font with
// the text style the style gives; a rotated caption keeps the same font. The box holds the mouse
// while its left button is down, as the library's other controls do.
TEST_F(GroupBoxTest, TheCaptionTakesTheStylesTextStyleAndAPressHoldsTheMouse)
{
    TcxGroupBox* box = Box(cbsSingle, L"Some caption text");
    const RECT plain = box->CaptionBounds();
    const LONG plainFontHeight = box->Style()->Font()->Height();
    box->Style()->SetTextStyle(static_cast<TFontStyles>(fsBold));
    box->UpdateVisualStateAtCursor(false);
    const RECT bold = box->CaptionBounds();
    EXPECT_GT(bold.right - bold.left, plain.right - plain.left) << Show(plain) << " " << Show(bold);
    EXPECT_EQ(box->Style()->Font()->Height(), plainFontHeight);
    EXPECT_FALSE(box->Style()->Font()->Style() & fsBold) << "the style's own font is left as it is";

    SetForegroundWindow(form->Handle());
    app->ProcessMessages();
    SendLeftClick(box->Handle(), {box->Width() / 2, box->Height() / 2}); // down and up
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(WaitFor([&] { return GetCapture() == box->Handle(); }));
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(WaitFor([&] { return GetCapture() == nullptr; }));
    SetCursorPos(0, 0);
}

TEST_F(GroupBoxTest, CaptionBkColorColorAndFontAreTheNormalStyles)
{
    struct Case {
        const char* name;
        const wchar_t* colourLine;
    } const cases[] = {{"CaptionBkColor (yellow)", L"CaptionBkColor = 65535"},
                       {"Color (yellow)", L"Color = 65535"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegisterDisplayControlClasses();
        TForm root(app.get());
        root.SetBounds(120, 120, 300, 200);
        root.LoadFromDescription(std::wstring(LR"(object Root: TForm
  Font.Name = 'Arial'
  Font.Height = -11
  object Box: TcxGroupBox
    Left = 10
    Top = 10
    Width = 200
    Height = 100
    Caption = 'Group'
    Style.BorderStyle = ebsSingle
    )") + c.colourLine + LR"(
    Font.Name = 'Arial'
    Font.Height = -20
    Font.Color = clRed
  end
end
)");
        ASSERT_EQ(root.ControlCount(), 1);
        auto* box = dynamic_cast<TcxGroupBox*>(root.Controls(0));
        ASSERT_NE(box, nullptr);
        root.Show();
        app->ProcessMessages();
        EXPECT_TRUE(box->Style()->IsAssigned(svColor));
        EXPECT_EQ(box->Style()->Color(), static_cast<TColor>(RGB(255, 255, 0)));
        EXPECT_EQ(box->CaptionBkColor(), static_cast<TColor>(RGB(255, 255, 0)));
        EXPECT_TRUE(box->Style()->IsAssigned(svFont));
        EXPECT_EQ(box->Style()->Font()->Height(), -20);
        EXPECT_EQ(box->Style()->Font()->Color(), clRed);
        EXPECT_FALSE(box->ParentFont()) << "a font of its own is no longer the parent's";

        // Painted: the yellow background, red letters in a caption 20 pixels high.
        PixelCanvas canvas(200, 100);
        box->PaintTo(canvas.dc());
        if (&c == &cases[0]) {
            EXPECT_TRUE(canvas.SaveBmp((ArtifactFolder() / L"group-box-style-colour-font.bmp").c_str()));
        }
        EXPECT_EQ(canvas.At(100, 60), RGB(255, 255, 0)) << "the background";
        const RECT caption = box->CaptionBounds();
        EXPECT_GE(caption.bottom - caption.top, 20);
        int red = 0;
        for (int y = caption.top; y < caption.bottom; ++y)
            for (int x = caption.left; x < caption.right; ++x)
                red += canvas.At(x, y) == RGB(255, 0, 0);
        EXPECT_GT(red, 20) << "the caption in the font's colour";

        root.Font()->SetHeight(-9);
        app->ProcessMessages();
        EXPECT_EQ(box->Style()->Font()->Height(), -20) << "the parent's font replaced the box's own";
        EXPECT_EQ(box->Style()->Color(), static_cast<TColor>(RGB(255, 255, 0)));
    }
}

// Set in code, each name reaches the style and reads what the style holds.
TEST_F(GroupBoxTest, CaptionBkColorAndColorReadAndWriteTheStyle)
{
    auto* box = Box(cbsSingle, L"Group");
    box->SetCaptionBkColor(TColor(RGB(0, 255, 255)));
    EXPECT_TRUE(box->Style()->IsAssigned(svColor));
    EXPECT_EQ(box->Style()->Color(), TColor(RGB(0, 255, 255)));
    EXPECT_EQ(box->Color(), TColor(RGB(0, 255, 255)));
    box->Style()->SetColor(TColor(RGB(0, 255, 0)));
    EXPECT_EQ(box->CaptionBkColor(), TColor(RGB(0, 255, 0)));
    EXPECT_EQ(box->Color(), TColor(RGB(0, 255, 0)));
    box->SetColor(TColor(RGB(255, 0, 255)));
    EXPECT_EQ(box->Style()->Color(), TColor(RGB(255, 0, 255)));
    EXPECT_EQ(box->CaptionBkColor(), TColor(RGB(255, 0, 255)));
}

} // namespace
