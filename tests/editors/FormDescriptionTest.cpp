// A stored description that sets the published settings of the editors, their buttons,
// styles and a style controller loads, and what it sets arrives.
#include "editors/cxButtonEdit.h"
#include "editors/cxEditRegister.h"
#include "editors/cxEditRepositoryItems.h"
#include "runtime/rtStreaming.h"
#include "tests/common/StoredPicture.h"
#include "tests/common/WindowFixture.h"

#include <map>

namespace {

class DescribedForm : public TForm {
public:
    using TForm::TForm;
    std::any FindMethod(const std::wstring& name) const override
    {
        auto* self = const_cast<DescribedForm*>(this);
        if (name == L"FieldButtonClick")
            return TcxEditButtonClickEvent([self](TObject*, int index) { self->clicks.push_back(index); });
        if (name == L"FieldChange" || name == L"ControllerChanged" || name == L"FieldEnter")
            return TNotifyEvent([self, name](TObject*) { ++self->calls[name]; });
        if (name == L"FieldValidate")
            return TcxEditValidateEvent([](TObject*, std::wstring&, std::wstring&, bool&) {});
        if (name == L"FieldEditing")
            return TcxEditEditingEvent([](TObject*, bool&) {});
        return {};
    }
    void BindField(const std::wstring& name, TComponent* c) override { fields[name] = c; }
    std::map<std::wstring, TComponent*> fields;
    std::map<std::wstring, int> calls;
    std::vector<int> clicks;
};

const wchar_t* const kDescription = LR"(object Described: TDescribedForm
  Left = 100
  Top = 100
  Width = 400
  Height = 200
  object Controller: TcxEditStyleController
    Style.BorderStyle = ebsSingle
    Style.ButtonStyle = btsHotFlat
    Style.ButtonTransparency = ebtNone
    Style.Color = 12648447
    StyleFocused.BorderColor = clRed
    OnStyleChanged = ControllerChanged
  end
  object Field: TcxButtonEdit
    Left = 10
    Top = 10
    Width = 200
    AutoSize = True
    BeepOnEnter = False
    FakeStyleController = Controller
    Properties.Alignment.Horz = taRightJustify
    Properties.Alignment.Vert = taVCenter
    Properties.AssignedValues = [evsReadOnly]
    Properties.AutoSelect = False
    Properties.BeepOnError = True
    Properties.Buttons = <
      item
        Caption = '&Go'
        ContentAlignment = taLeftJustify
        Default = True
        Enabled = True
        Hint = 'Browse'
        Kind = bkText
        LeftAlignment = False
        Stretchable = False
        Tag = 7
        Visible = True
        Width = 30
      end
      item
        Kind = bkEllipsis
      end>
    Properties.CharCase = ecUpperCase
    Properties.ClearKey = 113
    Properties.ClickKey = 16397
    Properties.EchoMode = eemNormal
    Properties.EditMask = ''
    Properties.HideSelection = False
    Properties.IgnoreMaskBlank = False
    Properties.ImeMode = 3
    Properties.ImeName = ''
    Properties.IncrementalSearch = True
    Properties.MaskKind = emkStandard
    Properties.MaxLength = 20
    Properties.MaxValue = 10.000000000000000000
    Properties.MinValue = 1.000000000000000000
    Properties.OEMConvert = False
    Properties.ReadOnly = False
    Properties.UseLeftAlignmentOnEditing = True
    Properties.ValidateOnEnter = True
    Properties.ViewStyle = vsNormal
    Properties.OnButtonClick = FieldButtonClick
    Properties.OnChange = FieldChange
    Properties.OnEditValueChanged = FieldChange
    Properties.OnValidate = FieldValidate
    Style.BorderColor = clBlue
    Style.BorderStyle = ebsUltraFlat
    Style.ButtonStyle = btsUltraFlat
    Style.ButtonTransparency = ebtInactive
    Style.Edges = [bLeft, bTop, bRight, bBottom]
    Style.Font.Name = 'Arial'
    Style.Font.Height = -13
    Style.HotTrack = True
    Style.LookAndFeel.Kind = lfUltraFlat
    Style.Shadow = False
    Style.StyleController = Controller
    Style.TextColor = clWindowText
    Style.TextStyle = [fsBold]
    Style.TransparentBorder = True
    Style.IsFontAssigned = True
    StyleDisabled.TextColor = clGray
    StyleFocused.ButtonStyle = btsOffice11
    StyleHot.BorderColor = clHighlight
    TabOrder = 0
    Text = 'abc'
    OnDblClick = FieldEnter
    OnEditing = FieldEditing
    OnEnter = FieldEnter
  end
  object Secret: TcxTextEdit
    Left = 10
    Top = 60
    Width = 120
    Properties.EchoMode = eemPassword
    Properties.PasswordChar = '#'
    Text = 'hidden'
  end
  object Bare: TcxButtonEdit
    Left = 10
    Top = 100
    Width = 120
  end
end
)";

TEST(FormDescriptionTest, EverySettingOfTheEditorsLoads)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TDescribedForm",
                           [](TComponent* o) -> TComponent* { return new DescribedForm(o); });
    TApplication app;
    DescribedForm form(&app);
    ASSERT_NO_THROW(form.LoadFromDescription(kDescription));
    auto* field = dynamic_cast<TcxButtonEdit*>(form.fields[L"Field"]);
    auto* secret = dynamic_cast<TcxTextEdit*>(form.fields[L"Secret"]);
    auto* bare = dynamic_cast<TcxButtonEdit*>(form.fields[L"Bare"]);
    auto* controller = dynamic_cast<TcxEditStyleController*>(form.fields[L"Controller"]);
    ASSERT_TRUE(field && secret && bare && controller);

    TcxButtonEditProperties* p = field->Properties();
    ASSERT_EQ(p->Buttons()->Count(), 2) << "the listed buttons replace the default one";
    TcxEditButton* go = p->Buttons()->Items(0);
    EXPECT_EQ(go->Kind(), bkText);
    EXPECT_EQ(go->Caption(), L"&Go");
    EXPECT_EQ(go->ContentAlignment(), 0);
    EXPECT_EQ(go->Hint(), L"Browse");
    EXPECT_FALSE(go->Stretchable());
    EXPECT_EQ(go->Tag(), 7);
    EXPECT_EQ(go->Width(), 30);
    EXPECT_TRUE(go->Default());
    EXPECT_EQ(p->Buttons()->Items(1)->Kind(), bkEllipsis);
    EXPECT_FALSE(p->AutoSelect());
    EXPECT_TRUE(p->BeepOnError());
    EXPECT_EQ(p->ClearKey(), 113u);
    EXPECT_EQ(p->CharCase(), ecUpperCase);
    EXPECT_FALSE(p->HideSelection());
    EXPECT_EQ(p->MaxLength(), 20);
    EXPECT_EQ(p->MinValue(), 1.0);
    EXPECT_EQ(p->MaxValue(), 10.0);
    EXPECT_FALSE(p->ReadOnly());
    EXPECT_TRUE(p->AssignedValues() & epvReadOnly);
    EXPECT_TRUE(p->OnValidate && p->OnChange && p->OnButtonClick);
    EXPECT_TRUE(field->OnEditing && field->OnEnter && field->OnDblClick);
    EXPECT_EQ(p->AlignmentValue().Horz(), cxedit::TAlignment::taRightJustify);
    EXPECT_EQ(p->AlignmentValue().Vert(), cxedit::TcxEditVertAlignment::taVCenter);
    EXPECT_FALSE(field->BeepOnEnter());
    EXPECT_EQ(field->Text(), L"ABC") << "text read after the letter case";

    TcxEditStyle* style = field->EditStyle();
    EXPECT_EQ(style->StyleController(), controller);
    EXPECT_EQ(style->BorderColor(), clBlue);
    EXPECT_EQ(style->BorderStyle(), cbsUltraFlat);
    EXPECT_EQ(style->ButtonStyle(), btsUltraFlat);
    EXPECT_EQ(style->ButtonTransparency(), ebtInactive);
    EXPECT_EQ(style->TextStyle(), static_cast<TFontStyles>(fsBold));
    EXPECT_EQ(style->Color(), static_cast<TColor>(12648447)) << "from the controller";
    EXPECT_EQ(field->StyleFocused()->BorderColor(), clRed) << "from the controller's focused style";
    EXPECT_EQ(static_cast<TcxEditStyle*>(field->StyleFocused())->ButtonStyle(), btsOffice11);
    EXPECT_EQ(field->StyleDisabled()->TextColor(), clGray);
    EXPECT_EQ(field->StyleHot()->BorderColor(), clHighlight);
    EXPECT_EQ(field->FakeStyleController(), controller);
    EXPECT_TRUE(controller->OnStyleChanged);

    EXPECT_EQ(secret->Properties()->EchoMode(), eemPassword);
    EXPECT_EQ(secret->Properties()->PasswordChar(), L'#');
    EXPECT_EQ(secret->Text(), L"hidden");
    EXPECT_EQ(bare->Properties()->Buttons()->Count(), 0) << "no list stored: no buttons";

    EXPECT_EQ(FindEditPropertiesByDescription(L"ButtonEdit|Represents an edit control with embedded buttons"),
              L"TcxButtonEditProperties");
}

TEST(FormDescriptionTest, AFontAStyleAssignsFollowsTheFormsResolutionAndAnInheritedOneIsLeftToTheForm)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TDescribedForm",
                           [](TComponent* o) -> TComponent* { return new DescribedForm(o); });
    TApplication app;
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    for (int stored : {dpi / 2, dpi}) {
        SCOPED_TRACE(stored);
        DescribedForm form(&app);
        std::wstring text =
            L"object Scaled: TDescribedForm\n  PixelsPerInch = " + std::to_wstring(stored) +
            L"\n  object Own: TcxTextEdit\n    Style.Font.Height = -10\n"
            L"    Style.IsFontAssigned = True\n  end\n  object Inherited: TcxTextEdit\n  end\nend\n";
        ASSERT_NO_THROW(form.LoadFromDescription(text));
        auto* own = dynamic_cast<TcxTextEdit*>(form.fields[L"Own"]);
        auto* inherited = dynamic_cast<TcxTextEdit*>(form.fields[L"Inherited"]);
        ASSERT_TRUE(own && inherited);
        // Stored for half the screen's resolution, the font's height doubles.
        EXPECT_EQ(own->Style()->Font()->Height(), stored == dpi ? -10 : -20);
        EXPECT_FALSE(inherited->Style()->IsAssigned(svFont)) << "the form's own scaling reaches it";
    }
}

// A style controller stored for twice the screen's resolution halves its fonts, whether the
// description lists them before or after its PixelsPerInch.
TEST(FormDescriptionTest, AStyleControllersFontsScaleWhateverTheirPlaceInTheDescription)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TDescribedForm",
                           [](TComponent* o) -> TComponent* { return new DescribedForm(o); });
    TApplication app;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const std::wstring ppi = L"    PixelsPerInch = " + std::to_wstring(dpi * 2) + L"\n";
    const std::wstring font = L"    Style.Font.Height = -30\n";
    for (const bool fontFirst : {false, true}) {
        SCOPED_TRACE(fontFirst ? "fonts first" : "PixelsPerInch first");
        DescribedForm form(&app);
        const std::wstring text =
            L"object Scaled: TDescribedForm\n  object Controller: TcxEditStyleController\n" +
            (fontFirst ? font + ppi : ppi + font) + L"  end\nend\n";
        ASSERT_NO_THROW(form.LoadFromDescription(text));
        auto* controller = dynamic_cast<TcxEditStyleController*>(form.fields[L"Controller"]);
        ASSERT_NE(controller, nullptr);
        EXPECT_EQ(controller->Style()->Font()->Height(), -15);
    }
}

// Older descriptions store whether a display format was set as a boolean of its own; newer ones
// list it among the assigned values. Both load, and only the formats a source set are copied.
TEST(FormDescriptionTest, TheDisplayAndEditFormatFlagsLoadFromOldAndNewDescriptionsAndCopyOnlyWhenSet)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TDescribedForm",
                           [](TComponent* o) -> TComponent* { return new DescribedForm(o); });
    TApplication app;
    struct Case {
        const wchar_t* line;
        unsigned assigned;
    };
    const Case cases[] = {
        {L"Properties.IsDisplayFormatAssigned = True", epvDisplayFormat},
        {L"Properties.IsDisplayFormatAssigned = False", 0},
        {L"Properties.AssignedValues = [evsDisplayFormat, evsEditFormat]", epvDisplayFormat | epvEditFormat},
        {L"Properties.AssignedValues = [evsEditFormat, evsReadOnly]", epvEditFormat | epvReadOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.line, c.line + wcslen(c.line)));
        DescribedForm form(&app);
        const std::wstring text =
            std::wstring(L"object Old: TDescribedForm\n  object Field: TcxTextEdit\n    ") + c.line +
            L"\n  end\nend\n";
        ASSERT_NO_THROW(form.LoadFromDescription(text));
        auto* field = dynamic_cast<TcxTextEdit*>(form.fields[L"Field"]);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->Properties()->AssignedValues(), c.assigned);
    }

    TcxTextEdit source(nullptr), target(nullptr);
    source.Properties()->SetDisplayFormat(L"0.00");
    target.Properties()->SetEditFormat(L"#");
    target.Properties()->SetMaxLength(5);
    target.Properties()->Assign(source.Properties());
    EXPECT_EQ(target.Properties()->DisplayFormat(), L"0.00");
    EXPECT_EQ(target.Properties()->AssignedValues(), unsigned{epvDisplayFormat})
        << "the edit format and the length the source never set are no longer assigned";
    EXPECT_EQ(target.Properties()->EditFormat(), L"");
    EXPECT_EQ(target.Properties()->MaxLength(), 0);
    // A reset of the flags clears them all, the length's as well.
    target.Properties()->SetMaxLength(7);
    target.Properties()->SetAssignedValues(0);
    EXPECT_EQ(target.Properties()->MaxLength(), 0);
    EXPECT_EQ(target.Properties()->DisplayFormat(), L"");
}

// Once a description is read, the editor takes its properties in one step: a bottom-aligned
// editor then keeps its bottom edge when a bigger font makes it taller, as one made in code does.
TEST(FormDescriptionTest, AfterLoadingAnAutomaticHeightKeepsTheEdgeTheAlignmentAnchors)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TDescribedForm",
                           [](TComponent* o) -> TComponent* { return new DescribedForm(o); });
    TApplication app;
    DescribedForm form(&app);
    ASSERT_NO_THROW(
        form.LoadFromDescription(L"object Anchored: TDescribedForm\n"
                                 L"  object Field: TcxTextEdit\n    Top = 100\n"
                                 L"    Properties.Alignment.Vert = taBottomJustify\n  end\nend\n"));
    auto* field = dynamic_cast<TcxTextEdit*>(form.fields[L"Field"]);
    ASSERT_NE(field, nullptr);
    const int bottom = field->Top() + field->Height();
    EXPECT_EQ(field->AnchorY(), bottom);
    field->Style()->Font()->SetHeight(field->Style()->Font()->Height() * 2);
    EXPECT_GT(field->Height(), bottom - 100);
    EXPECT_EQ(field->Top() + field->Height(), bottom);
}

TEST(FormDescriptionTest, AnEditorFindsTheRepositoryItemItNamesAndAButtonItsStoredGlyph)
{
    RegisterEditorClasses();
    RegisterComponentClass(L"TDescribedForm",
                           [](TComponent* o) -> TComponent* { return new DescribedForm(o); });
    TApplication app;
    DescribedForm form(&app);
    ASSERT_NO_THROW(form.LoadFromDescription(
        LR"(object Shared: TDescribedForm
  object Item: TcxEditRepositoryButtonItem
    Properties.Buttons = <
      item
        Kind = bkText
        Caption = 'Go'
      end>
    Properties.MaxLength = 4
  end
  object Field: TcxButtonEdit
    RepositoryItem = Item
  end
  object Pictured: TcxButtonEdit
    Properties.Buttons = <
      item
        Kind = bkGlyph
        Glyph = )" +
        StoredBinary(BitmapFile(6, 4, [](int x, int) { return x < 3 ? RGB(255, 0, 0) : RGB(0, 0, 255); })) +
        LR"(
      end>
  end
end
)"));
    auto* field = dynamic_cast<TcxButtonEdit*>(form.fields[L"Field"]);
    auto* item = dynamic_cast<TcxEditRepositoryButtonItem*>(form.fields[L"Item"]);
    ASSERT_TRUE(field && item);
    EXPECT_EQ(field->RepositoryItem(), item);
    EXPECT_EQ(field->ActiveButtonProperties()->Buttons()->Count(), 1);
    EXPECT_EQ(field->ActiveButtonProperties()->Buttons()->Items(0)->Caption(), L"Go");
    EXPECT_EQ(field->TextProperties()->MaxLength(), 4);

    auto* pictured = dynamic_cast<TcxButtonEdit*>(form.fields[L"Pictured"]);
    ASSERT_TRUE(pictured);
    const TcxBitmap* glyph = pictured->Properties()->Buttons()->Items(0)->GlyphIfAny();
    ASSERT_TRUE(glyph && !glyph->Empty());
    EXPECT_EQ(glyph->Width(), 6);
    EXPECT_EQ(glyph->Height(), 4);
    EXPECT_EQ(GetPixel(glyph->DC(), 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(glyph->DC(), 4, 1), RGB(0, 0, 255));
}

} // namespace
