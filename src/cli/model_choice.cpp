#include "cli/model_choice.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "cli/terminal_window.h"

namespace vornalt {
namespace {

bool alldigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string pad(std::string text, std::size_t width, bool right) {
    if (text.size() >= width) return text;
    const std::string fill(width - text.size(), ' ');
    return right ? fill + text : text + fill;
}

}  // namespace

Result<std::int32_t> findmodel(const DeviceCatalogue& catalogue, std::string_view text) {
    const std::string count = std::to_string(catalogue.modelcount);
    const std::string hint = " (vornalt-cli models lists them).";
    if (alldigits(text)) {
        std::int64_t number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error == std::errc() && end == text.data() + text.size() && number >= 1 &&
            number <= catalogue.modelcount) {
            return static_cast<std::int32_t>(number);
        }
        return Error{"--model: there is no model number " + std::string(text) + "; the catalogue " + catalogue.path +
                     " has models 1 to " + count + hint};
    }
    if (const std::int32_t named = modelnamed(catalogue, text); named != 0) return named;
    return Error{"--model: the catalogue " + catalogue.path + " has no model called '" + std::string(text) + "'" + hint};
}

std::string modellisting(const DeviceCatalogue& catalogue) {
    const std::vector<ModelSummary> models = model_summaries(catalogue);
    struct Row {
        std::string number, name, flash, eeprom;
    };
    std::vector<Row> rows;
    std::size_t w[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < models.size(); ++i) {
        Row row{std::to_string(i + 1), printable(models[i].name), std::to_string(models[i].flash_words),
                std::to_string(models[i].eeprom_bytes)};
        w[0] = std::max(w[0], row.number.size());
        w[1] = std::max(w[1], row.name.size());
        w[2] = std::max(w[2], row.flash.size());
        w[3] = std::max(w[3], row.eeprom.size());
        rows.push_back(std::move(row));
    }
    std::string listing;
    for (const Row& row : rows) {
        std::string line = pad(row.number, w[0], true) + "  " + pad(row.name, w[1], false) + "  " +
                           pad(row.flash, w[2], true) + "  " + pad(row.eeprom, w[3], true);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        listing += line + '\n';
    }
    return listing;
}

}  // namespace vornalt
