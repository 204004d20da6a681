#include "cli/cli_options.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string_view>
#include <utility>

#include <CLI/CLI.hpp>

#include "cli/terminal_window.h"
#include "session/port_choice.h"
#include "session/run_settings.h"

namespace vornalt {
namespace {

constexpr std::int32_t k_progtime_min_ms = 1;
constexpr std::int32_t k_progtime_max_ms = 30;

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

constexpr const char* k_footer =
    "Exit status: 0 success; 1 the chip failed (a check failed, blank check or verify failed,\n"
    "the run was stopped); 2 usage error; 3 a bad input file (HEX file, catalogue, script);\n"
    "4 the port is unavailable (also: the programmer went away during the run).";

ParsedCommandLine usageerror(std::string text) {
    ParsedCommandLine parsed;
    parsed.status = ExitStatus::usage;
    // The text may quote an argument: escape sequences in it must not reach the terminal.
    parsed.err = "vornalt-cli: " + printable(text) + "\nRun with --help for more information.\n";
    return parsed;
}

// What the parser fills in before the texts are checked.
struct RawOptions {
    CliOptions options;
    std::string port;
    std::string simspeed;
    std::string simchip;
};

struct Commands {
    CLI::App* models;
    CLI::App* check;
    CLI::App* convert;
    CLI::App* program;
    CLI::App* verify;
    CLI::App* read;
    CLI::App* erase;
    CLI::App* blankcheck;
    CLI::App* config;
    CLI::App* identify;
};

Commands addcommands(CLI::App& app, CliOptions& o) {
    Commands c{};
    c.models = app.add_subcommand("models", "List the catalogue: number, name, FLASH words, EEPROM bytes");
    c.check = app.add_subcommand("check", "Load the file as Open HEX File does and print its message");
    c.check->add_option("FILE.hex", o.input, "Intel HEX file")->required();
    c.convert = app.add_subcommand("convert", "Load the file, then save the image as Save Buffer As writes it");
    c.convert->add_option("IN.hex", o.input, "Intel HEX file to read")->required();
    c.convert->add_option("-o,--output", o.output, "Intel HEX file to write; - for standard output")->required()->type_name("OUT.hex");
    c.program = app.add_subcommand("program", "Load the file, then Program All");
    c.program->add_option("FILE.hex", o.input, "Intel HEX file")->required();
    c.program->add_option("--config", o.configfields,
                          "Set configuration fields of the loaded image before programming, e.g.\n"
                          "FOSC=HS,WDTE=OFF (names as 'config' lists them)")
        ->type_name("NAME=VALUE,...");
    c.program->add_flag("--repeat", o.repeat,
                        "Program one chip after another: Enter between chips (q and Enter, or end of\n"
                        "input, ends), counters after each");
    c.program->add_option("--log", o.logfile, "With --repeat: add a CSV row per chip to this file")->type_name("FILE.csv");
    c.program->add_option("--serial", o.serial, "With --repeat: the first chip's serial number")
        ->type_name("START")
        ->check(CLI::NonNegativeNumber);
    c.program->add_option("--serial-at", o.serialat,
                          "Program words (hex) that get the serial as RETLW bytes, most significant first; "
                          "ID: one hex digit in each user ID word")
        ->type_name("ADDR[,ADDR...]|ID");
    c.verify = app.add_subcommand("verify", "Load the file, then Verify");
    c.verify->add_option("FILE.hex", o.input, "Intel HEX file")->required();
    c.read = app.add_subcommand("read", "Read All, then save the image");
    c.read->add_option("-o,--output", o.output, "Intel HEX file to write; - for standard output")->required()->type_name("FILE.hex");
    c.erase = app.add_subcommand("erase", "Erase All");
    c.blankcheck = app.add_subcommand("blankcheck", "Blank Check");
    c.config = app.add_subcommand("config", "Decode the model's configuration word(s): the erased ones, a HEX\n"
                                            "file's, or the hex words given");
    c.config->add_option("FILE.hex|WORD", o.configwords, "A HEX file, or CONFIG1 [CONFIG2] in hex");
    c.identify = app.add_subcommand("identify", "Read the device ID and name the part it belongs to");
    return c;
}

std::optional<CliCommand> chosencommand(const Commands& c) {
    const std::pair<CLI::App*, CliCommand> table[] = {
        {c.models, CliCommand::models},   {c.check, CliCommand::check},   {c.convert, CliCommand::convert},
        {c.program, CliCommand::program}, {c.verify, CliCommand::verify}, {c.read, CliCommand::read},
        {c.erase, CliCommand::erase},     {c.blankcheck, CliCommand::blankcheck}, {c.config, CliCommand::config},
        {c.identify, CliCommand::identify},
    };
    for (const auto& [app, command] : table) {
        if (app->parsed()) return command;
    }
    return std::nullopt;
}

// One to four hex digits: a configuration word rather than a file name.
bool hexwordtext(std::string_view text) {
    if (text.empty() || text.size() > 4) return false;
    return text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// The checks that need more than one option at a time.
ParsedCommandLine finish(RawOptions raw, const CLI::App& app) {
    CliOptions& o = raw.options;
    if (app.count("--port") > 0) {
        if (raw.port.empty()) return usageerror("--port: the port is empty.");
        std::optional<PortOption> port = parseport(raw.port);
        if (!port) {
            return usageerror("--port: '" + raw.port +
                              "' is none of: a port number (1, 2, 3), 'sim', a device path such as "
                              "/dev/parport0, 'ftdi' or 'ftdi:SERIAL'.");
        }
        o.port = std::move(*port);
    }
    const bool sim = o.port.kind == PortKind::sim;
    if (!raw.simspeed.empty()) {
        const std::string speed = lowercase(raw.simspeed);
        if (speed != "real" && speed != "instant") {
            return usageerror("--sim-speed: '" + raw.simspeed + "' is not one of real, instant.");
        }
        o.simspeed = speed == "instant" ? SimSpeed::instant : SimSpeed::real;
    }
    if (!sim && (app.count("--sim-chip") > 0 || app.count("--sim-speed") > 0 || app.count("--sim-part") > 0)) {
        return usageerror("--sim-chip, --sim-speed and --sim-part apply to the simulated programmer only: add --port sim.");
    }
    if (!sim && o.wait) return usageerror("--wait applies to the simulated programmer only: add --port sim.");
    if (o.steprate && o.port.backend.kind != BackendKind::ftdi) {
        return usageerror("--step-rate applies to an FTDI adapter only: add --port ftdi or ftdi:SERIAL.");
    }
    if (app.count("--sim-part") > 0 && o.simpart.empty()) {
        return usageerror("--sim-part: give a part name such as 16F877A, or 'empty'.");
    }
    if (lowercase(o.simpart) == "empty") o.simpart = "empty";
    if (app.count("--sim-chip") > 0 && raw.simchip.empty()) {
        return usageerror("--sim-chip: the file name is empty.");
    }
    o.simchip = std::move(raw.simchip);
    if (app.count("--model") > 0 && o.model.empty()) return usageerror("--model: the model is empty.");
    if (app.count("--catalogue") > 0 && o.catalogue.empty()) return usageerror("--catalogue: the file name is empty.");
    if (app.count("--trace") > 0 && o.trace.empty()) return usageerror("--trace: the file name is empty.");
    if (!o.trace.empty() && !usesport(o.command)) {
        return usageerror("--trace records the programmer lines: it applies to program, verify, read, erase, "
                          "blankcheck and identify.");
    }

    if (o.json && o.command == CliCommand::models) return usageerror("--json does not apply to models.");
    if (o.json && o.output == k_standard_output) {
        return usageerror("--json and -o - both want standard output: name a file with -o.");
    }

    const bool batch = o.repeat || !o.logfile.empty() || o.serial >= 0 || !o.serialat.empty();
    if (batch && !o.repeat) return usageerror("--log, --serial and --serial-at apply to program --repeat only.");
    if (o.command == CliCommand::program && app.get_subcommand("program")->count("--log") > 0 && o.logfile.empty()) return usageerror("--log: the file name is empty.");
    if ((o.serial >= 0) != !o.serialat.empty()) {
        return usageerror("--serial START and --serial-at ADDR[,ADDR...] go together.");
    }

    // "config FILE.hex": one argument that is no hex word names the file to decode.
    if (o.command == CliCommand::config && o.configwords.size() == 1 && !hexwordtext(o.configwords.front())) {
        o.input = std::move(o.configwords.front());
        o.configwords.clear();
    }

    ParsedCommandLine parsed;
    parsed.options = std::move(o);
    return parsed;
}

}  // namespace

const char* commandname(CliCommand command) {
    switch (command) {
    case CliCommand::models: return "models";
    case CliCommand::check: return "check";
    case CliCommand::convert: return "convert";
    case CliCommand::program: return "program";
    case CliCommand::verify: return "verify";
    case CliCommand::read: return "read";
    case CliCommand::erase: return "erase";
    case CliCommand::blankcheck: return "blankcheck";
    case CliCommand::identify: return "identify";
    case CliCommand::config: return "config";
    }
    return "";
}

std::optional<PortOption> parseport(const std::string& text) {
    std::optional<BackendChoice> chosen = choosebackend(text);
    if (!chosen) return std::nullopt;
    PortOption port;
    if (chosen->kind == BackendKind::parallelport) {
        port.kind = PortKind::number;
        port.number = portchoice(text)->number;
    } else if (chosen->kind == BackendKind::simulator) {
        port.kind = PortKind::sim;
    } else {
        port.kind = PortKind::device;
        port.device = text;
    }
    port.backend = std::move(*chosen);
    return port;
}

ParsedCommandLine parsecommandline(const std::vector<std::string>& arguments) {
    RawOptions raw;
    CliOptions& o = raw.options;

    CLI::App app{"Reads, programs, erases, blank-checks and verifies mid-range PIC microcontrollers\n"
                 "through a parallel-port programmer, an FTDI USB adapter or the built-in simulator.",
                 "vornalt-cli"};
    app.set_version_flag("--version", std::string("vornalt-cli ") + VORNALT_VERSION);
    app.footer(k_footer);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND [ARGS]");
    app.get_formatter()->label("Subcommands", "Commands");
    app.require_subcommand(1, 1);
    app.fallthrough();  // options of the program may also follow the command

    app.add_option("--catalogue", o.catalogue, "The device catalogue (default: the one the desktop program uses)")
        ->type_name("FILE");
    app.add_option("--model", o.model, "Model by name (case-insensitive) or number (default: the saved model)")
        ->type_name("NAME|N");
    app.add_option("--port", raw.port,
                   "The port: 1, 2, 3, sim, a ppdev device path, ftdi / ftdi:SERIAL for an FTDI USB\n"
                   "adapter, or pickit2 / pickit2:SERIAL for a PICkit 2 (default: the saved port)")
        ->type_name("1|2|3|sim|DEVICE|ftdi[:SERIAL]|pickit2[:SERIAL]");
    app.add_option("--sim-chip", raw.simchip,
                   "With --port sim: the simulated chip's memory file, read when it exists and written back\n"
                   "after each run (default: one file per model in the user's data folder)")
        ->type_name("FILE");
    app.add_option("--sim-speed", raw.simspeed,
                   "With --port sim: real (default) waits as a real chip would; instant lets waits pass\n"
                   "on a virtual clock, with the same checks")
        ->type_name("real|instant");
    app.add_option("--sim-part", o.simpart,
                   "With --port sim: the part in the socket instead of the model's own, or 'empty' for none")
        ->type_name("NAME|empty");
    app.add_flag("--wait", o.wait,
                 "With --port sim: when another program's run has the chip file, wait until it has ended\n"
                 "(default: end at once, exit status 4)");
    app.add_flag("--ignore-id", o.ignoreid,
                 "Go on when the chip's device ID is not the model's (or no chip answers)");
    app.add_option("--progtime", o.progtime, "Programming time for this run, from the model's write time up to 30 ms")
        ->type_name("MS")
        ->check(CLI::Range(k_progtime_min_ms, k_progtime_max_ms).description(""));
    app.add_option("--clock-delay", o.clockdelay_us, "Minimum CLOCK half-period for this run, 0 to 1000 us")
        ->type_name("US")
        ->check(CLI::Range(0, k_clock_delay_max_us).description(""));
    app.add_option("--step-rate", o.steprate,
                   "With --port ftdi: the adapter's steps per second for this run, 1000 to 750000\n"
                   "(default: the saved rate, 150000 at first)")
        ->type_name("STEPS")
        ->check(CLI::Range(k_step_rate_min, k_step_rate_max).description(""));
    app.add_option("--trace", o.trace, "Record the programmer lines as a VCD waveform")->type_name("FILE.vcd");
    app.add_flag("--default-hardware", o.defaulthardware, "Ignore the saved pins and inversions and use the defaults");
    CLI::Option* quiet = app.add_flag("-q,--quiet", o.quiet, "Print nothing but errors");
    CLI::Option* verbose = app.add_flag("-v,--verbose", o.verbose, "Also print every status-line text");
    quiet->excludes(verbose);
    app.add_flag("--json", o.json,
                 "Print one JSON object with the outcome on standard output (the texts go to standard error)");

    const Commands commands = addcommands(app, o);

    // CLI11 reports through exceptions; they are turned into texts and a status here, once.
    std::ostringstream out;
    std::ostringstream err;
    try {
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        ParsedCommandLine parsed;
        app.exit(e, out, err);
        parsed.out = out.str();
        return parsed;
    } catch (const CLI::CallForVersion& e) {
        ParsedCommandLine parsed;
        app.exit(e, out, err);
        parsed.out = out.str();
        return parsed;
    } catch (const CLI::ParseError& e) {
        return usageerror(e.what());
    }

    std::optional<CliCommand> command = chosencommand(commands);
    if (!command) return usageerror("no command given.");
    o.command = *command;
    return finish(std::move(raw), app);
}

}  // namespace vornalt
