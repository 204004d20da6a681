// Program All and Verify use the file as it is on disk now, not as it was when it was loaded.
#include "app/source_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <deque>
#include <string>

#include "app/hex_file_commands.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

constexpr const char* k_first = ":020000000528D1\r\n:00000001FF\r\n";    // word 0 = 2805
constexpr const char* k_rebuilt = ":020000003412B8\r\n:00000001FF\r\n";  // word 0 = 1234, same size

TEST(SourceFile, ARebuiltFileIsLoadedAgainUnlessEditsWouldBeLost) {
    struct Case {
        const char* now;  // the file's text now; nullptr: gone
        bool edited;      // word 0 set to 0001 by hand since the load
        std::deque<bool> answers;
        bool runs;
        std::int32_t word;  // word 0 the run uses
    };
    const Case cases[] = {
        {k_first, false, {}, true, 0x2805},   {k_rebuilt, false, {}, true, 0x1234},
        {k_rebuilt, true, {false}, true, 0x0001}, {k_rebuilt, true, {true}, true, 0x1234},
        {nullptr, false, {false}, false, 0x2805}, {nullptr, false, {true}, true, 0x2805},
        {"garbage\r\n", false, {}, false, 0x2805},  // broken now: the image stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.now ? c.now : "gone") + (c.edited ? ", edited" : ""));
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

        if (c.edited) {
            image.flashbuffer[0] = 0x0001;
            app.unsaved = true;
        }
        if (c.now == nullptr) {
            std::filesystem::remove(files.path() / "fw.hex");
        } else if (c.now != k_first) {
            files.write("fw.hex", c.now);
        }
        window.calls.clear();
        window.questionanswers = c.answers;
        EXPECT_EQ(keepsourcecurrent(app, model, image, window, "Program the chip"), c.runs);
        EXPECT_EQ(image.flashbuffer[0], c.word);
        EXPECT_TRUE(window.questionanswers.empty()) << "asked as often as expected";
        const bool reloaded = c.word == 0x1234;
        EXPECT_EQ(window.status == "Reloaded fw.hex: it changed on disk", reloaded) << window.status;
    }
}

}  // namespace
}  // namespace vornalt
