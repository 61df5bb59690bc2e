#include "cxShellBrowser.h"

#include "cxShellRegister.h"
#include "lookandfeel/cxLookAndFeelPainters.h"

namespace {

const wchar_t* const kFormDescription =
#include "cxShellBrowserForm.inc"
    ;

// Removes the first directory of a directory part, putting the marker in its place.
std::wstring CutFirstDirectory(std::wstring dir)
{
    static const std::wstring marker = L"...\\";
    if (dir == L"\\")
        return {};
    bool leading = !dir.empty() && dir.front() == L'\\';
    if (leading)
        dir.erase(0, 1);
    // Only the marker an earlier cut left goes here; a folder whose name merely starts
    // with a dot is an ordinary directory.
    if (dir.compare(0, marker.size(), marker) == 0)
        dir.erase(0, marker.size());
    size_t next = dir.find(L'\\');
    dir = next == std::wstring::npos ? std::wstring() : marker + dir.substr(next + 1);
    if (leading)
        dir.insert(0, 1, L'\\');
    return dir;
}

} // namespace

std::wstring ShortenPathToWidth(const std::wstring& path, int width,
                                const std::function<int(const std::wstring&)>& measure)
{
    std::wstring drive = path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
    std::wstring rest = path.substr(drive.size());
    size_t last = rest.rfind(L'\\');
    std::wstring dir = last == std::wstring::npos ? std::wstring() : rest.substr(0, last + 1);
    std::wstring name = last == std::wstring::npos ? rest : rest.substr(last + 1);
    while ((!drive.empty() || !dir.empty()) && measure(drive + dir + name) > width) {
        if (dir == L"\\...\\") {
            drive.clear();
            dir = L"...\\";
        } else if (!dir.empty()) {
            dir = CutFirstDirectory(dir);
        } else {
            drive.clear();
        }
    }
    return drive + dir + name;
}

TcxShellBrowserDlg::TcxShellBrowserDlg(TComponent* owner) : TForm(owner), m_lookAndFeel(nullptr)
{
    RegisterShellClasses();
    PublishField(L"lblFolder", lblFolder);
    PublishField(L"cxTeFolder", cxTeFolder);
    PublishField(L"cxStv", cxStv);
    PublishField(L"cxButton1", cxButton1);
    PublishField(L"cxButton2", cxButton2);
    PublishMethod(L"FormCreate", TNotifyEvent([this](TObject* s) { FormCreate(s); }));
    PublishMethod(L"FormPaint", TNotifyEvent([this](TObject* s) { FormPaint(s); }));
    PublishMethod(L"FormResize", TNotifyEvent([this](TObject* s) { FormResize(s); }));
    PublishMethod(L"cxStvChange", TNotifyEvent([this](TObject* s) { cxStvChange(s); }));
    LoadFromDescription(kFormDescription);
    // The form's own look and feel leads the controls'; the dialog component leads it.
    cxStv->Style()->LookAndFeel()->SetMaster(&m_lookAndFeel);
    cxTeFolder->Style()->LookAndFeel()->SetMaster(&m_lookAndFeel);
    cxButton1->LookAndFeel()->SetMaster(&m_lookAndFeel);
    cxButton2->LookAndFeel()->SetMaster(&m_lookAndFeel);
    cxButton1->SetCaption(L"OK");
    cxButton2->SetCaption(L"Cancel");
}

TcxShellBrowserDlg::~TcxShellBrowserDlg()
{
    Destroying();
}

void TcxShellBrowserDlg::CreateParams(TCreateParams& params)
{
    TForm::CreateParams(params);
    params.exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
}

void TcxShellBrowserDlg::HandleCreated()
{
    TForm::HandleCreated();
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, 0);
    FormResize(this);
}

void TcxShellBrowserDlg::FormCreate(TObject*)
{
    m_gripSize = {GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

void TcxShellBrowserDlg::FormResize(TObject*)
{
    ShowSelectedPath();
    RECT client = ClientRect();
    m_gripRect = {client.right - m_gripSize.cx, client.bottom - m_gripSize.cy, client.right, client.bottom};
    Invalidate();
}

void TcxShellBrowserDlg::FormPaint(TObject*)
{
    HDC dc = PaintDC();
    if (!dc)
        return;
    TCanvas canvas;
    canvas.SetHandle(dc);
    TcxCanvas cx(&canvas);
    m_lookAndFeel.ActivePainter()->PaintSizeGrip(cx, m_gripRect, clNone);
    canvas.SetHandle(nullptr);
}

void TcxShellBrowserDlg::cxStvChange(TObject*)
{
    ShowSelectedPath();
}

void TcxShellBrowserDlg::ShowSelectedPath()
{
    if (!cxTeFolder || !cxStv || IsDestroying())
        return;
    cxTeFolder->SetText(ShortenPathToWidth(cxStv->SelectedPath()));
}

std::wstring TcxShellBrowserDlg::ShortenPathToWidth(const std::wstring& path)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    auto measure = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::wstring result = ::ShortenPathToWidth(path, cxTeFolder->Width(), measure);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return result;
}

LRESULT TcxShellBrowserDlg::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCHITTEST) {
        LRESULT hit = TForm::WndProc(msg, wParam, lParam);
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(Handle(), &p);
        return PtInRect(&m_gripRect, p) ? HTBOTTOMRIGHT : hit;
    }
    return TForm::WndProc(msg, wParam, lParam);
}
