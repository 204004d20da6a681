#include "sim/chip_memory.h"

namespace vornalt {

std::int32_t* configcellvalue(ChipMemory& memory, const ChipModel& model, std::int32_t address) {
    switch (configcell(model, address)) {
        case ConfigCell::id: return &memory.id[static_cast<std::size_t>(address - k_id_address)];
        case ConfigCell::config1: return &memory.config1;
        case ConfigCell::config2: return &memory.config2;
        case ConfigCell::calword: return &memory.calword;
        case ConfigCell::calword2: return &memory.calword2;
        case ConfigCell::deviceid:
        case ConfigCell::reserved:
        case ConfigCell::none: break;
    }
    return nullptr;
}

const std::int32_t* configcellvalue(const ChipMemory& memory, const ChipModel& model, std::int32_t address) {
    return configcellvalue(const_cast<ChipMemory&>(memory), model, address);
}

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
