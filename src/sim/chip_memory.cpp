#include "sim/chip_memory.h"

namespace vornalt {

ChipMemory erasedmemory(const ChipModel& model) {
    ChipMemory memory;
    memory.program.assign(static_cast<std::size_t>(model.programwords), k_word_mask);
    memory.eeprom.assign(static_cast<std::size_t>(model.eeprombytes), 0xFF);
    return memory;
}

ChipMemory factorymemory(const ChipModel& model, const FactoryCalibration& calibration) {
    ChipMemory memory = erasedmemory(model);
    if (model.has_calibration) {
        memory.program.back() = calibration.osccal & k_word_mask;
        memory.config1 = (k_word_mask & ~k_bandgap_mask) | (calibration.bandgap & k_bandgap_mask);
    }
    if (hascalword(model)) memory.calword = calibration.calword & k_word_mask;
    if (hascalword2(model)) memory.calword2 = calibration.calword2 & k_word_mask;
    return memory;
}

}  // namespace vornalt
