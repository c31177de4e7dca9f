// Copy, paste and the drag out between real processes of the program under Wine: the clipboard
// is shared by every process of the prefix, and an OLE drop target in this process receives the
// program's drag.
#include <gtest/gtest.h>
#include <windows.h>
// The shell, OLE and common control headers need the types of windows.h first.
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <atomic>
#include <optional>
#include <thread>

#include "Bytes.h"
#include "ProcessUtil.h"
#include "ScratchRepository.h"
#include "TestUtil.h"
#include "WindowTestUtil.h"
#include "fw/Strings.h"
#include "resource.h"
#include "store/TransferBlocks.h"
#include "view/DragDrop.h"

using testutil::Quote;
using testutil::TempDir;
using testutil::U32;

namespace {

UINT EffectFormat() { return RegisterClipboardFormatA("Preferred DropEffect"); }
UINT PrivateFormat() { return RegisterClipboardFormatA("Brennahold Evac Files Data"); }

// The clipboard may be open in the program for a moment (its toolbar asks whether Paste is
// possible whenever it is idle), so opening is retried.
bool OpenClipboardPatiently() {
    for (int i = 0; i < 200; ++i, Sleep(10))
        if (OpenClipboard(nullptr)) return true;
    return false;
}

void PutOnClipboard(const std::vector<std::pair<UINT, std::string>>& blocks) {
    ASSERT_TRUE(OpenClipboardPatiently());
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        view::CGlobalMemory mem(store::Bytes(bytes.begin(), bytes.end()));
        if (SetClipboardData(format, mem.Get())) mem.Release();
    }
    CloseClipboard();
}

std::optional<std::string> ClipboardBytes(UINT format) {
    if (!OpenClipboardPatiently()) return std::nullopt;
    std::optional<std::string> out;
    if (IsClipboardFormatAvailable(format)) {
        view::CGlobalLock lock(GetClipboardData(format));
        out = std::string(lock.Data(), lock.Data() + lock.Size());
    }
    CloseClipboard();
    return out;
}

int FormatCount() {
    if (!OpenClipboardPatiently()) return -1;
    int n = CountClipboardFormats();
    CloseClipboard();
    return n;
}

std::string Str(const store::Bytes& b) { return {b.begin(), b.end()}; }

// A repository folder with its INI, and the program running on it.
struct Instance {
    TempDir base;
    std::string repo = base / "Repo";
    std::string ini = repo + "\\Brenna.ini";
    HANDLE process = nullptr;
    HWND frame = nullptr;

    Instance() { testutil::WriteFile(ini, "[Settings]\r\n"); }
    ~Instance() { Close(); }
    bool Start() {
        process = testutil::StartProgram("-c " + Quote(ini));
        std::string title = "Brennahold - " + repo;
        for (DWORD t = GetTickCount(); !frame && GetTickCount() - t < 20000; Sleep(50))
            frame = FindWindowA("BrennaholdFrame", title.c_str());
        // The first idle pass follows the window's creation.
        Sleep(300);
        return process && frame;
    }
    // Sends a command as the menu sends it, answering the program's message boxes meanwhile;
    // returns their texts.
    std::vector<std::string> Command(UINT id) {
        std::atomic<bool> done{false};
        std::thread sender([&] {
            DWORD_PTR r;
            SendMessageTimeoutA(frame, WM_COMMAND, id, 0, SMTO_NORMAL, 60000, &r);
            done = true;
        });
        std::vector<std::string> texts;
        std::set<HWND> answered;
        DWORD pid = GetProcessId(process);
        while (!done) {
            auto shown = testutil::AnswerMessageBoxes(pid, answered);
            texts.insert(texts.end(), shown.begin(), shown.end());
            Sleep(50);
        }
        sender.join();
        return texts;
    }
    void Close() {
        if (!process) return;
        PostMessageA(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
        CloseHandle(process);
        process = nullptr;
    }
    std::vector<std::unique_ptr<CBrennaItem>> Saved() const {
        CDataFile saved;
        saved.SetFolder(repo);
        EXPECT_TRUE(saved.Load());
        std::vector<std::unique_ptr<CBrennaItem>> items;
        for (size_t i = 0; i < saved.GetCount(); ++i) {
            auto item = std::make_unique<CBrennaItem>();
            const CBrennaItem* s = saved.GetItem(i);
            item->m_source = s->m_source;
            item->m_stored = s->m_stored;
            item->m_description = s->m_description;
            item->m_evacuationTime = s->m_evacuationTime;
            items.push_back(std::move(item));
        }
        return items;
    }
};

class ClipboardProcesses : public ::testing::Test {
protected:
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override {
        PutOnClipboard({});
        OleUninitialize();
    }
    // Two items in a's repository, recorded with their descriptions (one empty) and times.
    std::vector<store::TransferRecord> FillA() {
        testutil::WriteFile(src / "a.txt", "alpha");
        testutil::WriteFile(src / "b.txt", "beta");
        std::vector<store::TransferRecord> records = {
            {0x11110000, 0x01D90001, src / "a.txt", a.repo + "\\br000000\\a.txt", "about a"},
            {0x22220000, 0x01D90002, src / "b.txt", a.repo + "\\br000000\\b.txt", ""}};
        testutil::ScratchRepository scratch(a.repo);
        for (const auto& r : records)
            EXPECT_TRUE(scratch->EvacuateWithInfo(r.source.c_str(), r.source.c_str(),
                                                  r.description.c_str(),
                                                  FILETIME{r.timeLow, r.timeHigh}));
        EXPECT_TRUE(scratch->Save(FALSE));
        return records;
    }

    TempDir src;
    Instance a, b;
};

TEST_F(ClipboardProcesses, CopiedItemsPasteIntoAnotherRepositoryAsTheyWereAndNotIntoTheirOwn) {
    auto records = FillA();
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    PutOnClipboard({});
    EXPECT_TRUE(a.Command(ID_EDIT_SELECT_ALL).empty());
    EXPECT_TRUE(a.Command(ID_EDIT_COPY).empty());
    EXPECT_EQ(ClipboardBytes(CF_HDROP),
              Str(store::BuildFileList({records[0].copy, records[1].copy})));
    EXPECT_EQ(ClipboardBytes(EffectFormat()), U32(1));
    EXPECT_EQ(ClipboardBytes(PrivateFormat()), Str(store::BuildItemBlock(records)));

    // Another repository records the same sources, descriptions and times, with its own copies.
    EXPECT_TRUE(b.Command(ID_EDIT_PASTE).empty());
    EXPECT_EQ(FormatCount(), 0);
    b.Close();
    auto pasted = b.Saved();
    ASSERT_EQ(pasted.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(pasted[i]->m_source, records[i].source);
        EXPECT_EQ(pasted[i]->m_description, records[i].description);
        EXPECT_EQ(pasted[i]->m_evacuationTime.dwLowDateTime, records[i].timeLow);
        EXPECT_EQ(pasted[i]->m_evacuationTime.dwHighDateTime, records[i].timeHigh);
        EXPECT_EQ(pasted[i]->m_stored.rfind(b.repo + "\\br", 0), 0u) << pasted[i]->m_stored;
        EXPECT_EQ(testutil::ReadFile(pasted[i]->m_stored), i == 0 ? "alpha" : "beta");
    }

    // Its own repository adds nothing, and the clipboard is consumed all the same.
    EXPECT_TRUE(a.Command(ID_EDIT_COPY).empty());
    EXPECT_GT(FormatCount(), 0);
    EXPECT_TRUE(a.Command(ID_EDIT_PASTE).empty());
    EXPECT_EQ(FormatCount(), 0);
    a.Close();
    EXPECT_EQ(a.Saved().size(), 2u);
}

TEST_F(ClipboardProcesses, ShellCutMovesFilesInUntilASourceCannotBeDeleted) {
    std::vector<std::string> files = {src / "one.txt", src / "two.txt", src / "three.txt"};
    for (const auto& f : files) testutil::WriteFile(f, f);
    SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(b.Start());
    PutOnClipboard({{CF_HDROP, Str(store::BuildFileList(files))}, {EffectFormat(), U32(2)}});
    auto shown = b.Command(ID_EDIT_PASTE);
    EXPECT_EQ(shown,
              std::vector<std::string>{fw::FormatStr(IDS_PASTE_SOURCE_KEPT, files[1].c_str())});
    EXPECT_EQ(FormatCount(), 0);
    EXPECT_FALSE(testutil::Exists(files[0]));
    EXPECT_TRUE(testutil::Exists(files[1]));
    EXPECT_TRUE(testutil::Exists(files[2]));
    // Saved before any source went.
    auto saved = b.Saved();
    ASSERT_EQ(saved.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(saved[i]->m_source, files[i]);
        EXPECT_EQ(testutil::ReadFile(saved[i]->m_stored), files[i]);
    }
    SetFileAttributesA(files[1].c_str(), FILE_ATTRIBUTE_NORMAL);
}

BOOL CALLBACK FindToolbar(HWND w, LPARAM lp) {
    char cls[64];
    if (GetClassNameA(w, cls, sizeof cls) && lstrcmpiA(cls, TOOLBARCLASSNAMEA) == 0) {
        *reinterpret_cast<HWND*>(lp) = w;
        return FALSE;
    }
    return TRUE;
}

// Paste's state on the program's toolbar once its idle pass has looked at the clipboard again;
// waits up to a few seconds for expected. (The menus of another Wine process cannot be read, so
// they are checked in the window tests of this process.)
bool PasteButtonBecomes(HWND frame, bool expected) {
    HWND bar = nullptr;
    EnumChildWindows(frame, FindToolbar, reinterpret_cast<LPARAM>(&bar));
    if (!bar) return false;
    bool enabled = !expected;
    for (DWORD t = GetTickCount(); enabled != expected && GetTickCount() - t < 5000; Sleep(100)) {
        // A posted message ends the program's wait for input, and its idle pass follows.
        PostMessageA(frame, WM_NULL, 0, 0);
        Sleep(100);
        enabled = SendMessageA(bar, TB_ISBUTTONENABLED, ID_EDIT_PASTE, 0) != 0;
    }
    return enabled == expected;
}

TEST_F(ClipboardProcesses, FileListWithoutPreferredDropEffectCannotBePasted) {
    testutil::WriteFile(src / "a.txt", "a");
    ASSERT_TRUE(b.Start());
    std::string list = Str(store::BuildFileList({src / "a.txt"}));
    PutOnClipboard({{CF_HDROP, list}, {EffectFormat(), U32(1)}});
    EXPECT_TRUE(PasteButtonBecomes(b.frame, true));
    PutOnClipboard({{CF_HDROP, list}});
    EXPECT_TRUE(PasteButtonBecomes(b.frame, false));
    PutOnClipboard({{CF_HDROP, list}, {EffectFormat(), U32(2)}});
    EXPECT_TRUE(PasteButtonBecomes(b.frame, true));
}

// Records the CF_HDROP block of the drops it receives and accepts them as copies.
class RecordingDropTarget : public testutil::CTestDropTarget {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        entered = true;
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (SUCCEEDED(data->GetData(&format, &medium))) {
            view::CGlobalLock lock(medium.hGlobal);
            received = std::string(lock.Data(), lock.Data() + lock.Size());
            ReleaseStgMedium(&medium);
        }
        offered = *effect;
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    bool entered = false;
    std::optional<std::string> received;
    DWORD offered = 0;
};

TEST_F(ClipboardProcesses, DraggedRowsArriveAsAFileListWithTheirItemTrailer) {
    auto records = FillA();
    ASSERT_TRUE(a.Start());
    // A drop target of this process where the cursor stands, over the program's window.
    HWND target =
        CreateWindowExA(WS_EX_TOPMOST, "STATIC", "drop here", WS_POPUP | WS_VISIBLE, 900, 600, 300,
                        200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(target, nullptr);
    RecordingDropTarget recorder;
    ASSERT_EQ(RegisterDragDrop(target, &recorder), S_OK);
    SetCursorPos(1050, 700);
    testutil::Pump();

    EXPECT_TRUE(a.Command(ID_EDIT_SELECT_ALL).empty());
    HWND list = FindWindowExA(a.frame, nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(list, nullptr);
    RECT header{};
    GetWindowRect(FindWindowExA(list, nullptr, WC_HEADERA, nullptr), &header);
    // The first row, just below the header; the move leaves the drag rectangle with the button
    // held, which makes the list begin its drag.
    int x = 20, y = (header.bottom - header.top) + 8;
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 60, y + 60));
    for (DWORD t = GetTickCount(); !recorder.received && GetTickCount() - t < 20000;)
        testutil::PumpFor(100);
    RevokeDragDrop(target);
    DestroyWindow(target);

    ASSERT_TRUE(recorder.received.has_value());
    EXPECT_EQ(*recorder.received, Str(store::BuildFileList({records[0].copy, records[1].copy},
                                                           &records, PrivateFormat())));
    EXPECT_EQ(recorder.offered, static_cast<DWORD>(DROPEFFECT_COPY));
    a.Close();
    auto saved = a.Saved();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(testutil::ReadFile(records[0].copy), "alpha");
    EXPECT_TRUE(testutil::Exists(src / "a.txt"));
}

}  // namespace
