#include "cxLookAndFeels.h"

#include "cxMessageWindow.h"
#include "dxOffice11.h"
#include "dxThemeManager.h"

#include "runtime/rtTypInfo.h"

// ---- system colour listener ----

namespace {

// One instance, kept alive by the notifiers. It owns a reference on the Office 2003
// colour set, the hidden window and the two notifier lists.
class TcxSystemPaletteChangedListener {
public:
    static TcxSystemPaletteChangedListener* Instance() { return s_instance; }

    static void Acquire(TcxSystemPaletteChangedNotifier* notifier)
    {
        if (!s_instance)
            s_instance = new TcxSystemPaletteChangedListener();
        s_instance->List(notifier->IsPrimary()).Add(notifier);
    }

    static void Release(TcxSystemPaletteChangedNotifier* notifier)
    {
        TcxSystemPaletteChangedListener* self = s_instance;
        if (!self)
            return;
        self->List(notifier->IsPrimary()).Remove(notifier);
        if (!self->m_primary.Empty() || !self->m_ordinary.Empty())
            return;
        // The last notifier may go from inside a notification, while the window's own
        // procedure runs: then the listener is freed when that notification ends.
        if (self->m_dispatching)
            self->m_releasePending = true;
        else
            delete self;
    }

    HWND Window() const { return m_window ? m_window->Handle() : nullptr; }

private:
    TcxSystemPaletteChangedListener()
    {
        AcquireOffice11ColorSet();
        m_window = std::make_unique<TcxMessageWindow>([this](UINT msg, WPARAM, LPARAM, LRESULT&) {
            if (msg == WM_SYSCOLORCHANGE)
                SystemColorsChanged();
            return false; // every message goes on to the default window procedure
        });
    }

    ~TcxSystemPaletteChangedListener()
    {
        s_instance = nullptr;
        m_window.reset();
        ReleaseOffice11ColorSet();
    }

    TcxListenerList<TcxSystemPaletteChangedNotifier>& List(bool primary)
    {
        return primary ? m_primary : m_ordinary;
    }

    void SystemColorsChanged()
    {
        struct Dispatch {
            TcxSystemPaletteChangedListener* self;
            explicit Dispatch(TcxSystemPaletteChangedListener* s) : self(s) { self->m_dispatching = true; }
            ~Dispatch()
            {
                self->m_dispatching = false;
                if (self->m_releasePending)
                    delete self;
            }
        } dispatch(this);
        RefreshOffice11ColorSet();
        auto call = [](TcxSystemPaletteChangedNotifier* n) {
            if (n->OnPaletteChange)
                n->OnPaletteChange();
        };
        m_primary.ForEach(call, true);
        m_ordinary.ForEach(call, true);
    }

    static inline TcxSystemPaletteChangedListener* s_instance = nullptr;
    std::unique_ptr<TcxMessageWindow> m_window;
    TcxListenerList<TcxSystemPaletteChangedNotifier> m_primary;
    TcxListenerList<TcxSystemPaletteChangedNotifier> m_ordinary;
    bool m_dispatching = false;
    bool m_releasePending = false;
};

TcxLookAndFeel* g_root = nullptr;
int g_controllerCount = 0;

} // namespace

TcxSystemPaletteChangedNotifier::TcxSystemPaletteChangedNotifier(bool isPrimary) : m_primary(isPrimary)
{
    TcxSystemPaletteChangedListener::Acquire(this);
}

TcxSystemPaletteChangedNotifier::~TcxSystemPaletteChangedNotifier()
{
    TcxSystemPaletteChangedListener::Release(this);
}

HWND SystemPaletteListenerWindow()
{
    auto* listener = TcxSystemPaletteChangedListener::Instance();
    return listener ? listener->Window() : nullptr;
}

// ---- the unit's process-wide objects ----

struct LookAndFeelUnitState {
    TcxExtendedStylePainters painters;
    // Made as the unit starts: creates the colour listener (and so the Office 2003 colours)
    // before the first look-and-feel that starts the unit is made.
    std::unique_ptr<TcxSystemPaletteChangedNotifier> paletteNotifier;
    std::unique_ptr<TcxLookAndFeel> root;
    bool shutdown = false;

    LookAndFeelUnitState()
    {
        paletteNotifier = std::make_unique<TcxSystemPaletteChangedNotifier>(true);
        root.reset(new TcxLookAndFeel(nullptr, TcxLookAndFeel::RootTag{}));
    }
    ~LookAndFeelUnitState()
    {
        shutdown = true;
        root.reset();
        paletteNotifier.reset();
    }
};

namespace {
LookAndFeelUnitState& Unit()
{
    static LookAndFeelUnitState unit;
    return unit;
}
// Nothing is made as the program loads: the unit (and with it the colour listener, the Office
// 2003 colours and so the theme layer) starts with the first look-and-feel, the first painter
// list asked for, or the first colour a painter reads.
const bool g_lookAndFeelStarted = (SetOffice11ColorSetStarter([] { Unit(); }), true);
} // namespace

// Referenced by the link options of the library, so that every program that links the
// layer also registers how the unit starts, even when it names nothing of this unit.
extern "C" const bool cxLookAndFeelUnitStarted = g_lookAndFeelStarted;

TcxLookAndFeel* GlobalLookAndFeel()
{
    Unit();
    return g_root;
}

TcxExtendedStylePainters* ExtendedStylePainters()
{
    LookAndFeelUnitState& u = Unit();
    return u.shutdown ? nullptr : &u.painters;
}

int LookAndFeelControllerCount()
{
    return g_controllerCount;
}

// ---- TcxLookAndFeel ----

namespace {

TValue LookAndFeelKindName(const TPersistent& o);

const TEnumNames kKinds{{L"lfFlat", lfFlat},
                        {L"lfStandard", lfStandard},
                        {L"lfUltraFlat", lfUltraFlat},
                        {L"lfOffice11", lfOffice11}};

TValue LookAndFeelKindName(const TPersistent& o)
{
    int k = static_cast<const TcxLookAndFeel&>(o).Kind();
    for (auto& [n, v] : kKinds)
        if (v == k)
            return TValue::Id(n);
    return TValue::Int(k);
}

} // namespace

// Registered by the first look-and-feel made, so that any control that carries one loads its
// settings from a description.
const TClassInfo* TcxLookAndFeel::StaticProperties()
{
    static const TClassInfo* info = [] {
        static TClassInfo ci(L"TcxLookAndFeel", nullptr);
        ci.Add({L"Kind",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxLookAndFeel&>(o).SetKind(
                        static_cast<TcxLookAndFeelKind>(ValueToEnum(v, kKinds)));
                },
                &LookAndFeelKindName,
                {},
                {}});
        ci.AddBool<TcxLookAndFeel>(L"NativeStyle", &TcxLookAndFeel::SetNativeStyle,
                                   &TcxLookAndFeel::NativeStyle);
        ci.AddString<TcxLookAndFeel>(L"SkinName", &TcxLookAndFeel::SetSkinName, &TcxLookAndFeel::SkinName);
        RegisterExternalProperties(typeid(TcxLookAndFeel), &ci);
        return &ci;
    }();
    return info;
}

TcxLookAndFeel::TcxLookAndFeel(TPersistent* owner) : m_owner(owner)
{
    StaticProperties();
    Init();
    if (TcxLookAndFeel* root = GlobalLookAndFeel()) {
        root->AddListener(static_cast<IcxLookAndFeelChangeListener*>(this));
        RefreshCurrentState();
    }
    ResolvePainter();
}

TcxLookAndFeel::TcxLookAndFeel(TPersistent* owner, RootTag) : m_owner(owner)
{
    m_isRoot = true;
    g_root = this;
    Init();
    ResolvePainter();
}

void TcxLookAndFeel::Init()
{
    m_data = TcxLookAndFeelData{};
    m_current = m_data;
    m_paletteNotifier = std::make_unique<TcxSystemPaletteChangedNotifier>(false);
    m_paletteNotifier->OnPaletteChange = [this] { SystemColorsChanged(); };
}

TcxLookAndFeel::~TcxLookAndFeel()
{
    if (auto* painters = ExtendedStylePainters())
        painters->RemoveSkinSink(this);
    m_paletteNotifier.reset();
    m_destroying = true;
    m_listeners.ForEach([this](IcxLookAndFeelChangeListener* l) { l->MasterDestroying(this); });
    m_destroying = false;
    m_listeners.Clear();
    if (TcxLookAndFeel* master = EffectiveMaster())
        master->RemoveListener(static_cast<IcxLookAndFeelChangeListener*>(this));
    if (m_isRoot && g_root == this)
        g_root = nullptr;
}

TcxLookAndFeel* TcxLookAndFeel::EffectiveMaster() const
{
    if (m_isRoot)
        return nullptr;
    return m_master ? m_master : (g_root != this ? g_root : nullptr);
}

void TcxLookAndFeel::Assign(const TPersistent* source)
{
    if (auto* lf = dynamic_cast<const TcxLookAndFeel*>(source)) {
        if (lf == this)
            return;
        RememberState();
        m_data = lf->m_data;
        m_assignedValues = lf->m_assignedValues;
        ChangeMaster(lf->m_master);
        ReportStateChange();
        return;
    }
    TPersistent::Assign(source);
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind kind)
{
    TcxLookAndFeelKind old = Kind();
    m_assignedValues |= lfvSet(lfvKind);
    m_data.Kind = kind;
    if (ResolvedKind() != old)
        NotifyChanged(lfvSet(lfvKind));
}

void TcxLookAndFeel::SetNativeStyle(bool native)
{
    bool old = NativeStyle();
    m_assignedValues |= lfvSet(lfvNativeStyle);
    m_data.NativeStyle = native;
    if (ResolvedNativeStyle() != old)
        NotifyChanged(lfvSet(lfvNativeStyle));
}

void TcxLookAndFeel::SetSkinName(const TdxSkinName& name)
{
    TdxSkinName old = SkinName();
    m_assignedValues |= lfvSet(lfvSkinName);
    m_data.SkinName = name;
    if (ResolvedSkinName() != old)
        NotifyChanged(lfvSet(lfvSkinName));
}

void TcxLookAndFeel::SetAssignedValues(TcxLookAndFeelValues values)
{
    values &= lfvAll;
    if (values == m_assignedValues)
        return;
    RememberState();
    m_assignedValues = values;
    ReportStateChange();
}

void TcxLookAndFeel::SetMaster(TcxLookAndFeel* master)
{
    if (m_isRoot || master == this || master == m_master)
        return;
    // A master that follows this object, directly or further up its chain, would close a
    // cycle that resolving values would walk forever.
    for (TcxLookAndFeel* m = master; m; m = m->m_master)
        if (m == this)
            return;
    RememberState();
    ChangeMaster(master);
    ReportStateChange();
}

void TcxLookAndFeel::ChangeMaster(TcxLookAndFeel* master)
{
    if (m_isRoot || master == this || master == m_master)
        return;
    for (TcxLookAndFeel* m = master; m; m = m->m_master)
        if (m == this)
            return;
    if (TcxLookAndFeel* old = EffectiveMaster())
        old->RemoveListener(static_cast<IcxLookAndFeelChangeListener*>(this));
    m_master = master;
    if (TcxLookAndFeel* now = EffectiveMaster())
        now->AddListener(static_cast<IcxLookAndFeelChangeListener*>(this));
}

void TcxLookAndFeel::AddListener(IcxLookAndFeelChangeListener* listener)
{
    if (!listener)
        return;
    bool isController = dynamic_cast<TcxLookAndFeelController*>(listener->GetListenerObject()) != nullptr;
    if (isController && !m_isRoot)
        return;
    if (m_listeners.Add(listener) && isController)
        ++g_controllerCount;
}

void TcxLookAndFeel::AddListenerObject(TObject* object)
{
    AddListener(dynamic_cast<IcxLookAndFeelChangeListener*>(object));
}

void TcxLookAndFeel::RemoveListener(IcxLookAndFeelChangeListener* listener)
{
    if (!listener || !m_listeners.Remove(listener))
        return;
    // The list also shrinks while this object is being destroyed: a listener freed during
    // the destruction walk must not be called afterwards.
    bool isController = dynamic_cast<TcxLookAndFeelController*>(listener->GetListenerObject()) != nullptr;
    if (isController && m_isRoot && g_controllerCount > 0 && --g_controllerCount == 0)
        SetAssignedValues(0);
}

void TcxLookAndFeel::RemoveListenerObject(TObject* object)
{
    RemoveListener(dynamic_cast<IcxLookAndFeelChangeListener*>(object));
}

void TcxLookAndFeel::UnlockUpdate()
{
    if (m_lockCount == 0 || --m_lockCount > 0)
        return;
    if (m_pending) {
        m_pending = false;
        TcxLookAndFeelValues values = std::exchange(m_pendingValues, TcxLookAndFeelValues{0});
        NotifyChanged(values);
    }
}

TcxLookAndFeelKind TcxLookAndFeel::ResolvedKind() const
{
    if (m_assignedValues & lfvSet(lfvKind))
        return m_data.Kind;
    TcxLookAndFeel* master = EffectiveMaster();
    return master ? master->Kind() : lfUltraFlat;
}

bool TcxLookAndFeel::ResolvedNativeStyle() const
{
    if (m_assignedValues & lfvSet(lfvNativeStyle))
        return m_data.NativeStyle;
    TcxLookAndFeel* master = EffectiveMaster();
    return master ? master->NativeStyle() : false;
}

TdxSkinName TcxLookAndFeel::ResolvedSkinName() const
{
    if (m_assignedValues & lfvSet(lfvSkinName))
        return m_data.SkinName;
    TcxLookAndFeel* master = EffectiveMaster();
    return master ? master->SkinName() : TdxSkinName();
}

TcxCustomLookAndFeelPainterClass TcxLookAndFeel::ResolvedSkinPainter() const
{
    if (m_assignedValues & lfvSet(lfvSkinName))
        return FindSkinPainter(m_data.SkinName);
    TcxLookAndFeel* master = EffectiveMaster();
    return master ? FindSkinPainter(master->SkinName()) : nullptr;
}

TcxCustomLookAndFeelPainterClass TcxLookAndFeel::FindSkinPainter(const TdxSkinName& name) const
{
    TcxCustomLookAndFeelPainterClass painter = nullptr;
    TcxExtendedStylePainters* painters = ExtendedStylePainters();
    if (name.empty() || !painters || !painters->FindPainterByName(name, painter) || !SkinsEnabled)
        return nullptr;
    return painter;
}

void TcxLookAndFeel::RefreshCurrentState()
{
    m_current.Kind = ResolvedKind();
    m_current.NativeStyle = ResolvedNativeStyle();
    m_current.SkinName = ResolvedSkinName();
    m_current.SkinsWereEnabled = SkinsEnabled;
    m_skinPainter = m_current.NativeStyle ? nullptr : ResolvedSkinPainter();
}

void TcxLookAndFeel::ResolvePainter()
{
    if (m_current.NativeStyle && VisualStylesActive())
        m_current.PainterClass = TcxWinXPLookAndFeelPainter::Instance();
    else if (m_skinPainter)
        m_current.PainterClass = m_skinPainter;
    else
        m_current.PainterClass = KindPainter(m_current.Kind);
}

void TcxLookAndFeel::RememberState()
{
    m_snapshot.Kind = m_current.Kind;
    m_snapshot.NativeStyle = m_current.NativeStyle;
    m_snapshot.SkinName = m_current.SkinName;
}

void TcxLookAndFeel::ReportStateChange()
{
    TcxLookAndFeelValues changed = 0;
    if (ResolvedKind() != m_snapshot.Kind)
        changed |= lfvSet(lfvKind);
    if (ResolvedNativeStyle() != m_snapshot.NativeStyle)
        changed |= lfvSet(lfvNativeStyle);
    if (ResolvedSkinName() != m_snapshot.SkinName)
        changed |= lfvSet(lfvSkinName);
    NotifyChanged(changed);
}

void TcxLookAndFeel::NotifyChanged(TcxLookAndFeelValues changedValues)
{
    if (changedValues == 0 && m_current.SkinsWereEnabled == SkinsEnabled)
        return;
    if (m_destroying)
        return;
    RefreshCurrentState();
    ResolvePainter();
    if (TcxExtendedStylePainters* painters = ExtendedStylePainters()) {
        if (m_skinPainter)
            painters->AddSkinSink(this);
        else
            painters->RemoveSkinSink(this);
    }
    if (m_lockCount > 0) {
        m_pending = true;
        m_pendingValues |= changedValues;
        return;
    }
    m_listeners.ForEach([&](IcxLookAndFeelChangeListener* l) { l->MasterChanged(this, changedValues); });
    if (OnChanged)
        OnChanged(this, changedValues);
}

void TcxLookAndFeel::MasterChanged(TcxLookAndFeel*, TcxLookAndFeelValues changedValues)
{
    NotifyChanged(changedValues & static_cast<TcxLookAndFeelValues>(~m_assignedValues));
}

void TcxLookAndFeel::MasterDestroying(TcxLookAndFeel* sender)
{
    if (sender == m_master)
        SetMaster(nullptr);
}

void TcxLookAndFeel::SystemColorsChanged()
{
    NotifyChanged(lfvSet(lfvNativeStyle));
}

void TcxLookAndFeel::SkinsChanged()
{
    NotifyChanged(lfvAll);
}

// ---- TcxLookAndFeelController ----

const TClassInfo* TcxLookAndFeelController::StaticProperties()
{
    static const TClassInfo info = [] {
        using C = TcxLookAndFeelController;
        TClassInfo ci(L"TcxLookAndFeelController", nullptr);
        ci.Add({L"Kind",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<C&>(o).SetKind(static_cast<TcxLookAndFeelKind>(ValueToEnum(v, kKinds)));
                },
                [](const TPersistent& o) {
                    int k = static_cast<const C&>(o).Kind();
                    for (auto& [n, v] : kKinds)
                        if (v == k)
                            return TValue::Id(n);
                    return TValue::Int(k);
                },
                {},
                {}});
        ci.AddBool<C>(L"NativeStyle", &C::SetNativeStyle, &C::NativeStyle);
        ci.Add({L"SkinName",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    if (v.kind != TValue::Kind::String)
                        throw EReadError(L"Invalid property value " + v.ToText() + L" for SkinName");
                    static_cast<C&>(o).SetSkinName(v.text);
                },
                [](const TPersistent& o) { return TValue::Str(static_cast<const C&>(o).SkinName()); },
                {},
                {}});
        return ci;
    }();
    return &info;
}

TcxLookAndFeelController::TcxLookAndFeelController(TComponent* owner) : TComponent(owner)
{
    if (TcxLookAndFeel* root = GlobalLookAndFeel())
        root->AddListener(static_cast<IcxLookAndFeelChangeListener*>(this));
}

TcxLookAndFeelController::~TcxLookAndFeelController()
{
    if (TcxLookAndFeel* root = GlobalLookAndFeel())
        root->RemoveListener(static_cast<IcxLookAndFeelChangeListener*>(this));
}

TcxLookAndFeelKind TcxLookAndFeelController::Kind() const
{
    TcxLookAndFeel* root = GlobalLookAndFeel();
    return root ? root->Kind() : lfUltraFlat;
}

void TcxLookAndFeelController::SetKind(TcxLookAndFeelKind kind)
{
    if (TcxLookAndFeel* root = GlobalLookAndFeel())
        root->SetKind(kind);
}

bool TcxLookAndFeelController::NativeStyle() const
{
    TcxLookAndFeel* root = GlobalLookAndFeel();
    return root ? root->NativeStyle() : false;
}

void TcxLookAndFeelController::SetNativeStyle(bool native)
{
    if (TcxLookAndFeel* root = GlobalLookAndFeel())
        root->SetNativeStyle(native);
}

TdxSkinName TcxLookAndFeelController::SkinName() const
{
    TcxLookAndFeel* root = GlobalLookAndFeel();
    return root ? root->SkinName() : TdxSkinName();
}

void TcxLookAndFeelController::SetSkinName(const TdxSkinName& name)
{
    if (TcxLookAndFeel* root = GlobalLookAndFeel())
        root->SetSkinName(name);
}

void TcxLookAndFeelController::ResetToDefaults()
{
    if (TcxLookAndFeel* root = GlobalLookAndFeel()) {
        root->LockUpdate();
        root->SetKind(lfUltraFlat);
        root->SetNativeStyle(false);
        root->SetSkinName(TdxSkinName());
        root->UnlockUpdate();
    }
}

// At run time the controller has nothing to do when the root changes; a designer would
// mark its form as modified here.
void TcxLookAndFeelController::MasterChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {}
void TcxLookAndFeelController::MasterDestroying(TcxLookAndFeel*) {}

// ---- TcxExtendedStylePainters ----

void TcxExtendedStylePainters::Register(const std::wstring& name, TcxCustomLookAndFeelPainterClass painter)
{
    if (!name.empty() && painter)
        m_entries.push_back(Entry{name, painter});
}

void TcxExtendedStylePainters::Unregister(const std::wstring& name)
{
    std::erase_if(m_entries, [&](const Entry& e) {
        return CompareStringOrdinal(e.name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
}

bool TcxExtendedStylePainters::FindPainterByName(const std::wstring& name,
                                                 TcxCustomLookAndFeelPainterClass& painter) const
{
    for (const Entry& e : m_entries)
        if (CompareStringOrdinal(e.name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) {
            painter = e.painter;
            return true;
        }
    return false;
}

void TcxExtendedStylePainters::NotifySkinsChanged()
{
    m_sinks.ForEach([](IcxSkinsChangedSink* s) { s->SkinsChanged(); });
}
