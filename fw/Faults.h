// A test seam in the file layer: makes chosen calls of a file operation fail, so that tests can
// prove what a failure at each step leaves behind. Unarmed, every call goes straight through.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace fw {

enum class FileOp { rename };

// From now on, the calls of op numbered in calls (1: the next one) fail; an empty list disarms.
void FailCalls(FileOp op, std::initializer_list<int> calls);

// MoveFileExA, or a failure with ERROR_WRITE_FAULT when the seam says so.
BOOL MoveFileChecked(const char* from, const char* to, DWORD flags);

}  // namespace fw
