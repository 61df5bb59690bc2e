// Published properties by name and the class registry that stored form descriptions use.
// Each class with published properties answers ClassProperties() with a static table that
// chains to its base class's table.
#pragma once

#include "rtClasses.h"
#include "rtTypes.h"

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

struct TValue;

// One item of a stored collection: its properties in stored order.
struct TStoredItem {
    std::vector<std::pair<std::wstring, TValue>> properties;
};

// A value as written in a stored description.
struct TValue {
    enum class Kind { Integer, Float, String, Ident, Set, Collection, Binary, List };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    double number = 0;
    std::wstring text;               // String and Ident
    std::vector<std::wstring> names; // Set; List: the texts of "( 'a' 'b' )"
    std::vector<TStoredItem> items;  // Collection
    std::string bytes;               // Binary: "{ hex digits }" in a description

    static TValue Int(std::int64_t v)
    {
        TValue r;
        r.integer = v;
        return r;
    }
    static TValue Float(double v)
    {
        TValue r;
        r.kind = Kind::Float;
        r.number = v;
        return r;
    }
    static TValue Str(std::wstring v)
    {
        TValue r;
        r.kind = Kind::String;
        r.text = std::move(v);
        return r;
    }
    static TValue Id(std::wstring v)
    {
        TValue r;
        r.kind = Kind::Ident;
        r.text = std::move(v);
        return r;
    }
    std::wstring ToText() const;
};

// What a property setter may ask of the reader: event handlers by name.
class TReaderContext {
public:
    virtual ~TReaderContext() = default;
    // The handler published under name by the root being read, or an empty any.
    virtual std::any FindMethod(const std::wstring& name) const = 0;
};

// A collection that stored descriptions can fill item by item.
class TStoredCollection {
public:
    virtual ~TStoredCollection() = default;
    virtual void Clear() = 0;
    virtual TPersistent* AddStoredItem() = 0;
};

struct TPropertyInfo {
    using Setter = std::function<void(TPersistent&, const TValue&, const TReaderContext*)>;
    using Getter = std::function<TValue(const TPersistent&)>;
    using ObjectGetter = std::function<TPersistent*(TPersistent&)>;
    using CollectionGetter = std::function<TStoredCollection*(TPersistent&)>;
    std::wstring name;
    Setter set;
    Getter get;
    ObjectGetter object;         // set for properties that hold an owned settings object
    CollectionGetter collection; // set for collection properties
};

using TEnumNames = std::vector<std::pair<std::wstring, int>>;

class TClassInfo {
public:
    TClassInfo(std::wstring name, const TClassInfo* parent) : m_name(std::move(name)), m_parent(parent) {}

    const std::wstring& Name() const noexcept { return m_name; }
    const TClassInfo* Parent() const noexcept { return m_parent; }
    // The properties this class adds to its base's.
    const std::vector<TPropertyInfo>& Properties() const noexcept { return m_properties; }
    // Looks the property up here and in the base classes; case-insensitive.
    const TPropertyInfo* Find(const std::wstring& name) const;
    bool InheritsFrom(const TClassInfo* other) const;

    void Add(TPropertyInfo info);

    template <typename T>
    void AddInt(const wchar_t* name, void (T::*set)(int), int (T::*get)() const = nullptr);
    template <typename T>
    void AddFloat(const wchar_t* name, void (T::*set)(double), double (T::*get)() const = nullptr);
    template <typename T>
    void AddBool(const wchar_t* name, void (T::*set)(bool), bool (T::*get)() const = nullptr);
    template <typename T>
    void AddString(const wchar_t* name, void (T::*set)(const std::wstring&),
                   const std::wstring& (T::*get)() const = nullptr);
    template <typename T>
    void AddColor(const wchar_t* name, void (T::*set)(TColor), TColor (T::*get)() const = nullptr);
    template <typename T, typename E>
    void AddEnum(const wchar_t* name, TEnumNames names, void (T::*set)(E), E (T::*get)() const = nullptr);
    template <typename T, typename S>
    void AddSet(const wchar_t* name, TEnumNames bits, void (T::*set)(S), S (T::*get)() const = nullptr);
    template <typename T, typename O> void AddObject(const wchar_t* name, O* (T::*get)());
    template <typename T, typename C> void AddCollection(const wchar_t* name, C* (T::*get)());
    // An event property: the stored value names a handler of the root being read.
    template <typename T, typename Ev> void AddEvent(const wchar_t* name, Ev T::*field);

private:
    std::wstring m_name;
    const TClassInfo* m_parent;
    std::vector<TPropertyInfo> m_properties;
};

// Published properties for a class that does not answer ClassProperties() itself.
void RegisterExternalProperties(const std::type_info& type, const TClassInfo* info);
const TClassInfo* PropertiesOf(const TPersistent& object);

// Property access by name, with dotted paths through owned settings objects
// ("Style.LookAndFeel.Kind"). Unknown names raise EReadError naming the property.
void SetPropertyByName(TPersistent& object, const std::wstring& path, const TValue& value,
                       const TReaderContext* context = nullptr);
TValue GetPropertyByName(TPersistent& object, const std::wstring& path);

// The class registry: classes that stored descriptions may create.
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
void RegisterComponentClass(const std::wstring& name, TComponentFactory factory);
// Raises EReadError("Class X not found") for an unregistered name.
TComponent* CreateRegisteredComponent(const std::wstring& name, TComponent* owner);
bool IsComponentClassRegistered(const std::wstring& name);
// The name of every registered class as it was registered, in the registry's order.
std::vector<std::wstring> RegisteredComponentClasses();

template <typename T> struct TRegisterClass {
    explicit TRegisterClass(const wchar_t* name)
    {
        RegisterComponentClass(name, [](TComponent* owner) -> TComponent* { return new T(owner); });
    }
};

// Conversions used by the typed setters; each raises EReadError on a mismatch.
int ValueToInt(const TValue& v);
double ValueToFloat(const TValue& v);
bool ValueToBool(const TValue& v);
TColor ValueToColor(const TValue& v);
int ValueToEnum(const TValue& v, const TEnumNames& names);
// A value as a description stores it: by its name when names has one, else as a number.
TValue EnumToValue(int value, const TEnumNames& names);
unsigned ValueToSet(const TValue& v, const TEnumNames& bits);
std::wstring ColorToIdent(TColor c);

// ---- template members -------------------------------------------------------------

template <typename T> void TClassInfo::AddInt(const wchar_t* name, void (T::*set)(int), int (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                        (static_cast<T&>(o).*set)(ValueToInt(v));
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get](const TPersistent& o) { return TValue::Int((static_cast<const T&>(o).*get)()); };
    Add(std::move(p));
}

template <typename T>
void TClassInfo::AddFloat(const wchar_t* name, void (T::*set)(double), double (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                        (static_cast<T&>(o).*set)(ValueToFloat(v));
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get](const TPersistent& o) { return TValue::Float((static_cast<const T&>(o).*get)()); };
    Add(std::move(p));
}

template <typename T>
void TClassInfo::AddBool(const wchar_t* name, void (T::*set)(bool), bool (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                        (static_cast<T&>(o).*set)(ValueToBool(v));
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get](const TPersistent& o) {
            return TValue::Id((static_cast<const T&>(o).*get)() ? L"True" : L"False");
        };
    Add(std::move(p));
}

template <typename T>
void TClassInfo::AddString(const wchar_t* name, void (T::*set)(const std::wstring&),
                           const std::wstring& (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                        if (v.kind != TValue::Kind::String)
                            ValueToInt(TValue::Id(L"")); // raises the mismatch error
                        (static_cast<T&>(o).*set)(v.text);
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get](const TPersistent& o) { return TValue::Str((static_cast<const T&>(o).*get)()); };
    Add(std::move(p));
}

template <typename T>
void TClassInfo::AddColor(const wchar_t* name, void (T::*set)(TColor), TColor (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set](TPersistent& o, const TValue& v, const TReaderContext*) {
                        (static_cast<T&>(o).*set)(ValueToColor(v));
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get](const TPersistent& o) {
            return TValue::Id(ColorToIdent((static_cast<const T&>(o).*get)()));
        };
    Add(std::move(p));
}

template <typename T, typename E>
void TClassInfo::AddEnum(const wchar_t* name, TEnumNames names, void (T::*set)(E), E (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set, names](TPersistent& o, const TValue& v, const TReaderContext*) {
                        (static_cast<T&>(o).*set)(static_cast<E>(ValueToEnum(v, names)));
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get, names](const TPersistent& o) {
            return EnumToValue(static_cast<int>((static_cast<const T&>(o).*get)()), names);
        };
    Add(std::move(p));
}

template <typename T, typename S>
void TClassInfo::AddSet(const wchar_t* name, TEnumNames bits, void (T::*set)(S), S (T::*get)() const)
{
    TPropertyInfo p{name,
                    [set, bits](TPersistent& o, const TValue& v, const TReaderContext*) {
                        (static_cast<T&>(o).*set)(static_cast<S>(ValueToSet(v, bits)));
                    },
                    {},
                    {},
                    {}};
    if (get)
        p.get = [get, bits](const TPersistent& o) {
            TValue r;
            r.kind = TValue::Kind::Set;
            unsigned value = static_cast<unsigned>((static_cast<const T&>(o).*get)());
            for (auto& [n, b] : bits)
                if (value & static_cast<unsigned>(b))
                    r.names.push_back(n);
            return r;
        };
    Add(std::move(p));
}

template <typename T, typename O> void TClassInfo::AddObject(const wchar_t* name, O* (T::*get)())
{
    TPropertyInfo p{name, {}, {}, {}, {}};
    p.object = [get](TPersistent& o) -> TPersistent* { return (static_cast<T&>(o).*get)(); };
    Add(std::move(p));
}

template <typename T, typename C> void TClassInfo::AddCollection(const wchar_t* name, C* (T::*get)())
{
    TPropertyInfo p{name, {}, {}, {}, {}};
    p.collection = [get](TPersistent& o) -> TStoredCollection* { return (static_cast<T&>(o).*get)(); };
    Add(std::move(p));
}

template <typename T, typename Ev> void TClassInfo::AddEvent(const wchar_t* name, Ev T::*field)
{
    std::wstring propName = name;
    TPropertyInfo p{
        name,
        [field, propName](TPersistent& o, const TValue& v, const TReaderContext* ctx) {
            std::any m = ctx && v.kind == TValue::Kind::Ident ? ctx->FindMethod(v.text) : std::any();
            const Ev* handler = std::any_cast<Ev>(&m);
            if (!handler)
                throw EReadError(L"Invalid property value: no handler " + v.ToText() + L" for " + propName);
            static_cast<T&>(o).*field = *handler;
        },
        {},
        {},
        {}};
    Add(std::move(p));
}
