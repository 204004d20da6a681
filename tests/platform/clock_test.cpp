#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "platform/clock.h"
#include "support/stopping_clock.h"

namespace vornalt {
namespace {

using vornalt::testing::StoppingClock;

constexpr std::int64_t k_ms = 1'000'000;

TEST(StoppableSleep, EndsWithinASliceOfTheRequestHoweverLongTheWait) {
    for (const std::int32_t wait : {7, 5000, std::numeric_limits<std::int32_t>::max()}) {
        StopRequest stop;
        StoppingClock clock(stop, 3 * k_ms);  // the request comes 3 ms into the wait
        EXPECT_FALSE(clock.sleep_ms(wait, stop)) << wait;
        EXPECT_LE(clock.now_ns(), 3 * k_ms + Clock::k_stop_slice_ms * k_ms) << wait;
        EXPECT_LE(clock.longestsleep_ms, Clock::k_stop_slice_ms);
    }
}

TEST(StoppableSleep, WithoutARequestWaitsTheWholeTimeAndNoMore) {
    StopRequest stop;
    StoppingClock clock(stop, std::numeric_limits<std::int64_t>::max());
    EXPECT_TRUE(clock.sleep_ms(23, stop));
    EXPECT_EQ(clock.now_ns(), 23 * k_ms);
    EXPECT_TRUE(clock.sleep_ms(0, stop));
    EXPECT_EQ(clock.now_ns(), 23 * k_ms);
}

TEST(StoppableSleep, APendingRequestWaitsNothing) {
    StopRequest stop;
    stop.request();
    StoppingClock clock(stop, 0);
    EXPECT_FALSE(clock.sleep_ms(100, stop));
    EXPECT_EQ(clock.now_ns(), 0);
    VirtualClock virtualclock;
    EXPECT_FALSE(virtualclock.sleep_ms(100, stop));
    EXPECT_EQ(virtualclock.now_ns(), 0);
}

TEST(VirtualClock, StandsStillAtTheEndOfTimeInsteadOfWrapping) {
    VirtualClock clock;
    for (int i = 0; i < 5'000'000; ++i) clock.sleep_ms(std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(clock.now_ns(), std::numeric_limits<std::int64_t>::max());
    clock.busy_wait_us(1);
    EXPECT_EQ(clock.now_ns(), std::numeric_limits<std::int64_t>::max());
}

}  // namespace
}  // namespace vornalt
