// The visual-style (theme) layer: loads the platform's visual-style library at run time,
// tells whether visual styles are active, caches one theme handle per themed object type
// and drops the handles when the theme or the system colours change.
#pragma once

#include "runtime/rtHandles.h"
#include "runtime/rtLibrarySearch.h"

#include <uxtheme.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

// The operating system's major version (5 for the oldest systems this runs on).
int PlatformMajorVersion();
// Test seam: pretend another major version; 0 returns to the real one.
void SetPlatformMajorVersionForTesting(int major);

// The services of the visual-style library. Every entry is optional: a missing one
// answers failure. Tests install their own implementation with SetThemeApi.
class TdxThemeApi {
public:
    virtual ~TdxThemeApi() = default;
    virtual bool Loaded() const = 0;
    virtual bool IsThemeActive() = 0;
    // File, colour and size names of the running theme; false when the query fails.
    virtual bool GetCurrentThemeName(std::wstring& fileName, std::wstring& colorName,
                                     std::wstring& sizeName) = 0;
    virtual HTHEME OpenThemeData(HWND wnd, const wchar_t* classList) = 0;
    virtual HRESULT CloseThemeData(HTHEME theme) = 0;
    virtual HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* r,
                                        const RECT* clip) = 0;
    virtual HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count,
                                  DWORD flags, DWORD flags2, const RECT* r) = 0;
    virtual HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state,
                                                  const RECT* bounds, RECT* content) = 0;
    virtual HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* color) = 0;
    virtual HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* r) = 0;
};

// The visual-style library of the system, loaded once, when the theme layer is first used.
TdxThemeApi& SystemThemeApi();
// The implementation in use.
TdxThemeApi& ThemeApi();
// Test seam: replaces the implementation (nullptr returns to the system's). Cached
// handles are closed and the active flag is read again. Answers the previous one.
TdxThemeApi* SetThemeApi(TdxThemeApi* api);

// Themed object types and their default class lists (the order is fixed).
enum TdxThemedObjectType : int {
    totButton,
    totClock,
    totComboBox,
    totEdit,
    totExplorerBar,
    totHeader,
    totListBox,
    totListView,
    totMenu,
    totPage,
    totProgress,
    totRebar,
    totScrollBar,
    totSpin,
    totStartPanel,
    totStatus,
    totTab,
    totTaskBand,
    totTaskBar,
    totToolBar,
    totToolTip,
    totTrackBar,
    totTrayNotify,
    totTreeView,
    totWindow
};
constexpr int ThemedObjectTypeCount = 25;
using TdxThemedObjectTypes = std::uint32_t;
constexpr TdxThemedObjectTypes ThemedTypes(std::initializer_list<TdxThemedObjectType> types)
{
    TdxThemedObjectTypes set = 0;
    for (auto t : types)
        set |= 1u << t;
    return set;
}
const wchar_t* ThemedObjectClassName(TdxThemedObjectType type);

bool ThemeLibraryLoaded();
// Whether the running theme is active, as last read from the library.
bool ThemeActiveFlag();
// False unless a theme is active; with no types true, else every listed type must open.
bool VisualStylesActive(TdxThemedObjectTypes types = 0);
// The cached theme handle of a type, opened on first use (0 when it cannot be opened).
HTHEME ThemeHandleFor(TdxThemedObjectType type, const wchar_t* classList = nullptr);
bool CloseThemeHandle(TdxThemedObjectType type);
// Closes and forgets every cached handle; the class lists stay.
void CloseAllThemeHandles();
// How many times the layer opened a theme handle (for benchmarks and tests).
unsigned ThemeOpenCount();
// Whether the layer has started (library loaded, flag read, receiver made): it starts at its
// first use, not when the program loads (for benchmarks and tests; asking starts nothing).
bool ThemeLayerStarted();

// Objects that want to hear of theme changes create one of these.
class TdxThemeChangedNotificator {
public:
    TdxThemeChangedNotificator();
    ~TdxThemeChangedNotificator();
    TdxThemeChangedNotificator(const TdxThemeChangedNotificator&) = delete;
    TdxThemeChangedNotificator& operator=(const TdxThemeChangedNotificator&) = delete;
    std::function<void()> OnThemeChanged;
};

// The hidden window that hears theme and system-colour changes.
HWND ThemeChangedReceiverWindow();

// Where an error raised by a handler of a system notification goes: the platform's
// callbacks cannot carry an exception, so the application installs its error box here.
using TcxCallbackErrorHandler = std::function<void(const std::exception* error)>;
void SetCallbackErrorHandler(TcxCallbackErrorHandler handler);
void RouteCallbackError(const std::exception* error) noexcept;
