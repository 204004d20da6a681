// The shipped devices.cfg against the simulated chips: every model is erased, programmed,
// verified, read back and blank-checked through the real runners, engine, driver and transfers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "shipped_catalogue.h"
#include "engine/engine_messages.h"
#include "image/hex_text.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::shippedcatalogue;
using testing::Outcome;

constexpr std::int32_t k_none = -1;
// Extent of the short test images (not a multiple of the write blocks, to end inside one).
constexpr std::int32_t k_shortwords = 21;
constexpr std::int32_t k_shortbytes = 9;

// One shipped model, as the catalogue and the simulated part give it: the configuration values
// a test image uses (they read back unchanged: no protection, unimplemented bits at their fixed
// level), a CONFIG1 cell with every protection bit set, and the facts the catalogue must follow.
struct ModelCase {
    std::string name;
    std::int32_t config1;            // CONFIG1 of the test image
    std::int32_t config2;            // CONFIG2 of the test image, k_none without CONFIG2
    std::int32_t protectedconfig1;   // raw CONFIG1 cell with code and data protection on
    bool vppfirst;                   // VPP has to come up before VDD
    std::string family;              // models whose chips are programmed alike run the same scripts
};

// Test names and failure texts show the model, not the bytes of the row.
[[maybe_unused]] void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.name; }

// The catalogue's models in its order. The test image clears two implemented CONFIG1 bits
// (bits 2 and 0: oscillator or watchdog selections on every part, never protection) and the
// lowest implemented CONFIG2 bit; protection comes from the simulated part's protection bits.
std::vector<ModelCase> cataloguemodels() {
    const DeviceCatalogue& catalogue = testing::shippedcatalogue();
    std::vector<ModelCase> out;
    for (std::int32_t k = 1; k <= catalogue.modelcount; ++k) {
        AppliedModel model;
        MemoryImage image;
        if (!applymodel(catalogue, k, model, image).ok()) continue;
        const ChipModel* chip = findchipmodel(model.modelname);
        const FamilyRules* rules = chip != nullptr ? &familyrules(chip->family) : nullptr;
        ModelCase c;
        c.name = model.modelname;
        c.config1 = model.config1erased & ~(model.config1mask & 0x0005);
        c.config2 = model.config2used ? model.config2erased & ~(model.config2mask & -model.config2mask) : k_none;
        if (rules != nullptr) {
            c.protectedconfig1 = k_word_mask & ~rules->protection.code_mask & ~rules->protection.data_mask;
            c.vppfirst = rules->power != PowerRule::either;
            c.family = std::to_string(static_cast<int>(chip->family)) + "/" + std::to_string(latchwords(*chip)) +
                       (model.deviceid < 0 ? "/no-id" : "/id") + (model.config2used ? "/config2" : "") +
                       (hascalword(*chip) ? "/calword" : "");
        }
        out.push_back(c);
    }
    return out;
}

const std::vector<ModelCase>& k_models() {
    static const std::vector<ModelCase> models = cataloguemodels();
    return models;
}

// A test image that fills the whole chip: every word and byte differs from its neighbours, has
// bits to clear, and the last ones hold data, so calcflash/calceeprom cover all of it.
void fillpattern(MemoryImage& image, const ModelCase& c, std::int32_t seed) {
    auto words = flashwords(image);
    for (std::size_t a = 0; a < words.size(); ++a) {
        words[a] = (static_cast<std::int32_t>(a) * 0x0765 + seed) & 0x3FFF;
        if (words[a] == k_blank_word) words[a] = 0x0000;
    }
    words[words.size() / 3] = k_blank_word;  // a blank word in the middle is skipped over, not lost
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = (static_cast<std::int32_t>(k) * 37 + seed) & 0xFF;
    if (!bytes.empty()) bytes.back() = 0x5A;  // the 16F7x have no data EEPROM
    for (std::size_t i = 0; i < image.idwords.size(); ++i) {
        image.idwords[i] = (seed + 0x1111 * static_cast<std::int32_t>(i + 1)) & 0x3FFF;
    }
    image.config1word = c.config1;
    if (c.config2 != k_none) image.config2word = c.config2;
}

std::vector<std::int32_t> tovector(std::span<const std::int32_t> span) { return {span.begin(), span.end()}; }

// Calibration cells belong to the chip, not to the image: comparisons leave their bits out.
void dropcalibration(const AppliedModel& model, std::vector<std::int32_t>& program, std::int32_t& config1,
                     std::int32_t& config2) {
    for (const CalibrationCell& cell : model.calibration) {
        if (cell.address < static_cast<std::int32_t>(program.size())) {
            program[static_cast<std::size_t>(cell.address)] &= ~cell.mask;
        } else if (cell.address == k_config1_address) {
            config1 &= ~cell.mask;
        } else if (cell.address == k_config2_address) {
            config2 &= ~cell.mask;
        }
    }
}

// Compares the chip's cells with the image, as the chip reads them back.
void expectchipholds(SessionRig& bench, const MemoryImage& image) {
    const ChipMemory& memory = bench.chipmemory();
    std::vector<std::int32_t> chipprogram = memory.program, imageprogram = tovector(flashwords(image));
    std::int32_t chipconfig1 = readableconfig1(bench.chip().model().family, memory.config1);
    std::int32_t chipconfig2 = readableconfig2(bench.chip().model().family, memory.config2);
    std::int32_t imageconfig1 = image.config1word, imageconfig2 = image.config2word;
    dropcalibration(bench.model, chipprogram, chipconfig1, chipconfig2);
    dropcalibration(bench.model, imageprogram, imageconfig1, imageconfig2);
    EXPECT_EQ(chipprogram, imageprogram);
    EXPECT_EQ(memory.eeprom, tovector(eeprombytes(image)));
    EXPECT_EQ(memory.id, image.idwords);
    EXPECT_EQ(chipconfig1, imageconfig1);
    if (bench.model.config2used) {
        EXPECT_EQ(chipconfig2, imageconfig2);
    }
}

void expectclean(const Outcome& outcome, std::string_view endtext) {
    EXPECT_EQ(outcome.endtext, endtext);
    EXPECT_TRUE(outcome.messages.empty()) << outcome.messages.front();
}

void expectsameimage(const MemoryImage& read, const MemoryImage& written, const ModelCase& c,
                     const AppliedModel& model) {
    MemoryImage a = read, b = written;
    dropcalibration(model, a.flashbuffer, a.config1word, a.config2word);
    dropcalibration(model, b.flashbuffer, b.config1word, b.config2word);
    EXPECT_EQ(a.flashbuffer, b.flashbuffer);
    EXPECT_EQ(a.eeprombuffer, b.eeprombuffer);
    EXPECT_EQ(a.idwords, b.idwords);
    EXPECT_EQ(a.config1word, b.config1word);
    if (c.config2 != k_none) {
        EXPECT_EQ(a.config2word, b.config2word);
    }
}

// The first model of each family: the tests that have to walk the whole chip several times
// run on these, the others share their scripts (checked below).
std::vector<ModelCase> familyrepresentatives() {
    std::vector<ModelCase> out;
    for (const ModelCase& c : k_models()) {
        bool seen = false;
        for (const ModelCase& r : out) seen = seen || r.family == c.family;
        if (!seen) out.push_back(c);
    }
    return out;
}

// Fills the first words and bytes only, so Program and Verify stop early.
void fillshortpattern(MemoryImage& image, const ModelCase& c, std::int32_t seed) {
    fillpattern(image, c, seed);
    auto words = flashwords(image);
    std::fill(words.begin() + k_shortwords, words.end(), k_blank_word);
    auto bytes = eeprombytes(image);
    if (bytes.size() > static_cast<std::size_t>(k_shortbytes)) {
        std::fill(bytes.begin() + k_shortbytes, bytes.end(), k_blank_byte);
    }
}

class ShippedModel : public ::testing::TestWithParam<ModelCase> {};
class FamilyModel : public ::testing::TestWithParam<ModelCase> {};

// Every model of the catalogue has its simulated chip, of the same sizes.
TEST(ShippedCatalogue, ListsTheModelsWithTheSimulatedChipsSizes) {
    const DeviceCatalogue& catalogue = testing::shippedcatalogue();
    ASSERT_GE(catalogue.modelcount, 50) << "records are only ever added";
    ASSERT_EQ(static_cast<std::int32_t>(k_models().size()), catalogue.modelcount) << "every record applies";
    for (const ModelCase& c : k_models()) {
        SCOPED_TRACE(c.name);
        SessionRig bench(shippedcatalogue(), c.name);
        ASSERT_TRUE(bench.ready());
        const ChipModel& chip = bench.chip().model();
        EXPECT_EQ(bench.image.flashsize, chip.programwords);
        EXPECT_EQ(bench.image.eepromsize, chip.eeprombytes);
        EXPECT_EQ(bench.model.config2used, chip.has_config2);
        EXPECT_EQ(bench.model.powerorder, c.vppfirst ? PowerOrder::vppfirst : PowerOrder::vddfirst);
        EXPECT_GT(bench.model.progtime, 0);
        EXPECT_NE(bench.model.config1erased, -1);
        EXPECT_NE(bench.model.config2erased, -1);
    }
}

TEST(ShippedCatalogue, ModelsOfOneFamilyShareTheirScripts) {
    const std::vector<ModelCase> representatives = familyrepresentatives();
    for (const ModelCase& c : k_models()) {
        SCOPED_TRACE(c.name);
        const auto r = std::find_if(representatives.begin(), representatives.end(),
                                    [&](const ModelCase& m) { return m.family == c.family; });
        ASSERT_NE(r, representatives.end());
        SessionRig model(shippedcatalogue(), c.name);
        SessionRig family(shippedcatalogue(), r->name);
        ASSERT_TRUE(model.ready() && family.ready());
        EXPECT_EQ(model.model.erasescript, family.model.erasescript);
        EXPECT_EQ(model.model.programscript, family.model.programscript);
        EXPECT_EQ(model.model.readscript, family.model.readscript);
        EXPECT_EQ(model.model.blankcheckscript, family.model.blankcheckscript);
        EXPECT_EQ(model.model.verifyscript, family.model.verifyscript);
        EXPECT_EQ(model.model.progtime, family.model.progtime);
        EXPECT_EQ(model.model.powerorder, family.model.powerorder);
        EXPECT_EQ(model.model.config1erased, family.model.config1erased);
    }
}

// Every model, start to end: a short image goes in and reads back, and Read All and Blank
// Check walk the whole chip.
TEST_P(ShippedModel, ErasesProgramsVerifiesReadsBackAndErasesAgain) {
    const ModelCase& c = GetParam();
    SessionRig bench(shippedcatalogue(), c.name);
    ASSERT_TRUE(bench.ready());
    const std::int32_t calword = bench.chipmemory().calword;  // 2008h on the 16F690 family
    const std::int32_t calword2 = bench.chipmemory().calword2;  // 2009h on the 16F91x family

    expectclean(bench.run(ChipOperation::eraseall), "Chip erased");
    fillshortpattern(bench.image, c, 0x1234);
    const MemoryImage written = bench.image;
    expectclean(bench.run(ChipOperation::programall), "Chip programmed");
    expectchipholds(bench, written);
    expectclean(bench.run(ChipOperation::verify), "Chip verified");

    expectclean(bench.run(ChipOperation::readall), "Chip read");
    expectsameimage(bench.image, written, c, bench.model);

    expectclean(bench.run(ChipOperation::eraseall), "Chip erased");
    expectclean(bench.run(ChipOperation::blankcheck), "Chip is blank");
    MemoryImage blank = bench.image;
    clearbuffer(blank, bench.model.config1erased, bench.model.config2erased);
    expectchipholds(bench, blank);
    EXPECT_EQ(bench.chipmemory().calword, calword) << "no script may touch the calibration word";
    EXPECT_EQ(bench.chipmemory().calword2, calword2);
}

// One model of each family filled to its last word and byte: every write block, up to the
// last one, goes in and reads back.
TEST_P(FamilyModel, ProgramsAndReadsBackTheWholeChip) {
    const ModelCase& c = GetParam();
    SessionRig bench(shippedcatalogue(), c.name);
    ASSERT_TRUE(bench.ready());

    expectclean(bench.run(ChipOperation::eraseall), "Chip erased");
    fillpattern(bench.image, c, 0x0A5C);
    const MemoryImage written = bench.image;
    expectclean(bench.run(ChipOperation::programall), "Chip programmed");
    expectchipholds(bench, written);
    expectclean(bench.run(ChipOperation::verify), "Chip verified");
    expectclean(bench.run(ChipOperation::readall), "Chip read");
    expectsameimage(bench.image, written, c, bench.model);
}

// One location of the image changed after programming: Verify names it, once, and still
// powers the chip down.
struct Difference {
    const char* what;
    std::int32_t address;  // as the message shows it
    bool config2only;
};

const std::array<Difference, 6> k_differences{{
    {"first FLASH word", 0x0000, false},
    {"last FLASH word of the image", k_shortwords - 1, false},
    {"last EEPROM byte of the image", 0x2100 + k_shortbytes - 1, false},
    {"last user ID word", 0x2003, false},
    {"CONFIG1", 0x2007, false},
    {"CONFIG2", 0x2008, true},
}};

TEST_P(ShippedModel, VerifyNamesTheOneLocationThatDiffers) {
    const ModelCase& c = GetParam();
    SessionRig bench(shippedcatalogue(), c.name);
    ASSERT_TRUE(bench.ready());
    bench.run(ChipOperation::eraseall);
    fillshortpattern(bench.image, c, 0x0321);
    expectclean(bench.run(ChipOperation::programall), "Chip programmed");
    const MemoryImage written = bench.image;

    for (const Difference& d : k_differences) {
        if (d.config2only && c.config2 == k_none) continue;
        if (d.address >= 0x2100 && d.address < 0x2200 && bench.image.eepromsize == 0) continue;
        SCOPED_TRACE(d.what);
        bench.image = written;
        std::int32_t* cell = nullptr;
        if (d.address == 0x2007) {
            cell = &bench.image.config1word;
        } else if (d.address == 0x2008) {
            cell = &bench.image.config2word;
        } else if (d.address >= 0x2100) {
            cell = &bench.image.eeprombuffer[static_cast<std::size_t>(d.address - 0x2100)];
        } else if (d.address >= 0x2000) {
            cell = &bench.image.idwords[static_cast<std::size_t>(d.address - 0x2000)];
        } else {
            cell = &bench.image.flashbuffer[static_cast<std::size_t>(d.address)];
        }
        std::int32_t read = *cell;
        // The chip's own calibration bits read back in place of the image's.
        for (const CalibrationCell& kept : bench.model.calibration) {
            if (kept.address == 0x2007 && d.address == 0x2007) {
                read = (read & ~kept.mask) | (bench.chipmemory().config1 & kept.mask);
            }
        }
        const bool byte = d.address >= 0x2100;
        // An implemented bit: CONFIG2 of the 16F88x has bits 10:8 only.
        *cell ^= d.address == 0x2008 ? (bench.model.config2mask & -bench.model.config2mask) : 0x0004;
        const std::string expected = byte ? verifymessage(tohex4(d.address), tohex2(read), tohex2(*cell))
                                          : verifymessage(tohex4(d.address), tohex4(read), tohex4(*cell));

        const Outcome outcome = bench.run(ChipOperation::verify);
        EXPECT_EQ(outcome.endtext, "Chip verify failed");
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages.front(), expected);
        EXPECT_FALSE(bench.board().lines().vdd);
        EXPECT_FALSE(bench.board().lines().vpp);
    }
    bench.image = written;
    expectclean(bench.run(ChipOperation::verify), "Chip verified");
}

// Program All over a chip that holds other data, protected too: every record erases first, so
// the chip ends up holding exactly the new image (the rest blank).
TEST_P(ShippedModel, ProgramOverOldDataLeavesTheImageOrVerifySaysSo) {
    const ModelCase& c = GetParam();
    SessionRig bench(shippedcatalogue(), c.name);
    ASSERT_TRUE(bench.ready());
    ChipMemory& memory = bench.chip().memory();
    std::fill(memory.program.begin(), memory.program.end() - 1, 0x0000);
    std::fill(memory.eeprom.begin(), memory.eeprom.end(), 0x00);
    memory.id.fill(0x0000);
    memory.config1 = c.protectedconfig1;

    fillshortpattern(bench.image, c, 0x2468);
    expectclean(bench.run(ChipOperation::programall), "Chip programmed");
    expectchipholds(bench, bench.image);
    expectclean(bench.run(ChipOperation::verify), "Chip verified");
}

// A single non-blank cell anywhere on an otherwise erased chip: Blank Check finds it.
struct Stain {
    const char* what;
    void (*apply)(ChipMemory&);
    bool config2only;
};

const std::array<Stain, 5> k_stains{{
    {"last FLASH word", [](ChipMemory& m) { m.program.back() = 0x2ABC; }, false},
    {"last EEPROM byte", [](ChipMemory& m) { m.eeprom.back() = 0x3C; }, false},
    {"CONFIG1 watchdog bit", [](ChipMemory& m) { m.config1 &= ~0x0004; }, false},
    {"CONFIG2", [](ChipMemory& m) { m.config2 = 0x3EFE; }, true},
    {"first user ID word", [](ChipMemory& m) { m.id[0] = 0x0ABC; }, false},
}};

TEST_P(FamilyModel, BlankCheckReadsEveryLocation) {
    const ModelCase& c = GetParam();
    for (const Stain& s : k_stains) {
        if (s.config2only && c.config2 == k_none) continue;
        SCOPED_TRACE(s.what);
        SessionRig bench(shippedcatalogue(), c.name);
        ASSERT_TRUE(bench.ready());
        if (&s == &k_stains[1] && bench.image.eepromsize == 0) continue;
        bench.run(ChipOperation::eraseall);
        s.apply(bench.chip().memory());
        // The last FLASH word of the 12F629 family is its calibration word, which is never blank.
        const bool calibrationword = std::any_of(bench.model.calibration.begin(), bench.model.calibration.end(),
                                                 [&](const CalibrationCell& cell) {
                                                     return cell.address == bench.image.flashsize - 1;
                                                 });
        if (&s == &k_stains[0] && calibrationword) {
            EXPECT_EQ(bench.run(ChipOperation::blankcheck).endtext, "Chip is blank");
            continue;
        }
        const std::string expected = std::array<std::string, 5>{
            blankmessage(tohex4(bench.image.flashsize - 1), "2ABC"),
            blankmessage(tohex4(0x2100 + bench.image.eepromsize - 1), "3C"),
            // A new 12F629-family chip keeps its own bandgap bits, not the erased ones.
            blankmessage("2007", tohex4(readableconfig1(bench.chip().model().family, bench.chipmemory().config1))),
            blankmessage("2008", tohex4(readableconfig2(bench.chip().model().family, 0x3EFE))),
            blankmessage("2000", "0ABC"),
        }[static_cast<std::size_t>(&s - k_stains.data())];

        const Outcome outcome = bench.run(ChipOperation::blankcheck);
        EXPECT_EQ(outcome.endtext, "Chip is not blank");
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages.front(), expected);
    }
}

// A chip with code and data protection on and every cell written: Erase All clears it all.
TEST_P(FamilyModel, EraseClearsAProtectedChip) {
    const ModelCase& c = GetParam();
    SessionRig bench(shippedcatalogue(), c.name);
    ASSERT_TRUE(bench.ready());
    ChipMemory& memory = bench.chip().memory();
    // Every word but the 12F629 family's OSCCAL, which stays a RETLW.
    const bool osccal = !bench.model.calibration.empty() && bench.model.calibration.front().address < 0x2000;
    std::fill(memory.program.begin(), memory.program.end() - (osccal ? 1 : 0), 0x0123);
    std::fill(memory.eeprom.begin(), memory.eeprom.end(), 0x45);
    memory.config1 = c.protectedconfig1;
    memory.config2 = 0x3FFC;
    const std::int32_t calword = memory.calword;
    const std::int32_t calword2 = memory.calword2;

    expectclean(bench.run(ChipOperation::eraseall), "Chip erased");
    expectclean(bench.run(ChipOperation::blankcheck), "Chip is blank");
    EXPECT_EQ(bench.chipmemory().calword, calword);
    EXPECT_EQ(bench.chipmemory().calword2, calword2);
}

std::string modeltestname(const ::testing::TestParamInfo<ModelCase>& info) {
    return "PIC" + info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Models, ShippedModel, ::testing::ValuesIn(k_models()), modeltestname);
INSTANTIATE_TEST_SUITE_P(Families, FamilyModel, ::testing::ValuesIn(familyrepresentatives()), modeltestname);

}  // namespace
}  // namespace vornalt
