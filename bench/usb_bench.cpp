// Program All and Verify of a full 16F877A image (8192 words, 256 EEPROM bytes; the catalogue's
// own scripts) run side by side through the simulated parallel port (1 us per register access)
// and through the emulated FT232R (1 ms round trips, 1 MB/s on the bus, 750 k steps/s on the
// pins), batched as shipped, then without device-timed waits, then unbatched. Times are on the
// virtual clock: what the run would take on the wire. Prints one table; asserts nothing but
// that every run programmed and verified the chip.
#include <cstdint>
#include <cstdio>
#include <string>

#include "program_verify_run.h"
#include "port/bitbang_link.h"
#include "sim/emulated_ftdi.h"
#include "sim/ft232r_emulator.h"

namespace vornalt {
namespace {

using testing::SessionRig;

constexpr std::int64_t k_access_cost_ns = 1'000;
constexpr std::int32_t k_steprate = 750'000;  // the FT232R's fastest: 3 MBd over 4

enum class Path { parallel, usb, usb_default_rate, usb_hostwaits, usb_unbatched };

using Figures = programmer_bench::ProgramVerify;

Figures run(Path path) {
    bool linked = true;
    SessionRig bench(testing::shippedcatalogue(), "16F877A");
    SimBoard usbboard(bench.clock, BoardConnector::bitbang, k_bitbang_wiring);
    Ft232rEmulator ft232r(usbboard, bench.clock);
    EmulatedFtdi device(ft232r);
    BitBangLink link(device, bench.driverstate, path == Path::usb_default_rate ? k_default_steprate : k_steprate);
    if (path == Path::parallel) {
        bench.board().setaccesscost_ns(k_access_cost_ns);
    } else {
        usebitbangdefaults(bench.driverstate);
        usbboard.insert(makechip("16F877A"));
        link.setdevicewaits(path == Path::usb || path == Path::usb_default_rate);
        link.setbatched(path != Path::usb_unbatched);
        bench.driver.setlink(&link);
        linked = link.open().ok();
    }
    Figures f = programmer_bench::programandverify(
        bench, [&] { return path == Path::parallel ? bench.board().now_ns() : bench.clock.now_ns(); },
        [&] { return std::array<std::int64_t, 2>{link.flushes(), link.bytessent()}; });
    f.ok = f.ok && linked;
    bench.driver.setlink(nullptr);  // the session outlives the link
    return f;
}

}  // namespace
}  // namespace vornalt

int main() {
    using vornalt::Path;
    struct Row {
        const char* name;
        Path path;
    };
    const Row rows[] = {{"parallel port (1 us/access)", Path::parallel},
                        {"FT232R, batched, device-timed waits", Path::usb},
                        {"  the same at 150 k steps/s", Path::usb_default_rate},
                        {"FT232R, batched, host waits", Path::usb_hostwaits},
                        {"FT232R, flush after every line op", Path::usb_unbatched}};
    double reference = 0;
    bool ok = true;
    std::printf("%-38s %12s %12s %10s %9s %10s %10s %11s\n", "path", "program s", "verify s", "total s", "ratio",
                "flushes P", "flushes V", "bytes P+V");
    for (const Row& row : rows) {
        const vornalt::Figures f = vornalt::run(row.path);
        const double total = f.seconds[0] + f.seconds[1];
        if (row.path == Path::parallel) reference = total;
        std::printf("%-38s %12.3f %12.3f %10.3f %9.3f %10lld %10lld %11lld\n", row.name, f.seconds[0], f.seconds[1],
                    total, reference > 0 ? total / reference : 0.0, static_cast<long long>(f.counted[0][0]),
                    static_cast<long long>(f.counted[1][0]), static_cast<long long>(f.counted[0][1] + f.counted[1][1]));
        ok = ok && f.ok;
    }
    return ok ? 0 : 1;
}
