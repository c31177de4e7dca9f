// The numbered-folder naming rule shared by evacuation, backup runs and history files.
#include "store/StoredPath.h"

#include <windows.h>

#include "fw/Faults.h"
#include "util/Mbcs.h"

namespace store {

std::string NumberedFolder(const std::string& repository, unsigned n) {
    char num[16];
    wsprintfA(num, "\\br%06u", n);
    return repository + num;
}

bool AllocateStoredPath(const std::string& repository, const std::string& tail, std::string& out) {
    // The disk is probed from 0 upwards, so numbers freed by deletions are used again.
    for (unsigned n = 0;; ++n) {
        std::string folder = NumberedFolder(repository, n);
        std::string candidate = folder + tail;
        if (candidate.size() >= MAX_PATH) return false;
        if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        DWORD attr = GetFileAttributesA(folder.c_str());
        if (attr == INVALID_FILE_ATTRIBUTES) {
            if (!fw::CreateDirectoryChecked(folder.c_str())) return false;
        } else if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
            continue;  // a stray file of that name cannot hold copies
        }
        out = candidate;
        return true;
    }
}

bool AllocateHistoryPath(const std::string& repository, const std::string& definitionPath,
                         std::string& out) {
    size_t slash = util::MbsRFind(definitionPath, '\\');
    std::string tail = slash == std::string::npos ? "\\" + definitionPath
                                                  : definitionPath.substr(slash);
    // "\x.brn" loses "brn" and gains "dat"; a name shorter than that has nothing to cut.
    if (tail.size() < 4) return false;
    tail.resize(tail.size() - 3);
    return AllocateStoredPath(repository, tail + "dat", out);
}

}  // namespace store
