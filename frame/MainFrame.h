// The program's single top-level window: menus, toolbar, status bar and the list view, its saved
// placement, dropped files and paths handed over by another process.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/DockToolBar.h"
#include "fw/Profile.h"
#include "fw/win/CmdUI.h"
#include "fw/win/Wnd.h"
#include "store/QuillonBridge.h"
#include "store/Repository.h"
#include "view/BrennaView.h"

class CMainFrame : public fw::CWnd {
public:
    static constexpr const char* kClassName = "BrennaholdFrame";

    // The frame shows repository and keeps its placement (and the view's state) in profile; both
    // outlive it. help opens a help topic; contextHelp opens the topic of a WinHelp-style id
    // (HID_BASE_COMMAND + command, HID_BASE_RESOURCE + window, HID_BASE_NONCLIENT + window).
    // The list assembles backup runs for the clipboard and drags in tempDir (may be null).
    CMainFrame(CRepository& repository, const fw::CProfile& profile,
               std::function<void(DWORD topic)> help, std::function<void(DWORD data)> contextHelp,
               const CBrnTempDirectory* tempDir = nullptr)
        : m_repo(repository),
          m_profile(profile),
          m_help(std::move(help)),
          m_contextHelp(std::move(contextHelp)) {
        m_view.SetTempDirectory(tempDir);
    }
    // Creates the frame (hidden), its bars and the view, and runs the view's initial update.
    bool CreateFrame(const char* title);
    CBrennaView& View() { return m_view; }
    // The loaded extension (null: none), handed on to the view; it outlives the frame.
    void SetExtension(const CQuillonWrapper* bridge) {
        m_quillon = bridge;
        m_view.SetExtension(bridge);
    }
    // Puts the extension's Help item in: "Qui&llon Help" at position 2 with the extension,
    // else "Homepage of Qui&llon" at position 5.
    void InsertQuillonHelpItem();
    CDockToolBar& ToolBar() { return m_toolBar; }
    HWND StatusBar() const { return m_status; }
    HACCEL Accelerators() const { return m_accel; }

    // The view style commands, ID_VIEW_SMALLICON to ID_VIEW_BYNAME.
    void SetViewStyle(UINT id);
    // Asks the view, the frame and the application in turn for a command's state.
    void UpdateCommand(fw::CCmdUI& ui);
    // Brings toolbar buttons up to date; called when the message queue is empty.
    void OnIdle();
    // Restores and saves the window and bar placement (keys in section "Settings").
    void RestoreState();
    void SaveState();
    bool IsStateRestored() const { return m_bStateRestored; }
    // The help id of what lies at a screen point in context-help mode: a toolbar command, the
    // non-client area, or the window itself; 0 outside the frame.
    DWORD HelpIdAt(POINT screen) const;

    // The clipboard format of the program's own drags, set by the view.
    UINT m_cfPrivate = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool OnCreate();
    void Layout();
    void OnDropFiles(HDROP drop);
    void OnCopyData(HWND sender, const COPYDATASTRUCT* cds);
    // The settings dialog; only changed keys are written, and a "sortany" change sorts again.
    void OnSetting();
    // Checks the repository and shows the report, from which orphans can be recovered.
    void OnCheck();
    void OnCommand(UINT id);
    void OnInitMenuPopup(HMENU menu);
    // The File menu opening: the view puts the extension submenu in afresh.
    void OnFileMenuOpening(HMENU menu, UINT index);
    bool OnFrameUpdateCommand(fw::CCmdUI& ui);
    void ShowStatusText(UINT id);
    bool StatusVisible() const;
    void OnContextHelp();

    CRepository& m_repo;
    const fw::CProfile& m_profile;
    std::function<void(DWORD)> m_help;
    std::function<void(DWORD)> m_contextHelp;
    CBrennaView m_view;
    CDockToolBar m_toolBar;
    HWND m_status = nullptr;
    HACCEL m_accel = nullptr;
    bool m_bStateRestored = false;
    const CQuillonWrapper* m_quillon = nullptr;
    // True while the extension submenu stands at position 4 of the File menu.
    BOOL m_bExtensionMenu = FALSE;
    std::vector<int> m_indicatorWidths;
    std::string m_tooltip;
};
