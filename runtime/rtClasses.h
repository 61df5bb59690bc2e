// Object model of the library: persistent objects that copy their settings, and
// components with owner/owned lifetimes and free notification.
#pragma once

#include "rtExceptions.h"

#include <functional>
#include <string>
#include <vector>

class TObject;
class TComponent;
class TClassInfo;

// Events are callable members that the owner of an object sets.
using TNotifyEvent = std::function<void(TObject* sender)>;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
    // The registered class name (used by stored form descriptions and messages).
    virtual const wchar_t* ClassName() const { return L"TObject"; }
};

// An object whose settings can be copied from another object of a compatible class.
class TPersistent : public TObject {
public:
    const wchar_t* ClassName() const override { return L"TPersistent"; }
    // The published properties of the object's class; nullptr when it has none.
    virtual const TClassInfo* ClassProperties() const { return nullptr; }
    // Copies the settings of source; raises EConvertError when the classes do not fit.
    virtual void Assign(const TPersistent* source);

protected:
    // Lets the source copy itself into this object; the default refuses.
    virtual void AssignTo(TPersistent* dest) const;
};

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1,
    csReading = 2,
    csDestroying = 4,
    csDesigning = 8,
};

// A component is owned by another component and freed with it. Components that hold
// a reference to another component register for its free notification and clear the
// reference in Notification when it goes.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    const wchar_t* ClassName() const override { return L"TComponent"; }

    TComponent* Owner() const noexcept { return m_owner; }
    const std::wstring& Name() const noexcept { return m_name; }
    void SetName(const std::wstring& name) { m_name = name; }

    int ComponentCount() const noexcept { return static_cast<int>(m_components.size()); }
    TComponent* Components(int index) const { return m_components.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const std::wstring& name) const;

    unsigned ComponentState() const noexcept { return m_state; }
    bool IsLoading() const noexcept { return (m_state & csLoading) != 0; }
    bool IsDestroying() const noexcept { return (m_state & csDestroying) != 0; }
    bool IsDesigning() const noexcept { return (m_state & csDesigning) != 0; }

    // Asks for a Notification(this-other, opRemove) call when other is freed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Loading from a stored description: Loading() marks the start, Loaded() the end.
    virtual void Loading();
    virtual void Loaded();

    // Places a component read from a stored description under the component that encloses
    // it there; controls take it as their parent window, other components ignore it.
    virtual void SetParentComponent(TComponent* parent) {}

    // Marks the start of destruction: derived destructors may call it first so that
    // handlers see the destroying state.
    void Destroying();

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

private:
    void DestroyComponents();

    TComponent* m_owner = nullptr;
    std::wstring m_name;
    std::vector<TComponent*> m_components;
    std::vector<TComponent*> m_freeNotifies;
    unsigned m_state = 0;
};

// Casts with the "Invalid class typecast" error that a failed checked cast gives.
template <typename T> T* As(TObject* object)
{
    if (!object)
        return nullptr;
    if (auto* p = dynamic_cast<T*>(object))
        return p;
    throw EInvalidCast();
}
