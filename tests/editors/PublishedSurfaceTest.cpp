// Stored descriptions that set every published setting and event of each editor class load,
// and what they set arrives: one case per class.
#include "editors/cxButtonEdit.h"
#include "editors/cxEditRegister.h"
#include "editors/cxEditRepositoryItems.h"
#include "runtime/rtMenus.h"
#include "runtime/rtStreaming.h"
#include "tests/common/WindowFixture.h"

#include <functional>
#include <map>
#include <string>

namespace {

// Every handler a description names, by the kind of event it serves.
class SurfaceForm : public TForm {
public:
    using TForm::TForm;
    std::any FindMethod(const std::wstring& name) const override
    {
        if (name == L"NotifyHandler")
            return TNotifyEvent([](TObject*) {});
        if (name == L"KeyHandler")
            return TKeyEvent([](TObject*, WORD&, TShiftState) {});
        if (name == L"KeyPressHandler")
            return TKeyPressEvent([](TObject*, wchar_t&) {});
        if (name == L"MouseHandler")
            return TMouseEvent([](TObject*, TMouseButton, TShiftState, int, int) {});
        if (name == L"MoveHandler")
            return TMouseMoveEvent([](TObject*, TShiftState, int, int) {});
        if (name == L"PopupHandler")
            return TContextPopupEvent([](TObject*, POINT, bool&) {});
        if (name == L"DragDropHandler")
            return TDragDropEvent([](TObject*, TObject*, int, int) {});
        if (name == L"DragOverHandler")
            return TDragOverEvent([](TObject*, TObject*, int, int, TDragState, bool&) {});
        if (name == L"EndDragHandler")
            return TEndDragEvent([](TObject*, TObject*, int, int) {});
        if (name == L"StartDragHandler")
            return TStartDragEvent([](TObject*, TObject*&) {});
        if (name == L"EditingHandler")
            return TcxEditEditingEvent([](TObject*, bool&) {});
        if (name == L"ButtonHandler")
            return TcxEditButtonClickEvent([](TObject*, int) {});
        if (name == L"ValidateHandler")
            return TcxEditValidateEvent([](TObject*, std::wstring&, std::wstring&, bool&) {});
        if (name == L"LookupHandler")
            return TcxNewLookupDisplayTextEvent([](TObject*, const std::wstring&) {});
        return {};
    }
    void BindField(const std::wstring& name, TComponent* c) override { fields[name] = c; }
    std::map<std::wstring, TComponent*> fields;
};

// The settings of a text editor's properties, as stored under "Properties.".
const wchar_t* const kTextProperties = LR"(
    Properties.Alignment.Horz = taCenter
    Properties.Alignment.Vert = taBottomJustify
    Properties.AssignedValues = [evsReadOnly]
    Properties.AutoSelect = False
    Properties.BeepOnError = True
    Properties.CaseInsensitive = False
    Properties.CharCase = ecLowerCase
    Properties.ClearKey = 46
    Properties.EchoMode = eemPassword
    Properties.HideSelection = False
    Properties.ImeMode = imClose
    Properties.ImeName = 'Pinyin'
    Properties.IncrementalSearch = False
    Properties.LookupItems.Strings = (
      'pear'
      'apple')
    Properties.LookupItemsSorted = True
    Properties.MaxLength = 12
    Properties.OEMConvert = True
    Properties.PasswordChar = '#'
    Properties.ReadOnly = True
    Properties.UseLeftAlignmentOnEditing = False
    Properties.ValidateOnEnter = False
    Properties.OnChange = NotifyHandler
    Properties.OnEditValueChanged = NotifyHandler
    Properties.OnNewLookupDisplayText = LookupHandler
    Properties.OnValidate = ValidateHandler)";

// What a button editor's properties add.
const wchar_t* const kButtonProperties = LR"(
    Properties.Buttons = <
      item
        Caption = 'Go'
        ContentAlignment = taRightJustify
        Default = True
        Enabled = False
        Hint = 'Run'
        Kind = bkText
        LeftAlignment = True
        Stretchable = False
        Tag = 3
        Visible = True
        Width = 40
      end>
    Properties.ClickKey = 16465
    Properties.EditMask = '000'
    Properties.HideCursor = True
    Properties.IgnoreMaskBlank = True
    Properties.MaskKind = emkRegExpr
    Properties.ViewStyle = vsButtonsOnly
    Properties.OnButtonClick = ButtonHandler)";

// The settings and events every editor control publishes, styles included.
const wchar_t* const kControl = LR"(
    Left = 10
    Top = 20
    Width = 200
    Height = 30
    Anchors = [akLeft, akTop, akRight]
    AutoSize = False
    BeepOnEnter = False
    Constraints.MinWidth = 50
    DragCursor = crNoDrop
    DragKind = dkDock
    DragMode = dmAutomatic
    Enabled = False
    Hint = 'a field'
    ImeMode = imOpen
    ImeName = 'Pinyin'
    ParentColor = False
    ParentFont = False
    ParentShowHint = False
    PopupMenu = Menu
    ShowHint = True
    Style.BorderColor = clRed
    Style.BorderStyle = ebsFlat
    Style.ButtonStyle = btsSimple
    Style.ButtonTransparency = ebtAlways
    Style.Color = clGreen
    Style.Edges = [bLeft, bTop]
    Style.Font.Name = 'Arial'
    Style.Font.Height = -12
    Style.Gradient = True
    Style.GradientDirection = 2
    Style.HotTrack = False
    Style.LookAndFeel.Kind = lfOffice11
    Style.LookAndFeel.NativeStyle = False
    Style.PopupBorderStyle = epbsFrame3D
    Style.Shadow = True
    Style.StyleController = Controller
    Style.TextColor = clNavy
    Style.TextStyle = [fsBold, fsUnderline]
    Style.TransparentBorder = False
    Style.IsFontAssigned = True
    StyleDisabled.BorderColor = clGray
    StyleDisabled.Color = clSilver
    StyleFocused.BorderStyle = ebsThick
    StyleFocused.ButtonStyle = bts3D
    StyleHot.TextColor = clWhite
    StyleHot.TextStyle = [fsItalic]
    TabOrder = 1
    TabStop = False
    Text = 'abc'
    Transparent = True
    Visible = True
    OnClick = NotifyHandler
    OnContextPopup = PopupHandler
    OnDblClick = NotifyHandler
    OnDragDrop = DragDropHandler
    OnDragOver = DragOverHandler
    OnEditing = EditingHandler
    OnEndDock = EndDragHandler
    OnEndDrag = EndDragHandler
    OnEnter = NotifyHandler
    OnExit = NotifyHandler
    OnFocusChanged = NotifyHandler
    OnKeyDown = KeyHandler
    OnKeyPress = KeyPressHandler
    OnKeyUp = KeyHandler
    OnMouseDown = MouseHandler
    OnMouseEnter = NotifyHandler
    OnMouseLeave = NotifyHandler
    OnMouseMove = MoveHandler
    OnMouseUp = MouseHandler
    OnStartDock = StartDragHandler
    OnStartDrag = StartDragHandler
    PropertiesEvents.OnEditValueChanged = NotifyHandler)";

const wchar_t* const kController = LR"(
    Style.BorderStyle = ebsSingle
    Style.ButtonStyle = btsHotFlat
    Style.Color = clBlack
    Style.PopupBorderStyle = epbsFlat
    StyleDisabled.TextColor = clGray
    StyleFocused.BorderColor = clBlue
    StyleHot.ButtonStyle = btsOffice11
    PixelsPerInch = 96
    OnStyleChanged = NotifyHandler)";

void CheckTextProperties(TcxTextEditProperties* p)
{
    EXPECT_EQ(p->AlignmentValue().Horz(), cxedit::TAlignment::taCenter);
    EXPECT_EQ(p->AlignmentValue().Vert(), cxedit::TcxEditVertAlignment::taBottomJustify);
    EXPECT_FALSE(p->AutoSelect());
    EXPECT_TRUE(p->BeepOnError());
    EXPECT_FALSE(p->CaseInsensitive());
    EXPECT_EQ(p->CharCase(), ecLowerCase);
    EXPECT_EQ(p->ClearKey(), 46u);
    EXPECT_EQ(p->EchoMode(), eemPassword);
    EXPECT_FALSE(p->HideSelection());
    EXPECT_EQ(p->ImeMode(), imClose);
    EXPECT_EQ(p->ImeName(), L"Pinyin");
    EXPECT_FALSE(p->IncrementalSearch());
    EXPECT_EQ(p->LookupItems()->Lines(), (std::vector<std::wstring>{L"apple", L"pear"})) << "sorted";
    EXPECT_TRUE(p->LookupItemsSorted());
    EXPECT_EQ(p->MaxLength(), 12);
    EXPECT_TRUE(p->OEMConvert());
    EXPECT_EQ(p->PasswordChar(), L'#');
    EXPECT_TRUE(p->ReadOnly());
    EXPECT_FALSE(p->UseLeftAlignmentOnEditing());
    EXPECT_FALSE(p->ValidateOnEnter());
    EXPECT_TRUE(p->OnChange && p->OnEditValueChanged && p->OnNewLookupDisplayText && p->OnValidate);
}

void CheckButtonProperties(TcxButtonEditProperties* p)
{
    CheckTextProperties(p);
    ASSERT_EQ(p->Buttons()->Count(), 1);
    TcxEditButton* b = p->Buttons()->Items(0);
    EXPECT_EQ(b->Caption(), L"Go");
    EXPECT_EQ(b->ContentAlignment(), 1);
    EXPECT_TRUE(b->Default());
    EXPECT_FALSE(b->Enabled());
    EXPECT_EQ(b->Hint(), L"Run");
    EXPECT_EQ(b->Kind(), bkText);
    EXPECT_TRUE(b->LeftAlignment());
    EXPECT_FALSE(b->Stretchable());
    EXPECT_EQ(b->Tag(), 3);
    EXPECT_EQ(b->Width(), 40);
    EXPECT_EQ(p->ClickKey(), 16465u);
    EXPECT_EQ(p->EditMask(), L"000");
    EXPECT_TRUE(p->HideCursor());
    EXPECT_TRUE(p->IgnoreMaskBlank());
    EXPECT_EQ(p->MaskKind(), emkRegExpr);
    EXPECT_EQ(p->ViewStyle(), vsButtonsOnly);
    EXPECT_TRUE(p->OnButtonClick);
}

void CheckControl(SurfaceForm& form, TcxCustomTextEdit* e)
{
    EXPECT_EQ(e->Left(), 10);
    EXPECT_EQ(e->Top(), 20);
    EXPECT_EQ(e->Width(), 200);
    EXPECT_EQ(e->Height(), 30);
    EXPECT_EQ(e->Anchors(), static_cast<TAnchors>(akLeft | akTop | akRight));
    EXPECT_FALSE(e->AutoSize());
    EXPECT_FALSE(e->BeepOnEnter());
    EXPECT_EQ(e->Constraints()->MinWidth(), 50);
    EXPECT_EQ(e->DragCursor(), crNoDrop);
    EXPECT_EQ(e->DragKind(), dkDock);
    EXPECT_EQ(e->DragMode(), dmAutomatic);
    EXPECT_FALSE(e->Enabled());
    EXPECT_EQ(e->Hint(), L"a field");
    EXPECT_FALSE(e->ParentColor());
    EXPECT_FALSE(e->ParentFont());
    EXPECT_FALSE(e->ParentShowHint());
    EXPECT_TRUE(e->ShowHint());
    EXPECT_EQ(e->PopupMenu(), form.fields[L"Menu"]);
    EXPECT_EQ(e->TabOrder(), 0) << "the only control of the form comes first";
    EXPECT_FALSE(e->TabStop());
    EXPECT_TRUE(e->Transparent());
    EXPECT_TRUE(e->Visible());

    auto* style = static_cast<TcxEditStyle*>(e->Style());
    EXPECT_EQ(style->BorderColor(), clRed);
    EXPECT_EQ(style->BorderStyle(), cbsFlat);
    EXPECT_EQ(style->ButtonStyle(), btsSimple);
    EXPECT_EQ(style->ButtonTransparency(), ebtAlways);
    EXPECT_EQ(style->Color(), clGreen);
    EXPECT_EQ(style->Edges(), static_cast<TcxBorders>(cxBorder(bLeft) | cxBorder(bTop)));
    EXPECT_EQ(style->Font()->Name(), L"Arial");
    EXPECT_EQ(style->Font()->Height(), -12);
    EXPECT_TRUE(style->Gradient());
    EXPECT_EQ(style->GradientDirection(), 2);
    EXPECT_FALSE(style->HotTrack());
    EXPECT_EQ(style->LookAndFeel()->Kind(), lfOffice11);
    EXPECT_EQ(style->PopupBorderStyle(), epbsFrame3D);
    EXPECT_TRUE(style->Shadow());
    EXPECT_EQ(style->StyleController(), form.fields[L"Controller"]);
    EXPECT_EQ(style->TextColor(), clNavy);
    EXPECT_EQ(style->TextStyle(), static_cast<TFontStyles>(fsBold | fsUnderline));
    EXPECT_FALSE(style->TransparentBorder());
    EXPECT_EQ(e->StyleDisabled()->BorderColor(), clGray);
    EXPECT_EQ(e->StyleDisabled()->Color(), clSilver);
    EXPECT_EQ(e->StyleFocused()->BorderStyle(), cbsThick);
    EXPECT_EQ(static_cast<TcxEditStyle*>(e->StyleFocused())->ButtonStyle(), bts3D);
    EXPECT_EQ(e->StyleHot()->TextColor(), clWhite);
    EXPECT_EQ(e->StyleHot()->TextStyle(), static_cast<TFontStyles>(fsItalic));

    EXPECT_TRUE(e->OnClick && e->OnContextPopup && e->OnDblClick && e->OnEditing && e->OnEnter && e->OnExit);
    EXPECT_TRUE(e->OnDragDrop && e->OnDragOver && e->OnEndDock && e->OnEndDrag && e->OnStartDock &&
                e->OnStartDrag);
    EXPECT_TRUE(e->OnFocusChanged && e->OnKeyDown && e->OnKeyPress && e->OnKeyUp);
    EXPECT_TRUE(e->OnMouseDown && e->OnMouseEnter && e->OnMouseLeave && e->OnMouseMove && e->OnMouseUp);
}

struct Case {
    const wchar_t* className;
    std::wstring settings;
    std::function<void(SurfaceForm&, TComponent*)> check;
};

class PublishedSurfaceTest : public testing::TestWithParam<int> {};

std::vector<Case> Cases()
{
    return {
        {L"TcxTextEdit", std::wstring(kControl) + kTextProperties,
         [](SurfaceForm& f, TComponent* c) {
             auto* e = dynamic_cast<TcxTextEdit*>(c);
             ASSERT_TRUE(e);
             CheckControl(f, e);
             CheckTextProperties(e->Properties());
             EXPECT_EQ(e->Text(), L"abc");
         }},
        {L"TcxButtonEdit", std::wstring(kControl) + kTextProperties + kButtonProperties,
         [](SurfaceForm& f, TComponent* c) {
             auto* e = dynamic_cast<TcxButtonEdit*>(c);
             ASSERT_TRUE(e);
             CheckControl(f, e);
             CheckButtonProperties(e->Properties());
         }},
        {L"TcxEditRepositoryTextItem", kTextProperties,
         [](SurfaceForm&, TComponent* c) {
             auto* item = dynamic_cast<TcxEditRepositoryTextItem*>(c);
             ASSERT_TRUE(item);
             CheckTextProperties(item->Properties());
         }},
        {L"TcxEditRepositoryButtonItem", std::wstring(kTextProperties) + kButtonProperties,
         [](SurfaceForm&, TComponent* c) {
             auto* item = dynamic_cast<TcxEditRepositoryButtonItem*>(c);
             ASSERT_TRUE(item);
             CheckButtonProperties(item->Properties());
         }},
        {L"TcxEditStyleController", kController,
         [](SurfaceForm&, TComponent* c) {
             auto* ctl = dynamic_cast<TcxEditStyleController*>(c);
             ASSERT_TRUE(ctl);
             EXPECT_EQ(ctl->Style()->BorderStyle(), cbsSingle);
             EXPECT_EQ(ctl->Style()->ButtonStyle(), btsHotFlat);
             EXPECT_EQ(ctl->Style()->Color(), clBlack);
             EXPECT_EQ(ctl->Style()->PopupBorderStyle(), epbsFlat);
             EXPECT_EQ(ctl->StyleDisabled()->TextColor(), clGray);
             EXPECT_EQ(ctl->StyleFocused()->BorderColor(), clBlue);
             EXPECT_EQ(ctl->StyleHot()->ButtonStyle(), btsOffice11);
             EXPECT_EQ(ctl->PixelsPerInch(), 96);
             EXPECT_TRUE(ctl->OnStyleChanged);
         }},
    };
}

TEST_P(PublishedSurfaceTest, EveryPublishedSettingLoadsAndArrives)
{
    const Case c = Cases().at(static_cast<size_t>(GetParam()));
    SCOPED_TRACE(std::string(c.className, c.className + wcslen(c.className)));
    RegisterEditorClasses();
    RegisterMenuClasses();
    RegisterComponentClass(L"TSurfaceForm", [](TComponent* o) -> TComponent* { return new SurfaceForm(o); });
    TApplication app;
    SurfaceForm form(&app);
    std::wstring text = LR"(object Surface: TSurfaceForm
  Left = 100
  Top = 100
  Width = 400
  Height = 200
  object Menu: TPopupMenu
  end
  object Controller: TcxEditStyleController
  end
  object Subject: )" + std::wstring(c.className) +
                        c.settings + L"\n  end\nend\n";
    try {
        form.LoadFromDescription(text);
    } catch (const Exception& e) {
        std::wstring m = e.Message();
        FAIL() << "the description does not load: " << std::string(m.begin(), m.end());
    }
    ASSERT_TRUE(form.fields[L"Subject"]);
    c.check(form, form.fields[L"Subject"]);
}

INSTANTIATE_TEST_SUITE_P(EditorClasses, PublishedSurfaceTest, testing::Range(0, 5));

// "PropertiesEvents" reaches the events of the editor's properties, and nothing else.
TEST(PropertiesEventsTest, ADescriptionSetsThePropertiesEventsThroughItAndNoOtherSetting)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TSurfaceForm", [](TComponent* o) -> TComponent* { return new SurfaceForm(o); });
    TApplication app;
    const wchar_t* const events[] = {L"OnButtonClick = ButtonHandler", L"OnChange = NotifyHandler",
                                     L"OnEditValueChanged = NotifyHandler", L"OnValidate = ValidateHandler",
                                     L"OnNewLookupDisplayText = LookupHandler"};
    std::wstring text = L"object Surface: TSurfaceForm\n  object Field: TcxButtonEdit\n";
    for (const wchar_t* e : events)
        text += std::wstring(L"    PropertiesEvents.") + e + L"\n";
    text += L"  end\nend\n";
    {
        SurfaceForm form(&app);
        ASSERT_NO_THROW(form.LoadFromDescription(text));
        auto* field = dynamic_cast<TcxButtonEdit*>(form.fields[L"Field"]);
        ASSERT_TRUE(field);
        TcxButtonEditProperties* p = field->Properties();
        EXPECT_TRUE(p->OnButtonClick && p->OnChange && p->OnEditValueChanged && p->OnValidate &&
                    p->OnNewLookupDisplayText);
    }
    SurfaceForm form(&app);
    EXPECT_THROW(form.LoadFromDescription(L"object Surface: TSurfaceForm\n  object Field: TcxButtonEdit\n"
                                          L"    PropertiesEvents.MaxLength = 3\n  end\nend\n"),
                 Exception)
        << "a setting that is no event";
}

} // namespace
