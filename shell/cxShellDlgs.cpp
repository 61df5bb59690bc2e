#include "cxShellDlgs.h"

void TcxDlgShellOptions::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxDlgShellOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    ContextMenus = other->ContextMenus;
    ShowFolders = other->ShowFolders;
    ShowHidden = other->ShowHidden;
    ShowNonFolders = other->ShowNonFolders;
    ShowToolTip = other->ShowToolTip;
    TrackShellChanges = other->TrackShellChanges;
}

void TcxDlgShellRoot::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxDlgShellRoot*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BrowseFolder = other->BrowseFolder;
    CustomPath = other->CustomPath;
}
