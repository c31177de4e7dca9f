// The file-operation fault seam.
#include "fw/Faults.h"

#include <vector>

namespace fw {
namespace {

struct Armed {
    int calls = 0;
    std::vector<int> failing;
};

Armed g_rename;

bool ShouldFail(Armed& armed) {
    if (armed.failing.empty()) return false;
    ++armed.calls;
    for (int n : armed.failing)
        if (n == armed.calls) return true;
    return false;
}

}  // namespace

void FailCalls(FileOp, std::initializer_list<int> calls) {
    g_rename.calls = 0;
    g_rename.failing.assign(calls.begin(), calls.end());
}

BOOL MoveFileChecked(const char* from, const char* to, DWORD flags) {
    if (ShouldFail(g_rename)) {
        // Not a sharing error: callers retry those, and the test wants this call to fail.
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return MoveFileExA(from, to, flags);
}

}  // namespace fw
