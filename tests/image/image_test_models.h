#pragma once
// Blank images of the model shapes the image tests need.
#include <cstdint>

#include "image/memory_image.h"

namespace vornalt::testing {

struct ModelShape {
    std::int32_t flashsize;
    std::int32_t eepromsize;
    std::int32_t config1erased;
    std::int32_t config2erased;  // -1: undefined erased CONFIG2
};

inline constexpr ModelShape k_small{1024, 64, 0x3FFF, -1};       // 1K words, 64 EEPROM bytes, no CONFIG2
inline constexpr ModelShape k_large{8192, 256, 0x3FFF, 0x3FFF};  // 8K words, 256 bytes, CONFIG2
inline constexpr ModelShape k_no_eeprom{2048, 0, 0x3FFF, -1};

inline MemoryImage blank_image(const ModelShape& shape) {
    MemoryImage image;
    image.flashsize = shape.flashsize;
    image.eepromsize = shape.eepromsize;
    clearbuffer(image, shape.config1erased, shape.config2erased);
    return image;
}

inline bool same_contents(const MemoryImage& a, const MemoryImage& b) {
    return a.flashbuffer == b.flashbuffer && a.eeprombuffer == b.eeprombuffer && a.idwords == b.idwords &&
           a.config1word == b.config1word && a.config2word == b.config2word;
}

}  // namespace vornalt::testing
