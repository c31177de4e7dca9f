// The dialog that makes an external repository: a folder with its "Brenna.ini", optionally a
// desktop shortcut that opens it, and optionally a copy of the current repository moved there.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "fw/win/Dialog.h"
#include "resource.h"
#include "store/Repository.h"
#include "view/BrennaView.h"

class CExtRepositoryDialog : public fw::CDialog {
public:
    static constexpr DWORD kHelpTopic = HELP_TOPIC_EXT_REPOSITORY;
    // What happens to the current repository's contents (the radio group).
    enum Current { kNothing = 0, kCopy = 1, kMove = 2 };

    // The current repository and the list that shows it (a move empties it through the list's
    // delete command); both outlive the dialog.
    CExtRepositoryDialog(CRepository& repository, CBrennaView& view);

    void SetHelpHandler(std::function<void(DWORD topic)> handler) {
        m_helpHandler = std::move(handler);
    }

    // A drive letter, ":", and nothing of : * ? > < / | " after it.
    static bool IsDirectoryName(const std::string& text);
    // Creates every missing folder of path, from the drive's root down.
    static bool CreateDirectoryPath(const std::string& path);
    // Writes a fresh <folder>\Brenna.ini holding only its comment line; tells the user when it
    // cannot.
    static bool CreateIniFile(const std::string& folder);

    int m_bCreateShortcut = 1;
    int m_nCurrent = kNothing;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void ReadFields();
    void EnableName();
    void Browse();
    // Stays in the dialog with the focus on control id.
    void Refuse(UINT textId, int id);
    // Copies the current repository's files and a catalogue of its items into folder. items
    // that cannot be recorded there are reported and left out (left gets them); false after
    // telling the user when the new repository could not be made whole.
    bool CopyRepository(const std::string& folder, std::vector<CBrennaItem*>& left);
    // Deletes every item but those in left from the current repository through the list.
    void EmptyCurrent(const std::vector<CBrennaItem*>& left);

    CRepository& m_repo;
    CBrennaView& m_view;
    std::function<void(DWORD)> m_helpHandler;
};
