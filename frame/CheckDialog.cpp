// The check's report window.
#include "frame/CheckDialog.h"

#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "store/Repository.h"

std::string CheckReportText(const CRepository& repository, const store::CheckResult& result,
                            const std::string& note) {
    std::string text = store::FormatCheckReport(result, repository.Folder());
    if (!note.empty()) text += "\r\n" + note + "\r\n";
    return text;
}

CCheckDialog::CCheckDialog(CRepository& repository, store::CheckResult result, bool allowRecover,
                           std::string note)
    : fw::CDialog(IDD_CHECK),
      m_repo(repository),
      m_result(std::move(result)),
      m_allowRecover(allowRecover),
      m_note(std::move(note)),
      m_report(CheckReportText(m_repo, m_result, m_note)) {}

BOOL CCheckDialog::OnInitDialog() {
    Show();
    // The focus goes to Close rather than to the report, which would select all of its text.
    SetFocus(Item(IDCANCEL));
    return FALSE;
}

void CCheckDialog::Show() {
    SetItemText(IDC_CHECK_REPORT, m_report);
    EnableWindow(Item(IDC_CHECK_RECOVER), m_allowRecover && m_result.OrphanCount() > 0);
}

bool CCheckDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_CHECK_RECOVER && code == BN_CLICKED) {
        OnRecover();
        return true;
    }
    return fw::CDialog::OnCommand(id, code, control);
}

void CCheckDialog::OnRecover() {
    if (!m_allowRecover || m_result.OrphanCount() == 0) return;
    if (fw::Prompt().Message(m_hWnd, fw::LoadStr(IDS_CHECK_RECOVER_ASK),
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    bool saved = true;
    size_t recorded;
    {
        fw::CWaitCursor wait;
        recorded = store::RecoverOrphans(m_repo, m_result, saved);
        m_result = store::CheckRepository(m_repo);
    }
    if (!saved) fw::MessageId(IDS_FAILED_SAVE_FILE);
    m_report = fw::FormatStr(IDS_CHECK_RECOVERED, static_cast<int>(recorded)) + "\r\n\r\n" +
               CheckReportText(m_repo, m_result, m_note);
    Show();
    // The button that had the focus may just have been disabled.
    SetFocus(Item(IDCANCEL));
}
