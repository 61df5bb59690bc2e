// Buttons belong to every editor, not only to the button edit: a text edit and an editor made
// of nothing but the edit core show, lay out, hit-test, press and click the buttons of their
// properties, by the mouse and by the click key.
#include "editors/cxEditRepositoryItems.h"
#include "editors/cxTextEdit.h"
#include "tests/common/Artifacts.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// An editor with the edit core only: no edit box inside, the core's own properties.
class CoreEdit : public TcxCustomEdit {
public:
    explicit CoreEdit(TComponent* owner) : TcxCustomEdit(owner)
    {
        InitEdit(new TcxCustomEditProperties(this));
    }
};

class EditCoreButtonsTest : public InputFixture {
protected:
    static POINT Centre(TcxCustomEdit* e, int k)
    {
        RECT r = e->ButtonViewInfos().at(static_cast<size_t>(k)).bounds;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Mouse(DWORD flags)
    {
        SendMouseButton(flags);
        Settle(app.get());
    }
};

TEST_F(EditCoreButtonsTest, EveryEditorShowsPressesAndClicksTheButtonsOfItsProperties)
{
    struct Kind {
        const char* name;
        std::function<TcxCustomEdit*()> make;
    };
    const Kind kinds[] = {
        {"text edit", [this] { return Make<TcxTextEdit>(10, 10, 220, 21); }},
        {"edit core only", [this] { return Make<CoreEdit>(10, 10, 220, 21); }},
    };
    const int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        TcxCustomEdit* edit = kind.make();
        // A default ellipsis at the right and a text button at the left.
        TcxEditButtons* buttons = edit->Properties()->Buttons();
        ASSERT_EQ(buttons->Count(), 0) << "plain editors start without buttons";
        TcxEditButton* ellipsis = buttons->Add();
        ellipsis->SetKind(bkEllipsis);
        ellipsis->SetDefault(true);
        TcxEditButton* go = buttons->Add();
        go->SetKind(bkText);
        go->SetCaption(L"Go");
        go->SetLeftAlignment(true);
        std::vector<std::pair<TObject*, int>> clicks;
        edit->Properties()->OnButtonClick = [&](TObject* sender, int index) {
            clicks.push_back({sender, index});
        };
        Settle(app.get());

        // Laid out inside the frame, one at each side.
        ASSERT_EQ(edit->ButtonViewInfos().size(), 2u) << "the collection's change reached the editor";
        const RECT border = edit->ViewInfo().borderRect;
        const RECT right = edit->ButtonViewInfos()[0].bounds;
        const RECT left = edit->ButtonViewInfos()[1].bounds;
        EXPECT_EQ(right.right, border.right);
        EXPECT_EQ(right.right - right.left, scrollBar);
        EXPECT_EQ(left.left, border.left);
        EXPECT_EQ(edit->ViewInfo().clientRect.left, left.right) << "the buttons narrow the client area";
        EXPECT_EQ(edit->ViewInfo().clientRect.right, right.left);
        if (auto* text = dynamic_cast<TcxTextEdit*>(edit)) {
            RECT box = text->InnerEdit()->BoundsRect();
            EXPECT_GE(box.left, left.right);
            EXPECT_LE(box.right, right.left);
        }
        EXPECT_EQ(edit->ButtonAt(Centre(edit, 0)), 0);
        EXPECT_EQ(edit->ButtonAt(Centre(edit, 1)), 1);
        EXPECT_EQ(edit->ButtonAt({(left.right + right.left) / 2, 10}), -1);
        EXPECT_EQ(edit->DefaultButtonIndex(), 0);

        // Drawn: the ellipsis's dots and the caption in the button text colour on the face.
        PixelCanvas picture(edit->Width(), edit->Height());
        edit->PaintTo(picture.dc());
        std::string file =
            std::string("editor_core_buttons_") + (dynamic_cast<TcxTextEdit*>(edit) ? "text" : "core");
        picture.SaveBmp((ArtifactFolder() / (std::wstring(file.begin(), file.end()) + L".bmp")).c_str());
        for (const RECT& r : {left, right}) {
            int ink = 0, face = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    ink += picture.At(x, y) == ColorToRGB(clBtnText);
                    face += picture.At(x, y) == ColorToRGB(clBtnFace);
                }
            EXPECT_GT(ink, 0) << "the button's content is drawn";
            EXPECT_GT(face, (r.right - r.left) * (r.bottom - r.top) / 3) << "on the button's face";
        }

        // A real press and release over each button.
        MoveCursor(edit, Centre(edit, 0));
        EXPECT_EQ(edit->HotButton(), 0);
        Mouse(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(edit->PressedButton(), 0);
        EXPECT_EQ(edit->ViewInfo().state & csfHot, 0u)
            << "the editor is not hot while the mouse button is held";
        Mouse(MOUSEEVENTF_LEFTUP);
        EXPECT_NE(edit->ViewInfo().state & csfHot, 0u) << "hot again once it is released";
        MoveCursor(edit, Centre(edit, 1));
        Mouse(MOUSEEVENTF_LEFTDOWN);
        Mouse(MOUSEEVENTF_LEFTUP);
        // Pressed, dragged off to the text and released: no click.
        MoveCursor(edit, Centre(edit, 0));
        Mouse(MOUSEEVENTF_LEFTDOWN);
        MoveCursor(edit, {(left.right + right.left) / 2, 10});
        Mouse(MOUSEEVENTF_LEFTUP);
        // The click key clicks the default button.
        edit->SetFocus();
        Settle(app.get());
        SendChord(VK_CONTROL, VK_RETURN);
        Settle(app.get());
        const std::vector<std::pair<TObject*, int>> expected{{edit, 0}, {edit, 1}, {edit, 0}};
        EXPECT_EQ(clicks, expected);
        ParkCursor();
        delete edit;
    }
}

// A text edit that takes its settings from a repository item shows the item's buttons; a
// click runs the editor's own handler and then the item's.
TEST_F(EditCoreButtonsTest, ATextEditShowsARepositoryItemsButtonsAndRunsBothHandlers)
{
    auto* item = new TcxEditRepositoryTextItem(form);
    item->Properties()->Buttons()->Add()->SetKind(bkDown);
    item->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
    std::vector<std::string> events;
    item->Properties()->OnButtonClick = [&](TObject*, int i) {
        events.push_back("item " + std::to_string(i));
    };
    auto* edit = Make<TcxTextEdit>(10, 10, 220, 21);
    edit->Properties()->OnButtonClick = [&](TObject*, int i) {
        events.push_back("own " + std::to_string(i));
    };
    EXPECT_TRUE(edit->ButtonViewInfos().empty());
    edit->SetRepositoryItem(item);
    ASSERT_EQ(edit->ButtonViewInfos().size(), 2u);
    // The first button of the collection sits left of the second.
    POINT first = Centre(edit, 0);
    EXPECT_LT(first.x, Centre(edit, 1).x);
    SendLeftClick(edit->Handle(), first);
    Settle(app.get());
    EXPECT_EQ(events, (std::vector<std::string>{"own 0", "item 0"}));
    delete item;
    EXPECT_TRUE(edit->ButtonViewInfos().empty()) << "back to its own settings, without buttons";
}

} // namespace
