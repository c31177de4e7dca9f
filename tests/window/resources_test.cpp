// Tests of the menus, accelerators, dialogs and bitmaps in English and Japanese: the ids, texts,
// styles and positions that the frame, the list and the dialogs rely on.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "TestUtil.h"
#include "fw/Strings.h"
#include "resource.h"
#include "toolbar.h"

namespace {

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

HMODULE Module() { return GetModuleHandleA(nullptr); }

const void* RawResource(LPCSTR type, UINT id, LANGID lang) {
    HRSRC res = FindResourceExA(Module(), type, MAKEINTRESOURCEA(id), lang);
    return res ? LockResource(LoadResource(Module(), res)) : nullptr;
}

std::wstring Widen(const char8_t* utf8) {
    const char* s = reinterpret_cast<const char*>(utf8);
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, out.data(), n);
    return out;
}

std::wstring Widen(const char* ascii) { return Widen(reinterpret_cast<const char8_t*>(ascii)); }

// The text in code page cp; lost is set when a character has no form there.
std::string Narrow(const std::wstring& text, UINT cp, bool* lost = nullptr) {
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr,
                                &usedDefault);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, out.data(), n, nullptr,
                            &usedDefault);
    if (lost) *lost = usedDefault != FALSE;
    return out;
}

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

// What a translation must keep: the access key (upper-cased) and the shortcut after the tab.
std::wstring KeyAndShortcut(const std::wstring& text) {
    std::wstring key;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') key = static_cast<wchar_t>(towupper(text[i + 1]));
        ++i;
    }
    size_t tab = text.find(L'\t');
    return key + L"|" + (tab == std::wstring::npos ? L"" : text.substr(tab + 1));
}

bool HasNonAscii(const std::wstring& text) {
    for (wchar_t c : text)
        if (c > 0x7F) return true;
    return false;
}

// ---- Menus ----

using Menu = std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)>;

Menu LoadMenuOf(UINT id, LANGID lang) {
    const void* tmpl = RawResource(RT_MENU, id, lang);
    return Menu(tmpl ? LoadMenuIndirectA(tmpl) : nullptr, &DestroyMenu);
}

struct Entry {
    UINT id = 0;  // 0 for separators and submenus
    std::wstring text;
    std::vector<Entry> sub;
    bool submenu = false;
};

Entry Cmd(UINT id, const char* text) { return {id, Widen(text), {}, false}; }
Entry Sep() { return {}; }
Entry Popup(const char* text, std::vector<Entry> sub) { return {0, Widen(text), sub, true}; }

std::vector<Entry> ReadMenu(HMENU menu) {
    std::vector<Entry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        Entry e;
        if (info.fType & MFT_SEPARATOR) {
            entries.push_back(e);
            continue;
        }
        e.text = text;
        e.submenu = info.hSubMenu != nullptr;
        if (e.submenu)
            e.sub = ReadMenu(info.hSubMenu);
        else
            e.id = info.wID;
        entries.push_back(e);
    }
    return entries;
}

// One line per entry, indented by depth; text is turned into what a comparison should see.
template <typename TextOf>
std::string Describe(const std::vector<Entry>& entries, TextOf textOf, int depth = 0) {
    std::string out;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        out += std::string(depth * 2, ' ') + std::to_string(i) + ": ";
        if (!e.submenu && e.id == 0)
            out += "----\n";
        else
            out += (e.submenu ? "popup" : std::to_string(e.id)) + " " + Utf8(textOf(e.text)) + "\n";
        out += Describe(e.sub, textOf, depth + 1);
    }
    return out;
}

std::string Describe(const std::vector<Entry>& entries) {
    return Describe(entries, [](const std::wstring& t) { return t; });
}

std::string DescribeKeys(const std::vector<Entry>& entries) {
    return Describe(entries, KeyAndShortcut);
}

const std::vector<Entry> kMainMenu = {
    Popup("&File",
          {
              Cmd(ID_FILE_RESTORE, "&Restore\tCtrl+R"),
              Cmd(ID_FILE_WRITE, "&Write...\tCtrl+W"),
              Cmd(ID_FILE_DELETE, "&Delete\tDel"),
              Cmd(ID_FILE_PROPERTY, "&Property...\tCtrl+P"),
              Sep(),
              Cmd(ID_FILE_EXTERNAL_REPOSITORY, "&External repository..."),
              Popup("&Backup definition file",
                    {Cmd(ID_BRN_CREATE, "&Create..."), Cmd(ID_BRN_OPEN, "&Open..."),
                     Cmd(ID_BRN_RESTORE, "&Restore...")}),
              Cmd(ID_FILE_CHECK, "&Check repository..."),
              Sep(),
              Cmd(ID_APP_EXIT, "E&xit"),
          }),
    Popup("&Edit",
          {
              Cmd(ID_EDIT_COPY, "&Copy\tCtrl+C"),
              Cmd(ID_EDIT_PASTE, "&Paste\tCtrl+V"),
              Sep(),
              Cmd(ID_EDIT_SELECT_ALL, "Select &All\tCtrl+A"),
              Sep(),
              Cmd(ID_EDIT_SETTING, "&Setting...\tCtrl+S"),
          }),
    Popup("&View",
          {
              Cmd(ID_VIEW_LARGEICON, "Large Ico&n"),
              Cmd(ID_VIEW_SMALLICON, "S&mall Icon"),
              Cmd(ID_VIEW_LIST, "&List"),
              Cmd(ID_VIEW_DETAILS, "&Detail"),
              Sep(),
              Popup("&Sort",
                    {Cmd(ID_SORT_ASCENDING, "&Ascending"), Cmd(ID_SORT_DESCENDING, "&Descending")}),
              Sep(),
              Cmd(ID_VIEW_TOOLBAR, "&Toolbar"),
              Cmd(ID_VIEW_STATUS_BAR, "&Status Bar"),
          }),
    Popup("&Help",
          {
              Cmd(ID_HELP, "&Help\tF1"),
              Cmd(ID_HELP_FINDER, "Search &Topics"),
              Sep(),
              Cmd(ID_HELP_ORVANE_HOMEPAGE, "Homepage of &Orvane"),
              Cmd(ID_HELP_BRENNAHOLD_HOMEPAGE, "Homepage of &Brennahold"),
              Sep(),
              Cmd(ID_APP_ABOUT, "&About Brennahold..."),
          }),
};

const std::vector<Entry> kContextMenu = {
    Popup("Item",
          {
              Cmd(ID_FILE_RESTORE, "&Restore\tCtrl+R"),
              Cmd(ID_FILE_WRITE, "&Write...\tCtrl+W"),
              Cmd(ID_FILE_DELETE, "&Delete\tDel"),
              Cmd(ID_FILE_PROPERTY, "Prop&erty...\tCtrl+P"),
              Popup("&Backup definition file",
                    {Cmd(ID_BRN_CREATE, "&Create..."), Cmd(ID_BRN_OPEN, "&Open..."),
                     Cmd(ID_BRN_RESTORE, "&Restore...")}),
              Sep(),
              Cmd(ID_EDIT_COPY, "&Copy\tCtrl+C"),
              Cmd(ID_EDIT_PASTE, "&Paste\tCtrl+V"),
              Cmd(ID_EDIT_SELECT_ALL, "Select &All\tCtrl+A"),
              Sep(),
              Cmd(ID_VIEW_LARGEICON, "Large Ico&n"),
              Cmd(ID_VIEW_SMALLICON, "S&mall Icon"),
              Cmd(ID_VIEW_LIST, "&List"),
              Cmd(ID_VIEW_DETAILS, "De&tail"),
              Sep(),
              Popup("S&ort",
                    {Cmd(ID_SORT_ASCENDING, "&Ascending"), Cmd(ID_SORT_DESCENDING, "&Descending")}),
              Sep(),
              Cmd(ID_EDIT_SETTING, "&Setting...\tCtrl+S"),
          }),
};

struct MenuCase {
    UINT id;
    const std::vector<Entry>* english;
};
const MenuCase kMenus[] = {{IDR_MAINFRAME, &kMainMenu}, {IDR_CONTEXT_MENU, &kContextMenu}};

void CollectCommands(const std::vector<Entry>& entries, std::set<UINT>& ids) {
    for (const Entry& e : entries) {
        if (e.id) ids.insert(e.id);
        CollectCommands(e.sub, ids);
    }
}

std::wstring ItemText(HMENU menu, int pos) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, pos, text, 256, MF_BYPOSITION);
    return text;
}

TEST(Resources, MenusHoldEveryCommandWithItsEnglishText) {
    for (const MenuCase& m : kMenus) {
        Menu menu = LoadMenuOf(m.id, kEnglish);
        ASSERT_TRUE(menu) << m.id;
        EXPECT_EQ(Describe(ReadMenu(menu.get())), Describe(*m.english)) << "menu " << m.id;
    }
}

// The frame puts the extension's submenu at File position 4 and the Quillon item into Help at
// position 2 or 5; the list finds the backup definition submenu at 4, or 5 after the insertion.
TEST(Resources, InsertionsLandWhereTheProgramExpectsThem) {
    Menu bar = LoadMenuOf(IDR_MAINFRAME, kEnglish);
    ASSERT_TRUE(bar);
    HMENU file = GetSubMenu(bar.get(), 0);
    EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(ID_FILE_RESTORE));
    HMENU extension = CreatePopupMenu();
    AppendMenuA(extension, MF_STRING, ID_QUILLON_ITEM_FIRST, "item");
    ASSERT_TRUE(InsertMenuA(file, 4, MF_BYPOSITION | MF_POPUP,
                            reinterpret_cast<UINT_PTR>(extension), "Qui(&l)lon Items"));
    EXPECT_EQ(GetMenuItemID(file, 3), static_cast<UINT>(ID_FILE_PROPERTY));
    EXPECT_EQ(GetSubMenu(file, 4), extension);
    EXPECT_EQ(GetMenuState(file, 5, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(file, 6), static_cast<UINT>(ID_FILE_EXTERNAL_REPOSITORY));
    RemoveMenu(file, 4, MF_BYPOSITION);
    DestroyMenu(extension);
    EXPECT_EQ(Describe(ReadMenu(bar.get())), Describe(kMainMenu));

    EXPECT_EQ(ItemText(bar.get(), 3), L"&Help");
    for (int pos : {2, 5}) {
        Menu fresh = LoadMenuOf(IDR_MAINFRAME, kEnglish);
        HMENU help = GetSubMenu(fresh.get(), 3);
        ASSERT_TRUE(InsertMenuA(help, pos, MF_BYPOSITION | MF_STRING, ID_HELP_QUILLON, "Quillon"));
        // Quillon Help follows Search Topics; Homepage of Quillon follows the other homepages;
        // a separator still stands after the new item in both cases.
        UINT before = pos == 2 ? ID_HELP_FINDER : ID_HELP_BRENNAHOLD_HOMEPAGE;
        EXPECT_EQ(GetMenuItemID(help, pos - 1), before) << pos;
        EXPECT_EQ(GetMenuItemID(help, pos), static_cast<UINT>(ID_HELP_QUILLON)) << pos;
        EXPECT_TRUE(GetMenuState(help, pos + 1, MF_BYPOSITION) & MF_SEPARATOR) << pos;
        EXPECT_EQ(GetMenuItemID(help, GetMenuItemCount(help) - 1), static_cast<UINT>(ID_APP_ABOUT));
    }

    Menu context = LoadMenuOf(IDR_CONTEXT_MENU, kEnglish);
    ASSERT_TRUE(context);
    HMENU items = GetSubMenu(context.get(), 0);
    EXPECT_EQ(ItemText(items, 4), L"&Backup definition file");
    HMENU backup = GetSubMenu(items, 4);
    InsertMenuA(items, 4, MF_BYPOSITION | MF_STRING, ID_QUILLON_ITEM_FIRST, "Quillon");
    EXPECT_EQ(GetSubMenu(items, 5), backup);
}

// The frame shows each command's prompt from the string entry under the command's number, and
// the toolbar its tooltip after the line break.
TEST(Resources, EveryCommandHasItsPrompt) {
    std::set<UINT> ids;
    for (const MenuCase& m : kMenus) CollectCommands(*m.english, ids);
    for (UINT id : ids) EXPECT_FALSE(fw::LoadStr(id).empty()) << id;
    for (UINT id : kToolbarButtons) {
        if (!id) continue;
        std::string prompt = fw::LoadStr(id);
        size_t nl = prompt.find('\n');
        EXPECT_TRUE(nl != std::string::npos && nl + 1 < prompt.size()) << id;
    }
}

TEST(Resources, AcceleratorTable) {
    const std::set<std::tuple<BYTE, WORD, WORD>> expected = {
        {FVIRTKEY | FCONTROL, 'A', ID_EDIT_SELECT_ALL},
        {FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY},
        {FVIRTKEY | FCONTROL, 'P', ID_FILE_PROPERTY},
        {FVIRTKEY | FCONTROL, 'R', ID_FILE_RESTORE},
        {FVIRTKEY | FCONTROL, 'S', ID_EDIT_SETTING},
        {FVIRTKEY | FCONTROL, 'V', ID_EDIT_PASTE},
        {FVIRTKEY | FCONTROL, 'W', ID_FILE_WRITE},
        {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},
        {FVIRTKEY, VK_DELETE, ID_FILE_DELETE},
        {FVIRTKEY, VK_F1, ID_HELP},
        {FVIRTKEY | FSHIFT, VK_F1, ID_CONTEXT_HELP},
        {FVIRTKEY | FSHIFT, VK_INSERT, ID_EDIT_PASTE},
    };
    for (LANGID lang : {kEnglish, kJapanese}) {
        // Each entry of the resource: flags, key, command, padding; the last has flag 0x80.
        const auto* raw =
            static_cast<const WORD*>(RawResource(RT_ACCELERATOR, IDR_MAINFRAME, lang));
        ASSERT_TRUE(raw) << lang;
        std::set<std::tuple<BYTE, WORD, WORD>> held;
        size_t count = 0;
        for (const WORD* e = raw;; e += 4) {
            held.insert({static_cast<BYTE>(e[0] & 0x7F), e[1], e[2]});
            ++count;
            if (e[0] & 0x80) break;
        }
        EXPECT_EQ(count, 12u) << lang;
        EXPECT_EQ(held, expected) << lang;
    }
    HACCEL loaded = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(CopyAcceleratorTableA(loaded, nullptr, 0), 12);
}

// The Japanese menus have the English structure, ids, access keys and shortcuts, in Japanese
// texts that the Japanese code page can hold.
TEST(ResourcesMbcs, JapaneseMenusMirrorTheEnglishOnes) {
    for (const MenuCase& m : kMenus) {
        Menu en = LoadMenuOf(m.id, kEnglish);
        Menu ja = LoadMenuOf(m.id, kJapanese);
        ASSERT_TRUE(en && ja) << m.id;
        std::vector<Entry> jaEntries = ReadMenu(ja.get());
        EXPECT_EQ(DescribeKeys(jaEntries), DescribeKeys(ReadMenu(en.get()))) << "menu " << m.id;
        std::vector<const std::vector<Entry>*> pending = {&jaEntries};
        while (!pending.empty()) {
            const std::vector<Entry>* entries = pending.back();
            pending.pop_back();
            for (const Entry& e : *entries) {
                pending.push_back(&e.sub);
                if (e.text.empty()) continue;
                bool lost = false;
                Narrow(e.text, 932, &lost);
                EXPECT_FALSE(lost) << Utf8(e.text);
                EXPECT_TRUE(HasNonAscii(e.text)) << Utf8(e.text) << " is not translated";
            }
        }
    }
}

// The program's plain LoadMenuA gets the English menu, or under code page 932 the Japanese one in
// Shift-JIS, where 表 and 貼 end in the byte 0x5C.
TEST(ResourcesMbcs, PlainLoadMenuFollowsTheCodePage) {
    HMENU bar = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_TRUE(bar);
    char view[64] = {}, paste[64] = {};
    GetMenuStringA(bar, 2, view, sizeof view, MF_BYPOSITION);
    GetMenuStringA(bar, ID_EDIT_PASTE, paste, sizeof paste, MF_BYCOMMAND);
    DestroyMenu(bar);
    if (!testutil::IsJapaneseCodePage()) {
        EXPECT_STREQ(view, "&View");
        EXPECT_STREQ(paste, "&Paste\tCtrl+V");
        return;
    }
    EXPECT_EQ(std::string(view), Narrow(Widen(u8"表示(&V)"), 932));
    EXPECT_EQ(std::string(view).substr(0, 2), "\x95\x5C");
    EXPECT_EQ(std::string(paste), Narrow(Widen(u8"貼り付け(&P)\tCtrl+V"), 932));
}

// ---- Dialogs ----

struct Control {
    int id;
    const char* cls;
    const char* text;  // English
    DWORD mask;        // style bits that must equal value
    DWORD value;
};

struct DialogCase {
    UINT id;
    const char* caption;              // English
    std::vector<Control> controls;    // every control with an id of its own
    std::vector<const char*> labels;  // English texts of controls without an id
};

const DWORD kButtonType = BS_TYPEMASK | WS_DISABLED;
const DWORD kEditKind = ES_READONLY | WS_DISABLED;

const std::vector<DialogCase> kDialogs = {
    {IDD_ABOUTBOX,
     "About of Brennahold",
     {
         {IDC_ABOUT_EXTENSION, "Static", "OFF", 0, 0},
         {IDOK, "Button", "OK", kButtonType, BS_DEFPUSHBUTTON},
     },
     {"Brennahold Version 2.0.1", "Quillon Extention"}},
    {IDD_PROPERTY,
     "Property",
     {
         {IDC_PROP_ICON, "Static", "", SS_TYPEMASK, SS_ICON},
         {IDC_PROP_NAME, "Edit", "", kEditKind, ES_READONLY},
         {IDC_PROP_TYPE, "Edit", "", kEditKind, ES_READONLY},
         {IDC_PROP_LOCATION, "Edit", "", kEditKind, ES_READONLY},
         {IDC_PROP_SIZE, "Static", "", SS_TYPEMASK, SS_LEFT},
         {IDC_PROP_SAVED, "Static", "", SS_TYPEMASK, SS_LEFT},
         {IDC_PROP_UPDATE, "Static", "", SS_TYPEMASK, SS_LEFT},
         {IDC_PROP_READONLY, "Button", "&Read Only", kButtonType, BS_CHECKBOX | WS_DISABLED},
         {IDC_PROP_HIDDEN, "Button", "&Hidden", kButtonType, BS_CHECKBOX | WS_DISABLED},
         {IDC_PROP_ARCHIVE, "Button", "&Archive", kButtonType, BS_CHECKBOX | WS_DISABLED},
         {IDC_PROP_COMPRESSED, "Button", "Co&mpressed", kButtonType, BS_CHECKBOX | WS_DISABLED},
         {IDC_PROP_ENCRYPTED, "Button", "&Encrypted", kButtonType, BS_CHECKBOX | WS_DISABLED},
         {IDC_PROP_DESCRIPTION, "Edit", "", kEditKind | WS_TABSTOP, WS_TABSTOP},
         {IDOK, "Button", "OK", kButtonType, BS_DEFPUSHBUTTON},
         {IDCANCEL, "Button", "Cancel", kButtonType, BS_PUSHBUTTON},
         {IDC_PROP_APPLY, "Button", "&Apply", kButtonType, BS_PUSHBUTTON | WS_DISABLED},
     },
     {"Type:", "Location:", "Size:", "Saved:", "Update:", "&Description"}},
    {IDD_SETTING,
     "Setting of Brennahold",
     {
         {IDC_SET_ASKALWAYS, "Button", "Show Property Dialog When S&aved", kButtonType,
          BS_AUTOCHECKBOX},
         {IDC_SET_SORTANY, "Button", "Ignore Difference of Folder and File When &Sort", kButtonType,
          BS_AUTOCHECKBOX},
         {IDC_SET_BRNFILE, "Button", "Use *.brn file as &backup definition files", kButtonType,
          BS_AUTOCHECKBOX},
         {IDOK, "Button", "OK", kButtonType, BS_DEFPUSHBUTTON},
         {IDCANCEL, "Button", "Cancel", kButtonType, BS_PUSHBUTTON},
     },
     {}},
    {IDD_FIND_INI,
     "",
     {
         {IDC_FINDINI_PATH, "Static", "", SS_NOPREFIX, SS_NOPREFIX},
         {IDC_FINDINI_DRIVES, "ComboBox", "", CBS_DROPDOWNLIST | CBS_SORT, CBS_DROPDOWN | CBS_SORT},
         {IDOK, "Button", "OK", kButtonType, BS_DEFPUSHBUTTON},
         {IDCANCEL, "Button", "Cancel", kButtonType, BS_PUSHBUTTON},
     },
     {"Select the true drive for the above file"}},
    {IDD_EXT_REPOSITORY,
     "Create external repository",
     {
         {IDC_EXT_DIRECTORY, "Edit", "", kEditKind, 0},
         {IDC_EXT_BROWSE, "Button", "&Browse...", kButtonType, BS_PUSHBUTTON},
         {IDC_EXT_SHORTCUT, "Button", "Create &shortcut", kButtonType, BS_AUTOCHECKBOX},
         {IDC_EXT_NAME_LABEL, "Static", "&Name", 0, 0},
         {IDC_EXT_NAME, "Edit", "", kEditKind, 0},
         {IDC_EXT_NOTHING, "Button", "N&othing", kButtonType | WS_GROUP,
          BS_AUTORADIOBUTTON | WS_GROUP},
         {IDC_EXT_COPY, "Button", "&Copy", kButtonType | WS_GROUP, BS_AUTORADIOBUTTON},
         {IDC_EXT_MOVE, "Button", "&Move", kButtonType | WS_GROUP, BS_AUTORADIOBUTTON},
         {IDOK, "Button", "OK", kButtonType | WS_GROUP, BS_DEFPUSHBUTTON | WS_GROUP},
         {IDCANCEL, "Button", "Cancel", kButtonType, BS_PUSHBUTTON},
     },
     {"&Directory", "Current repository"}},
    {IDD_BRN_FILE,
     "Backup Definition File",
     {
         {IDC_BRN_TARGET, "Edit", "", kEditKind, 0},
         {IDC_BRN_BROWSE, "Button", "&Browse...", kButtonType, BS_PUSHBUTTON},
         {IDC_BRN_FOLDER, "Button", "&Folder...", kButtonType, BS_PUSHBUTTON},
         {IDC_BRN_EXCLUSIONS, "Edit", "", kEditKind, 0},
         {IDOK, "Button", "OK", kButtonType, BS_DEFPUSHBUTTON},
         {IDCANCEL, "Button", "Cancel", kButtonType, BS_PUSHBUTTON},
     },
     {"File &Name", "E&xclusion Files", "Specify a wild card by '*'", "Devide each items by ';'"}},
};

INT_PTR CALLBACK InertProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog created hidden from the template of one language, destroyed at the end of a scope.
class Dialog {
public:
    // A Unicode dialog keeps every text whatever the code page; an ANSI one has them converted.
    Dialog(UINT id, LANGID lang, bool unicode = false) {
        const auto* tmpl = static_cast<LPCDLGTEMPLATEW>(RawResource(RT_DIALOG, id, lang));
        if (tmpl && unicode)
            m_hwnd = CreateDialogIndirectParamW(Module(), tmpl, nullptr, InertProc, 0);
        else if (tmpl)
            m_hwnd = CreateDialogIndirectParamA(Module(), tmpl, nullptr, InertProc, 0);
    }
    // The template the program's own CreateDialogParamA picks.
    explicit Dialog(UINT id) {
        m_hwnd = CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), nullptr, InertProc, 0);
    }
    ~Dialog() {
        if (m_hwnd) DestroyWindow(m_hwnd);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    HWND Hwnd() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

std::wstring TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

std::string ClassOf(HWND hwnd) {
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}

bool IsIcon(HWND hwnd) {
    return lstrcmpiA(ClassOf(hwnd).c_str(), "Static") == 0 &&
           (GetWindowLongA(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

struct TemplateHeader {
    std::wstring caption;
    WORD points = 0;
    BYTE charset = 0;
    std::wstring face;
};

// Skips a name-or-ordinal field of a dialog template.
const WORD* SkipNameOrOrdinal(const WORD* p) {
    if (*p == 0xFFFF) return p + 2;
    while (*p) ++p;
    return p + 1;
}

// The caption and font of an extended dialog template.
std::optional<TemplateHeader> ReadHeader(UINT id, LANGID lang) {
    const auto* p = static_cast<const WORD*>(RawResource(RT_DIALOG, id, lang));
    if (!p || p[0] != 1 || p[1] != 0xFFFF) return std::nullopt;
    DWORD style = p[6] | p[7] << 16;
    p = SkipNameOrOrdinal(SkipNameOrOrdinal(p + 13));
    TemplateHeader header;
    header.caption = reinterpret_cast<const wchar_t*>(p);
    p += header.caption.size() + 1;
    if (style & DS_SETFONT) {
        header.points = p[0];
        header.charset = HIBYTE(p[2]);
        header.face = reinterpret_cast<const wchar_t*>(p + 3);
    }
    return header;
}

TEST(Resources, EnglishDialogsHaveEveryControlTextAndStyle) {
    for (const DialogCase& d : kDialogs) {
        SCOPED_TRACE(d.id);
        Dialog dialog(d.id, kEnglish);
        ASSERT_TRUE(dialog.Hwnd());
        EXPECT_FALSE(IsWindowVisible(dialog.Hwnd()));
        EXPECT_EQ(Utf8(TextOf(dialog.Hwnd())), d.caption);
        for (const Control& c : d.controls) {
            HWND item = GetDlgItem(dialog.Hwnd(), c.id);
            ASSERT_TRUE(item) << c.id;
            EXPECT_STRCASEEQ(ClassOf(item).c_str(), c.cls) << c.id;
            EXPECT_EQ(Utf8(TextOf(item)), c.text) << c.id;
            EXPECT_EQ(GetWindowLongA(item, GWL_STYLE) & c.mask, c.value) << c.id;
        }
        std::set<std::string> texts;
        for (HWND child : Children(dialog.Hwnd())) texts.insert(Utf8(TextOf(child)));
        for (const char* label : d.labels) EXPECT_TRUE(texts.count(label)) << label;
    }
    Dialog about(IDD_ABOUTBOX, kEnglish);
    bool icon = false;
    for (HWND child : Children(about.Hwnd()))
        icon |= IsIcon(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0;
    EXPECT_TRUE(icon);
}

// Same controls in the same order with the same styles and access keys, texts in Japanese.
TEST(ResourcesMbcs, JapaneseDialogsMirrorTheEnglishOnes) {
    for (const DialogCase& d : kDialogs) {
        SCOPED_TRACE(d.id);
        Dialog en(d.id, kEnglish, true);
        Dialog ja(d.id, kJapanese, true);
        ASSERT_TRUE(en.Hwnd() && ja.Hwnd());
        std::wstring caption = TextOf(ja.Hwnd());
        EXPECT_TRUE(HasNonAscii(caption)) << Utf8(caption);
        std::vector<HWND> enChildren = Children(en.Hwnd());
        std::vector<HWND> jaChildren = Children(ja.Hwnd());
        ASSERT_EQ(jaChildren.size(), enChildren.size());
        for (size_t i = 0; i < enChildren.size(); ++i) {
            HWND e = enChildren[i], j = jaChildren[i];
            std::wstring enText = TextOf(e), jaText = TextOf(j);
            SCOPED_TRACE(Utf8(enText));
            EXPECT_EQ(GetDlgCtrlID(j), GetDlgCtrlID(e));
            EXPECT_EQ(ClassOf(j), ClassOf(e));
            EXPECT_EQ(GetWindowLongA(j, GWL_STYLE), GetWindowLongA(e, GWL_STYLE));
            if (IsIcon(e)) continue;
            EXPECT_EQ(KeyAndShortcut(jaText), KeyAndShortcut(enText));
            EXPECT_EQ(jaText.empty(), enText.empty());
            bool lost = false;
            Narrow(jaText, 932, &lost);
            EXPECT_FALSE(lost) << Utf8(jaText);
        }
    }
}

TEST(ResourcesMbcs, DialogFontsAndLanguageChoice) {
    for (const DialogCase& d : kDialogs) {
        std::optional<TemplateHeader> en = ReadHeader(d.id, kEnglish);
        std::optional<TemplateHeader> ja = ReadHeader(d.id, kJapanese);
        ASSERT_TRUE(en && ja) << d.id;
        EXPECT_EQ(en->points, 8) << d.id;
        EXPECT_EQ(en->face, L"MS Shell Dlg") << d.id;
        EXPECT_EQ(ja->points, 9) << d.id;
        EXPECT_EQ(ja->face, L"MS UI Gothic") << d.id;
        EXPECT_EQ(ja->charset, SHIFTJIS_CHARSET) << d.id;
        Dialog picked(d.id);
        ASSERT_TRUE(picked.Hwnd()) << d.id;
        const TemplateHeader& expected = testutil::IsJapaneseCodePage() ? *ja : *en;
        EXPECT_EQ(TextOf(picked.Hwnd()), expected.caption) << d.id;
    }
}

// Nothing is cut off: each caption fits its control in the dialog's own font, leaving room for
// the box of a check box or radio button and the frame of a push button.
TEST(ResourcesMbcs, TextsFitTheirControls) {
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + 4;
    // Japanese texts are drawn in a Japanese font only on a Japanese system.
    std::vector<LANGID> languages = {kEnglish};
    if (testutil::IsJapaneseCodePage()) languages.push_back(kJapanese);
    for (const DialogCase& d : kDialogs) {
        for (LANGID lang : languages) {
            Dialog dialog(d.id, lang, true);
            ASSERT_TRUE(dialog.Hwnd());
            HDC dc = GetDC(dialog.Hwnd());
            HGDIOBJ old = SelectObject(
                dc, reinterpret_cast<HFONT>(SendMessageA(dialog.Hwnd(), WM_GETFONT, 0, 0)));
            for (HWND child : Children(dialog.Hwnd())) {
                std::wstring text = TextOf(child);
                if (text.empty()) continue;
                LONG style = GetWindowLongA(child, GWL_STYLE);
                std::string cls = ClassOf(child);
                int room;
                RECT rc;
                GetClientRect(child, &rc);
                if (lstrcmpiA(cls.c_str(), "Button") == 0) {
                    DWORD type = style & BS_TYPEMASK;
                    if (type == BS_GROUPBOX)
                        room = rc.right - 2 * GetSystemMetrics(SM_CXEDGE) - 8;
                    else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
                        room = rc.right - 8;
                    else
                        room = rc.right - box;
                } else if (lstrcmpiA(cls.c_str(), "Static") == 0 &&
                           (style & SS_TYPEMASK) <= SS_RIGHT) {
                    room = rc.right;
                } else {
                    continue;
                }
                RECT need = {0, 0, 0, 0};
                UINT flags = DT_CALCRECT | DT_SINGLELINE | (style & SS_NOPREFIX ? DT_NOPREFIX : 0);
                DrawTextW(dc, text.c_str(), -1, &need, flags);
                EXPECT_LE(need.right, room)
                    << "dialog " << d.id << " language " << lang << ": " << Utf8(text);
            }
            SelectObject(dc, old);
            ReleaseDC(dialog.Hwnd(), dc);
        }
    }
}

// ---- Bitmaps ----

struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> rgb;  // top-down rows
    COLORREF At(int x, int y) const { return rgb[y * width + x]; }
};

Pixels ReadBitmap(UINT id) {
    Pixels px;
    HBITMAP bmp = LoadBitmapA(Module(), MAKEINTRESOURCEA(id));
    if (!bmp) return px;
    BITMAP info{};
    GetObjectA(bmp, sizeof info, &info);
    px.width = info.bmWidth;
    px.height = info.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = px.width;
    bi.bmiHeader.biHeight = -px.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> raw(px.width * px.height);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bmp, 0, px.height, raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(bmp);
    for (DWORD v : raw) px.rgb.push_back(RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF));
    return px;
}

// Bits per pixel of a bitmap resource as stored.
int StoredDepth(UINT id) {
    const auto* header = static_cast<const BITMAPINFOHEADER*>(RawResource(RT_BITMAP, id, kEnglish));
    return header ? header->biBitCount : 0;
}

TEST(Resources, SortArrowsArePixelExact) {
    // The up arrow (image 0, descending) and the down arrow (image 1, ascending); # is grey.
    const std::string expected = R"(
..............
..............
...#......#...
..###.....#...
.#####....#...
#######...#...
...#......#...
...#......#...
...#......#...
...#...#######
...#....#####.
...#.....###..
...#......#...
..............
..............
..............
)";
    Pixels px = ReadBitmap(IDB_SORT_ARROWS);
    ASSERT_EQ(px.width, 14);
    ASSERT_EQ(px.height, 16);
    EXPECT_EQ(StoredDepth(IDB_SORT_ARROWS), 4);
    std::string seen = "\n";
    for (int y = 0; y < px.height; ++y) {
        for (int x = 0; x < px.width; ++x) {
            COLORREF c = px.At(x, y);
            seen += c == RGB(255, 255, 255) ? '.' : c == RGB(128, 128, 128) ? '#' : '?';
        }
        seen += '\n';
    }
    EXPECT_EQ(seen, expected);

    // White is the mask colour: the list builds its two 7-pixel images this way.
    HIMAGELIST list = ImageList_LoadImageA(Module(), MAKEINTRESOURCEA(IDB_SORT_ARROWS), 7, 0,
                                           RGB(255, 255, 255), IMAGE_BITMAP, 0);
    ASSERT_TRUE(list);
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    EXPECT_EQ(cx, 7);
    EXPECT_EQ(cy, 16);
    ImageList_Destroy(list);
}

TEST(Resources, ToolbarStripHasOneDistinctImagePerButton) {
    Pixels px = ReadBitmap(IDB_TOOLBAR);
    ASSERT_EQ(px.width, kToolbarImageCount * kToolbarButtonWidth);
    ASSERT_EQ(px.width, 192);
    ASSERT_EQ(px.height, kToolbarButtonHeight);
    EXPECT_EQ(StoredDepth(IDB_TOOLBAR), 4);
    const COLORREF silver = RGB(192, 192, 192);
    EXPECT_EQ(static_cast<COLORREF>(kToolbarBackground), silver);
    std::set<std::vector<COLORREF>> images;
    for (int i = 0; i < kToolbarImageCount; ++i) {
        std::vector<COLORREF> cell;
        int background = 0;
        for (int y = 0; y < px.height; ++y)
            for (int x = 0; x < kToolbarButtonWidth; ++x) {
                cell.push_back(px.At(i * kToolbarButtonWidth + x, y));
                background += cell.back() == silver;
            }
        EXPECT_GT(background, 0) << "image " << i << " has no transparent background";
        EXPECT_LT(background, static_cast<int>(cell.size()) - 20) << "image " << i << " is empty";
        images.insert(cell);
    }
    EXPECT_EQ(images.size(), static_cast<size_t>(kToolbarImageCount));
}

}  // namespace
