// The link against the emulated PICkit 2 with a simulated 16F84A behind it: firmware checks,
// voltages, a word written and read back at frame level with the device timing the wait, supply
// faults and a programmer that goes away.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pickit/pickit_link.h"
#include "platform/clock.h"
#include "sim/pickit2_emulator.h"
#include "sim/sim_chip.h"

namespace vornalt::pickit {
namespace {

struct Rig {
    explicit Rig(Pickit2Options options = {}) : pickit(clock, options) { pickit.insert(makechip("16F84A")); }
    VirtualClock clock;
    Pickit2Emulator pickit;
    PickitLink link{pickit};

    // Into programming mode the 16F84A's way: VDD, then VPP, 50 ms each.
    void enter() {
        link.setline(Line::vdd, true);
        link.hold_us(50'000);
        link.setline(Line::vpp, true);
        link.hold_us(50'000);
        static_cast<void>(link.flush());
    }
};

TEST(PickitLink, ReportsTheFirmwareAndRefusesOneOlderThan232) {
    struct Case {
        std::array<std::uint8_t, 3> version;
        bool accepted;
    };
    for (const Case c : {Case{{2, 32, 0}, true}, Case{{2, 40, 1}, true}, Case{{3, 0, 0}, true},
                         Case{{2, 31, 9}, false}, Case{{1, 99, 0}, false}}) {
        Pickit2Options options;
        options.version = c.version;
        Rig rig(options);
        const Status opened = rig.link.open();
        EXPECT_EQ(opened.ok(), c.accepted) << versiontext(rig.link.version());
        EXPECT_EQ(versiontext(rig.link.version()),
                  versiontext({c.version[0], c.version[1], c.version[2]}));
        if (!c.accepted) {
            EXPECT_NE(opened.error().message.find(versiontext(rig.link.version())), std::string::npos);
            EXPECT_NE(opened.error().message.find("2.32"), std::string::npos);
        }
    }
}

TEST(PickitLink, WaitsForACloneThatMissesTheFirstQueriesButNotForever) {
    Pickit2Options slow;
    slow.unanswered_version_queries = PickitLink::k_version_attempts - 1;
    Rig late(slow);
    EXPECT_TRUE(late.link.open().ok());

    Pickit2Options silent;
    silent.unanswered_version_queries = PickitLink::k_version_attempts;
    Rig mute(silent);
    const Status opened = mute.link.open();
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error().message.find("firmware version"), std::string::npos);
}

TEST(PickitLink, SetsTheSuppliesAndReadsThemBack) {
    Rig rig;
    ASSERT_TRUE(rig.link.open(5.0, 13.0).ok());
    EXPECT_NEAR(rig.pickit.vdd_volts(), 5.0, 0.05);
    EXPECT_NEAR(rig.pickit.vpp_volts(), 13.0, 0.1);
    EXPECT_FALSE(rig.pickit.vddon());
    rig.enter();
    const Result<Voltages> measured = rig.link.readvoltages();
    ASSERT_TRUE(measured.ok());
    EXPECT_NEAR(measured.value().vdd, 5.0, 0.05);
    EXPECT_NEAR(measured.value().vpp, 13.0, 0.1);
}

// Load Data (02), Begin Erase/Programming (08), the wait, Read Data (04) on EEPROM byte 0.
std::int32_t writeandread(Rig& rig, std::int64_t wait_us) {
    rig.enter();
    rig.link.commanddata(0x03, 0x5A);  // Load Data for Data Memory
    rig.link.command(0x08);
    rig.link.hold_us(wait_us);
    return rig.link.readword(0x05);    // Read Data from Data Memory
}

TEST(PickitLink, AWordWrittenAndReadBackAtFrameLevelWithTheDeviceTimingTheWait) {
    Rig rig;
    ASSERT_TRUE(rig.link.open().ok());
    EXPECT_EQ(writeandread(rig, 20'000) & 0xFF, 0x5A);
    EXPECT_EQ(rig.pickit.chip()->memory().eeprom[0], 0x5A);
    EXPECT_TRUE(rig.link.status().ok());
}

TEST(PickitLink, AWaitTooShortForTheChipLeavesTheWriteUndone) {
    Rig rig;
    ASSERT_TRUE(rig.link.open().ok());
    static_cast<void>(writeandread(rig, 1'000));
    rig.pickit.chip()->settle(rig.clock.now_ns());
    EXPECT_NE(rig.pickit.chip()->memory().eeprom[0], 0x5A);
}

TEST(PickitLink, ASupplyFaultIsReportedAndThePowerStillGoesOff) {
    struct Case {
        bool vddshort;
        std::string_view says;
    };
    for (const Case c : {Case{true, "VDD short"}, Case{false, "VPP fault"}}) {
        Pickit2Options options;
        options.vdd_short = c.vddshort;
        options.vpp_short = !c.vddshort;
        Rig rig(options);
        ASSERT_TRUE(rig.link.open().ok());
        rig.enter();
        ASSERT_FALSE(rig.link.status().ok());
        EXPECT_NE(rig.link.status().error().message.find(c.says), std::string::npos);
        EXPECT_EQ(rig.link.readword(0x04), 0);
        rig.link.close();
        EXPECT_FALSE(rig.pickit.vddon());
        EXPECT_FALSE(rig.pickit.vppon());
    }
}

TEST(PickitLink, AProgrammerPulledOutEndsTheRunWithItsReason) {
    Rig rig;
    ASSERT_TRUE(rig.link.open().ok());
    rig.enter();
    rig.pickit.unplug();
    EXPECT_EQ(rig.link.readword(0x04), 0);
    ASSERT_FALSE(rig.link.status().ok());
    EXPECT_NE(rig.link.status().error().message.find("disconnected"), std::string::npos);
    rig.link.close();  // nothing left to tell it; must not hang or throw
}

TEST(PickitLink, ClosePowersDownAndReleasesThePins) {
    Rig rig;
    ASSERT_TRUE(rig.link.open().ok());
    rig.enter();
    EXPECT_TRUE(rig.pickit.vddon());
    const Result<bool> pulledup = rig.link.readdatain();
    ASSERT_TRUE(pulledup.ok());
    EXPECT_TRUE(pulledup.value());
    rig.link.close();
    EXPECT_FALSE(rig.pickit.vddon());
    EXPECT_FALSE(rig.pickit.vppon());
}

}  // namespace
}  // namespace vornalt::pickit
