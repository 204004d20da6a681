#include "catalogue/config_fields.h"

#include "base/ascii_case.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

bool samename(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiupper(a[i]) != asciiupper(b[i])) return false;
    }
    return true;
}

std::int32_t& wordof(const ConfigField& field, ConfigWords& words) { return words[field.word == 2 ? 1 : 0]; }

std::int32_t wordof(const ConfigField& field, const ConfigWords& words) { return words[field.word == 2 ? 1 : 0]; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

std::vector<ConfigField> configfieldsof(const ConfigFieldCatalogue& catalogue, std::string_view model) {
    for (const ConfigFieldRecord& record : catalogue.records) {
        for (const std::string& name : record.models) {
            if (samename(name, model)) return record.fields;
        }
    }
    return {};
}

std::int32_t fieldbits(const ConfigField& field, const ConfigWords& words) { return wordof(field, words) & field.mask; }

const ConfigValue* currentvalue(const ConfigField& field, const ConfigWords& words) {
    const std::int32_t bits = fieldbits(field, words);
    for (const ConfigValue& value : field.values) {
        if (value.bits == bits) return &value;
    }
    return nullptr;
}

const ConfigField* findfield(const std::vector<ConfigField>& fields, std::string_view name) {
    for (const ConfigField& field : fields) {
        if (samename(field.name, name)) return &field;
    }
    return nullptr;
}

const ConfigValue* findvalue(const ConfigField& field, std::string_view name) {
    for (const ConfigValue& value : field.values) {
        if (samename(value.name, name)) return &value;
    }
    return nullptr;
}

void setvalue(const ConfigField& field, const ConfigValue& value, ConfigWords& words) {
    std::int32_t& word = wordof(field, words);
    word = (word & ~field.mask) | (value.bits & field.mask);
}

std::string valuemeaning(const ConfigField& field, const ConfigWords& words) {
    if (const ConfigValue* value = currentvalue(field, words)) return value->meaning;
    return field.name + " bits " + tohex4(fieldbits(field, words)) + "h (no named value)";
}

std::string decodesummary(const std::vector<ConfigField>& fields, const ConfigWords& words) {
    std::string summary;
    for (const ConfigField& field : fields) {
        if (!summary.empty()) summary += ", ";
        summary += valuemeaning(field, words);
    }
    return summary;
}

bool codeprotected(const std::vector<ConfigField>& fields, const ConfigWords& words) {
    for (const ConfigField& field : fields) {
        if (field.codeprotection && fieldbits(field, words) != field.mask) return true;
    }
    return false;
}

std::string fieldnames(const std::vector<ConfigField>& fields) {
    std::string names;
    for (const ConfigField& field : fields) names += (names.empty() ? "" : ", ") + field.name;
    return names;
}

std::string valuenames(const ConfigField& field) {
    std::string names;
    for (const ConfigValue& value : field.values) names += (names.empty() ? "" : ", ") + value.name;
    return names;
}

Status setfields(const std::vector<ConfigField>& fields, std::string_view assignments, ConfigWords& words) {
    if (fields.empty()) return Error{"The model's configuration fields are not known, so none can be set by name.", 0};
    ConfigWords next = words;
    while (true) {
        const std::size_t comma = assignments.find(',');
        const std::string_view item = trimmed(assignments.substr(0, comma));
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            std::string text = "\"";
            text.append(item).append("\" is not NAME=VALUE. The fields are ").append(fieldnames(fields)).append(".");
            return Error{std::move(text), 0};
        }
        const std::string_view name = trimmed(item.substr(0, equals));
        const std::string_view valuename = trimmed(item.substr(equals + 1));
        const ConfigField* field = findfield(fields, name);
        if (field == nullptr) {
            return Error{"The model has no configuration field " + std::string(name) + "; its fields are " +
                             fieldnames(fields) + ".",
                         0};
        }
        const ConfigValue* value = findvalue(*field, valuename);
        if (value == nullptr) {
            return Error{"The field " + field->name + " has no value " + std::string(valuename) + "; its values are " +
                             valuenames(*field) + ".",
                         0};
        }
        setvalue(*field, *value, next);
        if (comma == std::string_view::npos) break;
        assignments.remove_prefix(comma + 1);
    }
    words = next;
    return {};
}

}  // namespace vornalt
