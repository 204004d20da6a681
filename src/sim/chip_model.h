#pragma once
// What the simulator knows about each mid-range part it can put in the socket: sizes, device ID,
// configuration bits, and the rules of its programming family (commands, timing, power-up order).
#include <cstdint>
#include <string_view>

namespace vornalt {

enum class ChipFamily {
    f84a,   // 16F84A: word writes, 01/07 erase sequence, 09/0B armed then started by 08
    f87x,   // 16F870..877: word writes, erases only through the 01/07 sequence
    f87xa,  // 16F873A..877A: 8-word blocks, End Programming 17, Chip Erase 1F
    f62xa,  // 16F627A/628A/648A: program-only 08, self-timed bulk erases, VPP first
    f629,   // 12F629/675, 16F630/676: OSCCAL and bandgap calibration, End Programming 0A, VPP first
    f88,    // 16F87/88, 16F818/819: 4-word writes, 32-word row erase, VPP within 250 us of VDD
    f690,   // 16F631..690: 4-word writes, 16-word row erase 11, calibration word at 2008h, VPP first
    f62x,   // 16F627/628 (not A): word writes with 18, 09/0B and the 01/07 sequence started by 08
    f88x,   // 16F882..887: CONFIG2 at 2008h, calibration word at 2009h, 8-word writes, VPP first
    f7x,    // 16F73/74/76/77: no data EEPROM, 2-word writes by 08 closed by 0E, one bulk erase
    f716,   // 16F716: no data EEPROM, 4-word writes by 18 closed by 0E
    f91x,   // 16F913..917: 8-word writes, two calibration words at 2008h and 2009h, VPP first
};

// How VDD and VPP must come up for the chip to enter programming mode.
enum class PowerRule {
    either,        // VDD first is the documented order; a chip also enters when VPP is already up
    vpp_first,     // VPP must be at VIHH before VDD rises; VDD first leaves the chip running
    vpp_in_250us,  // MCLR must reach VIHH no later than 250 us after VDD rises
};

// A time that must pass between a command and the next one (nanoseconds); 0 for "not supported".
struct FamilyTiming {
    std::int64_t write_ns = 0;          // Begin command 08 on program memory (word, block or row erase)
    std::int64_t program_only_ns = 0;   // Begin command 18 on program memory
    std::int64_t eeprom_write_ns = 0;   // a data EEPROM byte by 08
    std::int64_t eeprom_program_ns = 0; // a data EEPROM byte by 18
    std::int64_t bulk_erase_ns = 0;     // 09, 0B or the 01/07 sequence (and row erase 11)
    std::int64_t chip_erase_ns = 0;     // 1F
};

struct FamilyRules {
    ChipFamily family;
    PowerRule power;
    std::int32_t latchwords;         // program write latches (1, 4 or 8), aligned on their size
    bool write_erases;               // 08 erases before programming (else it only clears bits)
    bool loadconfig_keeps_data;      // Load Configuration also loads its word into the latch
    std::int32_t config1_fixed_mask; // CONFIG1 bits that are not implemented...
    std::int32_t config1_fixed_bits; // ...and the level they read at
    FamilyTiming timing;
};

struct ChipModel {
    std::string_view name;       // as written in the catalogue, e.g. "16F877A"
    ChipFamily family;
    std::int32_t programwords;   // a power of two; the PC's low bits select the word
    std::int32_t eeprombytes;    // a power of two; the PC's low bits select the byte
    std::int32_t deviceid;       // word at 2006h, revision in the low five bits
    bool has_config2;            // CONFIG2 at 2008h
    bool has_calibration;        // OSCCAL at the last program word and bandgap bits in CONFIG1
};

// Config-space addresses (word addresses of the chip's PC).
inline constexpr std::int32_t k_config_space = 0x2000;
inline constexpr std::int32_t k_idwords = 4;  // 2000h-2003h
inline constexpr std::int32_t k_deviceid_address = 0x2006;
inline constexpr std::int32_t k_chip_config1_address = 0x2007;
inline constexpr std::int32_t k_chip_config2_address = 0x2008;
inline constexpr std::int32_t k_word_mask = 0x3FFF;
inline constexpr std::int32_t k_bandgap_mask = 0x3000;  // CONFIG1 bits 13-12 on the 12F629 family

// The part with this name ("16F877A"; case, surrounding blanks and a "PIC" prefix do not matter),
// or nullptr when the simulator has no such part.
const ChipModel* findchipmodel(std::string_view modelname);

const FamilyRules& familyrules(ChipFamily family);

// The 16F690 family keeps a factory calibration word at 2008h, the 16F88x family at 2009h, the
// 16F91x family one at 2008h and a second at 2009h. They are no configuration words: only a bulk
// erase run with the PC at such an address clears it.
inline bool hascalword(const ChipModel& model) {
    return model.family == ChipFamily::f690 || model.family == ChipFamily::f88x || model.family == ChipFamily::f91x;
}
inline std::int32_t calwordaddress(const ChipModel& model) {
    return model.family == ChipFamily::f88x ? 0x2009 : 0x2008;
}
inline bool hascalword2(const ChipModel& model) { return model.family == ChipFamily::f91x; }
inline constexpr std::int32_t k_calword2_address = 0x2009;

// CONFIG1 as the chip reads it back: unimplemented bits at their fixed level.
std::int32_t readableconfig1(ChipFamily family, std::int32_t raw);
// CONFIG2 (16F87/88 only): bits 13-2 are not implemented and read 1.
std::int32_t readableconfig2(std::int32_t raw);
// CONFIG2 of any part that has one: the 16F88x implements bits 10:8 only.
std::int32_t readableconfig2(ChipFamily family, std::int32_t raw);

// Whether the code protection in CONFIG1 (as read) hides program word `index` or the data EEPROM.
bool programprotected(const ChipModel& model, std::int32_t config1, std::int32_t index);
bool anyprogramprotected(const ChipModel& model, std::int32_t config1);
bool dataprotected(const ChipModel& model, std::int32_t config1);

}  // namespace vornalt
