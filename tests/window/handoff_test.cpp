// What the main window does with paths handed over by other processes, and when it saves them.
#include <gtest/gtest.h>

#include <memory>

#include "ScratchRepository.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "frame/MainFrame.h"
#include "fw/Strings.h"
#include "resource.h"

using testutil::TempDir;

namespace {

class HandOff : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::WriteFile(ini, "[Settings]\r\n");
        profile.UseIniFile(ini);
        scratch->Load();
        frame = std::make_unique<CMainFrame>(*scratch, profile, [](DWORD) {}, [](DWORD) {});
        ASSERT_TRUE(frame->CreateFrame("Brennahold - hand-off test"));
        testutil::Pump();
    }
    void TearDown() override {
        if (frame && frame->Hwnd()) SendMessageA(frame->Hwnd(), WM_CLOSE, 0, 0);
        testutil::Pump();
        frame.reset();
    }
    // Sends the paths as another process does, naming sender in wParam.
    void Send(HWND sender, const std::vector<std::string>& paths) {
        std::string block;
        for (const auto& p : paths) block += p + '\0';
        block += '\0';
        COPYDATASTRUCT cds{1, static_cast<DWORD>(block.size()), block.data()};
        SendMessageA(frame->Hwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                     reinterpret_cast<LPARAM>(&cds));
    }
    static HWND Decoy() {
        std::string title = fw::LoadStr(IDS_DECOY_TITLE);
        return CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    size_t SavedCount() {
        CDataFile saved;
        saved.SetFolder(repo.Path());
        saved.Load();
        return saved.GetCount();
    }

    TempDir repo, src, settings;
    std::string ini = settings / "Brenna.ini";
    fw::CProfile profile;
    testutil::ScriptedPrompt prompt;
    testutil::ScratchRepository scratch{repo.Path()};
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(HandOff, OnlyTheSenderNamedInTheMessageIsClosed) {
    testutil::WriteFile(src / "a.txt", "a");
    // The waiting one is made last, so a search by title would find it first.
    HWND sender = Decoy();
    HWND waiting = Decoy();
    ASSERT_TRUE(waiting && sender);
    Send(sender, {src / "a.txt"});
    EXPECT_FALSE(IsWindow(sender));
    // The other sender still waits for its own paths to be taken.
    EXPECT_TRUE(IsWindow(waiting));
    DestroyWindow(waiting);
}

TEST_F(HandOff, HandedOverPathsAreSavedAtOnce) {
    testutil::WriteFile(src / "a.txt", "a");
    testutil::WriteFile(src / "b.txt", "b");
    HWND sender = Decoy();
    Send(sender, {src / "a.txt", src / "missing.txt", src / "b.txt"});
    EXPECT_EQ(scratch->Count(), 2u);
    EXPECT_EQ(SavedCount(), 2u);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
}

TEST_F(HandOff, EndOfSessionSavesTheCatalogue) {
    testutil::WriteFile(src / "a.txt", "a");
    ASSERT_TRUE(scratch->Dispatch((src / "a.txt").c_str()));
    ASSERT_EQ(SavedCount(), 0u);
    // Log-off that was cancelled saves nothing; one that goes ahead saves.
    SendMessageA(frame->Hwnd(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(SavedCount(), 0u);
    SendMessageA(frame->Hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(SavedCount(), 1u);
}

}  // namespace
