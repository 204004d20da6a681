#include "cli/json_report.h"

#include <gtest/gtest.h>

namespace vornalt {
namespace {

TEST(JsonReport, StringsAreEscapedSoAnyTextStaysOneValidValue) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a \"quoted\" \\ path", "\"a \\\"quoted\\\" \\\\ path\""},
        {"two\r\nlines\ttab", "\"two\\r\\nlines\\ttab\""},
        {std::string("\x1b[2Jnul\0", 8), "\"\\u001B[2Jnul\\u0000\""},
        {"del\x7f", "\"del\\u007F\""},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},  // UTF-8 passes as it is
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(jsonstring(text), expected);
}

}  // namespace
}  // namespace vornalt
