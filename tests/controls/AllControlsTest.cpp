#include "controls/cxButtons.h"
#include "controls/cxControlsRegister.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "editors/cxEditRegister.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "tests/common/Artifacts.h"
#include "tests/common/GdiCount.h"
#include "tests/common/StoredPicture.h"
#include "tests/common/WindowFixture.h"

#include "runtime/rtMenus.h"
#include "runtime/rtStreaming.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <set>

namespace {

using AllControlsTest = WindowFixture;

template <typename T> T* Find(TWinControl* parent, const std::wstring& name)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        if (parent->Controls(i)->Name() == name)
            return dynamic_cast<T*>(parent->Controls(i));
        if (T* inner = Find<T>(parent->Controls(i), name))
            return inner;
    }
    return nullptr;
}

// A description that sets every published property of the four controls loads, and each
// value arrives.
TEST_F(AllControlsTest, ADescriptionSettingEveryPropertyLoads)
{
    RegisterDisplayControlClasses();
    TForm root(app.get());
    // Pictures are stored as the bytes of bitmap files: a 4 x 3 picture whose pixels differ.
    auto colour = [](int x, int y) { return RGB(40 + x * 50, 30 + y * 60, 200); };
    const std::wstring picture = StoredBinary(BitmapFile(4, 3, colour));
    std::wstring text = LR"(object Root: TForm
  object Box: TcxGroupBox
    Left = 0
    Top = 0
    Width = 400
    Height = 300
    Caption = '&Group'
    Alignment = alRightCenter
    Transparent = True
    PanelStyle.Active = True
    PanelStyle.BorderWidth = 3
    PanelStyle.CaptionIndent = 1
    PanelStyle.OfficeBackgroundKind = pobkGradient
    PanelStyle.WordWrap = True
    ParentBackground = False
    RedrawOnResize = False
    object Bar: TcxProgressBar
      Left = 10
      Top = 10
      Position = 30.5
      Properties.AnimationPath = cxapPingPong
      Properties.AnimationRestartDelay = 200
      Properties.BarStyle = cxbsGradientLEDs
      Properties.BeginColor = clRed
      Properties.BarBevelOuter = cxbvRaised
      Properties.EndColor = 65535
      Properties.Marquee = False
      Properties.Min = 10
      Properties.Max = 90
      Properties.Orientation = cxorVertical
      Properties.ShowText = True
      Properties.ShowTextStyle = cxtsPosition
      Properties.TextOrientation = cxorVertical
      Properties.SolidTextColor = True
      Properties.TransparentImage = False
      Properties.BorderWidth = 2
      Properties.OverloadValue = 70
      Properties.ShowOverload = True
      Properties.OverloadBeginColor = 65280
      Properties.OverloadEndColor = clBlue
      Properties.PeakValue = 40
      Properties.ShowPeak = True
      Properties.PeakColor = 16711935
      Properties.PeakSize = 3
      Properties.AnimationSpeed = 25
      Properties.Text = 'busy'
      Properties.ForegroundImage = PICTURE
    end
    object Caption1: TcxLabel
      Left = 10
      Top = 60
      Caption = 'Label'
      FocusControl = Start
      Transparent = True
      Properties.Alignment.Horz = taRightJustify
      Properties.Alignment.Vert = taBottomJustify
      Properties.Angle = 30
      Properties.Depth = 3
      Properties.LabelEffect = cxleExtrude
      Properties.LabelStyle = cxlsRaised
      Properties.LineOptions.Alignment = cxllaBottom
      Properties.LineOptions.InnerColor = clWhite
      Properties.LineOptions.OuterColor = clGray
      Properties.LineOptions.Visible = True
      Properties.Orientation = cxoLeftTop
      Properties.PenWidth = 2
      Properties.ShadowedColor = clNavy
      Properties.ShowAccelChar = False
      Properties.WordWrap = True
      Properties.Glyph = PICTURE
      Properties.ShowEndEllipsis = True
    end
    object Start: TcxButton
      Left = 10
      Top = 120
      Caption = 'Go'
      Default = True
      Cancel = True
      ModalResult = 1
      Colors.Default = clRed
      Colors.DefaultText = clWhite
      Colors.Normal = clGreen
      Colors.NormalText = 65535
      Colors.Hot = 65280
      Colors.HotText = clBlack
      Colors.Pressed = clNavy
      Colors.PressedText = 16776960
      Colors.Disabled = clGray
      Colors.DisabledText = clSilver
      Layout = blGlyphTop
      Margin = 3
      NumGlyphs = 2
      Spacing = -1
      LookAndFeel.Kind = lfOffice11
      Glyph = PICTURE
    end
  end
end
)";
    for (size_t at; (at = text.find(L"PICTURE")) != std::wstring::npos;)
        text.replace(at, 7, picture);
    root.LoadFromDescription(text);
    auto* box = Find<TcxGroupBox>(&root, L"Box");
    auto* bar = Find<TcxProgressBar>(&root, L"Bar");
    auto* label = Find<TcxLabel>(&root, L"Caption1");
    auto* button = Find<TcxButton>(&root, L"Start");
    ASSERT_TRUE(box && bar && label && button);
    EXPECT_EQ(box->Alignment(), alRightCenter);
    EXPECT_TRUE(box->PanelStyle()->Active());
    EXPECT_EQ(box->PanelStyle()->CaptionIndent(), 2) << "below 2 stores 2";
    EXPECT_EQ(box->PanelStyle()->OfficeBackgroundKind(), pobkGradient);
    EXPECT_FALSE(box->ParentBackground());
    EXPECT_FALSE(box->RedrawOnResize());
    TcxProgressBarProperties* p = bar->Properties();
    EXPECT_DOUBLE_EQ(bar->Position(), 30.5);
    EXPECT_EQ(p->BarStyle(), cxbsGradientLEDs);
    EXPECT_EQ(p->BeginColor(), clRed);
    EXPECT_EQ(p->Orientation(), cxorVertical);
    EXPECT_EQ(p->TextOrientation(), cxorVertical);
    EXPECT_EQ(p->ShowTextStyle(), cxtsText) << "a text given after the style turns it to cxtsText";
    EXPECT_TRUE(p->ShowOverload());
    EXPECT_EQ(p->OverloadBeginColor(), static_cast<TColor>(RGB(0, 255, 0)));
    EXPECT_EQ(p->PeakColor(), static_cast<TColor>(RGB(255, 0, 255)));
    EXPECT_EQ(p->PeakSize(), 3);
    EXPECT_EQ(p->AnimationSpeed(), 20);
    EXPECT_EQ(p->AnimationRestartDelay(), 200u);
    EXPECT_EQ(p->BorderWidth(), 2);
    EXPECT_DOUBLE_EQ(p->Min(), 10);
    EXPECT_DOUBLE_EQ(p->Max(), 90);
    TcxLabelProperties* lp = label->Properties();
    EXPECT_EQ(lp->AlignmentHorz(), cxedit::TAlignment::taRightJustify);
    EXPECT_EQ(lp->Angle(), 30);
    EXPECT_EQ(lp->Depth(), 3);
    EXPECT_EQ(lp->LabelEffect(), cxleExtrude);
    EXPECT_EQ(lp->LabelStyle(), cxlsRaised);
    EXPECT_TRUE(lp->LineOptions()->Visible());
    EXPECT_EQ(lp->LineOptions()->OuterColor(), clGray);
    EXPECT_EQ(lp->Orientation(), cxoLeftTop);
    EXPECT_EQ(lp->ShadowedColor(), clNavy);
    EXPECT_EQ(label->FocusControl(), button);
    EXPECT_FALSE(label->AutoSize()) << "a visible line switches auto size off";
    EXPECT_EQ(button->Colors()->Get(cxbcPressedText), static_cast<TColor>(RGB(0, 255, 255)));
    EXPECT_EQ(button->Colors()->AssignedColors(), 0x3FFu);
    EXPECT_EQ(button->Layout(), blGlyphTop);
    EXPECT_EQ(button->Margin(), 3);
    EXPECT_EQ(button->NumGlyphs(), 2);
    EXPECT_EQ(button->Spacing(), -1);
    EXPECT_TRUE(button->Default());
    EXPECT_EQ(button->LookAndFeel()->Kind(), lfOffice11);
    EXPECT_TRUE(lp->ShowEndEllipsis());
    // Each picture arrived whole, top row first.
    for (const TcxBitmap* image : {p->ForegroundImage(), lp->Glyph(), button->Glyph()}) {
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Width(), 4);
        EXPECT_EQ(image->Height(), 3);
        for (POINT at : {POINT{0, 0}, POINT{3, 0}, POINT{1, 2}})
            EXPECT_EQ(GetPixel(image->DC(), at.x, at.y), colour(at.x, at.y)) << at.x << "," << at.y;
    }
}

// A controller and skin names given in a description reach the root and the controls: a
// control that assigns nothing follows the controller's values, one that assigns its own keeps
// them, and a skin name that names a registered painter paints with it (the lookup ignores
// case). Freeing the form with the last controller returns the root to its defaults.
TEST_F(AllControlsTest, LookAndFeelSettingsAndTheControllerLoadAndTakeEffect)
{
    RegisterDisplayControlClasses();
    RegisterEditorClasses();
    ExtendedStylePainters()->Register(L"Lilian", TcxFlatLookAndFeelPainter::Instance());
    struct Unregister {
        ~Unregister() { ExtendedStylePainters()->Unregister(L"Lilian"); }
    } unregister;
    {
        TForm root(app.get());
        root.LoadFromDescription(LR"(object Root: TForm
  object Ctl: TcxLookAndFeelController
    Kind = lfOffice11
    NativeStyle = False
    SkinName = 'Nobody'
  end
  object Plain: TcxLabel
    Caption = 'plain'
  end
  object Skinned: TcxGroupBox
    Style.LookAndFeel.SkinName = 'LILIAN'
  end
  object Own: TcxProgressBar
    Style.LookAndFeel.Kind = lfStandard
    Style.LookAndFeel.SkinName = ''
  end
  object Start: TcxButton
    LookAndFeel.SkinName = 'lilian'
  end
end
)");
        auto* controller = dynamic_cast<TcxLookAndFeelController*>(root.FindComponent(L"Ctl"));
        auto* plain = Find<TcxLabel>(&root, L"Plain");
        auto* skinned = Find<TcxGroupBox>(&root, L"Skinned");
        auto* own = Find<TcxProgressBar>(&root, L"Own");
        auto* button = Find<TcxButton>(&root, L"Start");
        ASSERT_TRUE(controller && plain && skinned && own && button);
        EXPECT_EQ(LookAndFeelControllerCount(), 1);
        EXPECT_EQ(GlobalLookAndFeel()->Kind(), lfOffice11);
        EXPECT_EQ(GlobalLookAndFeel()->SkinName(), L"Nobody");
        EXPECT_EQ(controller->Kind(), lfOffice11);
        EXPECT_EQ(controller->SkinName(), L"Nobody");
        struct Row {
            const wchar_t* name;
            TcxLookAndFeel* lookAndFeel;
            TcxLookAndFeelKind kind;
            const wchar_t* skin;
            TcxCustomLookAndFeelPainterClass painter;
        } rows[] = {
            // No painter is registered as "Nobody": the kind's painter paints.
            {L"follows the root", plain->Style()->LookAndFeel(), lfOffice11, L"Nobody",
             TcxOffice11LookAndFeelPainter::Instance()},
            {L"own skin", skinned->Style()->LookAndFeel(), lfOffice11, L"LILIAN",
             TcxFlatLookAndFeelPainter::Instance()},
            {L"own kind, skin assigned empty", own->Style()->LookAndFeel(), lfStandard, L"",
             TcxStandardLookAndFeelPainter::Instance()},
            {L"button's own", button->LookAndFeel(), lfOffice11, L"lilian",
             TcxFlatLookAndFeelPainter::Instance()},
        };
        for (const Row& r : rows) {
            EXPECT_EQ(r.lookAndFeel->Kind(), r.kind) << r.name;
            EXPECT_EQ(r.lookAndFeel->SkinName(), r.skin) << r.name;
            EXPECT_EQ(r.lookAndFeel->ActivePainter(), r.painter) << r.name;
        }
        EXPECT_TRUE(own->Style()->LookAndFeel()->IsSkinNameStored())
            << "an empty skin name is still assigned";
        // A later change through the controller reaches the controls that follow the root.
        controller->SetKind(lfFlat);
        EXPECT_EQ(plain->Style()->LookAndFeel()->ActivePainter(), TcxFlatLookAndFeelPainter::Instance());
        EXPECT_EQ(own->Style()->LookAndFeel()->Kind(), lfStandard);
    }
    EXPECT_EQ(LookAndFeelControllerCount(), 0);
    EXPECT_EQ(GlobalLookAndFeel()->Kind(), lfUltraFlat);
    EXPECT_EQ(GlobalLookAndFeel()->SkinName(), L"");
    EXPECT_EQ(GlobalLookAndFeel()->AssignedValues(), 0);
}

// The readable published properties that the display controls, their settings objects and
// the look and feel declare (not those of the generic control and editor bases), as dotted
// paths; the look and feel also where a base publishes it.
bool OwnClass(const TClassInfo* ci)
{
    static const std::set<std::wstring> own{L"TcxButtonColors",
                                            L"TcxSpeedButtonOptions",
                                            L"TcxCustomButton",
                                            L"TcxPanelStyle",
                                            L"TcxGroupBox",
                                            L"TcxLabelLineOptions",
                                            L"TcxLabelProperties",
                                            L"TcxLabel",
                                            L"TcxProgressBarProperties",
                                            L"TcxCustomProgressBar",
                                            L"TcxLookAndFeel",
                                            L"TcxLookAndFeelController"};
    return own.count(ci->Name()) != 0;
}

void ReadablePaths(TPersistent& object, const std::wstring& prefix, std::set<std::wstring>& out)
{
    for (const TClassInfo* ci = PropertiesOf(object); ci; ci = ci->Parent())
        for (const TPropertyInfo& p : ci->Properties()) {
            if (p.object) {
                if (OwnClass(ci) || (prefix.empty() && p.name == L"LookAndFeel"))
                    if (TPersistent* inner = p.object(object))
                        ReadablePaths(*inner, prefix + p.name + L".", out);
            } else if (p.get && p.set && OwnClass(ci)) {
                out.insert(prefix + p.name);
            }
        }
}

std::wstring Upper(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

// Whether a value read back says what the stored one says: numbers by value, names without
// regard to case, texts and sets exactly.
// A stored picture as its size and pixels, whatever depth its file has.
std::vector<COLORREF> PicturePixels(const TValue& value)
{
    UniqueBitmap picture = ValueToBitmap(value);
    BITMAP info{};
    if (!picture || !GetObjectW(picture.get(), sizeof(info), &info))
        return {};
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    SelectGuard sel(dc.get(), picture.get());
    std::vector<COLORREF> pixels{static_cast<COLORREF>(info.bmWidth), static_cast<COLORREF>(info.bmHeight)};
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x)
            pixels.push_back(GetPixel(dc.get(), x, y));
    return pixels;
}

bool SameValue(const TValue& stored, const TValue& read)
{
    if (stored.kind == TValue::Kind::Binary && read.kind == TValue::Kind::Binary)
        return PicturePixels(stored) == PicturePixels(read);
    auto number = [](const TValue& v, double& out) {
        if (v.kind == TValue::Kind::Integer)
            out = static_cast<double>(v.integer);
        else if (v.kind == TValue::Kind::Float)
            out = v.number;
        else
            return false;
        return true;
    };
    double a = 0, b = 0;
    if (number(stored, a) && number(read, b))
        return a == b;
    if (stored.kind == TValue::Kind::Set && read.kind == TValue::Kind::Set) {
        std::set<std::wstring> x, y;
        for (const auto& n : stored.names)
            x.insert(Upper(n));
        for (const auto& n : read.names)
            y.insert(Upper(n));
        return x == y;
    }
    if (stored.kind == TValue::Kind::Ident || read.kind == TValue::Kind::Ident)
        return Upper(stored.ToText()) == Upper(read.ToText());
    return stored.ToText() == read.ToText();
}

// For each display-control class and the look-and-feel controller, a description that sets
// every readable published property (dotted paths into the properties object, the styles and
// their look and feels included) loads, and each value reads back as stored; the few that the
// class's own rules change read back as those rules say.
TEST_F(AllControlsTest, EveryReadablePropertyOfEachClassLoadsAndReadsBack)
{
    RegisterDisplayControlClasses();
    RegisterEditorClasses();
    struct Row {
        const wchar_t* className;
        std::wstring lines;
        // Values that read back otherwise than stored, by the class's own rules.
        std::vector<std::pair<std::wstring, std::wstring>> readBack;
    };
    // What every control of the table sets: its place and its own look and feel.
    const std::wstring picture =
        StoredBinary(BitmapFile(3, 2, [](int x, int y) { return RGB(30 + 60 * x, 90 * y, 120); }));
    const std::wstring control = LR"(Left = 12
    Top = 14
    Width = 160
    Height = 40
    Enabled = False
    LookAndFeel.Kind = lfOffice11
    LookAndFeel.NativeStyle = True
    LookAndFeel.SkinName = 'Lilian'
)";
    // Editors size themselves unless told not to.
    const std::wstring editor = L"AutoSize = False\n    " + control;
    Row rows[] = {
        {L"TcxLookAndFeelController",
         LR"(Kind = lfFlat
    NativeStyle = True
    SkinName = 'Lilian'
)",
         {}},
        {L"TcxProgressBar",
         editor + L"Properties.ForegroundImage = " + picture + L"\n    " + LR"(Position = 30.5
    Properties.AnimationPath = cxapPingPong
    Properties.AnimationSpeed = 25
    Properties.AnimationRestartDelay = 500
    Properties.BarBevelOuter = cxbvRaised
    Properties.BarStyle = cxbsAnimationLEDs
    Properties.BeginColor = clRed
    Properties.BorderWidth = 2
    Properties.EndColor = clBlue
    Properties.Min = 10
    Properties.Max = 90
    Properties.Orientation = cxorVertical
    Properties.OverloadBeginColor = clGreen
    Properties.OverloadEndColor = clNavy
    Properties.OverloadValue = 70
    Properties.PeakColor = clGray
    Properties.PeakSize = 3
    Properties.PeakValue = 40
    Properties.ShowOverload = True
    Properties.ShowPeak = True
    Properties.ShowText = False
    Properties.SolidTextColor = True
    Properties.Text = 'busy'
    Properties.TextOrientation = cxorVertical
    Properties.TransparentImage = False
    Properties.Marquee = True
    Properties.ShowTextStyle = cxtsPosition
)",
         // Speeds above 20 are 20; while marquee, the text style stays cxtsText.
         {{L"Properties.AnimationSpeed", L"20"}, {L"Properties.ShowTextStyle", L"cxtsText"}}},
        {L"TcxLabel",
         editor + L"Properties.Glyph = " + picture + L"\n    " + LR"(Caption = 'Label'
    Transparent = True
    FocusControl = nil
    Properties.Angle = 30
    Properties.Depth = 3
    Properties.LabelEffect = cxleExtrude
    Properties.LabelStyle = cxlsRaised
    Properties.LineOptions.Alignment = cxllaBottom
    Properties.LineOptions.InnerColor = clWhite
    Properties.LineOptions.OuterColor = clGray
    Properties.LineOptions.Visible = True
    Properties.Orientation = cxoLeftTop
    Properties.PenWidth = 2
    Properties.ShadowedColor = clNavy
    Properties.ShowAccelChar = False
    Properties.ShowEndEllipsis = True
    Properties.WordWrap = True
)",
         {}},
        {L"TcxGroupBox",
         editor + LR"(Caption = 'Group'
    Alignment = alRightCenter
    CaptionBkColor = clSilver
    Color = clSilver
    PanelStyle.Active = True
    PanelStyle.BorderWidth = 3
    PanelStyle.CaptionIndent = 1
    PanelStyle.OfficeBackgroundKind = pobkGradient
    PanelStyle.WordWrap = True
    ParentBackground = False
    RedrawOnResize = False
    Transparent = True
)",
         // An indent below 2 is 2.
         {{L"PanelStyle.CaptionIndent", L"2"}}},
        {L"TcxButton",
         control + L"Glyph = " + picture + L"\n    " + LR"(Caption = 'Go'
    Cancel = True
    Default = True
    Kind = cxbkDropDownButton
    Layout = blGlyphTop
    Margin = 3
    ModalResult = 1
    NumGlyphs = 2
    PaintStyle = bpsGlyph
    PopupAlignment = paCenter
    Spacing = -1
    UseSystemPaint = True
    WordWrap = True
    Colors.Default = clRed
    Colors.DefaultText = clWhite
    Colors.Disabled = clSilver
    Colors.DisabledText = clGray
    Colors.Hot = clYellow
    Colors.HotText = clNavy
    Colors.Normal = clBtnFace
    Colors.NormalText = clBtnText
    Colors.Pressed = clMaroon
    Colors.PressedText = clAqua
    DropDownMenu = nil
    PopupMenu = nil
    BiDiMode = bdRightToLeft
    GroupIndex = 2
    AllowAllUp = True
    CanBeFocused = False
    Down = True
    SpeedButtonOptions.GroupIndex = 2
    SpeedButtonOptions.AllowAllUp = True
    SpeedButtonOptions.CanBeFocused = False
    SpeedButtonOptions.Down = True
    SpeedButtonOptions.Flat = True
    SpeedButtonOptions.Transparent = True
)",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.className);
        std::wstring text = std::wstring(L"object Root: TForm\n  object Subject: ") + row.className +
                            L"\n    " + row.lines + L"  end\nend\n";
        TForm root(app.get());
        ASSERT_NO_THROW(root.LoadFromDescription(text));
        TComponent* subject = root.FindComponent(L"Subject");
        ASSERT_NE(subject, nullptr);
        TObjectDesc desc = ParseDescription(text);
        ASSERT_EQ(desc.children.size(), 1u);
        std::set<std::wstring> stored;
        for (const auto& [name, value] : desc.children[0].properties) {
            stored.insert(Upper(name));
            TValue read;
            try {
                read = GetPropertyByName(*subject, name);
            } catch (const std::exception&) {
                continue; // written only (pictures, events, references)
            }
            TValue expected = value;
            for (const auto& [path, text] : row.readBack)
                if (Upper(path) == Upper(name)) {
                    TObjectDesc one = ParseDescription(L"object A: B\n  V = " + text + L"\nend\n");
                    expected = one.properties[0].second;
                }
            EXPECT_TRUE(SameValue(expected, read))
                << ToUtf8(name) << " stored " << ToUtf8(value.ToText()) << " read " << ToUtf8(read.ToText());
        }
        std::set<std::wstring> readable;
        ReadablePaths(*subject, L"", readable);
        std::wstring missing;
        for (const std::wstring& path : readable)
            if (!stored.count(Upper(path)))
                missing += path + L" ";
        EXPECT_TRUE(missing.empty()) << "not set by the description: " << ToUtf8(missing);
    }
}

// A form whose description holds a popup menu with items and a drop-down button naming it;
// the items' click events are the form's published handlers.
class MenuForm : public TForm {
public:
    explicit MenuForm(TComponent* owner) : TForm(owner)
    {
        PublishMethod<TNotifyEvent>(L"ItemClick", [this](TObject* sender) {
            clicked.push_back(static_cast<TMenuItem*>(sender)->Caption());
        });
        PublishMethod<TcxButtonDropDownMenuPopupEvent>(
            L"BeforeMenu", [this](TObject*, TPopupMenu* menu, bool&) { asked = menu; });
    }
    std::vector<std::wstring> clicked;
    TPopupMenu* asked = nullptr;
};

TEST_F(AllControlsTest, ADropDownButtonAndItsMenuLoadFromADescription)
{
    RegisterDisplayControlClasses();
    MenuForm root(app.get());
    root.LoadFromDescription(LR"(object Root: TForm
  object Go: TcxButton
    Left = 10
    Top = 10
    Caption = 'Go'
    Kind = cxbkDropDownButton
    DropDownMenu = Choices
    PopupMenu = Choices
    UseSystemPaint = True
    CanBeFocused = False
    GroupIndex = 2
    AllowAllUp = True
    PopupAlignment = paCenter
    OnDropDownMenuPopup = BeforeMenu
  end
  object NoMenu: TcxButton
    Top = 50
    PopupMenu = Go
  end
  object Choices: TPopupMenu
    object One: TMenuItem
      Caption = 'One'
      OnClick = ItemClick
    end
    object Two: TMenuItem
      Caption = 'Two'
      Enabled = False
      OnClick = ItemClick
    end
  end
end
)");
    auto* button = Find<TcxButton>(&root, L"Go");
    auto* menu = dynamic_cast<TPopupMenu*>(root.FindComponent(L"Choices"));
    ASSERT_TRUE(button && menu);
    EXPECT_EQ(button->Kind(), cxbkDropDownButton);
    EXPECT_EQ(button->PopupAlignment(), paCenter);
    EXPECT_EQ(button->DropDownMenu(), menu) << "named before the menu was read, resolved at the end";
    EXPECT_EQ(button->PopupMenu(), menu);
    EXPECT_EQ(Find<TcxButton>(&root, L"NoMenu")->PopupMenu(), nullptr) << "a button is no menu: refused";
    EXPECT_TRUE(button->UseSystemPaint());
    EXPECT_FALSE(button->SpeedButtonOptions()->CanBeFocused());
    EXPECT_EQ(button->SpeedButtonOptions()->GroupIndex(), 2);
    EXPECT_TRUE(button->SpeedButtonOptions()->AllowAllUp());
    ASSERT_EQ(menu->Count(), 2);
    EXPECT_EQ(menu->Items(0)->Caption(), L"One");
    EXPECT_FALSE(menu->Items(1)->Enabled());
    menu->Items(1)->Click();
    EXPECT_EQ(root.clicked, std::vector<std::wstring>{L"Two"});
    ASSERT_TRUE(button->OnDropDownMenuPopup);
    bool handled = false;
    button->OnDropDownMenuPopup(button, menu, handled);
    EXPECT_EQ(root.asked, menu);
    // Freeing the menu clears the button's reference.
    delete menu;
    EXPECT_EQ(button->DropDownMenu(), nullptr);
    EXPECT_EQ(button->PopupMenu(), nullptr);
}

struct Look {
    const wchar_t* name;
    TcxLookAndFeelKind kind;
    bool native;
};
const Look kLooks[] = {
    {L"flat", lfFlat, false},         {L"standard", lfStandard, false}, {L"ultraflat", lfUltraFlat, false},
    {L"office11", lfOffice11, false}, {L"native", lfOffice11, true},
};

// The four controls in one of their styles (index 0 .. 7 runs through the bar styles and
// the label and group box looks) and a look and feel.
void Style(int index, const Look& look, TcxGroupBox* box, TcxProgressBar* bar, TcxLabel* label,
           TcxButton* button)
{
    for (TcxContainer* c : std::initializer_list<TcxContainer*>{box, bar, label}) {
        c->Style()->LookAndFeel()->SetKind(look.kind);
        c->Style()->LookAndFeel()->SetNativeStyle(look.native);
    }
    button->LookAndFeel()->SetKind(look.kind);
    button->LookAndFeel()->SetNativeStyle(look.native);
    bar->Properties()->SetBarStyle(static_cast<TcxProgressBarBarStyle>(index % 8));
    bar->Properties()->SetBeginColor(index % 8 >= cxbsAnimation ? RGB(40, 211, 0) : RGB(0, 0, 128));
    bar->Properties()->SetAnimationSpeed(0);
    bar->Properties()->SetShowPeak(index % 2 == 0);
    bar->Properties()->SetShowOverload(index % 3 == 0);
    bar->SetPosition(35 + 8 * index);
    label->Properties()->SetLabelEffect(static_cast<TcxLabelEffect>(index % 4));
    label->Properties()->SetDepth(index % 4 ? 3 : 0);
    label->Properties()->SetLabelStyle(static_cast<TcxLabelStyle>((index / 2) % 4));
    box->SetAlignment(static_cast<TcxCaptionAlignment>(index % 13));
    button->SetEnabled(index != 7);
    button->SetKind(static_cast<TcxButtonKind>(index % 3));
    // Every other style fills the label's letters with a picture.
    static const std::unique_ptr<TcxBitmap> stripes = [] {
        auto b = std::make_unique<TcxBitmap>(4, 4, 32);
        FillRectSolid(b->DC(), {0, 0, 2, 4}, RGB(200, 0, 0));
        FillRectSolid(b->DC(), {2, 0, 4, 4}, RGB(0, 0, 200));
        return b;
    }();
    label->Properties()->SetGlyph(index % 2 ? stripes->Handle() : nullptr);
}

// Items of a submenu: a freed item leaves its submenu, a freed submenu leaves its items
// free-standing, and no item can come to hold itself.
TEST_F(AllControlsTest, SubmenuItemsComeAndGo)
{
    TPopupMenu menu(form);
    auto* more = new TMenuItem(form);
    auto* inner = new TMenuItem(form);
    auto* deeper = new TMenuItem(form);
    menu.Add(more);
    more->Add(inner);
    inner->Add(deeper);
    EXPECT_TRUE(more->Holds(deeper));
    inner->Add(more);
    EXPECT_EQ(inner->Count(), 1) << "an item cannot hold the item that holds it";
    EXPECT_EQ(more->Parent(), nullptr);
    more->Add(more);
    EXPECT_EQ(more->Count(), 1);
    // Moving an item into the menu takes it out of its submenu.
    menu.Add(deeper);
    EXPECT_EQ(inner->Count(), 0);
    EXPECT_EQ(deeper->Parent(), nullptr);
    EXPECT_EQ(menu.Count(), 2);
    inner->Add(deeper);
    EXPECT_EQ(menu.Count(), 1);
    delete deeper;
    EXPECT_EQ(inner->Count(), 0);
    auto* last = new TMenuItem(form);
    inner->Add(last);
    delete more;
    EXPECT_EQ(menu.Count(), 0);
    EXPECT_EQ(inner->Parent(), nullptr);
    EXPECT_EQ(last->Parent(), inner);
}

// Every control in every style and look: pictures for a person, and no GDI object left behind
// over 10,000 repaints.
TEST_F(AllControlsTest, EveryControlInEveryStyleAndLookPaintsWithoutLeakingGdiObjects)
{
    form->SetColor(RGB(236, 233, 216));
    // The main window's font, so that the Chinese captions show as a user sees them.
    form->Font()->SetName(L"宋体");
    form->Font()->SetHeight(-15);
    auto* box = Make<TcxGroupBox>(5, 5, 300, 150);
    box->SetCaption(L"后缀 Suffix");
    auto* bar = new TcxProgressBar(form);
    bar->SetParent(box);
    bar->SetAutoSize(false);
    bar->SetBounds(10, 30, 200, 22);
    auto* label = new TcxLabel(form);
    label->SetParent(box);
    label->SetBounds(10, 60, 10, 10);
    label->SetCaption(L"原后缀 Label");
    label->Properties()->SetShadowedColor(RGB(120, 120, 160));
    auto* button = new TcxButton(form);
    button->SetParent(box);
    button->SetBounds(10, 100, 100, 28);
    button->SetCaption(L"开始修改");
    app->ProcessMessages();

    const int styles = 8, looks = 5;
    PixelCanvas sheet(looks * 304, styles * 154, RGB(255, 255, 255));
    PixelCanvas one(300, 150);
    auto paintAll = [&](HDC into) {
        // The box paints itself, then each child over it at its place.
        box->PaintTo(one.dc());
        // Each child into a picture of its own (a native button clips its painting to the
        // device's origin), then onto the box's at its place.
        for (TWinControl* c : std::initializer_list<TWinControl*>{bar, label, button}) {
            PixelCanvas child(c->Width(), c->Height());
            SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(child.dc()), PRF_CLIENT);
            BitBlt(one.dc(), c->Left(), c->Top(), c->Width(), c->Height(), child.dc(), 0, 0, SRCCOPY);
        }
        if (into)
            BitBlt(into, 0, 0, 300, 150, one.dc(), 0, 0, SRCCOPY);
    };
    for (int l = 0; l < looks; ++l)
        for (int s = 0; s < styles; ++s) {
            Style(s, kLooks[l], box, bar, label, button);
            app->ProcessMessages();
            SetWindowOrgEx(sheet.dc(), -l * 304, -s * 154, nullptr);
            paintAll(sheet.dc());
            SetWindowOrgEx(sheet.dc(), 0, 0, nullptr);
        }
    ASSERT_TRUE(sheet.SaveBmp((ArtifactFolder() / L"controls-every-style.bmp").c_str()));

    // After the warm-up above, 10,000 repaints over every style and look.
    int baseline = CountGdiObjects();
    const int perStyle = 10000 / (looks * styles * 4) + 1;
    for (int l = 0; l < looks; ++l)
        for (int s = 0; s < styles; ++s) {
            Style(s, kLooks[l], box, bar, label, button);
            for (int i = 0; i < perStyle; ++i)
                paintAll(nullptr);
        }
    app->ProcessMessages();
    EXPECT_LE(CountGdiObjects(), baseline + 5) << "GDI objects after 10,000 repaints";
}

} // namespace
