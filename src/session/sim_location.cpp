#include "session/sim_location.h"

#include <cstdlib>
#include <filesystem>

#include "base/ascii_case.h"
#include "base/path_text.h"

namespace vornalt {
namespace {

std::string environmentvalue(const char* name) {
#if defined(_WIN32)
    // The wide environment: LOCALAPPDATA holds the user's name, which the ANSI code page may
    // not be able to spell. Names here are ASCII, so a byte-wise widening is exact.
    const std::wstring widename(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = ::_wgetenv(widename.c_str());
    if (value == nullptr) return {};
    return utf8frompath(std::filesystem::path(value));
#else
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
#endif
}

bool safechar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
}

}  // namespace

DataFolderEnvironment processenvironment() {
    return {environmentvalue("XDG_DATA_HOME"), environmentvalue("HOME"), environmentvalue("LOCALAPPDATA")};
}

Result<std::string> simchipfolder(const DataFolderEnvironment& environment, bool windowsrules) {
    if (windowsrules) {
        if (environment.localappdata.empty()) {
            return Error{"The simulated chip's folder is unknown: LOCALAPPDATA is not set."};
        }
        return environment.localappdata + "\\Vornalt\\sim";
    }
    // XDG base directories: a relative XDG_DATA_HOME is invalid and must be ignored.
    if (!environment.xdgdatahome.empty() && environment.xdgdatahome.front() == '/') {
        return environment.xdgdatahome + "/vornalt/sim";
    }
    if (environment.home.empty()) {
        return Error{"The simulated chip's folder is unknown: neither XDG_DATA_HOME nor HOME is set."};
    }
    return environment.home + "/.local/share/vornalt/sim";
}

std::string simchipfilename(std::string_view modelname) {
    std::string name;
    for (char c : modelname) {
        const char upper = asciiupper(c);
        name += safechar(upper) ? upper : '_';
    }
    // Dots alone would name the folder itself or its parent.
    if (name.find_first_not_of('.') == std::string::npos) name.assign(1, '_');
    name.append(".hex");
    return name;
}

}  // namespace vornalt
