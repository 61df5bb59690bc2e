// Shell access for the folder browser: identifier lists kept on the shell's task
// allocator, the few questions the browser asks of the shell namespace, and the start
// and stop of the shell module (OLE, the icon-query lock, run-time entry points).
#pragma once

#include "runtime/rtHandles.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <shellapi.h>

#include <cstddef>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

using PItemIDList = ITEMIDLIST*;
using PCItemIDList = const ITEMIDLIST*;

// Enumeration flags of folder listings.
constexpr DWORD cxEnumFolders = SHCONTF_FOLDERS;             // 0x20
constexpr DWORD cxEnumNonFolders = SHCONTF_NONFOLDERS;       // 0x40
constexpr DWORD cxEnumIncludeHidden = SHCONTF_INCLUDEHIDDEN; // 0x80

// Private window messages of shell controls (item producers send or post them to the
// window of the control that owns them).
constexpr UINT MsgItemsProduced = 0xB13B;
constexpr UINT MsgItemUpdated = 0xB13C;
constexpr UINT MsgItemRemoved = 0xB13E;
constexpr UINT MsgItemAdded = 0xB13F;
constexpr UINT MsgOptionsChanged = 0xB140;
constexpr UINT MsgRefreshAfterDrop = 0xB141;
constexpr UINT MsgNavigate = 0xB142;
constexpr UINT MsgSyncRoot = 0xB143;
constexpr UINT MsgRefreshRequest = 0xB144;
constexpr UINT MsgSelectLater = 0xB145;
constexpr UINT MsgShellNotify = 0xB146;

// The shell's task allocator, obtained on first use and kept until ShellModuleStop.
IMalloc* ShellMalloc();

// Memory from the shell allocator with one owner; freed with the same allocator.
template <typename T> class ShellMemPtr {
public:
    ShellMemPtr() noexcept = default;
    explicit ShellMemPtr(T* p) noexcept : m_ptr(p) {}
    ShellMemPtr(const ShellMemPtr&) = delete;
    ShellMemPtr& operator=(const ShellMemPtr&) = delete;
    ShellMemPtr(ShellMemPtr&& other) noexcept : m_ptr(other.release()) {}
    ShellMemPtr& operator=(ShellMemPtr&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~ShellMemPtr() { reset(); }

    T* get() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    T* release() noexcept { return std::exchange(m_ptr, nullptr); }
    void reset(T* p = nullptr) noexcept
    {
        if (T* old = std::exchange(m_ptr, p))
            ShellMalloc()->Free(const_cast<std::remove_const_t<T>*>(old));
    }
    // For out-parameters of shell calls; frees what was held before.
    T** put() noexcept
    {
        reset();
        return &m_ptr;
    }

private:
    T* m_ptr = nullptr;
};

// An owned identifier list.
using UniqueIdList = ShellMemPtr<ITEMIDLIST>;

// ---- Identifier-list arithmetic (null lists accepted; never fails otherwise) ----

// Byte size of the list without its terminator; 0 for null.
UINT IdListSize(PCItemIDList list) noexcept;
// Number of items; 0 for null, -1 for more than 260 items.
int IdListItemCount(PCItemIDList list) noexcept;
// The item after this one, or null when this one is the terminator or null.
PCItemIDList IdListNextItem(PCItemIDList item) noexcept;
// The last item of the list (the list itself when empty; null for null).
PCItemIDList IdListLastItem(PCItemIDList list) noexcept;
UniqueIdList IdListClone(PCItemIDList list);
// Whether list names root or a folder below it, as the desktop compares folders (the bytes of
// two lists for one folder differ when its times changed between the lookups); same tells
// whether list is root itself.
bool IdListAtOrBelow(PCItemIDList root, PCItemIDList list, bool* same = nullptr);
// A one-item list holding the first item; null for null or empty.
UniqueIdList IdListFirstItem(PCItemIDList list);
// All items but the last (the empty list for a one-item or empty list); null for null.
UniqueIdList IdListParent(PCItemIDList list);
// A followed by B; null when both are null.
UniqueIdList IdListJoin(PCItemIDList a, PCItemIDList b);
UniqueIdList IdListEmpty();
// An array of the given pointers (not copies) on the shell allocator; null for none.
ShellMemPtr<PCItemIDList> IdListArray(const std::vector<PCItemIDList>& lists);
bool IdListEqual(PCItemIDList a, PCItemIDList b) noexcept;
// True when A is empty or null, or B starts with all of A's bytes.
bool IdListIsAncestorOrSelf(PCItemIDList a, PCItemIDList b) noexcept;
void IdListFree(PItemIDList list) noexcept;

// ---- Shell questions ----

// The desktop folder; raises Exception with the shell's message on failure.
ComPtr<IShellFolder> DesktopFolder();
// The in-folder display name of an item; empty text on any failure.
std::wstring ItemDisplayName(IShellFolder* folder, PCItemIDList item, DWORD flags = SHGDN_INFOLDER);
// Converts a name answer to text and frees what the answer held. itemList is the list
// the answer was given for (offset answers point into its first item).
std::wstring StrRetToText(STRRET& strRet, PCItemIDList itemList);
// Whether every bit of mask is reported for the list's last item; false when the
// folder cannot answer.
bool ItemHasAttributes(IShellFolder* folder, PCItemIDList list, SFGAOF mask);
// Whether a tree should show an expand button for the item. absoluteList is the
// item's absolute list; folder is its parent folder.
bool ItemHasChildren(IShellFolder* folder, PCItemIDList absoluteList, DWORD enumFlags);
// Whether the directory search of the has-children test lists an entry with these file
// attributes: hidden entries only when hidden items are asked for, folders only when
// folders are.
bool SearchListsEntry(DWORD fileAttributes, DWORD enumFlags) noexcept;
// File-system path of an item; empty for null or for an item without one.
std::wstring IdListToPath(PCItemIDList list);
// The file-system path of a folder's child, asked of the folder with the child's relative list:
// the same text as IdListToPath of the child's absolute list, for a fraction of its cost in a
// large folder (a question that starts from the desktop looks the child up among its siblings
// again). Empty for a child outside the file system.
std::wstring ChildItemPath(IShellFolder* folder, PCItemIDList relative);
// The identifier list of a special folder (CSIDL); the status of the shell call.
HRESULT SpecialFolderIdList(HWND owner, int csidl, UniqueIdList& list);
// SHGetFileInfoW under the process-wide icon-query lock.
DWORD_PTR SafeFileInfo(LPCWSTR pathOrList, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize,
                       UINT flags);
inline DWORD_PTR SafeFileInfo(PCItemIDList list, SHFILEINFOW& info, UINT flags)
{
    return SafeFileInfo(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info), flags | SHGFI_PIDL);
}
// Cached system image list indexes of generic items (no disk access).
int GenericFileIcon();
int GenericFolderIcon();
int GenericOpenFolderIcon();
// The generic icon of a file name by its suffix (no disk access).
int GenericIconForName(const std::wstring& name, bool open);

// Shows the shell's context menu for items of one folder and runs the chosen command.
void ShowShellContextMenu(HWND owner, IShellFolder* folder, const std::vector<PCItemIDList>& items,
                          POINT screenPoint);

// A platform error's message text (empty when the platform has none).
std::wstring ShellErrorMessage(HRESULT status);

// ---- Run-time entry points of the shell module ----

struct TcxShellEntryPoints {
    using GetFolderLocationFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, PIDLIST_ABSOLUTE*);
    struct ChangeNotifyEntry {
        PCItemIDList pidl;
        BOOL recursive;
    };
    using ChangeNotifyRegisterFn = ULONG(WINAPI*)(HWND, int, LONG, UINT, int, const ChangeNotifyEntry*);
    using ChangeNotifyDeregisterFn = BOOL(WINAPI*)(ULONG);
    using LockChangeNotifyFn = HANDLE(WINAPI*)(HANDLE, DWORD, PIDLIST_ABSOLUTE**, LONG*);
    using UnlockChangeNotifyFn = BOOL(WINAPI*)(HANDLE);
    using PathFromIdListAFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPSTR);
    using PathFromIdListWFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);

    GetFolderLocationFn GetFolderLocation = nullptr;
    ChangeNotifyRegisterFn ChangeNotifyRegister = nullptr;     // ordinal 2
    ChangeNotifyDeregisterFn ChangeNotifyDeregister = nullptr; // ordinal 4
    LockChangeNotifyFn LockChangeNotify = nullptr;             // ordinal 644
    UnlockChangeNotifyFn UnlockChangeNotify = nullptr;         // ordinal 645
    PathFromIdListAFn PathFromIdListA = nullptr;
    PathFromIdListWFn PathFromIdListW = nullptr;
};

// The entry points found at module start (all null before it).
const TcxShellEntryPoints& ShellEntryPoints();

// Module start: OLE, the icon-query lock, the entry points. Answers whether OLE started.
bool ShellModuleStart();
// Module stop: ends every background worker, releases the allocator, unloads the module
// and uninitialises OLE when the start initialised it.
void ShellModuleStop();

// ---- Steps of listing and browsing, for a caller that splits the time they take ----

// The stages a tree goes through while it opens a folder and while the browse dialog starts.
// A stage may hold others (a navigation lists each folder on its way).
enum class TcxShellStep {
    PauseWorker,    // the background worker is stopped before a folder is listed
    BindFolder,     // the folder of a node is bound and its producer made
    ReadChildren,   // the folder's children are enumerated and recorded
    SortChildren,   // the records are put in the folder's order
    InsertNodes,    // the child nodes go into the tree
    QueueFetches,   // the items are queued for the background worker
    DialogForm,     // the dialog's form is read from its description
    DialogSetup,    // the dialog's settings go to the tree (the start path is resolved)
    TreeWindow,     // the tree's window is created: the top node is listed, the start path opened
    Navigate,       // a path is opened level by level
    SelectedPath,   // the selected folder's path is read
    CheckSelection, // a folder to select is checked
    Count
};
// Called at the start (begin true) and at the end of each stage, on the thread that runs it.
using TcxShellStepObserver = void (*)(TcxShellStep step, bool begin);
// Null (the default) observes nothing; a stage then costs one test of a global.
void SetShellStepObserver(TcxShellStepObserver observer) noexcept;
// Marks a stage for as long as it lives.
class TcxShellStepScope {
public:
    explicit TcxShellStepScope(TcxShellStep step) noexcept;
    ~TcxShellStepScope();
    TcxShellStepScope(const TcxShellStepScope&) = delete;
    TcxShellStepScope& operator=(const TcxShellStepScope&) = delete;

private:
    TcxShellStepObserver m_observer;
    TcxShellStep m_step;
};

// What shell settings objects and item producers need of the control that owns them.
class IcxShellOwner {
public:
    // The control's window; null while it has none.
    virtual HWND ShellOwnerWindow() const = 0;

protected:
    ~IcxShellOwner() = default;
};
