// Path texts as the suffix changer reads them: trimming of typed texts, the extension,
// name and parent parts of a path, and the file-system helpers built on them (the
// current folder, existence tests and forcing a folder to exist). All texts are wide,
// so any file name works whatever the system's code page.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// Removes every character whose code is 32 (blank) or lower from both ends.
std::wstring TrimText(const std::wstring& text);

// From the last "." that follows the last "\" and the last ":" to the end, the "."
// included; empty when there is no such ".".
std::wstring ExtractFileExt(const std::wstring& path);

// Everything after the last "\" or ":".
std::wstring ExtractFileName(const std::wstring& path);

// The parent part: the text up to and including its last "\" or ":" (empty if none).
std::wstring ExtractFilePath(const std::wstring& path);

// The name with its extension replaced by ext, or ext appended when it has none. ext is
// used as given, so one without a leading "." is glued to the base name.
std::wstring ChangeFileExt(const std::wstring& path, const std::wstring& ext);

// The root part: the first two characters when the second is ":"; for a text that begins
// with "\\", the text up to (not including) the "\" that follows the share name; else empty.
std::wstring ExtractRootPart(const std::wstring& path);

// True for "X:\..." and "\\..." texts, which mean the same whatever the current folder is.
bool IsFullyQualified(const std::wstring& path);

// Compares two texts as file names: the letters A to Z without regard to case, every other
// character as it is.
bool SameFileName(const std::wstring& a, const std::wstring& b);

bool DirectoryExists(const std::wstring& path);
// True for an existing entry that is not a folder.
bool FileExists(const std::wstring& path);

// The folder a browse for a field's text starts from: the text trimmed as the batch run reads
// it, or, when that names no folder (a folder not made yet, a file), its nearest existing
// ancestor; empty when no level of it exists. An ancestor keeps a trailing "\" only where it
// is a drive's root.
std::wstring BrowseStartFolder(const std::wstring& text);

// The platform's full form of path (current folder applied, "." and ".." resolved, "/" made
// "\", trailing dots and blanks of the last part dropped), of any length; empty when it has none.
std::wstring FullPathName(const std::wstring& path);

// What makes a file (or folder) itself: its volume's serial number and its index there, after
// any link on the way; nothing when it cannot be opened.
struct TFileIdentity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const TFileIdentity&) const = default;
};
std::optional<TFileIdentity> FileIdentity(const std::wstring& path);

// The process's current folder as the platform reports it.
std::wstring CurrentFolder();
// Makes path the process's current folder; raises EInOutError with the platform's code.
void ChangeFolder(const std::wstring& path);

// Makes sure the folder exists, creating missing levels from the top down. An empty text
// raises "Unable to create directory"; so does a relative text whose first level is missing,
// because its parent part runs out before an existing folder is reached. Answers whether
// the folder is there afterwards (as far as the rules can tell). A watch hears of each level
// just before it is created and of the outcome (nothing, or the platform's code) after. With
// dryRun set nothing is created: the watch hears what would be.
struct TFolderCreationWatch {
    bool dryRun = false;
    std::wstring lastMade; // the level a dry run would have made last
    std::function<void(const std::wstring& level)> before;
    std::function<void(const std::wstring& level, std::optional<DWORD> error)> after;
};
bool ForceDirectories(std::wstring dir, TFolderCreationWatch* watch = nullptr);
