// Program All and Verify of a full 16F877A image (8192 words, 256 EEPROM bytes; the catalogue's
// own scripts) run side by side through the simulated parallel port (1 us per register access)
// and through the emulated PICkit 2 (1 ms per report each way, device-timed waits, frames clocked
// by the programmer). Times are on the virtual clock: what the run would take on the wire. Prints
// one table with the reports sent and read per operation; asserts nothing but that every run
// programmed and verified the chip.
#include <cstdint>
#include <cstdio>
#include <string>

#include "program_verify_run.h"
#include "pickit/pickit_link.h"
#include "sim/pickit2_emulator.h"

namespace vornalt {
namespace {

using testing::SessionRig;

constexpr std::int64_t k_access_cost_ns = 1'000;

using Figures = programmer_bench::ProgramVerify;

Figures run(bool pickit) {
    bool linked = true;
    SessionRig bench(testing::shippedcatalogue(), "16F877A");
    Pickit2Emulator emulator(bench.clock);
    pickit::PickitLink link(emulator);
    if (pickit) {
        emulator.insert(makechip("16F877A"));
        linked = link.open().ok();
        bench.driver.setlink(&link);
    } else {
        bench.board().setaccesscost_ns(k_access_cost_ns);
    }
    Figures f = programmer_bench::programandverify(
        bench, [&] { return pickit ? bench.clock.now_ns() : bench.board().now_ns(); },
        [&] { return std::array<std::int64_t, 2>{emulator.reportswritten(), emulator.reportsread()}; });
    f.ok = f.ok && linked;
    bench.driver.setlink(nullptr);  // the session outlives the link
    return f;
}

}  // namespace
}  // namespace vornalt

int main() {
    double reference = 0;
    bool ok = true;
    std::printf("%-34s %10s %10s %9s %7s %14s %14s\n", "path", "program s", "verify s", "total s", "ratio",
                "reports out P/V", "reports in P/V");
    for (const bool pickit : {false, true}) {
        const vornalt::Figures f = vornalt::run(pickit);
        const double total = f.seconds[0] + f.seconds[1];
        if (!pickit) reference = total;
        std::printf("%-34s %10.3f %10.3f %9.3f %7.3f %7lld/%-6lld %7lld/%-6lld\n",
                    pickit ? "PICkit 2 (1 ms per report)" : "parallel port (1 us/access)", f.seconds[0],
                    f.seconds[1], total, reference > 0 ? total / reference : 0.0, static_cast<long long>(f.counted[0][0]),
                    static_cast<long long>(f.counted[1][0]), static_cast<long long>(f.counted[0][1]),
                    static_cast<long long>(f.counted[1][1]));
        ok = ok && f.ok;
    }
    return ok ? 0 : 1;
}
