// The tree of items that the extension offers: submenus and command items, each command item
// standing for the path of a file or folder, and the map from item id to command item.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fw/Object.h"
#include "store/QuillonBridge.h"

class CValueItem;

// Command items by id; the entries point into a tree and are not owned.
using QuiItemMap = std::map<WORD, CValueItem*>;

class CQuiItem : public fw::CObject {
public:
    // Item ids above this would give command ids beyond the range the list handles.
    static constexpr short kMaxCommandId = 32748;

    WORD m_nKind = 0;
    short m_nId = -1;
    std::string m_caption;

    bool IsPopup() const { return m_nKind == CQuillonWrapper::kKindPopup; }
};

class CValueItem : public CQuiItem {
public:
    // From the first word of the child record; its low 16 bits are the kind.
    explicit CValueItem(DWORD word) { m_nKind = LOWORD(word); }
};

class CPopupItem : public CQuiItem {
public:
    // Bounds against an extension that never ends an enumeration or nests without end; far
    // beyond what a menu can usefully show.
    static constexpr int kMaxChildren = 1000;
    static constexpr int kMaxDepth = 8;
    static constexpr int kMaxItems = 4000;

    CPopupItem() { m_nKind = CQuillonWrapper::kKindPopup; }

    // Loads the children from the extension (its enumeration of this item with param): -1 on
    // failure, else the number of children. Command children go into map. depth counts the
    // submenus above this one; budget is the number of items the whole tree may still take.
    int LoadChildren(const CQuillonWrapper& bridge, DWORD param, QuiItemMap& map, int depth,
                     int& budget);

    std::vector<std::unique_ptr<CQuiItem>> m_children;
};

// The extension's tree under a root "ROOT" with id 0 (enumerated with parameter 42), its command
// items put in map; null without a loaded bridge or when an enumeration fails.
std::unique_ptr<CPopupItem> CreateItemTree(const CQuillonWrapper* bridge, QuiItemMap& map);
