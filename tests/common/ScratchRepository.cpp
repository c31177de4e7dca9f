// The scratch repository of the tests.
#include "ScratchRepository.h"

#include <gtest/gtest.h>

#include "backup/BackupRun.h"

namespace testutil {

ScratchRepository::ScratchRepository(const std::string& folder)
    : m_ole(SUCCEEDED(OleInitialize(nullptr))) {
    EXPECT_TRUE(repository.SetFolder(folder));
    EXPECT_TRUE(link.Create());
    repository.SetShellLink(&link);
    repository.SetDefinitionRunner(backup::RunDefinition);
    repository.SetObserver(&observer);
}

ScratchRepository::~ScratchRepository() {
    repository.SetObserver(nullptr);
    repository.SetShellLink(nullptr);
    link.Release();
    if (m_ole) OleUninitialize();
}

}  // namespace testutil
