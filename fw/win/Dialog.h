// Dialogs from dialog resources: a modal run through the prompt seam, a modeless creation for
// tests, and virtual handlers for initialisation, commands and notifications.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CDialog {
public:
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog modally through the prompt seam; returns IDOK, IDCANCEL or the value
    // given to EndDialog.
    INT_PTR DoModal(HWND owner);
    // The platform's modal run (DialogBoxParamA); the real prompt calls it.
    INT_PTR RunModal(HWND owner);
    // Creates the dialog modeless (tests drive it and read its result); EndDialog destroys it.
    bool CreateModeless(HWND owner);
    INT_PTR Result() const { return m_result; }

    UINT TemplateId() const { return m_templateId; }
    HWND Hwnd() const { return m_hWnd; }

protected:
    // WM_INITDIALOG; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND; the default sends IDOK to OnOK and IDCANCEL to OnCancel.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    // WM_NOTIFY; true when handled, with the result in *result (DWLP_MSGRESULT).
    virtual bool OnNotify(NMHDR* nm, LRESULT* result) { return false; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message; return true when handled (the result goes to DWLP_MSGRESULT).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) { return false; }
    void EndDialog(INT_PTR result);

    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const { SetDlgItemTextA(m_hWnd, id, text.c_str()); }
    bool IsChecked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void Check(int id, bool on) const { CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    UINT m_templateId;
    bool m_modeless = false;
    INT_PTR m_result = IDCANCEL;
};

}  // namespace fw
