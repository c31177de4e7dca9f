// The search for a moved INI file over real drive letters: Wine's mount manager maps a letter to
// a folder (it writes the link $WINEPREFIX/dosdevices/<letter>: that every process of the prefix
// sees at once), and the program is started on an INI path whose drive letter is wrong.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "frame/FindIniDialog.h"
#include "fw/Strings.h"
#include "resource.h"
#include "string_ids.h"

namespace {

// Wine's request to define a drive letter for a Linux folder (no folder: remove the letter).
struct UnixDrive {
    ULONG size, type, fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset, deviceOffset, labelOffset;
};
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineDrive(char letter, const std::string& linuxPath) {
    HANDLE mgr =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (mgr == INVALID_HANDLE_VALUE) return false;
    std::vector<char> buf(sizeof(UnixDrive) + linuxPath.size() + 1);
    auto* d = reinterpret_cast<UnixDrive*>(buf.data());
    d->size = static_cast<ULONG>(buf.size());
    d->type = linuxPath.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
    d->letter = static_cast<WCHAR>(letter - 'A' + 'a');
    if (!linuxPath.empty()) {
        d->mountPointOffset = sizeof(UnixDrive);
        memcpy(buf.data() + sizeof(UnixDrive), linuxPath.c_str(), linuxPath.size() + 1);
    }
    DWORD n;
    BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buf.data(), d->size, nullptr, 0, &n, nullptr);
    CloseHandle(mgr);
    return ok;
}

// The Linux path of a folder of the prefix's C: drive.
std::string LinuxPath(const std::string& windowsPath) {
    char prefix[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    EXPECT_TRUE(n > 0 && n < MAX_PATH) << "WINEPREFIX is not set";
    EXPECT_EQ(toupper(windowsPath[0]), 'C');
    std::string out = std::string(prefix, n) + "/drive_c" + windowsPath.substr(2);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

class FindIni : public ::testing::Test {
protected:
    // Three letters of their own for each test, since tests run side by side: two for the
    // drives, the middle one for where the INI file used to be.
    void Pick(int slot) {
        DWORD used = GetLogicalDrives();
        for (char c = static_cast<char>('E' + 3 * slot); letters.size() < 3; ++c) {
            ASSERT_FALSE(used & (1u << (c - 'A'))) << c << ": is taken";
            letters.push_back(c);
        }
        gone = letters[1];
        rest = ":\\BrennaMoved" + std::to_string(GetCurrentProcessId()) + "\\Brenna.ini";
        missing = gone + rest;
    }
    void TearDown() override {
        for (char c : mapped) DefineDrive(c, {});
    }
    // Maps letter to a folder holding the INI file (and a repository beside it).
    void Map(char letter, testutil::TempDir& folder) {
        testutil::WriteFile(folder.Path() + rest.substr(1), "[Settings]\r\n");
        ASSERT_TRUE(DefineDrive(letter, LinuxPath(folder.Path())));
        mapped.push_back(letter);
        ASSERT_NE(GetFileAttributesA((std::string(1, letter) + rest).c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
    std::vector<std::string> ComboEntries(HWND dlg) {
        std::vector<std::string> out;
        HWND combo = GetDlgItem(dlg, IDC_FINDINI_DRIVES);
        for (LRESULT i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
            char text[16] = {};
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    }

    std::vector<char> letters, mapped;
    char gone = 0;
    std::string rest, missing;
    testutil::TempDir first, second;
};

TEST_F(FindIni, OneOtherDriveIsTakenWithoutAsking) {
    Pick(0);
    Map(letters[2], second);
    testutil::ScriptedPrompt prompt;
    std::vector<std::string> entries;
    prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
        EXPECT_TRUE(dlg.CreateModeless(nullptr));
        entries = ComboEntries(dlg.Hwnd());
        // The dialog closes itself with the one drive.
        for (int i = 0; i < 100 && dlg.Hwnd(); ++i) testutil::PumpFor(20);
        EXPECT_EQ(dlg.Hwnd(), nullptr);
        return dlg.Result();
    });
    std::string path = missing;
    ASSERT_TRUE(FindIniFile(path));
    EXPECT_EQ(path, letters[2] + rest);
    EXPECT_EQ(entries, std::vector<std::string>{std::string(1, letters[2]) + ":"});
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(FindIni, TwoDrivesAreListedInOrderWithTheFirstChosen) {
    Pick(1);
    Map(letters[2], second);
    Map(letters[0], first);
    testutil::ScriptedPrompt prompt;
    const std::string a = std::string(1, letters[0]) + ":", b = std::string(1, letters[2]) + ":";
    // OK as offered; a typed text that names no listed drive is refused, a listed one in any
    // case is taken; Cancel abandons.
    struct Case {
        const char* typed;
        bool refused;
        std::string result;
    };
    const std::string lowerB = std::string(1, static_cast<char>(tolower(letters[2]))) + ":";
    const Case cases[] = {
        {nullptr, false, letters[0] + rest},
        {"Q", true, {}},
        {"", true, {}},
        {lowerB.c_str(), false, letters[2] + rest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "as offered");
        prompt.shown.clear();
        prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
            EXPECT_TRUE(dlg.CreateModeless(nullptr));
            HWND h = dlg.Hwnd();
            testutil::Pump();
            EXPECT_NE(dlg.Hwnd(), nullptr) << "closed without the user";
            if (!dlg.Hwnd()) return dlg.Result();
            EXPECT_EQ(ComboEntries(h), (std::vector<std::string>{a, b}));
            EXPECT_EQ(SendDlgItemMessageA(h, IDC_FINDINI_DRIVES, CB_GETCURSEL, 0, 0), 0);
            EXPECT_EQ(testutil::DlgText(h, IDC_FINDINI_PATH), missing);
            if (c.typed) SetDlgItemTextA(h, IDC_FINDINI_DRIVES, c.typed);
            SendMessageA(h, WM_COMMAND, IDOK, 0);
            if (dlg.Hwnd()) SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
            return dlg.Result();
        });
        std::string path = missing;
        EXPECT_EQ(FindIniFile(path), !c.refused);
        if (c.refused) {
            EXPECT_EQ(path, missing);
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FINDINI_CHOOSE_DRIVE));
        } else {
            EXPECT_EQ(path, c.result);
            EXPECT_TRUE(prompt.shown.empty());
        }
    }
}

TEST_F(FindIni, NoDriveOrNoDriveLetterGivesTheMessage) {
    Pick(2);
    testutil::ScriptedPrompt prompt;
    for (std::string path : {missing, std::string("\\\\server\\share\\Brenna.ini")}) {
        prompt.shown.clear();
        std::string asked = path;
        EXPECT_FALSE(FindIniFile(path));
        EXPECT_EQ(path, asked);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown[0].text, fw::FormatStr(IDS_INI_NOT_FOUND, asked.c_str()));
    }
}

TEST_F(FindIni, ProgramStartsOnTheDriveThatHoldsTheIni) {
    Pick(3);
    Map(letters[2], second);
    testutil::TempDir src;
    testutil::WriteFile(src / "a.txt", "alpha");
    auto r = testutil::RunProgram("-c " + testutil::Quote(missing) + " " +
                                  testutil::Quote(src / "a.txt"));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    // No message box; the drive dialog, which has no message text, may be seen before it
    // closes itself.
    for (const std::string& m : r.messages) EXPECT_EQ(m, "");
    std::string repo = second.Path() + rest.substr(1, rest.rfind('\\') - 1);
    EXPECT_EQ(testutil::ReadFile(repo + "\\br000000\\a.txt"), "alpha");
    EXPECT_TRUE(testutil::Exists(repo + "\\brenna.dat"));
}

}  // namespace
