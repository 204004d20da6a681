#pragma once
// Hexadecimal text as the whole program writes and reads it: upper case, fixed width.
#include <cstdint>
#include <string>
#include <string_view>

namespace vornalt {

// Two digits: the low byte of the 32-bit two's complement (255 -> "FF", 256 -> "00", -1 -> "FF").
std::string tohex2(std::int32_t value);
// Four digits: the low 16 bits (16383 -> "3FFF", 65536 -> "0000", -1 -> "FFFF").
std::string tohex4(std::int32_t value);
// 0-255 for exactly two upper-case hex digits, -1 for anything else ("ff", "F", "G1").
std::int32_t fromhex2(std::string_view text);
// 0-65535 for exactly four upper-case hex digits, -1 for anything else.
std::int32_t fromhex4(std::string_view text);

}  // namespace vornalt
