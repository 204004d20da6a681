#pragma once
// Runs the built vornalt-cli as a separate process, the way a shell script or a CI job runs it:
// arguments, a controlled environment (its own config and data folders, never the user's),
// standard output and error captured, the exit status, and optionally a signal sent once
// standard output shows a given text.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vornalt::testing {

struct ProcessResult {
    int status = -1;          // exit status; -1 when the process did not exit normally
    int termsignal = 0;       // the signal that ended it, if one did
    std::string out;
    std::string err;
    bool signalsent = false;  // the trigger text appeared and the signal was sent
    long maxrss_kib = 0;      // the process's peak resident memory (getrusage's ru_maxrss)
};

struct SignalTrigger {
    std::string text;  // sent once standard output or standard error contains this
    int signal = 0;
};

// Environment variables are exactly `environment` (plus the sanitizers' options when set).
// Standard input is stdinfile, or /dev/null without one.
ProcessResult runprocess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const std::optional<SignalTrigger>& trigger = std::nullopt,
                         const std::string& stdinfile = {});

// The last line of a text (without its newline); empty for an empty text.
std::string lastline(const std::string& text);

}  // namespace vornalt::testing
