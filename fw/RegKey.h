// An open registry key that closes itself.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace fw {

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(CRegKey&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    bool Open(HKEY parent, const std::string& path, REGSAM access) {
        Close();
        return RegOpenKeyExA(parent, path.c_str(), 0, access, &m_h) == ERROR_SUCCESS;
    }
    // Opens the key, creating it and its missing parents first.
    bool Create(HKEY parent, const std::string& path, REGSAM access) {
        Close();
        return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, access, nullptr, &m_h,
                               nullptr) == ERROR_SUCCESS;
    }
    void Close() {
        if (m_h) RegCloseKey(m_h);
        m_h = nullptr;
    }
    HKEY Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HKEY m_h = nullptr;
};

}  // namespace fw
