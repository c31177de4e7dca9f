// The ".brn" definition file kept open while a definition is edited, and the messages about
// reading and writing errors.
#include "store/BrnFile.h"

#include <objbase.h>

#include <cstring>
#include <new>

#include "fw/File.h"
#include "fw/Prompt.h"
#include "fw/Strings.h"
#include "string_ids.h"
#include "util/Mbcs.h"

namespace store {

bool NewIdentifier(GUID& id) { return SUCCEEDED(CoCreateGuid(&id)); }

void ReportFault(const fw::CException& e, const std::string& path) {
    std::string cause = fw::LoadStr(e.MessageId());
    fw::MessageText(path.empty() ? cause
                                 : fw::FormatStr(IDS_FAULT_IN_FILE, cause.c_str(), path.c_str()));
}

}  // namespace store

bool CBrnFile::SetFolder(const std::string& path) {
    try {
        std::string folder = path;
        // Only a whole backslash character goes: a double-byte character may end in 0x5C.
        while (!folder.empty() && util::MbsRFind(folder, '\\') == folder.size() - 1)
            folder.pop_back();
        if (folder.size() >= MAX_PATH) return false;
        m_folder.swap(folder);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnFile::SetExclusions(const char* text) {
    try {
        std::vector<std::string> patterns;
        for (const char* p = text; p && *p;) {
            const char* sep = util::MbsChr(p, ';');
            size_t len = sep ? static_cast<size_t>(sep - p) : strlen(p);
            if (len > 0) patterns.emplace_back(p, len);
            p = sep ? sep + 1 : nullptr;
        }
        m_exclusions.swap(patterns);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnFile::OpenForEdit(const std::string& path) {
    Close();
    return store::ReportingFaults(path, [&] {
        auto file = std::make_unique<fw::CFile>();
        if (!file->Open(path.c_str(), fw::CFile::modeReadWrite)) return false;
        {
            fw::CArchive ar(*file, fw::CArchive::load);
            Serialize(ar);
        }
        file->SeekToBegin();
        m_identifierKnown = 1;
        m_pFile = std::move(file);
        m_path = path;
        return true;
    });
}

bool CBrnFile::CreateNew(const std::string& path) {
    Close();
    try {
        auto file = std::make_unique<fw::CFile>();
        if (!file->Open(path.c_str(), fw::CFile::modeCreate)) return false;
        m_pFile = std::move(file);
        m_path = path;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CBrnFile::Load(const std::string& path) {
    fw::CFile file;
    if (!file.Open(path.c_str(), fw::CFile::modeRead)) return false;
    return store::ReportingFaults(path, [&] {
        fw::CArchive ar(file, fw::CArchive::load);
        Serialize(ar);
        m_identifierKnown = 1;
        return true;
    });
}

bool CBrnFile::Save() {
    if (!m_pFile) return false;
    return store::ReportingFaults(m_path, [&] {
        // No truncation: a shorter record leaves the tail of the old one, which readers skip.
        fw::CArchive ar(*m_pFile, fw::CArchive::store);
        Serialize(ar);
        ar.Flush();
        m_pFile->Flush();
        return true;
    });
}

void CBrnFile::Close() { m_pFile.reset(); }
