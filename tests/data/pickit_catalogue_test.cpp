// Every model of the shipped catalogue through the emulated PICkit 2 and, side by side, through
// the simulated parallel port: the real session, engine and transfers with the PICkit link under
// the driver, the chip at pin level behind the emulated programmer. Each operation ends with the
// same texts, the same image and the same chip.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "same_as_parallel.h"
#include "shipped_catalogue.h"
#include "app/check_hardware.h"
#include "app/pin_profile.h"
#include "pickit/pickit_link.h"
#include "sim/pickit2_emulator.h"

namespace vornalt {
namespace {

using testing::Outcome;
using testing::SessionRig;

// The emulated PICkit 2 with a fresh chip of the bench's model, driven by the bench's session.
struct PickitPath {
    explicit PickitPath(SessionRig& bench, const Pickit2Options& options = {})
        : driver(bench.driver), emulator(bench.clock, options), link(emulator) {
        emulator.insert(makechip(bench.model.modelname));
        readpinsettings(bench.driverstate, bench.settings, pinprofile(BackendKind::pickit2));
        opened = link.open();
        bench.driver.setlink(&link);
    }
    // The session outlives the programmer: it must not reach for the link once it is gone.
    ~PickitPath() { driver.setlink(nullptr); }
    PickitPath(const PickitPath&) = delete;
    PickitPath& operator=(const PickitPath&) = delete;
    const ChipMemory& chipmemory(const VirtualClock& clock) {
        emulator.chip()->settle(clock.now_ns());
        return emulator.chip()->memory();
    }

    PortDriver& driver;
    Pickit2Emulator emulator;
    pickit::PickitLink link;
    Status opened;
};

class PickitModel : public ::testing::TestWithParam<std::string> {};

TEST_P(PickitModel, EachOperationEndsAsOnTheParallelPort) {
    SessionRig parallel(testing::shippedcatalogue(), GetParam());
    SessionRig usb(testing::shippedcatalogue(), GetParam());
    ASSERT_TRUE(parallel.ready() && usb.ready());
    PickitPath pickit(usb);
    ASSERT_TRUE(pickit.opened.ok());

    testing::expecteachoperationasonparallel(parallel, usb, [&]() -> const ChipMemory& { return pickit.chipmemory(usb.clock); });
    // The operations went through the programmer, not around it, and left the chip unpowered.
    EXPECT_GT(pickit.emulator.reportswritten(), 0);
    EXPECT_FALSE(pickit.emulator.vddon() || pickit.emulator.vppon()) << "the chip is left powered";
}

// A shorted supply ends the run with the programmer's reason, not with what a chip without power
// seemed to answer; the power is off afterwards.
TEST(PickitSession, ASupplyFaultEndsTheRunWithTheProgrammersReason) {
    for (const bool vddshort : {true, false}) {
        SessionRig usb(testing::shippedcatalogue(), "16F84A");
        ASSERT_TRUE(usb.ready());
        Pickit2Options options;
        options.vdd_short = vddshort;
        options.vpp_short = !vddshort;
        PickitPath pickit(usb, options);
        ASSERT_TRUE(pickit.opened.ok());
        const Outcome outcome = usb.run(ChipOperation::verify);
        EXPECT_EQ(outcome.result, RunOutcome::failed);
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_NE(outcome.messages.front().find(vddshort ? "VDD short" : "VPP fault"), std::string::npos)
            << outcome.messages.front();
        EXPECT_FALSE(pickit.emulator.vddon() || pickit.emulator.vppon());
        // The short removed, the same programmer runs again without being chosen anew.
        pickit.emulator.options().vdd_short = false;
        pickit.emulator.options().vpp_short = false;
        const Outcome again = usb.run(ChipOperation::blankcheck);
        EXPECT_EQ(again.endtext, "Chip is blank") << (again.messages.empty() ? "" : again.messages.front());
    }
}

// The engine's transfers go at frame level: a whole 16F877A goes in with fewer reports than it has
// words, where line level would take several reports per word.
TEST(PickitSession, ProgramAllSendsFewerReportsThanWords) {
    SessionRig usb(testing::shippedcatalogue(), "16F877A");
    ASSERT_TRUE(usb.ready());
    PickitPath pickit(usb);
    ASSERT_TRUE(pickit.opened.ok());
    auto words = flashwords(usb.image);
    for (std::size_t a = 0; a < words.size(); ++a) words[a] = static_cast<std::int32_t>(a * 0x0765 + 0x1234) & 0x3FFE;
    const std::int64_t before = pickit.emulator.reportswritten();
    EXPECT_EQ(usb.run(ChipOperation::programall).endtext, "Chip programmed");
    EXPECT_LT(pickit.emulator.reportswritten() - before, static_cast<std::int64_t>(words.size()));
    EXPECT_EQ(pickit.chipmemory(usb.clock).program[words.size() - 1], words.back()) << "the last word went in";
}

// Check Hardware on the PICkit: each box reaches the programmer at once, DATA IN is read with PGD
// let go (the pulled-up line, high with no chip output), and the supplies it measures are shown.
TEST(PickitSession, CheckHardwareSwitchesTheSuppliesAndShowsWhatTheyMeasure) {
    SessionRig usb(testing::shippedcatalogue(), "16F84A");
    ASSERT_TRUE(usb.ready());
    PickitPath pickit(usb);
    ASSERT_TRUE(pickit.opened.ok());
    CheckHardware check(usb.driver, pinprofile(BackendKind::pickit2));
    check.open();
    EXPECT_EQ(check.caption(Line::clock), "Enable CLOCK line (#5)");
    check.setline(Line::vdd, true);
    EXPECT_TRUE(pickit.emulator.vddon());
    EXPECT_FALSE(pickit.emulator.vppon());
    check.readdatain();
    EXPECT_TRUE(check.ticked(Line::datain));
    EXPECT_EQ(check.supplies(), "VDD 5.00 V  VPP 0.00 V");
    check.setline(Line::vpp, true);
    check.readdatain();
    EXPECT_NE(check.supplies().find("VPP 13.00 V"), std::string::npos) << check.supplies();
    check.close();
    EXPECT_FALSE(pickit.emulator.vddon() || pickit.emulator.vppon());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PickitModel, ::testing::ValuesIn(modelnames(testing::shippedcatalogue())),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace vornalt
