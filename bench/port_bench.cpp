// Cost of the port driver's hot path against a port that does nothing, so what is measured is
// the driver itself: the shadow-byte update, the two writes and the read through the port
// seam, and the coalesced yield. "per_line_op" is the time of one line operation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/line_trace.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "support/silent_window.h"

namespace vornalt {
namespace {

class NoOpPort final : public PortIo {
public:
    void write(std::uint16_t, std::uint8_t value) override { benchmark::DoNotOptimize(value); }
    std::uint8_t read(std::uint16_t) override { return 0x40; }
};

// Swallows the trace text, so the trace's own decoding and formatting is what costs.
class NullBuffer final : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct Bench {
    DriverState state;
    RealClock clock;
    SilentWindow window;
    EventPump pump{window, clock};
    NoOpPort port;
    PortDriver driver{state, port, pump, clock};
    Transfers transfers{driver, pump, clock};
};

void perlineop(benchmark::State& st, std::int64_t ops_per_iteration) {
    st.counters["per_line_op"] = benchmark::Counter(static_cast<double>(st.iterations() * ops_per_iteration),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LineOperation(benchmark::State& st) {
    Bench b;
    for (auto _ : st) {
        b.driver.clockon();
        b.driver.clockoff();
    }
    perlineop(st, 2);
}
BENCHMARK(BM_LineOperation);

void BM_ReadDataIn(benchmark::State& st) {
    Bench b;
    for (auto _ : st) benchmark::DoNotOptimize(b.driver.readdatain());
    perlineop(st, 1);
}
BENCHMARK(BM_ReadDataIn);

void BM_SendCommandData(benchmark::State& st) {
    Bench b;
    std::int32_t word = 0;
    for (auto _ : st) {
        b.transfers.sendcommanddata(0x02, word);
        word = (word + 0x155) & 0x3FFF;
    }
    perlineop(st, 66);
}
BENCHMARK(BM_SendCommandData);

void BM_ReadData(benchmark::State& st) {
    Bench b;
    for (auto _ : st) benchmark::DoNotOptimize(b.transfers.readdata(0x04));
    perlineop(st, 66);
}
BENCHMARK(BM_ReadData);

// The same frame with a line trace attached: what a user pays for tracing.
void BM_SendCommandDataTraced(benchmark::State& st) {
    Bench b;
    NullBuffer sink;
    std::ostream out(&sink);
    LineTrace trace(b.port, b.state, b.clock, out);
    b.driver.setio(trace);
    std::int32_t word = 0;
    for (auto _ : st) {
        b.transfers.sendcommanddata(0x02, word);
        word = (word + 0x155) & 0x3FFF;
    }
    perlineop(st, 66);
}
BENCHMARK(BM_SendCommandDataTraced);

}  // namespace
}  // namespace vornalt
