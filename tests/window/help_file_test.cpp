// The compiled help files beside the program, opened as data: every topic the program can open
// lands on a page, the Japanese pages are Shift_JIS text that says so, and the links resolve.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <regex>
#include <set>

#include "MainWindowFixture.h"
#include "ProcessUtil.h"
#include "app/HelpFile.h"
#include "fw/Strings.h"
#include "resource.h"

namespace {

std::string ProgramFolder() {
    std::string exe = testutil::ProgramPath();
    return exe.substr(0, exe.rfind('\\'));
}

// The Unix path of a Windows path, through Wine's own export.
std::string UnixPath(const std::string& path) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!fn) return {};
    std::wstring wide(MAX_PATH, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), MAX_PATH);
    if (n <= 0) return {};
    char* unix = fn(wide.c_str());
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Unpacks the .chm with the build machine's 7z. Wine starts a Unix program without a process
// handle to wait on, so the shell writes the exit code to a file that is looked for.
bool Unpack(const std::string& chm, const std::string& dir) {
    std::string unixChm = UnixPath(chm), unixDir = UnixPath(dir);
    if (unixChm.empty() || unixDir.empty()) return false;
    std::string cmd = "Z:\\bin\\sh -c \"7z x -y '-o" + unixDir + "/out' '" + unixChm +
                      "' >/dev/null 2>&1; echo $? > '" + unixDir + "/rc.tmp'; mv '" + unixDir +
                      "/rc.tmp' '" + unixDir + "/rc'\"";
    // No handle comes back for a Linux program, so none is asked for.
    fw::CHandle process(testutil::StartCommand(cmd));
    for (int i = 0; i < 600 && !testutil::Exists(dir + "\\rc"); ++i) Sleep(100);
    return testutil::ReadFile(dir + "\\rc").rfind("0", 0) == 0;
}

// One unpacked help file.
class Chm {
public:
    explicit Chm(const std::string& path) {
        unpacked = Unpack(path, tmp.Path());
        root = tmp / "out";
    }
    std::string File(const std::string& name) const {
        return testutil::ReadFile(root + "\\" + name);
    }
    bool Has(const std::string& name) const { return testutil::Exists(root + "\\" + name); }
    // The page that context number topic opens, read from the compiled #IVB and #STRINGS; empty
    // when it has none.
    std::string PageOf(DWORD topic) const {
        std::string ivb = File("#IVB"), strings = File("#STRINGS");
        if (ivb.size() < 4) return {};
        for (size_t at = 4; at + 8 <= ivb.size(); at += 8) {
            DWORD id, offset;
            memcpy(&id, ivb.data() + at, 4);
            memcpy(&offset, ivb.data() + at + 4, 4);
            if (id == topic && offset < strings.size()) return strings.c_str() + offset;
        }
        return {};
    }
    std::vector<std::string> Pages() const {
        std::vector<std::string> pages;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((root + "\\*.htm").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return pages;
        do pages.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
        return pages;
    }

    testutil::TempDir tmp;
    std::string root;
    bool unpacked = false;
};

const char* const kHelpFiles[] = {"Brennahold.chm", "Brennahold.ja.chm"};

// Every topic the program can open, asked of the program itself: the application's help map and
// its areas, and each command of the frame's Help menu (with the Quillon item the start-up adds).
class HelpTopics : public ItemCommands {
protected:
    std::set<DWORD> ProgramTopics() {
        std::set<DWORD> topics;
        CBrennaApp app;
        app.FillHelpMap();
        for (const auto& [key, topic] : app.m_helpMap) topics.insert(topic);
        for (DWORD data : {HID_BASE_COMMAND + 1u, HID_BASE_RESOURCE + 1u, HID_BASE_NONCLIENT + 1u,
                           HID_BASE_CONTROL + 1u}) {
            DWORD topic;
            if (app.MapHelpId(data, topic)) topics.insert(topic);
        }
        Open();
        HMENU help = GetSubMenu(GetMenu(frame->Hwnd()), 3);
        std::vector<UINT> commands{ID_HELP_QUILLON, ID_DEFAULT_HELP};
        for (int i = 0; i < GetMenuItemCount(help); ++i)
            if (UINT id = GetMenuItemID(help, i); id && id != UINT(-1)) commands.push_back(id);
        for (UINT id : commands) Command(id);
        topics.insert(helpTopics.begin(), helpTopics.end());
        return topics;
    }
};

TEST_F(HelpTopics, EveryTopicTheProgramOpensLandsOnAPageInBothLanguages) {
    std::set<DWORD> topics = ProgramTopics();
    // Topics that the map, its areas and the menu each reach; an empty source would drop them.
    for (DWORD t : {HELP_TOPIC_CONTENTS, HELP_TOPIC_FINDER, HELP_TOPIC_QUILLON, HELP_TOPIC_ITEMS,
                    HELP_TOPIC_WINDOW, HELP_TOPIC_NONCLIENT, HELP_TOPIC_BRENNAHOLD_HOMEPAGE})
        EXPECT_TRUE(topics.count(t)) << t;
    for (const char* name : kHelpFiles) {
        SCOPED_TRACE(name);
        Chm chm(ProgramFolder() + "\\" + name);
        ASSERT_TRUE(chm.unpacked);
        for (DWORD topic : topics) {
            SCOPED_TRACE(topic);
            std::string page = chm.PageOf(topic);
            ASSERT_FALSE(page.empty());
            // A name the viewer looks up inside the file: relative, not the build machine's path.
            EXPECT_EQ(page.find_first_of("/\\:"), std::string::npos) << page;
            std::string html = chm.File(page);
            EXPECT_NE(html.find("<h1>"), std::string::npos) << page;
            EXPECT_GT(html.size(), 400u) << page;
        }
    }
}

// Each page links only to pages of the same file; the contents tree and the index too.
TEST(HelpFile, LinksContentsAndIndexResolveInsideTheFile) {
    const std::regex link(R"re((?:href|value)="([^"#:]+\.(?:htm|css))(?:#[^"]*)?")re",
                          std::regex::icase);
    for (const char* name : kHelpFiles) {
        SCOPED_TRACE(name);
        Chm chm(ProgramFolder() + "\\" + name);
        ASSERT_TRUE(chm.unpacked);
        std::vector<std::string> files = chm.Pages();
        EXPECT_GE(files.size(), 15u);
        files.push_back("contents.hhc");
        files.push_back("index.hhk");
        size_t links = 0;
        for (const std::string& f : files) {
            std::string text = chm.File(f);
            ASSERT_FALSE(text.empty()) << f;
            for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
                ++links;
                EXPECT_TRUE(chm.Has((*it)[1].str())) << f << " -> " << (*it)[1].str();
            }
        }
        EXPECT_GT(links, 100u);
    }
}

// The Japanese file is code page 932 text throughout, declared Shift_JIS, really Japanese, and
// compiled for the Japanese locale; the English one is plain ASCII.
TEST(HelpFile, JapanesePagesAreShiftJisAndSaySo) {
    Chm ja(ProgramFolder() + "\\Brennahold.ja.chm");
    ASSERT_TRUE(ja.unpacked);
    std::vector<std::string> files = ja.Pages();
    ASSERT_FALSE(files.empty());
    files.push_back("contents.hhc");
    files.push_back("index.hhk");
    for (const std::string& f : files) {
        SCOPED_TRACE(f);
        std::string text = ja.File(f);
        int wide = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(),
                                       static_cast<int>(text.size()), nullptr, 0);
        EXPECT_GT(wide, 0) << "not valid code page 932";
        EXPECT_LT(static_cast<size_t>(wide), text.size()) << "no double-byte characters";
        EXPECT_NE(text.find("charset=Shift_JIS"), std::string::npos);
        EXPECT_EQ(text.find("charset=UTF-8"), std::string::npos);
        // UTF-8 lead bytes of kana (E3 81..E3 83) would mean an unconverted page.
        EXPECT_EQ(text.find("\xE3\x81"), std::string::npos);
    }
    // The title of the contents page, as the string "Brennahold ヘルプ" reads in code page 932.
    EXPECT_NE(ja.File("index.htm").find("<title>Brennahold \x83\x77\x83\x8B\x83\x76</title>"),
              std::string::npos);

    Chm en(ProgramFolder() + "\\Brennahold.chm");
    ASSERT_TRUE(en.unpacked);
    for (const std::string& f : en.Pages()) {
        std::string text = en.File(f);
        for (unsigned char c : text) ASSERT_LT(c, 0x80) << f;
    }
}

// The help file follows the string table's language; Japanese falls back to the English file
// when its own is missing, and a dot in a folder name is not the extension's.
TEST(HelpFile, ChoiceFollowsTheLanguageAndTheFilesThere) {
    testutil::TempDir dir;
    std::string withJa = dir / "a\\Brennahold.exe", withoutJa = dir / "b.1\\Brennahold.exe";
    testutil::WriteFile(dir / "a\\Brennahold.ja.chm", "x");
    testutil::WriteFile(dir / "a\\Brennahold.chm", "x");
    testutil::WriteFile(dir / "b.1\\Brennahold.chm", "x");
    const struct {
        std::string exe, language, expected;
    } cases[] = {
        {withJa, "en", dir / "a\\Brennahold.chm"},
        {withJa, "ja", dir / "a\\Brennahold.ja.chm"},
        {withoutJa, "ja", dir / "b.1\\Brennahold.chm"},
        {dir / "b.1\\Brennahold", "ja", dir / "b.1\\Brennahold.chm"},
        {"", "en", ""},
        {std::string(MAX_PATH, 'x'), "en", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseHelpFile(c.exe, c.language), c.expected) << c.exe;
    // The program's own choice for the string table in use.
    std::string exe = testutil::ProgramPath();
    std::string expected = exe.substr(0, exe.rfind('.')) +
                           (fw::LoadStr(IDS_HELP_LANGUAGE) == "ja" ? ".ja.chm" : ".chm");
    EXPECT_EQ(ChooseHelpFile(exe, fw::LoadStr(IDS_HELP_LANGUAGE)), expected);
}

}  // namespace
