// Standard output for runs without a window: the check's report, and the messages of /Quiet runs
// started by scripts and scheduled tasks.
#pragma once

#include <string>

#include "fw/Prompt.h"

// Writes text to the process's standard output. A program of the window subsystem started from
// a console without redirection has none of its own; it writes to that console instead.
void WriteStandardOutput(const std::string& text);

// Shows nothing: each message is written to standard output as a line (CR LF), and the box's
// default button answers it. Dialogs and file choices are cancelled, as the base prompt does.
class CStandardOutputPrompt : public fw::IPrompt {
public:
    int Message(HWND owner, const std::string& text, UINT type) override;
};
