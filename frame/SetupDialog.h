// The settings dialog: the program's three on/off options as check boxes.
#pragma once

#include <windows.h>

#include <functional>

#include "fw/win/Dialog.h"
#include "resource.h"

class CSetupDialog : public fw::CDialog {
public:
    // The help topic F1 opens.
    static constexpr DWORD kHelpTopic = HELP_TOPIC_SETTINGS;

    // The options' current values; the check boxes start from them, and OK writes the boxes
    // back into them (Cancel leaves them).
    CSetupDialog(BOOL askAlways, BOOL sortAny, BOOL brnFile);

    // Called with kHelpTopic when the user asks for help; without it F1 does nothing.
    void SetHelpHandler(std::function<void(DWORD topic)> handler) {
        m_helpHandler = std::move(handler);
    }

    BOOL m_bAskAlways;
    BOOL m_bSortAny;
    BOOL m_bBrnFile;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    std::function<void(DWORD)> m_helpHandler;
};
