// Paints every painter's elements side by side into one picture, saved as
// artifacts/painters.bmp in the build folder, for a person to look at.
#include "tests/common/Artifacts.h"
#include "LafTestSupport.h"

#include "lookandfeel/cxLookAndFeelPainters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace laftest;

namespace {

constexpr int kCellW = 96, kCellH = 34, kNameW = 190;

struct Column {
    const wchar_t* title;
    std::function<void(TcxCanvas&, TcxCustomLookAndFeelPainterClass, const RECT&)> paint;
};

const std::vector<Column>& Columns()
{
    static const std::vector<Column> columns = {
        {L"frame", [](TcxCanvas& c, auto p, const RECT& r) { p->PaintFrame(c, r); }},
        {L"default",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Default", cxbsDefault); }},
        {L"normal",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"&Normal", cxbsNormal); }},
        {L"hot", [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Hot", cxbsHot); }},
        {L"pressed",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Pressed", cxbsPressed); }},
        {L"disabled",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Disabled", cxbsDisabled); }},
        {L"arrows",
         [](TcxCanvas& c, auto p, const RECT& r) {
             const TcxArrowDirection dirs[] = {adirUp, adirDown, adirLeft, adirRight};
             for (int i = 0; i < 4; ++i)
                 p->PaintArrow(c, RECT{r.left + i * 22, r.top + 6, r.left + i * 22 + 20, r.bottom - 6},
                               clBtnText, dirs[i]);
         }},
        {L"button arrows",
         [](TcxCanvas& c, auto p, const RECT& r) {
             const TcxButtonState states[] = {cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled};
             for (int i = 0; i < 4; ++i) {
                 RECT b{r.left + i * 22, r.top + 4, r.left + i * 22 + 20, r.bottom - 4};
                 p->PaintButton(c, b, L"", states[i], true);
                 p->PaintButtonArrow(c, b, adirDown, states[i]);
             }
         }},
        {L"size grip",
         [](TcxCanvas& c, auto p, const RECT& r) {
             p->PaintSizeGrip(c, RECT{r.right - 20, r.bottom - 20, r.right, r.bottom}, clBtnFace);
         }},
        {L"group frame",
         [](TcxCanvas& c, auto p, const RECT& r) {
             c.PushClipRegion();
             p->PaintGroupFrame(c, r, cxBordersAll, true);
             c.PopClipRegion();
             c.Font().SetColor(p->GroupCaptionColor(true));
             c.Brush().SetStyle(TBrushStyle::bsClear);
             c.WriteText(L"Group", RECT{r.left + 6, r.top + 2, r.right, r.top + 16},
                         tfSingleLine | tfAlignLeft);
             c.Brush().SetStyle(TBrushStyle::bsSolid);
         }},
        {L"progress",
         [](TcxCanvas& c, auto p, const RECT& r) {
             c.FillRectColor(r, clWindow);
             c.FillRectColor(RECT{r.left, r.top, (r.left + r.right) / 2, r.bottom}, clHighlight);
             SIZE t = c.TextSize(L"50%");
             RECT tr = RectCentered(r, t.cx, t.cy);
             p->PaintProgressText(c, false, clDefault, false, L"50%", tr);
         }},
        {L"label line",
         [](TcxCanvas& c, auto p, const RECT& r) {
             int mid = (r.top + r.bottom) / 2;
             p->PaintLabelLine(c, RECT{r.left, mid - 1, r.right, mid + 1}, false);
         }},
        {L"panel",
         [](TcxCanvas& c, auto p, const RECT& r) {
             p->PaintPanelBackground(c, nullptr, Office11GradientLight(), Office11GradientDark(), r);
         }},
    };
    return columns;
}

// 24 bits per pixel: no alpha channel that a viewer could take for transparency.
void WriteBmp(const std::filesystem::path& file, const Surface& s)
{
    const int stride = (s.Width() * 3 + 3) & ~3;
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof(bih);
    bih.biWidth = s.Width();
    bih.biHeight = s.Height(); // bottom-up rows, read by every viewer
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    BITMAPFILEHEADER bfh{};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(stride * s.Height());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&bfh), sizeof(bfh));
    out.write(reinterpret_cast<const char*>(&bih), sizeof(bih));
    std::vector<char> row(static_cast<size_t>(stride), 0);
    for (int y = s.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < s.Width(); ++x) {
            COLORREF c = s.At(x, y);
            row[static_cast<size_t>(x * 3)] = static_cast<char>(GetBValue(c));
            row[static_cast<size_t>(x * 3 + 1)] = static_cast<char>(GetGValue(c));
            row[static_cast<size_t>(x * 3 + 2)] = static_cast<char>(GetRValue(c));
        }
        out.write(row.data(), stride);
    }
}

} // namespace

TEST(PainterPictureTest, EveryPainterSideBySide)
{
    struct Row {
        const wchar_t* name;
        TcxCustomLookAndFeelPainterClass painter;
        bool theme; // with the system's visual styles, else with a theme that opens nothing
    };
    const Row rows[] = {
        {L"Standard", TcxStandardLookAndFeelPainter::Instance(), false},
        {L"Flat", TcxFlatLookAndFeelPainter::Instance(), false},
        {L"UltraFlat", TcxUltraFlatLookAndFeelPainter::Instance(), false},
        {L"Office11 (system scheme)", TcxOffice11LookAndFeelPainter::Instance(), true},
        {L"Office11 (Metallic)", TcxOffice11LookAndFeelPainter::Instance(), false},
        {L"Native (system theme)", TcxWinXPLookAndFeelPainter::Instance(), true},
        {L"Native (no theme)", TcxWinXPLookAndFeelPainter::Instance(), false},
    };
    const int cols = static_cast<int>(Columns().size());
    const int rowCount = static_cast<int>(std::size(rows));
    Surface s(kNameW + cols * (kCellW + 6) + 6, 24 + rowCount * (kCellH + 8));
    TcxCanvas& cv = s.Cx();
    cv.FillRectColor(RECT{0, 0, s.Width(), s.Height()}, clBtnFace);
    cv.Font().SetColor(clWindowText);
    cv.Brush().SetStyle(TBrushStyle::bsClear);
    for (int c = 0; c < cols; ++c)
        cv.WriteText(Columns()[static_cast<size_t>(c)].title,
                     RECT{kNameW + c * (kCellW + 6), 2, kNameW + c * (kCellW + 6) + kCellW, 20},
                     tfSingleLine | tfAlignCenter);
    cv.Brush().SetStyle(TBrushStyle::bsSolid);

    FakeThemeApi metallic;
    metallic.colorName = L"Metallic";
    metallic.failingClasses = {L"Button", L"ToolBar", L"ListView", L"ScrollBar"};
    for (int i = 0; i < rowCount; ++i) {
        ScopedTheme scoped(rows[i].theme ? &SystemThemeApi() : &metallic);
        int top = 24 + i * (kCellH + 8);
        cv.Font().SetColor(clWindowText);
        cv.Brush().SetStyle(TBrushStyle::bsClear);
        cv.WriteText(rows[i].name, RECT{4, top, kNameW - 4, top + kCellH}, tfSingleLine | tfAlignMiddle);
        cv.Brush().SetStyle(TBrushStyle::bsSolid);
        for (int c = 0; c < cols; ++c) {
            RECT cell{kNameW + c * (kCellW + 6), top, kNameW + c * (kCellW + 6) + kCellW, top + kCellH};
            cv.FillRectColor(cell, clBtnFace);
            cv.PushState();
            cv.Font().SetColor(clBtnText);
            Columns()[static_cast<size_t>(c)].paint(cv, rows[i].painter, cell);
            cv.PopState();
            // Only the Office 2003 and native painters paint panel backgrounds.
            bool mayBeEmpty = std::wstring(Columns()[static_cast<size_t>(c)].title) == L"panel" &&
                              rows[i].painter->PainterStyle() < 3;
            if (!mayBeEmpty && s.CountNot(cell, Sys(COLOR_BTNFACE)) == 0) {
                ADD_FAILURE() << "nothing painted: " << ToUtf8(rows[i].name) << " / "
                              << ToUtf8(Columns()[static_cast<size_t>(c)].title);
            }
        }
    }
    std::filesystem::create_directories(ArtifactFolder());
    std::filesystem::path file = ArtifactFolder() / L"painters.bmp";
    WriteBmp(file, s);
    EXPECT_GT(std::filesystem::file_size(file), static_cast<uintmax_t>(s.Width() * s.Height() * 3));
}
