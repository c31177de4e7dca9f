// Settings storage: the per-user registry key of the program, or an INI file.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CProfile {
public:
    // Settings under HKEY_CURRENT_USER\Software\<company>\<app>\<section>, as REG_DWORD values.
    void UseRegistry(const std::string& company, const std::string& app);
    // Settings in sections of the INI file path, as decimal text.
    void UseIniFile(const std::string& path);

    bool IsIni() const { return !m_ini.empty(); }
    const std::string& IniPath() const { return m_ini; }

    UINT GetInt(const char* section, const char* key, int def) const;
    bool WriteInt(const char* section, const char* key, int value) const;
    std::string GetString(const char* section, const char* key, const char* def) const;
    bool WriteString(const char* section, const char* key, const char* value) const;

private:
    std::string m_regKey;  // Software\<company>\<app>
    std::string m_ini;
};

}  // namespace fw
