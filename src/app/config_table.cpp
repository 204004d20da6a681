#include "app/config_table.h"

#include <algorithm>

#include "app/edit_commands.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::int32_t k_word_bits = 0x3FFF;

std::string valuename(const ConfigField& field, const ConfigWords& words) {
    const ConfigValue* value = currentvalue(field, words);
    return value != nullptr ? value->name : "?";
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

ConfigBits::ConfigBits(const AppliedModel& model, const ConfigWords& words)
    : modelname_(model.modelname), fields_(model.configfields), words_(words), wordcount_(model.config2used ? 2 : 1) {
    // CONFIG2 fields of a model that does not write CONFIG2 are no part of its words.
    std::erase_if(fields_, [this](const ConfigField& field) { return field.word > wordcount_; });
}

int ConfigBits::current(std::size_t field) const {
    const ConfigField& f = fields_.at(field);
    const ConfigValue* value = currentvalue(f, words_);
    return value != nullptr ? static_cast<int>(value - f.values.data()) : -1;
}

std::string ConfigBits::meaning(std::size_t field) const { return valuemeaning(fields_.at(field), words_); }

bool ConfigBits::code_protected() const { return codeprotected(fields_, words_); }

std::string ConfigBits::summary() const { return decodesummary(fields_, words_); }

void ConfigBits::choose(std::size_t field, std::size_t value) {
    const ConfigField& f = fields_.at(field);
    setvalue(f, f.values.at(value), words_);
}

bool ConfigBits::set_word(int word, std::int32_t value) {
    if (word < 1 || word > wordcount_ || value < 0 || value > k_word_bits) return false;
    words_[static_cast<std::size_t>(word - 1)] = value;
    return true;
}

Status ConfigBits::set_fields(std::string_view assignments) { return setfields(fields_, assignments, words_); }

Status ConfigBits::set_words(const std::vector<std::string>& texts) {
    const auto count = static_cast<std::size_t>(wordcount_);
    if (texts.size() > count) {
        return Error{modelname_ + " has " + std::to_string(count) + " configuration word" + (count == 1 ? "" : "s") +
                         "; " + std::to_string(texts.size()) + " were given.",
                     0};
    }
    ConfigWords next = words_;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::int32_t value = !texts[i].empty() && texts[i].size() <= 4 ? fromhex4(completehex(texts[i], 4)) : -1;
        if (value < 0 || value > k_word_bits) {
            return Error{"\"" + texts[i] + "\" is not a configuration word: give up to four hex digits, 0000 to 3FFF.", 0};
        }
        next[i] = value;
    }
    words_ = next;
    return {};
}

std::string ConfigBits::table() const {
    std::size_t namewidth = 0, valuewidth = 0;
    for (const ConfigField& field : fields_) {
        namewidth = std::max(namewidth, field.name.size() + (field.codeprotection ? 1 : 0));
        valuewidth = std::max(valuewidth, valuename(field, words_).size());
    }
    std::string table;
    for (int word = 1; word <= wordcount_; ++word) {
        table += "CONFIG" + std::to_string(word) + " (" + tohex4(word == 1 ? k_config1_address : k_config2_address) +
                 "h) = " + tohex4(words_[static_cast<std::size_t>(word - 1)]) + "\n";
        for (const ConfigField& field : fields_) {
            if (field.word != word) continue;
            table += "  " + padded(field.name + (field.codeprotection ? "!" : ""), namewidth) + "  " +
                     padded(valuename(field, words_), valuewidth) + "  " + valuemeaning(field, words_) + "\n";
        }
    }
    if (fields_.empty()) {
        table += "The catalogue names no configuration fields for " + modelname_ + ".\n";
    } else if (std::any_of(fields_.begin(), fields_.end(), [](const ConfigField& field) { return field.codeprotection; })) {
        table += "! code protection: Verify cannot read a protected chip back.\n";
    }
    return table;
}

std::string ConfigBits::tooltip(int word) const {
    std::string tip;
    for (const ConfigField& field : fields_) {
        if (field.word != word) continue;
        if (!tip.empty()) tip += "\n";
        tip += field.name + " = " + valuename(field, words_) + ": " + valuemeaning(field, words_);
    }
    return tip;
}

}  // namespace vornalt
