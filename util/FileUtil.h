// File-system and display-formatting helpers shared by the repository, backup and view code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace util {

class CProgressMeter;

// folder + "\" + name, without doubling a backslash that ends folder (a drive root).
std::string JoinPath(const std::string& folder, const std::string& name);
// The same into a MAX_PATH buffer; false when it would not fit (never cut).
bool JoinPath(char (&out)[MAX_PATH], const char* folder, const char* name);

// The full path of path against the current folder; false when it would not fit in MAX_PATH.
bool MakeFullPath(const std::string& path, std::string& out);

// Deletes a file, clearing its read-only bit first. Fails on a missing file.
BOOL ForceDeleteFile(const char* path);

// Deletes a folder with everything in it, read-only bits included. Stops at the first entry that
// cannot be deleted and then leaves the folder and the entries not yet reached.
BOOL DeleteFolderTree(const char* folder);

// Copies a file, creating the missing folders of the destination path first (never the part
// before the first backslash). A destination without a backslash fails.
BOOL CopyFileMakePath(const char* source, const char* dest, BOOL failIfExists);

// Merges the source folder's contents into the existing destination folder, replacing files and
// folders that are in the way. Stops at the first entry that fails.
BOOL CopyFolderTree(const char* source, const char* dest);
// The same, leaving out every source entry (with what is below it) for which skip is true. With a
// meter, each file reports to it, and a cancel stops the copy (which then fails).
BOOL CopyFolderTree(const char* source, const char* dest,
                    const std::function<bool(const char* origin)>& skip,
                    CProgressMeter* meter = nullptr);

// One entry of a listed tree: its path below the listed folder (starting with a backslash) and
// what the listing said of it.
struct TreeEntry {
    std::string relative;
    DWORD attributes = 0;
    uint64_t size = 0;
    FILETIME creation{}, lastAccess{}, lastWrite{};
};
// A folder tree as one walk found it: every folder before the folders and files below it, then
// the files; bytes is the files' total size, longest the longest relative path.
struct TreeListing {
    std::vector<TreeEntry> folders;
    std::vector<TreeEntry> files;
    uint64_t bytes = 0;
    size_t longest = 0;
};
// Lists the tree below folder, leaving out the folder skip (compared without case) with what is
// below it. False when a folder cannot be listed or a path would not fit in MAX_PATH.
bool ListTree(const std::string& folder, const std::string& skip, TreeListing& out);

// The current user's application-data folder into out (MAX_PATH bytes); TRUE when non-empty.
BOOL GetAppDataFolder(char* out);

// The shell's full, canonical path of an existing file or folder into out (MAX_PATH bytes);
// wideChars is the size of the wide-character buffer the path is converted into.
BOOL GetShellFileSystemPath(const char* path, char* out, int wideChars = MAX_PATH);

// The registered display name of a file type ("Text Document") into out, read from
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. ext is the extension with its dot, or nullptr for a
// folder. Fails when there is no name or it does not fit in size bytes with its terminator.
BOOL GetFileTypeName(const char* ext, char* out, DWORD size);

// "<short date> <time without seconds>" of a UTC file time in local time and the thread's locale,
// into out (at least 64 bytes). Returns the length written.
int FormatFileTime(const FILETIME& time, char* out);

// Unsigned 64-bit three-way comparison: -1, 0 or +1.
int CompareFileTimeValues(const FILETIME& a, const FILETIME& b);

// Case-sensitive match of name against a pattern whose only wildcard is '*'.
BOOL MatchWildcard(const char* pattern, const char* name);

}  // namespace util
