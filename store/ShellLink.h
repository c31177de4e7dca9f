// The shell link object (IShellLinkA with its IPersistFile): reads shortcut files.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace store {

class CShellLink {
public:
    CShellLink() = default;
    ~CShellLink() { Release(); }
    CShellLink(const CShellLink&) = delete;
    CShellLink& operator=(const CShellLink&) = delete;

    // Creates the object (COM must be initialised); false when it or its IPersistFile is missing.
    bool Create();
    void Release();
    IShellLinkA* Link() const { return m_pShellLink; }
    IPersistFile* File() const { return m_pPersistFile; }

    // The target path of the shortcut file path; false when it cannot be read or has no path.
    bool Resolve(const std::string& path, std::string& target) const;

private:
    IShellLinkA* m_pShellLink = nullptr;
    IPersistFile* m_pPersistFile = nullptr;
};

// True for a path whose last four characters are ".lnk", in any case.
bool IsShortcutPath(const std::string& path);

}  // namespace store
