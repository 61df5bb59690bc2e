#include "RunPreview.h"

#include "BatchRun.h"
#include "PathRules.h"

#include "runtime/rtExceptions.h"

#include <unordered_map>
#include <unordered_set>

namespace {

constexpr wchar_t kMoveAndBackUpText[] = L"移动并备份";
constexpr wchar_t kTargetExistsText[] = L"失败：目标文件已存在";
constexpr wchar_t kBackupNameTakenText[] = L"移动，但备份失败：原文件名已被占用";
constexpr wchar_t kExportFolderFailsText[] = L"失败：目标目录不存在，也无法创建";
constexpr wchar_t kCreatesFolderText[] = L"新建导出目录，";
constexpr wchar_t kCountsText[] = L"共 ";
constexpr wchar_t kCountsMatchingText[] = L" 个匹配文件：";
constexpr wchar_t kCountsSuccessText[] = L" 个将移动并备份，";
constexpr wchar_t kCountsFailureText[] = L" 个将失败。";
constexpr wchar_t kCountsFolderText[] = L"导出目录将被新建。";

// Past this many target folders each name is asked of the platform instead of a folder's
// name set (a new suffix with "\" in it gives every entry a folder of its own).
constexpr size_t kMaxFolderPictures = 64;

std::wstring Upper(std::wstring text)
{
    if (!text.empty())
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The full form of path, or path itself where the platform gives none.
std::wstring FullPathOf(const std::wstring& path)
{
    std::wstring full = FullPathName(path);
    return full.empty() ? path : full;
}

size_t LastDelimiter(const std::wstring& full)
{
    const size_t last = full.find_last_of(L'\\');
    return last == std::wstring::npos ? 0 : last;
}

// The process's current folder is put back when the preview is done.
class TCurrentFolderScope {
public:
    TCurrentFolderScope() : m_saved(CurrentFolder()) {}
    ~TCurrentFolderScope() { SetCurrentDirectoryW(m_saved.c_str()); }

private:
    std::wstring m_saved;
};

} // namespace

// The folders the run would touch, as a set of upper-cased full paths per folder read once,
// with the changes the earlier entries' moves and copies would make laid over it.
class TRunPreview::TDiskPicture {
public:
    bool Exists(const std::wstring& upperFull)
    {
        if (auto it = m_changes.find(upperFull); it != m_changes.end())
            return it->second;
        const size_t cut = LastDelimiter(upperFull);
        const std::wstring folder = upperFull.substr(0, cut);
        auto names = m_folders.find(folder);
        if (names == m_folders.end()) {
            if (m_folders.size() >= kMaxFolderPictures)
                return GetFileAttributesW(upperFull.c_str()) != INVALID_FILE_ATTRIBUTES;
            names = m_folders.emplace(folder, ReadFolder(folder)).first;
        }
        return names->second.contains(upperFull.substr(cut + 1));
    }
    void Set(const std::wstring& upperFull, bool exists) { m_changes[upperFull] = exists; }

private:
    static std::unordered_set<std::wstring> ReadFolder(const std::wstring& folder)
    {
        std::unordered_set<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            names.insert(Upper(data.cFileName));
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    }

    std::unordered_map<std::wstring, std::unordered_set<std::wstring>> m_folders;
    std::unordered_map<std::wstring, bool> m_changes;
};

TRunPreview::TRunPreview(const TRunFields& fields, IBusyCursor* busyCursor)
    : m_list(std::make_unique<TFileListBox>(busyCursor))
{
    TCurrentFolderScope keepCurrentFolder;
    m_list->ApplyTypedPath(TrimText(fields.sourceFolder));
    m_folder = m_list->Folder();

    // The export folder is forced at the first matching entry, from the source folder when
    // the text is relative; a dry run of the same forcing tells what it would create.
    const std::wstring exportFolder = TrimText(fields.exportFolder);
    std::unordered_set<std::wstring> madeFolders;
    bool exportFails = false;
    bool forced = false;
    auto force = [&] {
        forced = true;
        TFolderCreationWatch watch;
        watch.dryRun = true;
        watch.after = [&](const std::wstring& level, std::optional<DWORD> error) {
            if (error)
                exportFails = true;
            else
                madeFolders.insert(Upper(FullPathOf(level)));
        };
        try {
            exportFails = !ForceDirectories(exportFolder, &watch) || exportFails;
        } catch (const Exception&) {
            exportFails = true;
        }
        m_exportCreated = !exportFails && !madeFolders.empty();
        m_exportFails = exportFails;
    };

    TDiskPicture disk;
    std::wstring lastFolder; // whether the folder of the last target was there, asked once per folder
    bool lastFolderThere = false;
    const TFileListEntries& entries = m_list->Items();
    const std::wstring folderPrefix = m_folder.ends_with(L'\\') ? m_folder : m_folder + L"\\";
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::wstring path = folderPrefix + std::wstring(entries[i]);
        if (!MatchesSourceSuffix(path, fields.sourceSuffix))
            continue;
        const bool firstMatch = !forced;
        if (!forced)
            force();
        TRow row{static_cast<int>(i), FullPathOf(TargetPathFor(path, fields.newSuffix, fields.exportFolder)),
                 TPreviewAction::MoveAndBackUp, firstMatch && m_exportCreated};
        const std::wstring upperTarget = Upper(row.target);
        const std::wstring upperSource = Upper(path);
        const std::wstring targetFolder = upperTarget.substr(0, LastDelimiter(upperTarget));
        if (targetFolder != lastFolder) {
            lastFolder = targetFolder;
            lastFolderThere = madeFolders.contains(targetFolder) || DirectoryExists(targetFolder);
        }
        const bool folderThere = lastFolderThere;
        if (row.target.starts_with(L"\\\\.\\") || (upperTarget != upperSource && disk.Exists(upperTarget)))
            row.action = TPreviewAction::TargetExists;
        else if (exportFails || !folderThere)
            row.action = TPreviewAction::ExportFolderFails;
        else if (upperTarget == upperSource)
            // A move onto its own name (or a change of letter case only) leaves the source's
            // name taken, so the backup copy fails.
            row.action = TPreviewAction::BackupNameTaken;
        else {
            disk.Set(upperTarget, true);
            ++m_successes;
        }
        m_rows.push_back(std::move(row));
    }
}

TRunPreview::~TRunPreview() = default;

std::wstring_view TRunPreview::Name(size_t row) const
{
    return m_list->Items()[static_cast<size_t>(m_rows.at(row).entry)];
}

std::wstring PreviewActionText(const TRunPreview& preview, size_t row)
{
    std::wstring text = preview.CreatesExportFolder(row) ? kCreatesFolderText : L"";
    switch (preview.Action(row)) {
    case TPreviewAction::MoveAndBackUp: return text + kMoveAndBackUpText;
    case TPreviewAction::TargetExists: return text + kTargetExistsText;
    case TPreviewAction::BackupNameTaken: return text + kBackupNameTakenText;
    case TPreviewAction::ExportFolderFails: return kExportFolderFailsText;
    }
    return text;
}

std::wstring PreviewCountsText(const TRunPreview& preview)
{
    std::wstring text = kCountsText + std::to_wstring(preview.RowCount()) + kCountsMatchingText +
                        std::to_wstring(preview.Successes()) + kCountsSuccessText +
                        std::to_wstring(preview.Failures()) + kCountsFailureText;
    if (preview.ExportFolderCreated())
        text += kCountsFolderText;
    return text;
}
