// Program All and Verify of a full 16F877A image (8192 words, 256 EEPROM bytes; the catalogue's
// own scripts) run side by side through the simulated parallel port (1 us per register access)
// and through the emulated PICkit 2 (1 ms per report each way, device-timed waits, frames clocked
// by the programmer). Times are on the virtual clock: what the run would take on the wire. Prints
// one table with the reports sent and read per operation; asserts nothing but that every run
// programmed and verified the chip.
#include <cstdint>
#include <cstdio>
#include <string>

#include "shipped_catalogue.h"
#include "pickit/pickit_link.h"
#include "sim/pickit2_emulator.h"

namespace vornalt {
namespace {

using testing::SessionRig;

constexpr std::int64_t k_access_cost_ns = 1'000;

struct Figures {
    double seconds[2] = {0, 0};  // Program All, Verify
    std::int64_t sent[2] = {0, 0};
    std::int64_t read[2] = {0, 0};
    bool ok = true;
};

void fillimage(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < words.size(); ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x1234) & 0x3FFE;
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::int32_t>(k * 37 + 11) & 0xFF;
}

Figures run(bool pickit) {
    Figures f;
    SessionRig bench(testing::shippedcatalogue(), "16F877A");
    Pickit2Emulator emulator(bench.clock);
    pickit::PickitLink link(emulator);
    if (pickit) {
        emulator.insert(makechip("16F877A"));
        f.ok = link.open().ok();
        bench.driver.setlink(&link);
    } else {
        bench.board().setaccesscost_ns(k_access_cost_ns);
    }
    fillimage(bench.image);
    const ChipOperation operations[2] = {ChipOperation::programall, ChipOperation::verify};
    const char* endtexts[2] = {"Chip programmed", "Chip verified"};
    for (int i = 0; i < 2; ++i) {
        const std::int64_t start = pickit ? bench.clock.now_ns() : bench.board().now_ns();
        const std::int64_t sent = emulator.reportswritten();
        const std::int64_t read = emulator.reportsread();
        const testing::Outcome outcome = bench.run(operations[i]);
        const std::int64_t end = pickit ? bench.clock.now_ns() : bench.board().now_ns();
        f.seconds[i] = static_cast<double>(end - start) / 1e9;
        f.sent[i] = emulator.reportswritten() - sent;
        f.read[i] = emulator.reportsread() - read;
        if (outcome.endtext != endtexts[i]) {
            std::printf("  run failed: %s\n", outcome.endtext.c_str());
            f.ok = false;
        }
    }
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
                    f.seconds[1], total, reference > 0 ? total / reference : 0.0, static_cast<long long>(f.sent[0]),
                    static_cast<long long>(f.sent[1]), static_cast<long long>(f.read[0]),
                    static_cast<long long>(f.read[1]));
        ok = ok && f.ok;
    }
    return ok ? 0 : 1;
}
