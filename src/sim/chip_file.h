#pragma once
// A simulated chip's memory kept in an Intel HEX file between runs, in the usual PIC layout:
// program word n at byte address 2n, ID locations at 4000h, CONFIG1 at 400Eh (CONFIG2 at 4010h),
// EEPROM byte k at 4200h + 2k. The calibration words live where the chip keeps them (the last
// program word and the bandgap bits of CONFIG1, or the word at 2008h), so they travel with the rest.
#include <string>
#include <string_view>

#include "base/result.h"
#include "sim/chip_memory.h"
#include "sim/chip_model.h"

namespace vornalt {

// The file text: blank program and EEPROM rows are left out (a read starts from an erased chip);
// the ID locations and configuration words are always written.
std::string chipfiletext(const ChipModel& model, const ChipMemory& memory);
// Parses chipfiletext's format (any Intel HEX with data, end-of-file and zero extended-address
// records). `name` is used in messages as "name:line: ...".
Result<ChipMemory> parsechipfile(std::string_view text, const ChipModel& model, std::string_view name);

// Whole or not at all (write_file_whole).
Status writechipfile(const std::string& path, const ChipModel& model, const ChipMemory& memory);
Result<ChipMemory> readchipfile(const std::string& path, const ChipModel& model);

}  // namespace vornalt
