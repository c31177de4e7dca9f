// A loaded library that frees itself.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

class CModule {
public:
    CModule() = default;
    ~CModule() { Reset(); }
    CModule(CModule&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    CModule& operator=(CModule&& o) noexcept {
        if (this != &o) {
            Reset();
            m_h = std::exchange(o.m_h, nullptr);
        }
        return *this;
    }
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    void Reset(HMODULE h = nullptr) {
        if (m_h) FreeLibrary(m_h);
        m_h = h;
    }
    HMODULE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HMODULE m_h = nullptr;
};

}  // namespace fw
