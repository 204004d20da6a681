#pragma once
// What vornalt-cli's exit status tells a script that runs it.
namespace vornalt {

enum class ExitStatus : int {
    success = 0,
    chip_failed = 1,       // a check failed, blank check or verify failed, or the run was stopped
    usage = 2,             // the command line itself is wrong
    bad_input = 3,         // a HEX file, the catalogue or a script that cannot be used; a file that cannot be read or written
    port_unavailable = 4,  // the programmer's port cannot be reached
};

constexpr int exitcode(ExitStatus status) { return static_cast<int>(status); }

// The worse of two outcomes: the one a script must hear about first.
constexpr ExitStatus worse(ExitStatus a, ExitStatus b) {
    auto rank = [](ExitStatus s) {
        switch (s) {
        case ExitStatus::success: return 0;
        case ExitStatus::chip_failed: return 1;
        case ExitStatus::bad_input: return 2;
        case ExitStatus::port_unavailable: return 3;
        case ExitStatus::usage: return 4;
        }
        return 0;
    };
    return rank(b) > rank(a) ? b : a;
}

}  // namespace vornalt
