// The property dialog: one item's name, type, place, size, times and attributes, and its
// description, the one thing the user may change here.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "fw/win/Dialog.h"
#include "resource.h"
#include "store/BrennaItem.h"

class CPropertyDialog : public fw::CDialog {
public:
    // The help topic F1 opens.
    static constexpr DWORD kHelpTopic = HELP_TOPIC_ITEMS;

    // location and name are the texts of the item's Location and Name boxes (the list's
    // columns). notify, when not null, is sent WM_DESCRIPTION_CHANGED (blocking) with listIndex
    // each time a description was stored, -1 meaning its first selected row. The item and the
    // notify window outlive the dialog.
    CPropertyDialog(std::string location, std::string name, CBrennaItem& item, HWND notify,
                    int listIndex = -1);
    ~CPropertyDialog() override;

    // Called with kHelpTopic when the user asks for help; without it F1 does nothing.
    void SetHelpHandler(std::function<void(DWORD topic)> handler) {
        m_helpHandler = std::move(handler);
    }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    // Stores text as the item's description and tells the notify window; false when the
    // description could not be stored.
    bool StoreDescription(const std::string& text);
    void ReleaseIcon();

    std::string m_location;
    std::string m_name;
    CBrennaItem* m_item;
    HWND m_notify;
    int m_listIndex;
    HICON m_icon = nullptr;
    std::function<void(DWORD)> m_helpHandler;
};

namespace view {

// Runs the property dialog on item, owned by owner, telling notify (may be null) as above.
void ShowItemProperties(CBrennaItem& item, HWND notify, int listIndex, HWND owner,
                        std::function<void(DWORD topic)> help);

}  // namespace view
