// Helpers of the shell layer's tests: the allocation spy, a message sink window, temp
// folders on the Wine drive, and a small fake folder for what the real shell never does.
#pragma once

#include "shell/cxShellCommon.h"
#include "shell/cxShellItems.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// Blocks of the task allocator made while the spy is registered and not yet freed.
size_t LiveSpiedBlocks();

// A hidden window that records every message it receives from the shell layer.
class MessageSink : public IcxShellOwner {
public:
    MessageSink();
    ~MessageSink();
    HWND ShellOwnerWindow() const override { return m_wnd; }

    struct Entry {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Entry> Received;
    // Pumps messages until pred holds or the bound runs out; answers pred().
    bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 10000);
    int Count(UINT message) const;
    void Clear() { Received.clear(); }

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_wnd = nullptr;
};

// A folder under the temp folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring MakeFolder(const std::wstring& relative, DWORD attributes = 0) const;
    std::wstring MakeFile(const std::wstring& relative, DWORD attributes = 0) const;

private:
    std::wstring m_path;
};

// The absolute list of a path parsed from the desktop, and the folder bound to it.
UniqueIdList ParsePath(const std::wstring& path);
ComPtr<IShellFolder> BindFolder(PCItemIDList absolute);

// ---- fake namespace ----

struct FakeItem {
    std::wstring name;
    bool folder = false;
    bool hidden = false;
    bool hasSubfolder = false;   // what the attribute query reports
    int children = 0;            // what an enumeration of the bound item yields
    bool failAttributes = false; // GetAttributesOf fails for this item
    bool throwOnDetails = false; // the detail attribute query throws (worker error)
    int spin = 0;                // busy work in the detail query (slow item)
    int overlay = 0;             // the overlay the folder tells (when it offers overlays)
};

enum class FakeNameKind { wide, offset, ansi };

class FakeFolder final : public IShellFolder, public IShellIcon, public IShellIconOverlay {
public:
    std::vector<FakeItem> items;
    bool refuseBatch = false;     // Next with more than one item answers E_INVALIDARG
    bool partialLastBatch = true; // the last batch comes with S_FALSE and items
    bool offerShellIcon = false;
    bool offerOverlay = false;
    bool failEnum = false;
    bool reverseCompare = false; // the folder's order is the reverse of the names' order
    FakeNameKind nameKind = FakeNameKind::wide;
    std::atomic<int> detailQueries{0};
    std::vector<ULONG> nextRequests;
    HANDLE detailReached = nullptr; // signalled when a detail query starts (optional)

    // A one-item list for item i: its count, a marker byte and the index.
    UniqueIdList MakeItem(int index) const;
    static int IndexOf(PCUIDLIST_RELATIVE item);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    // IShellFolder
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*,
                                               ULONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF flags, IEnumIDList** result) override;
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE item, IBindCtx*, REFIID riid,
                                           void** result) override;
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override;
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID riid, void** result) override
    {
        *result = nullptr;
        return viewObject ? viewObject(riid, result) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items,
                                              SFGAOF* attributes) override;
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*,
                                            void**) override;
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET* name) override;
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override
    {
        return E_NOTIMPL;
    }
    // IShellIcon
    HRESULT STDMETHODCALLTYPE GetIconOf(PCUITEMID_CHILD item, UINT flags, int* index) override;
    // IShellIconOverlay
    HRESULT STDMETHODCALLTYPE GetOverlayIndex(PCUITEMID_CHILD item, int* index) override;
    HRESULT STDMETHODCALLTYPE GetOverlayIconIndex(PCUITEMID_CHILD, int*) override { return E_NOTIMPL; }

    std::function<HRESULT(REFIID, void**)> uiObject; // answers GetUIObjectOf when set
    // Answers CreateViewObject when set; the folders bound below this one answer alike.
    std::function<HRESULT(REFIID, void**)> viewObject;

private:
    std::atomic<ULONG> m_refs{1};
};

// A test's COM object of one interface, owned by the test (it never frees itself): it answers
// IUnknown and that interface, and refs shows the references the code under test left.
template <typename Interface> class TestComObject : public Interface {
public:
    explicit TestComObject(const IID& iid) : m_iid(iid) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = (riid == IID_IUnknown || riid == m_iid) ? static_cast<Interface*>(this) : nullptr;
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;

private:
    IID m_iid;
};

// Info tips of a fake item: answers the text it was made with.
class FakeQueryInfo final : public TestComObject<IQueryInfo> {
public:
    explicit FakeQueryInfo(std::wstring tip) : TestComObject(IID_IQueryInfo), m_tip(std::move(tip)) {}
    HRESULT STDMETHODCALLTYPE GetInfoTip(DWORD, LPWSTR* tip) override
    {
        size_t bytes = (m_tip.size() + 1) * sizeof(wchar_t);
        *tip = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (!*tip)
            return E_OUTOFMEMORY;
        std::memcpy(*tip, m_tip.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInfoFlags(DWORD*) override { return E_NOTIMPL; }

private:
    std::wstring m_tip;
};

// A fake folder owned by a COM pointer.
ComPtr<FakeFolder> MakeFakeFolder(std::vector<FakeItem> items);

// A producer whose virtual answers the tests choose.
class TestProducer : public TcxCustomItemProducer {
public:
    explicit TestProducer(IcxShellOwner* owner, TcxShellItemsInfoGatherer* gatherer = nullptr)
        : TcxCustomItemProducer(owner), gatherer(gatherer)
    {
    }
    ~TestProducer() override { ClearItems(); }
    bool FetchInBackground() override { return background; }
    bool CanAddItem(TcxShellFolder* info) override { return !canAdd || canAdd(info); }
    DWORD EnumFlags() override { return enumFlags; }
    TcxShellItemsInfoGatherer* InfoGatherer() override { return gatherer; }
    bool InfoTipsEnabled() override { return infoTips; }
    void NotifyItemUpdated(const TcxFetchRequest& request) override
    {
        ++notifiedOnWorker;
        TcxCustomItemProducer::NotifyItemUpdated(request);
    }
    void ItemFetched(TcxShellItemInfo* item) override
    {
        ++fetchedOnWorker;
        if (onItemFetched)
            onItemFetched(item);
    }

    TcxShellItemsInfoGatherer* gatherer;
    bool background = false;
    bool infoTips = true;
    DWORD enumFlags = cxEnumFolders | cxEnumNonFolders;
    std::function<bool(TcxShellFolder*)> canAdd;
    std::function<void(TcxShellItemInfo*)> onItemFetched;
    std::atomic<int> fetchedOnWorker{0};
    std::atomic<int> notifiedOnWorker{0};
};

std::vector<std::wstring> ItemNames(TcxCustomItemProducer& producer);
