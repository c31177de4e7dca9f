// Measures the main window with growing catalogues: time from start to a shown window holding
// every row, a sort by Name, and the process's memory per item. Ratios are against 10,000 items.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "store/DataFile.h"

using namespace bench;

namespace {

struct Result {
    double shown = 0, sort = 0;
    double memory = 0;  // bytes of private memory
    double workingSet = 0;
    double fileSize = 0;
};

// A repository whose catalogue has n items pointing at a thousand real copies, with many
// different extensions so that the icon cache has work to do.
std::string MakeRepository(const std::string& root, int n) {
    std::string repo = root + "\\repo" + std::to_string(n);
    CreateDirectoryA(repo.c_str(), nullptr);
    WriteSmallFile(repo + "\\Brenna.ini",
                   "[Settings]\r\nleft=0\r\ntop=0\r\nright=900\r\nbottom=600\r\n");
    std::string folder = repo + "\\br000000";
    CreateDirectoryA(folder.c_str(), nullptr);
    const char* exts[] = {".txt", ".doc", ".xls", ".bmp", ".ini", ".log", ".csv", ".dat"};
    std::vector<std::string> copies;
    for (int i = 0; i < 1000; ++i) {
        copies.push_back(folder + "\\copy" + std::to_string(i) + exts[i % 8]);
        WriteSmallFile(copies.back(), std::string(i * 13 % 5000, 'x'));
    }
    CDataFile c;
    c.SetFolder(repo);
    for (int i = 0; i < n; ++i) {
        // Names in no particular order, so the sort has real work.
        unsigned k = (static_cast<unsigned>(i) * 2654435761u) % 1000003u;
        std::string source = "C:\\Users\\someone\\Documents\\Project " + std::to_string(i % 97) +
                             "\\item" + std::to_string(k) + exts[i % 8];
        c.AddItem(source.c_str(), copies[i % 1000].c_str(), 1);
    }
    c.Save(TRUE);
    return repo;
}

Result Measure(const std::string& repo) {
    Result r;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA((repo + "\\brenna.dat").c_str(), GetFileExInfoStandard, &data))
        r.fileSize = data.nFileSizeLow;
    ShownProgram shown = StartAndWaitForList(repo);
    if (!shown.process) return r;
    HWND frame = shown.frame;
    HANDLE process = shown.process;
    r.shown = shown.seconds;
    // Descending then ascending by the sorted column (Name): two full sorts.
    double s0 = Now();
    SendMessageA(frame, WM_COMMAND, 32780, 0);
    SendMessageA(frame, WM_COMMAND, 32778, 0);
    r.sort = (Now() - s0) / 2;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine reports the committed private bytes as the page-file usage.
    r.memory = static_cast<double>(std::max(pmc.PrivateUsage, pmc.PagefileUsage));
    r.workingSet = static_cast<double>(pmc.WorkingSetSize);
    CloseProgram(shown);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "brenna_wbench_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    std::vector<int> sizes = {0, 1000, 10000, 100000};
    std::vector<Result> results;
    for (int n : sizes) results.push_back(Measure(MakeRepository(work, n)));
    const Result& base = results[2];
    std::printf("main window with growing catalogues (sort = one full sort by Name)\n");
    for (size_t i = 1; i < sizes.size(); ++i) {
        const Result& r = results[i];
        double perItem = (r.memory - results[0].memory - r.fileSize) / sizes[i];
        std::printf("  %6d items: private %.1f MB, working set %.1f MB, catalogue file %.1f MB\n",
                    sizes[i], r.memory / 1048576, r.workingSet / 1048576, r.fileSize / 1048576);
        std::printf("  %6d items: shown %.3f s (x%.2f of 10,000), sort %.3f s (x%.2f of 10,000), "
                    "memory beyond the file %.0f bytes per item\n",
                    sizes[i], r.shown, r.shown / base.shown, r.sort, r.sort / base.sort, perItem);
    }
    std::printf("  targets: shown and sort at 100,000 at most x12 of 10,000; under 1024 bytes per item\n");
    (void)argc;
    (void)argv;
    return 0;
}
