#include "app/startup.h"

#include <cerrno>

#include "app/application_folder.h"

namespace vornalt {

Result<Startup> startup(std::string_view programfile, bool windowsrules, const std::string& datadir) {
    Startup started;
    started.state.applicationfolder = applicationfolder(programfile, windowsrules);
    started.state.windowtitle = k_window_title;

    const std::string beside = started.state.applicationfolder + "devices.cfg";
    const std::string path = findcatalogue(started.state.applicationfolder, datadir);
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    if (!loaded) {
        Error error = loaded.error();
        // The file was looked for in two places; say so, or the user fixes the wrong one.
        if (error.code == ENOENT && path != beside) {
            error.message += " The program looks for devices.cfg in its own folder (" + beside + ") first, then at " +
                             path + ".";
        }
        return error;
    }
    started.catalogue = std::move(loaded).value();
    return started;
}

Result<Startup> startup() {
    Result<std::string> program = programpath();
    if (!program) return program.error();
    return startup(program.value(), k_windows_rules, installeddatadir());
}

}  // namespace vornalt
