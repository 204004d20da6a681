#pragma once
// A script engine wired to the real port driver and transfers over a wire recorder, with a
// virtual clock and a fake window: what a test runs a script against.
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "engine/script_engine.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/stop_request.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "support/fake_window.h"
#include "support/wire_recorder.h"

namespace vornalt {

struct EngineRig {
    DriverState driverstate;
    VirtualClock clock;
    FakeWindow window;
    EventPump pump{window, clock};
    WireRecorder wire{driverstate, clock};
    PortDriver driver{driverstate, wire, pump, clock};
    Transfers transfers{driver, pump, clock};
    EngineState state;
    MemoryImage image;
    AppliedModel model;
    StopRequest stop;
    ScriptEngine engine{state, image, model, transfers, window, pump, stop};

    explicit EngineRig(std::int32_t flashsize = 16, std::int32_t eepromsize = 8) {
        model.config1erased = 0x3FFF;
        model.config2erased = 0x3FFF;
        model.powerorder = PowerOrder::vddfirst;
        model.progtime = 5;
        image.flashsize = flashsize;
        image.eepromsize = eepromsize;
        clearbuffer(image, model.config1erased, model.config2erased);
        driver.setidle();
        wire.reset();
    }

    void run(const Script& script) {
        preparerun(state, script, image);
        engine.runtoend();
    }

    std::vector<std::string> statuses() const {
        std::vector<std::string> out;
        for (const std::string& call : window.calls) {
            if (call.rfind("status:", 0) == 0) out.push_back(call.substr(7));
        }
        return out;
    }

    // True when nothing is left switched on at the programmer.
    bool alllinesoff() const { return !wire.vdd() && !wire.vpp() && !wire.clockline() && !wire.dataout(); }
};

// Answers reads like a chip's memory: the word at an address that command 06 increments and
// that every power-up puts back to 0. FLASH reads (04) and EEPROM reads (05) use their array.
struct ScriptedChip {
    std::vector<std::int32_t> flash, eeprom;
    std::int32_t config = 0x3FFF;  // answer of reads after a load of configuration (command 00)

    void attach(WireRecorder& wire) {
        wire.answer = [this, &wire](std::int32_t code) {
            std::int32_t address = 0;
            bool inconfig = false;
            for (const WireEvent& e : wire.events) {
                if (e.kind == WireEvent::Kind::vppon) address = 0, inconfig = false;
                if (e.kind == WireEvent::Kind::command && e.code == 0x06) ++address;
                if (e.kind == WireEvent::Kind::load && e.code == 0x00) inconfig = true;
            }
            if (inconfig) return config;
            const std::vector<std::int32_t>& memory = code == 0x05 ? eeprom : flash;
            return address < static_cast<std::int32_t>(memory.size()) ? memory[static_cast<std::size_t>(address)]
                                                                      : 0x3FFF;
        };
    }
};

}  // namespace vornalt
