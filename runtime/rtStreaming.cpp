#include "rtStreaming.h"

#include "rtExceptions.h"

#include <windows.h>

#include <cwctype>
#include <exception>

namespace {

class Parser {
public:
    explicit Parser(const std::wstring& text) : m_text(text) {}

    TObjectDesc ParseObject()
    {
        SkipSpace();
        ExpectWord(L"object");
        TObjectDesc desc;
        desc.line = m_line;
        desc.name = ReadIdent();
        SkipSpace();
        if (Peek() == L':') {
            ++m_pos;
            desc.className = ReadIdent();
        } else {
            desc.className = desc.name;
            desc.name.clear();
        }
        for (;;) {
            SkipSpace();
            if (AtEnd())
                Fail(L"'end' expected");
            size_t save = m_pos;
            int saveLine = m_line;
            std::wstring word = ReadIdent(true);
            if (Same(word, L"end"))
                return desc;
            if (Same(word, L"object")) {
                m_pos = save;
                m_line = saveLine;
                desc.children.push_back(ParseObject());
                continue;
            }
            SkipSpace();
            Expect(L'=');
            desc.properties.emplace_back(word, ParseValue());
        }
    }

    void ExpectEnd()
    {
        SkipSpace();
        if (!AtEnd())
            Fail(L"end of text expected");
    }

private:
    static bool Same(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    wchar_t Peek() const { return AtEnd() ? L'\0' : m_text[m_pos]; }

    [[noreturn]] void Fail(const std::wstring& what) const
    {
        throw EReadError(L"Error reading form description, line " + std::to_wstring(m_line) + L": " + what);
    }

    void SkipSpace()
    {
        while (!AtEnd()) {
            wchar_t c = m_text[m_pos];
            if (c == L'\n')
                ++m_line;
            if (c == L'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == L'/') {
                while (!AtEnd() && m_text[m_pos] != L'\n')
                    ++m_pos;
                continue;
            }
            if (!std::iswspace(c) && c != 0xFEFF)
                break;
            ++m_pos;
        }
    }

    void Expect(wchar_t c)
    {
        SkipSpace();
        if (Peek() != c)
            Fail(std::wstring(L"'") + c + L"' expected");
        ++m_pos;
    }

    void ExpectWord(const wchar_t* word)
    {
        if (!Same(ReadIdent(), word))
            Fail(std::wstring(L"'") + word + L"' expected");
    }

    static bool IdentChar(wchar_t c, bool dotted)
    {
        return std::iswalnum(c) || c == L'_' || (dotted && c == L'.');
    }

    std::wstring ReadIdent(bool dotted = false)
    {
        SkipSpace();
        size_t start = m_pos;
        while (!AtEnd() && IdentChar(m_text[m_pos], dotted))
            ++m_pos;
        if (start == m_pos)
            Fail(L"identifier expected");
        return m_text.substr(start, m_pos - start);
    }

    TValue ParseValue()
    {
        SkipSpace();
        wchar_t c = Peek();
        if (c == L'\'' || c == L'#')
            return TValue::Str(ReadString());
        if (c == L'-' || c == L'+' || std::iswdigit(c))
            return ReadNumber();
        if (c == L'[')
            return ReadSet();
        if (c == L'<')
            return ReadCollection();
        if (c == L'{')
            return ReadBinary();
        if (c == L'(')
            return ReadList();
        if (std::iswalpha(c) || c == L'_')
            return TValue::Id(ReadIdent(true));
        Fail(L"value expected");
    }

    std::wstring ReadString()
    {
        std::wstring out;
        for (;;) {
            wchar_t c = Peek();
            if (c == L'\'') {
                ++m_pos;
                for (;;) {
                    if (AtEnd() || m_text[m_pos] == L'\n')
                        Fail(L"unterminated string");
                    wchar_t ch = m_text[m_pos++];
                    if (ch == L'\'') {
                        if (Peek() == L'\'') {
                            out += L'\'';
                            ++m_pos;
                            continue;
                        }
                        break;
                    }
                    out += ch;
                }
            } else if (c == L'#') {
                ++m_pos;
                size_t start = m_pos;
                while (!AtEnd() && std::iswdigit(m_text[m_pos]))
                    ++m_pos;
                if (start == m_pos)
                    Fail(L"character code expected");
                unsigned long code = std::stoul(m_text.substr(start, m_pos - start));
                if (code > 0xFFFF)
                    Fail(L"character code out of range");
                out += static_cast<wchar_t>(code);
            } else {
                return out;
            }
        }
    }

    TValue ReadNumber()
    {
        size_t start = m_pos;
        if (Peek() == L'-' || Peek() == L'+')
            ++m_pos;
        bool isFloat = false;
        while (!AtEnd() && (std::iswdigit(m_text[m_pos]) || m_text[m_pos] == L'.' || m_text[m_pos] == L'e' ||
                            m_text[m_pos] == L'E')) {
            if (!std::iswdigit(m_text[m_pos]))
                isFloat = true;
            ++m_pos;
        }
        std::wstring t = m_text.substr(start, m_pos - start);
        try {
            size_t used = 0;
            TValue v = isFloat ? TValue::Float(std::stod(t, &used)) : TValue::Int(std::stoll(t, &used));
            if (used != t.size())
                Fail(L"invalid number " + t);
            return v;
        } catch (const std::logic_error&) {
            Fail(L"invalid number " + t);
        }
    }

    TValue ReadSet()
    {
        Expect(L'[');
        TValue v;
        v.kind = TValue::Kind::Set;
        SkipSpace();
        if (Peek() == L']') {
            ++m_pos;
            return v;
        }
        for (;;) {
            v.names.push_back(ReadIdent());
            SkipSpace();
            if (Peek() == L']') {
                ++m_pos;
                return v;
            }
            Expect(L',');
        }
    }

    // A list of texts (the lines of a string list), or of numbers and names, kept as text.
    TValue ReadList()
    {
        Expect(L'(');
        TValue v;
        v.kind = TValue::Kind::List;
        for (;;) {
            SkipSpace();
            if (AtEnd())
                Fail(L"')' expected");
            if (Peek() == L')') {
                ++m_pos;
                return v;
            }
            TValue item = ParseValue();
            if (item.kind != TValue::Kind::String && item.kind != TValue::Kind::Ident &&
                item.kind != TValue::Kind::Integer)
                Fail(L"list item expected");
            v.names.push_back(item.kind == TValue::Kind::String ? item.text : item.ToText());
        }
    }

    // Binary data (a picture, say) as pairs of hexadecimal digits, spread over any lines.
    TValue ReadBinary()
    {
        Expect(L'{');
        TValue v;
        v.kind = TValue::Kind::Binary;
        int high = -1;
        for (;;) {
            SkipSpace();
            if (AtEnd())
                Fail(L"'}' expected");
            wchar_t c = m_text[m_pos++];
            if (c == L'}')
                break;
            int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                        : c >= L'A' && c <= L'F' ? c - L'A' + 10
                        : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                                 : -1;
            if (digit < 0)
                Fail(L"hexadecimal digit expected");
            if (high < 0) {
                high = digit;
            } else {
                v.bytes.push_back(static_cast<char>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0)
            Fail(L"odd number of hexadecimal digits");
        return v;
    }

    TValue ReadCollection()
    {
        Expect(L'<');
        TValue v;
        v.kind = TValue::Kind::Collection;
        for (;;) {
            SkipSpace();
            if (Peek() == L'>') {
                ++m_pos;
                return v;
            }
            ExpectWord(L"item");
            TStoredItem item;
            for (;;) {
                std::wstring word = ReadIdent(true);
                if (Same(word, L"end"))
                    break;
                Expect(L'=');
                item.properties.emplace_back(word, ParseValue());
            }
            v.items.push_back(std::move(item));
        }
    }

    const std::wstring& m_text;
    size_t m_pos = 0;
    int m_line = 1;
};

void ApplyProperties(TComponent& target, const TObjectDesc& desc, TRootReader& reader)
{
    for (auto& [name, value] : desc.properties)
        SetPropertyByName(target, name, value, &reader);
}

void ReadChildren(TComponent& root, TComponent& parent, const TObjectDesc& desc, TRootReader& reader,
                  std::vector<TComponent*>& loaded)
{
    for (const TObjectDesc& child : desc.children) {
        TComponent* c = CreateRegisteredComponent(child.className, &root);
        c->Loading();
        loaded.push_back(c);
        c->SetName(child.name);
        c->SetParentComponent(&parent);
        ApplyProperties(*c, child, reader);
        if (!child.name.empty())
            reader.BindField(child.name, c);
        ReadChildren(root, *c, child, reader, loaded);
    }
}

} // namespace

TObjectDesc ParseDescription(const std::wstring& text)
{
    Parser p(text);
    TObjectDesc d = p.ParseObject();
    p.ExpectEnd();
    return d;
}

void ReadComponentTree(TComponent& root, const TObjectDesc& desc, TRootReader& reader)
{
    std::vector<TComponent*> loaded{&root};
    root.Loading();
    try {
        if (!desc.name.empty())
            root.SetName(desc.name);
        ApplyProperties(root, desc, reader);
        ReadChildren(root, root, desc, reader, loaded);
    } catch (...) {
        for (TComponent* c : loaded) {
            try {
                c->Loaded();
            } catch (...) {
                // The error already on its way is the one to report.
            }
        }
        throw;
    }
    // Every component ends its loading even when one of them refuses a reference; the first
    // refusal is then raised.
    std::exception_ptr first;
    for (TComponent* c : loaded) {
        try {
            c->Loaded();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    }
    if (first)
        std::rethrow_exception(first);
}

std::wstring ReferenceName(const TValue& value)
{
    if (value.kind != TValue::Kind::Ident)
        throw EReadError(L"Invalid property value " + value.ToText() + L": a component name is expected");
    return value.text;
}

TValue ReferenceValue(const TComponent* component)
{
    return TValue::Id(component ? component->Name() : L"nil");
}

TComponent* FindReferencedComponent(TComponent* owner, const std::wstring& name)
{
    for (TComponent* o = owner; o; o = o->Owner())
        if (TComponent* found = o->FindComponent(name))
            return found;
    return nullptr;
}

std::wstring LoadTextResource(const wchar_t* name)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!res)
        throw EReadError(std::wstring(L"Resource ") + name + L" not found");
    HGLOBAL mem = LoadResource(module, res);
    const char* data = static_cast<const char*>(LockResource(mem));
    DWORD size = SizeofResource(module, res);
    if (!data)
        throw EReadError(std::wstring(L"Resource ") + name + L" not found");
    return FromUtf8(std::string(data, size));
}
