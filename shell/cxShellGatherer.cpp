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
            m_wake.wait(lock,
                        [this] { return m_terminate || (m_pauseCount == 0 && !m_queuedSerials.empty()); });
            if (m_terminate)
                break;
            while (!RequestQueue.empty() && !IsLive(RequestQueue.front()))
                RequestQueue.pop_front();
            if (RequestQueue.empty())
                continue;
            const TcxFetchRequest request = RequestQueue.front().request;
            RequestQueue.pop_front();
            m_queuedSerials.erase(RequestKey(request.Producer, request.Index));
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
                !m_terminate && !m_queuedSerials.count(RequestKey(request.Producer, request.Index)))
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

void TcxShellItemsInfoGatherer::PushRequest(const TcxFetchRequest& request, bool front)
{
    const unsigned serial = ++m_nextRequestSerial;
    m_queuedSerials[RequestKey(request.Producer, request.Index)] = serial;
    if (front)
        RequestQueue.push_front({request, serial});
    else
        RequestQueue.push_back({request, serial});
}

bool TcxShellItemsInfoGatherer::IsLive(const QueuedRequest& entry) const
{
    auto it = m_queuedSerials.find(RequestKey(entry.request.Producer, entry.request.Index));
    return it != m_queuedSerials.end() && it->second == entry.serial;
}

void TcxShellItemsInfoGatherer::QueueRequest(TcxCustomItemProducer* producer, int index, bool priority)
{
    if (!producer)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_queuedSerials.find(RequestKey(producer, index));
    if (it == m_queuedSerials.end())
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
    for (int index : back)
        if (m_queuedSerials.find(RequestKey(producer, index)) == m_queuedSerials.end())
            PushRequest({producer, index, false}, false);
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
    } else if (!m_queuedSerials.empty()) {
        RequestQueue.erase(
            std::remove_if(RequestQueue.begin(), RequestQueue.end(),
                           [producer](const QueuedRequest& r) { return r.request.Producer == producer; }),
            RequestQueue.end());
        for (auto it = m_queuedSerials.begin(); it != m_queuedSerials.end();)
            it = (it->first >> 32) ==
                         static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(producer))
                     ? m_queuedSerials.erase(it)
                     : std::next(it);
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
    auto idle = [this] { return !m_hasCurrent && m_queuedSerials.empty(); };
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
