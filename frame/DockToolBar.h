// A flat toolbar that docks on any side of its frame or floats in a small tool window, moved
// there by the user with the mouse.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <functional>

class CDockToolBar {
public:
    // The same values as the framework's bar alignment bits, so they can be saved as they are.
    enum Side { Left = 0x1000, Top = 0x2000, Right = 0x4000, Bottom = 0x8000 };

    CDockToolBar() = default;
    ~CDockToolBar();
    CDockToolBar(const CDockToolBar&) = delete;
    CDockToolBar& operator=(const CDockToolBar&) = delete;

    // Creates the toolbar (id 0xE800) as a child of frame, docked at the top. buttons: command ids
    // in order, 0 for a separator; bitmapId: a bitmap resource of 16x15 images, one per
    // non-separator button in order, on a silver RGB(192,192,192) background shown transparent.
    bool Create(HWND frame, HINSTANCE inst, UINT bitmapId, const UINT* buttons, int count);
    // The same with the images in a bitmap that stays the caller's (its silver pixels may be
    // blackened on the way).
    bool Create(HWND frame, HBITMAP images, const UINT* buttons, int count);

    HWND Toolbar() const { return m_toolbar; }
    // The tool window that carries the toolbar while it floats; null until it first floated.
    HWND FloatingWindow() const { return m_float; }

    // Takes the docked toolbar's strip out of client (frame client coordinates) and places the
    // toolbar in it; takes nothing while the toolbar floats or is hidden.
    void Layout(RECT& client);
    bool IsVisible() const { return m_visible; }
    // Hides or shows the toolbar, or its tool window while it floats; the caller relayouts.
    void Show(bool visible);
    bool IsFloating() const { return m_floating; }
    // The side it is docked on, or was last docked on while it floats.
    Side DockSide() const { return m_side; }
    DWORD AlignmentBits() const { return static_cast<DWORD>(m_side); }
    // Floating: the tool window's rectangle; docked: the toolbar window's own rectangle.
    RECT WindowRectOnScreen() const;
    // Docks on side at the place along it that screenRect starts at, kept inside the frame at the
    // next Layout; the caller relayouts.
    void Dock(Side side, const RECT& screenRect);
    // Floats the tool window with its top-left corner at that screen point.
    void Float(POINT screenTopLeft);
    void EnableButton(UINT cmd, bool enable);
    void CheckButton(UINT cmd, bool checked);

    // Called after the user docked, floated, moved or closed the toolbar with the mouse.
    std::function<void()> onLayoutChanged;

private:
    struct Target {
        bool dock;
        Side side;
        RECT rect;  // screen coordinates of the window that would result
    };
    struct DragState {
        HWND capture = nullptr;  // the window holding the mouse while a drag runs
        POINT start{};
        POINT grab{};  // the cursor's offset in the dragged window
        bool vertical = false;
        bool moved = false;
        bool locked = false;  // window updates are held back while the rectangle shows
        bool shown = false;   // a tracking rectangle is on the screen
        bool shownThick = false;
        RECT shownRect{};
        HBRUSH brush = nullptr;
    };

    static LRESULT CALLBACK ToolbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                        DWORD_PTR self);
    static LRESULT CALLBACK FloatProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnToolbarMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnFloatMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Handles the mouse messages of a running drag; false when msg is not one of them.
    bool OnDragMessage(HWND hwnd, UINT msg, LPARAM lp);

    bool Vertical() const { return !m_floating && (m_side == Left || m_side == Right); }
    RECT NonClientEdges() const;
    SIZE DockedSize(bool vertical) const;
    SIZE FloatWindowSize() const;
    void SetButtonsVertical(bool vertical);
    void ApplyOrientation();
    void DockAt(Side side, int along);
    bool CreateFloatWindow();
    void PaintGripper(HWND hwnd) const;
    RECT FrameClientOnScreen() const;

    void BeginDrag(HWND capture, POINT screen);
    // True once the cursor has gone further than a click's wobble from where the drag began.
    bool DragStarted(POINT screen) const;
    void TrackDrag(POINT screen);
    void EndDrag(POINT screen);
    void CancelDrag();
    Target TargetAt(POINT screen) const;
    void DrawTracker(const RECT& rect, bool thick);
    void ToggleFloating();
    void Notify();

    HWND m_frame = nullptr;
    HWND m_toolbar = nullptr;
    HWND m_float = nullptr;
    HIMAGELIST m_images = nullptr;
    SIZE m_content[2]{};  // the buttons' extent laid out horizontally [0] and vertically [1]
    bool m_visible = true;
    bool m_floating = false;
    Side m_side = Top;
    int m_along = 0;  // docked position along the side, from the frame's client origin
    POINT m_floatPos{};
    bool m_hasFloatPos = false;
    DragState m_drag;
};
