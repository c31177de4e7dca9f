// Writing an item's copy out of the repository: back to its source, or to a place the user chose.
#include <new>

#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/Exceptions.h"
#include "store/BrennaItem.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace store {

std::string RelativeToRoot(const std::string& source, const std::string& root) {
    if (source.size() <= root.size() || source[root.size()] != '\\' ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, source.c_str(),
                       static_cast<int>(root.size()), root.c_str(),
                       static_cast<int>(root.size())) != CSTR_EQUAL)
        return {};
    std::string rest = source.substr(root.size());
    std::string tail = rest + "\\";
    if (util::MbsFind(tail, "\\..\\") != std::string::npos ||
        util::MbsFind(tail, "\\.\\") != std::string::npos ||
        util::MbsFind(tail, "\\\\") != std::string::npos)
        return {};
    return rest;
}

}  // namespace store

BOOL CBrennaItem::WriteOut(const char* target) {
    if (IsBackupRun()) return WriteOutRun(target);
    if (m_fileFlag != 0) return fw::CopyFileRetrying(m_stored.c_str(), target, FALSE);
    // Without its copy the item has nothing to put there, and a user's file of that name must
    // not give way to an empty folder.
    DWORD stored = GetFileAttributesA(m_stored.c_str());
    if (stored == INVALID_FILE_ATTRIBUTES || !(stored & FILE_ATTRIBUTE_DIRECTORY)) return FALSE;
    DWORD attr = GetFileAttributesA(target);
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        // A plain file of that name gives way to the folder.
        if (!util::ForceDeleteFile(target)) return FALSE;
        attr = INVALID_FILE_ATTRIBUTES;
    }
    if (attr == INVALID_FILE_ATTRIBUTES && !fw::CreateDirectoryChecked(target)) return FALSE;
    return util::CopyFolderTree(m_stored.c_str(), target);
}

BOOL CBrennaItem::WriteOutRun(const char* target) {
    // A record whose history could not be read has nothing to write.
    if (!m_pHistory) return FALSE;
    const CBrnBackupItemPack* pack = nullptr;
    if (!store::ReportingFaults(m_pHistory->Path(), [&] {
            pack = m_pHistory->FindPack(m_evacuationTime);
            return pack != nullptr;
        }))
        return FALSE;
    const auto& entries = pack->Entries();
    if (entries.empty()) return TRUE;
    const std::string& repository = m_pHistory->Repository();

    if (m_fileFlag != 0) {
        // The result is that of the last entry's copy.
        BOOL result = FALSE;
        for (const auto& e : entries) {
            std::string source = util::JoinPath(repository, e->StoredName());
            result = source.size() < MAX_PATH && fw::CopyFileRetrying(source.c_str(), target, FALSE);
        }
        return result;
    }

    // Only with the pack in hand is the target created: a lost or damaged history leaves none.
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES && !fw::CreateDirectoryChecked(target))
        return FALSE;
    const std::string& root = pack->Definition().Folder();
    for (const auto& e : entries) {
        std::string source = util::JoinPath(repository, e->StoredName());
        std::string rest = store::RelativeToRoot(e->Source(), root);
        if (rest.empty()) return FALSE;
        std::string dest = target + rest;
        if (source.size() >= MAX_PATH || dest.size() >= MAX_PATH) return FALSE;
        if (!util::CopyFileMakePath(source.c_str(), dest.c_str(), FALSE)) return FALSE;
    }
    return TRUE;
}
