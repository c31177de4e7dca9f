// Starts Brennahold.exe as a real second process and answers its message boxes from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace testutil {

struct RunResult {
    DWORD exitCode = STILL_ACTIVE;
    bool timedOut = false;
    // Texts of the message boxes the program showed, in order; each was answered with OK (or
    // the box's first button).
    std::vector<std::string> messages;
};

// The program next to the test executable.
std::string ProgramPath();

// Quotes one argument for a Windows command line.
std::string Quote(const std::string& arg);

// Starts the program with the given (already quoted) argument text in folder cwd (empty: the
// tests' folder), answers each message box it shows, and waits for it to end.
RunResult RunProgram(const std::string& args, const std::string& cwd = {},
                     DWORD timeoutMs = 60000);

// Starts the command line cmd (program and arguments, quoted as needed) in folder cwd (empty: the
// tests' folder) without waiting; the caller owns the returned process handle, null on failure.
HANDLE StartCommand(const std::string& cmd, const std::string& cwd = {});
// Runs cmd and waits up to timeoutMs: its exit code, STILL_ACTIVE when it did not end in time
// (it is then ended), or the start's error with the high bit set.
DWORD RunCommand(const std::string& cmd, DWORD timeoutMs = 120000);

// What RunProgramWithOutput saw: the exit code and what the program wrote to standard output.
struct OutputResult {
    DWORD exitCode = STILL_ACTIVE;
    bool timedOut = false;
    std::string output;
};

// Starts the program with its standard output going to a file (Wine's helper processes can keep
// a pipe open), calls watch with its process id every 50 ms while it runs (answering nothing),
// and waits for it to end.
OutputResult RunProgramWithOutput(const std::string& args,
                                  const std::function<void(DWORD pid)>& watch = {},
                                  DWORD timeoutMs = 60000);

// The visible top-level windows of process pid.
std::vector<HWND> VisibleWindowsOf(DWORD pid);

// Starts the program without waiting; the caller owns the returned process handle.
HANDLE StartProgram(const std::string& args, const std::string& cwd = {});

// Answers the message boxes of process pid that are open now and not in answered; returns their
// texts and adds them to answered.
std::vector<std::string> AnswerMessageBoxes(DWORD pid, std::set<HWND>& answered);

}  // namespace testutil
