#pragma once
// A small catalogue whose models the memory image can hold, for tests of the shell.
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace vornalt::testing {

struct ModelRow {
    std::string name, flash, eeprom, configerased, progtime;
};

inline DeviceCatalogue catalogueofmodels(const std::vector<ModelRow>& models) {
    DeviceCatalogue catalogue;
    catalogue.path = "devices.cfg";
    catalogue.records.emplace_back();  // record 0 is never a model
    for (const ModelRow& row : models) {
        DeviceRecord record;
        record.model = row.name;
        record.flash = row.flash;
        record.eeprom = row.eeprom;
        record.configerased = row.configerased;
        record.progtime = row.progtime;
        record.config2used = "false";
        record.voltageseq = "vddvpp";
        record.erase = record.program = record.read = record.blankcheck = record.verify = "begin,end";
        record.line = static_cast<std::int32_t>(catalogue.records.size());
        catalogue.records.push_back(record);
    }
    catalogue.modelcount = static_cast<std::int32_t>(models.size());
    return catalogue;
}

// Three models of different sizes and programming times.
inline DeviceCatalogue threemodels() {
    return catalogueofmodels({{"16f84a", "1024", "64", "3FFF,3FFF", "10"},
                              {"16f628", "2048", "128", "3FFF,3FFF", "4"},
                              {"16f876", "8192", "256", "3FFF,3FFF", "8"}});
}

}  // namespace vornalt::testing
