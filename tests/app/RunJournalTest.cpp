// The journal of a run, undo from it, and the preview, on real folders.
#include "app/BatchRun.h"
#include "app/RunJournal.h"
#include "app/RunPreview.h"
#include "app/RunUndo.h"

#include "FakeBatchHost.h"
#include "TempFolder.h"
#include "runtime/rtExceptions.h"
#include "tests/common/RemoveTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

namespace {

const std::wstring kQuestion = L"处理完毕，是否打开查看目录？";

Texts Sorted(Texts names)
{
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring CurrentFolderNow()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

// Every file below folder with its content, by path relative to folder; folders end in "\".
std::map<std::wstring, std::string> Snapshot(const std::wstring& folder, const std::wstring& prefix = {})
{
    std::map<std::wstring, std::string> all;
    for (const std::wstring& name : NamesIn(folder)) {
        const std::wstring path = folder + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            all[prefix + name + L"\\"] = "";
            all.merge(Snapshot(path, prefix + name + L"\\"));
        } else {
            all[prefix + name] = ReadFileContent(path);
        }
    }
    return all;
}

class RunJournalTest : public testing::Test {
protected:
    RunJournalTest() : journals(temp.MakeFolder(L"journals")) {}

    std::wstring MakeSource(const std::wstring& relative, const Texts& files)
    {
        const std::wstring folder = temp.MakeFolder(relative);
        for (const std::wstring& f : files)
            temp.MakeFile(relative + L"\\" + f);
        return folder;
    }
    void Run(FakeHost& h) { TBatchRun(h).KeepJournalIn(journals).Execute(); }
    // The one journal a run has just written.
    TJournalContents NewestJournal()
    {
        const std::vector<std::wstring> files = JournalFiles(journals);
        EXPECT_FALSE(files.empty());
        std::optional<TJournalContents> contents = files.empty() ? std::nullopt : ReadJournal(files.back());
        EXPECT_TRUE(contents.has_value());
        return contents.value_or(TJournalContents{});
    }

    TempFolder temp;
    std::wstring journals;
    FakeHost host;
};

TEST_F(RunJournalTest, ARunWritesTheFieldsEveryEntryTheFoldersItMadeAndTheCounts)
{
    // Names in Chinese, with a character outside the basic plane, a blank and a "%".
    const std::wstring src =
        MakeSource(L"源 文件", {L"照片 1.tbi", L"\U0001F600%20.tbi", L"b.tbi", L"c.txt"});
    const std::wstring exportFolder = temp / L"导出\\深";
    temp.MakeFolder(L"导出\\深");
    host.sourceFolder = L" " + src + L" ";
    host.exportFolder = exportFolder + L"\\new";
    host.answer = false;

    Run(host);

    const TJournalContents journal = NewestJournal();
    EXPECT_EQ(journal.fields.sourceFolder, L" " + src + L" ");
    EXPECT_EQ(journal.fields.sourceSuffix, L".tbi");
    EXPECT_EQ(journal.fields.newSuffix, L".jpg");
    EXPECT_EQ(journal.fields.exportFolder, exportFolder + L"\\new");
    EXPECT_TRUE(journal.ended);
    EXPECT_FALSE(journal.undone);
    // The listing's order (b, 照片, the emoji), the new folder before the first move.
    ASSERT_EQ(journal.records.size(), 4u);
    EXPECT_EQ(journal.records[0].kind, TJournalRecord::Folder);
    EXPECT_EQ(journal.records[0].target, exportFolder + L"\\new");
    EXPECT_EQ(journal.records[0].move, (TStepOutcome{TStepOutcome::Done, 0}));
    struct Expected {
        std::wstring name;
        TStepOutcome move;
        TStepOutcome backup;
    };
    const Expected entries[] = {
        {L"b", {TStepOutcome::Done, 0}, {TStepOutcome::Done, 0}},
        {L"照片 1", {TStepOutcome::Done, 0}, {TStepOutcome::Done, 0}},
        {L"\U0001F600%20", {TStepOutcome::Done, 0}, {TStepOutcome::Done, 0}},
    };
    std::vector<std::wstring> sources;
    for (size_t i = 1; i < journal.records.size(); ++i)
        sources.push_back(journal.records[i].source);
    for (const Expected& e : entries) {
        SCOPED_TRACE(Utf8(e.name));
        auto it = std::find(sources.begin(), sources.end(), src + L"\\" + e.name + L".tbi");
        ASSERT_NE(it, sources.end());
        const TJournalRecord& record = journal.records[1 + static_cast<size_t>(it - sources.begin())];
        EXPECT_EQ(record.kind, TJournalRecord::Entry);
        EXPECT_EQ(record.target, exportFolder + L"\\new\\" + e.name + L".jpg");
        EXPECT_EQ(record.move, e.move);
        EXPECT_EQ(record.backup, e.backup);
        EXPECT_EQ(record.undo, TUndoMark::None);
    }
    // A text file a person can read: the header, then the fields in UTF-8.
    const std::string raw = ReadFileContent(JournalFiles(journals).back());
    EXPECT_TRUE(raw.starts_with("record\tsource\ttarget\tmove\tbackup\tundo\r\nfields\t")) << raw;
    EXPECT_NE(raw.find(Utf8(L"照片 1.tbi")), std::string::npos);
    EXPECT_NE(raw.find("end\tmatching 3\tmoved 3\tbacked up 3\tfailed 0\r\n"), std::string::npos) << raw;
    EXPECT_EQ(host.questions, Texts{kQuestion});
}

TEST_F(RunJournalTest, JournalNamesSortInTheOrderOfTheRuns)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"out";
    host.answer = false;
    // A run started inside another's message step has a journal of its own.
    FakeHost inner = host;
    host.onMessages = [&](int step) {
        if (step == 1)
            Run(inner);
    };
    Run(host);
    Run(inner);

    const std::vector<std::wstring> files = JournalFiles(journals);
    ASSERT_EQ(files.size(), 3u);
    // The outer run started first, the inner one inside it, the third last.
    const auto first = ReadJournal(files[0]);
    const auto second = ReadJournal(files[1]);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->records.back().move.state, TStepOutcome::Failed) << "the inner run had moved a.tbi";
    EXPECT_EQ(second->records.back().move.state, TStepOutcome::Done);
}

TEST_F(RunJournalTest, FailedEntriesAreCountedBeforeTheClosingQuestion)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"b.tbi", L"c.txt"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"out";
    host.answer = false;
    Run(host);
    EXPECT_EQ(host.questions, Texts{kQuestion}) << "a clean run asks the question alone";

    // The same folders again: every move finds its target, every backup its name taken.
    Run(host);
    const std::wstring journal = JournalFiles(journals).back();
    ASSERT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.questions[1], L"有 2 个文件处理失败，详见运行记录：\n" + journal + L"\n\n" + kQuestion);
    EXPECT_EQ(host.statuses.back(), L"处理完毕！ ");
    const TJournalContents contents = NewestJournal();
    ASSERT_EQ(contents.records.size(), 2u);
    for (const TJournalRecord& record : contents.records) {
        EXPECT_EQ(record.move, (TStepOutcome{TStepOutcome::Failed, ERROR_ALREADY_EXISTS}));
        EXPECT_EQ(record.backup, (TStepOutcome{TStepOutcome::Failed, ERROR_FILE_EXISTS}));
    }
}

TEST_F(RunJournalTest, AJournalThatCannotBeWrittenNeverStopsTheRun)
{
    std::wstring smallVolume(GetEnvironmentVariableW(L"CORVANE_SMALL_VOLUME", nullptr, 0), L'\0');
    smallVolume.resize(smallVolume.empty()
                           ? 0
                           : GetEnvironmentVariableW(L"CORVANE_SMALL_VOLUME", smallVolume.data(),
                                                     static_cast<DWORD>(smallVolume.size())));
    struct Case {
        const char* what;
        std::wstring folder;
        std::function<void()> cleanUp;
    };
    const std::wstring blocker = temp.MakeFile(L"a file");
    std::vector<Case> cases = {
        {"no folder can be made (a file lies where it would go)", blocker + L"\\runs", {}},
        {"no folder at all", L"", {}},
    };
    std::wstring fullVolumeFolder;
    if (!smallVolume.empty()) {
        // A volume with room for the header and little more: the records run out of room.
        fullVolumeFolder = smallVolume + L"\\cvjournal" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(fullVolumeFolder.c_str(), nullptr);
        HANDLE filler = CreateFileW((fullVolumeFolder + L"\\filler").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        std::string block(4096, 'x');
        DWORD written = 0;
        while (WriteFile(filler, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
               written == block.size()) {
        }
        CloseHandle(filler);
        cases.push_back({"a full disk", fullVolumeFolder, [&] { RemoveTree(fullVolumeFolder); }});
    } else {
        std::printf("CORVANE_SMALL_VOLUME names no small volume: the full disk case is left out\n");
    }
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring src = MakeSource(L"src" + std::to_wstring(++n), {L"a.tbi", L"b.tbi"});
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = src + L"\\out";
        h.answer = false;

        TBatchRun(h).KeepJournalIn(c.folder).Execute();

        EXPECT_EQ(Sorted(NamesIn(src + L"\\out")), Sorted({L"a.jpg", L"b.jpg"}));
        EXPECT_EQ(h.statuses.back(), L"处理完毕！ ");
        EXPECT_EQ(h.questions, Texts{L"运行记录未能保存，本次修改无法撤销。\n\n" + kQuestion});
        if (c.cleanUp)
            c.cleanUp();
    }
}

// An entry of a hand-made journal: how its move and backup ended and what lies on disk now.
struct UndoCase {
    const char* what;
    TStepOutcome move;
    TStepOutcome backup;
    std::optional<std::string> source; // the content at the source path, or nothing there
    std::optional<std::string> target;
    // Expected afterwards.
    std::optional<std::string> sourceAfter;
    std::optional<std::string> targetAfter;
    TUndoMark mark;
};

TEST_F(RunJournalTest, UndoDecidesFromTheJournalAndWhatLiesOnDisk)
{
    const TStepOutcome done{TStepOutcome::Done, 0};
    const TStepOutcome pending{TStepOutcome::Pending, 0};
    const TStepOutcome exists{TStepOutcome::Failed, ERROR_ALREADY_EXISTS};
    const TStepOutcome fileExists{TStepOutcome::Failed, ERROR_FILE_EXISTS};
    const TStepOutcome notFound{TStepOutcome::Failed, ERROR_FILE_NOT_FOUND};
    const std::string a = "content A";
    const std::string edited = "edited since";
    const UndoCase cases[] = {
        {"backed up, identical backup: the moved file goes", done, done, a, a, a, std::nullopt,
         TUndoMark::Returned},
        {"backed up, backup gone: moved back", done, done, std::nullopt, a, a, std::nullopt,
         TUndoMark::Returned},
        {"backed up, backup edited: both stay", done, done, edited, a, edited, a, TUndoMark::Conflict},
        {"backed up, moved file gone: nothing left to do", done, done, a, std::nullopt, a, std::nullopt,
         TUndoMark::Returned},
        {"backed up, both gone", done, done, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
         TUndoMark::Missing},
        {"not backed up: moved back", done, notFound, std::nullopt, a, a, std::nullopt, TUndoMark::Returned},
        {"not backed up, the source path taken since", done, notFound, edited, a, edited, a,
         TUndoMark::Conflict},
        {"not backed up, the source path holds the same bytes", done, notFound, a, a, a, a,
         TUndoMark::Conflict},
        {"move failed: nothing to do", exists, fileExists, a, edited, a, edited, TUndoMark::Nothing},
        {"killed before the move", pending, pending, a, std::nullopt, a, std::nullopt, TUndoMark::Nothing},
        {"killed after the move", pending, pending, std::nullopt, a, a, std::nullopt, TUndoMark::Returned},
        {"killed at a move whose target was there", pending, pending, a, edited, a, edited,
         TUndoMark::Nothing},
        {"killed during the backup, whole copy", done, pending, a, a, a, std::nullopt, TUndoMark::Returned},
        {"killed during the backup, part of a copy: made whole first", done, pending, "cont", a, a,
         std::nullopt, TUndoMark::Returned},
        {"killed during the backup, an empty copy", done, pending, "", a, a, std::nullopt,
         TUndoMark::Returned},
        {"killed during the backup, other bytes there since", done, pending, "conX", a, "conX", a,
         TUndoMark::Conflict},
        {"a finished backup cut short since: both stay", done, done, "cont", a, "cont", a,
         TUndoMark::Conflict},
    };
    const std::wstring folder = temp.MakeFolder(L"undo");
    auto journal =
        std::make_unique<TRunJournal>(journals, TRunFields{folder, L".tbi", L".jpg", folder + L"\\out"});
    temp.MakeFolder(L"undo\\out");
    int n = 0;
    std::vector<std::pair<std::wstring, std::wstring>> paths;
    for (const UndoCase& c : cases) {
        const std::wstring source = folder + L"\\f" + std::to_wstring(++n) + L".tbi";
        const std::wstring target = folder + L"\\out\\f" + std::to_wstring(n) + L".jpg";
        const auto record = journal->BeginEntry(source, target);
        if (c.move.state != TStepOutcome::Pending)
            journal->SetMove(record,
                             c.move.state == TStepOutcome::Done ? std::nullopt : std::optional(c.move.code));
        if (c.backup.state != TStepOutcome::Pending)
            journal->SetBackup(record, c.backup.state == TStepOutcome::Done ? std::nullopt
                                                                            : std::optional(c.backup.code));
        if (c.source)
            temp.MakeFile(L"undo\\f" + std::to_wstring(n) + L".tbi", *c.source);
        if (c.target)
            temp.MakeFile(L"undo\\out\\f" + std::to_wstring(n) + L".jpg", *c.target);
        paths.emplace_back(source, target);
    }
    ASSERT_TRUE(journal->Kept());
    const std::wstring path = journal->Path();
    journal.reset(); // the run is over

    const TUndoOutcome outcome = UndoJournal(path);

    const auto after = ReadJournal(path);
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->undone);
    int returned = 0, conflicts = 0;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const UndoCase& c = cases[i];
        SCOPED_TRACE(c.what);
        auto content = [](const std::wstring& path) {
            return PathExists(path) ? std::optional(ReadFileContent(path)) : std::nullopt;
        };
        EXPECT_EQ(content(paths[i].first), c.sourceAfter);
        EXPECT_EQ(content(paths[i].second), c.targetAfter);
        EXPECT_EQ(after->records[i].undo, c.mark);
        returned += c.mark == TUndoMark::Returned;
        conflicts += c.mark == TUndoMark::Conflict || c.mark == TUndoMark::Missing;
    }
    EXPECT_EQ(outcome.returned, returned);
    EXPECT_EQ(outcome.conflicts, conflicts);
    EXPECT_EQ(UndoOutcomeText(outcome), L"撤销完毕！已恢复 " + std::to_wstring(returned) + L" 个文件，" +
                                            std::to_wstring(conflicts) +
                                            L" 个冲突未处理。\n冲突的文件见运行记录：\n" + path);
}

TEST_F(RunJournalTest, UndoPutsEveryFolderBackAsItWasAndRemovesOnlyEmptyFoldersItMade)
{
    struct Case {
        const char* what;
        Texts files;
        std::wstring exportText;
        Texts strangers; // files a person put into the export folder after the run
    };
    // The export folders lie below the source folder, so one picture of it shows everything.
    const Case cases[] = {
        {"two new levels", {L"a.tbi", L"b.tbi", L"c.txt"}, L"out\\deep", {}},
        {"a stranger keeps the folder", {L"a.tbi"}, L"kept\\deep", {L"mine.txt"}},
        {"into the source folder itself", {L"a.tbi", L"b.tbi"}, L".", {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring src = MakeSource(L"src" + std::to_wstring(++n), c.files);
        const auto before = Snapshot(src);
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = src + L"\\" + c.exportText;
        h.answer = false;
        Run(h);
        for (const std::wstring& stranger : c.strangers)
            temp.MakeFile(L"src" + std::to_wstring(n) + L"\\" + c.exportText + L"\\" + stranger,
                          std::string("x"));

        const TUndoOutcome outcome = UndoLastRun(journals);

        EXPECT_TRUE(outcome.found);
        EXPECT_EQ(outcome.conflicts, 0);
        auto expected = before;
        for (const std::wstring& stranger : c.strangers) {
            expected[c.exportText.substr(0, c.exportText.find(L'\\')) + L"\\"] = "";
            expected[c.exportText + L"\\"] = "";
            expected[c.exportText + L"\\" + stranger] = "x";
        }
        EXPECT_EQ(Snapshot(src), expected);
    }
    EXPECT_FALSE(UndoLastRun(journals).found) << "every run was undone";
    EXPECT_EQ(UndoOutcomeText(UndoLastRun(journals)), L"没有可以撤销的修改。");
}

TEST_F(RunJournalTest, AnUndoKilledHalfWayIsFinishedByTheNextWithoutTouchingAFileTwice)
{
    Texts files;
    for (int i = 0; i < 6; ++i)
        files.push_back(L"f" + std::to_wstring(i) + L".tbi");
    const std::wstring src = MakeSource(L"src", files);
    const auto before = Snapshot(src);
    host.sourceFolder = src;
    host.exportFolder = src + L"\\out\\deep";
    host.answer = false;
    Run(host);
    const std::wstring journal = JournalFiles(journals).back();

    struct Killed {};
    int records = 0;
    EXPECT_THROW(UndoJournal(journal,
                             [&](const TJournalRecord&, TUndoMark) {
                                 if (++records == 3)
                                     throw Killed{};
                             }),
                 Killed);
    const auto half = ReadJournal(journal);
    ASSERT_TRUE(half);
    EXPECT_FALSE(half->undone);
    // A file moved back by hand meanwhile counts as back, and is not touched.
    const TJournalRecord& next = half->records[half->records.size() - 4];
    ASSERT_EQ(next.undo, TUndoMark::None);
    ASSERT_TRUE(DeleteFileW(next.target.c_str()));

    EXPECT_EQ(NewestJournalToUndo(journals), journal);
    const TUndoOutcome outcome = UndoLastRun(journals);

    EXPECT_EQ(outcome.journal, journal);
    EXPECT_EQ(outcome.returned, 6);
    EXPECT_EQ(outcome.conflicts, 0);
    EXPECT_EQ(outcome.foldersRemoved, 2);
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_FALSE(UndoLastRun(journals).found);
}

TEST_F(RunJournalTest, UndoPassesOverRunsThatChangedNothing)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"b.tbi"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"out";
    host.answer = false;
    Run(host);
    const std::wstring first = JournalFiles(journals).back();
    Run(host); // every entry fails
    host.sourceSuffix = L".none";
    Run(host); // nothing matches

    EXPECT_EQ(NewestJournalToUndo(journals), first);
    const TUndoOutcome outcome = UndoLastRun(journals);
    EXPECT_EQ(outcome.returned, 2);
    EXPECT_FALSE(PathExists(temp / L"out")) << "the run's files and the folder it made are gone";
    EXPECT_EQ(Sorted(NamesIn(src)), Sorted({L"a.tbi", L"b.tbi"}));
}

TEST_F(RunJournalTest, UndoWorksPastMaxPath)
{
    std::wstring deep;
    for (wchar_t level = L'a'; level < L'f'; ++level)
        deep += std::wstring(deep.empty() ? L"" : L"\\") + std::wstring(60, level);
    const std::wstring src = MakeSource(deep + L"\\src", {L"长.tbi"});
    ASSERT_GT(src.size(), 300u);
    const auto before = Snapshot(src);
    host.sourceFolder = src;
    host.exportFolder = L"..\\exported";
    host.answer = false;
    Run(host);
    ASSERT_TRUE(PathExists(temp / (deep + L"\\exported\\长.jpg")));
    ASSERT_TRUE(DeleteFileW((src + L"\\长.tbi").c_str())); // the backup gone: undo moves it back

    const TUndoOutcome outcome = UndoLastRun(journals);

    EXPECT_EQ(outcome.returned, 1);
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_FALSE(PathExists(temp / (deep + L"\\exported")));
}

TEST(JournalTextTest, AnyTextSurvivesTheTrip)
{
    const std::wstring texts[] = {
        L"",
        L"plain",
        L"tab\there",
        L"line\r\nbreak",
        L"100%",
        L"%41 stays",
        L"照片",
        L"\U0001F600",
        std::wstring(1, wchar_t(0xD800)) + L"lone high",
        L"lone low" + std::wstring(1, wchar_t(0xDC00)),
    };
    for (const std::wstring& text : texts) {
        const std::string encoded = EncodeJournalText(text);
        EXPECT_EQ(encoded.find_first_of("\t\r\n"), std::string::npos) << encoded;
        EXPECT_EQ(DecodeJournalText(encoded), text) << encoded;
    }
}

// The preview's rows against what a run then does on the same folders.
TEST_F(RunJournalTest, ThePreviewShowsWhatTheRunThenDoes)
{
    struct Case {
        const char* what;
        Texts files;
        std::wstring newSuffix;
        std::wstring exportText; // "<src>" stands for the source folder
        Texts existingTargets;   // files already in the export folder
        bool exportCreated;
    };
    const Case cases[] = {
        {"new export folder of two levels",
         {L"a.tbi", L"b.tbi", L"c.txt", L"D.TBI", L"e.tbi"},
         L".jpg",
         L"<src>\\out\\deep",
         {},
         true},
        {"new export folder relative to the source folder", {L"a.tbi"}, L".jpg", L"..\\rel", {}, true},
        {"existing export folder, one target there",
         {L"a.tbi", L"b.tbi"},
         L".jpg",
         L"<src>\\here",
         {L"b.jpg"},
         false},
        {"into the source folder, only the letter case changes",
         {L"a.tbi", L"b.tbi"},
         L".TBI",
         L".",
         {},
         false},
        {"into the source folder, the same name", {L"a.tbi"}, L".tbi", L".", {}, false},
        {"a file where the export folder would go", {L"a.tbi"}, L".jpg", L"<src>\\blocked\\out", {}, false},
        {"a relative export folder below a missing short level", {L"a.tbi"}, L".jpg", L"no\\such", {}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring name = L"src" + std::to_wstring(++n);
        const std::wstring src = MakeSource(name, c.files);
        temp.MakeFile(name + L"\\h.tbi", FILE_ATTRIBUTE_HIDDEN);
        std::wstring exportText = c.exportText;
        if (exportText.starts_with(L"<src>"))
            exportText = src + exportText.substr(5);
        if (c.exportText.ends_with(L"blocked\\out"))
            temp.MakeFile(name + L"\\blocked", std::string("file"));
        if (!c.existingTargets.empty()) {
            temp.MakeFolder(name + L"\\here");
            for (const std::wstring& t : c.existingTargets)
                temp.MakeFile(name + L"\\here\\" + t, std::string("there before"));
        }
        const auto before = Snapshot(src);
        const std::wstring folderBefore = CurrentFolderNow();
        FakeHost h;
        h.sourceFolder = src;
        h.newSuffix = c.newSuffix;
        h.exportFolder = exportText;
        h.answer = false;

        const TRunPreview preview(TRunFields{h.sourceFolder, h.sourceSuffix, h.newSuffix, h.exportFolder});

        EXPECT_EQ(Snapshot(src), before) << "the preview touched the disk";
        EXPECT_EQ(CurrentFolderNow(), folderBefore);
        EXPECT_EQ(preview.ExportFolderCreated(), c.exportCreated);
        Run(h);
        const TJournalContents journal = NewestJournal();
        std::vector<const TJournalRecord*> entries;
        for (const TJournalRecord& r : journal.records)
            if (r.kind == TJournalRecord::Entry)
                entries.push_back(&r);
        ASSERT_EQ(preview.RowCount(), entries.size());
        size_t successes = 0;
        for (size_t row = 0; row < preview.RowCount(); ++row) {
            SCOPED_TRACE(Utf8(std::wstring(preview.Name(row))));
            EXPECT_EQ(src + L"\\" + std::wstring(preview.Name(row)), entries[row]->source);
            EXPECT_EQ(preview.Target(row), entries[row]->target);
            const TStepOutcome::TState move = entries[row]->move.state;
            const TStepOutcome::TState backup = entries[row]->backup.state;
            switch (preview.Action(row)) {
            case TPreviewAction::MoveAndBackUp:
                EXPECT_EQ(move, TStepOutcome::Done);
                EXPECT_EQ(backup, TStepOutcome::Done);
                ++successes;
                break;
            case TPreviewAction::BackupNameTaken:
                EXPECT_EQ(move, TStepOutcome::Done);
                EXPECT_EQ(backup, TStepOutcome::Failed);
                break;
            case TPreviewAction::TargetExists:
            case TPreviewAction::ExportFolderFails: EXPECT_EQ(move, TStepOutcome::Failed); break;
            }
        }
        EXPECT_EQ(preview.Successes(), successes);
        EXPECT_EQ(PreviewCountsText(preview),
                  L"共 " + std::to_wstring(entries.size()) + L" 个匹配文件：" + std::to_wstring(successes) +
                      L" 个将移动并备份，" + std::to_wstring(entries.size() - successes) + L" 个将失败。" +
                      (c.exportCreated ? L"导出目录将被新建。" : L""));
    }
}

TEST_F(RunJournalTest, ThePreviewRaisesTheRunsListingErrorsAndShowsAnExportFolderTheRunCannotMake)
{
    EXPECT_THROW(TRunPreview(TRunFields{temp / L"missing", L".tbi", L".jpg", temp / L"out"}), EInOutError);

    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"b.tbi"});
    const TRunPreview preview(TRunFields{src, L".tbi", L".jpg", L"  "});
    ASSERT_EQ(preview.RowCount(), 2u);
    EXPECT_EQ(preview.Action(0), TPreviewAction::ExportFolderFails);
    EXPECT_EQ(PreviewActionText(preview, 0), L"失败：目标目录不存在，也无法创建");
    EXPECT_EQ(preview.Failures(), 2u);
}

} // namespace
