// The edit box of a text editor repaints through an off-screen picture: what it erases and
// draws reaches the screen in one copy.
#include "editors/cxTextEdit.h"
#include "tests/common/Artifacts.h"
#include "tests/editors/EditorsTestHelpers.h"

namespace {

// What the edit box draws while it repaints: every erase and paint the box is asked for
// must draw into a memory picture, never onto the screen directly.
struct PaintLog {
    int screenDraws = 0, memoryDraws = 0;
};
PaintLog g_paintLog;
WNDPROC g_boxProc = nullptr;
LRESULT CALLBACK LoggingBoxProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if ((msg == WM_ERASEBKGND || msg == WM_PAINT) && wParam) {
        if (GetObjectType(reinterpret_cast<HDC>(wParam)) == OBJ_MEMDC)
            ++g_paintLog.memoryDraws;
        else
            ++g_paintLog.screenDraws;
    } else if (msg == WM_PAINT) {
        // A plain paint request: what the box then draws is seen above when it goes through
        // this window; a box that answers it itself draws on the screen.
        int before = g_paintLog.memoryDraws + g_paintLog.screenDraws;
        LRESULT r = CallWindowProcW(g_boxProc, wnd, msg, wParam, lParam);
        if (g_paintLog.memoryDraws + g_paintLog.screenDraws == before)
            ++g_paintLog.screenDraws;
        return r;
    }
    return CallWindowProcW(g_boxProc, wnd, msg, wParam, lParam);
}

class EditBoxPaintTest : public InputFixture {};

TEST_F(EditBoxPaintTest, TheEditBoxRepaintsThroughAPictureAndShowsItsText)
{
    auto* edit = Make<TcxTextEdit>(10, 10, 200, 21);
    edit->SetText(L"MMMMMMMM");
    app->ProcessMessages();
    HWND box = edit->InnerEdit()->Handle();
    g_paintLog = {};
    g_boxProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoggingBoxProc)));
    InvalidateRect(box, nullptr, TRUE);
    UpdateWindow(box);
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_boxProc));
    EXPECT_EQ(g_paintLog.screenDraws, 0);
    EXPECT_GE(g_paintLog.memoryDraws, 2) << "erased and painted into the picture";
    // The screen holds the text: dark pixels where the letters stand.
    RECT r;
    GetClientRect(box, &r);
    HDC screen = GetDC(box);
    int ink = 0;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < r.bottom; ++y)
            ink += GetPixel(screen, x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_GT(ink, 20);
    // With the focus and a selection, as a person sees it.
    edit->SetFocus();
    edit->SetSelStart(2);
    edit->SetSelLength(3);
    InvalidateRect(box, nullptr, TRUE);
    UpdateWindow(box);
    PixelCanvas shot(r.right, r.bottom);
    BitBlt(shot.dc(), 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(box, screen);
    shot.SaveBmp((ArtifactFolder() / L"editor_box_buffered.bmp").c_str());
    int highlight = 0;
    for (int x = 0; x < r.right; ++x)
        highlight += shot.At(x, r.bottom / 2) == GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(highlight, 10) << "the selection is drawn";
}

} // namespace

namespace {

// A transparent editor's edit box shows what lies behind it, with its text on top; an opaque one
// fills itself with the editor's colour.
TEST_F(EditBoxPaintTest, TheEditBoxOfATransparentEditorShowsItsParentUnderTheText)
{
    form->SetColor(static_cast<TColor>(RGB(255, 255, 0)));
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        auto* edit = Make<TcxTextEdit>(10, 10, 200, 21);
        edit->Style()->SetColor(clWhite);
        edit->SetTransparent(transparent);
        edit->SetText(L"MMMMMMMM");
        app->ProcessMessages();
        HWND box = edit->InnerEdit()->Handle();
        for (const bool focused : {false, true}) {
            if (focused) {
                edit->SetFocus();
                SendMessageW(box, EM_SETSEL, 0, 0); // no selection: the text in its own colour
            }
            RedrawWindow(edit->Handle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            app->ProcessMessages();
            RECT r;
            GetClientRect(box, &r);
            HDC screen = GetDC(box);
            PixelCanvas shot(r.right, r.bottom);
            BitBlt(shot.dc(), 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
            ReleaseDC(box, screen);
            if (transparent)
                shot.SaveBmp((ArtifactFolder() / (focused ? L"editor_box_transparent_focused.bmp"
                                                          : L"editor_box_transparent.bmp"))
                                 .c_str());
            const COLORREF empty = shot.At(r.right - 5, r.bottom / 2);
            EXPECT_EQ(empty, transparent ? RGB(255, 255, 0) : RGB(255, 255, 255)) << "focused " << focused;
            int ink = 0;
            for (int x = 0; x < 60; ++x)
                for (int y = 0; y < r.bottom; ++y)
                    ink += shot.At(x, y) == GetSysColor(COLOR_WINDOWTEXT);
            EXPECT_GT(ink, 20) << "the text is drawn, focused " << focused;
        }
        delete edit;
    }
}

} // namespace
