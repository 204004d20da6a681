#include "sim/chip_model.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "sim/sim_chip.h"

namespace vornalt {
namespace {

TEST(ChipModel, CalibrationWordsAndWriteTimesPerPart) {
    struct Case {
        const char* name;
        std::int32_t calword;   // 0: none
        std::int32_t calword2;  // 0: none
        std::int64_t write_ns;  // 08 on program and data memory; 0: the family's
    };
    const Case cases[] = {
        {"16F690", 0x2008, 0, 0}, {"16F631", 0, 0, 0},      {"16F677", 0, 0, 0},
        {"12F683", 0x2008, 0, 0}, {"16F886", 0x2009, 0, 0}, {"16F917", 0x2008, 0x2009, 0},
        {"16F84A", 0, 0, 0},      {"16F84", 0, 0, 20'000'000}, {"16F83", 0, 0, 20'000'000},
    };
    for (const Case& c : cases) {
        const ChipModel* model = findchipmodel(c.name);
        ASSERT_NE(model, nullptr) << c.name;
        EXPECT_EQ(calwordaddress(*model), c.calword) << c.name;
        EXPECT_EQ(calword2address(*model), c.calword2) << c.name;
        const FamilyTiming family = familyrules(model->family).timing;
        EXPECT_EQ(partrules(*model).timing.write_ns, c.write_ns > 0 ? c.write_ns : family.write_ns) << c.name;
    }
}

TEST(ChipModel, NamesChooseTheFamilyAndSizes) {
    struct Case {
        const char* name;
        ChipFamily family;
        std::int32_t words;
        std::int32_t bytes;
    };
    const Case cases[] = {
        {"16F877A", ChipFamily::f87xa, 8192, 256}, {"16f877a", ChipFamily::f87xa, 8192, 256},
        {" PIC16F877A ", ChipFamily::f87xa, 8192, 256}, {"16F873A", ChipFamily::f87xa, 4096, 128},
        {"16F877", ChipFamily::f87x, 8192, 256},    {"16F870", ChipFamily::f87x, 2048, 64},
        {"16F84A", ChipFamily::f84a, 1024, 64},     {"16F648A", ChipFamily::f62xa, 4096, 256},
        {"16F627A", ChipFamily::f62xa, 1024, 128},  {"12F675", ChipFamily::f629, 1024, 128},
        {"16F676", ChipFamily::f629, 1024, 128},    {"16F88", ChipFamily::f88, 4096, 256},
        {"16F818", ChipFamily::f88, 1024, 128},    {"16F631", ChipFamily::f690, 1024, 128},
        {"16F677", ChipFamily::f690, 2048, 256},   {"16F690", ChipFamily::f690, 4096, 256},
    };
    for (const Case& c : cases) {
        const ChipModel* model = findchipmodel(c.name);
        ASSERT_NE(model, nullptr) << c.name;
        EXPECT_EQ(model->family, c.family) << c.name;
        EXPECT_EQ(model->programwords, c.words) << c.name;
        EXPECT_EQ(model->eeprombytes, c.bytes) << c.name;
    }
    for (const char* unknown : {"", "16F877B", "18F452", "16F8", "PIC", "16F877A2"}) {
        EXPECT_EQ(findchipmodel(unknown), nullptr) << unknown;
        EXPECT_EQ(makechip(unknown), nullptr) << unknown;
    }
}

TEST(ChipModel, OnlyThe16F87And88HaveConfig2AndOnlyThe629FamilyCalibration) {
    EXPECT_TRUE(findchipmodel("16F87")->has_config2);
    EXPECT_TRUE(findchipmodel("16F88")->has_config2);
    EXPECT_FALSE(findchipmodel("16F819")->has_config2);
    EXPECT_FALSE(findchipmodel("16F877A")->has_config2);
    for (const char* name : {"12F629", "12F675", "16F630", "16F676"}) EXPECT_TRUE(findchipmodel(name)->has_calibration);
    EXPECT_FALSE(findchipmodel("16F628A")->has_calibration);
}

TEST(ChipModel, ReadableConfigForcesUnimplementedBits) {
    struct Case {
        ChipFamily family;
        std::int32_t raw;
        std::int32_t read;
    };
    const Case cases[] = {
        {ChipFamily::f84a, 0x0000, 0x0000},  {ChipFamily::f87x, 0x0000, 0x0400},  {ChipFamily::f87xa, 0x0000, 0x1030},
        {ChipFamily::f62xa, 0x0000, 0x1E00}, {ChipFamily::f629, 0x3FFF, 0x31FF},  {ChipFamily::f629, 0x1E7F, 0x107F},
        {ChipFamily::f88, 0x0000, 0x0000},   {ChipFamily::f87xa, 0x3FFF, 0x3FFF}, {ChipFamily::f690, 0x0000, 0x3000},
    };
    for (const Case& c : cases) EXPECT_EQ(readableconfig1(c.family, c.raw), c.read) << std::hex << c.raw;
    EXPECT_EQ(readableconfig2(0x0000), 0x3FFC);
    EXPECT_EQ(readableconfig2(0x3FFE), 0x3FFE);
}

TEST(ChipModel, ProtectionRangesFollowTheConfigurationBits) {
    const ChipModel& f877 = *findchipmodel("16F877");
    const ChipModel& f873 = *findchipmodel("16F873");
    const ChipModel& f629 = *findchipmodel("12F629");
    const ChipModel& f84a = *findchipmodel("16F84A");
    const ChipModel& f877a = *findchipmodel("16F877A");
    const ChipModel& f690 = *findchipmodel("16F690");
    struct Case {
        const ChipModel* model;
        std::int32_t config;
        std::int32_t index;
        bool hidden;
    };
    const Case cases[] = {
        {&f877, 0x3FFF, 0x1FFF, false}, {&f877, 0x2FEF, 0x1EFF, false}, {&f877, 0x2FEF, 0x1F00, true},
        {&f877, 0x1FDF, 0x0FFF, false}, {&f877, 0x1FDF, 0x1000, true},  {&f877, 0x0FCF, 0x0000, true},
        {&f873, 0x1FDF, 0x07FF, false}, {&f873, 0x1FDF, 0x0800, true},  {&f873, 0x2FEF, 0x0F00, true},
        {&f629, 0x3F7F, 0x0000, true},  {&f629, 0x3F7F, 0x03FF, false}, {&f629, 0x3FFF, 0x0000, false},
        {&f84a, 0x3FEF, 0x0000, true},  {&f84a, 0x3FFF, 0x0000, false}, {&f84a, 0x000F, 0x03FF, true},
        {&f877a, 0x1FFF, 0x0000, true}, {&f877a, 0x3EFF, 0x0000, false},
        {&f690, 0x3FBF, 0x0FFF, true},  {&f690, 0x3F7F, 0x0000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(programprotected(*c.model, c.config, c.index), c.hidden)
            << c.model->name << " " << std::hex << c.config << " @" << c.index;
    }
    EXPECT_TRUE(dataprotected(f877a, 0x3EFF));
    EXPECT_FALSE(dataprotected(f877a, 0x3FFF));
    EXPECT_TRUE(dataprotected(f690, 0x3F7F));
    EXPECT_FALSE(dataprotected(f690, 0x3FBF));
    EXPECT_FALSE(dataprotected(f84a, 0x0000)) << "no CPD bit on the 16F84A";
}

TEST(ChipModel, ACutShortChangeNeverCompletes) {
    struct Case {
        std::int32_t from, to;
        double done;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0x3FFF, 0x0000, 0.0, 0x3FFF},   // nothing happened yet
        {0x3FFF, 0x0000, 0.5, 0x3F80},   // the low seven of fourteen bits cleared
        {0x3FFF, 0x0000, 0.999, 0x2000}, // all but the last bit
        {0x3FFF, 0x0000, 1.0, 0x2000},   // "cut short" at the very end still misses one bit
        {0x3FFF, 0x3FFE, 0.9, 0x3FFF},   // a single bit to change never changes
        {0x2805, 0x2805, 0.3, 0x2805},   // nothing to change
        {0x0000, 0x3FFF, 0.25, 0x0007},  // erasing sets bits the same way
    };
    for (const Case& c : cases) {
        EXPECT_EQ(partialvalue(c.from, c.to, c.done), c.expected) << std::hex << c.from << "->" << c.to << " " << c.done;
    }
}

}  // namespace
}  // namespace vornalt
