#include "editors/cxButtonEdit.h"
#include "editors/cxTextEdit.h"
#include "runtime/rtApplication.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEditDiag, InnerEdit)
{
    TApplication app;
    TForm form(&app);
    form.SetBounds(100, 100, 400, 200);
    auto* edit = new TcxTextEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->SetText(L".tbi");
    form.Show();
    app.ProcessMessages();
    HWND inner = edit->InnerEdit()->Handle();
    RECT r;
    GetWindowRect(inner, &r);
    MapWindowPoints(nullptr, edit->Handle(), reinterpret_cast<POINT*>(&r), 2);
    wchar_t buf[64];
    GetWindowTextW(inner, buf, 64);
    printf("inner %ld,%ld,%ld,%ld visible=%d text=%ls style=%lx outer=%d,%d,%d,%d\n", r.left, r.top, r.right, r.bottom,
           IsWindowVisible(inner), buf, GetWindowLongW(inner, GWL_STYLE), edit->Left(), edit->Top(), edit->Width(),
           edit->Height());
    EXPECT_STREQ(buf, L".tbi");
    UpdateWindow(form.Handle());
    HDC dc = GetDC(inner);
    printf("pixels: %06lx %06lx %06lx  edit color=%08x ctl=%08x bg=%08x\n", GetPixel(dc, 2, 5), GetPixel(dc, 50, 8), GetPixel(dc, 100, 8),
           edit->InnerEdit()->Color(), edit->Color(), edit->ViewInfo().backgroundColor);
    ReleaseDC(inner, dc);
    HBRUSH br = (HBRUSH)SendMessageW(edit->Handle(), WM_CTLCOLOREDIT, (WPARAM)GetDC(inner), (LPARAM)inner);
    LOGBRUSH lb{}; GetObjectW(br, sizeof(lb), &lb);
    printf("brush %p color %06lx\n", (void*)br, lb.lbColor);
}

} // namespace
