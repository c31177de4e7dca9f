// The backup definition dialog: target and exclusions in, a ".brn" file written at OK.
#include "view/BrnFileDialog.h"

#include <shlobj.h>

#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "resource.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"

namespace {

constexpr char kDefinitionExt[] = "brn";

// The user's documents folder, or an empty text (the browser's own start) when there is none.
std::string DocumentsFolder() {
    char path[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE)) return {};
    return path;
}

// Where the folder browser starts: the folder the target text names, or the folder of the file
// it names, when that exists; otherwise the documents folder.
std::string StartFolder(const std::string& target) {
    char full[MAX_PATH];
    DWORD n = target.empty() ? 0 : GetFullPathNameA(target.c_str(), MAX_PATH, full, nullptr);
    DWORD attributes = n > 0 && n < MAX_PATH ? GetFileAttributesA(full) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) return DocumentsFolder();
    std::string folder = full;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        size_t slash = util::MbsRFind(folder, '\\');
        if (slash == std::string::npos) return DocumentsFolder();
        // A file in a drive's root keeps the root's backslash: "C:" alone is a relative path.
        folder.resize(slash > 0 && folder[slash - 1] == ':' ? slash + 1 : slash);
    }
    return folder;
}

}  // namespace

CBrnFileDialog::CBrnFileDialog() : fw::CDialog(IDD_BRN_FILE) {}

CBrnFileDialog::~CBrnFileDialog() {
    // A modeless window still open goes first, while the object it reports to is whole.
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

bool CBrnFileDialog::IsDefinitionName(const std::string& path) {
    size_t dot = util::MbsRFind(path, '.');
    return dot != std::string::npos && lstrcmpiA(path.c_str() + dot + 1, kDefinitionExt) == 0;
}

bool CBrnFileDialog::AddDefinitionExtension(std::string& path) {
    std::string named = IsDefinitionName(path) ? path : path + "." + kDefinitionExt;
    if (named.size() >= MAX_PATH) return false;
    path.swap(named);
    return true;
}

bool CBrnFileDialog::PrepareForEdit(const std::string& path) {
    if (!IsDefinitionName(path)) {
        fw::MessageId(IDS_BRN_INVALID_NAME);
        return false;
    }
    auto definition = std::make_unique<CBrnFile>();
    if (path.size() >= MAX_PATH || !definition->OpenForEdit(path)) {
        fw::MessageId(IDS_FAILED_OPEN_FILE);
        return false;
    }
    std::string exclusions;
    for (size_t i = 0; i < definition->Exclusions().size(); ++i) {
        if (i > 0) exclusions += ';';
        exclusions += definition->Exclusions()[i];
    }
    m_target = definition->Folder();
    m_exclusions.swap(exclusions);
    m_pDefinition = std::move(definition);
    return true;
}

BOOL CBrnFileDialog::OnInitDialog() {
    SetItemText(IDC_BRN_TARGET, m_target);
    SetItemText(IDC_BRN_EXCLUSIONS, m_exclusions);
    return TRUE;
}

bool CBrnFileDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_BRN_BROWSE && code == BN_CLICKED) {
        ChooseTargetFile();
        return true;
    }
    if (id == IDC_BRN_FOLDER && code == BN_CLICKED) {
        ChooseTargetFolder();
        return true;
    }
    return fw::CDialog::OnCommand(id, code, control);
}

void CBrnFileDialog::OnOK() {
    m_target = ItemText(IDC_BRN_TARGET);
    m_exclusions = ItemText(IDC_BRN_EXCLUSIONS);
    if (m_target.empty()) {
        fw::MessageId(IDS_SPECIFY_FILE_NAME);
        return;
    }
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(m_target.c_str(), MAX_PATH, full, nullptr);
    // A target whose full path does not fit cannot be named in the definition: it is refused
    // like a missing one, never cut.
    if (n == 0 || n >= MAX_PATH || GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) {
        fw::MessageId(IDS_FILE_NOT_EXIST);
        return;
    }
    if (!m_pDefinition && !CreateDefinitionFile()) return;

    char longPath[MAX_PATH];
    // When the shell cannot give the long form, the full path is the target as it stands.
    if (!util::GetShellFileSystemPath(full, longPath)) lstrcpyA(longPath, full);
    bool saved = m_pDefinition->SetFolder(longPath) &&
                 m_pDefinition->SetExclusions(m_exclusions.c_str()) && m_pDefinition->Save();
    m_pDefinition->Close();
    if (!saved) {
        fw::MessageId(IDS_FAILED_WRITE_FILE);
        return;
    }
    EndDialog(IDOK);
}

void CBrnFileDialog::OnCancel() {
    if (m_pDefinition) m_pDefinition->Close();
    EndDialog(IDCANCEL);
}

bool CBrnFileDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg != WM_HELP) return false;
    if (m_helpHandler) m_helpHandler(kHelpTopic);
    *result = TRUE;
    return true;
}

void CBrnFileDialog::ChooseTargetFile() {
    std::string path;
    if (fw::Prompt().FileDialog(m_hWnd, true, fw::LoadStr(IDS_FILTER_ALL), kDefinitionExt, path))
        SetItemText(IDC_BRN_TARGET, path);
}

void CBrnFileDialog::ChooseTargetFolder() {
    std::string folder = StartFolder(ItemText(IDC_BRN_TARGET));
    int answer = fw::Prompt().BrowseFolder(m_hWnd, fw::LoadStr(IDS_SELECT_FOLDER), folder);
    if (answer == IDOK)
        SetItemText(IDC_BRN_TARGET, folder);
    else if (answer == IDABORT)
        fw::MessageId(IDS_SYSTEM_ERROR);
}

bool CBrnFileDialog::CreateDefinitionFile() {
    std::string path;
    if (!fw::Prompt().FileDialog(m_hWnd, false, fw::LoadStr(IDS_FILTER_BRN), kDefinitionExt, path))
        return false;
    // The object stays even when the file cannot be made: every later OK then fails on it
    // instead of asking for another name, and Cancel leaves.
    m_pDefinition = std::make_unique<CBrnFile>();
    if (!AddDefinitionExtension(path) || !m_pDefinition->CreateNew(path)) {
        fw::MessageId(IDS_FAILED_WRITE_FILE);
        return false;
    }
    return true;
}
