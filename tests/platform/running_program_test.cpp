#include <filesystem>

#include <gtest/gtest.h>

#include "platform/running_program.h"

namespace vornalt {
namespace {

// The inpout loader looks beside this file and start-up derives the application folder from
// it, so it must be this very program, by its full name.
TEST(RunningProgram, IsThisTestProgramByItsFullPath) {
    const Result<std::filesystem::path> path = running_program_path();
    ASSERT_TRUE(path.ok()) << path.error().message;
    EXPECT_TRUE(path.value().is_absolute()) << path.value();
    EXPECT_EQ(path.value().stem(), "platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path.value())) << path.value();
}

}  // namespace
}  // namespace vornalt
