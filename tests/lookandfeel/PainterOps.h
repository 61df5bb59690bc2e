// Every painting operation of a painter on one control-sized rectangle, by name; shared
// by the leak test, the picture and the benchmark.
#pragma once

#include "lookandfeel/cxLookAndFeelPainters.h"

#include <functional>
#include <string>
#include <vector>

namespace laftest {

using PainterOp = std::function<void(TcxCanvas&, TcxCustomLookAndFeelPainterClass, const RECT&)>;

struct NamedPainterOp {
    std::string name;
    PainterOp paint;
};

inline const std::vector<NamedPainterOp>& PainterOps()
{
    static const std::vector<NamedPainterOp> ops = {
        {"PaintFrame", [](TcxCanvas& c, auto p, const RECT& r) { p->PaintFrame(c, r); }},
        {"PaintButton normal",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Start", cxbsNormal); }},
        {"PaintButton default",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Start", cxbsDefault); }},
        {"PaintButton hot",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Start", cxbsHot); }},
        {"PaintButton pressed",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Start", cxbsPressed); }},
        {"PaintButton disabled",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButton(c, r, L"Start", cxbsDisabled); }},
        {"PaintButtonFrame", [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButtonFrame(c, r, cxbsHot); }},
        {"PaintArrow", [](TcxCanvas& c, auto p, const RECT& r) { p->PaintArrow(c, r, clBtnText, adirDown); }},
        {"PaintButtonArrow",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintButtonArrow(c, r, adirRight, cxbsDisabled); }},
        {"PaintSizeGrip", [](TcxCanvas& c, auto p, const RECT& r) { p->PaintSizeGrip(c, r, clBtnFace); }},
        {"PaintLabelLine",
         [](TcxCanvas& c, auto p, const RECT& r) {
             p->PaintLabelLine(c, RECT{r.left, r.top + 10, r.right, r.top + 12}, false);
         }},
        {"PaintProgressText",
         [](TcxCanvas& c, auto p, const RECT& r) {
             p->PaintProgressText(c, false, clDefault, false, L"42%", r);
         }},
        {"PaintProgressText solid",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintProgressText(c, false, clRed, true, L"42%", r); }},
        {"PaintGroupFrame",
         [](TcxCanvas& c, auto p, const RECT& r) { p->PaintGroupFrame(c, r, cxBordersAll, true); }},
        {"PaintPanelBackground",
         [](TcxCanvas& c, auto p, const RECT& r) {
             p->PaintPanelBackground(c, nullptr, Office11GradientLight(), Office11GradientDark(), r);
         }},
    };
    return ops;
}

inline std::vector<TcxCustomLookAndFeelPainterClass> AllPainters()
{
    return {TcxStandardLookAndFeelPainter::Instance(), TcxFlatLookAndFeelPainter::Instance(),
            TcxUltraFlatLookAndFeelPainter::Instance(), TcxOffice11LookAndFeelPainter::Instance(),
            TcxWinXPLookAndFeelPainter::Instance()};
}

} // namespace laftest
