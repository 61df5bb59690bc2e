// Times the batch run over 2,000 matching files of 4 KiB against a loop that only moves and
// copies the same kind of files, and (given a folder) the source folder listing against a
// bare enumeration of that folder. Both pairs are measured in the same process; the ratios
// are what to watch.
#include "tests/common/RemoveTree.h"
#include "bench/common/BenchClock.h"
#include "app/BatchRun.h"
#include "app/FileListBox.h"
#include "app/PathRules.h"
#include "app/CommandLine.h"
#include "app/PreviewForm.h"
#include "app/Unit1.h"
#include "controls/cxControlsRegister.h"
#include "editors/cxEditRegister.h"
#include "runtime/rtApplication.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr DWORD kFileSize = 4096;
// Other work on the machine makes single rounds noisy; the best round of each side is the
// steadiest figure.
constexpr int kRounds = 4;

using bench::Best;
using bench::Seconds;
using bench::Stopwatch;
using bench::Times;

void PrintPair(const char* what, const char* subject, Times t, const char* baselineName, Times b,
               double target)
{
    std::printf("%s: %s best %.3f s (cpu %.3f s), %s best %.3f s (cpu %.3f s), ratio %.3f (cpu %.3f), target "
                "<= %.2f\n",
                what, subject, t.wall, t.cpu, baselineName, b.wall, b.cpu, t.wall / b.wall, t.cpu / b.cpu,
                target);
}

std::wstring FileName(int i)
{
    wchar_t name[32];
    swprintf(name, 32, L"pic%05d", i);
    return name;
}

// A fresh source folder of kFiles files "picNNNNN.tbi" of kFileSize bytes, and an empty
// export folder beside it.
void MakeFixture(const std::wstring& root)
{
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"\\src").c_str(), nullptr);
    CreateDirectoryW((root + L"\\export").c_str(), nullptr);
    std::vector<char> content(kFileSize, 'x');
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring path = root + L"\\src\\" + FileName(i) + L".tbi";
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, content.data(), kFileSize, &written, nullptr);
        CloseHandle(file);
    }
}

// Does what the main window does for the run: keeps the status text on a real (hidden)
// control, does the bar's range arithmetic, and pumps the thread's messages.
class WindowLikeHost final : public IBatchHost {
public:
    WindowLikeHost(std::wstring source, std::wstring exportFolder)
        : m_source(std::move(source)), m_export(std::move(exportFolder))
    {
        m_window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 100, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        m_status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 380, 20, m_window, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    ~WindowLikeHost() { DestroyWindow(m_window); }

    std::wstring SourceFolderText() override { return m_source; }
    std::wstring SourceSuffixText() override { return L".tbi"; }
    std::wstring NewSuffixText() override { return L".jpg"; }
    std::wstring ExportFolderText() override { return m_export; }
    void SetStatusText(const std::wstring& text) override { SetWindowTextW(m_status, text.c_str()); }
    double ProgressPosition() override { return m_position; }
    void SetProgressPosition(double position) override
    {
        m_position = m_max > m_min ? std::clamp(position, m_min, m_max) : position;
        UpdateBar();
    }
    void SetProgressMax(double max) override
    {
        m_max = max;
        if (m_max < m_min)
            m_min = m_max;
        SetProgressPosition(m_position);
    }
    void ProcessMessages() override
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    bool AskClosingQuestion(const std::wstring&) override { return false; }
    void OpenExportFolder(const std::wstring&) override {}
    IBusyCursor& BusyCursor() override { return m_cursor; }

    int BarWidth() const { return m_barWidth; }

private:
    void UpdateBar()
    {
        const double range = m_max - m_min == 0 ? 1 : m_max - m_min;
        m_barWidth = static_cast<int>(695 * (m_position - m_min) / range);
    }

    std::wstring m_source;
    std::wstring m_export;
    HWND m_window = nullptr;
    HWND m_status = nullptr;
    double m_min = 0;
    double m_max = 100;
    double m_position = 0;
    int m_barWidth = 0;
    SystemBusyCursor m_cursor;
};

Times TimeBaseline(const std::wstring& root)
{
    const Stopwatch watch;
    int failures = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring source = root + L"\\src\\" + FileName(i) + L".tbi";
        const std::wstring target = root + L"\\export\\" + FileName(i) + L".jpg";
        failures += MoveFileW(source.c_str(), target.c_str()) ? 0 : 1;
        failures += CopyFileW(target.c_str(), source.c_str(), TRUE) ? 0 : 1;
    }
    const Times elapsed = watch.Elapsed();
    if (failures)
        std::printf("  baseline: %d failed operations\n", failures);
    return elapsed;
}

// The run with its journal (as every run of the program keeps one) or without.
Times TimeBatchRun(const std::wstring& root, bool journal = true)
{
    WindowLikeHost host(root + L"\\src", root + L"\\export");
    TBatchRun run(host);
    if (journal)
        run.KeepJournalIn(root + L"\\journals");
    const Stopwatch watch;
    run.Execute();
    const Times elapsed = watch.Elapsed();
    const size_t moved = [&] {
        size_t n = 0;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((root + L"\\export\\*.jpg").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return n;
        do
            ++n;
        while (FindNextFileW(find, &data));
        FindClose(find);
        return n;
    }();
    if (moved != kFiles)
        std::printf("  batch run: %u files in the export folder, expected %d\n", static_cast<unsigned>(moved),
                    kFiles);
    return elapsed;
}

class NoOutput final : public ICommandOutput {
public:
    void Out(const std::wstring&) override {}
    void Error(const std::wstring& line) override
    {
        std::printf("  command line: %s\n", ToUtf8(line).c_str());
    }
};

// The command line's run as a script starts it (with its journal, jobs by the processors).
Times TimeCommandLineRun(const std::wstring& root, int& jobs)
{
    const TCommandLineRequest request =
        ParseCommandLine({L"--source", root + L"\\src", L"--export", root + L"\\export", L"--from", L".tbi",
                          L"--to", L".jpg", L"--quiet"},
                         static_cast<int>(std::thread::hardware_concurrency()));
    jobs = std::get<TRunRequest>(request).jobs;
    NoOutput output;
    const Stopwatch watch;
    const int code = RunCommand(request, output, root + L"\\journals");
    const Times elapsed = watch.Elapsed();
    if (code != kExitDone)
        std::printf("  command line: exit code %d\n", code);
    return elapsed;
}

// The bare loop of move and copy split between two threads: what two workers can reach here.
Times TimeTwoThreadBaseline(const std::wstring& root)
{
    const Stopwatch watch;
    auto half = [&](int first) {
        for (int i = first; i < kFiles; i += 2) {
            const std::wstring source = root + L"\\src\\" + FileName(i) + L".tbi";
            const std::wstring target = root + L"\\export\\" + FileName(i) + L".jpg";
            MoveFileW(source.c_str(), target.c_str());
            CopyFileW(target.c_str(), source.c_str(), TRUE);
        }
    };
    std::thread other(half, 1);
    half(0);
    other.join();
    return watch.Elapsed();
}

// The run as the program does it: the main window built from its stored description, on
// the screen, painting its status line and animated bar; the closing question answered No.
Times TimeMainWindowRun(const std::wstring& root)
{
    TApplication application;
    application.SetMessageBoxFunction(
        [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDNO; });
    application.CreateForm(Form1);
    application.ShowMainForm();
    application.ProcessMessages();
    Form1->cxButtonEdit1->SetText(root + L"\\src");
    Form1->cxButtonEdit2->SetText(root + L"\\export");
    Form1->JournalFolder = root + L"\\journals";
    const Stopwatch watch;
    Form1->cxButton30Click(Form1->cxButton30);
    const Times elapsed = watch.Elapsed();
    Form1 = nullptr;
    return elapsed;
}

// The main window's run again, through a host that does what the window's own host does
// but clocks each kind of work, so that the time beyond the file operations can be split:
// field reads, the status line, the bar, and the message step by kind of message.
class TimedMainWindowHost final : public IBatchHost {
public:
    enum Part { kFields, kStatus, kBar, kPeek, kPaint, kTimer, kOther, kQuestion, kParts };

    template <typename F> auto Timed(Part part, F f)
    {
        const double start = Seconds();
        auto result = f();
        m_seconds[part] += Seconds() - start;
        return result;
    }

    std::wstring SourceFolderText() override
    {
        return Timed(kFields, [] { return Form1->cxButtonEdit1->Text(); });
    }
    std::wstring SourceSuffixText() override
    {
        return Timed(kFields, [] { return Form1->cxTextEdit9->Text(); });
    }
    std::wstring NewSuffixText() override
    {
        return Timed(kFields, [] { return Form1->cxTextEdit10->Text(); });
    }
    std::wstring ExportFolderText() override
    {
        return Timed(kFields, [] { return Form1->cxButtonEdit2->Text(); });
    }
    void SetStatusText(const std::wstring& text) override
    {
        Timed(kStatus, [&] {
            Form1->cxLabel33->SetCaption(text);
            return 0;
        });
    }
    double ProgressPosition() override
    {
        return Timed(kBar, [] { return Form1->cxProgressBar->Position(); });
    }
    void SetProgressPosition(double position) override
    {
        Timed(kBar, [&] {
            Form1->cxProgressBar->SetPosition(position);
            return 0;
        });
    }
    void SetProgressMax(double max) override
    {
        Timed(kBar, [&] {
            Form1->cxProgressBar->Properties()->SetMax(max);
            return 0;
        });
    }
    void ProcessMessages() override
    {
        // As the application's message step: a look at the queue's state first.
        if (Timed(kPeek, [] { return HIWORD(GetQueueStatus(QS_ALLINPUT)); }) == 0)
            return;
        for (;;) {
            MSG msg;
            const BOOL got = Timed(kPeek, [&] { return PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); });
            if (!got)
                break;
            const Part part = msg.message == WM_PAINT ? kPaint : msg.message == WM_TIMER ? kTimer : kOther;
            const double start = Seconds();
            Timed(part, [&] {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                return 0;
            });
            if (part != kOther) {
                TWinControl* c = TWinControl::FindControl(msg.hwnd);
                std::string who = part == kPaint ? "paint " + (c ? ToUtf8(c->ClassName()) : std::string("?"))
                                                 : "timer " + std::to_string(msg.wParam);
                m_byTarget[who].first += 1;
                m_byTarget[who].second += Seconds() - start;
            }
            ++m_messages[part];
        }
    }
    bool AskClosingQuestion(const std::wstring&) override { return false; }
    void OpenExportFolder(const std::wstring&) override {}
    IBusyCursor& BusyCursor() override { return m_cursor; }

    void Print(double total, int files) const
    {
        static const char* names[kParts] = {"field reads",          "status line",    "progress bar",
                                            "message queue checks", "paint messages", "timer messages",
                                            "other messages",       "question"};
        double parts = 0;
        for (int i = 0; i < kParts; ++i)
            parts += m_seconds[i];
        std::printf("  split of the run in the main window (%.3f s, per file in microseconds):\n", total);
        for (int i = 0; i < kParts; ++i)
            if (m_seconds[i] > 0)
                std::printf("    %-22s %8.1f us  (%d messages)\n", names[i], m_seconds[i] * 1e6 / files,
                            m_messages[i]);
        std::printf("    %-22s %8.1f us\n", "listing and file ops", (total - parts) * 1e6 / files);
        for (const auto& [who, v] : m_byTarget)
            std::printf("      %-30s %6d messages %8.1f us per file\n", who.c_str(), v.first,
                        v.second * 1e6 / files);
    }

private:
    double m_seconds[kParts] = {};
    std::map<std::string, std::pair<int, double>> m_byTarget;
    int m_messages[kParts] = {};
    SystemBusyCursor m_cursor;
};

void SplitMainWindowRun(const std::wstring& root)
{
    MakeFixture(root);
    TApplication application;
    application.CreateForm(Form1);
    application.ShowMainForm();
    application.ProcessMessages();
    TimedMainWindowHost host;
    Form1->cxButtonEdit1->SetText(root + L"\\src");
    Form1->cxButtonEdit2->SetText(root + L"\\export");
    const Stopwatch watch;
    TBatchRun(host).Execute();
    host.Print(watch.Elapsed().wall, kFiles);
    Form1 = nullptr;
}

Times TimeBareEnumeration(const std::wstring& folder, size_t& count)
{
    const Stopwatch watch;
    count = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            ++count;
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return watch.Elapsed();
}

Times TimeListing(const std::wstring& folder, size_t& count)
{
    SetCurrentDirectoryW(L"C:\\");
    SystemBusyCursor cursor;
    const Stopwatch watch;
    TFileListBox list(&cursor);
    list.ApplyTypedPath(folder);
    count = static_cast<size_t>(list.Count());
    return watch.Elapsed();
}

void BenchBatchRun(const std::wstring& base, const wchar_t* tempPath)
{
    std::printf("batch run over %d matching files of %lu bytes (%d rounds)\n", kFiles, kFileSize, kRounds);
    Times bestBaseline;
    Times bestRun;
    Times bestBare;
    Times bestWindow;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate which side goes first, so neither always meets the other's leftovers.
        MakeFixture(base + L"\\baseline");
        MakeFixture(base + L"\\run");
        MakeFixture(base + L"\\bare");
        MakeFixture(base + L"\\window");
        Times baseline;
        Times run;
        Times bare;
        Times window;
        if (round % 2 == 0) {
            baseline = TimeBaseline(base + L"\\baseline");
            run = TimeBatchRun(base + L"\\run");
            bare = TimeBatchRun(base + L"\\bare", false);
            window = TimeMainWindowRun(base + L"\\window");
        } else {
            window = TimeMainWindowRun(base + L"\\window");
            bare = TimeBatchRun(base + L"\\bare", false);
            run = TimeBatchRun(base + L"\\run");
            baseline = TimeBaseline(base + L"\\baseline");
        }
        std::printf(
            "  round %d: move+copy baseline %.3f s (cpu %.3f s), batch run %.3f s (cpu %.3f s), without its "
            "journal %.3f s (cpu %.3f s), in the main window %.3f s (cpu %.3f s)\n",
            round + 1, baseline.wall, baseline.cpu, run.wall, run.cpu, bare.wall, bare.cpu, window.wall,
            window.cpu);
        bestBaseline = Best(bestBaseline, baseline);
        bestRun = Best(bestRun, run);
        bestBare = Best(bestBare, bare);
        bestWindow = Best(bestWindow, window);
    }
    Times bestCommandLine;
    Times bestTwoThreads;
    Times bestSerial;
    int jobs = 0;
    for (int round = 0; round < kRounds; ++round) {
        MakeFixture(base + L"\\serial");
        MakeFixture(base + L"\\cli");
        MakeFixture(base + L"\\two");
        Times serial, cli, two;
        if (round % 2 == 0) {
            serial = TimeBaseline(base + L"\\serial");
            cli = TimeCommandLineRun(base + L"\\cli", jobs);
            two = TimeTwoThreadBaseline(base + L"\\two");
        } else {
            two = TimeTwoThreadBaseline(base + L"\\two");
            cli = TimeCommandLineRun(base + L"\\cli", jobs);
            serial = TimeBaseline(base + L"\\serial");
        }
        std::printf("  round %d: serial move+copy %.3f s, command line (%d jobs) %.3f s, two threads of the "
                    "bare loop "
                    "%.3f s\n",
                    round + 1, serial.wall, jobs, cli.wall, two.wall);
        bestSerial = Best(bestSerial, serial);
        bestCommandLine = Best(bestCommandLine, cli);
        bestTwoThreads = Best(bestTwoThreads, two);
    }
    SplitMainWindowRun(base + L"\\split");
    SetCurrentDirectoryW(tempPath);
    RemoveTree(base);
    PrintPair("command line", "command-line run", bestCommandLine, "serial move+copy baseline", bestSerial,
              0.85);
    PrintPair("two threads", "bare loop on two threads", bestTwoThreads, "serial move+copy baseline",
              bestSerial, 0.85);
    PrintPair("batch", "batch run", bestRun, "move+copy baseline", bestBaseline, 1.08);
    PrintPair("journal", "batch run", bestRun, "the same run without its journal", bestBare, 1.03);
    PrintPair("batch in the main window", "main window run", bestWindow, "move+copy baseline", bestBaseline,
              1.12);
}

// The preview window over the folder opened and painted once: the listing, the decision for
// every matching entry, the window with its list; the export folder does not exist yet.
Times TimePreview(const std::wstring& folder, size_t& rows)
{
    SetCurrentDirectoryW(L"C:\\");
    TApplication application;
    SystemBusyCursor cursor;
    const Stopwatch watch;
    {
        TPreviewForm preview(nullptr, TRunFields{folder, L".tbi", L".jpg", folder + L"_export"}, &cursor);
        preview.Show();
        UpdateWindow(preview.Handle());
        rows = preview.Preview().RowCount();
    }
    return watch.Elapsed();
}

void BenchListing(const std::wstring& folder)
{
    Times bestBare;
    Times bestList;
    Times bestPreview;
    for (int round = 0; round < kRounds; ++round) {
        size_t bareCount = 0;
        size_t listCount = 0;
        size_t rows = 0;
        const Times bare = TimeBareEnumeration(folder, bareCount);
        const Times list = TimeListing(folder, listCount);
        const Times preview = TimePreview(folder, rows);
        std::printf("  round %d: preview %.3f s (cpu %.3f s, %u rows)\n", round + 1, preview.wall,
                    preview.cpu, static_cast<unsigned>(rows));
        bestPreview = Best(bestPreview, preview);
        std::printf(
            "  round %d: bare enumeration %.3f s (cpu %.3f s, %u entries), listing %.3f s (cpu %.3f s, %u "
            "entries)\n",
            round + 1, bare.wall, bare.cpu, static_cast<unsigned>(bareCount), list.wall, list.cpu,
            static_cast<unsigned>(listCount));
        bestBare = Best(bestBare, bare);
        bestList = Best(bestList, list);
    }
    PrintPair("listing", "listing", bestList, "bare enumeration", bestBare, 1.15);
    PrintPair("preview", "preview window", bestPreview, "listing", bestList, 2.0);
}

} // namespace

void PartsProbe()
{
    TApplication application;
    application.CreateForm(Form1);
    application.ShowMainForm();
    application.ProcessMessages();
    Form1->cxProgressBar->Properties()->SetMax(2000);
    auto time = [&](const char* what, auto step) {
        const Stopwatch w;
        for (int i = 0; i < 2000; ++i) {
            step(i);
            application.ProcessMessages();
        }
        Times t = w.Elapsed();
        std::printf("%s: %.3f s (cpu %.3f)\n", what, t.wall, t.cpu);
    };
    time("pump only", [](int) {});
    {
        HWND inner = GetWindow(Form1->cxTextEdit9->Handle(), GW_CHILD);
        wchar_t buffer[64];
        const Stopwatch w;
        for (int i = 0; i < 2000; ++i)
            GetWindowTextW(inner, buffer, 64);
        Times raw = w.Elapsed();
        const Stopwatch w2;
        size_t n = 0;
        for (int i = 0; i < 2000; ++i)
            n += Form1->cxTextEdit9->Text().size();
        Times lib = w2.Elapsed();
        std::printf("2000 field reads: edit box's own message %.3f s, the editor's Text %.3f s (%u)\n",
                    raw.wall, lib.wall, static_cast<unsigned>(n));
    }
    {
        const Stopwatch w;
        DWORD bits = 0;
        for (int i = 0; i < 2000; ++i)
            bits |= GetQueueStatus(QS_ALLINPUT);
        Times t = w.Elapsed();
        std::printf("queue status only: %.3f s (cpu %.3f), bits %lx\n", t.wall, t.cpu, bits);
    }
    time("status", [](int i) {
        Form1->cxLabel33->SetCaption(L"命名成功，已经重命名 " + std::to_wstring(i) +
                                     L" 个文件，持续执行... ");
    });
    time("status, no pump paint", [](int i) {
        Form1->cxLabel33->SetCaption(std::to_wstring(i));
        ValidateRect(Form1->cxLabel33->Handle(), nullptr);
    });
    time("progress", [](int i) { Form1->cxProgressBar->SetPosition(i); });
    // At the pace of the file operations (about 3 ms a file here), timers and repaints come due.
    Form1->cxProgressBar->SetPosition(0);
    time("pump at file pace", [](int) { Sleep(3); });
    time("status and bar at file pace", [](int i) {
        Sleep(3);
        Form1->cxLabel33->SetCaption(L"命名成功，已经重命名 " + std::to_wstring(i) +
                                     L" 个文件，持续执行... ");
        Form1->cxProgressBar->SetPosition(i);
    });
    Form1->cxProgressBar->Properties()->SetAnimationSpeed(0);
    Form1->cxProgressBar->SetPosition(0);
    time("the same without the animation", [](int i) {
        Sleep(3);
        Form1->cxLabel33->SetCaption(L"命名成功，已经重命名 " + std::to_wstring(i) +
                                     L" 个文件，持续执行... ");
        Form1->cxProgressBar->SetPosition(i);
    });
    Form1 = nullptr;
}

// The journal's own work for a run of kFiles entries, apart from the file operations: the
// records alone, and the platform's write of the same bytes in as many calls.
void JournalProbe(const std::wstring& base)
{
    CreateDirectoryW(base.c_str(), nullptr);
    const std::wstring folder = base + L"\\probe-journals";
    const std::wstring src = base + L"\\src\\";
    const std::wstring dst = base + L"\\export\\";
    for (int round = 0; round < 3; ++round) {
        Stopwatch watch;
        {
            TRunJournal journal(folder, TRunFields{src, L".tbi", L".jpg", dst});
            for (int i = 0; i < kFiles; ++i) {
                const auto record =
                    journal.BeginEntry(src + FileName(i) + L".tbi", dst + FileName(i) + L".jpg");
                journal.SetMove(record, std::nullopt);
                journal.SetBackup(record, std::nullopt);
            }
        }
        const Times records = watch.Elapsed();
        Stopwatch bare;
        HANDLE file = CreateFileW((base + L"\\bare.tsv").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string line(120, 'x');
        for (int i = 0; i < kFiles * 3; ++i) {
            DWORD written = 0;
            WriteFile(file, line.data(), i % 3 ? 10 : 120, &written, nullptr);
        }
        CloseHandle(file);
        const Times writes = bare.Elapsed();
        std::printf(
            "journal probe: %.1f us per entry (cpu %.1f); 3 plain appending writes: %.1f us per entry\n",
            records.wall * 1e6 / kFiles, records.cpu * 1e6 / kFiles, writes.wall * 1e6 / kFiles);
    }
    RemoveTree(base);
}

int wmain(int argc, wchar_t** argv)
{
    RegisterEditorClasses();
    RegisterDisplayControlClasses();
    if (argc >= 2 && std::wstring(argv[1]) == L"--parts") {
        PartsProbe();
        return 0;
    }
    wchar_t tempPath[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tempPath);
    const std::wstring base = std::wstring(tempPath) + L"corvane_bench_batch";
    if (argc >= 2 && std::wstring(argv[1]) == L"--journal") {
        JournalProbe(base);
        return 0;
    }
    if (argc >= 2 && std::wstring(argv[1]) == L"--split") {
        // Only the split of the main window's run, next to one baseline round.
        CreateDirectoryW(base.c_str(), nullptr);
        MakeFixture(base + L"\\baseline");
        const Times baseline = TimeBaseline(base + L"\\baseline");
        std::printf("move+copy baseline %.3f s (%.1f us per file)\n", baseline.wall,
                    baseline.wall * 1e6 / kFiles);
        SplitMainWindowRun(base + L"\\split");
        SetCurrentDirectoryW(tempPath);
        RemoveTree(base);
        return 0;
    }

    // "--listing-only" after the folder skips the batch part.
    const bool listingOnly = argc >= 3 && std::wstring(argv[2]) == L"--listing-only";
    if (!listingOnly) {
        CreateDirectoryW(base.c_str(), nullptr);
        BenchBatchRun(base, tempPath);
    }

    if (argc < 2) {
        std::printf("no listing folder given: listing skipped (bench/batch/run.sh makes one)\n");
        return 0;
    }
    BenchListing(argv[1]);
    return 0;
}
