// The choice of the compiled help file that matches the user interface language.
#pragma once

#include <string>

// The help file of the executable at exe: its path with "chm" after the last dot, or "ja.chm"
// there when language (IDS_HELP_LANGUAGE of the string table in use) is "ja" and that file
// exists, so the help speaks the language of the menus. Empty when exe has no usable path.
std::string ChooseHelpFile(const std::string& exe, const std::string& language);
