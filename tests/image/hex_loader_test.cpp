#include "image/hex_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "image/image_test_models.h"

namespace vornalt {
namespace {

using testing::blank_image;
using testing::k_large;
using testing::k_no_eeprom;
using testing::k_small;
using testing::ModelShape;

const std::string k_data_dir = VORNALT_IMAGE_TEST_DATA;
constexpr const char* k_heading = "Input program file in Intel Hex Format contains errors.\r\nLine number ";

// One fixture file per check, each failing on a known line with the exact text the user reads.
struct ErrorFile {
    const char* file;
    HexError error;
    std::int64_t line;
    const char* text;
};

const ErrorFile k_error_files[] = {
    {"error01_no_colon.hex", HexError::no_colon, 2, ": The record does not begin with ':' simbol."},
    {"error02_too_short.hex", HexError::too_short, 4, ": The record is too short."},
    {"error03_checksum.hex", HexError::checksum, 2, ": Invalid 'checksum' field in the record."},
    {"error03_lowercase_checksum.hex", HexError::checksum, 1, ": Invalid 'checksum' field in the record."},
    {"error04_record_type.hex", HexError::record_type, 2, ": Invalid 'record type' field in the record."},
    {"error05_extended_address.hex", HexError::extended_address, 2, ": Invalid '04 type' record."},
    {"error05_extended_nonzero_address.hex", HexError::extended_address, 1, ": Invalid '04 type' record."},
    {"error06_byte_count.hex", HexError::byte_count, 2, ": Invalid 'number of bytes' field in the record."},
    {"error07_address.hex", HexError::address, 2, ": Invalid 'address' field in the record."},
    {"error08_odd_byte_count.hex", HexError::odd_byte_count, 2,
     ": Field 'number of bytes' in the record must contain an even value."},
    {"error09_odd_address.hex", HexError::odd_address, 2,
     ": Field 'address' in the record must contain an even value."},
    {"error10_data_length.hex", HexError::data_length, 2,
     ": The record does not contain the specified number of bytes."},
    {"error11_data_value.hex", HexError::data_value, 2, ": Invalid data byte in the record."},
    {"error11_lowercase_data.hex", HexError::data_value, 1, ": Invalid data byte in the record."},
    {"error12_address_range.hex", HexError::address_range, 2, ": Address out of range."},
};

TEST(HexLoader, EveryCheckFailsWithItsMessageAndLine) {
    for (const ErrorFile& c : k_error_files) {
        MemoryImage image = blank_image(k_small);
        const HexLoadResult result = loadhex(k_data_dir + "/" + c.file, image);
        EXPECT_FALSE(result.ok) << c.file;
        EXPECT_EQ(result.error, c.error) << c.file;
        EXPECT_EQ(result.linenumber, c.line) << c.file;
        EXPECT_EQ(result.message.substr(0, result.message.find("\r\n", std::string(k_heading).size())),
                  k_heading + std::to_string(c.line) + c.text)
            << c.file;
    }
}

TEST(HexLoader, AddressOutOfRangeNamesTheAddressAndWhereTheModelEnds) {
    struct Case {
        ModelShape model;
        const char* record;
        const char* hint;
    };
    const Case cases[] = {
        {k_small, ":020800003412B0", "Word address 0400h is not in the chip: this model's FLASH ends at 03FFh"},
        {k_small, ":024400000000BA", "Word address 2200h is not in the chip: this model's EEPROM ends at 213Fh"},
        {k_no_eeprom, ":024200000000BC", "Word address 2100h is not in the chip: this model has no EEPROM"},
    };
    for (const Case& c : cases) {
        MemoryImage image = blank_image(c.model);
        const HexLoadResult result = loadhex_text(c.record, image);
        EXPECT_EQ(result.message, k_heading + std::string("1: Address out of range.\r\n") + c.hint + " (wrong model?)");
    }
}

TEST(HexLoader, MessageTextIsExact) {
    EXPECT_EQ(
        hexerrormessage(HexError::address_range, 17),
        "Input program file in Intel Hex Format contains errors.\r\nLine number 17: Address out of range.");
}

// A successful load, then a property of the image it left.
struct GoodCase {
    const char* name;
    ModelShape model;
    std::string text;
    std::function<bool(const MemoryImage&)> holds;
};

bool untouched(const MemoryImage& image, const ModelShape& model) {
    const MemoryImage blank = blank_image(model);
    return testing::same_contents(image, blank) && image.loadedwords == 0;
}

TEST(HexLoader, FilesThatLoad) {
    const GoodCase cases[] = {
        {"end record only", k_small, ":00000001FF\r\n", [](auto& i) { return untouched(i, k_small); }},
        {"empty file", k_small, "", [](auto& i) { return untouched(i, k_small); }},
        {"no end record", k_small, ":020000000528D1",
         [](auto& i) { return i.flashbuffer[0] == 0x2805 && i.loadedwords == 1; }},
        {"lines after the end record are not read", k_small, ":00000001FF\r\ngarbage\r\n:0\r\n",
         [](auto& i) { return untouched(i, k_small); }},
        {"start address record ignored", k_small, ":0400000500000000F7\r\n:00000001FF\r\n",
         [](auto& i) { return untouched(i, k_small); }},
        {"blank, space and comment lines skipped", k_small, "\r\n    \r\n; :garbage\r\n:020000000528D1\r\n",
         [](auto& i) { return i.flashbuffer[0] == 0x2805; }},
        {"trailing spaces removed", k_small, ":020000000528D1   \r\n:00000001FF \r\n",
         [](auto& i) { return i.flashbuffer[0] == 0x2805; }},
        {"empty data record skipped", k_small, ":0000000000\r\n",
         [](auto& i) { return untouched(i, k_small); }},
        {"LL 02 without data skipped, no length error", k_small, ":02000000FE\r\n",
         [](auto& i) { return untouched(i, k_small); }},
        {"words are low byte first", k_small, ":0400000034120100B5\r\n",
         [](auto& i) {
             return i.flashbuffer[0] == 0x1234 && i.flashbuffer[1] == 0x0001 && i.loadedwords == 2;
         }},
        {"loadedwords is the highest address plus one", k_small, ":020200000000FC\r\n:020000000000FE\r\n",
         [](auto& i) { return i.loadedwords == 0x101 && i.flashbuffer[0x100] == 0; }},
        {"last FLASH word", k_small, ":0207FE00FF3FBB\r\n", [](auto& i) { return i.loadedwords == 1024; }},
        {"CONFIG1 3FFF taken", k_small, ":02400E00F13F80\r\n",
         [](auto& i) { return i.config1word == 0x3FF1; }},
        {"CONFIG1 with bits 15:14 set keeps its low 14 bits", k_small, ":02400E0018FF99\r\n",
         [](auto& i) { return i.config1word == 0x3F18; }},
        {"CONFIG1 C000 is 0000", k_small, ":02400E0000C0F0\r\n", [](auto& i) { return i.config1word == 0; }},
        {"CONFIG2 kept to 14 bits", k_large, ":02401000FFFFB0\r\n",
         [](auto& i) { return i.config2word == 0x3FFF; }},
        {"CONFIG2 ignored when its erased value is undefined", k_small, ":02401000123468\r\n",
         [](auto& i) { return i.config2word == -1; }},
        {"ID words kept, FLASH untouched", k_small, ":084000000100020003000400AE\r\n",
         [](auto& i) {
             return i.idwords == std::array<std::int32_t, 4>{1, 2, 3, 4} && i.loadedwords == 0 &&
                    i.flashbuffer[0] == k_blank_word;
         }},
        {"one ID word leaves the others erased", k_small, ":024002000500B7\r\n",
         [](auto& i) { return i.idwords == std::array<std::int32_t, 4>{0x3FFF, 5, 0x3FFF, 0x3FFF}; }},
        {"device ID 2006h is not the file's to set", k_small, ":02400C0012346C\r\n",
         [](auto& i) { return untouched(i, k_small); }},
        {"reserved words 2009-200F dropped", k_small, ":02401200FF3F6E\r\n",
         [](auto& i) { return untouched(i, k_small); }},
        {"EEPROM keeps the low byte", k_small, ":02420000AB12FF\r\n",
         [](auto& i) { return i.eeprombuffer[0] == 0xAB && i.loadedwords == 0; }},
        {"last EEPROM byte of 256", k_large, ":0243FE00550068\r\n",
         [](auto& i) { return i.eeprombuffer[255] == 0x55; }},
        {"extended address 0 keeps words in place", k_small, ":020000040000FA\r\n:020000000528D1\r\n",
         [](auto& i) { return i.flashbuffer[0] == 0x2805; }},
        {"extended address switched back to 0", k_small,
         ":020000040001F9\r\n:020000040000FA\r\n:020000000528D1\r\n",
         [](auto& i) { return i.flashbuffer[0] == 0x2805; }},
        {"extended address counts in steps of 8000 words",
         {40000, 0, 0x3FFF, -1},
         ":020000040001F9\r\n:020002003412B6\r\n",
         [](auto& i) { return i.flashbuffer[0x8001] == 0x1234 && i.loadedwords == 0x8002; }},
        {"extended record ignores LL", k_small, ":000000040000FC\r\n:020000000528D1\r\n",
         [](auto& i) { return i.flashbuffer[0] == 0x2805; }},
    };
    for (const GoodCase& c : cases) {
        MemoryImage image = blank_image(c.model);
        const HexLoadResult result = loadhex_text(c.text, image);
        EXPECT_TRUE(result.ok) << c.name << ": " << result.message;
        EXPECT_TRUE(c.holds(image)) << c.name;
    }
}

struct BadCase {
    const char* name;
    ModelShape model;
    std::string text;
    HexError error;
    std::int64_t line;
};

TEST(HexLoader, FilesThatFail) {
    const BadCase cases[] = {
        {"blank and comment lines are counted", k_small, "\r\n   \r\n;x\r\n:00000001FF\r\n", HexError::none,
         0},
        {"error on the fifth physical line", k_small, "\r\n  \r\n;c\r\n:020000000528D1\r\nX\r\n",
         HexError::no_colon, 5},
        {"leading blank is kept", k_small, " :00000001FF\r\n", HexError::no_colon, 1},
        {"leading tab is kept", k_small, "\t:00000001FF\r\n", HexError::no_colon, 1},
        {"ten characters", k_small, ":00000001F\r\n", HexError::too_short, 1},
        {"lower-case digits break the checksum", k_small, ":020000000528d1\r\n", HexError::checksum, 1},
        {"lower-case data with a matching sum", k_small, ":020000002f12ED\r\n", HexError::data_value, 1},
        {"segment address record", k_small, ":020000020000FC\r\n", HexError::record_type, 1},
        {"start segment address record", k_small, ":0400000300000000F9\r\n", HexError::record_type, 1},
        {"record type not hex", k_small, ":0000000G01\r\n", HexError::record_type, 1},
        {"extended record with two data bytes too many", k_small, ":04000004000100F7\r\n",
         HexError::extended_address, 1},
        {"extended address moves data to 8000 and above", k_small, ":020000040001F9\r\n:020000000528D1\r\n",
         HexError::address_range, 2},
        {"CONFIG1 4000", k_small, ":02400E00004070\r\n", HexError::data_value, 1},
        {"CONFIG1 with only bit 15 set", k_small, ":02400E0018BFD9\r\n", HexError::data_value, 1},
        {"CONFIG1 7FFF", k_small, ":02400E00FF7F32\r\n", HexError::data_value, 1},
        {"ID word 4000", k_small, ":0240000000407E\r\n", HexError::data_value, 1},
        {"FLASH word 4000", k_small, ":020000000040BE\r\n", HexError::data_value, 1},
        {"FLASH at the model's size", k_small, ":020800000000F6\r\n", HexError::address_range, 1},
        {"FLASH just below the configuration area", k_small, ":023FFE000000C1\r\n", HexError::address_range,
         1},
        {"between configuration area and EEPROM", k_small, ":0240200000009E\r\n", HexError::address_range, 1},
        {"EEPROM word 2200", k_large, ":02440000550065\r\n", HexError::address_range, 1},
        {"EEPROM on a model without it", k_no_eeprom, ":02420000550067\r\n", HexError::address_range, 1},
        {"address check comes before the value check", k_no_eeprom, ":0242000000FFBD\r\n",
         HexError::address_range, 1},
        {"byte count is checked before the address", k_small, ":0G00G0003412BC\r\n", HexError::byte_count, 1},
        {"odd count is checked before odd address", k_small, ":0300010034125660\r\n",
         HexError::odd_byte_count, 1},
        {"non-ASCII characters are just characters", k_small, "\xEF\xBB\xBF:00000001FF\r\n",
         HexError::no_colon, 1},
        {"non-ASCII in the data", k_small,
         ":02000000\xC3\xA9\xC3\xA9"
         "FE\r\n",
         HexError::checksum, 1},
    };
    for (const BadCase& c : cases) {
        MemoryImage image = blank_image(c.model);
        const HexLoadResult result = loadhex_text(c.text, image);
        EXPECT_EQ(result.ok, c.error == HexError::none) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.linenumber, c.line) << c.name;
    }
}

TEST(HexLoader, AllLineEndsCountTheSameLines) {
    const std::string lines[] = {":020000000528D1", "", "; note", ":020002003412B6", "bad"};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        std::string text;
        for (const std::string& line : lines) text += line + end;
        MemoryImage image = blank_image(k_small);
        const HexLoadResult result = loadhex_text(text, image);
        EXPECT_EQ(result.error, HexError::no_colon) << "line end " << static_cast<int>(end[0]);
        EXPECT_EQ(result.linenumber, 5) << "line end " << static_cast<int>(end[0]);
        EXPECT_EQ(image.flashbuffer[0], 0x2805);
        EXPECT_EQ(image.flashbuffer[1], 0x1234);
    }
    // A CR LF pair is one line end, a LF CR pair two.
    MemoryImage image = blank_image(k_small);
    EXPECT_EQ(loadhex_text(":020000000528D1\n\rX", image).linenumber, 3);
    EXPECT_EQ(loadhex_text(":020000000528D1\r\n\r\nX", image).linenumber, 3);
    EXPECT_EQ(loadhex_text(":020000000528D1\r\r\nX", image).linenumber, 3);
}

TEST(HexLoader, WordsBeforeAnErrorStayForTheCallerToClear) {
    MemoryImage image = blank_image(k_small);
    // Word 0 is stored, word 1 is out of range and ends the record before word 2.
    const HexLoadResult result = loadhex_text(":0600000034120040010073\r\n", image);
    EXPECT_EQ(result.error, HexError::data_value);
    EXPECT_EQ(image.flashbuffer[0], 0x1234);
    EXPECT_EQ(image.flashbuffer[2], 0x3FFF);
}

TEST(HexLoader, FileThatCannotBeReadNamesItAndTheReason) {
    const std::string missing = k_data_dir + "/no such file.hex";
    MemoryImage image = blank_image(k_small);
    const HexLoadResult result = loadhex(missing, image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, HexError::none);
    EXPECT_NE(result.message.find(missing), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("No such file or directory"), std::string::npos) << result.message;

    const HexLoadResult folder = loadhex(k_data_dir, image);
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.message.find(k_data_dir), std::string::npos) << folder.message;
    EXPECT_TRUE(untouched(image, k_small));
}

}  // namespace
}  // namespace vornalt
