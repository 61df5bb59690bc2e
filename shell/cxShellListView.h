// Path resolution for shell controls: typed text (drive paths, names below the root,
// network and shell class paths, display-name pseudo paths) into an absolute identifier
// list, and the table of special folders matched by display name.
#pragma once

#include "cxShellCommon.h"
#include "cxShellRoots.h"

#include <string>
#include <vector>

// Show flags: which items the caller may choose.
constexpr unsigned cxsfNonFolders = 1;
constexpr unsigned cxsfFolders = 2;
constexpr unsigned cxsfHidden = 4;

DWORD ShowFlagsToEnumFlags(unsigned showFlags) noexcept;
// Whether an item with these attributes may be chosen under the show flags.
bool ItemVisible(SFGAOF attributes, unsigned showFlags) noexcept;

enum class TcxPathKind {
    pkDrivePath = 0,    // "C:\..." parsed from the desktop
    pkRootRelative = 1, // a name below the root
    pkNetworkPath = 2,  // "\\server\..."
    pkShellClass = 3,   // "::{...}"
    pkDesktopPseudo = 4,
    pkRootPseudo = 5,
    pkUnusable = 6,
};

struct TcxPathClassification {
    TcxPathKind Kind;
    std::wstring Text; // the text to resolve (trailing backslash dropped, drive filled in)
};

extern const wchar_t* const cxDesktopPseudoPrefix;
extern const wchar_t* const cxRootPseudoPrefix;

// Classifies upper-case text against the root's upper-case file-system path.
TcxPathClassification ClassifyPath(const std::wstring& upperText, const std::wstring& upperRootPath);
// Upper case by the system locale.
std::wstring UpperCaseText(const std::wstring& text);

// A new absolute list for the text, or null.
UniqueIdList ResolvePath(const std::wstring& text, TcxCustomShellRoot& root, unsigned showFlags,
                         bool mustBeUnderRoot);
// A new list relative to the folder for a name (parsed, else matched by display name).
UniqueIdList ParseChildByName(IShellFolder* folder, const std::wstring& name, unsigned showFlags);

struct TcxShellSpecialFolderInfoTableItem {
    SFGAOF Attributes = 0; // only SFGAO_FOLDER and SFGAO_HIDDEN
    UniqueIdList IdList;   // null when the platform has no such folder
    std::wstring DisplayName;
    std::wstring UpperPath;
    std::wstring UpperDisplayName;
};

constexpr int cxSpecialFolderCount = 35;

// One table entry for a special folder's list, asked of the folder's parent.
TcxShellSpecialFolderInfoTableItem MakeSpecialFolderEntry(IShellFolder* parent, UniqueIdList list);

// Fills the table for the special folder numbers 0 to 34 (unit start); frees it (stop).
void BuildSpecialFolderTable();
void FreeSpecialFolderTable();
const std::vector<TcxShellSpecialFolderInfoTableItem>& SpecialFolderTable();

// Starts the shell module and fills the table; undoes both when it goes.
class TcxShellModuleScope {
public:
    TcxShellModuleScope();
    TcxShellModuleScope(const TcxShellModuleScope&) = delete;
    TcxShellModuleScope& operator=(const TcxShellModuleScope&) = delete;
    ~TcxShellModuleScope();
};
