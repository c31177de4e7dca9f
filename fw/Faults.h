// The file layer's checked calls: every call of the program that changes the file system goes
// through them, so that tests can make a chosen step fail (or end the process there) and prove
// what a failure or a crash at each step leaves behind. Unarmed, every call goes straight through.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace fw {

// The kinds of step. Creating a file or folder is a create; a file copy is a create of its target
// followed by a write of it. any counts every step of every kind in one sequence.
enum class FileOp { create, write, flush, rename, remove, any };

// From now on, the steps of op numbered in calls (1: the next one) fail with error; an empty list
// disarms op. Each kind keeps its own count, so several can be armed at once. The error is never a
// sharing violation, so that the callers that wait those out give up at once.
void FailCalls(FileOp op, std::initializer_list<int> calls, DWORD error = ERROR_WRITE_FAULT);
// Disarms every kind and forgets what was injected.
void DisarmFaults();
// True when an armed step has failed since the last FailCalls or DisarmFaults: a run of an
// operation that never reached its armed step has completed unhindered.
bool FaultInjected();

// True while any step is armed (or the process is to end at one): steps must then come one at a
// time, in a fixed order, so that each count names the same step every time.
bool FaultsArmed();
// The test switch BRENNAHOLD_END_AT_WRITE=N of the environment, read once when the process starts:
// the process ends itself (no clean-up, exit code kEndedAtWrite) just before its Nth step of any
// kind, as a crash or a power cut at that point would.
constexpr UINT kEndedAtWrite = 0xE0D;
constexpr const char* kEndAtWriteVariable = "BRENNAHOLD_END_AT_WRITE";

// CreateFileA; a create step when the call may create, truncate or write the file.
HANDLE CreateFileChecked(const char* path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags);
// GetTempFileNameA with unique 0, which creates the empty file it names.
UINT CreateTempFileChecked(const char* folder, const char* prefix, char (&out)[MAX_PATH]);
BOOL WriteFileChecked(HANDLE file, const void* data, DWORD size, DWORD* written);
BOOL FlushChecked(HANDLE file);
BOOL MoveFileChecked(const char* from, const char* to, DWORD flags);
BOOL DeleteFileChecked(const char* path);
BOOL CreateDirectoryChecked(const char* path);
BOOL RemoveDirectoryChecked(const char* path);
// CopyFileA. A failed write step leaves the target created and empty, as a copy cut short would.
BOOL CopyFileChecked(const char* from, const char* to, BOOL failIfExists);

}  // namespace fw
