// Long operations on the repository: the work runs on a worker thread while this thread keeps the
// windows painted, and a progress window with a Cancel button appears when it lasts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "util/Progress.h"

class CRepository;

namespace view {

// The progress window appears only for work that lasts longer than this, so that small operations
// look as they always did.
constexpr DWORD kProgressDelayMs = 500;

// The three lines of the progress window and the bar's position (0..1000) for a report.
struct ProgressLines {
    std::string stage, file, counts;
    int bar = 0;
};
ProgressLines ProgressTextOf(const util::ProgressReport& report, bool cancelling);

// Runs work on a worker thread. owner (may be null) accepts no input meanwhile but keeps
// repainting; the progress window, titled by captionId and owned by owner, shows the repository's
// progress reports after kProgressDelayMs, and its Cancel asks the repository's progress meter to
// stop. The repository observer's calls and every prompt the work makes are carried out on this
// thread, as they would be without a worker. An exception of the work is raised again here.
void RunLongOperation(HWND owner, CRepository& repository, UINT captionId,
                      const std::function<void()>& work);

}  // namespace view
