#include "cli/cli_run.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/file_io.h"
#include "cli/json_report.h"
#include "cli/model_choice.h"
#include "cli/terminal_window.h"
#include "session/port_choice.h"
#include "session/production.h"
#include "session/run_settings.h"
#include "session/session.h"
#include "session/session_start.h"
#include "session/stop_signals.h"

namespace vornalt {
namespace {

Verbosity verbosityof(const CliOptions& options) {
    if (options.quiet) return Verbosity::quiet;
    return options.verbose ? Verbosity::verbose : Verbosity::normal;
}

// A value as the messages show it: upper-case hex digits, at least `width` of them.
std::string hexdigits(std::int32_t value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", width, static_cast<unsigned>(value));
    return text;
}

std::string signalname(int signal) {
    if (signal == SIGINT) return "SIGINT";
    if (signal == SIGTERM) return "SIGTERM";
    return "signal " + std::to_string(signal);
}

// One run: the catalogue and settings, then the session that wires the programmer stack.
class CliRun {
public:
    CliRun(const CliOptions& options, Terminal terminal, const DataFolderEnvironment& folders, StopSignals& signals)
        : options_(options),
          terminal_(terminal),
          folders_(folders),
          signals_(signals),
          // With "-o -" standard output carries the HEX text alone; the status texts go to
          // standard error.
          textout_(options.output == k_standard_output || options.json ? terminal.err : terminal.out),
          window_(textout_, terminal.err, verbosityof(options), terminal.erristerminal) {}

    ExitStatus run();

private:
    ExitStatus execute();
    JsonReport jsonreport(ExitStatus status) const;
    ExitStatus fail(ExitStatus status, const std::string& why);
    ExitStatus loadcatalogue();
    ExitStatus choosemodel();
    ExitStatus loadfile();
    ExitStatus savefile();
    ExitStatus configcommand();
    ExitStatus repeatprogram(const StopSignals& signals);
    ExitStatus setconfigfields(bool apply);
    ExitStatus openport();
    SessionOptions sessionoptions() const;
    ExitStatus portcommand();
    ExitStatus runoperation(ChipOperation operation, const StopSignals& signals);
    ExitStatus finishport(ExitStatus status);
    ExitStatus identify();
    void printendtext();

    const CliOptions& options_;
    Terminal terminal_;
    const DataFolderEnvironment& folders_;
    StopSignals& signals_;
    std::ostream& textout_;
    TerminalWindow window_;

    // Filled by loadcatalogue, then handed to the session.
    Startup started_;

    std::unique_ptr<RunSettings> settings_;
    std::unique_ptr<Session> session_;
    std::optional<DeviceIdentity> identity_;  // what identify read
    bool endtextprinted_ = false;
};

ExitStatus CliRun::fail(ExitStatus status, const std::string& why) {
    window_.report(why);
    return status;
}

ExitStatus CliRun::loadcatalogue() {
    // Without --catalogue exactly where the desktop program looks: beside the program, then the
    // installed data.
    Result<Startup> started =
        options_.catalogue.empty() ? start_program() : start_program_with_catalogue(options_.catalogue);
    if (!started) return fail(ExitStatus::bad_input, started.error().message);
    started_ = std::move(started).value();
    return ExitStatus::success;
}

// The model of this run: --model, else the saved one as the load sequence picks it (model 1
// when the saved number names none). The session is built for it and applies it once here to
// find out whether the catalogue's record can be used at all, before anything reaches the port.
ExitStatus CliRun::choosemodel() {
    std::int32_t number = 0;
    bool savedmodel = false;
    if (!options_.model.empty()) {
        Result<std::int32_t> found = findmodel(started_.catalogue, options_.model);
        if (!found) return fail(ExitStatus::usage, "vornalt-cli: " + found.error().message);
        number = found.value();
    } else {
        number = settings_->saved_model(started_.catalogue.modelcount);
        savedmodel = true;
    }
    settings_->choose_model(number);
    session_ = std::make_unique<Session>(window_, settings_->store(), std::move(started_.state),
                                         std::move(started_.catalogue), sessionoptions());
    const Status applied = session_->apply_model(number);
    if (!applied) return fail(ExitStatus::bad_input, applied.error().message);
    // Nothing on the command line named the model, so the chip may not be the one meant.
    if (savedmodel && !options_.quiet) terminal_.err << "Model " << printable(session_->model_name()) << " (saved setting)\n";
    return ExitStatus::success;
}

ExitStatus CliRun::loadfile() {
    // The loader's message says what failed.
    return session_->load_hex_file(options_.input) ? ExitStatus::success : ExitStatus::bad_input;
}

// "config": the image's words (erased, or a HEX file's) or the given ones, decoded.
ExitStatus CliRun::configcommand() {
    if (!options_.input.empty()) {
        const ExitStatus loaded = loadfile();
        if (loaded != ExitStatus::success) return loaded;
    }
    ConfigBits bits = session_->config_bits();
    Status given = bits.set_words(options_.configwords);
    if (!given) return fail(ExitStatus::usage, "vornalt-cli: config: " + given.error().message);
    terminal_.out << bits.table();
    terminal_.out << "ID words: " << session_->id_words_text() << '\n';
    terminal_.out.flush();
    return ExitStatus::success;
}

// program --config: checked once the model is known, before the port is touched, then applied
// to the loaded image.
ExitStatus CliRun::setconfigfields(bool apply) {
    if (options_.configfields.empty()) return ExitStatus::success;
    ConfigBits bits = session_->config_bits();
    Status set = bits.set_fields(options_.configfields);
    if (!set) return fail(ExitStatus::usage, "vornalt-cli: --config: " + set.error().message);
    if (!apply) return ExitStatus::success;
    session_->set_config_words(bits.words());
    window_.message("--config: " + bits.summary() + ".");
    return ExitStatus::success;
}

// program --repeat: the batch's chips one after another, each after an Enter; counters after
// each chip. Ends at "q", at the end of the input or on a signal; fails when any chip failed.
ExitStatus CliRun::repeatprogram(const StopSignals& signals) {
    ProductionSetup setup;
    setup.hexfile = options_.input;
    setup.logfile = options_.logfile;
    setup.serialat = options_.serialat;
    setup.serial = std::max<std::int64_t>(options_.serial, 0);
    setup.configfields = options_.configfields;
    Production batch(*session_);
    if (Status started = batch.start(setup); !started) {
        return fail(ExitStatus::bad_input, "vornalt-cli: program --repeat: " + started.error().message);
    }
    window_.message(batch.start_message());
    std::ostream& out = terminal_.out;
    const ProductionCounts& counts = batch.counts();
    while (signals.received() == 0) {
        out << "Chip " << counts.total() + 1;
        if (batch.serials()) out << " (serial " << batch.next_serial() << ")";
        out << ": insert it and press Enter, or q and Enter to end." << std::endl;
        std::string line;
        if (terminal_.in == nullptr || !std::getline(*terminal_.in, line) || line == "q" || line == "Q") break;
        const ChipRecord& chip = batch.next_chip();
        out << (chip.passed ? "PASS" : "FAIL") << "  " << terminaltext(chip.message) << "\n";
        out << "passed " << counts.passed << ", failed " << counts.failed << ", total " << counts.total() << std::endl;
        if (!batch.last_log()) return fail(ExitStatus::bad_input, batch.last_log().error().message);
    }
    if (batch.serials()) out << "Next serial: " << batch.next_serial() << std::endl;
    return counts.failed == 0 ? ExitStatus::success : ExitStatus::chip_failed;
}

ExitStatus CliRun::savefile() {
    const bool tostdout = options_.output == k_standard_output;
    const std::string where = tostdout ? "standard output" : options_.output;
    // A stop asked for before the save begins: nothing is written.
    if (signals_.received() != 0) {
        return fail(ExitStatus::chip_failed,
                    "Stopped by " + signalname(signals_.received()) + ": nothing was written to " + where + ".");
    }
    ExitStatus status = ExitStatus::success;
    if (tostdout) {
        Result<std::string> text = session_->hex_text();
        if (!text) return fail(ExitStatus::bad_input, text.error().message);
        terminal_.out << text.value();
        terminal_.out.flush();
        if (!terminal_.out) status = fail(ExitStatus::bad_input, "Standard output cannot be written.");
    } else {
        WriteOptions stoppable;
        stoppable.giveup = [this] { return signals_.received() != 0; };
        if (Status saved = session_->save_hex_file(options_.output, std::move(stoppable)); !saved) {
            window_.message(saved.error().message);
            status = ExitStatus::bad_input;
        }
    }
    // A stop that came during the save is never success, even when the text went out whole.
    if (signals_.received() != 0) {
        return fail(ExitStatus::chip_failed, "Stopped by " + signalname(signals_.received()) + " while saving to " +
                                                 where + (status == ExitStatus::success ? "; everything had been written." : "."));
    }
    return status;
}

SessionOptions CliRun::sessionoptions() const {
    SessionOptions session;
    session.datafolders = folders_;
    session.tracefile = options_.trace;
    // The terminal reports the port the way the desktop's parallel port does, simulated or not.
    session.simulatedstatus = false;
    session.backend = options_.port.backend.kind;
    session.device = options_.port.backend.argument;
    if (options_.port.kind == PortKind::sim) {
        session.simchipfile = options_.simchip;
        session.simpart = options_.simpart;
        session.virtualclock = options_.simspeed == SimSpeed::instant;
        session.waitforchip = options_.wait;
    }
    session.lockholder = "vornalt-cli";
    return session;
}

// The chip file and the trace file are checked before the load sequence moves any line.
ExitStatus CliRun::openport() {
    session_->set_ignore_device_id(options_.ignoreid);
    if (session_->simulated()) {
        if (!options_.simpart.empty() && options_.simpart != k_empty_socket && !simulated_part_known(options_.simpart)) {
            return fail(ExitStatus::bad_input, "--sim-part: the simulator has no part called " + options_.simpart + ".");
        }
        Status inserted = session_->model_changed();
        if (!inserted) {
            std::string why = inserted.error().message;
            if (options_.simchip.empty()) why += " Name another chip file with --sim-chip FILE.";
            return fail(ExitStatus::bad_input, why);
        }
    }
    Status tracing = session_->start_trace();
    if (!tracing) return fail(ExitStatus::bad_input, tracing.error().message);
    return ExitStatus::success;
}

ExitStatus CliRun::runoperation(ChipOperation operation, const StopSignals& signals) {
    const RunOutcome outcome = session_->run(operation);
    switch (outcome) {
    case RunOutcome::notstarted:
        if (session_->last_run().chip_in_use) {
            return fail(ExitStatus::port_unavailable, "Add --wait to wait for it instead.");
        }
        return ExitStatus::port_unavailable;
    case RunOutcome::succeeded: return ExitStatus::success;
    case RunOutcome::failed: break;
    }
    printendtext();
    // The chip file could not hold what the run did: a file that cannot be written.
    const RunReport report = session_->last_run();
    if (report.chip_save_failed) return ExitStatus::bad_input;
    if (signals.received() != 0) {
        return fail(ExitStatus::chip_failed, "Stopped by " + signalname(signals.received()) +
                                                 ": the run ended early with VDD and VPP off.");
    }
    // A chip that is not the model's, or no chip: nothing was written.
    if (report.device_id_refused) {
        std::string found;
        for (const std::string& part : session_->refused_id_parts()) found += (found.empty() ? "" : " or ") + part;
        if (!found.empty()) found = "The chip in the socket is a " + printable(found) + ". ";
        return fail(ExitStatus::chip_failed,
                    found + "Nothing was written. Add --ignore-id to go on with this chip anyway.");
    }
    // The programmer went away during the run (an adapter pulled out): the port, not the script.
    if (!session_->port_status().available) return ExitStatus::port_unavailable;
    // A run the engine had to stop by itself met a script it cannot carry out: the catalogue
    // is at fault, and the engine's message says where.
    return report.script_stopped ? ExitStatus::bad_input : ExitStatus::chip_failed;
}

// The ID is the answer: it goes to standard output. No chip, or an ID no model has, is a check
// that failed.
ExitStatus CliRun::identify() {
    Result<DeviceIdentity> found = session_->identify();
    if (!found) return fail(signals_.received() != 0 ? ExitStatus::chip_failed : ExitStatus::bad_input, found.error().message);
    identity_ = found.value();
    textout_ << printable(found.value().text) << '\n';
    textout_.flush();
    endtextprinted_ = true;
    return found.value().parts.empty() ? ExitStatus::chip_failed : ExitStatus::success;
}

ExitStatus CliRun::finishport(ExitStatus status) {
    Status finished = session_->finish();
    if (finished) return status;
    window_.message(finished.error().message);
    return worse(status, ExitStatus::bad_input);
}

void CliRun::printendtext() {
    if (endtextprinted_) return;
    endtextprinted_ = true;
    // Verbose runs have printed every status text as it came, the end text last.
    if (options_.quiet || options_.verbose || window_.status().empty()) return;
    textout_ << printable(window_.status()) << '\n';
    textout_.flush();
}

ExitStatus CliRun::portcommand() {
    if (options_.port.kind == PortKind::number) settings_->choose_port(options_.port.number);
    if (options_.clockdelay_us) settings_->choose_clock_delay(*options_.clockdelay_us);
    if (options_.steprate) settings_->choose_step_rate(*options_.steprate);
    if (options_.defaulthardware) settings_->use_default_hardware();

    ExitStatus status = openport();
    if (status != ExitStatus::success) return status;

    // From here on a signal stops the run at its next step instead of ending the process with
    // the chip powered; one that came earlier stops it at its first.
    session_->attach_stop_signals(signals_);
    const StopSignals& signals = signals_;
    session_->formload();
    // The load sequence names the port by its number; a device path is what was asked for.
    if (const PortStatus port = session_->port_status(); options_.port.kind == PortKind::device && !port.available) {
        std::string why = "Port " + options_.port.device + " not available.";
        if (!port.reason.empty()) why += " " + port.reason;
        return finishport(fail(ExitStatus::port_unavailable, why));
    }
    if (options_.progtime) {
        if (const Status set = session_->set_programming_time(*options_.progtime); !set) {
            return finishport(fail(ExitStatus::usage, "--progtime: " + set.error().message));
        }
    }

    switch (options_.command) {
    case CliCommand::program:
        if (options_.repeat) {
            status = repeatprogram(signals);
            break;
        }
        status = loadfile();
        if (status == ExitStatus::success) status = setconfigfields(true);
        if (status == ExitStatus::success) status = runoperation(ChipOperation::programall, signals);
        break;
    case CliCommand::verify:
        status = loadfile();
        if (status == ExitStatus::success) status = runoperation(ChipOperation::verify, signals);
        break;
    case CliCommand::read:
        status = runoperation(ChipOperation::readall, signals);
        if (status == ExitStatus::success) {
            status = savefile();
        } else if (status != ExitStatus::port_unavailable) {
            const std::string where = options_.output == k_standard_output ? "standard output" : options_.output;
            window_.report("Nothing was written to " + where + ": the chip was not read completely.");
        }
        break;
    case CliCommand::erase: status = runoperation(ChipOperation::eraseall, signals); break;
    case CliCommand::blankcheck: status = runoperation(ChipOperation::blankcheck, signals); break;
    case CliCommand::identify: status = identify(); break;
    default: break;
    }
    if (status == ExitStatus::success) printendtext();
    return finishport(status);
}

ExitStatus CliRun::run() {
    const auto started = std::chrono::steady_clock::now();
    const ExitStatus status = execute();
    // Quiet runs print their messages only when they say why the run failed.
    if (status != ExitStatus::success) window_.releaseheld();
    if (options_.json) {
        JsonReport report = jsonreport(status);
        report.duration_ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
        terminal_.out << jsontext(report) << '\n';
        terminal_.out.flush();
    }
    return status;
}

JsonReport CliRun::jsonreport(ExitStatus status) const {
    JsonReport report;
    report.command = commandname(options_.command);
    report.exitstatus = exitcode(status);
    report.endtext = window_.status();
    report.messages = window_.said();
    if (usesport(options_.command)) {
        switch (options_.port.kind) {
        case PortKind::saved: report.port = "saved"; break;
        case PortKind::number: report.port = std::to_string(options_.port.number); break;
        case PortKind::sim: report.port = "sim"; break;
        case PortKind::device: report.port = options_.port.device; break;
        }
    }
    report.result = status == ExitStatus::success ? "succeeded" : status == ExitStatus::chip_failed ? "failed" : "error";
    if (session_ == nullptr) return report;
    report.model = session_->model_name();
    const RunReport run = session_->last_run();
    if (signals_.received() != 0) report.result = "stopped";
    if (run.device_id_refused) report.result = "refused";
    if (run.check.address >= 0) {
        const auto hex = [&run](std::int32_t value) { return hexdigits(value, run.check.byte ? 2 : 4); };
        report.check = JsonCheck{run.check.blank ? "blankcheck" : "verify", hexdigits(run.check.address, 4),
                                 hex(run.check.read), run.check.blank ? std::string() : hex(run.check.expected)};
    }
    if (identity_) {
        report.deviceid = hexdigits(identity_->id, 4);
        report.parts = identity_->parts;
    }
    return report;
}

ExitStatus CliRun::execute() {
    ExitStatus status = loadcatalogue();
    if (status != ExitStatus::success) return status;
    for (const std::string& warning : started_.catalogue.warnings) window_.report("Warning: " + warning);
    if (signals_.received() != 0) {
        return fail(ExitStatus::chip_failed, "Stopped by " + signalname(signals_.received()) + " before the run began.");
    }
    if (options_.command == CliCommand::models) {
        terminal_.out << modellisting(started_.catalogue);
        terminal_.out.flush();
        return ExitStatus::success;
    }

    // Read through, never written: a command-line run leaves the desktop program's settings alone.
    settings_ = RunSettings::saved_read_only();
    status = choosemodel();
    if (status == ExitStatus::success) status = setconfigfields(false);
    if (status != ExitStatus::success) return status;

    switch (options_.command) {
    case CliCommand::check: return loadfile();
    case CliCommand::config: return configcommand();
    case CliCommand::convert:
        status = loadfile();
        return status == ExitStatus::success ? savefile() : status;
    default: return portcommand();
    }
}

}  // namespace

ExitStatus runcli(const CliOptions& options, Terminal terminal, const DataFolderEnvironment& folders,
                  StopSignals& signals) {
    // The run's records are large (a whole memory image); they live on the heap, not the stack.
    auto run = std::make_unique<CliRun>(options, terminal, folders, signals);
    return run->run();
}

}  // namespace vornalt
