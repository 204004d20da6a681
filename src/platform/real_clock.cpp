#include <chrono>
#include <thread>

#include "platform/clock.h"

#ifdef _WIN32
#include <windows.h>
#include <timeapi.h>
#endif

namespace vornalt {

// Sliced against the clock's own reading: short sleeps that each look at the request, and an
// end fixed at the start so the slices add no drift. A late wake-up only shortens the next one.
bool Clock::sleep_ms(std::int32_t ms, const StopRequest& stop, const std::function<void()>& between) {
    if (ms <= 0) return !stop.requested();
    const std::int64_t slice_ns = std::int64_t{k_stop_slice_ms} * 1'000'000;
    const std::int64_t until = now_ns() + std::int64_t{ms} * 1'000'000;
    for (;;) {
        if (stop.requested()) return false;
        const std::int64_t left = until - now_ns();
        if (left <= 0) return true;
        const std::int64_t step = left < slice_ns ? left : slice_ns;
        sleep_ms(static_cast<std::int32_t>((step + 999'999) / 1'000'000));
        if (between) between();
    }
}

RealClock::RealClock() {
#ifdef _WIN32
    timeBeginPeriod(1);  // Sleep(1) would otherwise last up to a 15.6 ms scheduler tick
#endif
}

RealClock::~RealClock() {
#ifdef _WIN32
    timeEndPeriod(1);
#endif
}

std::int64_t RealClock::now_ns() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RealClock::sleep_ms(std::int32_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealClock::busy_wait_us(std::int32_t us) {
    if (us <= 0) return;
    const std::int64_t until = now_ns() + std::int64_t{us} * 1'000;
    while (now_ns() < until) {
    }
}

}  // namespace vornalt
