// The browse-for-folder dialog component: a form holds it, sets Path, calls RunDialog and
// reads Path back after a confirmed run. Each run builds and frees its own form.
#pragma once

#include "cxShellBrowser.h"
#include "cxShellDlgs.h"
#include "lookandfeel/cxLookAndFeelContainer.h"

#include <string>

// Offers its look-and-feel through the container interface: the running dialog's form and
// controls follow it, so a change made through the interface reaches them at once.
class TcxCustomShellBrowserDialog : public TComponent, public IcxLookAndFeelContainer {
public:
    explicit TcxCustomShellBrowserDialog(TComponent* owner);
    ~TcxCustomShellBrowserDialog() override;
    const wchar_t* ClassName() const override { return L"TcxCustomShellBrowserDialog"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    // Shows the dialog modally; true when the user confirmed a folder with OK.
    bool RunDialog();

    const std::wstring& FolderLabelCaption() const noexcept { return m_folderLabelCaption; }
    void SetFolderLabelCaption(const std::wstring& v) { m_folderLabelCaption = v; }
    TcxLookAndFeel* LookAndFeel() noexcept { return &m_lookAndFeel; }
    // IcxLookAndFeelContainer
    TcxLookAndFeel* GetLookAndFeel() override { return &m_lookAndFeel; }
    void SetLookAndFeel(const TcxLookAndFeel* v) { m_lookAndFeel.Assign(v); }
    TcxDlgShellOptions* Options() noexcept { return &m_options; }
    void SetOptions(const TcxDlgShellOptions* v) { m_options.Assign(v); }
    const std::wstring& Path() const noexcept { return m_path; }
    void SetPath(const std::wstring& v) { m_path = v; }
    TcxDlgShellRoot* Root() noexcept { return &m_root; }
    void SetRoot(const TcxDlgShellRoot* v) { m_root.Assign(v); }
    bool ShowButtons() const noexcept { return m_showButtons; }
    void SetShowButtons(bool v) { m_showButtons = v; }
    bool ShowInfoTips() const noexcept { return m_showInfoTips; }
    void SetShowInfoTips(bool v) { m_showInfoTips = v; }
    bool ShowLines() const noexcept { return m_showLines; }
    void SetShowLines(bool v) { m_showLines = v; }
    bool ShowRoot() const noexcept { return m_showRoot; }
    void SetShowRoot(bool v) { m_showRoot = v; }
    const std::wstring& Title() const noexcept { return m_title; }
    void SetTitle(const std::wstring& v) { m_title = v; }

    // The form of the running dialog; null outside RunDialog.
    TcxShellBrowserDlg* Form() const noexcept { return m_form; }
    // Raised with the form once it is on the screen, before the user acts.
    TNotifyEvent OnShow;

protected:
    virtual TcxShellBrowserDlg* CreateBrowserForm();

private:
    std::wstring m_folderLabelCaption;
    TcxLookAndFeel m_lookAndFeel;
    TcxDlgShellOptions m_options;
    std::wstring m_path;
    TcxDlgShellRoot m_root;
    bool m_showButtons = true;
    bool m_showInfoTips = false;
    bool m_showLines = true;
    bool m_showRoot = true;
    std::wstring m_title;
    TcxShellBrowserDlg* m_form = nullptr;
};

class TcxShellBrowserDialog : public TcxCustomShellBrowserDialog {
public:
    using TcxCustomShellBrowserDialog::TcxCustomShellBrowserDialog;
    const wchar_t* ClassName() const override { return L"TcxShellBrowserDialog"; }
};
