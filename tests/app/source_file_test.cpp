// Program All and Verify use the file as it is on disk now, not as it was when it was loaded.
#include "app/source_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/hex_file_commands.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

constexpr const char* k_first = ":020000000528D1\r\n:00000001FF\r\n";    // word 0 = 2805
constexpr const char* k_rebuilt = ":020000003412B8\r\n:00000001FF\r\n";  // word 0 = 1234, same size

struct Case {
    const char* what;
    std::function<void(testing::TempFolder&, AppState&, MemoryImage&)> change;
    std::deque<bool> answers;
    bool runs;
    std::int32_t word;  // word 0 the run uses
    bool reloadsaid;
};

TEST(SourceFile, ARebuiltFileIsLoadedAgainUnlessEditsWouldBeLost) {
    const auto rebuild = [](testing::TempFolder& t, AppState&, MemoryImage&) { t.write("fw.hex", k_rebuilt); };
    const auto editandrebuild = [](testing::TempFolder& t, AppState& app, MemoryImage& image) {
        image.flashbuffer[0] = 0x0001;
        app.unsaved = true;
        app.label_hex.clear();
        t.write("fw.hex", k_rebuilt);
    };
    const auto remove = [](testing::TempFolder& t, AppState&, MemoryImage&) {
        std::filesystem::remove(t.path() / "fw.hex");
    };
    const Case cases[] = {
        {"unchanged", [](testing::TempFolder&, AppState&, MemoryImage&) {}, {}, true, 0x2805, false},
        {"rebuilt, image untouched", rebuild, {}, true, 0x1234, true},
        {"rebuilt and edited, keep the edits", editandrebuild, {false}, true, 0x0001, false},
        {"rebuilt and edited, take the file", editandrebuild, {true}, true, 0x1234, true},
        {"gone, do not go on", remove, {false}, false, 0x2805, false},
        {"gone, go on with the image", remove, {true}, true, 0x2805, false},
        {"broken now", [](testing::TempFolder& t, AppState&, MemoryImage&) { t.write("fw.hex", "garbage\r\n"); }, {},
         false, 0x2805, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempFolder files;
        files.write("fw.hex", k_first);
        AppState app;
        app.lastpath = files.folder();
        AppliedModel model;
        model.config1erased = model.config2erased = 0x3FFF;
        MemoryImage image;
        image.flashsize = 64;
        image.eepromsize = 8;
        FakeWindow window;
        openhexfile(app, model, image, window, "fw.hex");
        ASSERT_EQ(image.flashbuffer[0], 0x2805);

        c.change(files, app, image);
        window.calls.clear();
        window.questionanswers = c.answers;
        EXPECT_EQ(keepsourcecurrent(app, model, image, window, "Program the chip"), c.runs);
        EXPECT_EQ(image.flashbuffer[0], c.word);
        EXPECT_TRUE(window.questionanswers.empty()) << "asked as often as expected";
        EXPECT_EQ(window.status == "Reloaded fw.hex: it changed on disk", c.reloadsaid) << window.status;
        if (c.reloadsaid) {
            EXPECT_EQ(app.label_hex, "fw.hex");
        }
    }
}

}  // namespace
}  // namespace vornalt
