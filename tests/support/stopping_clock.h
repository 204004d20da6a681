#pragma once
// A clock whose sleeps pass virtual time and which sets a stop request once a given time has
// passed: a Ctrl+C that arrives in the middle of a wait. It keeps the longest single sleep, so
// a test can see that a wait looks at the request often enough.
#include <algorithm>
#include <cstdint>

#include "platform/clock.h"
#include "platform/stop_request.h"

namespace vornalt::testing {

class StoppingClock final : public Clock {
public:
    using Clock::sleep_ms;
    StoppingClock(StopRequest& stop, std::int64_t stopat_ns) : stop_(stop), stopat_ns_(stopat_ns) {}

    std::int64_t now_ns() const override { return now_; }
    void sleep_ms(std::int32_t ms) override {
        longestsleep_ms = std::max(longestsleep_ms, ms);
        advance(std::int64_t{ms} * 1'000'000);
    }
    void busy_wait_us(std::int32_t us) override { advance(std::int64_t{us} * 1'000); }

    std::int32_t longestsleep_ms = 0;

private:
    void advance(std::int64_t ns) {
        if (ns <= 0) return;
        now_ += ns;
        if (now_ >= stopat_ns_) stop_.request();
    }

    StopRequest& stop_;
    std::int64_t stopat_ns_;
    std::int64_t now_ = 0;
};

}  // namespace vornalt::testing
