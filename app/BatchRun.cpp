#include "BatchRun.h"

#include "PathRules.h"

#include <shellapi.h>

const wchar_t kClosingQuestionText[] = L"处理完毕，是否打开查看目录？";

namespace {

constexpr wchar_t kMoveFailedText[] = L"命名失败，请重试！ ";
constexpr wchar_t kRenamedText[] = L"命名成功，已经重命名 ";
constexpr wchar_t kRenamedTailText[] = L" 个文件，持续执行... ";
constexpr wchar_t kBackupFailedText[] = L"备份失败！ ";
constexpr wchar_t kFinishedText[] = L"处理完毕！ ";

std::wstring WithErrorCode(const wchar_t* text, DWORD code)
{
    return text + std::to_wstring(code);
}

} // namespace

void TBatchRun::Execute()
{
    TFileListBox list(&m_host.BusyCursor());
    list.ApplyTypedPath(TrimText(m_host.SourceFolderText()));

    m_host.SetProgressPosition(1);
    const int count = list.Count();
    m_host.SetProgressMax(count);

    // The success text tells how many files this run has renamed so far, not where the entry
    // stands in the listing.
    int renamed = 0;
    for (int i = 0; i < count; ++i) {
        list.SetItemIndex(i);
        m_host.SetProgressPosition(m_host.ProgressPosition() + 1);
        m_host.ProcessMessages();

        const std::wstring path = list.SelectedFilePath();
        if (ExtractFileExt(path) != TrimText(m_host.SourceSuffixText()))
            continue;

        const std::wstring name = ChangeFileExt(ExtractFileName(path), TrimText(m_host.NewSuffixText()));
        const std::wstring target = TrimText(TrimText(m_host.ExportFolderText()) + L"\\" + name);

        // A relative export folder belongs to this run's source folder, even when a run
        // started from the message step has made another folder current meanwhile.
        const std::wstring exportFolder = TrimText(m_host.ExportFolderText());
        if (!IsFullyQualified(exportFolder))
            SetCurrentDirectoryW(list.Folder().c_str());
        ForceDirectories(exportFolder);

        if (MoveFileW(path.c_str(), target.c_str()))
            ++renamed;
        else
            m_host.SetStatusText(WithErrorCode(kMoveFailedText, GetLastError()));

        if (CopyFileW(target.c_str(), path.c_str(), TRUE))
            m_host.SetStatusText(kRenamedText + std::to_wstring(renamed) + kRenamedTailText);
        else
            m_host.SetStatusText(WithErrorCode(kBackupFailedText, GetLastError()));
    }

    m_host.SetStatusText(kFinishedText);
    m_host.SetProgressPosition(0);
    if (m_host.AskClosingQuestion(kClosingQuestionText))
        m_host.OpenExportFolder(TrimText(m_host.ExportFolderText()));
}

std::wstring FileManagerParameters(const std::wstring& folder)
{
    return folder.empty() ? std::wstring() : L"\"" + folder + L"\"";
}

void OpenFolderInFileManager(HWND owner, const std::wstring& folder)
{
    const std::wstring parameters = FileManagerParameters(folder);
    ShellExecuteW(owner, L"open", L"Explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}
