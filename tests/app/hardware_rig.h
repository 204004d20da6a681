#pragma once
// The driver, a recording port, in-memory settings and a scripted window: what the hardware
// dialogs touch, with nothing behind the port.
#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "port/driver_state.h"
#include "port/port_driver.h"
#include "port/port_fakes.h"
#include "settings/memory_settings_backend.h"
#include "settings/settings_store.h"
#include "support/fake_window.h"

namespace vornalt::testing {

struct HardwareRig {
    DriverState state;
    VirtualClock clock;
    FakeWindow window;
    EventPump pump{window, clock};
    RecordingPort port{clock};
    PortDriver driver{state, port, pump, clock};
    MemorySettingsBackend backend;
    SettingsStore settings{backend};

    // The data and control registers of every line operation since the log was last cleared.
    std::vector<PortWrite> writes() const { return portwrites(port.log); }
    std::size_t accesses() const { return port.log.size(); }
    void clearlog() { port.log.clear(); }
};

}  // namespace vornalt::testing
