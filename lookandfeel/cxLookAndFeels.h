// Look-and-feel settings: which visual style a control is painted in (kind, native style,
// skin name), inherited through a master chain up to GlobalLookAndFeel, resolved into a
// painter, with change notification to listeners. Also the listener of system colour
// changes that recomputes the Office 2003 colours and tells every look-and-feel.
#pragma once

#include "cxLookAndFeelPainters.h"
#include "cxListenerList.h"

#include "runtime/rtClasses.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum TcxLookAndFeelValue { lfvKind, lfvNativeStyle, lfvSkinName };
// Set of TcxLookAndFeelValue: bit 0 kind, bit 1 native style, bit 2 skin name.
using TcxLookAndFeelValues = std::uint8_t;
constexpr TcxLookAndFeelValues lfvSet(TcxLookAndFeelValue v)
{
    return static_cast<TcxLookAndFeelValues>(1u << v);
}
constexpr TcxLookAndFeelValues lfvAll = 7;
using TdxSkinName = std::wstring;

// Whether skins may be used; true and never changed in this program.
constexpr bool SkinsEnabled = true;

struct TcxLookAndFeelData {
    TcxLookAndFeelKind Kind = lfUltraFlat;
    bool NativeStyle = false;
    TdxSkinName SkinName;
    TcxCustomLookAndFeelPainterClass PainterClass = nullptr;
    bool SkinsWereEnabled = SkinsEnabled;
};

class TcxLookAndFeel;

// Implemented by whatever follows a look-and-feel (other look-and-feels, controls).
class IcxLookAndFeelChangeListener {
public:
    virtual TObject* GetListenerObject() = 0;
    virtual void MasterChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues) = 0;
    virtual void MasterDestroying(TcxLookAndFeel* sender) = 0;

protected:
    ~IcxLookAndFeelChangeListener() = default;
};

class IcxSkinsChangedSink {
public:
    virtual void SkinsChanged() = 0;

protected:
    ~IcxSkinsChangedSink() = default;
};

// Tells its owner of system colour changes. The primary notifiers are called before the
// ordinary ones; both lists from the last registered to the first.
class TcxSystemPaletteChangedNotifier : public TObject {
public:
    explicit TcxSystemPaletteChangedNotifier(bool isPrimary = false);
    ~TcxSystemPaletteChangedNotifier() override;
    const wchar_t* ClassName() const override { return L"TcxSystemPaletteChangedNotifier"; }
    bool IsPrimary() const noexcept { return m_primary; }
    std::function<void()> OnPaletteChange;

private:
    bool m_primary;
};
// The hidden window of the system colour listener (null while no notifier exists).
HWND SystemPaletteListenerWindow();

class TcxLookAndFeel : public TPersistent, public IcxLookAndFeelChangeListener, public IcxSkinsChangedSink {
public:
    explicit TcxLookAndFeel(TPersistent* owner);
    ~TcxLookAndFeel() override;
    const wchar_t* ClassName() const override { return L"TcxLookAndFeel"; }
    // The settings as stored descriptions name them.
    static const TClassInfo* StaticProperties();
    // Copies assigned values, assigned data and the master of another look-and-feel.
    void Assign(const TPersistent* source) override;

    TPersistent* Owner() const noexcept { return m_owner; }
    bool IsRoot() const noexcept { return m_isRoot; }

    TcxLookAndFeelKind Kind() const noexcept { return m_current.Kind; }
    void SetKind(TcxLookAndFeelKind kind);
    bool NativeStyle() const noexcept { return m_current.NativeStyle; }
    void SetNativeStyle(bool native);
    const TdxSkinName& SkinName() const noexcept { return m_current.SkinName; }
    void SetSkinName(const TdxSkinName& name);
    TcxLookAndFeelValues AssignedValues() const noexcept { return m_assignedValues; }
    void SetAssignedValues(TcxLookAndFeelValues values);
    // Streaming writes only what is assigned (the skin name also when assigned empty).
    bool IsKindStored() const noexcept { return m_assignedValues & lfvSet(lfvKind); }
    bool IsNativeStyleStored() const noexcept { return m_assignedValues & lfvSet(lfvNativeStyle); }
    bool IsSkinNameStored() const noexcept { return m_assignedValues & lfvSet(lfvSkinName); }

    TcxLookAndFeel* Master() const noexcept { return m_master; }
    // Ignored on the root, for this object itself, for the current master and for a
    // master that (through its own masters) follows this object.
    void SetMaster(TcxLookAndFeel* master);
    // The painter to paint with now; never fails.
    TcxCustomLookAndFeelPainterClass ActivePainter() const noexcept { return m_current.PainterClass; }
    TcxCustomLookAndFeelPainterClass SkinPainter() const noexcept { return m_skinPainter; }
    const TcxLookAndFeelData& CurrentState() const noexcept { return m_current; }

    void AddListener(IcxLookAndFeelChangeListener* listener);
    void RemoveListener(IcxLookAndFeelChangeListener* listener);
    // For an object that may or may not implement the listener interface (ignored if not).
    void AddListenerObject(TObject* object);
    void RemoveListenerObject(TObject* object);
    int ListenerCount() const { return m_listeners.Count(); }
    bool HasListener(const IcxLookAndFeelChangeListener* listener) const
    {
        return m_listeners.Contains(listener);
    }

    // Changes made between these calls reach the listeners as one notification.
    void LockUpdate() noexcept { ++m_lockCount; }
    void UnlockUpdate();

    // Sender and the values whose effective value changed.
    std::function<void(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues)> OnChanged;

    virtual void RefreshCurrentState();
    virtual TcxLookAndFeelKind ResolvedKind() const;
    virtual bool ResolvedNativeStyle() const;
    virtual TdxSkinName ResolvedSkinName() const;
    virtual TcxCustomLookAndFeelPainterClass ResolvedSkinPainter() const;
    virtual TcxCustomLookAndFeelPainterClass FindSkinPainter(const TdxSkinName& name) const;
    virtual void SystemColorsChanged();

    // IcxLookAndFeelChangeListener
    TObject* GetListenerObject() override { return this; }
    void MasterChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues) override;
    void MasterDestroying(TcxLookAndFeel* sender) override;
    // IcxSkinsChangedSink
    void SkinsChanged() override;

protected:
    void NotifyChanged(TcxLookAndFeelValues changedValues);

private:
    struct RootTag {};
    TcxLookAndFeel(TPersistent* owner, RootTag);
    friend struct LookAndFeelUnitState;

    void Init();
    // The master whose values unassigned settings follow: Master, else the root.
    TcxLookAndFeel* EffectiveMaster() const;
    void RememberState();
    void ReportStateChange();
    void ResolvePainter();
    void ChangeMaster(TcxLookAndFeel* master);

    TPersistent* m_owner;
    TcxLookAndFeelValues m_assignedValues = 0;
    TcxListenerList<IcxLookAndFeelChangeListener> m_listeners;
    TcxLookAndFeelData m_current;
    TcxLookAndFeelData m_data;
    bool m_destroying = false;
    bool m_isRoot = false;
    TcxLookAndFeel* m_master = nullptr;
    TcxCustomLookAndFeelPainterClass m_skinPainter = nullptr;
    TcxLookAndFeelData m_snapshot;
    std::unique_ptr<TcxSystemPaletteChangedNotifier> m_paletteNotifier;
    int m_lockCount = 0;
    bool m_pending = false;
    TcxLookAndFeelValues m_pendingValues = 0;
};

// The root of every master chain (null after shutdown began).
TcxLookAndFeel* GlobalLookAndFeel();

// Sets the root's values for the whole application.
class TcxLookAndFeelController : public TComponent, public IcxLookAndFeelChangeListener {
public:
    explicit TcxLookAndFeelController(TComponent* owner);
    ~TcxLookAndFeelController() override;
    const wchar_t* ClassName() const override { return L"TcxLookAndFeelController"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLookAndFeelKind Kind() const;
    void SetKind(TcxLookAndFeelKind kind);
    bool NativeStyle() const;
    void SetNativeStyle(bool native);
    TdxSkinName SkinName() const;
    void SetSkinName(const TdxSkinName& name);
    virtual void ResetToDefaults();

    TObject* GetListenerObject() override { return this; }
    void MasterChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changedValues) override;
    void MasterDestroying(TcxLookAndFeel* sender) override;
};
// How many controllers the root counts.
int LookAndFeelControllerCount();

// Named painters (skins) and the look-and-feels that use one. Nothing registers a named
// painter in this program, so every lookup fails; the registry still works.
class TcxExtendedStylePainters {
public:
    void Register(const std::wstring& name, TcxCustomLookAndFeelPainterClass painter);
    void Unregister(const std::wstring& name);
    // Case-insensitive, first match in list order.
    bool FindPainterByName(const std::wstring& name, TcxCustomLookAndFeelPainterClass& painter) const;
    int Count() const { return static_cast<int>(m_entries.size()); }
    void AddSkinSink(IcxSkinsChangedSink* sink) { m_sinks.Add(sink); }
    void RemoveSkinSink(IcxSkinsChangedSink* sink) { m_sinks.Remove(sink); }
    bool HasSkinSink(const IcxSkinsChangedSink* sink) const { return m_sinks.Contains(sink); }
    // Tells every look-and-feel that uses a skin that the skins changed.
    void NotifySkinsChanged();

private:
    struct Entry {
        std::wstring name;
        TcxCustomLookAndFeelPainterClass painter;
    };
    std::vector<Entry> m_entries;
    TcxListenerList<IcxSkinsChangedSink> m_sinks;
};
TcxExtendedStylePainters* ExtendedStylePainters();
