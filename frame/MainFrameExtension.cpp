// The frame's share of the extension: its Help item and the File menu's extension submenu.
#include "frame/MainFrame.h"
#include "fw/Strings.h"
#include "resource.h"

namespace {

// The menu bar's fourth popup, "&Help", and the places of the extension's item in it.
constexpr int kHelpPopup = 3;
constexpr int kQuillonHelpPos = 2;
constexpr int kQuillonHomepagePos = 5;

}  // namespace

void CMainFrame::InsertQuillonHelpItem() {
    HMENU help = GetSubMenu(GetMenu(m_hWnd), kHelpPopup);
    if (m_quillon) {
        std::string text = fw::LoadStr(IDS_QUILLON_HELP);
        InsertMenuA(help, kQuillonHelpPos, MF_BYPOSITION | MF_STRING, ID_HELP_QUILLON,
                    text.c_str());
    } else {
        SetActiveWindow(m_hWnd);
        std::string text = fw::LoadStr(IDS_QUILLON_HOMEPAGE);
        InsertMenuA(help, kQuillonHomepagePos, MF_BYPOSITION | MF_STRING, ID_HELP_QUILLON,
                    text.c_str());
    }
    DrawMenuBar(m_hWnd);
}

void CMainFrame::OnFileMenuOpening(HMENU menu, UINT index) {
    // WM_INITMENUPOPUP also arrives for the context menu, which the frame receives the commands
    // of and whose first item is Restore too; only the menu bar's own File menu is meant.
    if (index != 0 || menu != GetSubMenu(GetMenu(m_hWnd), 0)) return;
    if (GetMenuItemID(menu, 0) != ID_FILE_RESTORE) return;
    m_bExtensionMenu = m_view.RebuildExtensionMenu(menu, m_bExtensionMenu);
}
