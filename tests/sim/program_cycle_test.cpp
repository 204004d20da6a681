// Whole erase-program-read cycles, each step taken from the chips' programming documents, run
// through the port driver against the simulated board; the chip then moves to a new board
// through its file, as a second run of the program would find it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim_rig.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::SimRig;
using testing::TempFolder;

struct Contents {
    std::vector<std::int32_t> program;
    std::vector<std::int32_t> eeprom;
    std::vector<std::int32_t> id;
    std::int32_t config1 = 0;
};

Contents makecontents(std::int32_t words, std::int32_t bytes, std::int32_t config1) {
    Contents c;
    // Every word distinct in its low bits and with plenty of zero bits to program.
    for (std::int32_t i = 0; i < words; ++i) c.program.push_back((i * 0x0765 + 0x1234) & 0x3FFF);
    c.program[static_cast<std::size_t>(words / 2)] = 0x3FFF;  // a blank word inside the image
    for (std::int32_t i = 0; i < bytes; ++i) c.eeprom.push_back((i * 37 + 11) & 0xFF);
    c.id = {0x0001, 0x0002, 0x0003, 0x0004};
    c.config1 = config1;
    return c;
}

Contents readback(SimRig& rig, std::int32_t powerorder, std::int32_t words, std::int32_t bytes) {
    Contents c;
    rig.transfers.powerup(PowerOrder{powerorder});
    for (std::int32_t i = 0; i < words; ++i) {
        c.program.push_back(rig.read(0x04));
        rig.command(0x06);
    }
    rig.transfers.powerdown();
    rig.transfers.powerup(PowerOrder{powerorder});
    for (std::int32_t i = 0; i < bytes; ++i) {
        c.eeprom.push_back(rig.read(0x05) & 0xFF);
        rig.command(0x06);
    }
    rig.transfers.powerdown();
    rig.transfers.powerup(PowerOrder{powerorder});
    rig.load(0x00, 0x3FFF);
    for (std::int32_t i = 0; i < 4; ++i) {
        c.id.push_back(rig.read(0x04));
        rig.command(0x06);
    }
    rig.command(0x06);
    rig.command(0x06);
    rig.command(0x06);
    c.config1 = rig.read(0x04);
    rig.transfers.powerdown();
    return c;
}

void expectsame(const Contents& got, const Contents& want) {
    EXPECT_EQ(got.program, want.program);
    EXPECT_EQ(got.eeprom, want.eeprom);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.config1, want.config1);
}

// Both parts write the ID locations and CONFIG1 one word at a time with 08 (up to 8 ms), starting
// from Load Configuration.
void programconfigspace(SimRig& rig, const Contents& c) {
    rig.transfers.powerup(PowerOrder::vddfirst);
    rig.load(0x00, c.id[0]);
    rig.command(0x08);
    rig.wait_ms(8);
    for (std::size_t i = 1; i < 4; ++i) {
        rig.command(0x06);
        rig.load(0x02, c.id[i]);
        rig.command(0x08);
        rig.wait_ms(8);
    }
    for (int i = 0; i < 4; ++i) rig.command(0x06);
    rig.load(0x02, c.config1);
    rig.command(0x08);
    rig.wait_ms(8);
    rig.transfers.powerdown();
}

// 16F84A: VDD first; the code-protect disable sequence erases everything; one word per 08
// (erase and program, up to 8 ms); EEPROM bytes the same way; ID locations and CONFIG1 from
// Load Configuration.
void program16f84a(SimRig& rig, const Contents& c) {
    rig.transfers.powerup(PowerOrder::vddfirst);
    rig.load(0x00, 0x3FFF);
    for (int i = 0; i < 7; ++i) rig.command(0x06);
    rig.command(0x01);
    rig.command(0x07);
    rig.command(0x08);
    rig.wait_ms(10);
    rig.command(0x01);
    rig.command(0x07);
    rig.transfers.powerdown();

    rig.transfers.powerup(PowerOrder::vddfirst);
    for (const std::int32_t word : c.program) {
        rig.load(0x02, word);
        rig.command(0x08);
        rig.wait_ms(8);
        rig.command(0x06);
    }
    rig.transfers.powerdown();

    rig.transfers.powerup(PowerOrder::vddfirst);
    for (const std::int32_t byte : c.eeprom) {
        rig.load(0x03, byte);
        rig.command(0x08);
        rig.wait_ms(8);
        rig.command(0x06);
    }
    rig.transfers.powerdown();

    programconfigspace(rig, c);
}

// 16F877A: VDD first; Chip Erase (10 ms for the weak silicon revisions); program memory in
// 8-word blocks with the externally timed 18 (at least 1 ms) closed by End Programming; EEPROM
// bytes with the internally timed 08 (up to 8 ms), since 18 is for program memory only;
// configuration memory one word at a time with 08 (up to 8 ms).
void program16f877a(SimRig& rig, const Contents& c) {
    rig.transfers.powerup(PowerOrder::vddfirst);
    rig.command(0x1F);
    rig.wait_ms(10);
    rig.transfers.powerdown();

    rig.transfers.powerup(PowerOrder::vddfirst);
    for (std::size_t i = 0; i < c.program.size(); ++i) {
        rig.load(0x02, c.program[i]);
        if (i % 8 == 7) {
            rig.command(0x18);
            rig.wait_ms(1);
            rig.command(0x17);
        }
        rig.command(0x06);
    }
    rig.transfers.powerdown();

    rig.transfers.powerup(PowerOrder::vddfirst);
    for (const std::int32_t byte : c.eeprom) {
        rig.load(0x03, byte);
        rig.command(0x08);
        rig.wait_ms(8);
        rig.command(0x06);
    }
    rig.transfers.powerdown();

    programconfigspace(rig, c);
}

TEST(ProgramCycle, Pic16F84AProgramsReadsBackAndKeepsItsContentsInTheChipFile) {
    TempFolder folder;
    const std::string path = (folder.path() / "16f84a.hex").string();
    // Protection off; CONFIG1 of the 84A has no fixed bits, so it reads back as written.
    const Contents want = makecontents(1024, 64, 0x3FF1);
    {
        SimRig rig("16F84A");
        rig.chip().memory().program[3] = 0x0000;  // something old to erase
        program16f84a(rig, want);
        expectsame(readback(rig, 1, 1024, 64), want);
        ASSERT_TRUE(rig.board.savechipfile(path).ok());
    }
    SimRig second("16F84A");
    ASSERT_TRUE(second.board.loadchipfile(path).ok());
    expectsame(readback(second, 1, 1024, 64), want);
}

TEST(ProgramCycle, Pic16F877AProgramsReadsBackAndKeepsItsContentsInTheChipFile) {
    TempFolder folder;
    const std::string path = (folder.path() / "16f877a.hex").string();
    // Unimplemented bits 12 and 5-4 of CONFIG1 read 1 whatever is written.
    Contents want = makecontents(8192, 256, 0x2F4A);
    {
        SimRig rig("16F877A");
        rig.chip().memory().program[8000] = 0x0000;
        program16f877a(rig, want);
        want.config1 = 0x3F7A;
        expectsame(readback(rig, 1, 8192, 256), want);
        ASSERT_TRUE(rig.board.savechipfile(path).ok());
    }
    SimRig second("16F877A");
    ASSERT_TRUE(second.board.loadchipfile(path).ok());
    expectsame(readback(second, 1, 8192, 256), want);
}

TEST(ProgramCycle, TheSameCycleWithTooShortWaitsFailsVerification) {
    // Catalogue-style programming time of 4 ms against the 84A's 8 ms for 08.
    SimRig rig("16F84A");
    rig.transfers.powerup(PowerOrder::vddfirst);
    const std::vector<std::int32_t> words{0x2805, 0x0183, 0x3FFF, 0x1683};
    for (const std::int32_t word : words) {
        rig.load(0x02, word);
        rig.command(0x08);
        rig.wait_ms(4);
        rig.command(0x06);
    }
    rig.transfers.powerdown();
    const Contents got = readback(rig, 1, 4, 0);
    EXPECT_NE(got.program[0], 0x2805);
    EXPECT_NE(got.program[1], 0x0183);
    EXPECT_EQ(got.program[2], 0x3FFF) << "nothing to change, nothing to lose";
    EXPECT_NE(got.program[3], 0x1683);
}

}  // namespace
}  // namespace vornalt
