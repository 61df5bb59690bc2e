#include "cxShellListView.h"

#include <cwctype>

const wchar_t* const cxDesktopPseudoPrefix = L"::{9C211B58-E6F1-456A-9F22-7B3B418A7BB1}";
const wchar_t* const cxRootPseudoPrefix = L"::{63BE9ADB-E4B5-4623-96AA-57440B4EF5A8}";

namespace {

constexpr size_t PseudoPrefixLength = 40;

std::vector<TcxShellSpecialFolderInfoTableItem> g_specialFolders;
// The table is filled on its first use: asking the shell about every special folder costs
// more than the whole main window, and only path resolution needs the answers.
bool g_specialFoldersWanted = false;
bool g_specialFoldersBuilt = false;

bool IsLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}
bool IsDriveStart(const std::wstring& t)
{
    return t.size() >= 2 && IsLetter(t[0]) && t[1] == L':';
}
bool IsDrivePath(const std::wstring& t)
{
    return t.size() >= 3 && IsDriveStart(t) && t[2] == L'\\';
}

std::vector<wchar_t> Writable(const std::wstring& text)
{
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

// The first child (under the enumeration flags) whose display name, upper-cased, is
// upperName. enumerated tells whether the folder could be listed at all.
UniqueIdList FindChildByDisplayName(IShellFolder* folder, const std::wstring& upperName, DWORD enumFlags,
                                    bool& enumerated)
{
    enumerated = false;
    if (!folder)
        return {};
    ComPtr<IEnumIDList> enumerator;
    if (FAILED(folder->EnumObjects(nullptr, enumFlags, enumerator.put())) || !enumerator)
        return {};
    enumerated = true;
    for (;;) {
        UniqueIdList child;
        ULONG fetched = 0;
        if (enumerator->Next(1, child.put(), &fetched) != S_OK || fetched != 1 || !child)
            return {};
        if (UpperCaseText(ItemDisplayName(folder, child.get())) == upperName)
            return child;
    }
}

// Walks display names below the desktop or the root.
UniqueIdList ResolvePseudoPath(const TcxPathClassification& path, TcxCustomShellRoot& root,
                               unsigned showFlags)
{
    ComPtr<IShellFolder> folder;
    UniqueIdList current;
    if (path.Kind == TcxPathKind::pkDesktopPseudo) {
        folder = DesktopFolder();
    } else {
        folder = ComPtr<IShellFolder>::Copy(root.RootFolder());
        current = IdListClone(root.RootIdList());
    }
    if (path.Text.size() <= PseudoPrefixLength + 1)
        return IdListEmpty();
    const std::wstring rest = path.Text.substr(PseudoPrefixLength + 1);
    std::vector<std::wstring> components;
    size_t start = 0;
    for (size_t pos; (pos = rest.find(L'\\', start)) != std::wstring::npos; start = pos + 1)
        components.push_back(rest.substr(start, pos - start));
    components.push_back(rest.substr(start));

    const DWORD enumFlags = ShowFlagsToEnumFlags(showFlags);
    for (size_t i = 0; i < components.size(); ++i) {
        bool enumerated = false;
        UniqueIdList child = FindChildByDisplayName(folder.get(), components[i], enumFlags, enumerated);
        // A component that names nothing leaves no folder to go on from.
        if (!enumerated || !child)
            return {};
        if (i + 1 == components.size())
            return IdListJoin(current.get(), child.get());
        if (!ItemHasAttributes(folder.get(), child.get(), SFGAO_FOLDER))
            return {};
        ComPtr<IShellFolder> next;
        if (FAILED(folder->BindToObject(child.get(), nullptr, IID_IShellFolder, next.put_void())) || !next)
            return {};
        folder = next;
        current = IdListJoin(current.get(), child.get());
    }
    return {};
}

} // namespace

DWORD ShowFlagsToEnumFlags(unsigned showFlags) noexcept
{
    DWORD flags = 0;
    if (showFlags & cxsfNonFolders)
        flags |= cxEnumNonFolders;
    if (showFlags & cxsfFolders)
        flags |= cxEnumFolders;
    if (showFlags & cxsfHidden)
        flags |= cxEnumIncludeHidden;
    return flags;
}

bool ItemVisible(SFGAOF attributes, unsigned showFlags) noexcept
{
    const bool hidden = (attributes & SFGAO_HIDDEN) != 0;
    const bool folder = (attributes & SFGAO_FOLDER) != 0;
    return (!hidden || (showFlags & cxsfHidden)) && (folder || (showFlags & cxsfNonFolders)) &&
           (!folder || (showFlags & cxsfFolders));
}

std::wstring UpperCaseText(const std::wstring& text)
{
    if (text.empty())
        return {};
    std::wstring result(text);
    const int length =
        LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()),
                     result.data(), static_cast<int>(result.size()));
    if (length != static_cast<int>(text.size()))
        for (auto& c : result)
            c = static_cast<wchar_t>(std::towupper(c));
    return result;
}

TcxPathClassification ClassifyPath(const std::wstring& upperText, const std::wstring& upperRootPath)
{
    std::wstring t = upperText;
    if (t.empty())
        return {TcxPathKind::pkUnusable, t};
    if (t.size() > 1 && t.back() == L'\\' && t[t.size() - 2] != L':')
        t.pop_back();
    if (t.size() > 2 && t[0] == L'\\' && t[1] == L'\\')
        return {TcxPathKind::pkNetworkPath, t};
    if (t.size() >= PseudoPrefixLength) {
        if (t.compare(0, PseudoPrefixLength, cxDesktopPseudoPrefix) == 0)
            return {TcxPathKind::pkDesktopPseudo, t};
        if (t.compare(0, PseudoPrefixLength, cxRootPseudoPrefix) == 0)
            return {TcxPathKind::pkRootPseudo, t};
        if (t.compare(0, 3, L"::{") == 0)
            return {TcxPathKind::pkShellClass, t};
    }
    if (IsDrivePath(t))
        return {TcxPathKind::pkDrivePath, t};
    if (t[0] != L'\\' && !IsDriveStart(t))
        return {TcxPathKind::pkRootRelative, t};
    // What is left is relative to the root's drive: a leading backslash, or a drive
    // letter and colon without a backslash after them.
    const std::wstring& r = upperRootPath;
    if (!IsDrivePath(r))
        return {TcxPathKind::pkUnusable, t};
    if (IsDriveStart(t))
        return {TcxPathKind::pkUnusable, t};
    if (t.size() == 1)
        return {TcxPathKind::pkDrivePath, r.substr(0, 3)};
    return {TcxPathKind::pkDrivePath, r.substr(0, 2) + t};
}

UniqueIdList ParseChildByName(IShellFolder* folder, const std::wstring& name, unsigned showFlags)
{
    if (!folder || name.empty())
        return {};
    auto buffer = Writable(name);
    ULONG eaten = 0;
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HIDDEN;
    UniqueIdList parsed;
    if (SUCCEEDED(
            folder->ParseDisplayName(nullptr, nullptr, buffer.data(), &eaten, parsed.put(), &attributes)) &&
        parsed && ItemVisible(attributes, showFlags))
        return parsed;
    bool enumerated = false;
    return FindChildByDisplayName(folder, UpperCaseText(name), ShowFlagsToEnumFlags(showFlags), enumerated);
}

UniqueIdList ResolvePath(const std::wstring& text, TcxCustomShellRoot& root, unsigned showFlags,
                         bool mustBeUnderRoot)
{
    if (!root.RootFolder())
        root.ResolveRoot();
    if (text.empty())
        return IdListClone(root.RootIdList());
    const std::wstring upper = UpperCaseText(text);
    const TcxPathClassification path = ClassifyPath(upper, UpperCaseText(IdListToPath(root.RootIdList())));
    UniqueIdList result;
    switch (path.Kind) {
    case TcxPathKind::pkDrivePath:
    case TcxPathKind::pkNetworkPath:
    case TcxPathKind::pkShellClass:
        result = ParseChildByName(DesktopFolder().get(), path.Text, showFlags);
        break;
    case TcxPathKind::pkRootRelative:
        if (UniqueIdList child = ParseChildByName(root.RootFolder(), path.Text, showFlags)) {
            result = IdListJoin(root.RootIdList(), child.get());
            break;
        }
        for (const auto& entry : SpecialFolderTable()) {
            if (entry.IdList && entry.UpperDisplayName == path.Text &&
                ItemVisible(entry.Attributes, showFlags)) {
                result = IdListClone(entry.IdList.get());
                break;
            }
        }
        break;
    case TcxPathKind::pkDesktopPseudo:
    case TcxPathKind::pkRootPseudo: result = ResolvePseudoPath(path, root, showFlags); break;
    case TcxPathKind::pkUnusable: break;
    }
    if (result && mustBeUnderRoot && !IdListAtOrBelow(root.RootIdList(), result.get()))
        result.reset();
    return result;
}

void BuildSpecialFolderTable()
{
    FreeSpecialFolderTable();
    g_specialFoldersBuilt = true;
    ComPtr<IShellFolder> desktop = DesktopFolder();
    g_specialFolders.resize(cxSpecialFolderCount);
    for (int csidl = 0; csidl < cxSpecialFolderCount; ++csidl) {
        auto& entry = g_specialFolders[static_cast<size_t>(csidl)];
        UniqueIdList list;
        PIDLIST_ABSOLUTE raw = nullptr;
        const HRESULT status = SHGetSpecialFolderLocation(nullptr, csidl, &raw);
        list.reset(raw);
        if (FAILED(status) || !list)
            continue;
        ComPtr<IShellFolder> parent = desktop;
        if (IdListItemCount(list.get()) > 1) {
            UniqueIdList parentList = IdListParent(list.get());
            ComPtr<IShellFolder> bound;
            if (SUCCEEDED(
                    desktop->BindToObject(parentList.get(), nullptr, IID_IShellFolder, bound.put_void())) &&
                bound)
                parent = bound;
            else
                parent.reset();
        }
        entry = MakeSpecialFolderEntry(parent.get(), std::move(list));
    }
}

TcxShellSpecialFolderInfoTableItem MakeSpecialFolderEntry(IShellFolder* parent, UniqueIdList list)
{
    TcxShellSpecialFolderInfoTableItem entry;
    PCItemIDList last = IdListLastItem(list.get());
    entry.DisplayName = ItemDisplayName(parent, last, SHGDN_NORMAL);
    entry.UpperDisplayName = UpperCaseText(entry.DisplayName);
    entry.UpperPath = UpperCaseText(IdListToPath(list.get()));
    // A folder that does not answer keeps no attributes rather than stopping start-up.
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HIDDEN;
    if (parent && last && SUCCEEDED(parent->GetAttributesOf(1, &last, &attributes)))
        entry.Attributes = attributes & (SFGAO_FOLDER | SFGAO_HIDDEN);
    entry.IdList = std::move(list);
    return entry;
}

void FreeSpecialFolderTable()
{
    g_specialFolders.clear();
    g_specialFoldersBuilt = false;
}

const std::vector<TcxShellSpecialFolderInfoTableItem>& SpecialFolderTable()
{
    if (g_specialFoldersWanted && !g_specialFoldersBuilt)
        BuildSpecialFolderTable();
    return g_specialFolders;
}

TcxShellModuleScope::TcxShellModuleScope()
{
    ShellModuleStart();
    g_specialFoldersWanted = true;
}

TcxShellModuleScope::~TcxShellModuleScope()
{
    FreeSpecialFolderTable();
    g_specialFoldersWanted = false;
    ShellModuleStop();
}
