#pragma once
// The texts of the two memory views: eight locations a line, each line the index of its first
// location in four digits, ":", then a blank and the value of each location (four digits a FLASH
// word, two an EEPROM byte). Lines are joined by CR LF; the last has no line end. A partial last
// line holds only the locations that exist; no locations give the empty text.
#include <cstdint>
#include <span>
#include <string>

namespace vornalt {

inline constexpr std::int32_t k_view_locations_per_line = 8;

// "0000: 3FFF 3FFF ..." for the FLASH view (tabla_flash).
std::string flashviewtext(std::span<const std::int32_t> words);
// "0000: FF FF ..." for the EEPROM view (tabla_eeprom); lines start at 0000, the buffer's index.
std::string eepromviewtext(std::span<const std::int32_t> bytes);

}  // namespace vornalt
