// Steps of one operation on a few threads.
#include "util/Parallel.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace util {

bool ForEachInParallel(size_t count, unsigned threads, const std::function<bool(size_t)>& step) {
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex lock;
    DWORD firstError = 0;
    std::exception_ptr error;
    auto run = [&] {
        try {
            while (!stop.load()) {
                size_t i = next.fetch_add(1);
                if (i >= count) return;
                if (!step(i)) {
                    DWORD e = GetLastError();
                    std::lock_guard<std::mutex> hold(lock);
                    if (!stop.exchange(true)) firstError = e;
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> hold(lock);
            if (!error) error = std::current_exception();
            stop = true;
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads && t < count; ++t) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // fewer threads: the work is the same
        }
    }
    run();
    for (std::thread& t : helpers) t.join();
    if (error) std::rethrow_exception(error);
    if (stop.load()) {
        SetLastError(firstError);
        return false;
    }
    return true;
}

}  // namespace util
