#pragma once
// One program run's programmer stack, put together once for both front ends: the records (the
// application state, catalogue, applied model, memory image, driver and engine state, stop
// request), the owner of the port with its backend and optional trace, event pump, port driver and
// transfers, and the runners. The front end supplies its window, its settings store and what
// start-up found, and drives the session: formload, run, modelchanged, finish.
#include <cstdint>
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/chip_operations.h"
#include "app/load_sequence.h"
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
#include "settings/settings_store.h"
#include "sim/sim_board.h"

namespace vornalt {

inline constexpr const char* k_simulated_port_ready = "Simulated port ready";
inline constexpr const char* k_empty_socket = "empty";

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
    // A clock of the caller's (a test's or benchmark's); null: real, or virtual as chosen above.
    Clock* clock = nullptr;
};

class Session {
public:
    Session(WindowServices& window, SettingsStore& settings, AppState app, DeviceCatalogue catalogue,
            SessionOptions options = {});
    // Switches the output lines off and finishes, if not done before.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The records of this run.
    AppState& app() { return app_; }
    DeviceCatalogue& catalogue() { return catalogue_; }
    AppliedModel& model() { return model_; }
    MemoryImage& image() { return image_; }
    DriverState& driverstate() { return driverstate_; }
    EngineState& engine() { return engine_; }
    StopRequest& stop() { return stop_; }

    // The wired stack.
    WindowServices& window() { return window_; }
    SettingsStore& settings() { return settings_; }
    Clock& clock() { return *clock_; }
    EventPump& pump() { return pump_; }
    ProgrammerPort& slot() { return port_; }
    PortDriver& driver() { return driver_; }
    Transfers& transfers() { return transfers_; }
    OperationParts parts();
    LoadParts loadparts();

    // The main window's load sequence; then, under the simulator, the chip of the applied model
    // in the socket and "Simulated port ready" (see SessionOptions::simulatedstatus). A trace
    // file or chip file that cannot be used is shown as a message.
    void formload();
    // Opens the port at driverstate().portaddress and brings the lines to idle, as the load
    // sequence does at its end: for callers that set the records themselves.
    void openport();
    // From now on the slot hands out this port (a recorder, a board of the caller's) whatever
    // the backend chosen; the driver is pointed at it by the next openport() or formload().
    void useport(PortIo& port) { port_.useport(port); }

    // Runs one chip operation; busy() is true meanwhile. Under the simulator an empty socket
    // fails the run before it starts (with a message), and after the run the chip is saved to
    // its file: a save that fails fails the run (chipsavefailed()) and its end text.
    RunOutcome run(ChipOperation operation);
    bool chipsavefailed() const { return chipsavefailed_; }
    bool busy() const { return busy_ > 0; }
    // Asks a running operation to power down and end at its next step (a window closing, an
    // abort); nothing happens when no operation runs.
    void requeststop();

    // After the applied model changed: under the simulator the chip in the socket is written
    // back to its file and the chip of the new model's name (or none) goes in. No-op otherwise.
    Status modelchanged();
    // The model and port prompts of the Options menu, the simulator following them.
    void menumodel();
    void menuport();

    // Starts the line trace of SessionOptions::tracefile (nothing without one). formload()
    // calls it; a front end calls it first to hear of a trace file it cannot write before the
    // load sequence moves any line.
    Status starttrace();

    bool simulated() const { return port_.simulated(); }
    bool socketempty() const { return port_.socketempty(); }
    SimBoard* board() { return port_.board(); }

    // VDD, VPP, CLOCK and DATA OUT off, in that order, when a port is open and available.
    void shutdown();
    // The simulated chip saved and the trace closed; the first failure is returned. Only the
    // first call does anything.
    Status finish();

private:
    class BusyScope;
    std::string simchipfile(const std::string& modelname, Status& status) const;
    void showsimulatedport();

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

    int busy_ = 0;
    bool chipsavefailed_ = false;
    bool opened_ = false;
    bool finished_ = false;
    bool simchosen_ = false;  // the socket has been set up for simmodel_
    std::string simmodel_;
};

}  // namespace vornalt
