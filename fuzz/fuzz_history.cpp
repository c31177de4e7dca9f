// The history data file: a failed read leaves identifier and packs unchanged; a whole one
// survives a write and a second read (the identifiers of the definitions inside packs aside,
// which every rewrite makes afresh).
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
