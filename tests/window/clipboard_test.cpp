// Copy and Paste in the main window: their enabling in the menus, the toolbar and the context
// menu, the blocks a copy leaves, hostile clipboard contents, and the frame's internal drop.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "WindowTestUtil.h"
#include "MainWindowFixture.h"
#include "fw/Strings.h"
#include "resource.h"
#include "store/TransferBlocks.h"
#include "view/DragDrop.h"

using testutil::U32;

namespace {

UINT EffectFormat() { return RegisterClipboardFormatA("Preferred DropEffect"); }
UINT PrivateFormat() { return RegisterClipboardFormatA("Brennahold Evac Files Data"); }

// Replaces the clipboard's contents by the given formats and blocks.
void PutOnClipboard(const std::vector<std::pair<UINT, std::string>>& blocks) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        view::CGlobalMemory mem(store::Bytes(bytes.begin(), bytes.end()));
        if (SetClipboardData(format, mem.Get())) mem.Release();
    }
    CloseClipboard();
}

// The bytes of a clipboard format, or nullopt when it is not there.
std::optional<std::string> ClipboardBytes(UINT format) {
    view::CClipboard clipboard(nullptr);
    if (!clipboard.IsOpen() || !IsClipboardFormatAvailable(format)) return std::nullopt;
    view::CGlobalLock lock(GetClipboardData(format));
    return std::string(lock.Data(), lock.Data() + lock.Size());
}

std::string FileList(const std::vector<std::string>& paths) {
    store::Bytes b = store::BuildFileList(paths);
    return {b.begin(), b.end()};
}

class Clipboard : public ItemCommands {
protected:
    void TearDown() override {
        PutOnClipboard({});
        ItemCommands::TearDown();
    }
    // Paste's state as the Edit menu, the toolbar and the context menu show it.
    std::vector<bool> PasteShown() {
        frame->OnIdle();
        HMENU context = frame->View().BuildContextMenu();
        bool inContext =
            !(GetMenuState(GetSubMenu(context, 0), ID_EDIT_PASTE, MF_BYCOMMAND) & MF_GRAYED);
        DestroyMenu(context);
        HMENU edit = GetSubMenu(GetMenu(frame->Hwnd()), 1);
        SendMessageA(frame->Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
        bool inMenu = !(GetMenuState(edit, ID_EDIT_PASTE, MF_BYCOMMAND) & MF_GRAYED);
        bool onBar = SendMessageA(frame->ToolBar().Toolbar(), TB_ISBUTTONENABLED, ID_EDIT_PASTE, 0);
        return {inMenu, onBar, inContext};
    }
};

TEST_F(Clipboard, PasteIsEnabledByAFileListWithACopyOrMoveEffect) {
    Open();
    Evacuate("a.txt");
    Select({0});
    std::string list = FileList({src / "a.txt"});
    const struct {
        const char* name;
        std::vector<std::pair<UINT, std::string>> blocks;
        bool enabled;
    } cases[] = {
        {"nothing", {}, false},
        {"file list without a drop effect", {{CF_HDROP, list}}, false},
        {"copy", {{CF_HDROP, list}, {EffectFormat(), U32(1)}}, true},
        {"move", {{CF_HDROP, list}, {EffectFormat(), U32(2)}}, true},
        {"copy and link bits", {{CF_HDROP, list}, {EffectFormat(), U32(5)}}, true},
        {"link", {{CF_HDROP, list}, {EffectFormat(), U32(4)}}, false},
        {"no effect", {{CF_HDROP, list}, {EffectFormat(), U32(0)}}, false},
        {"a drop effect of three bytes", {{CF_HDROP, list}, {EffectFormat(), "\1\0\0"}}, false},
        {"drop effect without a file list", {{EffectFormat(), U32(1)}}, false},
    };
    for (const auto& c : cases) {
        PutOnClipboard(c.blocks);
        EXPECT_EQ(Enabled(ID_EDIT_PASTE), c.enabled) << c.name;
        EXPECT_EQ(PasteShown(), std::vector<bool>(3, c.enabled)) << c.name;
    }
}

TEST_F(Clipboard, CopyIsEnabledBySelectionAndLeavesThreeBlocks) {
    Open();
    Evacuate("a.txt");
    Evacuate("b.txt");
    Repository().Item(0)->m_description = "about a";
    Select({});
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    Select({0, 1});
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    PutOnClipboard({});
    Command(ID_EDIT_COPY);
    std::vector<store::TransferRecord> records;
    for (int i = 0; i < 2; ++i) {
        const CBrennaItem* item = Repository().Item(i);
        records.push_back({item->m_evacuationTime.dwLowDateTime,
                           item->m_evacuationTime.dwHighDateTime, item->m_source, item->m_stored,
                           item->m_description});
    }
    EXPECT_EQ(ClipboardBytes(CF_HDROP),
              FileList({repo + "\\br000000\\a.txt", repo + "\\br000000\\b.txt"}));
    EXPECT_EQ(ClipboardBytes(EffectFormat()), U32(1));
    store::Bytes block = store::BuildItemBlock(records);
    EXPECT_EQ(ClipboardBytes(PrivateFormat()), std::string(block.begin(), block.end()));
    // What was just copied can be pasted.
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
}

TEST_F(Clipboard, HostileBlocksOnTheClipboardAreRejectedAndConsumed) {
    Open();
    testutil::WriteFile(src / "ok.txt", "ok");
    std::string good = U32(0) + U32(0) + U32(3) +
                       U32(static_cast<uint32_t>((src / "ok.txt").size() + 1)) + U32(1) +
                       "C:" + '\0' + src / "ok.txt" + '\0' + '\0';
    const struct {
        const char* name;
        std::vector<std::pair<UINT, std::string>> blocks;
        size_t added;
    } cases[] = {
        {"item block of 3 bytes", {{PrivateFormat(), "\2\0\0"}}, 0},
        {"count 0xFFFFFFFF after one good record", {{PrivateFormat(), U32(0xFFFFFFFF) + good}}, 1},
        {"length past the end",
         {{PrivateFormat(), U32(1) + U32(0) + U32(0) + U32(900) + U32(1) + U32(1) + "C:"}},
         0},
        {"string without its zero",
         {{PrivateFormat(), U32(1) + U32(0) + U32(0) + U32(2) + U32(1) + U32(1) + "C:\1\1"}},
         0},
        {"file list without its end",
         {{CF_HDROP, FileList({src / "ok.txt"}).substr(0, 22)}, {EffectFormat(), U32(1)}},
         0},
        {"file list offset past the end",
         {{CF_HDROP, U32(4000) + U32(0) + U32(0) + U32(0) + U32(0) + '\0'},
          {EffectFormat(), U32(2)}},
         0},
    };
    for (const auto& c : cases) {
        size_t before = Repository().Count();
        prompt.shown.clear();
        PutOnClipboard(c.blocks);
        Command(ID_EDIT_PASTE);
        EXPECT_EQ(Repository().Count(), before + c.added) << c.name;
        ASSERT_EQ(prompt.shown.size(), 1u) << c.name;
        EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE)) << c.name;
        EXPECT_EQ(CountClipboardFormats(), 0) << c.name;
        EXPECT_TRUE(testutil::Exists(src / "ok.txt")) << c.name;
    }
}

TEST_F(Clipboard, InternalDropHandsTheItemsToTheListOnce) {
    Open();
    testutil::TempDir other;
    testutil::WriteFile(other / "br000000\\a.txt", "a");
    testutil::WriteFile(other / "br000001\\b.txt", "b");
    std::vector<std::string> paths = {other / "br000000\\a.txt", other / "br000001\\b.txt"};
    std::vector<store::TransferRecord> records = {
        {0x1000, 0x01D00001, "C:\\was\\a.txt", paths[0], "first"},
        {0x2000, 0x01D00002, "C:\\was\\b.txt", paths[1], ""}};
    ASSERT_NE(frame->m_cfPrivate, 0u);
    EXPECT_EQ(frame->m_cfPrivate, PrivateFormat());
    auto drop = [&](uint32_t marker) {
        view::CGlobalMemory block(store::BuildFileList(paths, &records, marker));
        SendMessageA(frame->Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(block.Release()), 0);
    };
    drop(frame->m_cfPrivate);
    ASSERT_EQ(Repository().Count(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const CBrennaItem* item = Repository().Item(i);
        EXPECT_EQ(item->m_source, records[i].source);
        EXPECT_EQ(item->m_description, records[i].description);
        EXPECT_EQ(item->m_evacuationTime.dwLowDateTime, records[i].timeLow);
        EXPECT_EQ(item->m_evacuationTime.dwHighDateTime, records[i].timeHigh);
        EXPECT_EQ(item->m_stored.rfind(repo, 0), 0u);
    }
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(prompt.shown.empty());
    // Saved at once.
    CDataFile saved;
    saved.SetFolder(repo);
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.GetCount(), 2u);

    // Another program's number: the list is a plain shell drop and its files are evacuated.
    drop(frame->m_cfPrivate + 1);
    ASSERT_EQ(Repository().Count(), 4u);
    EXPECT_EQ(Repository().Item(2)->m_source, paths[0]);

    // A trailer whose item block is cut short: the whole records are kept, the rest reported.
    store::Bytes whole = store::BuildFileList(paths, &records, frame->m_cfPrivate);
    whole.resize(whole.size() - 8);
    view::CGlobalMemory cut(whole);
    SendMessageA(frame->Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(cut.Release()), 0);
    EXPECT_EQ(Repository().Count(), 5u);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_FAILED_SAVE_FILE));
}

// Accepts every drag as a copy and counts the drops; stands in for a target around the list.
class AcceptingDropTarget : public testutil::CTestDropTarget {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        ++drops;
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    int drops = 0;
};

TEST_F(Clipboard, TheListRefusesEveryDrop) {
    Open();
    testutil::WriteFile(src / "a.txt", "a");
    // A target on the frame would take a drop on the list if the list had none of its own: OLE
    // looks for the nearest registered window from the one under the cursor up its parents.
    AcceptingDropTarget around;
    ASSERT_EQ(RegisterDragDrop(frame->Hwnd(), &around), S_OK);
    RECT r;
    GetWindowRect(List(), &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ASSERT_TRUE(testutil::MoveCursorTo(centre));
    ASSERT_EQ(WindowFromPoint(centre), List());
    IDataObject* data = view::NewFileListDataObject(store::BuildFileList({src / "a.txt"}));
    view::CDropSource source;
    DWORD effect = DROPEFFECT_COPY;
    // With no button held the drag drops at once where the cursor stands.
    DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data->Release();
    testutil::Pump();
    RevokeDragDrop(frame->Hwnd());
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(around.drops, 0);
    EXPECT_EQ(Repository().Count(), 0u);
    EXPECT_TRUE(prompt.shown.empty());

    // The same drag over the status bar reaches the target around it, so the drag did run.
    GetWindowRect(frame->StatusBar(), &r);
    POINT status{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ASSERT_TRUE(testutil::MoveCursorTo(status));
    ASSERT_EQ(WindowFromPoint(status), frame->StatusBar());
    ASSERT_EQ(RegisterDragDrop(frame->Hwnd(), &around), S_OK);
    data = view::NewFileListDataObject(store::BuildFileList({src / "a.txt"}));
    DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
    data->Release();
    RevokeDragDrop(frame->Hwnd());
    EXPECT_EQ(around.drops, 1);
}

}  // namespace
