#include "cxEdit.h"

#include "runtime/rtGraphicsInfo.h"

#include <cstring>

// ---- TcxCustomEditProperties -----------------------------------------------------------------

const TClassInfo* TcxCustomEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomEditProperties", nullptr);
        ci.AddBool<TcxCustomEditProperties>(L"ReadOnly", &TcxCustomEditProperties::SetReadOnly,
                                            &TcxCustomEditProperties::ReadOnly);
        ci.AddBool<TcxCustomEditProperties>(L"AutoSelect", &TcxCustomEditProperties::SetAutoSelect,
                                            &TcxCustomEditProperties::AutoSelect);
        ci.AddEvent<TcxCustomEditProperties, TNotifyEvent>(L"OnChange", &TcxCustomEditProperties::OnChange);
        ci.AddEvent<TcxCustomEditProperties, TNotifyEvent>(L"OnEditValueChanged",
                                                           &TcxCustomEditProperties::OnEditValueChanged);
        return ci;
    }();
    return &info;
}

void TcxCustomEditProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxCustomEditProperties*>(source)) {
        BeginUpdate();
        m_readOnly = p->m_readOnly;
        m_autoSelect = p->m_autoSelect;
        OnChange = p->OnChange;
        OnEditValueChanged = p->OnEditValueChanged;
        Changed();
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

void TcxCustomEditProperties::SetReadOnly(bool v)
{
    if (v == m_readOnly)
        return;
    m_readOnly = v;
    Changed();
}

void TcxCustomEditProperties::SetAutoSelect(bool v)
{
    if (v == m_autoSelect)
        return;
    m_autoSelect = v;
    Changed();
}

void TcxCustomEditProperties::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_changed)
        Changed();
}

void TcxCustomEditProperties::Changed()
{
    if (m_updateCount > 0) {
        m_changed = true;
        return;
    }
    m_changed = false;
    if (m_owner)
        m_owner->PropertiesChangedFromProperties();
}

// ---- TcxEditStyle ------------------------------------------------------------------------------

const TClassInfo* TcxEditStyle::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditStyle", TcxContainerStyle::StaticProperties());
        // Editors name their border styles with their own prefix; the values are the container's.
        ci.AddEnum<TcxContainerStyle, TcxContainerBorderStyle>(
            L"BorderStyle",
            {{L"ebsNone", cbsNone}, {L"ebsSingle", cbsSingle}, {L"ebsThick", cbsThick}, {L"ebsFlat", cbsFlat},
             {L"ebs3D", cbs3D}, {L"ebsUltraFlat", cbsUltraFlat}, {L"ebsOffice11", cbsOffice11}},
            &TcxContainerStyle::SetBorderStyle, &TcxContainerStyle::BorderStyle);
        ci.Add({L"ButtonStyle",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static const TEnumNames names{{L"btsDefault", btsDefault}, {L"bts3D", bts3D},
                                                  {L"btsFlat", btsFlat},       {L"btsSimple", btsSimple},
                                                  {L"btsHotFlat", btsHotFlat}, {L"btsUltraFlat", btsUltraFlat},
                                                  {L"btsOffice11", btsOffice11}};
                    static_cast<TcxEditStyle&>(o).SetButtonStyle(static_cast<TcxEditButtonStyle>(ValueToEnum(v, names)));
                },
                {},
                {},
                {}});
        ci.AddEnum<TcxEditStyle, TcxEditButtonTransparency>(
            L"ButtonTransparency",
            {{L"ebtNone", ebtNone}, {L"ebtInactive", ebtInactive}, {L"ebtAlways", ebtAlways},
             {L"ebtHideInactive", ebtHideInactive}, {L"ebtHideUnselected", ebtHideUnselected}},
            &TcxEditStyle::SetButtonTransparency, &TcxEditStyle::ButtonTransparency);
        return ci;
    }();
    return &info;
}

const TcxEditStyle* TcxEditStyle::RootEdit() const
{
    return IsRootStyle() || !Container() ? this : static_cast<const TcxEditStyle*>(Container()->Style());
}

TcxEditStyle* TcxEditStyle::RootEdit()
{
    return IsRootStyle() || !Container() ? this : static_cast<TcxEditStyle*>(Container()->Style());
}

TcxEditButtonStyle TcxEditStyle::ButtonStyle() const
{
    if (m_buttonStyleAssigned)
        return m_buttonStyle;
    return IsRootStyle() ? btsDefault : RootEdit()->ButtonStyle();
}

TcxEditButtonStyle TcxEditStyle::EffectiveButtonStyle()
{
    TcxEditButtonStyle assigned = ButtonStyle();
    if (assigned != btsDefault)
        return assigned;
    TcxContainerBorderStyle border = BorderStyle();
    if (border == cbsNone && !HotTrack()) {
        static const TcxEditButtonStyle byKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
        return byKind[LookAndFeel()->Kind()];
    }
    static const TcxEditButtonStyle byBorder[] = {btsSimple, btsHotFlat, bts3D, btsFlat, bts3D, btsUltraFlat, btsOffice11};
    return byBorder[border];
}

TcxEditButtonTransparency TcxEditStyle::ButtonTransparency() const
{
    const TcxEditStyle* r = RootEdit();
    return r->m_buttonTransparencyAssigned ? r->m_buttonTransparency : ebtNone;
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
    const TcxEditStyle* r = RootEdit();
    return r->m_gradientButtonsAssigned && r->m_gradientButtons;
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

void TcxEditStyle::SetButtonStyle(TcxEditButtonStyle v)
{
    if (m_buttonStyleAssigned && v == m_buttonStyle)
        return;
    m_buttonStyle = v;
    m_buttonStyleAssigned = true;
    MarkChanged();
}

// ---- TcxCustomEdit -----------------------------------------------------------------------------

TcxCustomEdit::TcxCustomEdit(TComponent* owner) : TcxContainer(owner) { SetBounds(0, 0, 121, 21); }

TcxCustomEdit::~TcxCustomEdit() { Destroying(); }

void TcxCustomEdit::InitEdit(TcxCustomEditProperties* properties)
{
    m_properties.reset(properties);
    CreateStyles();
}

TcxContainerStyle* TcxCustomEdit::CreateStyle(TcxContainerStateIndex state) { return new TcxEditStyle(this, state); }

const TClassInfo* TcxCustomEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomEdit", TcxContainer::StaticProperties());
        ci.AddBool<TcxCustomEdit>(L"AutoSize", &TcxCustomEdit::SetAutoSize, &TcxCustomEdit::AutoSize);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnChange", &TcxCustomEdit::OnChange);
        ci.AddEvent<TcxCustomEdit, TNotifyEvent>(L"OnEditValueChanged", &TcxCustomEdit::OnEditValueChanged);
        return ci;
    }();
    return &info;
}

void TcxCustomEdit::PropertiesChangedFromProperties() { PropertiesChanged(); }

void TcxCustomEdit::PropertiesChanged()
{
    if (m_constructing || IsLoading() || IsDestroying())
        return;
    ApplyAutoSize();
    UpdateVisualStateAtCursor(false);
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
    TcxContainerBorderStyle bs = style->BorderStyle();
    int frame = 0;
    if (bs != cbsNone)
        frame = style->TransparentBorder() ? 2 : ContainerBorderWidth(bs == cbsUltraFlat || bs == cbsOffice11 ? cbsSingle : bs);
    int shadow = style->Shadow() ? 3 : 0;
    return TextLineHeight() + 2 + 2 * frame + shadow;
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

void TcxCustomEdit::SetBounds(int left, int top, int width, int height)
{
    if (m_autoSize && !m_constructing && !IsLoading() && m_properties)
        height = AutoHeight();
    TcxContainer::SetBounds(left, top, width, height);
}

void TcxCustomEdit::Loaded()
{
    TcxContainer::Loaded();
    ApplyAutoSize();
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
            L"Kind", {{L"bkEllipsis", bkEllipsis}, {L"bkDown", bkDown}, {L"bkGlyph", bkGlyph}, {L"bkText", bkText}},
            &TcxEditButton::SetKind, &TcxEditButton::Kind);
        ci.AddBool<TcxEditButton>(L"LeftAlignment", &TcxEditButton::SetLeftAlignment, &TcxEditButton::LeftAlignment);
        ci.AddBool<TcxEditButton>(L"Visible", &TcxEditButton::SetVisible, &TcxEditButton::Visible);
        ci.AddInt<TcxEditButton>(L"Width", &TcxEditButton::SetWidth, &TcxEditButton::Width);
        return ci;
    }();
    return &info;
}

void TcxEditButton::Assign(const TPersistent* source)
{
    if (auto* b = dynamic_cast<const TcxEditButton*>(source)) {
        m_caption = b->m_caption;
        m_default = b->m_default;
        m_enabled = b->m_enabled;
        m_kind = b->m_kind;
        m_leftAlignment = b->m_leftAlignment;
        m_visible = b->m_visible;
        m_width = b->m_width;
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

int EditButtonWidth(const TcxEditButton& button)
{
    const int margin = 4;
    if (button.Width() > 0)
        return std::max(button.Width(), margin);
    return GetSystemMetrics(SM_CYHSCROLL);
}
