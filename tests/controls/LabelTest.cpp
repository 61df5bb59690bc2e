#include "controls/cxControlsRegister.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "runtime/rtExceptions.h"
#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxOffice11.h"
#include "runtime/rtStreaming.h"
#include "tests/common/Artifacts.h"
#include "tests/common/WindowFixture.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace {

// Which window the last real mouse move was delivered to, recorded by a message hook.
HWND g_lastMouseMoveWindow = nullptr;
LRESULT CALLBACK RecordMouseMove(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && msg->message == WM_MOUSEMOVE)
        g_lastMouseMoveWindow = msg->hwnd;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class LabelTest : public WindowFixture {
protected:
    // Moves the real cursor to a screen point and waits (bounded) until the window under it
    // has received the mouse move and everything it caused has been handled.
    bool MoveCursorTo(POINT screen, HWND expected)
    {
        g_lastMouseMoveWindow = nullptr;
        HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, RecordMouseMove, nullptr, GetCurrentThreadId());
        SetCursorPos(screen.x, screen.y);
        DWORD start = GetTickCount();
        while (g_lastMouseMoveWindow != expected && GetTickCount() - start < 3000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            app->ProcessMessages();
        }
        UnhookWindowsHookEx(hook);
        app->ProcessMessages();
        return g_lastMouseMoveWindow == expected;
    }

    // The label's pixels as its window paints them on request (the same path as the screen).
    static std::vector<COLORREF> Pixels(TcxLabel* label)
    {
        PixelCanvas canvas(label->Width(), label->Height());
        SendMessageW(label->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < label->Height(); ++y)
            for (int x = 0; x < label->Width(); ++x)
                pixels.push_back(canvas.At(x, y));
        return pixels;
    }
};

// A label as the main window has them: transparent, auto-sized, Office 2003 look. The cursor
// over it changes nothing: no hot frame, no caption moved in or clipped.
TEST_F(LabelTest, LooksTheSameWithTheCursorOverItAndAwayFromIt)
{
    form->SetColor(RGB(220, 230, 240));
    auto* label = Make<TcxLabel>(30, 30, 10, 10);
    label->Style()->LookAndFeel()->SetKind(lfOffice11);
    label->SetTransparent(true);
    label->SetCaption(L"Source folder");
    SetForegroundWindow(form->Handle());
    app->ProcessMessages();

    POINT away{5, 5}, over{label->Width() / 2, label->Height() / 2};
    ClientToScreen(form->Handle(), &away);
    ClientToScreen(label->Handle(), &over);
    ASSERT_TRUE(MoveCursorTo(away, form->Handle()));
    std::vector<COLORREF> before = Pixels(label);
    ASSERT_TRUE(MoveCursorTo(over, label->Handle())) << "the real cursor reached the label";
    EXPECT_EQ(label->ViewInfo().clientRect.left, 0);
    EXPECT_EQ(label->ViewInfo().clientRect.top, 0);
    EXPECT_EQ(Pixels(label), before);
    EXPECT_FALSE(label->Style()->HotTrack()) << "labels do not hot-track unless asked";

    // Asked for, hot tracking does show: the hot style's frame appears under the cursor.
    label->Style()->SetHotTrack(true);
    ASSERT_TRUE(MoveCursorTo(away, form->Handle()));
    ASSERT_TRUE(MoveCursorTo(over, label->Handle()));
    EXPECT_NE(Pixels(label), before);
    ASSERT_TRUE(MoveCursorTo(away, form->Handle()));
}

TEST_F(LabelTest, AlignmentAndTheOtherPropertiesLoadFromADescription)
{
    RegisterDisplayControlClasses();
    TForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Caption1: TcxLabel
    Left = 4
    Top = 8
    AutoSize = False
    Width = 150
    Height = 40
    Caption = '&Name'
    Transparent = True
    Properties.Alignment.Horz = taCenter
    Properties.Alignment.Vert = taVCenter
    Properties.WordWrap = True
    Properties.ShowAccelChar = False
  end
end
)");
    TcxLabel* label = nullptr;
    for (int i = 0; i < root.ControlCount(); ++i)
        if (root.Controls(i)->Name() == L"Caption1")
            label = dynamic_cast<TcxLabel*>(root.Controls(i));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Properties()->AlignmentHorz(), cxedit::TAlignment::taCenter);
    EXPECT_EQ(label->Properties()->AlignmentVert(), cxedit::TcxEditVertAlignment::taVCenter);
    EXPECT_TRUE(label->Properties()->WordWrap());
    EXPECT_FALSE(label->Properties()->ShowAccelChar());
    EXPECT_TRUE(label->Transparent());
    EXPECT_EQ(label->Caption(), L"&Name");
}

// Every change of what the label shows reaches the screen: after each change the label looks
// like a new label made with the final settings (its cached picture is drawn anew).
TEST_F(LabelTest, EveryChangeOfContentShowsAsANewLabelWouldShowIt)
{
    form->SetColor(RGB(240, 240, 240));
    auto make = [&](int top) {
        auto* l = Make<TcxLabel>(10, top, 10, 10);
        l->SetAutoSize(false);
        l->SetBounds(10, top, 160, 24);
        l->SetCaption(L"Status");
        return l;
    };
    struct Change {
        const char* what;
        std::function<void(TcxLabel*)> apply;
    } changes[] = {
        {"caption", [](TcxLabel* l) { l->SetCaption(L"Finished"); }},
        {"font", [](TcxLabel* l) { l->Style()->Font()->SetHeight(-20); }},
        {"text colour", [](TcxLabel* l) { l->Style()->SetTextColor(RGB(200, 0, 0)); }},
        {"background colour",
         [](TcxLabel* l) {
             l->SetParentColor(false);
             l->Style()->SetColor(RGB(0, 90, 200));
         }},
        {"alignment",
         [](TcxLabel* l) { l->Properties()->SetAlignmentHorz(cxedit::TAlignment::taRightJustify); }},
        {"vertical alignment",
         [](TcxLabel* l) {
             l->Properties()->SetAlignmentVert(cxedit::TcxEditVertAlignment::taBottomJustify);
         }},
        {"size", [](TcxLabel* l) { l->SetBounds(l->Left(), l->Top(), 100, 24); }},
        {"accelerator",
         [](TcxLabel* l) {
             l->SetCaption(L"&Status");
             l->Properties()->SetShowAccelChar(false);
         }},
    };
    auto picture = [](TcxLabel* l) {
        PixelCanvas canvas(l->Width(), l->Height());
        SendMessageW(l->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < l->Height(); ++y)
            for (int x = 0; x < l->Width(); ++x)
                pixels.push_back(canvas.At(x, y));
        return pixels;
    };
    for (const Change& c : changes) {
        TcxLabel* changed = make(10);
        std::vector<COLORREF> first = picture(changed); // fills the cache
        c.apply(changed);
        app->ProcessMessages();
        TcxLabel* fresh = make(50);
        c.apply(fresh);
        app->ProcessMessages();
        std::vector<COLORREF> expected = picture(fresh);
        EXPECT_NE(expected, first) << c.what << " changes the picture at all";
        EXPECT_EQ(picture(changed), expected) << c.what;
        EXPECT_FALSE(changed->CacheDirty()) << c.what;
        delete changed;
        delete fresh;
    }
}

// The caption and the edit value always agree, whichever is set (by code or from a
// description); each change raises OnChange and OnEditValueChanged once, and the label shows
// and sizes itself to the new text.
TEST_F(LabelTest, CaptionAndEditValueAlwaysAgree)
{
    auto* label = Make<TcxLabel>(10, 10, 50, 20);
    int changes = 0, valueChanges = 0;
    label->OnChange = [&](TObject*) { ++changes; };
    label->OnEditValueChanged = [&](TObject*) { ++valueChanges; };
    struct Step {
        const wchar_t* what;
        std::function<void()> act;
        const wchar_t* caption;
        TcxEditValue value;
        int events;
    } steps[] = {
        {L"caption set", [&] { label->SetCaption(L"Ready"); }, L"Ready", TcxEditValue::Of(L"Ready"), 1},
        {L"edit value set", [&] { label->SetEditValue(TcxEditValue::Of(L"Copying a.tbi")); },
         L"Copying a.tbi", TcxEditValue::Of(L"Copying a.tbi"), 1},
        {L"the same again", [&] { label->SetEditValue(TcxEditValue::Of(L"Copying a.tbi")); },
         L"Copying a.tbi", TcxEditValue::Of(L"Copying a.tbi"), 0},
        {L"edit value cleared", [&] { label->SetEditValue(TcxEditValue::Null()); }, L"", TcxEditValue::Null(),
         1},
        {L"caption after a cleared value", [&] { label->SetCaption(L"W"); }, L"W", TcxEditValue::Of(L"W"), 1},
    };
    for (const Step& s : steps) {
        changes = valueChanges = 0;
        s.act();
        app->ProcessMessages();
        EXPECT_EQ(label->Caption(), s.caption) << s.what;
        EXPECT_TRUE(label->EditValue() == s.value) << s.what;
        EXPECT_EQ(changes, s.events) << s.what;
        EXPECT_EQ(valueChanges, s.events) << s.what;
        wchar_t shown[64] = {};
        GetWindowTextW(label->Handle(), shown, 64);
        EXPECT_STREQ(shown, s.caption) << s.what;
    }
    // The label sizes itself to what the edit value says.
    label->SetEditValue(TcxEditValue::Of(L"W"));
    int narrow = label->Width();
    label->SetEditValue(TcxEditValue::Of(L"WWWWWWWWWW"));
    EXPECT_GT(label->Width(), narrow + 30);

    RegisterDisplayControlClasses();
    TForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Stored: TcxLabel
    Caption = 'Stored text'
  end
end
)");
    auto* stored = dynamic_cast<TcxLabel*>(root.FindComponent(L"Stored"));
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->EditValue() == TcxEditValue::Of(L"Stored text"));
}

TEST(LabelGeometryTest, AngleDepthAndTurnedSize)
{
    struct AngleCase {
        int angle;
        bool rotatable;
        int effective;
    } angles[] = {{450, true, 90}, {-90, true, 270}, {720, true, 0}, {45, false, 0}, {359, true, 359}};
    for (const AngleCase& c : angles)
        EXPECT_EQ(EffectiveLabelAngle(c.angle, c.rotatable), c.effective) << c.angle;
    struct DepthCase {
        TcxLabelEffect effect;
        TcxLabelOrientation orientation;
        POINT offset;
    } depths[] = {{cxleNormal, cxoRightBottom, {0, 0}}, {cxleFun, cxoLeft, {4, 0}},
                  {cxleCool, cxoTop, {0, 4}},           {cxleExtrude, cxoRightBottom, {4, 4}},
                  {cxleFun, cxoLeftTop, {4, 4}},        {cxleCool, cxoRight, {4, 0}}};
    for (const DepthCase& c : depths) {
        POINT p = LabelDepthOffset(c.effect, c.orientation, 4);
        EXPECT_EQ(p.x, c.offset.x) << c.effect << "/" << c.orientation;
        EXPECT_EQ(p.y, c.offset.y) << c.effect << "/" << c.orientation;
    }
    // width = trunc(|cos a| w + |sin a| h + 0.5), height likewise.
    struct SizeCase {
        int angle, cx, cy;
    } sizes[] = {{0, 100, 20}, {90, 20, 100}, {180, 100, 20}, {45, 85, 85}, {30, 97, 67}};
    for (const SizeCase& c : sizes) {
        SIZE s = RotatedTextSize(100, 20, c.angle);
        EXPECT_EQ(s.cx, c.cx) << c.angle;
        EXPECT_EQ(s.cy, c.cy) << c.angle;
    }
}

class LabelLookTest : public LabelTest {
protected:
    TcxLabel* Styled(const std::wstring& caption)
    {
        form->SetColor(RGB(255, 255, 255));
        auto* l = Make<TcxLabel>(10, 10, 10, 10);
        l->Style()->Font()->SetHeight(-24);
        l->Style()->Font()->SetStyle(fsBold);
        l->Style()->SetTextColor(RGB(0, 0, 0));
        l->SetCaption(caption);
        return l;
    }
    // The rightmost and lowest column and row that hold the colour.
    static POINT Extent(const PixelCanvas& c, int w, int h, COLORREF colour)
    {
        POINT e{-1, -1};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (c.At(x, y) == colour) {
                    e.x = std::max<LONG>(e.x, x);
                    e.y = std::max<LONG>(e.y, y);
                }
        return e;
    }
    static PixelCanvas Paint(TcxLabel* l)
    {
        PixelCanvas c(l->Width(), l->Height());
        SendMessageW(l->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(c.dc()), PRF_CLIENT);
        return c;
    }
};

TEST_F(LabelLookTest, DepthEffectsDrawTheirCopiesBehindTheText)
{
    auto* l = Styled(L"IH");
    TcxLabelProperties* p = l->Properties();
    p->SetShadowedColor(RGB(255, 0, 0));
    p->SetDepth(4);
    p->SetOrientation(cxoRightBottom);
    // Cool: one copy, 4 pixels right and down; the label grows by the depth.
    int plainWidth = l->Width();
    p->SetLabelEffect(cxleCool);
    EXPECT_EQ(l->Width(), plainWidth + 4);
    {
        PixelCanvas c = Paint(l);
        POINT text = Extent(c, l->Width(), l->Height(), RGB(0, 0, 0));
        POINT copy = Extent(c, l->Width(), l->Height(), RGB(255, 0, 0));
        EXPECT_EQ(copy.x - text.x, 4);
        EXPECT_EQ(copy.y - text.y, 4);
    }
    // Fun: four copies one pixel apart, fading from the background (white) to red: copy i is
    // 255 - i * 255 / 4 in green and blue; the farthest (i = 1) is 192.
    p->SetLabelEffect(cxleFun);
    {
        PixelCanvas c = Paint(l);
        POINT text = Extent(c, l->Width(), l->Height(), RGB(0, 0, 0));
        POINT faint = Extent(c, l->Width(), l->Height(), RGB(255, 192, 192));
        POINT strong = Extent(c, l->Width(), l->Height(), RGB(255, 0, 0));
        EXPECT_EQ(faint.x - text.x, 4) << "the first copy is farthest";
        EXPECT_EQ(strong.x - text.x, 1) << "the last copy touches the text";
    }
    // Left-top: the copies go the other way.
    p->SetOrientation(cxoLeftTop);
    p->SetLabelEffect(cxleCool);
    {
        PixelCanvas c = Paint(l);
        POINT text = Extent(c, l->Width(), l->Height(), RGB(0, 0, 0));
        POINT copy = Extent(c, l->Width(), l->Height(), RGB(255, 0, 0));
        EXPECT_EQ(text.x - copy.x, 4);
    }
}

// A depth of tens of thousands of pixels is a few hundred text draws per paint at most, and
// the copies next to the text still show.
TEST_F(LabelLookTest, AHugeDepthDrawsABoundedNumberOfCopies)
{
    struct Case {
        TcxLabelEffect effect;
        bool autoSize;
        int depth;
    } cases[] = {{cxleExtrude, false, 65535}, {cxleFun, false, 65535}, {cxleExtrude, true, 3000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        auto* l = Styled(L"IH");
        TcxLabelProperties* p = l->Properties();
        p->SetShadowedColor(RGB(255, 0, 0));
        p->SetOrientation(cxoRightBottom);
        p->SetLabelEffect(c.effect);
        l->SetAutoSize(c.autoSize);
        if (!c.autoSize)
            l->SetBounds(10, 10, 200, 60);
        p->SetDepth(c.depth);
        int width = std::min(l->Width(), 400), height = std::min(l->Height(), 400);
        PixelCanvas canvas(width, height);
        SendMessageW(l->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        EXPECT_GT(l->DepthCopiesDrawn(), 0);
        EXPECT_LE(l->DepthCopiesDrawn(), TcxLabel::kMaxDepthCopies);
        POINT text = Extent(canvas, width, height, RGB(0, 0, 0));
        ASSERT_GE(text.x, 0) << "the text shows";
        // The copy next to the text is one pixel right of and below it (red, or nearly red
        // for the fading copies).
        COLORREF next = canvas.At(text.x + 1, text.y + 1);
        EXPECT_GE(GetRValue(next), 250);
        EXPECT_LE(GetGValue(next), 5);
        delete l;
    }
}

TEST_F(LabelLookTest, RaisedLoweredAndOutlinedLettering)
{
    auto* l = Styled(L"IH");
    struct Case {
        TcxLabelStyle style;
        TColor light;
    } cases[] = {{cxlsRaised, clBtnHighlight}, {cxlsLowered, clBtnHighlight}};
    form->SetColor(RGB(128, 128, 128));
    for (const Case& c : cases) {
        l->Properties()->SetLabelStyle(c.style);
        PixelCanvas canvas = Paint(l);
        POINT text = Extent(canvas, l->Width(), l->Height(), RGB(0, 0, 0));
        POINT light = Extent(canvas, l->Width(), l->Height(), ColorToRGB(c.light));
        ASSERT_GE(light.x, 0) << c.style;
        EXPECT_EQ(light.x - text.x, c.style == cxlsRaised ? -1 : 1)
            << "highlight at the point or 2 pixels on";
    }
    l->Properties()->SetLabelStyle(cxlsOutLine);
    l->Properties()->SetPenWidth(3);
    l->Style()->SetTextColor(RGB(0, 0, 200));
    PixelCanvas outline = Paint(l);
    l->Properties()->SetLabelStyle(cxlsNormal);
    PixelCanvas plain = Paint(l);
    int blueOutline = 0, bluePlain = 0;
    for (int y = 0; y < l->Height(); ++y)
        for (int x = 0; x < l->Width(); ++x) {
            blueOutline += outline.At(x, y) == RGB(0, 0, 200);
            bluePlain += plain.At(x, y) == RGB(0, 0, 200);
        }
    EXPECT_GT(blueOutline, bluePlain) << "the traced outline widens the letters";
}

TEST_F(LabelLookTest, TurnedTextAndTheDividerLine)
{
    auto* l = Styled(L"Turned text");
    int w = l->Width(), h = l->Height();
    l->Properties()->SetAngle(450);
    EXPECT_EQ(l->EffectiveAngle(), 90);
    EXPECT_NEAR(l->Width(), h, 1);
    EXPECT_NEAR(l->Height(), w, 1);
    l->Properties()->SetAngle(0);
    // The line: visible turns auto size off; it starts 3 pixels right of left-aligned text and
    // shows the outer colour on its top row, the inner on its bottom row.
    l->Properties()->LineOptions()->SetVisible(true);
    EXPECT_FALSE(l->AutoSize());
    l->SetBounds(l->Left(), l->Top(), 300, 40);
    l->UpdateVisualStateAtCursor(false);
    RECT line = l->LineRect(), caption = l->CaptionRect();
    EXPECT_EQ(line.left, caption.right + 3);
    EXPECT_EQ(line.right, 300);
    EXPECT_EQ(line.bottom - line.top, 2);
    EXPECT_EQ(line.top, (40 - 2) / 2);
    PixelCanvas c = Paint(l);
    EXPECT_EQ(c.At(250, line.top), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.At(250, line.top + 1), ColorToRGB(clBtnHighlight));
    // Top line: the text moves below it.
    l->Properties()->LineOptions()->SetAlignment(cxllaTop);
    l->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(l->LineRect().top, 0);
    EXPECT_EQ(l->CaptionRect().top, 2);
}

// Auto size and the divider line exclude each other, whichever is switched on last wins.
TEST_F(LabelLookTest, SwitchingAutoSizeOnHidesTheLine)
{
    auto* l = Styled(L"Line");
    const int autoWidth = l->Width();
    l->Properties()->LineOptions()->SetVisible(true);
    ASSERT_FALSE(l->AutoSize());
    l->SetBounds(l->Left(), l->Top(), 300, 40);
    l->UpdateVisualStateAtCursor(false);
    RECT line = l->LineRect();
    ASSERT_FALSE(IsRectEmpty(&line));
    l->SetAutoSize(true);
    l->UpdateVisualStateAtCursor(false);
    EXPECT_FALSE(l->Properties()->LineOptions()->Visible());
    line = l->LineRect();
    EXPECT_TRUE(IsRectEmpty(&line));
    EXPECT_EQ(l->Width(), autoWidth) << "sized to its caption again";
}

TEST_F(LabelLookTest, VerticalAlignmentHoldsUnderWordWrap)
{
    auto* l = Styled(L"Bottom");
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 150, 80);
    l->Properties()->SetWordWrap(true);
    l->Properties()->SetAlignmentVert(cxedit::TcxEditVertAlignment::taBottomJustify);
    l->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(l->CaptionRect().bottom, 80);
    PixelCanvas c = Paint(l);
    POINT ink = Extent(c, 150, 80, RGB(0, 0, 0));
    EXPECT_GT(ink.y, 60) << "the text sits at the bottom";
}

// A picture of red and blue stripes, two pixels each, fills the letters, tiled from the
// client area's origin; the text colour shows nowhere. Without the picture, the letters are
// black again. Pictures of both go to the artefacts.
TEST_F(LabelLookTest, TheGlyphFillsTheLetters)
{
    auto* l = Styled(L"HIM");
    l->Style()->Font()->SetHeight(-40);
    TcxBitmap stripes(4, 4, 32);
    FillRectSolid(stripes.DC(), {0, 0, 2, 4}, RGB(255, 0, 0));
    FillRectSolid(stripes.DC(), {2, 0, 4, 4}, RGB(0, 0, 255));
    struct Case {
        int angle;
        TcxLabelStyle style;
    } cases[] = {{0, cxlsNormal}, {90, cxlsNormal}, {0, cxlsRaised}};
    PixelCanvas sheet(3 * 130, 130, RGB(255, 255, 255));
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        l->Properties()->SetAngle(c.angle);
        l->Properties()->SetLabelStyle(c.style);
        l->Properties()->SetGlyph(stripes.Handle());
        l->UpdateVisualStateAtCursor(false);
        ASSERT_TRUE(l->Properties()->Glyph());
        PixelCanvas filled = Paint(l);
        BitBlt(sheet.dc(), n * 130, 0, std::min(l->Width(), 128), std::min(l->Height(), 128), filled.dc(), 0,
               0, SRCCOPY);
        int striped = 0, misplaced = 0, black = 0;
        for (int y = 0; y < l->Height(); ++y)
            for (int x = 0; x < l->Width(); ++x) {
                COLORREF p = filled.At(x, y);
                if (p == RGB(255, 0, 0) || p == RGB(0, 0, 255)) {
                    ++striped;
                    misplaced += p != (x % 4 < 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
                }
                black += p == RGB(0, 0, 0);
            }
        EXPECT_GT(striped, 200) << "the letters show the picture";
        EXPECT_EQ(misplaced, 0) << "tiled from the client area's origin";
        EXPECT_EQ(black, 0) << "no letter in the text colour";
        if (c.style == cxlsRaised) {
            POINT light = Extent(filled, l->Width(), l->Height(), ColorToRGB(clBtnHighlight));
            EXPECT_GE(light.x, 0) << "the highlight copy is drawn as before";
        }
        l->Properties()->SetGlyph(nullptr);
        PixelCanvas plain = Paint(l);
        EXPECT_GE(Extent(plain, l->Width(), l->Height(), RGB(0, 0, 0)).x, 0) << "black letters again";
        EXPECT_LT(Extent(plain, l->Width(), l->Height(), RGB(255, 0, 0)).x, 0);
        ++n;
    }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"label-glyph.bmp").c_str()));
}

// A caption wider than the label: with the end ellipsis its last ink is the dots, low on the
// line; without, the cut capitals reach up to the top of the letters.
TEST_F(LabelLookTest, TheEndEllipsisEndsCutText)
{
    auto* l = Styled(L"WWWWWWWWWWWWWWWW");
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 120, 40);
    // The rows the ink of the last 12 inked columns spans (a W is about 23 pixels wide and
    // touches the top every 10 or so; three dots take about 20).
    struct Ink {
        int top = 1000, bottom = -1;
    };
    auto tail = [](const PixelCanvas& c) {
        int last = -1;
        for (int x = 0; x < 120; ++x)
            for (int y = 0; y < 40; ++y)
                if (c.At(x, y) == RGB(0, 0, 0))
                    last = x;
        Ink ink;
        for (int x = std::max(last - 11, 0); x <= last; ++x)
            for (int y = 0; y < 40; ++y)
                if (c.At(x, y) == RGB(0, 0, 0)) {
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y);
                }
        return ink;
    };
    PixelCanvas cut = Paint(l);
    int lettersTop = 1000;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (cut.At(x, y) == RGB(0, 0, 0))
                lettersTop = std::min(lettersTop, y);
    l->Properties()->SetShowEndEllipsis(true);
    PixelCanvas ended = Paint(l);
    ASSERT_TRUE(ended.SaveBmp((ArtifactFolder() / L"label-end-ellipsis.bmp").c_str()));
    Ink cutTail = tail(cut), dots = tail(ended);
    ASSERT_GE(cutTail.bottom, 0);
    ASSERT_GE(dots.bottom, 0);
    EXPECT_LE(cutTail.top, lettersTop + 1) << "a cut W reaches the top of the letters";
    EXPECT_GT(dots.top, lettersTop + 8) << "the dots sit low on the line";
    EXPECT_LE(dots.bottom - dots.top, 5) << "a dot is small";
}

// A picture of the label's looks, for a person to look at.
TEST_F(LabelLookTest, WritesPicturesOfEveryLook)
{
    auto* l = Styled(L"Label 标签");
    l->Properties()->SetShadowedColor(RGB(120, 120, 160));
    form->SetColor(RGB(236, 233, 216));
    struct Look {
        TcxLabelEffect effect;
        TcxLabelStyle style;
        int angle;
        bool line;
    } looks[] = {{cxleNormal, cxlsNormal, 0, false},  {cxleFun, cxlsNormal, 0, false},
                 {cxleExtrude, cxlsNormal, 0, false}, {cxleCool, cxlsNormal, 0, false},
                 {cxleNormal, cxlsRaised, 0, false},  {cxleNormal, cxlsLowered, 0, false},
                 {cxleNormal, cxlsOutLine, 0, false}, {cxleNormal, cxlsNormal, 30, false},
                 {cxleNormal, cxlsNormal, 0, true}};
    PixelCanvas sheet(260, 9 * 90, RGB(255, 255, 255));
    int row = 0;
    for (const Look& look : looks) {
        l->SetAutoSize(true);
        l->Properties()->LineOptions()->SetVisible(false);
        l->Properties()->SetLabelEffect(look.effect);
        l->Properties()->SetDepth(look.effect == cxleNormal ? 0 : 5);
        l->Properties()->SetLabelStyle(look.style);
        l->Properties()->SetAngle(look.angle);
        if (look.line) {
            l->Properties()->LineOptions()->SetVisible(true);
            l->SetBounds(l->Left(), l->Top(), 250, 40);
        }
        l->UpdateVisualStateAtCursor(false);
        PixelCanvas one = Paint(l);
        BitBlt(sheet.dc(), 0, row * 90, std::min(l->Width(), 260), std::min(l->Height(), 88), one.dc(), 0, 0,
               SRCCOPY);
        ++row;
    }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"label-looks.bmp").c_str()));
}

} // namespace

namespace {

// Transparent is one flag: whether set through the label's or the group box's own type or
// through the editor base, both read it back, and the control shows its parent instead of its
// own background colour.
TEST_F(LabelTest, TransparentIsOneFlagWhicheverTypeSetsIt)
{
    const COLORREF parent = RGB(220, 30, 40);
    form->SetColor(parent);
    auto* label = Make<TcxLabel>(10, 10, 120, 24);
    label->SetCaption(L"x");
    auto* box = Make<TcxGroupBox>(10, 60, 120, 60);
    box->SetCaption(L"box");
    struct Case {
        const char* what;
        TcxCustomEdit* control;
        std::function<void(bool)> set; // through the control's own type
        std::function<bool()> ownFlag; // read through the control's own type
    };
    const Case cases[] = {
        {"label", label, [&](bool v) { label->SetTransparent(v); }, [&] { return label->Transparent(); }},
        {"group box", box, [&](bool v) { box->SetTransparent(v); }, [&] { return box->Transparent(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.control->Style()->SetColor(RGB(255, 255, 255));
        const bool isBox = c.control == box;
        // A point away from the text (the label sizes itself to it) and the box's frame.
        auto shown = [&] {
            app->ProcessMessages();
            PixelCanvas canvas(c.control->Width(), c.control->Height());
            SendMessageW(c.control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()),
                         PRF_CLIENT);
            return canvas.At(isBox ? c.control->Width() - 10 : 0, isBox ? c.control->Height() / 2 + 4 : 0);
        };
        EXPECT_EQ(shown(), RGB(255, 255, 255));
        c.set(true);
        EXPECT_TRUE(c.control->IsTransparent()) << "set through its own type";
        EXPECT_EQ(shown(), parent);
        c.control->SetTransparent(false);
        EXPECT_FALSE(c.ownFlag()) << "cleared through the editor base";
        EXPECT_EQ(shown(), RGB(255, 255, 255));
        c.control->SetTransparent(true);
        EXPECT_TRUE(c.ownFlag()) << "set through the editor base";
        EXPECT_EQ(shown(), parent);
    }
}

} // namespace

namespace {

// A label whose style has a border draws it in the room its measuring keeps for it, opaque or
// transparent.
TEST_F(LabelTest, ALabelWithABorderDrawsItsFrame)
{
    form->SetColor(RGB(200, 220, 240));
    auto* label = Make<TcxLabel>(10, 10, 150, 30);
    label->SetCaption(L"framed");
    label->Style()->SetBorderStyle(cbsSingle);
    label->Style()->SetBorderColor(RGB(255, 0, 0));
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        label->SetTransparent(transparent);
        app->ProcessMessages();
        PixelCanvas canvas(label->Width(), label->Height());
        SendMessageW(label->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        canvas.SaveBmp(
            (ArtifactFolder() / (transparent ? L"label_frame_transparent.bmp" : L"label_frame.bmp")).c_str());
        const RECT inner = label->ViewInfo().borderRect;
        ASSERT_GT(inner.left, 0) << "the measuring keeps room for the frame";
        // The frame's line just outside the border rectangle, on each side.
        const int midX = (inner.left + inner.right) / 2, midY = (inner.top + inner.bottom) / 2;
        EXPECT_EQ(canvas.At(inner.left - 1, midY), RGB(255, 0, 0));
        EXPECT_EQ(canvas.At(inner.right, midY), RGB(255, 0, 0));
        EXPECT_EQ(canvas.At(midX, inner.top - 1), RGB(255, 0, 0));
        EXPECT_EQ(canvas.At(midX, inner.bottom), RGB(255, 0, 0));
    }
}

} // namespace
