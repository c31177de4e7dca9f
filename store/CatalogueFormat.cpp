// Catalogue header and records.
#include "store/CatalogueFormat.h"

#include <cstring>

#include "fw/Archive.h"
#include "fw/Exceptions.h"

namespace store {
namespace {

constexpr char kMagic[4] = {'B', 'R', 'N', 'G'};
constexpr DWORD kVersion2 = 0x00020000;
constexpr DWORD kVersion1 = 0x00010000;

}  // namespace

void ReadCatalogue(fw::CArchive& ar, char driveOverride,
                   std::vector<std::unique_ptr<CBrennaItem>>& records) {
    char header[12];
    if (ar.ReadSome(header, sizeof header) != sizeof header)
        throw fw::CArchiveException(fw::CArchiveException::endOfFile);
    if (memcmp(header, kMagic, 4) != 0)
        throw fw::CArchiveException(fw::CArchiveException::badFormat);
    DWORD version;
    int32_t count;
    memcpy(&version, header + 4, 4);
    memcpy(&count, header + 8, 4);
    if (version != kVersion2 && version != kVersion1)
        throw fw::CArchiveException(fw::CArchiveException::badFormat);
    for (int32_t i = 0; i < count; ++i) {
        auto item = std::make_unique<CBrennaItem>();
        item->m_driveOverride = driveOverride;
        if (version == kVersion2)
            item->Serialize(ar);
        else
            item->LoadVersion1(ar);
        records.push_back(std::move(item));
    }
    // A count lower than the records that follow (negative ones included) would lose the rest
    // at the next save; such a file is damaged, not short.
    if (ar.Remaining() > 0) throw fw::CArchiveException(fw::CArchiveException::damaged);
}

void WriteCatalogue(fw::CArchive& ar, const std::vector<std::unique_ptr<CBrennaItem>>& items) {
    ar.Write(kMagic, sizeof kMagic);
    ar.WriteU32(kVersion2);
    ar.WriteI32(static_cast<int32_t>(items.size()));
    for (const auto& item : items) item->Serialize(ar);
}

}  // namespace store
