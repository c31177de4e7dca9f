// Measures command-line evacuation of a large tree against Wine's xcopy, and catalogue load and
// save times for growing catalogues. Prints each figure with its ratio to the baseline.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "store/DataFile.h"

using namespace bench;

namespace {

void BenchEvacuation(const std::string& work, int rounds) {
    std::string tree = work + "\\tree";
    int files = MakeTree(tree, 100, true);
    std::printf("evacuation of a tree of %d files in 200 folders (%d rounds each)\n", files, rounds);
    double best[2] = {1e9, 1e9};
    for (int r = 0; r < rounds; ++r) {
        std::string repo = work + "\\repo";
        std::string copy = work + "\\xcopy";
        CreateDirectoryA(repo.c_str(), nullptr);
        WriteSmallFile(repo + "\\Brenna.ini", "[Settings]\r\n");
        double tx = RunAndTime("xcopy " + Quote(tree) + " " + Quote(copy) + " /E /I /Q");
        double tb = RunAndTime(Quote(ProgramPath()) + " -c " + Quote(repo + "\\Brenna.ini") + " " +
                               Quote(tree));
        std::printf("  round %d: xcopy /E /I %.2f s, Brennahold %.2f s, ratio %.2f\n", r + 1, tx,
                    tb, tb / tx);
        best[0] = std::min(best[0], tx);
        best[1] = std::min(best[1], tb);
        RemoveTree(repo);
        RemoveTree(copy);
    }
    std::printf("  best: xcopy %.2f s, Brennahold %.2f s, ratio %.2f (target <= 1.10)\n", best[0],
                best[1], best[1] / best[0]);
    RemoveTree(tree);
}

void BenchCatalogue(const std::string& work) {
    std::string repo = work + "\\catalogue";
    CreateDirectoryA(repo.c_str(), nullptr);
    // Records point at a thousand real copies in turn, so that every load opens real files.
    constexpr int kCopies = 1000;
    std::string folder = repo + "\\br000000";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < kCopies; ++i)
        WriteSmallFile(folder + "\\copy" + std::to_string(i) + ".txt", "content");
    std::printf("catalogue load and save\n");
    double base[3] = {0, 0, 0};
    for (int n : {10000, 100000}) {
        {
            CDataFile c;
            c.SetFolder(repo);
            for (int i = 0; i < n; ++i) {
                std::string stored = folder + "\\copy" + std::to_string(i % kCopies) + ".txt";
                std::string source = "C:\\Users\\someone\\Documents\\Project " +
                                     std::to_string(i / 100) + "\\copy" + std::to_string(i) + ".txt";
                c.AddItem(source.c_str(), stored.c_str(), 1);
            }
            c.Save(TRUE);
        }
        CDataFile c;
        c.SetFolder(repo);
        double t0 = Now();
        c.Load();
        double load = Now() - t0;
        t0 = Now();
        c.Save(TRUE);
        double save = Now() - t0;
        // A repository's save first takes in what other processes recorded: one more read.
        t0 = Now();
        c.Save(TRUE, true);
        double merged = Now() - t0;
        if (n == 10000) {
            base[0] = load;
            base[1] = save;
            base[2] = merged;
        }
        std::printf("  %6d items: load %.3f s (x%.1f of 10,000), save %.3f s (x%.1f of 10,000), "
                    "save with merge %.3f s (x%.1f of 10,000, %.2f of the plain save)\n",
                    n, load, load / base[0], save, save / base[1], merged, merged / base[2],
                    merged / save);
    }
    RemoveTree(repo);
}

}  // namespace

int main(int argc, char** argv) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "brenna_bench_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    int rounds = argc > 1 ? std::atoi(argv[1]) : 2;
    BenchCatalogue(work);
    if (rounds > 0) BenchEvacuation(work, rounds);
    RemoveTree(work);
    return 0;
}
