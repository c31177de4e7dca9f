// The OLE and clipboard pieces of the list's copy, paste and drag: holders for global memory,
// its lock and the open clipboard, the list's drop target that refuses everything, and the data
// object and drop source of a drag out.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <vector>

namespace view {

// Owns a global memory block until it is released to the clipboard or freed.
class CGlobalMemory {
public:
    CGlobalMemory() = default;
    // A movable, zero-filled copy of bytes; empty when memory cannot be had.
    explicit CGlobalMemory(const std::vector<uint8_t>& bytes);
    ~CGlobalMemory() {
        if (m_h) GlobalFree(m_h);
    }
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;
    HGLOBAL Get() const { return m_h; }
    // Gives the block away (the clipboard owns it after SetClipboardData succeeded).
    HGLOBAL Release() {
        HGLOBAL h = m_h;
        m_h = nullptr;
        return h;
    }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HGLOBAL m_h = nullptr;
};

// Locks a global block while it lives; Size() is the block's real size (GlobalSize), which is
// all a reader may trust.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h)
        : m_h(h), m_p(h ? static_cast<const uint8_t*>(GlobalLock(h)) : nullptr) {
        m_size = m_p ? GlobalSize(h) : 0;
    }
    ~CGlobalLock() {
        if (m_p) GlobalUnlock(m_h);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    const uint8_t* Data() const { return m_p; }
    size_t Size() const { return m_size; }
    // The block's bytes; empty when it could not be locked.
    std::vector<uint8_t> Bytes() const { return {m_p, m_p + m_size}; }

private:
    HGLOBAL m_h;
    const uint8_t* m_p;
    size_t m_size = 0;
};

// The clipboard, open with owner as its owner while this lives.
class CClipboard {
public:
    explicit CClipboard(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~CClipboard() {
        if (m_open) CloseClipboard();
    }
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// The list's drop target: every drag over the list is answered with no effect and a drop does
// nothing; files are dropped on the frame and its bars. It lives as long as the view, so its
// reference count is not kept.
class CRefusingDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override;
};

// Offers one CF_HDROP block, copied afresh for every GetData so that each receiver owns its own.
IDataObject* NewFileListDataObject(std::vector<uint8_t> block);

// Drops when the left button is up, cancels on Esc.
class CDropSource : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace view
