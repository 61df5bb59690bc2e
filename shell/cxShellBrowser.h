// The browse-for-folder form: a read-only field showing the current folder, the shell
// folder tree, OK and Cancel, and a size grip in the bottom-right corner.
#pragma once

#include "cxShellTreeView.h"
#include "controls/cxButtons.h"
#include "controls/cxLabel.h"
#include "editors/cxTextEdit.h"
#include "runtime/rtForms.h"

#include <functional>
#include <string>

// Shortens a path to a width by putting "...\" in place of its leading directories, the
// first one first; the drive goes once all of them are replaced, the final name never.
// measure gives the width of a text.
std::wstring ShortenPathToWidth(const std::wstring& path, int width,
                                const std::function<int(const std::wstring&)>& measure);

class TcxShellBrowserDlg : public TForm {
public:
    explicit TcxShellBrowserDlg(TComponent* owner);
    ~TcxShellBrowserDlg() override;
    const wchar_t* ClassName() const override { return L"TcxShellBrowserDlg"; }

    TcxLabel* lblFolder = nullptr;
    TcxTextEdit* cxTeFolder = nullptr;
    TcxShellTreeView* cxStv = nullptr;
    TcxButton* cxButton1 = nullptr;
    TcxButton* cxButton2 = nullptr;

    void FormCreate(TObject* Sender);
    void FormPaint(TObject* Sender);
    void FormResize(TObject* Sender);
    void cxStvChange(TObject* Sender);

    TcxLookAndFeel* LookAndFeel() noexcept { return &m_lookAndFeel; }
    // The size grip's rectangle in client coordinates.
    const RECT& GripRect() const noexcept { return m_gripRect; }
    // Shortened with the form's font against the folder field's width.
    std::wstring ShortenPathToWidth(const std::wstring& path);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowSelectedPath();

    TcxLookAndFeel m_lookAndFeel;
    SIZE m_gripSize{};
    RECT m_gripRect{};
};
