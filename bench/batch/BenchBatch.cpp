// Times the batch run over 2,000 matching files of 4 KiB against a loop that only moves and
// copies the same kind of files, and (given a folder) the source folder listing against a
// bare enumeration of that folder. Both pairs are measured in the same process; the ratios
// are what to watch.
#include "app/BatchRun.h"
#include "app/FileListBox.h"
#include "app/PathRules.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr DWORD kFileSize = 4096;
// Other work on the machine makes single rounds noisy; the best round of each side is the
// steadiest figure, the totals are printed beside it.
constexpr int kRounds = 4;

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring FileName(int i)
{
    wchar_t name[32];
    swprintf(name, 32, L"pic%05d", i);
    return name;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
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
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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

double TimeBaseline(const std::wstring& root)
{
    const double start = Seconds();
    int failures = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring source = root + L"\\src\\" + FileName(i) + L".tbi";
        const std::wstring target = root + L"\\export\\" + FileName(i) + L".jpg";
        failures += MoveFileW(source.c_str(), target.c_str()) ? 0 : 1;
        failures += CopyFileW(target.c_str(), source.c_str(), TRUE) ? 0 : 1;
    }
    const double elapsed = Seconds() - start;
    if (failures)
        std::printf("  baseline: %d failed operations\n", failures);
    return elapsed;
}

double TimeBatchRun(const std::wstring& root)
{
    WindowLikeHost host(root + L"\\src", root + L"\\export");
    const double start = Seconds();
    TBatchRun(host).Execute();
    const double elapsed = Seconds() - start;
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
        std::printf("  batch run: %u files in the export folder, expected %d\n", static_cast<unsigned>(moved), kFiles);
    return elapsed;
}

double TimeBareEnumeration(const std::wstring& folder, size_t& count)
{
    const double start = Seconds();
    count = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            ++count;
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return Seconds() - start;
}

double TimeListing(const std::wstring& folder, size_t& count)
{
    SetCurrentDirectoryW(L"C:\\");
    SystemBusyCursor cursor;
    const double start = Seconds();
    TFileListBox list(&cursor);
    list.ApplyTypedPath(folder);
    count = static_cast<size_t>(list.Count());
    return Seconds() - start;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    wchar_t tempPath[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tempPath);
    const std::wstring base = std::wstring(tempPath) + L"corvane_bench_batch";
    CreateDirectoryW(base.c_str(), nullptr);

    std::printf("batch run over %d matching files of %lu bytes (%d rounds)\n", kFiles, kFileSize, kRounds);
    double baselineTotal = 0;
    double runTotal = 0;
    double bestBaseline = 1e30;
    double bestRun = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate which side goes first, so neither always meets the other's leftovers.
        MakeFixture(base + L"\\baseline");
        MakeFixture(base + L"\\run");
        double baseline = 0;
        double run = 0;
        if (round % 2 == 0) {
            baseline = TimeBaseline(base + L"\\baseline");
            run = TimeBatchRun(base + L"\\run");
        } else {
            run = TimeBatchRun(base + L"\\run");
            baseline = TimeBaseline(base + L"\\baseline");
        }
        std::printf("  round %d: baseline %.3f s, batch run %.3f s, ratio %.3f\n", round + 1, baseline, run,
                    run / baseline);
        baselineTotal += baseline;
        runTotal += run;
        bestBaseline = std::min(bestBaseline, baseline);
        bestRun = std::min(bestRun, run);
    }
    SetCurrentDirectoryW(tempPath);
    RemoveTree(base);
    std::printf("batch run total %.3f s, move+copy baseline total %.3f s, ratio %.3f\n", runTotal, baselineTotal,
                runTotal / baselineTotal);
    std::printf("batch run best %.3f s, move+copy baseline best %.3f s, ratio %.3f (target <= 1.15)\n", bestRun,
                bestBaseline, bestRun / bestBaseline);

    if (argc < 2) {
        std::printf("no listing folder given: listing skipped (bench/batch/run.sh makes one)\n");
        return 0;
    }
    const std::wstring folder = argv[1];
    double bestBare = 1e30;
    double bestList = 1e30;
    size_t bareCount = 0;
    size_t listCount = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double bare = TimeBareEnumeration(folder, bareCount);
        const double list = TimeListing(folder, listCount);
        std::printf("  round %d: bare enumeration %.3f s (%u entries), listing %.3f s (%u entries)\n", round + 1,
                    bare, static_cast<unsigned>(bareCount), list, static_cast<unsigned>(listCount));
        bestBare = std::min(bestBare, bare);
        bestList = std::min(bestList, list);
    }
    std::printf("listing best %.3f s, bare enumeration best %.3f s, ratio %.3f (target <= 1.3)\n", bestList, bestBare,
                bestList / bestBare);
    return 0;
}
