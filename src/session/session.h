#pragma once
// One program run's core, and the one face of it the front ends see. It owns the records (the
// application state, catalogue, applied model, memory image, driver and engine state, stop
// request) and the programmer stack wired over them (the owner of the port with its backend and
// optional trace, event pump, port driver, transfers, runners), and offers every command a front end has:
// the File and Edit commands, the Options selections, the five operations, the hardware dialogs'
// logic, the Help texts, start-up, stop and shutdown. The records stay inside; a front end shows
// what the views below return and implements WindowServices. Test rigs and benchmarks that set
// up a case by hand reach the records through SessionInternals (session_internals.h).
//
// Value types this header passes on to the front ends: Startup (with AppState and
// DeviceCatalogue), ChipOperation, RunOutcome, DisplayTexts, HardwareSettings and CheckHardware
// with Line, ConfigBits with ConfigField and ConfigWords, Status and Result.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/check_hardware.h"
#include "app/chip_operations.h"
#include "app/config_table.h"
#include "app/display_texts.h"
#include "app/hardware_settings.h"
#include "app/identify.h"
#include "app/load_sequence.h"
#include "app/programmer_choice.h"
#include "base/file_io.h"
#include "base/result.h"
#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/stop_request.h"
#include "platform/window_services.h"
#include "port/driver_state.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "programmer/programmer_port.h"
#include "session/sim_location.h"
#include "session/stop_signals.h"
#include "settings/settings_store.h"
#include "sim/sim_board.h"

namespace vornalt {

inline constexpr const char* k_simulated_port_ready = "Simulated port ready";
inline constexpr const char* k_empty_socket = "empty";
// The end text of a run that did its work on the simulated chip but could not save it.
inline constexpr const char* k_chip_not_saved = "Simulated chip not saved";

// Said when a run meets the simulator with no chip of the model's name in its socket.
std::string emptysockettext(const std::string& modelname);

struct SessionOptions {
    BackendKind backend = BackendKind::parallelport;
    std::string device;       // the backend's argument: the ppdev path, e.g. /dev/parport0
    // Simulator: one chip file for every model; empty: <MODEL>.hex per model in the user's data
    // folder (simchipfolder of datafolders), shared with vornalt-cli --port sim.
    std::string simchipfile;
    // Simulator: the part in the socket. Empty: the applied model's own part; k_empty_socket: no
    // chip at all; any other name: that part, whatever the model (a wrong chip, on purpose).
    std::string simpart;
    DataFolderEnvironment datafolders = processenvironment();
    std::string tracefile;    // VCD file of the programmer lines; empty: none
    bool virtualclock = false;  // waits take no time (the simulator at full speed)
    // After the load sequence under the simulator the status line reads "Simulated port ready"
    // rather than the parallel port's text.
    bool simulatedstatus = true;
    // The load sequence first opens the programmer the settings hold (the window's saved choice)
    // instead of `backend`.
    bool savedprogrammer = false;
    // A clock of the caller's (a test's or benchmark's); null: real, or virtual as chosen above.
    Clock* clock = nullptr;
    // How this program is named to another one that finds the simulated chip file in use by a
    // run of this one ("vornalt-cli"); empty: by its process id alone.
    std::string lockholder;
    // Simulator: a run that finds the chip file in use by another program's run waits until
    // that run has ended (or a stop is asked for) instead of not starting.
    bool waitforchip = false;
};

// What the last run left behind beyond its outcome, for a front end that explains a failure.
struct RunReport {
    bool chip_save_failed = false;   // the simulated chip's file could not hold the run's work
    bool chip_in_use = false;        // the run did not start: another program's run had the chip file
    bool device_id_refused = false;  // the chip in the socket is not the model's
    bool script_stopped = false;     // the engine stopped a script it cannot carry out
    CheckFailure check;              // the Verify or Blank Check compare that failed, if one did
};

// Whether the port the session opened can be reached, and why not.
struct PortStatus {
    bool available = false;
    std::string reason;
};

class SessionInternals;

class Session {
public:
    Session(WindowServices& window, SettingsStore& settings, AppState app, DeviceCatalogue catalogue,
            SessionOptions options = {});
    // Switches the output lines off and finishes, if not done before.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The main window's load sequence; then, under the simulator, the chip of the applied model
    // in the socket and "Simulated port ready" (see SessionOptions::simulatedstatus). A trace
    // file or chip file that cannot be used is shown as a message.
    void formload();
    // The catalogue's complaints about records that load but may not work as written.
    const std::vector<std::string>& catalogue_warnings() const { return catalogue_.warnings; }
    // The same as one box text, the first few with a count of the rest; empty when none.
    std::string catalogue_warnings_text() const;

    // ---- What the window shows ----
    // The main window's caption: the window title, and under the simulator a word that no real
    // chip is being worked on. Boxes keep the plain title.
    std::string main_window_title() const;
    // The redraw's texts for the applied model and the memory image.
    DisplayTexts display_texts() const;
    // The applied model's name as the catalogue writes it.
    const std::string& model_name() const { return model_.modelname; }
    // The image as Intel HEX text, as save_hex_file would write it.
    Result<std::string> hex_text() const;
    // The loaded file's name; empty when the image no longer matches a file.
    const std::string& loaded_file() const { return app_.label_hex; }
    // The same with its folder; empty when no file is loaded.
    std::string loaded_path() const { return app_.label_hex.empty() ? std::string() : app_.lastpath + app_.label_hex; }

    // ---- File menu ----
    void clear_buffer();
    // Asks for a file in the last path and loads it.
    void open_hex_file();
    // Loads the named file; true when it was loaded (the message says why not).
    bool load_hex_file(const std::string& fullname);
    // Opens the named file as Open HEX File does (a file given at start, handed over by a second
    // copy, or picked from the recent files): asks first when unsaved work would be lost.
    // True when it was loaded.
    bool open_named_file(const std::string& fullname);
    // The most recently opened or saved files, newest first (at most four).
    std::vector<std::string> recent_files();
    // A click on the loaded file's name: loads it again (not while an operation runs).
    void reload_hex_file();
    // Asks for a file name and writes the image to it.
    void save_buffer();
    // Writes the image to the named file as it is. Without a give-up check of its own, a wait
    // for a stalled pipe's reader ends at a stop request.
    Status save_hex_file(const std::string& fullname, WriteOptions options = {}) const;

    // ---- Edit menu, and the clicks on the configuration words (not while an operation runs) ----
    void edit_flash();
    void edit_eeprom();
    void edit_config1();
    void edit_config2();
    // Edit > Change ID Words: one prompt for the four user ID words.
    void edit_id_words();
    // The image's user ID words (2000h-2003h) as "3FFF 3FFF 3FFF 3FFF".
    std::string id_words_text() const;
    // The image's configuration word(s) by field, a copy to decode or edit (the dialog, the
    // terminal's table and --config).
    ConfigBits config_bits() const;
    // "Configuration Bits..." OK, and --config: the words written into the image as the clicks on
    // their labels write them (CONFIG2 only when the image has one).
    void set_config_words(const ConfigWords& words);

    // ---- Options menu ----
    // The model and port prompts, the simulator following them.
    void change_model();
    void change_port();
    void change_programming_time();
    // Applies catalogue model `number` without asking (it is saved by the caller's settings),
    // with the image cleared for it; the error says why the record cannot be used.
    Status apply_model(std::int32_t number);
    // This run's pulse length, until the next model is applied.
    // Refused, with the model's minimum in the message, below its chips' write time.
    Status set_programming_time(std::int32_t milliseconds);
    // A device ID that is not the model's does not stop the runs.
    void set_ignore_device_id(bool ignore) { engine_.ignoredeviceid = ignore; }

    // The programmers that can be chosen now: the parallel port, every device found plugged in,
    // the simulator.
    std::vector<ProgrammerOffer> programmer_choices() const { return programmeroffers(); }
    // The programmer in use (its description is its title).
    ProgrammerOffer current_programmer() const;
    // Switches to another programmer at once (lines off on the one left, the new one opened
    // with its own pins, the status line says how it went) and saves the choice for the next
    // start. Not while an operation runs; an error (the simulated chip could not be saved)
    // changes nothing.
    Status choose_programmer(BackendKind kind, const std::string& argument);
    // A bit-bang adapter's steps per second: saved, and used from the adapter's next opening
    // (at once when it is the programmer in use). Outside k_steprate_min..max it is refused.
    std::int32_t step_rate() const { return driverstate_.steprate; }
    Status set_step_rate(std::int32_t steps_per_second);

    // ---- Hardware menu: the dialogs' logic on this session's driver, settings and window, with
    // the pins of the programmer in use ----
    HardwareSettings hardware_settings() {
        return HardwareSettings(driver_, settings_, window_, pinprofile(port_.row().kind));
    }
    CheckHardware check_hardware() { return CheckHardware(driver_, pinprofile(port_.row().kind)); }

    // ---- Help menu ----
    // The adapter's default bit assignment, for the wiring help beside its schematic.
    std::string adapter_wiring_text() const;
    void show_port_pinout();
    void show_about();

    // ---- The programmer ----
    PortStatus port_status() const;

    // Opens the port at driverstate().portaddress and brings the lines to idle, as the load
    // sequence does at its end: for callers that set the records themselves.
    void openport();
    // From now on the slot hands out this port (a recorder, a board of the caller's) whatever
    // the backend chosen; the driver is pointed at it by the next openport() or formload().
    void useport(PortIo& port) { port_.useport(port); }

    // Runs one chip operation; busy() is true meanwhile. Under the simulator an empty socket
    // fails the run (before it starts, or after the device-ID check was passed over) with a
    // message and the end text that blames no chip; after the run the chip is saved to
    // its file: a save that fails fails the run (last_run().chip_save_failed) and its end text.
    // The simulated chip's file is locked from the run's start to that save only, and read again
    // when another program changed it; while another program's run has it, the run does not
    // start (last_run().chip_in_use) or waits (SessionOptions::waitforchip).
    RunOutcome run(ChipOperation operation);
    // Reads the chip's device ID with the model's ID pass (busy() meanwhile) and names the
    // catalogue's parts that carry it: "Device ID 0560h: 16F84A".
    Result<DeviceIdentity> identify();
    // After a run refused for a device ID that is not the model's: the parts that ID names.
    std::vector<std::string> refused_id_parts() const;
    RunReport last_run() const;
    bool busy() const { return busy_ > 0; }
    // Asks a running operation to power down and end at its next step (a window closing, an
    // abort); nothing happens when no operation runs.
    void request_stop();
    // Esc during a run: asks whether to stop; on Yes the run powers down at its next step and
    // its end text says it was stopped. Nothing when no operation runs.
    void ask_stop();
    // From now on SIGINT and SIGTERM stop a run at its next step.
    void attach_stop_signals(StopSignals& handlers) { handlers.attach(stop_); }

    // After the applied model changed: under the simulator the chip in the socket is written
    // back to its file and the chip of the new model's name (or none) goes in. No-op otherwise.
    Status model_changed();

    // Starts the line trace of SessionOptions::tracefile (nothing without one). formload()
    // calls it; a front end calls it first to hear of a trace file it cannot write before the
    // load sequence moves any line.
    Status start_trace();

    bool simulated() const { return port_.simulated(); }
    bool socketempty() const { return port_.socketempty(); }
    SimBoard* board() { return port_.board(); }

    // VDD, VPP, CLOCK and DATA OUT off, then VDD and VPP again (PortDriver::alloff), when a
    // port is open and available.
    void shutdown();
    // The simulated chip saved and the trace closed; the first failure is returned. Only the
    // first call does anything.
    Status finish();

private:
    friend class SessionInternals;
    friend class Production;
    class BusyScope;
    // Where a run's messages and questions go: the window, or a batch's stand-in for it.
    WindowServices& runwindow() { return runwindow_ != nullptr ? *runwindow_ : window_; }
    OperationParts parts();
    LoadParts loadparts();
    // Writes into a pipe whose reader stalls give up at a stop request.
    WriteOptions stoppable() const;
    std::string simchipfile(const std::string& modelname, Status& status) const;
    // The simulated chip's file locked for a run (see run()); false when the run cannot start.
    bool lockchipforrun(const OperationTexts& texts);
    void showsimulatedport();
    void showprogrammer();
    Status switchprogrammer(BackendKind kind, const std::string& argument);
    void rememberfile();
    // Loads a file; with `recent`, a file that loaded heads the recent-file list.
    bool loadfile(const std::string& fullname, SettingsStore* recent);

    WindowServices& window_;
    SettingsStore& settings_;
    SessionOptions options_;

    AppState app_;
    DeviceCatalogue catalogue_;
    AppliedModel model_;
    MemoryImage image_;
    DriverState driverstate_;
    EngineState engine_;
    StopRequest stop_;

    RealClock realclock_;
    VirtualClock virtualclock_;
    Clock* clock_;
    ProgrammerPort port_;
    EventPump pump_;
    PortDriver driver_;
    Transfers transfers_;

    WindowServices* runwindow_ = nullptr;
    int busy_ = 0;
    bool chipsavefailed_ = false;
    bool chipinuse_ = false;
    bool userstopped_ = false;  // this run was stopped on the user's word
    bool opened_ = false;
    bool finished_ = false;
    bool simchosen_ = false;  // the socket has been set up for simmodel_
    std::string simmodel_;
};

// True when the simulator has a chip of this part name.
bool simulated_part_known(std::string_view part);

}  // namespace vornalt
