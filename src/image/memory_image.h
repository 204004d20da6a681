#pragma once
// The program's one copy of a chip's contents: FLASH words, EEPROM bytes, the four user ID words,
// CONFIG1 and CONFIG2.
// Filled by the HEX loader, a chip read or an edit; saved by the HEX writer.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "image/pic_address_map.h"

namespace vornalt {

constexpr std::array<std::int32_t, k_idwords> erased_idwords() {
    return {k_blank_word, k_blank_word, k_blank_word, k_blank_word};
}

struct MemoryImage {
    std::int32_t flashsize = 0;   // FLASH words of the applied model (set by applymodel)
    std::int32_t eepromsize = 0;  // EEPROM bytes of the applied model; 0 for none
    // Sized by clearbuffer: flashsize words; eepromsize bytes, but never fewer than one element.
    // Read them through flashwords()/eeprombytes(), which never show that spare element.
    std::vector<std::int32_t> flashbuffer;
    std::vector<std::int32_t> eeprombuffer;
    // User ID words 2000h-2003h; erased until a HEX file, a chip read or an edit sets them.
    std::array<std::int32_t, k_idwords> idwords = erased_idwords();
    std::int32_t config1word = 0;
    std::int32_t config2word = 0;  // negative: the model's erased CONFIG2 is undefined
    std::int32_t loadedwords = 0;  // highest FLASH address of the last HEX load + 1
};

// Resizes both buffers to the image's sizes and blanks them; the ID words are erased and the
// configuration words take the model's erased values.
void clearbuffer(MemoryImage& image, std::int32_t config1erased, std::int32_t config2erased);

// The FLASH words and EEPROM bytes that exist (eepromsize 0 gives an empty span).
std::span<std::int32_t> flashwords(MemoryImage& image);
std::span<const std::int32_t> flashwords(const MemoryImage& image);
std::span<std::int32_t> eeprombytes(MemoryImage& image);
std::span<const std::int32_t> eeprombytes(const MemoryImage& image);

}  // namespace vornalt
