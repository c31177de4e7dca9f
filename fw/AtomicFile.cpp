// Crash-safe replacement of a whole file.
#include "fw/AtomicFile.h"

#include "fw/Exceptions.h"

namespace fw {

bool CAtomicFile::Create(const std::string& target) {
    Abandon();
    m_target = target;
    m_temp = target + ".new";
    if (m_temp.size() >= MAX_PATH) return false;
    return m_file.Open(m_temp.c_str(), CFile::modeCreate);
}

bool CAtomicFile::Commit(const std::string& keepOldAs) {
    if (!m_file.IsOpen()) return false;
    try {
        m_file.Flush();
    } catch (const CException&) {
        Abandon();
        return false;
    }
    m_file.Close();
    if (!keepOldAs.empty() && !MoveFileExA(m_target.c_str(), keepOldAs.c_str(), MOVEFILE_WRITE_THROUGH)) {
        Abandon();
        return false;
    }
    if (!MoveFileExA(m_temp.c_str(), m_target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    return true;
}

void CAtomicFile::Abandon() {
    if (m_file.IsOpen()) m_file.Close();
    if (!m_temp.empty()) DeleteFileA(m_temp.c_str());
    m_temp.clear();
}

}  // namespace fw
