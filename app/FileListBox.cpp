#include "FileListBox.h"

#include "PathRules.h"
#include "runtime/rtExceptions.h"
#include "runtime/rtHandles.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

namespace {

struct AttrBit {
    TFileAttr attr;
    DWORD bit;
};

constexpr AttrBit kAttrBits[] = {
    {TFileAttr::ftReadOnly, FILE_ATTRIBUTE_READONLY},   {TFileAttr::ftHidden, FILE_ATTRIBUTE_HIDDEN},
    {TFileAttr::ftSystem, FILE_ATTRIBUTE_SYSTEM},       {TFileAttr::ftVolumeID, 0x8},
    {TFileAttr::ftDirectory, FILE_ATTRIBUTE_DIRECTORY}, {TFileAttr::ftArchive, FILE_ATTRIBUTE_ARCHIVE},
};

// Entries that carry one of these are left out unless the file type asks for them.
constexpr DWORD kSpecialAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x8 | FILE_ATTRIBUTE_DIRECTORY;

// A read longer than this many entries shows the hourglass.
constexpr size_t kBusyAfterEntries = 100;

DWORD AttributeWord(TFileType fileType)
{
    DWORD word = 0;
    for (const AttrBit& a : kAttrBits) {
        if (fileType.Contains(a.attr))
            word |= a.bit;
    }
    return word;
}

bool HasWildcard(const std::wstring& text)
{
    return text.find_first_of(L"*?") != std::wstring::npos;
}

// Sort keys of the locale's case-insensitive comparison, kept end to end in one buffer:
// comparing two keys byte by byte orders the names exactly as the platform's comparison with
// the same flags does, and costs one conversion per name instead of one per comparison.
class SortKeys {
public:
    struct Key {
        size_t offset;
        size_t length;
    };

    Key Add(std::wstring_view text)
    {
        // Most keys fit the buffer on the stack; only the bytes written are kept, so the
        // buffer of all keys grows by what it holds and nothing is filled in advance.
        char room[1024];
        const int size = static_cast<int>(text.size());
        int written = LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text.data(), size,
                                   reinterpret_cast<LPWSTR>(room), static_cast<int>(sizeof room));
        const size_t offset = m_bytes.size();
        if (written > 0) {
            m_bytes.append(room, static_cast<size_t>(written));
        } else {
            const int needed = LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text.data(), size, nullptr, 0);
            m_bytes.resize(offset + static_cast<size_t>(std::max(needed, 0)));
            written = needed > 0 ? LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text.data(), size,
                                                reinterpret_cast<LPWSTR>(m_bytes.data() + offset), needed)
                                 : 0;
            m_bytes.resize(offset + static_cast<size_t>(written));
        }
        return {offset, static_cast<size_t>(written)};
    }

    std::string_view View(Key key) const { return std::string_view(m_bytes).substr(key.offset, key.length); }

private:
    static constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

    std::string m_bytes;
};

// The names of a folder read as found and their sort keys. The keys of a large folder are made
// on a second thread while the folder is still being read, so on a machine with a core to
// spare they add next to nothing to the wait; a small folder never starts the thread. Names
// reach that thread in batches whose buffers go back and forth, so the reading side only
// copies each name once into memory that is already there.
class KeyedNames {
public:
    struct Entry {
        SortKeys::Key key;
        size_t start;
        size_t length;
    };

    KeyedNames() : m_filling(std::make_unique<Batch>()) {}
    KeyedNames(const KeyedNames&) = delete;
    KeyedNames& operator=(const KeyedNames&) = delete;
    ~KeyedNames()
    {
        // Left early by an error of the reading side: the thread is told to end and waited for.
        Stop();
    }

    // Adds a name as found; a folder's name in brackets.
    void Add(const wchar_t* name, bool folder)
    {
        Batch& b = *m_filling;
        if (folder)
            b.text += L'[';
        b.text += name;
        if (folder)
            b.text += L']';
        b.ends.push_back(b.text.size());
        if (b.ends.size() == kBatchNames)
            Hand();
    }

    // Waits until every name has its key; rethrows an error of the second thread.
    void Finish()
    {
        if (!m_filling->ends.empty()) {
            if (m_worker.joinable())
                Hand();
            else
                Key(*m_filling);
        }
        Stop();
        if (m_error)
            std::rethrow_exception(m_error);
    }

    const std::vector<Entry>& Entries() const noexcept { return m_entries; }
    std::wstring_view Text(const Entry& e) const
    {
        return std::wstring_view(m_found).substr(e.start, e.length);
    }
    std::string_view KeyOf(const Entry& e) const { return m_keys.View(e.key); }
    size_t Characters() const noexcept { return m_found.size(); }

private:
    static constexpr size_t kBatchNames = 1024;

    struct Batch {
        std::wstring text;
        std::vector<size_t> ends; // one past each name in text
        void Clear()
        {
            text.clear();
            ends.clear();
        }
    };

    // Gives the filled batch to the second thread (starting it with the first one) and takes
    // an emptied buffer back.
    void Hand()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_worker.joinable())
            m_worker = std::thread([this] { Work(); });
        m_full.push_back(std::move(m_filling));
        if (!m_empty.empty()) {
            m_filling = std::move(m_empty.back());
            m_empty.pop_back();
        } else {
            m_filling = std::make_unique<Batch>();
        }
        lock.unlock();
        m_changed.notify_all();
    }

    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        if (m_worker.joinable())
            m_worker.join();
    }

    // The second thread: keys every batch handed to it, in the order handed. Nothing may leave
    // a thread procedure, so an error is kept for Finish to raise on the reading side.
    void Work()
    {
        try {
            for (;;) {
                std::unique_ptr<Batch> batch;
                {
                    std::unique_lock<std::mutex> lock(m_mutex);
                    m_changed.wait(lock, [this] { return !m_full.empty() || m_done; });
                    if (m_full.empty())
                        return;
                    batch = std::move(m_full.front());
                    m_full.pop_front();
                }
                Key(*batch);
                batch->Clear();
                std::lock_guard<std::mutex> lock(m_mutex);
                m_empty.push_back(std::move(batch));
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_error = std::current_exception();
        }
    }

    void Key(const Batch& batch)
    {
        size_t begin = 0;
        for (size_t end : batch.ends) {
            const std::wstring_view name = std::wstring_view(batch.text).substr(begin, end - begin);
            const size_t at = m_found.size();
            m_found.append(name);
            m_entries.push_back({m_keys.Add(name), at, name.size()});
            begin = end;
        }
    }

    // Written by the second thread while it runs, read once it has ended.
    std::wstring m_found;
    SortKeys m_keys;
    std::vector<Entry> m_entries;

    std::unique_ptr<Batch> m_filling; // the reading side's own
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Batch>> m_full;
    std::vector<std::unique_ptr<Batch>> m_empty;
    bool m_done = false;
    std::exception_ptr m_error;
    std::thread m_worker;
};

// Shows the hourglass once asked and puts the old cursor back when the read ends, however
// it ends.
class BusyScope {
public:
    explicit BusyScope(IBusyCursor* cursor) : m_cursor(cursor) {}
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    ~BusyScope()
    {
        if (m_shown)
            m_cursor->Restore();
    }
    void Show()
    {
        if (m_cursor && !m_shown) {
            m_cursor->ShowBusy();
            m_shown = true;
        }
    }

private:
    IBusyCursor* m_cursor;
    bool m_shown = false;
};

// Puts the remembered current folder back when a typed path has been taken apart.
class CurrentFolderRestorer {
public:
    CurrentFolderRestorer() : m_saved(CurrentFolder()) {}
    CurrentFolderRestorer(const CurrentFolderRestorer&) = delete;
    CurrentFolderRestorer& operator=(const CurrentFolderRestorer&) = delete;
    ~CurrentFolderRestorer()
    {
        if (DirectoryExists(m_saved))
            SetCurrentDirectoryW(m_saved.c_str());
    }
    const std::wstring& Saved() const noexcept { return m_saved; }

private:
    std::wstring m_saved;
};

} // namespace

void SystemBusyCursor::ShowBusy()
{
    m_previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void SystemBusyCursor::Restore()
{
    SetCursor(static_cast<HCURSOR>(m_previous));
}

TFileListBox::TFileListBox(IBusyCursor* busyCursor) : m_busyCursor(busyCursor), m_folder(CurrentFolder()) {}

void TFileListBox::SetFolder(const std::wstring& folder)
{
    if (SameFileName(folder, m_folder))
        return;
    // A relative text is taken from the old folder, whatever the process did meanwhile.
    if (DirectoryExists(m_folder))
        SetCurrentDirectoryW(m_folder.c_str());
    ChangeFolder(folder);
    m_folder = CurrentFolder();
    ReadEntries();
}

void TFileListBox::SetMask(const std::wstring& mask)
{
    if (mask == m_mask)
        return;
    m_mask = mask;
    ReadEntries();
}

void TFileListBox::SetFileType(TFileType fileType)
{
    if (fileType == m_fileType)
        return;
    m_fileType = fileType;
    ReadEntries();
}

const TFileListEntries& TFileListBox::Items()
{
    EnsureRead();
    return m_items;
}

int TFileListBox::Count()
{
    EnsureRead();
    return static_cast<int>(m_items.size());
}

int TFileListBox::ItemIndex()
{
    EnsureRead();
    return m_itemIndex;
}

void TFileListBox::SetItemIndex(int index)
{
    EnsureRead();
    m_itemIndex = (index >= 0 && index < static_cast<int>(m_items.size())) ? index : -1;
}

std::wstring TFileListBox::SelectedFilePath() const
{
    if (m_itemIndex < 0)
        return {};
    const std::wstring_view entry = m_items[static_cast<size_t>(m_itemIndex)];
    std::wstring path = m_folder;
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path.append(entry);
}

void TFileListBox::EnsureRead()
{
    if (!m_read)
        ReadEntries();
}

void TFileListBox::ReadEntries()
{
    const DWORD wanted = AttributeWord(m_fileType);
    const DWORD skipped = kSpecialAttributes & ~wanted;
    const bool everyFile = m_fileType.Contains(TFileAttr::ftNormal);

    ChangeFolder(m_folder);
    m_items.clear();
    m_itemIndex = -1;
    m_read = true;

    KeyedNames names;
    BusyScope busy(m_busyCursor);
    size_t added = 0;

    size_t start = 0;
    while (start <= m_mask.size()) {
        size_t end = m_mask.find(L';', start);
        if (end == std::wstring::npos)
            end = m_mask.size();
        const std::wstring pattern = m_mask.substr(start, end - start);
        start = end + 1;

        WIN32_FIND_DATAW data;
        UniqueFindHandle find(FindFirstFileW(pattern.c_str(), &data));
        if (!find)
            continue;
        do {
            const DWORD attributes = data.dwFileAttributes;
            if ((attributes & skipped) != 0 || (!everyFile && (attributes & wanted) == 0))
                continue;
            names.Add(data.cFileName, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
            if (++added == kBusyAfterEntries + 1)
                busy.Show();
        } while (FindNextFileW(find.get(), &data));
    }
    names.Finish();

    // Sorting indexes moves four bytes per step instead of a whole entry. Stable, so names
    // that compare equal keep the order in which they were found.
    const std::vector<KeyedNames::Entry>& entries = names.Entries();
    std::vector<unsigned> order(entries.size());
    for (unsigned i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) {
        return names.KeyOf(entries[a]) < names.KeyOf(entries[b]);
    });
    m_items.reserve(entries.size(), names.Characters());
    for (unsigned i : order)
        m_items.push_back(names.Text(entries[i]));
}

void TFileListBox::ApplyTypedPath(const std::wstring& text)
{
    if (text.empty() || SameFileName(text, SelectedFilePath()))
        return;

    wchar_t drive = 0;
    std::wstring dir;
    std::wstring last;
    {
        CurrentFolderRestorer restorer;
        const std::wstring& saved = restorer.Saved();
        std::wstring root;
        if (text.size() >= 2 && text.front() == L'[' && text.back() == L']') {
            dir = text.substr(1, text.size() - 2);
            drive = saved.empty() ? 0 : saved[0];
        } else {
            root = ExtractRootPart(text);
            if (!root.empty()) {
                dir = text.substr(root.size());
            } else {
                dir = text;
                root = ExtractRootPart(saved);
            }
            if (root.size() >= 2 && root[1] == L':')
                drive = root[0];
        }

        // For "X:" this enters drive X's own current folder.
        if (!root.empty() && DirectoryExists(root))
            SetCurrentDirectoryW(root.c_str());

        last = ExtractFileName(dir);
        if (dir.size() == last.size() + 1) {
            dir = L"\\";
        } else if (last.size() < dir.size()) {
            dir.resize(dir.size() - last.size() - 1);
        } else {
            const std::wstring current = CurrentFolder();
            dir = current.substr(ExtractRootPart(current).size());
            if (dir.empty())
                dir = L"\\";
        }

        if (!dir.empty())
            ChangeFolder(dir);

        // A last part that is not a pattern and not a file must be a folder.
        if (!last.empty() && !HasWildcard(last) && !FileExists(last)) {
            ChangeFolder(last);
            dir = (dir == L"\\") ? L"\\" + last : dir + L"\\" + last;
            last.clear();
        }

        if (drive == 0)
            dir = root + dir;
    }

    SetFolder(drive != 0 ? std::wstring(1, drive) + L":" + dir : dir);

    if (HasWildcard(last)) {
        SetMask(last);
        return;
    }
    if (last.empty())
        return;

    auto selectLast = [this, &last] {
        const TFileListEntries& items = Items();
        m_itemIndex = -1;
        for (size_t i = 0; i < items.size(); ++i) {
            const std::wstring_view item = items[i];
            if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.data(),
                               static_cast<int>(item.size()), last.c_str(), -1) == CSTR_EQUAL) {
                m_itemIndex = static_cast<int>(i);
                break;
            }
        }
    };
    selectLast();
    if (!FileExists(last))
        throw Exception(L"Invalid file name - " + text);
    if (m_itemIndex < 0) {
        SetMask(last);
        selectLast();
    }
}
