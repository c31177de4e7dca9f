// The main window's list of the catalogue: an owner-data list view whose rows the view keeps in
// their sorted order, with texts and icons supplied on demand.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/BrennaApp.h"
#include "frame/SortHeaderCtrl.h"
#include "fw/CmdUI.h"

class CBrennaView : public IItemListView {
public:
    CBrennaView() = default;
    ~CBrennaView() override;
    CBrennaView(const CBrennaView&) = delete;
    CBrennaView& operator=(const CBrennaView&) = delete;

    // Creates the list window as a child of frame; the columns come with OnInitialUpdate.
    bool Create(HWND frame, CBrennaApp* app);
    HWND Hwnd() const { return m_hWnd; }
    HWND NotifyWindow() const override { return m_hWnd; }

    // Columns, rows, stored sort and style, then the frame's placement (WM_USER+5).
    void OnInitialUpdate();
    // Rows for the catalogue items from m_nShown to the end, appended unsorted.
    void AddNewRows() override;
    // Writes the view state; called while the list window is being destroyed.
    void OnDestroy();

    // WM_NOTIFY from the list or its header; returns true when handled (result in *result).
    bool OnNotify(NMHDR* nm, LRESULT* result);
    bool OnCommand(UINT id);
    bool OnUpdateCommand(fw::CCmdUI& ui);
    // WM_USER+6: the description of row (or of the first selected row when negative) changed.
    LRESULT OnDescriptionChanged(int row);

    void Sort(int column, bool ascending);
    void ReSort();
    // Replaces the list window's style bits 0x3.
    void SetListStyle(DWORD typeBits);
    DWORD ListStyle() const;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    CBrennaItem* ItemAt(int row) const { return m_rows[row]; }
    int NextSelected(int after) const;
    int SelectedCount() const;
    CSortHeaderCtrl& Header() { return m_header; }

    // The commands on the selected rows.
    void OnRestore();
    void OnWrite();
    void OnDelete();
    void SelectAll();
    void OnProperty();
    // WM_CONTEXTMENU at screen (-1, -1 when asked for from the keyboard).
    void OnContextMenu(POINT screen);
    bool CanPaste() const;

    int m_nShown = 0;
    // Set only around a delete that must not ask its count question.
    BOOL m_bQuietDelete = FALSE;

private:
    std::string NameTextOf(int row) const;
    // The main window, owner of the dialogs the commands open.
    HWND Owner() const;
    // Opens the application's help at a topic; dialogs call it for F1.
    std::function<void(DWORD)> Help() const;
    POINT ContextMenuAnchor() const;
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);

    int ImageFor(CBrennaItem* item);
    // The first row from start whose Name matches the list's search; -1 when none.
    int FindRowByName(UINT flags, const char* text, int start) const;
    void SetRowCount();

    HWND m_hWnd = nullptr;
    CBrennaApp* m_app = nullptr;
    CSortHeaderCtrl m_header;
    HIMAGELIST m_headerImages = nullptr;
    HIMAGELIST m_largeImages = nullptr;
    HIMAGELIST m_smallImages = nullptr;
    // Row order as shown; each row's item.
    std::vector<CBrennaItem*> m_rows;
    // One image per distinct icon, shared by every row that shows it.
    std::unordered_map<std::string, int> m_imageByKey;
    std::unordered_map<const CBrennaItem*, int> m_imageByItem;
    // Storage for texts handed to the list until its next request.
    std::string m_dispText;
};
