#pragma once
// The program's first steps before any window exists: the application folder, the window title
// and the device catalogue. The desktop program and the command-line front end both start here;
// the single-instance check comes before it and belongs to the window.
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "base/result.h"
#include "catalogue/catalogue.h"

namespace vornalt {

struct Startup {
    AppState state;              // window title and application folder set; the rest is the load sequence's
    DeviceCatalogue catalogue;  // read once here; holds at least one model
};

// Starts for a program file at programfile: its folder becomes the application folder, and the
// catalogue is read from findcatalogue(that folder, datadir, relativedatadir). Fails with the
// catalogue's message when it cannot be read or holds no model (a missing file's message lists
// every place looked in); the caller shows it and ends.
Result<Startup> startup(std::string_view programfile, bool windowsrules, const std::string& datadir,
                        const std::string& relativedatadir = {});

// The same for the running program: programpath(), the host's path rules, installeddatadir()
// and installedrelativedatadir().
Result<Startup> startup();

}  // namespace vornalt
