#include "BatchRun.h"

#include "PathRules.h"

#include "runtime/rtExceptions.h"

#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

const wchar_t kClosingQuestionText[] = L"处理完毕，是否打开查看目录？";

namespace {

constexpr wchar_t kMoveFailedText[] = L"命名失败，请重试！ ";
constexpr wchar_t kRenamedText[] = L"命名成功，已经重命名 ";
constexpr wchar_t kRenamedTailText[] = L" 个文件，持续执行... ";
constexpr wchar_t kBackupFailedText[] = L"备份失败！ ";
constexpr wchar_t kFinishedText[] = L"处理完毕！ ";
// Said before the closing question when entries failed or the journal could not be kept.
constexpr wchar_t kFailedCountText[] = L"有 ";
constexpr wchar_t kFailedCountTailText[] = L" 个文件处理失败";
constexpr wchar_t kSeeJournalText[] = L"，详见运行记录：\n";
constexpr wchar_t kNoJournalText[] = L"运行记录未能保存，本次修改无法撤销。\n\n";

std::wstring WithErrorCode(const wchar_t* text, DWORD code)
{
    return text + std::to_wstring(code);
}

class PlatformFiles final : public IFileOperations {
public:
    bool Move(const std::wstring& from, const std::wstring& to) override
    {
        return MoveFileW(from.c_str(), to.c_str()) != FALSE;
    }
    bool CopyNew(const std::wstring& from, const std::wstring& to) override
    {
        return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
    }
    bool Exists(const std::wstring& path) override
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    bool MovesAreRenames(const std::wstring& fromFolder, const std::wstring& toFolder) override
    {
        return OnOneLocalVolume(fromFolder, toFolder);
    }
};

// Each folder the export folder's forcing creates goes into the journal before it is made,
// its outcome after; record holds the folder's record meanwhile.
TFolderCreationWatch JournalFolderWatch(TRunJournal* journal, TRunJournal::TRecordId& record)
{
    TFolderCreationWatch watch;
    if (journal) {
        watch.before = [journal, &record](const std::wstring& level) {
            record = journal->BeginFolder(FullPathName(level));
        };
        watch.after = [journal, &record](const std::wstring&, std::optional<DWORD> error) {
            journal->SetFolderMade(record, error);
        };
    }
    return watch;
}

// The folder part of a full path, its last "\" included.
std::wstring FolderOf(const std::wstring& full)
{
    const size_t last = full.find_last_of(L'\\');
    return last == std::wstring::npos ? std::wstring() : full.substr(0, last + 1);
}

// The volume path below which path lies ("C:\", or a folder a volume is mounted on).
std::wstring VolumePath(const std::wstring& path)
{
    std::wstring volume(path.size() + MAX_PATH, L'\0');
    if (!GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size())))
        return {};
    volume.resize(wcslen(volume.c_str()));
    return volume;
}

// The serial number of the volume that holds the folder itself, after any link on its path.
std::optional<DWORD> FolderVolumeSerial(const std::wstring& folder)
{
    const std::optional<TFileIdentity> identity = FileIdentity(folder);
    return identity ? std::optional(identity->volume) : std::nullopt;
}

// The size of an existing file; nothing for a folder or a missing entry.
std::optional<ULONGLONG> FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Whether two names lead to one file; true also when it cannot be told, so that a caller
// about to remove one of them leaves both alone.
bool MaybeSameFile(const std::wstring& a, const std::wstring& b)
{
    const auto first = FileIdentity(a);
    const auto second = FileIdentity(b);
    return !first || !second || *first == *second;
}

// Whether the platform reads a path whose full form is full as a device (NUL, CON, AUX,
// COM1, also with an extension): such a name resolves to the device namespace with no
// folder part.
bool NamesADevice(const std::wstring& full)
{
    return full.starts_with(L"\\\\.\\") && full.find_first_of(L"\\/", 4) == std::wstring::npos;
}

} // namespace

IFileOperations& PlatformFileOperations()
{
    static PlatformFiles files;
    return files;
}

bool OnOneLocalVolume(const std::wstring& a, const std::wstring& b)
{
    const std::wstring volume = VolumePath(a);
    if (volume.empty() || volume.starts_with(L"\\\\"))
        return false;
    const std::wstring other = VolumePath(b);
    if (CompareStringOrdinal(volume.c_str(), static_cast<int>(volume.size()), other.c_str(),
                             static_cast<int>(other.size()), TRUE) != CSTR_EQUAL)
        return false;
    const UINT kind = GetDriveTypeW(volume.c_str());
    if (kind != DRIVE_FIXED && kind != DRIVE_REMOVABLE && kind != DRIVE_RAMDISK)
        return false;
    DWORD serial = 0;
    if (!GetVolumeInformationW(volume.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return false;
    return FolderVolumeSerial(a) == serial && FolderVolumeSerial(b) == serial;
}

// A move inside one volume is a rename, which happens whole or not at all and refuses an
// existing target by itself: there the move is all there is to it. A move to another volume
// copies the file and removes the source last, so one that fails on the way (a full volume)
// can leave a new, empty or partial target behind. That target is removed again, but only
// when nothing can be lost by it: it did not exist before the move,
// the source is still there and holds at least as many bytes as the target (a failed move
// leaves the source as it was; the target is then an empty, partial or equal copy), and the
// two names do not lead to one file. The sizes are asked only after a failure: every query
// costs time in a large folder, and most moves succeed. Answers the
// move's own error code when it failed. A target that names a device counts as one that
// exists: a move there would hand the file's content to the device and keep none of it.
// Which kind of move it is is asked once per pair of folders, so once per run unless the
// fields change under it.
std::optional<DWORD> TBatchRun::MoveLeavingNoNewFile(const std::wstring& from, const std::wstring& to,
                                                     const std::wstring& fullFrom, const std::wstring& fullTo,
                                                     TMoveFolders& folders)
{
    if (NamesADevice(fullTo))
        return ERROR_ALREADY_EXISTS;
    const std::wstring fromFolder = FolderOf(fullFrom);
    const std::wstring toFolder = FolderOf(fullTo);
    if (fromFolder != folders.from || toFolder != folders.to) {
        folders.from = fromFolder;
        folders.to = toFolder;
        folders.renames =
            !fromFolder.empty() && !toFolder.empty() && m_files.MovesAreRenames(fromFolder, toFolder);
    }
    if (folders.renames) {
        if (m_files.Move(from, to))
            return std::nullopt;
        return GetLastError();
    }
    const bool targetExisted = m_files.Exists(to);
    if (m_files.Move(from, to))
        return std::nullopt;
    const DWORD error = GetLastError();
    if (!targetExisted) {
        const std::optional<ULONGLONG> sourceSize = FileSize(from);
        const std::optional<ULONGLONG> targetSize = FileSize(to);
        if (sourceSize && targetSize && *sourceSize >= *targetSize && !MaybeSameFile(from, to))
            DeleteFileW(to.c_str());
    }
    return error;
}

bool MatchesSourceSuffix(const std::wstring& path, const std::wstring& sourceSuffixText)
{
    return ExtractFileExt(path) == TrimText(sourceSuffixText);
}

std::wstring TargetPathFor(const std::wstring& path, const std::wstring& newSuffixText,
                           const std::wstring& exportFolderText)
{
    const std::wstring name = ChangeFileExt(ExtractFileName(path), TrimText(newSuffixText));
    return TrimText(TrimText(exportFolderText) + L"\\" + name);
}

std::wstring ClosingQuestionFor(const TRunCounts& counts, const TRunJournal* journal)
{
    std::wstring text;
    const bool kept = journal && journal->Kept();
    if (counts.failed > 0) {
        text = kFailedCountText + std::to_wstring(counts.failed) + kFailedCountTailText;
        text += kept ? kSeeJournalText + journal->Path() + L"\n\n" : std::wstring(L"。\n\n");
    }
    if (journal && !kept)
        text += kNoJournalText;
    return text + kClosingQuestionText;
}

void TBatchRun::Execute()
{
    // The journal reads the fields once more at the start; the run itself goes on reading them
    // afresh at each point of use.
    std::optional<TRunJournal> journal;
    if (m_journalFolder)
        journal.emplace(*m_journalFolder, TRunFields{m_host.SourceFolderText(), m_host.SourceSuffixText(),
                                                     m_host.NewSuffixText(), m_host.ExportFolderText()});
    TRunJournal* log = journal ? &*journal : nullptr;
    TRunCounts counts;
    try {
        Loop(log, counts);
    } catch (const Exception& e) {
        if (log)
            log->End(counts, e.Message());
        m_journalPath = log ? log->Path() : std::wstring();
        m_journalKept = log && log->Kept();
        throw;
    }
    if (log)
        log->End(counts);
    m_journalPath = log ? log->Path() : std::wstring();
    m_journalKept = log && log->Kept();

    m_host.SetStatusText(kFinishedText);
    m_host.SetProgressPosition(0);
    if (m_host.AskClosingQuestion(ClosingQuestionFor(counts, log)))
        m_host.OpenExportFolder(TrimText(m_host.ExportFolderText()));
}

void TBatchRun::Loop(TRunJournal* journal, TRunCounts& counts)
{
    TFileListBox list(&m_host.BusyCursor());
    list.ApplyTypedPath(TrimText(m_host.SourceFolderText()));

    m_host.SetProgressPosition(1);
    const int count = list.Count();
    m_host.SetProgressMax(count);

    TRunJournal::TRecordId folderRecord = 0;
    TFolderCreationWatch folderWatch = JournalFolderWatch(journal, folderRecord);

    // The success text tells how many files this run has renamed so far, not where the entry
    // stands in the listing.
    int renamed = 0;
    TMoveFolders folders;
    for (int i = 0; i < count; ++i) {
        list.SetItemIndex(i);
        m_host.SetProgressPosition(m_host.ProgressPosition() + 1);
        m_host.ProcessMessages();

        const std::wstring path = list.SelectedFilePath();
        if (!MatchesSourceSuffix(path, m_host.SourceSuffixText()))
            continue;
        ++counts.matching;

        const std::wstring target = TargetPathFor(path, m_host.NewSuffixText(), m_host.ExportFolderText());

        // A relative export folder belongs to this run's source folder, even when a run
        // started from the message step has made another folder current meanwhile.
        const std::wstring exportFolder = TrimText(m_host.ExportFolderText());
        if (!IsFullyQualified(exportFolder))
            SetCurrentDirectoryW(list.Folder().c_str());
        ForceDirectories(exportFolder, journal ? &folderWatch : nullptr);

        const TEntryReport report =
            DoEntry({path, target, FullPathName(path), FullPathName(target)}, folders, journal);
        if (!report.moveError) {
            ++renamed;
            ++counts.moved;
        } else {
            m_host.SetStatusText(WithErrorCode(kMoveFailedText, *report.moveError));
        }
        if (!report.backupError) {
            ++counts.backedUp;
            m_host.SetStatusText(kRenamedText + std::to_wstring(renamed) + kRenamedTailText);
        } else {
            m_host.SetStatusText(WithErrorCode(kBackupFailedText, *report.backupError));
        }
        if (report.moveError || report.backupError)
            ++counts.failed;
        m_host.EntryFinished(report);
    }
}

// One matching entry: its record goes into the journal before anything is touched, the move,
// the backup copy (from the target back to the old name, so it fails whenever the move did
// not free that name), each outcome into the journal as soon as it is known.
TEntryReport TBatchRun::DoEntry(const TEntryPaths& entry, TMoveFolders& folders, TRunJournal* journal,
                                std::optional<TRunJournal::TRecordId> record)
{
    if (journal && !record)
        record = journal->BeginEntry(entry.fullFrom, entry.fullTo);
    TEntryReport report{entry.fullFrom, entry.fullTo, std::nullopt, std::nullopt};
    report.moveError = MoveLeavingNoNewFile(entry.path, entry.target, entry.fullFrom, entry.fullTo, folders);
    if (journal)
        journal->SetMove(*record, report.moveError);
    if (!m_files.CopyNew(entry.target, entry.path))
        report.backupError = GetLastError();
    if (journal)
        journal->SetBackup(*record, report.backupError);
    return report;
}

TRunCounts TBatchRun::ExecuteUnattended(int jobs)
{
    const TRunFields fields{m_host.SourceFolderText(), m_host.SourceSuffixText(), m_host.NewSuffixText(),
                            m_host.ExportFolderText()};
    std::optional<TRunJournal> journal;
    if (m_journalFolder)
        journal.emplace(*m_journalFolder, fields);
    TRunJournal* log = journal ? &*journal : nullptr;
    TRunCounts counts;
    try {
        UnattendedLoop(fields, log, counts, std::max(1, jobs));
    } catch (const Exception& e) {
        if (log)
            log->End(counts, e.Message());
        m_journalPath = log ? log->Path() : std::wstring();
        m_journalKept = log && log->Kept();
        throw;
    }
    if (log)
        log->End(counts);
    m_journalPath = log ? log->Path() : std::wstring();
    m_journalKept = log && log->Kept();
    return counts;
}

void TBatchRun::UnattendedLoop(const TRunFields& fields, TRunJournal* journal, TRunCounts& counts, int jobs)
{
    TFileListBox list(&m_host.BusyCursor());
    list.ApplyTypedPath(TrimText(fields.sourceFolder));
    std::vector<TEntryPaths> entries;
    const int count = list.Count();
    for (int i = 0; i < count; ++i) {
        list.SetItemIndex(i);
        std::wstring path = list.SelectedFilePath();
        if (!MatchesSourceSuffix(path, fields.sourceSuffix))
            continue;
        std::wstring target = TargetPathFor(path, fields.newSuffix, fields.exportFolder);
        entries.push_back({std::move(path), std::move(target), {}, {}});
    }
    if (entries.empty())
        return;

    // The export folder is made before the first file is touched; one that cannot be made
    // ends the run with nothing moved.
    const std::wstring exportFolder = TrimText(fields.exportFolder);
    if (!IsFullyQualified(exportFolder))
        SetCurrentDirectoryW(list.Folder().c_str());
    TRunJournal::TRecordId folderRecord = 0;
    TFolderCreationWatch folderWatch = JournalFolderWatch(journal, folderRecord);
    if (!ForceDirectories(exportFolder, journal ? &folderWatch : nullptr))
        throw EExportFolderError(L"Unable to create directory");
    // The workers share the process's current folder: every path they use is a full one.
    for (TEntryPaths& entry : entries) {
        entry.fullFrom = FullPathName(entry.path);
        entry.fullTo = FullPathName(entry.target);
        entry.path = entry.fullFrom;
        entry.target = entry.fullTo;
    }
    counts.matching = static_cast<int>(entries.size());

    // Each worker takes the next entry and writes its record before it touches the files, so
    // the journal's records stay in listing order; finished entries are reported from the
    // front, so the reports do too.
    std::mutex lock;
    size_t next = 0;
    size_t reported = 0;
    std::vector<std::optional<TEntryReport>> finished(entries.size());
    std::exception_ptr failure;
    auto work = [&] {
        TMoveFolders folders;
        for (;;) {
            size_t i = 0;
            std::optional<TRunJournal::TRecordId> record;
            {
                std::lock_guard guard(lock);
                if (next == entries.size() || failure)
                    return;
                i = next++;
                if (journal)
                    record = journal->BeginEntry(entries[i].fullFrom, entries[i].fullTo);
            }
            TEntryReport report = DoEntry(entries[i], folders, journal, record);
            std::lock_guard guard(lock);
            counts.moved += report.moveError ? 0 : 1;
            counts.backedUp += report.backupError ? 0 : 1;
            counts.failed += report.moveError || report.backupError ? 1 : 0;
            finished[i] = std::move(report);
            while (reported < finished.size() && finished[reported]) {
                m_host.EntryFinished(*finished[reported]);
                finished[reported].reset();
                ++reported;
            }
        }
    };
    // Nothing may leave a thread procedure: an error is kept and raised here after the join.
    auto guarded = [&] {
        try {
            work();
        } catch (...) {
            std::lock_guard guard(lock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    const size_t helperCount = std::min(entries.size(), static_cast<size_t>(jobs)) - 1;
    for (size_t h = 0; h < helperCount; ++h)
        helpers.emplace_back(guarded);
    guarded();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
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
