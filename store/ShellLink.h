// The shell link object (IShellLinkA with its IPersistFile): reads and writes shortcut files, and
// finds the program's shortcuts on the desktops.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <string>

namespace store {

// Shell folder identifiers of the desktops the program writes shortcuts to.
constexpr int kUserDesktop = CSIDL_DESKTOPDIRECTORY;
constexpr int kCommonDesktop = CSIDL_COMMON_DESKTOPDIRECTORY;

// What a shortcut file holds.
struct ShortcutProperties {
    std::string target;
    std::string arguments;
    std::string iconPath;
    int iconIndex = 0;
    int showCommand = SW_SHOWNORMAL;
    std::string workingDirectory;
    std::string description;
};

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
    // Writes a shortcut file with exactly these properties, replacing one of that name; false
    // when a property is refused or the file cannot be saved.
    bool Write(const std::string& path, const ShortcutProperties& properties) const;
    // Reads a shortcut file's properties; false when it cannot be loaded.
    bool Read(const std::string& path, ShortcutProperties& properties) const;

private:
    IShellLinkA* m_pShellLink = nullptr;
    IPersistFile* m_pPersistFile = nullptr;
};

// True for a path whose last four characters are ".lnk", in any case.
bool IsShortcutPath(const std::string& path);

// The path of a shell folder (kUserDesktop, kCommonDesktop, ...); false when it has none.
bool GetShellFolder(int folderId, std::string& path);

// The desktop that holds <name>.lnk, whatever it is: kUserDesktop, else kCommonDesktop, else 0.
int FindShortcutFolder(const std::string& name);

// Writes <desktop>\<name>.lnk starting the running program. folderId 0: a repository shortcut on
// the user's desktop that opens the repository in folder (-c "<folder>\Brenna.ini"); otherwise the
// setup shortcut in that shell folder. Either works in folder. False when the folder, a path or
// the save fails.
bool CreateShortcut(const CShellLink& link, const std::string& folder, const std::string& name,
                    int folderId);

}  // namespace store
