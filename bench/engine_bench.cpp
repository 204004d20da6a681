// How fast the engine gets through a script when the port costs nothing: the engine's own
// share of a chip operation. A real port adds about 1 us per register access on top.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "engine/script_engine.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "support/silent_window.h"

namespace vornalt {
namespace {

class SilentPort final : public PortIo {
public:
    void write(std::uint16_t, std::uint8_t) override {}
    std::uint8_t read(std::uint16_t) override { return 0x40; }  // DATA IN reads 0
};

struct Bench {
    DriverState driverstate;
    VirtualClock clock;
    SilentWindow window;
    EventPump pump{window, clock};
    SilentPort port;
    PortDriver driver{driverstate, port, pump, clock};
    Transfers transfers{driver, pump, clock};
    EngineState state;
    MemoryImage image;
    AppliedModel model;
    StopRequest stop;
    ScriptEngine engine{state, image, model, transfers, window, pump, stop};

    Bench() {
        image.flashsize = 8192;
        image.eepromsize = 256;
        clearbuffer(image, 0x3FFF, 0x3FFF);
        std::fill(image.flashbuffer.begin(), image.flashbuffer.end(), 0);
        std::fill(image.eeprombuffer.begin(), image.eeprombuffer.end(), 0);
        model.powerorder = PowerOrder::vddfirst;
        model.progtime = 1;
    }
};

// Recognition and dispatch only: lines that reach no port line (invalid codes, zero waits,
// progress texts of a FLASH form whose code the driver refuses).
void BM_EngineDispatch(benchmark::State& bench) {
    Bench b;
    Script script;
    const char* lines[] = {"w", "s40", "temp=s4x", "sxx-flash", "s0g", "s02-3ffg", "w0", "sxx-config1"};
    for (int i = 0; i < 4096; ++i) script.emplace_back(lines[i % 8]);
    std::int64_t steps = 0;
    for (auto _ : bench) {
        preparerun(b.state, script, b.image);
        b.state.linecounter = 1;
        while (b.state.linecounter <= b.state.lastline) {
            b.engine.enginestep();
            ++steps;
        }
    }
    bench.SetItemsProcessed(steps);
}
BENCHMARK(BM_EngineDispatch);

// A whole 8192-word, 256-byte program-and-verify run over a port that costs nothing.
void BM_FullChipProgramVerify(benchmark::State& bench) {
    Bench b;
    const Script script{"begin", "calcflash", "setflashloop", "s02-flash", "s18", "wprog", "s17", "s06", "loop",
                        "calceeprom", "seteepromloop", "s03-eeprom", "s18", "wprog", "s17", "s06", "loop", "end",
                        "begin", "calcflash", "setflashloop", "temp=s04", "checkflash", "s06", "loop",
                        "calceeprom", "seteepromloop", "temp=s05", "checkeeprom", "s06", "loop", "end"};
    std::int64_t steps = 0;
    for (auto _ : bench) {
        preparerun(b.state, script, b.image);
        b.state.linecounter = 1;
        while (b.state.linecounter <= b.state.lastline) {
            b.engine.enginestep();
            ++steps;
        }
        if (b.state.failureflag) bench.SkipWithError("the run failed");
    }
    bench.SetItemsProcessed(steps);
}
BENCHMARK(BM_FullChipProgramVerify)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vornalt
