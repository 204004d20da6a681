#include <filesystem>
#include <string_view>

#include "base/numeric_value.h"
#include "catalogue/catalogue.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

// ASCII only: the catalogue's keys and instructions are ASCII, and other bytes (parts of UTF-8
// names) must pass through untouched.
std::string touppercase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string tolowercase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Characters 1-4 and 6-9 hold the two values; character 5 only separates them.
std::int32_t erasedpart(std::string_view text, std::size_t first) {
    if (text.size() < first + 4) return -1;
    return fromhex4(text.substr(first, 4));
}

// Where a record stands, for messages: "devices.cfg:12".
std::string recordplace(const DeviceCatalogue& catalogue, const DeviceRecord& record) {
    std::string file = std::filesystem::path(catalogue.path).filename().string();
    if (file.empty()) file = "devices.cfg";
    return file + ":" + std::to_string(record.line);
}

Error refusal(const DeviceCatalogue& catalogue, const DeviceRecord& record, const std::string& name,
              const std::string& problem) {
    return Error{recordplace(catalogue, record) + ": the model " + name + " " + problem +
                     " The model was not applied; correct its record in " + catalogue.path +
                     " and start the program again.",
                 0};
}

}  // namespace

Script splitscript(const std::string& text) {
    std::string rest = tolowercase(text);
    if (!rest.ends_with(',')) rest += ',';
    Script lines;
    std::size_t start = 0;
    while (start < rest.size()) {
        const std::size_t comma = rest.find(',', start);
        lines.push_back(rest.substr(start, comma - start));
        start = comma + 1;
    }
    return lines;
}

Status applymodel(const DeviceCatalogue& catalogue, std::int32_t k, AppliedModel& applied, MemoryImage& image) {
    if (k < 1 || k > catalogue.modelcount || static_cast<std::size_t>(k) >= catalogue.records.size()) {
        return Error{"Model number " + std::to_string(k) + " is not in the device catalogue " + catalogue.path +
                         ", which holds models 1 to " + std::to_string(catalogue.modelcount) +
                         ". Choose one of those.",
                     0};
    }
    const DeviceRecord& record = catalogue.records[static_cast<std::size_t>(k)];

    // Everything is worked out first and stored only when the record is usable, so a refused
    // record leaves the previous model in force.
    AppliedModel next;
    next.modelname = touppercase(record.model);
    const std::int32_t flashsize = numericvalue(record.flash);
    const std::int32_t eepromsize = numericvalue(record.eeprom);
    if (flashsize < k_min_flash_words || flashsize > k_max_flash_words) {
        return refusal(catalogue, record, next.modelname,
                       "has a FLASH size of " + std::to_string(flashsize) + " words; it must be 1 to " +
                           std::to_string(k_max_flash_words) + ".");
    }
    if (eepromsize < 0 || eepromsize > k_max_eeprom_bytes) {
        return refusal(catalogue, record, next.modelname,
                       "has an EEPROM size of " + std::to_string(eepromsize) + " bytes; it must be 0 to " +
                           std::to_string(k_max_eeprom_bytes) + ".");
    }

    const std::string erased = touppercase(record.configerased);
    next.config1erased = erasedpart(erased, 0);
    next.config2erased = erasedpart(erased, 5);

    // Unrecognised texts carry the previous model's choice over.
    const std::string config2used = tolowercase(record.config2used);
    next.config2used = config2used == "true" ? true : config2used == "false" ? false : applied.config2used;
    const std::string voltageseq = tolowercase(record.voltageseq);
    next.powerorder = voltageseq == "vddvpp" ? 1 : voltageseq == "vppvdd" ? 2 : applied.powerorder;

    next.progtime = numericvalue(record.progtime);
    next.erasescript = splitscript(record.erase);
    next.programscript = splitscript(record.program);
    next.readscript = splitscript(record.read);
    next.blankcheckscript = splitscript(record.blankcheck);
    next.verifyscript = splitscript(record.verify);

    applied = std::move(next);
    image.flashsize = flashsize;
    image.eepromsize = eepromsize;
    return {};
}

}  // namespace vornalt
