#include "app/clear_buffer.h"

#include <gtest/gtest.h>

#include "support/fake_window.h"

namespace vornalt {
namespace {


TEST(ClearBuffer, BlanksTheImageForTheModelAndForgetsTheFile) {
    AppState app;
    app.label_hex = "/home/u/blink.hex";
    AppliedModel model;
    model.config1erased = 0x3FFF;
    model.config2erased = -1;
    MemoryImage image;
    image.flashsize = 16;
    image.eepromsize = 4;
    clearbuffer(image, 0, 0);
    image.flashbuffer[3] = 0x1234;
    image.eeprombuffer[1] = 0x55;
    FakeWindow window;
    window.set_status("Chip read");

    menuclear(app, model, image, window);

    EXPECT_EQ(image.flashbuffer, std::vector<std::int32_t>(16, 0x3FFF));
    EXPECT_EQ(image.eeprombuffer, std::vector<std::int32_t>(4, 0xFF));
    EXPECT_EQ(image.config1word, 0x3FFF);
    EXPECT_EQ(image.config2word, -1);
    EXPECT_EQ(app.label_hex, "");
    EXPECT_EQ(window.status, "");
    const std::vector<std::string> expected{"status:Chip read", "disable", "events", "updatedisplay", "status:", "enable", "events"};
    EXPECT_EQ(window.calls, expected);
}

}  // namespace
}  // namespace vornalt
