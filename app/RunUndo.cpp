#include "RunUndo.h"

#include "PathRules.h"

#include "runtime/rtExceptions.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

constexpr wchar_t kNothingToUndoText[] = L"没有可以撤销的修改。";
constexpr wchar_t kUndoneText[] = L"撤销完毕！已恢复 ";
constexpr wchar_t kUndoneFilesText[] = L" 个文件，";
constexpr wchar_t kConflictsText[] = L" 个冲突未处理。";
constexpr wchar_t kConflictsJournalText[] = L"\n冲突的文件见运行记录：\n";

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

enum class TComparison { Different, Same, FirstIsPart };

// How the content of a compares with b's: identical, a shorter file holding b's first bytes
// (a copy cut short), or anything else (also whenever either cannot be read).
TComparison CompareBytes(const std::wstring& a, const std::wstring& b)
{
    auto open = [](const std::wstring& path) {
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    };
    HANDLE first = open(a);
    if (first == INVALID_HANDLE_VALUE)
        return TComparison::Different;
    HANDLE second = open(b);
    if (second == INVALID_HANDLE_VALUE) {
        CloseHandle(first);
        return TComparison::Different;
    }
    LARGE_INTEGER sizeA{}, sizeB{};
    bool alike =
        GetFileSizeEx(first, &sizeA) && GetFileSizeEx(second, &sizeB) && sizeA.QuadPart <= sizeB.QuadPart;
    // Compares a's bytes with as many of b's.
    std::vector<char> bufferA(65536), bufferB(65536);
    while (alike) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(first, bufferA.data(), static_cast<DWORD>(bufferA.size()), &readA, nullptr) ||
            !ReadFile(second, bufferB.data(), readA, &readB, nullptr) || readA != readB) {
            alike = false;
            break;
        }
        if (readA == 0)
            break;
        alike = std::equal(bufferA.begin(), bufferA.begin() + readA, bufferB.begin());
    }
    CloseHandle(first);
    CloseHandle(second);
    if (!alike)
        return TComparison::Different;
    return sizeA.QuadPart == sizeB.QuadPart ? TComparison::Same : TComparison::FirstIsPart;
}

bool SameBytes(const std::wstring& a, const std::wstring& b)
{
    return CompareBytes(a, b) == TComparison::Same;
}

bool Moved(const TStepOutcome& move)
{
    return move.state == TStepOutcome::Done || move.state == TStepOutcome::Pending;
}

// Whether undo has anything left to do in a journal's records, or began there already.
bool WorthUndoing(const TJournalContents& contents)
{
    for (const TJournalRecord& record : contents.records)
        if (record.undo != TUndoMark::None || Moved(record.move))
            return true;
    return false;
}

TUndoMark MarkFor(TUndoStep step)
{
    switch (step) {
    case TUndoStep::Nothing: return TUndoMark::Nothing;
    case TUndoStep::DeleteMoved:
    case TUndoStep::FinishBackup:
    case TUndoStep::MoveBack:
    case TUndoStep::AlreadyBack: return TUndoMark::Returned;
    case TUndoStep::Conflict: return TUndoMark::Conflict;
    case TUndoStep::Missing: return TUndoMark::Missing;
    }
    return TUndoMark::Conflict;
}

// Carries out an entry's undo step; a step that fails leaves both paths as they are and
// counts as a conflict.
TUndoMark UndoEntry(const TJournalRecord& record)
{
    const TUndoStep step = DecideUndo(record.move, record.backup, LookAtPaths(record.source, record.target));
    switch (step) {
    case TUndoStep::DeleteMoved:
        return DeleteFileW(record.target.c_str()) ? TUndoMark::Returned : TUndoMark::Conflict;
    case TUndoStep::FinishBackup:
        // The moved file stays until the backup holds every byte of it again.
        if (!CopyFileW(record.target.c_str(), record.source.c_str(), FALSE) ||
            !SameBytes(record.source, record.target))
            return TUndoMark::Conflict;
        return DeleteFileW(record.target.c_str()) ? TUndoMark::Returned : TUndoMark::Conflict;
    case TUndoStep::MoveBack:
        // Never over an existing file: a move refuses an existing target, except the one file
        // whose name differs only in letter case, which it renames.
        return MoveFileExW(record.target.c_str(), record.source.c_str(), MOVEFILE_COPY_ALLOWED)
                   ? TUndoMark::Returned
                   : TUndoMark::Conflict;
    default: return MarkFor(step);
    }
}

TUndoMark UndoFolder(const TJournalRecord& record)
{
    if (!Moved(record.move) || !Exists(record.target))
        return TUndoMark::Nothing;
    return RemoveDirectoryW(record.target.c_str()) ? TUndoMark::Removed : TUndoMark::Nothing;
}

} // namespace

TUndoStep DecideUndo(const TStepOutcome& move, const TStepOutcome& backup, const TPathsOnDisk& disk)
{
    if (!Moved(move))
        return TUndoStep::Nothing;
    if (!disk.source && !disk.target)
        return TUndoStep::Missing;
    if (!disk.target)
        return move.state == TStepOutcome::Pending ? TUndoStep::Nothing : TUndoStep::AlreadyBack;
    if (!disk.source || disk.sameFile)
        return TUndoStep::MoveBack;
    // Both are there. A move that never finished refuses an existing target, so the target
    // was there before the run.
    if (move.state == TStepOutcome::Pending)
        return TUndoStep::Nothing;
    const bool backedUp = backup.state == TStepOutcome::Done || backup.state == TStepOutcome::Pending;
    if (backedUp && disk.sameBytes)
        return TUndoStep::DeleteMoved;
    // A backup copy that a kill cut short holds the moved file's first bytes and no others.
    if (backup.state == TStepOutcome::Pending && disk.sourceIsPart)
        return TUndoStep::FinishBackup;
    return TUndoStep::Conflict;
}

TPathsOnDisk LookAtPaths(const std::wstring& source, const std::wstring& target)
{
    TPathsOnDisk disk;
    disk.source = Exists(source);
    disk.target = Exists(target);
    if (disk.source && disk.target) {
        const auto a = FileIdentity(source);
        const auto b = FileIdentity(target);
        disk.sameFile = a && b && *a == *b;
        const TComparison comparison = disk.sameFile ? TComparison::Different : CompareBytes(source, target);
        disk.sameBytes = comparison == TComparison::Same;
        disk.sourceIsPart = comparison == TComparison::FirstIsPart;
    }
    return disk;
}

TUndoOutcome UndoJournal(const std::wstring& path, const TUndoRecordEvent& onRecord)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw EInOutError(GetLastError());
    std::optional<TJournalContents> contents = ReadJournal(path);
    if (!contents)
        throw EInOutError(ERROR_INVALID_DATA);
    TUndoOutcome outcome;
    outcome.found = true;
    outcome.journal = path;
    std::vector<TJournalRecord>& records = contents->records;
    // Files first, last to first; then the folders, which the run made from the top down.
    for (auto kind : {TJournalRecord::Entry, TJournalRecord::Folder}) {
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            if (it->kind != kind || it->undo != TUndoMark::None)
                continue;
            const TUndoMark mark = kind == TJournalRecord::Entry ? UndoEntry(*it) : UndoFolder(*it);
            WriteUndoMark(path, *it, mark);
            it->undo = mark;
            if (onRecord)
                onRecord(*it, mark);
        }
    }
    for (const TJournalRecord& record : records) {
        if (record.undo == TUndoMark::Returned)
            ++outcome.returned;
        else if (record.undo == TUndoMark::Conflict || record.undo == TUndoMark::Missing)
            ++outcome.conflicts;
        else if (record.undo == TUndoMark::Removed)
            ++outcome.foldersRemoved;
    }
    AppendUndoneRecord(path, outcome.returned, outcome.conflicts);
    return outcome;
}

std::optional<std::wstring> NewestJournalToUndo(const std::wstring& folder)
{
    const std::vector<std::wstring> files = JournalFiles(folder);
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
        const std::optional<TJournalContents> contents = ReadJournal(*it);
        if (contents && !contents->undone && WorthUndoing(*contents))
            return *it;
    }
    return std::nullopt;
}

TUndoOutcome UndoLastRun(const std::wstring& folder, const TUndoRecordEvent& onRecord)
{
    const std::optional<std::wstring> journal = NewestJournalToUndo(folder);
    return journal ? UndoJournal(*journal, onRecord) : TUndoOutcome{};
}

std::wstring UndoOutcomeText(const TUndoOutcome& outcome)
{
    if (!outcome.found)
        return kNothingToUndoText;
    std::wstring text = kUndoneText + std::to_wstring(outcome.returned) + kUndoneFilesText +
                        std::to_wstring(outcome.conflicts) + kConflictsText;
    if (outcome.conflicts > 0)
        text += kConflictsJournalText + outcome.journal;
    return text;
}
