#include "rtTypInfo.h"

#include "rtExceptions.h"
#include "rtGraphicsInfo.h"

#include <windows.h>

#include <cmath>

namespace {

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::map<std::wstring, TComponentFactory>& Registry()
{
    static std::map<std::wstring, TComponentFactory> registry;
    return registry;
}

// The names as registered, by their upper-case key: lookups ignore case, listings show the name.
std::map<std::wstring, std::wstring>& RegisteredNames()
{
    static std::map<std::wstring, std::wstring> names;
    return names;
}

std::wstring Upper(std::wstring s)
{
    if (!s.empty())
        CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

[[noreturn]] void Mismatch(const TValue& v)
{
    throw EReadError(L"Invalid property value " + v.ToText());
}

const std::pair<const wchar_t*, TColor> kColorNames[] = {
    {L"clNone", clNone},
    {L"clDefault", clDefault},
    {L"clBlack", clBlack},
    {L"clWhite", clWhite},
    {L"clRed", clRed},
    {L"clGreen", clGreen},
    {L"clBlue", clBlue},
    {L"clGray", clGray},
    {L"clSilver", clSilver},
    {L"clNavy", clNavy},
    {L"clMaroon", clMaroon},
    {L"clOlive", clOlive},
    {L"clPurple", clPurple},
    {L"clTeal", clTeal},
    {L"clLime", clLime},
    {L"clYellow", clYellow},
    {L"clFuchsia", clFuchsia},
    {L"clAqua", clAqua},
    {L"clMoneyGreen", clMoneyGreen},
    {L"clSkyBlue", clSkyBlue},
    {L"clCream", clCream},
    {L"clMedGray", clMedGray},
    // Second names of silver and grey: read, never written (the first name found is written).
    {L"clLtGray", clLtGray},
    {L"clDkGray", clDkGray},
    {L"clScrollBar", clScrollBar},
    {L"clBackground", clBackground},
    {L"clActiveCaption", clActiveCaption},
    {L"clInactiveCaption", clInactiveCaption},
    {L"clMenu", clMenu},
    {L"clWindow", clWindow},
    {L"clWindowFrame", clWindowFrame},
    {L"clMenuText", clMenuText},
    {L"clWindowText", clWindowText},
    {L"clCaptionText", clCaptionText},
    {L"clActiveBorder", clActiveBorder},
    {L"clInactiveBorder", clInactiveBorder},
    {L"clAppWorkSpace", clAppWorkSpace},
    {L"clHighlight", clHighlight},
    {L"clHighlightText", clHighlightText},
    {L"clBtnFace", clBtnFace},
    {L"clBtnShadow", clBtnShadow},
    {L"clGrayText", clGrayText},
    {L"clBtnText", clBtnText},
    {L"clInactiveCaptionText", clInactiveCaptionText},
    {L"clBtnHighlight", clBtnHighlight},
    {L"cl3DDkShadow", cl3DDkShadow},
    {L"cl3DLight", cl3DLight},
    {L"clInfoText", clInfoText},
    {L"clInfoBk", clInfoBk},
    {L"clHotLight", clHotLight},
    {L"clMenuHighlight", clMenuHighlight},
    {L"clMenuBar", clMenuBar},
};

} // namespace

std::wstring TValue::ToText() const
{
    switch (kind) {
    case Kind::Integer: return std::to_wstring(integer);
    case Kind::Float: return std::to_wstring(number);
    case Kind::String: return L"'" + text + L"'";
    case Kind::Ident: return text;
    case Kind::Set: {
        std::wstring r = L"[";
        for (size_t i = 0; i < names.size(); ++i)
            r += (i ? L", " : L"") + names[i];
        return r + L"]";
    }
    case Kind::Collection: return L"<collection>";
    case Kind::Binary: return L"<binary data>";
    case Kind::List: {
        std::wstring r = L"(";
        for (size_t i = 0; i < names.size(); ++i)
            r += (i ? L" '" : L"'") + names[i] + L"'";
        return r + L")";
    }
    }
    return {};
}

const TPropertyInfo* TClassInfo::Find(const std::wstring& name) const
{
    for (const TClassInfo* ci = this; ci; ci = ci->m_parent)
        for (const TPropertyInfo& p : ci->m_properties)
            if (SameText(p.name, name))
                return &p;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const
{
    for (const TClassInfo* ci = this; ci; ci = ci->m_parent)
        if (ci == other)
            return true;
    return false;
}

void TClassInfo::Add(TPropertyInfo info)
{
    m_properties.push_back(std::move(info));
}

namespace {

std::map<const std::type_info*, const TClassInfo*>& ExternalProperties()
{
    static std::map<const std::type_info*, const TClassInfo*> table;
    return table;
}

} // namespace

void RegisterExternalProperties(const std::type_info& type, const TClassInfo* info)
{
    ExternalProperties()[&type] = info;
}

const TClassInfo* PropertiesOf(const TPersistent& object)
{
    if (const TClassInfo* ci = object.ClassProperties())
        return ci;
    if (dynamic_cast<const TFont*>(&object))
        return FontProperties();
    auto it = ExternalProperties().find(&typeid(object));
    return it == ExternalProperties().end() ? nullptr : it->second;
}

namespace {

// Walks a dotted path down to the object that holds the last segment.
std::pair<TPersistent*, const TPropertyInfo*> Resolve(TPersistent& root, const std::wstring& path)
{
    TPersistent* object = &root;
    size_t start = 0;
    for (;;) {
        size_t dot = path.find(L'.', start);
        std::wstring segment =
            path.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
        const TClassInfo* ci = PropertiesOf(*object);
        const TPropertyInfo* p = ci ? ci->Find(segment) : nullptr;
        if (!p)
            throw EReadError(L"Property " + path + L" does not exist in " + object->ClassName());
        if (dot == std::wstring::npos)
            return {object, p};
        if (!p->object)
            throw EReadError(L"Property " + path + L" does not exist in " + root.ClassName());
        object = p->object(*object);
        start = dot + 1;
    }
}

void FillCollection(TStoredCollection& collection, const TValue& value, const TReaderContext* ctx)
{
    if (value.kind != TValue::Kind::Collection)
        Mismatch(value);
    collection.Clear();
    for (const TStoredItem& item : value.items) {
        TPersistent* target = collection.AddStoredItem();
        for (auto& [name, v] : item.properties)
            SetPropertyByName(*target, name, v, ctx);
    }
}

} // namespace

void SetPropertyByName(TPersistent& object, const std::wstring& path, const TValue& value,
                       const TReaderContext* context)
{
    auto [target, prop] = Resolve(object, path);
    if (prop->collection) {
        FillCollection(*prop->collection(*target), value, context);
        return;
    }
    if (!prop->set)
        throw EReadError(L"Property " + path + L" is read-only");
    prop->set(*target, value, context);
}

TValue GetPropertyByName(TPersistent& object, const std::wstring& path)
{
    auto [target, prop] = Resolve(object, path);
    if (!prop->get)
        throw EReadError(L"Property " + path + L" cannot be read");
    return prop->get(*target);
}

void RegisterComponentClass(const std::wstring& name, TComponentFactory factory)
{
    const std::wstring key = Upper(name);
    Registry()[key] = std::move(factory);
    RegisteredNames()[key] = name;
}

std::vector<std::wstring> RegisteredComponentClasses()
{
    std::vector<std::wstring> names;
    for (const auto& [key, name] : RegisteredNames())
        names.push_back(name);
    return names;
}

bool IsComponentClassRegistered(const std::wstring& name)
{
    return Registry().count(Upper(name)) != 0;
}

TComponent* CreateRegisteredComponent(const std::wstring& name, TComponent* owner)
{
    auto it = Registry().find(Upper(name));
    if (it == Registry().end())
        throw EReadError(L"Class " + name + L" not found");
    return it->second(owner);
}

int ValueToInt(const TValue& v)
{
    if (v.kind != TValue::Kind::Integer)
        Mismatch(v);
    return static_cast<int>(v.integer);
}

double ValueToFloat(const TValue& v)
{
    if (v.kind == TValue::Kind::Integer)
        return static_cast<double>(v.integer);
    if (v.kind != TValue::Kind::Float)
        Mismatch(v);
    return v.number;
}

bool ValueToBool(const TValue& v)
{
    if (v.kind == TValue::Kind::Ident) {
        if (SameText(v.text, L"True"))
            return true;
        if (SameText(v.text, L"False"))
            return false;
    }
    Mismatch(v);
}

TColor ValueToColor(const TValue& v)
{
    if (v.kind == TValue::Kind::Integer)
        return static_cast<TColor>(v.integer);
    if (v.kind == TValue::Kind::Ident)
        for (auto& [n, c] : kColorNames)
            if (SameText(n, v.text))
                return c;
    Mismatch(v);
}

std::wstring ColorToIdent(TColor c)
{
    for (auto& [n, value] : kColorNames)
        if (value == c)
            return n;
    return std::to_wstring(static_cast<std::int32_t>(c));
}

TValue EnumToValue(int value, const TEnumNames& names)
{
    for (const auto& [name, e] : names)
        if (e == value)
            return TValue::Id(name);
    return TValue::Int(value);
}

int ValueToEnum(const TValue& v, const TEnumNames& names)
{
    if (v.kind == TValue::Kind::Ident)
        for (auto& [n, e] : names)
            if (SameText(n, v.text))
                return e;
    Mismatch(v);
}

unsigned ValueToSet(const TValue& v, const TEnumNames& bits)
{
    if (v.kind != TValue::Kind::Set)
        Mismatch(v);
    unsigned r = 0;
    for (const std::wstring& name : v.names) {
        bool found = false;
        for (auto& [n, b] : bits)
            if (SameText(n, name)) {
                r |= static_cast<unsigned>(b);
                found = true;
            }
        if (!found)
            throw EReadError(L"Invalid property value " + name);
    }
    return r;
}
