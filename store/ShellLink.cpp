// Reading shortcut files through the shell link object.
#include "store/ShellLink.h"

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

bool IsShortcutPath(const std::string& path) {
    return path.size() >= 4 && lstrcmpiA(path.c_str() + path.size() - 4, ".lnk") == 0;
}

}  // namespace store
