#include "image/memory_image.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vornalt {
namespace {

TEST(MemoryImage, ClearBlanksAModelOfTheGivenSizes) {
    MemoryImage image;
    image.flashsize = 8192;
    image.eepromsize = 256;
    image.flashbuffer.assign(4, 0);  // stale contents of another model
    image.loadedwords = 7;
    clearbuffer(image, 0x3FFF, 0x3FFE);

    ASSERT_EQ(flashwords(image).size(), 8192u);
    ASSERT_EQ(eeprombytes(image).size(), 256u);
    EXPECT_TRUE(std::ranges::all_of(flashwords(image), [](int w) { return w == 0x3FFF; }));
    EXPECT_TRUE(std::ranges::all_of(eeprombytes(image), [](int b) { return b == 0xFF; }));
    EXPECT_EQ(image.config1word, 0x3FFF);
    EXPECT_EQ(image.config2word, 0x3FFE);
    EXPECT_EQ(image.loadedwords, 7) << "loadedwords belongs to the loader, not to a clear";
}

TEST(MemoryImage, ModelWithoutEepromNeverShowsTheSpareElement) {
    MemoryImage image;
    image.flashsize = 1024;
    image.eepromsize = 0;
    clearbuffer(image, 0x3FFF, -1);
    EXPECT_EQ(image.eeprombuffer.size(), 1u);
    EXPECT_TRUE(eeprombytes(image).empty());
    EXPECT_EQ(image.config2word, -1);

    const MemoryImage& constant = image;
    EXPECT_TRUE(eeprombytes(constant).empty());
    EXPECT_EQ(flashwords(constant).size(), 1024u);
}

TEST(MemoryImage, ViewsFollowTheSizesEvenBeforeTheNextClear) {
    MemoryImage image;
    image.flashsize = 16;
    image.eepromsize = 8;
    clearbuffer(image, 0, 0);
    image.flashsize = 64;  // a new model applied, the clear still to come
    image.eepromsize = 0;
    EXPECT_EQ(flashwords(image).size(), 16u) << "never past the end of the buffer";
    EXPECT_TRUE(eeprombytes(image).empty());
}

}  // namespace
}  // namespace vornalt
