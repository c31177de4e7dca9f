// The repository's scratch folder: its identifier in the settings, its path in a per-user table.
#include "store/TempDirectory.h"

#include <objbase.h>

#include <cstdio>
#include <cstring>

#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/RegKey.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace {

constexpr char kIdentifierEntry[] = "tempdir";
constexpr char kTableKey[] = "tempdir";
constexpr size_t kIdentifierSize = sizeof(GUID);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with its terminator, and room to spare.
constexpr int kGuidNameSize = 40;

// The identifier's registry-string form in the ANSI code page.
bool GuidName(const GUID& id, char (&out)[kGuidNameSize]) {
    wchar_t wide[kGuidNameSize];
    if (!StringFromGUID2(id, wide, kGuidNameSize)) return false;
    return WideCharToMultiByte(CP_ACP, 0, wide, -1, out, kGuidNameSize, nullptr, nullptr) != 0;
}

// A folder below a drive root, or on a share. An empty, relative or bare-root path read back from
// the table would make Empty clear some unrelated place, so such a value counts as damaged.
bool IsUsableFolderPath(const char* p) {
    char drive = static_cast<char>(p[0] | 0x20);
    if (drive >= 'a' && drive <= 'z' && p[1] == ':')
        return p[2] == '\\' && p[3] != '\0' && p[3] != '\\';
    return p[0] == '\\' && p[1] == '\\' && p[2] != '\0' && p[2] != '\\';
}

}  // namespace

CBrnTempDirectory::CBrnTempDirectory(const fw::CProfile& profile, const char* company,
                                     const char* app)
    : m_profile(profile), m_company(company), m_app(app) {}

BOOL CBrnTempDirectory::Initialize() {
    m_szPath[0] = '\0';
    const std::string section = fw::LoadStr(IDS_SETTINGS_SECTION);
    bool ok;
    if (ReadIdentifier(section, m_identifier)) {
        ok = LookUpPath() || (CreateNewPath() && RecordPath());
    } else {
        ok = SUCCEEDED(CoCreateGuid(&m_identifier)) && CreateNewPath() && RecordPath();
        // Settings that cannot be written (an INI file on read-only media) still leave a working
        // folder for this run; the next start then makes another one.
        if (ok) WriteIdentifier(section);
    }
    if (!ok) {
        m_szPath[0] = '\0';
        return FALSE;
    }
    // A folder that cannot be made now only makes the later Empty and preparations fail.
    if (GetFileAttributesA(m_szPath) == INVALID_FILE_ATTRIBUTES)
        fw::CreateDirectoryChecked(m_szPath);
    return TRUE;
}

BOOL CBrnTempDirectory::Empty() const {
    char pattern[MAX_PATH];
    if (!m_szPath[0] || !util::JoinPath(pattern, m_szPath, "*")) return FALSE;
    fw::CFindFile find(pattern);
    if (!find.IsOpen()) return FALSE;
    do {
        if (find.IsDots()) continue;
        const WIN32_FIND_DATAA& data = find.Data();
        char entry[MAX_PATH];
        if (!util::JoinPath(entry, m_szPath, data.cFileName)) return FALSE;
        BOOL deleted;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            deleted = fw::DeleteFileChecked(entry);
        else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            // A junction is removed itself: descending into it would empty the folder it names.
            deleted = fw::RemoveDirectoryChecked(entry);
        else
            deleted = util::DeleteFolderTree(entry);
        if (!deleted) return FALSE;
    } while (find.Next());
    return TRUE;
}

bool CBrnTempDirectory::ReadIdentifier(const std::string& section, GUID& id) const {
    BYTE bytes[kIdentifierSize];
    if (m_profile.IsIni()) {
        // Two capital letters a byte, 'A' plus the low four bits first. Any other text, odd
        // lengths included, is not an identifier and gets replaced.
        std::string text = m_profile.GetString(section.c_str(), kIdentifierEntry, "");
        if (text.size() != 2 * kIdentifierSize) return false;
        for (size_t i = 0; i < kIdentifierSize; ++i) {
            int low = text[2 * i] - 'A';
            int high = text[2 * i + 1] - 'A';
            if (low < 0 || low > 15 || high < 0 || high > 15) return false;
            bytes[i] = static_cast<BYTE>(low | (high << 4));
        }
    } else {
        fw::CRegKey key;
        if (!key.Open(HKEY_CURRENT_USER, "Software\\" + m_company + "\\" + m_app + "\\" + section,
                      KEY_QUERY_VALUE))
            return false;
        DWORD type = 0;
        DWORD size = sizeof bytes;
        // A longer value does not fit and fails; any other type is foreign.
        if (RegQueryValueExA(key.Get(), kIdentifierEntry, nullptr, &type, bytes, &size) !=
                ERROR_SUCCESS ||
            type != REG_BINARY || size != sizeof bytes)
            return false;
    }
    std::memcpy(&id, bytes, sizeof id);
    return true;
}

bool CBrnTempDirectory::WriteIdentifier(const std::string& section) const {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&m_identifier);
    if (m_profile.IsIni()) {
        char text[2 * kIdentifierSize + 1];
        for (size_t i = 0; i < kIdentifierSize; ++i) {
            text[2 * i] = static_cast<char>('A' + (bytes[i] & 0x0F));
            text[2 * i + 1] = static_cast<char>('A' + (bytes[i] >> 4));
        }
        text[2 * kIdentifierSize] = '\0';
        return m_profile.WriteString(section.c_str(), kIdentifierEntry, text);
    }
    fw::CRegKey key;
    if (!key.Create(HKEY_CURRENT_USER, "Software\\" + m_company + "\\" + m_app + "\\" + section,
                    KEY_SET_VALUE))
        return false;
    return RegSetValueExA(key.Get(), kIdentifierEntry, 0, REG_BINARY, bytes, kIdentifierSize) ==
           ERROR_SUCCESS;
}

bool CBrnTempDirectory::LookUpPath() {
    char name[kGuidNameSize];
    if (!GuidName(m_identifier, name)) return false;
    fw::CRegKey table;
    if (!table.Open(HKEY_CURRENT_USER, "software\\" + m_company + "\\" + m_app + "\\" + kTableKey,
                    KEY_QUERY_VALUE))
        return false;
    char path[MAX_PATH];
    DWORD type = 0;
    DWORD size = sizeof path;
    // A value of another type, longer than a path or without its terminator counts as absent, so
    // that a new folder is recorded over it.
    if (RegQueryValueExA(table.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || !std::memchr(path, '\0', size) || !IsUsableFolderPath(path))
        return false;
    lstrcpynA(m_szPath, path, MAX_PATH);
    return true;
}

bool CBrnTempDirectory::RecordPath() const {
    char name[kGuidNameSize];
    if (!GuidName(m_identifier, name)) return false;
    fw::CRegKey software;
    if (!software.Open(HKEY_CURRENT_USER, "software", KEY_CREATE_SUB_KEY)) return false;
    fw::CRegKey table;
    if (!table.Create(software.Get(), m_company + "\\" + m_app + "\\" + kTableKey, KEY_SET_VALUE))
        return false;
    return RegSetValueExA(table.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_szPath),
                          static_cast<DWORD>(std::strlen(m_szPath) + 1)) == ERROR_SUCCESS;
}

bool CBrnTempDirectory::CreateNewPath() {
    char folder[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH) return false;
    char file[MAX_PATH];
    if (!fw::CreateTempFileChecked(folder, "br", file)) return false;
    char path[MAX_PATH];
    // Without the shell's long form, the name the platform made still names the same place.
    if (!util::GetShellFileSystemPath(file, path) || !path[0]) lstrcpynA(path, file, MAX_PATH);
    // The file only reserved the name; left in place it would keep the folder from being made.
    if (!fw::DeleteFileChecked(file)) return false;
    lstrcpynA(m_szPath, path, MAX_PATH);
    return true;
}
