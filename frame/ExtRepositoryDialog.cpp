// The external repository dialog: checks and questions, the folder, its INI file, the shortcut,
// and the copy or move of the current repository.
#include "frame/ExtRepositoryDialog.h"

#include <shlobj.h>

#include <algorithm>

#include "fw/Exceptions.h"
#include "fw/Faults.h"
#include "fw/File.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "store/ShellLink.h"
#include "util/FileUtil.h"
#include "util/Mbcs.h"
#include "view/LongOperation.h"

namespace {

constexpr char kIniName[] = "Brenna.ini";
constexpr char kIniContent[] = ";Brennahold INI file\r\n";
constexpr char kCatalogueName[] = "brenna.dat";
constexpr UINT kAsk = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SamePath(const char* a, const char* b) {
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

// True when path is folder or lies below it.
bool IsInside(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size()) return false;
    std::string head = path.substr(0, folder.size());
    return SamePath(head.c_str(), folder.c_str()) &&
           (path.size() == folder.size() || path[folder.size()] == '\\');
}

// The directory text without trailing backslashes; a bare drive becomes its root ("E:\"),
// because "E:" alone names the current folder of that drive.
std::string NormalFolder(std::string text) {
    while (text.size() > 2 && util::MbsRFind(text, '\\') == text.size() - 1) text.pop_back();
    if (text.size() == 2) text += '\\';
    return text;
}

std::string DocumentsFolder() {
    char path[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE)) return {};
    return path;
}

}  // namespace

CExtRepositoryDialog::CExtRepositoryDialog(CRepository& repository, CBrennaView& view)
    : fw::CDialog(IDD_EXT_REPOSITORY), m_repo(repository), m_view(view) {}

bool CExtRepositoryDialog::IsDirectoryName(const std::string& text) {
    if (text.size() < 2 || text[1] != ':') return false;
    char letter = text[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return false;
    const char* rest = text.c_str() + 2;
    for (char c : std::string(":*?></|\""))
        if (util::MbsChr(rest, c)) return false;
    return true;
}

bool CExtRepositoryDialog::CreateDirectoryPath(const std::string& path) {
    for (const char* p = util::MbsChr(path.c_str(), '\\'); p; p = util::MbsChr(p + 1, '\\')) {
        std::string prefix(path.c_str(), p + 1);
        if (!Exists(prefix) && !fw::CreateDirectoryChecked(prefix.c_str())) return false;
    }
    return Exists(path) || fw::CreateDirectoryChecked(path.c_str());
}

bool CExtRepositoryDialog::CreateIniFile(const std::string& folder) {
    std::string ini = util::JoinPath(folder, kIniName);
    bool written = false;
    if (ini.size() < MAX_PATH && (!Exists(ini) || util::ForceDeleteFile(ini.c_str()))) {
        try {
            fw::CFile file;
            if (file.Open(ini.c_str(), fw::CFile::modeCreate)) {
                file.Write(kIniContent, sizeof kIniContent - 1);
                written = true;
            }
        } catch (const fw::CException&) {
            written = false;
        }
    }
    if (!written) fw::MessageId(IDS_EXT_INI_FAILED);
    return written;
}

BOOL CExtRepositoryDialog::OnInitDialog() {
    Check(IDC_EXT_SHORTCUT, m_bCreateShortcut != 0);
    CheckRadioButton(m_hWnd, IDC_EXT_NOTHING, IDC_EXT_MOVE, IDC_EXT_NOTHING + m_nCurrent);
    EnableName();
    return TRUE;
}

bool CExtRepositoryDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_EXT_SHORTCUT && code == BN_CLICKED) {
        ReadFields();
        EnableName();
        return true;
    }
    if (id == IDC_EXT_BROWSE && code == BN_CLICKED) {
        Browse();
        return true;
    }
    return fw::CDialog::OnCommand(id, code, control);
}

bool CExtRepositoryDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg != WM_HELP) return false;
    if (m_helpHandler) m_helpHandler(kHelpTopic);
    *result = TRUE;
    return true;
}

void CExtRepositoryDialog::ReadFields() {
    m_bCreateShortcut = IsChecked(IDC_EXT_SHORTCUT) ? 1 : 0;
    m_nCurrent = IsChecked(IDC_EXT_MOVE) ? kMove : IsChecked(IDC_EXT_COPY) ? kCopy : kNothing;
}

void CExtRepositoryDialog::EnableName() {
    EnableWindow(Item(IDC_EXT_NAME), m_bCreateShortcut != 0);
    EnableWindow(Item(IDC_EXT_NAME_LABEL), m_bCreateShortcut != 0);
}

void CExtRepositoryDialog::Browse() {
    std::string folder = ItemText(IDC_EXT_DIRECTORY);
    if (folder.empty() || !IsFolder(folder)) folder = DocumentsFolder();
    int answer = fw::Prompt().BrowseFolder(m_hWnd, fw::LoadStr(IDS_SELECT_FOLDER), folder);
    if (answer == IDOK)
        SetItemText(IDC_EXT_DIRECTORY, folder);
    else if (answer == IDABORT)
        fw::MessageId(IDS_SYSTEM_ERROR);
}

void CExtRepositoryDialog::Refuse(UINT textId, int id) {
    if (textId) fw::MessageId(textId);
    SetFocus(Item(id));
}

void CExtRepositoryDialog::OnOK() {
    ReadFields();
    std::string text = ItemText(IDC_EXT_DIRECTORY);
    const std::string folder = NormalFolder(text);
    // A folder whose INI path would not fit cannot be named by a shortcut or by -c.
    if (!IsDirectoryName(text) || util::JoinPath(folder, kIniName).size() >= MAX_PATH)
        return Refuse(IDS_EXT_BAD_DIRECTORY, IDC_EXT_DIRECTORY);
    if (!IsFolder(folder)) {
        if (fw::MessageText(fw::FormatStr(IDS_EXT_CREATE_DIRECTORY, text.c_str()), kAsk) != IDYES)
            return Refuse(0, IDC_EXT_DIRECTORY);
        if (!CreateDirectoryPath(folder))
            return Refuse(IDS_EXT_DIRECTORY_FAILED, IDC_EXT_DIRECTORY);
    }
    if (Exists(util::JoinPath(folder, kIniName)))
        return Refuse(IDS_EXT_INI_FAILED, IDC_EXT_DIRECTORY);

    std::string name;
    if (m_bCreateShortcut) {
        name = ItemText(IDC_EXT_NAME);
        if (name.empty()) return Refuse(IDS_EXT_SET_SHORTCUT_NAME, IDC_EXT_NAME);
        if (store::FindShortcutFolder(name) &&
            fw::MessageText(fw::FormatStr(IDS_EXT_SHORTCUT_EXISTS, name.c_str()), kAsk) != IDYES)
            return Refuse(0, IDC_EXT_NAME);
    }
    // Copying the repository into itself would never end, and would replace its catalogue.
    if (m_nCurrent != kNothing && IsInside(folder, m_repo.Folder()))
        return Refuse(IDS_EXT_COPY_FAILED, IDC_EXT_DIRECTORY);

    if (m_bCreateShortcut) {
        const store::CShellLink* link = m_repo.ShellLink();
        if (!link || !store::CreateShortcut(*link, folder, name, 0)) {
            fw::MessageText(fw::FormatStr(IDS_EXT_SHORTCUT_FAILED, name.c_str()));
            return Refuse(0, IDC_EXT_NAME);
        }
    }
    std::vector<CBrennaItem*> left;
    if (m_nCurrent != kNothing && !CopyRepository(folder, left)) return;
    if (!CreateIniFile(folder)) return;
    // Only now is the new repository whole: a move may take the items from the current one.
    if (m_nCurrent == kMove) EmptyCurrent(left);
    EndDialog(IDOK);
}

bool CExtRepositoryDialog::CopyRepository(const std::string& folder,
                                          std::vector<CBrennaItem*>& left) {
    // Stored paths are the folder, a backslash and the rest: a drive root goes without its own.
    const std::string base = folder.size() == 3 ? folder.substr(0, 2) : folder;
    left = m_repo.ItemsNotFitting(base);
    if (!left.empty()) {
        std::string names;
        for (CBrennaItem* item : left) names += "\n" + item->m_source;
        fw::MessageText(fw::FormatStr(IDS_EXT_NOT_COPIED, names.c_str()),
                        MB_OK | MB_ICONEXCLAMATION);
    }
    // The current catalogue and INI file are not the new repository's: it gets its own, and an
    // INI file copied there would refuse every later attempt after a failure.
    const std::string ownCatalogue = util::JoinPath(m_repo.Folder(), kCatalogueName);
    const std::string ownIni = util::JoinPath(m_repo.Folder(), kIniName);
    auto skip = [&](const char* origin) {
        return SamePath(origin, ownCatalogue.c_str()) || SamePath(origin, ownIni.c_str()) ||
               std::any_of(left.begin(), left.end(), [origin](CBrennaItem* item) {
                   return SamePath(item->m_stored.c_str(), origin);
               });
    };
    BOOL copied = FALSE;
    util::CProgressMeter& meter = m_repo.Progress();
    view::RunLongOperation(m_hWnd, m_repo, IDS_PROGRESS_COPYING_REPOSITORY, [&] {
        // The totals: every file that is not skipped, nor below a folder that is.
        util::TreeListing tree;
        util::ListTree(m_repo.Folder(), std::string(), tree);
        uint64_t files = 0, bytes = 0;
        std::vector<std::string> skippedFolders;
        for (const util::TreeEntry& f : tree.folders)
            if (skip((m_repo.Folder() + f.relative).c_str()))
                skippedFolders.push_back(f.relative + "\\");
        for (const util::TreeEntry& f : tree.files) {
            bool below = std::any_of(skippedFolders.begin(), skippedFolders.end(),
                                     [&](const std::string& s) { return f.relative.rfind(s, 0) == 0; });
            if (below || skip((m_repo.Folder() + f.relative).c_str())) continue;
            ++files;
            bytes += f.size;
        }
        meter.AddTotal(files, bytes);
        copied = util::CopyFolderTree(m_repo.Folder().c_str(), folder.c_str(), skip, &meter);
    });
    if (meter.IsCancelled()) {
        util::ProgressReport done = meter.Snapshot();
        fw::MessageText(fw::FormatStr(IDS_EXT_COPY_CANCELLED, folder.c_str(),
                                      static_cast<UINT>(done.filesDone),
                                      static_cast<UINT>(done.filesTotal)),
                        MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (!copied) {
        fw::MessageId(IDS_EXT_COPY_FAILED);
        return false;
    }
    // A catalogue already in the folder gives way to the new one.
    std::string catalogue = util::JoinPath(folder, kCatalogueName);
    if (Exists(catalogue)) util::ForceDeleteFile(catalogue.c_str());
    if (Exists(catalogue) || !m_repo.CopyCatalogueTo(base)) {
        fw::MessageId(IDS_EXT_COPY_FAILED);
        return false;
    }
    return true;
}

void CExtRepositoryDialog::EmptyCurrent(const std::vector<CBrennaItem*>& left) {
    HWND list = m_view.Hwnd();
    m_view.OnCommand(ID_EDIT_SELECT_ALL);
    for (int row = 0; row < m_view.RowCount(); ++row)
        if (std::find(left.begin(), left.end(), m_view.ItemAt(row)) != left.end())
            ListView_SetItemState(list, row, 0, LVIS_SELECTED);
    m_view.m_bQuietDelete = TRUE;
    m_view.OnCommand(ID_FILE_DELETE);
    m_view.m_bQuietDelete = FALSE;
}
