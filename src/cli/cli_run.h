#pragma once
// One run of vornalt-cli: the core put together the way the desktop program puts it together
// (catalogue, saved settings, load sequence, memory image, port, engine and runners), one
// command carried out, and the outcome turned into an exit status.
#include <istream>
#include <ostream>

#include "cli/cli_options.h"
#include "cli/exit_status.h"
#include "session/sim_location.h"
#include "session/stop_signals.h"

namespace vornalt {

struct Terminal {
    std::ostream& out;        // standard output: the end text (every status text with -v)
    std::ostream& err;        // standard error: messages, reasons, the progress bar
    bool erristerminal;       // draw the progress bar
    std::istream* in = nullptr;  // standard input: Enter between the chips of program --repeat
};

// signals: the handlers main installed before anything else; the run attaches its stop request.
ExitStatus runcli(const CliOptions& options, Terminal terminal, const DataFolderEnvironment& folders,
                  StopSignals& signals);

}  // namespace vornalt
