#include "port/port_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "port/pin_map.h"
#include "port_fakes.h"

namespace vornalt {
namespace {

using testing::decode_default;
using testing::portwrites;
using testing::Rig;

struct Shadow {
    std::uint8_t data;
    std::uint8_t control;
    bool operator==(const Shadow&) const = default;
};

struct PinCase {
    std::int32_t pin;
    Shadow high_from_zero, low_from_zero, high_from_ones, low_from_ones;
};

TEST(PinLevel, OutputPinsMoveTheirOwnBitHonouringHardwareInversion) {
    const std::vector<PinCase> cases = {
        {1, {0x00, 0x00}, {0x00, 0x01}, {0xFF, 0xFE}, {0xFF, 0xFF}},
        {2, {0x01, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFE, 0xFF}},
        {5, {0x08, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xF7, 0xFF}},
        {9, {0x80, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0x7F, 0xFF}},
        {14, {0x00, 0x00}, {0x00, 0x02}, {0xFF, 0xFD}, {0xFF, 0xFF}},
        {16, {0x00, 0x04}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFB}},
        {17, {0x00, 0x00}, {0x00, 0x08}, {0xFF, 0xF7}, {0xFF, 0xFF}},
        // Inputs, ground and numbers off the connector move nothing.
        {10, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {11, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {15, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {18, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {25, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {0, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {26, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
        {-1, {0x00, 0x00}, {0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0xFF}},
    };
    for (const PinCase& c : cases) {
        Rig rig;
        auto run = [&](Shadow start, bool high) {
            rig.state.databyte = start.data;
            rig.state.controlbyte = start.control;
            if (high) {
                rig.driver.setpinhigh(c.pin);
            } else {
                rig.driver.setpinlow(c.pin);
            }
            return Shadow{rig.state.databyte, rig.state.controlbyte};
        };
        EXPECT_EQ(run({0, 0}, true), c.high_from_zero) << "pin " << c.pin;
        EXPECT_EQ(run({0, 0}, false), c.low_from_zero) << "pin " << c.pin;
        EXPECT_EQ(run({0xFF, 0xFF}, true), c.high_from_ones) << "pin " << c.pin;
        EXPECT_EQ(run({0xFF, 0xFF}, false), c.low_from_ones) << "pin " << c.pin;
        EXPECT_TRUE(rig.port.log.empty()) << "pin level operations never touch the port";
    }
}

TEST(PinLevel, ReadPinTakesOnlyThePinsStatusBit) {
    struct Case {
        std::int32_t pin;
        std::uint8_t bit;  // status bit of the pin
        std::int32_t level_when_set;
    };
    const std::vector<Case> inputs = {{10, 0x40, 1}, {11, 0x80, 0}, {12, 0x20, 1}, {13, 0x10, 1}, {15, 0x08, 1}};
    Rig rig;
    for (const Case& c : inputs) {
        rig.state.statusbyte = c.bit;
        EXPECT_EQ(rig.driver.readpin(c.pin), c.level_when_set) << "pin " << c.pin;
        rig.state.statusbyte = static_cast<std::uint8_t>(~c.bit);
        EXPECT_EQ(rig.driver.readpin(c.pin), 1 - c.level_when_set) << "pin " << c.pin << ", other bits set";
    }
    for (std::int32_t pin : {0, 1, 2, 9, 14, 16, 17, 18, 25, 26, -5}) {
        for (std::int16_t status : {0x00, 0xFF}) {
            rig.state.statusbyte = status;
            EXPECT_EQ(rig.driver.readpin(pin), 0) << "pin " << pin;
        }
    }
}

TEST(PinMap, PinNamesMarkHardwareInvertedPins) {
    const std::vector<std::pair<std::int32_t, std::string>> cases = {
        {0, ""},    {1, "\\C0"}, {2, "D0"},  {9, "D7"},    {10, "S6"},  {11, "\\S7"}, {12, "S5"},  {13, "S4"},
        {14, "\\C1"}, {15, "S3"}, {16, "C2"}, {17, "\\C3"}, {18, "Gnd"}, {25, "Gnd"},  {26, ""}, {-1, ""},
    };
    for (const auto& [pin, name] : cases) EXPECT_EQ(pinname(pin), name) << "pin " << pin;
    // The backslash and the inversion in the table must agree.
    for (std::int32_t pin = 1; pin <= k_connector_pins; ++pin) {
        const PinInfo& p = pininfo(pin);
        EXPECT_EQ(p.hwinverted, !p.name.empty() && p.name.front() == '\\') << "pin " << pin;
    }
}

TEST(WritePort, WritesDataThenControlThenReadsStatusEveryTime) {
    for (std::int32_t base : {888, 632, 956, 0, 65533}) {
        Rig rig;
        rig.state.portaddress = base;
        rig.state.databyte = 0x5A;
        rig.state.controlbyte = 0x05;
        rig.port.status = 0x78;
        rig.driver.writeport();
        rig.driver.writeport();  // nothing changed: still all three accesses
        ASSERT_EQ(rig.port.log.size(), 6U) << base;
        for (std::size_t i = 0; i < 6; i += 3) {
            EXPECT_TRUE(rig.port.log[i].write);
            EXPECT_EQ(rig.port.log[i].address, base);
            EXPECT_EQ(rig.port.log[i].value, 0x5A);
            EXPECT_TRUE(rig.port.log[i + 1].write);
            EXPECT_EQ(rig.port.log[i + 1].address, base + 2);
            EXPECT_EQ(rig.port.log[i + 1].value, 0x05);
            EXPECT_FALSE(rig.port.log[i + 2].write);
            EXPECT_EQ(rig.port.log[i + 2].address, base + 1);
        }
        EXPECT_EQ(rig.state.statusbyte, 0x78);
    }
}

TEST(WritePort, AddressOutsideTheIoSpaceReachesNoRegister) {
    // A truncated address would write some other device's register.
    for (std::int32_t base : {-1, -888, 65534, 65535, 65536 + 888, 1 << 30}) {
        Rig rig;
        rig.state.portaddress = base;
        rig.port.status = 0xFF;
        rig.driver.vddon();
        EXPECT_TRUE(rig.port.log.empty()) << base;
        EXPECT_EQ(rig.state.databyte, 0x04) << "the shadow still follows the line";
        EXPECT_EQ(rig.state.statusbyte, 0);
    }
}

TEST(WritePort, YieldsToTheWindowSystemWhenTimeHasPassed) {
    Rig rig;
    for (int i = 0; i < 64; ++i) rig.driver.clockon();
    EXPECT_EQ(rig.window.events, 0) << "no time passed, so the coalesced yield skips";
    rig.clock.advance_ns(20'000'000);
    for (int i = 0; i < EventPump::k_calls_per_check; ++i) rig.driver.clockoff();
    EXPECT_EQ(rig.window.events, 1);
}

TEST(LineOperations, DefaultWiringIdlesAtThreeAndZero) {
    Rig rig;
    rig.state.databyte = 0xF0;
    rig.state.controlbyte = 0x0F;
    rig.state.statusbyte = 0x55;
    rig.port.status = 0x00;
    rig.driver.setidle();
    EXPECT_EQ(rig.state.databyte, 0x03);
    EXPECT_EQ(rig.state.controlbyte, 0x00);
    const auto writes = portwrites(rig.port.log);
    ASSERT_EQ(writes.size(), 6U);
    // VDD, VPP, CLOCK, DATA OUT go off in that order, then VDD and VPP once more.
    const std::vector<std::uint8_t> data = {0x00, 0x00, 0x02, 0x03, 0x03, 0x03};
    for (std::size_t i = 0; i < data.size(); ++i) {
        EXPECT_EQ(writes[i].data, data[i]) << i;
        EXPECT_EQ(writes[i].control, 0x00) << i;
    }
    // Pins 1, 14 and 17 are electrically high at control 0, pin 16 low.
    EXPECT_EQ(pinlevel_from_outputs(1, 0x03, 0x00), 1);
    EXPECT_EQ(pinlevel_from_outputs(14, 0x03, 0x00), 1);
    EXPECT_EQ(pinlevel_from_outputs(17, 0x03, 0x00), 1);
    EXPECT_EQ(pinlevel_from_outputs(16, 0x03, 0x00), 0);

    rig.driver.vddon();
    rig.driver.vppon();
    EXPECT_EQ(rig.state.databyte, 0x0F);
    rig.driver.clockon();
    EXPECT_EQ(rig.state.databyte, 0x0D);
    rig.driver.dataouton();
    EXPECT_EQ(rig.state.databyte, 0x0C);
    EXPECT_EQ(rig.state.controlbyte, 0x00);
}

TEST(LineOperations, AnyWiringAndInversion) {
    struct Case {
        Line line;
        std::int32_t pin;
        std::int32_t invert;
        Shadow on, off;  // registers after the line goes on, then off, from data 0 / control 0
    };
    const std::vector<Case> cases = {
        {Line::vpp, 17, 0, {0x00, 0x00}, {0x00, 0x08}},
        {Line::vpp, 17, 1, {0x00, 0x08}, {0x00, 0x00}},
        {Line::vdd, 1, 0, {0x00, 0x00}, {0x00, 0x01}},
        {Line::clock, 14, 2, {0x00, 0x02}, {0x00, 0x00}},  // any non-zero flag inverts
        {Line::dataout, 16, 0, {0x00, 0x04}, {0x00, 0x00}},
        {Line::dataout, 16, -1, {0x00, 0x00}, {0x00, 0x04}},
        {Line::vdd, 9, 0, {0x80, 0x00}, {0x00, 0x00}},
        {Line::clock, 6, 1, {0x00, 0x00}, {0x10, 0x00}},
        // An output line on an input, ground or absent pin moves nothing but still writes the port.
        {Line::vdd, 10, 0, {0x00, 0x00}, {0x00, 0x00}},
        {Line::vpp, 20, 1, {0x00, 0x00}, {0x00, 0x00}},
        {Line::clock, 0, 0, {0x00, 0x00}, {0x00, 0x00}},
        {Line::dataout, 99, 1, {0x00, 0x00}, {0x00, 0x00}},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.state.pin(c.line) = c.pin;
        rig.state.inversion(c.line) = c.invert;
        rig.driver.setline(c.line, true);
        EXPECT_EQ((Shadow{rig.state.databyte, rig.state.controlbyte}), c.on) << "pin " << c.pin;
        rig.driver.setline(c.line, false);
        EXPECT_EQ((Shadow{rig.state.databyte, rig.state.controlbyte}), c.off) << "pin " << c.pin;
        const auto writes = portwrites(rig.port.log);
        ASSERT_EQ(writes.size(), 2U);
        EXPECT_EQ((Shadow{writes[1].data, writes[1].control}), c.off);
    }
}

TEST(LineOperations, NamedOperationsDriveTheirOwnLine) {
    // Each line on a pin of its own, so a mix-up between lines shows.
    Rig rig;
    rig.state.pins = {6, 7, 8, 9, rig.state.pin(Line::datain)};
    rig.state.inversions = {0, 0, 0, 0, rig.state.inversion(Line::datain)};
    rig.driver.vddon();
    EXPECT_EQ(rig.state.databyte, 0x10);
    rig.driver.vppon();
    EXPECT_EQ(rig.state.databyte, 0x30);
    rig.driver.clockon();
    EXPECT_EQ(rig.state.databyte, 0x70);
    rig.driver.dataouton();
    EXPECT_EQ(rig.state.databyte, 0xF0);
    rig.driver.vppoff();
    EXPECT_EQ(rig.state.databyte, 0xD0);
    rig.driver.dataoutoff();
    EXPECT_EQ(rig.state.databyte, 0x50);
    rig.driver.vddoff();
    EXPECT_EQ(rig.state.databyte, 0x40);
    rig.driver.clockoff();
    EXPECT_EQ(rig.state.databyte, 0x00);
    EXPECT_EQ(rig.port.log.size(), 24U);
}

TEST(LineOperations, LinesOnOneSharedPinTakeTheLaterOperation) {
    Rig rig;
    rig.state.pin(Line::vpp) = rig.state.pin(Line::vdd);  // both on pin 4, neither inverted
    rig.driver.vddon();
    EXPECT_EQ(rig.state.databyte & 0x04, 0x04);
    rig.driver.vppoff();
    EXPECT_EQ(rig.state.databyte & 0x04, 0x00);
    rig.driver.vppon();
    rig.driver.vddoff();
    EXPECT_EQ(rig.state.databyte & 0x04, 0x00);
}

TEST(LineOperations, DataInSamplesAFreshStatus) {
    struct Case {
        std::int32_t pin;
        std::int32_t invert;
        std::uint8_t status;
        std::int32_t reading;
    };
    const std::vector<Case> cases = {
        {11, 0, 0x80, 0}, {11, 0, 0x00, 1}, {11, 1, 0x80, 1}, {10, 1, 0x40, 0}, {10, 1, 0x00, 1},
        {10, 2, 0x40, 0}, {10, 0, 0x40, 1}, {15, 0, 0x08, 1}, {13, 0, 0xEF, 0}, {12, 1, 0x20, 0},
        // DATA IN on an output pin or no pin reads 0, or 1 when inverted.
        {2, 0, 0xFF, 0},  {2, 1, 0xFF, 1},  {0, 0, 0xFF, 0},  {30, 1, 0x00, 1},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.state.pin(Line::datain) = c.pin;
        rig.state.inversion(Line::datain) = c.invert;
        rig.state.statusbyte = static_cast<std::uint8_t>(~c.status);  // stale value must not be used
        rig.port.status = c.status;
        EXPECT_EQ(rig.driver.readdatain(), c.reading) << "pin " << c.pin << " status " << int{c.status};
        EXPECT_EQ(portwrites(rig.port.log).size(), 1U) << "one writeport before the pin is read";
    }
}

TEST(LineOperations, ClockDelayHoldsEachClockLevel) {
    for (std::int32_t delay : {0, 1, 10, 7}) {
        Rig rig;
        rig.state.clockdelay_us = delay;
        rig.driver.clockon();
        rig.driver.dataouton();
        rig.driver.clockoff();
        const auto writes = portwrites(rig.port.log);
        ASSERT_EQ(writes.size(), 3U);
        const std::int64_t d = std::int64_t{delay} * 1000;
        EXPECT_EQ(rig.clock.now_ns(), 2 * d) << delay;
        EXPECT_GE(writes[2].time_ns - writes[0].time_ns, d) << "CLOCK high at least the delay";
        EXPECT_GE(writes[2].time_ns - writes[1].time_ns, std::int64_t{delay / 2} * 1000) << "DATA OUT settled before the edge";
        rig.driver.vddon();
        EXPECT_EQ(rig.clock.now_ns(), 2 * d) << "only CLOCK changes wait";
    }
}

}  // namespace
}  // namespace vornalt
