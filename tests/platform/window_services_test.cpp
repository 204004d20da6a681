// The status text a window shows for a progress report when it draws no bar of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/window_services.h"
#include "support/fake_window.h"

namespace vornalt {
namespace {


TEST(ProgressText, DefaultStatusLineReadsAsTheEngineAlwaysWroteIt) {
    constexpr std::int64_t big = std::numeric_limits<std::int64_t>::max();
    struct Case {
        MemoryRegion region;
        std::int64_t done, total;
        std::string text;
    };
    const Case cases[] = {
        {MemoryRegion::flash, 1, 1024, "F:1/1024"},
        {MemoryRegion::eeprom, 64, 64, "E:64/64"},
        {MemoryRegion::flash, 0, 0, "F:0/0"},
        {MemoryRegion::eeprom, -1, 8, "E:-1/8"},
        {MemoryRegion::flash, big, big, "F:" + std::to_string(big) + "/" + std::to_string(big)},
    };
    for (const Case& c : cases) {
        FakeWindow window;
        window.progress(c.region, c.done, c.total);
        EXPECT_EQ(window.status, c.text);
    }
}

TEST(ProgressText, ShortBufferIsCutNotOverrun) {
    char buffer[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(progresstext(MemoryRegion::flash, 123, 4567, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 6), "F:12##");
}

}  // namespace
}  // namespace vornalt
