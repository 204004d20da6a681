#include "app/config_table.h"

#include <algorithm>

#include "app/edit_commands.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

std::string valuename(const ConfigField& field, const ConfigWords& words) {
    const ConfigValue* value = currentvalue(field, words);
    return value != nullptr ? value->name : "?";
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string configtable(const AppliedModel& model, const ConfigWords& words) {
    const int wordcount = model.config2used ? 2 : 1;
    std::size_t namewidth = 0, valuewidth = 0;
    for (const ConfigField& field : model.configfields) {
        namewidth = std::max(namewidth, field.name.size() + (field.codeprotection ? 1 : 0));
        valuewidth = std::max(valuewidth, valuename(field, words).size());
    }
    std::string table;
    for (int word = 1; word <= wordcount; ++word) {
        table += "CONFIG" + std::to_string(word) + " (" + tohex4(word == 1 ? k_config1_address : k_config2_address) +
                 "h) = " + tohex4(words[static_cast<std::size_t>(word - 1)]) + "\n";
        for (const ConfigField& field : model.configfields) {
            if (field.word != word) continue;
            table += "  " + padded(field.name + (field.codeprotection ? "!" : ""), namewidth) + "  " +
                     padded(valuename(field, words), valuewidth) + "  " + valuemeaning(field, words) + "\n";
        }
    }
    if (model.configfields.empty()) {
        table += "The catalogue names no configuration fields for " + model.modelname + ".\n";
    } else if (std::any_of(model.configfields.begin(), model.configfields.end(),
                           [](const ConfigField& field) { return field.codeprotection; })) {
        table += "! code protection: Verify cannot read a protected chip back.\n";
    }
    return table;
}

std::string configtooltip(const AppliedModel& model, const ConfigWords& words, int word) {
    std::string tip;
    for (const ConfigField& field : model.configfields) {
        if (field.word != word) continue;
        if (!tip.empty()) tip += "\n";
        tip += field.name + " = " + valuename(field, words) + ": " + valuemeaning(field, words);
    }
    return tip;
}

Status parseconfigwords(const std::vector<std::string>& texts, const AppliedModel& model, ConfigWords& words) {
    const std::size_t wordcount = model.config2used ? 2 : 1;
    if (texts.size() > wordcount) {
        return Error{model.modelname + " has " + std::to_string(wordcount) + " configuration word" +
                         (wordcount == 1 ? "" : "s") + "; " + std::to_string(texts.size()) + " were given.",
                     0};
    }
    ConfigWords next = words;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::int32_t value = !texts[i].empty() && texts[i].size() <= 4 ? fromhex4(completehex(texts[i], 4)) : -1;
        if (value < 0 || value > 0x3FFF) {
            return Error{"\"" + texts[i] + "\" is not a configuration word: give up to four hex digits, 0000 to 3FFF.", 0};
        }
        next[i] = value;
    }
    words = next;
    return {};
}

}  // namespace vornalt
