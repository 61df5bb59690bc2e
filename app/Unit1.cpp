#include "Unit1.h"

#include "BatchRun.h"
#include "PathRules.h"
#include "PreviewForm.h"
#include "RunUndo.h"

#include "runtime/rtApplication.h"
#include "shell/cxShellRegister.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    Form1 = this;
    PublishField(L"cxLabel33", cxLabel33);
    PublishField(L"cxGroupBox1", cxGroupBox1);
    PublishField(L"cxProgressBar", cxProgressBar);
    PublishField(L"cxLabel28", cxLabel28);
    PublishField(L"cxTextEdit9", cxTextEdit9);
    PublishField(L"cxLabel29", cxLabel29);
    PublishField(L"cxTextEdit10", cxTextEdit10);
    PublishField(L"cxLabel30", cxLabel30);
    PublishField(L"cxButtonEdit1", cxButtonEdit1);
    PublishField(L"cxButtonEdit2", cxButtonEdit2);
    PublishField(L"cxLabel31", cxLabel31);
    PublishField(L"cxButton30", cxButton30);
    PublishField(L"cxLabel32", cxLabel32);
    PublishField(L"cxShellBrowserDialog1", cxShellBrowserDialog1);
    PublishMethod(L"cxButton30Click", TNotifyEvent([this](TObject* s) { cxButton30Click(s); }));
    PublishMethod(L"cxButtonEdit1PropertiesButtonClick", TcxEditButtonClickEvent([this](TObject* s, int i) {
                      cxButtonEdit1PropertiesButtonClick(s, i);
                  }));
    OpenFolder = &OpenFolderInFileManager;
    JournalFolder = DefaultJournalFolder();
    RegisterShellClasses();
    LoadFromResource(L"TFORM1");
}

// The batch run's view of the window: the four fields, the status line, the progress bar,
// the message loop and the closing question.
class TForm1::BatchHost final : public IBatchHost {
public:
    explicit BatchHost(TForm1& form) : m_form(form) {}

    std::wstring SourceFolderText() override { return m_form.cxButtonEdit1->Text(); }
    std::wstring SourceSuffixText() override { return m_form.cxTextEdit9->Text(); }
    std::wstring NewSuffixText() override { return m_form.cxTextEdit10->Text(); }
    std::wstring ExportFolderText() override { return m_form.cxButtonEdit2->Text(); }
    void SetStatusText(const std::wstring& text) override { m_form.cxLabel33->SetCaption(text); }
    double ProgressPosition() override { return m_form.cxProgressBar->Position(); }
    void SetProgressPosition(double position) override { m_form.cxProgressBar->SetPosition(position); }
    void SetProgressMax(double max) override { m_form.cxProgressBar->Properties()->SetMax(max); }
    void ProcessMessages() override { Application->ProcessMessages(); }
    bool AskClosingQuestion(const std::wstring& text) override
    {
        return Application->ShowMessageBox(text, L"", MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    void OpenExportFolder(const std::wstring& folder) override
    {
        if (m_form.OpenFolder)
            m_form.OpenFolder(m_form.Handle(), folder);
    }
    IBusyCursor& BusyCursor() override { return m_cursor; }

private:
    TForm1& m_form;
    SystemBusyCursor m_cursor;
};

void TForm1::cxButton30Click(TObject* Sender)
{
    BatchHost host(*this);
    ++m_runsGoing;
    UpdateSystemMenu();
    try {
        TBatchRun(host).KeepJournalIn(JournalFolder).Execute();
    } catch (...) {
        --m_runsGoing;
        UpdateSystemMenu();
        throw;
    }
    --m_runsGoing;
    UpdateSystemMenu();
}

namespace {

constexpr wchar_t kPreviewMenuText[] = L"预览(&P)...";
constexpr wchar_t kUndoMenuText[] = L"撤销上次修改(&U)";

} // namespace

void TForm1::HandleCreated()
{
    TForm::HandleCreated();
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kPreviewCommand, kPreviewMenuText);
    AppendMenuW(menu, MF_STRING, kUndoCommand, kUndoMenuText);
    UpdateSystemMenu();
}

void TForm1::UpdateSystemMenu()
{
    if (!HandleAllocated())
        return;
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    const UINT state = MF_BYCOMMAND | (RunGoing() ? MF_GRAYED : MF_ENABLED);
    EnableMenuItem(menu, kPreviewCommand, state);
    EnableMenuItem(menu, kUndoCommand, state);
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SYSCOMMAND) {
        switch (wParam & 0xFFF0) {
        case kPreviewCommand: CallHandler([this] { ShowPreview(); }); return 0;
        case kUndoCommand: CallHandler([this] { UndoLastRun(); }); return 0;
        default: break;
        }
    }
    return TForm::WndProc(msg, wParam, lParam);
}

void TForm1::ShowPreview()
{
    if (RunGoing())
        return;
    SystemBusyCursor cursor;
    const TRunFields fields{cxButtonEdit1->Text(), cxTextEdit9->Text(), cxTextEdit10->Text(),
                            cxButtonEdit2->Text()};
    TPreviewForm preview(this, fields, &cursor);
    preview.ShowModal();
}

void TForm1::UndoLastRun()
{
    if (RunGoing())
        return;
    ++m_runsGoing;
    UpdateSystemMenu();
    TUndoOutcome outcome;
    try {
        TScreenCursorScope busy(crHourGlass);
        outcome = ::UndoLastRun(JournalFolder);
    } catch (...) {
        --m_runsGoing;
        UpdateSystemMenu();
        throw;
    }
    --m_runsGoing;
    UpdateSystemMenu();
    const UINT icon = outcome.conflicts > 0 ? MB_ICONWARNING : MB_ICONINFORMATION;
    Application->ShowMessageBox(UndoOutcomeText(outcome), L"", MB_OK | icon);
}

void TForm1::cxButtonEdit1PropertiesButtonClick(TObject* Sender, int AButtonIndex)
{
    auto* edit = As<TcxButtonEdit>(Sender);
    // The dialog starts at the folder the field means (blanks trimmed, else the nearest folder
    // that exists), so that confirming at once gives that folder back. A cancelled dialog
    // changes nothing, and neither does a confirmation without a file-system folder (nothing
    // selected, or a virtual folder): the user's text is never replaced by an empty one.
    cxShellBrowserDialog1->SetPath(BrowseStartFolder(edit->Text()));
    if (cxShellBrowserDialog1->RunDialog() && !cxShellBrowserDialog1->Path().empty())
        edit->SetText(cxShellBrowserDialog1->Path());
}
