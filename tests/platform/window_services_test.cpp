// The status text a window shows for a progress report when it draws no bar of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/window_services.h"

namespace vornalt {
namespace {

class StatusWindow final : public WindowServices {
public:
    std::string status;
    void set_status(std::string_view text) override { status.assign(text); }
    void process_events() override {}
    void message(std::string_view, MessageIcon) override {}
    bool question(std::string_view) override { return false; }
    std::string input(std::string_view, std::string_view) override { return {}; }
    std::string open_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    std::string save_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    void disable() override {}
    void enable() override {}
    void updatedisplay() override {}
};

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
        StatusWindow window;
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
