#pragma once
// The non-volatile contents of a simulated chip, as the cells hold them.
#include <array>
#include <cstdint>
#include <vector>

#include "sim/chip_model.h"

namespace vornalt {

struct ChipMemory {
    std::vector<std::int32_t> program;  // 14-bit words, erased 3FFF
    std::vector<std::int32_t> eeprom;   // bytes, erased FF
    std::array<std::int32_t, k_idwords> id{k_word_mask, k_word_mask, k_word_mask, k_word_mask};
    // Raw cells; unimplemented bits are forced when read (readableconfig1/readableconfig2).
    std::int32_t config1 = k_word_mask;
    std::int32_t config2 = k_word_mask;
    std::int32_t calword = k_word_mask;  // see calwordaddress
    std::int32_t calword2 = k_word_mask; // see calword2address
};

// What a part carries from the factory: on the 12F629 family the OSCCAL word (a RETLW k at the
// last program word) and the bandgap bits 13-12 of CONFIG1; on the 16F690 family the word at 2008h.
// The default bandgap is 10, not the 11 an erase leaves, so a lost value shows.
struct FactoryCalibration {
    std::int32_t osccal = 0x3470;
    std::int32_t bandgap = 0x2000;
    std::int32_t calword = 0x2A5C;
    std::int32_t calword2 = 0x15A3;
    // Some code-protected chips read 0000h at the OSCCAL word too (most keep it readable).
    bool osccal_reads_0_when_protected = false;
};

// The cell that holds configuration-space address `address` on this part (ID words,
// configuration and calibration words); nullptr for the device ID and unimplemented addresses.
std::int32_t* configcellvalue(ChipMemory& memory, const ChipModel& model, std::int32_t address);
const std::int32_t* configcellvalue(const ChipMemory& memory, const ChipModel& model, std::int32_t address);

// Every cell erased.
ChipMemory erasedmemory(const ChipModel& model);
// Erased, plus the calibration words of parts that have them.
ChipMemory factorymemory(const ChipModel& model, const FactoryCalibration& calibration = {});

}  // namespace vornalt
