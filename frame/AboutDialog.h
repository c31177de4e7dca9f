// The about box: the program's name and version, and whether the Quillon extension is active.
#pragma once

#include <windows.h>

#include "fw/win/Dialog.h"

class CAboutDlg : public fw::CDialog {
public:
    explicit CAboutDlg(bool extensionLoaded);

protected:
    BOOL OnInitDialog() override;

private:
    bool m_extensionLoaded;
};
