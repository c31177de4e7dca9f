// Item operations that act on the stored copy in the repository.
#include "backup/BrnDataFile.h"
#include "backup/BrnFile.h"
#include "fw/Exceptions.h"
#include "store/BrennaItem.h"
#include "util/FileUtil.h"

BOOL CBrennaItem::RemoveStoredCopy() {
    if (IsBackupRun()) {
        // A record whose history could not be read has no copy of its own left to remove.
        if (!m_pHistory) return TRUE;
        return m_pHistory->DeletePack(m_evacuationTime);
    }
    if (m_fileFlag == 0) return util::DeleteFolderTree(m_stored.c_str());
    return util::ForceDeleteFile(m_stored.c_str());
}

std::string CBrennaItem::CurrentCopyOfRun() const {
    if (!m_pHistory) return {};
    // Reading the history may meet a damaged file; the item then simply has no copy.
    try {
        const CBrnBackupItemPack* pack = m_pHistory->FindPack(m_evacuationTime);
        if (!pack) return {};
        if (m_fileFlag == 0) return pack->Definition().Folder();
        if (pack->Entries().empty()) return {};
        return m_pHistory->Repository() + "\\" + pack->Entries().front()->StoredName();
    } catch (const fw::CException&) {
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
}
