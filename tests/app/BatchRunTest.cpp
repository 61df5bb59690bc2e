#include "app/BatchRun.h"

#include "FakeBatchHost.h"
#include "TempFolder.h"
#include "runtime/rtExceptions.h"
#include "tests/common/RemoveTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace {

const std::wstring kFinished = L"处理完毕！ ";

std::wstring Renamed(int n)
{
    return L"命名成功，已经重命名 " + std::to_wstring(n) + L" 个文件，持续执行... ";
}

Texts Sorted(Texts names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class BatchRunTest : public testing::Test {
protected:
    // A folder with the given files, each holding its own path relative to the temporary folder.
    std::wstring MakeSource(const std::wstring& relative, const Texts& files)
    {
        const std::wstring folder = temp.MakeFolder(relative);
        for (const std::wstring& f : files)
            temp.MakeFile(relative + L"\\" + f);
        return folder;
    }

    void Run() { TBatchRun(host).Execute(); }

    TempFolder temp;
    FakeHost host;
};

TEST_F(BatchRunTest, MovesMatchingFilesUnderTheNewSuffixAndCopiesThemBack)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"B.tbi", L"c.txt", L"d.TBI", L"photo"});
    const std::wstring exportFolder = temp / L"export\\deep"; // two levels below an existing folder
    host.sourceFolder = L"  " + src + L"\t";
    host.exportFolder = L" " + exportFolder + L" ";

    Run();

    EXPECT_EQ(Sorted(NamesIn(exportFolder)), Sorted({L"a.jpg", L"B.jpg"}));
    EXPECT_EQ(ReadFileContent(exportFolder + L"\\a.jpg"), "src\\a.tbi");
    EXPECT_EQ(ReadFileContent(exportFolder + L"\\B.jpg"), "src\\B.tbi");
    EXPECT_EQ(Sorted(NamesIn(src)), Sorted({L"a.tbi", L"B.tbi", L"c.txt", L"d.TBI", L"photo"}));
    EXPECT_EQ(ReadFileContent(src + L"\\a.tbi"), "src\\a.tbi");

    EXPECT_EQ(host.statuses, (Texts{Renamed(1), Renamed(2), kFinished}));
    // Position 1, Max 5, one step per entry (the sixth kept at Max), 0 at the end.
    EXPECT_EQ(host.positions, (std::vector<double>{1, 2, 3, 4, 5, 5, 0}));
    EXPECT_EQ(host.maxes, (std::vector<double>{5}));
    EXPECT_EQ(host.messageSteps, 5);
    EXPECT_EQ(host.questions, (Texts{L"处理完毕，是否打开查看目录？"}));
    EXPECT_EQ(host.opened, (Texts{exportFolder}));
}

TEST_F(BatchRunTest, SecondRunOverTheSameFoldersReportsTheExistingTargets)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"b.tbi"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"export";
    Run();
    host.statuses.clear();
    host.opened.clear();
    host.answer = false;

    Run();

    EXPECT_EQ(host.statuses, (Texts{L"命名失败，请重试！ 183", L"备份失败！ 80", L"命名失败，请重试！ 183",
                                    L"备份失败！ 80", kFinished}));
    EXPECT_EQ(Sorted(NamesIn(src)), Sorted({L"a.tbi", L"b.tbi"}));
    EXPECT_EQ(ReadFileContent(temp / L"export\\b.jpg"), "src\\b.tbi");
    EXPECT_EQ(host.opened, Texts{});
}

TEST_F(BatchRunTest, SuccessTextCountsTheFilesRenamedInThisRun)
{
    const std::wstring src = MakeSource(L"src", {L"a.txt", L"b.txt", L"c.tbi", L"d.txt", L"e.tbi", L"f.tbi"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"export";
    temp.MakeFolder(L"export");
    temp.MakeFile(L"export\\e.jpg", std::string("earlier"));

    Run();

    EXPECT_EQ(host.statuses,
              (Texts{Renamed(1), L"命名失败，请重试！ 183", L"备份失败！ 80", Renamed(2), kFinished}));
    EXPECT_EQ(ReadFileContent(temp / L"export\\e.jpg"), "earlier");
    EXPECT_EQ(ReadFileContent(src + L"\\e.tbi"), "src\\e.tbi");
}

TEST_F(BatchRunTest, SuffixesAreMatchedExactlyAndTheNewOneIsUsedAsTyped)
{
    struct Case {
        const char* what;
        std::wstring sourceSuffix;
        std::wstring newSuffix;
        Texts files;
        Texts exported;
    };
    const Case cases[] = {
        {"letter case matters", L".tbi", L".jpg", {L"A.TBI", L"b.tbi"}, {L"b.jpg"}},
        {"a suffix without its dot matches nothing", L"tbi", L".jpg", {L"a.tbi"}, {}},
        {"an empty suffix matches names without extension",
         L"",
         L".jpg",
         {L"noext", L"a.tbi"},
         {L"noext.jpg"}},
        {"a new suffix without its dot is glued on", L".tbi", L"jpg", {L"a.tbi"}, {L"ajpg"}},
        {"an empty new suffix drops the extension", L".tbi", L"", {L"a.b.tbi"}, {L"a.b"}},
        {"suffix texts are trimmed", L" .tbi\t", L"  .jpg ", {L"a.tbi"}, {L"a.jpg"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring src = MakeSource(L"src" + std::to_wstring(++n), c.files);
        host.sourceFolder = src;
        host.exportFolder = temp / (L"export" + std::to_wstring(n));
        host.sourceSuffix = c.sourceSuffix;
        host.newSuffix = c.newSuffix;
        Run();
        EXPECT_EQ(Sorted(NamesIn(host.exportFolder)), Sorted(c.exported));
        EXPECT_EQ(Sorted(NamesIn(src)), Sorted(c.files));
    }
}

TEST_F(BatchRunTest, NothingMatchingCreatesNothingAndStillAsks)
{
    const std::wstring src = MakeSource(L"src", {L"a.txt"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"export";
    host.answer = false;

    Run();

    EXPECT_EQ(host.statuses, Texts{kFinished});
    EXPECT_EQ(host.positions.back(), 0);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_FALSE(PathExists(host.exportFolder));
}

TEST_F(BatchRunTest, SingleEntryKeepsThePositionAtMaxUntilTheEnd)
{
    host.sourceFolder = MakeSource(L"src", {L"a.tbi"});
    host.exportFolder = temp / L"export";
    Run();
    EXPECT_EQ(host.positions, (std::vector<double>{1, 1, 0}));
    EXPECT_EQ(host.maxes, (std::vector<double>{1}));
}

TEST_F(BatchRunTest, EmptySourceTextWorksOnTheCurrentFolder)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi"});
    ASSERT_TRUE(SetCurrentDirectoryW(src.c_str()));
    host.sourceFolder = L"   ";
    host.exportFolder = temp / L"export";
    Run();
    EXPECT_EQ(NamesIn(host.exportFolder), Texts{L"a.jpg"});
}

TEST_F(BatchRunTest, ExportFolderForms)
{
    struct Case {
        const char* what;
        std::wstring exportText;
        std::wstring expectedBelowSource; // where the files go, when relative to the source folder
        std::wstring expectedAbsolute;
    };
    const Case cases[] = {
        {"trailing backslash", temp / L"out1\\", L"", temp / L"out1"},
        {"relative to the source folder below an existing level", L"sub\\out2", L"sub\\out2", L""},
        {"non-code-page names", temp / L"导出\\子目录", L"", temp / L"导出\\子目录"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring relative = L"src" + std::to_wstring(++n);
        const std::wstring src = MakeSource(relative, {L"图片一.tbi", L"照片😀.tbi"});
        temp.MakeFolder(relative + L"\\sub");
        host.sourceFolder = src;
        host.exportFolder = c.exportText;
        const std::wstring expected =
            c.expectedAbsolute.empty() ? src + L"\\" + c.expectedBelowSource : c.expectedAbsolute;
        host.statuses.clear();
        Run();
        EXPECT_EQ(Sorted(NamesIn(expected)), Sorted({L"图片一.jpg", L"照片😀.jpg"}));
        EXPECT_EQ(ReadFileContent(expected + L"\\照片😀.jpg"), Utf8(relative + L"\\照片😀.tbi"));
        EXPECT_EQ(Sorted(NamesIn(src)), Sorted({L"sub", L"图片一.tbi", L"照片😀.tbi"}));
        EXPECT_EQ(host.statuses, (Texts{Renamed(1), Renamed(2), kFinished}));
    }
}

TEST_F(BatchRunTest, MissingExportFolderIsReportedWithThePlatformsCodes)
{
    // Two characters count as an existing folder for forcing, so nothing is created.
    const std::wstring src = MakeSource(L"src", {L"a.tbi"});
    host.sourceFolder = src;
    host.exportFolder = L"zz";
    Run();
    EXPECT_EQ(host.statuses, (Texts{L"命名失败，请重试！ 3", L"备份失败！ 3", kFinished}));
    EXPECT_EQ(ReadFileContent(src + L"\\a.tbi"), "src\\a.tbi");
}

TEST_F(BatchRunTest, UnforceableExportFolderEndsTheRunBeforeAnythingMoves)
{
    for (const wchar_t* exportText : {L"", L"  \t", L"missing", L"missing\\deeper"}) {
        SCOPED_TRACE(Utf8(exportText));
        FakeHost fresh;
        const std::wstring src = temp / L"src";
        if (!PathExists(src))
            MakeSource(L"src", {L"a.txt", L"b.tbi"});
        fresh.sourceFolder = src;
        fresh.exportFolder = exportText;
        try {
            TBatchRun(fresh).Execute();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), L"Unable to create directory");
        }
        EXPECT_EQ(Sorted(NamesIn(src)), Sorted({L"a.txt", L"b.tbi"}));
        EXPECT_EQ(fresh.statuses, Texts{});
        EXPECT_EQ(fresh.questions, Texts{});
        EXPECT_NE(fresh.positions.back(), 0);
    }
}

TEST_F(BatchRunTest, MissingSourceFolderEndsTheRunBeforeTheBarIsTouched)
{
    host.sourceFolder = temp / L"absent";
    host.exportFolder = temp / L"export";
    try {
        Run();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), L"File not found");
    }
    EXPECT_EQ(host.positions, std::vector<double>{});
    EXPECT_EQ(host.statuses, Texts{});
    EXPECT_FALSE(PathExists(host.exportFolder));
}

TEST_F(BatchRunTest, FieldEditsDuringTheRunTakeEffectAtTheNextRead)
{
    host.sourceFolder = MakeSource(L"src", {L"a.tbi", L"b.tbi"});
    host.exportFolder = temp / L"export";
    host.onMessages = [this](int step) {
        if (step == 2)
            host.newSuffix = L".png";
    };
    Run();
    EXPECT_EQ(Sorted(NamesIn(host.exportFolder)), Sorted({L"a.jpg", L"b.png"}));
}

TEST_F(BatchRunTest, ASecondRunFromTheMessageStepCompletesAndTheFirstGoesOnSafely)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"b.tbi", L"c.tbi"});
    host.sourceFolder = src;
    host.exportFolder = temp / L"export";
    bool started = false;
    host.onMessages = [&](int) {
        if (!started) {
            started = true;
            Run();
        }
    };

    Run();

    EXPECT_EQ(host.statuses, (Texts{Renamed(1), Renamed(2), Renamed(3), kFinished, L"命名失败，请重试！ 183",
                                    L"备份失败！ 80", L"命名失败，请重试！ 183", L"备份失败！ 80",
                                    L"命名失败，请重试！ 183", L"备份失败！ 80", kFinished}));
    EXPECT_EQ(host.questions.size(), 2u);
    for (const wchar_t* name : {L"a", L"b", L"c"}) {
        EXPECT_EQ(ReadFileContent(src + L"\\" + name + L".tbi"),
                  Utf8(std::wstring(L"src\\") + name + L".tbi"));
        EXPECT_EQ(ReadFileContent(temp / L"export\\" + name + L".jpg"),
                  Utf8(std::wstring(L"src\\") + name + L".tbi"));
    }
}

TEST_F(BatchRunTest, ASecondRunOnAnotherFolderLeavesTheFirstRunsRelativeExportInPlace)
{
    const std::wstring src1 = MakeSource(L"one", {L"a.tbi", L"b.tbi"});
    const std::wstring src2 = MakeSource(L"two", {L"x.tbi"});
    host.sourceFolder = src1;
    host.exportFolder = L"out\\";
    temp.MakeFolder(L"one\\out");
    temp.MakeFolder(L"two\\out");
    host.onMessages = [&](int step) {
        if (step == 1) {
            host.sourceFolder = src2;
            Run();
            host.sourceFolder = src1;
        }
    };

    Run();

    EXPECT_EQ(Sorted(NamesIn(src1 + L"\\out")), Sorted({L"a.jpg", L"b.jpg"}));
    EXPECT_EQ(NamesIn(src2 + L"\\out"), Texts{L"x.jpg"});
}

// Whatever the inputs, each matching file ends in the export folder under its new name, in
// the source folder, or in both.
TEST_F(BatchRunTest, NoInputLosesAFile)
{
    struct Case {
        const char* what;
        std::wstring exportText; // relative to the source folder
        std::wstring newSuffix;
    };
    const Case cases[] = {
        {"export into the source folder, same suffix", L".", L".tbi"},
        {"export into the source folder, other case", L".", L".TBI"},
        {"export into the source folder, new suffix", L".", L".jpg"},
        {"export to a name that is a file", L"c.txt", L".jpg"},
        {"export folder that is not created", L"zz", L".jpg"},
        {"suffix with a path in it", L"out", L"\\..\\x.jpg"},
        {"suffix of dots", L"out", L"..."},
        {"target that names the null device", L"out", L"\\..\\NUL"},
        {"target that names a device with an extension", L"out", L"\\..\\nul.jpg"},
        {"target that names a serial port", L"out", L"\\..\\COM1"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring relative = L"src" + std::to_wstring(++n);
        const Texts files = {L"a.tbi", L"b.tbi", L"c.txt", L"a.jpg"};
        const std::wstring src = MakeSource(relative, files);
        temp.MakeFolder(relative + L"\\out");
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = src + L"\\" + c.exportText;
        h.newSuffix = c.newSuffix;
        try {
            TBatchRun(h).Execute();
        } catch (const Exception&) {
        }
        for (const std::wstring& f : files) {
            const std::string content = Utf8(relative + L"\\" + f);
            // The new name: the base name followed by the new suffix as typed.
            const std::wstring moved = h.exportFolder + L"\\" + f.substr(0, f.size() - 4) + c.newSuffix;
            const bool inSource = ReadFileContent(src + L"\\" + f) == content;
            const bool inExport = f.ends_with(L".tbi") && ReadFileContent(moved) == content;
            EXPECT_TRUE(inSource || inExport) << Utf8(f);
        }
    }
}

TEST_F(BatchRunTest, SourceAndExportFoldersLongerThanMaxPath)
{
    // Five levels of 60 characters below the temporary folder pass 260 characters whatever the
    // temporary folder's own length.
    std::wstring deep;
    for (wchar_t level = L'a'; level < L'f'; ++level)
        deep += std::wstring(deep.empty() ? L"" : L"\\") + std::wstring(60, level);
    struct Case {
        const char* what;
        std::wstring exportText;
        std::wstring exportFolder;
    };
    const Case cases[] = {
        {"absolute export folder", temp / (deep + L"\\export\\inner"), temp / (deep + L"\\export\\inner")},
        {"export folder relative to the source folder", L"..\\relative", temp / (deep + L"\\relative")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring relative = deep + L"\\src" + std::to_wstring(++n);
        const std::wstring src = MakeSource(relative, {L"a.tbi", L"b.txt"});
        ASSERT_GT(src.size(), 300u);
        ASSERT_GT(c.exportFolder.size(), 300u);
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = c.exportText;

        TBatchRun(h).Execute();

        EXPECT_EQ(NamesIn(c.exportFolder), Texts{L"a.jpg"});
        EXPECT_EQ(ReadFileContent(c.exportFolder + L"\\a.jpg"), Utf8(relative + L"\\a.tbi"));
        EXPECT_EQ(Sorted(NamesIn(src)), Sorted({L"a.tbi", L"b.txt"}));
        EXPECT_EQ(ReadFileContent(src + L"\\a.tbi"), Utf8(relative + L"\\a.tbi"));
        EXPECT_EQ(h.statuses, (Texts{Renamed(1), kFinished}));
        // The listing leaves the process in the source folder, the whole long path of it.
        std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
        current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
        EXPECT_EQ(current, src);
    }
}

// Stands in for a volume that fails a move half-way: the move does what the given step does
// to the real files and then fails with the given code. Copies are the platform's own.
class HalfWayMove final : public IFileOperations {
public:
    std::function<void(const std::wstring& from, const std::wstring& to)> step;
    DWORD error = ERROR_DISK_FULL;

    bool Move(const std::wstring& from, const std::wstring& to) override
    {
        step(from, to);
        SetLastError(error);
        return false;
    }
    bool CopyNew(const std::wstring& from, const std::wstring& to) override
    {
        return PlatformFileOperations().CopyNew(from, to);
    }
    bool Exists(const std::wstring& path) override { return PlatformFileOperations().Exists(path); }
    // A move that can fail half-way is one between volumes.
    bool MovesAreRenames(const std::wstring&, const std::wstring&) override { return false; }
};

void WriteWhole(const std::wstring& path, const std::string& content)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

TEST_F(BatchRunTest, AFailedMoveLeavesNoNewFileAndRemovesNothingThatWasThere)
{
    const std::string content = "src\\a.tbi";
    struct Case {
        const char* what;
        std::function<void(const std::wstring& from, const std::wstring& to)> step;
        DWORD error;
        bool targetBefore;       // a file "earlier" lies at the target before the run
        std::string targetAfter; // what the target holds afterwards
        std::string sourceAfter; // what the source holds afterwards
        Texts statuses;
    };
    const Case cases[] = {
        {"the volume is full: an empty target, the source kept",
         [](const std::wstring&, const std::wstring& to) { WriteWhole(to, ""); },
         ERROR_DISK_FULL,
         false,
         "<missing>",
         content,
         {L"命名失败，请重试！ 112", L"备份失败！ 2", kFinished}},
        {"the volume fills up half-way: a partial target",
         [](const std::wstring&, const std::wstring& to) { WriteWhole(to, "src"); },
         ERROR_HANDLE_DISK_FULL,
         false,
         "<missing>",
         content,
         {L"命名失败，请重试！ 39", L"备份失败！ 2", kFinished}},
        {"the target existed: it fails with its own code and stays as it was",
         [](const std::wstring& from, const std::wstring& to) { MoveFileW(from.c_str(), to.c_str()); },
         ERROR_ALREADY_EXISTS,
         true,
         "earlier",
         content,
         {L"命名失败，请重试！ 183", L"备份失败！ 80", kFinished}},
        {"the target existed and the failing move wrote into it",
         [](const std::wstring&, const std::wstring& to) { WriteWhole(to, ""); },
         ERROR_DISK_FULL,
         true,
         "",
         content,
         {L"命名失败，请重试！ 112", L"备份失败！ 80", kFinished}},
        {"the source went before the move failed: the target holds the only copy",
         [](const std::wstring& from, const std::wstring& to) {
             CopyFileW(from.c_str(), to.c_str(), TRUE);
             DeleteFileW(from.c_str());
         },
         ERROR_ACCESS_DENIED,
         false,
         content,
         content,
         {L"命名失败，请重试！ 5", Renamed(0), kFinished}},
        {"the source was cut short: the target holds the only whole copy",
         [](const std::wstring& from, const std::wstring& to) {
             CopyFileW(from.c_str(), to.c_str(), TRUE);
             WriteWhole(from, "src");
         },
         ERROR_DISK_FULL,
         false,
         content,
         "src",
         {L"命名失败，请重试！ 112", L"备份失败！ 80", kFinished}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring relative = L"case" + std::to_wstring(++n);
        const std::wstring src = temp.MakeFolder(relative + L"\\src");
        temp.MakeFile(relative + L"\\src\\a.tbi", content);
        const std::wstring exportFolder = temp.MakeFolder(relative + L"\\export");
        if (c.targetBefore)
            temp.MakeFile(relative + L"\\export\\a.jpg", std::string("earlier"));
        HalfWayMove files;
        files.step = c.step;
        files.error = c.error;
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = exportFolder;
        h.answer = false;

        TBatchRun(h, files).Execute();

        EXPECT_EQ(ReadFileContent(exportFolder + L"\\a.jpg"), c.targetAfter);
        EXPECT_EQ(ReadFileContent(src + L"\\a.tbi"), c.sourceAfter);
        EXPECT_EQ(h.statuses, c.statuses);
    }
}

// A target whose name the platform reads as a device would take the file's content and keep
// none of it; such a target counts as one that exists.
TEST_F(BatchRunTest, ATargetThatNamesADeviceIsRefusedLikeAnExistingOne)
{
    const std::wstring content = L"src\\a.tbi";
    for (const wchar_t* newSuffix :
         {L"\\..\\NUL", L"\\..\\nul.jpg", L"\\..\\CON", L"\\..\\AUX", L"\\..\\PRN", L".jpg\\..\\..\\nul"}) {
        SCOPED_TRACE(Utf8(newSuffix));
        const std::wstring src = temp / L"src";
        if (!PathExists(src))
            MakeSource(L"src", {L"a.tbi"});
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = temp / L"export";
        h.newSuffix = newSuffix;
        h.answer = false;

        TBatchRun(h).Execute();

        // The copy back still runs, from the device, and fails on the existing source file.
        ASSERT_EQ(h.statuses.size(), 3u);
        EXPECT_EQ(h.statuses[0], L"命名失败，请重试！ 183");
        EXPECT_TRUE(h.statuses[1].starts_with(L"备份失败！ ")) << Utf8(h.statuses[1]);
        EXPECT_EQ(h.statuses[2], kFinished);
        EXPECT_EQ(ReadFileContent(src + L"\\a.tbi"), Utf8(content));
        EXPECT_EQ(NamesIn(temp / L"export"), Texts{});
    }
}

// The platform's operations, counting the lookups of targets and the questions about the
// folders; renames, when set, overrides the platform's answer.
class CountingFiles final : public IFileOperations {
public:
    std::optional<bool> renames;
    int lookups = 0;
    int folderQuestions = 0;
    std::vector<std::pair<std::wstring, std::wstring>> folderPairs;

    bool Move(const std::wstring& from, const std::wstring& to) override
    {
        return PlatformFileOperations().Move(from, to);
    }
    bool CopyNew(const std::wstring& from, const std::wstring& to) override
    {
        return PlatformFileOperations().CopyNew(from, to);
    }
    bool Exists(const std::wstring& path) override
    {
        ++lookups;
        return PlatformFileOperations().Exists(path);
    }
    bool MovesAreRenames(const std::wstring& fromFolder, const std::wstring& toFolder) override
    {
        ++folderQuestions;
        folderPairs.emplace_back(fromFolder, toFolder);
        return renames ? *renames : PlatformFileOperations().MovesAreRenames(fromFolder, toFolder);
    }
};

// Inside one volume a move is a rename that refuses an existing target by itself, so the run
// asks about the folders once and looks up no target; between volumes it looks up each one.
// Either way a target that was there keeps its content and the source stays.
TEST_F(BatchRunTest, TargetsAreLookedUpOnlyForMovesBetweenVolumes)
{
    struct Case {
        const char* what;
        std::optional<bool> renames;
        int lookups;
    };
    const Case cases[] = {
        {"one volume, as the platform tells", std::nullopt, 0},
        {"another volume", false, 4},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring relative = L"case" + std::to_wstring(++n);
        const std::wstring src =
            MakeSource(relative + L"\\src", {L"a.tbi", L"b.tbi", L"c.tbi", L"d.tbi", L"e.txt"});
        const std::wstring exportFolder = temp.MakeFolder(relative + L"\\export");
        temp.MakeFile(relative + L"\\export\\b.jpg", std::string("earlier"));
        CountingFiles files;
        files.renames = c.renames;
        FakeHost h;
        h.sourceFolder = src;
        h.exportFolder = exportFolder;
        h.answer = false;

        TBatchRun(h, files).Execute();

        EXPECT_EQ(files.lookups, c.lookups);
        EXPECT_EQ(files.folderQuestions, 1);
        ASSERT_EQ(files.folderPairs.size(), 1u);
        EXPECT_EQ(files.folderPairs[0].first, src + L"\\");
        EXPECT_EQ(files.folderPairs[0].second, exportFolder + L"\\");
        EXPECT_EQ(ReadFileContent(exportFolder + L"\\b.jpg"), "earlier");
        EXPECT_EQ(ReadFileContent(src + L"\\b.tbi"), Utf8(relative) + "\\src\\b.tbi");
        EXPECT_EQ(ReadFileContent(exportFolder + L"\\c.jpg"), Utf8(relative) + "\\src\\c.tbi");
        EXPECT_EQ(h.statuses, (Texts{Renamed(1), L"命名失败，请重试！ 183", L"备份失败！ 80", Renamed(2),
                                     Renamed(3), kFinished}));
    }
}

// The export folder is read at every file: a new one is asked about anew.
TEST_F(BatchRunTest, AnExportFolderChangedDuringTheRunIsAskedAboutAnew)
{
    const std::wstring src = MakeSource(L"src", {L"a.tbi", L"b.tbi", L"c.tbi"});
    const std::wstring first = temp.MakeFolder(L"first");
    const std::wstring second = temp.MakeFolder(L"second");
    CountingFiles files;
    FakeHost h;
    h.sourceFolder = src;
    h.exportFolder = first;
    h.answer = false;
    h.onMessages = [&](int step) {
        if (step == 2)
            h.exportFolder = second;
    };

    TBatchRun(h, files).Execute();

    EXPECT_EQ(files.folderQuestions, 2);
    EXPECT_EQ(NamesIn(first), Texts{L"a.jpg"});
    EXPECT_EQ(Sorted(NamesIn(second)), Sorted({L"b.jpg", L"c.jpg"}));
}

TEST(OnOneLocalVolumeTest, FoldersOfOneVolumeOnlyWhereBothAreThere)
{
    TempFolder temp;
    const std::wstring a = temp.MakeFolder(L"a") + L"\\";
    const std::wstring b = temp.MakeFolder(L"b\\c") + L"\\";
    std::wstring upper = a;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_TRUE(OnOneLocalVolume(a, b));
    EXPECT_TRUE(OnOneLocalVolume(a, upper));
    EXPECT_FALSE(OnOneLocalVolume(a, temp / L"missing\\"));
    EXPECT_FALSE(OnOneLocalVolume(a, L"\\\\server\\share\\folder\\"));
    EXPECT_FALSE(OnOneLocalVolume(L"\\\\server\\share\\folder\\", L"\\\\server\\share\\other\\"));
    // Another drive's folder, if the machine has one.
    const wchar_t own = static_cast<wchar_t>(towupper(a[0]));
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        if (letter == own || !(drives & (1u << (letter - L'A'))) ||
            GetDriveTypeW(root.c_str()) != DRIVE_FIXED)
            continue;
        SCOPED_TRACE(Utf8(root));
        EXPECT_FALSE(OnOneLocalVolume(a, root));
        EXPECT_FALSE(OnOneLocalVolume(root, a));
    }
}

// The same on a real volume that runs full. It needs a small empty volume (256 KiB is enough)
// whose folder is given in CORVANE_SMALL_VOLUME, so it runs only where one can be set up; the
// test above stands in for such a volume everywhere else.
TEST_F(BatchRunTest, OnAVolumeThatRunsFullNoEmptyFileIsLeftAndNoFileIsLost)
{
    std::wstring volume(GetEnvironmentVariableW(L"CORVANE_SMALL_VOLUME", nullptr, 0), L'\0');
    if (volume.empty())
        GTEST_SKIP() << "CORVANE_SMALL_VOLUME names no small volume";
    volume.resize(
        GetEnvironmentVariableW(L"CORVANE_SMALL_VOLUME", volume.data(), static_cast<DWORD>(volume.size())));
    const std::wstring exportFolder = volume + L"\\cvfull" + std::to_wstring(GetCurrentProcessId());
    const std::wstring src = temp.MakeFolder(L"src");
    constexpr size_t kFileSize = 3 * 1024;
    std::vector<std::pair<std::wstring, std::string>> files;
    for (int i = 0; i < 300; ++i) {
        const std::wstring base = L"f" + std::to_wstring(1000 + i);
        std::string content = Utf8(base) + ":";
        content.resize(kFileSize, static_cast<char>('a' + i % 26));
        temp.MakeFile(L"src\\" + base + L".tbi", content);
        files.emplace_back(base, content);
    }
    host.sourceFolder = src;
    host.exportFolder = exportFolder;
    host.answer = false;

    Run();

    const auto moveFailures =
        std::count_if(host.statuses.begin(), host.statuses.end(),
                      [](const std::wstring& s) { return s.starts_with(L"命名失败，请重试！ "); });
    EXPECT_GT(moveFailures, 0) << "the volume never ran full";
    for (const auto& [base, content] : files) {
        const bool inSource = ReadFileContent(src + L"\\" + base + L".tbi") == content;
        const bool inExport = ReadFileContent(exportFolder + L"\\" + base + L".jpg") == content;
        EXPECT_TRUE(inSource || inExport) << "lost: " << Utf8(base);
    }
    size_t partial = 0;
    for (const std::wstring& name : NamesIn(exportFolder)) {
        if (ReadFileContent(exportFolder + L"\\" + name).size() != kFileSize)
            ++partial;
    }
    EXPECT_EQ(partial, 0u) << "empty or partial files left in the export folder";
    RemoveTree(exportFolder);
}

TEST(FileManagerParametersTest, TheFolderIsOneQuotedArgument)
{
    EXPECT_EQ(FileManagerParameters(L"C:\\my pictures,2024"), L"\"C:\\my pictures,2024\"");
    EXPECT_EQ(FileManagerParameters(L"D:\\图片"), L"\"D:\\图片\"");
    EXPECT_EQ(FileManagerParameters(L""), L"");
}

} // namespace
