// A stop request that arrives while the engine waits (a script wait, the programming time, a
// power-up step) ends the wait within a slice and the run powers down.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "engine/script_engine.h"
#include "image/memory_image.h"
#include "platform/event_pump.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "support/fake_window.h"
#include "support/stopping_clock.h"
#include "support/wire_recorder.h"

namespace vornalt {
namespace {

constexpr std::int64_t k_ms = 1'000'000;

struct StoppingRig {
    explicit StoppingRig(std::int64_t stopat_ns) : clock(stop, stopat_ns) {
        model.powerorder = PowerOrder::vddfirst;
        model.config1erased = 0x3FFF;
        image.flashsize = 4;
        image.eepromsize = 0;
        clearbuffer(image, 0x3FFF, 0x3FFF);
        driver.setidle();
    }
    StopRequest stop;
    testing::StoppingClock clock;
    DriverState driverstate;
    FakeWindow window;
    EventPump pump{window, clock};
    WireRecorder wire{driverstate, clock};
    PortDriver driver{driverstate, wire, pump, clock};
    Transfers transfers{driver, pump, clock};
    EngineState state;
    MemoryImage image;
    AppliedModel model;
    ScriptEngine engine{state, image, model, transfers, window, pump, stop};
};

TEST(EngineStopDuringWait, EveryKindOfWaitEndsWithinASliceAndTheRunPowersDown) {
    struct Case {
        const char* name;
        Script script;
        std::int32_t progtime;
        std::int64_t stopat_ns;
    };
    const Case cases[] = {
        {"longest script wait", {"begin", "w2147483647", "end"}, 4, 150 * k_ms},
        {"five second wait", {"begin", "w5000", "end"}, 4, 150 * k_ms},
        {"programming time", {"begin", "wprog", "end"}, 2147483647, 150 * k_ms},
        {"first power-up step", {"begin", "end"}, 4, 20 * k_ms},
    };
    for (const Case& c : cases) {
        StoppingRig rig(c.stopat_ns);
        rig.model.progtime = c.progtime;
        preparerun(rig.state, c.script, rig.image);
        rig.engine.runtoend();
        EXPECT_TRUE(rig.state.runstopped) << c.name;
        EXPECT_FALSE(rig.wire.vdd()) << c.name;
        EXPECT_FALSE(rig.wire.vpp()) << c.name;
        // The request, at most one slice of waiting, then the power-down's two 50 ms steps.
        EXPECT_LE(rig.clock.now_ns(), c.stopat_ns + (Clock::k_stop_slice_ms + 2 * Transfers::k_power_step_ms) * k_ms)
            << c.name;
    }
}

TEST(EngineStopDuringWait, AStopInTheFirstPowerUpStepNeverSwitchesTheSecondLineOn) {
    StoppingRig rig(20 * k_ms);
    preparerun(rig.state, {"begin", "end"}, rig.image);
    rig.engine.runtoend();
    for (const WireEvent& event : rig.wire.events) EXPECT_NE(event.kind, WireEvent::Kind::vppon);
}

}  // namespace
}  // namespace vornalt
