// The rules the simulated chips take from the programming guides where real silicon is
// less forgiving than a quick reading suggests: each case is a shortcut a script could take and
// the chip does not honour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "family_table.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::SimRig;

constexpr std::int32_t k_byte = 0x5A;

// One data EEPROM byte at address 0 written with `code`, waited `wait_ms`, then `endcode` (or
// none), and read back after a fresh entry.
struct EepromWriteCase {
    const char* what;
    std::int32_t code;
    std::int32_t wait_ms;
    std::int32_t endcode;
    bool stored;
};

TEST(DocumentRules, The16F87xAStoresEepromBytesOnlyThroughTheInternallyTimedWrite) {
    const EepromWriteCase cases[] = {
        {"08 with its 8 ms maximum", 0x08, 8, -1, true},
        {"08 waited 7 ms", 0x08, 7, -1, false},
        {"18/17 (program memory only), 2 ms", 0x18, 2, 0x17, false},
        {"18/17 waited far longer", 0x18, 20, 0x17, false},
    };
    for (const EepromWriteCase& c : cases) {
        SCOPED_TRACE(c.what);
        SimRig rig("16F877A");
        rig.transfers.powerup(PowerOrder::vddfirst);
        rig.load(0x03, k_byte);
        rig.command(c.code);
        rig.wait_ms(c.wait_ms);
        if (c.endcode >= 0) rig.endprogramming(c.endcode);
        rig.reenter(1);
        EXPECT_EQ(rig.read(0x05) == k_byte, c.stored) << "read " << rig.read(0x05);
    }
}

// Chip Erase over a chip whose first words are programmed: too short a wait leaves words that
// are neither the old value nor erased.
struct ChipEraseCase {
    const char* model;
    std::int32_t powerorder;
    std::int32_t wait_ms;
    bool erased;
};

TEST(DocumentRules, ChipEraseNeedsTheLongerWaitOfTheWeakRevisions) {
    const ChipEraseCase cases[] = {
        {"16F877A", 1, 8, false}, {"16F877A", 1, 10, true}, {"16F873A", 1, 9, false},
        {"16F88", 2, 10, false},  {"16F88", 2, 11, true},   {"16F818", 2, 8, false},
    };
    for (const ChipEraseCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " waited " + std::to_string(c.wait_ms) + " ms");
        SimRig rig(c.model);
        std::fill(rig.chip().memory().program.begin(), rig.chip().memory().program.end(), 0x0000);
        rig.chip().memory().eeprom.front() = 0x00;
        rig.transfers.powerup(PowerOrder{c.powerorder});
        rig.load(0x00, 0x3FFF);
        rig.command(0x1F);
        rig.wait_ms(c.wait_ms);
        rig.reenter(c.powerorder);
        EXPECT_EQ(rig.read(0x04) == 0x3FFF, c.erased) << "word 0 reads " << rig.read(0x04);
        EXPECT_EQ(rig.read(0x05) == 0xFF, c.erased) << "EEPROM byte 0 reads " << rig.read(0x05);
    }
}

// The 01/07 sequence of the 16F83/84/84A run at 2007h: on a protected chip it clears everything;
// on an unprotected one program memory only, so data EEPROM and CONFIG1 survive, and 09 (in
// configuration space) and 0B have to follow.
struct SetupEraseCase {
    const char* model;
    std::int32_t config1;  // raw cell before the erase
    bool with_bulk_erases; // 09 and 0B after the 01/07 sequence
    std::int32_t eeprom_after;
    std::int32_t config1_after;
};

TEST(DocumentRules, The16F84CodeProtectDisableClearsDataOnlyOnAProtectedChip) {
    const SetupEraseCase cases[] = {
        {"16F84A", 0x000F, false, 0xFF, 0x3FFF}, {"16F84A", 0x3FF1, false, 0x42, 0x3FF1},
        {"16F84A", 0x3FF1, true, 0xFF, 0x3FFF},  {"16F83", 0x3FF1, false, 0x42, 0x3FF1},
        {"16F84", 0x000F, false, 0xFF, 0x3FFF},  {"16F84", 0x3FF1, true, 0xFF, 0x3FFF},
    };
    for (const SetupEraseCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " CONFIG1 " + std::to_string(c.config1) +
                     (c.with_bulk_erases ? " with 09/0B" : ""));
        SimRig rig(c.model);
        ChipMemory& memory = rig.chip().memory();
        std::fill(memory.program.begin(), memory.program.end(), 0x1234);
        std::fill(memory.eeprom.begin(), memory.eeprom.end(), 0x42);
        memory.config1 = c.config1;

        rig.transfers.powerup(PowerOrder::vddfirst);
        rig.load(0x00, 0x3FFF);
        rig.increment(7);
        for (const std::int32_t code : {0x01, 0x07, 0x08}) rig.command(code);
        rig.wait_ms(10);
        rig.command(0x01);
        rig.command(0x07);
        if (c.with_bulk_erases) {
            rig.load(0x02, 0x3FFF);
            rig.command(0x09);
            rig.command(0x08);
            rig.wait_ms(10);
            rig.load(0x03, 0x3FFF);
            rig.command(0x0B);
            rig.command(0x08);
            rig.wait_ms(10);
        }
        rig.transfers.powerdown();
        rig.chip().settle(rig.board.now_ns());

        EXPECT_EQ(memory.program.front(), 0x3FFF);
        EXPECT_EQ(memory.program.back(), 0x3FFF);
        EXPECT_EQ(memory.eeprom.back(), c.eeprom_after);
        EXPECT_EQ(memory.config1, c.config1_after);
    }
}

TEST(DocumentRules, The16F83And16F84HaveNoDeviceId) {
    for (const char* name : {"16F83", "16F84"}) {
        SCOPED_TRACE(name);
        SimRig rig(name);
        rig.transfers.powerup(PowerOrder::vddfirst);
        rig.load(0x00, 0x3FFF);
        rig.increment(6);
        EXPECT_EQ(rig.read(0x04), 0x0000);
    }
    EXPECT_EQ(findchipmodel("16F83")->programwords, 512);
    EXPECT_EQ(findchipmodel("16F84")->eeprombytes, 64);
}

}  // namespace
}  // namespace vornalt

namespace vornalt {
namespace {

// Externally timed writes run until End Programming (17 on the 16F87xA and 16F87/88/818/819, 0E
// on the 16F7x and 16F716), and a command within TDIS (100 us) after it is lost: a script that
// leaves out either loses words.
TEST(DocumentRules, ExternallyTimedWritesNeedEndProgrammingAndTdis) {
    struct Part {
        const char* model;
        PowerOrder powerorder;
        std::int32_t writecode;
        std::int32_t endcode;
    };
    constexpr PowerOrder vdd = PowerOrder::vddfirst, vpp = PowerOrder::vppfirst;
    const Part parts[] = {
        {"16F877A", vdd, 0x18, 0x17}, {"16F88", vpp, 0x18, 0x17}, {"16F819", vpp, 0x18, 0x17},
        {"16F77", vdd, 0x08, 0x0E},   {"16F716", vdd, 0x18, 0x0E},
    };
    enum class Ending { end_and_tdis, no_end, end_without_tdis };
    for (const Part& p : parts) {
        for (const Ending ending : {Ending::end_and_tdis, Ending::no_end, Ending::end_without_tdis}) {
            SCOPED_TRACE(::testing::Message() << p.model << " ending " << static_cast<int>(ending));
            SimRig rig(p.model);
            rig.transfers.powerup(p.powerorder);
            rig.load(0x02, 0x1234);
            rig.command(p.writecode);
            rig.wait_ms(3);
            if (ending == Ending::end_and_tdis) rig.endprogramming(p.endcode);
            if (ending == Ending::end_without_tdis) rig.command(p.endcode);
            rig.increment();  // lost within TDIS: the PC stays on word 0
            rig.wait_ms(1);
            const std::int32_t next = rig.read(0x04);
            rig.reenter(static_cast<std::int32_t>(p.powerorder));
            const std::int32_t word0 = rig.read(0x04);
            EXPECT_EQ(word0 == 0x1234, ending != Ending::no_end) << "word 0 reads " << std::hex << word0;
            EXPECT_EQ(next == 0x1234, ending == Ending::end_without_tdis) << "the PC's word reads " << std::hex << next;
        }
    }
}

// 16F716 CONFIG1 by 18 ... 0E: it needs 2.5 ms, and reads back only once a word has been
// written one location past it; a power cycle alone does not show it.
TEST(DocumentRules, The16F716ShowsCONFIG1OnlyAfterTheNextWordIsWritten) {
    const struct { std::int32_t wait_ms, words; bool shown; } cases[] = {{3, 2, true}, {2, 2, false}, {3, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.wait_ms) + " ms, words " + std::to_string(c.words));
        SimRig rig("16F716");
        rig.transfers.powerup(PowerOrder::vddfirst);
        rig.load(0x00, 0x3FFF);
        rig.increment(7);
        for (std::int32_t word = 0; word < c.words; ++word) {
            rig.run({{0x02, word == 0 ? 0x3FF2 : 0x3FFF}, {0x18}, {-1, c.wait_ms}, {0x0E}, {-1, 1}, {0x06}});
        }
        rig.reenter(1);
        rig.load(0x00, 0x3FFF);
        rig.increment(7);
        EXPECT_EQ(rig.read(0x04) == 0x3FF2, c.shown) << rig.read(0x04);
    }
}

}  // namespace
}  // namespace vornalt
