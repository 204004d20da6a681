#pragma once
// The command line of vornalt-cli: one command with its files, and the options that pick the
// catalogue, the model, the port and the pace of this run.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "session/port_choice.h"

namespace vornalt {

enum class CliCommand { models, check, convert, program, verify, read, erase, blankcheck, config, identify };

// Commands that reach the programmer (and so open a port).
constexpr bool usesport(CliCommand command) {
    return command != CliCommand::models && command != CliCommand::check && command != CliCommand::convert &&
           command != CliCommand::config;
}

enum class PortKind {
    saved,   // the port address of the saved settings
    number,  // port 1, 2 or 3
    sim,     // the simulated programmer
    device,  // a ppdev device path
};

struct PortOption {
    PortKind kind = PortKind::saved;
    std::int32_t number = 0;  // PortKind::number: 1..3
    std::string device;       // PortKind::device: the path as given
    BackendChoice backend;    // the row of the backend table the text names, with its argument
};

enum class SimSpeed { real, instant };

// The -o name that means standard output.
inline constexpr const char* k_standard_output = "-";

struct CliOptions {
    CliCommand command = CliCommand::models;
    std::string input;      // FILE.hex of check, convert, program, verify (and config, when given one)
    std::vector<std::string> configwords;  // the words "config" decodes; empty: the image's
    std::string configfields;              // program --config: "NAME=VALUE,..." set after loading
    bool repeat = false;    // program --repeat: chip after chip
    std::string logfile;    // --log: CSV row per chip
    std::int64_t serial = -1;  // --serial: the first serial; -1: none
    std::string serialat;   // --serial-at: program word addresses of the serial
    std::string output;     // -o of convert and read
    std::string catalogue;  // empty: the one the desktop program uses
    std::string model;      // name or number; empty: the saved model
    PortOption port;
    std::string simchip;    // empty: the default file of the model
    std::string simpart;    // --sim-part: the part in the simulated socket, "empty" for none
    bool ignoreid = false;  // --ignore-id: a device ID that is not the model's does not stop the run
    bool wait = false;      // --wait: a chip file in use by another program's run is waited for
    SimSpeed simspeed = SimSpeed::real;
    std::optional<std::int32_t> progtime;       // ms, 1..30
    std::optional<std::int32_t> clockdelay_us;  // 0..1000
    std::optional<std::int32_t> steprate;       // --step-rate of an FTDI adapter, steps per second
    std::string trace;      // VCD file to record the programmer lines into; empty: none
    bool defaulthardware = false;
    bool quiet = false;
    bool verbose = false;
    bool json = false;      // one JSON object on standard output instead of the texts
};

// The command's name as typed ("blankcheck").
const char* commandname(CliCommand command);

// Either options to run with, or the end of the program: help or version text for standard
// output (status success), or a usage error for standard error (status usage).
struct ParsedCommandLine {
    std::optional<CliOptions> options;
    ExitStatus status = ExitStatus::success;
    std::string out;
    std::string err;
};

ParsedCommandLine parsecommandline(const std::vector<std::string>& arguments);

// "1", "2", "3", "sim" (any case) or a device path; nullopt for other texts.
std::optional<PortOption> parseport(const std::string& text);

}  // namespace vornalt
