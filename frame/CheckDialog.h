// The report window of the repository check: the report, Recover for the copies that no item
// refers to (asked first), and Close.
#pragma once

#include <windows.h>

#include <string>

#include "fw/win/Dialog.h"
#include "store/RepositoryCheck.h"

class CRepository;

class CCheckDialog : public fw::CDialog {
public:
    // Shows result, the check of repository just made. note (may be empty) follows the report.
    // Recover is offered when allowRecover is set and the check found orphans; it records them
    // and checks again.
    CCheckDialog(CRepository& repository, store::CheckResult result, bool allowRecover,
                 std::string note = {});

    // The report shown now, and the check it tells of.
    const std::string& Report() const { return m_report; }
    const store::CheckResult& Result() const { return m_result; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    void OnRecover();
    void Show();

    CRepository& m_repo;
    store::CheckResult m_result;
    bool m_allowRecover;
    std::string m_note;
    std::string m_report;
};

// The report of result on repository's folder, with note (when not empty) after it.
std::string CheckReportText(const CRepository& repository, const store::CheckResult& result,
                            const std::string& note = {});
