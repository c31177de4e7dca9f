// Progress counts of a long operation.
#include "util/Progress.h"

namespace util {

void CProgressMeter::Start() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_report = ProgressReport();
    m_cancelled.store(false);
}

void CProgressMeter::AddTotal(uint64_t files, uint64_t bytes) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_report.filesTotal += files;
    m_report.bytesTotal += bytes;
    Report();
}

void CProgressMeter::SetStage(ProgressReport::Stage stage) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_report.stage = stage;
    m_report.current.clear();
    Report();
}

bool CProgressMeter::BeginFile(const std::string& path) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_report.stage = ProgressReport::copying;
        m_report.current = path;
        Report();
    }
    return !IsCancelled();
}

bool CProgressMeter::AddBytes(uint64_t n) {
    if (n > 0) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_report.bytesDone += n;
        Report();
    }
    return !IsCancelled();
}

void CProgressMeter::EndFile(const std::string& path, uint64_t remaining) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_report.bytesDone += remaining;
    ++m_report.filesDone;
    // Another file copied meanwhile on another thread stays the one shown.
    if (m_report.current == path) m_report.current.clear();
    Report();
}

ProgressReport CProgressMeter::Snapshot() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_report;
}

void CProgressMeter::Report() {
    // Called under the lock, so that reports reach the sink in the order the counts changed.
    if (m_sink) m_sink(m_report);
}

}  // namespace util
