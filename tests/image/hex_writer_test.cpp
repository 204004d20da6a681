#include "image/hex_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "image/hex_loader.h"
#include "image/hex_text.h"
#include "image/image_test_models.h"

namespace vornalt {
namespace {

using testing::blank_image;
using testing::k_large;
using testing::k_no_eeprom;
using testing::k_small;
using testing::ModelShape;
using Lines = std::vector<std::string>;

Lines records_of(const MemoryImage& image, bool config2used) {
    Result<Lines> lines = hexrecords(image, config2used);
    EXPECT_TRUE(lines.ok()) << lines.error().message;
    return lines ? lines.value() : Lines{};
}

struct WriterCase {
    const char* name;
    ModelShape model;
    bool config2used;
    std::function<void(MemoryImage&)> fill;
    Lines expected;
};

TEST(HexWriter, RecordsOfKnownImages) {
    const WriterCase cases[] = {
        {"blank image", k_small, false, [](MemoryImage&) {}, {":02400E00FF3F72", ":00000001FF"}},
        {"CONFIG2 between CONFIG1 and EEPROM",
         k_large,
         true,
         [](MemoryImage& i) { i.eeprombuffer[0] = 0x12; },
         {":02400E00FF3F72", ":02401000FF3F70", ":024200001200AA", ":00000001FF"}},
        {"ID words before CONFIG1, all four when one is set",
         k_small,
         false,
         [](MemoryImage& i) { i.idwords[1] = 5; },
         {":08400000FF3F0500FF3FFF3FF9", ":02400E00FF3F72", ":00000001FF"}},
        {"configuration words low byte first",
         k_large,
         true,
         [](MemoryImage& i) {
             i.config1word = 0x3F72;
             i.config2word = 0x0102;
         },
         {":02400E00723FFF", ":024010000201AB", ":00000001FF"}},
        {"ten words: a full record and one of four bytes",
         k_small,
         false,
         [](MemoryImage& i) {
             for (int w = 0; w < 10; ++w) i.flashbuffer[w] = w;
         },
         {":1000000000000100020003000400050006000700D4", ":0400100008000900DB", ":02400E00FF3F72",
          ":00000001FF"}},
        {"sixteen words: two full records",
         k_small,
         false,
         [](MemoryImage& i) {
             for (int w = 0; w < 16; ++w) i.flashbuffer[w] = 0x2000 + w;
         },
         {":1000000000200120022003200420052006200720D4", ":10001000082009200A200B200C200D200E200F2084",
          ":02400E00FF3F72", ":00000001FF"}},
        {"blank words inside are written",
         k_small,
         false,
         [](MemoryImage& i) { i.flashbuffer[1] = 0x0001; },
         {":04000000FF3F0100BD", ":02400E00FF3F72", ":00000001FF"}},
        {"FF bytes inside EEPROM are written as words",
         k_small,
         false,
         [](MemoryImage& i) { i.eeprombuffer[1] = 0x01; },
         {":02400E00FF3F72", ":04420000FF000100BA", ":00000001FF"}},
        {"last EEPROM byte of a record",
         k_small,
         false,
         [](MemoryImage& i) { i.eeprombuffer[8] = 0xA5; },
         {":02400E00FF3F72", ":10420000FF00FF00FF00FF00FF00FF00FF00FF00B6", ":02421000A50007",
          ":00000001FF"}},
        {"undefined configuration words come out as FFFF",
         k_small,
         true,
         [](MemoryImage& i) {
             i.config1word = -1;
             i.config2word = -1;
         },
         {":02400E00FFFFB2", ":02401000FFFFB0", ":00000001FF"}},
    };
    for (const WriterCase& c : cases) {
        MemoryImage image = blank_image(c.model);
        c.fill(image);
        EXPECT_EQ(records_of(image, c.config2used), c.expected) << c.name;
    }
}

TEST(HexWriter, WordAt100hComesAfterThirtyTwoBlankRecords) {
    MemoryImage image = blank_image(k_small);
    image.flashbuffer[0x100] = 0x1234;
    const Lines lines = records_of(image, false);
    ASSERT_EQ(lines.size(), 35u);
    for (int i = 0; i < 32; ++i) {
        const std::string address = tohex4(16 * i);
        EXPECT_EQ(lines[i].substr(0, 9), ":10" + address + "00") << i;
        EXPECT_EQ(lines[i].substr(9, 32), "FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3F") << i;
    }
    EXPECT_EQ(lines[32], ":020200003412B6");
}

TEST(HexWriter, FileTextEndsEveryLineWithCrLf) {
    MemoryImage image = blank_image(k_small);
    image.flashbuffer[0] = 0x2805;
    const Result<std::string> text = hexfiletext(image, false);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), ":020000000528D1\r\n:02400E00FF3F72\r\n:00000001FF\r\n");
}

TEST(HexWriter, RefusesImagesBeyondSixteenBitAddresses) {
    const struct {
        const char* name;
        ModelShape model;
        std::int32_t flashword;  // index set to 0, or -1
        std::int32_t eeprombyte;
        bool fits;
    } cases[] = {
        {"last word of 32768", {32768, 0, 0x3FFF, -1}, 32767, -1, true},
        {"word 32768", {40000, 0, 0x3FFF, -1}, 32768, -1, false},
        {"large FLASH used only low", {40000, 0, 0x3FFF, -1}, 100, -1, true},
        {"EEPROM byte 24319", {16, 30000, 0x3FFF, -1}, -1, 24319, true},
        {"EEPROM byte 24320", {16, 30000, 0x3FFF, -1}, -1, 24320, false},
    };
    for (const auto& c : cases) {
        MemoryImage image = blank_image(c.model);
        if (c.flashword >= 0) image.flashbuffer[c.flashword] = 0;
        if (c.eeprombyte >= 0) image.eeprombuffer[c.eeprombyte] = 0;
        const Result<Lines> lines = hexrecords(image, false);
        EXPECT_EQ(lines.ok(), c.fits) << c.name;
        if (lines.ok()) {
            MemoryImage back = blank_image(c.model);
            const std::string text = hexfiletext(image, false).value();
            EXPECT_TRUE(loadhex_text(text, back).ok) << c.name;
            EXPECT_TRUE(testing::same_contents(image, back)) << c.name;
        }
    }
}

// Every image the writer produces loads back to the same image.
TEST(HexWriter, RoundTripsThroughTheLoader) {
    std::mt19937 random(20240611);
    const struct {
        ModelShape model;
        bool config2used;
    } models[] = {{k_small, false}, {k_large, true}, {k_no_eeprom, false}, {{1, 1, 0x3FFF, 0x3FFF}, true}};
    for (const auto& m : models) {
        for (const double density : {0.0, 0.01, 0.3, 1.0}) {
            for (int round = 0; round < 6; ++round) {
                MemoryImage image = blank_image(m.model);
                std::bernoulli_distribution programmed(density);
                for (auto& w : flashwords(image)) {
                    if (programmed(random)) w = static_cast<std::int32_t>(random() % 0x4000);
                }
                for (auto& b : eeprombytes(image)) {
                    if (programmed(random)) b = static_cast<std::int32_t>(random() % 0x100);
                }
                for (auto& w : image.idwords) {
                    if (programmed(random)) w = static_cast<std::int32_t>(random() % 0x4000);
                }
                image.config1word = static_cast<std::int32_t>(random() % 0x4000);
                if (m.config2used) image.config2word = static_cast<std::int32_t>(random() % 0x4000);

                const Result<std::string> text = hexfiletext(image, m.config2used);
                ASSERT_TRUE(text.ok());
                MemoryImage back = blank_image(m.model);
                const HexLoadResult result = loadhex_text(text.value(), back);
                ASSERT_TRUE(result.ok) << result.message;
                EXPECT_TRUE(testing::same_contents(image, back))
                    << "density " << density << " round " << round;
            }
        }
    }
}

TEST(HexWriter, SaveWritesTheFileAndReportsFailures) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vornalt-writer-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    MemoryImage image = blank_image(k_small);
    image.flashbuffer[0] = 0x2805;

    const std::string target = (folder / "out.hex").string();
    ASSERT_TRUE(savehex(target, image, false).ok());
    EXPECT_EQ(read_file(target).value(), hexfiletext(image, false).value());

    const std::string nowhere = (folder / "missing" / "out.hex").string();
    const Status failed = savehex(nowhere, image, false);
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(failed.error().message.find(nowhere), std::string::npos) << failed.error().message;

    image.flashsize = 40000;
    image.flashbuffer.assign(40000, 0);
    const Status too_big = savehex(target, image, false);
    ASSERT_FALSE(too_big.ok());
    EXPECT_NE(too_big.error().message.find(target), std::string::npos) << too_big.error().message;
    EXPECT_EQ(read_file(target).value(), ":020000000528D1\r\n:02400E00FF3F72\r\n:00000001FF\r\n")
        << "the earlier file stays as it was";
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vornalt
