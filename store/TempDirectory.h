// The repository's scratch folder, in which items are prepared before they leave by the
// clipboard or a drag; it stays the same from one run to the next.
#pragma once

#include <windows.h>

#include <string>

#include "fw/Object.h"
#include "fw/Profile.h"

class CBrnTempDirectory : public fw::CObject {
public:
    // The identifier lives in the profile's "Settings" section. company and app name the
    // per-user key HKEY_CURRENT_USER\Software\<company>\<app>: the profile's own key when it keeps
    // its settings in the registry, and the parent of the path table "tempdir" in any case. The
    // profile must outlive this object.
    explicit CBrnTempDirectory(const fw::CProfile& profile, const char* company = "Orvane",
                               const char* app = "Brenna");
    CBrnTempDirectory(const CBrnTempDirectory&) = delete;
    CBrnTempDirectory& operator=(const CBrnTempDirectory&) = delete;

    // Finds the folder of this repository, or makes and records a new one. FALSE when no folder
    // could be recorded; the folder itself is created when missing.
    BOOL Initialize();
    // Deletes everything inside the folder, keeping the folder. Stops at the first entry that
    // cannot be deleted (a read-only file among the top-level entries is one) and returns FALSE.
    BOOL Empty() const;
    // The folder's full path; empty until Initialize has succeeded.
    const char* GetPath() const { return m_szPath; }
    const GUID& GetIdentifier() const { return m_identifier; }

private:
    bool ReadIdentifier(const std::string& section, GUID& id) const;
    bool WriteIdentifier(const std::string& section) const;
    bool LookUpPath();
    bool RecordPath() const;
    bool CreateNewPath();

    char m_szPath[MAX_PATH] = {};
    GUID m_identifier = {};
    const fw::CProfile& m_profile;
    std::string m_company;
    std::string m_app;
};
