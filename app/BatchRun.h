// The batch suffix change: lists the source folder and moves every file whose suffix
// matches into the export folder under the new suffix, copying it back as a backup. The
// run talks to its window only through IBatchHost, so it can be driven by the main window
// or by a test.
#pragma once

#include "FileListBox.h"

#include <windows.h>

#include <optional>
#include <string>

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

protected:
    ~IBatchHost() = default;
};

// The two file operations of a run, kept apart so that a test can stand in for a volume
// that fails half-way through a move. Each leaves the platform's last error code set when it
// fails.
class IFileOperations {
public:
    // Moves a file, also to another volume; fails when to exists.
    virtual bool Move(const std::wstring& from, const std::wstring& to) = 0;
    // Copies a file; fails when to exists.
    virtual bool CopyNew(const std::wstring& from, const std::wstring& to) = 0;

protected:
    ~IFileOperations() = default;
};

// The platform's own move and copy.
IFileOperations& PlatformFileOperations();

// One run per Execute. The object holds nothing but the host and the file operations, and
// every run keeps its own listing, so a run started from inside another run's message step
// cannot disturb it.
class TBatchRun {
public:
    explicit TBatchRun(IBatchHost& host, IFileOperations& files = PlatformFileOperations()) noexcept
        : m_host(host), m_files(files)
    {
    }

    // Raises EInOutError (or "Invalid file name - ...") when the source folder text cannot be
    // listed, and "Unable to create directory" when the export folder cannot be forced; file
    // failures are reported in the status text and the run goes on.
    void Execute();

private:
    std::optional<DWORD> MoveLeavingNoNewFile(const std::wstring& from, const std::wstring& to);

    IBatchHost& m_host;
    IFileOperations& m_files;
};

// The closing question's text.
extern const wchar_t kClosingQuestionText[];

// The parameter text that starts the file manager on folder: the folder as one quoted
// argument, so that blanks and commas in it do not split it; empty for an empty folder.
std::wstring FileManagerParameters(const std::wstring& folder);

// Starts the system file manager on folder, owned by owner; the outcome is not reported.
void OpenFolderInFileManager(HWND owner, const std::wstring& folder);
