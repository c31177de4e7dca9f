// Item operations that act on the stored copy in the repository.
#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "fw/Exceptions.h"
#include "store/BrennaItem.h"
#include "fw/File.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace {

// True when path is known not to be there; a path that merely cannot be looked at is not gone.
bool IsGone(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

// A free name beside the copy, in its numbered folder, for a folder copy on its way out; empty when
// none fits.
std::string AsideName(const std::string& copy) {
    size_t slash = util::MbsRFind(copy, '\\');
    if (slash == std::string::npos) return {};
    for (int n = 0; n < 100; ++n) {
        std::string aside = copy.substr(0, slash) + "\\~deleting" + std::to_string(n);
        if (aside.size() >= MAX_PATH) return {};
        if (IsGone(aside)) return aside;
    }
    return {};
}

// Deletes a folder copy. The tree is first renamed aside, so that a deletion that fails part-way
// never leaves the item's record pointing at what is left of it: what remains is a leftover that
// no item refers to (the repository check finds it). A tree that cannot be renamed (a file in it
// is open, on Windows) stays whole and the deletion fails.
BOOL DeleteFolderCopy(const std::string& copy) {
    std::string aside = AsideName(copy);
    if (aside.empty()) return util::DeleteFolderTree(copy.c_str());
    if (!fw::MoveFileRetrying(copy.c_str(), aside.c_str(), 0)) return FALSE;
    util::DeleteFolderTree(aside.c_str());
    return TRUE;
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
    if (m_fileFlag == 0) return DeleteFolderCopy(m_stored);
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
        if (pack->EntryCount() == 0) return {};
        return util::JoinPath(m_pHistory->Repository(), pack->FirstStoredName());
    }
    return {};
}

BOOL CBrennaItem::RefreshFromLoadedPacks() { return RefreshFrom(CopyInLoadedPacks()); }
