#include "app/startup.h"

#include <cerrno>
#include <vector>

#include "app/application_folder.h"

namespace vornalt {

Result<Startup> startup(std::string_view programfile, bool windowsrules, const std::string& datadir,
                        const std::string& relativedatadir) {
    Startup started;
    started.state.applicationfolder = applicationfolder(programfile, windowsrules);
    started.state.windowtitle = k_window_title;

    const std::string& folder = started.state.applicationfolder;
    const std::vector<std::string> places = catalogueplaces(folder, datadir, relativedatadir);
    const std::string path = findcatalogue(folder, datadir, relativedatadir);
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    if (!loaded) {
        Error error = loaded.error();
        // The file was looked for in several places; say so, or the user fixes the wrong one.
        if (error.code == ENOENT && places.size() > 1) {
            error.message += " The program looks for devices.cfg in its own folder (" + places.front() + ") first";
            for (std::size_t i = 1; i < places.size(); ++i) error.message += ", then at " + places[i];
            error.message += ".";
        }
        return error;
    }
    started.catalogue = std::move(loaded).value();
    return started;
}

Result<Startup> startup() {
    Result<std::string> program = programpath();
    if (!program) return program.error();
    return startup(program.value(), k_windows_rules, installeddatadir(), installedrelativedatadir());
}

}  // namespace vornalt
