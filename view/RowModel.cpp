// Cell texts and sorting of the list's rows, computed from the catalogue items alone.
#include "view/RowModel.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>

#include "fw/Strings.h"
#include "string_ids.h"
#include "util/CaseFold.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace view {

const std::array<ColumnInfo, kColumnCount> kColumns = {{
    {IDS_COL_NAME, Align::left, 100},
    {IDS_COL_LOCATION, Align::left, 300},
    {IDS_COL_SAVE, Align::left, 100},
    {IDS_COL_BRN, Align::right, 40},
    {IDS_COL_SIZE, Align::right, 80},
    {IDS_COL_TYPE, Align::left, 100},
    {IDS_COL_UPDATE, Align::left, 100},
    {IDS_COL_DESCRIPTION, Align::left, 200},
}};

namespace {

// Offset of the source path's last backslash, or npos.
size_t LastBackslash(const std::string& path) { return util::MbsRFind(path, '\\'); }

std::string TimeText(const FILETIME& time) {
    char text[64];
    int n = util::FormatFileTime(time, text);
    return std::string(text, n > 0 ? n : 0);
}

// The extension of a name, dot included, or empty when the name has no dot.
std::string ExtensionOf(const std::string& name) {
    size_t dot = util::MbsRFind(name, '.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string FileTypeText(const std::string& extension) {
    if (extension.empty()) return fw::LoadStr(IDS_FILE_TYPE_SUFFIX);
    char name[32];
    if (util::GetFileTypeName(extension.c_str(), name, sizeof name)) return name;
    return util::MbsUpper(extension.substr(1)) + " " + fw::LoadStr(IDS_FILE_TYPE_SUFFIX);
}

std::string FolderTypeText() {
    char name[32];
    if (util::GetFileTypeName(nullptr, name, sizeof name)) return name;
    return fw::LoadStr(IDS_FILE_FOLDER);
}

// Type texts depend only on the file flag and the extension, so a sort over many rows looks
// each extension up once instead of twice in the registry per row.
class CTypeTexts {
public:
    const std::string& For(const CBrennaItem& item) {
        if (!item.IsFile()) {
            if (!m_haveFolder) {
                m_folder = FolderTypeText();
                m_haveFolder = true;
            }
            return m_folder;
        }
        std::string extension = ExtensionOf(NameText(item));
        auto found = m_files.find(extension);
        if (found == m_files.end())
            found = m_files.emplace(extension, FileTypeText(extension)).first;
        return found->second;
    }

private:
    std::map<std::string, std::string> m_files;
    std::string m_folder;
    bool m_haveFolder = false;
};

uint64_t TimeValue(const FILETIME& t) {
    return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

// A folded text: where its characters lie in the key set's one buffer (so building keys for many
// rows costs no allocation per row), and its first four characters packed high to low, which
// decide most comparisons without touching the buffer. Folded characters are never 0, so the
// zero padding of a shorter text orders it first.
struct FoldedText {
    uint64_t head = 0;
    uint32_t at = 0;
    uint32_t length = 0;
};

// What one row is sorted by, read from its item once.
struct SortKey {
    FoldedText name;     // the Name text: the Name column and the tie-breaks
    FoldedText text;     // Location, Type or Description
    uint64_t value = 0;  // Save or Update time, Size, or the generation number
    int32_t fileFlag = 0;
};

class CSortKeys {
public:
    explicit CSortKeys(int column) : m_column(column), m_fold(util::CCaseFold::Get()) {}

    SortKey Make(const CBrennaItem& item) {
        SortKey key;
        key.fileFlag = static_cast<int32_t>(item.m_fileFlag);
        const std::string& source = item.m_source;
        const char* begin = source.c_str();
        const char* end = begin + source.size();
        size_t slash = LastBackslash(source);
        if (NeedsName())
            key.name = Fold(slash == std::string::npos ? begin : begin + slash + 1, end);
        switch (m_column) {
            case kColLocation:
                if (slash != std::string::npos) key.text = Fold(begin, begin + slash);
                break;
            case kColSave:
                key.value = TimeValue(item.m_evacuationTime);
                break;
            case kColBrn:
                key.value = item.m_generation;
                break;
            case kColSize:
                key.value = item.GetSize();
                break;
            case kColType:
                key.text = Fold(item.m_typeText);
                break;
            case kColUpdate:
                key.value = item.IsFile() ? TimeValue(item.m_lastWriteTime) : 0;
                break;
            case kColDescription:
                key.text = Fold(item.m_description);
                break;
            default:
                break;
        }
        return key;
    }

    // Three-way comparison: folders and files apart unless sortAny (except by Size), then the
    // column's key, then the Name for the columns that break ties by it. Descending swaps the
    // two keys throughout.
    int Compare(const SortKey& first, const SortKey& second, bool ascending, bool sortAny) const {
        const SortKey& a = ascending ? first : second;
        const SortKey& b = ascending ? second : first;
        if (m_column != kColSize && !sortAny && a.fileFlag != b.fileFlag)
            return Three(a.fileFlag, b.fileFlag);
        int result = 0;
        switch (m_column) {
            case kColName:
                return ByName(a, b);
            case kColLocation:
            case kColType:
                return ByText(a, b);
            case kColSave:
            case kColSize:
                return Three(a.value, b.value);
            case kColBrn:
                result = Three(static_cast<int32_t>(a.value), static_cast<int32_t>(b.value));
                break;
            case kColUpdate:
                result = Three(a.value, b.value);
                break;
            case kColDescription:
                result = ByText(a, b);
                break;
            default:
                break;
        }
        return result != 0 ? result : ByName(a, b);
    }

private:
    template <typename T>
    static int Three(T a, T b) {
        return (a > b) - (a < b);
    }

    bool NeedsName() const {
        return m_column == kColName || m_column == kColBrn || m_column == kColUpdate ||
               m_column == kColDescription;
    }

    FoldedText Fold(const char* begin, const char* end) {
        FoldedText folded;
        folded.at = static_cast<uint32_t>(m_chars.size());
        m_fold.AppendFolded(begin, end, m_chars);
        folded.length = static_cast<uint32_t>(m_chars.size()) - folded.at;
        for (uint32_t i = 0; i < 4; ++i) {
            uint64_t c = i < folded.length ? m_chars[folded.at + i] : 0;
            folded.head |= c << (48 - 16 * i);
        }
        return folded;
    }
    FoldedText Fold(const std::string& text) {
        return Fold(text.c_str(), text.c_str() + text.size());
    }

    // The folded characters compare as unsigned 16-bit values; a text that ends first is less.
    int ByText(const FoldedText& a, const FoldedText& b) const {
        if (a.head != b.head) return Three(a.head, b.head);
        std::u16string_view x(m_chars.data() + a.at, a.length), y(m_chars.data() + b.at, b.length);
        int r = x.compare(y);
        return (r > 0) - (r < 0);
    }
    int ByName(const SortKey& a, const SortKey& b) const { return ByText(a.name, b.name); }
    int ByText(const SortKey& a, const SortKey& b) const { return ByText(a.text, b.text); }

    int m_column;
    const util::CCaseFold& m_fold;
    std::u16string m_chars;
};

}  // namespace

std::string NameText(const CBrennaItem& item) { return util::NameOf(item.m_source); }

std::string LocationText(const CBrennaItem& item) {
    size_t slash = LastBackslash(item.m_source);
    return slash == std::string::npos ? std::string() : item.m_source.substr(0, slash);
}

std::string SaveText(const CBrennaItem& item) { return TimeText(item.m_evacuationTime); }

std::string BrnText(const CBrennaItem& item) {
    if (item.m_generation == 0) return {};
    char text[16];
    wsprintfA(text, "%u", item.m_generation);
    return text;
}

std::string SizeText(DWORD size) {
    constexpr DWORD kKB = 1024, kMB = kKB * 1024, kGB = kMB * 1024;
    if (size < kKB) return fw::FormatStr(IDS_SIZE_BYTES, size);
    UINT id = IDS_SIZE_KB;
    DWORD unit = kKB;
    if (size >= kGB) {
        id = IDS_SIZE_GB;
        unit = kGB;
    } else if (size >= kMB) {
        id = IDS_SIZE_MB;
        unit = kMB;
    }
    DWORD count = size / unit + (size % unit >= unit / 2 ? 1 : 0);
    return fw::FormatStr(id, count);
}

std::string TypeText(const CBrennaItem& item) {
    if (!item.IsFile()) return FolderTypeText();
    return FileTypeText(ExtensionOf(NameText(item)));
}

std::string UpdateText(const CBrennaItem& item) {
    return item.IsFile() ? TimeText(item.m_lastWriteTime) : std::string();
}

const std::string& EnsureTypeText(CBrennaItem& item) {
    if (item.m_typeText.empty()) item.m_typeText = TypeText(item);
    return item.m_typeText;
}

std::string CellText(CBrennaItem& item, int column) {
    switch (column) {
        case kColName:
            return NameText(item);
        case kColLocation:
            return LocationText(item);
        case kColSave:
            return SaveText(item);
        case kColBrn:
            return BrnText(item);
        case kColSize:
            return item.IsFile() ? SizeText(item.GetSize()) : std::string();
        case kColType:
            return EnsureTypeText(item);
        case kColUpdate:
            return UpdateText(item);
        case kColDescription:
            return item.m_description;
        default:
            return {};
    }
}

int Compare(int column, const CBrennaItem& a, const CBrennaItem& b, bool ascending, bool sortAny) {
    if (column < 0 || column >= kColumnCount) return 0;
    CSortKeys keys(column);
    SortKey first = keys.Make(a);
    SortKey second = keys.Make(b);
    return keys.Compare(first, second, ascending, sortAny);
}

void SortRows(std::vector<CBrennaItem*>& rows, int column, bool ascending, bool sortAny) {
    if (column < 0 || column >= kColumnCount) column = kColName;
    if (column == kColType) {
        CTypeTexts types;
        for (CBrennaItem* item : rows)
            if (item->m_typeText.empty()) item->m_typeText = types.For(*item);
    }
    struct Row {
        SortKey key;
        CBrennaItem* item;
    };
    CSortKeys keys(column);
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (CBrennaItem* item : rows) sorted.push_back({keys.Make(*item), item});
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Row& x, const Row& y) {
        return keys.Compare(x.key, y.key, ascending, sortAny) < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = sorted[i].item;
}

}  // namespace view
