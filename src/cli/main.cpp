// vornalt-cli: the chip operations of the desktop program from a terminal.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "session/sim_location.h"
#include "session/stop_signals.h"

#ifdef _WIN32
#include <io.h>
#define VORNALT_ISATTY _isatty
#define VORNALT_FILENO _fileno
#else
#include <unistd.h>
#define VORNALT_ISATTY isatty
#define VORNALT_FILENO fileno
#endif

int main(int argc, char** argv) {
    using namespace vornalt;
    // First of all: a SIGINT or SIGTERM from now on is remembered and stops the run at its next
    // step, rather than ending the process by the default action with the chip possibly powered.
    StopSignals signals;
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine parsed = parsecommandline(arguments);
    if (!parsed.options) {
        std::cout << parsed.out;
        std::cerr << parsed.err;
        return exitcode(parsed.status);
    }
    const bool terminal = VORNALT_ISATTY(VORNALT_FILENO(stderr)) != 0;
    const ExitStatus status = runcli(*parsed.options, {std::cout, std::cerr, terminal}, processenvironment(), signals);
    std::cout.flush();
    return exitcode(status);
}
