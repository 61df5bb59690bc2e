// The background gatherer: queue rules, results as posted messages, the pause
// handshake against a busy worker, errors, and stopping.
#include "ShellTestSupport.h"

#include "shell/cxShellGatherer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <random>
#include <utility>

namespace {

std::vector<std::pair<TcxCustomItemProducer*, int>> Queue(const TcxShellItemsInfoGatherer& gatherer)
{
    std::vector<std::pair<TcxCustomItemProducer*, int>> result;
    for (const auto& request : gatherer.QueuedRequests())
        result.emplace_back(request.Producer, request.Index);
    return result;
}

// Keeps the calling thread busy for the given microseconds.
void HoldFor(int microseconds)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do {
        QueryPerformanceCounter(&now);
    } while ((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart < microseconds);
}

std::vector<FakeItem> Folders(int count, int spin = 0)
{
    std::vector<FakeItem> items;
    for (int i = 0; i < count; ++i) {
        FakeItem item{L"f" + std::to_wstring(1000 + i), true};
        item.spin = spin;
        items.push_back(item);
    }
    return items;
}

class GathererTest : public testing::Test {
protected:
    bool Updated(WPARAM index) const
    {
        for (const auto& entry : sink.Received)
            if (entry.message == MsgItemUpdated && entry.wParam == index)
                return true;
        return false;
    }
    MessageSink sink;
    TcxShellItemsInfoGatherer gatherer{&sink};
    UniqueIdList folderList = IdListEmpty();
};

TEST_F(GathererTest, SameItemQueuedOnceAndPriorityMovesItToTheFront)
{
    TestProducer p(&sink, &gatherer);
    gatherer.PauseFetching();
    gatherer.QueueRequest(&p, 1, false);
    gatherer.QueueRequest(&p, 2, false);
    gatherer.QueueRequest(&p, 1, false);
    EXPECT_EQ(Queue(gatherer), (std::vector<std::pair<TcxCustomItemProducer*, int>>{{&p, 1}, {&p, 2}}));
    gatherer.QueueRequest(&p, 2, true);
    gatherer.QueueRequest(&p, 3, true);
    EXPECT_EQ(Queue(gatherer),
              (std::vector<std::pair<TcxCustomItemProducer*, int>>{{&p, 3}, {&p, 2}, {&p, 1}}));
    gatherer.CancelRequests(nullptr);
    EXPECT_TRUE(Queue(gatherer).empty());
    gatherer.ResumeFetching();
    EXPECT_EQ(gatherer.PauseCount(), 0);
}

TEST_F(GathererTest, CancellingOneProducerKeepsTheOthersInOrder)
{
    TestProducer p(&sink, &gatherer);
    TestProducer q(&sink, &gatherer);
    gatherer.PauseFetching();
    gatherer.QueueRequest(&p, 0, false);
    gatherer.QueueRequest(&q, 0, false);
    gatherer.QueueRequest(&p, 1, false);
    gatherer.QueueRequest(&q, 1, false);
    gatherer.CancelRequests(&p);
    EXPECT_EQ(Queue(gatherer), (std::vector<std::pair<TcxCustomItemProducer*, int>>{{&q, 0}, {&q, 1}}));
    gatherer.CancelRequests(nullptr);
    gatherer.ResumeFetching();
}

// Two producers whose addresses agree in their low 32 bits, placed where a 64-bit process can
// put them: the queue must keep their requests apart and cancel each one's own.
TEST_F(GathererTest, ProducersFourGigabytesApartAreKeptApart)
{
    if constexpr (sizeof(void*) < 8) {
        GTEST_SKIP() << "a 32-bit process has no addresses four gigabytes apart";
    } else {
        const size_t size = sizeof(TestProducer);
        void* blocks[2] = {};
        for (std::uintptr_t base = 0x0000'0100'0000'0000; base < 0x0000'7000'0000'0000 && !blocks[1];
             base += 0x0000'0100'0000'0000) {
            blocks[0] =
                VirtualAlloc(reinterpret_cast<void*>(base), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
            blocks[1] = VirtualAlloc(reinterpret_cast<void*>(base + 0x1'0000'0000), size,
                                     MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
            if (!blocks[0] || !blocks[1]) {
                for (void*& block : blocks)
                    if (block)
                        VirtualFree(std::exchange(block, nullptr), 0, MEM_RELEASE);
            }
        }
        ASSERT_TRUE(blocks[0] && blocks[1]) << "no two free places four gigabytes apart";
        auto* a = new (blocks[0]) TestProducer(&sink, &gatherer);
        auto* b = new (blocks[1]) TestProducer(&sink, &gatherer);
        gatherer.PauseFetching();
        gatherer.QueueRequest(a, 0, false);
        gatherer.QueueRequest(b, 0, false);
        gatherer.QueueRequests(b, {1, 2}, {});
        EXPECT_EQ(Queue(gatherer),
                  (std::vector<std::pair<TcxCustomItemProducer*, int>>{{a, 0}, {b, 0}, {b, 1}, {b, 2}}));
        gatherer.CancelRequests(b);
        EXPECT_EQ(Queue(gatherer), (std::vector<std::pair<TcxCustomItemProducer*, int>>{{a, 0}}));
        gatherer.CancelRequests(a);
        EXPECT_TRUE(Queue(gatherer).empty());
        EXPECT_TRUE(gatherer.WaitUntilIdle(0)) << "a cancelled request still counts as queued";
        // A request queued again after the cancel is a new one.
        gatherer.QueueRequest(a, 0, false);
        EXPECT_EQ(Queue(gatherer), (std::vector<std::pair<TcxCustomItemProducer*, int>>{{a, 0}}));
        gatherer.CancelRequests(a);
        gatherer.ResumeFetching();
        a->~TestProducer();
        b->~TestProducer();
        for (void* block : blocks)
            VirtualFree(block, 0, MEM_RELEASE);
    }
}

TEST_F(GathererTest, ItemsInViewAreQueuedFirstInTheirOrder)
{
    auto folder = MakeFakeFolder(Folders(6));
    TestProducer p(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    gatherer.PauseFetching();
    p.QueueUnfetchedItems(2, 2);
    EXPECT_EQ(Queue(gatherer), (std::vector<std::pair<TcxCustomItemProducer*, int>>{
                                   {&p, 2}, {&p, 3}, {&p, 0}, {&p, 1}, {&p, 4}, {&p, 5}}));
    gatherer.CancelRequests(&p);
    gatherer.ResumeFetching();
}

TEST_F(GathererTest, WorkerFetchesEveryItemAndPostsOneMessageEach)
{
    auto folder = MakeFakeFolder(Folders(20));
    TestProducer p(&sink, &gatherer);
    p.background = true;
    p.ProduceItems(folder.get(), folderList.get(), 0);
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(MsgItemUpdated) >= 20; }));
    EXPECT_EQ(sink.Count(MsgItemUpdated), 20);
    p.BeginReadItems();
    for (const auto& item : p.Items()) {
        EXPECT_TRUE(item->DetailsFetched);
        EXPECT_FALSE(item->FetchPending());
    }
    p.EndReadItems();
    EXPECT_EQ(p.fetchedOnWorker.load(), 20);
}

TEST_F(GathererTest, RequestForAnIndexNoLongerListedIsDroppedSilently)
{
    auto folder = MakeFakeFolder(Folders(3));
    TestProducer p(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    gatherer.QueueRequest(&p, 99, false);
    gatherer.QueueRequest(&p, 0, false);
    ASSERT_TRUE(sink.PumpUntil([&] { return Updated(0); }));
    EXPECT_FALSE(Updated(99));
}

TEST_F(GathererTest, ErrorOnOneRequestReleasesTheLockAndTheWorkerGoesOn)
{
    auto items = Folders(3);
    items[0].throwOnDetails = true;
    auto folder = MakeFakeFolder(items);
    TestProducer p(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    gatherer.QueueRequest(&p, 0, false);
    gatherer.QueueRequest(&p, 1, false);
    ASSERT_TRUE(sink.PumpUntil([&] { return Updated(1); }));
    EXPECT_FALSE(Updated(0));
    EXPECT_TRUE(gatherer.WorkerRunning());
    p.BeginWriteItems(); // would wait forever if the failed request kept a side
    EXPECT_FALSE(p.Item(0)->DetailsFetched);
    p.EndWriteItems();
}

TEST_F(GathererTest, PauseReturnsWhileTheUserInterfaceHoldsTheWriteSide)
{
    auto folder = MakeFakeFolder(Folders(2));
    TestProducer p(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    for (int round = 0; round < 50; ++round) {
        p.BeginWriteItems();
        gatherer.QueueRequest(&p, round % 2, false);
        gatherer.PauseFetching();
        gatherer.ResumeFetching();
        gatherer.PauseFetching();
        p.EndWriteItems();
        gatherer.ResumeFetching();
    }
    ASSERT_TRUE(sink.PumpUntil([&] { return Updated(0) && Updated(1); }));
}

TEST_F(GathererTest, PauseReturnsWhileTheWorkerWaitsToPublish)
{
    auto folder = MakeFakeFolder(Folders(1));
    UniqueEvent reached(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    folder->detailReached = reached.get();
    TestProducer p(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    p.BeginReadItems();
    gatherer.QueueRequest(&p, 0, false);
    ASSERT_EQ(WaitForSingleObject(reached.get(), 10000), WAIT_OBJECT_0);
    gatherer.PauseFetching(); // the worker is now fetching or waiting for the write side
    p.EndReadItems();
    gatherer.ResumeFetching();
    ASSERT_TRUE(sink.PumpUntil([&] { return Updated(0); }));
    p.BeginReadItems();
    EXPECT_TRUE(p.Item(0)->DetailsFetched);
    p.EndReadItems();
}

TEST_F(GathererTest, CancelWhileTheWorkerWaitsForTheProducersLock)
{
    auto folder = MakeFakeFolder(Folders(1));
    TestProducer p(&sink, &gatherer);
    TestProducer q(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    q.ProduceItems(folder.get(), folderList.get(), 0);
    p.BeginWriteItems();
    gatherer.QueueRequest(&p, 0, false);
    gatherer.CancelRequests(&p);
    p.EndWriteItems();
    gatherer.QueueRequest(&q, 0, false);
    ASSERT_TRUE(sink.PumpUntil([&] { return sink.Count(MsgItemUpdated) >= 1; }));
    EXPECT_EQ(sink.Count(MsgItemUpdated), 1);
    EXPECT_FALSE(p.Item(0)->DetailsFetched);
    EXPECT_TRUE(q.Item(0)->DetailsFetched);
}

TEST_F(GathererTest, StoppingWithQueuedRequestsServesNone)
{
    auto folder = MakeFakeFolder(Folders(5));
    TestProducer p(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    gatherer.PauseFetching();
    for (int i = 0; i < 5; ++i)
        gatherer.QueueRequest(&p, i, false);
    gatherer.StopWorker();
    gatherer.StopWorker(); // harmless
    EXPECT_FALSE(gatherer.WorkerRunning());
    MSG msg;
    int posted = 0;
    while (PeekMessageW(&msg, sink.ShellOwnerWindow(), MsgItemUpdated, MsgItemUpdated, PM_REMOVE))
        ++posted;
    EXPECT_EQ(posted, 0);
    EXPECT_EQ(folder->detailQueries.load(), 0);
    gatherer.ResumeFetching();
    gatherer.PauseFetching(); // a pause never waits for a worker that has ended
    gatherer.ResumeFetching();
    gatherer.CancelRequests(nullptr);
}

TEST(GathererModuleTest, ModuleStopEndsEveryWorker)
{
    TcxShellItemsInfoGatherer first;
    TcxShellItemsInfoGatherer second;
    ASSERT_TRUE(first.WorkerRunning());
    TcxShellItemsInfoGatherer::StopAllWorkers();
    EXPECT_FALSE(first.WorkerRunning());
    EXPECT_FALSE(second.WorkerRunning());
}

// Thousands of pause/resume/cancel cycles against a worker kept busy with slow items.
// From the return of a pause until the resume the worker must touch no producer.
TEST_F(GathererTest, StressPauseResumeCancelAgainstABusyWorker)
{
    constexpr int ItemCount = 64;
    auto folder = MakeFakeFolder(Folders(ItemCount, 200000));
    TestProducer p(&sink, &gatherer);
    TestProducer q(&sink, &gatherer);
    p.ProduceItems(folder.get(), folderList.get(), 0);
    q.ProduceItems(folder.get(), folderList.get(), 0);
    // Work inside the busy part too (as a tree's has-children test would do).
    std::atomic<int> busyDone{0};
    auto busyWork = [&busyDone](TcxShellItemInfo*) {
        volatile int sink = 0;
        for (int i = 0; i < 100000; ++i)
            sink = sink + i;
        ++busyDone;
    };
    p.onItemFetched = busyWork;
    q.onItemFetched = busyWork;
    std::mt19937 random(12345);
    int stale = 0;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    int cycles = 0;
    for (; cycles < 5000 && GetTickCount64() < deadline; ++cycles) {
        TestProducer& target = (random() % 2) ? p : q;
        switch (random() % 6) {
        case 0:
        case 1: {
            gatherer.PauseFetching();
            // The worker may go on with private copies, but touches no producer.
            auto touched = [&] {
                return p.fetchedOnWorker.load() + q.fetchedOnWorker.load() + busyDone.load() +
                       p.notifiedOnWorker.load() + q.notifiedOnWorker.load();
            };
            const int before = touched();
            HoldFor(300); // the pause lasts a while, as the user-interface thread's work would
            const int after = touched();
            stale += after != before ? 1 : 0;
            gatherer.ResumeFetching();
            break;
        }
        case 2:
            gatherer.QueueRequest(&target, static_cast<int>(random() % ItemCount), random() % 3 == 0);
            break;
        case 3: gatherer.CancelRequests(&target); break;
        case 4:
            target.BeginWriteItems();
            gatherer.PauseFetching();
            target.EndWriteItems();
            gatherer.ResumeFetching();
            break;
        case 5:
            target.BeginReadItems();
            gatherer.PauseFetching();
            gatherer.ResumeFetching();
            target.EndReadItems();
            break;
        }
        if (cycles % 100 == 0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
    }
    EXPECT_EQ(stale, 0) << "the worker ran while paused";
    EXPECT_EQ(gatherer.PauseCount(), 0);
    // Afterwards every item still gets served. Once the cancellation has returned the
    // worker posts nothing more for the old requests, so the drained queue is clean.
    gatherer.CancelRequests(nullptr);
    sink.PumpUntil([] { return true; }, 0);
    sink.Clear();
    for (int i = 0; i < ItemCount; ++i)
        gatherer.QueueRequest(&p, i, false);
    auto allServed = [&] {
        for (int i = 0; i < ItemCount; ++i)
            if (!Updated(static_cast<WPARAM>(i)))
                return false;
        return true;
    };
    ASSERT_TRUE(sink.PumpUntil(allServed, 60000));
    p.BeginReadItems();
    for (const auto& item : p.Items())
        EXPECT_TRUE(item->DetailsFetched);
    p.EndReadItems();
    RecordProperty("cycles", cycles);
}

} // namespace
