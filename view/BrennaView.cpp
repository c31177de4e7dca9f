// The catalogue list: owner-data rows, columns, sorting, stored view state and icons.
#include "view/BrennaView.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <unordered_set>

#include "fw/Strings.h"
#include "resource.h"
#include "view/BrnCommands.h"
#include "view/EmptyHint.h"
#include "view/PropertyDialog.h"
#include "view/RowModel.h"
#include "view/ViewState.h"

CBrennaView::~CBrennaView() {
    if (m_repo && m_repo->Observer() == this) m_repo->SetObserver(nullptr);
    if (m_headerImages) ImageList_Destroy(m_headerImages);
    // The list owns its normal and small image lists only with LVS_SHAREIMAGELISTS clear;
    // it is created with that style, so they are ours to free.
    if (m_largeImages) ImageList_Destroy(m_largeImages);
    if (m_smallImages) ImageList_Destroy(m_smallImages);
    if (m_dataSource) m_dataSource->Release();
}

bool CBrennaView::Create(HWND frame, CRepository& repository, const fw::CProfile& profile,
                         std::function<void(DWORD)> help) {
    m_repo = &repository;
    m_profile = &profile;
    m_help = std::move(help);
    m_hWnd = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                                 LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                             0, 0, 0, 0, frame, reinterpret_cast<HMENU>(IDW_PANE_FIRST),
                             GetModuleHandleA(nullptr), nullptr);
    if (!m_hWnd) return false;
    m_repo->SetObserver(this);
    ListView_SetExtendedListViewStyle(m_hWnd, LVS_EX_HEADERDRAGDROP);
    // The list itself answers the context menu, focus loss and the property dialog's notice.
    SetWindowSubclass(m_hWnd, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // Refuses drops on the list; without OLE in this thread there is nothing to refuse.
    RegisterDragDrop(m_hWnd, &m_dropTarget);
    HWND header = ListView_GetHeader(m_hWnd);
    return header && m_header.Attach(header);
}

void CBrennaView::OnInitialUpdate() {
    m_largeImages = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                     ILC_COLOR24 | ILC_MASK, 4, 4);
    m_smallImages = ImageList_Create(GetSystemMetrics(SM_CXSMICON),
                                     GetSystemMetrics(SM_CYSMICON), ILC_COLOR24 | ILC_MASK, 4, 4);
    ListView_SetImageList(m_hWnd, m_largeImages, LVSIL_NORMAL);
    ListView_SetImageList(m_hWnd, m_smallImages, LVSIL_SMALL);
    SetListStyle(LVS_REPORT);

    const fw::CProfile& profile = *m_profile;
    auto widths = view::ReadColumnWidths(profile);
    for (int i = 0; i < view::kColumnCount; ++i) {
        std::string heading = fw::LoadStr(view::kColumns[i].headingId);
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = view::kColumns[i].align == view::Align::right ? LVCFMT_RIGHT : LVCFMT_LEFT;
        col.cx = widths[i];
        col.pszText = heading.data();
        col.iSubItem = i;
        SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    m_headerImages = ImageList_LoadImageA(GetModuleHandleA(nullptr),
                                          MAKEINTRESOURCEA(IDB_SORT_ARROWS), 7, 1,
                                          RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (m_headerImages)
        SendMessageA(ListView_GetHeader(m_hWnd), HDM_SETIMAGELIST, 0,
                     reinterpret_cast<LPARAM>(m_headerImages));

    AddNewRows();
    int column;
    bool ascending;
    view::ReadSort(profile, column, ascending);
    Sort(column, ascending);
    SendMessageA(GetParent(m_hWnd), WM_RESTORE_PLACEMENT, 0, 0);
    SetListStyle(view::ReadStyle(profile));
    m_cfDropEffect = RegisterClipboardFormatA("Preferred DropEffect");
    m_cfPrivate = RegisterClipboardFormatA("Brennahold Evac Files Data");
}

void CBrennaView::AddNewRows() {
    for (size_t i = m_nShown; i < m_repo->Count(); ++i) {
        CBrennaItem* item = m_repo->Item(i);
        view::EnsureTypeText(*item);
        m_rows.push_back(item);
    }
    m_nShown = static_cast<int>(m_repo->Count());
    SetRowCount();
}

void CBrennaView::OnItemsAdded(size_t, size_t count, bool evacuated) {
    AddNewRows();
    if (!evacuated || count == 0 || !m_repo->Settings().askAlways || m_rows.empty()) return;
    // New rows are appended unsorted, so the newest item is on the last row.
    int row = RowCount() - 1;
    view::ShowItemProperties(*m_rows[row], m_hWnd, row, Owner(), m_help);
}

void CBrennaView::OnItemChanged(CBrennaItem& item) {
    auto it = std::find(m_rows.begin(), m_rows.end(), &item);
    if (it == m_rows.end()) return;
    int row = static_cast<int>(it - m_rows.begin());
    ListView_RedrawItems(m_hWnd, row, row);
}

void CBrennaView::OnItemRemoved(CBrennaItem& item) {
    m_imageByItem.erase(&item);
    auto it = std::find(m_rows.begin(), m_rows.end(), &item);
    if (it == m_rows.end()) return;
    // An owner-data list keeps the other rows' indices and selection right through
    // LVM_DELETEITEM, so the row goes at once and nothing can reach it after its item is gone.
    int row = static_cast<int>(it - m_rows.begin());
    m_rows.erase(it);
    ListView_DeleteItem(m_hWnd, row);
    if (m_nShown > 0) --m_nShown;
}

HWND CBrennaView::Owner() const { return GetAncestor(m_hWnd, GA_ROOT); }

void CBrennaView::SetRowCount() {
    ListView_SetItemCountEx(m_hWnd, static_cast<int>(m_rows.size()),
                            LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CBrennaView::OnDestroy() {
    RevokeDragDrop(m_hWnd);
    std::vector<int> widths;
    HWND header = ListView_GetHeader(m_hWnd);
    int count = header ? Header_GetItemCount(header) : 0;
    for (int i = 0; i < count; ++i) {
        RECT r{};
        Header_GetItemRect(header, i, &r);
        widths.push_back(r.right - r.left);
    }
    bool ascending = true;
    int column = m_header.GetSortColumn(&ascending);
    view::WriteViewState(*m_profile, widths, column, ascending,
                         static_cast<int>(ListStyle()));
}

int CBrennaView::ImageFor(CBrennaItem* item) {
    auto known = m_imageByItem.find(item);
    if (known != m_imageByItem.end()) return known->second;
    view::IconSource source = view::IconSourceFor(*item);
    int image;
    auto shared = m_imageByKey.find(source.key);
    if (shared != m_imageByKey.end()) {
        image = shared->second;
    } else {
        image = AddImagePair(source);
        // A missing icon is not remembered, so a later request tries again.
        if (image < 0) return -1;
        m_imageByKey.emplace(source.key, image);
    }
    m_imageByItem.emplace(item, image);
    return image;
}

int CBrennaView::AddImagePair(const view::IconSource& source) {
    HICON large = m_loadIcon(source, true);
    HICON small = m_loadIcon(source, false);
    int image = -1;
    // The list draws one index from both lists, so an icon added to only one of them would
    // shift every later row onto its neighbour's icon.
    if (large && small) {
        image = ImageList_ReplaceIcon(m_largeImages, -1, large);
        if (image >= 0) {
            int smallImage = ImageList_ReplaceIcon(m_smallImages, -1, small);
            if (smallImage != image) {
                if (smallImage >= 0) ImageList_Remove(m_smallImages, smallImage);
                ImageList_Remove(m_largeImages, image);
                image = -1;
            }
        }
    }
    if (large) DestroyIcon(large);
    if (small) DestroyIcon(small);
    return image;
}

bool CBrennaView::OnNotify(NMHDR* nm, LRESULT* result) {
    if (nm->hwndFrom != m_hWnd) return false;
    switch (nm->code) {
        case LVN_GETDISPINFOA: {
            auto* di = reinterpret_cast<NMLVDISPINFOA*>(nm);
            LVITEMA& it = di->item;
            if (it.iItem < 0 || it.iItem >= RowCount()) return true;
            CBrennaItem* item = m_rows[it.iItem];
            if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
                m_dispText = view::CellText(*item, it.iSubItem);
                lstrcpynA(it.pszText, m_dispText.c_str(), it.cchTextMax);
            }
            if (it.mask & LVIF_IMAGE) it.iImage = ImageFor(item);
            if (it.mask & LVIF_PARAM) it.lParam = reinterpret_cast<LPARAM>(item);
            *result = 0;
            return true;
        }
        case LVN_ODFINDITEMA: {
            // Typing in the list jumps to the next row whose Name starts with what was typed,
            // as in a list that holds its own rows.
            auto* find = reinterpret_cast<NMLVFINDITEMA*>(nm);
            *result = FindRowByName(find->lvfi.flags, find->lvfi.psz, find->iStart);
            return true;
        }
        case LVN_ODFINDITEMW: {
            // Wine's list asks in Unicode even of an ANSI parent.
            auto* find = reinterpret_cast<NMLVFINDITEMW*>(nm);
            std::string text;
            if (find->lvfi.psz) {
                char buf[MAX_PATH];
                if (WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, buf, MAX_PATH, nullptr,
                                        nullptr))
                    text = buf;
            }
            *result = FindRowByName(find->lvfi.flags, find->lvfi.psz ? text.c_str() : nullptr,
                                    find->iStart);
            return true;
        }
        case LVN_BEGINDRAG:
            OnBeginDrag(reinterpret_cast<NMLISTVIEW*>(nm)->ptAction);
            *result = 0;
            return true;
        case LVN_COLUMNCLICK: {
            auto* lv = reinterpret_cast<NMLISTVIEW*>(nm);
            bool ascending = true;
            int sorted = m_header.GetSortColumn(&ascending);
            Sort(lv->iSubItem, lv->iSubItem == sorted ? !ascending : true);
            *result = 0;
            return true;
        }
        default:
            return false;
    }
}

int CBrennaView::FindRowByName(UINT flags, const char* text, int start) const {
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !text || m_rows.empty()) return -1;
    std::string wanted = text;
    bool partial = (flags & LVFI_PARTIAL) != 0;
    int count = RowCount();
    if (start < 0 || start >= count) start = 0;
    for (int n = 0; n < count; ++n) {
        int row = (start + n) % count;
        if (!(flags & LVFI_WRAP) && row < start) break;
        std::string name = view::NameText(*m_rows[row]);
        size_t len = partial ? wanted.size() : std::max(wanted.size(), name.size());
        if (name.size() < wanted.size()) continue;
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(),
                           static_cast<int>(std::min(len, name.size())), wanted.c_str(),
                           static_cast<int>(wanted.size())) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

void CBrennaView::Sort(int column, bool ascending) {
    if (column < 0 || column >= view::kColumnCount) column = 0;
    m_header.SetSortColumn(column, ascending);
    // An owner-data list keeps selection by index; carry it over to the items' new places.
    std::unordered_set<const CBrennaItem*> selected;
    for (int r = NextSelected(-1); r >= 0; r = NextSelected(r)) selected.insert(m_rows[r]);
    int focusedRow = ListView_GetNextItem(m_hWnd, -1, LVNI_FOCUSED);
    const CBrennaItem* focused = focusedRow >= 0 && focusedRow < RowCount() ? m_rows[focusedRow] : nullptr;
    view::SortRows(m_rows, column, ascending, m_repo->Settings().sortAny);
    ListView_SetItemState(m_hWnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int r = 0; r < RowCount(); ++r) {
        UINT state = (selected.count(m_rows[r]) ? LVIS_SELECTED : 0) |
                     (m_rows[r] == focused ? LVIS_FOCUSED : 0);
        if (state) ListView_SetItemState(m_hWnd, r, state, state);
    }
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CBrennaView::ReSort() {
    bool ascending = true;
    int column = m_header.GetSortColumn(&ascending);
    Sort(column, ascending);
}

void CBrennaView::SetListStyle(DWORD typeBits) {
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~LVS_TYPEMASK) | (typeBits & LVS_TYPEMASK));
    // SetWindowLong leaves the border and scroll bars as they were until SetWindowPos with
    // SWP_FRAMECHANGED, and the list only invalidates itself; RDW_UPDATENOW paints it all now
    // rather than half at the next unrelated repaint.
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(m_hWnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

DWORD CBrennaView::ListStyle() const { return GetWindowLongA(m_hWnd, GWL_STYLE) & LVS_TYPEMASK; }

int CBrennaView::NextSelected(int after) const {
    return ListView_GetNextItem(m_hWnd, after, LVNI_SELECTED);
}

int CBrennaView::SelectedCount() const { return ListView_GetSelectedCount(m_hWnd); }

bool CBrennaView::OnCommand(UINT id) {
    bool ascending = true;
    int column = m_header.GetSortColumn(&ascending);
    switch (id) {
        case ID_FILE_RESTORE: OnRestore(); return true;
        case ID_FILE_WRITE: OnWrite(); return true;
        case ID_FILE_DELETE: OnDelete(); return true;
        case ID_SORT_ASCENDING: Sort(column, true); return true;
        case ID_SORT_DESCENDING: Sort(column, false); return true;
        case ID_EDIT_SELECT_ALL: SelectAll(); return true;
        case ID_EDIT_COPY: OnCopy(); return true;
        case ID_EDIT_PASTE: OnPaste(); return true;
        case ID_FILE_PROPERTY: OnProperty(); return true;
        case ID_BRN_CREATE: view::CreateDefinition(Owner(), Help()); return true;
        case ID_BRN_OPEN: view::ModifyDefinition(Owner(), Help()); return true;
        case ID_BRN_RESTORE: {
            int row = NextSelected(-1);
            if (row >= 0 && SelectedCount() == 1 && m_rows[row]->IsBackupRun())
                view::RecreateDefinition(Owner(), *m_rows[row]);
            return true;
        }
        default:
            if (id >= ID_QUILLON_ITEM_FIRST && id <= ID_QUILLON_ITEM_LAST) {
                OnExtensionItem(id);
                return true;
            }
            return false;
    }
}

bool CBrennaView::OnUpdateCommand(fw::CCmdUI& ui) {
    bool ascending = true;
    m_header.GetSortColumn(&ascending);
    int selected = SelectedCount();
    switch (ui.id) {
        case ID_FILE_RESTORE:
        case ID_FILE_WRITE:
        case ID_FILE_DELETE:
        case ID_EDIT_COPY: ui.Enable(selected > 0); return true;
        case ID_EDIT_PASTE: ui.Enable(CanPaste()); return true;
        case ID_FILE_PROPERTY: ui.Enable(selected == 1); return true;
        case ID_BRN_CREATE:
        case ID_BRN_OPEN:
        case ID_BRN_RESTORE: {
            int row = NextSelected(-1);
            ui.Enable(view::IsDefinitionCommandEnabled(ui.id, m_repo->Settings().brnFile, selected,
                                                         row >= 0 ? m_rows[row] : nullptr));
            return true;
        }
        case ID_SORT_ASCENDING: ui.SetCheck(ascending); return true;
        case ID_SORT_DESCENDING: ui.SetCheck(!ascending); return true;
        case ID_EDIT_SELECT_ALL: ui.Enable(true); return true;
        default:
            if (ui.id >= ID_QUILLON_ITEM_FIRST && ui.id <= ID_QUILLON_ITEM_LAST) {
                ui.Enable(true);
                return true;
            }
            return false;
    }
}

LRESULT CALLBACK CBrennaView::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<CBrennaView*>(data);
    try {
        switch (msg) {
            case WM_CONTEXTMENU:
                self->OnContextMenu(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
                return 0;
            case WM_KILLFOCUS: {
                LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
                self->m_header.ClearMouseState();
                return r;
            }
            case WM_DESCRIPTION_CHANGED:
                return self->OnDescriptionChanged(static_cast<int>(static_cast<INT_PTR>(wp)));
            case WM_NCDESTROY:
                RemoveWindowSubclass(hwnd, ListProc, 0);
                break;
            case WM_PAINT:
            case WM_SIZE:
            case LVM_SETITEMCOUNT:
            case LVM_DELETEITEM:
            case LVM_DELETEALLITEMS:
            case LVM_INSERTITEMA:
            case LVM_INSERTITEMW:
                return view::EmptyHintMessage(hwnd, msg, wp, lp, DefSubclassProc);
            default: break;
        }
    } catch (...) {
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CBrennaView::OnDescriptionChanged(int row) {
    if (row < 0) row = NextSelected(-1);
    // The repository tells its observer, this list, which draws the row again.
    if (row >= 0 && row < RowCount()) m_repo->ItemChanged(*m_rows[row]);
    // A description does not mark the catalogue changed, so the save is forced; the user hears
    // when it fails, or the description would seem kept.
    m_repo->SaveOrTell(TRUE);
    return 0;
}
