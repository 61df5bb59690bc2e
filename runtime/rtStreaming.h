// Stored form descriptions: a text of nested "object Name: TClass ... end" blocks with one
// "Property = value" line per stored setting, read into components through the class
// registry and the published properties.
#pragma once

#include "rtExceptions.h"
#include "rtTypInfo.h"

#include <string>
#include <vector>

struct TObjectDesc {
    std::wstring name;
    std::wstring className;
    std::vector<std::pair<std::wstring, TValue>> properties;
    std::vector<TObjectDesc> children;
    int line = 0;
};

// Raises EReadError with the line number on a syntax error.
TObjectDesc ParseDescription(const std::wstring& text);

// What the reader asks of the root being read, beyond its published methods.
class TRootReader : public TReaderContext {
public:
    // Called for each child component once it is created, so the root can keep a reference.
    virtual void BindField(const std::wstring& name, TComponent* component) = 0;
};

// Applies desc to root (already constructed) and creates every child through the class
// registry, owned by root and parented by nesting. Loading() is called on every component
// before its properties are set, Loaded() on all of them at the end.
void ReadComponentTree(TComponent& root, const TObjectDesc& desc, TRootReader& reader);

// The text of an RCDATA resource of the running module, read as UTF-8.
std::wstring LoadTextResource(const wchar_t* name);

// The name a stored reference holds: an identifier; any other value raises EReadError.
std::wstring ReferenceName(const TValue& value);
// A reference as a description stores it: the component's name, or nil for none.
TValue ReferenceValue(const TComponent* component);

// The component a stored reference names, looked up among the components of owner and of its
// owners; nullptr when none has that name.
TComponent* FindReferencedComponent(TComponent* owner, const std::wstring& name);

// The component a stored reference names (see FindReferencedComponent); "nil" names none. A
// missing component, or one that is not a T, raises EReadError naming the property and the
// kind expected.
template <typename T>
T* ResolveReference(TComponent* owner, const std::wstring& name, const wchar_t* property, const wchar_t* kind)
{
    if (name.empty() || name == L"nil")
        return nullptr;
    TComponent* found = FindReferencedComponent(owner, name);
    if (!found)
        throw EReadError(std::wstring(L"Invalid property value: ") + property + L" = " + name +
                         L": no component of that name");
    auto* typed = dynamic_cast<T*>(found);
    if (!typed)
        throw EReadError(std::wstring(L"Invalid property value: ") + property + L" = " + name + L": a " +
                         found->ClassName() + L" is not " + kind);
    return typed;
}
