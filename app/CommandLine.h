// Corvane from a script: the same batch run, preview and undo as the window's, driven by
// command-line arguments and reporting to the console in lines a script can read.
//
//   Corvane.exe --source DIR --export DIR --from SUFFIX --to SUFFIX [--dry-run] [--jobs N] [--quiet]
//   Corvane.exe --undo [JOURNAL]
//   Corvane.exe --help
#pragma once

#include "RunJournal.h"

#include <string>
#include <variant>
#include <vector>

// Exit codes.
constexpr int kExitDone = 0;     // every matching entry moved and backed up (or none matched)
constexpr int kExitFailures = 1; // at least one entry failed (or undo left conflicts)
constexpr int kExitBadInput = 2; // bad arguments, a source folder that cannot be listed, an
                                 // export folder that cannot be made: nothing was touched

struct TRunRequest {
    TRunFields fields;
    bool dryRun = false;
    int jobs = 1;
    bool quiet = false;
};
struct TUndoRequest {
    std::wstring journal; // empty: the newest journal not yet undone
    bool quiet = false;
};
struct THelpRequest {};
struct TBadArguments {
    std::wstring message;
};
using TCommandLineRequest = std::variant<TRunRequest, TUndoRequest, THelpRequest, TBadArguments>;

// Reads the arguments (without the program's name). --jobs defaults to the number of
// processors, at most 8.
TCommandLineRequest ParseCommandLine(const std::vector<std::wstring>& args, int processors);

// Where the lines go: standard output and standard error.
class ICommandOutput {
public:
    virtual void Out(const std::wstring& line) = 0;
    virtual void Error(const std::wstring& line) = 0;

protected:
    ~ICommandOutput() = default;
};

// Carries out a request; answers the exit code. Journals are kept in (and undo looks in)
// journalFolder.
int RunCommand(const TCommandLineRequest& request, ICommandOutput& output, const std::wstring& journalFolder);

// The usage text of --help.
std::wstring UsageText();

// The console the program was started from: its standard handles where it has them (a
// redirection to a file or a pipe), else the parent's console, attached to. Text goes to a
// console as it is and to anything else as UTF-8.
class TConsoleOutput final : public ICommandOutput {
public:
    TConsoleOutput();
    void Out(const std::wstring& line) override { Write(m_out, line); }
    void Error(const std::wstring& line) override { Write(m_err, line); }

private:
    static void Write(void* handle, const std::wstring& line);
    void* m_out;
    void* m_err;
};
