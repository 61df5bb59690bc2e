// Times every painter operation on a control-sized rectangle against plain GDI drawing
// of the same rectangle (fill, frame, text) measured in the same run, and shows through
// the layer's counters that the Office 2003 colours and the theme handles are computed
// once per system change, not per paint.
#include "bench/common/BenchClock.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "tests/lookandfeel/PainterOps.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kSamples = 31, kReps = 40;
const RECT kRect{4, 4, 94, 28}; // a button or an edit: 90 x 24

// Samples of the operation and of the baseline alternate (see bench::PairedMedians).
template <typename Op, typename Base> std::pair<double, double> PairedMedians(Op&& op, Base&& base)
{
    return bench::PairedMedians(kSamples, kReps, op, base);
}

struct Dib {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    Dib(int w, int h)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
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

} // namespace

int main()
{
    Dib dib(100, 32);
    TCanvas canvas;
    canvas.SetHandle(dib.dc);
    TcxCanvas cx(&canvas);

    // Plain GDI: the same rectangle filled, framed and captioned.
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SelectObject(dib.dc, font);
    auto baseline = [&] {
        RECT r = kRect;
        FillRect(dib.dc, &r, face);
        FrameRect(dib.dc, &r, frame);
        SetBkMode(dib.dc, TRANSPARENT);
        DrawTextW(dib.dc, L"Start", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    };
    // What the platform's visual styles alone cost for the parts the native painter draws.
    HTHEME button = ThemeHandleFor(totButton);
    HTHEME scrollBar = ThemeHandleFor(totScrollBar);
    auto themedPart = [&](const std::string& name) -> std::function<void()> {
        if (name.rfind("PaintButton ", 0) == 0 && button)
            return [&, button] {
                ThemeApi().DrawThemeBackground(button, dib.dc, 1, 1, &kRect, nullptr);
                ThemeApi().DrawThemeText(button, dib.dc, 1, 1, L"Start", -1, 37, 0, &kRect);
            };
        if (name == "PaintGroupFrame" && button)
            return [&, button] { ThemeApi().DrawThemeBackground(button, dib.dc, 4, 1, &kRect, nullptr); };
        if (name == "PaintSizeGrip" && scrollBar)
            return
                [&, scrollBar] { ThemeApi().DrawThemeBackground(scrollBar, dib.dc, 10, 1, &kRect, nullptr); };
        return nullptr;
    };

    std::printf(
        "Painter operations on a %dx%d rectangle: median of %d samples x %d paints, each next to\n"
        "the plain GDI baseline (FillRect + FrameRect + DrawText of the same rectangle) sampled in turn\n\n",
        RectWidth(kRect), RectHeight(kRect), kSamples, kReps);
    std::printf("%-32s %-24s %9s %9s %7s %s\n", "painter", "operation", "op us", "GDI us", "ratio",
                "(theme part alone: us, ratio)");
    double worst = 0;
    std::string worstName;
    int over = 0;
    for (auto painter : laftest::AllPainters())
        for (const auto& op : laftest::PainterOps()) {
            auto [t, base] = PairedMedians([&] { op.paint(cx, painter, kRect); }, baseline);
            double ratio = t / base;
            std::printf("%-32ls %-24s %9.2f %9.2f %7.2f", painter->ClassName(), op.name.c_str(), t, base,
                        ratio);
            // The native painter draws these through the theme, the Office 2003 one only
            // its group frames.
            bool themed =
                VisualStylesActive() && (painter->PainterStyle() == 3 ||
                                         (painter->PainterStyle() == 4 && op.name == "PaintGroupFrame"));
            if (auto part = themed ? themedPart(op.name) : nullptr) {
                auto [tt, themeBase] = PairedMedians([&] { op.paint(cx, painter, kRect); }, part);
                std::printf("   (%.2f, %.2f)", themeBase, tt / themeBase);
            }
            std::printf("%s\n", ratio > 3.0 ? "  above 3x GDI" : "");
            if (ratio > 3.0)
                ++over;
            if (ratio > worst) {
                worst = ratio;
                worstName = std::string(ToUtf8(painter->ClassName())) + " " + op.name;
            }
        }
    std::printf("\nworst ratio %.2f (%s); operations above 3x: %d\n", worst, worstName.c_str(), over);

    // Colours and theme handles: counted across paints and across one system change.
    auto paintAll = [&] {
        for (int i = 0; i < 1000; ++i)
            for (auto painter : laftest::AllPainters())
                for (const auto& op : laftest::PainterOps())
                    op.paint(cx, painter, kRect);
    };
    paintAll();
    unsigned colours0 = Office11ComputeCount(), opens0 = ThemeOpenCount();
    paintAll();
    unsigned colours1 = Office11ComputeCount(), opens1 = ThemeOpenCount();
    SendMessageW(SystemPaletteListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
    SendMessageW(ThemeChangedReceiverWindow(), WM_SYSCOLORCHANGE, 0, 0);
    unsigned colours2 = Office11ComputeCount(), opens2 = ThemeOpenCount();
    paintAll();
    unsigned colours3 = Office11ComputeCount(), opens3 = ThemeOpenCount();
    const int perRound = static_cast<int>(laftest::AllPainters().size() * laftest::PainterOps().size());
    std::printf(
        "\n%d paints of every operation: Office 2003 colour computations %u, theme handles opened %u\n", 1000,
        colours1 - colours0, opens1 - opens0);
    std::printf("one system colour change: colour computations %u\n", colours2 - colours1);
    std::printf("%d paints after the change: colour computations %u, theme handles opened %u (once per "
                "themed type)\n",
                1000 * perRound, colours3 - colours2, opens3 - opens2);

    canvas.SetHandle(nullptr);
    DeleteObject(face);
    DeleteObject(frame);
    return 0;
}
