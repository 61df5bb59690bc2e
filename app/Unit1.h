// The main window: two suffix fields, two folder fields with browse buttons, the start
// button, a progress bar and the status line.
#pragma once

#include "controls/cxButtons.h"
#include "controls/cxGroupBox.h"
#include "controls/cxLabel.h"
#include "controls/cxProgressBar.h"
#include "editors/cxButtonEdit.h"
#include "editors/cxTextEdit.h"
#include "runtime/rtForms.h"
#include "shell/cxShellBrowserDialog.h"

#include <functional>

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TForm1"; }

    TcxLabel* cxLabel33 = nullptr;
    TcxGroupBox* cxGroupBox1 = nullptr;
    TcxProgressBar* cxProgressBar = nullptr;
    TcxLabel* cxLabel28 = nullptr;
    TcxTextEdit* cxTextEdit9 = nullptr;
    TcxLabel* cxLabel29 = nullptr;
    TcxTextEdit* cxTextEdit10 = nullptr;
    TcxLabel* cxLabel30 = nullptr;
    TcxButtonEdit* cxButtonEdit1 = nullptr;
    TcxButtonEdit* cxButtonEdit2 = nullptr;
    TcxLabel* cxLabel31 = nullptr;
    TcxButton* cxButton30 = nullptr;
    TcxLabel* cxLabel32 = nullptr;
    TcxShellBrowserDialog* cxShellBrowserDialog1 = nullptr;

    // The batch run of the start button.
    void cxButton30Click(TObject* Sender);
    // The browse handler shared by both folder fields.
    void cxButtonEdit1PropertiesButtonClick(TObject* Sender, int AButtonIndex);

    // Opens the export folder in the file manager (tests replace it).
    std::function<void(HWND owner, const std::wstring& folder)> OpenFolder;

    // Where every run keeps its journal (tests point it elsewhere).
    std::wstring JournalFolder;

    // The two commands the window's system menu adds: the preview of what a run would do with
    // the fields as they stand, and the undo of the last run. Both wait while a run goes on.
    void ShowPreview();
    void UndoLastRun();
    bool RunGoing() const noexcept { return m_runsGoing > 0; }

protected:
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    class BatchHost;
    // Greys the two commands of the system menu while a run goes on.
    void UpdateSystemMenu();

    int m_runsGoing = 0; // a run started inside another's message step counts too
};

// The system menu's commands (below 0xF000, low four bits clear, as the platform asks).
constexpr UINT kPreviewCommand = 0x0110;
constexpr UINT kUndoCommand = 0x0120;

extern TForm1* Form1;
