// Global memory, the list's refusing drop target, and the data object and drop source of a drag.
#include "view/DragDrop.h"

#include <shlobj.h>

#include <cstring>
#include <new>

namespace view {

CGlobalMemory::CGlobalMemory(const std::vector<uint8_t>& bytes) {
    m_h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.empty() ? 1 : bytes.size());
    if (!m_h) return;
    void* p = GlobalLock(m_h);
    if (!p) {
        GlobalFree(m_h);
        m_h = nullptr;
        return;
    }
    if (!bytes.empty()) memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(m_h);
}

HRESULT CRefusingDropTarget::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *out = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CRefusingDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT CRefusingDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT CRefusingDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

namespace {

class CFileListDataObject final : public IDataObject {
public:
    explicit CFileListDataObject(std::vector<uint8_t> block) : m_block(std::move(block)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_INVALIDARG;
        HRESULT ok = QueryGetData(format);
        if (ok != S_OK) return ok;
        CGlobalMemory copy(m_block);
        if (!copy) return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy.Release();
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override {
        return DATA_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (!format) return E_INVALIDARG;
        if (format->cfFormat != CF_HDROP || format->dwAspect != DVASPECT_CONTENT)
            return DV_E_FORMATETC;
        if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return SHCreateStdEnumFmtEtc(1, &format, out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    ~CFileListDataObject() = default;

    LONG m_refs = 1;
    std::vector<uint8_t> m_block;
};

}  // namespace

IDataObject* NewFileListDataObject(std::vector<uint8_t> block) {
    return new (std::nothrow) CFileListDataObject(std::move(block));
}

HRESULT CDropSource::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
        *out = static_cast<IDropSource*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CDropSource::QueryContinueDrag(BOOL escape, DWORD keys) {
    if (escape) return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
    return S_OK;
}

}  // namespace view
