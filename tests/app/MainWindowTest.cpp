#include "TempFolder.h"
#include "Unit1.h"

#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "runtime/rtApplication.h"
#include "shell/cxShellListView.h"
#include "tests/common/Artifacts.h"
#include "tests/common/WindowFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <oleacc.h>
#include <commctrl.h>

namespace {

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterEditorClasses();
        RegisterDisplayControlClasses();
        app = std::make_unique<TApplication>();
        app->SetMessageBoxFunction([this](HWND, const std::wstring& t, const std::wstring& c, UINT f) {
            boxes.push_back(t + L"|" + c + L"|" + std::to_wstring(f));
            return IDNO;
        });
        app->CreateForm(Form1);
        form = Form1;
        // The program's own start path: shown with the start-up command, activated by it.
        app->ShowMainForm();
        app->ProcessMessages();
    }
    void TearDown() override
    {
        app.reset();
        Form1 = nullptr;
    }

    // Extent of text in the window's font, measured the way the controls measure it.
    SIZE Extent(const wchar_t* text)
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, form->Font()->Handle());
        SIZE s{};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &s);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return s;
    }
    int TextHeight(const wchar_t* text) { return Extent(text).cy; }
    int TextWidth(const wchar_t* text) { return Extent(text).cx; }
    // Stored positions are for a text height of 15; the window scales them by the measured one.
    int Scaled(int v) { return MulDiv(v, TextHeight(L"0"), 15); }

    std::unique_ptr<TApplication> app;
    TForm1* form = nullptr;
    std::vector<std::wstring> boxes;
};

TEST_F(MainWindowTest, WindowHasItsCaptionPlaceAndSize)
{
    wchar_t caption[64];
    GetWindowTextW(form->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Corvane");
    // The stored outer size (844 x 418) less the frame this platform draws is the stored
    // client area; it grows with the layout by the measured text height over 15.
    RECT client, window;
    GetClientRect(form->Handle(), &client);
    GetWindowRect(form->Handle(), &window);
    const int frameX = window.right - window.left - client.right;
    const int frameY = window.bottom - window.top - client.bottom;
    EXPECT_EQ(client.right, Scaled(844 - frameX));
    EXPECT_EQ(client.bottom, Scaled(418 - frameY));
    // At its stored place where that fits on the screen; moved in just far enough where not.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(window.left, std::min(412L, work.right - (window.right - window.left)));
    EXPECT_EQ(window.top, std::min(221L, work.bottom - (window.bottom - window.top)));
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_EQ(form->Font()->Name(), L"宋体");
    EXPECT_EQ(form->Font()->Height(), -15);
}

TEST_F(MainWindowTest, TheWindowShowsTheProgramsIconAndItsControlsCarryNone)
{
    // The icon is the resource the program ships; only the window on the desktop shows it.
    HICON programIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    ASSERT_NE(programIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(form->Handle(), GCLP_HICON)), programIcon);
    for (TWinControl* child : std::initializer_list<TWinControl*>{
             form->cxLabel28, form->cxGroupBox1, form->cxProgressBar, form->cxTextEdit9, form->cxButtonEdit1})
        EXPECT_EQ(GetClassLongPtrW(child->Handle(), GCLP_HICON), 0) << static_cast<const void*>(child);
}

struct ControlRow {
    const wchar_t* name;
    const wchar_t* className;
    bool inGroupBox;
    int left, top, width; // width -1: sized by the control
    const wchar_t* text;
};

TEST_F(MainWindowTest, ControlsSitWhereTheStoredLayoutPutsThemScaledToTheFont)
{
    const ControlRow rows[] = {
        {L"cxLabel33", L"TcxLabel", false, 142, 308, -1, L""},
        {L"cxProgressBar", L"TcxProgressBar", true, 85, 259, 695, nullptr},
        {L"cxLabel28", L"TcxLabel", true, 175, 58, -1, L"原后缀"},
        {L"cxTextEdit9", L"TcxTextEdit", true, 230, 56, 77, L".tbi"},
        {L"cxLabel29", L"TcxLabel", true, 375, 58, -1, L"修改成后缀"},
        {L"cxTextEdit10", L"TcxTextEdit", true, 459, 56, 77, L".jpg"},
        {L"cxLabel30", L"TcxLabel", true, 38, 115, -1, L"请选择源文件目录"},
        {L"cxButtonEdit1", L"TcxButtonEdit", true, 186, 115, 490, L""},
        {L"cxButtonEdit2", L"TcxButtonEdit", true, 186, 155, 489, L""},
        {L"cxLabel31", L"TcxLabel", true, 38, 157, -1, L"修改后导出文件目录"},
        {L"cxButton30", L"TcxButton", true, 85, 199, 189, L"开始修改"},
        {L"cxLabel32", L"TcxLabel", true, 38, 261, -1, L"进度"},
    };
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(ToUtf8(row.name));
        auto* c = dynamic_cast<TWinControl*>(form->FindComponent(row.name));
        ASSERT_NE(c, nullptr);
        EXPECT_STREQ(c->ClassName(), row.className);
        EXPECT_EQ(c->Parent(), row.inGroupBox ? static_cast<TWinControl*>(form->cxGroupBox1) : form);
        EXPECT_EQ(c->Left(), Scaled(row.left));
        EXPECT_EQ(c->Top(), Scaled(row.top));
        if (row.width >= 0) {
            EXPECT_EQ(c->Width(), Scaled(row.width));
        }
        if (row.text) {
            if (auto* edit = dynamic_cast<TcxCustomTextEdit*>(c))
                EXPECT_EQ(edit->Text(), row.text);
            else
                EXPECT_EQ(c->Caption(), row.text);
        }
    }
    EXPECT_EQ(form->cxButton30->Height(), Scaled(35));
    EXPECT_DOUBLE_EQ(form->cxProgressBar->Position(), 0);
    EXPECT_EQ(form->cxProgressBar->Properties()->BarStyle(), cxbsAnimation);
    EXPECT_EQ(form->cxProgressBar->Properties()->BeginColor(), 54056u);
    EXPECT_EQ(form->cxProgressBar->Properties()->BarBevelOuter(), cxbvLowered);
    EXPECT_DOUBLE_EQ(form->cxProgressBar->Properties()->PeakValue(), 2.0);
    for (TcxButtonEdit* e : {form->cxButtonEdit1, form->cxButtonEdit2}) {
        ASSERT_EQ(e->Properties()->Buttons()->Count(), 1);
        EXPECT_TRUE(e->Properties()->Buttons()->Items(0)->Default());
        EXPECT_EQ(e->Properties()->Buttons()->Items(0)->Kind(), bkEllipsis);
        EXPECT_TRUE(e->Properties()->OnButtonClick);
    }
    for (TcxLabel* l : {form->cxLabel28, form->cxLabel33}) {
        EXPECT_TRUE(l->Transparent());
        EXPECT_EQ(l->Style()->LookAndFeel()->Kind(), lfOffice11);
    }
    EXPECT_EQ(form->cxTextEdit9->Style()->LookAndFeel()->Kind(), lfUltraFlat) << "editors follow the default";
}

// Every control inside its parent's client area, at the text height this screen's font
// gives and at 144 dots per inch, where the font itself grows by half.
TEST(MainWindowLayoutTest, EveryControlLiesInsideItsParentsClientArea)
{
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        OverrideScreenLogPixelsY(dpi);
        auto app = std::make_unique<TApplication>();
        app->CreateForm(Form1);
        app->ShowMainForm();
        app->ProcessMessages();
        std::function<void(TWinControl*)> check = [&](TWinControl* parent) {
            RECT client;
            GetClientRect(parent->Handle(), &client);
            for (int i = 0; i < parent->ControlCount(); ++i) {
                TWinControl* c = parent->Controls(i);
                RECT r;
                GetWindowRect(c->Handle(), &r);
                MapWindowPoints(nullptr, parent->Handle(), reinterpret_cast<POINT*>(&r), 2);
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                    << ToUtf8(c->Name()) << " at " << r.left << "," << r.top << "," << r.right << ","
                    << r.bottom << " in " << client.right << "x" << client.bottom;
                check(c);
            }
        };
        check(Form1);
        RECT window, work;
        GetWindowRect(Form1->Handle(), &window);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_TRUE(window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                    window.bottom <= work.bottom);
        if (dpi == 144) {
            EXPECT_EQ(Form1->Font()->Height(), -23) << "-15 at 96 dots per inch, half as large again";
        }
        app.reset();
        Form1 = nullptr;
        OverrideScreenLogPixelsY(0);
    }
}

// Every window of the form printed into memory on its own, and all of them together at their
// places in the client area, lowest sibling first, as one picture for a person (saved as file).
std::map<HWND, std::vector<COLORREF>> PrintEveryWindow(TForm* form, const wchar_t* file)
{
    RECT client;
    GetClientRect(form->Handle(), &client);
    PixelCanvas whole(client.right, client.bottom);
    SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(whole.dc()),
                 PRF_CLIENT | PRF_ERASEBKGND);
    std::map<HWND, std::vector<COLORREF>> pictures;
    std::function<void(HWND)> printChildren = [&](HWND parent) {
        std::vector<HWND> children; // top of the z-order first
        for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            children.push_back(w);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            HWND w = *it;
            RECT r;
            GetClientRect(w, &r);
            PixelCanvas one(r.right, r.bottom);
            SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(one.dc()), PRF_CLIENT | PRF_ERASEBKGND);
            std::vector<COLORREF>& pixels = pictures[w];
            for (int y = 0; y < r.bottom; ++y)
                for (int x = 0; x < r.right; ++x)
                    pixels.push_back(one.At(x, y));
            POINT at{0, 0};
            MapWindowPoints(w, form->Handle(), &at, 1);
            if (IsWindowVisible(w))
                BitBlt(whole.dc(), at.x, at.y, r.right, r.bottom, one.dc(), 0, 0, SRCCOPY);
            printChildren(w);
        }
    };
    printChildren(form->Handle());
    whole.SaveBmp((ArtifactFolder() / file).c_str());
    return pictures;
}

// A modal box disables the main window (the platform then gives it no input), not its
// controls: every control looks the same as before, text and captions in their normal
// colours. The window stands inactive beside another window for the first picture, so that
// focus and activation look the same in both.
TEST_F(MainWindowTest, ControlsKeepTheirLookWhileAModalBoxDisablesTheWindow)
{
    form->cxLabel33->SetCaption(L"处理完毕！ ");
    form->cxButtonEdit1->SetText(L"C:\\source");
    auto* other = new TForm(app.get());
    other->SetBounds(20, 20, 200, 100);
    other->Show();
    SetForegroundWindow(other->Handle());
    SetActiveWindow(other->Handle());
    app->ProcessMessages();
    ASSERT_NE(GetActiveWindow(), form->Handle());
    const auto enabled = PrintEveryWindow(form, L"main-window-beside-another.bmp");
    other->Hide();
    app->ProcessMessages();

    auto* box = new TForm(app.get());
    box->SetBounds(200, 200, 200, 100);
    std::map<HWND, std::vector<COLORREF>> underBox;
    bool formWasDisabled = false;
    box->OnShow = [&](TObject*) {
        app->ProcessMessages();
        formWasDisabled = !IsWindowEnabled(form->Handle());
        underBox = PrintEveryWindow(form, L"main-window-under-a-modal-box.bmp");
        box->SetModalResult(mrOk);
    };
    box->ShowModal();
    ASSERT_TRUE(formWasDisabled) << "the box did not disable the window";
    ASSERT_EQ(underBox.size(), enabled.size());
    for (const auto& [wnd, pixels] : enabled) {
        TWinControl* c = TWinControl::FindControl(wnd);
        std::string name = c ? ToUtf8(c->Name()) : "";
        if (c && name.empty() && c->Parent())
            name = "inner control of " + ToUtf8(c->Parent()->Name());
        EXPECT_TRUE(underBox[wnd] == pixels) << name << " looks different under the box";
    }
    EXPECT_TRUE(form->Enabled());
    delete box;
    delete other;
}

TEST_F(MainWindowTest, AutoSizedControlsTakeTheHeightOfOneLineOfText)
{
    // Labels: the caption's extent (a blank when empty), no frame.
    EXPECT_EQ(form->cxLabel33->Height(), TextHeight(L" "));
    EXPECT_EQ(form->cxLabel28->Height(), TextHeight(L"原后缀"));
    EXPECT_EQ(form->cxLabel28->Width(), TextWidth(L"原后缀"));
    // Editors and the bar: one line of "Wg", a pixel of text offset above and below, and a
    // two-pixel border ring (one-pixel frame inside a transparent border) on each side.
    int editHeight = TextHeight(L"Wg") + 2 + 4;
    EXPECT_EQ(form->cxTextEdit9->Height(), editHeight);
    EXPECT_EQ(form->cxButtonEdit1->Height(), editHeight);
    EXPECT_EQ(form->cxProgressBar->Height(), editHeight);
}

TEST_F(MainWindowTest, StatusLabelLiesAboveTheGroupBox)
{
    HWND top = GetWindow(form->Handle(), GW_CHILD);
    EXPECT_EQ(top, form->cxLabel33->Handle());
    EXPECT_EQ(GetWindow(top, GW_HWNDNEXT), form->cxGroupBox1->Handle());
    // Its stored place is on the group box's surface, below the progress bar.
    RECT label = form->cxLabel33->BoundsRect(), group = form->cxGroupBox1->BoundsRect(), hit;
    EXPECT_TRUE(IntersectRect(&hit, &label, &group));
}

TEST_F(MainWindowTest, FocusStartsInTheSourceSuffixFieldAndTabWalksTheFiveFields)
{
    EXPECT_EQ(form->TabControlOf(GetFocus()), form->cxTextEdit9);
    std::vector<TWinControl*> expected{form->cxTextEdit10, form->cxButtonEdit1, form->cxButtonEdit2,
                                       form->cxButton30, form->cxTextEdit9};
    for (TWinControl* next : expected) {
        HWND focus = GetFocus();
        MSG msg{focus, WM_KEYDOWN, VK_TAB, 0, 0, {}};
        // As the message loop does: the form's dialog-key step, else the focused window (an
        // editor reports Tab before it moves the focus itself).
        if (!form->DialogKey(msg))
            DispatchMessageW(&msg);
        EXPECT_EQ(form->TabControlOf(GetFocus()), next);
    }
    auto list = form->TabList();
    EXPECT_EQ(list.size(), 5u);
}

TEST_F(MainWindowTest, LabelsGroupBoxAndProgressBarNeverTakeTheFocus)
{
    form->cxTextEdit10->SetFocus();
    HWND before = GetFocus();
    for (TWinControl* c : std::vector<TWinControl*>{form->cxLabel28, form->cxLabel33, form->cxGroupBox1,
                                                    form->cxProgressBar}) {
        SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(c->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(GetFocus(), before) << c->ClassName();
        EXPECT_FALSE(c->CanFocus());
    }
}

// A screen reader in one of the four fields meets the field's edit box; asked through the
// platform's accessibility layer, each answers the caption of the label beside its field.
TEST_F(MainWindowTest, EachFieldsEditBoxReadsAsItsLabel)
{
    struct Case {
        TcxCustomTextEdit* field;
        const wchar_t* name;
    } cases[] = {{form->cxTextEdit9, L"原后缀"},
                 {form->cxTextEdit10, L"修改成后缀"},
                 {form->cxButtonEdit1, L"请选择源文件目录"},
                 {form->cxButtonEdit2, L"修改后导出文件目录"}};
    for (const Case& c : cases) {
        IAccessible* acc = nullptr;
        ASSERT_HRESULT_SUCCEEDED(
            AccessibleObjectFromWindow(c.field->InnerEdit()->Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                       __uuidof(IAccessible), reinterpret_cast<void**>(&acc)));
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        EXPECT_EQ(acc->get_accName(self, &name), S_OK);
        EXPECT_EQ(std::wstring(name ? name : L""), c.name);
        SysFreeString(name);
        acc->Release();
    }
}

TEST_F(MainWindowTest, EnlargingTheWindowGrowsOnlyTheGroupBox)
{
    std::vector<RECT> before;
    for (int i = 0; i < form->cxGroupBox1->ControlCount(); ++i)
        before.push_back(form->cxGroupBox1->Controls(i)->BoundsRect());
    RECT label = form->cxLabel33->BoundsRect();
    SetWindowPos(form->Handle(), nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
    app->ProcessMessages();
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(form->cxGroupBox1->Width(), client.right);
    EXPECT_EQ(form->cxGroupBox1->Height(), client.bottom);
    for (int i = 0; i < form->cxGroupBox1->ControlCount(); ++i) {
        RECT now = form->cxGroupBox1->Controls(i)->BoundsRect();
        EXPECT_TRUE(EqualRect(&now, &before[static_cast<size_t>(i)]))
            << form->cxGroupBox1->Controls(i)->ClassName();
    }
    RECT labelNow = form->cxLabel33->BoundsRect();
    EXPECT_TRUE(EqualRect(&labelNow, &label));
}

// The start button runs over what the fields hold, reports in the status line, drives the
// bar back to 0 and ends with the question; Yes opens the export folder.
TEST_F(MainWindowTest, StartButtonMovesMatchingFilesAndOffersTheExportFolder)
{
    TempFolder dir;
    std::wstring source = dir.MakeFolder(L"源 folder");
    dir.MakeFile(L"源 folder\\a.tbi", std::string("alpha"));
    dir.MakeFile(L"源 folder\\b.txt", std::string("beta"));
    std::wstring target = dir / L"out, 1";
    form->cxButtonEdit1->SetText(L"  " + source + L"  ");
    form->cxButtonEdit2->SetText(target);
    std::vector<std::wstring> opened;
    form->OpenFolder = [&](HWND owner, const std::wstring& folder) {
        EXPECT_EQ(owner, form->Handle());
        opened.push_back(folder);
    };
    std::vector<double> positionsAtQuestion;
    app->SetMessageBoxFunction([&](HWND, const std::wstring& t, const std::wstring& c, UINT f) {
        boxes.push_back(t + L"|" + c + L"|" + std::to_wstring(f));
        positionsAtQuestion.push_back(form->cxProgressBar->Position());
        return IDYES;
    });
    SendMessageW(form->cxButton30->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFileContent(target + L"\\a.jpg"), "alpha");
    EXPECT_EQ(ReadFileContent(source + L"\\a.tbi"), "alpha");
    EXPECT_EQ(ReadFileContent(source + L"\\b.txt"), "beta");
    EXPECT_EQ(form->cxLabel33->Caption(), L"处理完毕！ ");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"处理完毕，是否打开查看目录？||36");
    EXPECT_EQ(positionsAtQuestion, std::vector<double>{0});
    EXPECT_EQ(opened, std::vector<std::wstring>{target});
}

// Closing the window while a run processes messages takes effect once the run is over.
TEST_F(MainWindowTest, CloseDuringARunWaitsForTheRunToFinish)
{
    TempFolder dir;
    std::wstring source = dir.MakeFolder(L"src");
    for (int i = 0; i < 5; ++i)
        dir.MakeFile(L"src\\f" + std::to_wstring(i) + L".tbi");
    form->cxButtonEdit1->SetText(source);
    form->cxButtonEdit2->SetText(dir / L"dst");
    form->OpenFolder = [](HWND, const std::wstring&) {};
    bool quitDuringRun = false;
    int secondRuns = 0;
    app->SetMessageBoxFunction([&](HWND, const std::wstring&, const std::wstring&, UINT) {
        MSG m;
        quitDuringRun = quitDuringRun || PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
        // A second run started from inside the first one's message step.
        if (secondRuns++ == 0)
            SendMessageW(form->cxButton30->Handle(), BM_CLICK, 0, 0);
        return IDNO;
    });
    PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    SendMessageW(form->cxButton30->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(quitDuringRun);
    EXPECT_EQ(secondRuns, 2);
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    for (int i = 0; i < 5; ++i) {
        std::wstring n = L"f" + std::to_wstring(i);
        EXPECT_TRUE(PathExists(dir / (L"dst\\" + n + L".jpg"))) << Utf8(n);
        EXPECT_TRUE(PathExists(source + L"\\" + n + L".tbi")) << Utf8(n);
    }
}

// An empty export folder ends the run in the error box before anything moves.
TEST_F(MainWindowTest, EmptyExportFolderShowsTheErrorBoxAndMovesNothing)
{
    TempFolder dir;
    std::wstring source = dir.MakeFolder(L"src");
    dir.MakeFile(L"src\\a.tbi");
    form->cxButtonEdit1->SetText(source);
    form->cxButtonEdit2->SetText(L"   ");
    form->cxLabel33->SetCaption(L"before");
    SendMessageW(form->cxButton30->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              L"Unable to create directory.|" + app->Title() + L"|" + std::to_wstring(MB_OK | MB_ICONSTOP));
    EXPECT_TRUE(PathExists(source + L"\\a.tbi"));
    EXPECT_EQ(form->cxLabel33->Caption(), L"before");
}

std::wstring MenuText(HMENU menu, UINT command)
{
    wchar_t text[128] = {};
    GetMenuStringW(menu, command, text, 128, MF_BYCOMMAND);
    return text;
}

// The system menu ends with the preview and the undo; both wait while a run goes on, and undo
// takes the run back.
TEST_F(MainWindowTest, SystemMenuUndoesTheLastRunAndWaitsWhileARunGoesOn)
{
    TempFolder dir;
    form->JournalFolder = dir.MakeFolder(L"journals");
    const std::wstring source = dir.MakeFolder(L"src");
    dir.MakeFile(L"src\\a.tbi", std::string("alpha"));
    form->cxButtonEdit1->SetText(source);
    form->cxButtonEdit2->SetText(dir / L"out");
    HMENU menu = GetSystemMenu(form->Handle(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 3), MF_BYPOSITION) & MF_SEPARATOR,
              UINT(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(menu, count - 2), kPreviewCommand);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), kUndoCommand);
    EXPECT_EQ(MenuText(menu, kPreviewCommand), L"预览(&P)...");
    EXPECT_EQ(MenuText(menu, kUndoCommand), L"撤销上次修改(&U)");

    std::vector<UINT> statesDuringRun;
    app->SetMessageBoxFunction([&](HWND, const std::wstring& t, const std::wstring& c, UINT f) {
        boxes.push_back(t + L"|" + c + L"|" + std::to_wstring(f));
        statesDuringRun.push_back(GetMenuState(menu, kPreviewCommand, MF_BYCOMMAND) & MF_GRAYED);
        statesDuringRun.push_back(GetMenuState(menu, kUndoCommand, MF_BYCOMMAND) & MF_GRAYED);
        // Undo asked for while the run goes on does nothing.
        SendMessageW(form->Handle(), WM_SYSCOMMAND, kUndoCommand, 0);
        return IDNO;
    });
    SendMessageW(form->cxButton30->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(statesDuringRun, (std::vector<UINT>{MF_GRAYED, MF_GRAYED}));
    EXPECT_EQ(GetMenuState(menu, kUndoCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);
    ASSERT_EQ(boxes.size(), 1u) << "undo ran during the run";
    EXPECT_TRUE(PathExists(dir / L"out\\a.jpg"));
    app->SetMessageBoxFunction([&](HWND, const std::wstring& t, const std::wstring& c, UINT f) {
        boxes.push_back(t + L"|" + c + L"|" + std::to_wstring(f));
        return IDOK;
    });

    SendMessageW(form->Handle(), WM_SYSCOMMAND, kUndoCommand, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1],
              L"撤销完毕！已恢复 1 个文件，0 个冲突未处理。||" + std::to_wstring(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(PathExists(dir / L"out"));
    EXPECT_EQ(ReadFileContent(source + L"\\a.tbi"), "alpha");

    SendMessageW(form->Handle(), WM_SYSCOMMAND, kUndoCommand, 0);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2], L"没有可以撤销的修改。||" + std::to_wstring(MB_OK | MB_ICONINFORMATION));
}

// What the preview test's timer saw of the preview window.
struct PreviewSeen {
    std::wstring caption;
    int rows = -1;
    std::vector<std::wstring> cells;
    bool focusInList = false;
};
PreviewSeen* g_previewSeen = nullptr;

BOOL CALLBACK FindPreview(HWND wnd, LPARAM found)
{
    wchar_t caption[32] = {};
    GetWindowTextW(wnd, caption, 32);
    if (IsWindowVisible(wnd) && std::wstring(caption) == L"预览") {
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    return TRUE;
}

// Reads the preview window as it stands and presses Escape in it, as a person would.
void CALLBACK ReadAndClosePreview(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND preview = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindPreview, reinterpret_cast<LPARAM>(&preview));
    if (!preview)
        return;
    KillTimer(nullptr, timer);
    HWND list = FindWindowExW(preview, nullptr, WC_LISTVIEWW, nullptr);
    g_previewSeen->caption = L"预览";
    g_previewSeen->focusInList = list && GetFocus() == list;
    g_previewSeen->rows = list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
    for (int row = 0; row < g_previewSeen->rows; ++row) {
        for (int column = 0; column < 3; ++column) {
            wchar_t text[512] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 512;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            g_previewSeen->cells.push_back(text);
        }
    }
    HWND target = list ? list : preview;
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

TEST_F(MainWindowTest, PreviewListsWhatARunWouldDoAndEscapeClosesIt)
{
    TempFolder dir;
    form->JournalFolder = dir.MakeFolder(L"journals");
    const std::wstring source = dir.MakeFolder(L"src");
    dir.MakeFile(L"src\\a.tbi", std::string("alpha"));
    dir.MakeFile(L"src\\b.tbi", std::string("beta"));
    dir.MakeFile(L"src\\c.txt", std::string("gamma"));
    dir.MakeFolder(L"out");
    dir.MakeFile(L"out\\b.jpg", std::string("there"));
    form->cxButtonEdit1->SetText(source);
    form->cxButtonEdit2->SetText(L" " + dir / L"out");
    PreviewSeen seen;
    g_previewSeen = &seen;
    SetTimer(nullptr, 0, 20, ReadAndClosePreview);

    SendMessageW(form->Handle(), WM_SYSCOMMAND, kPreviewCommand, 0);
    g_previewSeen = nullptr;

    EXPECT_EQ(seen.caption, L"预览");
    EXPECT_TRUE(seen.focusInList);
    ASSERT_EQ(seen.rows, 2);
    EXPECT_EQ(seen.cells, (std::vector<std::wstring>{L"a.tbi", dir / L"out\\a.jpg", L"移动并备份", L"b.tbi",
                                                     dir / L"out\\b.jpg", L"失败：目标文件已存在"}));
    EXPECT_FALSE(PathExists(dir / L"out\\a.jpg")) << "the preview moved a file";
    EXPECT_TRUE(boxes.empty());

    // A source folder that cannot be listed: the run's error box, no preview.
    form->cxButtonEdit1->SetText(dir / L"missing");
    SendMessageW(form->Handle(), WM_SYSCOMMAND, kPreviewCommand, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"File not found.|" + app->Title() + L"|" + std::to_wstring(MB_OK | MB_ICONSTOP));
}

TEST_F(MainWindowTest, BrowseHandlerRefusesASenderThatIsNoButtonEdit)
{
    try {
        form->cxButtonEdit1PropertiesButtonClick(form->cxTextEdit9, 0);
        FAIL() << "no error";
    } catch (const EInvalidCast& e) {
        EXPECT_EQ(e.Message(), L"Invalid class typecast");
    }
}

// Clicks a folder field's ellipsis button with the mouse, as a person does.
void ClickEllipsis(TcxButtonEdit* edit)
{
    RECT b = edit->ButtonViewInfos().at(0).bounds;
    LPARAM at = MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    SendMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(edit->Handle(), WM_LBUTTONUP, 0, at);
}

TEST_F(MainWindowTest, EachFolderButtonBrowsesIntoItsOwnFieldAndCancelKeepsTheText)
{
    TcxShellModuleScope shell;
    TempFolder dir;
    const std::wstring chosen = dir.MakeFolder(L"pick\\inner");
    TcxShellBrowserDialog* dialog = form->cxShellBrowserDialog1;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->LookAndFeel()->Kind(), lfOffice11);

    struct Step {
        TcxButtonEdit* field;
        std::wstring typed;
        WPARAM key; // Return confirms, Escape cancels
        std::wstring expectedField;
    };
    const std::wstring typedWithBlanks = L"  " + chosen + L" ";
    const std::vector<Step> steps = {
        {form->cxButtonEdit1, typedWithBlanks, VK_ESCAPE, typedWithBlanks},
        {form->cxButtonEdit2, chosen, VK_RETURN, chosen},
    };
    form->cxButtonEdit1->SetText(L"");
    form->cxButtonEdit2->SetText(L"");
    for (const Step& step : steps) {
        step.field->SetText(step.typed);
        std::wstring handedIn;
        dialog->OnShow = [&](TObject* sender) {
            handedIn = dialog->Path();
            auto* dlg = static_cast<TcxShellBrowserDlg*>(sender);
            HWND tree = dlg->cxStv->InnerTree()->Handle();
            PostMessageW(tree, WM_KEYDOWN, step.key, 1);
            PostMessageW(tree, WM_KEYUP, step.key, 0xC0000001);
        };
        ClickEllipsis(step.field);
        EXPECT_EQ(handedIn, chosen) << "the dialog starts at the folder the field means";
        EXPECT_EQ(step.field->Text(), step.expectedField);
    }
    EXPECT_EQ(form->cxButtonEdit1->Text(), typedWithBlanks)
        << "the second field's button filled only its own field";
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
}

// Return at once in the dialog confirms the folder the field means: the typed folder without
// its blanks, or the nearest folder that exists above a folder not made yet or a file. A
// confirmation that gives no folder (here the computer folder, the root of a dialog set to
// start there) leaves the field as it was; the field is never emptied.
TEST_F(MainWindowTest, ReturnAtOnceInTheDialogConfirmsTheFolderTheFieldMeans)
{
    TcxShellModuleScope shell;
    TempFolder dir;
    const std::wstring folder = dir.MakeFolder(L"pick\\inner");
    const std::wstring file = dir.MakeFile(L"pick\\inner\\photo.tbi");
    TcxShellBrowserDialog* dialog = form->cxShellBrowserDialog1;
    struct Case {
        std::wstring typed;
        TcxBrowseFolder root;
        std::wstring expectedField;
    };
    const Case cases[] = {
        {L"  " + folder + L"  ", bfDesktop, folder},
        {folder + L"\\not\\made\\yet", bfDesktop, folder},
        {L" " + file + L" ", bfDesktop, folder},
        {L"   ", bfDrives, L"   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.typed));
        dialog->Root()->BrowseFolder = c.root;
        form->cxButtonEdit2->SetText(c.typed);
        dialog->OnShow = [&](TObject* sender) {
            HWND tree = static_cast<TcxShellBrowserDlg*>(sender)->cxStv->InnerTree()->Handle();
            PostMessageW(tree, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(tree, WM_KEYUP, VK_RETURN, 0xC0000001);
        };
        ClickEllipsis(form->cxButtonEdit2);
        EXPECT_EQ(form->cxButtonEdit2->Text(), c.expectedField);
    }
    dialog->Root()->BrowseFolder = bfDesktop;
}

} // namespace

namespace {

// The program's manifest as the program carries it: paths beyond MAX_PATH reach the file
// functions only when the manifest declares the program long-path aware, next to the
// dpi awareness the window layout relies on.
TEST(ProgramManifestTest, DeclaresLongPathAwarenessAndDpiAwareness)
{
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_NE(info, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, info))),
                               SizeofResource(nullptr, info));
    const size_t settings = manifest.find("<windowsSettings>");
    const size_t settingsEnd = manifest.find("</windowsSettings>");
    ASSERT_NE(settings, std::string::npos);
    ASSERT_NE(settingsEnd, std::string::npos);
    const std::string windowsSettings = manifest.substr(settings, settingsEnd - settings);
    for (
        const char* setting :
        {R"(<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>)",
         R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)"}) {
        EXPECT_NE(windowsSettings.find(setting), std::string::npos) << setting;
    }
}

} // namespace
