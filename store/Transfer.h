// Items leaving the repository for the clipboard or a drag, and items and files arriving from
// them: transfer paths, the assembly of backup runs in the temporary directory, and the
// evacuation of what was pasted or dropped.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/Repository.h"
#include "store/TransferBlocks.h"

namespace store {

// The path a file list names for item. An ordinary item: its stored path. A backup-run file item:
// the copy of its pack's first entry. A backup-run folder item: the folder
// tempDir\<counter as %04u>\<backed-up folder's name>, assembled from its pack's entries; the
// counter then advances. Empty when there is nothing to name: a run whose pack is missing or
// empty, or a folder run without a temporary directory.
std::string PrepareTransferPath(const CBrennaItem& item, const std::string& tempDir,
                                unsigned& counter);

// The transfer paths of items in order and, for each, its record carrying that same path as its
// copy path; items with no transfer path are left out of both.
void CollectTransfers(const std::vector<CBrennaItem*>& items, const std::string& tempDir,
                      std::vector<std::string>& paths, std::vector<TransferRecord>& records);

// Evacuates the records of an item block under the repository mutex, each with its own source,
// description and time, and saves. FALSE when a record cannot be evacuated, when the block is not
// whole (the records before the bad one stay evacuated) or when the save fails.
BOOL AddTransferredItems(CRepository& repository, const uint8_t* block, size_t size);

// Dispatches pasted paths, showing "Failed to save file" for each one that fails, and saves.
// With move, once the catalogue holds them, deletes the sources that were recorded, in order,
// until one cannot be deleted: that one is reported and the rest stay. The caller holds the
// repository mutex.
void PastePaths(CRepository& repository, const std::vector<std::string>& paths, bool move);

}  // namespace store
