#include "rtClasses.h"

#include "rtExceptions.h"

#include <windows.h>

#include <algorithm>

void TPersistent::Assign(const TPersistent* source)
{
    if (!source)
        throw EConvertError(std::wstring(L"Cannot assign a nil to a ") + ClassName());
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError(std::wstring(L"Cannot assign a ") + ClassName() + L" to a " + dest->ClassName());
}

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Tell everybody who holds a reference to us; the list can change while we do.
    while (!m_freeNotifies.empty()) {
        TComponent* other = m_freeNotifies.back();
        m_freeNotifies.pop_back();
        auto& back = other->m_freeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

void TComponent::Destroying()
{
    m_state |= csDestroying;
}

void TComponent::DestroyComponents()
{
    // Owned components are freed last-created first; each removes itself from the list.
    while (!m_components.empty()) {
        TComponent* c = m_components.back();
        delete c;
    }
}

TComponent* TComponent::FindComponent(const std::wstring& name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : m_components)
        if (CompareStringOrdinal(c->m_name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    component->m_owner = this;
    m_components.push_back(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    Notification(component, TOperation::opRemove);
    m_components.erase(std::remove(m_components.begin(), m_components.end(), component), m_components.end());
    component->m_owner = nullptr;
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this)
        return;
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), other) == m_freeNotifies.end())
        m_freeNotifies.push_back(other);
    if (std::find(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this) ==
        other->m_freeNotifies.end())
        other->m_freeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    if (!other)
        return;
    m_freeNotifies.erase(std::remove(m_freeNotifies.begin(), m_freeNotifies.end(), other),
                         m_freeNotifies.end());
    other->m_freeNotifies.erase(std::remove(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this),
                                other->m_freeNotifies.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::Loading()
{
    m_state |= csLoading | csReading;
}

void TComponent::Loaded()
{
    m_state &= ~(csLoading | csReading);
}
