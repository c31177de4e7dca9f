// The commands the list carries out on its selected rows: restore, write, delete, select all,
// and the context menu.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <algorithm>

#include "view/PropertyDialog.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "util/FileUtil.h"
#include "view/BrennaView.h"
#include "view/LongOperation.h"
#include "view/RowModel.h"

namespace {

constexpr UINT kAsk = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;

}  // namespace

std::string CBrennaView::NameTextOf(int row) const { return view::NameText(*m_rows[row]); }

void CBrennaView::OnRestore() {
    int n = SelectedCount();
    if (n >= 2 && fw::MessageText(fw::FormatStr(IDS_RESTORE_MANY, n), kAsk) != IDYES) return;
    std::vector<std::pair<CBrennaItem*, std::string>> items;
    for (int row = NextSelected(-1); row >= 0; row = NextSelected(row)) {
        std::string name = NameTextOf(row);
        if (n == 1 && fw::MessageText(fw::FormatStr(IDS_RESTORE_ONE, name.c_str()), kAsk) != IDYES)
            return;
        items.emplace_back(m_rows[row], name);
    }
    // All of them in one operation, with one progress window; the first failure ends it.
    std::string failed;
    util::CProgressMeter& meter = m_repo->Progress();
    view::RunLongOperation(Owner(), *m_repo, IDS_PROGRESS_RESTORING, [&] {
        for (const auto& [item, name] : items)
            if (!item->WriteOut(item->m_source.c_str(), &meter)) {
                failed = name;
                return;
            }
    });
    if (meter.IsCancelled()) {
        util::ProgressReport done = meter.Snapshot();
        fw::MessageText(fw::FormatStr(IDS_RESTORE_CANCELLED, static_cast<UINT>(done.filesDone),
                                      static_cast<UINT>(done.filesTotal)),
                        MB_OK | MB_ICONINFORMATION);
    } else if (!failed.empty())
        fw::MessageText(fw::FormatStr(IDS_RESTORE_FAILED, failed.c_str()), MB_OK | MB_ICONSTOP);
}

void CBrennaView::TellCancelledWrite(const std::string& target) {
    util::ProgressReport done = m_repo->Progress().Snapshot();
    fw::MessageText(fw::FormatStr(IDS_WRITE_CANCELLED, static_cast<UINT>(done.filesDone),
                                  static_cast<UINT>(done.filesTotal), target.c_str()),
                    MB_OK | MB_ICONINFORMATION);
}

BOOL CBrennaView::WriteOutWithProgress(CBrennaItem& item, const std::string& target) {
    BOOL written = FALSE;
    view::RunLongOperation(Owner(), *m_repo, IDS_PROGRESS_WRITING,
                           [&] { written = item.WriteOut(target.c_str(), &m_repo->Progress()); });
    return written;
}

void CBrennaView::OnWrite() {
    HWND owner = Owner();
    for (int row = NextSelected(-1); row >= 0; row = NextSelected(row)) {
        CBrennaItem* item = m_rows[row];
        if (item->IsFile()) {
            std::string target = item->m_source;
            if (!fw::Prompt().SaveFile(owner, target)) continue;
            if (!WriteOutWithProgress(*item, target)) {
                if (m_repo->Progress().IsCancelled()) {
                    TellCancelledWrite(target);
                    return;
                }
                fw::MessageId(IDS_FAILED_WRITE_FILE);
            }
            continue;
        }
        // Start the browser in the folder the evacuated folder stood in.
        std::string folder = item->m_source.substr(0, view::LocationText(*item).size());
        std::string name = NameTextOf(row);
        std::string target;
        for (;;) {
            int answer = fw::Prompt().BrowseFolder(owner, fw::LoadStr(IDS_SELECT_FOLDER), folder);
            if (answer == IDCANCEL) break;
            if (answer != IDOK) {
                fw::MessageId(IDS_SYSTEM_ERROR);
                break;
            }
            target = util::JoinPath(folder, name);
            if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) break;
            int overwrite = fw::MessageText(fw::FormatStr(IDS_OVERWRITE_EXISTING, target.c_str()),
                                            MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
            if (overwrite == IDYES) break;
            target.clear();
            if (overwrite == IDCANCEL) break;
            // No: browse again, starting at the folder that is in the way.
            folder = util::JoinPath(folder, name);
        }
        if (target.empty()) continue;
        if (target.size() >= MAX_PATH) {
            fw::MessageId(IDS_FAILED_WRITE_FILE);
        } else if (!WriteOutWithProgress(*item, target)) {
            if (m_repo->Progress().IsCancelled()) {
                TellCancelledWrite(target);
                return;
            }
            fw::MessageId(IDS_FAILED_WRITE_FILE);
        }
    }
}

void CBrennaView::OnDelete() {
    int n = SelectedCount();
    if (n >= 2 && !m_bQuietDelete &&
        fw::MessageText(fw::FormatStr(IDS_DELETE_MANY, n), kAsk) != IDYES)
        return;
    fw::CWaitCursor wait;
    for (int row = NextSelected(-1); row >= 0;) {
        std::string name = NameTextOf(row);
        if (n == 1 && fw::MessageText(fw::FormatStr(IDS_DELETE_ONE, name.c_str()), kAsk) != IDYES)
            break;
        // The repository tells this view to take the row away with its item, so the rows after
        // it move up one place.
        if (!m_repo->DeleteItem(m_rows[row])) {
            fw::MessageText(fw::FormatStr(IDS_DELETE_FAILED, name.c_str()), MB_OK | MB_ICONSTOP);
            break;
        }
        row = NextSelected(row - 1);
    }
    m_nShown = static_cast<int>(m_repo->Count());
}

void CBrennaView::OnProperty() {
    int row = NextSelected(-1);
    if (row < 0) return;
    view::ShowItemProperties(*m_rows[row], m_hWnd, -1, Owner(), m_help);
}

void CBrennaView::SelectAll() {
    // Rows added while this runs are selected too: the count is read at every step.
    for (int row = 0; row < ListView_GetItemCount(m_hWnd); ++row)
        ListView_SetItemState(m_hWnd, row, LVIS_SELECTED, LVIS_SELECTED);
}

POINT CBrennaView::ContextMenuAnchor() const {
    POINT anchor{0, 0};
    RECT client;
    GetClientRect(m_hWnd, &client);
    int half = GetSystemMetrics(SM_CXSMICON) / 2;
    DWORD style = ListStyle();
    for (int row = NextSelected(-1); row >= 0; row = NextSelected(row)) {
        RECT r{};
        if (!ListView_GetItemRect(m_hWnd, row, &r, LVIR_BOUNDS)) continue;
        POINT p;
        if (style == LVS_REPORT)
            p.x = half;
        else if (style == LVS_LIST)
            p.x = r.left + half;
        else
            p.x = r.left + (r.right - r.left) / 2;
        p.y = r.bottom - (r.bottom - r.top) / 2;
        if (PtInRect(&client, p)) anchor = p;
    }
    return anchor;
}

void CBrennaView::OnContextMenu(POINT screen) {
    int n = SelectedCount();
    if (n == 0) return;
    POINT at;
    if (screen.x == -1 && screen.y == -1) {
        at = ContextMenuAnchor();
    } else {
        at = screen;
        ScreenToClient(m_hWnd, &at);
    }
    RECT wr;
    GetWindowRect(m_hWnd, &wr);
    at.x += wr.left;
    at.y += wr.top;

    HMENU menu = BuildContextMenu();
    if (!menu) return;
    // The chosen command comes back to the frame and runs through the same command table.
    HWND frame = GetParent(m_hWnd);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, at.x, at.y, 0, frame, nullptr);
    PostMessageA(frame, WM_NULL, 0, 0);
    PostMessageA(m_hWnd, WM_NULL, 0, 0);
    // Destroying the menu destroys the extension submenu in it too.
    DestroyMenu(menu);
}

HMENU CBrennaView::BuildContextMenu() {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
    if (!menu) return nullptr;
    int n = SelectedCount();
    HMENU popup = GetSubMenu(menu, 0);
    if (n > 1) EnableMenuItem(popup, ID_FILE_PROPERTY, MF_BYCOMMAND | MF_GRAYED);
    if (!CanPaste()) EnableMenuItem(popup, ID_EDIT_PASTE, MF_BYCOMMAND | MF_GRAYED);
    bool ascending = true;
    m_header.GetSortColumn(&ascending);
    CheckMenuItem(popup, ascending ? ID_SORT_ASCENDING : ID_SORT_DESCENDING,
                  MF_BYCOMMAND | MF_CHECKED);
    const struct {
        DWORD style;
        UINT id;
    } styles[] = {{LVS_ICON, ID_VIEW_LARGEICON},
                  {LVS_SMALLICON, ID_VIEW_SMALLICON},
                  {LVS_LIST, ID_VIEW_LIST},
                  {LVS_REPORT, ID_VIEW_DETAILS}};
    for (const auto& s : styles)
        if (s.style == ListStyle())
            CheckMenuRadioItem(popup, s.id, s.id, s.id, MF_BYCOMMAND);
    // The extension submenu goes in at position 4 and moves the backup definition submenu on.
    HMENU backup = GetSubMenu(popup, RebuildExtensionMenu(popup, FALSE) ? 5 : 4);
    bool oneRun = n == 1 && m_rows[NextSelected(-1)]->IsBackupRun();
    if (!oneRun) EnableMenuItem(backup, ID_BRN_RESTORE, MF_BYCOMMAND | MF_GRAYED);
    if (!m_repo->Settings().brnFile) {
        for (UINT id : {ID_BRN_CREATE, ID_BRN_OPEN, ID_BRN_RESTORE})
            EnableMenuItem(backup, id, MF_BYCOMMAND | MF_GRAYED);
    }
    return menu;
}

