#include "Unit1.h"

#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "runtime/rtApplication.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindowDiag, Edit)
{
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    TApplication app;
    app.CreateForm(Form1);
    Form1->Show();
    app.ProcessMessages();
    UpdateWindow(Form1->Handle());
    auto* edit = Form1->cxTextEdit9;
    HWND inner = edit->InnerEdit()->Handle();
    RECT r;
    GetWindowRect(inner, &r);
    MapWindowPoints(nullptr, edit->Handle(), reinterpret_cast<POINT*>(&r), 2);
    wchar_t buf[64];
    GetWindowTextW(inner, buf, 64);
    HDC dc = GetDC(inner);
    printf("inner %ld,%ld,%ld,%ld vis=%d text=%ls outer=%d,%d,%d,%d pixels %06lx %06lx color=%08x bg=%08x en=%d\n",
           r.left, r.top, r.right, r.bottom, IsWindowVisible(inner), buf, edit->Left(), edit->Top(), edit->Width(),
           edit->Height(), GetPixel(dc, 2, 5), GetPixel(dc, 30, 8), edit->InnerEdit()->Color(),
           edit->ViewInfo().backgroundColor, IsWindowEnabled(inner));
    ReleaseDC(inner, dc);
    delete Form1;
}

} // namespace
