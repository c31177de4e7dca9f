// The real prompt: the platform's message boxes, common file dialogs, folder browser, modal
// dialog runs and HTML help.
#pragma once

#include "fw/Prompt.h"

namespace fw {

class CShellPrompt : public IPrompt {
public:
    // The caption of every message box is the application title (IDS_APP_TITLE).
    int Message(HWND owner, const std::string& text, UINT type) override;
    INT_PTR RunDialog(CDialog& dlg, HWND owner) override;
    bool SaveFile(HWND owner, std::string& path) override;
    bool FileDialog(HWND owner, bool open, const std::string& filter,
                    const std::string& defaultExt, std::string& path) override;
    int BrowseFolder(HWND owner, const std::string& title, std::string& path) override;
    void ShowHelp(HWND owner, const std::string& helpFile, DWORD topic) override;
};

}  // namespace fw
