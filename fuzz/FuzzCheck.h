// Shared by the fuzz targets: reading a byte stream into records, and the check that stops the
// run with the reason when writing what was read and reading it again changes anything.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "fw/Archive.h"
#include "fw/Exceptions.h"
#include "fw/MemFile.h"
#include "store/TransferBlocks.h"

namespace fuzz {

inline constexpr GUID kNewIdentifier = {0x0B5E55ED, 0xF00D, 0xC0DE, {1, 2, 3, 4, 5, 6, 7, 8}};
// The private clipboard format number the drop targets and the seed files agree on.
inline constexpr uint32_t kMarker = 0xC1F0;

inline void Require(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "round trip broken: %s\n", what);
        abort();
    }
}

// Runs read over an archive on the bytes; false when it raised a format or memory error.
template <class Read>
bool ReadFrom(const uint8_t* data, size_t size, Read&& read) {
    try {
        fw::CMemFile file(data, size);
        fw::CArchive ar(file, fw::CArchive::load);
        read(ar);
        return true;
    } catch (const fw::CException&) {
    } catch (const std::bad_alloc&) {
    }
    return false;
}

// The bytes write produces through a store archive.
template <class Write>
std::vector<uint8_t> WriteTo(Write&& write) {
    fw::CMemFile file;
    fw::CArchive ar(file, fw::CArchive::store);
    write(ar);
    ar.Flush();
    return file.Data();
}

inline bool SameGuid(const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof a) == 0; }
inline bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

inline bool SameRecord(const store::TransferRecord& a, const store::TransferRecord& b) {
    return a.timeLow == b.timeLow && a.timeHigh == b.timeHigh && a.source == b.source &&
           a.copy == b.copy && a.description == b.description;
}

}  // namespace fuzz
