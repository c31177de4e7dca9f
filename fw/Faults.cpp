// The file layer's checked calls and the fault seam behind them.
#include "fw/Faults.h"

#include <cstdlib>
#include <vector>

namespace fw {
namespace {

struct Armed {
    int calls = 0;
    std::vector<int> failing;
    DWORD error = ERROR_WRITE_FAULT;
};

constexpr int kKinds = static_cast<int>(FileOp::any) + 1;

// The steps are counted only while something is armed: unarmed, a checked call costs one test.
bool g_active = false;
Armed g_armed[kKinds];
bool g_injected = false;
int g_endAt = 0;
int g_steps = 0;

void UpdateActive() {
    g_active = g_endAt > 0;
    for (const Armed& a : g_armed) g_active = g_active || !a.failing.empty();
}

// Reads the end-at-write switch as the process starts, before anything can write.
struct EndAtWriteSwitch {
    EndAtWriteSwitch() {
        char text[16];
        DWORD n = GetEnvironmentVariableA(kEndAtWriteVariable, text, sizeof text);
        if (n == 0 || n >= sizeof text) return;
        g_endAt = std::atoi(text);
        UpdateActive();
    }
} g_endAtWriteSwitch;

bool Counts(Armed& armed) {
    if (armed.failing.empty()) return false;
    ++armed.calls;
    for (int n : armed.failing)
        if (n == armed.calls) return true;
    return false;
}

// One step of kind op: true when it must fail, with the armed error as the last error.
bool FailsHere(FileOp op) {
    if (!g_active) return false;
    if (g_endAt > 0 && ++g_steps == g_endAt)
        TerminateProcess(GetCurrentProcess(), kEndedAtWrite);
    // Both counters move on every step, so arming one kind and the overall count together works.
    Armed& own = g_armed[static_cast<int>(op)];
    bool fail = Counts(own);
    Armed& any = g_armed[static_cast<int>(FileOp::any)];
    DWORD error = own.error;
    if (Counts(any)) {
        fail = true;
        error = any.error;
    }
    if (!fail) return false;
    g_injected = true;
    SetLastError(error);
    return true;
}

bool MayWrite(DWORD access, DWORD disposition) {
    return disposition != OPEN_EXISTING ||
           (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}

}  // namespace

void FailCalls(FileOp op, std::initializer_list<int> calls, DWORD error) {
    Armed& armed = g_armed[static_cast<int>(op)];
    armed.calls = 0;
    armed.failing.assign(calls.begin(), calls.end());
    armed.error = error;
    g_injected = false;
    UpdateActive();
}

void DisarmFaults() {
    for (Armed& a : g_armed) a = Armed();
    g_injected = false;
    UpdateActive();
}

bool FaultInjected() { return g_injected; }

bool FaultsArmed() { return g_active; }

HANDLE CreateFileChecked(const char* path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags) {
    if (MayWrite(access, disposition) && FailsHere(FileOp::create)) return INVALID_HANDLE_VALUE;
    return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

UINT CreateTempFileChecked(const char* folder, const char* prefix, char (&out)[MAX_PATH]) {
    if (FailsHere(FileOp::create)) return 0;
    return GetTempFileNameA(folder, prefix, 0, out);
}

BOOL WriteFileChecked(HANDLE file, const void* data, DWORD size, DWORD* written) {
    *written = 0;
    if (FailsHere(FileOp::write)) return FALSE;
    return WriteFile(file, data, size, written, nullptr);
}

BOOL FlushChecked(HANDLE file) {
    if (FailsHere(FileOp::flush)) return FALSE;
    return FlushFileBuffers(file);
}

BOOL MoveFileChecked(const char* from, const char* to, DWORD flags) {
    if (FailsHere(FileOp::rename)) return FALSE;
    return MoveFileExA(from, to, flags);
}

BOOL DeleteFileChecked(const char* path) {
    if (FailsHere(FileOp::remove)) return FALSE;
    return DeleteFileA(path);
}

BOOL CreateDirectoryChecked(const char* path) {
    if (FailsHere(FileOp::create)) return FALSE;
    return CreateDirectoryA(path, nullptr);
}

BOOL RemoveDirectoryChecked(const char* path) {
    if (FailsHere(FileOp::remove)) return FALSE;
    return RemoveDirectoryA(path);
}

BOOL CopyFileChecked(const char* from, const char* to, BOOL failIfExists) {
    if (FailsHere(FileOp::create)) return FALSE;
    DWORD source = g_active ? GetFileAttributesA(from) : INVALID_FILE_ATTRIBUTES;
    if (source == INVALID_FILE_ATTRIBUTES || (source & FILE_ATTRIBUTE_DIRECTORY))
        return CopyFileA(from, to, failIfExists);
    // Armed: the target is created first, so that a failing write leaves what a copy cut short by
    // a full disk or a crash leaves: the target, without its data.
    HANDLE target = CreateFileA(to, GENERIC_WRITE, 0, nullptr,
                                failIfExists ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (target == INVALID_HANDLE_VALUE) return FALSE;
    CloseHandle(target);
    if (FailsHere(FileOp::write)) return FALSE;
    if (CopyFileA(from, to, FALSE)) return TRUE;
    // A failure of its own (the source locked, say) leaves no target, as the plain call would.
    DWORD error = GetLastError();
    DeleteFileA(to);
    SetLastError(error);
    return FALSE;
}

}  // namespace fw
