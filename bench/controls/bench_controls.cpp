// Times each display control's full repaint in each of its styles against plain GDI drawing of
// the same rectangle (fill, frame, text), measured in the same run; the themed push button
// next to the theme calls it cannot do without; one tick of the animated progress bar (the
// step and the frame shown on screen) next to a single blit of its bar, and the ways a frame
// can reach the screen.
#include "bench/common/BenchClock.h"
#include "controls/cxButtons.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "lookandfeel/dxThemeManager.h"
#include "runtime/rtApplication.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSamples = 21, kReps = 40;

template <typename Fn> double TimeOnce(Fn&& fn)
{
    return bench::MicrosecondsPerCall(kReps, fn);
}

// Samples of the operation and of the baseline alternate (see bench::PairedMedians).
template <typename Op, typename Base> std::pair<double, double> PairedMedians(Op&& op, Base&& base)
{
    return bench::PairedMedians(kSamples, kReps, op, base);
}

struct Dib {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    Dib(int w, int h)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~Dib()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// "--profile TEXT" repeats only the rows whose name contains TEXT, without their baseline, for
// a profiler or a call trace.
const char* g_profile = nullptr;
const char* g_pictures = nullptr;

// The top-left w x h of a top-down 32-bit picture stride pixels wide, as a bitmap file.
void SaveBitmap(const std::string& path, const void* bits, int stride, int rows, int w, int h)
{
    if (h > rows)
        return;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    BITMAPINFOHEADER info{sizeof(info), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(w) * h * 4;
    std::fwrite(&file, sizeof(file), 1, f);
    std::fwrite(&info, sizeof(info), 1, f);
    for (int y = 0; y < h; ++y)
        std::fwrite(static_cast<const std::uint32_t*>(bits) + static_cast<size_t>(y) * stride, 4, w, f);
    std::fclose(f);
}

template <typename Op, typename Base>
std::pair<double, double> Measure(const std::string& name, Op&& op, Base&& base)
{
    if (!g_profile)
        return PairedMedians(op, base);
    if (name.find(g_profile) == std::string::npos)
        return {0, 1};
    for (int i = 0; i < 20000; ++i)
        op();
    return {TimeOnce(op), 1};
}

// A bare child window that shows the picture of source at each paint; ownDC gives its
// class a device context of its own.
HDC g_probeSource = nullptr;

LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT r;
        GetClientRect(wnd, &r);
        BitBlt(dc, 0, 0, r.right, r.bottom, g_probeSource, 0, 0, SRCCOPY);
        EndPaint(wnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND ProbeWindow(HWND parent, bool ownDC, int x, int y, int w, int h, HDC source)
{
    g_probeSource = source;
    const wchar_t* name = ownDC ? L"BenchProbeOwnDC" : L"BenchProbe";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = ownDC ? CS_OWNDC : 0;
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
    return CreateWindowExW(0, name, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// The platform's own controls as Corvane's window gets them: its manifest asks for version 6 of
// the common controls, which this program carries as a second manifest resource so that only
// the twins below are made under it (the library's controls stay as the tests make them).
constexpr int kTwinManifest = 2;

HANDLE TwinContext()
{
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    ACTCTXW ctx{};
    ctx.cbSize = sizeof(ctx);
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.lpSource = module;
    ctx.hModule = GetModuleHandleW(nullptr);
    ctx.lpResourceName = MAKEINTRESOURCEW(kTwinManifest);
    return CreateActCtxW(&ctx);
}

// A platform control of the library control's size and text, classic (version 5) or under the
// version 6 context, hidden: it is only asked for its picture.
HWND Twin(HANDLE context, const wchar_t* cls, DWORD style, const wchar_t* text, int w, int h, HWND parent,
          HFONT font)
{
    ULONG_PTR cookie = 0;
    const bool active = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie);
    HWND wnd = CreateWindowExW(0, cls, text, WS_CHILD | style, 0, 0, w, h, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (active)
        DeactivateActCtx(0, cookie);
    SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return wnd;
}

// Share of the w x h corner that one paint changed from a marker colour: a twin that paints
// nothing would make its row meaningless.
template <typename Paint> double Coverage(HDC dc, int w, int h, Paint&& paint)
{
    const COLORREF marker = RGB(1, 2, 3);
    HBRUSH brush = CreateSolidBrush(marker);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    paint();
    GdiFlush();
    int changed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            changed += GetPixel(dc, x, y) != marker;
    return 100.0 * changed / (static_cast<double>(w) * h);
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--profile")
            g_profile = argv[i + 1];
        else if (std::string(argv[i]) == "--pictures")
            g_pictures = argv[i + 1];
    TApplication app;
    auto* form = new TForm(&app);
    form->SetBounds(50, 50, 400, 300);
    form->Show();
    app.ProcessMessages();
    Dib dib(400, 300);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
    SelectObject(dib.dc, form->Font()->Handle());
    // Plain GDI: the control's rectangle filled, framed and captioned.
    auto baselineFor = [&](TWinControl* c, const wchar_t* text) {
        return [&, c, text] {
            RECT r{0, 0, c->Width(), c->Height()};
            FillRect(dib.dc, &r, face);
            FrameRect(dib.dc, &r, frame);
            SetBkMode(dib.dc, TRANSPARENT);
            DrawTextW(dib.dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        };
    };
    auto repaint = [&](TWinControl* c) {
        return [&, c] {
            SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc), PRF_CLIENT);
        };
    };

    // The platform's twin of a control, painted the way the library's control is.
    const HANDLE twinContext = TwinContext();
    HFONT font = form->Font()->Handle();
    struct Twins {
        HWND themed, classic;
    };
    auto twinsFor = [&](TWinControl* c, const wchar_t* cls, DWORD style, const wchar_t* text) {
        return Twins{
            Twin(twinContext, cls, style, text, c->Width(), c->Height(), form->Handle(), font),
            Twin(INVALID_HANDLE_VALUE, cls, style, text, c->Width(), c->Height(), form->Handle(), font)};
    };
    auto printTwin = [&](HWND twin) {
        return [&, twin] {
            SendMessageW(twin, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc), PRF_CLIENT | PRF_ERASEBKGND);
        };
    };

    std::printf(
        "Full repaint of each control (WM_PRINTCLIENT into a memory bitmap): median of %d samples x %d\n"
        "paints, sampled in turn with each baseline: plain GDI (FillRect + FrameRect + DrawText of the\n"
        "same rectangle), and the platform's own control of that kind, size and text, painted the same\n"
        "way (PRF_CLIENT | PRF_ERASEBKGND): as Corvane's window gets it (common controls version 6,\n"
        "target 1.5) and the classic one (version 5). The library's time is the one measured next to\n"
        "the version 6 twin.\n%s\n",
        kSamples, kReps,
        twinContext == INVALID_HANDLE_VALUE ? "(no version 6 context here: both twins are classic)\n" : "");
    std::printf("%-32s %8s %8s %6s %8s %6s %8s %6s\n", "control and style", "ctl us", "GDI us", "ratio",
                "v6 us", "ratio", "v5 us", "ratio");
    double worst = 0, worstTwin = 0;
    auto report = [&](const std::string& name, std::pair<double, double> t, std::pair<double, double> v6,
                      std::pair<double, double> v5) {
        double ratio = t.first / t.second;
        worst = std::max(worst, ratio);
        worstTwin = std::max(worstTwin, v6.first / v6.second);
        std::printf("%-32s %8.2f %8.2f %6.2f %8.2f %6.2f %8.2f %6.2f\n", name.c_str(), v6.first, t.second,
                    ratio, v6.second, v6.first / v6.second, v5.second, v5.first / v5.second);
    };
    auto measureAll = [&](const std::string& name, TWinControl* c, const wchar_t* text, const Twins& twins) {
        auto r = repaint(c);
        auto v6 = Measure(name, r, printTwin(twins.themed));
        if (g_profile)
            return report(name, v6, v6, v6);
        report(name, Measure(name, r, baselineFor(c, text)), v6, Measure(name, r, printTwin(twins.classic)));
    };
    // How much of its rectangle each twin paints (a twin painting little would flatter the library).
    // "--pictures DIR" also keeps each of the three pictures as a bitmap file there.
    auto coverage = [&](const char* what, TWinControl* c, const Twins& twins) {
        if (g_pictures) {
            int n = 0;
            for (const std::function<void()>& paint :
                 {std::function<void()>(repaint(c)), std::function<void()>(printTwin(twins.themed)),
                  std::function<void()>(printTwin(twins.classic))}) {
                Coverage(dib.dc, c->Width(), c->Height(), paint);
                SaveBitmap(std::string(g_pictures) + "/" + what +
                               (n == 0   ? ""
                                : n == 1 ? " v6"
                                         : " v5") +
                               ".bmp",
                           dib.bits, 400, 300, c->Width(), c->Height());
                ++n;
            }
        }
        std::printf(
            "  %s: the library paints %.0f%% of its rectangle, the version 6 twin %.0f%%, the classic "
            "%.0f%%\n",
            what, Coverage(dib.dc, c->Width(), c->Height(), repaint(c)),
            Coverage(dib.dc, c->Width(), c->Height(), printTwin(twins.themed)),
            Coverage(dib.dc, c->Width(), c->Height(), printTwin(twins.classic)));
    };
    std::vector<std::function<void()>> coverages;

    auto* bar = new TcxProgressBar(form);
    bar->SetParent(form);
    bar->SetAutoSize(false);
    bar->SetBounds(10, 10, 300, 21);
    bar->SetPosition(60);
    app.ProcessMessages();
    const Twins barTwins = twinsFor(bar, PROGRESS_CLASSW, 0, L"");
    for (HWND t : {barTwins.themed, barTwins.classic})
        SendMessageW(t, PBM_SETPOS, 60, 0);
    const char* barStyles[] = {"solid",  "LEDs",        "gradient",  "gradient LEDs",
                               "bitmap", "bitmap LEDs", "animation", "animation LEDs"};
    for (int s = 0; s <= cxbsAnimationLEDs; ++s) {
        bar->Properties()->SetBarStyle(static_cast<TcxProgressBarBarStyle>(s));
        bar->Properties()->SetAnimationSpeed(0);
        bar->UpdateVisualStateAtCursor(false);
        std::string name = std::string("progress bar, ") + barStyles[s];
        measureAll(name, bar, L"60 %", barTwins);
    }
    coverages.push_back([&] { coverage("progress bar (animation LEDs)", bar, barTwins); });

    auto* label = new TcxLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 40, 10, 10);
    label->SetCaption(L"请选择源文件目录");
    app.ProcessMessages();
    const Twins labelTwins = twinsFor(label, L"STATIC", SS_LEFT, L"请选择源文件目录");
    struct LabelLook {
        const char* name;
        bool transparent;
        TcxLabelEffect effect;
        TcxLabelStyle style;
    } labelLooks[] = {{"label, opaque (cached)", false, cxleNormal, cxlsNormal},
                      {"label, transparent", true, cxleNormal, cxlsNormal},
                      {"label, extrude depth 4", false, cxleExtrude, cxlsNormal},
                      {"label, raised", false, cxleNormal, cxlsRaised}};
    for (const LabelLook& l : labelLooks) {
        label->SetTransparent(l.transparent);
        label->Properties()->SetLabelEffect(l.effect);
        label->Properties()->SetDepth(l.effect == cxleNormal ? 0 : 4);
        label->Properties()->SetLabelStyle(l.style);
        label->UpdateVisualStateAtCursor(false);
        measureAll(l.name, label, L"请选择源文件目录", labelTwins);
    }
    coverages.push_back([&] { coverage("label (raised)", label, labelTwins); });

    auto* box = new TcxGroupBox(form);
    box->SetParent(form);
    box->SetBounds(10, 80, 300, 120);
    box->SetCaption(L"Group");
    app.ProcessMessages();
    const Twins boxTwins = twinsFor(box, L"BUTTON", BS_GROUPBOX, L"Group");
    for (TcxContainerBorderStyle style : {cbsSingle, cbsFlat, cbs3D}) {
        box->Style()->SetBorderStyle(style);
        box->UpdateVisualStateAtCursor(false);
        std::string name = "group box, border style " + std::to_string(style);
        measureAll(name, box, L"Group", boxTwins);
    }
    coverages.push_back([&] { coverage("group box (3D)", box, boxTwins); });

    auto* button = new TcxButton(form);
    button->SetParent(form);
    button->SetBounds(10, 210, 90, 25);
    button->SetCaption(L"开始修改");
    app.ProcessMessages();
    const Twins buttonTwins = twinsFor(button, L"BUTTON", BS_PUSHBUTTON, L"开始修改");
    // The last kind paints with the theme where one is on, like the version 6 twin.
    for (TcxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
        button->LookAndFeel()->SetKind(kind);
        std::string name = "push button, kind " + std::to_string(kind);
        measureAll(name, button, L"开始修改", buttonTwins);
    }
    coverages.push_back([&] {
        button->LookAndFeel()->SetKind(lfUltraFlat);
        coverage("push button (ultra flat)", button, buttonTwins);
        button->LookAndFeel()->SetKind(lfOffice11);
        coverage("push button (themed kind)", button, buttonTwins);
    });
    std::printf("\nworst ratio where the library draws: %.2f next to plain GDI (target 3), %.2f next to the "
                "platform's own control (target 1.5)\n",
                worst, worstTwin);
    for (auto& c : coverages)
        c();

    // The themed button: the library's repaint next to the theme calls the button cannot do
    // without in the state it paints in: the parent's picture where the face leaves it showing
    // (the platform's own button asks the parent for it too), the face, the caption in the
    // button's font and the focus mark when focused. The second ratio leaves out the parent,
    // the font and the mark, as earlier runs of this benchmark did.
    button->LookAndFeel()->SetKind(lfOffice11);
    if (button->Painter() == TcxWinXPLookAndFeelPainter::Instance()) {
        HTHEME theme = OpenThemeData(button->Handle(), L"Button");
        RECT r{0, 0, button->Width(), button->Height()};
        int stateId = 0;
        bool focused = false, open = false;
        RECT focusRect = r;
        auto faceAndText = [&] {
            DrawThemeBackground(theme, dib.dc, BP_PUSHBUTTON, stateId, &r, nullptr);
            DrawThemeText(theme, dib.dc, BP_PUSHBUTTON, stateId, L"开始修改", -1,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &r);
        };
        // The caption is drawn in the button's font, as the platform's own button draws its
        // own: selected for the caption and the caller's font put back afterwards.
        HFONT captionFont = button->Font()->Handle();
        auto themeAlone = [&] {
            if (open)
                DrawThemeParentBackground(button->Handle(), dib.dc, &r);
            HGDIOBJ old = SelectObject(dib.dc, captionFont);
            faceAndText();
            SelectObject(dib.dc, old);
            if (focused)
                DrawFocusRect(dib.dc, &focusRect);
        };
        // At rest, then focused (the default look with the focus mark).
        for (bool focus : {false, true}) {
            if (focus) {
                SetForegroundWindow(form->Handle());
                button->SetFocus();
                app.ProcessMessages();
            }
            repaint(button)();
            stateId = TcxWinXPLookAndFeelPainter::ButtonStateId(button->PaintedState());
            focused = GetFocus() == button->Handle();
            open = IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, stateId) != FALSE;
            GetThemeBackgroundContentRect(theme, dib.dc, BP_PUSHBUTTON, stateId, &r, &focusRect);
            std::printf("push button, themed: state %d, %s, face %s\n", stateId,
                        focused ? "focused" : "not focused",
                        open ? "partly transparent (the parent shows)" : "opaque");
            const std::string name = focus ? "push button, themed, focused" : "push button, themed";
            auto t = Measure(name, repaint(button), themeAlone);
            std::printf("%s: %.2f us, the theme calls it needs alone %.2f us, ratio %.2f (target 1.15)\n",
                        name.c_str(), t.first, t.second, t.first / t.second);
            auto old = Measure(name + " (face and text)", repaint(button), faceAndText);
            std::printf(
                "  against face and text alone (the earlier baseline): %.2f us, %.2f us, ratio %.2f\n",
                old.first, old.second, old.first / old.second);
        }
        // Where the rest goes: the library's face alone, the parent's picture alone.
        auto face = Measure(
            "push button, themed face", [&] { button->PaintButtonTo(dib.dc, cxbsNormal, false); },
            themeAlone);
        auto parent = Measure(
            "push button, themed parent",
            [&] {
                TCanvas canvas;
                canvas.SetHandle(dib.dc);
                {
                    TcxCanvas cx(&canvas);
                    PaintParentImage(button->Handle(), cx, r, false);
                }
                canvas.SetHandle(nullptr);
            },
            themeAlone);
        auto platformParent = Measure(
            "push button, platform parent", [&] { DrawThemeParentBackground(button->Handle(), dib.dc, &r); },
            themeAlone);
        TcxParentImageCache keptParent;
        auto kept = Measure(
            "push button, themed kept parent",
            [&] { keptParent.Paint(button->Handle(), dib.dc, r.right, r.bottom); }, themeAlone);
        std::printf(
            "  its parts: face and caption %.2f us, parent's picture %.2f us painted, %.2f us from the kept "
            "copy (the platform's call %.2f us)\n",
            face.first, parent.first, kept.first, platformParent.first);
        CloseThemeData(theme);
    } else {
        std::printf("push button, themed: no visual style for buttons here\n");
    }

    // One frame of the animated bar, as the 30 ms tick does it, next to one blit of the bar.
    bar->Properties()->SetBarStyle(cxbsAnimation);
    bar->Properties()->SetAnimationSpeed(10);
    bar->UpdateVisualStateAtCursor(false);
    HDC screen = GetDC(bar->Handle());
    RECT area = bar->BarArea();
    // The frame as the timer's tick shows it (after one full paint of the bar).
    InvalidateRect(bar->Handle(), nullptr, FALSE);
    UpdateWindow(bar->Handle());
    auto frameOfAnimation = [&] { bar->ShowNextFrame(); };
    auto oneBlit = [&] {
        BitBlt(screen, area.left, area.top, area.right - area.left, area.bottom - area.top, dib.dc, 0, 0,
               SRCCOPY);
    };
    auto t = Measure("animation frame", frameOfAnimation, oneBlit);
    std::printf("animation frame of the bar (one tick): %.2f us, one blit of its area %.2f us, ratio %.2f\n",
                t.first, t.second, t.first / t.second);
    auto step = Measure(
        "animation step", [&] { bar->StepSegment(); }, oneBlit);
    auto visible = Measure(
        "animation visibility", [&] { IsWindowVisible(bar->Handle()); }, oneBlit);
    std::printf("  its parts: the step alone %.2f us, asking whether the bar is visible %.2f us\n",
                step.first, visible.first);

    // The ways a tick can put a frame on screen, tried on two bare windows of the bar's size,
    // one of a class with a device context of its own; each next to the same blit into an
    // open context.
    std::printf("\nshowing a frame on a bare window of the bar's size, next to one blit:\n");
    const int aw = area.right - area.left, ah = area.bottom - area.top;
    HWND plain = ProbeWindow(form->Handle(), false, 10, 240, aw, ah, dib.dc);
    HWND own = ProbeWindow(form->Handle(), true, 10, 265, aw, ah, dib.dc);
    app.ProcessMessages();
    HDC ownDC = GetDC(own);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(aw) * ah, 0x00336699u);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(bi.bmiHeader), aw, ah, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    struct Way {
        const char* name;
        std::function<void()> show;
    } ways[] = {
        {"GetDC, blit, ReleaseDC",
         [&] {
             HDC dc = GetDC(plain);
             BitBlt(dc, 0, 0, aw, ah, dib.dc, 0, 0, SRCCOPY);
             ReleaseDC(plain, dc);
         }},
        {"blit into the window's own DC, kept", [&] { BitBlt(ownDC, 0, 0, aw, ah, dib.dc, 0, 0, SRCCOPY); }},
        {"pixels into the window's own DC, kept",
         [&] { SetDIBitsToDevice(ownDC, 0, 0, aw, ah, 0, 0, 0, ah, pixels.data(), &bi, DIB_RGB_COLORS); }},
        {"InvalidateRect + WM_PAINT blit",
         [&] {
             InvalidateRect(plain, nullptr, FALSE);
             UpdateWindow(plain);
         }},
        {"InvalidateRect + WM_PAINT blit, own DC",
         [&] {
             InvalidateRect(own, nullptr, FALSE);
             UpdateWindow(own);
         }},
    };
    for (const Way& w : ways) {
        auto m = Measure(w.name, w.show, oneBlit);
        std::printf("  %-42s %7.2f us, one blit %5.2f us, ratio %.2f\n", w.name, m.first, m.second,
                    m.first / m.second);
    }
    DestroyWindow(plain);
    DestroyWindow(own);
    ReleaseDC(bar->Handle(), screen);
    DeleteObject(face);
    DeleteObject(frame);
    return 0;
}
