#pragma once
// The seam to time: blocking sleeps, short busy waits and a monotonic reading.
#include <cstdint>

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
};

// Steady clock of the machine (on Windows with a 1 ms timer resolution while it lives).
class RealClock final : public Clock {
public:
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
    std::int64_t now_ns() const override { return now_; }
    void sleep_ms(std::int32_t ms) override { advance_ns(ms > 0 ? std::int64_t{ms} * 1'000'000 : 0); }
    void busy_wait_us(std::int32_t us) override { advance_ns(us > 0 ? std::int64_t{us} * 1'000 : 0); }
    void advance_ns(std::int64_t ns) { now_ += ns; }

private:
    std::int64_t now_ = 0;
};

}  // namespace vornalt
