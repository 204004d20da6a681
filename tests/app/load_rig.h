#pragma once
// The shell's state wired together the way the program wires it, with a port opener that
// hands out recording ports and a memory settings store.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/load_sequence.h"
#include "programmer/programmer_port.h"
#include "support/fake_window.h"
#include "app/shell_fixture.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "settings/memory_settings_backend.h"

namespace vornalt::testing {

struct RegisterWrite {
    std::uint16_t address;
    std::uint8_t value;
};

class TestPort final : public PortIo {
public:
    TestPort(std::int32_t base, bool available) : base(base), available_(available) {}
    void write(std::uint16_t address, std::uint8_t value) override { writes.push_back({address, value}); }
    std::uint8_t read(std::uint16_t) override { return 0; }
    bool available() const override { return available_; }
    std::string reason() const override { return available_ ? "" : "No parallel port at this address. Check the port."; }

    std::int32_t base;
    std::vector<RegisterWrite> writes;

private:
    bool available_;
};

struct LoadRig {
    AppState app;
    DeviceCatalogue catalogue = threemodels();
    AppliedModel model;
    MemoryImage image;
    DriverState state;
    VirtualClock clock;
    FakeWindow window;
    EventPump pump{window, clock};
    std::vector<std::int32_t> opened;       // every address the opener was asked for
    std::vector<std::int32_t> unavailable;  // addresses whose port cannot be reached
    ProgrammerPort port{testrow(), "", clock, state};
    PortDriver driver{state, port.io(), pump, clock};
    MemorySettingsBackend backend;
    SettingsStore settings{backend};

    LoadRig() { app.applicationfolder = "/opt/vornalt/"; }

    // A backend row whose every opening hands out a recording port, reachable unless its
    // address is listed in unavailable.
    BackendRow testrow() {
        BackendRow row = backendrow(BackendKind::parallelport);
        row.open = [this](const BackendOpening& opening) -> std::unique_ptr<PortIo> {
            opened.push_back(opening.portaddress);
            bool reachable = true;
            for (std::int32_t a : unavailable) reachable = reachable && a != opening.portaddress;
            return std::make_unique<TestPort>(opening.portaddress, reachable);
        };
        return row;
    }

    void load() { formload({app, catalogue, model, image, driver, port, settings, window}); }
    TestPort& testport() { return dynamic_cast<TestPort&>(port.io()); }
    std::string stored(std::string_view name) { return backend.get(name).value_or("<missing>"); }
};

}  // namespace vornalt::testing
