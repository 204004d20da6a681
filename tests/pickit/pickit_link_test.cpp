// The link against the emulated PICkit 2 with a simulated 16F84A behind it: the firmware check,
// a clone slow to answer, a word written and read back at frame level with the device timing the
// wait, supply faults, and a programmer that goes away.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "pickit/pickit_link.h"
#include "platform/clock.h"
#include "sim/pickit2_emulator.h"
#include "sim/sim_chip.h"

namespace vornalt::pickit {
namespace {

OutputLines supplies(bool vdd, bool vpp) { return {vdd, vpp, false, false}; }

struct Rig {
    explicit Rig(Pickit2Options options = {}) : pickit(clock, options) { pickit.insert(makechip("16F84A")); }
    VirtualClock clock;
    Pickit2Emulator pickit;
    PickitLink link{pickit};

    // Into programming mode the 16F84A's way: VDD, then VPP, 50 ms each.
    void enter() {
        link.put(supplies(true, false));
        link.hold_us(50'000);
        link.put(supplies(true, true));
        link.hold_us(50'000);
        static_cast<void>(link.flush());
    }
    // Load Data for Data Memory (03), Begin Programming (08), the wait, Read Data (05).
    std::int32_t writeandread(std::int64_t wait_us) {
        enter();
        link.frame(0x03, 0x5A);
        link.frame(0x08, -1);
        link.hold_us(wait_us);
        const std::int64_t first = link.readframe(0x05);
        static_cast<void>(link.flush());
        std::int32_t word = 0;
        for (int i = 0; i < 14; ++i) word |= (link.value(first + i) ? 1 : 0) << i;
        return word;
    }
};

TEST(PickitLink, RefusesFirmwareOlderThan232AndSaysWhichItFound) {
    struct Case {
        std::array<std::uint8_t, 3> version;
        bool accepted;
    };
    for (const Case c : {Case{{2, 32, 0}, true}, Case{{3, 0, 0}, true}, Case{{2, 31, 9}, false}, Case{{1, 99, 0}, false}}) {
        Pickit2Options options;
        options.version = c.version;
        Rig rig(options);
        const Status opened = rig.link.open();
        EXPECT_EQ(opened.ok(), c.accepted) << versiontext(rig.link.version());
        if (!c.accepted) {
            EXPECT_NE(opened.error().message.find(versiontext(rig.link.version())), std::string::npos);
            EXPECT_NE(opened.error().message.find("2.32"), std::string::npos);
            EXPECT_FALSE(rig.pickit.vddon());
        }
    }
}

TEST(PickitLink, WaitsForACloneThatMissesTheFirstQueriesButNotForever) {
    Pickit2Options slow;
    slow.unanswered_version_queries = PickitLink::k_version_attempts - 1;
    Rig late(slow);
    EXPECT_TRUE(late.link.open().ok());

    // Answers that come after the host gave up are not read later as replies to other commands.
    Pickit2Options tardy;
    tardy.late_version_replies = 1;
    Rig behind(tardy);
    EXPECT_TRUE(behind.link.open().ok());
    EXPECT_EQ(behind.writeandread(20'000) & 0xFF, 0x5A);
    EXPECT_TRUE(behind.link.status().ok()) << behind.link.status().error().message;

    Pickit2Options silent;
    silent.unanswered_version_queries = PickitLink::k_version_attempts;
    Rig mute(silent);
    const Status opened = mute.link.open();
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error().message.find("firmware version"), std::string::npos);

    Pickit2Options booting;
    booting.bootloader = true;
    Rig loader(booting);
    const Status refused = loader.link.open();
    ASSERT_FALSE(refused.ok()) << "a bootloader's reply is no firmware version";
    EXPECT_NE(refused.error().message.find("bootloader"), std::string::npos);
}

TEST(PickitLink, AWordWrittenAndReadBackAtFrameLevelNeedsTheWholeDeviceTimedWait) {
    Rig rig;
    ASSERT_TRUE(rig.link.open().ok());
    EXPECT_EQ(rig.writeandread(20'000) & 0xFF, 0x5A);
    EXPECT_TRUE(rig.link.status().ok());

    // A long wait is spread over reports short enough that the next write does not time out.
    rig.link.hold_us(3'000'000);
    static_cast<void>(rig.link.flush());
    EXPECT_LE(rig.pickit.longestreport_ns(), 300'000'000);

    Rig hurried;
    ASSERT_TRUE(hurried.link.open().ok());
    static_cast<void>(hurried.writeandread(1'000));
    hurried.pickit.chip()->settle(hurried.clock.now_ns());
    EXPECT_NE(hurried.pickit.chip()->memory().eeprom[0], 0x5A) << "a too-short wait must not pass";
}

TEST(PickitLink, ASupplyFaultIsReportedAndThePowerStillGoesOff) {
    for (const bool vddshort : {true, false}) {
        Pickit2Options options;
        options.vdd_short = vddshort;
        options.vpp_short = !vddshort;
        Rig rig(options);
        ASSERT_TRUE(rig.link.open().ok());
        rig.enter();
        ASSERT_FALSE(rig.link.status().ok());
        EXPECT_NE(rig.link.status().error().message.find(vddshort ? "VDD short" : "VPP fault"), std::string::npos);
        rig.link.put(supplies(false, false));
        EXPECT_TRUE(rig.link.status().ok()) << "the fault ended its run; the programmer stays usable";
        EXPECT_TRUE(rig.link.usable());
        rig.link.close();
        EXPECT_FALSE(rig.pickit.vddon() || rig.pickit.vppon());
    }
}

TEST(PickitLink, AProgrammerPulledOutFailsForGoodWithoutHanging) {
    Rig rig;
    ASSERT_TRUE(rig.link.open().ok());
    rig.enter();
    rig.pickit.unplug();
    const std::int64_t first = rig.link.readframe(0x04);
    ASSERT_FALSE(rig.link.flush().ok());
    EXPECT_FALSE(rig.link.value(first));
    EXPECT_NE(rig.link.status().error().message.find("Programmer disconnected"), std::string::npos);
    rig.link.put(supplies(false, false));
    EXPECT_FALSE(rig.link.flush().ok());
    rig.link.close();
}

}  // namespace
}  // namespace vornalt::pickit
