// Running a backup definition file that reached the dispatcher.
#include <cstring>

#include "app/BrennaApp.h"
#include "backup/BrnFile.h"

BOOL CBrennaApp::RunBackupDefinition(const char* path, IItemListView* view) {
    if (!path || strlen(path) >= MAX_PATH) return FALSE;
    CBrnFile definition;
    // A reading error has been reported by Load; a definition that cannot be opened, or whose
    // target is gone, simply fails the dispatch.
    if (!definition.Load(path)) return FALSE;
    if (definition.Folder().empty() ||
        GetFileAttributesA(definition.Folder().c_str()) == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME runTime;
    SystemTimeToFileTime(&now, &runTime);
    size_t countBefore = m_dataFile.GetCount();
    int changeCount = 0;
    BOOL ok = m_dataFile.BackupFolder(definition, path, runTime, changeCount);
    if (ok && changeCount > 0) {
        if (view) view->AddNewRows();
        if (m_dataFile.GetCount() > countBefore) AskProperties(view);
    }
    return ok;
}
