#pragma once
// Where a simulated chip keeps its memory between runs when the user names no file: one file
// per model name in the user's data folder, so the desktop program and vornalt-cli put the
// same simulated chip in the socket.
#include <string>
#include <string_view>

#include "base/result.h"

namespace vornalt {

// The environment the folder is derived from (passed in so tests need not change the process's).
struct DataFolderEnvironment {
    std::string xdgdatahome;   // $XDG_DATA_HOME
    std::string home;          // $HOME
    std::string localappdata;  // %LOCALAPPDATA% (Windows)
};

DataFolderEnvironment processenvironment();

// $XDG_DATA_HOME/vornalt/sim, else ~/.local/share/vornalt/sim; on Windows
// %LOCALAPPDATA%\Vornalt\sim. Fails when none of the variables it needs is set.
Result<std::string> simchipfolder(const DataFolderEnvironment& environment, bool windowsrules);

// The file name of a model's chip: the upper-cased model name with every character that is not
// a letter, a digit, '-', '_' or '.' replaced by '_', then ".hex" ("16F84A" -> "16F84A.hex").
// A name that leaves nothing usable ("", "..") becomes "_".
std::string simchipfilename(std::string_view modelname);

}  // namespace vornalt
