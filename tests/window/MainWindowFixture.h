// The main window built on a scratch repository with an INI profile, shared by the frame's
// window tests: its fixture, selection and command shortcuts, and a dropped-files block maker.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "ScratchRepository.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "app/BrennaApp.h"
#include "frame/MainFrame.h"
#include "fw/Profile.h"
#include "fw/win/CmdUI.h"
#include "store/BrnFile.h"

// A CF_HDROP block of ANSI paths, the list's terminating zero, then trailer.
inline HDROP MakeDrop(const std::vector<std::string>& paths, const std::string& trailer = {}) {
    size_t size = sizeof(DROPFILES) + 1 + trailer.size();
    for (const auto& p : paths) size += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GHND, size);
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = FALSE;
    char* out = reinterpret_cast<char*>(df + 1);
    for (const auto& p : paths) {
        memcpy(out, p.c_str(), p.size() + 1);
        out += p.size() + 1;
    }
    *out++ = 0;
    memcpy(out, trailer.data(), trailer.size());
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

// The frame on a scratch repository whose profile is the INI file ini; help requests recorded.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        repo = base / "Repo";
        ini = repo + "\\Brenna.ini";
        testutil::WriteFile(ini, "[Settings]\r\n");
        NewApp();
    }
    void TearDown() override {
        Close();
        scratch.reset();
        OleUninitialize();
    }
    // The repository as a start-up on the INI file makes it: loaded, with its settings.
    void NewApp() {
        profile.UseIniFile(ini);
        scratch = std::make_unique<testutil::ScratchRepository>(repo);
        Repository().SetMutexName(MakeObjectName("BrennaholdTestMutex", ini, 256));
        Repository().Load();
        Repository().Settings().Read(profile);
    }
    CRepository& Repository() { return **scratch; }
    void Open() {
        frame = std::make_unique<CMainFrame>(
            Repository(), profile, [this](DWORD topic) { helpTopics.push_back(topic); },
            [this](DWORD data) { contextHelp.push_back(data); });
        ASSERT_TRUE(frame->CreateFrame("Brennahold - test"));
        ShowWindow(frame->Hwnd(), SW_SHOW);
        testutil::Pump();
    }
    void Close() {
        if (frame && frame->Hwnd()) {
            SendMessageA(frame->Hwnd(), WM_CLOSE, 0, 0);
            testutil::Pump();
        }
        frame.reset();
    }
    void Reopen() {
        Close();
        Repository().Save(FALSE);
        NewApp();
        Open();
    }
    HWND List() { return frame->View().Hwnd(); }
    int Rows() { return ListView_GetItemCount(List()); }
    // Widths as the header holds them, whatever the list style.
    int HeaderWidth(int i) {
        RECT r{};
        Header_GetItemRect(ListView_GetHeader(List()), i, &r);
        return r.right - r.left;
    }
    std::string Cell(int row, int col) {
        char buf[512] = {};
        ListView_GetItemText(List(), row, col, buf, sizeof buf);
        return buf;
    }
    std::vector<std::string> Column(int col) {
        std::vector<std::string> v;
        for (int r = 0; r < Rows(); ++r) v.push_back(Cell(r, col));
        return v;
    }
    std::string Ini(const char* key) {
        char buf[64];
        GetPrivateProfileStringA("Settings", key, "", buf, sizeof buf, ini.c_str());
        return buf;
    }
    // A backup definition file for target at path; returns path.
    static std::string WriteDefinition(const std::string& target, const std::string& path) {
        CBrnFile def;
        EXPECT_TRUE(def.SetFolder(target));
        EXPECT_TRUE(def.CreateNew(path));
        EXPECT_TRUE(def.Save());
        def.Close();
        return path;
    }
    void Evacuate(const std::string& rel, const std::string& content = "x", bool folder = false) {
        std::string path = src / rel;
        if (folder)
            testutil::WriteFile(path + "\\inner.txt", content);
        else
            testutil::WriteFile(path, content);
        ASSERT_NE(Repository().Dispatch(path.c_str()), 0) << path;
    }

    testutil::TempDir base, src;
    std::string repo, ini;
    fw::CProfile profile;
    std::unique_ptr<testutil::ScratchRepository> scratch;
    std::unique_ptr<CMainFrame> frame;
    // What the frame and the list asked the help to open: topics, and context-help ids.
    std::vector<DWORD> helpTopics, contextHelp;
    testutil::ScriptedPrompt prompt;
};

// Selection, command state and commands sent as the menus send them.
class ItemCommands : public MainWindow {
protected:
    void Select(std::initializer_list<int> rows) {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
        for (int r : rows) ListView_SetItemState(List(), r, LVIS_SELECTED, LVIS_SELECTED);
    }
    bool Enabled(UINT id) {
        fw::CCmdUI ui;
        ui.id = id;
        frame->UpdateCommand(ui);
        return ui.enabled;
    }
    void Command(UINT id) { SendMessageA(frame->Hwnd(), WM_COMMAND, id, 0); }
};
