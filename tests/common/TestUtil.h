// Shared test helpers: temporary folders, files, and a prompt that records and answers.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fw/Prompt.h"

namespace testutil {

// A fresh folder under the Windows temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    // Path + "\" + rel.
    std::string operator/(const std::string& rel) const { return m_path + "\\" + rel; }

private:
    std::string m_path;
};

// Writes bytes to path, creating missing folders on the way.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool IsDir(const std::string& path);
void MakeDirs(const std::string& path);
// True when a save left its unfinished new file (brn*.tmp) in the folder of path.
bool HasTempFileBeside(const std::string& path);
// Removes a tree, read-only bits included (test clean-up only).
void RemoveTree(const std::string& path);
// Every file below folder: its path relative to folder, and its bytes.
std::map<std::string, std::string> SnapshotTree(const std::string& folder);
// The relative paths of SnapshotTree, in order.
std::vector<std::string> FilesBelow(const std::string& folder);

// Records every message and answers from a queue (IDOK, or the box's default button, when the
// queue is empty). Installed for its lifetime.
class ScriptedPrompt : public fw::IPrompt {
public:
    ScriptedPrompt();
    ~ScriptedPrompt() override;
    int Message(HWND owner, const std::string& text, UINT type) override;
    void Answer(int id) { m_answers.push_back(id); }

    // Dialogs: each call takes the next queued handler (which may drive the dialog, created
    // modeless, and returns its result); with none queued the dialog is cancelled.
    INT_PTR RunDialog(fw::CDialog& dlg, HWND owner) override;
    std::deque<std::function<INT_PTR(fw::CDialog&)>> dialogs;
    // File and folder choices: queued answers (ok, path); none queued means Cancel.
    bool SaveFile(HWND owner, std::string& path) override;
    int BrowseFolder(HWND owner, const std::string& title, std::string& path) override;
    struct Choice {
        int result;  // IDOK, IDCANCEL or IDABORT
        std::string path;
    };
    std::deque<Choice> saveAnswers, folderAnswers;
    // What each file or folder dialog was opened with (its starting path).
    std::vector<std::string> saveAsked, folderAsked;
    // Open and Save As dialogs with a filter: queued answers (none queued means Cancel) and
    // what each one was opened with.
    bool FileDialog(HWND owner, bool open, const std::string& filter, const std::string& defaultExt,
                    std::string& path) override;
    struct FileAsk {
        bool open;
        std::string filter, defaultExt, path;
    };
    std::deque<Choice> fileAnswers;
    std::vector<FileAsk> fileAsked;

    struct Shown {
        std::string text;
        UINT type;
    };
    std::vector<Shown> shown;
    // Help topics opened, with the help file each was asked of.
    void ShowHelp(HWND owner, const std::string& helpFile, DWORD topic) override;
    struct Help {
        std::string file;
        DWORD topic;
    };
    std::vector<Help> helpShown;

private:
    std::deque<int> m_answers;
    fw::IPrompt* m_previous;
};

// True when the tests run under the Japanese code page (the cp932 pass).
bool IsJapaneseCodePage();

// Holds a named mutex shared by the test processes while it lives, so tests that change the same
// machine-wide state (the desktops' shortcuts) take turns.
class CrossProcessLock {
public:
    explicit CrossProcessLock(const char* name);
    ~CrossProcessLock();
    CrossProcessLock(const CrossProcessLock&) = delete;
    CrossProcessLock& operator=(const CrossProcessLock&) = delete;

private:
    HANDLE m_mutex;
};

}  // namespace testutil
