// Transfers with a link plugged in: every transfer, power step and wait goes to the link in the
// engine's order, the port sees nothing, and the host clock does not run the waits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port/transfers.h"
#include "port_fakes.h"

namespace vornalt {
namespace {

class RecordingLink final : public TransferLink {
public:
    std::vector<std::string> calls;

    void command(std::int32_t code) override { calls.push_back("command " + std::to_string(code)); }
    void commanddata(std::int32_t code, std::int32_t word) override {
        calls.push_back("data " + std::to_string(code) + " " + std::to_string(word));
    }
    std::int32_t readword(std::int32_t code) override {
        calls.push_back("read " + std::to_string(code));
        return 0x1234;
    }
    void setline(Line line, bool on) override {
        static const char* const names[] = {"vdd", "vpp", "clock", "dataout", "datain"};
        calls.push_back(std::string(names[static_cast<int>(line)]) + (on ? " on" : " off"));
    }
    void hold_us(std::int64_t us) override { calls.push_back("hold " + std::to_string(us)); }
    Status flush() override {
        calls.push_back("flush");
        return status_;
    }
    const Status& status() const override { return status_; }
    void drop() override { calls.push_back("drop"); }

    Status status_;
};

using Calls = std::vector<std::string>;

TEST(TransferLink, TheEnginesTransfersReachTheLinkInOrderAndNothingElse) {
    testing::Rig rig;
    rig.driver.setidle();
    rig.port.log.clear();
    RecordingLink link;
    rig.transfers.setlink(&link);
    const std::int64_t start = rig.clock.now_ns();

    EXPECT_TRUE(rig.transfers.powerup(PowerOrder::vppfirst, StopRequest{}));
    rig.transfers.sendcommanddata(0x02, 0x3FFF);
    rig.transfers.sendcommand(0x08);
    EXPECT_TRUE(rig.transfers.wait_ms(10, StopRequest{}));
    EXPECT_EQ(rig.transfers.readdata(0x04), 0x1234);
    rig.transfers.sendcommand(64);  // out of range: nothing, as on the port
    rig.transfers.powerdown();

    EXPECT_EQ(link.calls, (Calls{"vpp on", "hold 50000", "vdd on", "hold 50000", "flush", "data 2 16383",
                                 "command 8", "hold 10000", "read 4", "vdd off", "hold 50000", "vpp off",
                                 "hold 50000", "flush"}));
    EXPECT_TRUE(rig.port.log.empty());
    EXPECT_EQ(rig.clock.now_ns(), start);
}

TEST(TransferLink, ShutdownDropsWhatIsQueuedBeforePoweringDownAndReleasing) {
    testing::Rig rig;
    RecordingLink link;
    rig.transfers.setlink(&link);
    rig.transfers.shutdown();
    EXPECT_EQ(link.calls, (Calls{"drop", "vdd off", "hold 50000", "vpp off", "hold 50000", "flush", "clock off",
                                 "dataout off", "flush"}));
}

TEST(TransferLink, AFailedLinkIsWhatTheRunSeesAndWithoutOneAllIsWell) {
    testing::Rig rig;
    EXPECT_TRUE(rig.transfers.linkstatus().ok());
    RecordingLink link;
    link.status_ = Status(Error{"gone"});
    rig.transfers.setlink(&link);
    ASSERT_FALSE(rig.transfers.linkstatus().ok());
    EXPECT_EQ(rig.transfers.linkstatus().error().message, "gone");
}

}  // namespace
}  // namespace vornalt
