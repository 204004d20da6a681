// Whole chip operations from the catalogue to the wire: a test catalogue is loaded and applied,
// and every operation runs through the session's runners, engine, driver and transfers against
// a simulated programmer board with a simulated chip in its socket, on a virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/chip_operations.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "support/session_rig.h"

namespace vornalt {
namespace {

using SimBench = testing::SessionRig;

const DeviceCatalogue& e2ecatalogue() { return testing::cataloguefile(VORNALT_E2E_CATALOGUE); }

// A recognisable image: every word distinct, some zero bits in each, one blank word inside.
void fillimage(MemoryImage& image, std::int32_t config1) {
    auto words = flashwords(image);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = static_cast<std::int32_t>((i * 0x0765 + 0x1234) & 0x3FFF);
    words[words.size() / 2] = 0x3FFF;
    auto bytes = eeprombytes(image);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::int32_t>((i * 37 + 11) & 0xFF);
    image.config1word = config1;
}

struct FamilyCase {
    std::string model;
    std::int32_t config1;  // a value whose every bit the chip keeps, so it reads back as written
};

void PrintTo(const FamilyCase& c, std::ostream* os) { *os << c.model; }

class OperationsOnSimulatedChips : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(OperationsOnSimulatedChips, EraseBlankProgramVerifyReadEraseBlank) {
    const FamilyCase& c = GetParam();
    SimBench bench(e2ecatalogue(), c.model);
    ASSERT_NE(bench.board().chip(), nullptr);
    // Old contents to get rid of.
    bench.board().chip()->memory().program[3] = 0x0000;
    bench.board().chip()->memory().eeprom[1] = 0x00;

    EXPECT_EQ(bench.run(ChipOperation::eraseall), RunOutcome::succeeded);
    EXPECT_EQ(bench.window.status, "Chip erased");
    EXPECT_EQ(bench.run(ChipOperation::blankcheck), RunOutcome::succeeded);
    EXPECT_EQ(bench.window.status, "Chip is blank");
    EXPECT_EQ(bench.window.messages, std::vector<std::string>{});

    fillimage(bench.image, c.config1);
    const MemoryImage written = bench.image;
    EXPECT_EQ(bench.run(ChipOperation::programall), RunOutcome::succeeded);
    EXPECT_EQ(bench.window.status, "Chip programmed");
    EXPECT_EQ(bench.run(ChipOperation::verify), RunOutcome::succeeded);
    EXPECT_EQ(bench.window.status, "Chip verified");
    EXPECT_EQ(bench.window.messages, std::vector<std::string>{});

    // Read back into a blank image and compare with what was written.
    bench.app.label_hex = "firmware.hex";
    EXPECT_EQ(bench.run(ChipOperation::readall), RunOutcome::succeeded);
    EXPECT_EQ(bench.window.status, "Chip read");
    EXPECT_EQ(bench.app.label_hex, "");
    EXPECT_EQ(bench.image.flashbuffer, written.flashbuffer);
    EXPECT_EQ(bench.image.eeprombuffer, written.eeprombuffer);
    EXPECT_EQ(bench.image.config1word, written.config1word);

    // A programmed chip is not blank: one message at the first word that is not.
    EXPECT_EQ(bench.run(ChipOperation::blankcheck), RunOutcome::failed);
    EXPECT_EQ(bench.window.status, "Chip is not blank");
    EXPECT_EQ(bench.window.messages,
              std::vector<std::string>{"Chip is not blank at address 0000h!\r\nThe value read from that address is 1234h."});

    EXPECT_EQ(bench.run(ChipOperation::eraseall), RunOutcome::succeeded);
    EXPECT_EQ(bench.run(ChipOperation::blankcheck), RunOutcome::succeeded);
    EXPECT_EQ(bench.window.status, "Chip is blank");
    EXPECT_EQ(bench.run(ChipOperation::verify), RunOutcome::failed);
    EXPECT_EQ(bench.window.status, "Chip verify failed");
    EXPECT_EQ(bench.window.messages,
              std::vector<std::string>{"Verify failed at address 0000h!\r\nThe value read from that address is 3FFFh.\r\n"
                                       "The value expected is 1234h."});

    // Every run left the programmer switched off.
    const BoardLines lines = bench.board().lines();
    EXPECT_FALSE(lines.vdd);
    EXPECT_FALSE(lines.vpp);
}

TEST_P(OperationsOnSimulatedChips, ProgrammingTimeTooShortIsCaughtByVerify) {
    const FamilyCase& c = GetParam();
    SimBench bench(e2ecatalogue(), c.model);
    EXPECT_EQ(bench.run(ChipOperation::eraseall), RunOutcome::succeeded);
    fillimage(bench.image, c.config1);
    bench.model.progtime = 0;  // what a user override could do; the chip needs its time
    EXPECT_EQ(bench.run(ChipOperation::programall), RunOutcome::succeeded) << "programming itself checks nothing";
    EXPECT_EQ(bench.run(ChipOperation::verify), RunOutcome::failed);
    EXPECT_EQ(bench.window.messages.size(), 1u);
}

TEST_P(OperationsOnSimulatedChips, PartialImageProgramsOnlyUpToItsLastWord) {
    const FamilyCase& c = GetParam();
    SimBench bench(e2ecatalogue(), c.model);
    EXPECT_EQ(bench.run(ChipOperation::eraseall), RunOutcome::succeeded);
    bench.image.flashbuffer[0] = 0x2805;
    bench.image.flashbuffer[9] = 0x0183;
    bench.image.eeprombuffer[2] = 0x5A;
    const std::int64_t before = bench.board().accesses();
    EXPECT_EQ(bench.run(ChipOperation::programall), RunOutcome::succeeded);
    EXPECT_LT(bench.board().accesses() - before, 100000) << "the loops stopped at the last word holding data";
    EXPECT_EQ(bench.run(ChipOperation::verify), RunOutcome::succeeded);
    const ChipMemory& chip = bench.board().chip()->memory();
    EXPECT_EQ(chip.program[0], 0x2805);
    EXPECT_EQ(chip.program[9], 0x0183);
    EXPECT_EQ(chip.program[10], 0x3FFF);
    EXPECT_EQ(chip.eeprom[2], 0x5A);
}

INSTANTIATE_TEST_SUITE_P(Families, OperationsOnSimulatedChips,
                         ::testing::Values(FamilyCase{"16F84A", 0x3FF1}, FamilyCase{"16F877A", 0x3F7A}),
                         [](const auto& info) { return info.param.model; });

}  // namespace
}  // namespace vornalt
