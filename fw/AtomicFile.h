// Writes a file beside its target and puts it in place only once it is complete, so that a
// failed or interrupted save never destroys the previous file.
#pragma once

#include <string>

#include "fw/File.h"

namespace fw {

class CAtomicFile {
public:
    CAtomicFile() = default;
    ~CAtomicFile() { Abandon(); }
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates a new, uniquely named file beside target for writing.
    bool Create(const std::string& target);
    CFile& File() { return m_file; }
    bool IsOpen() const { return m_file.IsOpen(); }
    // Flushes the new file to the disk and replaces the target with it; false leaves the
    // target as it was and removes the new file. With keepOldAs, the old target is first
    // renamed to that path instead of being replaced; when the new file then cannot take its
    // place, the old one is put back, and *keptAway tells whether it stayed at keepOldAs.
    bool Commit(const std::string& keepOldAs = {}, bool* keptAway = nullptr);
    // Drops the new file; the target stays as it was.
    void Abandon();
    const std::string& Target() const { return m_target; }

private:
    CFile m_file;
    std::string m_target;
    std::string m_temp;
};

}  // namespace fw
