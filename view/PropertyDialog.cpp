// The property dialog: fills its fields from one item and stores the edited description.
#include "view/PropertyDialog.h"

#include <shellapi.h>

#include "fw/Strings.h"
#include "resource.h"
#include "util/FileUtil.h"
#include "view/IconKey.h"
#include "view/IconLoad.h"
#include "view/RowModel.h"

namespace {

std::string TimeText(const FILETIME& time) {
    char text[64];
    util::FormatFileTime(time, text);
    return text;
}

struct AttributeBox {
    int id;
    DWORD bit;
};

constexpr AttributeBox kAttributeBoxes[] = {
    {IDC_PROP_READONLY, FILE_ATTRIBUTE_READONLY},
    {IDC_PROP_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
    {IDC_PROP_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
    {IDC_PROP_COMPRESSED, FILE_ATTRIBUTE_COMPRESSED},
    {IDC_PROP_ENCRYPTED, FILE_ATTRIBUTE_ENCRYPTED},
};

}  // namespace

CPropertyDialog::CPropertyDialog(std::string location, std::string name, CBrennaItem& item,
                                 HWND notify, int listIndex)
    : fw::CDialog(IDD_PROPERTY),
      m_location(std::move(location)),
      m_name(std::move(name)),
      m_item(&item),
      m_notify(notify),
      m_listIndex(listIndex) {}

CPropertyDialog::~CPropertyDialog() {
    // A modeless window still open is closed here, while its icon can still be taken back.
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    ReleaseIcon();
}

BOOL CPropertyDialog::OnInitDialog() {
    SetItemText(IDC_PROP_NAME, m_name);
    // The list fills the type text when it shows the row; a row not shown yet gets it now.
    SetItemText(IDC_PROP_TYPE, view::EnsureTypeText(*m_item));
    SetItemText(IDC_PROP_LOCATION, m_location);
    const bool file = m_item->IsFile();
    SetItemText(IDC_PROP_SIZE, file ? fw::FormatStr(IDS_PROPERTY_SIZE, m_item->GetSize()) : "");
    SetItemText(IDC_PROP_SAVED, TimeText(m_item->m_evacuationTime));
    SetItemText(IDC_PROP_UPDATE, file ? TimeText(m_item->m_lastWriteTime) : "");
    for (const AttributeBox& box : kAttributeBoxes) Check(box.id, m_item->m_attributes & box.bit);

    // The edit's default limit of 30,000 characters would cut a longer description.
    SendDlgItemMessageA(m_hWnd, IDC_PROP_DESCRIPTION, EM_SETLIMITTEXT, 0, 0);
    SetItemText(IDC_PROP_DESCRIPTION, m_item->m_description);

    m_icon = view::LoadItemIcon(view::IconSourceFor(*m_item), true);
    if (m_icon)
        SendDlgItemMessageA(m_hWnd, IDC_PROP_ICON, STM_SETICON, reinterpret_cast<WPARAM>(m_icon),
                            0);

    // Filling the description may have reported a change; nothing has been edited yet.
    EnableWindow(Item(IDC_PROP_APPLY), FALSE);
    return TRUE;
}

bool CPropertyDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_PROP_DESCRIPTION && code == EN_CHANGE) {
        EnableWindow(Item(IDC_PROP_APPLY), TRUE);
        return true;
    }
    if (id == IDC_PROP_APPLY && code == BN_CLICKED) {
        if (!StoreDescription(ItemText(IDC_PROP_DESCRIPTION))) return true;
        HWND apply = Item(IDC_PROP_APPLY);
        // A disabled button that keeps the focus would leave the keyboard with nowhere to go.
        if (GetFocus() == apply)
            SendMessageA(m_hWnd, WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(Item(IDC_PROP_DESCRIPTION)), TRUE);
        EnableWindow(apply, FALSE);
        return true;
    }
    return fw::CDialog::OnCommand(id, code, control);
}

void CPropertyDialog::OnOK() {
    std::string text = ItemText(IDC_PROP_DESCRIPTION);
    if (text != m_item->m_description) StoreDescription(text);
    EndDialog(IDOK);
}

bool CPropertyDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (msg == WM_HELP) {
        if (m_helpHandler) m_helpHandler(kHelpTopic);
        *result = TRUE;
        return true;
    }
    if (msg == WM_DESTROY) ReleaseIcon();
    return false;
}

bool CPropertyDialog::StoreDescription(const std::string& text) {
    if (!m_item->SetDescription(text.c_str())) return false;
    if (m_notify)
        SendMessageA(m_notify, WM_DESCRIPTION_CHANGED, static_cast<WPARAM>(m_listIndex), 0);
    return true;
}

void CPropertyDialog::ReleaseIcon() {
    if (!m_icon) return;
    if (m_hWnd && IsWindow(m_hWnd)) SendDlgItemMessageA(m_hWnd, IDC_PROP_ICON, STM_SETICON, 0, 0);
    DestroyIcon(m_icon);
    m_icon = nullptr;
}

namespace view {

void ShowItemProperties(CBrennaItem& item, HWND notify, int listIndex, HWND owner,
                        std::function<void(DWORD)> help) {
    CPropertyDialog dlg(LocationText(item), NameText(item), item, notify, listIndex);
    dlg.SetHelpHandler(std::move(help));
    dlg.DoModal(owner);
}

}  // namespace view
