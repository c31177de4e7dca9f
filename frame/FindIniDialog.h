// The search for an external repository's INI file whose drive letter changed, and the dialog
// that lets the user pick the drive that holds it now.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "fw/win/Dialog.h"

class CFindIniDialog : public fw::CDialog {
public:
    // drives: the drive numbers (0 = A) that hold the path, ascending; path: the missing path.
    CFindIniDialog(const std::vector<int>& drives, const std::string& path);

    // After OK: the missing path on the chosen drive.
    const std::string& Path() const { return m_path; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    const std::vector<int>& m_drives;
    std::string m_path;
};

// The drive numbers, A (0) to Z (25), on which path, with its drive letter replaced, exists. A
// path that does not start with a drive letter and colon is found nowhere.
std::vector<int> FindIniDrives(const std::string& path);

// Looks for the missing INI file path on every drive and lets the user choose one (at once when
// only one drive holds it). True with path naming the file found; false, after telling the user
// when nothing was found, when the start must stop.
bool FindIniFile(std::string& path);
