// The application object: title, message loop, processing of pending messages, the error
// box and the message-box seam that tests use to answer boxes instead of blocking.
#pragma once

#include "rtForms.h"

#include <functional>
#include <string>

class TApplication : public TComponent {
public:
    using MessageBoxFunction =
        std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)>;

    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;
    const wchar_t* ClassName() const override { return L"TApplication"; }

    void Initialize();
    // Creates a form owned by the application; the first one becomes the main form.
    template <typename T> T* CreateForm(T*& reference)
    {
        reference = new T(this);
        if (!m_mainForm) {
            m_mainForm = reference;
            m_mainForm->HandleNeeded();
        }
        return reference;
    }
    TCustomForm* MainForm() const noexcept { return m_mainForm; }
    void SetMainForm(TCustomForm* form) { m_mainForm = form; }

    // Shows the main form as the process was asked to and runs the loop until Terminate.
    void Run();
    // The show step of Run on its own: the main form shown with the start-up command.
    void ShowMainForm();
    // Takes and dispatches one message, waiting for it; false once the loop must end.
    bool HandleMessage();
    // Dispatches every message already waiting, then returns.
    void ProcessMessages();
    void Terminate();
    bool Terminated() const noexcept { return m_terminated; }

    const std::wstring& Title() const noexcept { return m_title; }
    void SetTitle(const std::wstring& title) { m_title = title; }

    // The error box for an error that escaped a handler; EAbort stays silent.
    void HandleException(std::exception_ptr error);
    void ShowException(const std::wstring& message);
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
    // Replaces the platform message box (tests answer boxes through this).
    void SetMessageBoxFunction(MessageBoxFunction function) { m_messageBox = std::move(function); }
    // The window that owns the application's message boxes.
    HWND OwnerWindow() const;

    // The show command the process was started with.
    static int StartupShowCommand();

private:
    bool ProcessMessage(MSG& msg);
    // The queue ran empty: actions bring their settings up to date before the wait.
    void Idle();

    TCustomForm* m_mainForm = nullptr;
    std::wstring m_title;
    bool m_terminated = false;
    MessageBoxFunction m_messageBox;
};

extern TApplication* Application;

// The title rule: the file name up to its first ".", every character after the first in
// lower case ("COR.VANE.EXE" gives "Cor").
std::wstring TitleFromModuleName(const std::wstring& path);
// The error box text: a "." is appended when the last character sorts after ".".
std::wstring ErrorBoxText(const std::wstring& message);
