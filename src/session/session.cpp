#include "session/session.h"

#include <functional>
#include <utility>

#include "app/about_text.h"
#include "app/application_folder.h"
#include "app/clear_buffer.h"
#include "app/edit_commands.h"
#include "app/hex_file_commands.h"
#include "app/identify.h"
#include "app/pin_profile.h"
#include "app/port_pinout.h"
#include "app/port_selection.h"
#include "app/recent_files.h"
#include "app/source_file.h"
#include "app/selection_prompts.h"
#include "catalogue/catalogue_warnings.h"
#include "image/hex_writer.h"
#include "settings/setting_names.h"
#include "sim/chip_model.h"

namespace vornalt {

// Counts a piece of work as running for as long as it lives, whichever way it ends.
class Session::BusyScope {
public:
    explicit BusyScope(int& busy) : busy_(busy) { ++busy_; }
    ~BusyScope() { --busy_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& busy_;
};

// Lets the simulated chip's file go when a run ends, however it ends.
class ChipRunLock {
public:
    explicit ChipRunLock(ProgrammerPort& port) : port_(port) {}
    ~ChipRunLock() { port_.unlockchip(); }
    ChipRunLock(const ChipRunLock&) = delete;
    ChipRunLock& operator=(const ChipRunLock&) = delete;

private:
    ProgrammerPort& port_;
};

Session::Session(WindowServices& window, SettingsStore& settings, AppState app, DeviceCatalogue catalogue,
                 SessionOptions options)
    : window_(window),
      settings_(settings),
      options_(std::move(options)),
      app_(std::move(app)),
      catalogue_(std::move(catalogue)),
      clock_(options_.clock != nullptr ? options_.clock
             : options_.virtualclock   ? static_cast<Clock*>(&virtualclock_)
                                       : static_cast<Clock*>(&realclock_)),
      port_(backendrow(options_.backend), options_.device, *clock_, driverstate_),
      pump_(window_, *clock_),
      driver_(driverstate_, port_.io(), pump_, *clock_),
      transfers_(driver_, pump_, *clock_) {
    settings_.on_save_failure([this](std::string_view reason) { window_.message(reason); });
    port_.setlockholder(options_.lockholder);
}

Session::~Session() {
    shutdown();
    // Nobody is left to hear of a failure here; a front end that wants to know calls finish().
    static_cast<void>(finish());
}

OperationParts Session::parts() {
    const BackendKind kind = port_.row().kind;
    const bool parallel = kind == BackendKind::parallelport || kind == BackendKind::device || kind == BackendKind::simulator;
    return {app_,    engine_, image_, model_, driver_, transfers_, *clock_, runwindow(), pump_, stop_,
            parallel ? std::string() : programmertitle(kind, port_.argument())};
}

LoadParts Session::loadparts() { return {app_, catalogue_, model_, image_, driver_, port_, settings_, window_}; }

Status Session::start_trace() {
    if (options_.tracefile.empty()) return {};
    return port_.starttrace(options_.tracefile, stoppable());
}

void Session::formload() {
    if (Status tracing = start_trace(); !tracing) window_.message(tracing.error().message);
    if (options_.savedprogrammer) {
        // A setting no row knows (hand-edited) leaves the programmer the options chose.
        const std::string saved = settings_.readsetting(k_setting_programmer);
        if (const std::optional<BackendChoice> choice = programmerfromsetting(saved);
            choice && (choice->kind != port_.row().kind || choice->argument != port_.argument())) {
            if (Status chosen = port_.choose(backendrow(choice->kind), choice->argument, driver_); !chosen) {
                window_.message(chosen.error().message);
            }
        }
    }
    vornalt::formload(loadparts());
    app_.lastpath = firstdialogfolder(app_.lastpath, app_.applicationfolder, options_.datafolders.home, k_windows_rules);
    opened_ = true;
    if (!simulated()) return;
    if (Status inserted = model_changed(); !inserted) window_.message(inserted.error().message);
    // The board answers only where the settings place it: "ready" would promise runs that
    // cannot reach it.
    if (const std::string unusable = unusablewiringtext(settings_, driverstate_); !unusable.empty()) {
        window_.message(unusable);
        return;
    }
    showsimulatedport();
}

std::string Session::catalogue_warnings_text() const { return warningsboxtext(catalogue_.warnings); }

std::string Session::main_window_title() const {
    return simulated() ? app_.windowtitle + " (simulated programmer)" : app_.windowtitle;
}

DisplayTexts Session::display_texts() const { return displaytexts(model_, image_); }

void Session::clear_buffer() { menuclear(app_, model_, image_, window_); }

void Session::open_hex_file() {
    menuopen(app_, model_, image_, settings_, window_);
}

bool Session::open_named_file(const std::string& fullname) {
    if (busy() || !discardunsaved(app_, window_)) return false;
    return loadfile(fullname, &settings_);
}

std::vector<std::string> Session::recent_files() { return recentfiles(settings_); }

void Session::rememberfile() {
    if (!app_.label_hex.empty()) addrecentfile(settings_, app_.lastpath + app_.label_hex);
}

bool Session::load_hex_file(const std::string& fullname) { return loadfile(fullname, nullptr); }

bool Session::loadfile(const std::string& fullname, SettingsStore* recent) {
    const SplitPath parts = splitpath(fullname);
    app_.lastpath = parts.folder;
    openhexfile(app_, model_, image_, window_, parts.name, recent);
    // The loader names the file only after a load without error.
    return !app_.label_hex.empty();
}

void Session::reload_hex_file() {
    // While an operation runs the image belongs to it: a reload now would change what is being
    // programmed or verified.
    if (busy()) return;
    label_hex_click(app_, model_, image_, window_);
}

void Session::save_buffer() {
    menusave(app_, model_, image_, settings_, window_, stoppable());
    rememberfile();
}

Status Session::save_hex_file(const std::string& fullname, WriteOptions options) const {
    if (!options.giveup) options.giveup = stoppable().giveup;
    return savehex(fullname, image_, model_.config2used, options);
}

WriteOptions Session::stoppable() const {
    // Outside a run the request stands only when a stop signal came: nothing else sets it then.
    return {.giveup = [this] { return stop_.requested(); }};
}

Result<std::string> Session::hex_text() const { return hexfiletext(image_, model_.config2used); }

void Session::edit_flash() { menueditflash(app_, image_, window_); }

void Session::edit_eeprom() { menuediteeprom(app_, image_, window_); }

void Session::edit_config1() {
    if (busy()) return;
    label_conf1_click(app_, image_, window_);
}

void Session::edit_config2() {
    if (busy()) return;
    label_conf2_click(app_, image_, window_);
}

void Session::edit_id_words() {
    if (busy()) return;
    menueditidwords(app_, image_, window_);
}

std::string Session::id_words_text() const { return idwordstext(image_); }

ConfigBits Session::config_bits() const { return ConfigBits(model_, {image_.config1word, image_.config2word}); }

void Session::set_config_words(const ConfigWords& words) {
    if (busy()) return;
    setconfigwords(app_, image_, window_, words);
}

void Session::change_programming_time() { menuprogtime(model_, window_); }

Status Session::set_programming_time(std::int32_t milliseconds) {
    if (std::string why = progtime_refusal(model_, milliseconds); !why.empty()) return Error{std::move(why)};
    model_.progtime = milliseconds;
    return {};
}

Status Session::apply_model(std::int32_t number) {
    if (Status applied = applymodel(catalogue_, number, model_, image_); !applied) return applied;
    app_.selectedmodel = number;
    menuclear(app_, model_, image_, window_);
    return {};
}

void Session::show_port_pinout() { menuportinfo(window_); }

std::string Session::adapter_wiring_text() const { return adapterwiringtext(); }

ProgrammerOffer Session::current_programmer() const {
    return {port_.row().kind, port_.argument(), programmertitle(port_.row().kind, port_.argument())};
}

Status Session::switchprogrammer(BackendKind kind, const std::string& argument) {
    shutdown();  // lines off on the programmer being left
    if (Status chosen = port_.choose(backendrow(kind), argument, driver_); !chosen) return chosen;
    simchosen_ = false;  // a simulator chosen now gets the model's chip
    readprogrammersettings(driverstate_, settings_, kind);
    openport();
    if (Status inserted = model_changed(); !inserted) window_.message(inserted.error().message);
    return {};
}

Status Session::choose_programmer(BackendKind kind, const std::string& argument) {
    if (busy()) return Error{"The programmer cannot be changed while an operation runs."};
    if (Status switched = switchprogrammer(kind, argument); !switched) {
        window_.message(switched.error().message);
        return switched;
    }
    if (const std::string text = programmersettingtext(kind, argument); !text.empty()) {
        settings_.writesetting(k_setting_programmer, text);
    }
    showprogrammer();
    return {};
}

Status Session::set_step_rate(std::int32_t steps_per_second) {
    if (steps_per_second < k_steprate_min || steps_per_second > k_steprate_max) {
        return Error{"The step rate must be between " + std::to_string(k_steprate_min) + " and " +
                     std::to_string(k_steprate_max) + " steps per second."};
    }
    settings_.writesetting(k_setting_ftdi_steprate, std::to_string(steps_per_second));
    if (steps_per_second == driverstate_.steprate) return {};
    driverstate_.steprate = steps_per_second;
    // The adapter takes its rate when it opens: an open one is released and opened again.
    if (!opened_ || port_.row().kind != BackendKind::ftdi || busy()) return {};
    if (Status reopened = switchprogrammer(port_.row().kind, port_.argument()); !reopened) return reopened;
    showprogrammer();
    return {};
}

void Session::showprogrammer() {
    if (simulated()) {
        showsimulatedport();
        return;
    }
    showprogrammerstate(window_, port_.row().kind, port_.argument(), driverstate_.portaddress, port_.io());
}

void Session::show_about() { menuabout(app_, window_); }

PortStatus Session::port_status() const { return {port_.io().available(), port_.io().reason()}; }

RunReport Session::last_run() const {
    return {chipsavefailed_, chipinuse_, engine_.deviceidrefused, engine_.runstopped, engine_.checkfailure};
}

void Session::openport() {
    port_.open(driverstate_.portaddress, driver_);
    driver_.setidle();
    opened_ = true;
}

void Session::showsimulatedport() {
    if (options_.simulatedstatus && port_.io().available()) window_.set_status(k_simulated_port_ready);
}

RunOutcome Session::run(ChipOperation operation) {
    const BusyScope scope(busy_);
    chipsavefailed_ = false;
    chipinuse_ = false;
    const OperationTexts texts = operationtexts(operation);
    // Nothing would answer: a read would bring back an all-blank chip and a program would report
    // work that reached no chip. The end text blames no chip ("Chip is not blank" would).
    const bool nochip = simulated() && socketempty() && port_.io().available();
    if (nochip && model_.deviceid < 0) {
        runwindow().message(emptysockettext(model_.modelname));
        runwindow().set_status(texts.stopped);
        return RunOutcome::failed;
    }
    const FileStamp source = app_.source;
    if ((operation == ChipOperation::programall || operation == ChipOperation::verify) &&
        !keepsourcecurrent(app_, model_, image_, runwindow(),
                           operation == ChipOperation::programall ? "Program the chip" : "Verify the chip")) {
        return RunOutcome::notstarted;
    }
    OperationParts run = parts();
    // The status line's note of the reload would be gone at the run's first word: the end text
    // keeps it.
    if (!(app_.source == source)) run.endnote = " (file reloaded)";
    userstopped_ = false;
    const ChipRunLock unlock(port_);
    if (!lockchipforrun(texts)) return chipinuse_ ? RunOutcome::notstarted : RunOutcome::failed;
    // A model that checks its device ID finds the empty socket itself and says so as on a real
    // programmer; when the user goes on anyway the run still reached nothing.
    RunOutcome outcome = runoperation(operation, std::move(run));
    if (userstopped_ && engine_.runstopped) runwindow().set_status(stoppedbyusertext(operation));
    if (outcome == RunOutcome::notstarted || !simulated()) return outcome;
    if (nochip) {
        if (!engine_.runstopped) runwindow().message(emptysockettext(model_.modelname));
        runwindow().set_status(texts.stopped);
        return RunOutcome::failed;
    }
    // The simulated chip is the file: the run has done its work only once the file holds it.
    if (Status saved = port_.savechip(); !saved) {
        chipsavefailed_ = true;
        runwindow().message(saved.error().message);
        // The run's own end text stays when it failed; a chip that passed must not read as failed.
        if (outcome == RunOutcome::succeeded) runwindow().set_status(k_chip_not_saved);
        outcome = RunOutcome::failed;
    }
    return outcome;
}

bool Session::lockchipforrun(const OperationTexts& texts) {
    std::function<bool(const Error&)> waiting;
    std::string said;
    if (options_.waitforchip) {
        waiting = [this, &said](const Error& held) {
            // Said at once, also during a batch (whose stand-in window keeps messages for the chip's
            // row), and again only when another program has it now.
            if (held.message != said) window_.message(held.message + " Waiting until that program's run has ended.");
            said = held.message;
            return !stop_.requested();
        };
    }
    const Status locked = port_.lockchip(waiting);
    if (locked) return true;
    if (!islockheld(locked.error())) {
        runwindow().message(locked.error().message);
        runwindow().set_status(texts.stopped);
        return false;
    }
    if (stop_.requested()) {
        // A stop while waiting ends the run before it began; left standing it would stop the next.
        stop_.clear();
        runwindow().set_status(texts.stopped);
        return false;
    }
    chipinuse_ = true;
    runwindow().message(locked.error().message + " Try again once that program's run has ended.");
    return false;
}

Result<DeviceIdentity> Session::identify() {
    const BusyScope scope(busy_);
    Result<std::int32_t> id = readdeviceid(parts());
    if (!id) return id.error();
    DeviceIdentity identity{id.value(), partswithid(catalogue_, id.value()), {}};
    if (identity.id == 0 || identity.id == k_blank_word) identity.parts.clear();  // nobody answered
    identity.text = identitytext(identity.id, identity.parts);
    return identity;
}

std::vector<std::string> Session::refused_id_parts() const {
    if (!engine_.deviceidrefused) return {};
    return partswithid(catalogue_, engine_.tempvalue & k_blank_word);
}

std::string emptysockettext(const std::string& modelname) {
    return "The simulator has no chip called " + modelname + ": its socket is empty, so nothing would answer.";
}

void Session::ask_stop() {
    if (!busy() || userstopped_) return;
    if (!window_.question("Stop the operation? The chip will be left partly written.")) return;
    userstopped_ = true;
    request_stop();
}

void Session::request_stop() {
    // A request left standing while nothing runs would stop the next run at its first step.
    if (busy()) stop_.request();
}

std::string Session::simchipfile(const std::string& modelname, Status& status) const {
    if (!options_.simchipfile.empty()) return options_.simchipfile;
    // A part the simulator does not know needs no file, so no folder either.
    if (findchipmodel(modelname) == nullptr) return {};
    Result<std::string> folder = simchipfolder(options_.datafolders, k_windows_rules);
    if (!folder) {
        status = folder.error();
        return {};
    }
    return folder.value() + (k_windows_rules ? "\\" : "/") + simchipfilename(modelname);
}

Status Session::model_changed() {
    if (!simulated()) return {};
    const std::string part = options_.simpart.empty() ? model_.modelname : options_.simpart;
    if (simchosen_ && simmodel_ == part) return {};
    Status status;
    // The empty socket is asked for by name, so no part called "empty" can ever be found.
    const std::string file = part == k_empty_socket ? std::string() : simchipfile(part, status);
    if (!status) return status;
    status = port_.insertchip(part == k_empty_socket ? std::string() : part, file);
    if (!status) return status;
    simchosen_ = true;
    simmodel_ = part;
    return {};
}

void Session::change_model() {
    menumodel(app_, catalogue_, model_, image_, settings_, window_);
    if (Status inserted = model_changed(); !inserted) window_.message(inserted.error().message);
}

void Session::change_port() {
    // The prompt reports the port it leaves open whenever it was asked; the simulator says so
    // in its own words.
    const bool asked = portnumber(driverstate_.portaddress) != 0;
    menuport(driver_, port_, settings_, window_);
    if (simulated() && asked) showsimulatedport();
}

void Session::shutdown() {
    // Only the port this session opened, and only while the driver still talks to it.
    if (!opened_ || &driver_.io() != &port_.io() || !port_.io().available()) return;
    if (driver_.lineon(Line::vdd) || driver_.lineon(Line::vpp)) {
        transfers_.shutdown();  // with the power steps of every power-down
        return;
    }
    // Off already as far as the driver knows; written once more for a port opened since.
    driver_.alloff();
}

Status Session::finish() {
    if (finished_) return {};
    finished_ = true;
    return port_.finish();
}

bool simulated_part_known(std::string_view part) { return findchipmodel(part) != nullptr; }

}  // namespace vornalt
