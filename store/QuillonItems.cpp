// Loading the extension's item tree, within bounds that a misbehaving extension cannot break.
#include "store/QuillonItems.h"

namespace {

constexpr DWORD kRootParam = 42;

// Closes an enumeration however the loading ends.
class CEnumeration {
public:
    CEnumeration(const CQuillonWrapper& bridge, DWORD handle) : m_bridge(bridge), m_h(handle) {}
    ~CEnumeration() { m_bridge.CloseChildren(m_h); }
    CEnumeration(const CEnumeration&) = delete;
    CEnumeration& operator=(const CEnumeration&) = delete;

private:
    const CQuillonWrapper& m_bridge;
    DWORD m_h;
};

}  // namespace

int CPopupItem::LoadChildren(const CQuillonWrapper& bridge, DWORD param, QuiItemMap& map, int depth,
                             int& budget) {
    DWORD handle = bridge.OpenChildren(static_cast<WORD>(m_nId), param);
    if (!handle) return -1;
    CEnumeration open(bridge, handle);
    CQuillonWrapper::Child child;
    for (int seen = 0; seen < kMaxChildren && budget > 0 && bridge.NextChild(handle, child);
         ++seen) {
        --budget;
        // An entry without a caption could not be shown.
        if (!child.hasCaption) continue;
        if (child.Kind() == CQuillonWrapper::kKindPopup) {
            auto popup = std::make_unique<CPopupItem>();
            popup->m_caption = child.caption;
            popup->m_nId = child.id;
            // Nesting deeper than the bound is not followed: that submenu stays empty.
            if (depth < kMaxDepth &&
                popup->LoadChildren(bridge, child.param, map, depth + 1, budget) < 0)
                return -1;
            m_children.push_back(std::move(popup));
        } else {
            // Each id stands for one path only, and only ids whose command stays in the range
            // of the extension's commands are taken.
            if (child.id > kMaxCommandId || map.count(static_cast<WORD>(child.id))) continue;
            auto value = std::make_unique<CValueItem>(child.word);
            value->m_caption = child.caption;
            value->m_nId = child.id;
            map[static_cast<WORD>(child.id)] = value.get();
            m_children.push_back(std::move(value));
        }
    }
    return static_cast<int>(m_children.size());
}

std::unique_ptr<CPopupItem> CreateItemTree(const CQuillonWrapper* bridge, QuiItemMap& map) {
    if (!bridge || !bridge->IsLoaded()) return nullptr;
    auto root = std::make_unique<CPopupItem>();
    root->m_caption = "ROOT";
    root->m_nId = 0;
    int budget = CPopupItem::kMaxItems;
    if (root->LoadChildren(*bridge, kRootParam, map, 0, budget) < 0) {
        map.clear();
        return nullptr;
    }
    return root;
}
