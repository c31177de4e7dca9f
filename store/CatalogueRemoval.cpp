// Taking an item out of the catalogue in two steps, so that the catalogue on disk can give the
// record up before its copy goes.
#include <algorithm>

#include "store/BrnDataFile.h"
#include "store/DataFile.h"

std::unique_ptr<CBrennaItem> CDataFile::DetachItem(CBrennaItem* item, size_t& index) {
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [item](const auto& p) { return p.get() == item; });
    if (it == m_items.end()) return nullptr;
    index = static_cast<size_t>(it - m_items.begin());
    std::unique_ptr<CBrennaItem> held = std::move(*it);
    // Erasing never gives memory back, so putting the item back cannot fail for want of it.
    m_items.erase(it);
    m_changed = true;
    return held;
}

void CDataFile::ReinsertItem(std::unique_ptr<CBrennaItem> item, size_t index) {
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(std::min(index, m_items.size())),
                   std::move(item));
    m_changed = true;
}

void CDataFile::ReleaseDetached(CBrennaItem& item) {
    CBrnDataFile* history = item.m_pHistory;
    if (!history) return;
    history->UnlinkItem(&item);
    item.m_pHistory = nullptr;
    if (history->PackCount() > 0) return;
    auto h = std::find_if(m_histories.begin(), m_histories.end(),
                          [history](const auto& p) { return p.get() == history; });
    if (h == m_histories.end()) return;
    // Other items still pointing at it would dangle; unlink them first.
    for (auto& other : m_items)
        if (other->m_pHistory == history) other->m_pHistory = nullptr;
    m_histories.erase(h);
}
