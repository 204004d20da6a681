#include "platform/window_services.h"

#include <array>
#include <charconv>

namespace vornalt {

std::size_t progresstext(MemoryRegion region, std::int64_t done, std::int64_t total, char* buffer, std::size_t size) {
    // Room for the prefix, two 64-bit numbers with signs and the slash.
    std::array<char, 48> text{};
    char* at = text.data();
    char* const end = text.data() + text.size();
    *at++ = region == MemoryRegion::flash ? 'F' : 'E';
    *at++ = ':';
    at = std::to_chars(at, end, done).ptr;
    // The buffer holds both numbers; the checks keep an optimiser that cannot see that quiet.
    if (at != end) *at++ = '/';
    at = std::to_chars(at, end, total).ptr;
    const auto length = static_cast<std::size_t>(at - text.data());
    const std::size_t copied = length < size ? length : size;
    for (std::size_t i = 0; i < copied; ++i) buffer[i] = text[i];
    return copied;
}

void WindowServices::progress(MemoryRegion region, std::int64_t done, std::int64_t total) {
    std::array<char, 48> buffer{};
    const std::size_t length = progresstext(region, done, total, buffer.data(), buffer.size());
    set_status(std::string_view(buffer.data(), length));
}

}  // namespace vornalt
