#include "image/memory_image.h"

#include <algorithm>

namespace vornalt {
namespace {

template <typename Buffer>
auto visible(Buffer& buffer, std::int32_t size) {
    const auto count = static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, static_cast<std::int64_t>(buffer.size())));
    return std::span(buffer.data(), count);
}

}  // namespace

void clearbuffer(MemoryImage& image, std::int32_t config1erased, std::int32_t config2erased) {
    image.flashbuffer.assign(static_cast<std::size_t>(std::max(image.flashsize, 1)), k_blank_word);
    image.eeprombuffer.assign(static_cast<std::size_t>(std::max(image.eepromsize, 1)), k_blank_byte);
    image.idwords = erased_idwords();
    image.config1word = config1erased;
    image.config2word = config2erased;
}

std::span<std::int32_t> flashwords(MemoryImage& image) { return visible(image.flashbuffer, image.flashsize); }
std::span<const std::int32_t> flashwords(const MemoryImage& image) { return visible(image.flashbuffer, image.flashsize); }
std::span<std::int32_t> eeprombytes(MemoryImage& image) { return visible(image.eeprombuffer, image.eepromsize); }
std::span<const std::int32_t> eeprombytes(const MemoryImage& image) { return visible(image.eeprombuffer, image.eepromsize); }

}  // namespace vornalt
