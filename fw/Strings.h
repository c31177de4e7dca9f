// Texts from the string table, in the language the system picks.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

// The string table entry id, or an empty string when there is none.
std::string LoadStr(UINT id);

// wsprintfA over the string table entry id (the result is cut at wsprintfA's 1024 bytes).
std::string FormatStr(UINT id, ...);

}  // namespace fw
