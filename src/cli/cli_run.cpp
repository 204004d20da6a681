#include "cli/cli_run.h"

#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/app_state.h"
#include "app/application_folder.h"
#include "app/chip_operations.h"
#include "app/clear_buffer.h"
#include "app/config_table.h"
#include "app/hex_file_commands.h"
#include "app/startup.h"
#include "base/numeric_value.h"
#include "catalogue/catalogue.h"
#include "cli/model_choice.h"
#include "cli/settings_overlay.h"
#include "cli/terminal_window.h"
#include "image/hex_writer.h"
#include "programmer/parallel_backend.h"
#include "session/session.h"
#include "session/stop_signals.h"
#include "sim/chip_model.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"
#if defined(VORNALT_HAVE_QT_SETTINGS)
#include "settings/qt_settings_backend.h"
#elif defined(VORNALT_HAVE_REGISTRY_SETTINGS)
#include "settings/registry_settings_backend.h"
#endif

namespace vornalt {
namespace {

Verbosity verbosityof(const CliOptions& options) {
    if (options.quiet) return Verbosity::quiet;
    return options.verbose ? Verbosity::verbose : Verbosity::normal;
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
          window_(terminal.out, terminal.err, verbosityof(options), terminal.erristerminal) {}

    ExitStatus run();

private:
    ExitStatus execute();
    ExitStatus fail(ExitStatus status, const std::string& why);
    ExitStatus loadcatalogue();
    ExitStatus choosemodel();
    ExitStatus loadfile();
    ExitStatus savefile();
    ExitStatus configcommand();
    ExitStatus setconfigfields(bool apply);
    ExitStatus openport();
    SessionOptions sessionoptions() const;
    ExitStatus portcommand();
    ExitStatus runoperation(ChipOperation operation, const StopSignals& signals);
    ExitStatus finishport(ExitStatus status);
    void printendtext();

    const CliOptions& options_;
    Terminal terminal_;
    const DataFolderEnvironment& folders_;
    StopSignals& signals_;
    TerminalWindow window_;

    // Filled by loadcatalogue, then handed to the session.
    AppState app_;
    DeviceCatalogue catalogue_;

    std::unique_ptr<SettingsBackend> saved_;
    std::unique_ptr<SettingsOverlay> overlay_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<Session> session_;
    bool endtextprinted_ = false;
};

ExitStatus CliRun::fail(ExitStatus status, const std::string& why) {
    window_.report(why);
    return status;
}

ExitStatus CliRun::loadcatalogue() {
    if (options_.catalogue.empty()) {
        // Exactly where the desktop program looks: beside the program, then the installed data.
        Result<Startup> started = startup();
        if (!started) return fail(ExitStatus::bad_input, started.error().message);
        app_ = std::move(started.value().state);
        catalogue_ = std::move(started.value().catalogue);
        return ExitStatus::success;
    }
    Result<DeviceCatalogue> loaded = vornalt::loadcatalogue(options_.catalogue);
    if (!loaded) return fail(ExitStatus::bad_input, loaded.error().message);
    catalogue_ = std::move(loaded).value();
    if (Result<std::string> program = programpath()) app_.applicationfolder = applicationfolder(program.value(), k_windows_rules);
    return ExitStatus::success;
}

// The model of this run: --model, else the saved one as the load sequence picks it (model 1
// when the saved number names none). It is applied here once to find out whether the
// catalogue's record can be used at all, before anything reaches the port.
ExitStatus CliRun::choosemodel() {
    std::int32_t number = 0;
    if (!options_.model.empty()) {
        Result<std::int32_t> found = findmodel(session_->catalogue(), options_.model);
        if (!found) return fail(ExitStatus::usage, "vornalt-cli: " + found.error().message);
        number = found.value();
    } else {
        number = numericvalue(settings_->readsetting(k_setting_model, settingdefault(k_setting_model)));
        if (number < 1 || number > session_->catalogue().modelcount) number = 1;
    }
    overlay_->override(k_setting_model, std::to_string(number));
    Status applied = applymodel(session_->catalogue(), number, session_->model(), session_->image());
    if (!applied) return fail(ExitStatus::bad_input, applied.error().message);
    session_->app().selectedmodel = number;
    menuclear(session_->app(), session_->model(), session_->image(), window_);
    return ExitStatus::success;
}

ExitStatus CliRun::loadfile() {
    const SplitPath parts = splitpath(options_.input);
    AppState& app = session_->app();
    app.lastpath = parts.folder;
    openhexfile(app, session_->model(), session_->image(), window_, parts.name);
    // The loader names the file only after a load without error; its message says what failed.
    return app.label_hex.empty() ? ExitStatus::bad_input : ExitStatus::success;
}

// "config": the image's words (erased, or a HEX file's) or the given ones, decoded.
ExitStatus CliRun::configcommand() {
    MemoryImage& image = session_->image();
    ConfigWords words{image.config1word, image.config2word};
    if (!options_.input.empty()) {
        const ExitStatus loaded = loadfile();
        if (loaded != ExitStatus::success) return loaded;
        words = {image.config1word, image.config2word};
    }
    Status given = parseconfigwords(options_.configwords, session_->model(), words);
    if (!given) return fail(ExitStatus::usage, "vornalt-cli: config: " + given.error().message);
    terminal_.out << configtable(session_->model(), words);
    terminal_.out.flush();
    return ExitStatus::success;
}

// program --config: checked once the model is known, before the port is touched, then applied
// to the loaded image.
ExitStatus CliRun::setconfigfields(bool apply) {
    if (options_.configfields.empty()) return ExitStatus::success;
    MemoryImage& image = session_->image();
    ConfigWords words{image.config1word, image.config2word};
    Status set = setfields(session_->model().configfields, options_.configfields, words);
    if (!set) return fail(ExitStatus::usage, "vornalt-cli: --config: " + set.error().message);
    if (!apply) return ExitStatus::success;
    image.config1word = words[0];
    if (image.config2word >= 0) image.config2word = words[1];
    window_.message("--config: " + decodesummary(session_->model().configfields, words) + ".");
    return ExitStatus::success;
}

ExitStatus CliRun::savefile() {
    Status saved = savehex(options_.output, session_->image(), session_->model().config2used);
    if (!saved) {
        window_.message(saved.error().message);
        return ExitStatus::bad_input;
    }
    return ExitStatus::success;
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
    }
    return session;
}

// The chip file and the trace file are checked before the load sequence moves any line.
ExitStatus CliRun::openport() {
    session_->engine().ignoredeviceid = options_.ignoreid;
    if (session_->simulated()) {
        if (!options_.simpart.empty() && options_.simpart != k_empty_socket && findchipmodel(options_.simpart) == nullptr) {
            return fail(ExitStatus::bad_input, "--sim-part: the simulator has no part called " + options_.simpart + ".");
        }
        Status inserted = session_->modelchanged();
        if (!inserted) {
            std::string why = inserted.error().message;
            if (options_.simchip.empty()) why += " Name another chip file with --sim-chip FILE.";
            return fail(ExitStatus::bad_input, why);
        }
    }
    Status tracing = session_->starttrace();
    if (!tracing) return fail(ExitStatus::bad_input, tracing.error().message);
    return ExitStatus::success;
}

ExitStatus CliRun::runoperation(ChipOperation operation, const StopSignals& signals) {
    const RunOutcome outcome = session_->run(operation);
    switch (outcome) {
    case RunOutcome::notstarted: return ExitStatus::port_unavailable;
    case RunOutcome::succeeded: return ExitStatus::success;
    case RunOutcome::failed: break;
    }
    printendtext();
    // The chip file could not hold what the run did: a file that cannot be written.
    if (session_->chipsavefailed()) return ExitStatus::bad_input;
    if (signals.received() != 0) {
        return fail(ExitStatus::chip_failed, "Stopped by " + signalname(signals.received()) +
                                                 ": the run ended early with VDD and VPP off.");
    }
    // A chip that is not the model's, or no chip: nothing was written.
    if (session_->engine().deviceidrefused) {
        return fail(ExitStatus::chip_failed, "Nothing was written. Add --ignore-id to go on with this chip anyway.");
    }
    // A run the engine had to stop by itself met a script it cannot carry out: the catalogue
    // is at fault, and the engine's message says where.
    return session_->engine().runstopped ? ExitStatus::bad_input : ExitStatus::chip_failed;
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
    terminal_.out << printable(window_.status()) << '\n';
    terminal_.out.flush();
}

ExitStatus CliRun::portcommand() {
    if (options_.port.kind == PortKind::number) {
        overlay_->override(k_setting_portaddress, std::to_string(portaddressof(options_.port.number)));
    }
    if (options_.clockdelay_us) overlay_->override(k_setting_clockdelay, std::to_string(*options_.clockdelay_us));
    if (options_.defaulthardware) usedefaulthardware(*overlay_);

    ExitStatus status = openport();
    if (status != ExitStatus::success) return status;

    // From here on a signal stops the run at its next step instead of ending the process with
    // the chip powered; one that came earlier stops it at its first.
    signals_.attach(session_->stop());
    const StopSignals& signals = signals_;
    session_->formload();
    // The load sequence names the port by its number; a device path is what was asked for.
    if (options_.port.kind == PortKind::device && !session_->slot().io().available()) {
        std::string why = "Port " + options_.port.device + " not available.";
        if (const std::string reason = session_->slot().io().reason(); !reason.empty()) why += " " + reason;
        return finishport(fail(ExitStatus::port_unavailable, why));
    }
    if (options_.progtime) session_->model().progtime = *options_.progtime;

    switch (options_.command) {
    case CliCommand::program:
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
            window_.report("Nothing was written to " + options_.output + ": the chip was not read completely.");
        }
        break;
    case CliCommand::erase: status = runoperation(ChipOperation::eraseall, signals); break;
    case CliCommand::blankcheck: status = runoperation(ChipOperation::blankcheck, signals); break;
    default: break;
    }
    if (status == ExitStatus::success) printendtext();
    return finishport(status);
}

ExitStatus CliRun::run() {
    const ExitStatus status = execute();
    // Quiet runs print their messages only when they say why the run failed.
    if (status != ExitStatus::success) window_.releaseheld();
    return status;
}

ExitStatus CliRun::execute() {
    ExitStatus status = loadcatalogue();
    if (status != ExitStatus::success) return status;
    for (const std::string& warning : catalogue_.warnings) window_.report("Warning: " + warning);
    if (signals_.received() != 0) {
        return fail(ExitStatus::chip_failed, "Stopped by " + signalname(signals_.received()) + " before the run began.");
    }
    if (options_.command == CliCommand::models) {
        terminal_.out << modellisting(catalogue_);
        terminal_.out.flush();
        return ExitStatus::success;
    }

#if defined(VORNALT_HAVE_QT_SETTINGS)
    saved_ = usersettingsbackend();
#elif defined(VORNALT_HAVE_REGISTRY_SETTINGS)
    // Where the desktop program's QSettings keeps them on Windows.
    saved_ = registrysettingsbackend();
#else
    // Without a settings store every setting reads as its default.
    saved_ = std::make_unique<MemorySettingsBackend>();
#endif
    overlay_ = std::make_unique<SettingsOverlay>(*saved_);
    settings_ = std::make_unique<SettingsStore>(*overlay_);
    session_ = std::make_unique<Session>(window_, *settings_, std::move(app_), std::move(catalogue_), sessionoptions());

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
