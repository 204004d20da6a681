#pragma once
// Everything a chip operation touches, wired to the real engine, driver and transfers over a
// wire recorder, with a virtual clock and a fake window.
#include "app/app_state.h"
#include "app/chip_operations.h"
#include "support/fake_window.h"
#include "support/wire_recorder.h"

namespace vornalt {

struct OperationRig {
    AppState app;
    DriverState driverstate;
    VirtualClock clock;
    FakeWindow window;
    EventPump pump{window, clock};
    WireRecorder wire{driverstate, clock};
    PortDriver driver{driverstate, wire, pump, clock};
    Transfers transfers{driver, pump, clock};
    EngineState engine;
    MemoryImage image;
    AppliedModel model;
    StopRequest stop;

    OperationRig() {
        model.config1erased = 0x3FFF;
        model.config2erased = 0x3FFF;
        model.powerorder = 1;
        model.progtime = 4;
        image.flashsize = 32;
        image.eepromsize = 8;
        clearbuffer(image, model.config1erased, model.config2erased);
        driver.setidle();
        wire.reset();
    }

    OperationParts parts() { return {app, engine, image, model, driver, transfers, clock, window, pump, stop}; }
    RunOutcome run(ChipOperation operation) { return runoperation(operation, parts()); }

    // The window calls without the progress texts, and with each run of event passes counted
    // once (the engine's coalesced passes depend on timing, not on the runner).
    std::vector<std::string> framecalls() const {
        std::vector<std::string> out;
        for (const std::string& call : window.calls) {
            if (call.rfind("status:F:", 0) == 0 || call.rfind("status:E:", 0) == 0) continue;
            if (call.rfind("status:CONF", 0) == 0) continue;
            if (call == "events" && !out.empty() && out.back() == "events") continue;
            out.push_back(call);
        }
        return out;
    }
};

}  // namespace vornalt
