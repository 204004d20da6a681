#include "session/stop_signals.h"

#include <gtest/gtest.h>

#include <csignal>

namespace vornalt {
namespace {

// The program installs the handlers before it has anything to stop: a signal in those first
// moments must neither kill it nor be forgotten.
TEST(StopSignals, ASignalBeforeThereIsARunIsKeptAndStopsTheRunOnceAttached) {
    for (int signal : {SIGINT, SIGTERM}) {
        StopSignals signals;
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_EQ(signals.received(), signal);
        StopRequest stop;
        signals.attach(stop);
        EXPECT_TRUE(stop.requested());
    }
}

TEST(StopSignals, AfterAttachASignalSetsTheRequest) {
    StopSignals signals;
    StopRequest stop;
    signals.attach(stop);
    EXPECT_FALSE(stop.requested());
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_TRUE(stop.requested());
    EXPECT_EQ(signals.received(), SIGTERM);
}

}  // namespace
}  // namespace vornalt
