// Undoing a batch run from its journal (RunJournal.h): entries from the last to the first,
// then the folders the run created, deepest first. What is done to each entry is written
// into the journal as it happens, and every decision is taken from what lies on disk now, so
// an undo that was killed can be run again: it finishes the rest and touches no file twice.
// A file is deleted only when an identical copy stays at its source path.
#pragma once

#include "RunJournal.h"

#include <functional>
#include <optional>
#include <string>

// What lies at an entry's two paths now.
struct TPathsOnDisk {
    bool source = false;       // something is at the source path
    bool target = false;       // something is at the target path
    bool sameFile = false;     // both names lead to one file (a change of letter case only)
    bool sameBytes = false;    // two files of identical content
    bool sourceIsPart = false; // the source holds the first bytes of the target, and fewer
};

// What undo does to one entry.
enum class TUndoStep {
    Nothing,      // the entry was never moved
    DeleteMoved,  // the backup at the source path is identical: the moved file goes
    FinishBackup, // a backup copy cut short by a kill is made whole first, then as DeleteMoved
    MoveBack,     // the moved file goes back to its source path
    AlreadyBack,  // the file is at its source path and the moved one is gone
    Conflict,     // both stay: the backup differs, or something else holds the source path
    Missing,      // neither path holds anything
};

// The decision for an entry whose move and backup copy ended as the journal says.
TUndoStep DecideUndo(const TStepOutcome& move, const TStepOutcome& backup, const TPathsOnDisk& disk);

// What lies at source and target now (the bytes compared only when both are separate files).
TPathsOnDisk LookAtPaths(const std::wstring& source, const std::wstring& target);

struct TUndoOutcome {
    bool found = false; // there was a run to undo
    std::wstring journal;
    int returned = 0;  // files back at their source paths
    int conflicts = 0; // entries left as they were (marked in the journal)
    int foldersRemoved = 0;
};

// Hears of each record undo has been to, once its mark is written.
using TUndoRecordEvent = std::function<void(const TJournalRecord& record, TUndoMark mark)>;

// Undoes the run of one journal. Raises EInOutError when the journal cannot be read or
// written (ERROR_INVALID_DATA for a file that is no journal).
TUndoOutcome UndoJournal(const std::wstring& path, const TUndoRecordEvent& onRecord = {});

// The newest journal of folder not yet undone that has anything to undo, or that an undo
// began (and was stopped before its end); nothing when there is none.
std::optional<std::wstring> NewestJournalToUndo(const std::wstring& folder);

// Undoes the newest run of folder that can be undone; found is false when there is none.
TUndoOutcome UndoLastRun(const std::wstring& folder, const TUndoRecordEvent& onRecord = {});

// The text of the box that ends an undo.
std::wstring UndoOutcomeText(const TUndoOutcome& outcome);
