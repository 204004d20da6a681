#include "app/display_texts.h"

#include <gtest/gtest.h>

namespace vornalt {
namespace {

MemoryImage blankimage(std::int32_t flashsize, std::int32_t eepromsize) {
    MemoryImage image;
    image.flashsize = flashsize;
    image.eepromsize = eepromsize;
    clearbuffer(image, 0x3FFF, 0x3FFF);
    return image;
}

TEST(DisplayTexts, ShowsModelSizesViewsAndBothConfigurationWords) {
    AppliedModel model;
    model.modelname = "16F877A";
    model.config2used = true;
    MemoryImage image = blankimage(8192, 256);
    image.flashbuffer[8191] = 0x0123;
    image.eeprombuffer[0] = 0x5A;
    image.config1word = 0x3F72;
    image.config2word = 0x0003;

    const DisplayTexts texts = displaytexts(model, image);

    EXPECT_EQ(texts.label_ime, "16F877A");
    EXPECT_EQ(texts.label_info, "FLASH: 8192,  EEPROM: 256");
    EXPECT_EQ(texts.tabla_flash.substr(texts.tabla_flash.size() - 45),
              "1FF8: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 0123");
    EXPECT_EQ(texts.tabla_eeprom.substr(0, 29), "0000: 5A FF FF FF FF FF FF FF");
    EXPECT_EQ(texts.label_conf1, "3F72");
    EXPECT_EQ(texts.label_conf2, "0003");
    EXPECT_TRUE(texts.conf2visible);
}

TEST(DisplayTexts, ModelWithoutConfig2OrEepromHidesThem) {
    AppliedModel model;
    model.modelname = "16F84A";
    model.config2used = false;
    MemoryImage image = blankimage(1000, 0);
    image.config2word = 0x1234;  // whatever it holds, it is not shown

    const DisplayTexts texts = displaytexts(model, image);

    EXPECT_EQ(texts.label_info, "FLASH: 1000,  EEPROM: 0");
    EXPECT_EQ(texts.tabla_eeprom, "");
    // 1000 words: 125 full lines, the last one at 03E0.
    EXPECT_EQ(texts.tabla_flash.substr(texts.tabla_flash.size() - 45),
              "03E0: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF");
    EXPECT_EQ(texts.label_conf2, "");
    EXPECT_FALSE(texts.conf2visible);
}

}  // namespace
}  // namespace vornalt
