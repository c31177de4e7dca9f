// Where copies go inside a repository: the lowest numbered folder br<NNNNNN> whose candidate
// path is still free. Evacuation, backup runs and history files all use this one rule.
#pragma once

#include <string>

namespace store {

// The numbered folder <repository>\br<NNNNNN> (at least six digits, zero-padded).
std::string NumberedFolder(const std::string& repository, unsigned n);

// Finds the lowest n for which <repository>\br<n><tail> does not exist, creates the numbered
// folder when missing and returns the candidate in out. tail starts with a backslash. Fails
// when the folder cannot be created or the path would not fit in MAX_PATH.
bool AllocateStoredPath(const std::string& repository, const std::string& tail, std::string& out);

// The history data file of a definition: tail = "\" + definition name without its last three
// characters + "dat" (x.brn gives x.dat).
bool AllocateHistoryPath(const std::string& repository, const std::string& definitionPath,
                         std::string& out);

}  // namespace store
