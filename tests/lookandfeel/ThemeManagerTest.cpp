#include "LafTestSupport.h"

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace laftest;

TEST(ThemeLayerTest, VisualStylesNeedTheLibraryAnActiveThemeAndEveryListedType)
{
    FakeThemeApi theme;
    theme.failingClasses = {L"ListView"};
    {
        ScopedTheme scoped(&theme);
        EXPECT_TRUE(VisualStylesActive());
        EXPECT_TRUE(VisualStylesActive(ThemedTypes({totButton, totScrollBar})));
        EXPECT_FALSE(VisualStylesActive(ThemedTypes({totButton, totListView})));
    }
    theme.active = false;
    {
        ScopedTheme scoped(&theme);
        EXPECT_FALSE(VisualStylesActive());
        EXPECT_EQ(ThemeHandleFor(totButton), nullptr);
        EXPECT_TRUE(CloseThemeHandle(totButton)) << "nothing to close while styles are off";
    }
    theme.active = true;
    theme.loaded = false;
    ScopedTheme scoped(&theme);
    EXPECT_FALSE(VisualStylesActive());
}

TEST(ThemeLayerTest, HandlesAreCachedPerTypeAndClassList)
{
    FakeThemeApi theme;
    ScopedTheme scoped(&theme);
    HTHEME button = ThemeHandleFor(totButton);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(ThemeHandleFor(totButton), button);
    EXPECT_EQ(ThemeHandleFor(totButton, L"BUTTON"), button) << "case is ignored";
    EXPECT_EQ(theme.opens, 1);
    HTHEME other = ThemeHandleFor(totButton, L"Edit");
    EXPECT_NE(other, button);
    EXPECT_EQ(theme.closes, 1) << "the cached handle of another class list is closed first";
    EXPECT_EQ(ThemeHandleFor(totButton), other) << "the cached class list is kept";
    EXPECT_EQ(theme.OpenHandles(), 1);
    EXPECT_FALSE(CloseThemeHandle(totHeader)) << "nothing cached";
    EXPECT_TRUE(CloseThemeHandle(totButton));
    EXPECT_EQ(theme.OpenHandles(), 0);
}

TEST(ThemeLayerTest, ClosingAllHandlesForgetsThemSoNoClosedHandleIsHandedOut)
{
    FakeThemeApi theme;
    ScopedTheme scoped(&theme);
    ASSERT_NE(ThemeHandleFor(totButton), nullptr);
    ASSERT_NE(ThemeHandleFor(totScrollBar), nullptr);
    CloseAllThemeHandles();
    EXPECT_EQ(theme.OpenHandles(), 0);
    CloseAllThemeHandles();
    EXPECT_EQ(theme.closes, 2) << "a second close-all closes nothing twice";
    Surface s(60, 30);
    TcxWinXPLookAndFeelPainter::Instance()->PaintButton(s.Cx(), RECT{0, 0, 60, 30}, L"OK", cxbsNormal);
    EXPECT_EQ(theme.closedHandleUses, 0);
    ASSERT_EQ(theme.draws.size(), 1u);
    EXPECT_EQ(theme.OpenHandles(), 1) << "a fresh handle was opened";
}

TEST(ThemeLayerTest, ThemeChangeMessageClosesHandlesRereadsTheFlagAndTellsNotificators)
{
    FakeThemeApi theme;
    ScopedTheme scoped(&theme);
    ASSERT_NE(ThemeHandleFor(totButton), nullptr);
    int told = 0;
    bool activeWhenTold = true;
    TdxThemeChangedNotificator n;
    n.OnThemeChanged = [&] {
        ++told;
        activeWhenTold = ThemeActiveFlag();
    };
    theme.active = false;
    ASSERT_NE(ThemeChangedReceiverWindow(), nullptr);
    EXPECT_EQ(SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0), 0);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(activeWhenTold);
    EXPECT_EQ(theme.OpenHandles(), 0);
    theme.active = true;
    SendMessageW(ThemeChangedReceiverWindow(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(told, 2);
    EXPECT_TRUE(ThemeActiveFlag());
}

TEST(ThemeLayerTest, NotificatorsFreedOrAddedDuringANotificationAreNotCalledInIt)
{
    FakeThemeApi theme;
    ScopedTheme scoped(&theme);
    std::vector<std::string> calls;
    auto first = std::make_unique<TdxThemeChangedNotificator>();
    auto second = std::make_unique<TdxThemeChangedNotificator>();
    auto third = std::make_unique<TdxThemeChangedNotificator>();
    std::unique_ptr<TdxThemeChangedNotificator> added;
    first->OnThemeChanged = [&] {
        calls.push_back("first");
        second.reset(); // frees a notificator that is still to come
        added = std::make_unique<TdxThemeChangedNotificator>();
        added->OnThemeChanged = [&] { calls.push_back("added"); };
    };
    second->OnThemeChanged = [&] { calls.push_back("second"); };
    third->OnThemeChanged = [&] { calls.push_back("third"); };
    SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "third"}));
    calls.clear();
    first->OnThemeChanged = [&] { calls.push_back("first"); };
    SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "third", "added"}));
}

TEST(ThemeLayerTest, AnErrorInANotificationGoesToTheErrorHandler)
{
    FakeThemeApi theme;
    ScopedTheme scoped(&theme);
    std::string routed;
    SetCallbackErrorHandler([&](const std::exception* e) { routed = e ? e->what() : "?"; });
    TdxThemeChangedNotificator n;
    n.OnThemeChanged = [] { throw EInvalidOperation(L"theme handler failed"); };
    SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
    SetCallbackErrorHandler(nullptr);
    EXPECT_EQ(routed, "theme handler failed");
}

TEST(SystemLibraryTest, APlantedLibraryInTheCurrentFolderIsNeverLoaded)
{
    const wchar_t* name = L"wtsapi32.dll";
    if (GetModuleHandleW(name))
        GTEST_SKIP() << "already loaded";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::filesystem::path folder = std::filesystem::path(temp) / L"laf-planted";
    std::filesystem::create_directories(folder);
    {
        std::ofstream(folder / name, std::ios::binary) << "not a library";
    }
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    SetCurrentDirectoryW(folder.c_str());
    UniqueLibrary lib = LoadSystemLibrary(name);
    SetCurrentDirectoryW(old);
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(lib) << "the system's copy loads";
    wchar_t path[MAX_PATH], system[MAX_PATH];
    GetModuleFileNameW(lib.get(), path, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(_wcsnicmp(path, system, wcslen(system)), 0) << ToUtf8(path);
}

// The layer and the colour listener start at their first use, not when the program loads: a
// fresh process (this test program again, running only this case) finds neither started after
// load, nor the theme layer after the error handler is installed and used; the first question
// starts the layer, with its receiver window on the asking thread, and the first colour read
// starts the listener.
TEST(ThemeLayerStartTest, StartsAtFirstUseNotAtLoad)
{
    constexpr wchar_t kChild[] = L"CORVANE_THEME_START_CHILD";
    if (GetEnvironmentVariableW(kChild, nullptr, 0)) {
        EXPECT_FALSE(ThemeLayerStarted()) << "started when the program loaded";
        EXPECT_EQ(SystemPaletteListenerWindow(), nullptr) << "colour listener made when the program loaded";
        bool routed = false;
        SetCallbackErrorHandler([&](const std::exception*) { routed = true; });
        RouteCallbackError(nullptr);
        EXPECT_TRUE(routed);
        EXPECT_FALSE(ThemeLayerStarted()) << "the error handler started the theme layer";
        SetCallbackErrorHandler(nullptr);
        ThemeActiveFlag();
        EXPECT_TRUE(ThemeLayerStarted());
        HWND receiver = ThemeChangedReceiverWindow();
        ASSERT_NE(receiver, nullptr);
        EXPECT_EQ(GetWindowThreadProcessId(receiver, nullptr), GetCurrentThreadId());
        // The first colour a painter reads starts the listener that keeps the colours current.
        EXPECT_EQ(SystemPaletteListenerWindow(), nullptr);
        EXPECT_EQ(Office11ButtonFace(), ColorToRGB(clBtnFace));
        EXPECT_NE(SystemPaletteListenerWindow(), nullptr);
        EXPECT_EQ(Office11ColorSetUsers(), 1) << "the listener holds the set";
        return;
    }
    wchar_t exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --gtest_filter=ThemeLayerStartTest.StartsAtFirstUseNotAtLoad";
    ASSERT_TRUE(SetEnvironmentVariableW(kChild, L"1"));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(kChild, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "the child's failures are in its output above";
}
