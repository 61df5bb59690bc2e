#include "cxShellGatherer.h"

#include <algorithm>
#include <chrono>

namespace {

std::mutex g_gatherersLock;
std::vector<TcxShellItemsInfoGatherer*>* g_gatherers = nullptr;

// COM for the shell calls of the worker, undone when the thread ends.
struct ApartmentScope {
    bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~ApartmentScope()
    {
        if (started)
            CoUninitialize();
    }
};

} // namespace

TcxShellItemsInfoGatherer::TcxShellItemsInfoGatherer(IcxShellOwner* ownerControl)
    : m_ownerControl(ownerControl)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_workerAlive = true;
        WorkerThread = std::thread([this] { WorkerLoop(); });
        m_workerId = WorkerThread.get_id();
    }
    std::lock_guard<std::mutex> lock(g_gatherersLock);
    if (!g_gatherers)
        g_gatherers = new std::vector<TcxShellItemsInfoGatherer*>();
    g_gatherers->push_back(this);
}

TcxShellItemsInfoGatherer::~TcxShellItemsInfoGatherer()
{
    {
        std::lock_guard<std::mutex> lock(g_gatherersLock);
        if (g_gatherers) {
            g_gatherers->erase(std::remove(g_gatherers->begin(), g_gatherers->end(), this),
                               g_gatherers->end());
            if (g_gatherers->empty()) {
                delete g_gatherers;
                g_gatherers = nullptr;
            }
        }
    }
    StopWorker();
}

bool TcxShellItemsInfoGatherer::OnWorkerThread() const
{
    return std::this_thread::get_id() == m_workerId;
}

void TcxShellItemsInfoGatherer::WaitForIdle(std::unique_lock<std::mutex>& lock)
{
    // The worker itself must never wait for its own idleness.
    if (OnWorkerThread())
        return;
    m_idle.wait(lock, [this] { return !m_busy || !m_workerAlive; });
}

void TcxShellItemsInfoGatherer::WorkerLoop()
{
    ApartmentScope apartment;
    std::unique_lock<std::mutex> lock(m_mutex);
    try {
        for (;;) {
            m_wake.wait(lock, [this] { return m_terminate || (m_pauseCount == 0 && m_queuedCount > 0); });
            if (m_terminate)
                break;
            while (!RequestQueue.empty() && !IsLive(RequestQueue.front()))
                RequestQueue.pop_front();
            if (RequestQueue.empty())
                continue;
            const TcxFetchRequest request = RequestQueue.front().request;
            RequestQueue.pop_front();
            SetQueuedSerial(request.Producer, request.Index, 0);
            m_current = request;
            m_hasCurrent = true;
            m_currentCancelled = false;
            m_currentStop = std::stop_source();
            const std::stop_token stop = m_currentStop.get_token();
            m_busy = true;
            lock.unlock();

            // An error on one request ends only that request: every lock it took is
            // released by its guards and the worker goes on with the next.
            auto outcome = TcxCustomItemProducer::TcxFetchOutcome::Dropped;
            try {
                outcome = request.Producer->HandleFetchRequest(request.Index, stop, this);
                if (outcome == TcxCustomItemProducer::TcxFetchOutcome::Done)
                    request.Producer->NotifyItemUpdated(request);
            } catch (...) {
                outcome = TcxCustomItemProducer::TcxFetchOutcome::Dropped;
            }

            lock.lock();
            // A request given up because of a pause is served again after it.
            if (outcome == TcxCustomItemProducer::TcxFetchOutcome::Interrupted && !m_currentCancelled &&
                !m_terminate && !QueuedSerial(request.Producer, request.Index))
                PushRequest(request, true);
            m_busy = false;
            m_hasCurrent = false;
            m_idle.notify_all();
        }
    } catch (...) {
        // Nothing may leave the thread procedure; the worker simply ends.
        if (!lock.owns_lock())
            lock.lock();
    }
    m_busy = false;
    m_workerAlive = false;
    m_idle.notify_all();
}

void TcxShellItemsInfoGatherer::Detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = false;
    m_idle.notify_all();
}

bool TcxShellItemsInfoGatherer::Reattach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_terminate || m_pauseCount > 0 || m_currentCancelled)
        return false;
    m_busy = true;
    return true;
}

void TcxShellItemsInfoGatherer::PauseFetching()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_pauseCount++ == 0 && m_busy)
        m_currentStop.request_stop(); // frees a worker that waits for an items lock
    WaitForIdle(lock);
}

void TcxShellItemsInfoGatherer::ResumeFetching()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pauseCount > 0 && --m_pauseCount == 0)
        m_wake.notify_all();
}

unsigned TcxShellItemsInfoGatherer::NextSerial() noexcept
{
    // Serial 0 means "not queued": skipped when the count wraps.
    if (++m_nextRequestSerial == 0)
        ++m_nextRequestSerial;
    return m_nextRequestSerial;
}

unsigned TcxShellItemsInfoGatherer::QueuedSerial(const TcxCustomItemProducer* producer, int index) const
{
    auto it = m_queuedSerials.find(producer);
    if (it == m_queuedSerials.end() || index < 0 || static_cast<size_t>(index) >= it->second.serials.size())
        return 0;
    return it->second.serials[static_cast<size_t>(index)];
}

void TcxShellItemsInfoGatherer::SetQueuedSerial(const TcxCustomItemProducer* producer, int index,
                                                unsigned serial)
{
    if (index < 0)
        return;
    const auto at = static_cast<size_t>(index);
    if (!serial) {
        auto it = m_queuedSerials.find(producer);
        if (it == m_queuedSerials.end() || at >= it->second.serials.size() || !it->second.serials[at])
            return;
        it->second.serials[at] = 0;
        --m_queuedCount;
        if (--it->second.live == 0)
            m_queuedSerials.erase(it);
        return;
    }
    TProducerSerials& entry = m_queuedSerials[producer];
    if (at >= entry.serials.size())
        entry.serials.resize(at + 1, 0);
    if (!entry.serials[at]) {
        ++entry.live;
        ++m_queuedCount;
    }
    entry.serials[at] = serial;
}

void TcxShellItemsInfoGatherer::PushRequest(const TcxFetchRequest& request, bool front)
{
    if (request.Index < 0)
        return; // no item has it; nothing to fetch
    const unsigned serial = NextSerial();
    SetQueuedSerial(request.Producer, request.Index, serial);
    if (front)
        RequestQueue.push_front({request, serial});
    else
        RequestQueue.push_back({request, serial});
}

bool TcxShellItemsInfoGatherer::IsLive(const QueuedRequest& entry) const
{
    return QueuedSerial(entry.request.Producer, entry.request.Index) == entry.serial;
}

void TcxShellItemsInfoGatherer::QueueRequest(TcxCustomItemProducer* producer, int index, bool priority)
{
    if (!producer)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!QueuedSerial(producer, index))
        PushRequest({producer, index, priority}, priority);
    else if (priority)
        PushRequest({producer, index, true}, true); // the older entry is stale from now on
    m_wake.notify_all();
}

void TcxShellItemsInfoGatherer::QueueRequests(TcxCustomItemProducer* producer, const std::vector<int>& back,
                                              const std::vector<int>& front)
{
    if (!producer || (back.empty() && front.empty()))
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // A large folder queues thousands at once: its table is found and grown once.
    if (!back.empty()) {
        TProducerSerials& entry = m_queuedSerials[producer];
        const int highest = *std::max_element(back.begin(), back.end());
        if (highest >= 0 && static_cast<size_t>(highest) >= entry.serials.size())
            entry.serials.resize(static_cast<size_t>(highest) + 1, 0);
        for (int index : back) {
            if (index < 0 || entry.serials[static_cast<size_t>(index)])
                continue;
            const unsigned serial = NextSerial();
            entry.serials[static_cast<size_t>(index)] = serial;
            ++entry.live;
            ++m_queuedCount;
            RequestQueue.push_back({{producer, index, false}, serial});
        }
        if (entry.live == 0)
            m_queuedSerials.erase(producer);
    }
    // Front insertion one by one: walk backwards so that they end up in order.
    for (auto it = front.rbegin(); it != front.rend(); ++it)
        PushRequest({producer, *it, true}, true);
    m_wake.notify_all();
}

void TcxShellItemsInfoGatherer::CancelRequests(TcxCustomItemProducer* producer)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_cancelling)
        return;
    m_cancelling = true;
    if (!producer) {
        RequestQueue.clear();
        m_queuedSerials.clear();
        m_queuedCount = 0;
    } else if (auto it = m_queuedSerials.find(producer); it != m_queuedSerials.end()) {
        RequestQueue.erase(
            std::remove_if(RequestQueue.begin(), RequestQueue.end(),
                           [producer](const QueuedRequest& r) { return r.request.Producer == producer; }),
            RequestQueue.end());
        m_queuedCount -= it->second.live;
        m_queuedSerials.erase(it);
    }
    if (m_hasCurrent && (!producer || m_current.Producer == producer)) {
        m_currentCancelled = true;
        if (m_busy)
            m_currentStop.request_stop();
        WaitForIdle(lock);
    }
    m_cancelling = false;
    m_idle.notify_all(); // a wait for an empty queue may be over now
}

void TcxShellItemsInfoGatherer::StopWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!WorkerThread.joinable())
            return;
        m_terminate = true;
        if (m_busy)
            m_currentStop.request_stop();
        m_wake.notify_all();
    }
    if (OnWorkerThread()) {
        WorkerThread.detach();
        return;
    }
    WorkerThread.join();
}

bool TcxShellItemsInfoGatherer::WaitUntilIdle(unsigned timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (OnWorkerThread())
        return false;
    auto idle = [this] { return !m_hasCurrent && m_queuedCount == 0; };
    m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return idle() || !m_workerAlive; });
    return idle();
}

int TcxShellItemsInfoGatherer::PauseCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pauseCount;
}

bool TcxShellItemsInfoGatherer::WorkerRunning() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_workerAlive;
}

std::vector<TcxFetchRequest> TcxShellItemsInfoGatherer::QueuedRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<TcxFetchRequest> live;
    for (const QueuedRequest& entry : RequestQueue)
        if (IsLive(entry))
            live.push_back(entry.request);
    return live;
}

void TcxShellItemsInfoGatherer::CancelRequestsEverywhere(TcxCustomItemProducer* producer)
{
    std::lock_guard<std::mutex> lock(g_gatherersLock);
    if (g_gatherers)
        for (auto* gatherer : *g_gatherers)
            gatherer->CancelRequests(producer);
}

void TcxShellItemsInfoGatherer::StopAllWorkers()
{
    std::lock_guard<std::mutex> lock(g_gatherersLock);
    if (g_gatherers)
        for (auto* gatherer : *g_gatherers)
            gatherer->StopWorker();
}
