// A full-chip run executes hundreds of thousands of steps; none of them may allocate.
// This program counts every allocation made through operator new.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "engine/script_engine.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "support/silent_window.h"

namespace {
long g_allocations = 0;
}

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vornalt {
namespace {

class SilentPort final : public PortIo {
public:
    void write(std::uint16_t, std::uint8_t) override {}
    // DATA IN (pin 10, inverted by the default wiring) reads 0 at every clock.
    std::uint8_t read(std::uint16_t) override { return 0x40; }
};

TEST(EngineHotPath, StepsOfAFullChipRunAllocateNothing) {
    DriverState driverstate;
    VirtualClock clock;
    SilentWindow window;
    EventPump pump(window, clock);
    SilentPort port;
    PortDriver driver(driverstate, port, pump, clock);
    Transfers transfers(driver, pump, clock);
    EngineState state;
    MemoryImage image;
    image.flashsize = 1024;
    image.eepromsize = 64;
    clearbuffer(image, 0x3FFF, 0x3FFF);
    // The silent port reads 0 everywhere, so an image of zeros verifies without a message.
    std::fill(image.flashbuffer.begin(), image.flashbuffer.end(), 0);
    AppliedModel model;
    model.powerorder = PowerOrder::vddfirst;
    model.progtime = 4;
    StopRequest stop;
    ScriptEngine engine(state, image, model, transfers, window, pump, stop);

    const Script script{"begin", "calcflash", "setflashloop", "s02-flash", "s08", "wprog", "s06", "loop",
                        "end",   "begin",     "setflashloop", "temp=s04",  "checkflash", "s06", "loop",
                        "seteepromloop", "eeprom=s05", "w2", "s06", "loop", "s00-config1", "config1=s04", "end"};
    preparerun(state, script, image);
    const long before = g_allocations;
    engine.runtoend();
    EXPECT_EQ(g_allocations - before, 0);
    EXPECT_FALSE(state.failureflag);
    EXPECT_FALSE(state.runstopped);
    EXPECT_EQ(state.loopendaddress, 63) << "the run reached the EEPROM loop " << state.loopstartline << " " << state.linecounter << " " << image.eeprombuffer[5];
}

}  // namespace
}  // namespace vornalt
