// The bytes of the catalogue "brenna.dat": a header (magic "BRNG", version, record count) and
// the item records. Reading and writing only, from and to any byte stream, so that the reader
// also builds natively for fuzzing.
#pragma once

#include <memory>
#include <vector>

#include "store/BrennaItem.h"

namespace store {

// Reads the header and the records it announces into records, each stored path's first byte
// replaced by driveOverride when that is not 0. Raises fw::CArchiveException for a short or
// foreign header, a damaged record, or bytes after the announced records (a count lower than
// what was written); the records read before the fault stay in records. Values read from the
// copies are left to the caller.
void ReadCatalogue(fw::CArchive& ar, char driveOverride,
                   std::vector<std::unique_ptr<CBrennaItem>>& records);
// Writes the header and every item in the current version.
void WriteCatalogue(fw::CArchive& ar, const std::vector<std::unique_ptr<CBrennaItem>>& items);

}  // namespace store
