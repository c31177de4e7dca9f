// The main window's list of the catalogue: an owner-data list view whose rows the view keeps in
// their sorted order, with texts and icons supplied on demand.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fw/Profile.h"
#include "fw/win/CmdUI.h"
#include "store/QuillonBridge.h"
#include "store/QuillonItems.h"
#include "store/Repository.h"
#include "store/TransferBlocks.h"
#include "store/TempDirectory.h"
#include "view/DragDrop.h"
#include "view/IconLoad.h"
#include "view/SortHeaderCtrl.h"

class CBrennaView : public IRepositoryObserver {
public:
    // Loads a row's icon in the large or the small size; null when there is none. The caller
    // destroys it.
    using IconLoader = std::function<HICON(const view::IconSource& source, bool large)>;

    CBrennaView() = default;
    ~CBrennaView() override;
    CBrennaView(const CBrennaView&) = delete;
    CBrennaView& operator=(const CBrennaView&) = delete;

    // Creates the list window as a child of frame and follows the repository's changes; the
    // columns come with OnInitialUpdate. The view state is kept in profile; help opens a help
    // topic. The repository and the profile outlive the view.
    bool Create(HWND frame, CRepository& repository, const fw::CProfile& profile,
                std::function<void(DWORD topic)> help);
    HWND Hwnd() const { return m_hWnd; }

    // Columns, rows, stored sort and style, then the frame's placement (WM_RESTORE_PLACEMENT).
    void OnInitialUpdate();
    // Rows for the catalogue items from m_nShown to the end, appended unsorted.
    void AddNewRows();

    // The repository's changes: new rows (and, with "askalways", the property dialog on the
    // newest item this process evacuated), a row drawn again, a row taken away.
    void OnItemsAdded(size_t first, size_t count, bool evacuated) override;
    void OnItemChanged(CBrennaItem& item) override;
    void OnItemRemoved(CBrennaItem& item) override;
    // Writes the view state; called while the list window is being destroyed.
    void OnDestroy();

    // WM_NOTIFY from the list or its header; returns true when handled (result in *result).
    bool OnNotify(NMHDR* nm, LRESULT* result);
    bool OnCommand(UINT id);
    bool OnUpdateCommand(fw::CCmdUI& ui);
    // WM_DESCRIPTION_CHANGED: the description of row (or of the first selected row when
    // negative) changed; the row is drawn again and the catalogue saved.
    LRESULT OnDescriptionChanged(int row);

    void Sort(int column, bool ascending);
    void ReSort();
    // Replaces the list window's style bits 0x3 and draws the list again at once.
    void SetListStyle(DWORD typeBits);
    DWORD ListStyle() const;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    CBrennaItem* ItemAt(int row) const { return m_rows[row]; }
    int NextSelected(int after) const;
    int SelectedCount() const;
    CSortHeaderCtrl& Header() { return m_header; }

    // The commands on the selected rows.
    void OnRestore();
    // Says how far a cancelled write-out to target got.
    void TellCancelledWrite(const std::string& target);
    // Writes the item's copy to target as a long operation.
    BOOL WriteOutWithProgress(CBrennaItem& item, const std::string& target);
    void OnWrite();
    void OnDelete();
    void SelectAll();
    void OnProperty();
    // WM_CONTEXTMENU at screen (-1, -1 when asked for from the keyboard).
    void OnContextMenu(POINT screen);
    // The context menu resource with the entries grayed, checked and marked for the current
    // selection, sort and style; its popup is submenu 0. The caller destroys it.
    HMENU BuildContextMenu();
    // The extension whose items the menus offer (null: none); it outlives the view.
    void SetExtension(const CQuillonWrapper* bridge) { m_quillon = bridge; }
    // Puts a fresh extension submenu at position 4 of menu, first taking out the one there when
    // inserted; true when the submenu now stands in the menu.
    BOOL RebuildExtensionMenu(HMENU menu, BOOL inserted);
    // An extension item's command: its path goes into the repository.
    void OnExtensionItem(UINT id);

    // The temporary directory in which copies and drags assemble backup runs (not owned; null:
    // folder runs are left out). Set before the list is created.
    void SetTempDirectory(const CBrnTempDirectory* dir) { m_tempDir = dir; }
    // Copy (ID_EDIT_COPY): the selected items on the clipboard as a file list, a drop effect of
    // copy and the private item block.
    void OnCopy();
    // Paste (ID_EDIT_PASTE): the private item block, or else the shell's file list (a cut moves
    // the files in), under the repository mutex; the clipboard is emptied.
    void OnPaste();
    // LVN_BEGINDRAG: the selected items leave as a file list with item trailer; the call returns
    // when the drag ends.
    void OnBeginDrag(POINT start);
    // The "Preferred DropEffect" on the clipboard: 1 copy, 2 move, 3 link, 0 none.
    int PreferredDropEffect() const;
    // A file list on the clipboard with a drop effect of copy or move.
    bool CanPaste() const;
    // Evacuates the records of an item block from a paste or an internal drop and saves.
    BOOL AddTransferredItems(const uint8_t* block, size_t size);
    // The registered number of "Brennahold Evac Files Data"; 0 before the initial update.
    UINT PrivateFormat() const { return m_cfPrivate; }

    // Replaces how row icons are loaded (view::LoadItemIcon); icons already shown stay.
    void SetIconLoader(IconLoader loader) { m_loadIcon = std::move(loader); }

    int m_nShown = 0;
    UINT m_cfDropEffect = 0;
    UINT m_cfPrivate = 0;
    // Set only around a delete that must not ask its count question.
    BOOL m_bQuietDelete = FALSE;

private:
    std::string NameTextOf(int row) const;
    // The main window, owner of the dialogs the commands open.
    HWND Owner() const;
    // Opens the help at a topic; dialogs call it for F1.
    const std::function<void(DWORD)>& Help() const { return m_help; }
    POINT ContextMenuAnchor() const;
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);

    // The row's image, the same index in both image lists; -1 when its icon could not be had.
    int ImageFor(CBrennaItem* item);
    // Adds the pair of icons for source to both lists, or nothing; the new index or -1.
    int AddImagePair(const view::IconSource& source);
    // The first row from start whose Name matches the list's search; -1 when none.
    int FindRowByName(UINT flags, const char* text, int start) const;
    void SetRowCount();
    // The selected rows' transfer paths and records, after the temporary directory is emptied.
    void CollectSelected(std::vector<std::string>& paths,
                         std::vector<store::TransferRecord>& records) const;

    HWND m_hWnd = nullptr;
    CRepository* m_repo = nullptr;
    const fw::CProfile* m_profile = nullptr;
    std::function<void(DWORD)> m_help;
    CSortHeaderCtrl m_header;
    HIMAGELIST m_headerImages = nullptr;
    HIMAGELIST m_largeImages = nullptr;
    HIMAGELIST m_smallImages = nullptr;
    // Row order as shown; each row's item.
    std::vector<CBrennaItem*> m_rows;
    // One image per distinct icon, shared by every row that shows it.
    std::unordered_map<std::string, int> m_imageByKey;
    std::unordered_map<const CBrennaItem*, int> m_imageByItem;
    IconLoader m_loadIcon = view::LoadItemIcon;
    // Storage for texts handed to the list until its next request.
    std::string m_dispText;
    const CQuillonWrapper* m_quillon = nullptr;
    // The extension's tree as last shown, and its command items by id.
    std::unique_ptr<CPopupItem> m_quiTree;
    QuiItemMap m_quiMap;
    const CBrnTempDirectory* m_tempDir = nullptr;
    view::CRefusingDropTarget m_dropTarget;
    // The last drag's data, kept until the next drag.
    IDataObject* m_dataSource = nullptr;
};
