// The emulated FT232R as the FTDI library sees it: one-byte-behind sampling, the read-back FIFO
// that stalls a host which does not read, status bytes at the start of every packet, the baud
// divisor, and the adapter pulled out.
#include "sim/ft232r_emulator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ftdi_rate.h"

namespace vornalt {
namespace {

constexpr std::uint8_t k_set_bitmode = 0x0B;

struct Rig {
    VirtualClock clock;
    SimBoard board{clock, BoardConnector::bitbang, k_bitbang_wiring};
    Ft232rEmulator chip{board, clock};
    Rig() { chip.controlout(k_set_bitmode, 0x0400 | 0x63, 1); }  // D0, D1, D5, D6 out
    // The samples of an IN transfer, status bytes dropped, checking that they are there.
    std::vector<std::uint8_t> samples(std::size_t length = 4096) {
        const std::vector<std::uint8_t> in = chip.bulkin(length);
        std::vector<std::uint8_t> out;
        for (std::size_t at = 0; at < in.size(); at += Ft232rEmulator::k_packet_size) {
            EXPECT_EQ(in[at], 0x01);
            EXPECT_EQ(in[at + 1], 0x60);
            for (std::size_t i = at + 2; i < in.size() && i < at + Ft232rEmulator::k_packet_size; ++i) out.push_back(in[i]);
        }
        return out;
    }
};

TEST(Ft232rEmulator, SamplesThePinsBeforeEachByteIsApplied) {
    Rig rig;
    const std::vector<std::uint8_t> sent{0x01, 0x02, 0x21, 0x40, 0x40};
    ASSERT_EQ(rig.chip.bulkout(sent), sent.size());
    const std::vector<std::uint8_t> got = rig.samples();
    ASSERT_EQ(got.size(), sent.size());
    // The DATA IN bit (D3) follows the board; the output bits read back one byte late.
    for (std::size_t i = 1; i < sent.size(); ++i) EXPECT_EQ(got[i] & 0x63, sent[i - 1]) << i;
    EXPECT_EQ(got[0] & 0x63, 0x00) << "outputs start low";
    EXPECT_TRUE(rig.board.lines().vdd) << "D6 high switches VDD on";
}

TEST(Ft232rEmulator, AHostThatDoesNotReadStallsAtTheFifos) {
    Rig rig;
    const std::vector<std::uint8_t> burst(1000, 0x01);
    const std::size_t taken = rig.chip.bulkout(burst);
    EXPECT_EQ(taken, Ft232rEmulator::k_readback_fifo + Ft232rEmulator::k_write_fifo);
    EXPECT_EQ(rig.chip.bytesclocked(), static_cast<std::int64_t>(Ft232rEmulator::k_readback_fifo));
    // Reading makes room: the stalled bytes go out, and a new burst is taken again.
    std::size_t read = 0;
    for (int i = 0; i < 20 && read < taken; ++i) read += rig.samples().size();
    EXPECT_EQ(read, taken);
    EXPECT_EQ(rig.chip.bulkout(burst), taken);
}

TEST(Ft232rEmulator, PacketsCarryStatusBytesAndEndShort) {
    Rig rig;
    const std::vector<std::uint8_t> sent(100, 0x20);
    rig.chip.bulkout(sent);
    const std::vector<std::uint8_t> in = rig.chip.bulkin(4096);
    EXPECT_EQ(in.size(), 100U + 2 * 2);  // 62 + 38 samples in two packets
    EXPECT_EQ(rig.chip.bulkin(4096).size(), 2U) << "nothing waiting: the status bytes alone";
    EXPECT_TRUE(rig.chip.bulkin(1).empty()) << "no room even for the status bytes";
}

TEST(Ft232rEmulator, StepRateFollowsTheDivisor) {
    struct Case {
        std::int64_t asked;
        std::int64_t got;
    };
    for (const Case c : {Case{750'000, 750'000}, Case{1'000'000, 750'000}, Case{500'000, 500'000},
                         Case{150'000, 150'000}, Case{9'600, 9'600}}) {
        Rig rig;
        const auto [value, index] = ftdi_divisor(c.asked);
        ASSERT_TRUE(rig.chip.controlout(0x03, value, index));
        EXPECT_NEAR(static_cast<double>(rig.chip.steprate()), static_cast<double>(c.got), c.got * 0.01) << c.asked;
        EXPECT_EQ(ftdi_steprate(value, index), rig.chip.steprate());
    }
}

TEST(Ft232rEmulator, PulledOutItAnswersNothingAndDrivesNothing) {
    Rig rig;
    rig.chip.bulkout(std::vector<std::uint8_t>{0x60});
    rig.chip.bulkout(std::vector<std::uint8_t>{0x60});
    EXPECT_TRUE(rig.board.lines().vdd && rig.board.lines().vpp);
    rig.chip.unplug();
    EXPECT_FALSE(rig.board.lines().vdd || rig.board.lines().vpp);
    EXPECT_EQ(rig.chip.bulkout(std::vector<std::uint8_t>{0x60}), 0U);
    EXPECT_TRUE(rig.chip.bulkin(64).empty());
    EXPECT_FALSE(rig.chip.controlout(k_set_bitmode, 0, 1));
    EXPECT_FALSE(rig.chip.controlin(0xC0, 0x0A, 0, 1, 1));
}

}  // namespace
}  // namespace vornalt
