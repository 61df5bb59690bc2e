// Where the platform looks for libraries that are loaded by a bare name. The program makes
// user folders current while it works, so the current folder must not be one of the places;
// the system's own libraries come from the system folder only.
#pragma once

#include "rtHandles.h"

// Takes the current folder out of the search for libraries loaded by bare name, and where the
// platform offers it, limits the default search to the system folder. Call once at start,
// before anything loads a library. Answers whether the default search could be limited
// (false on systems that lack it; the current folder is taken out either way).
bool RemoveCurrentFolderFromLibrarySearch() noexcept;

// Loads a library of the operating system from the system folder only, never from the
// current folder or the program's folder (the program changes its current folder to
// folders the user picks). Answers an empty owner when the library is missing.
UniqueLibrary LoadSystemLibrary(const wchar_t* name);
