#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "base/ascii_case.h"
#include "base/numeric_value.h"
#include "base/path_text.h"
#include "catalogue/catalogue.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

// Characters 1-4 and 6-9 hold the two values; character 5 only separates them.
std::int32_t erasedpart(std::string_view text, std::size_t first) {
    if (text.size() < first + 4) return -1;
    return fromhex4(text.substr(first, 4));
}

// Where a record stands, for messages: "devices.cfg:12".
std::string recordplace(const DeviceCatalogue& catalogue, const DeviceRecord& record) {
    std::string file = utf8frompath(pathfromutf8(catalogue.path).filename());
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

// Four hex digits (either case) as a 14-bit word, -1 for anything else.
std::int32_t hexword(std::string_view text) {
    if (text.size() != 4) return -1;
    const std::int32_t value = fromhex4(asciiupper(text));
    return value >= 0 && value <= 0x3FFF ? value : -1;
}

// "XXXX,YYYY": two words at characters 1-4 and 6-9. Either may be missing or bad (-1).
std::pair<std::int32_t, std::int32_t> wordpair(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return {hexword(text), -1};
    return {hexword(text.substr(0, comma)), hexword(text.substr(comma + 1))};
}

// The optional keys. An empty value counts as no key; a value that cannot be read refuses the
// model, because silently dropping a device-ID check or a kept calibration value would put a
// user's chip at risk. Returns the problem, or the empty text when all is well.
std::string optionalkeys(const DeviceRecord& record, std::int32_t flashsize, AppliedModel& next) {
    if (!record.configmask.empty()) {
        const auto [mask1, mask2] = wordpair(record.configmask);
        if (mask1 < 0 || mask2 < 0) {
            return "has configmask \"" + record.configmask + "\"; it must be two hex words such as 31FF,3FFF.";
        }
        next.config1mask = mask1;
        next.config2mask = mask2;
    }
    if (!record.deviceid.empty()) {
        const auto [id, mask] = wordpair(record.deviceid);
        const bool maskgiven = record.deviceid.find(',') != std::string::npos;
        if (id < 0 || (maskgiven && mask <= 0)) {
            return "has deviceid \"" + record.deviceid + "\"; it must be a hex word with an optional mask, such as 0E20,3FE0.";
        }
        next.deviceid = id;
        next.deviceidmask = maskgiven ? mask : 0x3FFF;
    }
    if (!record.calibration.empty()) {
        std::string_view rest = record.calibration;
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = rest.substr(0, comma);
            const std::size_t slash = item.find('/');
            CalibrationCell cell;
            cell.address = hexword(item.substr(0, slash));
            cell.mask = slash == std::string_view::npos ? 0x3FFF : hexword(item.substr(slash + 1));
            const bool inflash = cell.address >= 0 && cell.address < flashsize;
            const bool inconfig = cell.address >= k_config_space && cell.address <= k_config_space_last;
            if (cell.mask <= 0 || (!inflash && !inconfig)) {
                return "has calibration \"" + record.calibration +
                       "\"; each cell must be a FLASH or configuration address (2000-200F) with an optional "
                       "mask, such as 03FF,2007/3000.";
            }
            next.calibration.push_back(cell);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    return {};
}

}  // namespace

std::size_t scriptlinecount(std::string_view text) {
    const auto commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));
    return text.ends_with(',') ? commas : commas + 1;
}

Script splitscript(const std::string& text) {
    std::string rest = asciilower(text);
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

std::vector<KnownDeviceId> knowndeviceids(const DeviceCatalogue& catalogue) {
    std::vector<KnownDeviceId> known;
    const std::size_t last = std::min(catalogue.records.size(), static_cast<std::size_t>(catalogue.modelcount) + 1);
    for (std::size_t k = 1; k < last; ++k) {
        const DeviceRecord& record = catalogue.records[k];
        const auto [id, mask] = wordpair(record.deviceid);
        if (id <= 0) continue;
        const bool maskgiven = record.deviceid.find(',') != std::string::npos;
        known.push_back({static_cast<std::int32_t>(k), asciiupper(record.model), id, maskgiven && mask > 0 ? mask : 0x3FFF});
    }
    return known;
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
    next.modelname = asciiupper(record.model);
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

    const std::string erased = asciiupper(record.configerased);
    next.config1erased = erasedpart(erased, 0);
    next.config2erased = erasedpart(erased, 5);

    // Unrecognised texts carry the previous model's choice over.
    const std::string config2used = asciilower(record.config2used);
    next.config2used = config2used == "true" ? true : config2used == "false" ? false : applied.config2used;
    const std::string voltageseq = asciilower(record.voltageseq);
    next.powerorder = voltageseq == "vddvpp"   ? PowerOrder::vddfirst
                     : voltageseq == "vppvdd" ? PowerOrder::vppfirst
                                              : applied.powerorder;

    next.progtime = numericvalue(record.progtime);
    next.progtime_min = std::max(next.progtime, 1);
    for (const auto& [text, name] : {std::pair{&record.erase, "erase"}, std::pair{&record.program, "program"},
                                     std::pair{&record.read, "read"}, std::pair{&record.blankcheck, "blankcheck"},
                                     std::pair{&record.verify, "verify"}}) {
        const std::size_t lines = scriptlinecount(*text);
        if (lines > k_max_script_lines) {
            return refusal(catalogue, record, next.modelname,
                           (std::string_view("aeiou").find(name[0]) != std::string_view::npos ? "has an " : "has a ") +
                               std::string(name) + " script of " + std::to_string(lines) +
                               " lines; a script may have at most " + std::to_string(k_max_script_lines) + ".");
        }
    }
    next.erasescript = splitscript(record.erase);
    next.programscript = splitscript(record.program);
    next.readscript = splitscript(record.read);
    next.blankcheckscript = splitscript(record.blankcheck);
    next.verifyscript = splitscript(record.verify);
    const std::string problem = optionalkeys(record, flashsize, next);
    if (!problem.empty()) return refusal(catalogue, record, next.modelname, problem);
    if (next.deviceid < 0) {
        for (KnownDeviceId& known : knowndeviceids(catalogue)) {
            if (known.number != k) next.otherdeviceids.push_back(std::move(known));
        }
    }

    next.configfields = configfieldsof(catalogue.configfields, next.modelname);

    applied = std::move(next);
    image.flashsize = flashsize;
    image.eepromsize = eepromsize;
    return {};
}

}  // namespace vornalt
