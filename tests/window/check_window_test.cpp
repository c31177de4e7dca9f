// The repository check from the main window's File menu: the report window, and recovery of
// unreferenced copies, asked first, into rows of the list.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "fw/Strings.h"
#include "fw/win/Dialog.h"
#include "resource.h"

namespace {

std::string ReportOf(HWND dlg) {
    HWND edit = GetDlgItem(dlg, IDC_CHECK_REPORT);
    std::string text(GetWindowTextLengthA(edit) + 1, '\0');
    text.resize(GetWindowTextA(edit, text.data(), static_cast<int>(text.size())));
    return text;
}

class CheckWindow : public ItemCommands {
protected:
    void SetUp() override {
        ItemCommands::SetUp();
        Open();
        Evacuate("a.txt", "alpha");
        Evacuate("Docs", "inner", true);
        ASSERT_TRUE(Repository().Save(FALSE));
    }
    // A copy made by a process that ended before recording it.
    std::string LeaveOrphan(const std::string& name) {
        testutil::WriteFile(src / name, "left");
        testutil::ScratchRepository other(repo);
        EXPECT_TRUE(other->Dispatch((src / name).c_str()));
        return other->Item(0)->m_stored;
    }
};

TEST_F(CheckWindow, FileMenuCommandShowsTheReportAndRecoveryAddsRowsAfterAsking) {
    const std::string orphan = LeaveOrphan("c.txt");
    ASSERT_EQ(Rows(), 2);
    std::string first, declined, recovered;
    bool enabledBefore = false, enabledAfter = true;
    size_t questionsAfterNo = 0;
    prompt.Answer(IDNO);
    prompt.Answer(IDYES);
    prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
        EXPECT_EQ(dlg.TemplateId(), static_cast<UINT>(IDD_CHECK));
        EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
        HWND h = dlg.Hwnd();
        first = ReportOf(h);
        enabledBefore = IsWindowEnabled(GetDlgItem(h, IDC_CHECK_RECOVER));
        testutil::Click(h, IDC_CHECK_RECOVER);
        questionsAfterNo = prompt.shown.size();
        declined = ReportOf(h);
        testutil::Click(h, IDC_CHECK_RECOVER);
        recovered = ReportOf(h);
        enabledAfter = IsWindowEnabled(GetDlgItem(h, IDC_CHECK_RECOVER));
        SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
        return dlg.Result();
    });
    Command(ID_FILE_CHECK);
    testutil::Pump();
    EXPECT_TRUE(prompt.dialogs.empty()) << "the report window was not opened";

    EXPECT_EQ(first, "Check of the repository " + repo + "\r\nCopy that no item refers to: " +
                         orphan + "\r\nProblems found: 1.\r\n");
    EXPECT_TRUE(enabledBefore);
    // No: nothing recorded, the report stays.
    ASSERT_EQ(questionsAfterNo, 1u);
    EXPECT_EQ(prompt.shown[0].text, fw::LoadStr(IDS_CHECK_RECOVER_ASK));
    EXPECT_EQ(prompt.shown[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(declined, first);
    // Yes: one item, one new row, the catalogue saved, and a clean report with nothing left to
    // recover.
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(recovered, "Items recorded: 1.\r\n\r\nCheck of the repository " + repo +
                             "\r\nNo problems found.\r\n");
    EXPECT_FALSE(enabledAfter);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 0), "c.txt");
    EXPECT_EQ(Cell(2, 7), "recovered");
    EXPECT_FALSE(Repository().Catalogue().IsChanged());
    Reopen();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 7), "recovered");
}

TEST_F(CheckWindow, ACleanRepositoryOffersNothingToRecover) {
    bool enabled = true;
    std::string report;
    prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
        EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
        report = ReportOf(dlg.Hwnd());
        enabled = IsWindowEnabled(GetDlgItem(dlg.Hwnd(), IDC_CHECK_RECOVER));
        SendMessageA(dlg.Hwnd(), WM_COMMAND, IDCANCEL, 0);
        return dlg.Result();
    });
    EXPECT_TRUE(Enabled(ID_FILE_CHECK));
    Command(ID_FILE_CHECK);
    testutil::Pump();
    EXPECT_EQ(report, "Check of the repository " + repo + "\r\nNo problems found.\r\n");
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(prompt.shown.empty());
}

}  // namespace
