// The backup definition ".brn": a failed read leaves the definition unchanged; a whole one
// survives a write and a second read (its identifier aside, which a definition not opened from
// its file gets afresh when written).
#include "FuzzCheck.h"
#include "store/BrnFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBrnFile first;
    if (!fuzz::ReadFrom(data, size, [&](fw::CArchive& ar) { first.Serialize(ar); })) {
        fuzz::Require(first.Folder().empty() && first.Exclusions().empty(),
                      "a failed read changed the definition");
        return 0;
    }
    fuzz::Require(first.Folder().size() < MAX_PATH, "a folder of MAX_PATH bytes or more was read");
    std::vector<uint8_t> written = fuzz::WriteTo([&](fw::CArchive& ar) { first.Serialize(ar); });
    CBrnFile second;
    bool whole = fuzz::ReadFrom(written.data(), written.size(),
                                [&](fw::CArchive& ar) { second.Serialize(ar); });
    fuzz::Require(whole, "the written definition does not read back");
    fuzz::Require(second.Folder() == first.Folder(), "folder changed");
    fuzz::Require(second.Exclusions() == first.Exclusions(), "exclusions changed");
    fuzz::Require(fuzz::SameGuid(second.Identifier(), fuzz::kNewIdentifier),
                  "identifier not the one written");
    std::vector<uint8_t> again = fuzz::WriteTo([&](fw::CArchive& ar) { second.Serialize(ar); });
    fuzz::Require(again == written, "writing the same definition twice gave different bytes");
    return 0;
}
