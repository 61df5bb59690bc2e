// The editor core: editors are containers with a properties object, an edit value, an
// editor style with button settings, automatic height, and edit buttons.
#pragma once

#include "editors/cxContainer.h"
#include "editors/cxEditButtons.h"
#include "editors/cxHintWindow.h"
#include "runtime/rtMenus.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <vector>

class TcxCustomEdit;

// Paint events of an editor. A handler that sets AHandled has drawn that part itself.
using TcxEditBeforePaintEvent = std::function<void(TcxCustomEdit* Sender, TcxCanvas& ACanvas)>;
using TcxEditCustomDrawEvent = std::function<void(TcxCustomEdit* Sender, TcxCanvas& ACanvas, bool& AHandled)>;
using TcxEditCustomButtonEvent = std::function<void(TcxCustomEdit* Sender, TcxCanvas& ACanvas,
                                                    const TcxEditButtonViewInfo& AButton, bool& AHandled)>;
// The border handler gives the later steps their content rectangle and colours in AFace.
using TcxEditCustomButtonBorderEvent =
    std::function<void(TcxCustomEdit* Sender, TcxCanvas& ACanvas, const TcxEditButtonViewInfo& AButton,
                       TcxEditButtonFace& AFace, bool& AHandled)>;
using TcxEditCustomButtonBackgroundEvent =
    std::function<void(TcxCustomEdit* Sender, TcxCanvas& ACanvas, const TcxEditButtonViewInfo& AButton,
                       const TcxEditButtonFace& AFace, bool& AHandled)>;

// A value of an editor: nothing yet, null (a cleared editor), or a text. Two values are
// equal only when kind and text are.
struct TcxEditValue {
    enum class Kind { Unassigned, Null, Text };
    Kind kind = Kind::Unassigned;
    std::wstring text;
    static TcxEditValue Null() { return {Kind::Null, {}}; }
    static TcxEditValue Of(std::wstring t) { return {Kind::Text, std::move(t)}; }
    bool operator==(const TcxEditValue& o) const { return kind == o.kind && text == o.text; }
    bool operator!=(const TcxEditValue& o) const { return !(*this == o); }
};

using TcxEditValidateEvent =
    std::function<void(TObject* Sender, std::wstring& DisplayValue, std::wstring& ErrorText, bool& Error)>;
using TcxEditEditingEvent = std::function<void(TObject* Sender, bool& CanEdit)>;

// The default error text of a failed validation.
extern const wchar_t* const cxSEditValidateErrorText;

// Content alignment of an editor. The value names are the ones stored descriptions use; they
// live in their own scope because the label keeps a set of the same names for its text.
namespace cxedit {
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TcxEditVertAlignment { taTopJustify, taBottomJustify, taVCenter };

// Where an editor puts its content, loadable as "Alignment.Horz" and "Alignment.Vert". The
// horizontal part counts as given only once it is set; until then the editor's default
// (left) applies.
class TcxEditAlignment : public TPersistent {
public:
    TcxEditAlignment() = default;
    const wchar_t* ClassName() const override { return L"TcxEditAlignment"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TAlignment Horz() const noexcept { return m_horz; }
    void SetHorz(TAlignment v);
    bool IsHorzAssigned() const noexcept { return m_horzAssigned; }
    TcxEditVertAlignment Vert() const noexcept { return m_vert; }
    void SetVert(TcxEditVertAlignment v);
    bool operator==(const TcxEditAlignment& o) const
    {
        return m_horz == o.m_horz && m_vert == o.m_vert && m_horzAssigned == o.m_horzAssigned;
    }

    std::function<void()> OnChanged;

private:
    void Changed()
    {
        if (OnChanged)
            OnChanged();
    }
    TAlignment m_horz = TAlignment::taLeftJustify;
    bool m_horzAssigned = false;
    TcxEditVertAlignment m_vert = TcxEditVertAlignment::taTopJustify;
};
} // namespace cxedit

// One button embedded in an editor.
class TcxEditButton : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TcxEditButton"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    const std::wstring& Caption() const noexcept { return m_caption; }
    void SetCaption(const std::wstring& v) { Set(m_caption, v); }
    bool Default() const noexcept { return m_default; }
    void SetDefault(bool v);
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool v) { Set(m_enabled, v); }
    TcxEditButtonKind Kind() const noexcept { return m_kind; }
    void SetKind(TcxEditButtonKind v) { Set(m_kind, v); }
    bool LeftAlignment() const noexcept { return m_leftAlignment; }
    void SetLeftAlignment(bool v) { Set(m_leftAlignment, v); }
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool v) { Set(m_visible, v); }
    int Width() const noexcept { return m_width; }
    // Ignored while the stored width is negative (a frozen width).
    void SetWidth(int v)
    {
        if (m_width >= 0)
            Set(m_width, v);
    }
    // Of a text caption: 0 left, 1 right, 2 centred.
    int ContentAlignment() const noexcept { return m_contentAlignment; }
    void SetContentAlignment(int v) { Set(m_contentAlignment, v); }
    const std::wstring& Hint() const noexcept { return m_hint; }
    void SetHint(const std::wstring& v) { Set(m_hint, v); }
    bool Stretchable() const noexcept { return m_stretchable; }
    void SetStretchable(bool v) { Set(m_stretchable, v); }
    int Tag() const noexcept { return m_tag; }
    void SetTag(int v) { Set(m_tag, v); }
    // The colour of a text button's caption (not stored; clDefault: the editor's text colour).
    TColor TextColor() const noexcept { return m_textColor; }
    void SetTextColor(TColor v) { Set(m_textColor, v); }
    // The picture of a glyph button, created on first use. Whoever draws into it calls
    // GlyphChanged; SetGlyph copies a bitmap the caller keeps.
    TcxBitmap* Glyph();
    const TcxBitmap* GlyphIfAny() const noexcept { return m_glyph.get(); }
    bool HasGlyph() const noexcept { return m_glyph && !m_glyph->Empty(); }
    void SetGlyph(HBITMAP bitmap);
    void GlyphChanged();

    std::function<void(TcxEditButton*)> OnChanged;
    class TcxEditButtons* Collection = nullptr;

private:
    template <typename T> void Set(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        if (OnChanged)
            OnChanged(this);
    }
    std::wstring m_caption;
    bool m_default = false;
    bool m_enabled = true;
    TcxEditButtonKind m_kind = bkDown;
    bool m_leftAlignment = false;
    bool m_visible = true;
    int m_width = 0;
    int m_contentAlignment = 2;
    std::wstring m_hint;
    bool m_stretchable = true;
    int m_tag = 0;
    TColor m_textColor = clBtnText;
    std::unique_ptr<TcxBitmap> m_glyph;
};

class TcxEditButtons : public TPersistent, public TStoredCollection {
public:
    const wchar_t* ClassName() const override { return L"TcxEditButtons"; }
    void Assign(const TPersistent* source) override;
    int Count() const noexcept { return static_cast<int>(m_items.size()); }
    TcxEditButton* Items(int i) const { return m_items.at(static_cast<size_t>(i)).get(); }
    TcxEditButton* Add();
    void Delete(int index);
    void Clear() override;
    TPersistent* AddStoredItem() override { return Add(); }
    int IndexOf(const TcxEditButton* button) const;
    // Keeps at most one default button: the one just made default.
    void DefaultChanged(TcxEditButton* button);

    TNotifyEvent OnChanged;

private:
    void Changed();
    std::vector<std::unique_ptr<TcxEditButton>> m_items;
};

enum TcxEditPopupBorderStyle { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
// How the buttons take their room: as laid out, filling the whole editor, or each as wide as
// its content asks (its own Width ignored).
enum TcxEditButtonsViewStyle { bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth };

using TcxEditButtonClickEvent = std::function<void(TObject* Sender, int AButtonIndex)>;
// Asked for the width of a button whose Width is 0 (AButtonIndex: in the collection); a
// width left at 0 keeps the automatic one.
using TcxGetEditButtonWidthEvent = std::function<void(TObject* Sender, int AButtonIndex, int& AWidth)>;

// What an editor shows, as its last calculation left it: the container's geometry and
// colours, its buttons and their states, and the frame its drop-down lists take.
struct TcxCustomEditViewInfo : TcxContainerViewInfo {
    // The visible buttons, in collection order.
    std::vector<TcxEditButtonViewInfo> ButtonViewInfos;
    // Positions in ButtonViewInfos (-1: none), now and before the last calculation.
    int PressedButton = -1;
    int HotButton = -1;
    int PreviousPressedButton = -1;
    int PreviousHotButton = -1;
    // Some button is pressed by the mouse.
    bool reallyPressed = false;
    // Where the inner edit goes: the client rectangle less what the editor kind keeps around it.
    RECT innerEditRect{};
    // The frame of the editor's drop-down lists.
    TcxEditPopupBorderStyle popupBorderStyle = epbsDefault;

    // The position in ButtonViewInfos of the button under p; -1 when p is elsewhere inside
    // the border rectangle, -2 outside it.
    int ButtonIndexAt(POINT p) const;
    // The hint of the button under p and that button's rectangle; false when p is on no
    // button or the button has no hint.
    bool ButtonHintAt(POINT p, std::wstring& hint, RECT& area) const;
};

// Which of the range and read-only settings were set explicitly.
// Which settings of a properties object were set; the text editors add their formats and length.
enum TcxEditPropertiesValue : unsigned {
    epvReadOnly = 1,
    epvMinValue = 2,
    epvMaxValue = 4,
    epvDisplayFormat = 8,
    epvEditFormat = 16,
    epvMaxLength = 32,
};

// Settings of an editor; the editor listens to their changes. Changes made between
// LockUpdate and UnlockUpdate reach the editor once, at the end.
class TcxCustomEditProperties : public TPersistent {
public:
    explicit TcxCustomEditProperties(TcxCustomEdit* owner) : m_owner(owner)
    {
        m_alignment.OnChanged = [this] { MarkChanged(); };
        m_buttons.OnChanged = [this](TObject*) { MarkChanged(); };
    }
    ~TcxCustomEditProperties() override;
    const wchar_t* ClassName() const override { return L"TcxCustomEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    bool ReadOnly() const noexcept { return (m_assignedValues & epvReadOnly) && m_readOnly; }
    void SetReadOnly(bool v);
    double MinValue() const noexcept { return (m_assignedValues & epvMinValue) ? m_minValue : 0; }
    void SetMinValue(double v);
    double MaxValue() const noexcept { return (m_assignedValues & epvMaxValue) ? m_maxValue : 0; }
    void SetMaxValue(double v);
    unsigned AssignedValues() const noexcept { return m_assignedValues; }
    void SetAssignedValues(unsigned v);
    bool AutoSelect() const noexcept { return m_autoSelect; }
    void SetAutoSelect(bool v) { SetValue(m_autoSelect, v); }
    bool BeepOnError() const noexcept { return m_beepOnError; }
    void SetBeepOnError(bool v) { SetValue(m_beepOnError, v); }
    unsigned ClearKey() const noexcept { return m_clearKey; }
    void SetClearKey(unsigned v) { SetValue(m_clearKey, v); }
    // Clicks the default button (Ctrl+Enter unless changed; 0: none).
    unsigned ClickKey() const noexcept { return m_clickKey; }
    void SetClickKey(unsigned v) { SetValue(m_clickKey, v); }
    bool ValidateOnEnter() const noexcept { return m_validateOnEnter; }
    void SetValidateOnEnter(bool v) { SetValue(m_validateOnEnter, v); }
    bool UseLeftAlignmentOnEditing() const noexcept { return m_useLeftAlignmentOnEditing; }
    void SetUseLeftAlignmentOnEditing(bool v) { SetValue(m_useLeftAlignmentOnEditing, v); }
    bool ImmediatePost() const noexcept { return m_immediatePost; }
    void SetImmediatePost(bool v) { SetValue(m_immediatePost, v); }
    // Makes the editors that use these properties transparent (not published: kinds that show
    // their parent set it).
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool v) { SetValue(m_transparent, v); }
    // Whether the editor takes turns of the mouse wheel (editors that step through values);
    // when it does not, they go to the parent.
    bool UseMouseWheel() const noexcept { return m_useMouseWheel; }
    void SetUseMouseWheel(bool v) { SetValue(m_useMouseWheel, v); }
    // The content alignment; a horizontal part never set reads as left-justified.
    cxedit::TcxEditAlignment* Alignment() noexcept { return &m_alignment; }
    const cxedit::TcxEditAlignment& AlignmentValue() const noexcept { return m_alignment; }
    void SetAlignment(const cxedit::TcxEditAlignment& v) { m_alignment.Assign(&v); }

    // The buttons every editor shows inside its frame (none unless a kind or a program adds
    // them); a change of the collection or of a button reaches the editor like any other.
    TcxEditButtons* Buttons() noexcept { return &m_buttons; }
    const TcxEditButtons* Buttons() const noexcept { return &m_buttons; }
    // How the buttons take their room (kinds with a view style of their own answer it).
    virtual TcxEditButtonsViewStyle ButtonsViewStyle() const { return bvsNormal; }
    // A calculation object for one view-info calculation of an editor in this style;
    // freed by the caller when the calculation is done.
    virtual std::unique_ptr<class TcxCustomEditViewData> CreateViewData(class TcxEditStyle* style,
                                                                        bool isEmbedded, bool isForMeasuring);

    // What the editor kind answers.
    virtual bool CanValidate() const { return false; }
    virtual bool SeparateValueChangedEvent() const { return false; }
    virtual bool CompareEditValues() const { return false; }
    virtual bool RememberValueOnEnter() const { return false; }
    // Checks a display value; handlers may change it or report an error.
    void ValidateDisplayValue(std::wstring& displayValue, std::wstring& errorText, bool& error,
                              TcxCustomEdit* editor);

    void LockUpdate();
    void UnlockUpdate(bool deliver = true);
    void BeginUpdate() { LockUpdate(); }
    void EndUpdate() { UnlockUpdate(true); }
    // Delivers the change now, or once the update lock is released.
    void MarkChanged();
    TcxCustomEdit* Owner() const noexcept { return m_owner; }
    // Where the changes of properties that belong to no editor (a repository item's) go.
    std::function<void()> OnPropertiesChanged;

    TNotifyEvent OnChange;
    TNotifyEvent OnEditValueChanged;
    TcxEditValidateEvent OnValidate;
    // A button was clicked (AButtonIndex: its index in Buttons).
    TcxEditButtonClickEvent OnButtonClick;

protected:
    // The assigned flags this kind of properties has; others are dropped.
    virtual unsigned AssignableValues() const noexcept { return epvReadOnly | epvMinValue | epvMaxValue; }
    // Sets or clears one flag without a change notice: the caller reports the change.
    void SetAssigned(unsigned flag, bool on) noexcept
    {
        m_assignedValues = on ? m_assignedValues | flag : m_assignedValues & ~flag;
    }
    void Changed() { MarkChanged(); }
    template <typename T> void SetValue(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        MarkChanged();
    }

private:
    TcxCustomEdit* m_owner;
    bool m_readOnly = false;
    double m_minValue = 0, m_maxValue = 0;
    unsigned m_assignedValues = 0;
    bool m_autoSelect = true;
    bool m_beepOnError = false;
    unsigned m_clearKey = 0;
    unsigned m_clickKey = VK_RETURN | scCtrl;
    bool m_validateOnEnter = true;
    bool m_useLeftAlignmentOnEditing = true;
    bool m_immediatePost = false;
    bool m_transparent = false;
    bool m_useMouseWheel = true;
    cxedit::TcxEditAlignment m_alignment;
    TcxEditButtons m_buttons;
    int m_updateCount = 0;
    bool m_changed = false;
    int m_changing = 0;
};

// Indexes of the editor style's own values, after the container's ten.
enum TcxEditStyleValueIndex {
    esvButtonStyle = 10,
    esvButtonTransparency,
    esvPopupBorderStyle,
    esvGradientButtons,
    esvGradient,
    esvGradientDirection
};

class TcxEditStyle : public TcxContainerStyle {
public:
    using TcxContainerStyle::TcxContainerStyle;
    const wchar_t* ClassName() const override { return L"TcxEditStyle"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    // The button values come with the container's values.
    void Assign(const TPersistent* source) override;

    // The button style of this state: assigned here, else the normal style's, else btsDefault.
    TcxEditButtonStyle ButtonStyle() const;
    void SetButtonStyle(TcxEditButtonStyle v);
    bool IsButtonStyleAssigned() const noexcept { return m_buttonStyleAssigned; }
    // Per owner (kept in the normal style), like the edges.
    TcxEditButtonTransparency ButtonTransparency() const;
    void SetButtonTransparency(TcxEditButtonTransparency v);
    bool GradientButtons() const;
    void SetGradientButtons(bool v);
    // Per owner: the frame of a drop-down list, and a gradient background with its direction
    // (1 to 4; other values become the nearest).
    TcxEditPopupBorderStyle PopupBorderStyle() const;
    void SetPopupBorderStyle(TcxEditPopupBorderStyle v);
    bool Gradient() const;
    void SetGradient(bool v);
    int GradientDirection() const;
    void SetGradientDirection(int v);

    // Six more values: ButtonStyle (10), ButtonTransparency, PopupBorderStyle,
    // GradientButtons, Gradient, GradientDirection (15).
    int ValueCount() const override { return 16; }
    std::wstring ValueName(int index) const override;
    unsigned NotPublishedValues() const override;
    bool IsValueAssigned(int index) const override;

private:
    // The editor style of the controller chain that assigns the value, or nullptr.
    const TcxEditStyle* ButtonStyleSource(int depth = 0) const;
    // The same for a value kept once per owner: this style or the normal style of a
    // controller down the chain, whichever assigns it first.
    const TcxEditStyle* OwnerValueSource(bool TcxEditStyle::*assigned, int depth = 0) const;
    const TcxEditStyle* RootEdit() const;
    TcxEditStyle* RootEdit();
    TcxEditButtonStyle m_buttonStyle = btsDefault;
    bool m_buttonStyleAssigned = false;
    TcxEditButtonTransparency m_buttonTransparency = ebtNone;
    bool m_buttonTransparencyAssigned = false;
    bool m_gradientButtons = false;
    bool m_gradientButtonsAssigned = false;
    TcxEditPopupBorderStyle m_popupBorderStyle = epbsDefault;
    bool m_popupBorderStyleAssigned = false;
    bool m_gradient = false;
    bool m_gradientAssigned = false;
    int m_gradientDirection = 4;
    bool m_gradientDirectionAssigned = false;
};

// A style controller whose styles are editor styles; the default controller is one.
class TcxEditStyleController : public TcxStyleController {
public:
    explicit TcxEditStyleController(TComponent* owner, bool isDefault = false);
    const wchar_t* ClassName() const override { return L"TcxEditStyleController"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxEditStyle* Style() noexcept { return static_cast<TcxEditStyle*>(StateStyle(csNormal)); }
    TcxEditStyle* StyleDisabled() noexcept { return static_cast<TcxEditStyle*>(StateStyle(csDisabled)); }
    TcxEditStyle* StyleFocused() noexcept { return static_cast<TcxEditStyle*>(StateStyle(csFocused)); }
    TcxEditStyle* StyleHot() noexcept { return static_cast<TcxEditStyle*>(StateStyle(csHot)); }
};

// One calculation of an editor's view: made by the properties for the editor's current style,
// it fills the editor's view info (state, frame, colours, buttons, client and inner edit
// rectangles) and is freed afterwards. A measuring calculation has no editor.
class TcxCustomEditViewData {
public:
    TcxCustomEditViewData(TcxCustomEditProperties* properties, TcxEditStyle* style, bool isEmbedded,
                          bool isForMeasuring);
    virtual ~TcxCustomEditViewData() = default;
    TcxCustomEditViewData(const TcxCustomEditViewData&) = delete;
    TcxCustomEditViewData& operator=(const TcxCustomEditViewData&) = delete;

    // The whole view at p (client coordinates; hotAllowed: no key or button held, or the
    // editor holds the mouse) into vi, which must be the editor's own.
    virtual void CalculateViewInfo(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi);
    // The buttons inside vi's border rectangle, their states at p, and the client rectangle
    // they leave.
    virtual void CalculateButtons(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi);
    // The style buttons are drawn in: the assigned one, else the one that goes with the
    // border style (or, embedded or without border and hot tracking, with the look-and-feel
    // kind).
    TcxEditButtonStyle EffectiveButtonStyle() const;
    // The width a button takes: its Width (or the default-width answer), at least the
    // margin; else what its content needs.
    int ButtonWidth(const TcxEditButton& button);
    // The height the visible buttons' content needs inside the frame; 0 without buttons.
    int ButtonsContentHeight();
    // The frame of the editor's drop-down lists, for vi as calculated.
    TcxEditPopupBorderStyle CalculatePopupBorderStyle(const TcxCustomEditViewInfo& vi) const;

    TcxCustomEditProperties* Properties;
    TcxEditStyle* Style;
    TcxCustomEdit* Editor = nullptr; // nullptr for a measuring calculation
    bool IsEmbedded;
    bool IsForMeasuring;
    bool Enabled = true;
    bool Focused = false;
    bool Designing = false;
    bool HasFocusOrHot = false;
    bool NativeTheme = false;
    bool ButtonsOnly = false;
    int VisibleButtonCount = 0;
    // Positions in the view info's buttons of the outer buttons of each side (-1: none).
    int LeftSideLeftmost = -1, LeftSideRightmost = -1, RightSideLeftmost = -1, RightSideRightmost = -1;
    // The position of the button the mouse went down on while it is held (-1: none). The
    // button itself, where given, decides: its position is found again in the buttons shown
    // now, so that hiding or showing others does not move the press to another button.
    int CapturedButton = -1;
    const TcxEditButton* CapturedItem = nullptr;
    // The editor holds the mouse capture.
    bool HoldsMouse = false;
    // The font text captions are measured in (nullptr: the style's effective font).
    HFONT CaptionFont = nullptr;

    // Asked for the width of a button whose Width is 0 (index in the collection; a width left
    // at 0 keeps the automatic one).
    std::function<void(TcxCustomEditViewData* Sender, int AButtonIndex, int& AWidth)> OnGetDefaultButtonWidth;
    // May change a button's computed state and its caption's colour (index in the collection).
    std::function<void(TcxCustomEditViewData* Sender, int AButtonIndex, TcxEditButtonState& AState)>
        OnGetButtonState;
    std::function<void(TcxCustomEditViewData* Sender, int AButtonIndex, TColor& AColor)> OnGetButtonTextColor;

private:
    HFONT MeasureFont();
    // Made only when a text caption is measured without an editor.
    std::unique_ptr<TFont> m_ownFont;
};

class TcxCustomEdit : public TcxContainer {
public:
    explicit TcxCustomEdit(TComponent* owner);
    ~TcxCustomEdit() override;
    const wchar_t* ClassName() const override { return L"TcxCustomEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxCustomEditProperties* Properties() noexcept { return m_properties.get(); }
    // Copies the given settings into the editor's own properties.
    void SetProperties(const TcxCustomEditProperties* v) { m_properties->Assign(v); }
    // The settings in use: the repository item's when one is set, else the editor's own.
    TcxCustomEditProperties* ActiveProperties() noexcept;
    // A repository item whose properties the editor uses instead of its own; its events run
    // after the editor's own. Refused (EInvalidOperation) when its properties are of a kind
    // this editor cannot use. nullptr returns to the own properties, as does freeing it.
    class TcxEditRepositoryItem* RepositoryItem() const noexcept { return m_repositoryItem; }
    void SetRepositoryItem(TcxEditRepositoryItem* item);
    // A stored description names the item; it is found once everything is read.
    void SetRepositoryItemName(const std::wstring& name) { m_pendingRepositoryItem = name; }
    TcxEditStyle* EditStyle() noexcept { return static_cast<TcxEditStyle*>(Style()); }
    bool AutoSize() const noexcept { return m_autoSize; }
    void SetAutoSize(bool v);
    // The height an auto-sized editor takes for its content and frame.
    virtual int AutoHeight();
    void SetBounds(int left, int top, int width, int height) override;
    // Whether the width follows the content too (labels); text editors keep theirs.
    virtual bool AutoWidth() const { return false; }
    // The points an automatic size change keeps in place: for a centred alignment the
    // midpoint (rounded up), for a right or bottom alignment the far edge; kNoAnchor for a
    // left or top alignment, where the position stays as it is anyway.
    static constexpr int kNoAnchor = INT_MAX;
    int AnchorX() const noexcept { return m_anchorX; }
    void SetAnchorX(int v) { m_anchorX = v; }
    int AnchorY() const noexcept { return m_anchorY; }
    void SetAnchorY(int v) { m_anchorY = v; }
    // What a stored description of the editor holds: the height only when it is not
    // automatic, the width only when it is not, the anchors only in a direction that sizes
    // itself and has one.
    bool IsHeightStored() const noexcept { return !m_autoSize; }
    bool IsWidthStored() const noexcept { return !(m_autoSize && AutoWidth()); }
    bool IsAnchorXStored() const noexcept { return m_autoSize && AutoWidth() && m_anchorX != kNoAnchor; }
    bool IsAnchorYStored() const noexcept { return m_autoSize && m_anchorY != kNoAnchor; }

    // The value being edited. Setting it by code stores it, shows it and raises
    // OnEditValueChanged when it differs; it never marks the editor modified.
    const TcxEditValue& EditValue() const noexcept { return m_editValue; }
    void SetEditValue(const TcxEditValue& value);
    // Checks the shown value (OnValidate) and takes it as the edit value; on failure with
    // raiseOnError the editor keeps the focus, its text is selected and
    // EcxEditValidationError is raised.
    bool ValidateEdit(bool raiseOnError);
    void PostEditValue(bool validateFirst);
    // Holds OnChange and OnEditValueChanged back; the outermost unlock delivers each once
    // (fire) or drops them.
    void LockChangeEvents(bool lock, bool fire = true);
    bool ChangeEventsLocked() const noexcept { return m_changeEventsLock > 0; }
    bool ModifiedAfterEnter() const noexcept { return m_modifiedAfterEnter; }
    bool EditModified() const noexcept { return m_editModified; }
    bool Validated() const noexcept { return m_validated; }
    bool IsValidating() const noexcept { return m_isValidating; }
    // Whether the user may change the content (not read-only).
    virtual bool CanModify();
    // CanModify, and OnEditing does not refuse.
    bool DoEditing();
    bool ReadOnly() { return ActiveProperties() && ActiveProperties()->ReadOnly(); }
    // The editor's background shows what lies behind it (its frame is still drawn).
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool v);
    bool IsTransparent() const override { return m_transparent; }
    bool ShowsWhatLiesBehind() const override { return m_transparent; }
    // Repaints after Transparent changed; a kind that keeps a picture of itself drops it.
    virtual void TransparentChanged();
    // The events of the editor's properties, as a description sets them
    // ("PropertiesEvents.OnChange" is "Properties.OnChange").
    TPersistent* PropertiesEvents() noexcept;
    // An editor stores none of its style's own values unless its kind uses them.
    unsigned NotPublishedStyleValues() const override
    {
        unsigned mask = 0;
        for (int i = esvButtonStyle; i <= esvGradientDirection; ++i)
            mask |= 1u << i;
        return mask;
    }

    TNotifyEvent OnChange;
    TNotifyEvent OnEditValueChanged;
    TcxEditEditingEvent OnEditing;
    // A double click that is not taken as a press of one of the editor's buttons.
    TNotifyEvent OnDblClick;
    // Whether the editor handles the key itself now, so that the form must leave it: Enter
    // that validates, Escape that restores a changed value, the click key of a default edit
    // button, Tab that the editor reports before it moves the focus.
    bool ClaimsDialogKey(WPARAM key);
    // A double click on the hosted edit box (the text) is the editor's double click too.
    void ChildMouseMessage(UINT msg, WPARAM keyFlags, POINT p) override;
    // Raised first in every paint; then the frame and background are drawn unless
    // OnCustomBackground draws them.
    TcxEditBeforePaintEvent OnBeforePaint;
    TcxEditCustomDrawEvent OnCustomBackground;
    // Called by the properties object after a change.
    void PropertiesChangedFromProperties();

    // The view as the last update calculated it, buttons included.
    const TcxCustomEditViewInfo& EditViewInfo() const noexcept
    {
        return static_cast<const TcxCustomEditViewInfo&>(m_viewInfo);
    }
    // The visible buttons, in collection order.
    // The buttons shown are parts a screen reader can find and press, numbered from 1 in the
    // order of ShownButtons.
    bool DescribeAccessible(TAccessibleDescription& d) override;
    void DoAccessibleAction(int part) override;
    // The view indexes of the buttons that are shown.
    std::vector<int> ShownButtons() const;
    const std::vector<TcxEditButtonViewInfo>& ButtonViewInfos() const noexcept
    {
        return EditViewInfo().ButtonViewInfos;
    }
    int PressedButton() const noexcept { return EditViewInfo().PressedButton; }
    int HotButton() const noexcept { return EditViewInfo().HotButton; }
    // The position in ButtonViewInfos of the button under p (client coordinates); -1 when p
    // is elsewhere inside the border rectangle, -2 outside it.
    int ButtonAt(POINT p) const { return EditViewInfo().ButtonIndexAt(p); }
    bool ButtonHintAt(POINT p, std::wstring& hint, RECT& area) const
    {
        return EditViewInfo().ButtonHintAt(p, hint, area);
    }
    // Raises OnButtonClick of the own properties, then of the repository item's, for the
    // button at that position of ButtonViewInfos, with its index in the collection.
    void DoButtonClick(int viewIndex);
    // The first visible button that is the default one (position in ButtonViewInfos), or -1.
    int DefaultButtonIndex() const;
    // Stand-alone editors on a form; an editor inside another control's cell would be embedded.
    bool IsEmbedded() const noexcept { return false; }
    // A button's hint shows once the cursor has rested over the button this long, and goes
    // after the second time (or when the cursor leaves the button or a mouse button is pressed).
    static constexpr unsigned kHintPause = 500;
    static constexpr unsigned kHintHidePause = 2500;
    void HoverEnded() override;

    TcxGetEditButtonWidthEvent OnGetDefaultButtonWidth;
    TcxEditCustomButtonEvent OnCustomButton;
    TcxEditCustomButtonBorderEvent OnCustomButtonBorder;
    TcxEditCustomButtonBackgroundEvent OnCustomButtonBackground;

protected:
    friend class TcxCustomEditViewData;
    // The container's part of the view (state, frame, colours) into the view info.
    void CalculateContainerViewInfo(POINT p, bool hotAllowed)
    {
        TcxContainer::ComputeViewInfo(p, hotAllowed);
    }
    // Connects a view data object to this editor (its state, the captured button, the hooks).
    virtual void PrepareViewData(TcxCustomEditViewData& data);
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void AfterMouseUpdate() override;
    void InvalidateAfterUpdate() override;
    void PaintContent(HDC dc) override;
    void MouseDown(int button, POINT p) override;
    void MouseUp(int button, POINT p) override;
    void MouseMove(POINT p) override;
    void MouseLeave() override;
    // The click key with a default button shown: the button is clicked and the key's
    // character does not reach the text; true consumes the key.
    bool ClickKeyDown(WPARAM key);
    // Hooks of a button going down and coming up (the click follows the up).
    virtual void DoButtonDown(int viewIndex) {}
    virtual void DoButtonUp(int viewIndex) {}
    // Hooks for kinds built on an editor: a button's state as computed, and its caption
    // colour (the button's own TextColor), may be changed here (index in the collection).
    virtual TcxEditButtonState ButtonState(int index, TcxEditButtonState computed) { return computed; }
    virtual TColor ButtonTextColor(int index, TColor own) { return own; }
    // The font of text buttons: the current style's effective font (its text style included).
    HFONT CaptionFont();

    void InitEdit(TcxCustomEditProperties* properties);
    // Whether properties of this kind can steer the editor (a repository item's).
    virtual bool CanUseProperties(TcxCustomEditProperties* properties) { return properties != nullptr; }
    void Notification(TComponent* component, TOperation operation) override;
    // The text shown for the value, and showing a text (descendants with text override).
    virtual std::wstring DisplayText() { return {}; }
    virtual void SetDisplayValue(const std::wstring& text) {}
    virtual TcxEditValue DisplayToEditValue(const std::wstring& text) { return TcxEditValue::Of(text); }
    virtual void SelectAllText() {}
    // The shown text passed validation and became the edit value.
    virtual void EditValidated() {}
    // Stores a value; a change by the user (UserChanging) is dropped when editing is refused.
    void SetInternalEditValue(const TcxEditValue& value);
    // Every content change; OnChange now, or later while change events are locked.
    void ChangeHandler();
    void EditValueChangedHandler();
    void SetModifiedAfterEnter(bool v);
    // The user changed the content shown (typing, pasting): it becomes the edit value.
    void ContentChangedByUser(const TcxEditValue& value);
    bool FocusingForError() const noexcept { return m_focusingForError; }
    void SetEditModified(bool v);
    // The keys the editor itself handles (clear key, Enter, Escape); true consumes the key.
    virtual bool EditorKeyDown(WPARAM key);
    // The focus arrived in the editor from outside, or left it.
    virtual void DoEnter();
    virtual void DoExit();
    // A double click at p (client coordinates) that counts as a press of a button of the
    // editor: a second quick click on a button must act like the first.
    virtual bool DblClickIsButtonPress(POINT p) { return ButtonAt(p) >= 0; }
    // A turn of the mouse wheel over the editor (p in client coordinates), offered while the
    // properties use the wheel; true when the editor used it. Plain text editors do not.
    virtual bool DoMouseWheel(TShiftState shift, int delta, POINT p) { return false; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PaintControl(HDC dc) override;
    // Leaves out of dc's clip what the background must not cover (the buttons).
    virtual void ExcludeFromBackground(HDC dc);
    bool IsReadOnlyForTheme() override { return ReadOnly(); }
    bool ThemeFillsEnabledField() const override { return true; }
    bool m_userChanging = false;
    bool m_escapeHandled = false;
    TcxContainerStyle* CreateStyle(TcxContainerStateIndex state) override;
    virtual void PropertiesChanged();
    void Loaded() override;
    void FontChanged() override;
    void StyleValuesChanged(TcxContainerStyle* style) override;
    void ApplyAutoSize();
    // Takes the anchors from where the editor is now.
    void UpdateAnchors();
    // Height of one line of text in the control's font.
    int TextLineHeight(const wchar_t* sample = L"Wg");

private:
    struct ModifiedFlags {
        bool modifiedAfterEnter, editModified;
    };
    void PushModifiedFlags();
    void PopModifiedFlags();
    // The repository item's properties, or nullptr.
    TcxCustomEditProperties* ItemProperties() noexcept;
    // OnChange and OnEditValueChanged of the own properties, the item's, then the editor's.
    void RaiseChange();
    void RaiseEditValueChanged();
    bool ListensToChange();
    bool ListensToEditValueChanged();
    // The failure path of ValidateEdit: focus the editor, select its text, beep and raise.
    void ValidationError(const std::wstring& errorText);

    std::unique_ptr<TcxCustomEditProperties> m_properties;
    TcxEditRepositoryItem* m_repositoryItem = nullptr;
    std::wstring m_pendingRepositoryItem;
    TcxEditValue m_editValue;
    TcxEditValue m_valueOnEnter;
    bool m_modifiedAfterEnter = false;
    bool m_editModified = false;
    bool m_validated = false;
    bool m_isValidating = false;
    bool m_focusingForError = false;
    std::vector<ModifiedFlags> m_flagStack;
    int m_changeEventsLock = 0;
    bool m_pendingChange = false;
    bool m_pendingEditValueChanged = false;
    bool m_autoSize = true;
    bool m_applyingAutoSize = false;
    int m_anchorX = kNoAnchor, m_anchorY = kNoAnchor;
    int m_lineHeight = 0;
    LOGFONTW m_lineHeightFont{};
    bool m_transparent = false;
    std::unique_ptr<TPersistent> m_propertiesEvents;

    // Waits for the cursor to rest over a button with a hint (k: its view index, -1: none).
    void FollowHint(int k);
    void CancelHint();
    void HintTimerTick();
    std::unique_ptr<TcxHintWindow> m_hintWindow;
    std::unique_ptr<TcxTimer> m_hintTimer;
    int m_hintButton = -1;     // the button whose hint is awaited or shown
    bool m_hintDone = false;   // shown and gone (or pressed): not again until the cursor moves on
    int m_capturedButton = -1; // the button the mouse went down on, while the mouse is held
    const TcxEditButton* m_capturedItem = nullptr; // that button itself
    // The button a left-button release happened over, while that release is handled.
    int m_releasedOnButton = -1;
    TFont m_captionFont;
    // The view before the last calculation, for repainting only what changed.
    TcxCustomEditViewInfo m_oldViewInfo;
    bool m_hasOldViewInfo = false;
};

// Settings kept apart from any editor: editors that name the item use its properties
// instead of their own, and hear of their changes.
class TcxEditRepositoryItem : public TComponent {
public:
    TcxEditRepositoryItem(TComponent* owner, TcxCustomEditProperties* properties);
    ~TcxEditRepositoryItem() override;
    const wchar_t* ClassName() const override { return L"TcxEditRepositoryItem"; }
    TcxCustomEditProperties* Properties() noexcept { return m_properties.get(); }
    void AddUser(TcxCustomEdit* editor);
    void RemoveUser(TcxCustomEdit* editor);

private:
    std::unique_ptr<TcxCustomEditProperties> m_properties;
    std::vector<TcxCustomEdit*> m_users;
};

// The registry of editor properties classes, found by their description
// ("ButtonEdit|Represents an edit control with embedded buttons").
using TcxEditPropertiesFactory = std::function<TcxCustomEditProperties*(TcxCustomEdit* owner)>;
void RegisterEditProperties(const std::wstring& className, const std::wstring& description,
                            TcxEditPropertiesFactory factory);
void UnregisterEditProperties(const std::wstring& className);
// The class name registered under the description, or empty.
std::wstring FindEditPropertiesByDescription(const std::wstring& description);
TcxCustomEditProperties* CreateEditProperties(const std::wstring& className, TcxCustomEdit* owner);
