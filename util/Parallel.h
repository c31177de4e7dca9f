// Running the steps of one operation on a few threads at once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>

namespace util {

// Calls step(i) for i from 0 to count - 1, on this thread and threads - 1 more, each taking the
// next index as it finishes one. After the first step that returns false no further step begins;
// the result is then false, with that step's last error. An exception of a step is raised here
// once all threads have stopped.
bool ForEachInParallel(size_t count, unsigned threads, const std::function<bool(size_t)>& step);

}  // namespace util
