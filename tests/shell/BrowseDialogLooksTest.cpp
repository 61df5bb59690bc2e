// The browse-for-folder dialog in every look and feel, opened the way the program opens it
// (RunDialog on a temporary-folder root), printed into a memory bitmap and kept as a picture.
#include "ShellTestSupport.h"

#include "../common/Artifacts.h"
#include "../common/WindowFixture.h"
#include "shell/cxShellBrowserDialog.h"
#include "shell/cxShellRegister.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Prints a window and each visible child over it (the lowest in the stacking order first)
// into dc at origin. Every window prints into a bitmap of its own at (0, 0) and is then
// copied into place: the platform's print message neither descends into child windows
// everywhere nor lets every native control print at a moved origin.
void PrintWindowTree(HWND wnd, HDC dc, POINT origin, bool topLevel)
{
    RECT outer{};
    GetWindowRect(wnd, &outer);
    RECT client{};
    GetClientRect(wnd, &client);
    POINT clientAt{0, 0};
    ClientToScreen(wnd, &clientAt);
    const int w = topLevel ? client.right : outer.right - outer.left;
    const int h = topLevel ? client.bottom : outer.bottom - outer.top;
    PixelCanvas own(w, h);
    if (topLevel)
        SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(own.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    else
        SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(own.dc()),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    // Children lie in the client area, which starts inside the frame.
    const POINT clientOrigin{topLevel ? 0 : clientAt.x - outer.left, topLevel ? 0 : clientAt.y - outer.top};
    for (HWND child = GetWindow(GetWindow(wnd, GW_CHILD), GW_HWNDLAST); child;
         child = GetWindow(child, GW_HWNDPREV)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        PrintWindowTree(child, own.dc(),
                        {clientOrigin.x + r.left - clientAt.x, clientOrigin.y + r.top - clientAt.y}, false);
    }
    BitBlt(dc, origin.x, origin.y, w, h, own.dc(), 0, 0, SRCCOPY);
}

bool IsDark(COLORREF c)
{
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 96;
}

// How many columns (or rows) inside r, 2 pixels in from its edges, hold a dark pixel.
int LinesWithInk(const PixelCanvas& canvas, const RECT& r, bool columns)
{
    const RECT in{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    int lines = 0;
    for (int i = columns ? in.left : in.top; i < (columns ? in.right : in.bottom); ++i) {
        bool ink = false;
        for (int j = columns ? in.top : in.left; !ink && j < (columns ? in.bottom : in.right); ++j)
            ink = IsDark(columns ? canvas.At(i, j) : canvas.At(j, i));
        lines += ink ? 1 : 0;
    }
    return lines;
}

RECT RectIn(HWND wnd, HWND client)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class BrowseDialogLooksTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        RegisterShellClasses();
        temp.MakeFolder(L"a");
        a1 = temp.MakeFolder(L"a\\a1");
        temp.MakeFolder(L"b");
    }
    TempFolder temp;
    std::wstring a1;
};

// What a person must see in every look: every control inside the client area and apart from
// the others, OK framed as the default button (the focus is in the tree), the folder field's
// path readable, the tree's folder names readable.
TEST_F(BrowseDialogLooksTest, TheDialogInEveryLookAndFeel)
{
    struct Look {
        const wchar_t* name;
        TcxLookAndFeelKind kind;
        bool native;
    } const looks[] = {{L"standard", lfStandard, false},
                       {L"flat", lfFlat, false},
                       {L"ultraflat", lfUltraFlat, false},
                       {L"office11", lfOffice11, false},
                       {L"native", lfOffice11, true}};
    for (const Look& look : looks) {
        SCOPED_TRACE(testing::Message() << "look " << std::string(look.name, look.name + wcslen(look.name)));
        TcxShellBrowserDialog dialog(form);
        dialog.Root()->BrowseFolder = bfCustomPath;
        dialog.Root()->CustomPath = temp.Path();
        dialog.SetPath(a1);
        dialog.LookAndFeel()->SetKind(look.kind);
        dialog.LookAndFeel()->SetNativeStyle(look.native);
        bool shown = false;
        dialog.OnShow = [&](TObject* sender) {
            auto* dlg = static_cast<TcxShellBrowserDlg*>(sender);
            shown = true;
            app->ProcessMessages();
            HWND wnd = dlg->Handle();
            RECT client{};
            GetClientRect(wnd, &client);
            PixelCanvas canvas(client.right, client.bottom);
            PrintWindowTree(wnd, canvas.dc(), {0, 0}, true);
            std::wstring file = std::wstring(L"browse-dialog-") + look.name + L".bmp";
            EXPECT_TRUE(canvas.SaveBmp((ArtifactFolder() / file).c_str()));

            EXPECT_EQ(GetFocus(), dlg->cxStv->InnerTree()->Handle()) << "the tree has the focus";
            struct Part {
                const char* name;
                TWinControl* control;
            } const parts[] = {{"label", dlg->lblFolder},
                               {"field", dlg->cxTeFolder},
                               {"tree", dlg->cxStv},
                               {"OK", dlg->cxButton1},
                               {"Cancel", dlg->cxButton2}};
            for (const Part& p : parts) {
                RECT r = RectIn(p.control->Handle(), wnd);
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                    << p.name << " sticks out of the client area";
                for (const Part& q : parts) {
                    RECT s = RectIn(q.control->Handle(), wnd), both{};
                    if (&p < &q) {
                        EXPECT_FALSE(IntersectRect(&both, &r, &s)) << p.name << " overlaps " << q.name;
                    }
                }
            }

            // The default frame: OK's outer ring differs from Cancel's (same size, same
            // state otherwise); the captions lie well inside the ring.
            RECT ok = RectIn(dlg->cxButton1->Handle(), wnd), cancel = RectIn(dlg->cxButton2->Handle(), wnd);
            ASSERT_EQ(ok.right - ok.left, cancel.right - cancel.left);
            int ringDiffers = 0;
            for (int y = 0; y < ok.bottom - ok.top; ++y)
                for (int x = 0; x < ok.right - ok.left; ++x) {
                    bool ring = x < 2 || y < 2 || x >= ok.right - ok.left - 2 || y >= ok.bottom - ok.top - 2;
                    if (ring &&
                        canvas.At(ok.left + x, ok.top + y) != canvas.At(cancel.left + x, cancel.top + y))
                        ++ringDiffers;
                }
            EXPECT_GT(ringDiffers, 40) << "OK shows no default frame";

            // The field's path: dark letters inside the field, over most of the path's width.
            EXPECT_EQ(dlg->cxTeFolder->Text().substr(dlg->cxTeFolder->Text().size() - 3), L"\\a1");
            const RECT field = RectIn(dlg->cxTeFolder->Handle(), wnd);
            EXPECT_GT(LinesWithInk(canvas, field, true), 60) << "the field's path is not readable";
            // The tree: the rows of the root's, a's, a1's and b's names show ink.
            const RECT tree = RectIn(dlg->cxStv->InnerTree()->Handle(), wnd);
            EXPECT_GT(LinesWithInk(canvas, tree, false), 20) << "the tree shows no names";

            dlg->SetModalResult(mrCancel);
        };
        EXPECT_FALSE(dialog.RunDialog());
        EXPECT_TRUE(shown);
    }
}

} // namespace
