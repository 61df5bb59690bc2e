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

private:
    class BatchHost;
};

extern TForm1* Form1;
