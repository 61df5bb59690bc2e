// The command line: which argument lines are taken and what they ask for, and runs through
// RunCommand on real folders with the output caught.
#include "app/CommandLine.h"
#include "app/RunJournal.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Args = std::vector<std::wstring>;

class CaughtOutput final : public ICommandOutput {
public:
    void Out(const std::wstring& line) override { out.push_back(line); }
    void Error(const std::wstring& line) override { err.push_back(line); }
    std::vector<std::wstring> out;
    std::vector<std::wstring> err;
};

TEST(CommandLineTest, ArgumentLinesAndWhatTheyAskFor)
{
    const Args run = {L"--source", L"C:\\in", L"--export", L"out dir", L"--from", L".tbi", L"--to", L".jpg"};
    auto with = [&](Args extra) {
        Args all = run;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    struct Case {
        const char* what;
        Args args;
        // What is asked: "run", "undo", "help", or the start of the error message.
        std::wstring expected;
        int jobs = 0;
    };
    const Case cases[] = {
        {"a run, jobs from the processors (at most 8)", run, L"run", 8},
        {"a run with every option", with({L"--dry-run", L"--jobs", L"3", L"--quiet"}), L"run", 3},
        {"one job", with({L"--jobs", L"1"}), L"run", 1},
        {"empty suffixes are suffixes",
         {L"--source", L"a", L"--export", L"b", L"--from", L"", L"--to", L""},
         L"run",
         8},
        {"help", {L"--help"}, L"help"},
        {"short help", {L"-h"}, L"help"},
        {"help the platform's way", {L"/?"}, L"help"},
        {"help wins over anything else", with({L"--bogus", L"--help"}), L"help"},
        {"undo the newest run", {L"--undo"}, L"undo"},
        {"undo a journal", {L"--undo", L"C:\\runs\\x.tsv"}, L"undo"},
        {"an unknown option", with({L"--bogus"}), L"unknown option --bogus"},
        {"a value left out at the end", {L"--source", L"a", L"--export"}, L"--export needs a value"},
        {"a value left out before another option",
         {L"--source", L"--export", L"b"},
         L"--source needs a value"},
        {"a required option left out",
         {L"--source", L"a", L"--export", L"b", L"--from", L".x"},
         L"missing --to"},
        {"jobs 0", with({L"--jobs", L"0"}), L"--jobs \"0\" is no number"},
        {"jobs not a number", with({L"--jobs", L"two"}), L"--jobs \"two\" is no number"},
        {"jobs negative", with({L"--jobs", L"-1"}), L"--jobs \"-1\" is no number"},
        {"a suffix with a backslash",
         {L"--source", L"a", L"--export", L"b", L"--from", L"x\\.tbi", L"--to", L".jpg"},
         L"--from \"x\\.tbi\" is no suffix"},
        {"a suffix with a slash",
         {L"--source", L"a", L"--export", L"b", L"--from", L".tbi", L"--to", L"a/.jpg"},
         L"--to \"a/.jpg\" is no suffix"},
        {"the same option twice", with({L"--from", L".png"}), L"--from is given twice"},
        {"a flag twice", with({L"--quiet", L"--quiet"}), L"--quiet is given twice"},
        {"an empty folder",
         {L"--source", L"  ", L"--export", L"b", L"--from", L".a", L"--to", L".b"},
         L"--source names no folder"},
        {"a stray argument", with({L"extra"}), L"unexpected argument \"extra\""},
        {"undo with run options", {L"--undo", L"--source", L"a"}, L"--undo takes no other option"},
        {"two journals", {L"--undo", L"a.tsv", L"b.tsv"}, L"unexpected argument \"b.tsv\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TCommandLineRequest request = ParseCommandLine(c.args, 12);
        if (c.expected == L"run") {
            ASSERT_TRUE(std::holds_alternative<TRunRequest>(request));
            EXPECT_EQ(std::get<TRunRequest>(request).jobs, c.jobs);
        } else if (c.expected == L"undo") {
            ASSERT_TRUE(std::holds_alternative<TUndoRequest>(request));
            EXPECT_EQ(std::get<TUndoRequest>(request).journal, c.args.size() > 1 ? c.args[1] : L"");
        } else if (c.expected == L"help") {
            EXPECT_TRUE(std::holds_alternative<THelpRequest>(request));
        } else {
            ASSERT_TRUE(std::holds_alternative<TBadArguments>(request));
            const std::wstring& message = std::get<TBadArguments>(request).message;
            EXPECT_TRUE(message.starts_with(c.expected)) << Utf8(message);
            CaughtOutput output;
            EXPECT_EQ(RunCommand(request, output, L""), kExitBadInput);
            EXPECT_EQ(output.err, std::vector<std::wstring>{L"corvane: " + message});
            EXPECT_TRUE(output.out.empty());
        }
    }
    const TRunRequest parsed =
        std::get<TRunRequest>(ParseCommandLine(with({L"--dry-run", L"--quiet", L"--jobs", L"2"}), 1));
    EXPECT_EQ(parsed.fields.sourceFolder, L"C:\\in");
    EXPECT_EQ(parsed.fields.exportFolder, L"out dir");
    EXPECT_EQ(parsed.fields.sourceSuffix, L".tbi");
    EXPECT_EQ(parsed.fields.newSuffix, L".jpg");
    EXPECT_TRUE(parsed.dryRun);
    EXPECT_TRUE(parsed.quiet);
    EXPECT_EQ(std::get<TRunRequest>(ParseCommandLine(run, 1)).jobs, 1) << "one processor, one job";
}

// Runs on real folders: the lines, the summary and the exit code of a run, a second run over
// the same folders, a dry run, an undo; then the folders that cannot be used.
TEST(CommandLineTest, RunsDryRunsAndUndoOnRealFolders)
{
    TempFolder temp;
    const std::wstring journals = temp.MakeFolder(L"journals");
    const std::wstring src = temp.MakeFolder(L"源 文件");
    for (const wchar_t* name : {L"a.tbi", L"b.tbi", L"c.txt"})
        temp.MakeFile(std::wstring(L"源 文件\\") + name);
    const std::wstring out = temp / L"out\\deep";
    const Args runArgs = {L"--source", src, L"--export", out, L"--from", L".tbi", L"--to", L".jpg"};
    auto run = [&](Args args, CaughtOutput& output) {
        return RunCommand(ParseCommandLine(args, 2), output, journals);
    };
    auto with = [&](Args extra) {
        Args all = runArgs;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };

    CaughtOutput dry;
    EXPECT_EQ(run(with({L"--dry-run"}), dry), kExitDone);
    EXPECT_EQ(dry.out, (std::vector<std::wstring>{L"would move\t" + src + L"\\a.tbi\t" + out + L"\\a.jpg",
                                                  L"would move\t" + src + L"\\b.tbi\t" + out + L"\\b.jpg",
                                                  L"summary\tmatching=2\twould-move=2\twould-fail=0"}));
    EXPECT_FALSE(PathExists(temp / L"out")) << "the dry run made the export folder";
    EXPECT_TRUE(JournalFiles(journals).empty()) << "a dry run keeps no journal";

    CaughtOutput first;
    EXPECT_EQ(run(with({L"--jobs", L"2"}), first), kExitDone);
    const std::wstring journal = JournalFiles(journals).back();
    EXPECT_EQ(first.out, (std::vector<std::wstring>{
                             L"moved\t" + src + L"\\a.tbi\t" + out + L"\\a.jpg",
                             L"moved\t" + src + L"\\b.tbi\t" + out + L"\\b.jpg",
                             L"summary\tmatching=2\tmoved=2\tbacked-up=2\tfailed=0\tjournal=" + journal}));
    EXPECT_TRUE(first.err.empty());

    CaughtOutput second;
    EXPECT_EQ(run(with({L"--quiet"}), second), kExitFailures);
    EXPECT_EQ(second.out,
              (std::vector<std::wstring>{L"summary\tmatching=2\tmoved=0\tbacked-up=0\tfailed=2\tjournal=" +
                                         JournalFiles(journals).back()}));

    CaughtOutput secondDry;
    EXPECT_EQ(run(with({L"--dry-run", L"--jobs", L"1"}), secondDry), kExitFailures);
    ASSERT_EQ(secondDry.out.size(), 3u);
    EXPECT_EQ(secondDry.out[0], L"would fail\t" + src + L"\\a.tbi\t" + out + L"\\a.jpg\tmove\t183");

    CaughtOutput undo;
    EXPECT_EQ(RunCommand(ParseCommandLine({L"--undo"}, 2), undo, journals), kExitDone);
    EXPECT_EQ(undo.out, (std::vector<std::wstring>{L"returned\t" + src + L"\\b.tbi\t" + out + L"\\b.jpg",
                                                   L"returned\t" + src + L"\\a.tbi\t" + out + L"\\a.jpg",
                                                   L"removed\t\t" + out, L"removed\t\t" + temp / L"out",
                                                   L"summary\treturned=2\tconflicts=0\tjournal=" + journal}));
    EXPECT_FALSE(PathExists(temp / L"out"));
    EXPECT_EQ(NamesIn(src).size(), 3u);

    CaughtOutput nothing;
    EXPECT_EQ(RunCommand(ParseCommandLine({L"--undo"}, 2), nothing, journals), kExitDone);
    EXPECT_EQ(nothing.err, std::vector<std::wstring>{L"corvane: nothing to undo"});

    // Folders that cannot be used: a message naming what and why, exit 2, nothing touched.
    temp.MakeFile(L"a file", std::string("x"));
    struct Bad {
        const char* what;
        Args args;
        std::wstring message;
    };
    const Bad bad[] = {
        {"a source folder that does not exist",
         {L"--source", temp / L"missing", L"--export", out, L"--from", L".tbi", L"--to", L".jpg"},
         L"corvane: cannot list the source folder \"" + temp / L"missing" + L"\": File not found"},
        {"an export folder below a file",
         {L"--source", src, L"--export", temp / L"a file\\out", L"--from", L".tbi", L"--to", L".jpg"},
         L"corvane: cannot make the export folder \"" + temp / L"a file\\out" +
             L"\": Unable to create directory"},
        {"a relative export folder whose first level is missing",
         {L"--source", src, L"--export", L"no\\such", L"--from", L".tbi", L"--to", L".jpg"},
         L"corvane: cannot make the export folder \"no\\such\": Unable to create directory"},
        {"a journal that is none",
         {L"--undo", temp / L"a file"},
         L"corvane: cannot undo \"" + temp / L"a file" + L"\": not a journal"},
    };
    const size_t journalsBefore = JournalFiles(journals).size();
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        for (const bool dryRun : {false, true}) {
            Args args = b.args;
            if (dryRun && args[0] != L"--undo")
                args.push_back(L"--dry-run");
            CaughtOutput output;
            EXPECT_EQ(run(args, output), kExitBadInput);
            EXPECT_EQ(output.err, std::vector<std::wstring>{b.message});
            EXPECT_EQ(NamesIn(src).size(), 3u);
            EXPECT_FALSE(PathExists(temp / L"out"));
        }
    }
    EXPECT_GE(JournalFiles(journals).size(), journalsBefore);
}

} // namespace
