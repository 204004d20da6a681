// The 12F629 family's factory calibration (OSCCAL at 3FFh, bandgap bits 13:12 of CONFIG1)
// against the shipped scripts: every operation that erases or writes keeps the chip's own
// values, whatever the image holds there, and Verify compares against them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "shipped_catalogue.h"
#include "image/hex_text.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::shippedcatalogue;


constexpr std::int32_t k_osccal = 0x3428;   // RETLW 28h
constexpr std::int32_t k_bandgap = 0x2000;  // bits 13:12 = 10, not what an erase leaves
constexpr std::array<std::string_view, 4> k_calibrated{"12F629", "12F675", "16F630", "16F676"};

std::unique_ptr<SimChip> calibratedchip(std::string_view name) {
    const ChipModel* model = findchipmodel(name);
    if (model == nullptr) return nullptr;
    return std::make_unique<SimChip>(*model, FactoryCalibration{k_osccal, k_bandgap});
}

void smallprogram(MemoryImage& image) {
    auto words = flashwords(image);
    for (std::int32_t a = 0; a < 40; ++a) words[static_cast<std::size_t>(a)] = (a * 0x0131 + 0x2800) & 0x3FFF;
    eeprombytes(image)[3] = 0x77;
}

// CONFIG1 of the image (bits 13:12 as the chip has them, or as a HEX file usually has them):
// either way the chip keeps its own bandgap bits, and Verify does not hold the image's against it.
struct NewChipCase {
    std::int32_t imageconfig1;
    const char* verifyend;
};
constexpr std::array<NewChipCase, 2> k_newchip{{
    {0x21C4, "Chip verified"},
    {0x31C4, "Chip verified"},
}};

TEST(Calibration, ProgramAllKeepsANewChipsCalibration) {
    for (std::string_view name : k_calibrated) {
        for (const NewChipCase& c : k_newchip) {
            SCOPED_TRACE(std::string(name) + " CONFIG1 " + std::to_string(c.imageconfig1));
            SessionRig bench(shippedcatalogue(), name, calibratedchip(name));
            ASSERT_TRUE(bench.ready());
            smallprogram(bench.image);
            bench.image.config1word = c.imageconfig1;

            const testing::Outcome programmed = bench.run(ChipOperation::programall);
            EXPECT_EQ(programmed.endtext, "Chip programmed");
            EXPECT_TRUE(programmed.messages.empty());
            const ChipMemory& memory = bench.chipmemory();
            EXPECT_EQ(memory.program.back(), k_osccal);
            EXPECT_EQ(memory.config1 & k_bandgap_mask, k_bandgap);
            EXPECT_EQ(memory.program[39], bench.image.flashbuffer[39]);
            EXPECT_EQ(bench.run(ChipOperation::verify).endtext, c.verifyend);
        }
    }
}

// A chip with random factory values (as every real one differs) keeps them through Erase All,
// Program All of a full image, and Read All followed by Program All of what was read; an image
// whose CONFIG1 sets the unimplemented bits 11:9 verifies.
TEST(Calibration, RandomFactoryValuesSurviveEveryOperation) {
    std::mt19937 random(629);
    for (std::string_view name : k_calibrated) {
        const std::int32_t osccal = 0x3400 | static_cast<std::int32_t>(random() % 0x100);
        const std::int32_t bandgap = static_cast<std::int32_t>(random() % 3) << 12;  // 00, 01 or 10
        SCOPED_TRACE(std::string(name) + " OSCCAL " + std::to_string(osccal) + " bandgap " + std::to_string(bandgap));
        const ChipModel* part = findchipmodel(name);
        ASSERT_NE(part, nullptr);
        SessionRig bench(shippedcatalogue(), name, std::make_unique<SimChip>(*part, FactoryCalibration{osccal, bandgap}));
        ASSERT_TRUE(bench.ready());
        const auto keeps = [&](const char* when) {
            SCOPED_TRACE(when);
            const ChipMemory& memory = bench.chipmemory();
            EXPECT_EQ(memory.program.back(), osccal);
            EXPECT_EQ(memory.config1 & k_bandgap_mask, bandgap);
        };

        EXPECT_EQ(bench.run(ChipOperation::eraseall).endtext, "Chip erased");
        keeps("erase");
        EXPECT_EQ(bench.run(ChipOperation::blankcheck).endtext, "Chip is blank");

        for (std::int32_t& word : bench.image.flashbuffer) word = static_cast<std::int32_t>(random() % 0x3FFF);
        for (std::int32_t& byte : bench.image.eeprombuffer) byte = static_cast<std::int32_t>(random() % 0x100);
        bench.image.config1word = 0x3FC4;  // bits 11:9 set, bandgap 11, as assemblers write it
        const MemoryImage written = bench.image;
        const testing::Outcome programmed = bench.run(ChipOperation::programall);
        EXPECT_EQ(programmed.endtext, "Chip programmed");
        EXPECT_TRUE(programmed.messages.empty());
        keeps("program");
        EXPECT_EQ(bench.chipmemory().program[0x3FE], written.flashbuffer[0x3FE]);
        EXPECT_EQ(bench.chipmemory().eeprom, written.eeprombuffer);
        EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");

        EXPECT_EQ(bench.run(ChipOperation::readall).endtext, "Chip read");
        EXPECT_EQ(bench.image.flashbuffer.back(), osccal);
        EXPECT_EQ(bench.image.config1word, bandgap | 0x01C4);
        EXPECT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");
        keeps("program of the read image");
        EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");
    }
}

// Program All starts from an erased chip: old code and EEPROM above the image are gone, and a
// protected chip is cleared, while the calibration stays.
TEST(Calibration, ProgramAllErasesFirstAndKeepsTheCalibration) {
    for (std::string_view name : k_calibrated) {
        SCOPED_TRACE(name);
        SessionRig bench(shippedcatalogue(), name, calibratedchip(name));
        ASSERT_TRUE(bench.ready());
        ChipMemory& memory = bench.chip().memory();
        std::fill(memory.program.begin(), memory.program.end() - 1, 0x0000);
        std::fill(memory.eeprom.begin(), memory.eeprom.end(), 0x00);
        memory.config1 = (memory.config1 & k_bandgap_mask) | 0x0E3F;  // code and data protection on
        smallprogram(bench.image);
        EXPECT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");
        const ChipMemory& after = bench.chipmemory();
        EXPECT_EQ(after.program[40], 0x3FFF);
        EXPECT_EQ(after.program[0x3FE], 0x3FFF);
        EXPECT_EQ(after.eeprom[4], 0xFF);
        EXPECT_EQ(after.program.back(), k_osccal);
        EXPECT_EQ(after.config1 & k_bandgap_mask, k_bandgap);
        EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");
    }
}

// A chip whose OSCCAL was erased before: the image's value goes in, and the user is told; with
// no value in the image the word stays erased and the user is told that too.
TEST(Calibration, ALostCalibrationWordTakesTheImagesValue) {
    const struct {
        std::int32_t imageword;
        std::int32_t chipafter;
        const char* told;
    } cases[] = {
        {0x3455, 0x3455, "The image's value 3455h is written in its place."},
        {0x3FFF, 0x3FFF, "The image holds none, so it stays erased."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told);
        SessionRig bench(shippedcatalogue(), "12F675", calibratedchip("12F675"));
        ASSERT_TRUE(bench.ready());
        bench.chip().memory().program.back() = 0x3FFF;
        smallprogram(bench.image);
        bench.image.flashbuffer.back() = c.imageword;
        const testing::Outcome programmed = bench.run(ChipOperation::programall);
        EXPECT_EQ(programmed.endtext, "Chip programmed");
        ASSERT_EQ(programmed.messages.size(), 1u);
        EXPECT_NE(programmed.messages[0].find("The calibration value at 03FFh reads 3FFFh"), std::string::npos);
        EXPECT_NE(programmed.messages[0].find(c.told), std::string::npos) << programmed.messages[0];
        EXPECT_EQ(bench.chipmemory().program.back(), c.chipafter);
    }
}

// A kept OSCCAL that is no RETLW (a protected chip reading 0000h, or a stray instruction) is no
// calibration value: the image's RETLW goes in its place, or, without one, the run stops before
// anything is written.
TEST(Calibration, AnOsccalThatIsNoRetlwIsReplacedOrStopsTheRun) {
    // 3FFh on the chip, code protection on (3FFh then reads 0000h), 3FFh of the image, and after.
    const struct { std::int32_t chipword; bool protectedchip; std::int32_t imageword; ChipOperation operation;
                   const char* endtext; std::int32_t after; } cases[] = {
        {k_osccal, true, 0x3455, ChipOperation::programall, "Chip programmed", 0x3455},
        {k_osccal, true, 0x3FFF, ChipOperation::programall, "Chip programming failed", k_osccal},
        {0x2805, false, 0x3455, ChipOperation::programall, "Chip programmed", 0x3455},
        {0x2805, false, 0x2805, ChipOperation::eraseall, "Chip erase failed", 0x2805},
    };
    for (std::string_view name : k_calibrated) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + c.endtext);
            FactoryCalibration factory{c.chipword, k_bandgap};
            factory.osccal_reads_0_when_protected = true;
            SessionRig bench(shippedcatalogue(), name, std::make_unique<SimChip>(*findchipmodel(name), factory));
            ASSERT_TRUE(bench.ready());
            if (c.protectedchip) bench.chip().memory().config1 = k_bandgap | 0x0E3F;  // code and data protection on
            const ChipMemory before = bench.chipmemory();
            smallprogram(bench.image);
            bench.image.flashbuffer.back() = c.imageword;

            const testing::Outcome outcome = bench.run(c.operation);
            EXPECT_EQ(outcome.endtext, c.endtext);
            ASSERT_EQ(outcome.messages.size(), 1u);
            EXPECT_NE(outcome.messages[0].find("no RETLW"), std::string::npos) << outcome.messages[0];
            EXPECT_EQ(bench.chipmemory().program.back(), c.after);
            if (c.after == c.chipword) {
                EXPECT_EQ(bench.chipmemory().config1, before.config1) << "nothing is written";
            }
        }
    }
}

// The lines of a script without the write that follows `after` (its command and its wait).
Script withoutwriteafter(Script script, std::string_view after) {
    const auto at = std::find(script.begin(), script.end(), after);
    if (at != script.end() && script.end() - at > 2) script.erase(at + 1, at + 3);
    return script;
}

// Erase All reads each value it wrote back: one that did not take stops it with the address and
// what the chip holds there, since every later run would keep that as the factory's value.
TEST(Calibration, EraseAllFailsWhenARestoredValueDidNotTake) {
    struct Spoil {
        const char* what;
        const char* address;
        void (*apply)(AppliedModel&);
    };
    const Spoil spoils[] = {
        {"writes cut short", "03FF", [](AppliedModel& m) { m.progtime = 0; }},
        {"CONFIG1 never written back", "2007",
         [](AppliedModel& m) { m.erasescript = withoutwriteafter(m.erasescript, "s02-keptconfig1"); }},
    };
    for (std::string_view name : k_calibrated) {
        for (const Spoil& spoil : spoils) {
            SCOPED_TRACE(std::string(name) + ": " + spoil.what);
            SessionRig bench(shippedcatalogue(), name, calibratedchip(name));
            ASSERT_TRUE(bench.ready());
            spoil.apply(bench.model);
            const testing::Outcome erased = bench.run(ChipOperation::eraseall);
            EXPECT_EQ(erased.endtext, "Chip erase failed");
            ASSERT_EQ(erased.messages.size(), 1u);
            EXPECT_TRUE(erased.messages[0].starts_with("Calibration word could not be restored")) << erased.messages[0];
            EXPECT_NE(erased.messages[0].find(std::string("h at ") + spoil.address + "h"), std::string::npos)
                << erased.messages[0];
        }
    }
}

// A Program All that fails after its erase (here a word that is never written) still puts
// both values back: the next run would otherwise keep the erased ones as the factory's.
TEST(Calibration, AProgramAllThatFailsAfterItsEraseRestoresTheCalibration) {
    for (std::string_view name : k_calibrated) {
        SCOPED_TRACE(name);
        SessionRig bench(shippedcatalogue(), name, calibratedchip(name));
        ASSERT_TRUE(bench.ready());
        bench.model.programscript = withoutwriteafter(bench.model.programscript, "s02-flash");
        smallprogram(bench.image);
        const testing::Outcome programmed = bench.run(ChipOperation::programall);
        EXPECT_EQ(programmed.endtext, "Chip programming failed");
        EXPECT_EQ(programmed.messages.size(), 1u) << "the failed word only, no calibration message";
        EXPECT_EQ(bench.chipmemory().program.back(), k_osccal);
        EXPECT_EQ(bench.chipmemory().config1 & k_bandgap_mask, k_bandgap);
    }
}

// The calibration words in configuration space of each simulated part (none on the 16F631/677).
std::vector<std::int32_t> simcalwords(const ChipModel& part) {
    std::vector<std::int32_t> words;
    for (const std::int32_t address : {calwordaddress(part), calword2address(part)}) {
        if (address != 0) words.push_back(address);
    }
    return words;
}

// The records keep exactly the calibration words the parts have; Erase All and Program All read
// each one back at the end, so a script that wipes one (a bulk erase with the PC on it) fails.
TEST(Calibration, AScriptThatWipesACalibrationWordFails) {
    int wiped = 0;
    for (const std::string& name : modelnames(shippedcatalogue())) {
        const ChipModel* part = findchipmodel(name);
        if (part == nullptr || part->has_calibration) continue;
        SCOPED_TRACE(name);
        SessionRig bench(shippedcatalogue(), name);
        std::vector<std::int32_t> kept;
        for (const CalibrationCell& cell : bench.model.calibration) kept.push_back(cell.address);
        EXPECT_EQ(kept, simcalwords(*part));
        for (const std::int32_t address : kept) {
            for (const ChipOperation operation : {ChipOperation::eraseall, ChipOperation::programall}) {
                // A bulk erase with the PC on the word, as the pass before the last.
                SessionRig wiping(shippedcatalogue(), name);
                Script& script = operation == ChipOperation::eraseall ? wiping.model.erasescript : wiping.model.programscript;
                Script wipe{"begin", "s00-3fff"};
                wipe.insert(wipe.end(), static_cast<std::size_t>(address - 0x2000), "s06");
                wipe.insert(wipe.end(), {"s09", "w11", "end"});
                script.insert(std::find(script.rbegin(), script.rend(), "begin").base() - 1, wipe.begin(), wipe.end());

                const testing::Outcome outcome = wiping.run(operation);
                EXPECT_TRUE(outcome.endtext.ends_with("failed")) << outcome.endtext;
                ASSERT_EQ(outcome.messages.size(), 1u);
                EXPECT_TRUE(outcome.messages[0].starts_with("Calibration word could not be restored: the chip now holds 3FFFh at " +
                                                            tohex4(address) + "h")) << outcome.messages[0];
                ++wiped;
            }
        }
    }
    EXPECT_EQ(wiped, 2 * (7 + 5 + 2 * 4));  // 16F690 family and 12F683/684/688, 16F88x, 16F91x
}

// The 16F88x factory calibration word at 2009h, different on every chip, survives every
// operation, also on a protected chip and with an image that fills the whole part.
TEST(Calibration, The16F88xCalibrationWordAt2009hIsKeptByEveryOperation) {
    std::mt19937 random(887);
    for (std::string_view name : {"16F882", "16F883", "16F884", "16F886", "16F887"}) {
        FactoryCalibration factory;
        factory.calword = static_cast<std::int32_t>(random() % 0x3FFF);
        SCOPED_TRACE(std::string(name) + " calibration " + std::to_string(factory.calword));
        SessionRig bench(shippedcatalogue(), name, std::make_unique<SimChip>(*findchipmodel(name), factory));
        ASSERT_TRUE(bench.ready());
        const auto keeps = [&](const char* when) {
            SCOPED_TRACE(when);
            EXPECT_EQ(bench.chipmemory().calword, factory.calword);
        };
        bench.chip().memory().config1 = 0x3F3F;  // code and data protection on
        EXPECT_EQ(bench.run(ChipOperation::eraseall).endtext, "Chip erased");
        keeps("erase");
        EXPECT_EQ(bench.run(ChipOperation::blankcheck).endtext, "Chip is blank");

        for (std::int32_t& word : bench.image.flashbuffer) word = static_cast<std::int32_t>(random() % 0x3FFF);
        for (std::int32_t& byte : bench.image.eeprombuffer) byte = static_cast<std::int32_t>(random() % 0x100);
        bench.image.config1word = 0x2BE4;
        bench.image.config2word = 0x3EFF;
        const MemoryImage written = bench.image;
        EXPECT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");
        keeps("program");
        EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");
        EXPECT_EQ(bench.run(ChipOperation::readall).endtext, "Chip read");
        keeps("read");
        EXPECT_EQ(bench.image.flashbuffer, written.flashbuffer);
        EXPECT_EQ(bench.image.config2word, 0x3EFF);
        EXPECT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");
        keeps("program of the read image");
        EXPECT_EQ(bench.run(ChipOperation::eraseall).endtext, "Chip erased");
        keeps("second erase");
    }
}

}  // namespace
}  // namespace vornalt
