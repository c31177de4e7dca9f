// Shared test helpers: temporary folders, files, and a prompt that records and answers.
#pragma once

#include <windows.h>

#include <deque>
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

// Records every message and answers from a queue (IDOK, or the box's default button, when the
// queue is empty). Installed for its lifetime.
class ScriptedPrompt : public fw::IPrompt {
public:
    ScriptedPrompt();
    ~ScriptedPrompt() override;
    int Message(HWND owner, const std::string& text, UINT type) override;
    void Answer(int id) { m_answers.push_back(id); }

    struct Shown {
        std::string text;
        UINT type;
    };
    std::vector<Shown> shown;

private:
    std::deque<int> m_answers;
    fw::IPrompt* m_previous;
};

// True when the tests run under the Japanese code page (the cp932 pass).
bool IsJapaneseCodePage();

}  // namespace testutil
