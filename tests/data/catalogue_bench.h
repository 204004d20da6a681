#pragma once
// A bench for the shipped catalogue: one model applied from data/devices.cfg, its simulated
// chip in the board's socket, and the session's runners, engine, port driver and transfers
// between them on a virtual clock, as the main window's buttons run them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/chip_operations.h"
#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/stop_request.h"
#include "port/driver_state.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "session/session.h"
#include "settings/memory_settings_backend.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "support/fake_window.h"

namespace vornalt::testing {

// What one operation left for the user to see.
struct Outcome {
    std::string endtext;
    std::vector<std::string> messages;
};

// The shipped catalogue, loaded once per test program (empty when it cannot be read).
const DeviceCatalogue& shippedcatalogue();

// The number of the record named `name` in the shipped catalogue, 0 when there is none.
std::int32_t modelnumber(std::string_view name);

class CatalogueBench {
public:
    // Applies the named model, clears the image and puts a factory-fresh chip of that part in
    // the socket (or `chip` when given). Check ready() before using the bench.
    explicit CatalogueBench(std::string_view name, std::unique_ptr<SimChip> chip = nullptr);

    bool ready() const { return applied_ && board.chip() != nullptr; }
    Outcome run(ChipOperation operation);

    SimChip& chip() { return *board.chip(); }
    // The chip's cells, once any write under way has had its time.
    const ChipMemory& chipmemory();

    VirtualClock clock;
    FakeWindow window;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    std::unique_ptr<Session> session = makesession();
    AppState& app = session->app();
    EventPump& pump = session->pump();
    SimBoard& board = *session->board();
    DriverState& driverstate = session->driverstate();
    PortDriver& driver = session->driver();
    Transfers& transfers = session->transfers();
    AppliedModel& model = session->model();
    MemoryImage& image = session->image();
    EngineState& engine = session->engine();
    StopRequest& stop = session->stop();

private:
    std::unique_ptr<Session> makesession();
    bool applied_ = false;
};

}  // namespace vornalt::testing
