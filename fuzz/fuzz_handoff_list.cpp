// The paths a starting process hands to the running window: those read build a list that reads
// back to the same paths.
#include <vector>

#include "FuzzCheck.h"
#include "store/TransferBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> paths;
    store::ReadHandOffList(size ? data : nullptr, size, paths);
    for (const auto& p : paths) fuzz::Require(!p.empty(), "an empty path was read");
    store::Bytes built = store::BuildHandOffList(paths);
    std::vector<std::string> again;
    store::ReadHandOffList(built.data(), built.size(), again);
    fuzz::Require(again == paths, "paths changed");
    return 0;
}
