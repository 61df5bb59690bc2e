#include "cxShellGatherer.h"

#include <algorithm>

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

TcxShellItemsInfoGatherer::TcxShellItemsInfoGatherer(IcxShellOwner* ownerControl) : m_ownerControl(ownerControl)
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
            g_gatherers->erase(std::remove(g_gatherers->begin(), g_gatherers->end(), this), g_gatherers->end());
            if (g_gatherers->empty()) {
                delete g_gatherers;
                g_gatherers = nullptr;
            }
        }
    }
    StopWorker();
}

bool TcxShellItemsInfoGatherer::OnWorkerThread() const { return std::this_thread::get_id() == m_workerId; }

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
            m_wake.wait(lock, [this] { return m_terminate || (m_pauseCount == 0 && !RequestQueue.empty()); });
            if (m_terminate)
                break;
            const TcxFetchRequest request = RequestQueue.front();
            RequestQueue.pop_front();
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
            if (outcome == TcxCustomItemProducer::TcxFetchOutcome::Interrupted && !m_currentCancelled && !m_terminate)
                RequestQueue.push_front(request);
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

void TcxShellItemsInfoGatherer::QueueRequest(TcxCustomItemProducer* producer, int index, bool priority)
{
    if (!producer)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(RequestQueue.begin(), RequestQueue.end(),
        [&](const TcxFetchRequest& r) { return r.Producer == producer && r.Index == index; });
    if (it == RequestQueue.end()) {
        const TcxFetchRequest request{producer, index, priority};
        if (priority)
            RequestQueue.push_front(request);
        else
            RequestQueue.push_back(request);
    } else if (priority) {
        TcxFetchRequest request = *it;
        request.Priority = true;
        RequestQueue.erase(it);
        RequestQueue.push_front(request);
    }
    m_wake.notify_all();
}

void TcxShellItemsInfoGatherer::CancelRequests(TcxCustomItemProducer* producer)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_cancelling)
        return;
    m_cancelling = true;
    RequestQueue.erase(std::remove_if(RequestQueue.begin(), RequestQueue.end(),
                           [producer](const TcxFetchRequest& r) { return !producer || r.Producer == producer; }),
        RequestQueue.end());
    if (m_hasCurrent && (!producer || m_current.Producer == producer)) {
        m_currentCancelled = true;
        if (m_busy)
            m_currentStop.request_stop();
        WaitForIdle(lock);
    }
    m_cancelling = false;
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
    return {RequestQueue.begin(), RequestQueue.end()};
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
