// The byte blocks that carry items between processes by the clipboard and by dragging: the item
// block, the shell's file list (with or without the item trailer) and the drop effect. Builders
// and strict readers only, free of any platform header so that they also build natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace store {

// One item as it travels: evacuation time, source path, the path of its copy, description.
struct TransferRecord {
    uint32_t timeLow = 0;
    uint32_t timeHigh = 0;
    std::string source;
    std::string copy;
    std::string description;
};

using Bytes = std::vector<uint8_t>;

// The shell's DROPFILES header: offset of the list, point, non-client and wide flags.
constexpr size_t kDropFilesHeader = 20;
// The drag trailer: zero bytes after the last path (the first ends the list), then the marker.
constexpr size_t kTrailerGap = 16;
// Paths (and every string a reader accepts as one) stay below this many bytes.
constexpr size_t kMaxPath = 260;

// u32 N, then N records of five u32 (time low, time high, and the three lengths, each counting
// its zero byte) followed by the three strings.
Bytes BuildItemBlock(const std::vector<TransferRecord>& records);
// The 8-bit file list; with items (items[i] belongs to paths[i]) the variant with the item
// trailer, whose marker is the private clipboard format number.
Bytes BuildFileList(const std::vector<std::string>& paths,
                    const std::vector<TransferRecord>* items = nullptr, uint32_t marker = 0);
Bytes BuildDropEffectBlock(uint32_t effect);
// The paths a starting process hands to the running one: each with its zero byte, then an
// empty string.
Bytes BuildHandOffList(const std::vector<std::string>& paths);

// Reads an item block of size bytes. Every count and length is checked against size, every
// string must end with its zero byte inside its record and hold no other zero, and paths must
// stay below kMaxPath. Records before a bad one are in out; false when the block is not whole.
bool ReadItemBlock(const uint8_t* data, size_t size, std::vector<TransferRecord>& out);
// The paths of an 8-bit file list; false for a wide list or one that does not end inside the
// block. A path of kMaxPath bytes or more is kept as read; its user refuses it.
bool ReadFileList(const uint8_t* data, size_t size, std::vector<std::string>& paths);
// Where the item block of a file list with trailer starts; 0 when the list has no trailer with
// this marker (a wide list, a list that does not end inside the block, too few bytes after it).
size_t FindItemTrailer(const uint8_t* data, size_t size, uint32_t marker);
// The paths of a hand-off list of size bytes (data may be null when size is 0). The list ends at
// its empty string; a last path that does not end inside the block is dropped.
void ReadHandOffList(const uint8_t* data, size_t size, std::vector<std::string>& paths);
// The effect a "Preferred DropEffect" block asks for: 1 copy, 2 move, 3 link, 0 none or unknown.
int DropEffectOf(const uint8_t* data, size_t size);

}  // namespace store
