// Start-up with 100,000 items, each with its own real copy spread over a hundred numbered
// folders, against `cmd /c dir /s /b` over the same repository folder in the same Wine: the
// program must not cost much more than listing what it shows. Three rounds each, alternating,
// best kept.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchUtil.h"
#include "store/DataFile.h"
#include "store/StoredPath.h"

using namespace bench;

namespace {

constexpr int kItems = 100000;
constexpr int kPerFolder = 1000;

std::string MakeRepository(const std::string& repo) {
    CreateDirectoryA(repo.c_str(), nullptr);
    WriteSmallFile(repo + "\\Brenna.ini",
                   "[Settings]\r\nleft=0\r\ntop=0\r\nright=900\r\nbottom=600\r\n");
    const char* exts[] = {".txt", ".doc", ".xls", ".bmp", ".ini", ".log", ".csv", ".dat"};
    CDataFile c;
    c.SetFolder(repo);
    for (int i = 0; i < kItems; ++i) {
        std::string folder = store::NumberedFolder(repo, i / kPerFolder);
        if (i % kPerFolder == 0) CreateDirectoryA(folder.c_str(), nullptr);
        std::string name = "file" + std::to_string(i % kPerFolder) + exts[i % 8];
        std::string copy = folder + "\\" + name;
        WriteSmallFile(copy, std::string(i % 300, 'x'));
        std::string source =
            "C:\\Users\\someone\\Documents\\Project " + std::to_string(i % 97) + "\\" + name;
        c.AddItem(source.c_str(), copy.c_str(), 1);
    }
    c.Save(TRUE);
    return repo;
}

}  // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work =
        std::string(temp) + "brenna_stbench_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    double made0 = Now();
    std::string repo = MakeRepository(work + "\\repo");
    std::printf("start-up with %d items, each with its own copy (repository made in %.0f s)\n",
                kItems, Now() - made0);
    double program = 1e9, dir = 1e9;
    for (int round = 0; round < 3; ++round) {
        dir = std::min(dir, RunAndTime("cmd /c dir /s /b " + Quote(repo) + " >NUL"));
        ShownProgram shown = StartAndWaitForList(repo);
        if (shown.frame) program = std::min(program, shown.seconds);
        CloseProgram(shown);
    }
    double ratio = program / dir;
    std::printf("  cmd /c dir /s /b:  %.3f s\n", dir);
    std::printf("  start to full list: %.3f s  x%.2f of dir (target x1.5: %s)\n", program, ratio,
                ratio <= 1.5 ? "met" : "MISSED");
    RemoveTree(work);
    return 0;
}
