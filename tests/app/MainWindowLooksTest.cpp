#include "Unit1.h"

#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "runtime/rtApplication.h"
#include "tests/common/Artifacts.h"
#include "tests/common/WindowFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Look {
    const wchar_t* name;
    TcxLookAndFeelKind kind;
    bool native;
};

// Every library control of the window in one look and feel (the styles' and the buttons').
void SetLook(TWinControl* parent, const Look& look)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TWinControl* c = parent->Controls(i);
        if (auto* container = dynamic_cast<TcxContainer*>(c)) {
            container->Style()->LookAndFeel()->SetKind(look.kind);
            container->Style()->LookAndFeel()->SetNativeStyle(look.native);
        }
        if (auto* button = dynamic_cast<TcxButton*>(c)) {
            button->LookAndFeel()->SetKind(look.kind);
            button->LookAndFeel()->SetNativeStyle(look.native);
        }
        SetLook(c, look);
    }
}

// The window's pixels as the screen shows them, after every pending paint.
std::vector<COLORREF> Shot(HWND wnd, int w, int h, const wchar_t* file)
{
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PixelCanvas canvas(w, h);
    HDC dc = GetDC(wnd);
    BitBlt(canvas.dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
    canvas.SaveBmp((ArtifactFolder() / file).c_str());
    std::vector<COLORREF> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(canvas.At(x, y));
    return pixels;
}

// The main window in each look and feel, as pictures for a person; the labels (no frame,
// transparent) look the same in all of them, the start button does not.
TEST(MainWindowLooksTest, TheWindowInEveryLookAndFeel)
{
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    auto app = std::make_unique<TApplication>();
    app->SetMessageBoxFunction([](HWND, const std::wstring&, const std::wstring&, UINT) { return IDNO; });
    app->CreateForm(Form1);
    TForm1* form = Form1;
    app->ShowMainForm();
    app->ProcessMessages();
    form->cxProgressBar->SetPosition(40);
    form->cxLabel33->SetCaption(L"成功 a.tbi");
    const Look looks[] = {{L"flat", lfFlat, false},
                          {L"standard", lfStandard, false},
                          {L"ultraflat", lfUltraFlat, false},
                          {L"office11", lfOffice11, false},
                          {L"native", lfOffice11, true}};
    RECT client;
    GetClientRect(form->Handle(), &client);
    std::vector<std::vector<COLORREF>> labels, buttons;
    auto region = [&](const std::vector<COLORREF>& shot, TWinControl* c) {
        POINT o{0, 0};
        MapWindowPoints(c->Handle(), form->Handle(), &o, 1);
        std::vector<COLORREF> part;
        for (int y = o.y; y < o.y + c->Height(); ++y)
            for (int x = o.x; x < o.x + c->Width(); ++x)
                part.push_back(shot[static_cast<size_t>(y * client.right + x)]);
        return part;
    };
    for (const Look& look : looks) {
        SetLook(form, look);
        app->ProcessMessages();
        std::wstring file = std::wstring(L"main-window-") + look.name + L".bmp";
        std::vector<COLORREF> shot = Shot(form->Handle(), client.right, client.bottom, file.c_str());
        labels.push_back(region(shot, form->cxLabel28));
        buttons.push_back(region(shot, form->cxButton30));
    }
    for (size_t i = 1; i < labels.size(); ++i)
        EXPECT_EQ(labels[i], labels[0]) << "label in look " << i;
    EXPECT_NE(buttons[0], buttons[1]) << "the flat and the standard button differ";
    app.reset();
    Form1 = nullptr;
}

} // namespace
