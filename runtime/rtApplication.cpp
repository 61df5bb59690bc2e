#include "rtApplication.h"

#include "rtActnList.h"
#include "rtExceptions.h"

#include <commctrl.h>

TApplication* Application = nullptr;

std::wstring TitleFromModuleName(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/:");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find(L'.'));
    if (name.size() > 1)
        CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}

std::wstring ErrorBoxText(const std::wstring& message)
{
    if (!message.empty() && message.back() > L'.')
        return message + L".";
    return message;
}

TApplication::TApplication(TComponent* owner) : TComponent(owner)
{
    // A cut-off name fills the buffer exactly, so the buffer grows until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size() || path.size() >= 65536) {
            path.resize(n < path.size() ? n : 0);
            break;
        }
        path.resize(path.size() * 2);
    }
    m_title = TitleFromModuleName(path);
    if (!Application)
        Application = this;
    SetExceptionRouter([this](std::exception_ptr e) { HandleException(e); });
}

TApplication::~TApplication()
{
    Destroying();
    if (Application == this) {
        SetExceptionRouter(nullptr);
        Application = nullptr;
    }
}

void TApplication::Initialize()
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

int TApplication::StartupShowCommand()
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    GetStartupInfoW(&si);
    return (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWNORMAL;
}

void TApplication::ShowMainForm()
{
    if (!m_mainForm)
        return;
    int command = SW_SHOWNORMAL;
    switch (StartupShowCommand()) {
    case SW_SHOWMAXIMIZED: command = SW_SHOWMAXIMIZED; break;
    case SW_SHOWMINNOACTIVE: command = SW_SHOWMINNOACTIVE; break;
    default: break;
    }
    m_mainForm->ShowWithCommand(command);
    UpdateWindow(m_mainForm->Handle());
}

void TApplication::Run()
{
    ShowMainForm();
    while (!m_terminated)
        HandleMessage();
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        m_terminated = true;
        return false;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSCHAR) {
        if (TWinControl* c = TWinControl::FindControl(msg.hwnd)) {
            if (TCustomForm* form = c->GetParentForm()) {
                bool handled = false;
                try {
                    handled = form->DialogKey(msg);
                } catch (...) {
                    HandleException(std::current_exception());
                    handled = true;
                }
                if (handled)
                    return true;
            }
        }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::Idle()
{
    try {
        UpdateAllActionLists();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

bool TApplication::HandleMessage()
{
    MSG msg;
    // Looking at the queue costs a trip to the window system: only when there is work for idle time.
    if (ActionListsExist() && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        Idle();
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
        m_terminated = true;
        return false;
    }
    return ProcessMessage(msg);
}

void TApplication::ProcessMessages()
{
    // Asking whether anything waits costs a third of an empty peek; a batch run asks once per
    // file, and mostly nothing waits.
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0)
        return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!ProcessMessage(msg)) {
            // Leave the quit for the outer loop, which owns the end of the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
    }
}

void TApplication::Terminate()
{
    if (m_terminated)
        return;
    PostQuitMessage(0);
}

HWND TApplication::OwnerWindow() const
{
    return m_mainForm && m_mainForm->HandleAllocated() ? m_mainForm->Handle() : nullptr;
}

int TApplication::ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags)
{
    HWND owner = OwnerWindow();
    if (m_messageBox)
        return m_messageBox(owner, text, caption, flags);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::ShowException(const std::wstring& message)
{
    ShowMessageBox(ErrorBoxText(message), m_title, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        ShowException(e.Message());
    } catch (const std::bad_alloc&) {
        ShowException(L"Out of memory");
    } catch (const std::exception& e) {
        ShowException(FromUtf8(e.what()));
    } catch (...) {
        ShowException(L"Unknown error");
    }
}
