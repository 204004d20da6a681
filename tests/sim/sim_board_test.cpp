#include "sim/sim_board.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "sim/sim_chip.h"

namespace vornalt {
namespace {

constexpr std::uint16_t k_data = 888;
constexpr std::uint16_t k_status = 889;
constexpr std::uint16_t k_control = 890;

TEST(SimBoard, ClassicWiringTurnsRegisterBitsIntoLines) {
    struct Case {
        std::uint8_t data;
        BoardLines lines;  // vdd, vpp, clock, dataout, data
    };
    // Pins 2 (DATA OUT) and 3 (CLOCK) go through inverting buffers; 4 (VDD) and 5 (VPP) do not.
    const Case cases[] = {
        {0x00, {false, false, true, true, true}},
        {0x03, {false, false, false, false, false}},  // the idle state
        {0x0F, {true, true, false, false, false}},
        {0x0D, {true, true, true, false, false}},
        {0x0E, {true, true, false, true, true}},
        {0xF3, {false, false, false, false, false}},  // pins 6-9 carry nothing here
    };
    VirtualClock clock;
    SimBoard board(clock);
    for (const Case& c : cases) {
        board.write(k_data, c.data);
        const BoardLines got = board.lines();
        EXPECT_EQ(got.vdd, c.lines.vdd) << std::hex << int{c.data};
        EXPECT_EQ(got.vpp, c.lines.vpp) << std::hex << int{c.data};
        EXPECT_EQ(got.clock, c.lines.clock) << std::hex << int{c.data};
        EXPECT_EQ(got.dataout, c.lines.dataout) << std::hex << int{c.data};
        EXPECT_EQ(got.data, c.lines.data) << std::hex << int{c.data};
    }
}

TEST(SimBoard, ControlPinsFollowThePortsOwnInversion) {
    struct Case {
        std::int32_t pin;
        std::uint8_t control;
        bool high;
    };
    const Case cases[] = {
        {1, 0x00, true}, {1, 0x01, false}, {14, 0x00, true}, {14, 0x02, false},
        {16, 0x00, false}, {16, 0x04, true}, {17, 0x00, true}, {17, 0x08, false},
        {10, 0x00, false},  // an input pin drives nothing
    };
    VirtualClock clock;
    for (const Case& c : cases) {
        BoardWiring wiring;
        wiring.vpp = {c.pin, false};
        SimBoard board(clock, 888, wiring);
        board.write(k_control, c.control);
        EXPECT_EQ(board.lines().vpp, c.high) << "pin " << c.pin << " control " << int{c.control};
    }
}

TEST(SimBoard, StatusRegisterCarriesDataInOnItsPin) {
    struct Case {
        std::int32_t pin;
        bool inverted;
        bool dataline;
        std::uint8_t status;
    };
    // Unused inputs float high, so pin 11 (read inverted by the port) shows 0 when idle.
    const Case cases[] = {
        {10, true, true, 0x3F},  {10, true, false, 0x7F},  {10, false, true, 0x7F},
        {11, true, true, 0xFF},  {11, true, false, 0x7F},  {12, true, true, 0x5F},
        {13, true, true, 0x6F},  {15, true, true, 0x77},   {2, true, true, 0x7F},
    };
    VirtualClock clock;
    for (const Case& c : cases) {
        BoardWiring wiring;
        wiring.datain = {c.pin, c.inverted};
        SimBoard board(clock, 888, wiring);
        // DATA OUT on pin 2 via the inverting buffer: pin low releases the line.
        board.write(k_data, c.dataline ? 0x00 : 0x01);
        EXPECT_EQ(board.lines().data, c.dataline);
        EXPECT_EQ(board.read(k_status), c.status) << "pin " << c.pin << " line " << c.dataline;
    }
}

TEST(SimBoard, AnswersOnlyAtItsOwnAddress) {
    VirtualClock clock;
    SimBoard board(clock, 632);
    board.write(k_data, 0x0F);  // another port
    EXPECT_FALSE(board.lines().vdd);
    EXPECT_EQ(board.read(k_status), 0xFF);
    board.write(632, 0x0F);
    board.write(634, 0x05);
    EXPECT_TRUE(board.lines().vdd);
    EXPECT_EQ(board.read(632), 0x0F) << "output registers read back";
    EXPECT_EQ(board.read(634), 0x05);
    board.setportaddress(888);
    board.write(k_data, 0x03);
    EXPECT_FALSE(board.lines().vdd);
}

TEST(SimBoard, ChargesItsModelledCostForEveryAccess) {
    VirtualClock clock;
    SimBoard board(clock);
    board.write(k_data, 0x03);
    EXPECT_EQ(board.charged_ns(), 0) << "no cost by default";
    board.setaccesscost_ns(1'000);
    board.write(k_data, 0x03);
    board.write(k_control, 0x00);
    (void)board.read(k_status);
    EXPECT_EQ(board.charged_ns(), 3'000);
    EXPECT_EQ(board.accesses(), 4);
    clock.sleep_ms(2);
    EXPECT_EQ(board.now_ns(), 2'003'000);
}

TEST(SimBoard, TheChipPullsTheSharedDataLineLow) {
    // A read frame on the 16F84A's device ID, clocked by hand on the registers. Each value is
    // the data register: bit 2 VDD, bit 3 VPP, bit 1 clear = CLOCK high, bit 0 clear = released.
    VirtualClock clock;
    SimBoard board(clock);
    board.insert(makechip("16F84A"));
    board.write(k_data, 0x03);
    board.write(k_data, 0x07);
    board.write(k_data, 0x0F);
    ASSERT_TRUE(board.chip()->programming());
    auto bit = [&](bool one) {
        board.write(k_data, 0x0C | (one ? 0 : 1));      // CLOCK high, data set
        board.write(k_data, 0x0E | (one ? 0 : 1));      // CLOCK low: latched
    };
    for (int i = 0; i < 6; ++i) bit(((0x04 >> i) & 1) != 0);  // Read Data from Program Memory
    std::int32_t word = 0;
    for (int clk = 1; clk <= 16; ++clk) {
        board.write(k_data, 0x0C);  // CLOCK high, DATA OUT released
        if (clk >= 2 && clk <= 15) {
            const bool line = (board.read(k_status) & 0x40) == 0;  // pin 10 through the inverter
            EXPECT_EQ(line, board.lines().data);
            if (line) word |= 1 << (clk - 2);
        }
        board.write(k_data, 0x0E);
    }
    EXPECT_EQ(word, 0x3FFF) << "an erased word";
    EXPECT_TRUE(board.lines().data) << "released after the frame";

    // The same frame with DATA OUT held low reads nothing but zeros.
    for (int i = 0; i < 6; ++i) bit(((0x04 >> i) & 1) != 0);
    std::int32_t held = 0;
    for (int clk = 1; clk <= 16; ++clk) {
        board.write(k_data, 0x0D);
        if (clk >= 2 && clk <= 15 && (board.read(k_status) & 0x40) == 0) held |= 1 << (clk - 2);
        board.write(k_data, 0x0F);
    }
    EXPECT_EQ(held, 0);
}

TEST(SimBoard, EmptySocketLeavesTheLineToThePullUp) {
    VirtualClock clock;
    SimBoard board(clock);
    EXPECT_EQ(board.chip(), nullptr);
    board.write(k_data, 0x0C);  // powered, DATA OUT released
    EXPECT_TRUE(board.lines().data);
    EXPECT_EQ(board.read(k_status) & 0x40, 0);
    auto chip = makechip("16F877A");
    SimChip* raw = chip.get();
    EXPECT_EQ(board.insert(std::move(chip)), nullptr);
    EXPECT_EQ(board.chip(), raw);
    EXPECT_EQ(board.insert(nullptr).get(), raw);
}

}  // namespace
}  // namespace vornalt
