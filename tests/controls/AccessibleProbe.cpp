// A separate program that reads a window as a screen reader does: its accessible client
// object's role, name, value, default action and children, each child's place and what a hit
// test at its middle finds; with --press N it runs the default action of child N (0: itself).
// With --title T [--press-named NAME] it walks every child window of the top-level window
// titled T, printing "window CLASS" before each one's lines, and presses the first part
// called NAME.
// Output, one UTF-8 line each:
//   self role=R name=N value=V action=A children=C
//   child I role=R name=N action=A state=S at=X,Y,W,H hit=H
#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

VARIANT Child(long id)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring Text(HRESULT r, BSTR b)
{
    if (r != S_OK && r != S_FALSE && r != DISP_E_MEMBERNOTFOUND)
        std::fprintf(stderr, "error 0x%08lx\n", static_cast<unsigned long>(r));
    std::wstring out = r == S_OK && b ? std::wstring(b, SysStringLen(b)) : L"-";
    SysFreeString(b);
    return out;
}

long Role(IAccessible* acc, long id)
{
    VARIANT role;
    VariantInit(&role);
    if (acc->get_accRole(Child(id), &role) != S_OK || role.vt != VT_I4)
        return -1;
    return role.lVal;
}

void Describe(IAccessible* acc, long id, bool self)
{
    BSTR b = nullptr;
    HRESULT r = acc->get_accName(Child(id), &b);
    std::wstring name = Text(r, b);
    b = nullptr;
    r = acc->get_accDefaultAction(Child(id), &b);
    std::wstring action = Text(r, b);
    if (self) {
        b = nullptr;
        r = acc->get_accValue(Child(id), &b);
        std::wstring value = Text(r, b);
        long count = -1;
        acc->get_accChildCount(&count);
        std::printf("self role=%ld name=%s value=%s action=%s children=%ld\n", Role(acc, id),
                    Utf8(name).c_str(), Utf8(value).c_str(), Utf8(action).c_str(), count);
        return;
    }
    VARIANT state;
    VariantInit(&state);
    acc->get_accState(Child(id), &state);
    long x = 0, y = 0, w = 0, h = 0;
    acc->accLocation(&x, &y, &w, &h, Child(id));
    VARIANT hit;
    VariantInit(&hit);
    long hitId = -1;
    if (acc->accHitTest(x + w / 2, y + h / 2, &hit) == S_OK && hit.vt == VT_I4)
        hitId = hit.lVal;
    VariantClear(&hit);
    std::printf("child %ld role=%ld name=%s action=%s state=%ld at=%ld,%ld,%ld,%ld hit=%ld\n", id,
                Role(acc, id), Utf8(name).c_str(), Utf8(action).c_str(), state.vt == VT_I4 ? state.lVal : -1,
                x, y, w, h, hitId);
}

// Reads one window; presses child press (0: the window itself, -1: nothing), or the first
// simple child called pressName. True when something was pressed.
bool Probe(HWND wnd, long press, const std::wstring& pressName, int& exitCode)
{
    IAccessible* acc = nullptr;
    HRESULT r = AccessibleObjectFromWindow(wnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&acc));
    if (FAILED(r) || !acc) {
        std::printf("none 0x%08lx\n", static_cast<unsigned long>(r));
        exitCode = 1;
        return false;
    }
    Describe(acc, CHILDID_SELF, true);
    long count = 0;
    acc->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        IDispatch* child = nullptr;
        // Children that are windows of their own answer for themselves; the simple ones here.
        if (acc->get_accChild(Child(id), &child) == S_OK && child) {
            child->Release();
            continue;
        }
        Describe(acc, id, false);
        if (press < 0 && !pressName.empty()) {
            BSTR b = nullptr;
            if (acc->get_accName(Child(id), &b) == S_OK && b && pressName == b)
                press = id;
            SysFreeString(b);
        }
    }
    bool pressed = false;
    if (press >= 0) {
        r = acc->accDoDefaultAction(Child(press));
        std::printf("pressed %ld 0x%08lx\n", press, static_cast<unsigned long>(r));
        exitCode = r == S_OK ? 0 : 1;
        pressed = true;
    }
    acc->Release();
    return pressed;
}

BOOL CALLBACK Collect(HWND wnd, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: accessible_probe HWND [--press N] | --title T [--press-named NAME]\n");
        return 2;
    }
    CoInitialize(nullptr);
    int exitCode = 0;
    if (std::string(argv[1]) == "--title" && argc >= 3) {
        // The texts as typed, whatever the code page: from the wide command line.
        int wideCount = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        std::wstring pressName =
            wide && wideCount >= 5 && std::string(argv[3]) == "--press-named" ? wide[4] : L"";
        HWND top = FindWindowW(nullptr, wide && wideCount >= 3 ? wide[2] : L"");
        LocalFree(wide);
        if (!top) {
            std::printf("no window\n");
            CoUninitialize();
            return 1;
        }
        std::vector<HWND> windows;
        EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&windows));
        bool pressed = pressName.empty();
        for (HWND wnd : windows) {
            wchar_t cls[128] = {};
            GetClassNameW(wnd, cls, 128);
            std::printf("window %s\n", Utf8(cls).c_str());
            if (Probe(wnd, -1, pressed ? L"" : pressName, exitCode))
                pressed = true;
        }
        if (!pressed)
            exitCode = 1;
    } else {
        HWND wnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(argv[1], nullptr, 0)));
        long press = argc >= 4 && std::string(argv[2]) == "--press" ? std::atol(argv[3]) : -1;
        Probe(wnd, press, L"", exitCode);
    }
    std::fflush(stdout);
    CoUninitialize();
    return exitCode;
}
