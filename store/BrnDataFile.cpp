// History data files: the packs of a definition's runs, read with every count and length checked
// and rewritten beside the old file so that a failed save never loses the history.
#include "store/BrnDataFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "fw/Exceptions.h"
#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/MemFile.h"
#include "store/BrennaItem.h"
#include "store/StoredPath.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace {

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return util::CompareFileTimeValues(a, b) == 0;
}

// br<NNNNNN>\<file name> and nothing else, so that a damaged history can never make a deletion
// reach outside the repository's numbered folders.
bool IsStoredName(const std::string& name) {
    if (name.compare(0, 2, "br") != 0) return false;
    size_t i = 2;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
    if (i - 2 < 6 || i >= name.size() || name[i] != '\\') return false;
    std::string file = name.substr(i + 1);
    return !file.empty() && file != "." && file != ".." && !util::MbsChr(file.c_str(), '\\') &&
           !util::MbsChr(file.c_str(), '/') && !util::MbsChr(file.c_str(), ':');
}

// Walks the entries of the pack being deleted beside those of the next newer pack (both in
// their stored order) and returns the stored names whose copies only the deleted pack used.
// A copy that the newer pack refers to passes to it instead.
std::vector<std::string> ReleaseCopies(const CBrnBackupItemPack& gone, CBrnBackupItemPack* next) {
    static const std::vector<std::unique_ptr<CBrnBackupItem>> kNone;
    const auto& ps = gone.Entries();
    const auto& qs = next ? next->Entries() : kNone;
    std::vector<std::string> released;
    size_t i = 0, j = 0;
    // Once the deleted pack's entries are used up, the rest of the newer pack changes nothing.
    while (i < ps.size()) {
        const CBrnBackupItem& p = *ps[i];
        int c = j < qs.size() ? lstrcmpiA(p.Source().c_str(), qs[j]->Source().c_str()) : -1;
        if (p.IsOwned()) {
            if (c == 0 && !qs[j]->IsOwned())
                qs[j]->SetOwned(true);
            else if (c <= 0)
                released.push_back(p.StoredName());
        }
        if (c <= 0) ++i;
        if (c >= 0) ++j;
    }
    return released;
}

constexpr char kJournalMagic[4] = {'B', 'R', 'N', 'A'};
constexpr DWORD kJournalSize = 16;
// Where the header keeps the pack count.
constexpr LONGLONG kCountOffset = 24;

// The length and pack count an append journal names; false when there is none, or not whole.
bool ReadJournal(const std::string& journal, uint64_t& size, int32_t& count) {
    fw::CHandle file(CreateFileA(journal.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    unsigned char b[kJournalSize];
    DWORD got = 0;
    if (!file || !ReadFile(file.Get(), b, sizeof b, &got, nullptr) || got != sizeof b ||
        memcmp(b, kJournalMagic, sizeof kJournalMagic) != 0)
        return false;
    memcpy(&size, b + 4, 8);
    memcpy(&count, b + 12, 4);
    return true;
}

// A history opened for reading beside a writer that may be appending to it.
fw::CHandle OpenToRead(const std::string& path) {
    return fw::CHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
}

// The pack count in the header of the history at path.
bool ReadPackCount(const std::string& path, int32_t& count) {
    fw::CHandle file = OpenToRead(path);
    LARGE_INTEGER at;
    at.QuadPart = kCountOffset;
    DWORD got = 0;
    return file && SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) &&
           ReadFile(file.Get(), &count, sizeof count, &got, nullptr) && got == sizeof count;
}

// Writes size bytes at offset of an open file.
bool WriteAt(HANDLE file, uint64_t offset, const void* data, DWORD size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           fw::WriteFileChecked(file, data, size, &written) && written == size;
}

// Reads size bytes at offset of an open file.
bool ReadAt(HANDLE file, uint64_t offset, void* data, DWORD size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           ReadFile(file, data, size, &got, nullptr) && got == size;
}

// How much of a pack is read for its head: the run time, the definition and the first entry
// fit in it but for a very long definition, for which the whole pack is read.
constexpr uint64_t kHeadChunk = 8192;

// Cuts an open file back to size bytes.
bool CutBack(HANDLE file, uint64_t size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

bool CBrnDataFile::AppendCutShort(const std::string& path, uint64_t& keep) {
    uint64_t size = 0;
    int32_t before = 0, now = 0;
    FileStamp stamp;
    if (!ReadJournal(path + kAppendJournalSuffix, size, before) || !ReadPackCount(path, now) ||
        now != before || !StampOf(path, stamp) || stamp.size <= size)
        return false;
    keep = size;
    return true;
}

bool CBrnDataFile::RepairAppend() {
    const std::string path = Path();
    const std::string journal = path + kAppendJournalSuffix;
    if (path.empty() || GetFileAttributesA(journal.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    uint64_t keep = 0;
    if (AppendCutShort(path, keep)) {
        fw::CHandle file(fw::CreateFileChecked(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
        if (!file || !CutBack(file.Get(), keep)) return false;
        m_current = false;
    }
    // A journal that stayed would make a later, shorter history look cut short: no update goes
    // ahead while it is there.
    return fw::DeleteFileRetrying(journal.c_str()) != FALSE;
}

bool CBrnDataFile::FileStamp::operator==(const FileStamp& o) const {
    return size == o.size && SameTime(creation, o.creation) && SameTime(lastWrite, o.lastWrite);
}

bool CBrnDataFile::StampOf(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.creation = data.ftCreationTime;
    stamp.lastWrite = data.ftLastWriteTime;
    return true;
}

CBrnDataFile::CBrnDataFile(std::string repository) : m_repository(std::move(repository)) {}

CBrnDataFile::~CBrnDataFile() { AbandonUpdate(); }

bool CBrnDataFile::OpenPendingWrite(const std::string& target) {
    AbandonUpdate();
    if (target.empty() || !m_pending.Create(target)) return false;
    try {
        m_pStream = std::make_unique<fw::CArchive>(m_pending.File(), fw::CArchive::store);
    } catch (const std::bad_alloc&) {
        m_pending.Abandon();
        return false;
    }
    return true;
}

void CBrnDataFile::AbandonUpdate() {
    m_pStream.reset();
    m_pending.Abandon();
}

bool CBrnDataFile::CreateForDefinition(const std::string& definitionPath, const GUID& identifier) {
    AbandonUpdate();
    std::string path;
    if (!store::AllocateHistoryPath(m_repository, definitionPath, path)) return false;
    // The name is taken at once so that copies made during the run never choose it; it stays
    // empty, which no header check accepts, until SavePacks puts the whole file in its place.
    if (!fw::CHandle(fw::CreateFileChecked(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL)))
        return false;
    if (!OpenPendingWrite(path)) {
        fw::DeleteFileRetrying(path.c_str());
        return false;
    }
    m_identifier = identifier;
    m_packCount = 0;
    m_current = false;
    m_packs.clear();
    m_createdPath.swap(path);
    return true;
}

bool CBrnDataFile::CheckHeader() {
    AbandonUpdate();
    std::string path = Path();
    fw::CFile file;
    if (path.empty() || !file.Open(path.c_str(), fw::CFile::modeRead)) return false;
    try {
        fw::CArchive ar(file, fw::CArchive::load);
        if (!store::ReadHistoryHeader(ar, m_identifier, m_packCount)) return false;
    } catch (const fw::CException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnDataFile::LoadPacks() {
    AbandonUpdate();
    std::string path = Path();
    FileStamp before;
    const bool stamped = !path.empty() && StampOf(path, before);
    if (m_current && stamped && before == m_stamp && lstrcmpiA(path.c_str(), m_stampPath.c_str()) == 0)
        return true;
    m_current = false;
    m_packs.clear();
    uint64_t keep = 0;
    if (stamped && AppendCutShort(path, keep)) {
        // An append under way in another process, or cut short: the history is what comes
        // before it. Should the append complete meanwhile, the whole file is read after all.
        try {
            std::vector<uint8_t> bytes(static_cast<size_t>(keep));
            fw::CHandle file = OpenToRead(path);
            DWORD got = 0;
            if (file && ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                got == bytes.size()) {
                fw::CMemFile memory(bytes.data(), bytes.size());
                fw::CArchive ar(memory, fw::CArchive::load);
                Serialize(ar);
                return true;
            }
        } catch (const fw::CException&) {
        }
        m_packs.clear();
    }
    if (stamped && LoadHeads(path, before)) return true;
    fw::CFile file;
    if (path.empty() || !file.Open(path.c_str(), fw::CFile::modeRead)) return false;
    fw::CArchive ar(file, fw::CArchive::load);
    Serialize(ar);
    // Kept only when nothing changed the file while it was read.
    FileStamp after;
    if (stamped && StampOf(path, after) && after == before) {
        m_current = true;
        m_stamp = after;
        m_stampPath = path;
    }
    return true;
}

bool CBrnDataFile::LoadHeads(const std::string& path, const FileStamp& stamp) {
    store::HistoryIndex index;
    GUID identifier{};
    int32_t count = 0;
    std::vector<std::unique_ptr<CBrnBackupItemPack>> packs;
    try {
        {
            fw::CFile file;
            if (!file.Open((path + kPackIndexSuffix).c_str(), fw::CFile::modeRead)) return false;
            fw::CArchive ar(file, fw::CArchive::load);
            if (!store::ReadHistoryIndex(ar, index)) return false;
        }
        if (index.size != stamp.size || !SameTime(index.creation, stamp.creation) ||
            !SameTime(index.lastWrite, stamp.lastWrite))
            return false;
        fw::CHandle file = OpenToRead(path);
        unsigned char header[28];
        if (!file || !ReadAt(file.Get(), 0, header, sizeof header)) return false;
        {
            fw::CMemFile memory(header, sizeof header);
            fw::CArchive ar(memory, fw::CArchive::load);
            if (!store::ReadHistoryHeader(ar, identifier, count) ||
                count != static_cast<int32_t>(index.offsets.size()))
                return false;
        }
        packs.reserve(index.offsets.size());
        std::vector<uint8_t> chunk;
        for (size_t i = 0; i < index.offsets.size(); ++i) {
            const uint64_t offset = index.offsets[i];
            const uint64_t end = i + 1 < index.offsets.size() ? index.offsets[i + 1] : index.size;
            auto pack = std::make_unique<CBrnBackupItemPack>();
            for (uint64_t take = std::min(end - offset, kHeadChunk);; take = end - offset) {
                if (take > 0x7FFFFFFF) return false;
                chunk.resize(static_cast<size_t>(take));
                if (!ReadAt(file.Get(), offset, chunk.data(), static_cast<DWORD>(take))) return false;
                fw::CMemFile memory(chunk.data(), chunk.size());
                fw::CArchive ar(memory, fw::CArchive::load);
                try {
                    pack->ReadHead(ar, offset, end);
                    break;
                } catch (const fw::CArchiveException& e) {
                    // Only a head longer than the part read is worth reading again whole.
                    if (e.m_cause != fw::CArchiveException::endOfFile || take == end - offset)
                        return false;
                }
            }
            packs.push_back(std::move(pack));
        }
        if (packs.empty() || !SameTime(packs.back()->RunTime(), index.lastRunTime)) return false;
        // The heads count only when nothing changed the file while they were read.
        FileStamp after;
        if (!StampOf(path, after) || !(after == stamp)) return false;
    } catch (const fw::CException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_identifier = identifier;
    m_packs.swap(packs);
    m_packCount = count;
    m_current = true;
    m_stamp = stamp;
    m_stampPath = path;
    return true;
}

bool CBrnDataFile::LoadEntries(CBrnBackupItemPack& pack) {
    if (pack.EntriesLoaded()) return true;
    const std::string path = Path();
    FileStamp now;
    if (!m_current || path.empty() || lstrcmpiA(path.c_str(), m_stampPath.c_str()) != 0 ||
        !StampOf(path, now) || !(now == m_stamp) || pack.End() < pack.EntriesOffset() ||
        pack.End() - pack.EntriesOffset() > 0x7FFFFFFF)
        return false;
    const DWORD size = static_cast<DWORD>(pack.End() - pack.EntriesOffset());
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        throw fw::CMemoryException();
    }
    fw::CHandle file = OpenToRead(path);
    if (!file || !ReadAt(file.Get(), pack.EntriesOffset(), bytes.data(), size)) return false;
    fw::CMemFile memory(bytes.data(), bytes.size());
    fw::CArchive ar(memory, fw::CArchive::load);
    pack.ReadEntries(ar);
    return true;
}

bool CBrnDataFile::LoadAllEntries() {
    // A file changed between the heads and the entries (another process recorded a run) is
    // read again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!LoadPacks()) return false;
        bool whole = true;
        for (const auto& p : m_packs)
            if (!LoadEntries(*p)) {
                whole = false;
                break;
            }
        if (whole) return true;
    }
    return false;
}

void CBrnDataFile::WriteIndex() {
    const std::string path = Path();
    if (!m_current || m_packs.empty() || path.empty()) return;
    store::HistoryIndex index;
    index.size = m_stamp.size;
    index.creation = m_stamp.creation;
    index.lastWrite = m_stamp.lastWrite;
    index.lastRunTime = m_packs.back()->RunTime();
    fw::CMemFile bytes;
    try {
        index.offsets.reserve(m_packs.size());
        for (const auto& p : m_packs) index.offsets.push_back(p->Offset());
        fw::CArchive ar(bytes, fw::CArchive::store);
        store::WriteHistoryIndex(ar, index);
        ar.Flush();
    } catch (const fw::CException&) {
        return;
    } catch (const std::bad_alloc&) {
        return;
    }
    // Written in place: a reader that meets it cut short or half written finds it does not
    // add up and reads the history whole, and a stale one names a file that is no more.
    const std::string indexPath = path + kPackIndexSuffix;
    fw::CHandle file(CreateFileA(indexPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.Data().data(), static_cast<DWORD>(bytes.Data().size()),
                            &written, nullptr) ||
        written != bytes.Data().size()) {
        file.Reset();
        DeleteFileA(indexPath.c_str());
    }
}

bool CBrnDataFile::ReloadForUpdate() {
    AbandonUpdate();
    if (!RepairAppend() || !LoadAllEntries()) return false;
    // The old file stays whole until SavePacks has written all of the new one.
    return OpenPendingWrite(Path());
}

CBrnBackupItemPack* CBrnDataFile::FindPack(const FILETIME& time) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!LoadPacks()) return nullptr;
        auto p = std::find_if(m_packs.begin(), m_packs.end(),
                              [&](const auto& p) { return SameTime(p->RunTime(), time); });
        if (p == m_packs.end()) return nullptr;
        // False when the file changed since its heads were read: it is read again once.
        if (LoadEntries(**p)) return p->get();
    }
    return nullptr;
}

CBrnBackupItemPack* CBrnDataFile::LastPack() const {
    return m_packs.empty() ? nullptr : m_packs.back().get();
}

bool CBrnDataFile::AddPack(const CBrnFile& definition,
                           std::vector<std::unique_ptr<CBrnBackupItem>> entries,
                           const FILETIME& time) {
    try {
        auto pack = std::make_unique<CBrnBackupItemPack>(time, definition);
        for (auto& e : entries) pack->AddItem(std::move(e));
        m_current = false;
        m_packs.push_back(std::move(pack));
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_packCount = static_cast<int32_t>(m_packs.size());
    return true;
}

bool CBrnDataFile::AppendPack(const CBrnFile& definition,
                              std::vector<std::unique_ptr<CBrnBackupItem>> entries,
                              const FILETIME& time) {
    AbandonUpdate();
    const std::string path = Path();
    if (!RepairAppend()) {
        store::ReportFault(fw::CFileException::FromLastError(GetLastError()), path);
        return false;
    }
    FileStamp now;
    const bool inPlace = m_current && !path.empty() &&
                         lstrcmpiA(path.c_str(), m_stampPath.c_str()) == 0 && StampOf(path, now) &&
                         now == m_stamp && m_packCount == static_cast<int32_t>(m_packs.size()) &&
                         m_stamp.size >= kCountOffset + sizeof(int32_t);
    if (!inPlace) {
        // Not the file the packs were read from: the whole history is written afresh.
        if (!store::ReportingFaults(path, [&] { return ReloadForUpdate(); })) return false;
        return AddPack(definition, std::move(entries), time) && SavePacks();
    }
    std::unique_ptr<CBrnBackupItemPack> pack;
    fw::CMemFile bytes;
    try {
        pack = std::make_unique<CBrnBackupItemPack>(time, definition);
        for (auto& e : entries) pack->AddItem(std::move(e));
        fw::CArchive ar(bytes, fw::CArchive::store);
        pack->Serialize(ar);
        ar.Flush();
        pack->Relocate(m_stamp.size);
        // Room first, so that nothing can fail once the file holds the pack.
        m_packs.reserve(m_packs.size() + 1);
    } catch (const fw::CException& e) {
        store::ReportFault(e, path);
        return false;
    } catch (const std::bad_alloc&) {
        store::ReportFault(fw::CMemoryException(), path);
        return false;
    }
    const uint64_t oldSize = m_stamp.size;
    const int32_t newCount = m_packCount + 1;
    const std::string journal = path + kAppendJournalSuffix;
    auto fault = [&](DWORD error) {
        store::ReportFault(fw::CFileException::FromLastError(error), path);
        return false;
    };
    {
        fw::CAtomicFile note;
        unsigned char b[kJournalSize];
        memcpy(b, kJournalMagic, sizeof kJournalMagic);
        memcpy(b + 4, &oldSize, 8);
        memcpy(b + 12, &m_packCount, 4);
        try {
            if (!note.Create(journal)) return fault(GetLastError());
            note.File().Write(b, sizeof b);
        } catch (const fw::CException&) {
            DWORD error = GetLastError();
            note.Abandon();
            return fault(error);
        }
        if (!note.Commit()) return fault(GetLastError());
    }
    fw::CHandle file(fw::CreateFileChecked(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    // The pack, then the count that makes it part of the history; each on the disk before the
    // next step.
    bool packWritten = file &&
                       WriteAt(file.Get(), oldSize, bytes.Data().data(),
                               static_cast<DWORD>(bytes.Data().size())) &&
                       fw::FlushChecked(file.Get());
    bool countWritten = packWritten && WriteAt(file.Get(), kCountOffset, &newCount, sizeof newCount);
    if (!countWritten || !fw::FlushChecked(file.Get())) {
        DWORD error = GetLastError();
        m_current = false;
        // The count goes back first: a file cut back under a count that names the new pack
        // would be damaged. Should that fail, the pack stays whole and counted, a pack that no
        // item records, which the next run takes out again.
        if (countWritten && !WriteAt(file.Get(), kCountOffset, &m_packCount, sizeof m_packCount))
            return fault(error);
        // Cut back now; failing that, the journal keeps the history as it was for every reader
        // until the next update cuts it back.
        if (file && CutBack(file.Get(), oldSize)) {
            file.Reset();
            fw::DeleteFileRetrying(journal.c_str());
        }
        return fault(error);
    }
    file.Reset();
    // The pack is whole and counted; a journal left behind names a count the file has passed.
    fw::DeleteFileRetrying(journal.c_str());
    m_packs.push_back(std::move(pack));
    m_packCount = newCount;
    m_current = StampOf(path, m_stamp);
    m_stampPath = path;
    WriteIndex();
    return true;
}

bool CBrnDataFile::SavePacks() {
    if (!m_pStream) return false;
    if (!store::ReportingFaults(Path(), [&] {
            Serialize(*m_pStream);
            m_pStream->Flush();
            return true;
        })) {
        AbandonUpdate();
        return false;
    }
    m_pStream.reset();
    if (!m_pending.Commit()) {
        AbandonUpdate();
        store::ReportFault(fw::CFileException(fw::CFileException::generic), Path());
        return false;
    }
    m_packCount = static_cast<int32_t>(m_packs.size());
    // What is in memory is now what the file holds.
    std::string path = Path();
    m_current = StampOf(path, m_stamp);
    m_stampPath = path;
    WriteIndex();
    return true;
}

bool CBrnDataFile::DeletePack(const FILETIME& time) {
    std::vector<std::string> released;
    try {
        // ReloadForUpdate first cuts back an append cut short.
        if (!ReloadForUpdate()) return false;
        auto it = std::find_if(m_packs.begin(), m_packs.end(),
                               [&](const auto& p) { return SameTime(p->RunTime(), time); });
        if (it != m_packs.end()) {
            m_current = false;
            CBrnBackupItemPack* next = it + 1 != m_packs.end() ? (it + 1)->get() : nullptr;
            released = ReleaseCopies(**it, next);
            m_packs.erase(it);
            m_packCount = static_cast<int32_t>(m_packs.size());
        } else if (!m_packs.empty()) {
            // Nothing to take out: rewriting would only give the packs new identifiers.
            AbandonUpdate();
            return true;
        }
    } catch (const fw::CException& e) {
        AbandonUpdate();
        store::ReportFault(e, Path());
        return false;
    } catch (const std::bad_alloc&) {
        AbandonUpdate();
        store::ReportFault(fw::CMemoryException(), Path());
        return false;
    }

    bool written;
    if (m_packCount <= 0) {
        std::string path = Path();
        AbandonUpdate();
        written = util::ForceDeleteFile(path.c_str()) != FALSE;
        if (written) DeleteFileA((path + kPackIndexSuffix).c_str());
    } else {
        written = SavePacks();
    }
    // The copies go only once the history on disk no longer refers to them.
    if (!written) return false;
    for (const std::string& name : released) {
        std::string copy = util::JoinPath(m_repository, name);
        if (IsStoredName(name) && copy.size() < MAX_PATH) util::ForceDeleteFile(copy.c_str());
    }
    return true;
}

void CBrnDataFile::LinkItem(CBrennaItem* item) {
    m_linkedItems.push_back(item);
    item->m_pHistory = this;
}

void CBrnDataFile::UnlinkItem(CBrennaItem* item) {
    m_linkedItems.erase(std::remove(m_linkedItems.begin(), m_linkedItems.end(), item),
                        m_linkedItems.end());
}

DWORD CBrnDataFile::LastGeneration() const {
    return m_linkedItems.empty() ? 0 : m_linkedItems.back()->m_generation;
}

std::string CBrnDataFile::Path() const {
    return m_linkedItems.empty() ? m_createdPath : m_linkedItems.front()->m_stored;
}

void CBrnDataFile::Serialize(fw::CArchive& ar) {
    if (ar.IsStoring()) {
        store::WriteHistory(ar, m_identifier, m_packs);
        return;
    }
    m_current = false;
    store::ReadHistory(ar, m_identifier, m_packs);
    m_packCount = static_cast<int32_t>(m_packs.size());
}
