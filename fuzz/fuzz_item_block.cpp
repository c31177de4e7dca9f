// The clipboard's item block: the records read (a whole block's, or those before a bad record)
// build a block that reads back whole to the same records.
#include <vector>

#include "FuzzCheck.h"
#include "store/TransferBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<store::TransferRecord> first;
    store::ReadItemBlock(data, size, first);
    for (const auto& r : first)
        fuzz::Require(r.source.size() < store::kMaxPath && r.copy.size() < store::kMaxPath,
                      "a path of MAX_PATH bytes or more was read");
    store::Bytes built = store::BuildItemBlock(first);
    std::vector<store::TransferRecord> second;
    fuzz::Require(store::ReadItemBlock(built.data(), built.size(), second),
                  "the built block does not read back whole");
    fuzz::Require(first.size() == second.size(), "record count changed");
    for (size_t i = 0; i < first.size(); ++i)
        fuzz::Require(fuzz::SameRecord(first[i], second[i]), "a record changed");
    return 0;
}
