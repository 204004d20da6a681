#pragma once
// Where a mid-range PIC keeps each kind of cell, as word addresses of its program counter and of
// the HEX files (byte address = 2 x word address). The one list the image, the HEX reader and
// writer, the catalogue and the simulated chips share.
#include <cstdint>

namespace vornalt {

inline constexpr std::int32_t k_config_space = 0x2000;     // Load Configuration sets the PC here
inline constexpr std::int32_t k_id_address = 0x2000;       // four user ID words, 2000h-2003h
inline constexpr std::int32_t k_idwords = 4;
inline constexpr std::int32_t k_deviceid_address = 0x2006;  // device ID, revision in bits 4:0
inline constexpr std::int32_t k_config1_address = 0x2007;
inline constexpr std::int32_t k_config2_address = 0x2008;  // CONFIG2 on the parts that have one
inline constexpr std::int32_t k_config_space_last = 0x200F;  // end of the ID and configuration words
// Factory calibration words in configuration space (which parts have them: the simulator's
// family table and the catalogue's calibration key).
inline constexpr std::int32_t k_calword_2008 = 0x2008;
inline constexpr std::int32_t k_calword_2009 = 0x2009;
inline constexpr std::int32_t k_eeprom_address = 0x2100;  // data EEPROM byte k at 2100h + k

// Erased cells.
inline constexpr std::int32_t k_blank_word = 0x3FFF;
inline constexpr std::int32_t k_blank_byte = 0xFF;

// The byte address of a word address in a HEX file.
constexpr std::int32_t hexbyteaddress(std::int32_t wordaddress) { return 2 * wordaddress; }

}  // namespace vornalt
