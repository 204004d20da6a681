// The rules of the 16F62x (non-A), 12F683/16F684/16F688, 16F88x and 16F7x parts, each shown by a
// script that gets it wrong and a chip that then does not hold what was sent.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "sim_rig.h"

namespace vornalt {
namespace {

using testing::SimRig;

std::vector<std::int32_t> words(std::int32_t count) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < count; ++i) out.push_back((0x0A31 + i * 0x0123) & 0x3FFF);
    return out;
}

using Steps = SimRig::Steps;

// Program memory goes in blocks of exactly the part's write latches: a script that loads more
// words per write loses the first ones, one that loads fewer writes stale latches elsewhere.
TEST(MoreParts, WriteBlocksMustMatchThePartsLatches) {
    struct Case {
        const char* model;
        std::int32_t block;  // words loaded per 08
        std::int32_t wait_ms;
        bool lands;
    };
    const Case cases[] = {
        {"16F882", 8, 5, true},  {"16F882", 4, 5, false}, {"16F887", 8, 5, true},
        {"16F887", 4, 5, false}, {"12F683", 4, 3, true},  {"12F683", 1, 3, false},
        {"16F688", 4, 3, true},  {"16F917", 8, 5, true},  {"16F917", 4, 5, false},
        {"16F77", 2, 1, true},   {"16F77", 1, 1, false},
        {"16F887", 8, 4, false},  // 4 ms is short of the 5 ms write
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model << " block " << c.block << " wait " << c.wait_ms);
        SimRig rig(c.model);
        rig.transfers.powerup(PowerOrder::vppfirst);
        const std::vector<std::int32_t> image = words(24);  // three blocks of the largest size
        for (std::size_t i = 0; i < image.size(); ++i) {
            rig.load(0x02, image[i]);
            if ((i + 1) % static_cast<std::size_t>(c.block) == 0) {
                rig.command(0x08);
                rig.wait_ms(c.wait_ms);
            }
            rig.increment();
        }
        rig.reenter(2);
        std::vector<std::int32_t> want = image;
        want.resize(32, 0x3FFF);  // nothing may land after the image either
        std::vector<std::int32_t> got;
        for (std::int32_t i = 0; i < 32; ++i) {
            got.push_back(rig.read(0x04));
            rig.increment();
        }
        EXPECT_EQ(got == want, c.lands);
    }
}

// DS30034: the 16F627/628 arm their bulk erases with 09/0B and run them with 08. The 16F628A's
// self-timed erase does nothing to them, and the erase needs its full 15 ms.
TEST(MoreParts, The16F628RunsItsBulkErasesWithBeginProgramming) {
    struct Case {
        const char* what;
        Steps erase;
        bool erased;
    };
    const Case cases[] = {
        {"own sequence", {{0x02, 0x3FFF}, {0x09}, {0x08}, {-1, 15}, {0x03, 0x3FFF}, {0x0B}, {0x08}, {-1, 15}}, true},
        {"the 16F628A's", {{0x02, 0x3FFF}, {0x09}, {-1, 6}, {0x0B}, {-1, 6}}, false},
        {"waits cut short",
         {{0x02, 0x3FFF}, {0x09}, {0x08}, {-1, 10}, {0x03, 0x3FFF}, {0x0B}, {0x08}, {-1, 10}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimRig rig("16F628");
        rig.chip().memory().program[0] = 0x0000;
        rig.chip().memory().eeprom[0] = 0x00;
        rig.transfers.powerup(PowerOrder::vppfirst);
        rig.run(c.erase);
        rig.reenter(2);
        EXPECT_EQ(rig.read(0x04) == 0x3FFF && rig.read(0x05) == 0xFF, c.erased);
    }
}

// DS30324: one word per Begin Programming (08), ended by End Programming (0E) after at least
// 1 ms; there is no 18 and no data memory; 09 clears program memory and CONFIG1 in 30 ms from
// any address, even on a protected chip.
TEST(MoreParts, The16F7xWritesWordsWith08And0EAndHasOneErase) {
    struct Case {
        const char* what;
        Steps write;
        std::int32_t word0;  // program word 0 afterwards
    };
    const Case cases[] = {
        {"08, 1 ms, 0E", {{0x02, 0x1234}, {0x08}, {-1, 1}, {0x0E}}, 0x1234},
        {"the 16F877's 18", {{0x02, 0x1234}, {0x18}, {-1, 4}}, 0x3FFF},
        {"0E at once", {{0x02, 0x1234}, {0x08}, {0x0E}}, -1},  // cut short: the word never lands
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimRig rig("16F77");
        rig.transfers.powerup(PowerOrder::vddfirst);
        rig.run(c.write);
        rig.reenter(1);
        const std::int32_t got = rig.read(0x04);
        if (c.word0 >= 0) {
            EXPECT_EQ(got, c.word0);
        } else {
            EXPECT_NE(got, 0x1234);
        }
    }

    SimRig rig("16F76");
    rig.transfers.powerup(PowerOrder::vddfirst);
    rig.load(0x03, 0x55);
    rig.command(0x08);
    rig.wait_ms(2);
    rig.command(0x0E);
    EXPECT_EQ(rig.read(0x05), 0x00) << "no data memory to read";

    for (const std::int32_t wait_ms : {30, 20}) {
        SCOPED_TRACE(wait_ms);
        SimRig erase("16F73");
        erase.chip().memory().program.assign(4096, 0x0000);
        erase.chip().memory().config1 = 0x3FEF;  // CP on
        erase.transfers.powerup(PowerOrder::vddfirst);
        EXPECT_EQ(erase.read(0x04), 0) << "protected";
        erase.command(0x09);
        erase.wait_ms(wait_ms);
        erase.reenter(1);
        const bool full = wait_ms >= 30;
        EXPECT_EQ(erase.read(0x04) == 0x3FFF, full);
        erase.load(0x00, 0x3FFF);
        erase.increment(7);
        EXPECT_EQ(erase.read(0x04) == 0x3FFF, full) << "CONFIG1 goes with the same erase";
    }
}

// DS41287: CONFIG2 implements bits 10:8; the calibration word at 2009h reads back and can be
// written again after an erase that took it.
TEST(MoreParts, The16F88xConfig2AndCalibrationWord) {
    FactoryCalibration factory;
    factory.calword = 0x1A2B;
    SimRig rig(std::make_unique<SimChip>(*findchipmodel("16F886"), factory));
    rig.transfers.powerup(PowerOrder::vppfirst);
    rig.load(0x00, 0x3FFF);
    rig.increment(8);
    rig.load(0x02, 0x0000);
    rig.command(0x08);
    rig.wait_ms(5);
    EXPECT_EQ(rig.read(0x04), 0x38FF) << "CONFIG2: only bits 10:8 clear";
    rig.increment();
    EXPECT_EQ(rig.read(0x04), 0x1A2B);
    rig.command(0x09);
    rig.wait_ms(6);
    EXPECT_EQ(rig.read(0x04), 0x3FFF) << "a bulk erase at 2009h takes it";
    rig.load(0x02, 0x1A2B);
    rig.command(0x08);
    rig.wait_ms(5);
    EXPECT_EQ(rig.read(0x04), 0x1A2B);
}

// DS40245: the 16F716 writes four latched words with 18 and ends with 0E; the 16F7x's 08 does
// nothing on it.
TEST(MoreParts, The16F716WritesBlocksWith18) {
    for (const auto& [code, lands] : {std::pair{0x18, true}, {0x08, false}}) {
        SCOPED_TRACE(code);
        SimRig rig("16F716");
        rig.transfers.powerup(PowerOrder::vddfirst);
        const std::vector<std::int32_t> image = words(4);
        for (std::size_t i = 0; i < image.size(); ++i) {
            rig.load(0x02, image[i]);
            if (i + 1 < image.size()) rig.increment();
        }
        rig.command(code);
        rig.wait_ms(2);
        rig.command(0x0E);
        rig.reenter(1);
        std::vector<std::int32_t> got;
        for (std::int32_t i = 0; i < 4; ++i) {
            got.push_back(rig.read(0x04));
            rig.increment();
        }
        EXPECT_EQ(got == image, lands);
    }
}

// DS41244: the 16F91x keeps calibration words at 2008h and 2009h; a bulk erase takes one only when
// the PC stands on it.
TEST(MoreParts, The16F91xCalibrationWordsGoOnlyWithAnEraseAimedAtThem) {
    struct Case {
        std::int32_t increments;  // after Load Configuration
        bool keepsfirst;
        bool keepssecond;
    };
    for (const Case& c : {Case{0, true, true}, Case{8, false, true}, Case{9, true, false}}) {
        SCOPED_TRACE(c.increments);
        FactoryCalibration factory;
        factory.calword = 0x2345;
        factory.calword2 = 0x0ABC;
        SimRig rig(std::make_unique<SimChip>(*findchipmodel("16F914"), factory));
        rig.transfers.powerup(PowerOrder::vppfirst);
        rig.load(0x00, 0x3FFF);
        rig.increment(c.increments);
        rig.command(0x09);
        rig.wait_ms(6);
        rig.reenter(2);
        rig.load(0x00, 0x3FFF);
        rig.increment(8);
        EXPECT_EQ(rig.read(0x04), c.keepsfirst ? 0x2345 : 0x3FFF);
        rig.increment();
        EXPECT_EQ(rig.read(0x04), c.keepssecond ? 0x0ABC : 0x3FFF);
        EXPECT_EQ(rig.chip().memory().program[0], 0x3FFF);
    }
}

}  // namespace
}  // namespace vornalt
