// The shell's file list, with or without the trailer carrying the item block of rows dragged from
// a list of the program: paths and items read build a list that reads back to the same.
#include <vector>

#include "FuzzCheck.h"
#include "store/TransferBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> paths;
    if (!store::ReadFileList(data, size, paths)) {
        fuzz::Require(store::FindItemTrailer(data, size, fuzz::kMarker) == 0,
                      "a trailer found after a list that does not read");
        return 0;
    }
    std::vector<store::TransferRecord> items;
    size_t at = store::FindItemTrailer(data, size, fuzz::kMarker);
    fuzz::Require(at <= size, "trailer beyond the block");
    bool whole = at && store::ReadItemBlock(data + at, size - at, items);
    // Only a list whose every path has its item travels with the trailer.
    bool withItems = whole && items.size() == paths.size();
    store::Bytes built = store::BuildFileList(paths, withItems ? &items : nullptr, fuzz::kMarker);
    std::vector<std::string> again;
    fuzz::Require(store::ReadFileList(built.data(), built.size(), again),
                  "the built list does not read");
    fuzz::Require(again == paths, "paths changed");
    size_t builtAt = store::FindItemTrailer(built.data(), built.size(), fuzz::kMarker);
    fuzz::Require((builtAt != 0) == withItems, "trailer lost or invented");
    if (withItems) {
        std::vector<store::TransferRecord> items2;
        fuzz::Require(store::ReadItemBlock(built.data() + builtAt, built.size() - builtAt, items2),
                      "the built trailer does not read whole");
        fuzz::Require(items2.size() == items.size(), "item count changed");
        for (size_t i = 0; i < items.size(); ++i)
            fuzz::Require(fuzz::SameRecord(items[i], items2[i]), "an item changed");
    }
    return 0;
}
