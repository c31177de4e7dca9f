// Small helpers shared by the benchmarks: a clock, files, and starting the program.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/FileUtil.h"

namespace bench {

inline double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / f.QuadPart;
}

inline void WriteSmallFile(const std::string& path, const std::string& text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    CloseHandle(h);
}

// Removes a tree, read-only entries included, with the program's own helper.
// 20 folders x 10 subfolders x perFolder files (file<n>.txt) of 200 to 1,000 bytes; with
// withIndex the first file of every subfolder is an index.html instead. Returns the file count.
inline int MakeTree(const std::string& root, int perFolder = 100, bool withIndex = false) {
    CreateDirectoryA(root.c_str(), nullptr);
    int files = 0;
    for (int a = 0; a < 20; ++a) {
        std::string da = root + "\\dir" + std::to_string(a);
        CreateDirectoryA(da.c_str(), nullptr);
        for (int b = 0; b < 10; ++b) {
            std::string db = da + "\\sub" + std::to_string(b);
            CreateDirectoryA(db.c_str(), nullptr);
            for (int c = 0; c < perFolder; ++c, ++files) {
                if (c == 0 && withIndex)
                    WriteSmallFile(db + "\\index.html", "<html></html>");
                else
                    WriteSmallFile(db + "\\file" + std::to_string(c) + ".txt",
                                   std::string(200 + (c * 37) % 800, 'x'));
            }
        }
    }
    return files;
}

inline void RemoveTree(const std::string& path) { util::DeleteFolderTree(path.c_str()); }

inline std::string Quote(const std::string& s) {
    std::string q(1, '"');
    q += s;
    q += '"';
    return q;
}

// Brennahold.exe beside the benchmark.
inline std::string ProgramPath() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir = self;
    return dir.substr(0, dir.find_last_of('\\')) + "\\Brennahold.exe";
}

// Starts commandLine; the caller owns the returned process handle (null on failure).
inline HANDLE Start(const std::string& commandLine) {
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Runs commandLine to its end and returns the seconds it took (-1 when it could not start).
inline double RunAndTime(const std::string& commandLine) {
    double t0 = Now();
    HANDLE p = Start(commandLine);
    if (!p) return -1;
    WaitForSingleObject(p, INFINITE);
    CloseHandle(p);
    return Now() - t0;
}

// The program started on repo (its Brenna.ini) with its window shown and every row of the
// catalogue in the list, answering messages.
struct ShownProgram {
    HANDLE process = nullptr;
    HWND frame = nullptr;
    double seconds = 0;  // from start to the full list
};

inline ShownProgram StartAndWaitForList(const std::string& repo) {
    ShownProgram r;
    double t0 = Now();
    r.process = Start(Quote(ProgramPath()) + " -c " + Quote(repo + "\\Brenna.ini"));
    if (!r.process) return r;
    std::string title = "Brennahold - " + repo;
    int expected = -1;
    for (;;) {
        HWND frame = FindWindowA("BrennaholdFrame", title.c_str());
        if (frame && IsWindowVisible(frame)) {
            HWND list = FindWindowExA(frame, nullptr, WC_LISTVIEWA, nullptr);
            if (list) {
                if (expected < 0) {
                    // The number of items, read once from the file header.
                    HANDLE h = CreateFileA((repo + "\\brenna.dat").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
                    char header[12] = {};
                    DWORD got = 0;
                    ReadFile(h, header, 12, &got, nullptr);
                    CloseHandle(h);
                    memcpy(&expected, header + 8, 4);
                }
                if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == expected) {
                    r.frame = frame;
                    break;
                }
            }
        }
        if (Now() - t0 > 600) break;
        Sleep(5);
    }
    // The window has painted its first rows once it answers.
    if (r.frame) SendMessageA(r.frame, WM_NULL, 0, 0);
    r.seconds = Now() - t0;
    return r;
}

inline void CloseProgram(ShownProgram& p) {
    if (p.frame) PostMessageA(p.frame, WM_CLOSE, 0, 0);
    if (p.process) {
        WaitForSingleObject(p.process, 60000);
        CloseHandle(p.process);
    }
    p = {};
}

}  // namespace bench
