// Reading and writing shortcut files through the shell link object.
#include "store/ShellLink.h"

#include "fw/Strings.h"
#include "string_ids.h"
#include "util/FileUtil.h"

namespace store {

bool CShellLink::Create() {
    Release();
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&m_pShellLink)))) {
        m_pShellLink = nullptr;
        return false;
    }
    if (FAILED(m_pShellLink->QueryInterface(IID_IPersistFile,
                                            reinterpret_cast<void**>(&m_pPersistFile)))) {
        m_pPersistFile = nullptr;
        return false;
    }
    return true;
}

void CShellLink::Release() {
    if (m_pPersistFile) m_pPersistFile->Release();
    if (m_pShellLink) m_pShellLink->Release();
    m_pPersistFile = nullptr;
    m_pShellLink = nullptr;
}

bool CShellLink::Resolve(const std::string& path, std::string& target) const {
    wchar_t wide[MAX_PATH];
    if (!m_pPersistFile || path.size() >= MAX_PATH ||
        !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return false;
    if (FAILED(m_pPersistFile->Load(wide, STGM_READ))) return false;
    char out[MAX_PATH] = {};
    if (m_pShellLink->GetPath(out, MAX_PATH, nullptr, SLGP_UNCPRIORITY) != S_OK || !out[0])
        return false;
    target = out;
    return true;
}

namespace {

bool ToWide(const std::string& path, wchar_t (&wide)[MAX_PATH]) {
    return path.size() < MAX_PATH &&
           MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) != 0;
}

bool Fits(const std::string& s) { return s.size() < MAX_PATH; }

}  // namespace

bool CShellLink::Write(const std::string& path, const ShortcutProperties& p) const {
    wchar_t wide[MAX_PATH];
    if (!m_pPersistFile || !ToWide(path, wide)) return false;
    // Every property is set, empty ones included, so nothing of an earlier shortcut made with
    // the same object carries over into this one.
    if (!Fits(p.target) || !Fits(p.iconPath) || !Fits(p.workingDirectory) ||
        FAILED(m_pShellLink->SetPath(p.target.c_str())) ||
        FAILED(m_pShellLink->SetArguments(p.arguments.c_str())) ||
        FAILED(m_pShellLink->SetIconLocation(p.iconPath.c_str(), p.iconIndex)) ||
        FAILED(m_pShellLink->SetShowCmd(p.showCommand)) ||
        FAILED(m_pShellLink->SetWorkingDirectory(p.workingDirectory.c_str())) ||
        FAILED(m_pShellLink->SetDescription(p.description.c_str())))
        return false;
    if (FAILED(m_pPersistFile->Save(wide, FALSE))) return false;
    // The shell may report success for a file it could not write.
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CShellLink::Read(const std::string& path, ShortcutProperties& p) const {
    wchar_t wide[MAX_PATH];
    if (!m_pPersistFile || !ToWide(path, wide) || FAILED(m_pPersistFile->Load(wide, STGM_READ)))
        return false;
    char buf[MAX_PATH * 4] = {};
    m_pShellLink->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
    p.target = buf;
    buf[0] = 0;
    m_pShellLink->GetArguments(buf, sizeof buf);
    p.arguments = buf;
    buf[0] = 0;
    m_pShellLink->GetIconLocation(buf, MAX_PATH, &p.iconIndex);
    p.iconPath = buf;
    m_pShellLink->GetShowCmd(&p.showCommand);
    buf[0] = 0;
    m_pShellLink->GetWorkingDirectory(buf, MAX_PATH);
    p.workingDirectory = buf;
    buf[0] = 0;
    m_pShellLink->GetDescription(buf, MAX_PATH);
    p.description = buf;
    return true;
}

bool GetShellFolder(int folderId, std::string& path) {
    char buf[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, buf)) || !buf[0])
        return false;
    path = buf;
    return true;
}

int FindShortcutFolder(const std::string& name) {
    for (int id : {kUserDesktop, kCommonDesktop}) {
        std::string folder;
        if (!GetShellFolder(id, folder)) return 0;
        std::string file = util::JoinPath(folder, name + ".lnk");
        if (file.size() < MAX_PATH && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES)
            return id;
    }
    return 0;
}

bool CreateShortcut(const CShellLink& link, const std::string& folder, const std::string& name,
                    int folderId) {
    std::string desktop;
    if (!GetShellFolder(folderId ? folderId : kUserDesktop, desktop)) return false;
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    ShortcutProperties p;
    p.target = exe;
    p.iconPath = exe;
    p.workingDirectory = folder;
    if (folderId == 0) {
        std::string ini = util::JoinPath(folder, "Brenna.ini");
        if (ini.size() >= MAX_PATH) return false;
        p.arguments = "-c \"" + ini + "\"";
    } else {
        p.description = fw::LoadStr(IDS_EASY_BACKUP);
    }
    return link.Write(util::JoinPath(desktop, name + ".lnk"), p);
}

bool IsShortcutPath(const std::string& path) {
    return path.size() >= 4 && lstrcmpiA(path.c_str() + path.size() - 4, ".lnk") == 0;
}

}  // namespace store
