// F1 in each dialog and each Help menu command open their topic of the program's help file
// through the prompt seam, with the frame wired to the application's help routine as at start-up.
#include "MainWindowFixture.h"
#include "fw/win/Dialog.h"
#include "resource.h"

namespace {

struct HelpCase {
    const char* name;
    UINT command;
    UINT dialog;  // the dialog the command opens and F1 is pressed in; 0 for a Help command
    DWORD topic;
};

class HelpThroughSeam : public ItemCommands, public ::testing::WithParamInterface<HelpCase> {
protected:
    void OpenWiredToApp() {
        app.m_strHelpPath = "C:\\Program Files\\Brennahold\\Brennahold.chm";
        frame = std::make_unique<CMainFrame>(
            Repository(), profile, [this](DWORD topic) { app.HelpTopic(topic); },
            [this](DWORD data) { app.WinHelp(data, HELP_CONTEXT); });
        ASSERT_TRUE(frame->CreateFrame("Brennahold - test"));
        ShowWindow(frame->Hwnd(), SW_SHOW);
        testutil::Pump();
    }
    CBrennaApp app;
};

TEST_P(HelpThroughSeam, OpensItsTopicOfTheHelpFile) {
    const HelpCase& c = GetParam();
    Evacuate("a.txt");
    Repository().Settings().brnFile = true;
    OpenWiredToApp();
    Select({0});
    UINT shown = 0;
    if (c.dialog) {
        prompt.dialogs.push_back([&](fw::CDialog& dlg) -> INT_PTR {
            shown = dlg.TemplateId();
            EXPECT_TRUE(dlg.CreateModeless(frame->Hwnd()));
            // F1 reaches the control with the focus as WM_HELP, which the control's default
            // handling passes up to its dialog.
            HWND focus = GetNextDlgTabItem(dlg.Hwnd(), nullptr, FALSE);
            SetFocus(focus);
            HELPINFO info{sizeof info, HELPINFO_WINDOW, GetDlgCtrlID(focus), focus, 0, {}};
            SendMessageA(focus, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
            SendMessageA(dlg.Hwnd(), WM_COMMAND, IDCANCEL, 0);
            return dlg.Result();
        });
    }
    Command(c.command);
    EXPECT_EQ(shown, c.dialog);
    ASSERT_EQ(prompt.helpShown.size(), 1u);
    EXPECT_EQ(prompt.helpShown[0].topic, c.topic);
    EXPECT_EQ(prompt.helpShown[0].file, app.m_strHelpPath);
}

INSTANTIATE_TEST_SUITE_P(
    EachDialogAndHelpCommand, HelpThroughSeam,
    ::testing::Values(HelpCase{"PropertyDialog", ID_FILE_PROPERTY, IDD_PROPERTY, HELP_TOPIC_ITEMS},
                      HelpCase{"SettingsDialog", ID_EDIT_SETTING, IDD_SETTING, HELP_TOPIC_SETTINGS},
                      HelpCase{"BackupDefinitionDialog", ID_BRN_CREATE, IDD_BRN_FILE,
                               HELP_TOPIC_BACKUP_DEFINITION},
                      HelpCase{"ExternalRepositoryDialog", ID_FILE_EXTERNAL_REPOSITORY,
                               IDD_EXT_REPOSITORY, HELP_TOPIC_EXT_REPOSITORY},
                      HelpCase{"HelpContents", ID_HELP, 0, HELP_TOPIC_CONTENTS},
                      HelpCase{"SearchTopics", ID_HELP_FINDER, 0, HELP_TOPIC_FINDER},
                      HelpCase{"OrvaneHomepage", ID_HELP_ORVANE_HOMEPAGE, 0,
                               HELP_TOPIC_ORVANE_HOMEPAGE},
                      HelpCase{"BrennaholdHomepage", ID_HELP_BRENNAHOLD_HOMEPAGE, 0,
                               HELP_TOPIC_BRENNAHOLD_HOMEPAGE},
                      HelpCase{"QuillonHomepage", ID_HELP_QUILLON, 0, HELP_TOPIC_QUILLON}),
    [](const ::testing::TestParamInfo<HelpCase>& info) { return std::string(info.param.name); });

}  // namespace
