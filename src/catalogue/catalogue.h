#pragma once
// The device catalogue (devices.cfg) and the model applied from it.
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "image/memory_image.h"

namespace vornalt {

// One record of devices.cfg, values kept as the raw text after each key (untrimmed).
// Record 0 collects key lines that stand before the first "model:" line and is never applied.
struct DeviceRecord {
    std::string model, flash, eeprom, configerased, config2used, voltageseq, progtime;
    std::string erase, program, read, blankcheck, verify;
    std::int32_t line = 0;  // line of the file where the record's "model:" line stands
};

struct DeviceCatalogue {
    std::string path;                   // the file it was read from, for messages
    std::int32_t modelcount = 0;
    std::vector<DeviceRecord> records;  // indices 0..modelcount
};

// An operation script: element i is script line i + 1, lower case, untrimmed.
using Script = std::vector<std::string>;

struct AppliedModel {
    std::string modelname;
    std::int32_t config1erased = 0;  // -1 when the catalogue's text is not four hex digits
    std::int32_t config2erased = 0;
    bool config2used = false;
    std::int32_t powerorder = 0;  // 1 VDD first, 2 VPP first, anything else: no power-up
    std::int32_t progtime = 0;    // milliseconds waited by "wprog"
    Script erasescript, programscript, readscript, blankcheckscript, verifyscript;
};

}  // namespace vornalt
