#include "CommandLine.h"

#include "BatchRun.h"
#include "PathRules.h"
#include "RunPreview.h"
#include "RunUndo.h"

#include "runtime/rtExceptions.h"

#include <windows.h>

#include <algorithm>
#include <map>

namespace {

constexpr wchar_t kUsage[] =
    L"Usage:\n"
    L"  Corvane.exe --source DIR --export DIR --from SUFFIX --to SUFFIX [--dry-run] [--jobs N] [--quiet]\n"
    L"  Corvane.exe --undo [JOURNAL]\n"
    L"  Corvane.exe --help\n"
    L"\n"
    L"Moves every file of the source folder whose suffix is exactly SUFFIX (letter case included)\n"
    L"into the export folder under the new suffix, and copies it back under its old name as a\n"
    L"backup. A relative export folder is taken relative to the source folder; it is made when\n"
    L"missing. Every run keeps a journal in %LOCALAPPDATA%\\Corvane\\runs, which --undo reads.\n"
    L"\n"
    L"  --source DIR    the folder whose files are changed\n"
    L"  --export DIR    the folder the changed files are moved to\n"
    L"  --from SUFFIX   the suffix to look for, such as .tbi\n"
    L"  --to SUFFIX     the suffix to give, such as .jpg\n"
    L"  --dry-run       print what the run would do and touch nothing\n"
    L"  --jobs N        work on N files at once (default: the number of processors, at most 8)\n"
    L"  --quiet         print only the summary line\n"
    L"  --undo [FILE]   undo the run of a journal (default: the newest run not yet undone)\n"
    L"\n"
    L"Output: one tab-separated line per matching file (what happened, source, target, and for\n"
    L"a failure the step and the platform's error code), then one summary line.\n"
    L"Exit codes: 0 all moved and backed up, 1 some failed, 2 bad arguments or folders.\n"
    L"\n"
    L"Example:\n"
    L"  Corvane.exe --source \"C:\\Photos\\in\" --export \"C:\\Photos\\out\" --from .tbi --to .jpg\n";

constexpr int kMaxJobs = 8;
constexpr int kJobsLimit = 64;

bool IsHelp(const std::wstring& arg)
{
    return arg == L"--help" || arg == L"-h" || arg == L"/?";
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

// An option's value: a whole positive number within the limit.
std::optional<int> ParseJobs(const std::wstring& text)
{
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return std::nullopt;
    const int n = std::stoi(text);
    if (n < 1 || n > kJobsLimit)
        return std::nullopt;
    return n;
}

std::wstring FailedLine(const wchar_t* what, const TEntryReport& report)
{
    const bool move = report.moveError.has_value();
    return std::wstring(what) + L"\t" + report.source + L"\t" + report.target + L"\t" +
           (move ? L"move\t" + std::to_wstring(*report.moveError)
                 : L"backup\t" + std::to_wstring(report.backupError.value_or(0)));
}

// The run's host on the command line: the fields as given, no window to keep alive, no
// question at the end; every finished entry becomes a line.
class TCommandLineHost final : public IBatchHost {
public:
    TCommandLineHost(const TRunRequest& request, ICommandOutput& output)
        : m_request(request), m_output(output)
    {
    }

    std::wstring SourceFolderText() override { return m_request.fields.sourceFolder; }
    std::wstring SourceSuffixText() override { return m_request.fields.sourceSuffix; }
    std::wstring NewSuffixText() override { return m_request.fields.newSuffix; }
    std::wstring ExportFolderText() override { return m_request.fields.exportFolder; }
    void SetStatusText(const std::wstring&) override {}
    double ProgressPosition() override { return 0; }
    void SetProgressPosition(double) override {}
    void SetProgressMax(double) override {}
    void ProcessMessages() override {}
    bool AskClosingQuestion(const std::wstring&) override { return false; }
    void OpenExportFolder(const std::wstring&) override {}
    IBusyCursor& BusyCursor() override { return m_cursor; }
    void EntryFinished(const TEntryReport& report) override
    {
        if (m_request.quiet)
            return;
        if (!report.moveError && !report.backupError)
            m_output.Out(L"moved\t" + report.source + L"\t" + report.target);
        else
            m_output.Out(FailedLine(L"failed", report));
    }

private:
    class TNoCursor final : public IBusyCursor {
    public:
        void ShowBusy() override {}
        void Restore() override {}
    };
    const TRunRequest& m_request;
    ICommandOutput& m_output;
    TNoCursor m_cursor;
};

int RunDry(const TRunRequest& request, ICommandOutput& output)
{
    std::optional<TRunPreview> preview;
    try {
        preview.emplace(request.fields);
    } catch (const Exception& e) {
        output.Error(L"corvane: cannot list the source folder " +
                     Quoted(TrimText(request.fields.sourceFolder)) + L": " + e.Message());
        return kExitBadInput;
    }
    if (preview->ExportFolderFails()) {
        output.Error(L"corvane: cannot make the export folder " +
                     Quoted(TrimText(request.fields.exportFolder)) + L": Unable to create directory");
        return kExitBadInput;
    }
    const std::wstring folder =
        preview->Folder().ends_with(L'\\') ? preview->Folder() : preview->Folder() + L"\\";
    size_t failures = 0;
    for (size_t row = 0; row < preview->RowCount(); ++row) {
        TEntryReport report{folder + std::wstring(preview->Name(row)), preview->Target(row), std::nullopt,
                            std::nullopt};
        switch (preview->Action(row)) {
        case TPreviewAction::MoveAndBackUp: break;
        case TPreviewAction::TargetExists: report.moveError = ERROR_ALREADY_EXISTS; break;
        case TPreviewAction::BackupNameTaken: report.backupError = ERROR_FILE_EXISTS; break;
        case TPreviewAction::ExportFolderFails: report.moveError = ERROR_PATH_NOT_FOUND; break;
        }
        const bool fails = report.moveError || report.backupError;
        failures += fails ? 1 : 0;
        if (!request.quiet)
            output.Out(fails ? FailedLine(L"would fail", report)
                             : L"would move\t" + report.source + L"\t" + report.target);
    }
    output.Out(L"summary\tmatching=" + std::to_wstring(preview->RowCount()) + L"\twould-move=" +
               std::to_wstring(preview->RowCount() - failures) + L"\twould-fail=" +
               std::to_wstring(failures));
    return failures > 0 ? kExitFailures : kExitDone;
}

int Run(const TRunRequest& request, ICommandOutput& output, const std::wstring& journalFolder)
{
    if (request.dryRun)
        return RunDry(request, output);
    TCommandLineHost host(request, output);
    TBatchRun run(host);
    run.KeepJournalIn(journalFolder);
    TRunCounts counts;
    try {
        counts = run.ExecuteUnattended(request.jobs);
    } catch (const EExportFolderError& e) {
        output.Error(L"corvane: cannot make the export folder " +
                     Quoted(TrimText(request.fields.exportFolder)) + L": " + e.Message());
        return kExitBadInput;
    } catch (const Exception& e) {
        output.Error(L"corvane: cannot list the source folder " +
                     Quoted(TrimText(request.fields.sourceFolder)) + L": " + e.Message());
        return kExitBadInput;
    }
    const bool kept = run.JournalKept();
    if (!kept)
        output.Error(L"corvane: no journal was kept" +
                     (run.JournalPath().empty() ? std::wstring() : L" whole (" + run.JournalPath() + L")") +
                     L": this run cannot be undone");
    output.Out(L"summary\tmatching=" + std::to_wstring(counts.matching) + L"\tmoved=" +
               std::to_wstring(counts.moved) + L"\tbacked-up=" + std::to_wstring(counts.backedUp) +
               L"\tfailed=" + std::to_wstring(counts.failed) + L"\tjournal=" +
               (kept ? run.JournalPath() : L"none"));
    return counts.failed > 0 ? kExitFailures : kExitDone;
}

int Undo(const TUndoRequest& request, ICommandOutput& output, const std::wstring& journalFolder)
{
    auto onRecord = [&](const TJournalRecord& record, TUndoMark mark) {
        if (request.quiet)
            return;
        switch (mark) {
        case TUndoMark::Returned: output.Out(L"returned\t" + record.source + L"\t" + record.target); break;
        case TUndoMark::Conflict: output.Out(L"conflict\t" + record.source + L"\t" + record.target); break;
        case TUndoMark::Missing: output.Out(L"missing\t" + record.source + L"\t" + record.target); break;
        case TUndoMark::Removed: output.Out(L"removed\t\t" + record.target); break;
        case TUndoMark::Nothing:
        case TUndoMark::None: break;
        }
    };
    TUndoOutcome outcome;
    try {
        outcome = request.journal.empty() ? UndoLastRun(journalFolder, onRecord)
                                          : UndoJournal(request.journal, onRecord);
    } catch (const EInOutError& e) {
        const std::wstring what =
            request.journal.empty() ? std::wstring(L"the last run") : Quoted(request.journal);
        output.Error(L"corvane: cannot undo " + what + L": " +
                     (e.ErrorCode() == ERROR_INVALID_DATA ? std::wstring(L"not a journal") : e.Message()));
        return kExitBadInput;
    }
    if (!outcome.found) {
        output.Out(L"summary\treturned=0\tconflicts=0\tjournal=none");
        output.Error(L"corvane: nothing to undo");
        return kExitDone;
    }
    output.Out(L"summary\treturned=" + std::to_wstring(outcome.returned) + L"\tconflicts=" +
               std::to_wstring(outcome.conflicts) + L"\tjournal=" + outcome.journal);
    return outcome.conflicts > 0 ? kExitFailures : kExitDone;
}

} // namespace

TCommandLineRequest ParseCommandLine(const std::vector<std::wstring>& args, int processors)
{
    if (std::any_of(args.begin(), args.end(), IsHelp))
        return THelpRequest{};
    std::map<std::wstring, std::wstring> values;
    bool dryRun = false;
    bool quiet = false;
    bool undo = false;
    std::optional<std::wstring> journal;
    std::map<std::wstring, bool> seen;
    static const std::wstring valued[] = {L"--source", L"--export", L"--from", L"--to", L"--jobs"};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (!arg.starts_with(L"-")) {
            // The one plain argument there is: the journal right after --undo.
            if (i > 0 && args[i - 1] == L"--undo" && !journal) {
                journal = arg;
                continue;
            }
            return TBadArguments{L"unexpected argument " + Quoted(arg) + L" (see --help)"};
        }
        if (seen[arg])
            return TBadArguments{arg + L" is given twice"};
        seen[arg] = true;
        if (std::find(std::begin(valued), std::end(valued), arg) != std::end(valued)) {
            if (i + 1 >= args.size() || args[i + 1].starts_with(L"--"))
                return TBadArguments{arg + L" needs a value"};
            values[arg] = args[++i];
        } else if (arg == L"--dry-run") {
            dryRun = true;
        } else if (arg == L"--quiet") {
            quiet = true;
        } else if (arg == L"--undo") {
            undo = true;
        } else {
            return TBadArguments{L"unknown option " + arg + L" (see --help)"};
        }
    }
    if (undo) {
        if (!values.empty() || dryRun)
            return TBadArguments{L"--undo takes no other option than --quiet and a journal file"};
        return TUndoRequest{journal.value_or(std::wstring()), quiet};
    }
    for (const wchar_t* required : {L"--source", L"--export", L"--from", L"--to"})
        if (!values.contains(required))
            return TBadArguments{std::wstring(L"missing ") + required + L" (see --help)"};
    for (const wchar_t* folder : {L"--source", L"--export"})
        if (TrimText(values[folder]).empty())
            return TBadArguments{std::wstring(folder) + L" names no folder"};
    for (const wchar_t* suffix : {L"--from", L"--to"})
        if (values[suffix].find_first_of(L"\\/") != std::wstring::npos)
            return TBadArguments{std::wstring(suffix) + L" " + Quoted(values[suffix]) +
                                 L" is no suffix: it holds \\ or /"};
    TRunRequest request;
    request.fields = {values[L"--source"], values[L"--from"], values[L"--to"], values[L"--export"]};
    request.dryRun = dryRun;
    request.quiet = quiet;
    request.jobs = std::clamp(processors, 1, kMaxJobs);
    if (values.contains(L"--jobs")) {
        const std::optional<int> jobs = ParseJobs(values[L"--jobs"]);
        if (!jobs)
            return TBadArguments{L"--jobs " + Quoted(values[L"--jobs"]) + L" is no number from 1 to " +
                                 std::to_wstring(kJobsLimit)};
        request.jobs = *jobs;
    }
    return request;
}

int RunCommand(const TCommandLineRequest& request, ICommandOutput& output, const std::wstring& journalFolder)
{
    if (std::holds_alternative<THelpRequest>(request)) {
        output.Out(UsageText());
        return kExitDone;
    }
    if (const auto* bad = std::get_if<TBadArguments>(&request)) {
        output.Error(L"corvane: " + bad->message);
        return kExitBadInput;
    }
    if (const auto* undo = std::get_if<TUndoRequest>(&request))
        return Undo(*undo, output, journalFolder);
    return Run(std::get<TRunRequest>(request), output, journalFolder);
}

std::wstring UsageText()
{
    std::wstring text = kUsage;
    if (text.ends_with(L'\n'))
        text.pop_back();
    return text;
}

TConsoleOutput::TConsoleOutput()
{
    auto handle = [](DWORD which) -> HANDLE {
        HANDLE h = GetStdHandle(which);
        if (h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN)
            return h;
        // A program of the window subsystem started from a console gets no standard handles
        // unless they were redirected: it writes to the console it was started from.
        AttachConsole(ATTACH_PARENT_PROCESS);
        h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    };
    m_out = handle(STD_OUTPUT_HANDLE);
    m_err = handle(STD_ERROR_HANDLE);
}

void TConsoleOutput::Write(void* handle, const std::wstring& line)
{
    if (!handle)
        return;
    std::wstring text = line;
    // Lines end as text files do here; a script reading them through a pipe gets whole lines.
    for (size_t at = 0; (at = text.find(L'\n', at)) != std::wstring::npos; at += 2)
        text.replace(at, 1, L"\r\n");
    text += L"\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
