// The history data file: a failed read leaves identifier and packs unchanged; a whole one
// survives a write and a second read (the identifiers of the definitions inside packs aside,
// which every rewrite makes afresh), and each of its packs read as a head and then its entries,
// as through the index, is the pack read whole. The same bytes taken for an index beside a
// history: one that reads only names packs inside the history after its header, in order, and
// survives a write and a second read.
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "store/BrnPack.h"

namespace {

using Packs = std::vector<std::unique_ptr<CBrnBackupItemPack>>;

bool Same(const CBrnBackupItemPack& a, const CBrnBackupItemPack& b) {
    if (!fuzz::SameTime(a.RunTime(), b.RunTime()) || a.EntryCount() != b.EntryCount() ||
        a.Definition().Folder() != b.Definition().Folder() ||
        a.Definition().Exclusions() != b.Definition().Exclusions())
        return false;
    for (size_t i = 0; i < a.Entries().size(); ++i) {
        const CBrnBackupItem &x = *a.Entries()[i], &y = *b.Entries()[i];
        if (x.Source() != y.Source() || x.StoredName() != y.StoredName() ||
            x.IsOwned() != y.IsOwned())
            return false;
    }
    return true;
}

// The pack at its place in the history's bytes, read as its head and then its entries.
bool ReadInTwo(const uint8_t* data, const CBrnBackupItemPack& whole, CBrnBackupItemPack& pack) {
    const uint64_t offset = whole.Offset(), end = whole.End();
    if (!fuzz::ReadFrom(data + offset, static_cast<size_t>(end - offset),
                        [&](fw::CArchive& ar) { pack.ReadHead(ar, offset, end); }))
        return false;
    if (pack.EntriesOffset() != whole.EntriesOffset()) return false;
    return fuzz::ReadFrom(data + pack.EntriesOffset(), static_cast<size_t>(end - pack.EntriesOffset()),
                          [&](fw::CArchive& ar) { pack.ReadEntries(ar); });
}

void CheckIndex(const uint8_t* data, size_t size) {
    store::HistoryIndex index;
    bool read = false;
    fuzz::ReadFrom(data, size, [&](fw::CArchive& ar) { read = store::ReadHistoryIndex(ar, index); });
    if (!read) {
        fuzz::Require(index.offsets.empty(), "a rejected index was kept");
        return;
    }
    fuzz::Require(!index.offsets.empty() && index.offsets.front() == 28, "first pack not after the header");
    for (size_t i = 0; i < index.offsets.size(); ++i)
        fuzz::Require(index.offsets[i] < index.size && (i == 0 || index.offsets[i] > index.offsets[i - 1]),
                      "an index offset outside the history or out of order");
    std::vector<uint8_t> written = fuzz::WriteTo([&](fw::CArchive& ar) { store::WriteHistoryIndex(ar, index); });
    store::HistoryIndex again;
    bool whole = false;
    fuzz::ReadFrom(written.data(), written.size(),
                   [&](fw::CArchive& ar) { whole = store::ReadHistoryIndex(ar, again); });
    fuzz::Require(whole && again.offsets == index.offsets && again.size == index.size &&
                      fuzz::SameTime(again.lastRunTime, index.lastRunTime),
                  "the written index does not read back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckIndex(data, size);
    GUID id{};
    int32_t headerCount = 0;
    fuzz::ReadFrom(data, size,
                   [&](fw::CArchive& ar) { store::ReadHistoryHeader(ar, id, headerCount); });
    id = GUID{};
    Packs first;
    if (!fuzz::ReadFrom(data, size, [&](fw::CArchive& ar) { store::ReadHistory(ar, id, first); })) {
        fuzz::Require(first.empty() && fuzz::SameGuid(id, GUID{}),
                      "a failed read changed the history");
        return 0;
    }
    for (const auto& p : first)
        for (const auto& e : p->Entries())
            fuzz::Require(e->Source().size() < MAX_PATH && e->StoredName().size() < MAX_PATH,
                          "a path of MAX_PATH bytes or more was read");
    for (const auto& p : first) {
        CBrnBackupItemPack pack;
        fuzz::Require(p->Offset() >= 28 && p->End() <= size && p->EntriesOffset() <= p->End(),
                      "a pack placed outside the history");
        fuzz::Require(ReadInTwo(data, *p, pack) && Same(*p, pack),
                      "a pack read as its head and entries differs from the pack read whole");
    }
    std::vector<uint8_t> written =
        fuzz::WriteTo([&](fw::CArchive& ar) { store::WriteHistory(ar, id, first); });
    GUID secondId{};
    Packs second;
    bool whole = fuzz::ReadFrom(written.data(), written.size(), [&](fw::CArchive& ar) {
        store::ReadHistory(ar, secondId, second);
    });
    fuzz::Require(whole, "the written history does not read back");
    fuzz::Require(fuzz::SameGuid(id, secondId), "identifier changed");
    fuzz::Require(first.size() == second.size(), "pack count changed");
    for (size_t i = 0; i < first.size(); ++i)
        fuzz::Require(Same(*first[i], *second[i]), "a pack changed");
    std::vector<uint8_t> again =
        fuzz::WriteTo([&](fw::CArchive& ar) { store::WriteHistory(ar, secondId, second); });
    fuzz::Require(again == written, "writing the same history twice gave different bytes");
    return 0;
}
