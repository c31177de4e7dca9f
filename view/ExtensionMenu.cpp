// Building the extension's submenu, putting it into a menu, and carrying out its commands.
#include "view/ExtensionMenu.h"

#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "view/BrennaView.h"
#include "view/LongOperation.h"

namespace view {

HMENU BuildMenu(const CPopupItem& item, int& count) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    int made = 0;
    for (const auto& child : item.m_children) {
        if (child->IsPopup()) {
            int inner = 0;
            HMENU sub = BuildMenu(static_cast<const CPopupItem&>(*child), inner);
            if (!sub) continue;
            // An empty submenu is left out and takes no position.
            if (inner <= 0) {
                DestroyMenu(sub);
                continue;
            }
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_SUBMENU | MIIM_STRING;
            info.hSubMenu = sub;
            info.dwTypeData = const_cast<char*>(child->m_caption.c_str());
            if (InsertMenuItemA(menu, made, TRUE, &info))
                ++made;
            else
                DestroyMenu(sub);
        } else if (AppendMenuA(menu, MF_STRING, ID_QUILLON_ITEM_FIRST + child->m_nId,
                               child->m_caption.c_str())) {
            ++made;
        }
    }
    count += made;
    return menu;
}

}  // namespace view

BOOL CBrennaView::RebuildExtensionMenu(HMENU menu, BOOL inserted) {
    // A menu holding the submenu owns it (destroying the menu destroys it too), so the one taken
    // out is destroyed here; the File menu holds a separator at that place otherwise, which a
    // stale flag must not remove.
    if (inserted) {
        if (HMENU old = GetSubMenu(menu, view::kExtensionMenuPos)) {
            RemoveMenu(menu, view::kExtensionMenuPos, MF_BYPOSITION);
            DestroyMenu(old);
        }
    }
    m_quiMap.clear();
    m_quiTree.reset();
    m_quiTree = CreateItemTree(m_quillon, m_quiMap);
    if (!m_quiTree) return FALSE;
    int count = 0;
    HMENU sub = view::BuildMenu(*m_quiTree, count);
    if (!sub) return FALSE;
    if (count <= 0) {
        DestroyMenu(sub);
        return FALSE;
    }
    std::string caption = fw::LoadStr(IDS_QUILLON_ITEMS);
    if (!InsertMenuA(menu, view::kExtensionMenuPos, MF_BYPOSITION | MF_POPUP,
                     reinterpret_cast<UINT_PTR>(sub), caption.c_str())) {
        DestroyMenu(sub);
        return FALSE;
    }
    return TRUE;
}

void CBrennaView::OnExtensionItem(UINT id) {
    auto found = m_quiMap.find(static_cast<WORD>(id - ID_QUILLON_ITEM_FIRST));
    if (found == m_quiMap.end()) {
        fw::MessageId(IDS_QUILLON_ITEM_FAILED);
        return;
    }
    std::string path;
    if (!m_quillon || !m_quillon->ItemPath(found->second->m_nId, path)) return;
    // As a drop does: under the repository's mutex, a failure reported, the catalogue saved.
    view::RunLongOperation(Owner(), *m_repo, IDS_PROGRESS_EVACUATING,
                           [&] { m_repo->DispatchPaths({path}, true); });
}
