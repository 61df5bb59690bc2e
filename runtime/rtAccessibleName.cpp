#include "rtAccessibleName.h"
#include "rtLibrarySearch.h"

#include <oleacc.h>

namespace {

// The accessibility library is bound when the first client asks for an object, not at start:
// most runs never meet one, and every library loaded at start delays the first window. It
// stays loaded for the rest of the process, as a linked library would: objects handed to
// clients may outlive any point at which it could be freed.
struct AccessibilityEntries {
    decltype(&CreateStdAccessibleObject) createStandard = nullptr;
    decltype(&LresultFromObject) resultFromObject = nullptr;
};

const AccessibilityEntries& Accessibility()
{
    static const AccessibilityEntries entries = [] {
        AccessibilityEntries e;
        if (HMODULE lib = LoadSystemLibrary(L"oleacc.dll").release()) {
            e.createStandard = reinterpret_cast<decltype(&CreateStdAccessibleObject)>(
                reinterpret_cast<void*>(GetProcAddress(lib, "CreateStdAccessibleObject")));
            e.resultFromObject = reinterpret_cast<decltype(&LresultFromObject)>(
                reinterpret_cast<void*>(GetProcAddress(lib, "LresultFromObject")));
        }
        return e;
    }();
    return entries;
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The platform's accessible object of a window, answering another name for the window itself;
// everything else is the platform's.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* inner, std::wstring name) : m_inner(inner), m_name(std::move(name)) {}
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // What the platform's object offers besides (its window, its children) stays its own.
        return m_inner->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return m_inner->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override
    {
        return m_inner->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT n, LCID lcid,
                                            DISPID* ids) override
    {
        return m_inner->GetIDsOfNames(riid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* error, UINT* arg) override
    {
        return m_inner->Invoke(id, riid, lcid, flags, params, result, error, arg);
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child))
            return m_inner->get_accName(child, name);
        if (!name)
            return E_POINTER;
        *name = SysAllocStringLen(m_name.data(), static_cast<UINT>(m_name.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return m_inner->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        return m_inner->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        return m_inner->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return m_inner->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return m_inner->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return m_inner->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return m_inner->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return m_inner->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return m_inner->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        return m_inner->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return m_inner->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return m_inner->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return m_inner->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        return m_inner->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override
    {
        return m_inner->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override
    {
        return m_inner->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        return m_inner->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return m_inner->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return m_inner->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return m_inner->put_accValue(child, value);
    }

private:
    ~NamedAccessible() { m_inner->Release(); }
    LONG m_refs = 1;
    IAccessible* m_inner;
    std::wstring m_name;
};

} // namespace

LRESULT AnswerAccessibleName(HWND wnd, WPARAM wParam, const std::wstring& name)
{
    const AccessibilityEntries& entries = Accessibility();
    if (!entries.createStandard || !entries.resultFromObject)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(entries.createStandard(wnd, OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* named = new (std::nothrow) NamedAccessible(standard, name);
    if (!named) {
        standard->Release();
        return 0;
    }
    LRESULT result =
        entries.resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(named));
    named->Release();
    return result > 0 ? result : 0;
}
