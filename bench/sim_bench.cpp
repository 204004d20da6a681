// A whole 16F877A (8192 words and 256 EEPROM bytes) programmed through the session's port driver
// and transfers into the simulated board, on a virtual clock with 1 us charged per register
// access. The session is wired as the programs wire it, with the board injected as its port.
// The benchmark's own time is what the simulator costs on this machine; the counters predict the
// run on a real parallel port: "wire_s" is waits plus bit traffic, "waits_s" the waits alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "platform/clock.h"
#include "platform/silent_window.h"
#include "port/transfers.h"
#include "session/session.h"
#include "settings/memory_settings_backend.h"
#include "settings/settings_store.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"

namespace vornalt {
namespace {

constexpr std::int64_t k_access_cost_ns = 1'000;

SessionOptions onclock(Clock& clock) {
    SessionOptions options;
    options.clock = &clock;
    return options;
}

struct Bench {
    VirtualClock clock;
    SimBoard board{clock};
    SilentWindow window;
    MemorySettingsBackend settings;
    SettingsStore store{settings};
    Session session{window, store, AppState{}, DeviceCatalogue{}, onclock(clock)};
    Transfers& transfers = session.transfers();

    Bench() {
        board.insert(makechip("16F877A"));
        board.setaccesscost_ns(k_access_cost_ns);
        session.useport(board);
        session.openport();  // the driver on the board, lines idle
    }
    void command(std::int32_t code) {
        transfers.sendcommand(code);
        transfers.settledelay();
    }
    void load(std::int32_t code, std::int32_t word) {
        transfers.sendcommanddata(code, word);
        transfers.settledelay();
    }
};

// Chip Erase, then program memory in 8-word blocks, then the EEPROM. Externally timed: 18, the
// 1 ms the chip needs, End Programming. Internally timed: 08 and its 8 ms worst case.
void programall(Bench& b, bool external) {
    b.transfers.powerup(PowerOrder::vddfirst);
    b.command(0x1F);
    b.clock.sleep_ms(8);
    b.transfers.powerdown();
    b.transfers.powerup(PowerOrder::vddfirst);
    for (std::int32_t i = 0; i < 8192; ++i) {
        b.load(0x02, (i * 0x0765 + 0x1234) & 0x3FFF);
        if (i % 8 == 7) {
            b.command(external ? 0x18 : 0x08);
            b.clock.sleep_ms(external ? 1 : 8);
            if (external) b.command(0x17);
        }
        b.command(0x06);
    }
    b.transfers.powerdown();
    b.transfers.powerup(PowerOrder::vddfirst);
    for (std::int32_t i = 0; i < 256; ++i) {
        b.load(0x03, i);
        b.command(external ? 0x18 : 0x08);
        b.clock.sleep_ms(external ? 1 : 8);
        if (external) b.command(0x17);
        b.command(0x06);
    }
    b.transfers.powerdown();
}

void BM_Program16F877A(benchmark::State& st) {
    const bool external = st.range(0) != 0;
    double wire_s = 0;
    double waits_s = 0;
    double accesses = 0;
    for (auto _ : st) {
        Bench b;
        programall(b, external);
        wire_s = static_cast<double>(b.board.now_ns()) / 1e9;
        waits_s = static_cast<double>(b.clock.now_ns()) / 1e9;
        accesses = static_cast<double>(b.board.accesses());
        benchmark::DoNotOptimize(b.board.chip()->memory().program.data());
    }
    st.counters["wire_s"] = wire_s;
    st.counters["waits_s"] = waits_s;
    st.counters["accesses"] = accesses;
    st.SetLabel(external ? "18 + 17, 1 ms" : "08, 8 ms");
}
BENCHMARK(BM_Program16F877A)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vornalt
