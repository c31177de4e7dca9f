// Progress counts of a long operation.
#include "util/Progress.h"

#include <algorithm>

namespace util {

void CProgressMeter::Start() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_report = ProgressReport();
    m_fileStart = m_fileSize = 0;
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

bool CProgressMeter::BeginFile(const std::string& path, uint64_t size) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_report.stage = ProgressReport::copying;
        m_report.current = path;
        m_fileStart = m_report.bytesDone;
        m_fileSize = size;
        Report();
    }
    return !IsCancelled();
}

bool CProgressMeter::FileBytes(uint64_t done) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        // A file that grew since it was listed never counts past its listed size.
        m_report.bytesDone = m_fileStart + std::min(done, m_fileSize);
        Report();
    }
    return !IsCancelled();
}

void CProgressMeter::EndFile() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_report.bytesDone = m_fileStart + m_fileSize;
    m_fileStart = m_report.bytesDone;
    m_fileSize = 0;
    ++m_report.filesDone;
    m_report.current.clear();
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
