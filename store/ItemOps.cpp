// Item operations that act on the stored copy in the repository.
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "fw/Exceptions.h"
#include "store/BrennaItem.h"
#include "util/FileUtil.h"

namespace {

// True when path is known not to be there; a path that merely cannot be looked at is not gone.
bool IsGone(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

}  // namespace

BOOL CBrennaItem::RemoveStoredCopy() {
    // A copy that is already gone must not keep its record in the catalogue for ever.
    if (IsBackupRun()) {
        // A record whose history could not be read, or is gone, has no copy left to remove.
        if (!m_pHistory || IsGone(m_pHistory->Path())) return TRUE;
        return m_pHistory->DeletePack(m_evacuationTime);
    }
    if (IsGone(m_stored)) return TRUE;
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
        return util::JoinPath(m_pHistory->Repository(), pack->Entries().front()->StoredName());
    }
    return {};
}

BOOL CBrennaItem::RefreshFromLoadedPacks() { return RefreshFrom(CopyInLoadedPacks()); }
