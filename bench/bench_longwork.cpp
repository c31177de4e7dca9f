// Long work measured side by side in one invocation, each figure with its ratio to its baseline:
//  - evacuation of a 20,000-file tree and the first backup run of it, against Wine's xcopy /E /I
//    and a bare FindFirstFileA + CopyFileA walk of the same tree written here;
//  - the no-change run against xcopy /E /D /L;
//  - what the progress window costs: the same work through the long-operation runner (worker
//    thread, window shown after half a second) against the work called directly;
//  - a backup run with 300 earlier packs against the same run with 1 earlier pack.
//
//   bench_longwork [rounds]          all of it (default 2 rounds, best of each)
//   bench_longwork tree [rounds]     only the tree figures
//   bench_longwork overhead [pairs]  only the progress window's cost, from medians
//   bench_longwork packs [n] [files] only the pack-growth figure (n earlier packs, tree size)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "backup/BackupRun.h"
#include "fw/Prompt.h"
#include "resource.h"
#include "store/BrnFile.h"
#include "store/Repository.h"
#include "string_ids.h"
#include "view/LongOperation.h"

using namespace bench;

namespace {

// Answers every message box with its default.
class SilentPrompt : public fw::IPrompt {
public:
    int Message(HWND, const std::string&, UINT type) override { return fw::DefaultAnswer(type); }
};

void WriteBytes(const std::string& path, size_t size) { WriteSmallFile(path, std::string(size, 'x')); }

// The baseline a program could not do with less: list each folder once, copy each file.
int BareWalk(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((from + "\\*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do {
        if (!strcmp(d.cFileName, ".") || !strcmp(d.cFileName, "..")) continue;
        std::string a = from + "\\" + d.cFileName, b = to + "\\" + d.cFileName;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            n += BareWalk(a, b);
        else if (CopyFileA(a.c_str(), b.c_str(), TRUE))
            ++n;
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return n;
}

std::string WriteDefinition(const std::string& path, const std::string& target) {
    CBrnFile def;
    def.SetFolder(target);
    def.CreateNew(path);
    def.Save();
    def.Close();
    return path;
}

// A repository object as the program sets one up for a command-line run.
struct Repo {
    explicit Repo(const std::string& folder) {
        CreateDirectoryA(folder.c_str(), nullptr);
        repository.SetFolder(folder);
        repository.SetDefinitionRunner(backup::RunDefinition);
        repository.Settings().brnFile = true;
        repository.Load();
    }
    CRepository repository;
};

// Seconds to dispatch paths, through the long-operation runner (progress window) or directly.
double Dispatch(CRepository& repository, const std::vector<std::string>& paths, bool window) {
    double t0 = Now();
    size_t failed = 0;
    if (window) {
        view::RunLongOperation(nullptr, repository, IDS_PROGRESS_EVACUATING,
                               [&] { failed = repository.DispatchPaths(paths, true); });
    } else {
        repository.Progress().Start();
        failed = repository.DispatchPaths(paths, true);
    }
    double t = Now() - t0;
    if (failed) std::printf("  (%zu paths failed)\n", failed);
    return t;
}

struct Best {
    double v = 1e9;
    void Take(double x) { v = std::min(v, x); }
};

void MeasureTree(const std::string& work, int rounds) {
    std::string tree = work + "\\tree";
    double t0 = Now();
    int files = MakeTree(tree);
    std::printf("tree of %d files in 200 folders generated in %.1f s; best of %d rounds\n", files,
                Now() - t0, rounds);
    std::string def = WriteDefinition(work + "\\Tree.brn", tree);
    Best xcopy, xcopyList, walk, evacWindow, evacDirect, firstWindow, firstDirect, sameWindow,
        sameDirect;
    for (int r = 0; r < rounds; ++r) {
        std::string copy = work + "\\xcopy", walked = work + "\\walk";
        double x = RunAndTime("xcopy " + Quote(tree) + " " + Quote(copy) + " /E /I /Q");
        double xl = RunAndTime("xcopy " + Quote(tree) + " " + Quote(copy) + " /E /I /D /L /Q");
        double w0 = Now();
        int walkedFiles = BareWalk(tree, walked);
        double w = Now() - w0;
        if (walkedFiles != files) std::printf("  (the walk copied %d files)\n", walkedFiles);
        RemoveTree(copy);
        RemoveTree(walked);
        double times[6];
        for (int window = 0; window < 2; ++window) {
            std::string folder = work + "\\repo" + std::to_string(window);
            {
                Repo evac(folder);
                times[window] = Dispatch(evac.repository, {tree}, window);
            }
            RemoveTree(folder);
            {
                Repo run(folder);
                times[2 + window] = Dispatch(run.repository, {def}, window);
                times[4 + window] = Dispatch(run.repository, {def}, window);
            }
            RemoveTree(folder);
        }
        std::printf(
            "  round %d: xcopy /E /I %.2f s, bare walk %.2f s, xcopy /E /D /L %.2f s\n"
            "           evacuation %.2f s (direct %.2f), first run %.2f s (direct %.2f), "
            "no-change run %.2f s (direct %.2f)\n",
            r + 1, x, w, xl, times[1], times[0], times[3], times[2], times[5], times[4]);
        xcopy.Take(x);
        xcopyList.Take(xl);
        walk.Take(w);
        evacDirect.Take(times[0]);
        evacWindow.Take(times[1]);
        firstDirect.Take(times[2]);
        firstWindow.Take(times[3]);
        sameDirect.Take(times[4]);
        sameWindow.Take(times[5]);
    }
    std::printf("  evacuation with the progress window %.2f s: %.2f x xcopy /E /I (target <= 0.5), "
                "%.2f x bare walk (target <= 0.8)\n",
                evacWindow.v, evacWindow.v / xcopy.v, evacWindow.v / walk.v);
    std::printf("  first backup run with the progress window %.2f s: %.2f x xcopy /E /I (target "
                "<= 0.5), %.2f x bare walk (target <= 0.8)\n",
                firstWindow.v, firstWindow.v / xcopy.v, firstWindow.v / walk.v);
    std::printf("  no-change run with the progress window %.2f s: %.2f x xcopy /E /D /L (target "
                "<= 0.2)\n",
                sameWindow.v, sameWindow.v / xcopyList.v);
    std::printf("  progress window cost: evacuation %.3f x, first run %.3f x, no-change run %.3f x "
                "of the direct call (target < 1.05)\n",
                evacWindow.v / evacDirect.v, firstWindow.v / firstDirect.v,
                sameWindow.v / sameDirect.v);
    RemoveTree(tree);
    DeleteFileA(def.c_str());
}

// The progress window's cost alone: the same evacuation of a smaller tree, through the runner and
// called directly, alternately, pairs times; the medians are compared.
void MeasureOverhead(const std::string& work, int pairs) {
    std::string tree = work + "\\otree";
    int files = MakeTree(tree, 25);
    std::vector<double> window, direct;
    for (int i = 0; i < pairs; ++i)
        for (int w = 0; w < 2; ++w) {
            std::string folder = work + "\\orepo";
            {
                Repo evac(folder);
                (w ? window : direct).push_back(Dispatch(evac.repository, {tree}, w));
            }
            RemoveTree(folder);
        }
    std::sort(window.begin(), window.end());
    std::sort(direct.begin(), direct.end());
    double mw = window[window.size() / 2], md = direct[direct.size() / 2];
    std::printf("progress window cost, evacuation of %d files %d times each, alternately: median "
                "%.3f s with the window, %.3f s without: %.3f x (target < 1.05)\n",
                files, pairs, mw, md, mw / md);
    RemoveTree(tree);
}

// A run (changing one file each time) on a repository whose definition has packs earlier packs,
// measured as a command-line run does it: load the catalogue, run, save.
struct Median {
    std::vector<double> v;
    void Take(double x) { v.push_back(x); }
    double Value() {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
};

struct PackFigures {
    Median total, load, run;
};

struct PackRepository {
    std::string tree, def, folder, changing;
    int round = 0;
    PackFigures figures;
};

PackRepository MakePackRepository(const std::string& work, int packs, int perFolder) {
    PackRepository p;
    p.tree = work + "\\ptree" + std::to_string(packs);
    MakeTree(p.tree, perFolder);
    p.def = WriteDefinition(work + "\\P" + std::to_string(packs) + ".brn", p.tree);
    p.folder = work + "\\prepo" + std::to_string(packs);
    p.changing = p.tree + "\\dir0\\sub0\\file0.txt";
    Repo setup(p.folder);
    for (int i = 0; i < packs; ++i) {
        WriteBytes(p.changing, 100 + i % 50);
        setup.repository.Dispatch(p.def.c_str());
    }
    return p;
}

void RunOnce(PackRepository& p) {
    WriteBytes(p.changing, 300 + p.round++);
    double t0 = Now();
    {
        Repo repo(p.folder);
        double t1 = Now();
        // The run as the program's window runs it, its catalogue loaded at start-up; the
        // catalogue is saved by the run itself.
        repo.repository.Dispatch(p.def.c_str());
        p.figures.run.Take(Now() - t1);
        p.figures.load.Take(t1 - t0);
    }
    p.figures.total.Take(Now() - t0);
}

void RemovePackRepository(const PackRepository& p) {
    RemoveTree(p.folder);
    RemoveTree(p.tree);
    DeleteFileA(p.def.c_str());
}

void MeasurePacks(const std::string& work, int packs, int perFolder, int rounds) {
    std::printf("backup run after %d earlier packs against after 1, tree of %d files, one file "
                "changed, medians of %d runs of each, alternately\n",
                packs, 200 * perFolder, rounds);
    double t0 = Now();
    PackRepository many = MakePackRepository(work, packs, perFolder);
    double setup = Now() - t0;
    PackRepository one = MakePackRepository(work, 1, perFolder);
    for (int r = 0; r < rounds; ++r) {
        RunOnce(one);
        RunOnce(many);
    }
    PackFigures &m = many.figures, &o = one.figures;
    const double oRun = o.run.Value(), mRun = m.run.Value();
    const double oTotal = o.total.Value(), mTotal = m.total.Value();
    std::printf("  the run (catalogue loaded, as in the window): 1 pack %.3f s, %d packs %.3f s: "
                "ratio %.2f (target <= 1.3)\n",
                oRun, packs, mRun, mRun / oRun);
    std::printf("  with the catalogue load as a command-line run does it: 1 pack %.3f s, %d packs "
                "%.3f s: ratio %.2f (load %.3f s against %.3f s); set-up %.0f s\n",
                oTotal, packs, mTotal, mTotal / oTotal, m.load.Value(), o.load.Value(), setup);
    RemovePackRepository(many);
    RemovePackRepository(one);
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    SilentPrompt prompt;
    fw::SetPrompt(&prompt);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "brenna_bench_longwork_" +
                       std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "packs") {
        MeasurePacks(work, argc > 2 ? std::atoi(argv[2]) : 300,
                     argc > 3 ? std::max(1, std::atoi(argv[3]) / 200) : 10, 7);
    } else if (mode == "overhead") {
        MeasureOverhead(work, argc > 2 ? std::max(1, std::atoi(argv[2])) : 7);
    } else if (mode == "tree") {
        MeasureTree(work, argc > 2 ? std::max(1, std::atoi(argv[2])) : 2);
    } else {
        int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
        MeasureTree(work, rounds);
        MeasureOverhead(work, 7);
        MeasurePacks(work, 300, 10, 7);
    }
    RemoveTree(work);
    fw::SetPrompt(nullptr);
    OleUninitialize();
    return 0;
}
