// The counts of one long operation (files and bytes done of the totals, the file in hand) and its
// cancel request. The operation runs on one thread and reports through a sink; another thread may
// ask it to stop at any time.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace util {

struct ProgressReport {
    enum Stage { listing, copying, recording };
    Stage stage = listing;
    // The file being copied (empty between files).
    std::string current;
    uint64_t filesDone = 0, filesTotal = 0;
    uint64_t bytesDone = 0, bytesTotal = 0;
};

class CProgressMeter {
public:
    using Sink = std::function<void(const ProgressReport&)>;

    void SetSink(Sink sink) { m_sink = std::move(sink); }
    // A new operation: counts back to zero, no cancel request.
    void Start();
    // Totals grow as the operation learns what it has to do.
    void AddTotal(uint64_t files, uint64_t bytes);
    void SetStage(ProgressReport::Stage stage);
    // One file of size bytes (as listed) begins; returns false when cancelled.
    bool BeginFile(const std::string& path, uint64_t size);
    // done bytes of the file in hand are copied; returns false when cancelled.
    bool FileBytes(uint64_t done);
    // The file in hand is finished (copied, left out or failed): its listed size counts as done,
    // so that the counts add up to the totals whatever the file did meanwhile.
    void EndFile();
    // Thread-safe: the operation stops at its next check.
    void Cancel() { m_cancelled.store(true); }
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    ProgressReport Snapshot() const;

private:
    void Report();

    ProgressReport m_report;
    uint64_t m_fileStart = 0, m_fileSize = 0;
    std::atomic<bool> m_cancelled{false};
    mutable std::mutex m_lock;
    Sink m_sink;
};

// Thrown by deep steps of an operation to unwind it once a cancel is seen; the operation's own
// top level catches it and undoes what it began.
struct CancelledError {};

// The progress meter of an operation that may have none.
inline bool Cancelled(const CProgressMeter* meter) { return meter && meter->IsCancelled(); }

}  // namespace util
