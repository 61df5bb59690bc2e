// The batch suffix change: lists the source folder and moves every file whose suffix
// matches into the export folder under the new suffix, copying it back as a backup. The
// run talks to its window only through IBatchHost, so it can be driven by the main window
// or by a test.
#pragma once

#include "FileListBox.h"
#include "RunJournal.h"

#include "runtime/rtExceptions.h"

#include <windows.h>

#include <optional>
#include <string>

// One matching entry once its move and backup copy are over (full paths; nothing for a step
// that succeeded, else the platform's error code).
struct TEntryReport {
    std::wstring source;
    std::wstring target;
    std::optional<DWORD> moveError;
    std::optional<DWORD> backupError;
};

// What the run needs from its window. Field texts are read afresh at each point of use, so
// edits made while the run processes messages take effect at the next read.
class IBatchHost {
public:
    virtual std::wstring SourceFolderText() = 0;
    virtual std::wstring SourceSuffixText() = 0;
    virtual std::wstring NewSuffixText() = 0;
    virtual std::wstring ExportFolderText() = 0;

    virtual void SetStatusText(const std::wstring& text) = 0;

    // The progress bar keeps its own range: a position written beyond Max reads back as Max
    // whenever Max is greater than Min.
    virtual double ProgressPosition() = 0;
    virtual void SetProgressPosition(double position) = 0;
    virtual void SetProgressMax(double max) = 0;

    // Handles every pending window message. Another run may start and finish in here.
    virtual void ProcessMessages() = 0;

    // The closing question (Yes/No, question icon, empty caption); true on Yes.
    virtual bool AskClosingQuestion(const std::wstring& text) = 0;
    // Opens folder (trimmed, possibly empty) in the file manager; see OpenFolderInFileManager.
    virtual void OpenExportFolder(const std::wstring& folder) = 0;

    // The hourglass shown while a long folder listing is read.
    virtual IBusyCursor& BusyCursor() = 0;

    // Each matching entry once its work is done, in listing order.
    virtual void EntryFinished(const TEntryReport& report) {}

protected:
    ~IBatchHost() = default;
};

// The file operations of a run, kept apart so that a test can stand in for a volume that
// fails half-way through a move. Move and CopyNew leave the platform's last error code set
// when they fail.
class IFileOperations {
public:
    // Moves a file, also to another volume; fails when to exists.
    virtual bool Move(const std::wstring& from, const std::wstring& to) = 0;
    // Copies a file; fails when to exists.
    virtual bool CopyNew(const std::wstring& from, const std::wstring& to) = 0;
    // Whether an entry of any kind (a device name included) answers to path.
    virtual bool Exists(const std::wstring& path) = 0;
    // Whether every move from fromFolder into toFolder (both full paths) is a rename: it
    // happens whole or not at all and refuses an existing target by itself, so a failed move
    // can leave nothing behind. False whenever that cannot be told for sure.
    virtual bool MovesAreRenames(const std::wstring& fromFolder, const std::wstring& toFolder) = 0;

protected:
    ~IFileOperations() = default;
};

// The platform's own move and copy.
IFileOperations& PlatformFileOperations();

// Whether a move between the two folders (full paths of existing folders) stays on one local
// volume: both lie below the same volume path, and the folders themselves (after any link on
// the way) report that volume's serial number. Network folders never count: a share can join
// several of the server's volumes under one name.
bool OnOneLocalVolume(const std::wstring& a, const std::wstring& b);

// One run per Execute. The object holds nothing but the host and the file operations, and
// every run keeps its own listing, so a run started from inside another run's message step
// cannot disturb it.
class TBatchRun {
public:
    explicit TBatchRun(IBatchHost& host, IFileOperations& files = PlatformFileOperations()) noexcept
        : m_host(host), m_files(files)
    {
    }

    // Every run from now on writes a journal into folder (RunJournal.h); without this call a
    // run keeps none.
    TBatchRun& KeepJournalIn(std::wstring folder)
    {
        m_journalFolder = std::move(folder);
        return *this;
    }

    // Raises EInOutError (or "Invalid file name - ...") when the source folder text cannot be
    // listed, and "Unable to create directory" when the export folder cannot be forced; file
    // failures are reported in the status text and the run goes on.
    void Execute();

    // The run with nobody watching (the command line): the fields are read once, no message is
    // processed, the closing question is not asked, the export folder is made before the first
    // file is touched (EExportFolderError when it cannot be), and up to jobs entries are moved
    // and copied at once. The journal's records and the host's reports stay in listing order;
    // jobs 1 works through the entries in the window's order.
    TRunCounts ExecuteUnattended(int jobs);
    // The journal of the last run (empty when none was made), and whether it was kept whole.
    const std::wstring& JournalPath() const noexcept { return m_journalPath; }
    bool JournalKept() const noexcept { return m_journalKept; }

private:
    struct TEntryPaths {
        std::wstring path; // as the run uses it (relative to the source folder, or full)
        std::wstring target;
        std::wstring fullFrom;
        std::wstring fullTo;
    };
    // What a run knows about the folders its moves go between, asked once per pair.
    struct TMoveFolders {
        std::wstring from;
        std::wstring to;
        bool renames = false;
    };

    void Loop(TRunJournal* journal, TRunCounts& counts);
    void UnattendedLoop(const TRunFields& fields, TRunJournal* journal, TRunCounts& counts, int jobs);
    TEntryReport DoEntry(const TEntryPaths& entry, TMoveFolders& folders, TRunJournal* journal,
                         std::optional<TRunJournal::TRecordId> record = std::nullopt);
    std::optional<DWORD> MoveLeavingNoNewFile(const std::wstring& from, const std::wstring& to,
                                              const std::wstring& fullFrom, const std::wstring& fullTo,
                                              TMoveFolders& folders);

    IBatchHost& m_host;
    IFileOperations& m_files;
    std::optional<std::wstring> m_journalFolder;
    std::wstring m_journalPath;
    bool m_journalKept = false;
};

// The export folder of an unattended run cannot be made.
class EExportFolderError : public Exception {
    using Exception::Exception;
};

// The run's rules for one listed file, shared by everything that plans or runs a batch: whether
// its suffix is the source suffix (exactly, after trimming the field), and the path it is
// moved to (the new suffix in the export folder, texts trimmed as the run trims them).
bool MatchesSourceSuffix(const std::wstring& path, const std::wstring& sourceSuffixText);
std::wstring TargetPathFor(const std::wstring& path, const std::wstring& newSuffixText,
                           const std::wstring& exportFolderText);

// The closing question: the fixed question, after a count of the failed entries with the
// journal's path when any failed, and a note when the journal could not be kept.
std::wstring ClosingQuestionFor(const TRunCounts& counts, const TRunJournal* journal);

// The closing question's text.
extern const wchar_t kClosingQuestionText[];

// The parameter text that starts the file manager on folder: the folder as one quoted
// argument, so that blanks and commas in it do not split it; empty for an empty folder.
std::wstring FileManagerParameters(const std::wstring& folder);

// Starts the system file manager on folder, owned by owner; the outcome is not reported.
void OpenFolderInFileManager(HWND owner, const std::wstring& folder);
