// The journal of a batch run: one UTF-8, tab-separated text file per run that says what the
// run read from its fields, what it did to every matching entry and which folders it made,
// so that a person can check a run afterwards and undo it (RunUndo.h).
//
// Every record is written to the file when it happens, before the run touches the next file,
// so a run that is killed leaves a journal that is true up to the entry it was on. A record
// whose outcome is not known yet is written first with "pending" in its outcome fields; the
// fields have a fixed width and are overwritten in place once the step is over, which keeps
// the records in listing order even when several files are worked on at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The four field texts as a run read them when it started.
struct TRunFields {
    std::wstring sourceFolder;
    std::wstring sourceSuffix;
    std::wstring newSuffix;
    std::wstring exportFolder;
};

// How a run ended, for the journal's closing record and the closing question.
struct TRunCounts {
    int matching = 0;
    int moved = 0;
    int backedUp = 0;
    int failed = 0; // entries whose move or backup copy failed
};

// The journal folder: "%LOCALAPPDATA%\Corvane\runs" (the known local application-data folder
// where the variable is not set); empty when neither can be found.
std::wstring DefaultJournalFolder();

// A step's outcome as a journal keeps it.
struct TStepOutcome {
    enum TState { Pending, Done, Failed, None } state = None;
    DWORD code = 0; // the platform's error code of a failed step

    static TStepOutcome Of(std::optional<DWORD> error)
    {
        return error ? TStepOutcome{Failed, *error} : TStepOutcome{Done, 0};
    }
    friend bool operator==(const TStepOutcome&, const TStepOutcome&) = default;
};

// What undo did to a record (RunUndo.h); None until it has been there.
enum class TUndoMark { None, Returned, Removed, Conflict, Nothing, Missing };

// The writer. Never raises and never stops the run: a journal that cannot be made or
// written is marked as not kept, and the run reports that at its end. Safe to use from
// several threads at once.
class TRunJournal {
public:
    using TRecordId = size_t;

    // Makes the folder (every level) when needed and a new journal file in it, named by the
    // current time (UTC) so that names sort in time order.
    TRunJournal(const std::wstring& folder, const TRunFields& fields);
    ~TRunJournal();
    TRunJournal(const TRunJournal&) = delete;
    TRunJournal& operator=(const TRunJournal&) = delete;

    // The journal file's path; empty when none could be made.
    const std::wstring& Path() const noexcept { return m_path; }
    // Whether the file was made and every record so far reached it whole.
    bool Kept() const noexcept;

    // A matching entry (full paths), its move and its backup copy both pending.
    TRecordId BeginEntry(const std::wstring& source, const std::wstring& target);
    void SetMove(TRecordId record, std::optional<DWORD> error);
    void SetBackup(TRecordId record, std::optional<DWORD> error);
    // A folder the run is about to create (full path); its creation pending.
    TRecordId BeginFolder(const std::wstring& folder);
    void SetFolderMade(TRecordId record, std::optional<DWORD> error);
    // The closing record; stoppedBy is the message of an error that ended the run early.
    void End(const TRunCounts& counts, const std::wstring& stoppedBy = {});

private:
    // Appends a line (the lock held); answers where it starts, nothing when it was not written.
    std::optional<uint64_t> Append(const std::string& line);
    // Appends a record whose outcome fields follow prefix, and keeps where they start.
    TRecordId AppendRecord(const std::string& prefix, const std::string& line);
    void WriteField(TRecordId record, int field, const TStepOutcome& outcome);
    bool WriteAt(uint64_t offset, const std::string& bytes);

    mutable std::mutex m_lock;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_path;
    uint64_t m_size = 0;
    bool m_failed = false;
    std::vector<uint64_t> m_fieldOffsets; // where each record's first outcome field starts
};

// One record of a journal as read back.
struct TJournalRecord {
    enum TKind { Entry, Folder } kind = Entry;
    std::wstring source; // an entry's source path (empty for a folder)
    std::wstring target; // an entry's target path, or the folder
    TStepOutcome move;   // a folder's creation
    TStepOutcome backup;
    TUndoMark undo = TUndoMark::None;
    uint64_t undoOffset = 0; // where the undo field lies in the file
};

struct TJournalContents {
    TRunFields fields;
    std::vector<TJournalRecord> records;
    bool ended = false;  // the closing record is there
    bool undone = false; // an undo went through to its end
};

// Reads a journal; nothing when the file cannot be read or is no journal.
std::optional<TJournalContents> ReadJournal(const std::wstring& path);

// Overwrites a record's undo field and appends the undo's closing record; both raise
// EInOutError with the platform's code when the file cannot be written.
void WriteUndoMark(const std::wstring& path, const TJournalRecord& record, TUndoMark mark);
void AppendUndoneRecord(const std::wstring& path, int returned, int conflicts);

// The journal files of folder, oldest first (full paths).
std::vector<std::wstring> JournalFiles(const std::wstring& folder);

// The text forms used in the file: fields escape "%" and the characters below 32 as %XX and
// an unpaired surrogate as %uXXXX, so any field text and any file name survive the trip.
std::string EncodeJournalText(const std::wstring& text);
std::wstring DecodeJournalText(const std::string& text);
