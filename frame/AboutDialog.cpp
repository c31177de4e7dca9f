// The about box: its extension line reads "ON" when the extension is loaded.
#include "frame/AboutDialog.h"

#include "fw/Strings.h"
#include "resource.h"

CAboutDlg::CAboutDlg(bool extensionLoaded)
    : fw::CDialog(IDD_ABOUTBOX), m_extensionLoaded(extensionLoaded) {}

BOOL CAboutDlg::OnInitDialog() {
    // The template's text is "OFF".
    if (m_extensionLoaded) SetItemText(IDC_ABOUT_EXTENSION, fw::LoadStr(IDS_EXTENSION_ON));
    return TRUE;
}
