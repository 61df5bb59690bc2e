#include "rtAccessibleName.h"
#include "rtControls.h"
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

HRESULT ReturnText(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The platform's accessible object of a window, with what the window's control says of itself
// and of its parts laid over it. The control is asked at every call through its window, never
// held: a client may keep the object longer than the control lives.
class ControlAccessible final : public IAccessible {
public:
    ControlAccessible(HWND wnd, IAccessible* inner) : m_wnd(wnd), m_inner(inner) {}
    ControlAccessible(const ControlAccessible&) = delete;
    ControlAccessible& operator=(const ControlAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The platform's list of children knows nothing of the parts: without it a client
        // counts the children and asks for each.
        TAccessibleDescription d;
        if (riid == IID_IEnumVARIANT && Describe(d) && !d.parts.empty())
            return E_NOINTERFACE;
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
    // A client in another process may ask through Invoke rather than the interface's own
    // entries: the questions this object answers itself are answered here the same way.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* error, UINT* arg) override
    {
        VARIANT child;
        VariantInit(&child);
        child.vt = VT_I4;
        child.lVal = CHILDID_SELF;
        // The child is the first argument; left out (an optional argument arrives as an error
        // value) it is the object itself.
        if (params && params->cArgs >= 1) {
            VARIANT& given = params->rgvarg[params->cArgs - 1];
            if (given.vt != VT_ERROR && given.vt != VT_EMPTY &&
                FAILED(VariantChangeType(&child, &given, 0, VT_I4)))
                return DISP_E_TYPEMISMATCH;
        }
        auto text = [&](HRESULT (ControlAccessible::*get)(VARIANT, BSTR*)) {
            BSTR value = nullptr;
            HRESULT r = (this->*get)(child, &value);
            if (result) {
                VariantInit(result);
                if (r == S_OK) {
                    result->vt = VT_BSTR;
                    result->bstrVal = value;
                    return r;
                }
            }
            SysFreeString(value);
            return r;
        };
        auto variant = [&](HRESULT (ControlAccessible::*get)(VARIANT, VARIANT*)) {
            VARIANT value;
            VariantInit(&value);
            HRESULT r = (this->*get)(child, &value);
            if (result && r == S_OK)
                *result = value;
            else
                VariantClear(&value);
            return r;
        };
        const bool get = (flags & DISPATCH_PROPERTYGET) != 0;
        switch (id) {
        case DISPID_ACC_NAME:
            if (get)
                return text(&ControlAccessible::get_accName);
            break;
        case DISPID_ACC_VALUE:
            if (get)
                return text(&ControlAccessible::get_accValue);
            break;
        case DISPID_ACC_DEFAULTACTION:
            if (get)
                return text(&ControlAccessible::get_accDefaultAction);
            break;
        case DISPID_ACC_DESCRIPTION:
            if (get)
                return text(&ControlAccessible::get_accDescription);
            break;
        case DISPID_ACC_HELP:
            if (get)
                return text(&ControlAccessible::get_accHelp);
            break;
        case DISPID_ACC_KEYBOARDSHORTCUT:
            if (get)
                return text(&ControlAccessible::get_accKeyboardShortcut);
            break;
        case DISPID_ACC_ROLE:
            if (get)
                return variant(&ControlAccessible::get_accRole);
            break;
        case DISPID_ACC_STATE:
            if (get)
                return variant(&ControlAccessible::get_accState);
            break;
        case DISPID_ACC_CHILDCOUNT:
            if (get) {
                long count = 0;
                HRESULT r = get_accChildCount(&count);
                if (result && r == S_OK) {
                    VariantInit(result);
                    result->vt = VT_I4;
                    result->lVal = count;
                }
                return r;
            }
            break;
        case DISPID_ACC_DODEFAULTACTION:
            if (flags & DISPATCH_METHOD)
                return accDoDefaultAction(child);
            break;
        default: break;
        }
        return m_inner->Invoke(id, riid, lcid, flags, params, result, error, arg);
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        TAccessibleDescription d;
        const bool described = Describe(d);
        if (described && IsSelf(child) && d.hasName)
            return ReturnText(d.name, name);
        if (const TAccessiblePart* part = PartOf(d, child))
            return ReturnText(part->name, name);
        return m_inner->get_accName(Inner(d, child), name);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return m_inner->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        HRESULT r = m_inner->get_accChildCount(count);
        TAccessibleDescription d;
        if (SUCCEEDED(r) && count && Describe(d))
            *count += static_cast<long>(d.parts.size());
        return r;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (PartOf(d, child)) {
            if (!out)
                return E_POINTER;
            *out = nullptr;
            return S_FALSE; // a simple element, answered by this object
        }
        return m_inner->get_accChild(Inner(d, child), out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        TAccessibleDescription d;
        const bool described = Describe(d);
        if (described && IsSelf(child) && d.hasValue)
            return ReturnText(d.value, value);
        if (PartOf(d, child)) {
            if (value)
                *value = nullptr;
            return DISP_E_MEMBERNOTFOUND;
        }
        return m_inner->get_accValue(Inner(d, child), value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (PartOf(d, child)) {
            if (text)
                *text = nullptr;
            return S_FALSE;
        }
        return m_inner->get_accDescription(Inner(d, child), text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        TAccessibleDescription d;
        const bool described = Describe(d);
        long answer = 0;
        if (described && IsSelf(child))
            answer = d.role;
        if (const TAccessiblePart* part = PartOf(d, child))
            answer = part->role;
        if (answer == 0)
            return m_inner->get_accRole(Inner(d, child), role);
        if (!role)
            return E_POINTER;
        role->vt = VT_I4;
        role->lVal = answer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (const TAccessiblePart* part = PartOf(d, child)) {
            if (!state)
                return E_POINTER;
            state->vt = VT_I4;
            state->lVal = part->enabled ? 0 : STATE_SYSTEM_UNAVAILABLE;
            if (!IsWindowVisible(m_wnd))
                state->lVal |= STATE_SYSTEM_INVISIBLE;
            return S_OK;
        }
        return m_inner->get_accState(Inner(d, child), state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (PartOf(d, child)) {
            if (help)
                *help = nullptr;
            return S_FALSE;
        }
        return m_inner->get_accHelp(Inner(d, child), help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (PartOf(d, child))
            return S_FALSE;
        return m_inner->get_accHelpTopic(file, Inner(d, child), topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (PartOf(d, child)) {
            if (keys)
                *keys = nullptr;
            return S_FALSE;
        }
        return m_inner->get_accKeyboardShortcut(Inner(d, child), keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return m_inner->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return m_inner->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        TAccessibleDescription d;
        const bool described = Describe(d);
        if (described && IsSelf(child) && !d.defaultAction.empty())
            return ReturnText(d.defaultAction, action);
        if (const TAccessiblePart* part = PartOf(d, child)) {
            if (part->defaultAction.empty()) {
                if (action)
                    *action = nullptr;
                return S_FALSE;
            }
            return ReturnText(part->defaultAction, action);
        }
        return m_inner->get_accDefaultAction(Inner(d, child), action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (PartOf(d, child))
            return DISP_E_MEMBERNOTFOUND;
        return m_inner->accSelect(flags, Inner(d, child));
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override
    {
        TAccessibleDescription d;
        Describe(d);
        if (const TAccessiblePart* part = PartOf(d, child)) {
            if (!x || !y || !w || !h)
                return E_POINTER;
            POINT corner{part->bounds.left, part->bounds.top};
            ClientToScreen(m_wnd, &corner);
            *x = corner.x;
            *y = corner.y;
            *w = part->bounds.right - part->bounds.left;
            *h = part->bounds.bottom - part->bounds.top;
            return S_OK;
        }
        return m_inner->accLocation(x, y, w, h, Inner(d, child));
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override
    {
        TAccessibleDescription d;
        Describe(d);
        const long count = static_cast<long>(d.parts.size());
        if (count > 0 && end && start.vt == VT_I4) {
            long to = 0;
            if (IsSelf(start) && dir == NAVDIR_FIRSTCHILD)
                to = 1;
            else if (PartOf(d, start) && (dir == NAVDIR_NEXT || dir == NAVDIR_RIGHT))
                to = start.lVal < count ? start.lVal + 1 : -1;
            else if (PartOf(d, start) && (dir == NAVDIR_PREVIOUS || dir == NAVDIR_LEFT))
                to = start.lVal > 1 ? start.lVal - 1 : -1;
            if (to != 0) {
                VariantInit(end);
                if (to < 0)
                    return S_FALSE;
                end->vt = VT_I4;
                end->lVal = to;
                return S_OK;
            }
        }
        return m_inner->accNavigate(dir, Inner(d, start), end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        TAccessibleDescription d;
        if (child && Describe(d)) {
            POINT p{x, y};
            ScreenToClient(m_wnd, &p);
            for (size_t i = 0; i < d.parts.size(); ++i)
                if (PtInRect(&d.parts[i].bounds, p)) {
                    child->vt = VT_I4;
                    child->lVal = static_cast<long>(i + 1);
                    return S_OK;
                }
        }
        HRESULT r = m_inner->accHitTest(x, y, child);
        // The platform's numbers of its own children come after the parts.
        if (r == S_OK && child && child->vt == VT_I4 && child->lVal != CHILDID_SELF)
            child->lVal += static_cast<long>(d.parts.size());
        return r;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        TAccessibleDescription d;
        const bool described = Describe(d);
        if (described && IsSelf(child) && !d.defaultAction.empty())
            return PostMessageW(m_wnd, WM_ACCESSIBLE_ACTION, 0, 0) ? S_OK : E_FAIL;
        if (const TAccessiblePart* part = PartOf(d, child)) {
            if (part->defaultAction.empty())
                return DISP_E_MEMBERNOTFOUND;
            if (!part->enabled)
                return E_FAIL;
            return PostMessageW(m_wnd, WM_ACCESSIBLE_ACTION, static_cast<WPARAM>(child.lVal), 0) ? S_OK
                                                                                                 : E_FAIL;
        }
        return m_inner->accDoDefaultAction(Inner(d, child));
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
    ~ControlAccessible() { m_inner->Release(); }

    // Asks the window's control; false once the window or its control is gone.
    bool Describe(TAccessibleDescription& d) const
    {
        if (!IsWindow(m_wnd))
            return false;
        TWinControl* control = TWinControl::FromHandle(m_wnd);
        return control && control->DescribeAccessible(d);
    }
    static const TAccessiblePart* PartOf(const TAccessibleDescription& d, const VARIANT& child)
    {
        if (child.vt != VT_I4 || child.lVal < 1 || child.lVal > static_cast<long>(d.parts.size()))
            return nullptr;
        return &d.parts[static_cast<size_t>(child.lVal - 1)];
    }
    // A child number as the platform's object counts: without the parts before its own.
    static VARIANT Inner(const TAccessibleDescription& d, VARIANT child)
    {
        if (child.vt == VT_I4 && child.lVal > static_cast<long>(d.parts.size()))
            child.lVal -= static_cast<long>(d.parts.size());
        return child;
    }

    LONG m_refs = 1;
    HWND m_wnd;
    IAccessible* m_inner;
};

} // namespace

LRESULT AnswerAccessible(HWND wnd, WPARAM wParam)
{
    const AccessibilityEntries& entries = Accessibility();
    if (!entries.createStandard || !entries.resultFromObject)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(entries.createStandard(wnd, OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* object = new (std::nothrow) ControlAccessible(wnd, standard);
    if (!object) {
        standard->Release();
        return 0;
    }
    LRESULT result =
        entries.resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();
    return result > 0 ? result : 0;
}
