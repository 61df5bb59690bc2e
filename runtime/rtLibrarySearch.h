// Where the platform looks for libraries that are loaded by a bare name. The program makes
// user folders current while it works, so the current folder must not be one of the places.
#pragma once

// Takes the current folder out of the search for libraries loaded by bare name, and where the
// platform offers it, limits the default search to the system folder. Call once at start,
// before anything loads a library. Answers whether the default search could be limited
// (false on systems that lack it; the current folder is taken out either way).
bool RemoveCurrentFolderFromLibrarySearch() noexcept;
