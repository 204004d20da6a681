// Every family driven through the real port driver and transfers on the simulated board.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "family_table.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::FamilyCase;
using testing::familycases;
using testing::programbyte;
using testing::programwords;
using testing::readwords;
using testing::SimRig;

std::vector<std::int32_t> pattern(std::int32_t count, std::int32_t seed) {
    std::vector<std::int32_t> words;
    for (std::int32_t i = 0; i < count; ++i) words.push_back((seed * 7 + i * 0x0431) & 0x3FFF);
    return words;
}

TEST(ChipProtocol, ProgramWordsReadBackAfterReentry) {
    for (const FamilyCase& f : familycases()) {
        SCOPED_TRACE(f.model);
        SimRig rig(f.model);
        rig.transfers.powerup(PowerOrder{f.powerorder});
        ASSERT_TRUE(rig.chip().programming());
        // Two write groups from address 0x10: the second must not disturb the first.
        const auto first = pattern(f.latchwords, 1);
        const auto second = pattern(f.latchwords, 2);
        rig.increment(0x10);
        programwords(rig, f, first, f.writewait_ms);
        programwords(rig, f, second, f.writewait_ms);
        EXPECT_EQ(rig.chip().pc(), 0x10 + 2 * f.latchwords);

        rig.reenter(f.powerorder);
        EXPECT_EQ(rig.chip().pc(), 0);
        EXPECT_EQ(rig.read(0x04), 0x3FFF) << "word 0 untouched";
        rig.increment(0x10);
        EXPECT_EQ(readwords(rig, 0x04, f.latchwords), first);
        EXPECT_EQ(readwords(rig, 0x04, f.latchwords), second);
        EXPECT_EQ(rig.read(0x04), 0x3FFF) << "the word after the last group";
        rig.transfers.powerdown();
        EXPECT_FALSE(rig.chip().programming());
    }
}

TEST(ChipProtocol, AWriteCutShortByTheNextCommandCorruptsTheWord) {
    for (const FamilyCase& f : familycases()) {
        SCOPED_TRACE(f.model);
        SimRig rig(f.model);
        rig.transfers.powerup(PowerOrder{f.powerorder});
        const auto words = pattern(f.latchwords, 3);
        programwords(rig, f, words, f.writewait_ms - 1);
        rig.reenter(f.powerorder);
        const auto got = readwords(rig, 0x04, f.latchwords);
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_NE(got[i], words[i]) << "word " << i << " landed although the wait was too short";
        }
        // The same words with the full time land.
        rig.reenter(f.powerorder);
        rig.increment(f.latchwords);
        programwords(rig, f, words, f.writewait_ms);
        rig.reenter(f.powerorder);
        rig.increment(f.latchwords);
        EXPECT_EQ(readwords(rig, 0x04, f.latchwords), words);
    }
}

TEST(ChipProtocol, PowerGoingOffDuringAWriteCutsItShort) {
    SimRig rig("16F84A");
    rig.transfers.powerup(PowerOrder::vddfirst);
    rig.load(0x02, 0x0000);
    rig.command(0x08);
    rig.wait_ms(2);
    rig.transfers.powerdown();  // VDD drops 2 ms into an 8 ms write
    EXPECT_NE(rig.chip().memory().program[0], 0x0000);
    EXPECT_NE(rig.chip().memory().program[0], 0x3FFF);
}

TEST(ChipProtocol, EepromBytesUseTheLowPcBitsAndEightBitFrames) {
    for (const FamilyCase& f : familycases()) {
        SCOPED_TRACE(f.model);
        SimRig rig(f.model);
        const std::int32_t size = rig.chip().model().eeprombytes;
        rig.transfers.powerup(PowerOrder{f.powerorder});
        rig.increment(5);
        programbyte(rig, f, 0x3F41, f.eewait_ms);  // only the low byte is stored
        rig.increment();
        programbyte(rig, f, 0x00A7, f.eewait_ms - 1);  // cut short
        rig.reenter(f.powerorder);
        rig.increment(5);
        EXPECT_EQ(rig.read(0x05), 0x0041) << "8 data bits, then zeros";
        rig.increment();
        EXPECT_NE(rig.read(0x05), 0x00A7);
        // PC 5 + size selects the same byte again.
        rig.increment(size - 1);
        EXPECT_EQ(rig.chip().pc(), size + 5);
        EXPECT_EQ(rig.read(0x05), 0x0041);
        // Program memory is not touched by data writes.
        rig.reenter(f.powerorder);
        rig.increment(5);
        EXPECT_EQ(rig.read(0x04), 0x3FFF);
    }
}

TEST(ChipProtocol, ProgramCounterWrapsWithinItsSpaceAndAliasesSmallMemories) {
    SimRig rig("12F629");
    rig.transfers.powerup(PowerOrder::vppfirst);
    rig.increment(5);
    rig.load(0x02, 0x2805);
    rig.command(0x08);
    rig.wait_ms(3);
    rig.increment(0x400);  // 405h decodes as 5 on a 1K part
    EXPECT_EQ(rig.chip().pc(), 0x405);
    EXPECT_EQ(rig.read(0x04), 0x2805);

    rig.increment(0x1FFF - 0x405);
    EXPECT_EQ(rig.chip().pc(), 0x1FFF);
    rig.increment();
    EXPECT_EQ(rig.chip().pc(), 0) << "user space wraps to 0, never into configuration space";

    rig.load(0x00, 0x3FFF);
    EXPECT_EQ(rig.chip().pc(), 0x2000);
    rig.increment(0x1FFF);
    EXPECT_EQ(rig.chip().pc(), 0x3FFF);
    rig.increment();
    EXPECT_EQ(rig.chip().pc(), 0x2000) << "configuration space wraps onto itself";
}

TEST(ChipProtocol, DeviceIdAndConfigurationWordsReadWithTheirFixedBits) {
    struct Case {
        const char* model;
        std::int32_t powerorder;
        std::int32_t id;           // without the revision
        std::int32_t zeroconfig1;  // CONFIG1 after programming 0000
    };
    const Case cases[] = {
        {"16F84A", 1, 0x0560, 0x0000}, {"16F877", 1, 0x09A0, 0x0400}, {"16F877A", 1, 0x0E20, 0x1030},
        {"16F628A", 2, 0x1060, 0x1E00}, {"12F675", 2, 0x0FC0, 0x0000}, {"16F88", 2, 0x0760, 0x0000},
        {"16F690", 2, 0x1400, 0x3000}, {"16F685", 2, 0x04A0, 0x3000}, {"16F628", 2, 0x07C0, 0x0200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        SimRig rig(c.model);
        const FamilyCase* f = nullptr;
        for (const FamilyCase& fc : familycases()) {
            if (findchipmodel(fc.model)->family == rig.chip().model().family) f = &fc;
        }
        ASSERT_NE(f, nullptr);
        rig.transfers.powerup(PowerOrder{c.powerorder});
        rig.load(0x00, 0x3FFF);
        rig.increment(6);
        EXPECT_EQ(rig.read(0x04) & 0x3FE0, c.id);
        rig.increment();
        const std::int32_t blank = rig.read(0x04);
        EXPECT_EQ(blank, rig.chip().model().has_calibration ? 0x21FF : 0x3FFF);
        rig.load(0x02, 0x0000);
        rig.command(f->writecode);
        rig.wait_ms(f->writewait_ms);
        if (f->endcode >= 0) rig.endprogramming(f->endcode);
        EXPECT_EQ(rig.read(0x04), c.zeroconfig1);
        rig.increment(2);
        EXPECT_EQ(rig.read(0x04), 0) << "unimplemented 2009h";
    }
}

TEST(ChipProtocol, IdLocationsFollowLoadConfiguration) {
    for (const FamilyCase& f : familycases()) {
        SCOPED_TRACE(f.model);
        SimRig rig(f.model);
        rig.transfers.powerup(PowerOrder{f.powerorder});
        rig.load(0x00, 0x0001);
        EXPECT_EQ(rig.chip().pc(), 0x2000);
        rig.command(f.writecode);  // writes the word that came with Load Configuration, where kept
        rig.wait_ms(f.writewait_ms);
        if (f.endcode >= 0) rig.endprogramming(f.endcode);
        rig.increment();
        for (std::int32_t id : {0x0002, 0x0003, 0x0004}) {
            programwords(rig, f, {id}, f.writewait_ms);  // one word at a time in configuration memory
        }
        rig.reenter(f.powerorder);
        rig.load(0x00, 0x3FFF);
        const bool discards = rig.chip().model().family == ChipFamily::f88;
        EXPECT_EQ(readwords(rig, 0x04, 4),
                  (std::vector<std::int32_t>{discards ? 0x3FFF : 0x0001, 0x0002, 0x0003, 0x0004}));
        // Program memory is untouched by configuration writes.
        rig.reenter(f.powerorder);
        EXPECT_EQ(readwords(rig, 0x04, 4), std::vector<std::int32_t>(4, 0x3FFF));
    }
}

TEST(ChipProtocol, Config2OnlyOn16F87And88) {
    SimRig rig("16F88");
    rig.transfers.powerup(PowerOrder::vppfirst);
    rig.load(0x00, 0x0000);
    rig.increment(8);
    EXPECT_EQ(rig.read(0x04), 0x3FFF);
    rig.load(0x02, 0x0000);
    rig.command(0x18);
    rig.wait_ms(1);
    rig.endprogramming(0x17);
    EXPECT_EQ(rig.read(0x04), 0x3FFC) << "bits 13-2 read 1";
    rig.command(0x1F);
    rig.wait_ms(8);
    EXPECT_EQ(rig.read(0x04), 0x3FFF) << "Chip Erase clears CONFIG2 too";

    SimRig other("16F877A");
    other.transfers.powerup(PowerOrder::vddfirst);
    other.load(0x00, 0x0000);
    other.increment(8);
    EXPECT_EQ(other.read(0x04), 0);
}

TEST(ChipProtocol, EraseSequencesBlankEverythingTheyCover) {
    struct Case {
        const char* model;
        std::vector<std::vector<std::int32_t>> steps;  // {code} or {code, word} or {-1, ms}
        bool keepscalword = true;                       // the 16F690 family's word at 2008h
    };
    const Case cases[] = {
        {"16F84A", {{0x02, 0x3FFF}, {0x09}, {0x08}, {-1, 10}, {0x03, 0x3FFF}, {0x0B}, {0x08}, {-1, 10}}},
        {"16F877",
         {{0x02, 0x3FFF}, {0x01}, {0x07}, {0x08}, {-1, 11}, {0x01}, {0x07},
          {0x03, 0x3FFF}, {0x01}, {0x07}, {0x08}, {-1, 11}, {0x01}, {0x07}}},
        {"16F877A", {{0x1F}, {-1, 10}}},
        {"16F628A", {{0x02, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        {"12F675", {{0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        {"16F88", {{0x1F}, {-1, 11}}},
        {"16F690", {{0x09}, {-1, 11}, {0x00, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        {"16F690", {{0x00, 0x3FFF}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06},
                    {0x09}, {-1, 11}, {0x0B}, {-1, 11}}, false},
        {"16F628", {{0x02, 0x3FFF}, {0x09}, {0x08}, {-1, 15}, {0x03, 0x3FFF}, {0x0B}, {0x08}, {-1, 15}}},
        {"16F887", {{0x09}, {-1, 11}, {0x00, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        // The 16F88x calibration word sits at 2009h: a bulk erase there takes it too.
        {"16F887", {{0x00, 0x3FFF}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06},
                    {0x09}, {-1, 11}, {0x0B}, {-1, 11}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const FamilyCase* f = nullptr;
        for (const FamilyCase& fc : familycases()) {
            if (findchipmodel(fc.model)->family == findchipmodel(c.model)->family) f = &fc;
        }
        ASSERT_NE(f, nullptr);
        SimRig rig(c.model);
        const std::int32_t calword = rig.chip().memory().calword;
        rig.transfers.powerup(PowerOrder{f->powerorder});
        programwords(rig, *f, pattern(f->latchwords, 4), f->writewait_ms);
        programbyte(rig, *f, 0x12, f->eewait_ms);

        rig.reenter(f->powerorder);
        rig.run(c.steps);
        rig.reenter(f->powerorder);
        EXPECT_EQ(readwords(rig, 0x04, f->latchwords), std::vector<std::int32_t>(f->latchwords, 0x3FFF));
        rig.reenter(f->powerorder);
        rig.increment(f->latchwords);
        EXPECT_EQ(rig.read(0x05), 0xFF);
        EXPECT_EQ(rig.chip().memory().calword, c.keepscalword ? calword : 0x3FFF);
    }
}

TEST(ChipProtocol, AnEraseCutShortLeavesWordsHalfErased) {
    SimRig rig("16F877A");
    rig.transfers.powerup(PowerOrder::vddfirst);
    rig.load(0x02, 0x0000);
    rig.command(0x08);
    rig.wait_ms(8);
    rig.command(0x1F);
    rig.wait_ms(4);  // chip erase needs 8 ms
    rig.reenter(1);
    const std::int32_t word = rig.read(0x04);
    EXPECT_NE(word, 0x0000);
    EXPECT_NE(word, 0x3FFF);
}

// Programs a word at 0, a byte at EEPROM 0 and CONFIG1 = protect, then re-enters.
void protect(SimRig& rig, const FamilyCase& f, std::int32_t config) {
    rig.transfers.powerup(PowerOrder{f.powerorder});
    programwords(rig, f, std::vector<std::int32_t>(f.latchwords, 0x2805), f.writewait_ms);
    rig.reenter(f.powerorder);
    programbyte(rig, f, 0x5A, f.eewait_ms);
    rig.load(0x00, 0x3FFF);
    rig.increment(7);
    rig.load(0x02, config);
    rig.command(f.writecode);
    rig.wait_ms(f.writewait_ms);
    if (f.endcode >= 0) rig.endprogramming(f.endcode);
    rig.reenter(f.powerorder);
}

TEST(ChipProtocol, CodeProtectionHidesMemoryUntilTheFamilysEraseClearsIt) {
    struct Case {
        const char* model;
        std::int32_t config;                           // CP and CPD on
        std::vector<std::vector<std::int32_t>> clear;  // as in the erase test
    };
    const Case cases[] = {
        {"16F84A", 0x000F, {{0x00, 0x3FFF}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06},
                            {0x01}, {0x07}, {0x08}, {-1, 10}, {0x01}, {0x07}}},
        {"16F877", 0x0ECF, {{0x00, 0x3FFF}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06},
                            {0x01}, {0x07}, {0x08}, {-1, 11}, {0x01}, {0x07}}},
        {"16F877A", 0x1EFF, {{0x1F}, {-1, 10}}},
        {"16F628A", 0x1EFF, {{0x00, 0x3FFF}, {0x09}, {-1, 11}}},
        {"12F675", 0x3E7F, {{0x00, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        {"16F88", 0x1EFF, {{0x1F}, {-1, 11}}},
        {"16F690", 0x3F3F, {{0x09}, {-1, 11}, {0x00, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        {"16F628", 0x00FF, {{0x00, 0x3FFF}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06}, {0x06},
                            {0x01}, {0x07}, {0x08}, {-1, 15}, {0x01}, {0x07}}},
        {"16F887", 0x3F3F, {{0x09}, {-1, 11}, {0x00, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
        {"16F917", 0x3F3F, {{0x09}, {-1, 11}, {0x00, 0x3FFF}, {0x09}, {-1, 11}, {0x0B}, {-1, 11}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const FamilyCase* f = nullptr;
        for (const FamilyCase& fc : familycases()) {
            if (findchipmodel(fc.model)->family == findchipmodel(c.model)->family) f = &fc;
        }
        ASSERT_NE(f, nullptr);
        SimRig rig(c.model);
        protect(rig, *f, c.config);
        const bool has_cpd = rig.chip().model().family != ChipFamily::f84a;

        EXPECT_EQ(rig.read(0x04), 0) << "protected program word reads 0";
        EXPECT_EQ(rig.read(0x05), has_cpd ? 0x00 : 0x5A);
        rig.load(0x00, 0x3FFF);
        rig.increment(7);
        EXPECT_EQ(rig.read(0x04) & 0x01FF, c.config & 0x01FF) << "configuration stays readable";

        rig.run(c.clear);
        rig.reenter(f->powerorder);
        EXPECT_EQ(rig.read(0x04), 0x3FFF) << "erased and readable";
        EXPECT_EQ(rig.read(0x05), 0xFF);
        rig.load(0x00, 0x3FFF);
        rig.increment(7);
        EXPECT_EQ(rig.read(0x04) & 0x01FF, 0x01FF) << "protection bits erased";
    }
}

TEST(ChipProtocol, PlainBulkEraseIsRefusedWhileProtected) {
    struct Case {
        const char* model;
        std::int32_t config;
        std::vector<std::int32_t> erase;  // commands, then the wait
        std::int32_t wait_ms;
    };
    const Case cases[] = {
        {"16F84A", 0x000F, {0x09, 0x08}, 10},
        {"16F877A", 0x1FFF, {0x09, 0x08}, 8},
        {"16F88", 0x1FFF, {0x09, 0x08}, 2},
        {"16F628A", 0x1FFF, {0x09}, 6},
        {"16F690", 0x3FBF, {0x11}, 6},  // row erase
        {"16F628", 0x00FF, {0x09, 0x08}, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const FamilyCase* f = nullptr;
        for (const FamilyCase& fc : familycases()) {
            if (findchipmodel(fc.model)->family == findchipmodel(c.model)->family) f = &fc;
        }
        ASSERT_NE(f, nullptr);
        SimRig rig(c.model);
        protect(rig, *f, c.config);
        for (const std::int32_t code : c.erase) rig.command(code);
        rig.wait_ms(c.wait_ms);
        EXPECT_EQ(rig.chip().memory().program[0], 0x2805) << "the protected word survives";
    }
}

TEST(ChipProtocol, BlockWritesTakeEveryLatchOfTheBlock) {
    SimRig rig("16F877A");
    rig.transfers.powerup(PowerOrder::vddfirst);
    const auto first = pattern(8, 5);
    programwords(rig, familycases()[2], first, 8);  // block 0, no End Programming

    // Block 1 with only its first latch loaded: the other seven still hold block 0's words.
    rig.load(0x02, 0x0AAA);
    rig.command(0x08);
    rig.wait_ms(8);
    rig.increment(8);
    // Block 2 after End Programming: unloaded latches are 3FFF.
    rig.endprogramming(0x17);
    rig.increment(3);  // PC<2:0> = 3 within block 2
    rig.load(0x02, 0x0BBB);
    rig.command(0x08);
    rig.wait_ms(8);

    rig.reenter(1);
    EXPECT_EQ(readwords(rig, 0x04, 8), first);
    auto stale = first;
    stale[0] = 0x0AAA;
    EXPECT_EQ(readwords(rig, 0x04, 8), stale);
    auto fresh = std::vector<std::int32_t>(8, 0x3FFF);
    fresh[3] = 0x0BBB;
    EXPECT_EQ(readwords(rig, 0x04, 8), fresh);
}

TEST(ChipProtocol, ProgramOnlyCommandsCanOnlyClearBits) {
    struct Case {
        const char* model;
        std::int32_t powerorder;
        std::int32_t code;
        std::int32_t wait_ms;
        std::int32_t endcode;
    };
    const Case cases[] = {
        {"16F84A", 1, 0x18, 4, -1},    {"16F877A", 1, 0x18, 1, 0x17}, {"16F628A", 2, 0x08, 4, -1},
        {"12F629", 2, 0x18, 2, 0x0A},  {"16F88", 2, 0x18, 1, 0x17},   {"16F690", 2, 0x08, 3, -1},
        {"16F690", 2, 0x18, 3, 0x0A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        SimRig rig(c.model);
        rig.chip().memory().program[0] = 0x3C3C;
        rig.transfers.powerup(PowerOrder{c.powerorder});
        rig.load(0x02, 0x0FF0);
        rig.command(c.code);
        rig.wait_ms(c.wait_ms);
        if (c.endcode >= 0) rig.endprogramming(c.endcode);
        EXPECT_EQ(rig.read(0x04), 0x0C30);
    }
}

TEST(ChipProtocol, RowEraseClearsTheAlignedRowAroundThePc) {
    struct Case {
        const char* model;
        std::int32_t code;
        std::int32_t wait_ms;
        std::int32_t nextcode;  // End Programming, or any command once the erase times itself
        std::int32_t rowwords;
    };
    const Case cases[] = {
        {"16F88", 0x08, 1, 0x17, 32},
        {"16F690", 0x11, 11, 0x06, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        SimRig rig(c.model);
        for (std::int32_t i = 0; i < 0x60; ++i) rig.chip().memory().program[static_cast<std::size_t>(i)] = 0x0123;
        rig.transfers.powerup(PowerOrder::vppfirst);
        rig.increment(0x25);  // inside the row that starts at 20h
        rig.command(c.code);
        rig.wait_ms(c.wait_ms);
        rig.command(c.nextcode);
        const auto& program = rig.chip().memory().program;
        const auto at = [&](std::int32_t i) { return program[static_cast<std::size_t>(i)]; };
        EXPECT_EQ(at(0x1F), 0x0123);
        EXPECT_EQ(at(0x20), 0x3FFF);
        EXPECT_EQ(at(0x20 + c.rowwords - 1), 0x3FFF);
        EXPECT_EQ(at(0x20 + c.rowwords), 0x0123);
    }
}

TEST(ChipProtocol, UnknownCommandsAreIgnored) {
    struct Case {
        const char* model;
        std::int32_t powerorder;
        std::int32_t unknown;
    };
    const Case cases[] = {
        {"16F84A", 1, 0x1F}, {"16F84A", 1, 0x3F}, {"16F877", 1, 0x09}, {"16F877A", 1, 0x0A},
        {"16F628A", 2, 0x18}, {"12F675", 2, 0x17}, {"16F88", 2, 0x01}, {"16F88", 2, 0x15},
        {"12F675", 2, 0x11}, {"16F690", 2, 0x1F}, {"16F690", 2, 0x17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model << " " << std::hex << c.unknown);
        SimRig rig(c.model);
        const auto original = rig.chip().memory().program;
        rig.transfers.powerup(PowerOrder{c.powerorder});
        rig.load(0x02, 0x0000);
        rig.command(c.unknown);
        rig.wait_ms(10);
        EXPECT_EQ(rig.chip().memory().program, original);
        // The chip is still in step: the next command works.
        rig.increment();
        EXPECT_EQ(rig.chip().pc(), 1);
    }
}

TEST(ChipProtocol, PowerUpOrderDecidesEntry) {
    struct Case {
        const char* model;
        std::int32_t powerorder;
        bool enters;
    };
    const Case cases[] = {
        {"16F84A", 1, true},   {"16F84A", 2, true},  {"16F877", 1, true},  {"16F877A", 1, true},
        {"16F877A", 2, true},  {"16F628A", 1, false}, {"16F628A", 2, true}, {"12F629", 1, false},
        {"16F676", 2, true},   {"16F88", 1, false},  {"16F88", 2, true},   {"16F818", 1, false},
        {"16F690", 1, false},  {"16F631", 2, true},  {"16F628", 1, false}, {"16F628", 2, true},
        {"12F683", 1, false},  {"16F884", 1, false}, {"16F884", 2, true},  {"16F77", 1, true},
        {"16F913", 1, false},  {"16F913", 2, true},  {"16F716", 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model << " order " << c.powerorder);
        SimRig rig(c.model);
        rig.transfers.powerup(PowerOrder{c.powerorder});
        EXPECT_EQ(rig.chip().programming(), c.enters);
        rig.load(0x00, 0x3FFF);
        rig.increment(6);
        const std::int32_t id = rig.read(0x04);
        if (c.enters) {
            EXPECT_EQ(id, rig.chip().model().deviceid);
        } else {
            EXPECT_EQ(id, 0x3FFF) << "a running chip leaves the line to the pull-up";
        }
    }
}

TEST(ChipProtocol, MclrMustFollowVddWithin250usOn16F88) {
    for (const auto& [delay_us, enters] : {std::pair{0, true}, {200, true}, {250, true}, {251, false}, {1000, false}}) {
        SCOPED_TRACE(delay_us);
        SimRig rig("16F88");
        rig.driver.vddon();
        rig.wait_us(delay_us);
        rig.driver.vppon();
        EXPECT_EQ(rig.chip().programming(), enters);
    }
}

TEST(ChipProtocol, EntryNeedsClockAndDataLow) {
    for (const bool clock_high : {false, true}) {
        SimRig rig("16F877A");
        rig.driver.setline(Line::clock, clock_high);
        rig.driver.dataouton();  // released: the pull-up holds the data line high
        rig.transfers.powerup(PowerOrder::vddfirst);
        EXPECT_FALSE(rig.chip().programming()) << clock_high;
    }
    SimRig rig("16F877A");
    rig.transfers.powerup(PowerOrder::vddfirst);
    EXPECT_TRUE(rig.chip().programming());
}

TEST(ChipProtocol, CalibrationWordsComeFromTheFactoryAndABulkEraseDestroysThem) {
    FactoryCalibration factory;
    factory.osccal = 0x3458;
    factory.bandgap = 0x1000;
    SimRig rig(std::make_unique<SimChip>(*findchipmodel("12F675"), factory));
    rig.transfers.powerup(PowerOrder::vppfirst);
    rig.increment(0x3FF);
    EXPECT_EQ(rig.read(0x04), 0x3458);
    rig.load(0x00, 0x3FFF);
    rig.increment(7);
    EXPECT_EQ(rig.read(0x04), 0x11FF);

    // A bulk erase from configuration space takes both.
    rig.command(0x09);
    rig.wait_ms(11);
    rig.reenter(2);
    rig.increment(0x3FF);
    EXPECT_EQ(rig.read(0x04), 0x3FFF);
    rig.load(0x00, 0x3FFF);
    rig.increment(7);
    EXPECT_EQ(rig.read(0x04), 0x31FF);
}

TEST(ChipProtocol, SavingAndRestoringCalibrationAroundAProtectedErase) {
    FactoryCalibration factory;
    factory.osccal = 0x3420;
    factory.bandgap = 0x2000;
    SimRig rig(std::make_unique<SimChip>(*findchipmodel("12F629"), factory));
    const FamilyCase& f = familycases()[4];
    protect(rig, f, 0x207F);  // CP and CPD on, bandgap kept

    // Read the calibration first: OSCCAL stays readable under protection.
    EXPECT_EQ(rig.read(0x04), 0);
    rig.increment(0x3FF);
    const std::int32_t osccal = rig.read(0x04);
    rig.load(0x00, 0x3FFF);
    rig.increment(7);
    const std::int32_t bandgap = rig.read(0x04) & 0x3000;
    EXPECT_EQ(osccal, 0x3420);
    EXPECT_EQ(bandgap, 0x2000);

    // 00; 09, wait; 0B, wait; re-enter; restore.
    rig.reenter(2);
    rig.load(0x00, 0x3FFF);
    rig.command(0x09);
    rig.wait_ms(11);
    rig.command(0x0B);
    rig.wait_ms(11);
    rig.reenter(2);
    rig.increment(0x3FF);
    rig.load(0x02, osccal);
    rig.command(0x08);
    rig.wait_ms(3);
    rig.load(0x00, 0x3FFF);
    rig.increment(7);
    rig.load(0x02, bandgap | 0x0FFF);
    rig.command(0x08);
    rig.wait_ms(3);

    rig.reenter(2);
    EXPECT_EQ(rig.read(0x04), 0x3FFF);
    EXPECT_EQ(rig.read(0x05), 0xFF);
    rig.increment(0x3FF);
    EXPECT_EQ(rig.read(0x04), 0x3420);
    rig.load(0x00, 0x3FFF);
    rig.increment(7);
    EXPECT_EQ(rig.read(0x04), 0x21FF);
}

TEST(ChipProtocol, WrongWiringSettingsReadGarbage) {
    struct Case {
        const char* what;
        void (*spoil)(DriverState&);
    };
    const Case cases[] = {
        {"DATA IN not inverted", [](DriverState& s) { s.inversion(Line::datain) = 0; }},
        {"DATA OUT not inverted", [](DriverState& s) { s.inversion(Line::dataout) = 0; }},
        {"CLOCK not inverted", [](DriverState& s) { s.inversion(Line::clock) = 0; }},
        {"VPP inverted", [](DriverState& s) { s.inversion(Line::vpp) = 1; }},
        {"DATA IN on pin 11", [](DriverState& s) { s.pin(Line::datain) = 11; }},
        {"VDD on pin 6", [](DriverState& s) { s.pin(Line::vdd) = 6; }},
        {"CLOCK and DATA OUT swapped", [](DriverState& s) { s.pin(Line::clock) = 2; s.pin(Line::dataout) = 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimRig rig("16F877A");
        rig.chip().memory().program[0] = 0x2805;
        c.spoil(rig.state);
        rig.driver.setidle();
        rig.transfers.powerup(PowerOrder::vddfirst);
        EXPECT_NE(rig.read(0x04), 0x2805);
        rig.transfers.powerdown();
    }
}

}  // namespace
}  // namespace vornalt
