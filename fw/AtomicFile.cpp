// Crash-safe replacement of a whole file.
#include "fw/AtomicFile.h"

#include "fw/Exceptions.h"
#include "fw/Faults.h"

namespace fw {

bool CAtomicFile::Create(const std::string& target) {
    Abandon();
    m_target = target;
    // A name the system makes unique in the target's folder, so that no file already there
    // (a stored copy, say) is ever overwritten, and the final rename stays on one volume.
    // The system splits off the file part, trail bytes of double-byte characters included.
    char full[MAX_PATH];
    char* file = nullptr;
    DWORD n = GetFullPathNameA(target.c_str(), MAX_PATH, full, &file);
    if (n == 0 || n >= MAX_PATH || !file) return false;
    std::string folder(full, file);
    char temp[MAX_PATH];
    if (folder.empty() || folder.size() >= MAX_PATH - 14 ||
        !CreateTempFileChecked(folder.c_str(), "brn", temp))
        return false;
    m_temp = temp;
    if (!m_file.Open(m_temp.c_str(), CFile::modeCreate)) {
        DeleteFileRetrying(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    return true;
}

bool CAtomicFile::Commit(const std::string& keepOldAs, bool* keptAway) {
    if (keptAway) *keptAway = false;
    if (!m_file.IsOpen()) return false;
    try {
        m_file.Flush();
    } catch (const CException&) {
        Abandon();
        return false;
    }
    m_file.Close();
    if (!keepOldAs.empty() &&
        !MoveFileRetrying(m_target.c_str(), keepOldAs.c_str(), MOVEFILE_WRITE_THROUGH)) {
        Abandon();
        return false;
    }
    // A reader that opened the old file without delete sharing (another program, a virus
    // scanner) blocks the rename for a moment; try again briefly before giving up.
    bool moved = false;
    for (int attempt = 0; attempt < 20 && !moved; ++attempt) {
        moved = MoveFileChecked(m_temp.c_str(), m_target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        if (!moved && GetLastError() != ERROR_SHARING_VIOLATION &&
            GetLastError() != ERROR_ACCESS_DENIED)
            break;
        if (!moved) Sleep(50);
    }
    if (!moved) {
        DeleteFileRetrying(m_temp.c_str());
        m_temp.clear();
        // Without this the target would be gone: the old file goes back where it was.
        if (!keepOldAs.empty() &&
            !MoveFileRetrying(keepOldAs.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH) &&
            keptAway)
            *keptAway = true;
        return false;
    }
    m_temp.clear();
    return true;
}

void CAtomicFile::Abandon() {
    if (m_file.IsOpen()) m_file.Close();
    if (!m_temp.empty()) DeleteFileRetrying(m_temp.c_str());
    m_temp.clear();
}

}  // namespace fw
