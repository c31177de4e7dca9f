// The one seam through which the program asks or tells the user anything.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

// Everything that stops to ask the user goes through this interface, so that tests can
// record the texts and answer the questions.
class IPrompt {
public:
    virtual ~IPrompt() = default;
    // MessageBoxA semantics: type holds the MB_ button, icon and default flags; the result is
    // IDOK, IDYES, IDNO or IDCANCEL.
    virtual int Message(HWND owner, const std::string& text, UINT type) = 0;
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
