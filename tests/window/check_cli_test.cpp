// Brennahold.exe /Check as a second process: its exit code, its report on standard output, the
// report window, recovery from it, and /Quiet, which shows no window at all.
#include <gtest/gtest.h>

#include <functional>

#include "ProcessUtil.h"
#include "ScratchRepository.h"
#include "TestUtil.h"
#include "app/BrennaApp.h"
#include "resource.h"
#include "store/DataFile.h"

using testutil::Quote;
using testutil::TempDir;

namespace {

// The text of a control of another process (WM_GETTEXT is marshalled; GetWindowTextA is not).
std::string ControlText(HWND control) {
    std::string text(65536, '\0');
    LRESULT n =
        SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? n : 0);
    return text;
}

// The visible dialog-class windows of pid: the check window holds the report control, a message
// box does not.
HWND FindDialog(DWORD pid, bool checkWindow) {
    for (HWND h : testutil::VisibleWindowsOf(pid)) {
        char cls[32] = {};
        GetClassNameA(h, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0 &&
            (GetDlgItem(h, IDC_CHECK_REPORT) != nullptr) == checkWindow)
            return h;
    }
    return nullptr;
}

class CheckCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        repo = base / "Repo";
        ini = repo + "\\Brenna.ini";
        testutil::WriteFile(ini, "[Settings]\r\n");
        testutil::WriteFile(src / "a.txt", "alpha");
        testutil::WriteFile(src / "Docs\\b.txt", "beta");
        testutil::ScratchRepository scratch(repo);
        ASSERT_TRUE(scratch->Dispatch((src / "a.txt").c_str()));
        ASSERT_TRUE(scratch->Dispatch((src / "Docs").c_str()));
        ASSERT_TRUE(scratch->Save(FALSE));
    }
    // A copy made by a process that ended before recording it.
    std::string LeaveOrphan() {
        testutil::WriteFile(src / "c.txt", "see");
        testutil::ScratchRepository other(repo);
        EXPECT_TRUE(other->Dispatch((src / "c.txt").c_str()));
        return other->Item(0)->m_stored;
    }
    std::string Args(const std::string& rest) const { return rest + " -c " + Quote(ini); }
    // Runs the program and fails the test if it shows any window.
    testutil::OutputResult RunQuiet(const std::string& args) {
        bool shown = false;
        auto r = testutil::RunProgramWithOutput(args, [&](DWORD pid) {
            if (!testutil::VisibleWindowsOf(pid).empty()) shown = true;
        });
        EXPECT_FALSE(shown) << args;
        EXPECT_FALSE(r.timedOut) << args;
        return r;
    }

    TempDir base, src;
    std::string repo, ini;
    testutil::ScriptedPrompt prompt;
};

TEST_F(CheckCommandLine, ExitCodeAndReportOnStandardOutput) {
    auto r = RunQuiet(Args("/Check /Quiet"));
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.output, "Check of the repository " + repo + "\r\nNo problems found.\r\n");

    ASSERT_TRUE(DeleteFileA((repo + "\\br000000\\a.txt").c_str()));
    std::string orphan = LeaveOrphan();
    r = RunQuiet(Args("/Quiet /Check"));
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.output.find("Stored copy missing: " + repo + "\\br000000\\a.txt\r\n"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Copy that no item refers to: " + orphan + "\r\n"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Problems found: 2.\r\n"), std::string::npos) << r.output;
    // Nothing was changed: the catalogue still holds its two items and no more.
    CDataFile catalogue;
    ASSERT_TRUE(catalogue.SetFolder(repo));
    catalogue.Load();
    EXPECT_EQ(catalogue.GetCount(), 2u);
}

TEST_F(CheckCommandLine, ACheckThatCannotRunEndsWithTwo) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::string args;
        const char* says;
    };
    std::unique_ptr<std::remove_pointer_t<HANDLE>, decltype(&CloseHandle)> mutex(nullptr,
                                                                                 CloseHandle);
    const Case cases[] = {
        {"no repository", [] {}, "/Check /Quiet -c " + Quote(base / "Nowhere\\Brenna.ini"),
         "The check could not run: the repository folder does not exist."},
        {"catalogue unreadable",
         [&] {
             testutil::WriteFile(repo + "\\brenna.dat", std::string("BRNG\0\0\2\0\7\0\0\0", 12));
         },
         Args("/Check /Quiet"),
         "The check could not run: the catalogue file brenna.dat cannot be read."},
        {"repository held by another process",
         [&] {
             // A new repository without a catalogue yet would be checked, were it free.
             DeleteFileA((repo + "\\brenna.dat").c_str());
             mutex.reset(CreateMutexA(
                 nullptr, TRUE, MakeObjectName("BrennaholdMutexNotification", ini, 256).c_str()));
         },
         Args("/Check /Quiet"),
         "The check could not run: another process is using the repository."},
    };
    for (const Case& c : cases) {
        c.prepare();
        auto r = RunQuiet(c.args);
        EXPECT_EQ(r.exitCode, 2u) << c.name;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.name << ": " << r.output;
    }
}

TEST_F(CheckCommandLine, WithoutQuietTheReportIsShownAndRecoveryAsksFirst) {
    std::string orphan = LeaveOrphan();
    int stage = 0;
    std::string shownReport, question, afterRecovery;
    bool recoverEnabled = false;
    auto r = testutil::RunProgramWithOutput(Args("/Check"), [&](DWORD pid) {
        if (stage == 0) {
            if (HWND dlg = FindDialog(pid, true)) {
                shownReport = ControlText(GetDlgItem(dlg, IDC_CHECK_REPORT));
                recoverEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_CHECK_RECOVER));
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHECK_RECOVER, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_CHECK_RECOVER)));
                stage = 1;
            }
        } else if (stage == 1) {
            if (HWND box = FindDialog(pid, false)) {
                question = ControlText(GetDlgItem(box, 0xFFFF));
                PostMessageA(box, WM_COMMAND, IDYES, 0);
                stage = 2;
            }
        } else if (stage == 2) {
            HWND dlg = FindDialog(pid, true);
            std::string text = dlg ? ControlText(GetDlgItem(dlg, IDC_CHECK_REPORT)) : "";
            if (text.rfind("Items recorded: 1.", 0) == 0) {
                afterRecovery = text;
                PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                stage = 3;
            }
        }
    });
    ASSERT_FALSE(r.timedOut) << "stage " << stage;
    EXPECT_EQ(stage, 3);
    EXPECT_EQ(shownReport, r.output);
    EXPECT_NE(shownReport.find("Copy that no item refers to: " + orphan), std::string::npos);
    EXPECT_TRUE(recoverEnabled);
    EXPECT_EQ(question,
              "Record the copies that no item refers to as new items with the description "
              "\"recovered\"?");
    EXPECT_NE(afterRecovery.find("No problems found."), std::string::npos) << afterRecovery;
    // The last check found the repository clean.
    EXPECT_EQ(r.exitCode, 0u);
    CDataFile catalogue;
    ASSERT_TRUE(catalogue.SetFolder(repo));
    ASSERT_TRUE(catalogue.Load());
    ASSERT_EQ(catalogue.GetCount(), 3u);
    EXPECT_EQ(catalogue.GetItem(2)->m_stored, orphan);
    EXPECT_EQ(catalogue.GetItem(2)->m_source, orphan);
    EXPECT_EQ(catalogue.GetItem(2)->m_description, "recovered");
}

TEST_F(CheckCommandLine, WhileTheRepositoryIsOpenElsewhereNothingIsRecoveredHere) {
    LeaveOrphan();
    // The event that a running instance of this repository holds.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE,
                                MakeObjectName("BrennaholdEventNotification", ini, 256).c_str());
    bool recoverEnabled = true, seen = false;
    auto r = testutil::RunProgramWithOutput(Args("/Check"), [&](DWORD pid) {
        if (HWND dlg = FindDialog(pid, true); dlg && !seen) {
            seen = true;
            recoverEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_CHECK_RECOVER));
            PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        }
    });
    CloseHandle(event);
    ASSERT_TRUE(seen);
    EXPECT_FALSE(recoverEnabled);
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.output.find("Brennahold is open on this repository"), std::string::npos)
        << r.output;
}

}  // namespace
