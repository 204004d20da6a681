#include "image/view_text.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace vornalt {
namespace {

std::vector<std::string> splitlines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST(ViewText, FullSizeFlashHasOneLinePerEightWordsAndNoFinalLineEnd) {
    const std::vector<std::int32_t> words(8192, 0x3FFF);
    const std::string text = flashviewtext(words);
    const std::vector<std::string> lines = splitlines(text);
    ASSERT_EQ(lines.size(), 1024u);
    EXPECT_EQ(lines.front(), "0000: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF");
    EXPECT_EQ(lines[1].substr(0, 5), "0008:");
    EXPECT_EQ(lines.back(), "1FF8: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF");
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
}

struct ViewCase {
    const char* what;
    std::vector<std::int32_t> values;
    bool flash;
    std::string expected;
};

TEST(ViewText, LayoutOfValuesAndPartialLines) {
    std::vector<std::int32_t> ten(10);
    std::iota(ten.begin(), ten.end(), 0x0FFA);
    const std::vector<ViewCase> cases{
        {"one word", {0x0123}, true, "0000: 0123"},
        {"exactly one line", std::vector<std::int32_t>(8, 0), true,
         "0000: 0000 0000 0000 0000 0000 0000 0000 0000"},
        {"partial second line", ten, true,
         "0000: 0FFA 0FFB 0FFC 0FFD 0FFE 0FFF 1000 1001\r\n0008: 1002 1003"},
        {"eeprom bytes", {0x00, 0x0A, 0xFF}, false, "0000: 00 0A FF"},
        {"eeprom partial line", std::vector<std::int32_t>(9, 0xFF), false,
         "0000: FF FF FF FF FF FF FF FF\r\n0008: FF"},
        {"no eeprom", {}, false, ""},
        {"no flash", {}, true, ""},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.flash ? flashviewtext(c.values) : eepromviewtext(c.values), c.expected);
    }
}

TEST(ViewText, NeverShowsLocationsBeyondTheSpan) {
    // Eleven values behind a span of nine: the two outside must not appear.
    std::vector<std::int32_t> storage(11, 0x00);
    storage[9] = storage[10] = 0x2BAD;
    const std::string text = flashviewtext(std::span(storage).first(9));
    EXPECT_EQ(text.find("2BAD"), std::string::npos);
    EXPECT_EQ(splitlines(text).back(), "0008: 0000");
}

TEST(ViewText, EepromLinesCountFromZeroPastOneHundredHex) {
    const std::vector<std::int32_t> bytes(256, 0xFF);
    const std::vector<std::string> lines = splitlines(eepromviewtext(bytes));
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0].substr(0, 5), "0000:");
    EXPECT_EQ(lines[31], "00F8: FF FF FF FF FF FF FF FF");
}

}  // namespace
}  // namespace vornalt
