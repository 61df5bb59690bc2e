#include "cxShellRoots.h"

#include "editors/cxEditErrors.h"
#include "cxShellItems.h"

#include <vector>

namespace {

struct BrowseFolderEntry {
    TcxBrowseFolder kind;
    int csidl;
};

const BrowseFolderEntry BrowseFolderTable[] = {
    {bfCustomPath, -1},
    {bfAltStartup, CSIDL_STARTUP},
    {bfBitBucket, CSIDL_BITBUCKET},
    {bfCommonDesktopDirectory, CSIDL_COMMON_DESKTOPDIRECTORY},
    {bfCommonDocuments, CSIDL_COMMON_DOCUMENTS},
    {bfCommonFavorites, CSIDL_COMMON_FAVORITES},
    {bfCommonPrograms, CSIDL_COMMON_PROGRAMS},
    {bfCommonStartMenu, CSIDL_COMMON_STARTMENU},
    {bfCommonStartup, CSIDL_COMMON_STARTUP},
    {bfCommonTemplates, CSIDL_COMMON_TEMPLATES},
    {bfControls, CSIDL_CONTROLS},
    {bfDesktop, CSIDL_DESKTOP},
    {bfDesktopDirectory, CSIDL_DESKTOPDIRECTORY},
    {bfDrives, CSIDL_DRIVES},
    {bfPrinters, CSIDL_PRINTERS},
    {bfFavorites, CSIDL_FAVORITES},
    {bfFonts, CSIDL_FONTS},
    {bfHistory, CSIDL_HISTORY},
    {bfMyMusic, CSIDL_MYMUSIC},
    {bfMyPictures, CSIDL_MYPICTURES},
    {bfNetHood, 0x12}, // the network neighbourhood folder
    {bfProfile, CSIDL_PROFILE},
    {bfProgramFiles, CSIDL_PROGRAM_FILES},
    {bfPrograms, CSIDL_PROGRAMS},
    {bfRecent, CSIDL_RECENT},
    {bfStartMenu, CSIDL_STARTMENU},
    {bfStartUp, CSIDL_STARTUP},
    {bfTemplates, CSIDL_TEMPLATES},
};

const DWORD DropEffectValues[] = {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK};

// Restores a flag or counter when the scope ends, also on error.
struct CountGuard {
    int& count;
    explicit CountGuard(int& c) : count(c) { ++count; }
    ~CountGuard() { --count; }
};

} // namespace

int BrowseFolderCsidl(TcxBrowseFolder kind) noexcept
{
    for (const auto& entry : BrowseFolderTable)
        if (entry.kind == kind)
            return entry.csidl;
    return -1;
}

TcxCustomShellRoot::TcxCustomShellRoot(IcxShellOwner* ownerControl, HWND ownerWindow)
    : m_ownerControl(ownerControl), m_ownerWindow(ownerWindow)
{
}

TcxCustomShellRoot::~TcxCustomShellRoot() = default;

void TcxCustomShellRoot::ResolveRoot()
{
    if (m_resolving)
        return;
    ComPtr<IShellFolder> desktop = DesktopFolder();
    m_isResolved = false;
    m_rootFolder.reset();
    m_rootIdList.reset();
    TcxBrowseFolder kind = m_browseFolder;
    if (kind == bfCustomPath && m_customPath.empty())
        kind = bfDesktop;

    m_resolving = true;
    struct ResolvingGuard {
        bool& flag;
        ~ResolvingGuard() { flag = false; }
    } guard{m_resolving};

    UniqueIdList list;
    HRESULT status;
    if (kind == bfCustomPath) {
        std::vector<wchar_t> path(m_customPath.begin(), m_customPath.end());
        path.push_back(L'\0');
        ULONG eaten = 0;
        status = desktop->ParseDisplayName(m_ownerWindow, nullptr, path.data(), &eaten, list.put(), nullptr);
    } else {
        status = SpecialFolderIdList(m_ownerWindow, BrowseFolderCsidl(kind), list);
    }
    if (SUCCEEDED(status) && !list)
        status = E_FAIL;
    if (FAILED(status)) {
        m_resolving = false;
        if (m_changeCount > 0)
            throw EcxEditError(ShellErrorMessage(status));
        RootResolved();
        return;
    }
    if (kind == bfDesktop) {
        m_rootFolder = desktop;
        m_rootIdList = IdListClone(list.get());
        m_isResolved = true;
        m_rootAttributes = SFGAO_FILESYSTEM;
        RootResolved();
    } else {
        SetRootIdList(list.get());
    }
}

void TcxCustomShellRoot::RootResolved()
{
    m_folderInfo.reset();
    if (m_rootIdList)
        m_folderInfo = std::make_unique<TcxShellFolder>(m_rootIdList.get());
}

void TcxCustomShellRoot::SetRootIdList(PCItemIDList list)
{
    if (!list)
        return;
    UniqueIdList copy = IdListClone(list);
    m_rootIdList.reset();
    ComPtr<IShellFolder> desktop = DesktopFolder();
    ComPtr<IShellFolder> bound;
    if (SUCCEEDED(desktop->BindToObject(copy.get(), nullptr, IID_IShellFolder, bound.put_void())) && bound) {
        m_rootFolder = bound;
        SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER;
        PCItemIDList items[] = {copy.get()};
        m_rootAttributes = SUCCEEDED(desktop->GetAttributesOf(1, items, &attributes)) ? attributes : 0;
    } else {
        m_rootFolder = desktop;
        m_rootAttributes = SFGAO_FILESYSTEM;
    }
    m_rootIdList = std::move(copy);
    m_isResolved = true;
    RootResolved();
}

void TcxCustomShellRoot::SettingsChanged()
{
    if (!m_updating && OnRootSettingsChanged)
        OnRootSettingsChanged(this);
}

void TcxCustomShellRoot::ChangeSettings(TcxBrowseFolder kind, const std::wstring& path, bool resolve)
{
    const TcxBrowseFolder oldKind = m_browseFolder;
    const std::wstring oldPath = m_customPath;
    try {
        m_browseFolder = kind;
        m_customPath = path;
        if (resolve) {
            CountGuard changing(m_changeCount);
            ResolveRoot();
        }
    } catch (...) {
        m_browseFolder = oldKind;
        m_customPath = oldPath;
        try {
            ResolveRoot();
        } catch (...) {
            // The first error is the one the caller needs to see.
        }
        throw;
    }
    SettingsChanged();
}

void TcxCustomShellRoot::SetBrowseFolder(TcxBrowseFolder value)
{
    ChangeSettings(value, m_customPath, value != m_browseFolder || !m_rootIdList);
}

void TcxCustomShellRoot::SetCustomPath(const std::wstring& value)
{
    ChangeSettings(m_browseFolder, value, m_browseFolder == bfCustomPath);
}

void TcxCustomShellRoot::CopySettingsFrom(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxCustomShellRoot*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    ChangeSettings(other->m_browseFolder, other->m_customPath, true);
}

void TcxCustomShellRoot::CopySettingsQuietly(const TPersistent* source)
{
    if (m_updating)
        return;
    m_updating = true;
    struct UpdatingGuard {
        bool& flag;
        ~UpdatingGuard() { flag = false; }
    } guard{m_updating};
    CopySettingsFrom(source);
}

void TcxShellOptions::OptionsChanged()
{
    if (!m_ownerControl)
        return;
    HWND wnd = m_ownerControl->ShellOwnerWindow();
    if (wnd && IsWindow(wnd))
        SendMessageW(wnd, MsgOptionsChanged, 0, 0);
}

// The three filter switches tell the owner even when the value stays: the owner
// rebuilds its listing on every such assignment.
void TcxShellOptions::SetShowFolders(bool value)
{
    m_showFolders = value;
    OptionsChanged();
}

void TcxShellOptions::SetShowNonFolders(bool value)
{
    m_showNonFolders = value;
    OptionsChanged();
}

void TcxShellOptions::SetShowHidden(bool value)
{
    m_showHidden = value;
    OptionsChanged();
}

void TcxShellOptions::SetShowToolTip(bool value)
{
    if (value == m_showToolTip)
        return;
    m_showToolTip = value;
    if (OnShowToolTipChanged)
        OnShowToolTipChanged(this);
}

DWORD TcxShellOptions::EnumFlags() const noexcept
{
    DWORD flags = 0;
    if (m_showFolders)
        flags |= cxEnumFolders;
    if (m_showNonFolders)
        flags |= cxEnumNonFolders;
    if (m_showHidden)
        flags |= cxEnumIncludeHidden;
    return flags;
}

void TcxShellOptions::CopySettingsFrom(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxShellOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    m_contextMenus = other->m_contextMenus;
    m_showFolders = other->m_showFolders;
    m_showHidden = other->m_showHidden;
    m_showNonFolders = other->m_showNonFolders;
    SetShowToolTip(other->m_showToolTip);
    m_trackShellChanges = other->m_trackShellChanges;
    OptionsChanged();
}

void TcxDragDropSettings::SetAllowDragObjects(bool value)
{
    if (value == m_allowDragObjects)
        return;
    m_allowDragObjects = value;
    if (OnChange)
        OnChange(this, value);
}

DWORD TcxDragDropSettings::AllowedEffects() const noexcept
{
    DWORD effects = 0;
    for (int effect = deCopy; effect <= deLink; ++effect)
        if (m_dropEffect & DropEffectBit(static_cast<TcxDropEffect>(effect)))
            effects |= DropEffectValues[effect];
    return effects;
}

DWORD TcxDragDropSettings::DefaultEffect() const noexcept
{
    return DropEffectValues[m_defaultDropEffect];
}

void TcxDragDropSettings::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxDragDropSettings*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    SetAllowDragObjects(other->m_allowDragObjects);
    m_defaultDropEffect = other->m_defaultDropEffect;
    m_dropEffect = other->m_dropEffect;
    m_scroll = other->m_scroll;
}

// ---- published properties ----------------------------------------------------------------

namespace {

const TEnumNames& BrowseFolderNames()
{
    static const TEnumNames names = {
        {L"bfCustomPath", bfCustomPath},
        {L"bfAltStartup", bfAltStartup},
        {L"bfBitBucket", bfBitBucket},
        {L"bfCommonDesktopDirectory", bfCommonDesktopDirectory},
        {L"bfCommonDocuments", bfCommonDocuments},
        {L"bfCommonFavorites", bfCommonFavorites},
        {L"bfCommonPrograms", bfCommonPrograms},
        {L"bfCommonStartMenu", bfCommonStartMenu},
        {L"bfCommonStartup", bfCommonStartup},
        {L"bfCommonTemplates", bfCommonTemplates},
        {L"bfControls", bfControls},
        {L"bfDesktop", bfDesktop},
        {L"bfDesktopDirectory", bfDesktopDirectory},
        {L"bfDrives", bfDrives},
        {L"bfPrinters", bfPrinters},
        {L"bfFavorites", bfFavorites},
        {L"bfFonts", bfFonts},
        {L"bfHistory", bfHistory},
        {L"bfMyMusic", bfMyMusic},
        {L"bfMyPictures", bfMyPictures},
        {L"bfNetHood", bfNetHood},
        {L"bfProfile", bfProfile},
        {L"bfProgramFiles", bfProgramFiles},
        {L"bfPrograms", bfPrograms},
        {L"bfRecent", bfRecent},
        {L"bfStartMenu", bfStartMenu},
        {L"bfStartUp", bfStartUp},
        {L"bfTemplates", bfTemplates},
    };
    return names;
}

} // namespace

const TEnumNames& TcxBrowseFolderNames()
{
    return BrowseFolderNames();
}

const TClassInfo* TcxCustomShellRoot::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxCustomShellRoot;
        TClassInfo ci(L"TcxCustomShellRoot", nullptr);
        ci.AddEnum<T, TcxBrowseFolder>(L"BrowseFolder", BrowseFolderNames(), &T::SetBrowseFolder,
                                       &T::BrowseFolder);
        ci.AddString<T>(L"CustomPath", &T::SetCustomPath, &T::CustomPath);
        return ci;
    }();
    return &info;
}

const TClassInfo* TcxShellOptions::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxShellOptions;
        TClassInfo ci(L"TcxShellOptions", nullptr);
        ci.AddBool<T>(L"ContextMenus", &T::SetContextMenus, &T::ContextMenus);
        ci.AddBool<T>(L"ShowFolders", &T::SetShowFolders, &T::ShowFolders);
        ci.AddBool<T>(L"ShowHidden", &T::SetShowHidden, &T::ShowHidden);
        ci.AddBool<T>(L"ShowNonFolders", &T::SetShowNonFolders, &T::ShowNonFolders);
        ci.AddBool<T>(L"ShowToolTip", &T::SetShowToolTip, &T::ShowToolTip);
        ci.AddBool<T>(L"TrackShellChanges", &T::SetTrackShellChanges, &T::TrackShellChanges);
        return ci;
    }();
    return &info;
}

const TClassInfo* TcxDragDropSettings::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxDragDropSettings;
        TClassInfo ci(L"TcxDragDropSettings", nullptr);
        ci.AddBool<T>(L"AllowDragObjects", &T::SetAllowDragObjects, &T::AllowDragObjects);
        ci.AddEnum<T, TcxDropEffect>(L"DefaultDropEffect",
                                     {{L"deCopy", deCopy}, {L"deMove", deMove}, {L"deLink", deLink}},
                                     &T::SetDefaultDropEffect, &T::DefaultDropEffect);
        ci.AddSet<T, TcxDropEffectSet>(L"DropEffect", {{L"deCopy", 1}, {L"deMove", 2}, {L"deLink", 4}},
                                       &T::SetDropEffect, &T::DropEffect);
        ci.AddBool<T>(L"Scroll", &T::SetScroll, &T::Scroll);
        return ci;
    }();
    return &info;
}
