#pragma once
// Reads an Intel HEX file of a mid-range PIC image into the memory image: 14-bit words at byte
// address 2 x word address, CONFIG1/CONFIG2 at 400E/4010, EEPROM bytes as words from 4200.
// Every record is checked strictly; the first failed check ends the load.
#include <cstdint>
#include <string>
#include <string_view>

#include "image/memory_image.h"

namespace vornalt {

// The checks, numbered in the order the user sees them in messages.
enum class HexError : std::int32_t {
    none = 0,
    no_colon = 1,          // the line does not start with ':'
    too_short = 2,         // fewer than 11 characters
    checksum = 3,          // checksum text differs from the computed one
    record_type = 4,       // type other than 00, 01, 04, 05
    extended_address = 5,  // malformed type 04 record
    byte_count = 6,        // LL not two upper-case hex digits
    address = 7,           // AAAA not four upper-case hex digits
    odd_byte_count = 8,
    odd_address = 9,
    data_length = 10,    // data text is not 2 x LL characters
    data_value = 11,     // a word that is not hex or outside its location's range
    address_range = 12,  // a word outside FLASH, the configuration words and the EEPROM
};

struct HexLoadResult {
    bool ok = true;
    HexError error = HexError::none;  // the failed check; none also when the file could not be read
    std::int64_t linenumber = 0;      // 1-based physical line of the failed check
    std::string message;              // the text to show the user when !ok
    bool configset = false;           // the file held CONFIG1 or CONFIG2
};

// Loads HEX text into the image, which the caller has cleared for the applied model. Writes
// flashbuffer, eeprombuffer, config1word, config2word (unless it is negative) and loadedwords.
// After a failure the words stored before it stay in the image; the caller clears it again.
// Lines may end in CR LF, LF or CR.
HexLoadResult loadhex_text(std::string_view text, MemoryImage& image);

// The same from a file; a file that cannot be read gives !ok with the system's reason.
HexLoadResult loadhex(const std::string& path, MemoryImage& image);

// "Input program file in Intel Hex Format contains errors." CR LF "Line number N: ..."
std::string hexerrormessage(HexError error, std::int64_t linenumber);

}  // namespace vornalt
