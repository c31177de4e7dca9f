// Main frame: bars, placement, drops, hand-off, view styles and command routing.
#include "frame/MainFrame.h"

#include <shellapi.h>

#include "frame/AboutDialog.h"
#include "frame/CheckDialog.h"
#include "frame/ExtRepositoryDialog.h"
#include "frame/SetupDialog.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "fw/win/Foreground.h"
#include "resource.h"
#include "store/TransferBlocks.h"
#include "toolbar.h"
#include "util/FileUtil.h"
#include "view/LongOperation.h"

namespace {

// The bars' child ids are also the commands that show and hide them.
static_assert(IDW_TOOLBAR == ID_VIEW_TOOLBAR && IDW_STATUS_BAR == ID_VIEW_STATUS_BAR);
constexpr UINT kFirstStyle = ID_VIEW_SMALLICON, kArrange = ID_VIEW_LINEUP, kLastStyle = ID_VIEW_BYNAME;
constexpr int kUnset = 0x7FFFFFFF;

// The view style bits for ID_VIEW_SMALLICON to ID_VIEW_DETAILS, in command order.
constexpr DWORD kStyleForCommand[] = {LVS_SMALLICON, LVS_ICON, LVS_LIST, LVS_REPORT};

std::string Section() { return fw::LoadStr(IDS_SETTINGS_SECTION); }

}  // namespace

bool CMainFrame::CreateFrame(const char* title) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HMENU menu = LoadMenuA(inst, MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_accel = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(IDR_MAINFRAME));
    HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_BRENNAHOLD));
    if (!Create(kClassName, 0, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, icon))
        return false;
    m_view.OnInitialUpdate();
    m_cfPrivate = m_view.PrivateFormat();
    return true;
}

bool CMainFrame::OnCreate() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    if (!m_toolBar.Create(m_hWnd, inst, IDB_TOOLBAR, kToolbarButtons,
                          static_cast<int>(std::size(kToolbarButtons))))
        return false;
    m_status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                               0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(IDW_STATUS_BAR), inst,
                               nullptr);
    if (!m_status) return false;
    // One message pane, then KANA, CAP, NUM and SCRL, each as wide as its text.
    HDC dc = GetDC(m_status);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(m_status, WM_GETFONT, 0, 0)));
    int widths[4];
    const UINT indicators[4] = {IDS_INDICATOR_KANA, IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM,
                                IDS_INDICATOR_SCRL};
    for (int i = 0; i < 4; ++i) {
        std::string text = fw::LoadStr(indicators[i]);
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widths[i] = size.cx + 12;
    }
    SelectObject(dc, old);
    ReleaseDC(m_status, dc);
    m_toolBar.onLayoutChanged = [this] {
        Layout();
        if (m_bStateRestored) SaveState();
    };
    // The pane edges are set in Layout, once the width is known.
    m_indicatorWidths.assign(widths, widths + 4);
    ShowStatusText(IDS_STATUS_READY);
    return m_view.Create(m_hWnd, m_repo, m_profile, m_help);
}

void CMainFrame::Layout() {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    if (StatusVisible()) {
        SendMessageA(m_status, WM_SIZE, 0, 0);
        RECT sr;
        GetWindowRect(m_status, &sr);
        rc.bottom -= sr.bottom - sr.top;
        int right = rc.right - GetSystemMetrics(SM_CXVSCROLL);
        int edges[5];
        edges[4] = -1;
        for (int i = 3; i >= 0; --i) {
            edges[i] = right;
            right -= m_indicatorWidths[i];
        }
        int parts[5] = {right, edges[0], edges[1], edges[2], -1};
        SendMessageA(m_status, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(parts));
    }
    m_toolBar.Layout(rc);
    if (m_view.Hwnd())
        MoveWindow(m_view.Hwnd(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

bool CMainFrame::StatusVisible() const {
    // The style bit, not IsWindowVisible: the bar stays "shown" while the frame is hidden.
    return m_status && (GetWindowLongA(m_status, GWL_STYLE) & WS_VISIBLE);
}

void CMainFrame::ShowStatusText(UINT id) {
    std::string text = fw::LoadStr(id);
    size_t nl = text.find('\n');
    if (nl != std::string::npos) text.resize(nl);
    if (m_status) SendMessageA(m_status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CMainFrame::OnIdle() {
    for (UINT id : kToolbarButtons) {
        if (!id) continue;
        fw::CCmdUI ui;
        ui.id = id;
        UpdateCommand(ui);
        m_toolBar.EnableButton(id, ui.enabled);
        m_toolBar.CheckButton(id, ui.checked);
    }
    if (StatusVisible()) {
        const struct {
            int vk;
            UINT text;
        } keys[4] = {{VK_KANA, IDS_INDICATOR_KANA},
                     {VK_CAPITAL, IDS_INDICATOR_CAPS},
                     {VK_NUMLOCK, IDS_INDICATOR_NUM},
                     {VK_SCROLL, IDS_INDICATOR_SCRL}};
        for (int i = 0; i < 4; ++i) {
            std::string text = (GetKeyState(keys[i].vk) & 1) ? fw::LoadStr(keys[i].text) : "";
            char current[32] = {};
            if (LOWORD(SendMessageA(m_status, SB_GETTEXTLENGTHA, i + 1, 0)) < sizeof current)
                SendMessageA(m_status, SB_GETTEXTA, i + 1, reinterpret_cast<LPARAM>(current));
            if (text != current)
                SendMessageA(m_status, SB_SETTEXTA, i + 1, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
}

void CMainFrame::UpdateCommand(fw::CCmdUI& ui) {
    if (m_view.Hwnd() && m_view.OnUpdateCommand(ui)) return;
    if (OnFrameUpdateCommand(ui)) return;
    if (!ui.handled) ui.Enable(false);  // a command nobody carries out is shown disabled
}

bool CMainFrame::OnFrameUpdateCommand(fw::CCmdUI& ui) {
    UINT id = ui.id;
    if (id >= kFirstStyle && id <= kLastStyle) {
        DWORD style = m_view.Hwnd() ? m_view.ListStyle() : 0;
        if (!m_view.Hwnd())
            ui.Enable(false);
        else if (id == kArrange)
            ui.Enable(style == LVS_ICON || style == LVS_SMALLICON);
        else if (id == kLastStyle)
            ui.Enable(true);
        else
            ui.SetRadio(kStyleForCommand[id - kFirstStyle] == style);
        return true;
    }
    switch (id) {
        case ID_VIEW_TOOLBAR: ui.SetCheck(m_toolBar.IsVisible()); return true;
        case ID_VIEW_STATUS_BAR: ui.SetCheck(StatusVisible()); return true;
        case ID_APP_EXIT:
        case ID_CONTEXT_HELP:
        case ID_EDIT_SETTING:
        case ID_FILE_EXTERNAL_REPOSITORY:
        case ID_FILE_CHECK:
        case ID_APP_ABOUT:
        case ID_HELP:
        case ID_HELP_FINDER:
        case ID_HELP_ORVANE_HOMEPAGE:
        case ID_HELP_BRENNAHOLD_HOMEPAGE:
        case ID_HELP_QUILLON: ui.Enable(true); return true;
        default: return false;
    }
}

void CMainFrame::SetViewStyle(UINT id) {
    if (!m_view.Hwnd()) return;
    if (id >= kFirstStyle && id < kArrange) {
        m_view.SetListStyle(kStyleForCommand[id - kFirstStyle]);
    } else if (id == kArrange) {
        ListView_Arrange(m_view.Hwnd(), LVA_SNAPTOGRID);
    }
}

void CMainFrame::OnCommand(UINT id) {
    if (m_view.Hwnd() && m_view.OnCommand(id)) return;
    if (id >= kFirstStyle && id <= kLastStyle) return SetViewStyle(id);
    switch (id) {
        case ID_VIEW_TOOLBAR:
            m_toolBar.Show(!m_toolBar.IsVisible());
            Layout();
            return;
        case ID_VIEW_STATUS_BAR:
            ShowWindow(m_status, StatusVisible() ? SW_HIDE : SW_SHOW);
            Layout();
            return;
        case ID_APP_EXIT: PostMessageA(m_hWnd, WM_CLOSE, 0, 0); return;
        case ID_EDIT_SETTING: OnSetting(); return;
        case ID_FILE_EXTERNAL_REPOSITORY: {
            CExtRepositoryDialog dlg(m_repo, m_view);
            dlg.SetHelpHandler(m_help);
            dlg.DoModal(m_hWnd);
            return;
        }
        case ID_FILE_CHECK: return OnCheck();
        case ID_APP_ABOUT: {
            CAboutDlg dlg(m_quillon != nullptr);
            dlg.DoModal(m_hWnd);
            return;
        }
        case ID_HELP: m_help(HELP_TOPIC_CONTENTS); return;
        case ID_CONTEXT_HELP: OnContextHelp(); return;
        case ID_HELP_FINDER:
        case ID_DEFAULT_HELP: m_help(HELP_TOPIC_FINDER); return;
        case ID_HELP_ORVANE_HOMEPAGE: m_help(HELP_TOPIC_ORVANE_HOMEPAGE); return;
        case ID_HELP_BRENNAHOLD_HOMEPAGE: m_help(HELP_TOPIC_BRENNAHOLD_HOMEPAGE); return;
        case ID_HELP_QUILLON:
            m_help(m_quillon ? HELP_TOPIC_QUILLON_HELP : HELP_TOPIC_QUILLON);
            return;
        default: return;
    }
}

void CMainFrame::OnSetting() {
    const RepositorySettings before = m_repo.Settings();
    CSetupDialog dlg(before.askAlways, before.sortAny, before.brnFile);
    dlg.SetHelpHandler(m_help);
    if (dlg.DoModal(m_hWnd) != IDOK) return;
    RepositorySettings after;
    after.askAlways = dlg.m_bAskAlways != FALSE;
    after.sortAny = dlg.m_bSortAny != FALSE;
    after.brnFile = dlg.m_bBrnFile != FALSE;
    after.WriteChanged(m_profile, before);
    m_repo.Settings() = after;
    if (after.sortAny != before.sortAny && m_view.Hwnd()) m_view.ReSort();
}

void CMainFrame::OnCheck() {
    store::CheckResult result;
    {
        fw::CWaitCursor wait;
        result = store::CheckRepository(m_repo);
    }
    // This process owns the repository's catalogue, so what it finds unreferenced may be
    // recorded here.
    CCheckDialog dlg(m_repo, std::move(result), true);
    dlg.DoModal(m_hWnd);
}

void CMainFrame::OnContextHelp() {
    // Context-help mode: the help cursor until the next click, whose target picks the topic
    // through the application's help map; Esc or a click outside the window leaves the mode.
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_HELP));
    SetCapture(m_hWnd);
    DWORD data = 0;
    MSG msg;
    while (GetCapture() == m_hWnd && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) break;
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_SETCURSOR) {
            SetCursor(LoadCursor(nullptr, IDC_HELP));
            continue;
        }
        if (msg.message != WM_LBUTTONDOWN && msg.message != WM_NCLBUTTONDOWN) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        POINT pt;
        GetCursorPos(&pt);
        data = HelpIdAt(pt);
        break;
    }
    ReleaseCapture();
    SetCursor(old);
    if (data) m_contextHelp(data);
}

DWORD CMainFrame::HelpIdAt(POINT screen) const {
    RECT wr;
    GetWindowRect(m_hWnd, &wr);
    if (!PtInRect(&wr, screen)) return 0;
    HWND toolbar = m_toolBar.Toolbar();
    RECT tr;
    if (toolbar && IsWindowVisible(toolbar) && GetWindowRect(toolbar, &tr) && PtInRect(&tr, screen)) {
        POINT pt = screen;
        ScreenToClient(toolbar, &pt);
        int index = static_cast<int>(SendMessageA(toolbar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
        TBBUTTON button{};
        if (index >= 0 && SendMessageA(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) &&
            button.idCommand)
            return HID_BASE_COMMAND + button.idCommand;
    }
    RECT client;
    GetClientRect(m_hWnd, &client);
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (!PtInRect(&client, screen)) return HID_BASE_NONCLIENT + IDR_MAINFRAME;
    return HID_BASE_RESOURCE + IDR_MAINFRAME;
}

void CMainFrame::OnInitMenuPopup(HMENU menu) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators and submenus
        fw::CCmdUI ui;
        ui.id = id;
        UpdateCommand(ui);
        fw::ApplyToMenu(menu, ui);
    }
}

void CMainFrame::RestoreState() {
    const fw::CProfile& p = m_profile;
    std::string s = Section();
    const char* sec = s.c_str();
    int l = p.GetInt(sec, "left", kUnset), t = p.GetInt(sec, "top", kUnset);
    int r = p.GetInt(sec, "right", kUnset), b = p.GetInt(sec, "bottom", kUnset);
    if (l == kUnset || t == kUnset || r == kUnset || b == kUnset) return;
    MoveWindow(m_hWnd, l, t, r - l, b - t, TRUE);
    if (p.GetInt(sec, "toolvisible", 1) == 0) {
        PostMessageA(m_hWnd, WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    } else if (p.GetInt(sec, "toolfloat", 0) != 0) {
        POINT at{static_cast<LONG>(p.GetInt(sec, "toolleft", l)),
                 static_cast<LONG>(p.GetInt(sec, "tooltop", t))};
        m_toolBar.Float(at);
    } else {
        RECT cur = m_toolBar.WindowRectOnScreen();
        DWORD pos = p.GetInt(sec, "toolpos", 0x2000);
        CDockToolBar::Side side = CDockToolBar::Top;
        switch (pos & 0xF000) {
            case 0x1000: side = CDockToolBar::Left; break;
            case 0x4000: side = CDockToolBar::Right; break;
            case 0x8000: side = CDockToolBar::Bottom; break;
            default: break;
        }
        RECT at{static_cast<LONG>(p.GetInt(sec, "toolleft", cur.left)),
                static_cast<LONG>(p.GetInt(sec, "tooltop", cur.top)),
                static_cast<LONG>(p.GetInt(sec, "toolright", cur.right)),
                static_cast<LONG>(p.GetInt(sec, "toolbottom", cur.bottom))};
        m_toolBar.Dock(side, at);
    }
    if (p.GetInt(sec, "statusvisible", 1) == 0) PostMessageA(m_hWnd, WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
    Layout();
    m_bStateRestored = true;
}

void CMainFrame::SaveState() {
    const fw::CProfile& p = m_profile;
    std::string s = Section();
    const char* sec = s.c_str();
    RECT wr;
    GetWindowRect(m_hWnd, &wr);
    p.WriteInt(sec, "left", wr.left);
    p.WriteInt(sec, "top", wr.top);
    p.WriteInt(sec, "right", wr.right);
    p.WriteInt(sec, "bottom", wr.bottom);
    bool toolVisible = m_toolBar.IsVisible();
    if (toolVisible) {
        RECT tr = m_toolBar.WindowRectOnScreen();
        if (m_toolBar.IsFloating()) {
            p.WriteInt(sec, "toolfloat", 1);
        } else {
            DWORD bits = m_toolBar.AlignmentBits() & 0xF000;
            if (bits != 0x1000 && bits != 0x2000 && bits != 0x4000 && bits != 0x8000) bits = 0x2000;
            p.WriteInt(sec, "toolpos", static_cast<int>(bits));
            p.WriteInt(sec, "toolfloat", 0);
        }
        p.WriteInt(sec, "toolleft", tr.left);
        p.WriteInt(sec, "tooltop", tr.top);
        p.WriteInt(sec, "toolright", tr.right);
        p.WriteInt(sec, "toolbottom", tr.bottom);
    }
    p.WriteInt(sec, "toolvisible", toolVisible ? 1 : 0);
    p.WriteInt(sec, "statusvisible", StatusVisible() ? 1 : 0);
}

void CMainFrame::OnDropFiles(HDROP drop) {
    SetActiveWindow(m_hWnd);
    // Rows dragged from a list of the program carry their item block after the file list; they
    // are items to record, not files to evacuate. The block is read within its GlobalSize.
    std::vector<uint8_t> items;
    bool internal = false;
    {
        view::CGlobalLock lock(drop);
        size_t at = store::FindItemTrailer(lock.Data(), lock.Size(), m_cfPrivate);
        internal = at != 0;
        if (internal) items.assign(lock.Data() + at, lock.Data() + lock.Size());
    }
    if (internal) {
        BOOL added = FALSE;
        view::RunLongOperation(m_hWnd, m_repo, IDS_PROGRESS_EVACUATING, [&] {
            added = m_view.AddTransferredItems(items.data(), items.size());
        });
        if (!added && !m_repo.Progress().IsCancelled()) fw::MessageId(IDS_FAILED_SAVE_FILE);
    } else {
        std::vector<std::string> paths;
        UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char path[MAX_PATH];
            std::string full;
            if (DragQueryFileA(drop, i, path, MAX_PATH) == 0) continue;
            // A path that cannot be made full fails like a missing one.
            paths.push_back(util::MakeFullPath(path, full) ? full : std::string());
        }
        view::RunLongOperation(m_hWnd, m_repo, IDS_PROGRESS_EVACUATING,
                               [&] { m_repo.DispatchPaths(paths, true); });
    }
    DragFinish(drop);
}

void CMainFrame::OnCopyData(HWND sender, const COPYDATASTRUCT* cds) {
    std::vector<std::string> paths;
    try {
        store::ReadHandOffList(static_cast<const uint8_t*>(cds->lpData), cds->cbData, paths);
    } catch (const std::bad_alloc&) {
        // The paths read so far are taken; the sender's process reports nothing either way.
    }
    // The paths are saved at once: after a crash they would otherwise sit unlisted.
    view::RunLongOperation(m_hWnd, m_repo, IDS_PROGRESS_EVACUATING,
                           [&] { m_repo.DispatchPaths(paths, false); });
    // The sender named itself in wParam; another sender waiting at the same time keeps its
    // window until its own paths are taken.
    std::string decoy = fw::LoadStr(IDS_DECOY_TITLE);
    char title[64] = {};
    if (sender && IsWindow(sender) && GetWindowTextA(sender, title, sizeof title) &&
        decoy == title)
        SendMessageA(sender, WM_CLOSE, 0, 0);
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: return OnCreate() ? 0 : -1;
        case WM_SIZE:
            Layout();
            if (m_bStateRestored && wp == SIZE_RESTORED) SaveState();
            return 0;
        case WM_ACTIVATE: {
            LRESULT r = Default(msg, wp, lp);
            if (m_bStateRestored && !IsZoomed(m_hWnd) && !IsIconic(m_hWnd)) SaveState();
            if (LOWORD(wp) != WA_INACTIVE && m_view.Hwnd()) SetFocus(m_view.Hwnd());
            return r;
        }
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_MAXIMIZE) SaveState();
            return Default(msg, wp, lp);
        case WM_CLOSE:
            if (!IsZoomed(m_hWnd) && !IsIconic(m_hWnd)) SaveState();
            // Destruction hides and deactivates the window; that is not a state to keep.
            m_bStateRestored = false;
            DestroyWindow(m_hWnd);
            return 0;
        case WM_DESTROY:
            if (m_view.Hwnd()) m_view.OnDestroy();
            PostQuitMessage(0);
            return 0;
        case WM_COMMAND:
            if (lp == 0 || HIWORD(wp) == 0 || HIWORD(wp) == 1) OnCommand(LOWORD(wp));
            return 0;
        case WM_NOTIFY: {
            auto* nm = reinterpret_cast<NMHDR*>(lp);
            LRESULT result = 0;
            if (m_view.OnNotify(nm, &result)) return result;
            if (nm->code == TBN_HOTITEMCHANGE && nm->hwndFrom == m_toolBar.Toolbar()) {
                // The toolbar's prompt, as WM_MENUSELECT gives for a menu item. Its notices
                // come here while it floats too: the tool window passes them on.
                auto* hot = reinterpret_cast<NMTBHOTITEM*>(nm);
                bool leaving = (hot->dwFlags & HICF_LEAVING) || hot->idNew == 0;
                ShowStatusText(leaving ? IDS_STATUS_READY : static_cast<UINT>(hot->idNew));
                return 0;
            }
            if (nm->code == TTN_GETDISPINFOA) {
                auto* tt = reinterpret_cast<NMTTDISPINFOA*>(nm);
                std::string text = fw::LoadStr(static_cast<UINT>(nm->idFrom));
                size_t nl = text.find('\n');
                m_tooltip = nl == std::string::npos ? std::string() : text.substr(nl + 1);
                tt->lpszText = m_tooltip.data();
                return 0;
            }
            return Default(msg, wp, lp);
        }
        case WM_MENUSELECT:
            if (HIWORD(wp) == 0xFFFF && lp == 0)
                ShowStatusText(IDS_STATUS_READY);
            else if (!(HIWORD(wp) & MF_POPUP) && !(HIWORD(wp) & MF_SEPARATOR))
                ShowStatusText(LOWORD(wp));
            return 0;
        case WM_INITMENUPOPUP:
            if (!HIWORD(lp)) OnFileMenuOpening(reinterpret_cast<HMENU>(wp), LOWORD(lp));
            if (!HIWORD(lp)) OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
            return 0;
        case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wp)); return 0;
        case WM_COPYDATA:
            OnCopyData(reinterpret_cast<HWND>(wp), reinterpret_cast<const COPYDATASTRUCT*>(lp));
            return TRUE;
        case WM_ENDSESSION:
            // Log-off or shut-down ends the process without the usual exit.
            if (wp) m_repo.Save(FALSE);
            return 0;
        case WM_BRING_TO_FRONT: fw::ForceForegroundWindow(m_hWnd); return 0;
        case WM_RESTORE_PLACEMENT: RestoreState(); return 0;
        case WM_SYSCOLORCHANGE:
            // Child controls only hear of new system colours from their parent.
            if (m_view.Hwnd()) {
                SendMessageA(m_view.Hwnd(), msg, wp, lp);
                SendMessageA(ListView_GetHeader(m_view.Hwnd()), msg, wp, lp);
            }
            return Default(msg, wp, lp);
        case WM_SETFOCUS:
            if (m_view.Hwnd()) SetFocus(m_view.Hwnd());
            return 0;
        default: return Default(msg, wp, lp);
    }
}
