#pragma once
// The figures of the message shown after a successful HEX load.
#include <cstdint>
#include <string>
#include <string_view>

namespace vornalt {

// N / 1024 as a short decimal text: at most 15 significant digits, no trailing zeros, no
// decimal point for whole numbers, no "0" before the point, cut to four characters
// (2048 -> "2", 1000 -> ".976", 3000 -> "2.92", 16383 -> "15.9", 0 -> "0", 1 -> ".000").
std::string kfigure(std::int32_t words);

// "Operation completed." CR LF "Total N (KK) program words loaded."
std::string loadcompletedmessage(std::int32_t loadedwords);

// The line added when a loaded file sets no configuration word: the chip then runs with its
// erased word(s), erasedhex ("3FFF" or "3FFF/3FFF"), which decoded says (may be empty).
std::string noconfignote(std::string_view erasedhex, std::string_view decoded);

}  // namespace vornalt
