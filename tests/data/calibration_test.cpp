// The 12F629 family's factory calibration (OSCCAL at 3FFh, bandgap bits 13:12 of CONFIG1)
// against the shipped scripts: Program All leaves it alone on a new chip, and a Read All kept
// in the image brings it back after Erase All.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "catalogue_bench.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::CatalogueBench;


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

// CONFIG1 of the image (bits 13:12 as a HEX file usually has them, or as the chip has them):
// either way the chip keeps its own bandgap bits, and Verify agrees when the image says the same.
struct NewChipCase {
    std::int32_t imageconfig1;
    const char* verifyend;
};
constexpr std::array<NewChipCase, 2> k_newchip{{
    {0x21C4, "Chip verified"},
    {0x31C4, "Chip verify failed"},
}};

TEST(Calibration, ProgramAllKeepsANewChipsCalibration) {
    for (std::string_view name : k_calibrated) {
        for (const NewChipCase& c : k_newchip) {
            SCOPED_TRACE(std::string(name) + " CONFIG1 " + std::to_string(c.imageconfig1));
            CatalogueBench bench(name, calibratedchip(name));
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

TEST(Calibration, ReadAllKeptInTheImageRestoresItAfterErase) {
    for (std::string_view name : k_calibrated) {
        SCOPED_TRACE(name);
        CatalogueBench bench(name, calibratedchip(name));
        ASSERT_TRUE(bench.ready());
        EXPECT_EQ(bench.run(ChipOperation::readall).endtext, "Chip read");
        EXPECT_EQ(bench.image.flashbuffer.back(), k_osccal);
        EXPECT_EQ(bench.image.config1word, 0x21FF);

        // The user's program goes into the image that still holds the calibration.
        smallprogram(bench.image);
        bench.image.config1word = 0x21C4;
        EXPECT_EQ(bench.run(ChipOperation::eraseall).endtext, "Chip erased");
        EXPECT_EQ(bench.chipmemory().program.back(), 0x3FFF);
        EXPECT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");

        const ChipMemory& memory = bench.chipmemory();
        EXPECT_EQ(memory.program.back(), k_osccal);
        EXPECT_EQ(memory.config1 & k_bandgap_mask, k_bandgap);
        const testing::Outcome verified = bench.run(ChipOperation::verify);
        EXPECT_EQ(verified.endtext, "Chip verified");
        EXPECT_TRUE(verified.messages.empty());
    }
}

}  // namespace
}  // namespace vornalt
