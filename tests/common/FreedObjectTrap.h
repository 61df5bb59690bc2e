// Catches a use of an object after it was freed: objects of FreedObjectTrap<T> live on pages of
// their own, which are made inaccessible when the object is deleted. A touch of the freed block
// is counted by a vectored handler, which opens the page again so that the program goes on and
// the test can say what went wrong instead of crashing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

class FreedMemoryWatch {
public:
    FreedMemoryWatch() { m_handler = AddVectoredExceptionHandler(1, &FreedMemoryWatch::OnException); }
    ~FreedMemoryWatch()
    {
        RemoveVectoredExceptionHandler(m_handler);
        for (int i = 0; i < s_count; ++i)
            VirtualFree(s_blocks[i].start, 0, MEM_RELEASE);
        s_count = 0;
        s_touches = 0;
    }
    FreedMemoryWatch(const FreedMemoryWatch&) = delete;
    FreedMemoryWatch& operator=(const FreedMemoryWatch&) = delete;

    // How often freed blocks were read or written since the watch began.
    static int Touches() { return s_touches; }

    static void* Allocate(std::size_t size)
    {
        if (s_count == kMaxBlocks)
            throw std::bad_alloc();
        void* p = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!p)
            throw std::bad_alloc();
        s_blocks[s_count++] = {static_cast<char*>(p), size};
        return p;
    }
    static void Free(void* p, std::size_t size)
    {
        DWORD old = 0;
        VirtualProtect(p, size, PAGE_NOACCESS, &old);
    }

private:
    struct Block {
        char* start;
        std::size_t size;
    };
    static constexpr int kMaxBlocks = 64;
    static inline Block s_blocks[kMaxBlocks]{};
    static inline int s_count = 0;
    static inline int s_touches = 0;
    void* m_handler = nullptr;

    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* r = info->ExceptionRecord;
        if (r->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || r->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        auto* address = reinterpret_cast<char*>(r->ExceptionInformation[1]);
        for (int i = 0; i < s_count; ++i) {
            const Block& b = s_blocks[i];
            if (address >= b.start && address < b.start + b.size) {
                ++s_touches;
                DWORD old = 0;
                VirtualProtect(b.start, b.size, PAGE_READWRITE, &old);
                return EXCEPTION_CONTINUE_EXECUTION;
            }
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
};

// T, allocated where FreedMemoryWatch sees a use after delete. Needs a live FreedMemoryWatch.
template <typename T> class FreedObjectTrap : public T {
public:
    using T::T;
    static void* operator new(std::size_t size) { return FreedMemoryWatch::Allocate(size); }
    static void operator delete(void* p, std::size_t size) { FreedMemoryWatch::Free(p, size); }
};
