// The backup definition commands of the list: the dialog for a new or an existing ".brn" file,
// and a definition written back out of a run's pack.
#include "view/BrnCommands.h"

#include <new>
#include <string>

#include "store/BrnDataFile.h"
#include "store/BrnFile.h"
#include "view/BrnFileDialog.h"
#include "fw/Exceptions.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "store/BrennaItem.h"

namespace view {
namespace {

constexpr char kDefinitionExt[] = "brn";

// Writes the definition of the item's pack to path; false at the first step that fails.
// A damaged history file raises fw::CException.
bool WriteDefinitionOfRun(const CBrennaItem& item, std::string path) {
    if (!item.IsBackupRun() || !item.m_pHistory) return false;
    if (!CBrnFileDialog::AddDefinitionExtension(path)) return false;
    // FindPack reads the packs afresh and closes the history file, so one read serves both.
    const CBrnBackupItemPack* pack = item.m_pHistory->FindPack(item.m_evacuationTime);
    if (!pack) return false;
    // The copy is written with a new identifier, so that runs of it start a history of their
    // own (the pack may be the one this process recorded, which still knows its run's).
    CBrnFile copy(pack->Definition());
    copy.ForgetIdentifier();
    bool written = copy.CreateNew(path) && copy.Save();
    copy.Close();
    return written;
}

}  // namespace

bool IsDefinitionCommandEnabled(UINT id, bool brnFile, int selectedCount,
                                const CBrennaItem* selected) {
    if (!brnFile) return false;
    if (id == ID_BRN_RESTORE) return selectedCount == 1 && selected && selected->IsBackupRun();
    return id == ID_BRN_CREATE || id == ID_BRN_OPEN;
}

bool CreateDefinition(HWND owner, const std::function<void(DWORD)>& help) {
    CBrnFileDialog dlg;
    dlg.SetHelpHandler(help);
    return dlg.DoModal(owner) == IDOK;
}

bool ModifyDefinition(HWND owner, const std::function<void(DWORD)>& help) {
    std::string path;
    if (!fw::Prompt().FileDialog(owner, true, fw::LoadStr(IDS_FILTER_BRN), kDefinitionExt, path))
        return false;
    CBrnFileDialog dlg;
    if (!dlg.PrepareForEdit(path)) return false;
    dlg.SetHelpHandler(help);
    return dlg.DoModal(owner) == IDOK;
}

bool RecreateDefinition(HWND owner, const CBrennaItem& item) {
    std::string path;
    if (!fw::Prompt().FileDialog(owner, false, fw::LoadStr(IDS_FILTER_BRN), kDefinitionExt, path))
        return false;
    // A damaged history ends the command with the standard message for it, naming the file.
    bool written = false, read = store::ReportingFaults(
                                  item.m_pHistory ? item.m_pHistory->Path() : std::string(), [&] {
                                      written = WriteDefinitionOfRun(item, path);
                                      return true;
                                  });
    if (!read) return false;
    if (!written) fw::MessageId(IDS_FAILED_WRITE_FILE);
    return written;
}

}  // namespace view
