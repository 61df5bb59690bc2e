// The view data: made by the active properties for one calculation of an editor's view (in
// the editor's current style) or for a measure, freed right after; a kind extends the view
// by extending its view data, and the button hooks are the view data's.
#include "editors/cxTextEdit.h"
#include "tests/editors/EditorsTestHelpers.h"

#include <vector>

namespace {

struct ViewDataTrace {
    struct Made {
        bool embedded, measuring;
    };
    std::vector<Made> made;
    std::vector<TcxEditStyle*> calculatedIn; // the style each view calculation settled on
    int alive = 0;
};

// A text editor kind whose view keeps its edit box 20 pixels further from the left.
class ShiftedViewData : public TcxCustomTextEditViewData {
public:
    ShiftedViewData(TcxCustomEditProperties* p, TcxEditStyle* style, bool embedded, bool measuring,
                    ViewDataTrace& trace)
        : TcxCustomTextEditViewData(p, style, embedded, measuring), m_trace(trace)
    {
        ++m_trace.alive;
        m_trace.made.push_back({embedded, measuring});
    }
    ~ShiftedViewData() override { --m_trace.alive; }
    void CalculateViewInfo(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi) override
    {
        TcxCustomTextEditViewData::CalculateViewInfo(p, hotAllowed, vi);
        vi.innerEditRect.left += 20;
        m_trace.calculatedIn.push_back(Style);
    }

private:
    ViewDataTrace& m_trace;
};

class ShiftedProperties : public TcxTextEditProperties {
public:
    ShiftedProperties(TcxCustomEdit* owner, ViewDataTrace& trace)
        : TcxTextEditProperties(owner), m_trace(trace)
    {
    }
    std::unique_ptr<TcxCustomEditViewData> CreateViewData(TcxEditStyle* style, bool embedded,
                                                          bool measuring) override
    {
        return std::make_unique<ShiftedViewData>(this, style, embedded, measuring, m_trace);
    }

private:
    ViewDataTrace& m_trace;
};

class ShiftedEdit : public TcxCustomTextEdit {
public:
    ShiftedEdit(TComponent* owner, ViewDataTrace& trace) : TcxCustomTextEdit(owner)
    {
        Construct(new ShiftedProperties(this, trace));
    }
};

class EditViewDataTest : public InputFixture {
protected:
    ViewDataTrace trace;
};

TEST_F(EditViewDataTest, EachUpdateCalculatesThroughAViewDataOfThePropertiesInTheCurrentStyleAndFreesIt)
{
    auto* other = Make<TcxTextEdit>(10, 60, 150, 21);
    auto* edit = new ShiftedEdit(form, trace);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 200, 21);
    Settle(app.get());
    other->SetFocus();
    Settle(app.get());

    trace = {};
    edit->UpdateVisualStateAtCursor(false);
    EXPECT_EQ(trace.alive, 0) << "freed after the calculation";
    ASSERT_FALSE(trace.calculatedIn.empty());
    EXPECT_EQ(trace.calculatedIn.back(), edit->Style());
    EXPECT_FALSE(trace.made.back().measuring);
    EXPECT_FALSE(trace.made.back().embedded);
    // The kind's view reaches the placement of the edit box.
    const RECT client = edit->ViewInfo().clientRect;
    EXPECT_EQ(edit->InnerEdit()->BoundsRect().left, client.left + 1 + 20);
    EXPECT_EQ(edit->InnerEdit()->BoundsRect().right, client.right - 1);

    edit->SetFocus();
    Settle(app.get());
    EXPECT_EQ(trace.calculatedIn.back(), edit->StyleFocused()) << "the style of the state the editor is in";
    EXPECT_EQ(trace.alive, 0);

    // The automatic height measures the buttons through a view data without an editor.
    trace = {};
    TcxEditButton* glyphButton = edit->Properties()->Buttons()->Add();
    glyphButton->SetKind(bkGlyph);
    HDC screen = GetDC(nullptr);
    HBITMAP tall = CreateCompatibleBitmap(screen, 16, 30);
    ReleaseDC(nullptr, screen);
    glyphButton->SetGlyph(tall);
    DeleteObject(tall);
    Settle(app.get());
    bool measured = false;
    for (const auto& m : trace.made)
        measured = measured || m.measuring;
    EXPECT_TRUE(measured);
    EXPECT_EQ(trace.alive, 0);
    const TcxContainerViewInfo& vi = edit->ViewInfo();
    int frame = (vi.bounds.bottom - vi.bounds.top) - (vi.borderRect.bottom - vi.borderRect.top);
    EXPECT_EQ(edit->Height(), 30 + 2 + frame) << "the glyph and the ultra-flat button's margins";
}

// The frame of an editor's drop-down lists: the style's own, else embedded editors by the
// look-and-feel kind, editors with a frame or without buttons by the frame, frameless editors
// with buttons by the kind again.
TEST_F(EditViewDataTest, ThePopupBorderStyleComesFromTheStyleTheFrameOrTheKind)
{
    struct Case {
        TcxEditPopupBorderStyle own;
        bool embedded;
        TcxContainerBorderStyle border;
        bool buttons;
        TcxLookAndFeelKind kind;
        TcxEditPopupBorderStyle expected;
    };
    const Case cases[] = {
        {epbsFrame3D, false, cbsSingle, true, lfFlat, epbsFrame3D},
        {epbsFlat, true, cbsSingle, true, lfOffice11, epbsFlat},
        {epbsDefault, true, cbsSingle, true, lfFlat, epbsFlat},
        {epbsDefault, true, cbsFlat, true, lfStandard, epbsFrame3D},
        {epbsDefault, true, cbsFlat, true, lfUltraFlat, epbsSingle},
        {epbsDefault, true, cbsNone, false, lfOffice11, epbsSingle},
        {epbsDefault, false, cbsFlat, true, lfStandard, epbsFlat},
        {epbsDefault, false, cbs3D, true, lfFlat, epbsSingle},
        {epbsDefault, false, cbsSingle, true, lfFlat, epbsSingle},
        {epbsDefault, false, cbsThick, true, lfFlat, epbsSingle},
        {epbsDefault, false, cbsUltraFlat, true, lfFlat, epbsSingle},
        {epbsDefault, false, cbsOffice11, true, lfFlat, epbsSingle},
        {epbsDefault, false, cbsNone, false, lfStandard, epbsFlat},
        {epbsDefault, false, cbsNone, true, lfStandard, epbsFrame3D},
        {epbsDefault, false, cbsNone, true, lfFlat, epbsFlat},
        {epbsDefault, false, cbsNone, true, lfOffice11, epbsSingle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "own " << c.own << (c.embedded ? ", embedded" : "") << ", border " << c.border
                     << (c.buttons ? ", buttons" : "") << ", kind " << static_cast<int>(c.kind));
        auto* edit = Make<TcxTextEdit>(10, 10, 200, 21);
        if (c.own != epbsDefault)
            edit->EditStyle()->SetPopupBorderStyle(c.own);
        edit->Style()->SetBorderStyle(c.border);
        edit->Style()->LookAndFeel()->SetKind(c.kind);
        if (c.buttons)
            edit->Properties()->Buttons()->Add()->SetKind(bkDown);
        edit->UpdateVisualStateAtCursor(false);
        ASSERT_EQ(edit->ButtonViewInfos().empty(), !c.buttons);
        if (c.embedded) {
            auto data = edit->Properties()->CreateViewData(edit->EditStyle(), true, false);
            EXPECT_EQ(data->CalculatePopupBorderStyle(edit->EditViewInfo()), c.expected);
        } else {
            EXPECT_EQ(edit->EditViewInfo().popupBorderStyle, c.expected);
        }
        delete edit;
    }
}

// The effective button style: the style's own, else by the frame, else (embedded, or without
// frame and hot tracking) by the look-and-feel kind.
TEST(EditViewDataRules, TheEffectiveButtonStyle)
{
    struct Case {
        TcxEditButtonStyle assigned;
        TcxContainerBorderStyle border;
        bool hotTrack;
        TcxLookAndFeelKind kind;
        bool embedded;
        TcxEditButtonStyle expected;
    };
    const Case cases[] = {
        {bts3D, cbsSingle, true, lfFlat, false, bts3D},
        {btsOffice11, cbsNone, false, lfFlat, true, btsOffice11},
        {btsDefault, cbsSingle, true, lfFlat, false, btsHotFlat},
        {btsDefault, cbsThick, true, lfFlat, false, bts3D},
        {btsDefault, cbsFlat, true, lfOffice11, false, btsFlat},
        {btsDefault, cbs3D, true, lfFlat, false, bts3D},
        {btsDefault, cbsUltraFlat, true, lfStandard, false, btsUltraFlat},
        {btsDefault, cbsOffice11, true, lfStandard, false, btsOffice11},
        {btsDefault, cbsNone, true, lfOffice11, false, btsSimple},
        {btsDefault, cbsNone, false, lfOffice11, false, btsOffice11},
        {btsDefault, cbsNone, false, lfStandard, false, bts3D},
        {btsDefault, cbsSingle, true, lfUltraFlat, true, btsUltraFlat},
        {btsDefault, cbs3D, true, lfFlat, true, btsFlat},
    };
    TForm owner(nullptr);
    for (const Case& c : cases) {
        TcxTextEdit edit(&owner);
        if (c.assigned != btsDefault)
            edit.EditStyle()->SetButtonStyle(c.assigned);
        edit.Style()->SetBorderStyle(c.border);
        edit.Style()->SetHotTrack(c.hotTrack);
        edit.Style()->LookAndFeel()->SetKind(c.kind);
        auto data = edit.Properties()->CreateViewData(edit.EditStyle(), c.embedded, true);
        EXPECT_EQ(data->EffectiveButtonStyle(), c.expected)
            << "assigned " << c.assigned << ", border " << c.border << ", hot tracking " << c.hotTrack
            << ", kind " << static_cast<int>(c.kind) << (c.embedded ? ", embedded" : "");
    }
}

// The default width and the state and caption colour hooks are the view data's; a measuring
// calculation without an editor answers them too, with collection indexes.
TEST(EditViewDataRules, TheButtonHooksAreTheViewDatas)
{
    TForm owner(nullptr);
    TcxTextEdit edit(&owner);
    TcxEditButtons* buttons = edit.Properties()->Buttons();
    buttons->Add()->SetVisible(false);
    buttons->Add()->SetKind(bkEllipsis);
    buttons->Add()->SetWidth(25);
    auto data = edit.Properties()->CreateViewData(edit.EditStyle(), false, true);
    ASSERT_EQ(data->Editor, nullptr);
    std::vector<int> asked;
    data->OnGetDefaultButtonWidth = [&](TcxCustomEditViewData* sender, int index, int& width) {
        EXPECT_EQ(sender, data.get());
        asked.push_back(index);
        width = 33;
    };
    data->OnGetButtonState = [](TcxCustomEditViewData*, int index, TcxEditButtonState& state) {
        if (index == 2)
            state = ebsPressed;
    };
    data->OnGetButtonTextColor = [](TcxCustomEditViewData*, int index, TColor& color) {
        if (index == 1)
            color = clRed;
    };
    TcxCustomEditViewInfo vi;
    vi.borderRect = {1, 1, 199, 20};
    data->CalculateButtons({-1, -1}, true, vi);
    ASSERT_EQ(vi.ButtonViewInfos.size(), 2u) << "the visible ones";
    EXPECT_EQ(asked, std::vector<int>{1}) << "only the button without a width, by its collection index";
    EXPECT_EQ(vi.ButtonViewInfos[0].bounds.right - vi.ButtonViewInfos[0].bounds.left, 33);
    EXPECT_EQ(vi.ButtonViewInfos[1].bounds.right - vi.ButtonViewInfos[1].bounds.left, 25);
    EXPECT_EQ(vi.ButtonViewInfos[0].captionColor, clRed);
    EXPECT_EQ(vi.ButtonViewInfos[1].captionColor, clBtnText);
    EXPECT_EQ(vi.ButtonViewInfos[0].state, ebsNormal);
    EXPECT_EQ(vi.ButtonViewInfos[1].state, ebsPressed);
    EXPECT_EQ(vi.ButtonViewInfos[1].themeState, 3);
    EXPECT_EQ(vi.clientRect.right, 199 - 33 - 25) << "what the buttons leave";
}

} // namespace
