#include "port/transfers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "port_fakes.h"

namespace vornalt {
namespace {

using testing::Access;
using testing::decode_default;
using testing::DefaultLines;
using testing::portwrites;
using testing::Rig;

// Starts every test from the idle lines with an empty log.
struct IdleRig : Rig {
    IdleRig() {
        driver.setidle();
        port.log.clear();
    }

    std::vector<DefaultLines> lines() const {
        std::vector<DefaultLines> out;
        for (const auto& w : portwrites(port.log)) out.push_back(decode_default(w.data));
        return out;
    }
};

// DATA OUT at every falling CLOCK edge: what the chip latches.
std::vector<int> latched_bits(const std::vector<DefaultLines>& seq) {
    std::vector<int> bits;
    bool clock = false;  // idle
    for (const DefaultLines& l : seq) {
        if (clock && !l.clock) bits.push_back(l.dataout ? 1 : 0);
        clock = l.clock;
    }
    return bits;
}

std::vector<int> lsb_first(std::int32_t value, int count) {
    std::vector<int> bits;
    for (int i = 0; i < count; ++i) bits.push_back((value >> i) & 1);
    return bits;
}

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// True when DATA OUT changes only while CLOCK is on, over the given line operations.
bool dataout_moves_only_with_clock_on(const std::vector<DefaultLines>& seq, std::size_t from, std::size_t to) {
    bool dataout = false;
    for (std::size_t i = 0; i < to && i < seq.size(); ++i) {
        if (i >= from && seq[i].dataout != dataout && !seq[i].clock) return false;
        dataout = seq[i].dataout;
    }
    return true;
}

TEST(SendCommand, SixBitsLsbFirstOnFallingEdges) {
    for (std::int32_t code : {0, 2, 0x15, 0x2A, 0x17, 63}) {
        IdleRig rig;
        rig.transfers.sendcommand(code);
        const auto seq = rig.lines();
        ASSERT_EQ(seq.size(), 19U) << code;
        EXPECT_EQ(latched_bits(seq), lsb_first(code, 6)) << code;
        EXPECT_TRUE(dataout_moves_only_with_clock_on(seq, 0, 18)) << code;
        EXPECT_FALSE(seq.back().clock);
        EXPECT_FALSE(seq.back().dataout);
        EXPECT_FALSE(seq.back().vdd || seq.back().vpp) << "power lines untouched";
    }
}

TEST(SendCommand, CodeTwoDrivesOffOnOffOffOffOff) {
    IdleRig rig;
    rig.transfers.sendcommand(2);
    EXPECT_EQ(latched_bits(rig.lines()), (std::vector<int>{0, 1, 0, 0, 0, 0}));
}

TEST(SendCommandData, CommandThenSixteenClockFrame) {
    struct Case {
        std::int32_t code, word;
    };
    for (const Case c : {Case{2, 0x3FFF}, Case{2, 0}, Case{3, 0x00A5}, Case{63, 0x2AAA}, Case{0, 0x1555},
                         Case{0x18, 0x2001}}) {
        IdleRig rig;
        rig.transfers.sendcommanddata(c.code, c.word);
        const auto seq = rig.lines();
        ASSERT_EQ(seq.size(), 66U) << c.code << "/" << c.word;
        const auto expected = concat(concat(lsb_first(c.code, 6), {0}), concat(lsb_first(c.word, 14), {0}));
        EXPECT_EQ(latched_bits(seq), expected) << c.code << "/" << c.word;
        EXPECT_FALSE(seq.back().clock);
        EXPECT_FALSE(seq.back().dataout);
    }
}

TEST(Transfers, OutOfRangeArgumentsMoveNoLine) {
    struct Case {
        const char* what;
        std::int32_t code, word;
        bool with_data;
    };
    const std::vector<Case> cases = {
        {"command 64", 64, 0, false},         {"command -1", -1, 0, false},
        {"data code 64", 64, 0, true},        {"data code -1", -1, 5, true},
        {"data word 16384", 2, 16384, true},  {"data word -1", 2, -1, true},
        {"data both wrong", 100, 1 << 20, true},
    };
    for (const Case& c : cases) {
        IdleRig rig;
        if (c.with_data) {
            rig.transfers.sendcommanddata(c.code, c.word);
        } else {
            rig.transfers.sendcommand(c.code);
        }
        EXPECT_TRUE(rig.port.log.empty()) << c.what;
    }
    for (std::int32_t code : {64, -1, 1000}) {
        IdleRig rig;
        rig.port.status = 0x00;  // DATA IN would read 1 everywhere
        EXPECT_EQ(rig.transfers.readdata(code), 0) << code;
        EXPECT_TRUE(rig.port.log.empty()) << code;
    }
}

// A chip behind the default wiring: after the command's six clocks it drives bit k of `word`
// from the (k + 2)th rising edge of the read frame. The data line is a wired-AND, so the chip is
// heard only while DATA OUT is on. DATA IN (pin 10, inverted) reads 1 when status bit 6 is 0.
struct ReadingChip {
    std::int32_t word;

    std::uint8_t operator()(const std::vector<Access>& log) const {
        int rising = 0;
        bool clock = false;
        DefaultLines now{};
        for (const Access& a : log) {
            if (!a.write || a.address != 888) continue;
            now = decode_default(a.value);
            if (now.clock && !clock) ++rising;
            clock = now.clock;
        }
        const int frame_edge = rising - 6;
        int bit = 0;
        if (now.dataout && frame_edge >= 2 && frame_edge <= 15) bit = (word >> (frame_edge - 2)) & 1;
        return bit ? 0x00 : 0x40;
    }
};

TEST(ReadData, AssemblesFourteenBitsLsbFirst) {
    for (std::int32_t word : {0, 1, 0x2000, 0x3FFF, 0x2AAA, 0x1555, 0x0123}) {
        IdleRig rig;
        rig.port.respond = ReadingChip{word};
        EXPECT_EQ(rig.transfers.readdata(4), word) << word;
        const auto seq = rig.lines();
        ASSERT_EQ(seq.size(), 66U);
        EXPECT_EQ(latched_bits(seq).size(), 22U) << "6 command clocks and 16 frame clocks";
        EXPECT_EQ(concat(latched_bits(seq), {}), concat(lsb_first(4, 6), std::vector<int>(16, 1)))
            << "DATA OUT stays on for the whole frame";
        EXPECT_FALSE(seq.back().dataout) << "DATA OUT is off again after the read";
        EXPECT_FALSE(seq.back().clock);
    }
}

TEST(ReadData, ConstantDataInGivesAllOrNothing) {
    IdleRig ones;
    ones.port.status = 0x00;
    EXPECT_EQ(ones.transfers.readdata(5), 16383);
    IdleRig zeros;
    zeros.port.status = 0x40;
    EXPECT_EQ(zeros.transfers.readdata(5), 0);
}

struct PowerStep {
    std::int64_t time_ms;
    bool vdd, vpp;
    bool operator==(const PowerStep&) const = default;
};

std::vector<PowerStep> power_steps(const IdleRig& rig) {
    std::vector<PowerStep> out;
    for (const auto& w : portwrites(rig.port.log)) {
        const auto l = decode_default(w.data);
        out.push_back({w.time_ns / 1'000'000, l.vdd, l.vpp});
    }
    return out;
}

TEST(Power, UpInTheModelsOrderDownAlwaysVddFirst) {
    struct Case {
        std::int32_t order;
        std::vector<PowerStep> up;
    };
    const std::vector<Case> cases = {
        {1, {{0, true, false}, {50, true, true}}},
        {2, {{0, false, true}, {50, true, true}}},
        {0, {}},
        {3, {}},
        {-1, {}},
    };
    for (const Case& c : cases) {
        IdleRig rig;
        rig.transfers.powerup(PowerOrder{c.order});
        EXPECT_EQ(power_steps(rig), c.up) << "order " << c.order;
        EXPECT_EQ(rig.clock.now_ns(), c.up.empty() ? 0 : 100'000'000) << "order " << c.order;

        rig.port.log.clear();
        const std::int64_t start_ms = rig.clock.now_ns() / 1'000'000;
        rig.transfers.powerdown();
        const std::vector<PowerStep> down = {
            {start_ms, false, !c.up.empty()}, {start_ms + 50, false, false}};
        EXPECT_EQ(power_steps(rig), down) << "order " << c.order;
        EXPECT_EQ(rig.clock.now_ns() / 1'000'000, start_ms + 100);
    }
}

TEST(Power, ShutdownLeavesEveryOutputOff) {
    IdleRig rig;
    rig.transfers.powerup(PowerOrder::vppfirst);
    rig.driver.clockon();
    rig.driver.dataouton();
    rig.port.log.clear();
    rig.transfers.shutdown();
    const auto seq = rig.lines();
    ASSERT_EQ(seq.size(), 6U) << "VDD and VPP are written off once more at the end";
    EXPECT_FALSE(seq[0].vdd);
    EXPECT_TRUE(seq[0].vpp) << "VDD goes before VPP";
    EXPECT_FALSE(seq[1].vpp);
    EXPECT_EQ(rig.state.databyte, 0x03) << "back to the idle bytes";
}

TEST(Transfers, SettleDelayTouchesNoLine) {
    for (std::int32_t delay : {0, 5}) {
        IdleRig rig;
        rig.state.clockdelay_us = delay;
        rig.transfers.settledelay();
        EXPECT_TRUE(rig.port.log.empty());
        EXPECT_EQ(rig.clock.now_ns(), std::int64_t{delay} * 1000);
    }
}

}  // namespace
}  // namespace vornalt
