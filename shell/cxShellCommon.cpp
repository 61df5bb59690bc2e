#include "cxShellCommon.h"

#include "cxShellGatherer.h"
#include "runtime/rtExceptions.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr int MaxCountedItems = 260;

std::atomic<IMalloc*> g_malloc{nullptr};
std::mutex g_iconLock;
std::atomic<int> g_genericFileIcon{-1};
std::atomic<int> g_genericFolderIcon{-1};
std::atomic<int> g_genericOpenFolderIcon{-1};

struct ModuleState {
    bool started = false;
    bool oleStarted = false;
    UniqueLibrary shell;
    TcxShellEntryPoints entries;
};
ModuleState g_module;

// Item counts are read byte-wise: lists carry no alignment guarantee.
USHORT ItemSize(const void* item) noexcept
{
    USHORT cb;
    std::memcpy(&cb, item, sizeof(cb));
    return cb;
}

const BYTE* Bytes(PCItemIDList list) noexcept
{
    return reinterpret_cast<const BYTE*>(list);
}

// A new list of the given bytes followed by the terminator and two spare zero bytes.
UniqueIdList AllocateList(const BYTE* first, UINT firstSize, const BYTE* second = nullptr,
                          UINT secondSize = 0)
{
    const UINT total = firstSize + secondSize + 4;
    auto* memory = static_cast<BYTE*>(ShellMalloc()->Alloc(total));
    if (!memory)
        throw Exception(L"Out of memory");
    if (firstSize)
        std::memcpy(memory, first, firstSize);
    if (secondSize)
        std::memcpy(memory + firstSize, second, secondSize);
    std::memset(memory + firstSize + secondSize, 0, 4);
    return UniqueIdList(reinterpret_cast<PItemIDList>(memory));
}

std::wstring AnsiToWide(const char* text, int length)
{
    if (length <= 0)
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, result.data(), size);
    return result;
}

bool FolderHoldsListedEntry(std::wstring path, DWORD enumFlags)
{
    if (path.size() > 1 && path.back() == L'\\')
        path.pop_back();
    path += L"\\*.*";
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(
        FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return false;
    do {
        const bool dots = std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0;
        if (!dots && SearchListsEntry(data.dwFileAttributes, enumFlags))
            return true;
    } while (FindNextFileW(find.get(), &data));
    return false;
}

// The file-system path of a child, asked of its parent with the relative list so the
// cost does not depend on the number of siblings.
std::wstring ChildFileSystemPath(IShellFolder* folder, PCItemIDList relative)
{
    if (!ItemHasAttributes(folder, relative, SFGAO_FILESYSTEM))
        return {};
    std::wstring path = ItemDisplayName(folder, relative, SHGDN_FORPARSING);
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return path;
}

int CachedIcon(std::atomic<int>& cache, const wchar_t* name, DWORD attributes, UINT flags)
{
    int index = cache.load();
    if (index < 0) {
        SHFILEINFOW info{};
        SafeFileInfo(name, attributes, &info, sizeof(info), flags);
        index = info.iIcon;
        cache.store(index);
    }
    return index;
}

} // namespace

bool SearchListsEntry(DWORD fileAttributes, DWORD enumFlags) noexcept
{
    DWORD excluded = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY;
    if (enumFlags & cxEnumFolders)
        excluded &= ~FILE_ATTRIBUTE_DIRECTORY;
    if (enumFlags & cxEnumIncludeHidden)
        excluded &= ~FILE_ATTRIBUTE_HIDDEN;
    return (fileAttributes & excluded) == 0;
}

IMalloc* ShellMalloc()
{
    IMalloc* current = g_malloc.load();
    if (current)
        return current;
    IMalloc* fresh = nullptr;
    if (FAILED(SHGetMalloc(&fresh)) || !fresh)
        throw Exception(L"The shell allocator is not available");
    if (!g_malloc.compare_exchange_strong(current, fresh)) {
        fresh->Release();
        return current;
    }
    return fresh;
}

UINT IdListSize(PCItemIDList list) noexcept
{
    if (!list)
        return 0;
    UINT size = 0;
    for (USHORT cb = ItemSize(Bytes(list)); cb != 0; cb = ItemSize(Bytes(list) + size))
        size += cb;
    return size;
}

int IdListItemCount(PCItemIDList list) noexcept
{
    if (!list)
        return 0;
    int count = 0;
    for (PCItemIDList item = list; ItemSize(item) != 0; item = IdListNextItem(item)) {
        if (++count > MaxCountedItems)
            return -1;
    }
    return count;
}

PCItemIDList IdListNextItem(PCItemIDList item) noexcept
{
    if (!item)
        return nullptr;
    const USHORT cb = ItemSize(item);
    if (cb == 0)
        return nullptr;
    return reinterpret_cast<PCItemIDList>(Bytes(item) + cb);
}

PCItemIDList IdListLastItem(PCItemIDList list) noexcept
{
    if (!list)
        return nullptr;
    PCItemIDList last = list;
    for (PCItemIDList item = list; ItemSize(item) != 0; item = IdListNextItem(item))
        last = item;
    return last;
}

UniqueIdList IdListClone(PCItemIDList list)
{
    if (!list)
        return {};
    return AllocateList(Bytes(list), IdListSize(list));
}

UniqueIdList IdListFirstItem(PCItemIDList list)
{
    if (!list || ItemSize(list) == 0)
        return {};
    return AllocateList(Bytes(list), ItemSize(list));
}

UniqueIdList IdListParent(PCItemIDList list)
{
    if (!list)
        return {};
    const UINT size = IdListSize(list);
    const UINT lastSize = ItemSize(IdListLastItem(list));
    return AllocateList(Bytes(list), size - lastSize);
}

UniqueIdList IdListJoin(PCItemIDList a, PCItemIDList b)
{
    if (!a && !b)
        return {};
    return AllocateList(Bytes(a), IdListSize(a), Bytes(b), IdListSize(b));
}

UniqueIdList IdListEmpty()
{
    return AllocateList(nullptr, 0);
}

ShellMemPtr<PCItemIDList> IdListArray(const std::vector<PCItemIDList>& lists)
{
    if (lists.empty())
        return {};
    auto* memory = static_cast<PCItemIDList*>(ShellMalloc()->Alloc(lists.size() * sizeof(PCItemIDList)));
    if (!memory)
        throw Exception(L"Out of memory");
    for (size_t i = 0; i < lists.size(); ++i)
        memory[i] = lists[i];
    return ShellMemPtr<PCItemIDList>(memory);
}

bool IdListEqual(PCItemIDList a, PCItemIDList b) noexcept
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    const UINT size = IdListSize(a);
    return size == IdListSize(b) && std::memcmp(a, b, size) == 0;
}

bool IdListAtOrBelow(PCItemIDList root, PCItemIDList list, bool* same)
{
    const int rootCount = IdListItemCount(root);
    const int count = IdListItemCount(list);
    if (!list || rootCount < 0 || count < rootCount)
        return false;
    if (same)
        *same = count == rootCount;
    if (rootCount == 0)
        return true;
    UniqueIdList prefix = IdListClone(list);
    if (!prefix)
        return false;
    PCItemIDList end = prefix.get();
    for (int i = 0; i < rootCount; ++i)
        end = IdListNextItem(end);
    const_cast<ITEMIDLIST*>(end)->mkid.cb = 0;
    const ComPtr<IShellFolder> desktop = DesktopFolder();
    if (!desktop)
        return false;
    const HRESULT result = desktop->CompareIDs(0, root, prefix.get());
    return SUCCEEDED(result) && HRESULT_CODE(result) == 0;
}

bool IdListIsAncestorOrSelf(PCItemIDList a, PCItemIDList b) noexcept
{
    const UINT sizeA = IdListSize(a);
    if (sizeA == 0)
        return true;
    return IdListSize(b) >= sizeA && std::memcmp(a, b, sizeA) == 0;
}

void IdListFree(PItemIDList list) noexcept
{
    if (list)
        ShellMalloc()->Free(list);
}

std::wstring ShellErrorMessage(HRESULT status)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) {
        wchar_t code[32];
        wsprintfW(code, L"Error 0x%08X", static_cast<unsigned>(status));
        text = code;
    }
    return text;
}

ComPtr<IShellFolder> DesktopFolder()
{
    ComPtr<IShellFolder> desktop;
    const HRESULT status = SHGetDesktopFolder(desktop.put());
    if (FAILED(status) || !desktop)
        throw Exception(ShellErrorMessage(FAILED(status) ? status : E_FAIL));
    return desktop;
}

std::wstring StrRetToText(STRRET& strRet, PCItemIDList itemList)
{
    switch (strRet.uType) {
    case STRRET_WSTR: {
        std::wstring text = strRet.pOleStr ? std::wstring(strRet.pOleStr) : std::wstring();
        if (strRet.pOleStr)
            ShellMalloc()->Free(strRet.pOleStr);
        strRet.pOleStr = nullptr;
        return text;
    }
    case STRRET_OFFSET: {
        // The text lives inside the list's first item: never read past that item.
        if (!itemList)
            return {};
        const UINT itemSize = ItemSize(itemList);
        if (strRet.uOffset >= itemSize)
            return {};
        const auto* start = reinterpret_cast<const char*>(Bytes(itemList) + strRet.uOffset);
        const UINT available = itemSize - strRet.uOffset;
        const auto* end = static_cast<const char*>(std::memchr(start, 0, available));
        return AnsiToWide(start, static_cast<int>(end ? end - start : available));
    }
    case STRRET_CSTR: {
        const auto* end = static_cast<const char*>(std::memchr(strRet.cStr, 0, sizeof(strRet.cStr)));
        return AnsiToWide(strRet.cStr, static_cast<int>(end ? end - strRet.cStr : sizeof(strRet.cStr)));
    }
    default: return {};
    }
}

std::wstring ItemDisplayName(IShellFolder* folder, PCItemIDList item, DWORD flags)
{
    if (!folder || !item)
        return {};
    STRRET strRet{};
    strRet.uType = STRRET_CSTR;
    if (FAILED(folder->GetDisplayNameOf(item, flags, &strRet)))
        return {};
    return StrRetToText(strRet, item);
}

bool ItemHasAttributes(IShellFolder* folder, PCItemIDList list, SFGAOF mask)
{
    if (!folder || !list)
        return false;
    PCItemIDList last = IdListLastItem(list);
    SFGAOF attributes = mask;
    if (FAILED(folder->GetAttributesOf(1, &last, &attributes)))
        return false;
    return (attributes & mask) == mask;
}

bool ItemHasChildren(IShellFolder* folder, PCItemIDList absoluteList, DWORD enumFlags)
{
    if (!folder || !absoluteList)
        return false;
    PCItemIDList relative = IdListLastItem(absoluteList);
    if (!ItemHasAttributes(folder, relative, SFGAO_FOLDER))
        return false;
    const bool hasSubfolder = ItemHasAttributes(folder, relative, SFGAO_HASSUBFOLDER);
    if (!(enumFlags & cxEnumNonFolders))
        return hasSubfolder;
    const std::wstring path = ChildFileSystemPath(folder, relative);
    if (!path.empty())
        return FolderHoldsListedEntry(path, enumFlags);
    if (hasSubfolder)
        return true;
    ComPtr<IShellFolder> child;
    if (FAILED(folder->BindToObject(relative, nullptr, IID_IShellFolder, child.put_void())) || !child)
        return false;
    ComPtr<IEnumIDList> enumerator;
    if (child->EnumObjects(nullptr, enumFlags, enumerator.put()) != S_OK || !enumerator)
        return false;
    UniqueIdList first;
    ULONG fetched = 0;
    return enumerator->Next(1, first.put(), &fetched) == S_OK && fetched == 1;
}

namespace {
std::wstring PlatformPath(PCItemIDList list);

// Some shells answer a virtual folder with its class path; that is no file-system path.
std::wstring FileSystemPathOnly(std::wstring path)
{
    if (path.size() >= 2 && path[0] == L':' && path[1] == L':')
        return {};
    return path;
}
} // namespace

std::wstring IdListToPath(PCItemIDList list)
{
    return FileSystemPathOnly(PlatformPath(list));
}

std::wstring ChildItemPath(IShellFolder* folder, PCItemIDList relative)
{
    if (!folder || !relative || !ItemHasAttributes(folder, relative, SFGAO_FILESYSTEM))
        return {};
    return FileSystemPathOnly(ItemDisplayName(folder, relative, SHGDN_FORPARSING));
}

namespace {
std::wstring PlatformPath(PCItemIDList list)
{
    if (!list)
        return {};
    // Only the call that is told the buffer's size gives paths longer than MAX_PATH.
    using PathFromIdListExFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, PWSTR, DWORD, int);
    HMODULE shell = g_module.shell.get();
    const auto pathFromIdListEx = shell ? reinterpret_cast<PathFromIdListExFn>(reinterpret_cast<void*>(
                                              GetProcAddress(shell, "SHGetPathFromIDListEx")))
                                        : nullptr;
    if (pathFromIdListEx) {
        constexpr DWORD kLongestPath = 32768;
        std::wstring path(kLongestPath, L'\0');
        if (!pathFromIdListEx(list, path.data(), kLongestPath, 0))
            return {};
        path.resize(std::char_traits<wchar_t>::length(path.c_str()));
        return path;
    }
    const auto& entries = ShellEntryPoints();
    if (entries.PathFromIdListW) {
        wchar_t path[MAX_PATH + 1] = {};
        if (!entries.PathFromIdListW(list, path))
            return {};
        return path;
    }
    if (entries.PathFromIdListA) {
        char path[MAX_PATH + 1] = {};
        if (!entries.PathFromIdListA(list, path))
            return {};
        return AnsiToWide(path, static_cast<int>(std::strlen(path)));
    }
    wchar_t path[MAX_PATH + 1] = {};
    return SHGetPathFromIDListW(list, path) ? std::wstring(path) : std::wstring();
}

} // namespace

HRESULT SpecialFolderIdList(HWND owner, int csidl, UniqueIdList& list)
{
    list.reset();
    const DWORD major = LOBYTE(LOWORD(GetVersion()));
    const auto& entries = ShellEntryPoints();
    PIDLIST_ABSOLUTE result = nullptr;
    HRESULT status;
    if (major >= 5 && entries.GetFolderLocation)
        status = entries.GetFolderLocation(owner, csidl, nullptr, 0, &result);
    else
        status = SHGetSpecialFolderLocation(owner, csidl, &result);
    list.reset(result);
    if (SUCCEEDED(status) && !list)
        status = E_FAIL;
    return status;
}

DWORD_PTR SafeFileInfo(LPCWSTR pathOrList, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize, UINT flags)
{
    std::lock_guard<std::mutex> lock(g_iconLock);
    return SHGetFileInfoW(pathOrList, fileAttributes, info, infoSize, flags);
}

int GenericFileIcon()
{
    return CachedIcon(g_genericFileIcon, L"C:\\CXDUMMYFILE.TXT", FILE_ATTRIBUTE_NORMAL,
                      SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
}

int GenericFolderIcon()
{
    return CachedIcon(g_genericFolderIcon, L"C:\\CXDUMMYFOLDER", FILE_ATTRIBUTE_DIRECTORY,
                      SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
}

int GenericOpenFolderIcon()
{
    return CachedIcon(g_genericOpenFolderIcon, L"C:\\CXDUMMYFOLDER", FILE_ATTRIBUTE_DIRECTORY,
                      SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
}

int GenericIconForName(const std::wstring& name, bool open)
{
    const std::wstring fileName = name.substr(0, MAX_PATH);
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES;
    if (open)
        flags |= SHGFI_OPENICON;
    SafeFileInfo(fileName.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), flags);
    return info.iIcon;
}

namespace {
std::atomic<TcxShellStepObserver> g_stepObserver{nullptr};
}

void SetShellStepObserver(TcxShellStepObserver observer) noexcept
{
    g_stepObserver.store(observer);
}

TcxShellStepScope::TcxShellStepScope(TcxShellStep step) noexcept
    : m_observer(g_stepObserver.load(std::memory_order_relaxed)), m_step(step)
{
    if (m_observer)
        m_observer(m_step, true);
}

TcxShellStepScope::~TcxShellStepScope()
{
    if (m_observer)
        m_observer(m_step, false);
}

const TcxShellEntryPoints& ShellEntryPoints()
{
    return g_module.entries;
}

bool ShellModuleStart()
{
    if (g_module.started)
        return g_module.oleStarted;
    g_module.started = true;
    g_module.oleStarted = SUCCEEDED(OleInitialize(nullptr));
    // Always the system folder's copy: a bare module name would search the program's
    // folder and the current folder first.
    std::wstring folder(GetSystemDirectoryW(nullptr, 0), L'\0');
    const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length > 0 && length < folder.size()) {
        std::wstring path(folder.c_str(), length);
        path += L"\\shell32.dll";
        g_module.shell.reset(LoadLibraryExW(path.c_str(), nullptr, 0));
    }
    if (HMODULE shell = g_module.shell.get()) {
        auto& e = g_module.entries;
        auto find = [shell](const char* name) {
            return reinterpret_cast<void*>(GetProcAddress(shell, name));
        };
        auto byOrdinal = [&find](WORD ordinal) {
            return find(reinterpret_cast<const char*>(static_cast<ULONG_PTR>(ordinal)));
        };
        e.GetFolderLocation =
            reinterpret_cast<TcxShellEntryPoints::GetFolderLocationFn>(find("SHGetFolderLocation"));
        e.ChangeNotifyRegister = reinterpret_cast<TcxShellEntryPoints::ChangeNotifyRegisterFn>(byOrdinal(2));
        e.ChangeNotifyDeregister =
            reinterpret_cast<TcxShellEntryPoints::ChangeNotifyDeregisterFn>(byOrdinal(4));
        e.LockChangeNotify = reinterpret_cast<TcxShellEntryPoints::LockChangeNotifyFn>(byOrdinal(644));
        e.UnlockChangeNotify = reinterpret_cast<TcxShellEntryPoints::UnlockChangeNotifyFn>(byOrdinal(645));
        e.PathFromIdListA =
            reinterpret_cast<TcxShellEntryPoints::PathFromIdListAFn>(find("SHGetPathFromIDListA"));
        e.PathFromIdListW =
            reinterpret_cast<TcxShellEntryPoints::PathFromIdListWFn>(find("SHGetPathFromIDListW"));
    }
    return g_module.oleStarted;
}

void ShellModuleStop()
{
    if (!g_module.started)
        return;
    TcxShellItemsInfoGatherer::StopAllWorkers();
    if (IMalloc* allocator = g_malloc.exchange(nullptr))
        allocator->Release();
    g_module.entries = TcxShellEntryPoints{};
    g_module.shell.reset();
    if (g_module.oleStarted)
        OleUninitialize();
    g_module.oleStarted = false;
    g_module.started = false;
}
