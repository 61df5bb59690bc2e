#include "runtime/rtActnList.h"
#include "runtime/rtApplication.h"
#include "runtime/rtStdCtrls.h"
#include "tests/common/RealInput.h"
#include "tests/common/StoredPicture.h"
#include "tests/common/WindowFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);

// The colour of the square in the image at column col, row row of a picture.
COLORREF SquareColour(int col, int row)
{
    return RGB(40 + 60 * col, 200 - 50 * row, 90);
}

// Images of 16 x 16: a square of its own colour on the transparent colour.
COLORREF PicturePixel(int x, int y)
{
    const int ix = x % 16, iy = y % 16;
    return ix >= 4 && ix < 12 && iy >= 4 && iy < 12 ? SquareColour(x / 16, y / 16) : kKey;
}

// A picture of w x h pixels made of such images.
UniqueBitmap MakePicture(int w, int h)
{
    HDC screen = GetDC(nullptr);
    UniqueBitmap picture(CreateCompatibleBitmap(screen, w, h));
    UniqueMemoryDC dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    SelectGuard sel(dc.get(), picture.get());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixelV(dc.get(), x, y, PicturePixel(x, y));
    return picture;
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    SelectGuard sel(dc.get(), bitmap);
    return GetPixel(dc.get(), x, y);
}

// A picture is cut into images left to right, row by row; what makes no whole image is left
// out; each image keeps its own colours and shows the transparent colour where it is clear.
TEST(ImageListTest, PicturesAreCutIntoImagesOfTheListSize)
{
    struct Case {
        int pictureW, pictureH;
        std::vector<POINT> images; // column and row of each image, in list order
    } cases[] = {
        {48, 16, {{0, 0}, {1, 0}, {2, 0}}},
        {32, 32, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
        {40, 20, {{0, 0}, {1, 0}}}, // the rest makes no whole image
        {8, 16, {}},                // narrower than one image
    };
    for (const Case& c : cases) {
        TImageList list(nullptr);
        UniqueBitmap picture = MakePicture(c.pictureW, c.pictureH);
        const int first = list.AddMasked(picture.get());
        const int count = static_cast<int>(c.images.size());
        ASSERT_EQ(list.Count(), count) << c.pictureW << "x" << c.pictureH;
        EXPECT_EQ(first, count > 0 ? 0 : -1);
        for (int i = 0; i < count; ++i) {
            UniqueBitmap image = list.ImageBitmap(i);
            ASSERT_TRUE(image) << i;
            const POINT at = c.images[static_cast<size_t>(i)];
            EXPECT_EQ(PixelOf(image.get(), 8, 8), SquareColour(at.x, at.y)) << "image " << i;
            EXPECT_EQ(PixelOf(image.get(), 1, 1), kKey) << "clear parts show the transparent colour";
            EXPECT_EQ(PixelOf(image.get(), 0, 15), list.TransparentColor(i));
        }
        EXPECT_FALSE(list.ImageBitmap(count)) << "past the last image";
        EXPECT_FALSE(list.ImageBitmap(-1));
    }
}

// A new size drops the images cut for the old one and tells the listeners; a size below 1
// is refused.
TEST(ImageListTest, ANewSizeDropsTheImagesAndABadOneIsRefused)
{
    TImageList list(nullptr);
    int heard = 0;
    list.AddChangeListener(&heard, [&] { ++heard; });
    UniqueBitmap picture = MakePicture(32, 16);
    list.AddMasked(picture.get());
    EXPECT_EQ(heard, 1);
    for (int bad : {0, -5}) {
        list.SetWidth(bad);
        list.SetHeight(bad);
        EXPECT_EQ(list.Width(), 16);
        EXPECT_EQ(list.Height(), 16);
        EXPECT_EQ(list.Count(), 2);
    }
    list.SetWidth(8);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(heard, 2);
    list.RemoveChangeListener(&heard);
    list.AddMasked(picture.get());
    EXPECT_EQ(list.Count(), 4) << "32 x 16 holds four 8 x 16 images";
    EXPECT_EQ(heard, 2) << "a removed listener hears nothing";
}

class ActionsTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        button = Make<TNativeButton>(20, 20, 120, 30);
    }
    std::wstring ShownCaption() const
    {
        wchar_t text[64]{};
        GetWindowTextW(button->Handle(), text, 64);
        return text;
    }
    // A left click with the real mouse in the middle of the button; true once done holds.
    bool RealClick(const std::function<bool()>& done)
    {
        SetForegroundWindow(form->Handle());
        SendLeftClick(button->Handle(), POINT{60, 15});
        return WaitFor(done);
    }
    TNativeButton* button = nullptr;
};

// Linked, the button takes the action's caption, enabled state, hint and visibility, and
// every later change of them shows in its window.
TEST_F(ActionsTest, ALinkedControlFollowsEveryChangeOfItsAction)
{
    button->SetCaption(L"Own");
    auto* action = new TAction(form);
    action->SetCaption(L"Run");
    action->SetEnabled(false);
    action->SetHint(L"Runs it");
    button->SetAction(action);
    EXPECT_EQ(button->Action(), action);
    EXPECT_EQ(ShownCaption(), L"Run");
    EXPECT_FALSE(IsWindowEnabled(button->Handle()));
    EXPECT_EQ(button->Hint(), L"Runs it");
    EXPECT_TRUE(IsWindowVisible(button->Handle()));

    struct Step {
        const wchar_t* what;
        std::function<void()> change;
        const wchar_t* caption;
        bool enabled;
        const wchar_t* hint;
        bool visible;
    } steps[] = {
        {L"caption", [&] { action->SetCaption(L"Stop"); }, L"Stop", false, L"Runs it", true},
        {L"enabled", [&] { action->SetEnabled(true); }, L"Stop", true, L"Runs it", true},
        {L"hint", [&] { action->SetHint(L"Stops it"); }, L"Stop", true, L"Stops it", true},
        {L"hidden", [&] { action->SetVisible(false); }, L"Stop", true, L"Stops it", false},
        {L"shown", [&] { action->SetVisible(true); }, L"Stop", true, L"Stops it", true},
        {L"checked", [&] { action->SetChecked(true); }, L"Stop", true, L"Stops it", true},
        {L"empty caption", [&] { action->SetCaption(L""); }, L"", true, L"Stops it", true},
    };
    for (const Step& s : steps) {
        s.change();
        app->ProcessMessages();
        EXPECT_EQ(ShownCaption(), s.caption) << s.what;
        EXPECT_EQ(IsWindowEnabled(button->Handle()) != FALSE, s.enabled) << s.what;
        EXPECT_EQ(button->Hint(), s.hint) << s.what;
        EXPECT_EQ(IsWindowVisible(button->Handle()) != FALSE, s.visible) << s.what;
    }
}

// What executing an action does: the update handler first, nothing when disabled, the check
// mark toggled by AutoCheck (kept in a group), the execute handler once.
TEST(ActionExecuteTest, UpdateCheckAndExecuteInOrder)
{
    struct Case {
        const wchar_t* what;
        bool handler;
        bool autoCheck;
        int groupIndex;
        bool checked;
        bool updateDisables;
        bool result;
        int executed;
        bool checkedAfter;
    } cases[] = {
        {L"plain", true, false, 0, false, false, true, 1, false},
        {L"no handler", false, false, 0, false, false, false, 0, false},
        {L"auto check on", true, true, 0, false, false, true, 1, true},
        {L"auto check off", true, true, 0, true, false, true, 1, false},
        {L"auto check in a group stays checked", true, true, 3, true, false, true, 1, true},
        {L"disabled by the update", true, true, 0, false, true, false, 0, false},
    };
    for (const Case& c : cases) {
        TActionList list(nullptr);
        auto* action = new TAction(&list);
        int executed = 0;
        std::vector<std::wstring> order;
        if (c.handler)
            action->OnExecute = [&](TObject* sender) {
                EXPECT_EQ(sender, action);
                order.push_back(L"execute");
                ++executed;
            };
        action->OnUpdate = [&](TObject*) {
            order.push_back(L"update");
            if (c.updateDisables)
                action->SetEnabled(false);
        };
        action->SetGroupIndex(c.groupIndex);
        action->SetChecked(c.checked);
        action->SetAutoCheck(c.autoCheck);
        EXPECT_EQ(action->Execute(), c.result) << c.what;
        EXPECT_EQ(executed, c.executed) << c.what;
        EXPECT_EQ(action->Checked(), c.checkedAfter) << c.what;
        ASSERT_FALSE(order.empty()) << c.what;
        EXPECT_EQ(order.front(), L"update") << c.what;
    }
}

// Checking an action of a group unchecks the others of the same list and group only.
TEST(ActionExecuteTest, ACheckedActionOfAGroupUnchecksTheOthers)
{
    TActionList list(nullptr), otherList(nullptr);
    auto* a = new TAction(&list);
    auto* b = new TAction(&list);
    auto* loose = new TAction(&list);
    auto* elsewhere = new TAction(&otherList);
    for (TAction* x : {a, b, elsewhere})
        x->SetGroupIndex(1);
    loose->SetGroupIndex(2);
    for (TAction* x : {a, loose, elsewhere})
        x->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(loose->Checked()) << "another group";
    EXPECT_TRUE(elsewhere->Checked()) << "another list";
    EXPECT_EQ(list.ActionCount(), 3);
    EXPECT_EQ(a->ActionList(), &list);
}

// A real click runs the action's handler once; a click handler of the control's own takes
// precedence over the action.
TEST_F(ActionsTest, ARealClickExecutesTheActionOnce)
{
    auto* action = new TAction(form);
    int executed = 0, clicked = 0;
    action->OnExecute = [&](TObject*) { ++executed; };
    button->SetAction(action);
    ASSERT_TRUE(RealClick([&] { return executed >= 1; }));
    EXPECT_EQ(executed, 1);
    button->OnClick = [&](TObject*) { ++clicked; };
    ASSERT_TRUE(RealClick([&] { return clicked >= 1; }));
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(executed, 1) << "the control's own handler ran instead";
    SetCursorPos(0, 0);
}

// Freeing the action ends the link: the button keeps what it shows, has no action and still
// clicks. Freeing the button first leaves the action without links, and free to change.
TEST_F(ActionsTest, EitherSideMayBeFreedFirst)
{
    auto* action = new TAction(form);
    action->SetCaption(L"Go");
    button->SetAction(action);
    EXPECT_EQ(action->LinkCount(), 1);
    delete action;
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(ShownCaption(), L"Go");
    int clicked = 0;
    button->OnClick = [&](TObject*) { ++clicked; };
    ASSERT_TRUE(RealClick([&] { return clicked == 1; }));

    auto* second = new TAction(form);
    button->SetAction(second);
    EXPECT_EQ(second->LinkCount(), 1);
    delete button;
    button = nullptr;
    EXPECT_EQ(second->LinkCount(), 0);
    second->SetCaption(L"Nobody listens");
    int executed = 0;
    second->OnExecute = [&](TObject*) { ++executed; };
    EXPECT_TRUE(second->Execute());
    EXPECT_EQ(executed, 1);
    SetCursorPos(0, 0);
}

// Whenever the message loop finds its queue empty, the actions' update handlers run, and what
// they set shows in the linked controls.
TEST_F(ActionsTest, UpdateHandlersRunWhenTheQueueRunsEmpty)
{
    auto* list = new TActionList(form);
    auto* action = new TAction(form);
    action->SetActionList(list);
    bool allow = false;
    int updates = 0;
    action->OnUpdate = [&](TObject*) {
        ++updates;
        action->SetEnabled(allow);
    };
    button->SetAction(action);
    // The loop waits for messages; a timer's keep it from waiting for ever.
    UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
    auto loopUntil = [&](int count) {
        DWORD start = GetTickCount();
        while (updates < count && GetTickCount() - start < 2000)
            app->HandleMessage();
        return updates >= count;
    };
    ASSERT_TRUE(loopUntil(1));
    EXPECT_FALSE(IsWindowEnabled(button->Handle()));
    allow = true;
    ASSERT_TRUE(loopUntil(updates + 1));
    EXPECT_TRUE(IsWindowEnabled(button->Handle()));
    KillTimer(nullptr, timer);
    // Out of its list (the list is freed), the action is no longer updated.
    delete list;
    EXPECT_EQ(action->ActionList(), nullptr);
    const int before = updates;
    UINT_PTR again = SetTimer(nullptr, 0, 10, nullptr);
    for (int i = 0; i < 3; ++i)
        app->HandleMessage();
    KillTimer(nullptr, again);
    EXPECT_EQ(updates, before) << "an action in no list is not updated";
}

// A command may close what it belongs to: its handler frees the form that owns the action and
// the clicked button, and the click ends cleanly; the handler's own state lasts to its end.
TEST_F(ActionsTest, AnActionMayFreeTheFormThatOwnsIt)
{
    auto* dialog = new TForm(app.get());
    dialog->SetBounds(200, 200, 200, 100);
    auto* close = new TNativeButton(dialog);
    close->SetParent(dialog);
    close->SetBounds(10, 10, 100, 28);
    auto* action = new TAction(dialog);
    action->SetCaption(L"Close");
    close->SetAction(action);
    std::wstring seen;
    const std::wstring note(200, L'x'); // kept by the handler, read after the form is gone
    action->OnExecute = [&seen, dialog, note](TObject*) {
        delete dialog;
        seen = note;
    };
    dialog->Show();
    app->ProcessMessages();
    SetForegroundWindow(dialog->Handle());
    SendLeftClick(close->Handle(), POINT{50, 14});
    ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, note);
    EXPECT_TRUE(boxes.empty()) << "no error reached the error box";
    // The program goes on: the main form's button still clicks.
    int clicked = 0;
    button->OnClick = [&](TObject*) { ++clicked; };
    ASSERT_TRUE(RealClick([&] { return clicked == 1; }));
    SetCursorPos(0, 0);
}

// A form read from a description: an image list whose picture comes before its size, an
// action list naming it, an action inside the list with a handler of the form, and a button
// naming the action.
class ActionForm : public TForm {
public:
    explicit ActionForm(TComponent* owner) : TForm(owner)
    {
        PublishMethod<TNotifyEvent>(L"GoExecute", [this](TObject*) { ++executed; });
    }
    int executed = 0;
};

std::wstring ActionDescription(const std::wstring& buttonAction, const std::wstring& listImages)
{
    return LR"(object Root: TForm
  Left = 140
  Top = 140
  Width = 300
  Height = 160
  object Go: TNativeButton
    Left = 10
    Top = 10
    Width = 100
    Height = 28
    Caption = 'Own'
    Action = )" +
           buttonAction + LR"(
  end
  object Images1: TImageList
    Bitmap = )" +
           StoredBinary(BitmapFile(32, 16, PicturePixel)) + LR"(
    Width = 16
    Height = 16
  end
  object Actions1: TActionList
    Images = )" +
           listImages + LR"(
    object GoAction: TAction
      Caption = 'Start'
      Hint = 'Starts the run'
      ImageIndex = 1
      OnExecute = GoExecute
    end
  end
end
)";
}

TEST_F(ActionsTest, ADescriptionLinksButtonActionListAndImages)
{
    RegisterActionClasses();
    RegisterComponentClass(L"TNativeButton",
                           [](TComponent* o) -> TComponent* { return new TNativeButton(o); });
    ActionForm root(app.get());
    root.LoadFromDescription(ActionDescription(L"GoAction", L"Images1"));
    auto* go = dynamic_cast<TNativeButton*>(root.FindComponent(L"Go"));
    auto* action = dynamic_cast<TAction*>(root.FindComponent(L"GoAction"));
    auto* list = dynamic_cast<TActionList*>(root.FindComponent(L"Actions1"));
    auto* images = dynamic_cast<TImageList*>(root.FindComponent(L"Images1"));
    ASSERT_TRUE(go && action && list && images);
    EXPECT_EQ(go->Action(), action);
    EXPECT_EQ(go->Caption(), L"Start");
    EXPECT_EQ(go->Hint(), L"Starts the run");
    EXPECT_EQ(action->ActionList(), list);
    ASSERT_EQ(list->ActionCount(), 1);
    EXPECT_EQ(list->Images(), images);
    EXPECT_EQ(action->Images(), images);
    ASSERT_EQ(images->Count(), 2) << "cut by the size that followed the picture";
    UniqueBitmap second = images->ImageBitmap(1);
    EXPECT_EQ(PixelOf(second.get(), 8, 8), SquareColour(1, 0));
    go->Click();
    EXPECT_EQ(root.executed, 1);
    // Freeing the image list leaves the list without images.
    delete images;
    EXPECT_EQ(list->Images(), nullptr);
    EXPECT_EQ(action->Images(), nullptr);
}

// A reference to a missing component or to one of the wrong kind is refused with an error
// that names the property, the value and the kind expected; every component still ends its
// loading.
TEST_F(ActionsTest, AWrongReferenceIsRefusedByName)
{
    RegisterActionClasses();
    RegisterComponentClass(L"TNativeButton",
                           [](TComponent* o) -> TComponent* { return new TNativeButton(o); });
    struct Case {
        const wchar_t* action;
        const wchar_t* images;
        const wchar_t* message;
    } cases[] = {
        {L"Images1", L"Images1", L"Invalid property value: Action = Images1: a TImageList is not an action"},
        {L"Missing", L"Images1", L"Invalid property value: Action = Missing: no component of that name"},
        {L"GoAction", L"GoAction",
         L"Invalid property value: Images = GoAction: a TAction is not an image list"},
        {L"'GoAction'", L"Images1", L"Invalid property value 'GoAction': a component name is expected"},
    };
    for (const Case& c : cases) {
        ActionForm root(app.get());
        std::wstring message;
        try {
            root.LoadFromDescription(ActionDescription(c.action, c.images));
        } catch (const EReadError& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, c.message) << c.action << L" " << c.images;
        for (int i = 0; i < root.ComponentCount(); ++i)
            EXPECT_FALSE(root.Components(i)->IsLoading()) << root.Components(i)->Name();
        EXPECT_FALSE(root.IsLoading());
    }
}

} // namespace
