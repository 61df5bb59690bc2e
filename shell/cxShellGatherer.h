// The background worker of a shell control: fetches item details from a queue of
// requests on its own thread and posts item-updated messages to the control's window.
#pragma once

#include "cxShellItems.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <stop_token>
#include <thread>
#include <unordered_map>
#include <vector>

class TcxShellItemsInfoGatherer : private IcxFetchGate {
public:
    explicit TcxShellItemsInfoGatherer(IcxShellOwner* ownerControl = nullptr);
    TcxShellItemsInfoGatherer(const TcxShellItemsInfoGatherer&) = delete;
    TcxShellItemsInfoGatherer& operator=(const TcxShellItemsInfoGatherer&) = delete;
    ~TcxShellItemsInfoGatherer();

    // Keeps the worker from taking requests; returns once the worker is idle (or has
    // ended). Nested pauses count; only the first one waits.
    void PauseFetching();
    void ResumeFetching();
    // Queues a fetch; an item already queued keeps one request, moved to the front when
    // priority is asked.
    void QueueRequest(TcxCustomItemProducer* producer, int index, bool priority);
    // Queues many items of one producer at once: the back ones in their order, then the
    // front ones so that they end up first, in their order. One lock and one wake-up for all.
    void QueueRequests(TcxCustomItemProducer* producer, const std::vector<int>& back,
                       const std::vector<int>& front);
    // Removes the queued requests of a producer (all of them for null); on return the
    // worker no longer touches that producer.
    void CancelRequests(TcxCustomItemProducer* producer);
    // Ends the worker without serving what is still queued; harmless when repeated.
    void StopWorker();

    // Waits, at most timeoutMs, until nothing is queued and the worker holds no request;
    // answers whether that came. Posted results may still be on their way to the window.
    bool WaitUntilIdle(unsigned timeoutMs);

    int PauseCount() const;
    bool WorkerRunning() const;
    std::vector<TcxFetchRequest> QueuedRequests() const;

    // Cancels a producer's requests in every gatherer of the process.
    static void CancelRequestsEverywhere(TcxCustomItemProducer* producer);
    // Ends the worker of every gatherer still alive (module stop).
    static void StopAllWorkers();

private:
    void Detach() override;
    bool Reattach() override;
    void WorkerLoop();
    bool OnWorkerThread() const;
    // Waits, with the state lock held, until the worker is idle or gone.
    void WaitForIdle(std::unique_lock<std::mutex>& lock);

    IcxShellOwner* m_ownerControl;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the worker waits here for work or the end
    std::condition_variable m_idle; // pausing threads wait here for the worker
    // A queued request with the number it was queued under. Moving a request to the front
    // queues it again under a new number; the older entry is then stale and skipped, so
    // that neither queueing nor moving ever searches the queue.
    struct QueuedRequest {
        TcxFetchRequest request;
        unsigned serial;
    };
    // The serial each item of a producer was last queued under (0: not queued), so that a
    // live check, a queueing and a removal each cost one index into an array.
    struct TProducerSerials {
        std::vector<unsigned> serials;
        size_t live = 0;
    };
    unsigned NextSerial() noexcept;
    unsigned QueuedSerial(const TcxCustomItemProducer* producer, int index) const;
    // Marks the item queued under serial, or not queued for 0.
    void SetQueuedSerial(const TcxCustomItemProducer* producer, int index, unsigned serial);
    void PushRequest(const TcxFetchRequest& request, bool front);
    bool IsLive(const QueuedRequest& entry) const;
    std::deque<QueuedRequest> RequestQueue;
    std::unordered_map<const TcxCustomItemProducer*, TProducerSerials>
        m_queuedSerials;      // producers with live entries
    size_t m_queuedCount = 0; // live entries of all producers
    unsigned m_nextRequestSerial = 0;
    int m_pauseCount = 0;
    bool m_terminate = false;
    bool m_cancelling = false;
    bool m_workerAlive = false;
    bool m_busy = false;
    bool m_hasCurrent = false; // the worker holds a request (busy, or detached from it)
    TcxFetchRequest m_current{};
    bool m_currentCancelled = false;
    std::stop_source m_currentStop;
    std::thread::id m_workerId;
    std::thread WorkerThread;
};
