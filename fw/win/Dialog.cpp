// Dialog base.
#include "fw/win/Dialog.h"

#include <vector>

#include "fw/Prompt.h"

namespace fw {

CDialog::~CDialog() {
    if (m_modeless && m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND owner) { return Prompt().RunDialog(*this, owner); }

INT_PTR CDialog::RunModal(HWND owner) {
    m_modeless = false;
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                                Proc, reinterpret_cast<LPARAM>(this));
    return r == -1 ? IDCANCEL : r;
}

bool CDialog::CreateModeless(HWND owner) {
    m_modeless = true;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                              Proc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modeless)
        DestroyWindow(m_hWnd);
    else
        ::EndDialog(m_hWnd, result);
}

bool CDialog::OnCommand(UINT id, UINT, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

std::string CDialog::ItemText(int id) const {
    HWND item = GetDlgItem(m_hWnd, id);
    int n = item ? GetWindowTextLengthA(item) : 0;
    std::vector<char> buf(n + 1);
    if (item) GetWindowTextA(item, buf.data(), n + 1);
    return buf.data();
}

INT_PTR CALLBACK CDialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->m_hWnd = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    // Exceptions must not unwind through the dialog manager.
    try {
        switch (msg) {
            case WM_INITDIALOG: return self->OnInitDialog();
            case WM_COMMAND:
                return self->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            case WM_NOTIFY: {
                LRESULT result = 0;
                if (!self->OnNotify(reinterpret_cast<NMHDR*>(lp), &result)) return FALSE;
                SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
            case WM_NCDESTROY:
                SetWindowLongPtrA(hwnd, DWLP_USER, 0);
                self->m_hWnd = nullptr;
                return FALSE;
            default: {
                LRESULT result = 0;
                if (!self->OnMessage(msg, wp, lp, &result)) return FALSE;
                SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
        }
    } catch (...) {
        return FALSE;
    }
}

}  // namespace fw
