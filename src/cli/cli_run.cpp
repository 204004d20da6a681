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
#include "app/hex_file_commands.h"
#include "app/load_sequence.h"
#include "app/port_slot.h"
#include "app/startup.h"
#include "base/numeric_value.h"
#include "catalogue/catalogue.h"
#include "cli/model_choice.h"
#include "cli/programmer_port.h"
#include "cli/settings_overlay.h"
#include "cli/stop_signals.h"
#include "cli/terminal_window.h"
#include "engine/engine_state.h"
#include "engine/stop_request.h"
#include "image/hex_writer.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"
#ifdef VORNALT_HAVE_QT_SETTINGS
#include "settings/qt_settings_backend.h"
#endif

namespace vornalt {
namespace {

Verbosity verbosityof(const CliOptions& options) {
    if (options.quiet) return Verbosity::quiet;
    return options.verbose ? Verbosity::verbose : Verbosity::normal;
}

std::int32_t portaddressof(std::int32_t number) {
    for (const PortChoice& choice : k_port_choices) {
        if (choice.number == number) return choice.portaddress;
    }
    return 0;
}

std::string signalname(int signal) {
    if (signal == SIGINT) return "SIGINT";
    if (signal == SIGTERM) return "SIGTERM";
    return "signal " + std::to_string(signal);
}

// Everything one run puts together, in the order it is built (and torn down in reverse: the
// driver lets go of the port before the port goes).
class CliRun {
public:
    CliRun(const CliOptions& options, Terminal terminal, const DataFolderEnvironment& folders)
        : options_(options),
          terminal_(terminal),
          folders_(folders),
          window_(terminal.out, terminal.err, verbosityof(options), terminal.erristerminal) {}

    ExitStatus run();

private:
    ExitStatus execute();
    ExitStatus fail(ExitStatus status, const std::string& why);
    ExitStatus loadcatalogue();
    ExitStatus choosemodel();
    ExitStatus loadfile();
    ExitStatus savefile();
    ExitStatus openport(std::int32_t portaddress);
    ExitStatus portcommand();
    ExitStatus runoperation(ChipOperation operation, const StopSignals& signals);
    ExitStatus finishport(ExitStatus status);
    void printendtext();

    const CliOptions& options_;
    Terminal terminal_;
    const DataFolderEnvironment& folders_;
    TerminalWindow window_;

    AppState app_;
    DeviceCatalogue catalogue_;
    AppliedModel model_;
    MemoryImage image_;
    DriverState driverstate_;
    EngineState engine_;
    StopRequest stop_;

    std::unique_ptr<SettingsBackend> saved_;
    std::unique_ptr<SettingsOverlay> overlay_;
    std::unique_ptr<SettingsStore> settings_;

    RealClock realclock_;
    VirtualClock virtualclock_;
    Clock* clock_ = &realclock_;
    std::unique_ptr<ProgrammerPort> port_;
    std::unique_ptr<PortSlot> slot_;
    std::unique_ptr<EventPump> pump_;
    std::unique_ptr<PortDriver> driver_;
    std::unique_ptr<Transfers> transfers_;
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
        Result<std::int32_t> found = findmodel(catalogue_, options_.model);
        if (!found) return fail(ExitStatus::usage, "vornalt-cli: " + found.error().message);
        number = found.value();
    } else {
        number = numericvalue(settings_->readsetting(k_setting_model, settingdefault(k_setting_model)));
        if (number < 1 || number > catalogue_.modelcount) number = 1;
    }
    overlay_->override(k_setting_model, std::to_string(number));
    Status applied = applymodel(catalogue_, number, model_, image_);
    if (!applied) return fail(ExitStatus::bad_input, applied.error().message);
    app_.selectedmodel = number;
    menuclear(app_, model_, image_, window_);
    return ExitStatus::success;
}

ExitStatus CliRun::loadfile() {
    const SplitPath parts = splitpath(options_.input);
    app_.lastpath = parts.folder;
    openhexfile(app_, model_, image_, window_, parts.name);
    // The loader names the file only after a load without error; its message says what failed.
    return app_.label_hex.empty() ? ExitStatus::bad_input : ExitStatus::success;
}

ExitStatus CliRun::savefile() {
    Status saved = savehex(options_.output, image_, model_.config2used);
    if (!saved) {
        window_.message(saved.error().message);
        return ExitStatus::bad_input;
    }
    return ExitStatus::success;
}

ExitStatus CliRun::openport(std::int32_t portaddress) {
    port_ = std::make_unique<ProgrammerPort>(*clock_, driverstate_);
    if (options_.port.kind == PortKind::sim) {
        std::string chipfile = options_.simchip;
        if (chipfile.empty() && findchipmodel(model_.modelname) != nullptr) {
            Result<std::string> folder = simchipfolder(folders_, k_windows_rules);
            if (!folder) return fail(ExitStatus::bad_input, folder.error().message);
            chipfile = folder.value() + (k_windows_rules ? "\\" : "/") + simchipfilename(model_.modelname);
        }
        Status opened = port_->opensim(model_.modelname, portaddress, chipfile);
        if (!opened) return fail(ExitStatus::bad_input, opened.error().message);
        if (port_->socketempty()) {
            window_.report("The simulator has no chip called " + model_.modelname +
                           ": its socket stays empty, so nothing will answer.");
        }
    } else {
        port_->openreal(options_.port, portaddress);
    }
    if (!options_.trace.empty()) {
        Status tracing = port_->starttrace(options_.trace);
        if (!tracing) return fail(ExitStatus::bad_input, tracing.error().message);
    }
    slot_ = std::make_unique<PortSlot>(port_->opener());
    pump_ = std::make_unique<EventPump>(window_, *clock_);
    driver_ = std::make_unique<PortDriver>(driverstate_, slot_->io(), *pump_, *clock_);
    transfers_ = std::make_unique<Transfers>(*driver_, *pump_, *clock_);
    return ExitStatus::success;
}

ExitStatus CliRun::runoperation(ChipOperation operation, const StopSignals& signals) {
    const RunOutcome outcome = vornalt::runoperation(
        operation, {app_, engine_, image_, model_, *driver_, *transfers_, *clock_, window_, *pump_, stop_});
    switch (outcome) {
    case RunOutcome::notstarted: return ExitStatus::port_unavailable;
    case RunOutcome::succeeded: return ExitStatus::success;
    case RunOutcome::failed: break;
    }
    printendtext();
    if (signals.received() != 0) {
        return fail(ExitStatus::chip_failed, "Stopped by " + signalname(signals.received()) +
                                                 ": the run ended early with VDD and VPP off.");
    }
    // A run the engine had to stop by itself met a script it cannot carry out: the catalogue
    // is at fault, and the engine's message says where.
    return engine_.runstopped ? ExitStatus::bad_input : ExitStatus::chip_failed;
}

ExitStatus CliRun::finishport(ExitStatus status) {
    if (!port_) return status;
    Status finished = port_->finish();
    if (finished) return status;
    window_.message(finished.error().message);
    return worse(status, ExitStatus::bad_input);
}

void CliRun::printendtext() {
    if (endtextprinted_) return;
    endtextprinted_ = true;
    // Verbose runs have printed every status text as it came, the end text last.
    if (options_.quiet || options_.verbose || window_.status().empty()) return;
    terminal_.out << window_.status() << '\n';
    terminal_.out.flush();
}

ExitStatus CliRun::portcommand() {
    std::int32_t portaddress = 0;
    if (options_.port.kind == PortKind::number) {
        portaddress = portaddressof(options_.port.number);
        overlay_->override(k_setting_portaddress, std::to_string(portaddress));
    } else {
        portaddress = numericvalue(settings_->readsetting(k_setting_portaddress, settingdefault(k_setting_portaddress)));
    }
    if (options_.clockdelay_us) overlay_->override(k_setting_clockdelay, std::to_string(*options_.clockdelay_us));
    if (options_.defaulthardware) usedefaulthardware(*overlay_);
    if (options_.port.kind == PortKind::sim && options_.simspeed == SimSpeed::instant) clock_ = &virtualclock_;

    ExitStatus status = openport(portaddress);
    if (status != ExitStatus::success) return status;

    // From here on a signal stops the run at its next step instead of ending the process with
    // the chip powered.
    StopSignals signals(stop_);
    formload({app_, catalogue_, model_, image_, *driver_, *slot_, *settings_, window_});
    if (options_.progtime) model_.progtime = *options_.progtime;

    switch (options_.command) {
    case CliCommand::program:
        status = loadfile();
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
    if (options_.command == CliCommand::models) {
        terminal_.out << modellisting(catalogue_);
        terminal_.out.flush();
        return ExitStatus::success;
    }

#ifdef VORNALT_HAVE_QT_SETTINGS
    saved_ = usersettingsbackend();
#else
    // Without a settings store every setting reads as its default.
    saved_ = std::make_unique<MemorySettingsBackend>();
#endif
    overlay_ = std::make_unique<SettingsOverlay>(*saved_);
    settings_ = std::make_unique<SettingsStore>(*overlay_);

    status = choosemodel();
    if (status != ExitStatus::success) return status;

    switch (options_.command) {
    case CliCommand::check: return loadfile();
    case CliCommand::convert:
        status = loadfile();
        return status == ExitStatus::success ? savefile() : status;
    default: return portcommand();
    }
}

}  // namespace

ExitStatus runcli(const CliOptions& options, Terminal terminal, const DataFolderEnvironment& folders) {
    // The run's records are large (a whole memory image); they live on the heap, not the stack.
    auto run = std::make_unique<CliRun>(options, terminal, folders);
    return run->run();
}

}  // namespace vornalt
