// Catalogue load and save.
#include "store/DataFile.h"

#include <algorithm>
#include <cstring>

#include "store/BrnDataFile.h"
#include "store/CatalogueFormat.h"
#include "fw/Archive.h"
#include "fw/AtomicFile.h"
#include "fw/Exceptions.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/Mbcs.h"

namespace {

// A message that lists items names at most this many, so that it fits on the screen.
constexpr size_t kMaxListedItems = 20;

// Room for one more element, growing geometrically: reserving exactly one more at each append
// would copy the whole vector every time.
template <class T>
void MakeRoom(std::vector<T>& v) {
    if (v.size() == v.capacity()) v.reserve(v.size() * 2 + 16);
}

}  // namespace

CDataFile::CDataFile() = default;

CDataFile::~CDataFile() { Clear(); }

void CDataFile::Clear() {
    // Items point at histories, so they go first.
    m_items.clear();
    m_histories.clear();
    m_damagedHistories.clear();
    m_known.clear();
    m_knownValid = true;
}

bool CDataFile::SetFolder(const std::string& folder) {
    std::string path = folder + "\\brenna.dat";
    if (path.size() >= MAX_PATH) return false;
    m_folder = folder;
    m_path = path;
    return true;
}

BOOL CDataFile::Reload() {
    Clear();
    m_changed = false;
    m_quiet = true;
    BOOL ok = Load();
    m_quiet = false;
    return ok;
}

bool CDataFile::ReadRecords(FileContent& content) const {
    fw::CFile file;
    if (!file.Open(m_path.c_str(), fw::CFile::modeRead)) {
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return false;
        // It is there but cannot be read: it must not be replaced by what memory holds.
        content.faultId = fw::CFileException::FromLastError(err).MessageId();
        return true;
    }
    try {
        fw::CArchive ar(file, fw::CArchive::load);
        store::ReadCatalogue(ar, m_driveOverride, content.records);
    } catch (const fw::CException& e) {
        content.faultId = e.MessageId();
    } catch (const std::bad_alloc&) {
        content.faultId = fw::CMemoryException().MessageId();
    }
    return true;
}

bool CDataFile::RecordedRunTimes(const CBrnDataFile& history, std::vector<FILETIME>& times) const {
    FileContent content;
    if (ReadRecords(content) && content.faultId) return false;
    const std::string path = history.Path();
    for (const CBrennaItem* item : history.LinkedItems()) times.push_back(item->m_evacuationTime);
    for (const auto& record : content.records)
        if (record->m_generation > 0 && lstrcmpiA(record->m_stored.c_str(), path.c_str()) == 0)
            times.push_back(record->m_evacuationTime);
    return true;
}

namespace {

// What identifies a record between processes: its stored path (letter case aside), its time,
// generation and kind; two backup runs of one history differ in their times. FNV-1a, 64 bits.
uint64_t RecordKey(const CBrennaItem& item) {
    uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](const void* data, size_t size) {
        auto p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    };
    std::string stored = util::MbsUpper(item.m_stored);
    add(stored.data(), stored.size());
    const DWORD numbers[] = {item.m_evacuationTime.dwLowDateTime,
                             item.m_evacuationTime.dwHighDateTime, item.m_generation,
                             item.m_fileFlag};
    add(numbers, sizeof numbers);
    return hash;
}

}  // namespace

void CDataFile::Adopt(std::unique_ptr<CBrennaItem> item, std::vector<const CBrennaItem*>& missing,
                      std::vector<const CBrennaItem*>& damaged) {
    // Room first, so that the item is never linked to a history and then lost to a failed append.
    MakeRoom(m_items);
    if (item->m_generation == 0) {
        item->Refresh();
        if (item->IsCopyMissing()) missing.push_back(item.get());
        m_items.push_back(std::move(item));
        return;
    }
    CBrnDataFile* history = nullptr;
    for (auto& h : m_histories)
        if (lstrcmpiA(h->Path().c_str(), item->m_stored.c_str()) == 0) {
            history = h.get();
            break;
        }
    if (history) {
        history->LinkItem(item.get());
    } else if (std::find_if(m_damagedHistories.begin(), m_damagedHistories.end(),
                            [&](const std::string& p) {
                                return lstrcmpiA(p.c_str(), item->m_stored.c_str()) == 0;
                            }) != m_damagedHistories.end()) {
        damaged.push_back(item.get());
    } else {
        auto h = std::make_unique<CBrnDataFile>(m_folder);
        h->LinkItem(item.get());
        if (h->CheckHeader()) {
            m_histories.push_back(std::move(h));
        } else if (GetFileAttributesA(item->m_stored.c_str()) == INVALID_FILE_ATTRIBUTES) {
            // No history at all: the item's copies are missing, like any other missing copy.
            h->UnlinkItem(item.get());
            item->m_pHistory = nullptr;
            missing.push_back(item.get());
        } else {
            // The record is kept, unlinked and without a copy, so that the next save writes it
            // back rather than losing it; the history file is left exactly as it is.
            h->UnlinkItem(item.get());
            item->m_pHistory = nullptr;
            m_damagedHistories.push_back(item->m_stored);
            damaged.push_back(item.get());
        }
    }
    // Backup-run items are refreshed once their histories are read (RefreshBackupRuns).
    if (!item->m_pHistory) item->Refresh();
    m_items.push_back(std::move(item));
}

BOOL CDataFile::Load() {
    // Each load decides afresh whether the file on disk must be kept before the next save.
    m_keepDamaged = false;
    FileContent content;
    if (!ReadRecords(content)) return FALSE;
    std::vector<const CBrennaItem*> missing, damaged;
    try {
        m_known.reserve(m_known.size() + content.records.size());
        for (auto& item : content.records) {
            m_known.push_back(RecordKey(*item));
            Adopt(std::move(item), missing, damaged);
        }
        std::sort(m_known.begin(), m_known.end());
    } catch (const std::bad_alloc&) {
        m_knownValid = false;
        if (!content.faultId) content.faultId = fw::CMemoryException().MessageId();
    }
    // Items read before a damaged record get their values like the rest.
    RefreshBackupRuns();
    if (content.faultId) ReportLoadFault(content.faultId);
    ReportItems(IDS_MISSING_COPIES, missing);
    ReportItems(IDS_DAMAGED_HISTORIES, damaged);
    return content.faultId == 0;
}

size_t CDataFile::MergeFromFile() {
    if (!m_knownValid) return 0;
    FileContent content;
    if (!ReadRecords(content)) return 0;
    // A file damaged behind this catalogue's back is kept like one found damaged at a load.
    if (content.faultId) m_keepDamaged = true;
    std::vector<const CBrennaItem*> missing, damaged;
    size_t before = m_items.size();
    try {
        // Each known record matches one record of the file at most.
        std::vector<bool> matched(m_known.size());
        for (auto& item : content.records) {
            auto range = std::equal_range(m_known.begin(), m_known.end(), RecordKey(*item));
            auto seen = range.first;
            while (seen != range.second && matched[seen - m_known.begin()]) ++seen;
            if (seen != range.second) {
                matched[seen - m_known.begin()] = true;
                continue;
            }
            Adopt(std::move(item), missing, damaged);
        }
    } catch (const std::bad_alloc&) {
    }
    for (size_t i = before; i < m_items.size(); ++i)
        if (CBrnDataFile* h = m_items[i]->m_pHistory) {
            try {
                h->LoadPacks();
            } catch (const fw::CException&) {
            } catch (const std::bad_alloc&) {
            }
            m_items[i]->RefreshFromLoadedPacks();
        }
    return m_items.size() - before;
}

void CDataFile::RememberItems() {
    try {
        std::vector<uint64_t> known;
        known.reserve(m_items.size());
        for (auto& item : m_items) known.push_back(RecordKey(*item));
        std::sort(known.begin(), known.end());
        m_known.swap(known);
        m_knownValid = true;
    } catch (const std::bad_alloc&) {
        // Without the list a merge could not tell old records from new ones: none is made.
        m_knownValid = false;
    }
}

void CDataFile::RefreshBackupRuns() {
    // Each history is read once for all its items; reading it per item made the load grow
    // with items times packs.
    for (auto& h : m_histories) {
        try {
            h->LoadPacks();
        } catch (const fw::CException&) {
            // A damaged history shows its items without copies; the run reports it.
        } catch (const std::bad_alloc&) {
        }
        for (CBrennaItem* item : h->LinkedItems()) item->RefreshFromLoadedPacks();
    }
}

void CDataFile::ReportLoadFault(UINT causeId) {
    m_keepDamaged = true;
    if (m_quiet) return;
    fw::MessageText(fw::LoadStr(causeId) + "\n\n" +
                        fw::FormatStr(IDS_CATALOGUE_DAMAGED, m_path.c_str()),
                    MB_OK | MB_ICONSTOP);
}

void CDataFile::ReportItems(UINT textId, const std::vector<const CBrennaItem*>& items) {
    if (items.empty() || m_quiet) return;
    std::string text = fw::LoadStr(textId);
    for (size_t i = 0; i < items.size() && i < kMaxListedItems; ++i)
        text += "\n" + items[i]->m_stored;
    if (items.size() > kMaxListedItems) text += "\n...";
    fw::MessageText(text, MB_OK | MB_ICONEXCLAMATION);
}

std::string CDataFile::KeepNameForDamaged() const {
    for (int n = 1; n < 1000; ++n) {
        char suffix[24];
        wsprintfA(suffix, n == 1 ? ".damaged" : ".damaged%d", n);
        std::string candidate = m_path + suffix;
        if (candidate.size() >= MAX_PATH) return {};
        if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) return candidate;
    }
    return {};
}

BOOL CDataFile::Save(BOOL force, bool merge) {
    if (!force && !m_changed) return TRUE;
    if (merge) MergeFromFile();
    // The damaged file is renamed, never overwritten; without a free name nothing is saved.
    std::string keep;
    bool keepOld = m_keepDamaged && GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (keepOld) {
        keep = KeepNameForDamaged();
        if (keep.empty()) return FALSE;
    }
    fw::CAtomicFile out;
    if (!out.Create(m_path)) return FALSE;
    try {
        fw::CArchive ar(out.File(), fw::CArchive::store);
        store::WriteCatalogue(ar, m_items);
        ar.Flush();
    } catch (const fw::CException&) {
        out.Abandon();
        return FALSE;
    }
    bool keptAway = false;
    if (!out.Commit(keep, &keptAway)) {
        // The original could not be put back in its place: say where it is.
        if (keptAway)
            fw::MessageText(fw::FormatStr(IDS_CATALOGUE_NOT_SAVED_KEPT, keep.c_str()),
                            MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    memcpy(m_magic, "BRNG", 4);
    m_version = 0x00020000;
    m_count = static_cast<int32_t>(m_items.size());
    m_changed = false;
    m_keepDamaged = false;
    RememberItems();
    if (keepOld) fw::MessageText(fw::FormatStr(IDS_CATALOGUE_KEPT, keep.c_str()), MB_OK | MB_ICONINFORMATION);
    return TRUE;
}

BOOL CDataFile::AddItem(const char* source, const char* stored, DWORD fileFlag) {
    try {
        auto item = std::make_unique<CBrennaItem>();
        if (!item->InitNew(source, stored, fileFlag)) return FALSE;
        m_items.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    m_changed = true;
    return TRUE;
}

BOOL CDataFile::AddItemWithInfo(const char* source, const char* stored, const char* description,
                                DWORD fileFlag, FILETIME time) {
    if (!AddItem(source, stored, fileFlag)) return FALSE;
    CBrennaItem* item = m_items.back().get();
    item->SetDescription(description);
    item->m_evacuationTime = time;
    return TRUE;
}

BOOL CDataFile::RemoveItem(CBrennaItem* item, const std::function<void(CBrennaItem&)>& leaving) {
    m_changed = true;
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [item](const auto& p) { return p.get() == item; });
    if (it == m_items.end()) return FALSE;
    if (!item->RemoveStoredCopy()) return FALSE;
    if (CBrnDataFile* history = item->m_pHistory) {
        history->UnlinkItem(item);
        if (history->PackCount() <= 0) {
            auto h = std::find_if(m_histories.begin(), m_histories.end(),
                                  [history](const auto& p) { return p.get() == history; });
            if (h != m_histories.end()) {
                // Other items still pointing at it would dangle; unlink them first.
                for (auto& other : m_items)
                    if (other->m_pHistory == history) other->m_pHistory = nullptr;
                m_histories.erase(h);
            }
        }
    }
    if (leaving) leaving(*item);
    m_items.erase(it);
    return TRUE;
}

CBrnDataFile* CDataFile::FindHistory(const GUID& identifier) const {
    for (auto& h : m_histories)
        if (IsEqualGUID(h->Identifier(), identifier)) return h.get();
    return nullptr;
}

BOOL CDataFile::ImportItem(const CBrennaItem& other, const std::string& oldFolder) {
    try {
        auto item = std::make_unique<CBrennaItem>();
        if (!item->CopyRebased(other, oldFolder, m_folder)) return FALSE;
        m_items.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

bool CDataFile::AppendRunItem(std::unique_ptr<CBrennaItem>& item, CBrnDataFile& history,
                              std::unique_ptr<CBrnDataFile>& created) {
    try {
        // Room first, so that nothing below can fail half-way with the item already linked.
        MakeRoom(m_items);
        MakeRoom(m_histories);
    } catch (const std::bad_alloc&) {
        return false;
    }
    history.LinkItem(item.get());
    if (created) m_histories.push_back(std::move(created));
    m_items.push_back(std::move(item));
    m_changed = true;
    return true;
}
