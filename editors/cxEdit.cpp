#include "cxEdit.h"

#include "runtime/rtForms.h"
#include "runtime/rtGraphicsInfo.h"
#include "runtime/rtStreaming.h"

#include <windowsx.h>

#include <cstring>
#include <map>
#include <utility>

// ---- TcxEditAlignment ----------------------------------------------------------------------------

namespace cxedit {

const TClassInfo* TcxEditAlignment::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditAlignment", nullptr);
        ci.AddEnum<TcxEditAlignment, TAlignment>(L"Horz",
                                                 {{L"taLeftJustify", int(TAlignment::taLeftJustify)},
                                                  {L"taRightJustify", int(TAlignment::taRightJustify)},
                                                  {L"taCenter", int(TAlignment::taCenter)}},
                                                 &TcxEditAlignment::SetHorz, &TcxEditAlignment::Horz);
        ci.AddEnum<TcxEditAlignment, TcxEditVertAlignment>(
            L"Vert",
            {{L"taTopJustify", int(TcxEditVertAlignment::taTopJustify)},
             {L"taBottomJustify", int(TcxEditVertAlignment::taBottomJustify)},
             {L"taVCenter", int(TcxEditVertAlignment::taVCenter)}},
            &TcxEditAlignment::SetVert, &TcxEditAlignment::Vert);
        return ci;
    }();
    return &info;
}

void TcxEditAlignment::Assign(const TPersistent* source)
{
    auto* a = dynamic_cast<const TcxEditAlignment*>(source);
    if (!a) {
        TPersistent::Assign(source);
        return;
    }
    if (*a == *this)
        return;
    m_horz = a->m_horz;
    m_horzAssigned = a->m_horzAssigned;
    m_vert = a->m_vert;
    Changed();
}

void TcxEditAlignment::SetHorz(TAlignment v)
{
    if (m_horzAssigned && v == m_horz)
        return;
    m_horz = v;
    m_horzAssigned = true;
    Changed();
}

void TcxEditAlignment::SetVert(TcxEditVertAlignment v)
{
    if (v == m_vert)
        return;
    m_vert = v;
    Changed();
}

} // namespace cxedit

// ---- TcxCustomEditProperties -----------------------------------------------------------------

const wchar_t* const cxSEditValidateErrorText = L"Invalid input value. Use escape key to abandon changes";

const TClassInfo* TcxCustomEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        using P = TcxCustomEditProperties;
        TClassInfo ci(L"TcxCustomEditProperties", nullptr);
        ci.AddObject<P, cxedit::TcxEditAlignment>(L"Alignment", &P::Alignment);
        ci.AddSet<P, unsigned>(
            L"AssignedValues",
            {{L"evsReadOnly", epvReadOnly}, {L"evsMinValue", epvMinValue}, {L"evsMaxValue", epvMaxValue}},
            &P::SetAssignedValues, &P::AssignedValues);
        ci.AddBool<P>(L"AutoSelect", &P::SetAutoSelect, &P::AutoSelect);
        ci.AddBool<P>(L"BeepOnError", &P::SetBeepOnError, &P::BeepOnError);
        auto shortCut = [](const wchar_t* name, void (P::*set)(unsigned), unsigned (P::*get)() const) {
            return TPropertyInfo{name,
                                 [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                                     (static_cast<P&>(o).*set)(static_cast<unsigned>(ValueToInt(v)));
                                 },
                                 [get](const TPersistent& o) {
                                     return TValue::Int(static_cast<int>((static_cast<const P&>(o).*get)()));
                                 },
                                 {},
                                 {}};
        };
        ci.Add(shortCut(L"ClearKey", &P::SetClearKey, &P::ClearKey));
        ci.Add(shortCut(L"ClickKey", &P::SetClickKey, &P::ClickKey));
        ci.AddFloat<P>(L"MaxValue", &P::SetMaxValue, &P::MaxValue);
        ci.AddFloat<P>(L"MinValue", &P::SetMinValue, &P::MinValue);
        ci.AddBool<P>(L"ReadOnly", &P::SetReadOnly, &P::ReadOnly);
        ci.AddBool<P>(L"UseLeftAlignmentOnEditing", &P::SetUseLeftAlignmentOnEditing,
                      &P::UseLeftAlignmentOnEditing);
        ci.AddBool<P>(L"ValidateOnEnter", &P::SetValidateOnEnter, &P::ValidateOnEnter);
        ci.AddEvent<P, TNotifyEvent>(L"OnChange", &P::OnChange);
        ci.AddEvent<P, TNotifyEvent>(L"OnEditValueChanged", &P::OnEditValueChanged);
        ci.AddEvent<P, TcxEditValidateEvent>(L"OnValidate", &P::OnValidate);
        return ci;
    }();
    return &info;
}

void TcxCustomEditProperties::Assign(const TPersistent* source)
{
    auto* p = dynamic_cast<const TcxCustomEditProperties*>(source);
    if (!p) {
        TPersistent::Assign(source);
        return;
    }
    LockUpdate();
    try {
        m_autoSelect = p->m_autoSelect;
        m_buttons.Assign(&p->m_buttons);
        m_beepOnError = p->m_beepOnError;
        m_clearKey = p->m_clearKey;
        m_clickKey = p->m_clickKey;
        m_useLeftAlignmentOnEditing = p->m_useLeftAlignmentOnEditing;
        m_alignment.Assign(&p->m_alignment);
        // The range and read-only settings are taken only where the source set them.
        m_assignedValues &= ~(epvReadOnly | epvMinValue | epvMaxValue);
        if (p->m_assignedValues & epvMaxValue)
            SetMaxValue(p->m_maxValue);
        if (p->m_assignedValues & epvMinValue)
            SetMinValue(p->m_minValue);
        if (p->m_assignedValues & epvReadOnly)
            SetReadOnly(p->m_readOnly);
        m_immediatePost = p->m_immediatePost;
        m_transparent = p->m_transparent;
        m_useMouseWheel = p->m_useMouseWheel;
        m_validateOnEnter = p->m_validateOnEnter;
        OnChange = p->OnChange;
        OnEditValueChanged = p->OnEditValueChanged;
        OnValidate = p->OnValidate;
        OnButtonClick = p->OnButtonClick;
        MarkChanged();
    } catch (...) {
        UnlockUpdate();
        throw;
    }
    UnlockUpdate();
}

TcxCustomEditProperties::~TcxCustomEditProperties() = default;

std::unique_ptr<TcxCustomEditViewData>
TcxCustomEditProperties::CreateViewData(TcxEditStyle* style, bool isEmbedded, bool isForMeasuring)
{
    return std::make_unique<TcxCustomEditViewData>(this, style, isEmbedded, isForMeasuring);
}

void TcxCustomEditProperties::SetReadOnly(bool v)
{
    if ((m_assignedValues & epvReadOnly) && v == m_readOnly)
        return;
    m_readOnly = v;
    m_assignedValues |= epvReadOnly;
    MarkChanged();
}

void TcxCustomEditProperties::SetMinValue(double v)
{
    if ((m_assignedValues & epvMinValue) && v == m_minValue)
        return;
    m_minValue = v;
    m_assignedValues |= epvMinValue;
    MarkChanged();
}

void TcxCustomEditProperties::SetMaxValue(double v)
{
    if ((m_assignedValues & epvMaxValue) && v == m_maxValue)
        return;
    m_maxValue = v;
    m_assignedValues |= epvMaxValue;
    MarkChanged();
}

void TcxCustomEditProperties::SetAssignedValues(unsigned v)
{
    v &= AssignableValues();
    if (v == m_assignedValues)
        return;
    m_assignedValues = v;
    MarkChanged();
}

void TcxCustomEditProperties::ValidateDisplayValue(std::wstring& displayValue, std::wstring& errorText,
                                                   bool& error, TcxCustomEdit* editor)
{
    if (OnValidate)
        OnValidate(editor, displayValue, errorText, error);
}

void TcxCustomEditProperties::LockUpdate()
{
    if (m_updateCount == 0)
        m_changed = false;
    ++m_updateCount;
}

void TcxCustomEditProperties::UnlockUpdate(bool deliver)
{
    if (m_updateCount > 0)
        --m_updateCount;
    if (m_updateCount == 0 && deliver && m_changed)
        MarkChanged();
}

void TcxCustomEditProperties::MarkChanged()
{
    if (m_updateCount > 0 || m_changing > 0) {
        m_changed = true;
        return;
    }
    m_changed = false;
    if (!m_owner && !OnPropertiesChanged)
        return;
    // A change made while the owner takes the last one in (by a handler, or by the owner
    // itself) is delivered once that step is over; a step that keeps changing something
    // ends after a bounded number of rounds instead of looping.
    for (int round = 0; round < 16; ++round) {
        ++m_changing;
        try {
            if (m_owner)
                m_owner->PropertiesChangedFromProperties();
            else
                OnPropertiesChanged();
        } catch (...) {
            --m_changing;
            m_changed = false;
            throw;
        }
        --m_changing;
        if (!m_changed || m_updateCount > 0 || m_changing > 0)
            return;
        m_changed = false;
    }
}

// ---- TcxEditStyle ------------------------------------------------------------------------------

const TClassInfo* TcxEditStyle::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditStyle", TcxContainerStyle::StaticProperties());
        // Editors name their border styles with their own prefix; the values are the container's.
        ci.AddEnum<TcxContainerStyle, TcxContainerBorderStyle>(L"BorderStyle",
                                                               {{L"ebsNone", cbsNone},
                                                                {L"ebsSingle", cbsSingle},
                                                                {L"ebsThick", cbsThick},
                                                                {L"ebsFlat", cbsFlat},
                                                                {L"ebs3D", cbs3D},
                                                                {L"ebsUltraFlat", cbsUltraFlat},
                                                                {L"ebsOffice11", cbsOffice11}},
                                                               &TcxContainerStyle::SetBorderStyle,
                                                               &TcxContainerStyle::BorderStyle);
        static const TEnumNames kButtonStyles{{L"btsDefault", btsDefault},  {L"bts3D", bts3D},
                                              {L"btsFlat", btsFlat},        {L"btsSimple", btsSimple},
                                              {L"btsHotFlat", btsHotFlat},  {L"btsUltraFlat", btsUltraFlat},
                                              {L"btsOffice11", btsOffice11}};
        ci.AddEnum<TcxEditStyle, TcxEditButtonStyle>(
            L"ButtonStyle", kButtonStyles, &TcxEditStyle::SetButtonStyle, &TcxEditStyle::ButtonStyle);
        ci.AddEnum<TcxEditStyle, TcxEditButtonTransparency>(L"ButtonTransparency",
                                                            {{L"ebtNone", ebtNone},
                                                             {L"ebtInactive", ebtInactive},
                                                             {L"ebtAlways", ebtAlways},
                                                             {L"ebtHideInactive", ebtHideInactive},
                                                             {L"ebtHideUnselected", ebtHideUnselected}},
                                                            &TcxEditStyle::SetButtonTransparency,
                                                            &TcxEditStyle::ButtonTransparency);
        ci.AddEnum<TcxEditStyle, TcxEditPopupBorderStyle>(L"PopupBorderStyle",
                                                          {{L"epbsDefault", epbsDefault},
                                                           {L"epbsSingle", epbsSingle},
                                                           {L"epbsFrame3D", epbsFrame3D},
                                                           {L"epbsFlat", epbsFlat}},
                                                          &TcxEditStyle::SetPopupBorderStyle,
                                                          &TcxEditStyle::PopupBorderStyle);
        ci.AddBool<TcxEditStyle>(L"Gradient", &TcxEditStyle::SetGradient, &TcxEditStyle::Gradient);
        ci.AddInt<TcxEditStyle>(L"GradientDirection", &TcxEditStyle::SetGradientDirection,
                                &TcxEditStyle::GradientDirection);
        return ci;
    }();
    return &info;
}

// The style holding the values all four states share: the editor's normal style, or for a
// style controller's state styles the controller's normal style.
const TcxEditStyle* TcxEditStyle::RootEdit() const
{
    return static_cast<const TcxEditStyle*>(Root());
}

TcxEditStyle* TcxEditStyle::RootEdit()
{
    return static_cast<TcxEditStyle*>(Root());
}

const TcxEditStyle* TcxEditStyle::ButtonStyleSource(int depth) const
{
    if (m_buttonStyleAssigned)
        return this;
    TcxStyleController* c = ActiveController();
    if (!c || depth > 32 || c->IsDestroying())
        return nullptr;
    auto* s = dynamic_cast<const TcxEditStyle*>(c->StateStyle(State()));
    return s && s != this ? s->ButtonStyleSource(depth + 1) : nullptr;
}

const TcxEditStyle* TcxEditStyle::OwnerValueSource(bool TcxEditStyle::*assigned, int depth) const
{
    if (this->*assigned)
        return this;
    TcxStyleController* c = ActiveController();
    if (!c || depth > 32 || c->IsDestroying())
        return nullptr;
    auto* s = dynamic_cast<const TcxEditStyle*>(c->StateStyle(csNormal));
    return s && s != this ? s->OwnerValueSource(assigned, depth + 1) : nullptr;
}

void TcxEditStyle::Assign(const TPersistent* source)
{
    if (auto* s = dynamic_cast<const TcxEditStyle*>(source)) {
        LockUpdate();
        m_buttonStyle = s->m_buttonStyle;
        m_buttonStyleAssigned = s->m_buttonStyleAssigned || s->DirectValueMode();
        m_buttonTransparency = s->m_buttonTransparency;
        m_buttonTransparencyAssigned = s->m_buttonTransparencyAssigned || s->DirectValueMode();
        m_gradientButtons = s->m_gradientButtons;
        m_gradientButtonsAssigned = s->m_gradientButtonsAssigned || s->DirectValueMode();
        m_popupBorderStyle = s->m_popupBorderStyle;
        m_popupBorderStyleAssigned = s->m_popupBorderStyleAssigned || s->DirectValueMode();
        m_gradient = s->m_gradient;
        m_gradientAssigned = s->m_gradientAssigned || s->DirectValueMode();
        m_gradientDirection = s->m_gradientDirection;
        m_gradientDirectionAssigned = s->m_gradientDirectionAssigned || s->DirectValueMode();
        try {
            TcxContainerStyle::Assign(source);
        } catch (...) {
            UnlockUpdate();
            throw;
        }
        UnlockUpdate();
        return;
    }
    TcxContainerStyle::Assign(source);
}

TcxEditButtonStyle TcxEditStyle::ButtonStyle() const
{
    if (DirectValueMode())
        return m_buttonStyle;
    if (const TcxEditStyle* src = ButtonStyleSource())
        return src->m_buttonStyle;
    // A style that is its own root has nobody else to ask.
    const TcxEditStyle* root = RootEdit();
    return IsRootStyle() || root == this ? btsDefault : root->ButtonStyle();
}

TcxEditButtonTransparency TcxEditStyle::ButtonTransparency() const
{
    if (DirectValueMode())
        return m_buttonTransparency;
    const TcxEditStyle* src = RootEdit()->OwnerValueSource(&TcxEditStyle::m_buttonTransparencyAssigned);
    return src ? src->m_buttonTransparency : ebtNone;
}

void TcxEditStyle::SetButtonTransparency(TcxEditButtonTransparency v)
{
    TcxEditStyle* r = RootEdit();
    if (r->m_buttonTransparencyAssigned && r->m_buttonTransparency == v)
        return;
    r->m_buttonTransparency = v;
    r->m_buttonTransparencyAssigned = true;
    r->MarkChanged();
}

bool TcxEditStyle::GradientButtons() const
{
    if (DirectValueMode())
        return m_gradientButtons;
    const TcxEditStyle* src = RootEdit()->OwnerValueSource(&TcxEditStyle::m_gradientButtonsAssigned);
    return src && src->m_gradientButtons;
}

void TcxEditStyle::SetGradientButtons(bool v)
{
    TcxEditStyle* r = RootEdit();
    if (r->m_gradientButtonsAssigned && r->m_gradientButtons == v)
        return;
    r->m_gradientButtons = v;
    r->m_gradientButtonsAssigned = true;
    r->MarkChanged();
}

TcxEditPopupBorderStyle TcxEditStyle::PopupBorderStyle() const
{
    if (DirectValueMode())
        return m_popupBorderStyle;
    const TcxEditStyle* src = RootEdit()->OwnerValueSource(&TcxEditStyle::m_popupBorderStyleAssigned);
    return src ? src->m_popupBorderStyle : epbsDefault;
}

void TcxEditStyle::SetPopupBorderStyle(TcxEditPopupBorderStyle v)
{
    TcxEditStyle* r = RootEdit();
    if (r->m_popupBorderStyleAssigned && r->m_popupBorderStyle == v)
        return;
    r->m_popupBorderStyle = v;
    r->m_popupBorderStyleAssigned = true;
    r->MarkChanged();
}

bool TcxEditStyle::Gradient() const
{
    if (DirectValueMode())
        return m_gradient;
    const TcxEditStyle* src = RootEdit()->OwnerValueSource(&TcxEditStyle::m_gradientAssigned);
    return src && src->m_gradient;
}

void TcxEditStyle::SetGradient(bool v)
{
    TcxEditStyle* r = RootEdit();
    if (r->m_gradientAssigned && r->m_gradient == v)
        return;
    r->m_gradient = v;
    r->m_gradientAssigned = true;
    r->MarkChanged();
}

int TcxEditStyle::GradientDirection() const
{
    if (DirectValueMode())
        return m_gradientDirection;
    const TcxEditStyle* src = RootEdit()->OwnerValueSource(&TcxEditStyle::m_gradientDirectionAssigned);
    return src ? src->m_gradientDirection : 4;
}

void TcxEditStyle::SetGradientDirection(int v)
{
    v = std::clamp(v, 1, 4);
    TcxEditStyle* r = RootEdit();
    if (r->m_gradientDirectionAssigned && r->m_gradientDirection == v)
        return;
    r->m_gradientDirection = v;
    r->m_gradientDirectionAssigned = true;
    r->MarkChanged();
}

std::wstring TcxEditStyle::ValueName(int index) const
{
    static const wchar_t* const names[] = {L"ButtonStyle",     L"ButtonTransparency", L"PopupBorderStyle",
                                           L"GradientButtons", L"Gradient",           L"GradientDirection"};
    if (index >= esvButtonStyle && index <= esvGradientDirection)
        return names[index - esvButtonStyle];
    return TcxContainerStyle::ValueName(index);
}

unsigned TcxEditStyle::NotPublishedValues() const
{
    // The button transparency, popup frame and gradients are kept once per owner.
    unsigned perOwner = 0;
    for (int i = esvButtonTransparency; i <= esvGradientDirection; ++i)
        perOwner |= 1u << i;
    return TcxContainerStyle::NotPublishedValues() | perOwner;
}

bool TcxEditStyle::IsValueAssigned(int index) const
{
    const TcxEditStyle* r = DirectValueMode() ? this : RootEdit();
    switch (index) {
    case esvButtonStyle: return DirectValueMode() || m_buttonStyleAssigned;
    case esvButtonTransparency: return DirectValueMode() || r->m_buttonTransparencyAssigned;
    case esvPopupBorderStyle: return DirectValueMode() || r->m_popupBorderStyleAssigned;
    case esvGradientButtons: return DirectValueMode() || r->m_gradientButtonsAssigned;
    case esvGradient: return DirectValueMode() || r->m_gradientAssigned;
    case esvGradientDirection: return DirectValueMode() || r->m_gradientDirectionAssigned;
    default: return TcxContainerStyle::IsValueAssigned(index);
    }
}

void TcxEditStyle::SetButtonStyle(TcxEditButtonStyle v)
{
    if (m_buttonStyleAssigned && v == m_buttonStyle)
        return;
    m_buttonStyle = v;
    m_buttonStyleAssigned = true;
    MarkChanged();
}

// ---- TcxEditStyleController and the default controller ----------------------------------------

TcxEditStyleController::TcxEditStyleController(TComponent* owner, bool isDefault)
    : TcxStyleController(
          owner,
          [](TcxStyleController*, TcxContainerStateIndex state) { return new TcxEditStyle(nullptr, state); },
          isDefault)
{
}

const TClassInfo* TcxEditStyleController::StaticProperties()
{
    static const TClassInfo info = [] {
        using C = TcxEditStyleController;
        TClassInfo ci(L"TcxEditStyleController", TcxStyleController::StaticProperties());
        ci.AddObject<C, TcxEditStyle>(L"Style", &C::Style);
        ci.AddObject<C, TcxEditStyle>(L"StyleDisabled", &C::StyleDisabled);
        ci.AddObject<C, TcxEditStyle>(L"StyleFocused", &C::StyleFocused);
        ci.AddObject<C, TcxEditStyle>(L"StyleHot", &C::StyleHot);
        ci.AddEvent<C, TNotifyEvent>(L"OnStyleChanged", &C::OnStyleChanged);
        return ci;
    }();
    return &info;
}

namespace {

// Frees the default controller when the program ends. It is made after the look-and-feel
// layer has started, so it goes before that layer's shared objects do.
struct DefaultControllerHolder {
    TcxStyleController* controller = nullptr;
    ~DefaultControllerHolder() { delete std::exchange(controller, nullptr); }
};

DefaultControllerHolder& DefaultHolder()
{
    GlobalLookAndFeel();
    static DefaultControllerHolder holder;
    return holder;
}

} // namespace

TcxStyleController* DefaultStyleController()
{
    DefaultControllerHolder& h = DefaultHolder();
    if (!h.controller)
        h.controller = new TcxEditStyleController(nullptr, true);
    return h.controller;
}

void FreeDefaultStyleController()
{
    delete std::exchange(DefaultHolder().controller, nullptr);
}

// ---- TcxCustomEdit -----------------------------------------------------------------------------

TcxCustomEdit::TcxCustomEdit(TComponent* owner)
    : TcxContainer(owner, std::make_unique<TcxCustomEditViewInfo>())
{
    SetBounds(0, 0, 121, 21);
}

TcxCustomEdit::~TcxCustomEdit()
{
    Destroying();
    // The watch must not tell an editor that is half gone that the cursor left.
    StopHoverWatch(this);
    if (m_repositoryItem)
        m_repositoryItem->RemoveUser(this);
}

void TcxCustomEdit::InitEdit(TcxCustomEditProperties* properties)
{
    m_properties.reset(properties);
    CreateStyles();
}

TcxContainerStyle* TcxCustomEdit::CreateStyle(TcxContainerStateIndex state)
{
    return new TcxEditStyle(this, state);
}

const TClassInfo* TcxCustomEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomEdit", TcxContainer::StaticProperties());
        ci.AddBool<TcxCustomEdit>(L"AutoSize", &TcxCustomEdit::SetAutoSize, &TcxCustomEdit::AutoSize);
        ci.AddInt<TcxCustomEdit>(L"AnchorX", &TcxCustomEdit::SetAnchorX, &TcxCustomEdit::AnchorX);
        ci.AddInt<TcxCustomEdit>(L"AnchorY", &TcxCustomEdit::SetAnchorY, &TcxCustomEdit::AnchorY);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnDblClick", &TcxCustomEdit::OnDblClick);
        ci.Add({L"RepositoryItem",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxCustomEdit&>(o).SetRepositoryItemName(v.text);
                },
                [](const TPersistent& o) {
                    return ReferenceValue(static_cast<const TcxCustomEdit&>(o).RepositoryItem());
                },
                {},
                {}});
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnChange", &TcxCustomEdit::OnChange);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnEditValueChanged", &TcxCustomEdit::OnEditValueChanged);
        ci.AddEvent<TcxCustomEdit, TcxEditEditingEvent>(L"OnEditing", &TcxCustomEdit::OnEditing);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnFocusChanged", &TcxCustomEdit::OnFocusChanged);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnEnter", &TcxCustomEdit::OnEnter);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnExit", &TcxCustomEdit::OnExit);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnMouseEnter", &TcxCustomEdit::OnMouseEnter);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnMouseLeave", &TcxCustomEdit::OnMouseLeave);
        ci.AddBool<TcxCustomEdit>(L"Transparent", &TcxCustomEdit::SetTransparent,
                                  &TcxCustomEdit::Transparent);
        ci.AddObject<TcxCustomEdit, TPersistent>(L"PropertiesEvents", &TcxCustomEdit::PropertiesEvents);
        return ci;
    }();
    return &info;
}

namespace {

// Forwards the events a description sets on "PropertiesEvents" to the editor's own
// properties; anything but an event is refused.
class TcxEditPropertiesEvents : public TPersistent {
public:
    explicit TcxEditPropertiesEvents(TcxCustomEdit* editor) : m_editor(editor) {}
    const wchar_t* ClassName() const override { return L"TNotifyEventsObject"; }
    const TClassInfo* ClassProperties() const override
    {
        // Built per properties class: the events of that class, nothing else.
        const TClassInfo* source = m_editor->Properties()->ClassProperties();
        static std::map<const TClassInfo*, std::unique_ptr<TClassInfo>> tables;
        auto& table = tables[source];
        if (!table) {
            table = std::make_unique<TClassInfo>(L"TNotifyEventsObject", nullptr);
            for (const TClassInfo* ci = source; ci; ci = ci->Parent())
                for (const TPropertyInfo& p : ci->Properties())
                    if (p.name.rfind(L"On", 0) == 0 && p.set && !table->Find(p.name))
                        table->Add(
                            {p.name,
                             [set = p.set](TPersistent& o, const TValue& v, const TReaderContext* ctx) {
                                 auto& self = static_cast<TcxEditPropertiesEvents&>(o);
                                 set(*self.m_editor->Properties(), v, ctx);
                             },
                             {},
                             {},
                             {}});
        }
        return table.get();
    }

private:
    TcxCustomEdit* m_editor;
};

} // namespace

TPersistent* TcxCustomEdit::PropertiesEvents() noexcept
{
    if (!m_propertiesEvents)
        m_propertiesEvents = std::make_unique<TcxEditPropertiesEvents>(this);
    return m_propertiesEvents.get();
}

void TcxCustomEdit::SetTransparent(bool v)
{
    if (v == m_transparent)
        return;
    m_transparent = v;
    TransparentChanged();
}

void TcxCustomEdit::TransparentChanged()
{
    if (HandleAllocated())
        Invalidate();
}

TcxCustomEditProperties* TcxCustomEdit::ActiveProperties() noexcept
{
    return m_repositoryItem ? m_repositoryItem->Properties() : m_properties.get();
}

void TcxCustomEdit::SetRepositoryItem(TcxEditRepositoryItem* item)
{
    if (item == m_repositoryItem)
        return;
    if (item && !CanUseProperties(item->Properties()))
        throw EInvalidOperation(L"The repository item's properties do not suit this editor");
    if (m_repositoryItem) {
        m_repositoryItem->RemoveUser(this);
        RemoveFreeNotification(m_repositoryItem);
    }
    m_repositoryItem = item;
    if (item) {
        item->AddUser(this);
        FreeNotification(item);
    }
    PropertiesChanged();
}

void TcxCustomEdit::Notification(TComponent* component, TOperation operation)
{
    TcxContainer::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_repositoryItem) {
        m_repositoryItem = nullptr;
        PropertiesChanged();
    }
}

TcxEditRepositoryItem::TcxEditRepositoryItem(TComponent* owner, TcxCustomEditProperties* properties)
    : TComponent(owner), m_properties(properties)
{
    m_properties->OnPropertiesChanged = [this] {
        // A user may go away while the others are told: tell a copy of the list.
        std::vector<TcxCustomEdit*> users = m_users;
        for (TcxCustomEdit* editor : users)
            editor->PropertiesChangedFromProperties();
    };
}

TcxEditRepositoryItem::~TcxEditRepositoryItem()
{
    Destroying();
    m_properties->OnPropertiesChanged = nullptr;
}

void TcxEditRepositoryItem::AddUser(TcxCustomEdit* editor)
{
    if (std::find(m_users.begin(), m_users.end(), editor) == m_users.end())
        m_users.push_back(editor);
}

void TcxEditRepositoryItem::RemoveUser(TcxCustomEdit* editor)
{
    m_users.erase(std::remove(m_users.begin(), m_users.end(), editor), m_users.end());
}

void TcxCustomEdit::PropertiesChangedFromProperties()
{
    PropertiesChanged();
}

void TcxCustomEdit::PropertiesChanged()
{
    m_validated = false;
    if (m_modifiedAfterEnter && ReadOnly())
        m_modifiedAfterEnter = false;
    if (m_constructing || IsLoading() || IsDestroying())
        return;
    if (ActiveProperties()->Transparent())
        SetTransparent(true);
    UpdateAnchors();
    ApplyAutoSize();
    UpdateVisualStateAtCursor(false);
}

// ---- edit value, change events, validation ----------------------------------------------------

namespace {

// Runs undo when the scope ends, also when an error leaves it.
template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit() { m_f(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F m_f;
};

} // namespace

bool TcxCustomEdit::CanModify()
{
    return !ReadOnly();
}

TcxCustomEditProperties* TcxCustomEdit::ItemProperties() noexcept
{
    return m_repositoryItem ? m_repositoryItem->Properties() : nullptr;
}

void TcxCustomEdit::RaiseChange()
{
    for (TcxCustomEditProperties* p : {Properties(), ItemProperties()})
        if (p && p->OnChange)
            CallHandler([&] { p->OnChange(this); });
    if (OnChange)
        CallHandler([&] { OnChange(this); });
}

void TcxCustomEdit::RaiseEditValueChanged()
{
    for (TcxCustomEditProperties* p : {Properties(), ItemProperties()})
        if (p && p->OnEditValueChanged)
            CallHandler([&] { p->OnEditValueChanged(this); });
    if (OnEditValueChanged)
        CallHandler([&] { OnEditValueChanged(this); });
}

bool TcxCustomEdit::ListensToChange()
{
    TcxCustomEditProperties* item = ItemProperties();
    return Properties()->OnChange || (item && item->OnChange) || OnChange;
}

bool TcxCustomEdit::ListensToEditValueChanged()
{
    TcxCustomEditProperties* item = ItemProperties();
    return Properties()->OnEditValueChanged || (item && item->OnEditValueChanged) || OnEditValueChanged;
}

bool TcxCustomEdit::DoEditing()
{
    if (!CanModify())
        return false;
    bool canEdit = true;
    if (OnEditing)
        OnEditing(this, canEdit);
    return canEdit;
}

void TcxCustomEdit::SetModifiedAfterEnter(bool v)
{
    m_modifiedAfterEnter = v;
    if (v) {
        m_validated = false;
        m_editModified = true;
    }
}

void TcxCustomEdit::SetEditModified(bool v)
{
    m_editModified = v;
    if (!v)
        m_modifiedAfterEnter = false;
}

void TcxCustomEdit::PushModifiedFlags()
{
    m_flagStack.push_back({m_modifiedAfterEnter, m_editModified});
}

void TcxCustomEdit::PopModifiedFlags()
{
    if (m_flagStack.empty())
        return;
    m_modifiedAfterEnter = m_flagStack.back().modifiedAfterEnter;
    m_editModified = m_flagStack.back().editModified;
    m_flagStack.pop_back();
}

void TcxCustomEdit::SetEditValue(const TcxEditValue& value)
{
    bool user = m_userChanging;
    m_userChanging = false;
    ScopeExit restore([&] { m_userChanging = user; });
    SetInternalEditValue(value);
}

void TcxCustomEdit::SetInternalEditValue(const TcxEditValue& value)
{
    TcxCustomEditProperties* p = ActiveProperties();
    if (m_userChanging && !DoEditing())
        return;
    bool changed = p && p->CompareEditValues() && value != m_editValue;
    m_editValue = value;
    SetDisplayValue(value.kind == TcxEditValue::Kind::Text ? value.text : std::wstring());
    if (m_userChanging)
        SetModifiedAfterEnter(true);
    else
        SetEditModified(false);
    if (changed) {
        EditValueChangedHandler();
        if (!p->SeparateValueChangedEvent())
            ChangeHandler();
    }
}

void TcxCustomEdit::ContentChangedByUser(const TcxEditValue& value)
{
    bool changed = value != m_editValue;
    m_editValue = value;
    SetModifiedAfterEnter(true);
    ChangeHandler();
    if (changed && Properties() && ActiveProperties()->SeparateValueChangedEvent())
        EditValueChangedHandler();
}

void TcxCustomEdit::ChangeHandler()
{
    if (IsLoading() || IsDestroying() || !Properties())
        return;
    if (ListensToChange()) {
        if (m_changeEventsLock > 0)
            m_pendingChange = true;
        else
            RaiseChange();
    }
    TcxCustomEditProperties* p = ActiveProperties();
    if (!p->SeparateValueChangedEvent() && !p->CompareEditValues())
        EditValueChangedHandler();
}

void TcxCustomEdit::EditValueChangedHandler()
{
    if (IsLoading() || IsDestroying() || !Properties() || !ListensToEditValueChanged())
        return;
    if (m_changeEventsLock > 0) {
        m_pendingEditValueChanged = true;
        return;
    }
    RaiseEditValueChanged();
}

void TcxCustomEdit::LockChangeEvents(bool lock, bool fire)
{
    if (lock) {
        if (m_changeEventsLock == 0)
            m_pendingChange = m_pendingEditValueChanged = false;
        ++m_changeEventsLock;
        return;
    }
    if (m_changeEventsLock == 0)
        return;
    if (--m_changeEventsLock > 0 || !fire || IsLoading() || IsDestroying() || !Properties())
        return;
    bool change = m_pendingChange, valueChanged = m_pendingEditValueChanged;
    m_pendingChange = m_pendingEditValueChanged = false;
    if (change)
        RaiseChange();
    if (valueChanged)
        RaiseEditValueChanged();
}

bool TcxCustomEdit::ValidateEdit(bool raiseOnError)
{
    if (!m_modifiedAfterEnter || m_validated)
        return true;
    TcxCustomEditProperties* p = ActiveProperties();
    // Whatever happens below, also an error raised on the failure path, the editor leaves
    // the validating state.
    m_isValidating = true;
    ScopeExit done([this] { m_isValidating = false; });
    std::wstring display = DisplayText();
    std::wstring shown = display;
    bool error = false;
    std::wstring errorText;
    if (p->CanValidate()) {
        errorText = cxSEditValidateErrorText;
        Properties()->ValidateDisplayValue(display, errorText, error, this);
        if (TcxCustomEditProperties* item = ItemProperties())
            item->ValidateDisplayValue(display, errorText, error, this);
        if (display != shown)
            SetDisplayValue(display);
    }
    if (error) {
        if (raiseOnError)
            ValidationError(errorText);
        if (DisplayText() != display) {
            SetDisplayValue(display);
            if (Visible())
                SelectAllText();
        }
        return false;
    }
    if (m_userChanging && !CanModify())
        return true;
    m_editValue = DisplayToEditValue(display);
    if (!Focused())
        m_modifiedAfterEnter = false;
    m_validated = true;
    EditValidated();
    return true;
}

void TcxCustomEdit::ValidationError(const std::wstring& errorText)
{
    if (!CanFocus()) {
        // An editor that cannot take the focus would fail again and again.
        m_validated = true;
    } else if (Visible()) {
        if (!Focused()) {
            m_focusingForError = true;
            ScopeExit lower([this] { m_focusingForError = false; });
            SetFocus();
        }
        SelectAllText();
    }
    if (ActiveProperties()->BeepOnError())
        MessageBeep(MB_OK);
    if (!errorText.empty())
        throw EcxEditValidationError(errorText);
    throw EAbort();
}

void TcxCustomEdit::PostEditValue(bool validateFirst)
{
    if (validateFirst && !ValidateEdit(true))
        return;
    // A stand-alone editor keeps its value itself: posting means the value is taken.
    SetEditModified(false);
}

bool TcxCustomEdit::EditorKeyDown(WPARAM key)
{
    TcxCustomEditProperties* p = ActiveProperties();
    m_escapeHandled = false;
    unsigned shortCut = ShortCutOf(key);
    if (p->ClearKey() != 0 && shortCut == p->ClearKey()) {
        LockChangeEvents(true);
        ScopeExit unlock([this] { LockChangeEvents(false); });
        bool user = m_userChanging;
        m_userChanging = true;
        ScopeExit restore([&] { m_userChanging = user; });
        SetInternalEditValue(TcxEditValue::Null());
        if (p->ImmediatePost())
            PostEditValue(false);
        m_validated = true;
        return true;
    }
    bool ctrlOrAlt = (shortCut & (scCtrl | scAlt)) != 0;
    if (key == VK_RETURN && !ctrlOrAlt && p->ValidateOnEnter()) {
        LockChangeEvents(true);
        ScopeExit unlock([this] { LockChangeEvents(false); });
        if (ValidateEdit(true))
            PostEditValue(false);
        return true;
    }
    if (key == VK_ESCAPE && m_modifiedAfterEnter && p->RememberValueOnEnter()) {
        LockChangeEvents(true);
        ScopeExit unlock([this] { LockChangeEvents(false); });
        m_modifiedAfterEnter = false;
        SetEditValue(m_valueOnEnter);
        m_editModified = true;
        SelectAllText();
        if (p->ImmediatePost())
            PostEditValue(false);
        m_escapeHandled = true;
        return true;
    }
    return false;
}

void TcxCustomEdit::DoEnter()
{
    if (m_focusingForError)
        return;
    PushModifiedFlags();
    ScopeExit pop([this] {
        PopModifiedFlags();
        m_modifiedAfterEnter = false;
    });
    if (OnEnter)
        CallHandler([this] { OnEnter(this); });
    if (Properties() && ActiveProperties()->RememberValueOnEnter())
        m_valueOnEnter = m_editValue;
}

namespace {

// The form the editor is on has ended its modal loop and is going away: its result is known.
bool ModalFormClosing(const TWinControl* control, TModalResult& result)
{
    TCustomForm* form = control->GetParentForm();
    if (!form || !form->IsModal() || form->ModalResult() == mrNone)
        return false;
    result = form->ModalResult();
    return true;
}

} // namespace

void TcxCustomEdit::DoExit()
{
    TModalResult closing = mrNone;
    if (ModalFormClosing(this, closing)) {
        // The form is closing: an error raised now would stand alone over a window that
        // is gone, so the value is checked quietly, and not at all when the form was
        // cancelled.
        if (closing != mrCancel)
            ValidateEdit(false);
        UpdateVisualStateAtCursor(false);
        if (OnExit)
            CallHandler([this] { OnExit(this); });
        return;
    }
    bool user = m_userChanging;
    m_userChanging = false;
    ScopeExit restore([&] { m_userChanging = user; });
    PushModifiedFlags();
    bool popped = false;
    ScopeExit pop([&] {
        if (!popped)
            PopModifiedFlags();
    });
    {
        LockChangeEvents(true);
        ScopeExit unlock([this] { LockChangeEvents(false); });
        // A failed validation raises: the focus stays in the editor and the error box shows.
        ValidateEdit(true);
        PostEditValue(false);
    }
    UpdateVisualStateAtCursor(false);
    PopModifiedFlags();
    popped = true;
    if (OnExit)
        CallHandler([this] { OnExit(this); });
    SetEditModified(false);
}

LRESULT TcxCustomEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MOUSEWHEEL) {
        // Taken by an editor that uses the wheel; every other wheel turn goes on to the
        // parent, which may scroll.
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(Handle(), &p);
        bool used = false;
        if (ActiveProperties() && ActiveProperties()->UseMouseWheel())
            used =
                DoMouseWheel(MouseShiftState(GET_KEYSTATE_WPARAM(wParam)), GET_WHEEL_DELTA_WPARAM(wParam), p);
        if (used)
            return 0;
    }
    if (msg == WM_KEYDOWN && ClickKeyDown(wParam))
        return 0;

    if (msg == WM_CAPTURECHANGED && (m_capturedButton >= 0 || m_capturedItem) &&
        reinterpret_cast<HWND>(lParam) != Handle()) {
        // Another window took the mouse: the pressed button comes up without a click.
        m_capturedButton = -1;
        m_capturedItem = nullptr;
        UpdateVisualStateAtCursor(true);
    }
    if (msg == WM_LBUTTONDBLCLK) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        bool press = DblClickIsButtonPress(p);
        LRESULT r = TcxContainer::WndProc(msg, wParam, lParam);
        if (!press && OnDblClick)
            CallHandler([this] { OnDblClick(this); });
        return r;
    }
    return TcxContainer::WndProc(msg, wParam, lParam);
}

void TcxCustomEdit::ChildMouseMessage(UINT msg, WPARAM keyFlags, POINT p)
{
    TcxContainer::ChildMouseMessage(msg, keyFlags, p);
    if (msg == WM_LBUTTONDBLCLK && OnDblClick && !IsDestroying())
        CallHandler([this] { OnDblClick(this); });
}

void TcxCustomEdit::PaintControl(HDC dc)
{
    PrepareForPaint();
    bool handled = false;
    // The canvas for the handlers is made only when someone listens: most editors paint
    // without any, many times a second while a run is under way.
    if (OnBeforePaint || OnCustomBackground) {
        TCanvas canvas;
        canvas.SetHandle(dc);
        try {
            TcxCanvas cx(&canvas);
            if (OnBeforePaint)
                CallHandler([&] { OnBeforePaint(this, cx); });
            if (OnCustomBackground)
                CallHandler([&] { OnCustomBackground(this, cx, handled); });
        } catch (...) {
            canvas.SetHandle(nullptr);
            throw;
        }
        canvas.SetHandle(nullptr);
    }
    if (!handled) {
        SaveDCGuard saved(dc);
        ExcludeFromBackground(dc);
        PaintFrame(dc);
    }
    PaintContent(dc);
}

void TcxCustomEdit::SetAutoSize(bool v)
{
    if (v == m_autoSize)
        return;
    m_autoSize = v;
    ApplyAutoSize();
}

int TcxCustomEdit::TextLineHeight(const wchar_t* sample)
{
    // The common question ("Wg" in the style's font) is asked at every layout; keep the answer
    // until the font changes.
    bool common = lstrcmpW(sample, L"Wg") == 0;
    const LOGFONTW& lf = Style()->Font()->LogFont();
    if (common && m_lineHeight > 0 && memcmp(&lf, &m_lineHeightFont, sizeof(lf)) == 0)
        return m_lineHeight;
    HDC dc = MeasureDC();
    SelectGuard sel(dc, Style()->Font()->Handle());
    SIZE sz{};
    GetTextExtentPoint32W(dc, sample, lstrlenW(sample), &sz);
    if (common) {
        m_lineHeight = sz.cy;
        m_lineHeightFont = lf;
    }
    return sz.cy;
}

int TcxCustomEdit::AutoHeight()
{
    // One line of text, one pixel of text offset above and below, and the frame.
    TcxContainerStyle* style = Style();
    RECT frame = ContainerBorderExtent(style->BorderStyle(), style->Edges(), style->TransparentBorder());
    int shadow = style->Shadow() ? 3 : 0;
    int height = TextLineHeight() + 2 + frame.top + frame.bottom + shadow;
    // At least as tall as the tallest glyph of a glyph button and the button style's
    // margins around it need.
    if (m_properties && ActiveProperties()) {
        std::unique_ptr<TcxCustomEditViewData> data =
            ActiveProperties()->CreateViewData(EditStyle(), IsEmbedded(), true);
        data->NativeTheme = UsesNativeTheme();
        int content = data->ButtonsContentHeight();
        if (content > 0)
            height = std::max(height, content + static_cast<int>(frame.top + frame.bottom) + shadow);
    }
    return height;
}

void TcxCustomEdit::ApplyAutoSize()
{
    if (!m_autoSize || m_applyingAutoSize || m_constructing || IsLoading() || !m_properties)
        return;
    m_applyingAutoSize = true;
    // SetBounds applies the automatic size of the editor kind (labels size both ways).
    try {
        SetBounds(Left(), Top(), Width(), Height());
    } catch (...) {
        m_applyingAutoSize = false;
        throw;
    }
    m_applyingAutoSize = false;
}

void TcxCustomEdit::UpdateAnchors()
{
    m_anchorX = m_anchorY = kNoAnchor;
    if (!m_properties || !m_autoSize)
        return;
    const cxedit::TcxEditAlignment& a = ActiveProperties()->AlignmentValue();
    if (AutoWidth()) {
        if (a.Horz() == cxedit::TAlignment::taCenter)
            m_anchorX = Left() + (Width() + 1) / 2;
        else if (a.Horz() == cxedit::TAlignment::taRightJustify)
            m_anchorX = Left() + Width();
    }
    if (a.Vert() == cxedit::TcxEditVertAlignment::taVCenter)
        m_anchorY = Top() + (Height() + 1) / 2;
    else if (a.Vert() == cxedit::TcxEditVertAlignment::taBottomJustify)
        m_anchorY = Top() + Height();
}

void TcxCustomEdit::SetBounds(int left, int top, int width, int height)
{
    bool sizing = m_autoSize && !m_constructing && !IsLoading() && m_properties;
    if (sizing) {
        height = AutoHeight();
        // A size the editor gives itself keeps its anchors where they are; a place given
        // by the program moves them.
        if (m_applyingAutoSize) {
            const cxedit::TcxEditAlignment& a = ActiveProperties()->AlignmentValue();
            if (m_anchorY != kNoAnchor)
                top = a.Vert() == cxedit::TcxEditVertAlignment::taVCenter ? m_anchorY - (height + 1) / 2
                                                                          : m_anchorY - height;
            if (m_anchorX != kNoAnchor && AutoWidth())
                left = a.Horz() == cxedit::TAlignment::taCenter ? m_anchorX - (width + 1) / 2
                                                                : m_anchorX - width;
        }
    }
    TcxContainer::SetBounds(left, top, width, height);
    if (sizing && !m_applyingAutoSize)
        UpdateAnchors();
}

void TcxCustomEdit::Loaded()
{
    if (!m_pendingRepositoryItem.empty()) {
        std::wstring name = std::move(m_pendingRepositoryItem);
        m_pendingRepositoryItem.clear();
        if (auto* item = dynamic_cast<TcxEditRepositoryItem*>(FindReferencedComponent(Owner(), name)))
            SetRepositoryItem(item);
    }
    TcxContainer::Loaded();
    ApplyAutoSize();
    // What the properties say was held back while the description was read: the step runs once
    // now, after the size, so that the anchors come from the place the editor has taken.
    PropertiesChanged();
}

void TcxCustomEdit::FontChanged()
{
    TcxContainer::FontChanged();
    ApplyAutoSize();
}

void TcxCustomEdit::StyleValuesChanged(TcxContainerStyle* style)
{
    TcxContainer::StyleValuesChanged(style);
    ApplyAutoSize();
}

// ---- edit buttons ------------------------------------------------------------------------------

const TClassInfo* TcxEditButton::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditButton", nullptr);
        ci.AddString<TcxEditButton>(L"Caption", &TcxEditButton::SetCaption, &TcxEditButton::Caption);
        ci.AddBool<TcxEditButton>(L"Default", &TcxEditButton::SetDefault, &TcxEditButton::Default);
        ci.AddBool<TcxEditButton>(L"Enabled", &TcxEditButton::SetEnabled, &TcxEditButton::Enabled);
        ci.AddEnum<TcxEditButton, TcxEditButtonKind>(
            L"Kind",
            {{L"bkEllipsis", bkEllipsis}, {L"bkDown", bkDown}, {L"bkGlyph", bkGlyph}, {L"bkText", bkText}},
            &TcxEditButton::SetKind, &TcxEditButton::Kind);
        ci.AddBool<TcxEditButton>(L"LeftAlignment", &TcxEditButton::SetLeftAlignment,
                                  &TcxEditButton::LeftAlignment);
        ci.AddBool<TcxEditButton>(L"Visible", &TcxEditButton::SetVisible, &TcxEditButton::Visible);
        ci.AddInt<TcxEditButton>(L"Width", &TcxEditButton::SetWidth, &TcxEditButton::Width);
        ci.AddEnum<TcxEditButton, int>(L"ContentAlignment",
                                       {{L"taLeftJustify", 0}, {L"taRightJustify", 1}, {L"taCenter", 2}},
                                       &TcxEditButton::SetContentAlignment, &TcxEditButton::ContentAlignment);
        ci.AddString<TcxEditButton>(L"Hint", &TcxEditButton::SetHint, &TcxEditButton::Hint);
        ci.AddBool<TcxEditButton>(L"Stretchable", &TcxEditButton::SetStretchable,
                                  &TcxEditButton::Stretchable);
        ci.AddInt<TcxEditButton>(L"Tag", &TcxEditButton::SetTag, &TcxEditButton::Tag);
        // Stored as the bytes of a bitmap file.
        ci.Add({L"Glyph",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    UniqueBitmap picture = ValueToBitmap(v);
                    static_cast<TcxEditButton&>(o).SetGlyph(picture.get());
                },
                [](const TPersistent& o) {
                    return PictureValue(static_cast<const TcxEditButton&>(o).GlyphIfAny());
                },
                {},
                {}});
        return ci;
    }();
    return &info;
}

namespace {

std::unique_ptr<TcxBitmap> CopyGlyph(HDC src, int width, int height)
{
    auto copy = std::make_unique<TcxBitmap>(width, height, 24);
    BitBlt(copy->DC(), 0, 0, width, height, src, 0, 0, SRCCOPY);
    return copy;
}

} // namespace

TcxBitmap* TcxEditButton::Glyph()
{
    if (!m_glyph)
        m_glyph = std::make_unique<TcxBitmap>();
    return m_glyph.get();
}

void TcxEditButton::SetGlyph(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
        m_glyph.reset();
    } else {
        UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
        SelectGuard sel(dc.get(), bitmap);
        m_glyph = CopyGlyph(dc.get(), info.bmWidth, info.bmHeight);
    }
    GlyphChanged();
}

void TcxEditButton::GlyphChanged()
{
    if (OnChanged)
        OnChanged(this);
}

void TcxEditButton::Assign(const TPersistent* source)
{
    if (auto* b = dynamic_cast<const TcxEditButton*>(source)) {
        if (b->m_glyph && !b->m_glyph->Empty())
            m_glyph = CopyGlyph(b->m_glyph->DC(), b->m_glyph->Width(), b->m_glyph->Height());
        else
            m_glyph.reset();
        m_caption = b->m_caption;
        m_default = b->m_default;
        m_enabled = b->m_enabled;
        m_kind = b->m_kind;
        m_leftAlignment = b->m_leftAlignment;
        m_visible = b->m_visible;
        m_width = b->m_width;
        m_contentAlignment = b->m_contentAlignment;
        m_hint = b->m_hint;
        m_stretchable = b->m_stretchable;
        m_tag = b->m_tag;
        m_textColor = b->m_textColor;
        if (OnChanged)
            OnChanged(this);
        return;
    }
    TPersistent::Assign(source);
}

void TcxEditButton::SetDefault(bool v)
{
    if (v == m_default)
        return;
    m_default = v;
    if (v && Collection)
        Collection->DefaultChanged(this);
    if (OnChanged)
        OnChanged(this);
}

void TcxEditButtons::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TcxEditButtons*>(source)) {
        if (other == this)
            return;
        m_items.clear();
        for (auto& item : other->m_items)
            Add()->Assign(item.get());
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TcxEditButton* TcxEditButtons::Add()
{
    auto button = std::make_unique<TcxEditButton>();
    button->Collection = this;
    button->OnChanged = [this](TcxEditButton*) { Changed(); };
    m_items.push_back(std::move(button));
    Changed();
    return m_items.back().get();
}

void TcxEditButtons::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EInvalidOperation(L"List index out of bounds (" + std::to_wstring(index) + L")");
    m_items.erase(m_items.begin() + index);
    Changed();
}

void TcxEditButtons::Clear()
{
    m_items.clear();
    Changed();
}

int TcxEditButtons::IndexOf(const TcxEditButton* button) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == button)
            return static_cast<int>(i);
    return -1;
}

void TcxEditButtons::DefaultChanged(TcxEditButton* button)
{
    for (auto& b : m_items)
        if (b.get() != button && b->Default()) {
            auto handler = std::move(b->OnChanged);
            b->SetDefault(false);
            b->OnChanged = std::move(handler);
        }
}

void TcxEditButtons::Changed()
{
    if (OnChanged)
        OnChanged(nullptr);
}

// ---- properties registry -----------------------------------------------------------------------

namespace {

struct RegisteredProperties {
    std::wstring className, description;
    TcxEditPropertiesFactory factory;
};

std::vector<RegisteredProperties>& PropertiesRegistry()
{
    static std::vector<RegisteredProperties> registry;
    return registry;
}

} // namespace

void RegisterEditProperties(const std::wstring& className, const std::wstring& description,
                            TcxEditPropertiesFactory factory)
{
    UnregisterEditProperties(className);
    PropertiesRegistry().push_back({className, description, std::move(factory)});
}

void UnregisterEditProperties(const std::wstring& className)
{
    auto& r = PropertiesRegistry();
    r.erase(std::remove_if(r.begin(), r.end(),
                           [&](const RegisteredProperties& p) { return p.className == className; }),
            r.end());
}

std::wstring FindEditPropertiesByDescription(const std::wstring& description)
{
    for (const auto& p : PropertiesRegistry())
        if (p.description == description)
            return p.className;
    return {};
}

TcxCustomEditProperties* CreateEditProperties(const std::wstring& className, TcxCustomEdit* owner)
{
    for (const auto& p : PropertiesRegistry())
        if (p.className == className)
            return p.factory(owner);
    return nullptr;
}
