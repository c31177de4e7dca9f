// File-system and display-formatting helpers: forced deletes, tree copies, shell and registry
// look-ups, file-time text and '*' wildcard matching.
#include "util/FileUtil.h"

#include <shlobj.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/RegKey.h"
#include "util/Mbcs.h"
#include "util/Progress.h"

namespace util {

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (folder.empty() || MbsRFind(folder, '\\') != folder.size() - 1) path.append(1, '\\');
    return path.append(name);
}

bool JoinPath(char (&out)[MAX_PATH], const char* folder, const char* name) {
    std::string path = JoinPath(std::string(folder), std::string(name));
    if (path.size() >= MAX_PATH) return false;
    memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

bool MakeFullPath(const std::string& path, std::string& out) {
    char buf[MAX_PATH];
    char* file = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buf, &file);
    if (n == 0 || n >= MAX_PATH) return false;
    out = buf;
    return true;
}
namespace {

// A missing path reads as all bits set, read-only included, so clearing then fails on it.
BOOL ClearReadOnly(const char* path) {
    DWORD attrs = GetFileAttributesA(path);
    if (attrs & FILE_ATTRIBUTE_READONLY)
        return SetFileAttributesA(path, attrs ^ FILE_ATTRIBUTE_READONLY);
    return TRUE;
}

BOOL IsFolder(DWORD attrs) {
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

// Merges one source entry into the destination, replacing a target of the other kind.
BOOL CopyTreeEntry(const char* origin, const char* target, const WIN32_FIND_DATAA& entry,
                   const std::function<bool(const char*)>& skip, CProgressMeter* meter) {
    const bool originIsFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    DWORD targetAttrs = GetFileAttributesA(target);
    if (originIsFolder) {
        if (targetAttrs == INVALID_FILE_ATTRIBUTES) {
            if (!fw::CreateDirectoryChecked(target)) return FALSE;
        } else if (!IsFolder(targetAttrs)) {
            if (!ForceDeleteFile(target) || !fw::CreateDirectoryChecked(target)) return FALSE;
        }
        return CopyFolderTree(origin, target, skip, meter);
    }
    if (targetAttrs != INVALID_FILE_ATTRIBUTES) {
        BOOL removed = IsFolder(targetAttrs) ? DeleteFolderTree(target) : ForceDeleteFile(target);
        if (!removed) return FALSE;
    }
    if (!meter) return fw::CopyFileRetrying(origin, target, FALSE);
    uint64_t size = (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    BOOL copied;
    {
        CFileProgress file(meter, origin, size);
        copied = file.Going() &&
                 fw::CopyFileReporting(origin, target, FALSE, size,
                                       [&file](uint64_t done) { return file.Bytes(done); });
    }
    return copied && !meter->IsCancelled();
}

// The default value of HKLM\SOFTWARE\Classes\<name> into out; it must fit with a terminator.
BOOL ReadClassDefault(const char* name, char* out, DWORD size) {
    // An empty name would address the Classes key itself.
    if (!name || !*name || size == 0) return FALSE;
    char keyPath[MAX_PATH];
    int n = std::snprintf(keyPath, sizeof keyPath, "SOFTWARE\\Classes\\%s", name);
    if (n < 0 || n >= static_cast<int>(sizeof keyPath)) return FALSE;

    fw::CRegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE)) return FALSE;
    DWORD bytes = size;
    LONG result =
        RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &bytes);
    if (result != ERROR_SUCCESS) return FALSE;
    // Stored strings usually carry their own terminator; one without it needs a spare byte.
    if (bytes > 0 && out[bytes - 1] == '\0') return TRUE;
    if (bytes >= size) return FALSE;
    out[bytes] = '\0';
    return TRUE;
}

void FreeItemList(LPITEMIDLIST pidl) {
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&malloc))) {
        malloc->Free(pidl);
        malloc->Release();
    }
}

}  // namespace

BOOL ForceDeleteFile(const char* path) {
    if (!ClearReadOnly(path)) return FALSE;
    return fw::DeleteFileRetrying(path);
}

BOOL DeleteFolderTree(const char* folder) {
    if (!ClearReadOnly(folder)) return FALSE;
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, folder, "*.*")) return FALSE;
    {
        fw::CFindFile find(pattern);
        if (find.IsOpen()) {
            do {
                if (find.IsDots()) continue;
                char child[MAX_PATH];
                if (!JoinPath(child, folder, find.Data().cFileName)) return FALSE;
                BOOL ok = (find.Data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                              ? DeleteFolderTree(child)
                              : ForceDeleteFile(child);
                if (!ok) return FALSE;
            } while (find.Next());
        }
    }
    return fw::RemoveDirectoryChecked(folder);
}

BOOL CopyFileMakePath(const char* source, const char* dest, BOOL failIfExists) {
    char work[MAX_PATH];
    int n = std::snprintf(work, sizeof work, "%s", dest);
    if (n < 0 || n >= static_cast<int>(sizeof work)) return FALSE;

    // The part before the first backslash is a drive (or nothing) and is never created.
    char* sep = MbsChr(work, '\\');
    if (!sep) return FALSE;
    for (sep = MbsChr(sep + 1, '\\'); sep; sep = MbsChr(sep + 1, '\\')) {
        *sep = '\0';
        BOOL ok =
            GetFileAttributesA(work) != INVALID_FILE_ATTRIBUTES || fw::CreateDirectoryChecked(work);
        *sep = '\\';
        if (!ok) return FALSE;
    }
    return fw::CopyFileRetrying(source, dest, failIfExists);
}

BOOL CopyFolderTree(const char* source, const char* dest) { return CopyFolderTree(source, dest, {}); }

BOOL CopyFolderTree(const char* source, const char* dest,
                    const std::function<bool(const char* origin)>& skip, CProgressMeter* meter) {
    if (!ClearReadOnly(dest)) return FALSE;
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, source, "*.*")) return FALSE;
    fw::CFindFile find(pattern);
    if (!find.IsOpen()) return TRUE;
    do {
        if (find.IsDots()) continue;
        const WIN32_FIND_DATAA& entry = find.Data();
        char target[MAX_PATH];
        char origin[MAX_PATH];
        if (!JoinPath(origin, source, entry.cFileName)) return FALSE;
        // Skipped first: what is left out may be what would not fit at the destination.
        if (skip && skip(origin)) continue;
        if (!JoinPath(target, dest, entry.cFileName)) return FALSE;
        if (!CopyTreeEntry(origin, target, entry, skip, meter))
            return FALSE;
    } while (find.Next());
    return TRUE;
}

namespace {

bool ListFolder(const std::string& root, const std::string& relative, const std::string& skip,
                TreeListing& out) {
    std::string folder = root + relative;
    std::string pattern = folder + "\\*";
    if (pattern.size() >= MAX_PATH) return false;
    fw::CFindFile find(pattern.c_str());
    if (!find.IsOpen()) return false;
    // Folders are entered once this one's listing is closed, so that no more than one search
    // is open per level.
    size_t firstFolder = out.folders.size();
    do {
        if (find.IsDots()) continue;
        const WIN32_FIND_DATAA& d = find.Data();
        TreeEntry e;
        e.relative = relative + "\\" + d.cFileName;
        if (root.size() + e.relative.size() >= MAX_PATH) return false;
        e.attributes = d.dwFileAttributes;
        e.creation = d.ftCreationTime;
        e.lastAccess = d.ftLastAccessTime;
        e.lastWrite = d.ftLastWriteTime;
        if (e.relative.size() > out.longest) out.longest = e.relative.size();
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!skip.empty() && lstrcmpiA((root + e.relative).c_str(), skip.c_str()) == 0) continue;
            out.folders.push_back(std::move(e));
        } else {
            e.size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
            out.bytes += e.size;
            out.files.push_back(std::move(e));
        }
    } while (find.Next());
    size_t lastFolder = out.folders.size();
    for (size_t i = firstFolder; i < lastFolder; ++i) {
        // Copied: the vector grows below.
        std::string below = out.folders[i].relative;
        if (!ListFolder(root, below, skip, out)) return false;
    }
    return true;
}

}  // namespace

bool ListTree(const std::string& folder, const std::string& skip, TreeListing& out) {
    out = TreeListing();
    return ListFolder(folder, std::string(), skip, out);
}

BOOL GetAppDataFolder(char* out) {
    out[0] = '\0';
    LPITEMIDLIST pidl = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(GetDesktopWindow(), CSIDL_APPDATA, &pidl))) {
        if (!SHGetPathFromIDListA(pidl, out)) out[0] = '\0';
        FreeItemList(pidl);
    }
    return out[0] != '\0';
}

BOOL GetShellFileSystemPath(const char* path, char* out, int wideChars) {
    if (wideChars <= 0) return FALSE;
    std::vector<wchar_t> wide(wideChars);
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), wideChars)) return FALSE;

    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return FALSE;
    BOOL ok = FALSE;
    LPITEMIDLIST pidl = nullptr;
    if (SUCCEEDED(
            desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &pidl, nullptr))) {
        ok = SHGetPathFromIDListA(pidl, out);
        FreeItemList(pidl);
    }
    desktop->Release();
    return ok;
}

BOOL GetFileTypeName(const char* ext, char* out, DWORD size) {
    if (!ext) return ReadClassDefault("Directory", out, size);
    char className[64];
    if (!ReadClassDefault(ext, className, sizeof className)) return FALSE;
    return ReadClassDefault(className, out, size);
}

int FormatFileTime(const FILETIME& time, char* out) {
    out[0] = '\0';
    FILETIME local;
    SYSTEMTIME fields;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &fields)) return 0;
    LCID locale = GetThreadLocale();
    char timeText[32];
    char dateText[32];
    if (!GetTimeFormatA(locale, TIME_NOSECONDS, &fields, nullptr, timeText, sizeof timeText) ||
        !GetDateFormatA(locale, DATE_SHORTDATE, &fields, nullptr, dateText, sizeof dateText))
        return 0;
    // Both parts are below 32 bytes, so the 64-byte buffer always holds the whole text.
    return std::snprintf(out, 64, "%s %s", dateText, timeText);
}

int CompareFileTimeValues(const FILETIME& a, const FILETIME& b) {
    if (a.dwHighDateTime != b.dwHighDateTime) return a.dwHighDateTime < b.dwHighDateTime ? -1 : 1;
    if (a.dwLowDateTime != b.dwLowDateTime) return a.dwLowDateTime < b.dwLowDateTime ? -1 : 1;
    return 0;
}

BOOL MatchWildcard(const char* pattern, const char* name) {
    if (!MbsChr(pattern, '*')) return lstrcmpA(pattern, name) == 0;

    // Segments are kept in std::string, so a pattern with more or longer segments than the
    // usual 128 of 127 bytes is matched in full rather than refused or cut.
    std::vector<std::string> segments;
    for (const char* p = pattern;;) {
        const char* star = MbsChr(p, '*');
        std::string piece = star ? std::string(p, star) : std::string(p);
        if (!piece.empty()) segments.push_back(std::move(piece));
        if (!star) break;
        p = star + 1;
    }
    if (segments.empty()) return TRUE;

    const bool freeStart = pattern[0] == '*';
    const bool freeEnd = MbsRChr(pattern, '*') == pattern + lstrlenA(pattern) - 1;
    const std::string subject = name;

    // Leftmost occurrences only, without backtracking: "*.TXT" does not match "A.TXT.TXT".
    size_t at = MbsFind(subject, segments.front());
    if (at == std::string::npos || (!freeStart && at != 0)) return FALSE;
    size_t pos = at + segments.front().size();
    for (size_t i = 1; i < segments.size(); ++i) {
        at = MbsFind(subject, segments[i], pos);
        if (at == std::string::npos) return FALSE;
        pos = at + segments[i].size();
    }
    return freeEnd || pos == subject.size();
}

}  // namespace util
