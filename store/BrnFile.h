// A backup definition: the target folder or file, its exclusion patterns and its identifier, and
// the ".brn" file that holds them.
#pragma once

#include "fw/WinTypes.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "fw/Archive.h"
#include "fw/Exceptions.h"
#include "fw/ByteStream.h"
#include "fw/Object.h"

namespace store {

// A GUID in its in-memory layout: Data1, Data2, Data3 little-endian, then the 8 bytes of Data4.
void WriteGuid(fw::CArchive& ar, const GUID& id);
GUID ReadGuid(fw::CArchive& ar);
// Reads a four-byte magic and a u32 version; anything else raises an unexpected-format error.
void ReadMagicAndVersion(fw::CArchive& ar, const char (&magic)[4], uint32_t version);
// A new identifier for a definition written before it has one; false when none can be made.
bool NewIdentifier(GUID& id);

// Shows the standard message of a reading or writing error in a stop box, naming the file it
// concerns when path is not empty.
void ReportFault(const fw::CException& e, const std::string& path = {});

// The part of a backed-up file's source below the backed-up folder root, starting with its
// backslash; empty when source does not lie below root or climbs out of it, so that a damaged
// history can never place a file outside the folder it is rebuilt in.
std::string RelativeToRoot(const std::string& source, const std::string& root);

// Runs body (which returns bool); a reading or writing error it raises, out of memory included,
// is shown naming path and gives false.
template <class Body>
bool ReportingFaults(const std::string& path, Body&& body) {
    try {
        return body();
    } catch (const fw::CException& e) {
        ReportFault(e, path);
    } catch (const std::bad_alloc&) {
        ReportFault(fw::CMemoryException(), path);
    }
    return false;
}

}  // namespace store

class CBrnFile : public fw::CObject {
public:
    CBrnFile() = default;
    // Takes the folder, the exclusions and the identifier; the copy has no open file.
    CBrnFile(const CBrnFile& other);
    CBrnFile& operator=(const CBrnFile&) = delete;
    ~CBrnFile() override = default;

    // Replaces the folder and drops its trailing backslashes. False when memory runs out or the
    // result would not fit in MAX_PATH with its terminator; the folder is then unchanged.
    bool SetFolder(const std::string& path);
    // Replaces the exclusions by the non-empty pieces of text between ";" separators.
    bool SetExclusions(const char* text);

    // Reads an existing file and keeps it open read-write for Save, positioned at its start.
    // A reading error is reported to the user; false leaves no file open.
    bool OpenForEdit(const std::string& path);
    // Creates (or truncates) the file and keeps it open for Save.
    bool CreateNew(const std::string& path);
    // Reads the file and closes it. A reading error is reported to the user.
    bool Load(const std::string& path);
    // Writes the record at the open file's current position without truncating the file.
    // A writing error is reported to the user. The file stays open until Close.
    bool Save();
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }

    // Writes or reads one definition record. Reading replaces the folder and the identifier
    // (not the known flag) and appends the patterns to the exclusions. It raises
    // fw::CArchiveException (badFormat for a foreign magic or version, endOfFile or damaged for
    // lengths the data do not hold) and then leaves the object unchanged.
    void Serialize(fw::CArchive& ar) override;

    const std::string& Folder() const { return m_folder; }
    const std::vector<std::string>& Exclusions() const { return m_exclusions; }
    // True once the identifier was read from a definition file by OpenForEdit or Load.
    bool IsIdentifierKnown() const { return m_identifierKnown != 0; }
    const GUID& Identifier() const { return m_identifier; }
    // From now on the identifier counts as unknown: every write makes a new one.
    void ForgetIdentifier() { m_identifierKnown = 0; }

private:
    std::unique_ptr<fw::CByteStream> m_pFile;
    // The open file's path, for messages about it.
    std::string m_path;
    std::string m_folder;
    std::vector<std::string> m_exclusions;
    int32_t m_identifierKnown = 0;
    GUID m_identifier{};
};
