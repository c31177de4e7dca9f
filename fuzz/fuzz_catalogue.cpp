// The catalogue "brenna.dat": whatever the bytes, reading never leaves the data, and the records
// read (also those before a damaged one, which a save would write back) survive a write and a
// second read unchanged.
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "store/CatalogueFormat.h"

namespace {

using Records = std::vector<std::unique_ptr<CBrennaItem>>;

bool Same(const CBrennaItem& a, const CBrennaItem& b) {
    return fuzz::SameTime(a.m_evacuationTime, b.m_evacuationTime) && a.m_fileFlag == b.m_fileFlag &&
           a.m_generation == b.m_generation && a.m_source == b.m_source &&
           a.m_stored == b.m_stored && a.m_description == b.m_description;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte sometimes plays the drive letter of an external repository.
    char drive = size > 0 && (data[0] & 1) ? 'Q' : 0;
    Records first;
    fuzz::ReadFrom(data, size, [&](fw::CArchive& ar) { store::ReadCatalogue(ar, drive, first); });
    for (const auto& item : first) {
        fuzz::Require(item->m_source.size() < MAX_PATH && item->m_stored.size() < MAX_PATH,
                      "a path of MAX_PATH bytes or more was read");
        fuzz::Require(!drive || item->m_stored.empty() || item->m_stored[0] == drive,
                      "drive letter not applied");
    }
    std::vector<uint8_t> written =
        fuzz::WriteTo([&](fw::CArchive& ar) { store::WriteCatalogue(ar, first); });
    Records second;
    bool whole = fuzz::ReadFrom(written.data(), written.size(),
                                [&](fw::CArchive& ar) { store::ReadCatalogue(ar, 0, second); });
    fuzz::Require(whole, "the written catalogue does not read back");
    fuzz::Require(second.size() == first.size(), "record count changed");
    for (size_t i = 0; i < first.size(); ++i)
        fuzz::Require(Same(*first[i], *second[i]), "a record changed");
    std::vector<uint8_t> again =
        fuzz::WriteTo([&](fw::CArchive& ar) { store::WriteCatalogue(ar, second); });
    fuzz::Require(again == written, "writing the same records twice gave different bytes");
    return 0;
}
