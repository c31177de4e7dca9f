// The progress window of long operations on the real main window: it stays away from short work,
// appears for long work while the main window repaints and takes no input, and its Cancel ends the
// work within about a second, leaving the repository as it was.
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "MainWindowFixture.h"
#include "fw/Strings.h"
#include "resource.h"
#include "store/RepositoryCheck.h"
#include "string_ids.h"
#include "view/LongOperation.h"

using testutil::Pump;

namespace {

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK IsProgressWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->process && IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_PROGRESS_BAR)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible progress window of this process, if any.
HWND FindProgressWindow() {
    Search search{GetCurrentProcessId(), nullptr};
    EnumWindows(IsProgressWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// UTF-8 text in the ANSI code page.
std::string Acp(const char* utf8) {
    wchar_t wide[MAX_PATH];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, MAX_PATH);
    char out[MAX_PATH * 2];
    WideCharToMultiByte(CP_ACP, 0, wide, n, out, sizeof out, nullptr, nullptr);
    return out;
}

// Watches from a thread of its own while the window thread is inside the operation.
class Watcher {
public:
    explicit Watcher(std::function<void(Watcher&)> body)
        : m_thread([this, body] { body(*this); }) {}
    ~Watcher() { Join(); }
    void Join() {
        if (m_thread.joinable()) m_thread.join();
    }
    std::atomic<bool> stop{false};

private:
    std::thread m_thread;
};

class ProgressWindow : public MainWindow {
protected:
    // n files of 1 KB in folders of 100 below src\name.
    std::string Tree(const std::string& name, int n) {
        std::string root = src / name;
        std::string block(1024, 'x');
        for (int i = 0; i < n; ++i)
            testutil::WriteFile(root + "\\d" + std::to_string(i / 100) + "\\f" + std::to_string(i) + ".txt",
                                block);
        return root;
    }
    void Drop(const std::string& path) {
        SendMessageA(frame->Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
    }
};

TEST_F(ProgressWindow, StaysAwayFromShortWork) {
    Open();
    std::string tree = Tree("small", 5);
    std::atomic<bool> seen{false};
    Watcher watcher([&](Watcher& w) {
        while (!w.stop) {
            if (FindProgressWindow()) seen = true;
            Sleep(10);
        }
    });
    Drop(tree);
    Sleep(view::kProgressDelayMs + 200);
    Pump();
    watcher.stop = true;
    watcher.Join();
    EXPECT_FALSE(seen);
    EXPECT_EQ(Rows(), 1);
    EXPECT_TRUE(IsWindowEnabled(frame->Hwnd()));
}

TEST_F(ProgressWindow, AppearsForLongWorkWhileTheMainWindowRepaintsAndCancelEndsIt) {
    Open();
    std::string tree = Tree("large", 8000);
    const DWORD dropped = GetTickCount();
    std::atomic<DWORD> appeared{0}, cancelled{0};
    std::atomic<bool> disabledMeanwhile{false}, repainted{false};
    std::string stageText, countsText;
    Watcher watcher([&](Watcher& w) {
        HWND progress = nullptr;
        while (!w.stop && !(progress = FindProgressWindow())) Sleep(10);
        if (!progress) return;
        appeared = GetTickCount();
        disabledMeanwhile = !IsWindowEnabled(frame->Hwnd());
        // The list is invalidated from here; the window thread must paint it while it works.
        HWND list = List();
        InvalidateRect(list, nullptr, TRUE);
        for (int i = 0; i < 100 && !repainted; ++i) {
            Sleep(10);
            repainted = !GetUpdateRect(list, nullptr, FALSE);
        }
        // Some files copied, so that the window has counts to show; the tree is large enough
        // that a loaded machine is still copying it when the cancel comes.
        Sleep(200);
        stageText = testutil::DlgText(progress, IDC_PROGRESS_STAGE);
        countsText = testutil::DlgText(progress, IDC_PROGRESS_COUNTS);
        cancelled = GetTickCount();
        PostMessageA(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(progress, IDCANCEL)));
    });
    Drop(tree);
    const DWORD ended = GetTickCount();
    watcher.stop = true;
    watcher.Join();

    ASSERT_NE(appeared.load(), 0u) << "no progress window appeared";
    EXPECT_GE(appeared - dropped, view::kProgressDelayMs - 50);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(repainted);
    EXPECT_EQ(stageText, fw::LoadStr(IDS_PROGRESS_COPYING));
    EXPECT_NE(countsText.find(" 8000 "), std::string::npos) << countsText;
    ASSERT_NE(cancelled.load(), 0u);
    // Within a second, with room for a loaded machine.
    EXPECT_LT(ended - cancelled, 2000u);
    std::printf("cancel took %lu ms\n", static_cast<unsigned long>(ended - cancelled));

    // Nothing of the cancelled evacuation stays, no message was shown, and the window is back.
    Pump();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Repository().Count(), 0u);
    EXPECT_TRUE(prompt.shown.empty());
    store::CheckResult check = store::CheckRepository(Repository());
    EXPECT_TRUE(check.Clean()) << store::FormatCheckReport(check, repo);
    EXPECT_EQ(FindProgressWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(frame->Hwnd()));

    // The same drop without a cancel goes in whole.
    Drop(tree);
    Pump();
    EXPECT_EQ(Rows(), 1);
}

// Paths handed over by another process while a long drop is under way wait for it to end, so
// that two workers never change the repository at once; both are recorded.
TEST_F(ProgressWindow, PathsHandedOverMeanwhileWaitForTheWorkInHand) {
    Open();
    std::string tree = Tree("large", 1500);
    testutil::WriteFile(src / "handed.txt", "handed over");
    std::atomic<bool> sent{false};
    Watcher watcher([&](Watcher& w) {
        while (!w.stop && !FindProgressWindow()) Sleep(10);
        if (w.stop) return;
        std::string block = src / "handed.txt" + '\0' + '\0';
        COPYDATASTRUCT cds{1, static_cast<DWORD>(block.size()), block.data()};
        SendMessageA(frame->Hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        sent = true;
    });
    Drop(tree);
    Pump();
    watcher.Join();
    ASSERT_TRUE(sent);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), "large");
    EXPECT_EQ(Cell(1, 0), "handed.txt");
    store::CheckResult check = store::CheckRepository(Repository());
    EXPECT_TRUE(check.Clean()) << store::FormatCheckReport(check, repo);
}

// With BRENNA_SCREENSHOT_DIR set, shows the progress window of a long evacuation and writes the
// rectangle of the main window and the progress window to progress-<lang>.geom; it goes on when
// the file is gone (scripts/progress-screenshots.sh takes the picture).
TEST_F(ProgressWindow, ShowForCapture) {
    const char* dir = std::getenv("BRENNA_SCREENSHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "BRENNA_SCREENSHOT_DIR is not set";
    const bool ja = testutil::IsJapaneseCodePage();
    const std::string geom = std::string(dir) + "\\progress" + (ja ? "-ja" : "-en") + ".geom";
    Open();
    Evacuate("Notes.txt", "notes");
    std::string tree = Tree(ja ? Acp("写真") : "Photos", 6000);
    Watcher watcher([&](Watcher& w) {
        HWND progress = nullptr;
        while (!w.stop && !(progress = FindProgressWindow())) Sleep(10);
        if (!progress) return;
        Sleep(700);
        RECT a, b;
        GetWindowRect(frame->Hwnd(), &a);
        GetWindowRect(progress, &b);
        RECT u;
        UnionRect(&u, &a, &b);
        {
            std::ofstream out(geom);
            out << (u.right - u.left) << ' ' << (u.bottom - u.top) << ' ' << u.left << ' ' << u.top
                << '\n';
        }
        for (int i = 0; i < 600 && GetFileAttributesA(geom.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(100);
        PostMessageA(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    Drop(tree);
    watcher.stop = true;
}

}  // namespace
