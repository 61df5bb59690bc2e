// Settings of shell controls: the root folder they show (a special folder or a typed
// path resolved into an identifier list and a folder), the switches that filter what
// they list, and the drag-and-drop settings.
#pragma once

#include "cxShellCommon.h"
#include "runtime/rtClasses.h"
#include "runtime/rtTypInfo.h"

#include <functional>
#include <memory>
#include <string>

class TcxShellFolder;

enum TcxBrowseFolder {
    bfCustomPath,
    bfAltStartup,
    bfBitBucket,
    bfCommonDesktopDirectory,
    bfCommonDocuments,
    bfCommonFavorites,
    bfCommonPrograms,
    bfCommonStartMenu,
    bfCommonStartup,
    bfCommonTemplates,
    bfControls,
    bfDesktop,
    bfDesktopDirectory,
    bfDrives,
    bfPrinters,
    bfFavorites,
    bfFonts,
    bfHistory,
    bfMyMusic,
    bfMyPictures,
    bfNetHood,
    bfProfile,
    bfProgramFiles,
    bfPrograms,
    bfRecent,
    bfStartMenu,
    bfStartUp,
    bfTemplates,
};

// The names of the root kinds as stored descriptions write them.
const TEnumNames& TcxBrowseFolderNames();
// The special folder number (CSIDL) of a root kind; -1 for bfCustomPath.
int BrowseFolderCsidl(TcxBrowseFolder kind) noexcept;

class TcxCustomShellRoot : public TPersistent {
public:
    TcxCustomShellRoot(IcxShellOwner* ownerControl, HWND ownerWindow);
    ~TcxCustomShellRoot() override;
    const wchar_t* ClassName() const override { return L"TcxCustomShellRoot"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxBrowseFolder BrowseFolder() const noexcept { return m_browseFolder; }
    void SetBrowseFolder(TcxBrowseFolder value);
    const std::wstring& CustomPath() const noexcept { return m_customPath; }
    void SetCustomPath(const std::wstring& value);

    // Turns the settings into RootIdList and RootFolder. Failures raise EcxEditError
    // while a setting is being changed and leave the root unresolved otherwise.
    virtual void ResolveRoot();
    // Called after every resolution, successful or not.
    virtual void RootResolved();
    // Points the root at an identifier list directly (nothing for null).
    void SetRootIdList(PCItemIDList list);
    // Copies another root's settings without raising OnRootSettingsChanged.
    void CopySettingsQuietly(const TPersistent* source);
    void CopySettingsFrom(const TPersistent* source);
    void Assign(const TPersistent* source) override { CopySettingsFrom(source); }

    PCItemIDList RootIdList() const noexcept { return m_rootIdList.get(); }
    IShellFolder* RootFolder() const noexcept { return m_rootFolder.get(); }
    ULONG RootAttributes() const noexcept { return m_rootAttributes; }
    bool IsResolved() const noexcept { return m_isResolved; }
    TcxShellFolder* FolderInfo() const noexcept { return m_folderInfo.get(); }
    IcxShellOwner* OwnerControl() const noexcept { return m_ownerControl; }
    HWND OwnerWindow() const noexcept { return m_ownerWindow; }

    TNotifyEvent OnRootSettingsChanged;

private:
    // Runs a change of the settings: resolve, notify; on failure restore and re-raise.
    void ChangeSettings(TcxBrowseFolder kind, const std::wstring& path, bool resolve);
    void SettingsChanged();

    TcxBrowseFolder m_browseFolder = bfDesktop;
    std::wstring m_customPath;
    ULONG m_rootAttributes = 0;
    IcxShellOwner* m_ownerControl;
    HWND m_ownerWindow;
    std::unique_ptr<TcxShellFolder> m_folderInfo;
    bool m_resolving = false;
    UniqueIdList m_rootIdList;
    int m_changeCount = 0;
    ComPtr<IShellFolder> m_rootFolder;
    bool m_updating = false;
    bool m_isResolved = false;
};

class TcxShellOptions : public TPersistent {
public:
    explicit TcxShellOptions(IcxShellOwner* ownerControl) : m_ownerControl(ownerControl) {}
    const wchar_t* ClassName() const override { return L"TcxShellOptions"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    bool ShowFolders() const noexcept { return m_showFolders; }
    void SetShowFolders(bool value);
    bool ShowNonFolders() const noexcept { return m_showNonFolders; }
    void SetShowNonFolders(bool value);
    bool ShowHidden() const noexcept { return m_showHidden; }
    void SetShowHidden(bool value);
    bool ContextMenus() const noexcept { return m_contextMenus; }
    void SetContextMenus(bool value) { m_contextMenus = value; }
    bool TrackShellChanges() const noexcept { return m_trackShellChanges; }
    void SetTrackShellChanges(bool value) { m_trackShellChanges = value; }
    bool ShowToolTip() const noexcept { return m_showToolTip; }
    void SetShowToolTip(bool value);

    // The enumeration flags of every folder listing made under these options.
    DWORD EnumFlags() const noexcept;
    void CopySettingsFrom(const TPersistent* source);
    void Assign(const TPersistent* source) override { CopySettingsFrom(source); }

    TNotifyEvent OnShowToolTipChanged;

private:
    // Tells the owner synchronously, when its window exists.
    void OptionsChanged();

    IcxShellOwner* m_ownerControl;
    bool m_showFolders = true;
    bool m_showNonFolders = true;
    bool m_showHidden = false;
    bool m_contextMenus = true;
    bool m_trackShellChanges = true;
    bool m_showToolTip = true;
};

class TcxShellTreeViewOptions : public TcxShellOptions {
public:
    using TcxShellOptions::TcxShellOptions;
    const wchar_t* ClassName() const override { return L"TcxShellTreeViewOptions"; }
};

enum TcxDropEffect { deCopy, deMove, deLink };
// A set of drop effects: bit n stands for TcxDropEffect n.
using TcxDropEffectSet = unsigned;
constexpr TcxDropEffectSet DropEffectBit(TcxDropEffect effect)
{
    return 1u << effect;
}

class TcxDragDropSettings : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TcxDragDropSettings"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    bool AllowDragObjects() const noexcept { return m_allowDragObjects; }
    void SetAllowDragObjects(bool value);
    TcxDropEffect DefaultDropEffect() const noexcept { return m_defaultDropEffect; }
    void SetDefaultDropEffect(TcxDropEffect value) { m_defaultDropEffect = value; }
    TcxDropEffectSet DropEffect() const noexcept { return m_dropEffect; }
    void SetDropEffect(TcxDropEffectSet value) { m_dropEffect = value & 7u; }
    bool Scroll() const noexcept { return m_scroll; }
    void SetScroll(bool value) { m_scroll = value; }

    // The platform's drop-effect bits of the allowed effects and of the default one.
    DWORD AllowedEffects() const noexcept;
    DWORD DefaultEffect() const noexcept;
    void Assign(const TPersistent* source) override;

    // Raised with the new value when AllowDragObjects changes.
    std::function<void(TObject* sender, bool allowDragObjects)> OnChange;

private:
    bool m_allowDragObjects = true;
    TcxDropEffect m_defaultDropEffect = deMove;
    TcxDropEffectSet m_dropEffect = DropEffectBit(deCopy) | DropEffectBit(deMove) | DropEffectBit(deLink);
    bool m_scroll = false;
};
