#include "cxContainer.h"

#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtForms.h"
#include "runtime/rtStreaming.h"
#include "runtime/rtGraphicsInfo.h"

#include <windowsx.h>

int ContainerBorderWidth(TcxContainerBorderStyle style)
{
    static const int widths[] = {0, 1, 2, 2, 2, 1, 1};
    return widths[style];
}

TcxContainerBorderStyle DefaultBorderStyleFor(TcxLookAndFeelKind kind)
{
    static const TcxContainerBorderStyle styles[] = {cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11};
    return styles[kind];
}

namespace {

// Border style of the focused, disabled and hot states when none is assigned, by the
// normal style's border style (rows) and the state (columns).
const TcxContainerBorderStyle kStateBorderStyles[7][4] = {
    {cbsNone, cbsFlat, cbsNone, cbsFlat},
    {cbsSingle, cbsThick, cbsSingle, cbsThick},
    {cbsThick, cbsThick, cbsThick, cbsThick},
    {cbsFlat, cbs3D, cbsFlat, cbs3D},
    {cbs3D, cbs3D, cbs3D, cbs3D},
    {cbsUltraFlat, cbsUltraFlat, cbsUltraFlat, cbsUltraFlat},
    {cbsOffice11, cbsOffice11, cbsOffice11, cbsOffice11},
};

const TEnumNames kBorderStyleNames{
    {L"cbsNone", cbsNone},        {L"cbsSingle", cbsSingle}, {L"cbsThick", cbsThick},
    {L"cbsFlat", cbsFlat},        {L"cbs3D", cbs3D},         {L"cbsUltraFlat", cbsUltraFlat},
    {L"cbsOffice11", cbsOffice11}};

const TEnumNames kEdgeNames{{L"bLeft", cxBorder(bLeft)},
                            {L"bTop", cxBorder(bTop)},
                            {L"bRight", cxBorder(bRight)},
                            {L"bBottom", cxBorder(bBottom)}};

} // namespace

// ---- TcxContainerStyle -------------------------------------------------------------------------

TcxContainerStyle::TcxContainerStyle(TcxContainer* container, TcxContainerStateIndex state,
                                     bool directValueMode)
    : m_container(container), m_direct(directValueMode), m_state(state), m_lookAndFeel(this)
{
    if (m_direct) {
        m_borderColor = clDefault;
        m_edges = 0;
        m_shadow = false;
        m_transparentBorder = true;
    }
    m_font.OnChange = [this](TGraphicsObject*) {
        if (m_fontAssignedLock == 0)
            m_assigned |= svFont;
        MarkChanged();
    };
    m_lookAndFeel.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { MarkChanged(); };
}

const TClassInfo* TcxContainerStyle::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxContainerStyle", nullptr);
        FontProperties();
        ci.AddColor<TcxContainerStyle>(L"BorderColor", &TcxContainerStyle::SetBorderColor,
                                       &TcxContainerStyle::BorderColor);
        ci.AddEnum<TcxContainerStyle, TcxContainerBorderStyle>(L"BorderStyle", kBorderStyleNames,
                                                               &TcxContainerStyle::SetBorderStyle,
                                                               &TcxContainerStyle::BorderStyle);
        ci.AddColor<TcxContainerStyle>(L"Color", &TcxContainerStyle::SetColor, &TcxContainerStyle::Color);
        ci.AddSet<TcxContainerStyle, TcxBorders>(L"Edges", kEdgeNames, &TcxContainerStyle::SetEdges,
                                                 &TcxContainerStyle::Edges);
        ci.AddObject<TcxContainerStyle, TFont>(L"Font", &TcxContainerStyle::Font);
        ci.AddBool<TcxContainerStyle>(L"HotTrack", &TcxContainerStyle::SetHotTrack,
                                      &TcxContainerStyle::HotTrack);
        ci.AddObject<TcxContainerStyle, TcxLookAndFeel>(L"LookAndFeel", &TcxContainerStyle::LookAndFeel);
        ci.AddBool<TcxContainerStyle>(L"Shadow", &TcxContainerStyle::SetShadow, &TcxContainerStyle::Shadow);
        ci.AddColor<TcxContainerStyle>(L"TextColor", &TcxContainerStyle::SetTextColor,
                                       &TcxContainerStyle::TextColor);
        ci.AddBool<TcxContainerStyle>(L"TransparentBorder", &TcxContainerStyle::SetTransparentBorder,
                                      &TcxContainerStyle::TransparentBorder);
        ci.Add({L"StyleController",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxContainerStyle&>(o).SetStyleControllerName(v.text);
                },
                [](const TPersistent& o) {
                    return ReferenceValue(static_cast<const TcxContainerStyle&>(o).StyleController());
                },
                {},
                {}});
        ci.AddSet<TcxContainerStyle, TFontStyles>(L"TextStyle",
                                                  {{L"fsBold", fsBold},
                                                   {L"fsItalic", fsItalic},
                                                   {L"fsUnderline", fsUnderline},
                                                   {L"fsStrikeOut", fsStrikeOut}},
                                                  &TcxContainerStyle::SetTextStyle,
                                                  &TcxContainerStyle::TextStyle);
        ci.AddSet<TcxContainerStyle, TcxContainerStyleValues>(L"AssignedValues",
                                                              {{L"svBorderColor", svBorderColor},
                                                               {L"svBorderStyle", svBorderStyle},
                                                               {L"svColor", svColor},
                                                               {L"svEdges", svEdges},
                                                               {L"svFont", svFont},
                                                               {L"svHotTrack", svHotTrack},
                                                               {L"svShadow", svShadow},
                                                               {L"svTextColor", svTextColor},
                                                               {L"svTextStyle", svTextStyle},
                                                               {L"svTransparentBorder", svTransparentBorder}},
                                                              &TcxContainerStyle::SetAssignedValues,
                                                              &TcxContainerStyle::AssignedValues);
        ci.Add({L"IsFontAssigned",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    auto& assigned = static_cast<TcxContainerStyle&>(o).Root()->m_assigned;
                    if (ValueToBool(v))
                        assigned |= svFont;
                    else
                        assigned &= ~svFont;
                },
                [](const TPersistent& o) {
                    const bool set =
                        (static_cast<const TcxContainerStyle&>(o).Root()->m_assigned & svFont) != 0;
                    return TValue::Id(set ? L"True" : L"False");
                },
                {},
                {}});
        return ci;
    }();
    return &info;
}

TcxContainerStyle* TcxContainerStyle::Root()
{
    if (IsRootStyle())
        return this;
    if (m_root)
        return m_root;
    return m_container ? m_container->Style() : this;
}

const TcxContainerStyle* TcxContainerStyle::Root() const
{
    return const_cast<TcxContainerStyle*>(this)->Root();
}

TcxContainerStyle::~TcxContainerStyle()
{
    m_destroying = true;
    if (IsRootStyle() && m_controller) {
        TcxStyleController* c = m_controller;
        m_controller = nullptr;
        c->DetachStyle(this);
    }
}

const TcxContainerStyle* TcxContainerStyle::AssignedSource(TcxContainerStyleValue v, int depth) const
{
    if (m_assigned & v)
        return this;
    // Cycles are refused when a controller is set; the bound only guards against a chain
    // that was made some other way.
    TcxStyleController* c = Root()->m_controller;
    if (!c || depth > 32 || c->IsDestroying())
        return nullptr;
    const TcxContainerStyle* s = c->StateStyle(m_state);
    return s && s != this ? s->AssignedSource(v, depth + 1) : nullptr;
}

TcxStyleController* TcxContainerStyle::StyleController() const
{
    TcxStyleController* c = Root()->m_controller;
    return c && c->IsDefault() ? nullptr : c;
}

void TcxContainerStyle::SetStyleController(TcxStyleController* controller)
{
    TcxContainerStyle* r = Root();
    if (r != this) {
        r->SetStyleController(controller);
        return;
    }
    if (m_direct)
        return;
    if (!controller)
        controller = DefaultStyleController();
    if (controller == m_controller)
        return;
    // Refused when the new controller takes its values, directly or further up its chain,
    // from this very style.
    int steps = 0;
    for (TcxStyleController* c = controller; c && steps < 64; c = c->Style()->m_controller, ++steps)
        if (c->Style() == this)
            return;
    if (m_controller)
        m_controller->DetachStyle(this);
    m_controller = controller;
    if (m_controller)
        m_controller->AttachStyle(this);
    ControllerStyleChanged();
}

void TcxContainerStyle::ResolveStyleControllerName(TComponent* owner)
{
    TcxContainerStyle* r = Root();
    if (r->m_pendingControllerName.empty())
        return;
    std::wstring name = std::move(r->m_pendingControllerName);
    r->m_pendingControllerName.clear();
    if (name == L"nil") {
        r->SetStyleController(nullptr);
        return;
    }
    if (auto* c = dynamic_cast<TcxStyleController*>(FindReferencedComponent(owner, name)))
        r->SetStyleController(c);
}

void TcxContainerStyle::ConnectDefaultController()
{
    if (!IsRootStyle() || m_controller || m_direct)
        return;
    if (TcxStyleController* c = DefaultStyleController()) {
        m_controller = c;
        c->AttachStyle(this);
    }
}

void TcxContainerStyle::ControllerStyleChanged()
{
    UpdateFont();
    MarkChanged();
}

void TcxContainerStyle::ControllerFreed(TcxStyleController* controller)
{
    if (m_controller != controller)
        return;
    // The default controller itself going away leaves the style without one; any other
    // hands the style back to the default.
    if (controller->IsDefault()) {
        m_controller = nullptr;
        m_lookAndFeel.SetMaster(nullptr);
        return;
    }
    SetStyleController(nullptr);
}

void TcxContainerStyle::UpdateFont()
{
    if (!IsRootStyle() || m_direct || IsAssigned(svFont))
        return;
    const TcxContainerStyle* source = AssignedSource(svFont);
    if (source == this)
        return;
    ++m_fontAssignedLock;
    if (source) {
        m_font.Assign(&source->m_font);
    } else if (m_container && m_container->ParentFont()) {
        // No controller gives a font any more: the control's, which follows its parent.
        m_font.Assign(m_container->Font());
    } else {
        // Nor does a parent: a controller's font that went away must not stay behind.
        TFont defaultFont;
        m_font.Assign(&defaultFont);
    }
    --m_fontAssignedLock;
}

void TcxContainerStyle::Assign(const TPersistent* source)
{
    auto* s = dynamic_cast<const TcxContainerStyle*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    LockUpdate();
    try {
        // The normal style takes the source's controller with its look-and-feel: the values the
        // source leaves to its controller then come from the same place.
        if (IsRootStyle() && !m_direct && !s->m_direct)
            SetStyleController(s->StyleController());
        if (IsRootStyle())
            m_lookAndFeel.Assign(&s->Root()->m_lookAndFeel);
        m_borderColor = s->m_borderColor;
        m_borderStyle = s->m_borderStyle;
        m_edges = s->m_edges;
        m_hotTrack = s->m_hotTrack;
        m_shadow = s->m_shadow;
        m_transparentBorder = s->m_transparentBorder;
        m_color = s->m_color;
        auto* source = const_cast<TcxContainerStyle*>(s);
        if (m_direct) {
            m_borrowedFont = source->Font();
        } else {
            ++m_fontAssignedLock;
            m_font.Assign(source->Font());
            // A light style's text colour is the colour its font is meant to have.
            if (s->m_direct)
                m_font.SetColor(s->m_textColor);
            --m_fontAssignedLock;
        }
        m_textColor = s->m_textColor;
        m_textStyle = s->m_textStyle;
        m_assigned = s->AssignedValues() & ((1u << 10) - 1);
        MarkChanged();
    } catch (...) {
        UnlockUpdate();
        throw;
    }
    UnlockUpdate();
}

void TcxContainerStyle::RestoreDefaults()
{
    ResetStyle();
}

void TcxContainerStyle::ResetStyle()
{
    LockUpdate();
    m_assigned = 0;
    if (IsRootStyle()) {
        m_lookAndFeel.SetAssignedValues(0);
        if (m_container) {
            m_container->SetParentColor(false);
            m_container->SetParentFont(true);
        }
        if (m_container && m_container->UsesParentBackground()) {
            TcxStyleController* c = m_controller;
            if (!c || !c->Style()->AssignedSource(svColor))
                m_container->SetParentColor(true);
        }
        if (!m_container && !m_direct) {
            // No control to follow: the font starts again from the default one.
            ++m_fontAssignedLock;
            TFont defaultFont;
            m_font.Assign(&defaultFont);
            --m_fontAssignedLock;
        }
    }
    MarkChanged();
    UnlockUpdate();
}

void TcxContainerStyle::SetAssignedValues(TcxContainerStyleValues v)
{
    if (v == m_assigned)
        return;
    m_assigned = v;
    if (IsRootStyle())
        UpdateFont();
    MarkChanged();
}

namespace {

const wchar_t* const kValueNames[] = {L"BorderColor", L"BorderStyle",      L"Color",  L"Edges",
                                      L"Font",        L"HotTrack",         L"Shadow", L"TextColor",
                                      L"TextStyle",   L"TransparentBorder"};

} // namespace

std::wstring TcxContainerStyle::ValueName(int index) const
{
    return index >= 0 && index < 10 ? kValueNames[index] : std::wstring();
}

unsigned TcxContainerStyle::NotPublishedValues() const
{
    // Edges, Font, HotTrack, Shadow and TransparentBorder live in the normal style.
    return (1u << 3) | (1u << 4) | (1u << 5) | (1u << 6) | (1u << 9);
}

bool TcxContainerStyle::IsValueAssigned(int index) const
{
    return index >= 0 && index < 10 && (AssignedValues() & (1u << index)) != 0;
}

bool TcxContainerStyle::IsValueStored(int index) const
{
    if (index < 0 || index >= ValueCount() || !IsValueAssigned(index))
        return false;
    unsigned bit = 1u << index;
    if (!IsRootStyle() && (NotPublishedValues() & bit))
        return false;
    return !(m_container && (m_container->NotPublishedStyleValues() & bit));
}

bool TcxContainerStyle::ValueByName(const std::wstring& name, int& index) const
{
    for (int i = 0; i < ValueCount(); ++i)
        if (lstrcmpiW(ValueName(i).c_str(), name.c_str()) == 0) {
            index = i;
            return true;
        }
    return false;
}

void TcxContainerStyle::MarkChanged()
{
    m_pendingChange = true;
    if (m_lockCount == 0 && m_pendingChange) {
        m_pendingChange = false;
        if (m_destroying || m_direct)
            return;
        if (OwnerNotify)
            OwnerNotify(this);
        else if (m_container)
            m_container->StyleValuesChanged(this);
    }
}

void TcxContainerStyle::UnlockUpdate()
{
    if (m_lockCount > 0)
        --m_lockCount;
    if (m_lockCount == 0 && m_pendingChange)
        MarkChanged();
}

TColor TcxContainerStyle::BorderColor() const
{
    if (m_direct)
        return m_borderColor;
    if (const TcxContainerStyle* src = AssignedSource(svBorderColor))
        return src->m_borderColor;
    if (IsRootStyle())
        return clWindowFrame;
    return m_state == csDisabled ? clBtnShadow : Root()->BorderColor();
}

void TcxContainerStyle::SetBorderColor(TColor v)
{
    if (IsAssigned(svBorderColor) && m_borderColor == v)
        return;
    m_borderColor = v;
    m_assigned |= svBorderColor;
    MarkChanged();
}

TcxContainerBorderStyle TcxContainerStyle::BorderStyle() const
{
    if (m_direct)
        return m_borderStyle;
    if (const TcxContainerStyle* src = AssignedSource(svBorderStyle))
        return src->m_borderStyle;
    const TcxContainerStyle* root = Root();
    if (IsRootStyle())
        return FallbackBorderStyle();
    int column = (root->HotTrack() || m_state == csDisabled) ? m_state : 0;
    return kStateBorderStyles[root->BorderStyle()][column];
}

TcxContainerBorderStyle TcxContainerStyle::FallbackBorderStyle() const
{
    return DefaultBorderStyleFor(const_cast<TcxContainerStyle*>(this)->m_lookAndFeel.Kind());
}

void TcxContainerStyle::SetBorderStyle(TcxContainerBorderStyle v)
{
    if (IsAssigned(svBorderStyle) && m_borderStyle == v)
        return;
    m_borderStyle = v;
    m_assigned |= svBorderStyle;
    MarkChanged();
}

TColor TcxContainerStyle::Color() const
{
    if (m_direct)
        return m_color;
    if (IsRootStyle() && m_container && m_container->ParentColor() && m_container->Parent())
        return m_container->Parent()->Color();
    if (const TcxContainerStyle* src = AssignedSource(svColor))
        return src->m_color;
    bool parentBackground = !m_container || m_container->UsesParentBackground();
    if (IsRootStyle())
        return parentBackground ? clBtnFace : clWindow;
    if (m_state == csDisabled && m_container && !m_container->UsesParentBackground())
        return clBtnFace;
    return Root()->Color();
}

TColor TcxContainerStyle::ColorForOwner() const
{
    if (!m_direct)
        if (const TcxContainerStyle* src = AssignedSource(svColor))
            return src->m_color;
    return Color();
}

void TcxContainerStyle::SetColor(TColor v)
{
    if (IsAssigned(svColor) && m_color == v)
        return;
    m_color = v;
    m_assigned |= svColor;
    MarkChanged();
}

TcxBorders TcxContainerStyle::Edges() const
{
    if (m_direct)
        return m_edges;
    const TcxContainerStyle* src = Root()->AssignedSource(svEdges);
    return src ? src->m_edges : cxBordersAll;
}

void TcxContainerStyle::SetEdges(TcxBorders v)
{
    TcxContainerStyle* r = Root();
    if (r->IsAssigned(svEdges) && r->m_edges == v)
        return;
    r->m_edges = v;
    r->m_assigned |= svEdges;
    r->MarkChanged();
}

bool TcxContainerStyle::HotTrack() const
{
    if (m_direct)
        return m_hotTrack;
    const TcxContainerStyle* r = Root();
    const TcxContainerStyle* src = r->AssignedSource(svHotTrack);
    return src ? src->m_hotTrack : r->FallbackHotTrack();
}

void TcxContainerStyle::SetHotTrack(bool v)
{
    TcxContainerStyle* r = Root();
    if (r->IsAssigned(svHotTrack) && r->m_hotTrack == v)
        return;
    r->m_hotTrack = v;
    r->m_assigned |= svHotTrack;
    r->MarkChanged();
}

bool TcxContainerStyle::Shadow() const
{
    if (m_direct)
        return m_shadow;
    const TcxContainerStyle* src = Root()->AssignedSource(svShadow);
    return src ? src->m_shadow : false;
}

void TcxContainerStyle::SetShadow(bool v)
{
    TcxContainerStyle* r = Root();
    if (r->IsAssigned(svShadow) && r->m_shadow == v)
        return;
    r->m_shadow = v;
    r->m_assigned |= svShadow;
    r->MarkChanged();
}

bool TcxContainerStyle::TransparentBorder() const
{
    if (m_direct)
        return m_transparentBorder;
    const TcxContainerStyle* src = Root()->AssignedSource(svTransparentBorder);
    return src ? src->m_transparentBorder : true;
}

void TcxContainerStyle::SetTransparentBorder(bool v)
{
    TcxContainerStyle* r = Root();
    if (r->IsAssigned(svTransparentBorder) && r->m_transparentBorder == v)
        return;
    r->m_transparentBorder = v;
    r->m_assigned |= svTransparentBorder;
    r->MarkChanged();
}

TColor TcxContainerStyle::TextColor() const
{
    if (m_direct)
        return m_textColor;
    if (const TcxContainerStyle* src = AssignedSource(svTextColor))
        return src->m_textColor;
    if (IsRootStyle())
        return m_font.Color();
    return m_state == csDisabled ? clBtnShadow : Root()->TextColor();
}

void TcxContainerStyle::SetTextColor(TColor v)
{
    if (IsAssigned(svTextColor) && TextColor() == v)
        return;
    m_textColor = v;
    m_assigned |= svTextColor;
    MarkChanged();
}

TFontStyles TcxContainerStyle::TextStyle() const
{
    if (m_direct)
        return m_textStyle;
    if (const TcxContainerStyle* src = AssignedSource(svTextStyle))
        return src->m_textStyle;
    return IsRootStyle() ? m_font.Style() : Root()->TextStyle();
}

void TcxContainerStyle::SetTextStyle(TFontStyles v)
{
    if (IsAssigned(svTextStyle) && TextStyle() == v)
        return;
    m_textStyle = v;
    m_assigned |= svTextStyle;
    MarkChanged();
}

void TcxContainerStyle::TakeControlFont(const TFont& font)
{
    TcxContainerStyle* r = Root();
    bool wasAssigned = r->IsAssigned(svFont);
    ++r->m_fontAssignedLock;
    r->m_font.Assign(&font);
    --r->m_fontAssignedLock;
    if (!wasAssigned)
        r->m_assigned &= ~svFont;
}

TFont* TcxContainerStyle::Font() noexcept
{
    if (m_direct)
        return m_borrowedFont ? m_borrowedFont : &m_font;
    return &Root()->m_font;
}

void TcxContainerStyle::SetFont(TFont* font)
{
    if (m_direct) {
        m_borrowedFont = font;
        return;
    }
    TcxContainerStyle* r = Root();
    if (font)
        r->m_font.Assign(font);
    r->m_assigned |= svFont;
    r->MarkChanged();
}

TcxLookAndFeel* TcxContainerStyle::LookAndFeel() noexcept
{
    return &Root()->m_lookAndFeel;
}

const TFont& TcxContainerStyle::EffectiveFont()
{
    m_effectiveFont.Assign(Font());
    m_effectiveFont.SetColor(TextColor());
    m_effectiveFont.SetStyle(TextStyle());
    return m_effectiveFont;
}

// ---- TcxContainer ------------------------------------------------------------------------------

TcxContainer::TcxContainer(TComponent* owner) : TcxContainer(owner, nullptr) {}

TcxContainer::TcxContainer(TComponent* owner, std::unique_ptr<TcxContainerViewInfo> viewInfo)
    : TcxControl(owner),
      m_viewInfoStorage(viewInfo ? std::move(viewInfo) : std::make_unique<TcxContainerViewInfo>()),
      m_viewInfo(*m_viewInfoStorage)
{
    SetTabStop(true);
}

TcxContainer::~TcxContainer()
{
    Destroying();
    StopHoverWatch(this);
    // The styles go in reverse state order, the normal one (which the others read) last.
    for (int i = 3; i >= 0; --i)
        m_styles[static_cast<size_t>(i)].reset();
}

void TcxContainer::CreateStyles()
{
    for (int i = 0; i < 4; ++i)
        m_styles[i].reset(CreateStyle(static_cast<TcxContainerStateIndex>(i)));
    m_currentStyle = Style();
    Style()->ConnectDefaultController();
    // The control follows the look-and-feel of its normal style.
    LookAndFeel()->SetMaster(Style()->LookAndFeel());
    // A control drawn on its parent's surface takes the parent's colour unless a style says otherwise.
    if (UsesParentBackground() && !Style()->IsAssigned(svColor))
        SetParentColor(true);
    else
        SetColor(clWindow);
    m_constructing = false;
}

TcxContainerStyle* TcxContainer::CreateStyle(TcxContainerStateIndex state)
{
    return new TcxContainerStyle(this, state);
}

const TClassInfo* TcxContainer::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxContainer", TcxControl::StaticProperties());
        ci.AddObject<TcxContainer, TcxContainerStyle>(L"Style", &TcxContainer::Style);
        ci.AddObject<TcxContainer, TcxContainerStyle>(L"StyleDisabled", &TcxContainer::StyleDisabled);
        ci.AddObject<TcxContainer, TcxContainerStyle>(L"StyleFocused", &TcxContainer::StyleFocused);
        ci.AddObject<TcxContainer, TcxContainerStyle>(L"StyleHot", &TcxContainer::StyleHot);
        // Kept so that older descriptions load; it refers to nothing, so it reads as nil.
        ci.Add({L"FakeStyleController",
                [](TPersistent&, const TValue&, const TReaderContext*) {},
                [](const TPersistent&) { return ReferenceValue(nullptr); },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxContainer::SetInnerControl(TWinControl* control)
{
    if (m_innerControl)
        RemoveFreeNotification(m_innerControl);
    m_innerControl = control;
    if (control)
        FreeNotification(control);
}

void TcxContainer::Notification(TComponent* component, TOperation operation)
{
    TcxControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_innerControl)
        m_innerControl = nullptr;
}

TcxContainerStyle* TcxContainer::CurrentStyle()
{
    TcxContainerState state = m_viewInfo.state;
    if (m_currentStyle && state == m_currentStyleState)
        return m_currentStyle;
    if (state & csfDisabled)
        m_currentStyle = StyleDisabled();
    else if (state & csfFocused)
        m_currentStyle = StyleFocused();
    else if ((state & csfHot) && Style()->HotTrack())
        m_currentStyle = StyleHot();
    else
        m_currentStyle = Style();
    m_currentStyleState = state;
    return m_currentStyle;
}

bool TcxContainer::Focused() const
{
    if (!const_cast<TcxContainer*>(this)->HandleAllocated())
        return false;
    HWND focus = GetFocus();
    if (!focus)
        return false;
    HWND self = const_cast<TcxContainer*>(this)->Handle();
    return focus == self ||
           (m_innerControl && m_innerControl->HandleAllocated() && focus == m_innerControl->Handle());
}

void TcxContainer::SetFocus()
{
    if (m_innerControl && m_innerControl->CanFocus()) {
        Handle();
        m_innerControl->SetFocus();
        return;
    }
    TcxControl::SetFocus();
}

TcxContainerState TcxContainer::ComputeState(POINT p, bool hotAllowed) const
{
    if (!IsEnabledDeep())
        return csfDisabled;
    if (IsDesigning())
        return csfNormal;
    TcxContainerState s = Focused() ? csfFocused : csfNormal;
    RECT hot = const_cast<TcxContainer*>(this)->HotBounds();
    if (hotAllowed && PtInRect(&hot, p))
        s |= csfHot;
    return s;
}

RECT TcxContainer::HotBounds()
{
    RECT r{0, 0, Width(), Height()};
    if (m_viewInfo.shadow) {
        r.right -= 3;
        r.bottom -= 3;
    }
    TcxContainerStyle* style = Style();
    TcxContainerBorderStyle bs = style->BorderStyle();
    if (m_viewInfo.usesNativeTheme) {
        // The theme draws a 2-pixel frame; only a borderless transparent ring is outside.
        if (style->TransparentBorder() && bs == cbsNone)
            InflateRect(&r, -2, -2);
    } else if (style->TransparentBorder() && bs != cbsNone) {
        // The ring of what lies behind a transparent border is not part of the control. The
        // ring is what the frame of the state shown now leaves of 2 pixels, so a thicker
        // frame (focused, hot) makes the control hot up to its edge.
        int w = m_viewInfo.bounds.right ? m_viewInfo.borderWidth : ContainerBorderWidth(bs);
        int ring = std::max(2, w) - w;
        TcxBorders e = style->Edges();
        r.left += (e & cxBorder(bLeft)) ? ring : 0;
        r.top += (e & cxBorder(bTop)) ? ring : 0;
        r.right -= (e & cxBorder(bRight)) ? ring : 0;
        r.bottom -= (e & cxBorder(bBottom)) ? ring : 0;
    }
    if (r.bottom < r.top)
        r.top = r.bottom = 0;
    return r;
}

RECT ContainerBorderExtent(TcxContainerBorderStyle style, TcxBorders edges, bool transparentBorder)
{
    if (style == cbsUltraFlat || style == cbsOffice11)
        style = cbsSingle;
    if (style == cbsNone)
        return {0, 0, 0, 0};
    // A transparent border keeps a ring of what lies behind outside a frame thinner than 2
    // pixels; a side without an edge has neither frame nor ring.
    int w = ContainerBorderWidth(style);
    int side = transparentBorder ? std::max(w, 2) : w;
    return {(edges & cxBorder(bLeft)) ? side : 0, (edges & cxBorder(bTop)) ? side : 0,
            (edges & cxBorder(bRight)) ? side : 0, (edges & cxBorder(bBottom)) ? side : 0};
}

RECT TcxContainer::BorderExtent()
{
    TcxContainerStyle* style = CurrentStyle();
    RECT r;
    if (m_viewInfo.usesNativeTheme) {
        // The theme's frame is 2 pixels on every side; a field without a border has none.
        int w = style->TransparentBorder() || Style()->BorderStyle() != cbsNone ? 2 : 0;
        r = {w, w, w, w};
    } else {
        r = ContainerBorderExtent(m_viewInfo.borderStyle, style->Edges(), style->TransparentBorder());
    }
    if (m_viewInfo.shadow) {
        r.right += 3;
        r.bottom += 3;
    }
    return r;
}

TColor TcxContainer::CurrentBorderColor()
{
    TcxContainerStyle* style = CurrentStyle();
    TcxContainerState s = m_viewInfo.state;
    bool highlighted = (s & csfFocused) || ((s & csfHot) && style->HotTrack());
    TcxContainerBorderStyle bs = style->BorderStyle();
    if (bs != cbsUltraFlat && bs != cbsOffice11)
        return style->BorderColor();
    if (!highlighted)
        return clBtnShadow;
    return bs == cbsOffice11 ? Office11SelectionBorder() : clHighlight;
}

TColor TcxContainer::CurrentBackgroundColor()
{
    TcxContainerStyle* style = CurrentStyle();
    TColor color = style->Color();
    // A native field takes the theme's fill unless a colour was given: a disabled one
    // always, an enabled one when it is an editor.
    bool themeFill = (m_viewInfo.state & csfDisabled) || ThemeFillsEnabledField();
    if (m_viewInfo.usesNativeTheme && themeFill && !style->IsAssigned(svColor)) {
        COLORREF fill;
        if (HTHEME theme = ThemeHandleFor(totEdit);
            theme && SUCCEEDED(ThemeApi().GetThemeColor(theme, m_viewInfo.nativePart, m_viewInfo.nativeState,
                                                        3802 /* fill colour */, &fill)))
            color = static_cast<TColor>(fill);
    }
    return color;
}

int ContainerNativePart()
{
    return PlatformMajorVersion() >= 6 ? 3 : 1;
}

int ContainerNativeState(TcxContainerState state, bool readOnly)
{
    if (state & csfDisabled)
        return 4;
    if (readOnly)
        return 6;
    if (state & csfFocused)
        return 5;
    return (state & csfHot) ? 2 : 1;
}

bool TcxContainer::UsesNativeTheme()
{
    // Controls that show what lies behind them (labels, group boxes, bars) draw their own
    // look; the theme's field frame is not theirs.
    return !UsesParentBackground() && Style()->LookAndFeel()->NativeStyle() && VisualStylesActive() &&
           ThemeHandleFor(totEdit);
}

void TcxContainer::ComputeStateAndBorder(POINT p, bool hotAllowed)
{
    m_viewInfo.state = ComputeState(p, hotAllowed);
    if (!CurrentStyle()->HotTrack())
        m_viewInfo.hotState = chsNone;
    else
        m_viewInfo.hotState = m_viewInfo.state & (csfFocused | csfHot) ? chsHighlighted : chsNormal;
    TcxContainerBorderStyle bs;
    if (m_viewInfo.usesNativeTheme) {
        bs = Style()->BorderStyle();
    } else {
        bs = CurrentStyle()->BorderStyle();
        // The two flat looks are a one-pixel frame whose colour carries the look.
        if (bs == cbsUltraFlat || bs == cbsOffice11)
            bs = cbsSingle;
    }
    m_viewInfo.borderStyle = bs;
    m_viewInfo.borderWidth = ContainerBorderWidth(bs);
}

void TcxContainer::ComputeViewInfo(POINT p, bool hotAllowed)
{
    m_viewInfo.usesNativeTheme = UsesNativeTheme();
    int oldWidth = m_viewInfo.borderWidth;
    ComputeStateAndBorder(p, hotAllowed);
    // Where the control counts as hot depends on the frame it shows: a frame that got
    // thinner is asked once more, so that the ring it gave back is not taken as hot.
    if (!m_viewInfo.usesNativeTheme && m_viewInfo.borderWidth < oldWidth)
        ComputeStateAndBorder(p, hotAllowed);
    TcxContainerStyle* style = CurrentStyle();
    if (m_viewInfo.usesNativeTheme) {
        m_viewInfo.nativePart = ContainerNativePart();
        m_viewInfo.nativeState = ContainerNativeState(m_viewInfo.state, IsReadOnlyForTheme());
    }
    m_viewInfo.shadow = style->Shadow() && !m_viewInfo.usesNativeTheme;
    m_viewInfo.edges = style->Edges();
    m_viewInfo.bounds = {0, 0, Width(), Height()};
    RECT ext = BorderExtent();
    m_viewInfo.borderRect = {ext.left, ext.top, Width() - ext.right, Height() - ext.bottom};
    m_viewInfo.clientRect = m_viewInfo.borderRect;
    m_viewInfo.borderColor = CurrentBorderColor();
    m_viewInfo.backgroundColor = CurrentBackgroundColor();
}

void TcxContainer::PlaceInnerControl()
{
    if (!m_innerControl)
        return;
    const RECT& r = m_viewInfo.clientRect;
    RECT b = m_innerControl->BoundsRect();
    if (!EqualRect(&b, &r))
        m_innerControl->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TcxContainer::SyncInnerControlLook()
{
    if (!m_innerControl)
        return;
    m_innerControl->SetColor(m_viewInfo.backgroundColor);
    // A font object announces every assignment, even of equal settings; the platform control
    // only needs a new font when something differs.
    const TFont& font = CurrentStyle()->EffectiveFont();
    if (!m_innerControl->Font()->SameAs(font))
        m_innerControl->SetFont(&font);
}

void TcxContainer::UpdateVisualState(POINT p, bool isMouseEvent)
{
    RunVisualStateUpdate(p, true, isMouseEvent);
}

namespace {

// True while a modifier key or a mouse button is held: the control is not made hot then.
bool KeyOrButtonHeld()
{
    // The state of the keyboard now, also while another window has the keyboard focus.
    static const int keys[] = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    for (int k : keys)
        if (GetAsyncKeyState(k) < 0)
            return true;
    return false;
}

} // namespace

void TcxContainer::RunVisualStateUpdate(POINT p, bool invalidate, bool isMouseEvent)
{
    m_refreshRequested = true;
    auto canUpdate = [this] {
        return m_visualStateLock == 0 && !m_constructing && !IsDestroying() && !IsLoading() &&
               HandleAllocated();
    };
    if (!canUpdate())
        return;
    ++m_visualStateLock;
    m_refreshRequested = false;
    try {
        bool hotAllowed = Style()->HotTrack() && !KeyOrButtonHeld();
        ComputeViewInfo(p, hotAllowed);
        PlaceInnerControl();
        ClipInnerControl();
        SyncInnerControlLook();
        ApplyWindowRegion();
        if (invalidate)
            InvalidateAfterUpdate();
        // While hot, the watch notices the cursor leaving, also over the inner control,
        // whose window takes the platform's leave notices away from this one.
        if (m_viewInfo.state & csfHot)
            StartHoverWatch(this, m_viewInfo.bounds, this);
    } catch (...) {
        --m_visualStateLock;
        throw;
    }
    --m_visualStateLock;
    if (isMouseEvent && m_afterMouseLock == 0 && canUpdate()) {
        // The step after a mouse change runs the button handlers, which may free the control.
        const TLife life = Life();
        ++m_afterMouseLock;
        try {
            AfterMouseUpdate();
        } catch (...) {
            if (life.Alive())
                --m_afterMouseLock;
            throw;
        }
        if (life.Alive())
            --m_afterMouseLock;
    }
}

void TcxContainer::UpdateVisualStateAtCursor(bool isMouseEvent)
{
    UpdateVisualState(CursorPoint(), isMouseEvent);
}

POINT TcxContainer::CursorPoint()
{
    POINT p{-1, -1};
    // A window that is not on the screen cannot be under the cursor.
    if (HandleAllocated() && IsWindowVisible(Handle())) {
        POINT c;
        GetCursorPos(&c);
        HWND under = WindowFromPoint(c);
        if (under == Handle() || IsChild(Handle(), under)) {
            ScreenToClient(Handle(), &c);
            p = c;
        }
    }
    return p;
}

void TcxContainer::StyleValuesChanged(TcxContainerStyle* style)
{
    if (m_constructing || IsLoading() || IsDestroying())
        return;
    UpdateVisualStateAtCursor(false);
    // The control's own colour and font follow the normal style.
    bool followedParentColor = ParentColor();
    m_settingOwnLook = true;
    if (!(ParentColor() && !Style()->IsAssigned(svColor)))
        SetColor(Style()->ColorForOwner());
    if (Style()->IsAssigned(svFont))
        SetFont(Style()->Font());
    m_settingOwnLook = false;
    // The update above still saw the parent's colour; the view takes the style's now.
    if (followedParentColor && !ParentColor())
        UpdateVisualStateAtCursor(false);
}

void TcxContainer::PrepareForPaint()
{
    // An update skipped earlier runs now; the paint under way shows its result, so it asks
    // for no further repaint.
    if (m_refreshRequested || !m_viewInfo.bounds.right)
        RunVisualStateUpdate(CursorPoint(), false, false);
}

void TcxContainer::PaintControl(HDC dc)
{
    PrepareForPaint();
    PaintFrame(dc);
    PaintContent(dc);
}

namespace {

void FillColor(HDC dc, const RECT& r, TColor color)
{
    if (color == clNone)
        return;
    UniqueBrush b(CreateSolidBrush(ColorToRGB(color)));
    FillRect(dc, &r, b.get());
}

void FrameColor(HDC dc, RECT r, TColor color, int width)
{
    for (int i = 0; i < width; ++i) {
        UniqueBrush b(CreateSolidBrush(ColorToRGB(color)));
        FrameRect(dc, &r, b.get());
        InflateRect(&r, -1, -1);
    }
}

void Edge(HDC dc, const RECT& r, TColor topLeft, TColor bottomRight, TcxBorders edges)
{
    if (edges & cxBorder(bLeft))
        FillColor(dc, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
    if (edges & cxBorder(bTop))
        FillColor(dc, {r.left, r.top, r.right, r.top + 1}, topLeft);
    if (edges & cxBorder(bRight))
        FillColor(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    if (edges & cxBorder(bBottom))
        FillColor(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

} // namespace

void TcxContainer::PaintFrame(HDC dc)
{
    const TcxContainerViewInfo& vi = m_viewInfo;
    if (vi.usesNativeTheme) {
        PaintNativeFrame(dc);
        return;
    }
    int w = vi.borderWidth;
    RECT r = vi.borderRect;
    // The frame lies just outside the border rectangle on the sides that have an edge.
    if (vi.edges & cxBorder(bLeft))
        r.left -= w;
    if (vi.edges & cxBorder(bTop))
        r.top -= w;
    if (vi.edges & cxBorder(bRight))
        r.right += w;
    if (vi.edges & cxBorder(bBottom))
        r.bottom += w;
    // What lies outside the frame (the ring of a transparent border, the corners beside a
    // shadow) shows the parent.
    if (UsesParentBackground() || IsTransparent()) {
        PaintParentBackground(dc);
    } else {
        RECT outer = vi.bounds;
        if (!EqualRect(&outer, &r)) {
            SaveDCGuard saved(dc);
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
            PaintParentBackground(dc);
        }
    }
    if (vi.shadow) {
        FillColor(dc, {r.left + 3, r.bottom, r.right, r.bottom + 3}, clBtnShadow);
        FillColor(dc, {r.right, r.top + 3, r.right + 3, r.bottom + 3}, clBtnShadow);
    }
    // Sides without an edge: the frame line falls outside the window.
    if (!(vi.edges & cxBorder(bLeft)))
        r.left -= w;
    if (!(vi.edges & cxBorder(bTop)))
        r.top -= w;
    if (!(vi.edges & cxBorder(bRight)))
        r.right += w;
    if (!(vi.edges & cxBorder(bBottom)))
        r.bottom += w;
    switch (vi.borderStyle) {
    case cbsSingle:
    case cbsThick: FrameColor(dc, r, vi.borderColor, w); break;
    case cbsFlat: {
        Edge(dc, r, clBtnShadow, clBtnHighlight, vi.edges);
        RECT inner = r;
        InflateRect(&inner, -1, -1);
        FrameColor(dc, inner, clBtnFace, 1);
        break;
    }
    case cbs3D: {
        Edge(dc, r, clBtnShadow, clBtnHighlight, vi.edges);
        RECT inner = r;
        InflateRect(&inner, -1, -1);
        Edge(dc, inner, cl3DDkShadow, cl3DLight, vi.edges);
        break;
    }
    default: break;
    }
    if (!IsTransparent())
        FillColor(dc, vi.borderRect, vi.backgroundColor);
}

void TcxContainer::PaintNativeFrame(HDC dc)
{
    const TcxContainerViewInfo& vi = m_viewInfo;
    HTHEME theme = ThemeHandleFor(totEdit);
    if (vi.borderStyle == cbsNone || !theme) {
        FillColor(dc, vi.bounds, vi.backgroundColor);
        return;
    }
    // The theme's field: its content filled with the background, the ring around it in the
    // theme's border colour (or the theme's own frame when it names no colour).
    RECT content = vi.borderRect;
    ThemeApi().GetThemeBackgroundContentRect(theme, dc, vi.nativePart, vi.nativeState, &vi.bounds, &content);
    // A part that keeps no margin (some themes' field background) still shows a one-pixel
    // frame, as the theme's own fields do; a field without one would not be seen.
    if (EqualRect(&content, &vi.bounds))
        InflateRect(&content, -1, -1);
    COLORREF border;
    if (SUCCEEDED(ThemeApi().GetThemeColor(theme, vi.nativePart, vi.nativeState, 3801 /* border colour */,
                                           &border))) {
        SaveDCGuard saved(dc);
        ExcludeClipRect(dc, content.left, content.top, content.right, content.bottom);
        FillColor(dc, vi.bounds, static_cast<TColor>(border));
    } else {
        ThemeApi().DrawThemeBackground(theme, dc, vi.nativePart, vi.nativeState, &vi.bounds, nullptr);
    }
    FillColor(dc, content, vi.backgroundColor);
}

LRESULT TcxContainer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETFOCUS:
        if (InnerFocusTransfer()) {
            UpdateVisualStateAtCursor(false);
            return 0;
        }
        // The inner control takes the focus that reaches the frame.
        if (m_innerControl && m_innerControl->HandleAllocated() &&
            reinterpret_cast<HWND>(wParam) != m_innerControl->Handle() && m_innerControl->CanFocus()) {
            m_focusFromOutside = true;
            ::SetFocus(m_innerControl->Handle());
            return 0;
        }
        {
            LRESULT r = TcxControl::WndProc(msg, wParam, lParam);
            UpdateVisualStateAtCursor(false);
            return r;
        }
    case WM_KILLFOCUS: {
        // Handing the focus on to the inner control keeps it inside the control.
        if (InnerFocusTransfer() || (m_innerControl && m_innerControl->HandleAllocated() &&
                                     reinterpret_cast<HWND>(wParam) == m_innerControl->Handle())) {
            UpdateVisualStateAtCursor(false);
            return 0;
        }
        LRESULT r = TcxControl::WndProc(msg, wParam, lParam);
        UpdateVisualStateAtCursor(false);
        return r;
    }
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: UpdateVisualStateAtCursor(false); break;
    case WM_KEYDOWN:
        if (TabKeyDown(wParam))
            return 0;
        break;
    default: break;
    }
    return TcxControl::WndProc(msg, wParam, lParam);
}

bool TcxContainer::TabKeyDown(WPARAM key)
{
    if (key != VK_TAB || !Focused() || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 ||
        !TabLeavesControl())
        return false;
    TCustomForm* form = GetParentForm();
    if (!form)
        return false;
    form->SelectNext(GetKeyState(VK_SHIFT) >= 0);
    // The focus that came back to the frame belongs to the inner control.
    if (HandleAllocated() && GetFocus() == Handle() && m_innerControl && m_innerControl->CanFocus())
        m_innerControl->SetFocus();
    return true;
}

void TcxContainer::ScreenResolutionChanged(int m, int d)
{
    if (m != d && d != 0 && Style() && Style()->IsAssigned(svFont))
        Style()->Font()->SetHeight(MulDiv(Style()->Font()->Height(), m, d));
    TcxControl::ScreenResolutionChanged(m, d);
}

void TcxContainer::HandleCreated()
{
    TcxControl::HandleCreated();
    UpdateVisualStateAtCursor(false);
}

void TcxContainer::Resized()
{
    TcxControl::Resized();
    UpdateVisualStateAtCursor(false);
}

void TcxContainer::Loaded()
{
    TcxControl::Loaded();
    Style()->ResolveStyleControllerName(Owner());
    PlaceInnerControl();
    StyleValuesChanged(Style());
}

void TcxContainer::EnabledChanged()
{
    TcxControl::EnabledChanged();
    if (m_innerControl)
        m_innerControl->SetEnabled(Enabled());
    UpdateVisualStateAtCursor(false);
}

void TcxContainer::SetColor(TColor value)
{
    TcxControl::SetColor(value);
    if (m_settingOwnLook || m_constructing || !Style())
        return;
    m_settingOwnLook = true;
    try {
        Style()->SetColor(value);
    } catch (...) {
        m_settingOwnLook = false;
        throw;
    }
    m_settingOwnLook = false;
}

void TcxContainer::ColorChanged()
{
    TcxControl::ColorChanged();
    // The parent's colour arriving is no assignment of the style; the look follows it.
    if (!m_settingOwnLook && !m_constructing && ParentColor() && Style() && Style()->Color() != Color())
        StyleValuesChanged(Style());
    else if (!m_settingOwnLook && !m_constructing && ParentColor())
        UpdateVisualStateAtCursor(false);
}

RECT TcxContainer::ShadowCaster()
{
    RECT ext = BorderExtent();
    RECT caster{ext.left, ext.top, Width() - ext.right, Height() - ext.bottom};
    int w = m_viewInfo.borderWidth;
    TcxBorders e = m_viewInfo.edges;
    if (e & cxBorder(bLeft))
        caster.left -= w;
    if (e & cxBorder(bTop))
        caster.top -= w;
    if (e & cxBorder(bRight))
        caster.right += w;
    if (e & cxBorder(bBottom))
        caster.bottom += w;
    return caster;
}

void TcxContainer::ApplyWindowRegion()
{
    if (!HandleAllocated())
        return;
    const RECT wanted = m_viewInfo.shadow ? ShadowCaster() : RECT{};
    if (EqualRect(&wanted, &m_appliedRegion))
        return;
    m_appliedRegion = wanted;
    if (IsRectEmpty(&wanted)) {
        SetWindowRgn(Handle(), nullptr, TRUE);
        return;
    }
    // The frame and the shadow below and to the right of it; the two 3-by-3 corners beside
    // the shadow are outside the window.
    HRGN region = CreateRectRgn(wanted.left, wanted.top, wanted.right, wanted.bottom);
    UniqueRegion shadow(CreateRectRgn(wanted.left + 3, wanted.top + 3, wanted.right + 3, wanted.bottom + 3));
    CombineRgn(region, region, shadow.get(), RGN_OR);
    // The window owns the region from here on.
    SetWindowRgn(Handle(), region, TRUE);
}

void TcxContainer::ClipInnerControl()
{
    if (!m_innerControl || !m_innerControl->HandleAllocated())
        return;
    RECT inner = m_innerControl->BoundsRect();
    RECT visible{};
    IntersectRect(&visible, &inner, &m_viewInfo.clientRect);
    bool whole = EqualRect(&visible, &inner) && !IsRectEmpty(&inner);
    if (whole) {
        if (m_innerClipped) {
            SetWindowRgn(m_innerControl->Handle(), nullptr, TRUE);
            m_innerClipped = false;
        }
        return;
    }
    if (m_innerClipped && EqualRect(&visible, &m_innerVisible))
        return;
    // The visible part in the inner control's own coordinates; nothing visible gives an
    // empty region, which hides the control instead of showing all of it.
    OffsetRect(&visible, -inner.left, -inner.top);
    HRGN region = IsRectEmpty(&visible)
                      ? CreateRectRgn(0, 0, 0, 0)
                      : CreateRectRgn(visible.left, visible.top, visible.right, visible.bottom);
    SetWindowRgn(m_innerControl->Handle(), region, TRUE);
    OffsetRect(&visible, inner.left, inner.top);
    m_innerVisible = visible;
    m_innerClipped = true;
}

void TcxContainer::FontChanged()
{
    TcxControl::FontChanged();
    if (!Style() || m_settingOwnLook)
        return;
    // The parent's font arriving does not replace a font the style assigns: that one is the
    // control's own (a description's stored font would be lost to the form's otherwise).
    if (ParentFont() && Style()->IsAssigned(svFont))
        return;
    m_settingOwnLook = true;
    Style()->TakeControlFont(*Font());
    m_settingOwnLook = false;
}

void TcxContainer::LookAndFeelChanged()
{
    TcxControl::LookAndFeelChanged();
    UpdateVisualStateAtCursor(false);
}

void TcxContainer::MouseEnter()
{
    TcxControl::MouseEnter();
    UpdateVisualStateAtCursor(true);
    StartHoverWatch(this, {0, 0, Width(), Height()}, this);
}

void TcxContainer::MouseLeave()
{
    TcxControl::MouseLeave();
    // The platform says "left" also when the cursor moves onto the inner control: the state
    // comes from where the cursor really is, and a control still hot is watched again.
    StopHoverWatch(this);
    UpdateVisualStateAtCursor(true);
}

void TcxContainer::MouseMove(POINT p)
{
    UpdateVisualState(p, true);
    StartHoverWatch(this, {0, 0, Width(), Height()}, this);
}

void TcxContainer::MouseDown(int button, POINT p)
{
    if (IsHoverWatched(this))
        UpdateVisualState(p, true);
}

void TcxContainer::MouseUp(int button, POINT p)
{
    UpdateVisualState(p, true);
}

void TcxContainer::HoverEnded()
{
    UpdateVisualStateAtCursor(true);
    StopHoverWatch(this);
}

// ---- TcxStyleController ------------------------------------------------------------------------

namespace {

int ScreenDotsPerInchY()
{
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

} // namespace

TcxStyleController::TcxStyleController(TComponent* owner, StyleFactory factory, bool isDefault)
    : TComponent(owner), m_isDefault(isDefault), m_pixelsPerInch(ScreenDotsPerInchY())
{
    for (int i = 0; i < 4; ++i) {
        auto state = static_cast<TcxContainerStateIndex>(i);
        m_styles[static_cast<size_t>(i)].reset(factory ? factory(this, state)
                                                       : new TcxContainerStyle(nullptr, state));
        TcxContainerStyle* s = m_styles[static_cast<size_t>(i)].get();
        if (i > 0)
            s->SetRootStyle(m_styles[0].get());
        s->OwnerNotify = [this](TcxContainerStyle*) {
            if (!m_scaling)
                MarkChanged();
        };
    }
    // The default controller ends every chain; any other takes what it leaves from it.
    if (!isDefault)
        m_styles[0]->ConnectDefaultController();
}

TcxStyleController::~TcxStyleController()
{
    m_destroying = true;
    std::vector<TcxContainerStyle*> listeners = m_listeners;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
        (*it)->ControllerFreed(this);
    m_listeners.clear();
    for (int i = 3; i >= 0; --i)
        m_styles[static_cast<size_t>(i)].reset();
}

const TClassInfo* TcxStyleController::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxStyleController", nullptr);
        ci.AddInt<TcxStyleController>(L"PixelsPerInch", &TcxStyleController::SetPixelsPerInch,
                                      &TcxStyleController::PixelsPerInch);
        return ci;
    }();
    return &info;
}

void TcxStyleController::AttachStyle(TcxContainerStyle* style)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), style) == m_listeners.end())
        m_listeners.push_back(style);
    style->LookAndFeel()->SetMaster(Style()->LookAndFeel());
}

void TcxStyleController::DetachStyle(TcxContainerStyle* style)
{
    auto it = std::find(m_listeners.begin(), m_listeners.end(), style);
    if (it == m_listeners.end())
        return;
    m_listeners.erase(it);
    style->LookAndFeel()->SetMaster(nullptr);
}

void TcxStyleController::MarkChanged()
{
    if (OnStyleChanged)
        OnStyleChanged(this);
    if (m_destroying)
        return;
    std::vector<TcxContainerStyle*> listeners = m_listeners;
    for (TcxContainerStyle* s : listeners)
        if (std::find(m_listeners.begin(), m_listeners.end(), s) != m_listeners.end())
            s->ControllerStyleChanged();
}

void TcxStyleController::SetPixelsPerInch(int value)
{
    // While a description is read, the fonts may still follow: they are scaled once it ends.
    if (IsLoading()) {
        m_storedPixelsPerInch = value;
        return;
    }
    ScaleFontsFrom(value);
}

void TcxStyleController::ScaleFontsFrom(int value)
{
    int screen = ScreenDotsPerInchY();
    if (value <= 0 || value == screen)
        return;
    // The fonts change together; the styles' users hear of it once.
    m_scaling = true;
    try {
        for (auto& style : m_styles)
            if (style->IsRootStyle() && style->IsAssigned(svFont)) {
                TFont* font = style->Font();
                font->SetHeight(MulDiv(font->Height(), screen, value));
            }
    } catch (...) {
        m_scaling = false;
        throw;
    }
    m_scaling = false;
    MarkChanged();
}

void TcxStyleController::Loaded()
{
    TComponent::Loaded();
    if (m_storedPixelsPerInch) {
        const int stored = m_storedPixelsPerInch;
        m_storedPixelsPerInch = 0;
        ScaleFontsFrom(stored);
    }
    Style()->ResolveStyleControllerName(Owner());
    MarkChanged();
}
