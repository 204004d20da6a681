#include "app/recent_files.h"

#include <gtest/gtest.h>

#include "settings/memory_settings_backend.h"

namespace vornalt {
namespace {

TEST(RecentFiles, NewestFirstFourAtMostNoRepeats) {
    MemorySettingsBackend backend;
    SettingsStore settings(backend);
    EXPECT_TRUE(recentfiles(settings).empty());
    for (const char* file : {"/a.hex", "/b.hex", "/c.hex", "/d.hex", "/e.hex"}) addrecentfile(settings, file);
    EXPECT_EQ(recentfiles(settings), (std::vector<std::string>{"/e.hex", "/d.hex", "/c.hex", "/b.hex"}));
    addrecentfile(settings, "/c.hex");  // moves up, nothing drops off
    EXPECT_EQ(recentfiles(settings), (std::vector<std::string>{"/c.hex", "/e.hex", "/d.hex", "/b.hex"}));
}

}  // namespace
}  // namespace vornalt
