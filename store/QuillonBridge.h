// The bridge to the optional extension library of the sibling product Quillon: found through the
// per-user registry, bound by ordinal entry points only, and asked for its tree of items.
#pragma once

#include <windows.h>

#include <iterator>
#include <string>

#include "fw/Module.h"

class CQuillonWrapper {
public:
    // Where the sibling product records its executable (HKEY_CURRENT_USER).
    static constexpr const char* kLocationKey = "SOFTWARE\\Orvane\\Quillon\\location";
    static constexpr const char* kExePathValue = "exepath";
    // Kind of a child that is a submenu.
    static constexpr WORD kKindPopup = 1;
    // Captions longer than this (with their terminator) are cut.
    static constexpr size_t kMaxCaption = MAX_PATH;

    // One child of an enumeration, copied out of the extension's memory.
    struct Child {
        short id = -1;
        // The record's first 32-bit word (its low 16 bits are the kind) and the parameter of
        // the child's own enumeration.
        DWORD word = 0;
        DWORD param = 0;
        bool hasCaption = false;
        std::string caption;
        WORD Kind() const { return LOWORD(word); }
    };

    CQuillonWrapper() = default;
    ~CQuillonWrapper();
    CQuillonWrapper(const CQuillonWrapper&) = delete;
    CQuillonWrapper& operator=(const CQuillonWrapper&) = delete;

    // Finds, loads and starts the extension; true when it is ready (nonzero context).
    BOOL LoadExtension();
    bool IsLoaded() const { return m_context != 0; }

    // Opens the enumeration of the children of item parentId; 0 on failure.
    DWORD OpenChildren(WORD parentId, DWORD param) const;
    // The next child into child; false at the end of the enumeration.
    bool NextChild(DWORD handle, Child& child) const;
    void CloseChildren(DWORD handle) const;
    // The path that item id stands for; false when the extension has none or it does not fit
    // in MAX_PATH.
    bool ItemPath(short id, std::string& path) const;

private:
    // The twenty ordinals the library offers; only some are called.
    static constexpr WORD kOrdinals[20] = {1,  2,  3,  4,  6,  7,  8,  10, 12, 14,
                                           16, 18, 20, 22, 24, 26, 28, 29, 30, 32};
    FARPROC Entry(WORD ordinal) const;
    void Release(char* text) const;

    fw::CModule m_library;
    DWORD m_context = 0;
    FARPROC m_entries[20] = {};
};
