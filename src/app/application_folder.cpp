#include "app/application_folder.h"

#include "base/ascii_case.h"
#include "base/path_text.h"
#include "platform/running_program.h"

namespace vornalt {
namespace {

bool isseparator(char c, bool windowsrules) { return c == '/' || (windowsrules && c == '\\'); }

// Windows-style text: "\" separators, ASCII lower case (bytes of UTF-8 characters stay as they are).
std::string windowsform(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = c == '/' ? '\\' : asciilower(c);
    return result;
}

}  // namespace

Result<std::string> programpath() {
    Result<std::filesystem::path> program = running_program_path();
    if (!program) {
        return Error{"Cannot tell where the program file lies (" + program.error().message +
                         "), so devices.cfg cannot be found beside it. Start the program from its installed "
                         "location.",
                     program.error().code};
    }
    return utf8frompath(program.value());
}

std::string folderwithseparator(std::string_view folder, bool windowsrules) {
    const char separator = windowsrules ? '\\' : '/';
    std::string result = windowsrules ? windowsform(folder) : std::string(folder);
    if (result.empty()) result.push_back('.');
    if (result.back() != separator) result.push_back(separator);
    return result;
}

std::string applicationfolder(std::string_view programpath, bool windowsrules) {
    std::size_t end = programpath.size();
    while (end > 0 && !isseparator(programpath[end - 1], windowsrules)) --end;
    // end now stands just past the last separator; the folder keeps it, so a program in a root
    // folder ("C:\x.exe", "/x") gets that root and nothing doubled.
    return folderwithseparator(programpath.substr(0, end), windowsrules);
}

namespace {

bool issystemfolder(const std::string& folder, bool windowsrules) {
    if (windowsrules) {
        const std::string lower = asciilower(folder);
        return lower.find(":\\program files") != std::string::npos || lower.find(":\\windows\\") != std::string::npos;
    }
    for (const char* system : {"/usr/", "/bin/", "/sbin/", "/opt/", "/snap/", "/app/"}) {
        if (folder.rfind(system, 0) == 0) return true;
    }
    return false;
}

}  // namespace

std::string firstdialogfolder(const std::string& lastpath, const std::string& applicationfolder,
                              const std::string& home, bool windowsrules) {
    if (lastpath != applicationfolder || home.empty() || !issystemfolder(applicationfolder, windowsrules)) {
        return lastpath;
    }
    return folderwithseparator(home, windowsrules);
}

}  // namespace vornalt
