// The logic of the Hardware Settings and Check Hardware dialogs, driven without widgets.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/check_hardware.h"
#include "app/hardware_rig.h"
#include "app/hardware_settings.h"
#include "app/pin_profile.h"
#include "port/pin_map.h"
#include "port/transfers.h"

namespace vornalt {
namespace {

using testing::decode_default;
using testing::HardwareRig;

// Every way into and out of both dialogs leaves the four outputs off, and always in the same
// order: VDD first, so the chip never sees VPP without its supply going first; VDD and VPP are
// written off once more at the end.
TEST(HardwareDialogs, EveryOpeningAndClosingSwitchesTheOutputsOffVddFirst) {
    struct Case {
        const char* name;
        std::function<void(HardwareRig&)> act;
    };
    const std::vector<Case> cases{
        {"settings open", [](HardwareRig& r) { HardwareSettings(r.driver, r.settings, r.window).open(); }},
        {"settings close", [](HardwareRig& r) { HardwareSettings(r.driver, r.settings, r.window).close(); }},
        {"check open", [](HardwareRig& r) { CheckHardware(r.driver).open(); }},
        {"check close", [](HardwareRig& r) { CheckHardware(r.driver).close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HardwareRig rig;
        rig.driver.vddon();
        rig.driver.vppon();
        rig.driver.clockon();
        rig.driver.dataouton();
        rig.clearlog();
        c.act(rig);
        const auto writes = rig.writes();
        ASSERT_EQ(writes.size(), 6u);
        const bool expected[6][4] = {// vdd, vpp, clock, dataout after each write
                                     {false, true, true, true},
                                     {false, false, true, true},
                                     {false, false, false, true},
                                     {false, false, false, false},
                                     {false, false, false, false},
                                     {false, false, false, false}};
        for (std::size_t i = 0; i < 6; ++i) {
            const auto lines = decode_default(writes[i].data);
            EXPECT_EQ(lines.vdd, expected[i][0]) << "write " << i;
            EXPECT_EQ(lines.vpp, expected[i][1]) << "write " << i;
            EXPECT_EQ(lines.clock, expected[i][2]) << "write " << i;
            EXPECT_EQ(lines.dataout, expected[i][3]) << "write " << i;
        }
    }
}

TEST(HardwareSettingsLogic, OpeningShowsTheFlagsAndThePinNames) {
    HardwareRig rig;
    rig.state.inversion(Line::vpp) = 2;   // hand-edited: the driver counts it as inverted, so the box does
    rig.state.inversion(Line::clock) = -1;
    rig.state.inversion(Line::datain) = 0;
    rig.state.pin(Line::dataout) = 30;  // off the connector: no pin name
    HardwareSettings logic(rig.driver, rig.settings, rig.window);
    EXPECT_EQ(logic.caption(Line::vdd), "Invert VDD line") << "the design-time caption until it opens";
    logic.open();

    EXPECT_FALSE(logic.ticked(Line::vdd));
    EXPECT_TRUE(logic.ticked(Line::vpp));
    EXPECT_TRUE(logic.ticked(Line::clock));
    EXPECT_TRUE(logic.ticked(Line::dataout));
    EXPECT_FALSE(logic.ticked(Line::datain));
    EXPECT_EQ(logic.caption(Line::vdd), "Invert VDD line (D2)");
    EXPECT_EQ(logic.caption(Line::vpp), "Invert VPP line (D3)");
    EXPECT_EQ(logic.caption(Line::clock), "Invert CLOCK line (D1)");
    EXPECT_EQ(logic.caption(Line::dataout), "Invert DATA OUT line ()");
    EXPECT_EQ(logic.caption(Line::datain), "Invert DATA IN line (S6)");
    EXPECT_EQ(rig.state.inversion(Line::vpp), 2) << "opening only shows the flags";
    EXPECT_TRUE(rig.backend.values().empty()) << "opening writes no setting";
}

// A changed inversion takes effect before the lines are switched off, so "off" is worked out
// from the new mapping: VDD inverted makes its off level a high pin.
TEST(HardwareSettingsLogic, InversionIsAppliedBeforeTheLinesGoOff) {
    HardwareRig rig;
    HardwareSettings logic(rig.driver, rig.settings, rig.window);
    logic.open();
    rig.clearlog();

    logic.setinverted(Line::vdd, true);
    EXPECT_EQ(rig.state.inversion(Line::vdd), 1);
    EXPECT_EQ(rig.backend.values().at("Invert VDD"), "1");
    EXPECT_TRUE(logic.ticked(Line::vdd));
    ASSERT_EQ(rig.writes().size(), 6u);
    EXPECT_EQ(rig.writes().back().data & 0x04, 0x04) << "VDD off is now a high pin 4";

    rig.state.inversion(Line::clock) = 2;
    logic.setinverted(Line::clock, false);
    EXPECT_EQ(rig.state.inversion(Line::clock), 0);
    EXPECT_EQ(rig.backend.values().at("Invert CLOCK"), "0");
    EXPECT_EQ(rig.writes().back().data & 0x02, 0x00) << "CLOCK off is now a low pin 3";
}

// Which answers move a line: exactly the decimal numbers of the pins of the right direction.
TEST(HardwareSettingsLogic, AcceptedEntriesAreThePinsOfTheLinesDirection) {
    for (const Line line : k_dialog_lines) {
        for (std::int32_t pin = -1; pin <= 30; ++pin) {
            const bool fits = line == Line::datain ? isinputpin(pin) : isoutputpin(pin);
            EXPECT_EQ(acceptedpinentry(line, std::to_string(pin)), fits)
                << "line " << static_cast<int>(line) << " pin " << pin;
        }
    }
    for (const char* answer : {"", "4 ", "+4", "4\r\n", "0x4", "٤", "14a", "1 4", "004"}) {
        EXPECT_FALSE(acceptedpinentry(Line::vdd, answer)) << '"' << answer << '"';
    }
}

TEST(HardwareSettingsLogic, EachLineAsksWithItsPromptAndItsCurrentPin) {
    HardwareRig rig;
    rig.state.pin(Line::datain) = 13;
    HardwareSettings logic(rig.driver, rig.settings, rig.window);
    logic.open();
    rig.window.inputanswers = {"", "", "", "", ""};
    for (const Line line : k_dialog_lines) EXPECT_FALSE(logic.changepin(line));
    ASSERT_EQ(rig.window.inputs.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Enter new parallel port pin for VDD line [1-9,14,16,17].", "4"},
        {"Enter new parallel port pin for VPP line [1-9,14,16,17].", "5"},
        {"Enter new parallel port pin for CLOCK line [1-9,14,16,17].", "3"},
        {"Enter new parallel port pin for DATA OUT line [1-9,14,16,17].", "2"},
        {"Enter new parallel port pin for DATA IN line [10-13,15].", "13"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rig.window.inputs[i].prompt, expected[i].first);
        EXPECT_EQ(rig.window.inputs[i].proposed, expected[i].second);
    }
}

// A new pin is in the driver and the settings before the lines go off, and the captions follow.
TEST(HardwareSettingsLogic, AcceptedPinIsStoredThenTheLinesGoOff) {
    HardwareRig rig;
    HardwareSettings logic(rig.driver, rig.settings, rig.window);
    logic.open();
    rig.clearlog();
    rig.window.inputanswers = {"16"};
    EXPECT_TRUE(logic.changepin(Line::vpp));
    EXPECT_EQ(rig.state.pin(Line::vpp), 16);
    EXPECT_EQ(rig.backend.values().at("VPP Pin Num"), "16");
    EXPECT_EQ(logic.caption(Line::vpp), "Invert VPP line (C2)");
    ASSERT_EQ(rig.writes().size(), 6u);
    EXPECT_EQ(rig.writes().back().control & 0x04, 0x00) << "VPP off on pin 16 is a low pin";
    EXPECT_TRUE(rig.window.messages.empty());
}

// VDD moved onto CLOCK's pin, CLOCK inverted: accepted with a warning, and every way the lines go
// off leaves VDD off.
TEST(HardwareSettingsLogic, ASharedPinIsAcceptedWithAWarningAndOffWinsOnIt) {
    {
        // On an adapter the pins are data bits and the warning names the bit.
        HardwareRig adapter;
        adapter.state.pin(Line::clock) = 3;
        adapter.window.inputanswers = {"3"};
        EXPECT_TRUE(HardwareSettings(adapter.driver, adapter.settings, adapter.window, pinprofile(BackendKind::ftdi))
                        .changepin(Line::vdd));
        ASSERT_EQ(adapter.window.messages.size(), 1u);
        EXPECT_NE(adapter.window.messages[0].find("Bit D3 is also CLOCK"), std::string::npos) << adapter.window.messages[0];
    }
    HardwareRig rig;
    rig.window.inputanswers = {"3"};
    EXPECT_TRUE(HardwareSettings(rig.driver, rig.settings, rig.window).changepin(Line::vdd));
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_NE(rig.window.messages[0].find("Pin 3 is also CLOCK"), std::string::npos) << rig.window.messages[0];
    const std::vector<std::function<void()>> ends{
        [&] { HardwareSettings(rig.driver, rig.settings, rig.window).close(); },
        [&] { CheckHardware(rig.driver).close(); }, [&] { rig.driver.setidle(); },
        [&] { Transfers(rig.driver, rig.pump, rig.clock).shutdown(); }};
    for (std::size_t i = 0; i < ends.size(); ++i) {
        rig.driver.vddon();
        ends[i]();
        EXPECT_FALSE(rig.driver.lineon(Line::vdd)) << "end " << i;
    }
}

// A programmer with its own pins (the PICkit 2): nothing the dialog offers moves a pin, an
// inversion or a setting, the user is told why, and the captions name its header pins.
TEST(HardwareSettingsLogic, FixedPinsChangeNothingAndSaySo) {
    HardwareRig rig;
    const PinProfile& icsp = pinprofile(BackendKind::pickit2);
    readpinsettings(rig.state, rig.settings, icsp);
    const auto pins = rig.state.pins;
    const auto saved = rig.backend.values();
    HardwareSettings logic(rig.driver, rig.settings, rig.window, icsp);
    logic.open();
    EXPECT_FALSE(logic.fixednote().empty());
    logic.setinverted(Line::clock, true);
    rig.window.inputanswers = {"3"};
    EXPECT_FALSE(logic.changepin(Line::vdd));
    EXPECT_FALSE(logic.ticked(Line::clock));
    EXPECT_EQ(rig.state.pins, pins);
    EXPECT_EQ(rig.state.inversion(Line::clock), 0);
    EXPECT_EQ(rig.backend.values(), saved);
    EXPECT_EQ(rig.window.messages, std::vector<std::string>{std::string(logic.fixednote())});
    EXPECT_EQ(logic.caption(Line::clock), "Invert CLOCK line (#5)");
}

TEST(CheckHardwareLogic, BoxesSwitchTheirLinesThroughTheLineOperations) {
    struct Case {
        Line line;
        std::uint8_t dataon;  // data register after switching the line on from idle (idle = 0x03)
    };
    for (const Case c : {Case{Line::vdd, 0x07}, Case{Line::vpp, 0x0B}, Case{Line::clock, 0x01}, Case{Line::dataout, 0x02}}) {
        SCOPED_TRACE(static_cast<int>(c.line));
        HardwareRig rig;
        CheckHardware logic(rig.driver);
        logic.open();
        EXPECT_EQ(rig.state.databyte, 0x03);
        logic.setline(c.line, true);
        EXPECT_TRUE(logic.ticked(c.line));
        EXPECT_EQ(rig.state.databyte, c.dataon);
        logic.setline(c.line, false);
        EXPECT_FALSE(logic.ticked(c.line));
        EXPECT_EQ(rig.state.databyte, 0x03);
    }
}

// CLOCK goes through the clock operation, so a slow programmer's minimum half-period still holds.
TEST(CheckHardwareLogic, ClockBoxKeepsTheClockDelay) {
    HardwareRig rig;
    rig.state.clockdelay_us = 400;
    CheckHardware logic(rig.driver);
    logic.open();
    const std::int64_t before = rig.clock.now_ns();
    logic.setline(Line::clock, true);
    EXPECT_EQ(rig.clock.now_ns() - before, 400'000);
}

TEST(CheckHardwareLogic, DataInShowsTheReadingWhateverTheClickSaid) {
    HardwareRig rig;
    CheckHardware logic(rig.driver);
    logic.open();
    EXPECT_EQ(logic.caption(Line::vdd), "Enable VDD line (D2)");
    EXPECT_EQ(logic.caption(Line::dataout), "Enable DATA OUT line (D0)");
    EXPECT_EQ(logic.caption(Line::datain), "Status of DATA IN line (S6)");

    rig.port.status = 0x00;  // pin 10 low; DATA IN inverted by default: reads 1
    logic.setline(Line::datain, false);
    EXPECT_TRUE(logic.ticked(Line::datain));
    rig.port.status = 0x40;
    rig.clearlog();
    logic.readdatain();
    EXPECT_FALSE(logic.ticked(Line::datain));
    EXPECT_EQ(rig.writes().size(), 1u) << "each reading rewrites the outputs and samples the status once";
}

}  // namespace
}  // namespace vornalt
