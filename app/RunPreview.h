// What a batch run would do with the fields as they stand, worked out without touching
// anything on disk: the listing, the suffix match, the targets and the forcing of the export
// folder follow the run's own rules (BatchRun.h, PathRules.h); only the moves and copies are
// played on a picture of the folders instead of the disk.
#pragma once

#include "FileListBox.h"
#include "RunJournal.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TPreviewAction {
    MoveAndBackUp,
    TargetExists,      // the move fails: its target is there (or names a device)
    BackupNameTaken,   // the move goes, but the backup copy's name is taken
    ExportFolderFails, // the export folder cannot be made: the move fails
};

class TRunPreview {
public:
    // Lists the source folder as the run does and raises the run's listing errors. An export
    // folder the run could not force shows in the rows instead. The process's current folder
    // is as before afterwards, so a preview does not change what a later run lists.
    TRunPreview(const TRunFields& fields, IBusyCursor* busyCursor = nullptr);
    ~TRunPreview();

    // One row per matching entry, in listing order.
    size_t RowCount() const noexcept { return m_rows.size(); }
    std::wstring_view Name(size_t row) const;
    const std::wstring& Target(size_t row) const { return m_rows.at(row).target; }
    TPreviewAction Action(size_t row) const { return m_rows.at(row).action; }
    // Whether the row's entry is the one at which the export folder gets created.
    bool CreatesExportFolder(size_t row) const { return m_rows.at(row).createsFolder; }

    // The listed folder, and the number of rows whose move and backup would both succeed.
    const std::wstring& Folder() const noexcept { return m_folder; }
    size_t Successes() const noexcept { return m_successes; }
    size_t Failures() const noexcept { return m_rows.size() - m_successes; }
    bool ExportFolderCreated() const noexcept { return m_exportCreated; }
    // Whether the run could not make the export folder (asked only when an entry matches).
    bool ExportFolderFails() const noexcept { return m_exportFails; }

private:
    struct TRow {
        int entry;           // index into the listing
        std::wstring target; // full path
        TPreviewAction action;
        bool createsFolder;
    };
    class TDiskPicture;

    std::unique_ptr<TFileListBox> m_list;
    std::wstring m_folder;
    std::vector<TRow> m_rows;
    size_t m_successes = 0;
    bool m_exportCreated = false;
    bool m_exportFails = false;
};

// The texts of the preview window (and the command line's dry run).
std::wstring PreviewActionText(const TRunPreview& preview, size_t row);
std::wstring PreviewCountsText(const TRunPreview& preview);
