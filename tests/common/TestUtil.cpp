// Shared test helpers.
#include "TestUtil.h"

#include <gtest/gtest.h>

#include "util/Mbcs.h"

namespace testutil {

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static LONG counter = 0;
    char name[MAX_PATH];
    wsprintfA(name, "%sbrtest_%lu_%ld_%lu", base, GetCurrentProcessId(),
              InterlockedIncrement(&counter), GetTickCount());
    m_path = name;
    MakeDirs(m_path);
}

TempDir::~TempDir() { RemoveTree(m_path); }

void MakeDirs(const std::string& path) {
    // Every backslash after the drive part, skipping trail bytes of double-byte characters.
    for (const char* p = util::MbsChr(path.c_str(), '\\'); p; p = util::MbsChr(p + 1, '\\')) {
        std::string part = path.substr(0, p - path.c_str());
        if (part.size() > 2) CreateDirectoryA(part.c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    size_t slash = util::MbsRFind(path, '\\');
    if (slash != std::string::npos) MakeDirs(path.substr(0, slash));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

std::string ReadFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool HasTempFileBeside(const std::string& path) {
    std::string pattern = path.substr(0, util::MbsRFind(path, '\\')) + "\\brn*.tmp";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string child = path + "\\" + n;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

ScriptedPrompt::ScriptedPrompt() : m_previous(fw::SetPrompt(this)) {}

ScriptedPrompt::~ScriptedPrompt() { fw::SetPrompt(m_previous); }

int ScriptedPrompt::Message(HWND, const std::string& text, UINT type) {
    shown.push_back({text, type});
    if (!m_answers.empty()) {
        int a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    switch (type & MB_TYPEMASK) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return (type & MB_DEFMASK) == MB_DEFBUTTON2 ? IDNO : IDYES;
        default:
            return IDOK;
    }
}

INT_PTR ScriptedPrompt::RunDialog(fw::CDialog& dlg, HWND owner) {
    if (dialogs.empty()) return IDCANCEL;
    auto handler = std::move(dialogs.front());
    dialogs.pop_front();
    return handler(dlg);
}

bool ScriptedPrompt::SaveFile(HWND, std::string& path) {
    saveAsked.push_back(path);
    if (saveAnswers.empty()) return false;
    Choice c = saveAnswers.front();
    saveAnswers.pop_front();
    if (c.result != IDOK) return false;
    path = c.path;
    return true;
}

bool ScriptedPrompt::FileDialog(HWND, bool open, const std::string& filter,
                                const std::string& defaultExt, std::string& path) {
    fileAsked.push_back({open, filter, defaultExt, path});
    if (fileAnswers.empty()) return false;
    Choice c = fileAnswers.front();
    fileAnswers.pop_front();
    if (c.result != IDOK) return false;
    path = c.path;
    return true;
}

int ScriptedPrompt::BrowseFolder(HWND, const std::string& title, std::string& path) {
    folderAsked.push_back(path);
    if (folderAnswers.empty()) return IDCANCEL;
    Choice c = folderAnswers.front();
    folderAnswers.pop_front();
    if (c.result == IDOK) path = c.path;
    return c.result;
}

void ScriptedPrompt::ShowHelp(HWND, const std::string& helpFile, DWORD topic) {
    helpShown.push_back({helpFile, topic});
}

namespace {

void Snapshot(const std::string& folder, const std::string& rel,
              std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Snapshot(folder + "\\" + n, rel + n + "\\", out);
        else
            out[rel + n] = ReadFile(folder + "\\" + n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

}  // namespace

std::map<std::string, std::string> SnapshotTree(const std::string& folder) {
    std::map<std::string, std::string> out;
    Snapshot(folder, "", out);
    return out;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : SnapshotTree(folder)) names.push_back(name);
    return names;
}

bool IsJapaneseCodePage() { return GetACP() == 932; }

CrossProcessLock::CrossProcessLock(const char* name) : m_mutex(CreateMutexA(nullptr, FALSE, name)) {
    // An abandoned wait still hands over the mutex: the process that held it has ended.
    if (m_mutex) WaitForSingleObject(m_mutex, 10 * 60 * 1000);
}

CrossProcessLock::~CrossProcessLock() {
    if (!m_mutex) return;
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
}

}  // namespace testutil
