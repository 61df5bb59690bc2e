// The plain option and root records that the browse-for-folder dialog component
// publishes; they carry values only and copy them into a tree when the dialog runs.
#pragma once

#include "cxShellRoots.h"

#include <string>

class TcxDlgShellOptions : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TcxDlgShellOptions"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    bool ContextMenus = true;
    bool ShowFolders = true;
    bool ShowHidden = false;
    bool ShowNonFolders = false; // unlike the tree's options
    bool ShowToolTip = true;
    bool TrackShellChanges = true;
};

class TcxDlgShellRoot : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TcxDlgShellRoot"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TcxBrowseFolder BrowseFolder = bfDesktop;
    std::wstring CustomPath;
};
