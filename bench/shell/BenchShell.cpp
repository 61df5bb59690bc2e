// Prints, for folders of 100, 1,000 and 10,000 subfolders: the producer's time to list
// and fill a folder next to a bare enumeration with names (and the ratio), the
// background gatherer's throughput, and the pause round trip of a busy worker.
#include "bench/common/BenchClock.h"
#include "shell/cxShellGatherer.h"
#include "shell/cxShellListView.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Percentile;
using bench::Seconds;

// Counts the item-updated messages the worker posts.
class Counter : public IcxShellOwner {
public:
    Counter()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Counter::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CorvaneBenchCounter";
        RegisterClassW(&wc);
        m_wnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                nullptr);
        SetWindowLongPtrW(m_wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Counter() { DestroyWindow(m_wnd); }
    HWND ShellOwnerWindow() const override { return m_wnd; }
    int updated = 0;

    // Pumps until count messages arrived or the time is up; answers the seconds spent.
    double WaitFor(int count, double limit)
    {
        const double start = Seconds();
        while (updated < count && Seconds() - start < limit) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            if (updated < count)
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return Seconds() - start;
    }

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == MsgItemUpdated)
            if (auto* self = reinterpret_cast<Counter*>(GetWindowLongPtrW(wnd, GWLP_USERDATA)))
                ++self->updated;
        return DefWindowProcW(wnd, message, wParam, lParam);
    }
    HWND m_wnd;
};

class BenchProducer : public TcxCustomItemProducer {
public:
    BenchProducer(IcxShellOwner* owner, TcxShellItemsInfoGatherer* gatherer)
        : TcxCustomItemProducer(owner), m_gatherer(gatherer)
    {
    }
    ~BenchProducer() override { ClearItems(); }
    bool FetchInBackground() override { return false; }
    DWORD EnumFlags() override { return SHCONTF_FOLDERS | SHCONTF_NONFOLDERS; }
    TcxShellItemsInfoGatherer* InfoGatherer() override { return m_gatherer; }
    bool InfoTipsEnabled() override { return false; }

private:
    TcxShellItemsInfoGatherer* m_gatherer;
};

double BareListing(IShellFolder* folder, int& count)
{
    const double start = Seconds();
    count = 0;
    ComPtr<IEnumIDList> enumerator;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator.put()) != S_OK)
        return 0;
    for (;;) {
        UniqueIdList child;
        ULONG fetched = 0;
        if (enumerator->Next(1, child.put(), &fetched) != S_OK || fetched != 1)
            break;
        if (!ItemDisplayName(folder, child.get()).empty())
            ++count;
    }
    return Seconds() - start;
}

void Bench(const std::wstring& base, int size)
{
    const std::wstring path = base + L"\\f" + std::to_wstring(size);
    ComPtr<IShellFolder> desktop = DesktopFolder();
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(0);
    UniqueIdList list;
    ULONG eaten = 0;
    ComPtr<IShellFolder> folder;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, buffer.data(), &eaten, list.put(), nullptr)) ||
        FAILED(desktop->BindToObject(list.get(), nullptr, IID_IShellFolder, folder.put_void()))) {
        std::printf("%6d  cannot open %ls\n", size, path.c_str());
        return;
    }
    Counter counter;
    // Listing: the best of several runs each (more for the small folders, whose times
    // are a millisecond or less), alternating so neither side gets a warmer cache.
    std::vector<double> bare, produced;
    int bareCount = 0, producedCount = 0;
    const int runs = size <= 1000 ? 15 : 7;
    for (int run = 0; run < runs; ++run) {
        bare.push_back(BareListing(folder.get(), bareCount));
        BenchProducer producer(&counter, nullptr);
        const double start = Seconds();
        producer.ProduceItems(folder.get(), list.get(), size);
        produced.push_back(Seconds() - start);
        producedCount = producer.ItemCount();
    }
    const double bareTime = *std::min_element(bare.begin(), bare.end());
    const double producerTime = *std::min_element(produced.begin(), produced.end());
    std::printf("%6d  bare listing %8.1f ms (%d items)  producer list+fill %8.1f ms (%d items)  ratio %.2f\n",
                size, bareTime * 1000, bareCount, producerTime * 1000, producedCount,
                producerTime / bareTime);

    // Gatherer: the exact icons of the first items, fetched in the background.
    TcxShellItemsInfoGatherer gatherer(&counter);
    BenchProducer producer(&counter, &gatherer);
    producer.ProduceItems(folder.get(), list.get(), 0);
    const int sample = std::min(size, 200);
    counter.updated = 0;
    producer.QueueUnfetchedItems(0, 0);
    const double gatherTime = counter.WaitFor(sample, 30.0);
    const int served = counter.updated;
    std::printf("        gatherer %d items in %.1f ms: %.0f items/s\n", served, gatherTime * 1000,
                served / gatherTime);

    // Pause round trip while the worker is busy with the rest of the queue: each pause
    // comes right after the worker has posted a result, so it meets a request under way.
    std::vector<double> trips;
    for (int i = 0; i < 100 && !gatherer.QueuedRequests().empty(); ++i) {
        const int seen = counter.updated;
        counter.WaitFor(seen + 1, 5.0);
        const double start = Seconds();
        gatherer.PauseFetching();
        gatherer.ResumeFetching();
        trips.push_back(Seconds() - start);
    }
    std::vector<double> idle;
    gatherer.CancelRequests(nullptr);
    for (int i = 0; i < 300; ++i) {
        const double start = Seconds();
        gatherer.PauseFetching();
        gatherer.ResumeFetching();
        idle.push_back(Seconds() - start);
    }
    if (!trips.empty())
        std::printf("        pause round trip, busy worker (%zu): median %.1f us  p99 %.1f us\n",
                    trips.size(), Median(trips) * 1e6, Percentile(trips, 0.99) * 1e6);
    std::printf("        pause round trip, idle worker (%zu): median %.1f us  p99 %.1f us\n", idle.size(),
                Median(idle) * 1e6, Percentile(idle, 0.99) * 1e6);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring base = argc > 1 ? argv[1] : L"C:\\cvbench";
    try {
        TcxShellModuleScope module;
        for (int size : {100, 1000, 10000})
            Bench(base, size);
    } catch (const Exception& e) {
        std::printf("error: %ls\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
