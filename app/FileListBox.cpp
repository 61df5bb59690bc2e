#include "FileListBox.h"

#include "PathRules.h"
#include "runtime/rtExceptions.h"
#include "runtime/rtHandles.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

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

    // The names as found, end to end, and their keys; sorted, they are copied once more into
    // the entries in their order.
    struct Entry {
        SortKeys::Key key;
        size_t start;
        size_t length;
    };
    std::vector<Entry> entries;
    std::wstring found;
    SortKeys keys;
    BusyScope busy(m_busyCursor);

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
            const size_t at = found.size();
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                found += L'[';
                found += data.cFileName;
                found += L']';
            } else {
                found += data.cFileName;
            }
            const std::wstring_view text = std::wstring_view(found).substr(at);
            entries.push_back({keys.Add(text), at, text.size()});
            if (entries.size() == kBusyAfterEntries + 1)
                busy.Show();
        } while (FindNextFileW(find.get(), &data));
    }

    // Sorting indexes moves four bytes per step instead of a whole entry. Stable, so names
    // that compare equal keep the order in which they were found.
    std::vector<unsigned> order(entries.size());
    for (unsigned i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) {
        return keys.View(entries[a].key) < keys.View(entries[b].key);
    });
    m_items.reserve(entries.size(), found.size());
    for (unsigned i : order)
        m_items.push_back(std::wstring_view(found).substr(entries[i].start, entries[i].length));
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
