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
#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include <filesystem>

#include "base/path_text.h"
#define VORNALT_ISATTY _isatty
#define VORNALT_FILENO _fileno
#else
#include <unistd.h>
#define VORNALT_ISATTY isatty
#define VORNALT_FILENO fileno
#endif

namespace {

// The arguments as UTF-8. On Windows argv holds them in the ANSI code page, which cannot spell
// every file name, so they are taken from the wide command line instead.
std::vector<std::string> commandarguments(int argc, char** argv) {
#ifdef _WIN32
    static_cast<void>(argc);
    static_cast<void>(argv);
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(vornalt::utf8frompath(std::filesystem::path(wide[i])));
    if (wide != nullptr) ::LocalFree(wide);
    // What the program prints is UTF-8 too.
    ::SetConsoleOutputCP(CP_UTF8);
    return arguments;
#else
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vornalt;
    // First of all: a SIGINT or SIGTERM from now on is remembered and stops the run at its next
    // step, rather than ending the process by the default action with the chip possibly powered.
    StopSignals signals;
    const std::vector<std::string> arguments = commandarguments(argc, argv);
    const ParsedCommandLine parsed = parsecommandline(arguments);
    if (!parsed.options) {
        std::cout << parsed.out;
        std::cerr << parsed.err;
        return exitcode(parsed.status);
    }
    const bool terminal = VORNALT_ISATTY(VORNALT_FILENO(stderr)) != 0;
    const ExitStatus status = runcli(*parsed.options, {std::cout, std::cerr, terminal, &std::cin}, processenvironment(), signals);
    std::cout.flush();
    return exitcode(status);
}
