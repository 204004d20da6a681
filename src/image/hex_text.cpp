#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr char k_digits[] = "0123456789ABCDEF";

std::int32_t hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string tohex2(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {k_digits[(bits >> 4) & 0xF], k_digits[bits & 0xF]};
}

std::string tohex4(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {k_digits[(bits >> 12) & 0xF], k_digits[(bits >> 8) & 0xF], k_digits[(bits >> 4) & 0xF],
            k_digits[bits & 0xF]};
}

std::int32_t fromhex2(std::string_view text) {
    if (text.size() != 2) return -1;
    const std::int32_t high = hexdigit(text[0]);
    const std::int32_t low = hexdigit(text[1]);
    if (high < 0 || low < 0) return -1;
    return high * 16 + low;
}

std::int32_t fromhex4(std::string_view text) {
    if (text.size() != 4) return -1;
    const std::int32_t high = fromhex2(text.substr(0, 2));
    const std::int32_t low = fromhex2(text.substr(2, 2));
    if (high < 0 || low < 0) return -1;
    return high * 256 + low;
}

}  // namespace vornalt
