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
#include "util/Progress.h"

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

namespace {

// One file copied with its report to the meter (if any).
BOOL CopyReporting(const char* from, const char* to, uint64_t size, util::CProgressMeter* meter) {
    if (!meter) return fw::CopyFileRetrying(from, to, FALSE);
    BOOL copied;
    {
        util::CFileProgress file(meter, from, size);
        copied = file.Going() &&
                 fw::CopyFileReporting(from, to, FALSE, size,
                                       [&file](uint64_t done) { return file.Bytes(done); });
    }
    return copied && !meter->IsCancelled();
}

uint64_t SizeOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

BOOL CBrennaItem::WriteOut(const char* target, util::CProgressMeter* meter) {
    if (IsBackupRun()) return WriteOutRun(target, meter);
    if (m_fileFlag != 0) {
        uint64_t size = meter ? SizeOf(m_stored.c_str()) : 0;
        if (meter) meter->AddTotal(1, size);
        return CopyReporting(m_stored.c_str(), target, size, meter);
    }
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
    if (meter) {
        util::TreeListing tree;
        util::ListTree(m_stored, std::string(), tree);
        meter->AddTotal(tree.files.size(), tree.bytes);
    }
    return util::CopyFolderTree(m_stored.c_str(), target, {}, meter);
}

BOOL CBrennaItem::WriteOutRun(const char* target, util::CProgressMeter* meter) {
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
    // The history does not keep sizes; a run's progress counts its files only.
    if (meter) meter->AddTotal(entries.size(), 0);

    if (m_fileFlag != 0) {
        // The result is that of the last entry's copy.
        BOOL result = FALSE;
        for (const auto& e : entries) {
            std::string source = util::JoinPath(repository, e->StoredName());
            result = source.size() < MAX_PATH && CopyReporting(source.c_str(), target, 0, meter);
            if (util::Cancelled(meter)) return FALSE;
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
        util::CFileProgress file(meter, source, 0);
        if (!file.Going() || !util::CopyFileMakePath(source.c_str(), dest.c_str(), FALSE))
            return FALSE;
    }
    return TRUE;
}
