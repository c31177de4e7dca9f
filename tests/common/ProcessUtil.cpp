// Second-process helpers for the command-line tests.
#include "ProcessUtil.h"

namespace testutil {

std::string ProgramPath() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir = self;
    dir.resize(dir.find_last_of('\\'));
    return dir + "\\Brennahold.exe";
}

std::string Quote(const std::string& arg) { return "\"" + arg + "\""; }

HANDLE StartCommand(const std::string& cmd, const std::string& cwd) {
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD RunCommand(const std::string& cmd, DWORD timeoutMs) {
    HANDLE process = StartCommand(cmd);
    if (!process) return GetLastError() | 0x80000000;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    else
        TerminateProcess(process, 1);
    CloseHandle(process);
    return code;
}

HANDLE StartProgram(const std::string& args, const std::string& cwd) {
    return StartCommand(Quote(ProgramPath()) + (args.empty() ? "" : " " + args), cwd);
}

std::vector<std::string> AnswerMessageBoxes(DWORD pid, std::set<HWND>& answered) {
    std::vector<std::string> texts;
    for (HWND box : VisibleWindowsOf(pid)) {
        char cls[32];
        if (!GetClassNameA(box, cls, sizeof cls) || lstrcmpA(cls, "#32770") != 0) continue;
        if (!answered.insert(box).second) continue;
        char text[2048] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        texts.push_back(text);
        // OK, or Yes on a question box.
        HWND ok = GetDlgItem(box, IDOK);
        PostMessageA(box, WM_COMMAND, ok ? IDOK : IDYES, 0);
    }
    return texts;
}

RunResult RunProgram(const std::string& args, const std::string& cwd, DWORD timeoutMs) {
    RunResult r;
    HANDLE proc = StartProgram(args, cwd);
    if (!proc) return r;
    DWORD pid = GetProcessId(proc);
    DWORD start = GetTickCount();
    std::set<HWND> answered;
    for (;;) {
        if (WaitForSingleObject(proc, 50) == WAIT_OBJECT_0) break;
        auto texts = AnswerMessageBoxes(pid, answered);
        r.messages.insert(r.messages.end(), texts.begin(), texts.end());
        if (GetTickCount() - start > timeoutMs) {
            r.timedOut = true;
            TerminateProcess(proc, 255);
            WaitForSingleObject(proc, 5000);
            break;
        }
    }
    GetExitCodeProcess(proc, &r.exitCode);
    CloseHandle(proc);
    return r;
}

OutputResult RunProgramWithOutput(const std::string& args,
                                  const std::function<void(DWORD pid)>& watch, DWORD timeoutMs) {
    OutputResult r;
    char dir[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "out", 0, name);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (out == INVALID_HANDLE_VALUE) return r;
    std::string cmd = Quote(ProgramPath()) + (args.empty() ? "" : " " + args);
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessA(nullptr, buf.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &si, &pi);
    CloseHandle(out);
    if (started) {
        CloseHandle(pi.hThread);
        DWORD start = GetTickCount();
        while (WaitForSingleObject(pi.hProcess, 50) != WAIT_OBJECT_0) {
            if (watch) watch(pi.dwProcessId);
            if (GetTickCount() - start > timeoutMs) {
                r.timedOut = true;
                TerminateProcess(pi.hProcess, 255);
                WaitForSingleObject(pi.hProcess, 5000);
                break;
            }
        }
        GetExitCodeProcess(pi.hProcess, &r.exitCode);
        CloseHandle(pi.hProcess);
    }
    HANDLE in = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in != INVALID_HANDLE_VALUE) {
        char chunk[4096];
        DWORD n;
        while (ReadFile(in, chunk, sizeof chunk, &n, nullptr) && n) r.output.append(chunk, n);
        CloseHandle(in);
    }
    DeleteFileA(name);
    return r;
}

namespace {

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd)) s->windows.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD pid) {
    WindowSearch s{pid, {}};
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&s));
    return s.windows;
}

}  // namespace testutil
