// The moved INI file: probing the drive letters and choosing among the drives that hold it.
#include "frame/FindIniDialog.h"

#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"

namespace {

std::string DriveName(int drive) {
    char name[3] = {static_cast<char>('A' + drive), ':', 0};
    return name;
}

bool HasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

CFindIniDialog::CFindIniDialog(const std::vector<int>& drives, const std::string& path)
    : fw::CDialog(IDD_FIND_INI), m_drives(drives), m_path(path) {}

BOOL CFindIniDialog::OnInitDialog() {
    SetItemText(IDC_FINDINI_PATH, m_path);
    m_path = m_path.size() > 2 ? m_path.substr(2) : std::string();
    HWND combo = Item(IDC_FINDINI_DRIVES);
    for (int drive : m_drives)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DriveName(drive).c_str()));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    if (m_drives.size() == 1) PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void CFindIniDialog::OnOK() {
    // The combo box is editable: only a text that names one of the listed drives is taken, so
    // a typed text never stands for a selection that does not exist.
    HWND combo = Item(IDC_FINDINI_DRIVES);
    std::string typed = ItemText(IDC_FINDINI_DRIVES);
    LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(typed.c_str()));
    if (typed.empty() || index == CB_ERR) {
        fw::MessageId(IDS_FINDINI_CHOOSE_DRIVE, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(combo);
        return;
    }
    char drive[8] = {};
    if (SendMessageA(combo, CB_GETLBTEXTLEN, index, 0) >= static_cast<LRESULT>(sizeof drive))
        return;
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(drive));
    m_path = drive + m_path;
    EndDialog(IDOK);
}

std::vector<int> FindIniDrives(const std::string& path) {
    std::vector<int> drives;
    if (!HasDriveLetter(path) || path.size() >= MAX_PATH) return drives;
    // A drive without a medium must not make the system ask for a disk.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::string probe = path;
    for (int drive = 0; drive < 26; ++drive) {
        probe[0] = static_cast<char>('A' + drive);
        if (GetFileAttributesA(probe.c_str()) != INVALID_FILE_ATTRIBUTES) drives.push_back(drive);
    }
    SetErrorMode(previous);
    return drives;
}

bool FindIniFile(std::string& path) {
    std::vector<int> drives = FindIniDrives(path);
    if (drives.empty()) {
        fw::MessageText(fw::FormatStr(IDS_INI_NOT_FOUND, path.c_str()), MB_OK | MB_ICONSTOP);
        return false;
    }
    CFindIniDialog dlg(drives, path);
    if (dlg.DoModal(nullptr) != IDOK) return false;
    path = dlg.Path();
    return true;
}
