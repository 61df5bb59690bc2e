// Watches the task allocator (where identifier lists and names from the shell come from)
// and keeps the blocks made while it is registered and not yet freed: what is left after a
// piece of work that should free all it made is a leak.
#pragma once

#include <objbase.h>

#include <mutex>
#include <set>

class AllocationSpy : public IMallocSpy {
public:
    // Blocks made and not yet freed.
    size_t Live()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_live.size();
    }
    // Allocations seen since the spy was registered (shows that it watches at all).
    size_t Seen()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }
    // From now on only blocks made after this point count.
    void TakeBaseline()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_live.clear();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The spy lives as long as the program; the allocator does not own it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual) {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_seen;
            m_live.insert(actual);
        }
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL spied) override
    {
        if (request && spied) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_live.erase(request);
        }
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL spied) override
    {
        if (request && spied) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_live.erase(request);
        }
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return PostAlloc(actual); }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    std::mutex m_mutex;
    std::set<void*> m_live;
    size_t m_seen = 0;
};
