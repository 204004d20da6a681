#include "platform/ftdi_rate.h"

#include <algorithm>

namespace vornalt {
namespace {

// The fraction of a divisor in eighths by its three-bit code, and the code of each eighth.
constexpr std::int64_t k_eighths_of_code[8] = {0, 4, 2, 1, 3, 5, 6, 7};
constexpr std::uint16_t k_code_of_eighths[8] = {0, 3, 2, 4, 1, 5, 6, 7};

}  // namespace

std::pair<std::uint16_t, std::uint16_t> ftdi_divisor(std::int64_t steprate) {
    const std::int64_t baud = std::max<std::int64_t>(steprate * 4, 1);
    if (baud >= k_ftdi_base_baud) return {0, 0};
    if (baud >= 2'000'000) return {1, 0};
    std::int64_t eighths = (k_ftdi_base_baud * 8 + baud / 2) / baud;
    eighths = std::clamp<std::int64_t>(eighths, 16, 0x3FFF * 8 + 7);
    const std::uint16_t code = k_code_of_eighths[eighths % 8];
    return {static_cast<std::uint16_t>((eighths / 8) | ((code & 3) << 14)), static_cast<std::uint16_t>(code >> 2)};
}

std::int64_t ftdi_steprate(std::uint16_t value, std::uint16_t index) {
    const std::int64_t whole = value & 0x3FFF;
    const int code = (value >> 14) | ((index & 1) << 2);
    std::int64_t baud = 0;
    if (whole == 0 && code == 0) {
        baud = k_ftdi_base_baud;
    } else if (whole == 1 && code == 0) {
        baud = 2'000'000;
    } else {
        baud = k_ftdi_base_baud * 8 / std::max<std::int64_t>(whole * 8 + k_eighths_of_code[code], 1);
    }
    return std::max<std::int64_t>(baud / 4, 1);
}

}  // namespace vornalt
