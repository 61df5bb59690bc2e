// How a container's frame answers the cursor and the mouse buttons, driven by real input.
#include "editors/cxTextEdit.h"
#include "tests/common/RealInput.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <string>

namespace {

class ContainerStateTest : public TallEditFixture {
protected:
    void SetUp() override
    {
        TallEditFixture::SetUp();
        other->SetFocus();
        MoveCursor(form, {450, 250});
    }
    void Mouse(DWORD flags)
    {
        SendMouseButton(flags);
        Settle(app.get());
    }
    bool Hot() const { return (edit->ViewInfo().state & csfHot) != 0; }
    const POINT onFrame{100, 37}; // the frame's own window, below the edit box
};

TEST_F(ContainerStateTest, TheHotStateIsNoneWithoutHotTrackingAndLitWhenFocusedOrUnderTheCursor)
{
    struct Case {
        bool hotTrack, focused, underCursor;
        TcxContainerHotState expected;
    };
    const Case cases[] = {
        {true, false, false, chsNormal},     {true, false, true, chsHighlighted},
        {true, true, false, chsHighlighted}, {true, true, true, chsHighlighted},
        {false, false, false, chsNone},      {false, false, true, chsNone},
        {false, true, false, chsNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hotTrack " << c.hotTrack << " focused " << c.focused
                                        << " under cursor " << c.underCursor);
        edit->Style()->SetHotTrack(c.hotTrack);
        if (c.focused)
            edit->SetFocus();
        else
            other->SetFocus();
        MoveCursor(c.underCursor ? static_cast<TWinControl*>(edit) : form,
                   c.underCursor ? onFrame : POINT{450, 250});
        EXPECT_EQ(edit->ViewInfo().hotState, c.expected);
    }
}

// A held button keeps the control from being hot; the release makes it hot again where the
// cursor stands, without a move. The press counts on the frame and in the edit box alike.
TEST_F(ContainerStateTest, APressTakesTheHotLookAwayAndTheReleaseGivesItBack)
{
    edit->SetFocus(); // a press then changes nothing but the buttons held
    RECT box = edit->InnerEdit()->BoundsRect();
    const POINT inBox{box.left + 20, (box.top + box.bottom) / 2};
    struct Case {
        const char* name;
        POINT at;
        DWORD down, up;
    };
    const Case cases[] = {
        {"left on the frame", onFrame, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
        {"middle on the frame", onFrame, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP},
        {"left in the edit box", inBox, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MoveCursor(edit, c.at);
        ASSERT_TRUE(Hot());
        Mouse(c.down);
        EXPECT_FALSE(Hot()) << "a button is held";
        Mouse(c.up);
        EXPECT_TRUE(Hot()) << "released where the cursor is";
        EXPECT_TRUE(edit->Focused());
    }
}

} // namespace
