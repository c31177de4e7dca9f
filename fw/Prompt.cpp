// The real prompt, which shows the platform's message boxes and common dialogs.
#include "fw/Prompt.h"

#include <commdlg.h>
#include <shlobj.h>

#include "fw/Dialog.h"

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

class RealPrompt : public IPrompt {
public:
    int Message(HWND owner, const std::string& text, UINT type) override {
        char title[128];
        if (!LoadStringA(GetModuleHandleA(nullptr), 57344, title, sizeof title)) title[0] = 0;
        return MessageBoxA(owner, text.c_str(), title, type | MB_TASKMODAL);
    }
};

RealPrompt g_real;
IPrompt* g_prompt = &g_real;
HWND g_owner = nullptr;

}  // namespace

INT_PTR IPrompt::RunDialog(CDialog& dlg, HWND owner) { return dlg.RunModal(owner); }

bool IPrompt::SaveFile(HWND owner, std::string& path) {
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

int IPrompt::BrowseFolder(HWND owner, const std::string& title, std::string& path) {
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

IPrompt& Prompt() { return *g_prompt; }

IPrompt* SetPrompt(IPrompt* p) {
    IPrompt* old = g_prompt;
    g_prompt = p ? p : &g_real;
    return old == &g_real ? nullptr : old;
}

void SetMessageOwner(HWND owner) { g_owner = owner; }

int MessageText(const std::string& text, UINT type) { return Prompt().Message(g_owner, text, type); }

}  // namespace fw
