#pragma once
// The session as the tests drive it: a virtual clock, a scripted window and settings in memory,
// with its records at hand. Two set-ups:
// - SessionRig(): the parallel-port backend over a wire recorder and a small made-up model, for
//   tests that give the scripts themselves and read the wire;
// - SessionRig(catalogue, model): the simulated programmer with the catalogue's model applied,
//   the image blank and a factory-fresh chip of that part (or the test's own) in the socket. No
//   chip file is read or written. Check ready() before use.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "session/session.h"
#include "session/session_internals.h"
#include "settings/memory_settings_backend.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "support/fake_window.h"
#include "support/wire_recorder.h"

namespace vornalt::testing {

// What one operation left for the user to see; compares as its RunOutcome.
struct Outcome {
    RunOutcome result = RunOutcome::notstarted;
    std::string endtext;
    std::vector<std::string> messages;
    operator RunOutcome() const { return result; }
};

// A catalogue file read once per test program; empty when it cannot be read, so no model of it
// is found.
inline const DeviceCatalogue& cataloguefile(const std::string& path) {
    static std::map<std::string, DeviceCatalogue> loaded;
    auto found = loaded.find(path);
    if (found == loaded.end()) {
        Result<DeviceCatalogue> read = loadcatalogue(path);
        found = loaded.emplace(path, read ? std::move(read).value() : DeviceCatalogue{}).first;
    }
    return found->second;
}

// The number of the record named `name`, 0 when there is none.
inline std::int32_t modelnumber(const DeviceCatalogue& catalogue, std::string_view name) {
    const std::vector<std::string> names = modelnames(catalogue);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return static_cast<std::int32_t>(i) + 1;
    }
    return 0;
}

class SessionRig {
public:
    SessionRig() : session(makesession(BackendKind::parallelport)) {
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

    SessionRig(const DeviceCatalogue& catalogue, std::string_view name, std::unique_ptr<SimChip> chip = nullptr)
        : session(makesession(BackendKind::simulator)) {
        window.record_status = false;
        const std::int32_t number = modelnumber(catalogue, name);
        if (number == 0) return;
        applied_ = applymodel(catalogue, number, model, image).ok();
        if (!applied_) return;
        clearbuffer(image, model.config1erased, model.config2erased);
        board().insert(chip != nullptr ? std::move(chip) : makechip(model.modelname));
        session->openport();
    }

    // The session switches the lines off as it goes, while the wire recorder still listens.
    ~SessionRig() { session.reset(); }
    SessionRig(const SessionRig&) = delete;
    SessionRig& operator=(const SessionRig&) = delete;

    // The simulated set-up: the model was applied and a chip sits in the socket.
    bool ready() { return applied_ && session->board() != nullptr && session->board()->chip() != nullptr; }

    // One operation as a button runs it, with the messages of earlier ones forgotten.
    Outcome run(ChipOperation operation) {
        window.messages.clear();
        const RunOutcome result = session->run(operation);
        return {result, window.status, window.messages};
    }

    OperationParts parts() { return inside.parts(); }
    SimBoard& board() { return *session->board(); }
    SimChip& chip() { return *board().chip(); }
    // The chip's cells, once any write under way has had its time.
    const ChipMemory& chipmemory() {
        chip().settle(board().now_ns());
        return chip().memory();
    }

    VirtualClock clock;
    FakeWindow window;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    std::unique_ptr<Session> session;
    SessionInternals inside{*session};
    AppState& app = inside.app();
    AppliedModel& model = inside.model();
    MemoryImage& image = inside.image();
    DriverState& driverstate = inside.driverstate();
    EngineState& engine = inside.engine();
    StopRequest& stop = inside.stop();
    EventPump& pump = inside.pump();
    PortDriver& driver = inside.driver();
    Transfers& transfers = inside.transfers();
    WireRecorder wire{driverstate, clock};

private:
    std::unique_ptr<Session> makesession(BackendKind kind) {
        SessionOptions options;
        options.backend = kind;
        options.clock = &clock;
        return std::make_unique<Session>(window, settings, AppState{}, DeviceCatalogue{}, options);
    }

    bool applied_ = false;
};

}  // namespace vornalt::testing
