// Item operations that act on the stored copy in the repository.
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
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
        if (!m_pHistory->LoadPacks()) return {};
    } catch (const fw::CException&) {
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
    return CopyInLoadedPacks();
}

std::string CBrennaItem::CopyInLoadedPacks() const {
    if (!m_pHistory) return {};
    for (const auto& pack : m_pHistory->Packs()) {
        if (CompareFileTime(&pack->RunTime(), &m_evacuationTime) != 0) continue;
        if (m_fileFlag == 0) return pack->Definition().Folder();
        if (pack->Entries().empty()) return {};
        return m_pHistory->Repository() + "\\" + pack->Entries().front()->StoredName();
    }
    return {};
}

BOOL CBrennaItem::RefreshFromLoadedPacks() { return RefreshFrom(CopyInLoadedPacks()); }
