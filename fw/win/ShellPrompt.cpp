// The real prompt, which shows the platform's message boxes, common dialogs and help.
#include "fw/win/ShellPrompt.h"

#include <commdlg.h>
#include <htmlhelp.h>
#include <shlobj.h>

#include "fw/win/Dialog.h"
#include "string_ids.h"

namespace fw {
namespace {

// Selects the folder in the browser's data at start, and allows OK only for real folders.
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data) {
    if (msg == BFFM_INITIALIZED) {
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    } else if (msg == BFFM_SELCHANGED) {
        char path[MAX_PATH];
        BOOL real = SHGetPathFromIDListA(reinterpret_cast<LPITEMIDLIST>(lp), path);
        SendMessageA(hwnd, BFFM_ENABLEOK, 0, real);
    }
    return 0;
}

}  // namespace

int CShellPrompt::Message(HWND owner, const std::string& text, UINT type) {
    char title[128];
    if (!LoadStringA(GetModuleHandleA(nullptr), IDS_APP_TITLE, title, sizeof title)) title[0] = 0;
    return MessageBoxA(owner, text.c_str(), title, type | MB_TASKMODAL);
}

INT_PTR CShellPrompt::RunDialog(CDialog& dlg, HWND owner) { return dlg.RunModal(owner); }

bool CShellPrompt::SaveFile(HWND owner, std::string& path) {
    char file[MAX_PATH];
    lstrcpynA(file, path.c_str(), MAX_PATH);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&ofn)) return false;
    path = file;
    return true;
}

bool CShellPrompt::FileDialog(HWND owner, bool open, const std::string& filter,
                         const std::string& defaultExt, std::string& path) {
    // The common dialog wants the pieces separated by NULs and the list ended by two. A "|" can
    // be the trail byte of a double-byte character, so only whole characters are replaced.
    std::string pieces = filter + '|';
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(pieces[i])) && i + 1 < pieces.size())
            ++i;
        else if (pieces[i] == '|')
            pieces[i] = '\0';
    }
    pieces += '\0';
    char file[MAX_PATH] = "";
    // A starting name that does not fit is dropped rather than cut.
    if (path.size() < MAX_PATH) lstrcpyA(file, path.c_str());
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = pieces.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.Flags = OFN_HIDEREADONLY | (open ? 0 : OFN_OVERWRITEPROMPT);
    if (!(open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn))) return false;
    path = file;
    return true;
}

int CShellPrompt::BrowseFolder(HWND owner, const std::string& title, std::string& path) {
    char buffer[MAX_PATH];
    lstrcpynA(buffer, path.c_str(), MAX_PATH);
    BROWSEINFOA bi{};
    bi.hwndOwner = owner;
    bi.pszDisplayName = buffer;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(buffer);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    if (!chosen) return IDCANCEL;
    BOOL real = SHGetPathFromIDListA(chosen, buffer);
    CoTaskMemFree(chosen);
    if (!real) return IDABORT;
    path = buffer;
    return IDOK;
}

void CShellPrompt::ShowHelp(HWND owner, const std::string& helpFile, DWORD topic) {
    HtmlHelpA(owner, helpFile.c_str(), HH_HELP_CONTEXT, topic);
}

}  // namespace fw
