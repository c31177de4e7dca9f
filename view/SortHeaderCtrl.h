// The list view's column header, painted flat with etched separators and a sort arrow.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Takes over the painting of an existing header window (the SysHeader32 of a report-style list
// view) and shows which column is sorted. It only remembers the column and direction; the list
// view does the sorting.
class CSortHeaderCtrl {
public:
    CSortHeaderCtrl();
    virtual ~CSortHeaderCtrl();
    CSortHeaderCtrl(const CSortHeaderCtrl&) = delete;
    CSortHeaderCtrl& operator=(const CSortHeaderCtrl&) = delete;

    // Subclasses header; FALSE when it is no window or this control is attached already.
    BOOL Attach(HWND header);
    // Gives the window back its own painting; returns it (null when none was attached).
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

    void SetSortColumn(int column, bool ascending);
    // The sorted column, -1 for none; ascending, when given, receives the direction.
    int GetSortColumn(bool* ascending = nullptr) const;
    // Forgets a pressed button, so no column stays drawn pressed after the list lost focus.
    void ClearMouseState() { m_mouseFlags = 0; }

    // Owner-draw hook for items with HDF_OWNERDRAW; such items are left blank.
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem) {}
    // Paints one item inside rect (the item's rectangle less the margin on both sides).
    virtual void DrawHeaderItem(HDC dc, const RECT& rect, const HDITEMA& item, BOOL sorted,
                                BOOL ascending);

protected:
    // Draws the caption; returns its width limited to rect, 0 when nothing was drawn.
    int DrawItemText(HDC dc, RECT rect, const HDITEMA& item, BOOL pressed);
    // Draws the arrow for the direction; returns the image width, 0 when rect has no width.
    int DrawSortImage(HDC dc, const RECT& rect, BOOL ascending, const HDITEMA& item,
                      BOOL rightAligned, BOOL pressed);

    HWND m_hWnd = nullptr;
    COLORREF m_clrHighlight;
    COLORREF m_clrShadow;
    COLORREF m_clrFace;
    COLORREF m_clrText;
    int m_margin = 6;
    int m_sortColumn = -1;
    BOOL m_ascending = TRUE;
    UINT m_mouseFlags = 0;
    POINT m_mousePoint = {0, 0};
    int m_arrowAllowance = 8;
    int m_imageWidth = 0;
    int m_imageHeight = 0;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void LoadColours();
    void TakeImageSize(HIMAGELIST images);
    void Paint(HDC dc);
};
