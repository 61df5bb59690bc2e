#include "ShellTestSupport.h"
#include "tests/common/AllocationSpy.h"
#include "tests/common/RemoveTree.h"

#include "shell/cxShellListView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace {

// Identifier lists and names from the shell all come from the task allocator, so what
// is left of it at the end of the suite is a leak.
AllocationSpy g_spy;

// The platform keeps some blocks of the task allocator for the life of the process (the
// desktop's own path, the system image list's icon cache); they are made here, once,
// before counting starts, by the same kinds of calls the suite makes.
void WarmUpPlatformCaches()
{
    TempFolder folder;
    folder.MakeFolder(L"sub");
    folder.MakeFile(L"file.txt");
    UniqueIdList list = ParsePath(folder.Path());
    ComPtr<IShellFolder> bound = BindFolder(list.get());
    for (const wchar_t* name : {L"sub", L"file.txt"}) {
        UniqueIdList child = ParsePath(folder.Path() + L"\\" + name);
        SHFILEINFOW info{};
        SafeFileInfo(child.get(), info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME);
        SafeFileInfo(child.get(), info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_OPENICON);
        SafeFileInfo(child.get(), info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        IdListToPath(child.get());
        ItemDisplayName(bound.get(), IdListLastItem(child.get()));
    }
    SHFILEINFOW info{};
    SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    GenericFileIcon();
    GenericFolderIcon();
    GenericOpenFolderIcon();
    GenericIconForName(L"x.txt", false);
    GenericIconForName(L"x.txt", true);
}

// The whole suite runs with the shell module started and the spy registered; at the end
// every block the suite made must have been freed.
class ShellEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(CoRegisterMallocSpy(&g_spy), S_OK);
        m_module = new TcxShellModuleScope();
        WarmUpPlatformCaches();
        g_spy.TakeBaseline();
    }
    void TearDown() override
    {
        delete m_module;
        m_module = nullptr;
        const size_t live = g_spy.Live();
        CoRevokeMallocSpy();
        EXPECT_EQ(live, 0u) << "blocks of the shell allocator never freed";
    }

private:
    TcxShellModuleScope* m_module = nullptr;
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new ShellEnvironment);

const wchar_t* const SinkClass = L"CorvaneShellTestSink";

class FakeEnum final : public IEnumIDList {
public:
    FakeEnum(FakeFolder* folder, std::vector<int> indexes) : m_folder(folder), m_indexes(std::move(indexes))
    {
        m_folder->AddRef();
    }
    ~FakeEnum() { m_folder->Release(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IEnumIDList) {
            *object = static_cast<IEnumIDList*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, PITEMID_CHILD* items, ULONG* fetched) override
    {
        m_folder->nextRequests.push_back(count);
        if (fetched)
            *fetched = 0;
        if (m_folder->refuseBatch && count > 1)
            return E_INVALIDARG;
        ULONG given = 0;
        while (given < count && m_pos < m_indexes.size())
            items[given++] = m_folder->MakeItem(m_indexes[m_pos++]).release();
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_pos = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }

private:
    FakeFolder* m_folder;
    std::vector<int> m_indexes;
    size_t m_pos = 0;
    std::atomic<ULONG> m_refs{1};
};

constexpr BYTE FakeMarker = 0xFA;

} // namespace

size_t LiveSpiedBlocks()
{
    return g_spy.Live();
}

MessageSink::MessageSink()
{
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &MessageSink::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = SinkClass;
        return RegisterClassW(&wc);
    }();
    (void)atom;
    m_wnd = CreateWindowExW(0, SinkClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), this);
    SetWindowLongPtrW(m_wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageSink::~MessageSink()
{
    SetWindowLongPtrW(m_wnd, GWLP_USERDATA, 0);
    DestroyWindow(m_wnd);
    // Drop what is still queued for the window so no later test sees it.
    MSG msg;
    while (PeekMessageW(&msg, m_wnd, 0, 0, PM_REMOVE)) {
    }
}

LRESULT CALLBACK MessageSink::WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto* self = reinterpret_cast<MessageSink*>(GetWindowLongPtrW(wnd, GWLP_USERDATA))) {
        if (message >= WM_USER)
            self->Received.push_back({message, wParam, lParam});
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

bool MessageSink::PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pred())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return pred();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

int MessageSink::Count(UINT message) const
{
    int count = 0;
    for (const auto& entry : Received)
        if (entry.message == message)
            ++count;
    return count;
}

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    m_path = std::wstring(temp) + L"cvshell" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(++serial);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    RemoveTree(m_path);
}

std::wstring TempFolder::MakeFolder(const std::wstring& relative, DWORD attributes) const
{
    const std::wstring path = m_path + L"\\" + relative;
    CreateDirectoryW(path.c_str(), nullptr);
    if (attributes)
        SetFileAttributesW(path.c_str(), attributes);
    return path;
}

std::wstring TempFolder::MakeFile(const std::wstring& relative, DWORD attributes) const
{
    const std::wstring path = m_path + L"\\" + relative;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (attributes)
        SetFileAttributesW(path.c_str(), attributes);
    return path;
}

UniqueIdList ParsePath(const std::wstring& path)
{
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(0);
    UniqueIdList list;
    ULONG eaten = 0;
    DesktopFolder()->ParseDisplayName(nullptr, nullptr, buffer.data(), &eaten, list.put(), nullptr);
    return list;
}

ComPtr<IShellFolder> BindFolder(PCItemIDList absolute)
{
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (IdListSize(absolute) == 0)
        return desktop;
    ComPtr<IShellFolder> folder;
    desktop->BindToObject(absolute, nullptr, IID_IShellFolder, folder.put_void());
    return folder;
}

// ---- FakeFolder ----

UniqueIdList FakeFolder::MakeItem(int index) const
{
    std::string name;
    for (wchar_t c : items[static_cast<size_t>(index)].name)
        name.push_back(static_cast<char>(c));
    const USHORT cb = static_cast<USHORT>(2 + 1 + sizeof(int) + name.size() + 1);
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(cb + 2));
    std::memcpy(bytes, &cb, 2);
    bytes[2] = FakeMarker;
    std::memcpy(bytes + 3, &index, sizeof(int));
    std::memcpy(bytes + 7, name.c_str(), name.size() + 1);
    bytes[cb] = 0;
    bytes[cb + 1] = 0;
    return UniqueIdList(reinterpret_cast<PItemIDList>(bytes));
}

int FakeFolder::IndexOf(PCUIDLIST_RELATIVE item)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(item);
    USHORT cb;
    std::memcpy(&cb, bytes, 2);
    if (cb < 8 || bytes[2] != FakeMarker)
        return -1;
    int index;
    std::memcpy(&index, bytes + 3, sizeof(int));
    return index;
}

HRESULT FakeFolder::QueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IUnknown || riid == IID_IShellFolder) {
        *object = static_cast<IShellFolder*>(this);
    } else if (riid == IID_IShellIcon && offerShellIcon) {
        *object = static_cast<IShellIcon*>(this);
    } else if (riid == IID_IShellIconOverlay && offerOverlay) {
        *object = static_cast<IShellIconOverlay*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG FakeFolder::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT FakeFolder::EnumObjects(HWND, SHCONTF flags, IEnumIDList** result)
{
    *result = nullptr;
    if (failEnum)
        return E_FAIL;
    std::vector<int> indexes;
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        if (item.hidden && !(flags & SHCONTF_INCLUDEHIDDEN))
            continue;
        if (item.folder ? !(flags & SHCONTF_FOLDERS) : !(flags & SHCONTF_NONFOLDERS))
            continue;
        indexes.push_back(static_cast<int>(i));
    }
    *result = new FakeEnum(this, std::move(indexes));
    return S_OK;
}

HRESULT FakeFolder::BindToObject(PCUIDLIST_RELATIVE item, IBindCtx*, REFIID riid, void** result)
{
    *result = nullptr;
    const int index = IndexOf(item);
    if (index < 0 || index >= static_cast<int>(items.size()) || !items[static_cast<size_t>(index)].folder ||
        riid != IID_IShellFolder)
        return E_FAIL;
    std::vector<FakeItem> children;
    for (int i = 0; i < items[static_cast<size_t>(index)].children; ++i)
        children.push_back({L"c" + std::to_wstring(i)});
    auto child = MakeFakeFolder(std::move(children));
    child->viewObject = viewObject;
    *result = static_cast<IShellFolder*>(child.detach());
    return S_OK;
}

HRESULT FakeFolder::CompareIDs(LPARAM, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b)
{
    const int ia = IndexOf(a);
    const int ib = IndexOf(b);
    if (ia < 0 || ib < 0)
        return E_INVALIDARG;
    int order =
        lstrcmpiW(items[static_cast<size_t>(ia)].name.c_str(), items[static_cast<size_t>(ib)].name.c_str());
    if (reverseCompare)
        order = -order;
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0,
                        static_cast<USHORT>(static_cast<short>(order < 0   ? -1
                                                               : order > 0 ? 1
                                                                           : 0)));
}

HRESULT FakeFolder::GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY list, SFGAOF* attributes)
{
    SFGAOF result = *attributes;
    for (UINT i = 0; i < count; ++i) {
        const int index = IndexOf(list[i]);
        if (index < 0)
            return E_INVALIDARG;
        const auto& item = items[static_cast<size_t>(index)];
        if (item.failAttributes)
            return E_FAIL;
        if (*attributes & ~SFGAO_FOLDER) {
            // The detail query: the slow or failing part of an item.
            if (detailReached)
                SetEvent(detailReached);
            ++detailQueries;
            if (item.throwOnDetails)
                throw std::runtime_error("detail query failed");
            volatile int sink = 0;
            for (int s = 0; s < item.spin; ++s)
                sink = sink + s;
        }
        SFGAOF own = SFGAO_CANRENAME | SFGAO_CANCOPY;
        if (item.folder)
            own |= SFGAO_FOLDER | SFGAO_DROPTARGET;
        if (item.hidden)
            own |= SFGAO_HIDDEN;
        if (item.hasSubfolder)
            own |= SFGAO_HASSUBFOLDER;
        result &= own;
    }
    *attributes = result;
    return S_OK;
}

HRESULT FakeFolder::GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID riid, UINT*, void** result)
{
    *result = nullptr;
    return uiObject ? uiObject(riid, result) : E_NOINTERFACE;
}

HRESULT FakeFolder::GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF, STRRET* name)
{
    const int index = IndexOf(item);
    if (index < 0)
        return E_INVALIDARG;
    const std::wstring& text = items[static_cast<size_t>(index)].name;
    switch (nameKind) {
    case FakeNameKind::wide: {
        name->uType = STRRET_WSTR;
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        std::memcpy(name->pOleStr, text.c_str(), bytes);
        break;
    }
    case FakeNameKind::offset:
        name->uType = STRRET_OFFSET;
        name->uOffset = 7;
        break;
    case FakeNameKind::ansi:
        name->uType = STRRET_CSTR;
        for (size_t i = 0; i <= text.size(); ++i)
            name->cStr[i] = static_cast<char>(i < text.size() ? text[i] : 0);
        break;
    }
    return S_OK;
}

HRESULT FakeFolder::GetIconOf(PCUITEMID_CHILD item, UINT flags, int* index)
{
    const int i = IndexOf(item);
    if (i < 0)
        return E_INVALIDARG;
    *index = 100 + i + ((flags & GIL_OPENICON) ? 50 : 0);
    return S_OK;
}

HRESULT FakeFolder::GetOverlayIndex(PCUITEMID_CHILD item, int* index)
{
    const int i = IndexOf(item);
    if (i < 0)
        return E_INVALIDARG;
    *index = items[static_cast<size_t>(i)].overlay;
    return *index > 0 ? S_OK : S_FALSE;
}

ComPtr<FakeFolder> MakeFakeFolder(std::vector<FakeItem> items)
{
    auto* folder = new FakeFolder();
    folder->items = std::move(items);
    return ComPtr<FakeFolder>::Attach(folder);
}

std::vector<std::wstring> ItemNames(TcxCustomItemProducer& producer)
{
    producer.BeginReadItems();
    std::vector<std::wstring> names;
    for (const auto& item : producer.Items())
        names.push_back(item->DisplayText);
    producer.EndReadItems();
    return names;
}
