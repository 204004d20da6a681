#pragma once
// Everything a chip operation touches, wired by the session to the real engine, driver and
// transfers over a wire recorder, with a virtual clock and a fake window.
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/chip_operations.h"
#include "session/session.h"
#include "settings/memory_settings_backend.h"
#include "support/fake_window.h"
#include "support/wire_recorder.h"

namespace vornalt {

struct OperationRig {
    VirtualClock clock;
    FakeWindow window;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    std::unique_ptr<Session> session = makesession();
    AppState& app = session->app();
    DriverState& driverstate = session->driverstate();
    EventPump& pump = session->pump();
    WireRecorder wire{driverstate, clock};
    PortDriver& driver = session->driver();
    Transfers& transfers = session->transfers();
    EngineState& engine = session->engine();
    MemoryImage& image = session->image();
    AppliedModel& model = session->model();
    StopRequest& stop = session->stop();

    OperationRig() {
        model.config1erased = 0x3FFF;
        model.config2erased = 0x3FFF;
        model.powerorder = PowerOrder::vddfirst;
        model.progtime = 4;
        image.flashsize = 32;
        image.eepromsize = 8;
        clearbuffer(image, model.config1erased, model.config2erased);
        session->useport(wire);
        session->openport();
        wire.reset();
    }
    // The session switches the lines off as it goes, while the recorder still listens.
    ~OperationRig() { session.reset(); }
    OperationRig(const OperationRig&) = delete;
    OperationRig& operator=(const OperationRig&) = delete;

    OperationParts parts() { return session->parts(); }
    RunOutcome run(ChipOperation operation) { return session->run(operation); }

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

private:
    std::unique_ptr<Session> makesession() {
        SessionOptions options;
        options.clock = &clock;
        return std::make_unique<Session>(window, settings, AppState{}, DeviceCatalogue{}, options);
    }
};

}  // namespace vornalt
