#pragma once
// What the simulator knows about each mid-range part it can put in the socket: sizes, device ID,
// configuration bits, and the rules of its programming family (commands, timing, power-up order).
#include <cstdint>
#include <string_view>

#include "image/pic_address_map.h"

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

// The command codes of a family; a code a family lacks is ignored, as the chips do. Load
// Configuration (00), the Loads (02/03), the Reads (04/05) and Increment Address (06) are common.
struct CommandMap {
    std::int32_t begin = 0x08;               // Begin (Erase/)Programming, -1 none
    std::int32_t begin_program_only = 0x18;  // -1 none
    std::int32_t end_programming = -1;       // 0E, 17 or 0A; -1 none
    std::int32_t bulk_erase_program = 0x09;  // -1 none
    std::int32_t bulk_erase_data = 0x0B;     // -1 none
    std::int32_t row_erase = -1;             // 11 on the 16F690 family
    std::int32_t chip_erase = -1;            // 1F
    bool setup_sequence = false;             // 01 then 07: the code-protect disable sequence
};

// How a bulk erase starts and what protection does to it.
enum class EraseStyle {
    // Armed by 09, 0B or 01/07 and started by 08. Protected: only 01/07 clears, and all of it.
    armed_setup_sequence,
    // Armed by 01/07 and started by 08: everything when protected, else the memory last loaded.
    armed_latest_load,
    // Armed by 09/0B and started by 08; refused while any protection is on (Chip Erase clears).
    armed_unprotected_only,
    // 09/0B start and time themselves.
    self_timed,
};

// Where CONFIG1 keeps code and data protection.
struct ProtectionBits {
    std::int32_t code_mask;  // program memory is protected when any of these bits is 0
    bool ranged;             // CP1:CP0 (bits 13-12) protect ranges: 11 none, 10 top 256, 01 upper half, 00 all
    std::int32_t data_mask;  // data EEPROM is protected when this bit is 0; 0 for no such bit
};

// Factory calibration the part keeps and an erase may take.
struct CalibrationCells {
    bool osccal;                    // RETLW k at the last program word, bandgap in CONFIG1 bits 13-12
    std::int32_t calword_address;   // a calibration word in configuration space; 0 for none
    std::int32_t calword2_address;  // a second one; 0 for none
};

struct FamilyRules {
    ChipFamily family;
    PowerRule power;
    std::int32_t latchwords;         // program write latches (1, 2, 4 or 8), aligned on their size
    bool begin_clears_latches;       // the latches read 3FFF again after a self-timed 08 write
    bool write_erases;               // 08 erases before programming (else it only clears bits)
    bool loadconfig_keeps_data;      // Load Configuration also loads its word into the latch
    std::int32_t config1_fixed_mask; // CONFIG1 bits that are not implemented...
    std::int32_t config1_fixed_bits; // ...and the level they read at
    std::int32_t config2_fixed_bits; // CONFIG2 bits that are not implemented and read 1
    FamilyTiming timing;
    // The write command that runs until End Programming (18, or 08 on the 16F7x); -1 for none.
    // Any other command before End Programming cuts the write short.
    std::int32_t externally_timed;
    std::int64_t tdis_ns;            // after End Programming, a command sooner than this is lost
    CommandMap commands;
    EraseStyle erase;
    bool erase_outside_config_ignores_protection;  // 09 away from 2000h clears protected program memory
    bool erase_clears_config_anywhere;             // 09 clears CONFIG1 wherever the PC is
    bool config_erase_clears_protected_data;       // 09 in configuration space also clears protected EEPROM
    std::int32_t begin_erases_row;   // words of the row 08 erases instead of writing (0: 08 writes)
    std::int32_t row_erase_words;    // words the row erase command clears
    ProtectionBits protection;
    CalibrationCells calibration;
    // A configuration word's write where it takes longer than a program write (0: the same).
    std::int64_t config_write_ns = 0;
    // CONFIG1 reads its old value after a write, even across power cycles, until another word
    // is written after it.
    bool config1_needs_next_write = false;
};

struct ChipModel {
    std::string_view name;       // as written in the catalogue, e.g. "16F877A"
    ChipFamily family;
    std::int32_t programwords;   // a power of two; the PC's low bits select the word
    std::int32_t eeprombytes;    // a power of two; the PC's low bits select the byte
    std::int32_t deviceid;       // word at 2006h, revision in the low five bits
    bool has_config2;            // CONFIG2 at 2008h
    bool has_calibration;        // OSCCAL at the last program word and bandgap bits in CONFIG1
    std::int32_t latchwords = 0; // program write latches where the part differs from its family
    bool no_calword = false;     // a part of a family with a calibration word that has none
    std::int64_t write_ns = 0;   // 08 on program and data memory, where the part is slower than its family
};

inline constexpr std::int32_t k_word_mask = 0x3FFF;
inline constexpr std::int32_t k_bandgap_mask = 0x3000;  // CONFIG1 bits 13-12 on the 12F629 family

// The part with this name ("16F877A"; case, surrounding blanks and a "PIC" prefix do not matter),
// or nullptr when the simulator has no such part.
const ChipModel* findchipmodel(std::string_view modelname);

const FamilyRules& familyrules(ChipFamily family);

// The family's rules with the part's own differences applied.
FamilyRules partrules(const ChipModel& model);

// Program write latches of the part.
std::int32_t latchwords(const ChipModel& model);

// Calibration words in configuration space (the 16F690 family at 2008h, the 16F88x at 2009h, the
// 16F91x at 2008h and 2009h). They are no configuration words: only a bulk erase run with the PC
// at such an address clears it.
bool hascalword(const ChipModel& model);
std::int32_t calwordaddress(const ChipModel& model);
bool hascalword2(const ChipModel& model);
std::int32_t calword2address(const ChipModel& model);

// What each configuration-space address holds on a part: the one map the chip's reads, writes and
// erases and its file use.
enum class ConfigCell { none, id, reserved, deviceid, config1, config2, calword, calword2 };
ConfigCell configcell(const ChipModel& model, std::int32_t address);

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
