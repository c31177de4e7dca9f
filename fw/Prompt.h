// The one seam through which the program asks or tells the user anything.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CDialog;

// Everything that stops to ask the user goes through this interface, so that tests can
// record the texts and answer the questions. Whatever a prompt does not show counts as
// cancelled; the shell's prompt (fw/win/ShellPrompt.h) shows everything.
class IPrompt {
public:
    virtual ~IPrompt() = default;
    // MessageBoxA semantics: type holds the MB_ button, icon and default flags; the result is
    // IDOK, IDYES, IDNO or IDCANCEL.
    virtual int Message(HWND owner, const std::string& text, UINT type) = 0;
    // Runs a dialog modally; the real one calls dlg.RunModal(owner).
    virtual INT_PTR RunDialog(CDialog& dlg, HWND owner) { return IDCANCEL; }
    // A "Save As" file dialog with no filter and no default extension, starting at path and
    // asking before an existing file is chosen; true with the chosen path in path on OK.
    virtual bool SaveFile(HWND owner, std::string& path) { return false; }
    // An Open (open true) or Save As file dialog with the read-only box hidden; Save As asks
    // before an existing file is chosen. filter is "description|pattern|..." as the string
    // table holds it; defaultExt (no dot) is added to a name typed without an extension. Starts
    // at path; true with the chosen path in path on OK.
    virtual bool FileDialog(HWND owner, bool open, const std::string& filter,
                            const std::string& defaultExt, std::string& path) {
        return false;
    }
    // The shell's folder browser titled title, preselecting path and offering only real
    // folders. IDOK with the chosen folder in path; IDCANCEL; or IDABORT when the choice has
    // no file-system path.
    virtual int BrowseFolder(HWND owner, const std::string& title, std::string& path) {
        return IDCANCEL;
    }
    // Opens the compiled help file helpFile at topic (HtmlHelpA, HH_HELP_CONTEXT).
    virtual void ShowHelp(HWND owner, const std::string& helpFile, DWORD topic) {}
};

// The prompt in force. The program installs the shell's own (fw/win/ShellPrompt.h) at start, and
// tests their scripted one; until then nothing is shown and every question gets its default answer,
// so code below the window layer never opens a window by itself.
IPrompt& Prompt();
// Installs p (null restores the silent default); returns the previous one.
IPrompt* SetPrompt(IPrompt* p);
// The button a message box of type would take as its default: what a prompt that asks nobody
// answers.
int DefaultAnswer(UINT type);

// The owner used for messages: the main window when there is one.
void SetMessageOwner(HWND owner);

// Shows string table text id; the type defaults to an OK box with the stop icon, as errors are.
int MessageId(UINT id, UINT type = MB_OK | MB_ICONSTOP);
int MessageText(const std::string& text, UINT type = MB_OK | MB_ICONSTOP);

// Shows the wait cursor while it lives.
class CWaitCursor {
public:
    CWaitCursor() : m_old(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_old); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_old;
};

}  // namespace fw
