// The one seam through which the program asks or tells the user anything.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class CDialog;

// Everything that stops to ask the user goes through this interface, so that tests can
// record the texts and answer the questions.
class IPrompt {
public:
    virtual ~IPrompt() = default;
    // MessageBoxA semantics: type holds the MB_ button, icon and default flags; the result is
    // IDOK, IDYES, IDNO or IDCANCEL.
    virtual int Message(HWND owner, const std::string& text, UINT type) = 0;
    // Runs a dialog modally; the real one calls dlg.RunModal(owner).
    virtual INT_PTR RunDialog(CDialog& dlg, HWND owner);
    // A "Save As" file dialog with no filter and no default extension, starting at path and
    // asking before an existing file is chosen; true with the chosen path in path on OK.
    virtual bool SaveFile(HWND owner, std::string& path);
    // An Open (open true) or Save As file dialog with the read-only box hidden; Save As asks
    // before an existing file is chosen. filter is "description|pattern|..." as the string
    // table holds it; defaultExt (no dot) is added to a name typed without an extension. Starts
    // at path; true with the chosen path in path on OK.
    virtual bool FileDialog(HWND owner, bool open, const std::string& filter,
                            const std::string& defaultExt, std::string& path);
    // The shell's folder browser titled title, preselecting path and offering only real
    // folders. IDOK with the chosen folder in path; IDCANCEL; or IDABORT when the choice has
    // no file-system path.
    virtual int BrowseFolder(HWND owner, const std::string& title, std::string& path);
};

// The prompt in force: the real one unless a test installed its own.
IPrompt& Prompt();
// Installs p (null restores the real one); returns the previous one.
IPrompt* SetPrompt(IPrompt* p);

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
