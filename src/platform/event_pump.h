#pragma once
// Coalesced event processing for hot paths: a line operation or a progress text calls
// yield(), which runs the event loop only when about 10 ms have passed since it last ran.
// Running it at every line change would more than double the time a chip operation spends on
// the wire (a repaint costs tens of microseconds, a port access about one).
#include <cstdint>

#include "platform/clock.h"
#include "platform/window_services.h"

namespace vornalt {

class EventPump {
public:
    static constexpr std::int64_t k_interval_ns = 10'000'000;
    // The clock is read only every k_calls_per_check yields, to keep the hot path cheap.
    static constexpr int k_calls_per_check = 16;

    EventPump(WindowServices& window, const Clock& clock) : window_(window), clock_(clock) {}

    void yield() {
        if (--countdown_ > 0) return;
        countdown_ = k_calls_per_check;
        const std::int64_t now = clock_.now_ns();
        if (now - last_ns_ >= k_interval_ns) run(now);
    }

    // Always runs the event loop (start texts, enable/disable).
    void yield_now() { run(clock_.now_ns()); }

private:
    void run(std::int64_t now) {
        last_ns_ = now;
        window_.process_events();
    }

    WindowServices& window_;
    const Clock& clock_;
    std::int64_t last_ns_ = 0;
    int countdown_ = 1;
};

}  // namespace vornalt
