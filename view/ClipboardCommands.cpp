// The list's clipboard and drag commands: Copy, Paste, the drag out, and what enables Paste.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <new>

#include "fw/Prompt.h"
#include "resource.h"
#include "store/Transfer.h"
#include "view/BrennaView.h"
#include "view/DragDrop.h"
#include "view/LongOperation.h"

namespace {

// The paths of a CF_HDROP block after checking that its list ends inside the block (GlobalSize):
// an 8-bit list is read directly; a wide one, once its end is found, through DragQueryFileA.
// A path of MAX_PATH bytes or more is kept whole so that the paste refuses it. False for a block
// that cannot be read.
bool ReadDroppedPaths(HGLOBAL h, std::vector<std::string>& paths) {
    {
        view::CGlobalLock lock(h);
        if (!lock.Data() || lock.Size() < store::kDropFilesHeader) return false;
        const auto* df = reinterpret_cast<const DROPFILES*>(lock.Data());
        if (!df->fWide) return store::ReadFileList(lock.Data(), lock.Size(), paths);
        size_t pos = df->pFiles;
        if (pos < store::kDropFilesHeader || pos >= lock.Size()) return false;
        // Walk the UTF-16 list to its empty string without leaving the block.
        for (bool atStart = true;; pos += 2) {
            if (lock.Size() - pos < 2) return false;
            bool zero = lock.Data()[pos] == 0 && lock.Data()[pos + 1] == 0;
            if (zero && atStart) break;
            atStart = zero;
        }
    }
    auto drop = static_cast<HDROP>(h);
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT len = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(len, '\0');
        if (len) DragQueryFileA(drop, i, path.data(), len + 1);
        paths.push_back(std::move(path));
    }
    return true;
}

}  // namespace

void CBrennaView::CollectSelected(std::vector<std::string>& paths,
                                  std::vector<store::TransferRecord>& records) const {
    // Whatever the last copy or drag assembled goes; its result does not matter, as the
    // assembly overwrites leftovers.
    if (m_tempDir) m_tempDir->Empty();
    std::vector<CBrennaItem*> items;
    for (int row = NextSelected(-1); row >= 0; row = NextSelected(row))
        items.push_back(m_rows[row]);
    store::CollectTransfers(items, m_tempDir ? m_tempDir->GetPath() : "", paths, records);
}

void CBrennaView::OnCopy() {
    try {
        std::vector<std::string> paths;
        std::vector<store::TransferRecord> records;
        CollectSelected(paths, records);
        if (paths.empty()) return;
        view::CGlobalMemory list(store::BuildFileList(paths));
        if (!list) return;
        view::CGlobalMemory effect(store::BuildDropEffectBlock(DROPEFFECT_COPY));
        view::CGlobalMemory items(store::BuildItemBlock(records));
        view::CClipboard clipboard(m_hWnd);
        if (!clipboard.IsOpen()) return;
        EmptyClipboard();
        // SetClipboardData takes the block only when it succeeds.
        if (SetClipboardData(CF_HDROP, list.Get())) list.Release();
        if (effect && SetClipboardData(m_cfDropEffect, effect.Get())) effect.Release();
        if (items && SetClipboardData(m_cfPrivate, items.Get())) items.Release();
    } catch (const std::bad_alloc&) {
        // Without memory for the blocks the copy does nothing.
    }
}

int CBrennaView::PreferredDropEffect() const {
    if (!m_cfDropEffect) return 0;
    view::CClipboard clipboard(m_hWnd);
    if (!clipboard.IsOpen()) return 0;
    view::CGlobalLock lock(GetClipboardData(m_cfDropEffect));
    return store::DropEffectOf(lock.Data(), lock.Size());
}

bool CBrennaView::CanPaste() const {
    if (!IsClipboardFormatAvailable(CF_HDROP)) return false;
    int effect = PreferredDropEffect();
    return effect == 1 || effect == 2;
}

BOOL CBrennaView::AddTransferredItems(const uint8_t* block, size_t size) {
    return store::AddTransferredItems(*m_repo, block, size);
}

void CBrennaView::OnPaste() {
    try {
        bool move = PreferredDropEffect() == 2;
        std::vector<uint8_t> block;
        std::vector<std::string> paths;
        bool fromList = false, usable = false;
        {
            // The clipboard is consumed only when the repository can take what it holds.
            CRepositoryLock lock(*m_repo);
            if (!lock.IsHeld()) {
                fw::MessageId(IDS_PASTE_ERROR);
                return;
            }
            view::CClipboard clipboard(m_hWnd);
            if (!clipboard.IsOpen()) return;
            if (m_cfPrivate && IsClipboardFormatAvailable(m_cfPrivate)) {
                block = view::CGlobalLock(GetClipboardData(m_cfPrivate)).Bytes();
                usable = true;
            } else if (HANDLE h = IsClipboardFormatAvailable(CF_HDROP) ? GetClipboardData(CF_HDROP)
                                                                       : nullptr) {
                fromList = true;
                usable = ReadDroppedPaths(h, paths);
            }
            // Every paste consumes the clipboard, also one that held nothing usable. The data
            // was copied out first, so no message box below keeps the clipboard open.
            EmptyClipboard();
        }
        if (!usable) {
            if (fromList) fw::MessageId(IDS_FAILED_SAVE_FILE);
            return;
        }
        BOOL added = TRUE;
        view::RunLongOperation(Owner(), *m_repo, IDS_PROGRESS_EVACUATING, [&] {
            // The whole paste under the repository's mutex, taken by the thread that does it.
            CRepositoryLock lock(*m_repo);
            if (fromList)
                store::PastePaths(*m_repo, paths, move);
            else
                added = AddTransferredItems(block.data(), block.size());
        });
        // The items from another list are copies: a cut plays no part and nothing goes.
        if (!added && !m_repo->Progress().IsCancelled()) fw::MessageId(IDS_FAILED_SAVE_FILE);
    } catch (const std::bad_alloc&) {
        fw::MessageId(IDS_PASTE_ERROR);
    }
}

void CBrennaView::OnBeginDrag(POINT start) {
    if (SelectedCount() == 0) return;
    try {
        std::vector<std::string> paths;
        std::vector<store::TransferRecord> records;
        CollectSelected(paths, records);
        if (paths.empty()) return;
        IDataObject* data =
            view::NewFileListDataObject(store::BuildFileList(paths, &records, m_cfPrivate));
        if (!data) return;
        if (m_dataSource) m_dataSource->Release();
        m_dataSource = data;
        view::CDropSource source;
        DWORD effect = DROPEFFECT_NONE;
        // Only copy is offered: whatever the target does, the repository keeps its items.
        DoDragDrop(m_dataSource, &source, DROPEFFECT_COPY, &effect);
    } catch (const std::bad_alloc&) {
        return;
    }
    // The list still tracks the button press that began the drag; the release ends that.
    PostMessageA(m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(start.x, start.y));
}
