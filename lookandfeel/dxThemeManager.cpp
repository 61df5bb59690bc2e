#include "dxThemeManager.h"

#include "cxListenerList.h"
#include "cxMessageWindow.h"

#include <array>
#include <memory>

namespace {
int g_forcedMajorVersion = 0;
} // namespace

int PlatformMajorVersion()
{
    if (g_forcedMajorVersion)
        return g_forcedMajorVersion;
    static const int major = [] {
        OSVERSIONINFOW vi{};
        vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(&vi))
            return 5;
#pragma GCC diagnostic pop
        return static_cast<int>(vi.dwMajorVersion);
    }();
    return major;
}

void SetPlatformMajorVersionForTesting(int major)
{
    g_forcedMajorVersion = major;
}

// ---- the system's visual-style library ----

namespace {

class TdxSystemThemeApi final : public TdxThemeApi {
public:
    TdxSystemThemeApi() : m_lib(LoadSystemLibrary(L"UxTheme.dll"))
    {
        if (!m_lib)
            return;
        Bind(m_isThemeActive, "IsThemeActive");
        Bind(m_getCurrentThemeName, "GetCurrentThemeName");
        Bind(m_openThemeData, "OpenThemeData");
        Bind(m_closeThemeData, "CloseThemeData");
        Bind(m_drawThemeBackground, "DrawThemeBackground");
        Bind(m_drawThemeText, "DrawThemeText");
        Bind(m_getThemeBackgroundContentRect, "GetThemeBackgroundContentRect");
        Bind(m_getThemeColor, "GetThemeColor");
        Bind(m_drawThemeParentBackground, "DrawThemeParentBackground");
    }

    bool Loaded() const override { return static_cast<bool>(m_lib); }
    bool IsThemeActive() override { return m_isThemeActive && m_isThemeActive(); }
    bool GetCurrentThemeName(std::wstring& file, std::wstring& color, std::wstring& size) override
    {
        if (!m_getCurrentThemeName)
            return false;
        // Buffers of 1024 characters each, as the names can be long paths.
        std::array<wchar_t, 1024> f{}, c{}, s{};
        if (FAILED(m_getCurrentThemeName(f.data(), 1024, c.data(), 1024, s.data(), 1024)))
            return false;
        file = f.data();
        color = c.data();
        size = s.data();
        return true;
    }
    HTHEME OpenThemeData(HWND wnd, const wchar_t* classList) override
    {
        return m_openThemeData ? m_openThemeData(wnd, classList) : nullptr;
    }
    HRESULT CloseThemeData(HTHEME theme) override
    {
        return m_closeThemeData ? m_closeThemeData(theme) : E_NOTIMPL;
    }
    HRESULT DrawThemeBackground(HTHEME t, HDC dc, int part, int state, const RECT* r,
                                const RECT* clip) override
    {
        return m_drawThemeBackground ? m_drawThemeBackground(t, dc, part, state, r, clip) : E_NOTIMPL;
    }
    HRESULT DrawThemeText(HTHEME t, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                          DWORD flags2, const RECT* r) override
    {
        return m_drawThemeText ? m_drawThemeText(t, dc, part, state, text, count, flags, flags2, r)
                               : E_NOTIMPL;
    }
    HRESULT GetThemeBackgroundContentRect(HTHEME t, HDC dc, int part, int state, const RECT* b,
                                          RECT* content) override
    {
        return m_getThemeBackgroundContentRect
                   ? m_getThemeBackgroundContentRect(t, dc, part, state, b, content)
                   : E_NOTIMPL;
    }
    HRESULT GetThemeColor(HTHEME t, int part, int state, int prop, COLORREF* color) override
    {
        return m_getThemeColor ? m_getThemeColor(t, part, state, prop, color) : E_NOTIMPL;
    }
    HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* r) override
    {
        return m_drawThemeParentBackground ? m_drawThemeParentBackground(wnd, dc, r) : E_NOTIMPL;
    }

private:
    template <typename Fn> void Bind(Fn& fn, const char* name)
    {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_lib.get(), name)));
    }

    UniqueLibrary m_lib;
    BOOL(WINAPI* m_isThemeActive)() = nullptr;
    HRESULT(WINAPI* m_getCurrentThemeName)(LPWSTR, int, LPWSTR, int, LPWSTR, int) = nullptr;
    HTHEME(WINAPI* m_openThemeData)(HWND, LPCWSTR) = nullptr;
    HRESULT(WINAPI* m_closeThemeData)(HTHEME) = nullptr;
    HRESULT(WINAPI* m_drawThemeBackground)(HTHEME, HDC, int, int, const RECT*, const RECT*) = nullptr;
    HRESULT(WINAPI* m_drawThemeText)
    (HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*) = nullptr;
    HRESULT(WINAPI* m_getThemeBackgroundContentRect)(HTHEME, HDC, int, int, const RECT*, RECT*) = nullptr;
    HRESULT(WINAPI* m_getThemeColor)(HTHEME, int, int, int, COLORREF*) = nullptr;
    HRESULT(WINAPI* m_drawThemeParentBackground)(HWND, HDC, const RECT*) = nullptr;
};

constexpr const wchar_t* kClassNames[ThemedObjectTypeCount] = {
    L"Button",     L"Clock",      L"ComboBox", L"Edit",     L"ExplorerBar", L"Header",    L"ListBox",
    L"ListView",   L"Menu",       L"Page",     L"Progress", L"Rebar",       L"ScrollBar", L"Spin",
    L"StartPanel", L"Status",     L"Tab",      L"TaskBand", L"TaskBar",     L"ToolBar",   L"ToolTip",
    L"TrackBar",   L"TrayNotify", L"TreeView", L"Window"};

struct TdxThemeData {
    HTHEME handle = nullptr;
    std::wstring classList;
};

struct ThemeState {
    TdxThemeApi* api = nullptr;
    bool activeFlag = false;
    std::array<TdxThemeData, ThemedObjectTypeCount> cache{};
    unsigned openCount = 0;
    TcxListenerList<TdxThemeChangedNotificator> notificators;
    std::unique_ptr<TcxMessageWindow> receiver;
};

// Kept apart from the theme state: installing the handler at program start, or routing an
// error from any thread, must not start the theme layer (its receiver window belongs to the
// thread that starts it).
TcxCallbackErrorHandler& ErrorHandler()
{
    static TcxCallbackErrorHandler handler;
    return handler;
}

ThemeState& State();
bool g_started = false;

void OnThemeChangedMessage()
{
    ThemeState& s = State();
    s.activeFlag = s.api->Loaded() && s.api->IsThemeActive();
    s.notificators.ForEach([](TdxThemeChangedNotificator* n) {
        if (n->OnThemeChanged)
            n->OnThemeChanged();
    });
}

ThemeState& State()
{
    // Started by its first use rather than at load: the library is loaded, the active flag read
    // and the receiver made when a painter, a control or a notificator first asks, which is
    // on the thread that paints.
    static ThemeState* state = [] {
        static ThemeState s;
        s.api = &SystemThemeApi();
        s.activeFlag = s.api->Loaded() && s.api->IsThemeActive();
        s.receiver = std::make_unique<TcxMessageWindow>([](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
            if (msg != WM_THEMECHANGED && msg != WM_SYSCOLORCHANGE)
                return false;
            CloseAllThemeHandles();
            DefWindowProcW(ThemeChangedReceiverWindow(), msg, wp, lp);
            OnThemeChangedMessage();
            result = 0;
            return true;
        });
        g_started = true;
        return &s;
    }();
    return *state;
}

} // namespace

TdxThemeApi& SystemThemeApi()
{
    static TdxSystemThemeApi api;
    return api;
}

TdxThemeApi& ThemeApi()
{
    return *State().api;
}

TdxThemeApi* SetThemeApi(TdxThemeApi* api)
{
    ThemeState& s = State();
    TdxThemeApi* old = s.api;
    CloseAllThemeHandles();
    // Class lists asked of another service mean nothing to this one.
    for (TdxThemeData& data : s.cache)
        data.classList.clear();
    s.api = api ? api : &SystemThemeApi();
    s.activeFlag = s.api->Loaded() && s.api->IsThemeActive();
    return old;
}

const wchar_t* ThemedObjectClassName(TdxThemedObjectType type)
{
    return type >= 0 && type < ThemedObjectTypeCount ? kClassNames[type] : L"";
}

bool ThemeLibraryLoaded()
{
    return State().api->Loaded();
}

bool ThemeActiveFlag()
{
    return State().activeFlag;
}

bool VisualStylesActive(TdxThemedObjectTypes types)
{
    ThemeState& s = State();
    if (!s.activeFlag || !s.api->Loaded())
        return false;
    for (int t = 0; t < ThemedObjectTypeCount; ++t)
        if ((types & (1u << t)) && !ThemeHandleFor(static_cast<TdxThemedObjectType>(t)))
            return false;
    return true;
}

HTHEME ThemeHandleFor(TdxThemedObjectType type, const wchar_t* classList)
{
    if (type < 0 || type >= ThemedObjectTypeCount || !VisualStylesActive())
        return nullptr;
    ThemeState& s = State();
    TdxThemeData& data = s.cache[type];
    bool asked = classList && *classList;
    if (data.handle) {
        if (!asked || CompareStringOrdinal(classList, -1, data.classList.c_str(), -1, TRUE) == CSTR_EQUAL)
            return data.handle;
        s.api->CloseThemeData(data.handle);
        data.handle = nullptr;
    }
    std::wstring list = asked ? std::wstring(classList)
                              : (data.classList.empty() ? std::wstring(kClassNames[type]) : data.classList);
    ++s.openCount;
    HTHEME h = s.api->OpenThemeData(nullptr, list.c_str());
    if (h) {
        data.handle = h;
        data.classList = list;
    } else {
        data.classList.clear();
    }
    return h;
}

bool CloseThemeHandle(TdxThemedObjectType type)
{
    if (!VisualStylesActive())
        return true;
    if (type < 0 || type >= ThemedObjectTypeCount)
        return false;
    TdxThemeData& data = State().cache[type];
    if (!data.handle)
        return false;
    bool ok = SUCCEEDED(State().api->CloseThemeData(data.handle));
    data.handle = nullptr;
    return ok;
}

void CloseAllThemeHandles()
{
    ThemeState& s = State();
    for (TdxThemeData& data : s.cache) {
        // The handle is forgotten as it is closed, so it is never handed out again.
        if (HTHEME h = std::exchange(data.handle, nullptr))
            s.api->CloseThemeData(h);
    }
}

bool ThemeLayerStarted()
{
    return g_started;
}

unsigned ThemeOpenCount()
{
    return State().openCount;
}

TdxThemeChangedNotificator::TdxThemeChangedNotificator()
{
    State().notificators.Add(this);
}

TdxThemeChangedNotificator::~TdxThemeChangedNotificator()
{
    State().notificators.Remove(this);
}

HWND ThemeChangedReceiverWindow()
{
    ThemeState& s = State();
    return s.receiver ? s.receiver->Handle() : nullptr;
}

void SetCallbackErrorHandler(TcxCallbackErrorHandler handler)
{
    ErrorHandler() = std::move(handler);
}

void RouteCallbackError(const std::exception* error) noexcept
{
    try {
        if (const TcxCallbackErrorHandler& handler = ErrorHandler())
            handler(error);
    } catch (...) {
        // Nothing may leave a platform callback.
    }
}
