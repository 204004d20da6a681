#include "base/numeric_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace vornalt {
namespace {

TEST(NumericValue, LeadingNumberRoundedHalvesToEven) {
    const struct {
        std::string text;
        std::int32_t expected;
    } cases[] = {
        {"2.5", 2},     {"3.5", 4},   {"abc", 0},    {"12x", 12},  {"", 0},        {"  7", 7},
        {"\t9", 9},     {"-2.5", -2}, {"-3.5", -4},  {"0.5", 0},   {"1.5", 2},     {"29.5", 30},
        {".5", 0},      {".6", 1},    {"1e2", 100},  {"1e", 1},    {"1e+", 1},     {"5.", 5},
        {"+8", 8},      {"- 8", 0},   {"888", 888},  {"10ms", 10}, {"1.2.3", 1},   {"0x10", 0},
        {"1,5", 1},     {"-", 0},     {".", 0},      {"2.50001", 3},
    };
    for (const auto& c : cases) EXPECT_EQ(numericvalue(c.text), c.expected) << "text: '" << c.text << "'";
}

TEST(NumericValue, SaturatesOutsideThe32BitRange) {
    constexpr auto max = std::numeric_limits<std::int32_t>::max();
    constexpr auto min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(numericvalue("2147483647"), max);
    EXPECT_EQ(numericvalue("2147483648"), max);
    EXPECT_EQ(numericvalue("99999999999999999999"), max);
    EXPECT_EQ(numericvalue("-2147483648"), min);
    EXPECT_EQ(numericvalue("-99999999999"), min);
    EXPECT_EQ(numericvalue("1e400"), max);
    EXPECT_EQ(numericvalue("-1e400"), min);
    EXPECT_EQ(numericvalue("1e-400"), 0);
}

TEST(NumericValue, LeadingNumberKeepsFractions) {
    EXPECT_DOUBLE_EQ(leadingnumber("30.4"), 30.4);
    EXPECT_DOUBLE_EQ(leadingnumber("0.5abc"), 0.5);
    EXPECT_DOUBLE_EQ(leadingnumber(" -1.25e1x"), -12.5);
}

}  // namespace
}  // namespace vornalt
