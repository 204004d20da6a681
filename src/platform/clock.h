#pragma once
// The seam to time: blocking sleeps, short busy waits and a monotonic reading.
#include <cstdint>
#include <functional>
#include <limits>

#include "platform/stop_request.h"

namespace vornalt {

class Clock {
public:
    virtual ~Clock() = default;

    // Nanoseconds since an arbitrary fixed start; never goes backwards.
    virtual std::int64_t now_ns() const = 0;
    // Blocks for the given milliseconds (the waits of scripts and power sequences).
    virtual void sleep_ms(std::int32_t ms) = 0;
    // Spins for at least the given microseconds without giving up the thread.
    virtual void busy_wait_us(std::int32_t us) = 0;
    // Like sleep_ms, but ends within k_stop_slice_ms of the stop request being set (a wait of
    // seconds with the chip powered must not outlast a Ctrl+C or a closing window). True when
    // the whole time was waited.
    bool sleep_ms(std::int32_t ms, const StopRequest& stop) { return sleep_ms(ms, stop, {}); }
    // The same, running `between` after each slice: a window keeps painting and hears its close
    // box during a wait of any length (the close sets the request the next slice looks at).
    virtual bool sleep_ms(std::int32_t ms, const StopRequest& stop, const std::function<void()>& between);

    static constexpr std::int32_t k_stop_slice_ms = 5;
};

// Steady clock of the machine (on Windows with a 1 ms timer resolution while it lives).
class RealClock final : public Clock {
public:
    using Clock::sleep_ms;
    RealClock();
    ~RealClock() override;
    RealClock(const RealClock&) = delete;
    RealClock& operator=(const RealClock&) = delete;

    std::int64_t now_ns() const override;
    void sleep_ms(std::int32_t ms) override;
    void busy_wait_us(std::int32_t us) override;
};

// Time that moves only when asked: tests, the simulator's instant mode and benchmarks.
class VirtualClock final : public Clock {
public:
    using Clock::sleep_ms;
    std::int64_t now_ns() const override { return now_; }
    void sleep_ms(std::int32_t ms) override { advance_ns(ms > 0 ? std::int64_t{ms} * 1'000'000 : 0); }
    void busy_wait_us(std::int32_t us) override { advance_ns(us > 0 ? std::int64_t{us} * 1'000 : 0); }
    // Virtual time passes at once, so only a request made before the wait can cut it short.
    bool sleep_ms(std::int32_t ms, const StopRequest& stop, const std::function<void()>&) override {
        if (stop.requested()) return false;
        sleep_ms(ms);
        return true;
    }
    // Time stands still at the largest reading rather than wrapping into the past: a run of
    // billions of long waits must not turn the clock negative.
    void advance_ns(std::int64_t ns) {
        if (ns <= 0) return;
        now_ = ns > k_end_of_time - now_ ? k_end_of_time : now_ + ns;
    }

    static constexpr std::int64_t k_end_of_time = std::numeric_limits<std::int64_t>::max();

private:
    std::int64_t now_ = 0;
};

}  // namespace vornalt
