// The settings dialog: exchanges the three options with its check boxes.
#include "frame/SetupDialog.h"

#include "resource.h"

CSetupDialog::CSetupDialog(BOOL askAlways, BOOL sortAny, BOOL brnFile)
    : fw::CDialog(IDD_SETTING), m_bAskAlways(askAlways), m_bSortAny(sortAny), m_bBrnFile(brnFile) {}

BOOL CSetupDialog::OnInitDialog() {
    Check(IDC_SET_ASKALWAYS, m_bAskAlways);
    Check(IDC_SET_SORTANY, m_bSortAny);
    Check(IDC_SET_BRNFILE, m_bBrnFile);
    return TRUE;
}

void CSetupDialog::OnOK() {
    m_bAskAlways = IsChecked(IDC_SET_ASKALWAYS);
    m_bSortAny = IsChecked(IDC_SET_SORTANY);
    m_bBrnFile = IsChecked(IDC_SET_BRNFILE);
    EndDialog(IDOK);
}

bool CSetupDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg != WM_HELP) return false;
    if (m_helpHandler) m_helpHandler(kHelpTopic);
    *result = TRUE;
    return true;
}
