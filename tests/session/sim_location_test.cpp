// Where the simulated chip's memory lives when no file is named.
#include <gtest/gtest.h>

#include "session/sim_location.h"

namespace vornalt {
namespace {

TEST(SimChipLocation, FolderFromTheEnvironment) {
    struct Case {
        DataFolderEnvironment environment;
        bool windowsrules;
        std::string expected;  // empty: no folder can be found
    };
    const Case cases[] = {
        {{"/data", "/home/u", ""}, false, "/data/vornalt/sim"},
        {{"", "/home/u", ""}, false, "/home/u/.local/share/vornalt/sim"},
        {{"relative/data", "/home/u", ""}, false, "/home/u/.local/share/vornalt/sim"},
        {{"", "", ""}, false, ""},
        {{"/data", "/home/u", "C:\\Users\\u\\AppData\\Local"}, true, "C:\\Users\\u\\AppData\\Local\\Vornalt\\sim"},
        {{"/data", "/home/u", ""}, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const Result<std::string> folder = simchipfolder(c.environment, c.windowsrules);
        if (c.expected.empty()) {
            ASSERT_FALSE(folder.ok());
            // The reason names what is missing; command-line options are the front end's to mention.
            EXPECT_NE(folder.error().message.find(c.windowsrules ? "LOCALAPPDATA" : "HOME"), std::string::npos);
            EXPECT_EQ(folder.error().message.find("--"), std::string::npos);
        } else {
            ASSERT_TRUE(folder.ok()) << folder.error().message;
            EXPECT_EQ(folder.value(), c.expected);
        }
    }
}

TEST(SimChipLocation, FileNameFromTheModelName) {
    const std::pair<std::string, std::string> cases[] = {
        {"16F84A", "16F84A.hex"},
        {"16f877a", "16F877A.hex"},
        {" PIC 16F628A", "_PIC_16F628A.hex"},
        {"../../etc/passwd", ".._.._ETC_PASSWD.hex"},
        {"a\\b:c", "A_B_C.hex"},
        {"", "_.hex"},
        {"..", "_.hex"},
        {"v1.0", "V1.0.hex"},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(simchipfilename(name), expected) << name;
}

}  // namespace
}  // namespace vornalt
