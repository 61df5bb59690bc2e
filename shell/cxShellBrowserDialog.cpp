#include "cxShellBrowserDialog.h"

#include "runtime/rtApplication.h"

#include <memory>
#include <optional>

TcxCustomShellBrowserDialog::TcxCustomShellBrowserDialog(TComponent* owner)
    : TComponent(owner), m_lookAndFeel(this)
{
}

TcxCustomShellBrowserDialog::~TcxCustomShellBrowserDialog()
{
    Destroying();
}

const TClassInfo* TcxCustomShellBrowserDialog::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxCustomShellBrowserDialog;
        TClassInfo ci(L"TcxCustomShellBrowserDialog", nullptr);
        ci.AddString<T>(L"FolderLabelCaption", &T::SetFolderLabelCaption, &T::FolderLabelCaption);
        ci.AddObject<T, TcxLookAndFeel>(L"LookAndFeel", &T::LookAndFeel);
        ci.AddObject<T, TcxDlgShellOptions>(L"Options", &T::Options);
        ci.AddString<T>(L"Path", &T::SetPath, &T::Path);
        ci.AddObject<T, TcxDlgShellRoot>(L"Root", &T::Root);
        ci.AddBool<T>(L"ShowButtons", &T::SetShowButtons, &T::ShowButtons);
        ci.AddBool<T>(L"ShowInfoTips", &T::SetShowInfoTips, &T::ShowInfoTips);
        ci.AddBool<T>(L"ShowLines", &T::SetShowLines, &T::ShowLines);
        ci.AddBool<T>(L"ShowRoot", &T::SetShowRoot, &T::ShowRoot);
        ci.AddString<T>(L"Title", &T::SetTitle, &T::Title);
        return ci;
    }();
    return &info;
}

TcxShellBrowserDlg* TcxCustomShellBrowserDialog::CreateBrowserForm()
{
    return new TcxShellBrowserDlg(Application);
}

bool TcxCustomShellBrowserDialog::RunDialog()
{
    TScreenCursorScope hourglass(crHourGlass);
    std::optional<TcxShellStepScope> step(std::in_place, TcxShellStep::DialogForm);
    std::unique_ptr<TcxShellBrowserDlg> form(CreateBrowserForm());
    step.emplace(TcxShellStep::DialogSetup);
    struct FormScope {
        TcxShellBrowserDlg*& current;
        ~FormScope() { current = nullptr; }
    } scope{m_form};
    m_form = form.get();
    if (!m_title.empty())
        form->SetCaption(m_title);
    if (!m_folderLabelCaption.empty())
        form->lblFolder->SetCaption(m_folderLabelCaption);

    TcxShellTreeViewOptions* options = form->cxStv->Options();
    options->SetShowFolders(m_options.ShowFolders);
    options->SetShowToolTip(m_options.ShowToolTip);
    options->SetTrackShellChanges(m_options.TrackShellChanges);
    options->SetContextMenus(m_options.ContextMenus);
    options->SetShowNonFolders(m_options.ShowNonFolders);
    options->SetShowHidden(m_options.ShowHidden);

    TcxShellTreeRoot* root = form->cxStv->Root();
    root->SetBrowseFolder(m_root.BrowseFolder);
    root->SetCustomPath(m_root.CustomPath);

    form->cxStv->SetShowButtons(m_showButtons);
    form->cxStv->SetShowInfoTips(m_showInfoTips);
    form->cxStv->SetShowLines(m_showLines);
    form->cxStv->SetShowRoot(m_showRoot);
    form->cxStv->SetSelectedPath(m_path);
    form->LookAndFeel()->SetMaster(&m_lookAndFeel);
    step.reset();

    if (OnShow) {
        TcxShellBrowserDlg* shown = form.get();
        shown->OnShow = [this](TObject* sender) { OnShow(sender); };
    }
    bool confirmed = form->ShowModal() == mrOk;
    if (confirmed)
        m_path = form->cxStv->SelectedPath();
    return confirmed;
}
