#include "image/load_summary.h"

#include <gtest/gtest.h>

namespace vornalt {
namespace {

TEST(LoadSummary, KFigureIsTheQuotientCutToFourCharacters) {
    const struct {
        std::int32_t words;
        const char* k;
    } cases[] = {
        {0, "0"},        {2048, "2"},       {1000, ".976"}, {3000, "2.92"},  {16383, "15.9"},
        {257, ".250"},   {1024, "1"},       {1536, "1.5"},  {512, ".5"},     {10240, "10"},
        {102400, "100"}, {1048576, "1024"}, {1, ".000"},    {102, ".099"},   {103, ".100"},
        {8191, "7.99"},  {8192, "8"},       {1023, ".999"}, {-1000, "-.97"},
    };
    for (const auto& c : cases) EXPECT_EQ(kfigure(c.words), c.k) << c.words;
}

TEST(LoadSummary, CompletionMessage) {
    EXPECT_EQ(loadcompletedmessage(2048), "Operation completed.\r\nTotal 2048 (2K) program words loaded.");
    EXPECT_EQ(loadcompletedmessage(257), "Operation completed.\r\nTotal 257 (.250K) program words loaded.");
    EXPECT_EQ(loadcompletedmessage(0), "Operation completed.\r\nTotal 0 (0K) program words loaded.");
}

}  // namespace
}  // namespace vornalt
