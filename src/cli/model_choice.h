#pragma once
// Choosing a catalogue model from the command line, and the catalogue listing.
#include <cstdint>
#include <string>
#include <string_view>

#include "session/session_start.h"

namespace vornalt {

// The model a --model text names: a number 1..modelcount, or a name compared without regard to
// case or surrounding blanks (the first record of that name). The error says what exists.
Result<std::int32_t> findmodel(const DeviceCatalogue& catalogue, std::string_view text);

// One line per model: number, name as written, FLASH words, EEPROM bytes, in aligned columns.
std::string modellisting(const DeviceCatalogue& catalogue);

}  // namespace vornalt
