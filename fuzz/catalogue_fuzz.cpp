// Feeds arbitrary text to the catalogue reader and applies every model it finds. Besides the
// sanitizers' own checks it stops on any broken promise: record 0 plus one record per model, each
// record's line inside the text and after the one before, warnings that name the file, a refused
// model that changes nothing, an applied one whose sizes and words fit the image, and memory that
// grows with the text rather than faster.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "image/memory_image.h"

namespace {

using namespace vornalt;

constexpr const char* k_path = "devices.cfg";
// Models applied per input: enough to reach every record of a small text, few enough that one
// input of many short records cannot take seconds.
constexpr std::int32_t k_models_applied = 64;

void require(bool promise) {
    if (!promise) __builtin_trap();
}

std::size_t scriptbytes(const Script& script) {
    std::size_t bytes = sizeof(std::string) * script.size();
    for (const std::string& line : script) bytes += line.size();
    return bytes;
}

std::size_t recordbytes(const DeviceRecord& r) {
    std::size_t bytes = 0;
    for (const std::string* field : {&r.model, &r.flash, &r.eeprom, &r.configerased, &r.config2used, &r.voltageseq,
                                     &r.progtime, &r.erase, &r.program, &r.read, &r.blankcheck, &r.verify,
                                     &r.configmask, &r.deviceid, &r.calibration}) {
        bytes += field->size();
    }
    return bytes;
}

// Four hex digits, or -1 when the text has none there.
bool fourdigitsorunset(std::int32_t value) { return value >= -1 && value <= 0xFFFF; }

// True when some line of the text starts with the key that opens a record.
bool hasmodelline(std::string_view text) {
    for (std::size_t at = text.find("model:"); at != std::string_view::npos; at = text.find("model:", at + 1)) {
        if (at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r') return true;
        if (at == 3 && text.starts_with("\xEF\xBB\xBF")) return true;
    }
    return false;
}

void checkapplied(const DeviceCatalogue& catalogue, std::int32_t k, std::size_t textsize) {
    AppliedModel applied;
    applied.modelname = "before";
    MemoryImage image;
    image.flashsize = 7;
    image.eepromsize = 3;
    const AppliedModel before = applied;

    const Status status = applymodel(catalogue, k, applied, image);
    if (!status) {
        require(applied == before);
        require(image.flashsize == 7 && image.eepromsize == 3);
        require(status.error().message.find(k_path) != std::string::npos);
        return;
    }
    require(image.flashsize >= k_min_flash_words && image.flashsize <= k_max_flash_words);
    require(image.eepromsize >= 0 && image.eepromsize <= k_max_eeprom_bytes);
    require(fourdigitsorunset(applied.config1erased) && fourdigitsorunset(applied.config2erased));
    require(applied.deviceid == -1 || (applied.deviceid >= 0 && applied.deviceid <= 0x3FFF));
    for (const CalibrationCell& cell : applied.calibration) {
        require(cell.mask > 0 && cell.mask <= 0x3FFF);
        require((cell.address >= 0 && cell.address < image.flashsize) || (cell.address >= 0x2000 && cell.address <= 0x200F));
    }
    // A script line is at least its comma: the lines of all five scripts cannot outnumber the
    // text's bytes by more than one empty line each.
    std::size_t bytes = 0;
    for (const Script* script : {&applied.erasescript, &applied.programscript, &applied.readscript,
                                 &applied.blankcheckscript, &applied.verifyscript}) {
        require(!script->empty());
        require(script->size() <= textsize + 1);
        bytes += scriptbytes(*script);
    }
    require(bytes <= (sizeof(std::string) + 1) * (textsize + 5));

    // What the image can hold, it holds without a fault.
    clearbuffer(image, applied.config1erased, applied.config2erased);
    require(flashwords(image).size() == static_cast<std::size_t>(image.flashsize));
    require(eeprombytes(image).size() == static_cast<std::size_t>(image.eepromsize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<DeviceCatalogue> loaded = parsecatalogue(text, k_path);
    if (!loaded) {
        require(!loaded.error().message.empty());
        require(!hasmodelline(text));
        return 0;
    }
    const DeviceCatalogue& catalogue = loaded.value();
    require(catalogue.modelcount >= 1);
    require(catalogue.records.size() == static_cast<std::size_t>(catalogue.modelcount) + 1);
    require(modelnames(catalogue).size() == static_cast<std::size_t>(catalogue.modelcount));

    std::size_t held = 0;
    std::int32_t previousline = 0;
    for (std::size_t k = 1; k < catalogue.records.size(); ++k) {
        const DeviceRecord& record = catalogue.records[k];
        require(record.line > previousline);
        require(static_cast<std::size_t>(record.line) <= size + 1);
        previousline = record.line;
        held += recordbytes(record);
    }
    held += recordbytes(catalogue.records[0]);
    require(held <= size);
    for (const std::string& warning : catalogue.warnings) require(warning.starts_with(std::string(k_path) + ":"));

    const std::int32_t models = catalogue.modelcount < k_models_applied ? catalogue.modelcount : k_models_applied;
    for (std::int32_t k = 1; k <= models; ++k) checkapplied(catalogue, k, size);
    // Numbers outside the catalogue are refused, never read past its records.
    checkapplied(catalogue, 0, size);
    checkapplied(catalogue, catalogue.modelcount + 1, size);
    return 0;
}
