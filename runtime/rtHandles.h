// Owners for platform handles and COM interfaces: one move-only owner per handle kind,
// a guard for SelectObject and one for BeginPaint/EndPaint. Raw handles come out only
// through get().
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

template <typename Handle, typename Traits> class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : m_handle(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return Traits::IsValid(m_handle); }
    Handle release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) noexcept
    {
        Handle old = std::exchange(m_handle, h);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }
    // For out-parameters of platform calls; frees what was held before.
    Handle* put() noexcept
    {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::Invalid();
};

template <typename H, auto CloseFn> struct NullHandleTraits {
    static H Invalid() noexcept { return nullptr; }
    static bool IsValid(H h) noexcept { return h != nullptr; }
    static void Close(H h) noexcept { CloseFn(h); }
};

struct GdiObjectTraits {
    static HGDIOBJ Invalid() noexcept { return nullptr; }
    static bool IsValid(HGDIOBJ h) noexcept { return h != nullptr; }
    static void Close(HGDIOBJ h) noexcept { DeleteObject(h); }
};

template <typename H> struct GdiTraits {
    static H Invalid() noexcept { return nullptr; }
    static bool IsValid(H h) noexcept { return h != nullptr; }
    static void Close(H h) noexcept { DeleteObject(h); }
};

struct KernelHandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};

struct FindHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { FindClose(h); }
};

inline void DeleteDcHandle(HDC dc)
{
    DeleteDC(dc);
}
inline void FreeLibraryHandle(HMODULE m)
{
    FreeLibrary(m);
}
inline void DestroyIconHandle(HICON i)
{
    DestroyIcon(i);
}
inline void DestroyCursorHandle(HCURSOR c)
{
    DestroyCursor(c);
}
inline void DestroyMenuHandle(HMENU m)
{
    DestroyMenu(m);
}

using UniqueBrush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using UniquePen = UniqueHandle<HPEN, GdiTraits<HPEN>>;
using UniqueFont = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using UniqueRegion = UniqueHandle<HRGN, GdiTraits<HRGN>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueMemoryDC = UniqueHandle<HDC, NullHandleTraits<HDC, DeleteDcHandle>>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueEvent = UniqueKernelHandle;
using UniqueFindHandle = UniqueHandle<HANDLE, FindHandleTraits>;
using UniqueLibrary = UniqueHandle<HMODULE, NullHandleTraits<HMODULE, FreeLibraryHandle>>;
using UniqueIcon = UniqueHandle<HICON, NullHandleTraits<HICON, DestroyIconHandle>>;
using UniqueMenu = UniqueHandle<HMENU, NullHandleTraits<HMENU, DestroyMenuHandle>>;

// A device context obtained with GetDC/GetWindowDC, released to its window.
class WindowDC {
public:
    explicit WindowDC(HWND wnd) noexcept : m_wnd(wnd), m_dc(GetDC(wnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (m_dc)
            ReleaseDC(m_wnd, m_dc);
    }
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
};

// Restores what SelectObject replaced.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Restores a device context's drawing state saved with SaveDC.
class SaveDCGuard {
public:
    explicit SaveDCGuard(HDC dc) noexcept : m_dc(dc), m_saved(SaveDC(dc)) {}
    SaveDCGuard(const SaveDCGuard&) = delete;
    SaveDCGuard& operator=(const SaveDCGuard&) = delete;
    ~SaveDCGuard()
    {
        if (m_saved)
            RestoreDC(m_dc, m_saved);
    }

private:
    HDC m_dc;
    int m_saved;
};

// Puts back what a paint may change in a caller's device context (colours, modes, origins,
// clip region, selected font, brush and pen) without SaveDC: restoring a saved context
// selects its font again, and selecting a font costs as much as drawing a short caption.
// Map mode, graphics mode and transforms are not covered: callers paint this way only into
// contexts whose painters leave them alone.
class DrawingStateGuard {
public:
    explicit DrawingStateGuard(HDC dc) noexcept;
    DrawingStateGuard(const DrawingStateGuard&) = delete;
    DrawingStateGuard& operator=(const DrawingStateGuard&) = delete;
    ~DrawingStateGuard();

private:
    HDC m_dc;
    COLORREF m_text, m_back;
    int m_bkMode, m_rop2;
    UINT m_align;
    HGDIOBJ m_font, m_brush, m_pen;
    HRGN m_clip;
    bool m_hadClip = false;
    POINT m_windowOrg{}, m_viewportOrg{}, m_brushOrg{};
};

// BeginPaint/EndPaint pair.
class PaintGuard {
public:
    explicit PaintGuard(HWND wnd) noexcept : m_wnd(wnd) { BeginPaint(wnd, &m_ps); }
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() { EndPaint(m_wnd, &m_ps); }
    HDC dc() const noexcept { return m_ps.hdc; }
    const PAINTSTRUCT& ps() const noexcept { return m_ps; }

private:
    HWND m_wnd;
    PAINTSTRUCT m_ps{};
};

// Holds one reference to a COM interface.
template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept
    {
        ComPtr r;
        r.m_ptr = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr Copy(T* p) noexcept
    {
        if (p)
            p->AddRef();
        return Attach(p);
    }
    ComPtr(const ComPtr& other) noexcept : m_ptr(other.m_ptr)
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    void reset() noexcept
    {
        if (T* p = std::exchange(m_ptr, nullptr))
            p->Release();
    }
    T* detach() noexcept { return std::exchange(m_ptr, nullptr); }
    T** put() noexcept
    {
        reset();
        return &m_ptr;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    template <typename U> ComPtr<U> As(REFIID iid) const noexcept
    {
        ComPtr<U> r;
        if (m_ptr)
            m_ptr->QueryInterface(iid, r.put_void());
        return r;
    }

private:
    T* m_ptr = nullptr;
};
