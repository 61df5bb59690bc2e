// The widths, caption colours, caption fonts and states of edit buttons as a program or a
// kind built on the button edit steers them.
#include "editors/cxButtonEdit.h"
#include "tests/common/Artifacts.h"
#include "tests/common/WindowFixture.h"

#include <string>

namespace {

// A kind built on the button edit that keeps its second button pressed and writes the
// caption of its first in blue.
class HookedEdit : public TcxButtonEdit {
public:
    using TcxButtonEdit::TcxButtonEdit;

protected:
    TcxEditButtonState ButtonState(int index, TcxEditButtonState computed) override
    {
        return index == 1 && computed != ebsDisabled ? ebsPressed : computed;
    }
    TColor ButtonTextColor(int index, TColor own) override { return index == 0 ? clBlue : own; }
};

class ButtonCoreTest : public WindowFixture {
protected:
    int TextWidth(TcxButtonEdit* e, const wchar_t* text, TFontStyles styles = 0)
    {
        TFont font;
        font.Assign(e->Style()->Font());
        font.SetStyle(styles);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font.Handle());
        SIZE size{};
        GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return size.cx;
    }
    static int WidthOf(TcxButtonEdit* e, int k)
    {
        const RECT& r = e->ButtonViewInfos().at(static_cast<size_t>(k)).bounds;
        return r.right - r.left;
    }
    // Pixels of a colour inside a button, painted through WM_PRINTCLIENT.
    static int Count(TcxButtonEdit* e, int k, COLORREF colour)
    {
        PixelCanvas canvas(e->Width(), e->Height());
        SendMessageW(e->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        const RECT& r = e->ButtonViewInfos().at(static_cast<size_t>(k)).bounds;
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += canvas.At(x, y) == colour;
        return n;
    }
};

TEST_F(ButtonCoreTest, AButtonWithoutAWidthAsksTheProgramThenTakesWhatItsContentNeeds)
{
    auto* edit = Make<TcxButtonEdit>(10, 10, 300, 21);
    const int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
    const int captionWide = 4 + TextWidth(edit, L"Longer caption") + 3;
    ASSERT_GT(captionWide, 40);
    struct Case {
        const char* name;
        TcxEditButtonKind kind;
        int width;
        int answer; // of OnGetDefaultButtonWidth; -1: no handler
        TcxTextEditViewStyle view;
        int expected;
        bool asked;
    };
    const Case cases[] = {
        {"automatic ellipsis", bkEllipsis, 0, -1, vsNormal, scrollBar, false},
        {"the program's width", bkEllipsis, 0, 30, vsNormal, 30, true},
        {"the program leaves it automatic", bkEllipsis, 0, 0, vsNormal, scrollBar, true},
        {"a width of its own is not asked about", bkEllipsis, 25, 30, vsNormal, 25, false},
        {"never under the margin", bkEllipsis, 2, -1, vsNormal, 4, false},
        {"a caption's width", bkText, 0, -1, vsNormal, captionWide, false},
        {"the automatic-width view ignores the own width", bkText, 20, -1, vsButtonsAutoWidth, captionWide,
         false},
        {"and still asks the program", bkText, 20, 50, vsButtonsAutoWidth, 50, true},
    };
    TcxEditButton* b = edit->Properties()->Buttons()->Items(0);
    b->SetCaption(L"Longer caption");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> asked;
        edit->OnGetDefaultButtonWidth = nullptr;
        if (c.answer >= 0)
            edit->OnGetDefaultButtonWidth = [&](TObject* sender, int index, int& width) {
                EXPECT_EQ(sender, edit);
                asked.push_back(index);
                width = c.answer;
            };
        edit->Properties()->SetViewStyle(c.view);
        b->SetKind(c.kind);
        b->SetWidth(c.width);
        edit->UpdateVisualStateAtCursor(false);
        EXPECT_EQ(WidthOf(edit, 0), c.expected);
        EXPECT_EQ(!asked.empty(), c.asked);
        if (!asked.empty()) {
            EXPECT_EQ(asked.front(), 0);
        }
    }
}

// A text button's caption is drawn in the button's own colour and the state's text style,
// which also widens the button.
TEST_F(ButtonCoreTest, ATextCaptionTakesTheButtonsColourAndTheStylesTextStyle)
{
    auto* edit = Make<TcxButtonEdit>(10, 10, 300, 24);
    TcxEditButton* b = edit->Properties()->Buttons()->Items(0);
    b->SetKind(bkText);
    b->SetCaption(L"WWW");
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(b->TextColor(), clBtnText) << "the default";
    EXPECT_EQ(Count(edit, 0, RGB(255, 0, 0)), 0);
    b->SetTextColor(clRed);
    int red = Count(edit, 0, RGB(255, 0, 0));
    EXPECT_GT(red, 0) << "the caption in the button's colour";
    TcxEditButton copy;
    copy.Assign(b);
    EXPECT_EQ(copy.TextColor(), clRed) << "copied with the other settings";

    int plainWidth = WidthOf(edit, 0);
    edit->Style()->SetTextStyle(fsBold);
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(WidthOf(edit, 0),
              std::max(GetSystemMetrics(SM_CYHSCROLL), 4 + TextWidth(edit, L"WWW", fsBold) + 3));
    EXPECT_GT(WidthOf(edit, 0), plainWidth) << "bold text is wider";
    PixelCanvas picture(edit->Width(), edit->Height());
    SendMessageW(edit->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc()), PRF_CLIENT);
    picture.SaveBmp((ArtifactFolder() / L"editor_bold_text_button.bmp").c_str());
    EXPECT_GT(Count(edit, 0, RGB(255, 0, 0)), red) << "bold text has more ink";
}

TEST_F(ButtonCoreTest, AKindBuiltOnTheButtonEditMayChangeAButtonsStateAndCaptionColour)
{
    auto* edit = Make<HookedEdit>(10, 10, 300, 24);
    TcxEditButtons* buttons = edit->Properties()->Buttons();
    buttons->Items(0)->SetKind(bkText);
    buttons->Items(0)->SetCaption(L"WWW");
    buttons->Items(0)->SetTextColor(clRed);
    buttons->Add()->SetKind(bkEllipsis);
    edit->UpdateVisualStateAtCursor(false);
    ASSERT_EQ(edit->ButtonViewInfos().size(), 2u);
    EXPECT_EQ(edit->ButtonViewInfos()[0].captionColor, clBlue);
    EXPECT_EQ(edit->ButtonViewInfos()[1].state, ebsPressed);
    EXPECT_EQ(edit->ButtonViewInfos()[1].themeState, 3);
    EXPECT_EQ(edit->ButtonViewInfos()[0].state, ebsNormal);
    EXPECT_EQ(Count(edit, 0, RGB(255, 0, 0)), 0);
    EXPECT_GT(Count(edit, 0, RGB(0, 0, 255)), 0);
    buttons->Items(1)->SetEnabled(false);
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(edit->ButtonViewInfos()[1].state, ebsDisabled);
}

} // namespace

namespace {

// The button list as a collection: assigned onto itself it keeps its buttons; a deletion
// outside the list is refused and leaves the list as it was.
TEST(EditButtonsCollectionTest, AssignOntoItselfKeepsTheButtonsAndDeleteChecksTheIndex)
{
    TcxEditButtons buttons;
    int changes = 0;
    buttons.OnChanged = [&](TObject*) { ++changes; };
    buttons.Add()->SetCaption(L"first");
    buttons.Add()->SetCaption(L"second");
    changes = 0;

    buttons.Assign(&buttons);
    ASSERT_EQ(buttons.Count(), 2);
    EXPECT_EQ(buttons.Items(0)->Caption(), L"first");
    EXPECT_EQ(buttons.Items(1)->Caption(), L"second");

    for (int index : {-1, 2, 100}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(buttons.Delete(index), EInvalidOperation);
        EXPECT_EQ(buttons.Count(), 2);
    }
    EXPECT_EQ(changes, 0);
    buttons.Delete(1);
    ASSERT_EQ(buttons.Count(), 1);
    EXPECT_EQ(buttons.Items(0)->Caption(), L"first");
    EXPECT_EQ(changes, 1);
}

} // namespace
