// The backup definition dialog: makes a new ".brn" file or changes an existing one.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "store/BrnFile.h"
#include "fw/win/Dialog.h"
#include "resource.h"

class CBrnFileDialog : public fw::CDialog {
public:
    // The help topic of the dialog and of its three commands.
    static constexpr DWORD kHelpTopic = HELP_TOPIC_BACKUP_DEFINITION;

    CBrnFileDialog();
    // Destroying the definition closes its file.
    ~CBrnFileDialog() override;

    // True when the text after the path's last "." is "brn", ignoring case.
    static bool IsDefinitionName(const std::string& path);
    // Appends ".brn" unless the path already is a definition name. False, with the path
    // unchanged, when the result would not fit in MAX_PATH with its terminator.
    static bool AddDefinitionExtension(std::string& path);

    // Opens the definition file read-write and fills the fields from it, so that the dialog
    // modifies it; the file stays open until the dialog ends. Tells the user and returns false
    // when the name is not a definition name or the file cannot be opened or read.
    bool PrepareForEdit(const std::string& path);

    // Called with kHelpTopic when the user asks for help; without it F1 does nothing.
    void SetHelpHandler(std::function<void(DWORD topic)> handler) {
        m_helpHandler = std::move(handler);
    }

    const std::string& Target() const { return m_target; }
    const std::string& ExclusionText() const { return m_exclusions; }
    // The definition being edited; null while creating until OK names the file.
    const CBrnFile* Definition() const { return m_pDefinition.get(); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    // "&Browse...": a target file chosen in the Open dialog.
    void ChooseTargetFile();
    // "&Folder...": a target folder chosen in the shell's folder browser.
    void ChooseTargetFolder();
    // Names the new definition file through Save As and creates it; false keeps the dialog open.
    bool CreateDefinitionFile();

    std::string m_exclusions;
    std::string m_target;
    std::unique_ptr<CBrnFile> m_pDefinition;
    std::function<void(DWORD)> m_helpHandler;
};
