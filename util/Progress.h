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
    // A file begins (it becomes the one shown); false when cancelled.
    bool BeginFile(const std::string& path);
    // n more bytes are done; false when cancelled.
    bool AddBytes(uint64_t n);
    // A file is finished (copied, left out or failed): remaining is what its listed size has not
    // yet counted, so that the counts add up to the totals whatever the file did meanwhile.
    void EndFile(const std::string& path, uint64_t remaining);
    // Thread-safe: the operation stops at its next check.
    void Cancel() { m_cancelled.store(true); }
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    ProgressReport Snapshot() const;

private:
    void Report();

    ProgressReport m_report;
    std::atomic<bool> m_cancelled{false};
    mutable std::mutex m_lock;
    Sink m_sink;
};

// One file's share of a meter's counts, from its beginning to its end (the destructor). Files
// copied at the same time on several threads each have their own.
class CFileProgress {
public:
    CFileProgress(CProgressMeter* meter, const std::string& path, uint64_t size)
        : m_meter(meter), m_path(path), m_size(size), m_going(!meter || meter->BeginFile(path)) {}
    ~CFileProgress() {
        if (m_meter) m_meter->EndFile(m_path, m_size - m_counted);
    }
    CFileProgress(const CFileProgress&) = delete;
    CFileProgress& operator=(const CFileProgress&) = delete;
    // False when the operation was cancelled before the file began.
    bool Going() const { return m_going; }
    // done bytes of the file are copied; false when cancelled. A file that grew since it was
    // listed never counts past its listed size, and a copy tried again never counts twice.
    bool Bytes(uint64_t done) {
        if (!m_meter) return true;
        uint64_t now = done < m_size ? done : m_size;
        uint64_t add = now > m_counted ? now - m_counted : 0;
        m_counted += add;
        return m_meter->AddBytes(add);
    }

private:
    CProgressMeter* m_meter;
    std::string m_path;
    uint64_t m_size;
    uint64_t m_counted = 0;
    bool m_going;
};

// Thrown by deep steps of an operation to unwind it once a cancel is seen; the operation's own
// top level catches it and undoes what it began.
struct CancelledError {};

// The progress meter of an operation that may have none.
inline bool Cancelled(const CProgressMeter* meter) { return meter && meter->IsCancelled(); }

}  // namespace util
