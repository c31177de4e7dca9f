// Registry and INI profile storage.
#include "fw/Profile.h"

#include "fw/RegKey.h"

namespace fw {
namespace {

// The settings key, for reading or (created when missing) for writing.
bool OpenSettingsKey(CRegKey& key, const std::string& path, bool write) {
    return write ? key.Create(HKEY_CURRENT_USER, path, KEY_WRITE)
                 : key.Open(HKEY_CURRENT_USER, path, KEY_READ);
}

}  // namespace

void CProfile::UseRegistry(const std::string& company, const std::string& app) {
    m_regKey = "Software\\" + company + "\\" + app;
    m_ini.clear();
}

void CProfile::UseIniFile(const std::string& path) {
    m_ini = path;
    m_regKey.clear();
}

UINT CProfile::GetInt(const char* section, const char* key, int def) const {
    if (IsIni()) return GetPrivateProfileIntA(section, key, def, m_ini.c_str());
    CRegKey k;
    if (!OpenSettingsKey(k, m_regKey + "\\" + section, false)) return def;
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExA(k.Get(), key, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return def;
    return value;
}

bool CProfile::WriteInt(const char* section, const char* key, int value) const {
    if (IsIni()) {
        char text[16];
        wsprintfA(text, "%d", value);
        return WritePrivateProfileStringA(section, key, text, m_ini.c_str()) != FALSE;
    }
    CRegKey k;
    if (!OpenSettingsKey(k, m_regKey + "\\" + section, true)) return false;
    DWORD v = static_cast<DWORD>(value);
    return RegSetValueExA(k.Get(), key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) ==
           ERROR_SUCCESS;
}

std::string CProfile::GetString(const char* section, const char* key, const char* def) const {
    if (IsIni()) {
        char buf[1024];
        DWORD n = GetPrivateProfileStringA(section, key, def, buf, sizeof buf, m_ini.c_str());
        return std::string(buf, n);
    }
    CRegKey k;
    if (!OpenSettingsKey(k, m_regKey + "\\" + section, false)) return def;
    char buf[1024];
    DWORD type = 0, size = sizeof buf - 1;
    if (RegQueryValueExA(k.Get(), key, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return def;
    buf[size] = 0;
    return buf;
}

bool CProfile::WriteString(const char* section, const char* key, const char* value) const {
    if (IsIni()) return WritePrivateProfileStringA(section, key, value, m_ini.c_str()) != FALSE;
    CRegKey k;
    if (!OpenSettingsKey(k, m_regKey + "\\" + section, true)) return false;
    return RegSetValueExA(k.Get(), key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          lstrlenA(value) + 1) == ERROR_SUCCESS;
}

}  // namespace fw
