#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <limits>
#include <string_view>

#include "base/ascii_case.h"
#include "base/file_io.h"
#include "base/path_text.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_warnings.h"

namespace vornalt {
namespace {

struct FieldKey {
    std::string_view key;
    std::string DeviceRecord::*field;
};

// Tested after "model:", in this order; the first key a line starts with decides.
// FieldLines keeps a line number per key, in this order.
constexpr std::array<FieldKey, k_record_field_count> k_field_keys{{
    {"flash:", &DeviceRecord::flash},
    {"eeprom:", &DeviceRecord::eeprom},
    {"configerased:", &DeviceRecord::configerased},
    {"config2used:", &DeviceRecord::config2used},
    {"voltageseq:", &DeviceRecord::voltageseq},
    {"progtime:", &DeviceRecord::progtime},
    {"erase:", &DeviceRecord::erase},
    {"program:", &DeviceRecord::program},
    {"read:", &DeviceRecord::read},
    {"blankcheck:", &DeviceRecord::blankcheck},
    {"verify:", &DeviceRecord::verify},
    {"configmask:", &DeviceRecord::configmask},
    {"deviceid:", &DeviceRecord::deviceid},
    {"calibration:", &DeviceRecord::calibration},
}};

constexpr std::string_view k_model_key = "model:";
constexpr std::string_view k_utf8_bom = "\xEF\xBB\xBF";

void takeline(DeviceCatalogue& catalogue, std::vector<FieldLines>& lines, std::string_view line, std::int32_t number) {
    if (line.starts_with(k_model_key)) {
        ++catalogue.modelcount;
        DeviceRecord& record = catalogue.records.emplace_back();
        record.model = line.substr(k_model_key.size());
        record.line = number;
        lines.emplace_back();
        return;
    }
    for (std::size_t i = 0; i < k_field_keys.size(); ++i) {
        const FieldKey& entry = k_field_keys[i];
        if (line.starts_with(entry.key)) {
            catalogue.records.back().*entry.field = line.substr(entry.key.size());
            lines.back()[i] = number;
            return;
        }
    }
}

// configbits.cfg beside the catalogue. Its absence is no problem (the fields stay unnamed); a file
// that is there but cannot be read is worth a warning.
void readconfigfields(DeviceCatalogue& catalogue) {
    const std::filesystem::path path = pathfromutf8(catalogue.path).parent_path() / k_config_fields_file;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return;
    const std::string name = utf8frompath(path);
    Result<std::string> content = read_file(name, k_max_catalogue_bytes);
    if (!content) {
        catalogue.warnings.push_back(content.error().message + " Without it the configuration fields are not named.");
        return;
    }
    catalogue.configfields = parseconfigfields(content.value(), name);
    for (const std::string& warning : catalogue.configfields.warnings) catalogue.warnings.push_back(warning);
}

}  // namespace

Result<DeviceCatalogue> loadcatalogue(const std::string& path) {
    Result<std::string> content = read_file(path, k_max_catalogue_bytes);
    if (!content) {
        const int code = content.error().code;
        // Not a regular file, or far too large: the reader's own words say which, and the limit.
        const std::string why = code == EINVAL || code == EFBIG ? content.error().message : std::string(std::strerror(code));
        const char* stop = !why.empty() && why.back() == '.' ? " " : ". ";  // the reader's words end in one
        return Error{"Cannot read the device catalogue " + path + ": " + why + stop +
                         "Put a devices.cfg with at least one model there (or make it readable) and "
                         "start the program again.",
                     code};
    }

    Result<DeviceCatalogue> catalogue = parsecatalogue(content.value(), path);
    if (catalogue) readconfigfields(catalogue.value());
    return catalogue;
}

Result<DeviceCatalogue> parsecatalogue(std::string_view text, const std::string& path) {
    DeviceCatalogue catalogue;
    catalogue.path = path;
    catalogue.records.resize(1);  // record 0: key lines before the first model
    std::vector<FieldLines> lines(1);

    if (text.starts_with(k_utf8_bom)) text.remove_prefix(k_utf8_bom.size());

    // Lines end in CR LF, LF or a lone CR; a last line without an ending counts as well. The
    // count stops at the largest line number rather than overflowing (the size cap keeps real
    // files far below it).
    std::int32_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        if (number < std::numeric_limits<std::int32_t>::max()) ++number;
        takeline(catalogue, lines, text.substr(0, end), number);
        if (catalogue.modelcount > k_max_catalogue_models) break;  // refused below, read no further
        if (end == std::string_view::npos) break;
        const std::size_t next = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? end + 2 : end + 1;
        text.remove_prefix(next);
    }

    if (catalogue.modelcount > k_max_catalogue_models) {
        return Error{"The device catalogue " + path + " holds more than " + std::to_string(k_max_catalogue_models) +
                         " device models, more than the program reads. Remove the models you do not need "
                         "and start the program again.",
                     0};
    }
    if (catalogue.modelcount == 0) {
        return Error{"The device catalogue " + path +
                         " holds no device model: no line starts with \"model:\". Add a model record to it "
                         "and start the program again.",
                     0};
    }
    catalogue.warnings = catalogwarnings(catalogue, lines);
    return catalogue;
}

std::vector<std::string> modelnames(const DeviceCatalogue& catalogue) {
    std::vector<std::string> names;
    for (std::size_t k = 1; k < catalogue.records.size(); ++k) names.push_back(catalogue.records[k].model);
    return names;
}

namespace {
// Blanks around a name are no part of it, and case does not tell models apart.
std::string namekey(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return asciilower(text);
}
}  // namespace

std::int32_t modelnamed(const DeviceCatalogue& catalogue, std::string_view name) {
    const std::string wanted = namekey(name);
    if (wanted.empty()) return 0;
    for (std::size_t k = 1; k < catalogue.records.size(); ++k) {
        if (namekey(catalogue.records[k].model) == wanted) return static_cast<std::int32_t>(k);
    }
    return 0;
}

}  // namespace vornalt
