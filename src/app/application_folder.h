#pragma once
// Where the program lives: the application folder that devices.cfg and the default "Last Path"
// derive from.
#include <string>
#include <string_view>

#include "base/result.h"

namespace vornalt {

// The host's path rules: Windows folders are case-blind and separated by "\"; elsewhere case
// matters and "/" separates.
#ifdef _WIN32
inline constexpr bool k_windows_rules = true;
#else
inline constexpr bool k_windows_rules = false;
#endif

// A folder as the program keeps it: with one trailing separator (a drive or file-system root
// keeps the one it has; an empty folder means the current one). Under Windows rules "/" becomes
// "\" and the text is lower-cased; elsewhere the case stays, since a lower-cased folder might not
// exist.
std::string folderwithseparator(std::string_view folder, bool windowsrules);

// The application folder: the folder of the program file, as folderwithseparator gives it.
std::string applicationfolder(std::string_view programpath, bool windowsrules);

// The folder the first Open and Save dialogs start in: the last path, except that the program's
// own folder as a default is no place for the user's files when it is a system folder
// (/usr/bin, /opt/..., C:\Program Files\...): then the home folder, when one is known.
std::string firstdialogfolder(const std::string& lastpath, const std::string& applicationfolder,
                              const std::string& home, bool windowsrules);

// The full path of the running program file (UTF-8).
Result<std::string> programpath();

}  // namespace vornalt
