// Measures a first backup run and a no-change run over a large generated tree against Wine's
// xcopy on the same tree, in this process through the core library (CRepository::Dispatch).
//
//   bench_backup [rounds]                      generate, measure and remove under the temp folder
//   bench_backup generate <work>               only write <work>\tree
//   bench_backup measure <work> [cp-s] [rounds] measure on <work>\tree; cp-s: native cp -a time
//   bench_backup unique <work> <n>             first run over n files of distinct names
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "backup/BackupRun.h"
#include "store/Repository.h"
#include "store/BrnFile.h"
#include "fw/Prompt.h"

namespace {

using bench::Now;
using bench::Quote;
using bench::RemoveTree;

// A file of size bytes.
void WriteSmallFile(const std::string& path, size_t size) {
    bench::WriteSmallFile(path, std::string(size, 'x'));
}

// Answers every message box with its default and counts them.
class SilentPrompt : public fw::IPrompt {
public:
    int Message(HWND, const std::string&, UINT) override {
        ++count;
        return IDOK;
    }
    int count = 0;
};

// 8 x 8 x 8 nested folders like a web site: every folder has an index.html, every leaf folder
// the same 40 page and asset names. 20,552 files.
int MakeTree(const std::string& root) {
    static const char* kAssets[] = {"style.css", "script.js", "README.txt", "logo.png"};
    CreateDirectoryA(root.c_str(), nullptr);
    int files = 0;
    auto index = [&files](const std::string& dir) {
        WriteSmallFile(dir + "\\index.html", 300 + files % 700);
        ++files;
    };
    for (int a = 0; a < 8; ++a) {
        std::string da = root + "\\section" + std::to_string(a);
        CreateDirectoryA(da.c_str(), nullptr);
        index(da);
        for (int b = 0; b < 8; ++b) {
            std::string db = da + "\\topic" + std::to_string(b);
            CreateDirectoryA(db.c_str(), nullptr);
            index(db);
            for (int c = 0; c < 8; ++c) {
                std::string dc = db + "\\page" + std::to_string(c);
                CreateDirectoryA(dc.c_str(), nullptr);
                index(dc);
                for (const char* asset : kAssets) {
                    WriteSmallFile(dc + "\\" + asset, 200 + (files * 37) % 900);
                    ++files;
                }
                for (int p = 1; p < 36; ++p, ++files) {
                    char name[32];
                    wsprintfA(name, "\\part%02d.html", p);
                    WriteSmallFile(dc + name, 200 + (files * 53) % 1200);
                }
            }
        }
    }
    return files;
}

// n files of distinct names in folders of 100.
int MakeUniqueTree(const std::string& root, int n) {
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < n; ++i) {
        std::string dir = root + "\\d" + std::to_string(i / 100);
        if (i % 100 == 0) CreateDirectoryA(dir.c_str(), nullptr);
        WriteSmallFile(dir + "\\file" + std::to_string(i) + ".txt", 200 + (i * 37) % 800);
    }
    return n;
}

// Runs a command with its output in outFile and returns the elapsed seconds.
double RunAndTime(const std::string& commandLine, const std::string& outFile) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0,
                             nullptr);
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    double t0 = Now();
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::printf("cannot start: %s\n", commandLine.c_str());
        CloseHandle(out);
        return -1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    double t = Now() - t0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(out);
    return t;
}

// The last non-empty line of a text file.
std::string LastLine(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buf[4096];
    DWORD got;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    CloseHandle(h);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t nl = text.find_last_of('\n');
    return nl == std::string::npos ? text : text.substr(nl + 1);
}

std::string WriteDefinition(const std::string& work, const std::string& target) {
    CBrnFile def;
    def.SetFolder(target);
    std::string path = work + "\\Site.brn";
    def.CreateNew(path);
    def.Save();
    def.Close();
    return path;
}

struct RunFigures {
    double seconds;
    size_t items;
    // Message boxes the run showed: "No files to be added." only after the no-change run.
    int messages;
};

// One backup run; the catalogue stays in memory between the runs of one round.
RunFigures TimedRun(CRepository& app, SilentPrompt& prompt, const std::string& definition) {
    int before = prompt.count;
    double t0 = Now();
    int ok = app.Dispatch(definition.c_str());
    RunFigures f{Now() - t0, app.Count(), prompt.count - before};
    if (!ok) std::printf("  the run failed\n");
    return f;
}

void Measure(const std::string& work, double cpSeconds, int rounds) {
    std::string tree = work + "\\tree";
    std::string definition = WriteDefinition(work, tree);
    std::printf(
        "backup run over %s (in process, CRepository::Dispatch with brnfile on), best of %d\n",
        tree.c_str(), rounds);
    double best[4] = {1e9, 1e9, 1e9, 1e9};
    for (int r = 0; r < rounds; ++r) {
        std::string repo = work + "\\repo";
        std::string copy = work + "\\xcopy";
        std::string log = work + "\\xcopy.log";
        CreateDirectoryA(repo.c_str(), nullptr);
        double xe = RunAndTime("xcopy " + Quote(tree) + " " + Quote(copy) + " /E /I /Q", log);
        std::string xeLine = LastLine(log);

        SilentPrompt prompt;
        fw::IPrompt* previous = fw::SetPrompt(&prompt);
        RunFigures first, second;
        {
            CRepository app;
            app.SetFolder(repo);
            app.SetDefinitionRunner(backup::RunDefinition);
            app.Settings().brnFile = true;
            first = TimedRun(app, prompt, definition);
            double xd =
                RunAndTime("xcopy " + Quote(tree) + " " + Quote(copy) + " /E /I /D /L /Q", log);
            std::string xdLine = LastLine(log);
            second = TimedRun(app, prompt, definition);
            std::printf(
                "  round %d: xcopy /E /I %.2f s (%s); first run %.2f s (%zu item), ratio %.2f\n",
                r + 1, xe, xeLine.c_str(), first.seconds, first.items, first.seconds / xe);
            std::printf(
                "           xcopy /E /D /L %.2f s (%s); no-change run %.2f s (%zu item, %d "
                "message), ratio %.2f\n",
                xd, xdLine.c_str(), second.seconds, second.items, second.messages,
                second.seconds / xd);
            best[0] = std::min(best[0], xe);
            best[1] = std::min(best[1], first.seconds);
            best[2] = std::min(best[2], xd);
            best[3] = std::min(best[3], second.seconds);
        }
        fw::SetPrompt(previous);
        RemoveTree(repo);
        RemoveTree(copy);
        DeleteFileA(log.c_str());
    }
    std::printf("  best: first run %.2f s vs xcopy /E %.2f s: ratio %.2f (target <= 1.10)\n",
                best[1], best[0], best[1] / best[0]);
    std::printf("  best: no-change run %.2f s vs xcopy /D /L %.2f s: ratio %.2f (target <= 1.00)\n",
                best[3], best[2], best[3] / best[2]);
    if (cpSeconds > 0)
        std::printf("  native cp -a %.2f s: first run %.1f x, xcopy /E %.1f x of it\n", cpSeconds,
                    best[1] / cpSeconds, best[0] / cpSeconds);
    DeleteFileA(definition.c_str());
}

void MeasureUnique(const std::string& work, int n) {
    std::string tree = work + "\\unique";
    MakeUniqueTree(tree, n);
    std::string definition = WriteDefinition(work, tree);
    std::string repo = work + "\\repo";
    std::string copy = work + "\\xcopy";
    std::string log = work + "\\xcopy.log";
    CreateDirectoryA(repo.c_str(), nullptr);
    double xe = RunAndTime("xcopy " + Quote(tree) + " " + Quote(copy) + " /E /I /Q", log);
    SilentPrompt prompt;
    fw::IPrompt* previous = fw::SetPrompt(&prompt);
    {
        CRepository app;
        app.SetFolder(repo);
        app.SetDefinitionRunner(backup::RunDefinition);
        app.Settings().brnFile = true;
        RunFigures first = TimedRun(app, prompt, definition);
        std::printf(
            "%d files of distinct names (all copies land in br000000): xcopy /E /I %.2f s, "
            "first run %.2f s, ratio %.2f\n",
            n, xe, first.seconds, first.seconds / xe);
    }
    fw::SetPrompt(previous);
    RemoveTree(repo);
    RemoveTree(copy);
    RemoveTree(tree);
    DeleteFileA(log.c_str());
    DeleteFileA(definition.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    std::string mode = argc > 1 ? argv[1] : "";
    if (argc > 2 && (mode == "generate" || mode == "measure" || mode == "unique")) {
        std::string work = argv[2];
        CreateDirectoryA(work.c_str(), nullptr);
        if (mode == "generate") {
            double t0 = Now();
            int files = MakeTree(work + "\\tree");
            std::printf("generated %d files in 584 folders in %.1f s\n", files, Now() - t0);
        } else if (mode == "measure") {
            Measure(work, argc > 3 ? std::atof(argv[3]) : 0, argc > 4 ? std::atoi(argv[4]) : 2);
        } else {
            MeasureUnique(work, argc > 3 ? std::atoi(argv[3]) : 5000);
        }
    } else {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        std::string work =
            std::string(temp) + "brenna_bench_backup_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(work.c_str(), nullptr);
        int files = MakeTree(work + "\\tree");
        std::printf("generated %d files in 584 folders\n", files);
        Measure(work, 0, argc > 1 ? std::max(1, std::atoi(argv[1])) : 2);
        RemoveTree(work);
    }
    OleUninitialize();
    return 0;
}
