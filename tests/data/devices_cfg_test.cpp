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

#include "catalogue_bench.h"
#include "engine/engine_messages.h"
#include "image/hex_text.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::CatalogueBench;
using testing::Outcome;

constexpr std::int32_t k_none = -1;
// Extent of the short test images (not a multiple of the write blocks, to end inside one).
constexpr std::int32_t k_shortwords = 21;
constexpr std::int32_t k_shortbytes = 9;

// One shipped model: the configuration values a test image uses (they read back unchanged:
// no protection, unimplemented bits at their fixed level), a CONFIG1 cell with every protection
// bit set, and the facts the catalogue must follow.
struct ModelCase {
    std::string_view name;
    std::int32_t config1;            // CONFIG1 of the test image
    std::int32_t config2;            // CONFIG2 of the test image, k_none without CONFIG2
    std::int32_t protectedconfig1;   // raw CONFIG1 cell with code and data protection on
    bool vppfirst;                   // VPP has to come up before VDD
    bool programerases;              // Program All erases first
    std::string_view family;         // models of one family run the same scripts
};

// Test names and failure texts show the model, not the bytes of the row.
[[maybe_unused]] void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.name; }

// Models in the catalogue's order; the first is the program's default.
constexpr std::array<ModelCase, 50> k_models{{
    {"16F84A", 0x3FF1, k_none, 0x000F, false, true, "84A"},
    {"16F870", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F871", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F872", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F873", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F874", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F876", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F877", 0x3F72, k_none, 0x0FCF, false, true, "87x"},
    {"16F873A", 0x3F72, k_none, 0x1EFF, false, true, "87xA"},
    {"16F874A", 0x3F72, k_none, 0x1EFF, false, true, "87xA"},
    {"16F876A", 0x3F72, k_none, 0x1EFF, false, true, "87xA"},
    {"16F877A", 0x3F72, k_none, 0x1EFF, false, true, "87xA"},
    {"16F627A", 0x3F70, k_none, 0x1EFF, true, true, "62xA"},
    {"16F628A", 0x3F70, k_none, 0x1EFF, true, true, "62xA"},
    {"16F648A", 0x3F70, k_none, 0x1EFF, true, true, "62xA"},
    {"12F629", 0x31C4, k_none, 0x3E7F, true, true, "629"},
    {"12F675", 0x31C4, k_none, 0x3E7F, true, true, "629"},
    {"16F630", 0x31C4, k_none, 0x3E7F, true, true, "629"},
    {"16F676", 0x31C4, k_none, 0x3E7F, true, true, "629"},
    {"16F631", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F677", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F685", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F687", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F689", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F690", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F87", 0x3F50, 0x3FFC, 0x1EFF, true, true, "87/88"},
    {"16F88", 0x3F50, 0x3FFC, 0x1EFF, true, true, "87/88"},
    {"16F818", 0x3F50, k_none, 0x1EFF, true, true, "818"},
    {"16F819", 0x3F50, k_none, 0x1EFF, true, true, "818"},
    {"16F83", 0x3FF1, k_none, 0x000F, false, true, "84"},
    {"16F84", 0x3FF1, k_none, 0x000F, false, true, "84"},
    {"16F627", 0x3F70, k_none, 0x00FF, true, true, "62x"},
    {"16F628", 0x3F70, k_none, 0x00FF, true, true, "62x"},
    {"12F683", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F684", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F688", 0x30E4, k_none, 0x3F3F, true, true, "690"},
    {"16F882", 0x20E4, 0x3EFF, 0x3F3F, true, true, "88x"},
    {"16F883", 0x20E4, 0x3EFF, 0x3F3F, true, true, "88x"},
    {"16F884", 0x20E4, 0x3EFF, 0x3F3F, true, true, "88x"},
    {"16F886", 0x20E4, 0x3EFF, 0x3F3F, true, true, "88x"},
    {"16F887", 0x20E4, 0x3EFF, 0x3F3F, true, true, "88x"},
    {"16F913", 0x30E4, k_none, 0x3F3F, true, true, "91x"},
    {"16F914", 0x30E4, k_none, 0x3F3F, true, true, "91x"},
    {"16F916", 0x30E4, k_none, 0x3F3F, true, true, "91x"},
    {"16F917", 0x30E4, k_none, 0x3F3F, true, true, "91x"},
    {"16F73", 0x3FF2, k_none, 0x3FEF, false, true, "7x"},
    {"16F74", 0x3FF2, k_none, 0x3FEF, false, true, "7x"},
    {"16F76", 0x3FF2, k_none, 0x3FEF, false, true, "7x"},
    {"16F77", 0x3FF2, k_none, 0x3FEF, false, true, "7x"},
    {"16F716", 0x3FB2, k_none, 0x1FFF, false, true, "716"},
}};

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
void expectchipholds(CatalogueBench& bench, const MemoryImage& image) {
    const ChipMemory& memory = bench.chipmemory();
    std::vector<std::int32_t> chipprogram = memory.program, imageprogram = tovector(flashwords(image));
    std::int32_t chipconfig1 = readableconfig1(bench.chip().model().family, memory.config1);
    std::int32_t chipconfig2 = readableconfig2(bench.chip().model().family, memory.config2);
    std::int32_t imageconfig1 = image.config1word, imageconfig2 = image.config2word;
    dropcalibration(bench.model, chipprogram, chipconfig1, chipconfig2);
    dropcalibration(bench.model, imageprogram, imageconfig1, imageconfig2);
    EXPECT_EQ(chipprogram, imageprogram);
    EXPECT_EQ(memory.eeprom, tovector(eeprombytes(image)));
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
    EXPECT_EQ(a.config1word, b.config1word);
    if (c.config2 != k_none) {
        EXPECT_EQ(a.config2word, b.config2word);
    }
}

// The first model of each family: the tests that have to walk the whole chip several times
// run on these, the others share their scripts (checked below).
std::vector<ModelCase> familyrepresentatives() {
    std::vector<ModelCase> out;
    for (const ModelCase& c : k_models) {
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

TEST(ShippedCatalogue, ListsTheModelsInOrderWithTheSimulatedChipsSizes) {
    const DeviceCatalogue& catalogue = testing::shippedcatalogue();
    ASSERT_EQ(catalogue.modelcount, static_cast<std::int32_t>(k_models.size()));
    for (std::size_t i = 0; i < k_models.size(); ++i) {
        const ModelCase& c = k_models[i];
        SCOPED_TRACE(std::string(c.name));
        EXPECT_EQ(catalogue.records[i + 1].model, c.name);
        CatalogueBench bench(c.name);
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
    for (const ModelCase& c : k_models) {
        SCOPED_TRACE(std::string(c.name));
        const auto r = std::find_if(representatives.begin(), representatives.end(),
                                    [&](const ModelCase& m) { return m.family == c.family; });
        ASSERT_NE(r, representatives.end());
        CatalogueBench model(c.name);
        CatalogueBench family(r->name);
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
    CatalogueBench bench(c.name);
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
    CatalogueBench bench(c.name);
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

const std::array<Difference, 5> k_differences{{
    {"first FLASH word", 0x0000, false},
    {"last FLASH word of the image", k_shortwords - 1, false},
    {"last EEPROM byte of the image", 0x2100 + k_shortbytes - 1, false},
    {"CONFIG1", 0x2007, false},
    {"CONFIG2", 0x2008, true},
}};

TEST_P(ShippedModel, VerifyNamesTheOneLocationThatDiffers) {
    const ModelCase& c = GetParam();
    CatalogueBench bench(c.name);
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
        } else {
            cell = &bench.image.flashbuffer[static_cast<std::size_t>(d.address)];
        }
        const std::int32_t read = *cell;
        const bool byte = d.address >= 0x2100;
        // An implemented bit: CONFIG2 of the 16F88x has bits 10:8 only.
        *cell ^= d.address == 0x2008 ? (bench.model.config2mask & -bench.model.config2mask) : 0x0004;
        const std::string expected = byte ? verifymessage(tohex4(d.address), tohex2(read), tohex2(*cell))
                                          : verifymessage(tohex4(d.address), tohex4(read), tohex4(*cell));

        const Outcome outcome = bench.run(ChipOperation::verify);
        EXPECT_EQ(outcome.endtext, "Chip verify failed");
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages.front(), expected);
        EXPECT_FALSE(bench.board.lines().vdd);
        EXPECT_FALSE(bench.board.lines().vpp);
    }
    bench.image = written;
    expectclean(bench.run(ChipOperation::verify), "Chip verified");
}

// Program All over a chip that holds other data, protected too: families that erase first leave
// exactly the new image (the rest blank); on the 12F629 family, which only clears bits to keep
// its calibration, Verify has to report the first word the old data spoilt.
TEST_P(ShippedModel, ProgramOverOldDataLeavesTheImageOrVerifySaysSo) {
    const ModelCase& c = GetParam();
    CatalogueBench bench(c.name);
    ASSERT_TRUE(bench.ready());
    ChipMemory& memory = bench.chip().memory();
    std::fill(memory.program.begin(), memory.program.end() - 1, 0x0000);
    std::fill(memory.eeprom.begin(), memory.eeprom.end(), 0x00);
    if (c.programerases) memory.config1 = c.protectedconfig1;

    fillshortpattern(bench.image, c, 0x2468);
    expectclean(bench.run(ChipOperation::programall), "Chip programmed");
    if (c.programerases) {
        expectchipholds(bench, bench.image);
        expectclean(bench.run(ChipOperation::verify), "Chip verified");
        return;
    }
    const Outcome outcome = bench.run(ChipOperation::verify);
    EXPECT_EQ(outcome.endtext, "Chip verify failed");
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages.front(), verifymessage("0000", "0000", tohex4(bench.image.flashbuffer[0])));
}

// A single non-blank cell anywhere on an otherwise erased chip: Blank Check finds it.
struct Stain {
    const char* what;
    void (*apply)(ChipMemory&);
    bool config2only;
};

const std::array<Stain, 4> k_stains{{
    {"last FLASH word", [](ChipMemory& m) { m.program.back() = 0x2ABC; }, false},
    {"last EEPROM byte", [](ChipMemory& m) { m.eeprom.back() = 0x3C; }, false},
    {"CONFIG1 watchdog bit", [](ChipMemory& m) { m.config1 &= ~0x0004; }, false},
    {"CONFIG2", [](ChipMemory& m) { m.config2 = 0x3EFE; }, true},
}};

TEST_P(FamilyModel, BlankCheckReadsEveryLocation) {
    const ModelCase& c = GetParam();
    for (const Stain& s : k_stains) {
        if (s.config2only && c.config2 == k_none) continue;
        SCOPED_TRACE(s.what);
        CatalogueBench bench(c.name);
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
        const std::string expected = std::array<std::string, 4>{
            blankmessage(tohex4(bench.image.flashsize - 1), "2ABC"),
            blankmessage(tohex4(0x2100 + bench.image.eepromsize - 1), "3C"),
            blankmessage("2007", tohex4(bench.model.config1erased & ~0x0004)),
            blankmessage("2008", tohex4(readableconfig2(bench.chip().model().family, 0x3EFE))),
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
    CatalogueBench bench(c.name);
    ASSERT_TRUE(bench.ready());
    ChipMemory& memory = bench.chip().memory();
    std::fill(memory.program.begin(), memory.program.end(), 0x0123);
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
    return "PIC" + std::string(info.param.name);
}

INSTANTIATE_TEST_SUITE_P(Models, ShippedModel, ::testing::ValuesIn(k_models), modeltestname);
INSTANTIATE_TEST_SUITE_P(Families, FamilyModel, ::testing::ValuesIn(familyrepresentatives()), modeltestname);

}  // namespace
}  // namespace vornalt
