// A repository object on a scratch folder, wired as the program wires its own, and an observer
// that records what the repository told it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "store/Repository.h"
#include "store/ShellLink.h"

namespace testutil {

// Everything the repository told its observer, in order.
class RecordingObserver : public IRepositoryObserver {
public:
    struct Added {
        size_t first, count;
        bool evacuated;
    };
    void OnItemsAdded(size_t first, size_t count, bool evacuated) override {
        added.push_back({first, count, evacuated});
    }
    void OnItemChanged(CBrennaItem& item) override { changed.push_back(&item); }
    void OnItemRemoved(CBrennaItem& item) override { removed.push_back(&item); }
    void OnProgress(const util::ProgressReport& report) override {
        progress.push_back(report);
        if (onProgress) onProgress(report);
    }
    // The number of items added, over all notifications.
    size_t AddedCount() const {
        size_t n = 0;
        for (const Added& a : added) n += a.count;
        return n;
    }

    std::vector<Added> added;
    std::vector<const CBrennaItem*> changed, removed;
    std::vector<util::ProgressReport> progress;
    // Called after each progress report is kept (a test cancels from here).
    std::function<void(const util::ProgressReport&)> onProgress;
};

// COM is initialised for the shell link object while it lives; shortcuts are read through it and
// ".brn" files run as backup definitions once "brnfile" is on.
class ScratchRepository {
public:
    explicit ScratchRepository(const std::string& folder);
    ~ScratchRepository();
    ScratchRepository(const ScratchRepository&) = delete;
    ScratchRepository& operator=(const ScratchRepository&) = delete;

    CRepository* operator->() { return &repository; }
    const CRepository* operator->() const { return &repository; }
    CRepository& operator*() { return repository; }

    store::CShellLink link;
    CRepository repository;
    RecordingObserver observer;

private:
    bool m_ole;
};

}  // namespace testutil
