#pragma once
// The named fields of a model's configuration word(s), read from configbits.cfg beside
// devices.cfg, and the decoding and setting of words through them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace vornalt {

inline constexpr const char* k_config_fields_file = "configbits.cfg";

struct ConfigValue {
    std::string name;       // as the maker's include files spell it: HS in _FOSC_HS
    std::int32_t bits = 0;  // the field's bits in place, inside its mask
    std::string meaning;    // reads alone: "watchdog on"

    bool operator==(const ConfigValue&) const = default;
};

struct ConfigField {
    std::string name;        // FOSC, WDTE, CP ...
    std::int32_t word = 1;   // 1: CONFIG1 at 2007h, 2: CONFIG2 at 2008h
    std::int32_t mask = 0;   // the field's bits in the word; need not be contiguous
    std::string text;        // what the field sets: "Watchdog timer"
    bool codeprotection = false;  // a set value makes the chip read back 0 (Verify cannot read it)
    std::vector<ConfigValue> values;

    bool operator==(const ConfigField&) const = default;
};

// One record of configbits.cfg: the fields shared by the models it names.
struct ConfigFieldRecord {
    std::vector<std::string> models;
    std::vector<ConfigField> fields;
    std::int32_t line = 0;  // of its "models:" line
};

struct ConfigFieldCatalogue {
    std::vector<ConfigFieldRecord> records;
    // A record with a line that cannot be read is left out; each text names FILE:LINE.
    std::vector<std::string> warnings;
};

// Reads configbits.cfg text; path names the file in warnings. Lines as in devices.cfg: only
// lines starting with a key count (models:, word:, field:, cpfield:, value:).
ConfigFieldCatalogue parseconfigfields(std::string_view text, const std::string& path);

// The fields of a model (names compared without regard to case); empty when none are known.
std::vector<ConfigField> configfieldsof(const ConfigFieldCatalogue& catalogue, std::string_view model);

// CONFIG1 and CONFIG2, as the image holds them.
using ConfigWords = std::array<std::int32_t, 2>;

std::int32_t fieldbits(const ConfigField& field, const ConfigWords& words);

// The named value the word gives the field, or nullptr when its bits name none.
const ConfigValue* currentvalue(const ConfigField& field, const ConfigWords& words);

// Field names are compared without regard to case; nullptr when the model has no such field.
const ConfigField* findfield(const std::vector<ConfigField>& fields, std::string_view name);
const ConfigValue* findvalue(const ConfigField& field, std::string_view name);

// Puts the value's bits into the field's word; the other bits stay.
void setvalue(const ConfigField& field, const ConfigValue& value, ConfigWords& words);

// The value's meaning, or "FIELD bits XXXXh (no named value)" when the word names none.
std::string valuemeaning(const ConfigField& field, const ConfigWords& words);

// The meanings of every field in order, comma-separated: "RC oscillator, watchdog on, ...".
std::string decodesummary(const std::vector<ConfigField>& fields, const ConfigWords& words);

// True when a code-protection field holds anything but its erased (all ones) bits.
bool codeprotected(const std::vector<ConfigField>& fields, const ConfigWords& words);

// Applies "NAME=VALUE,NAME=VALUE..." (names without regard to case) to words. An unknown name
// or value fails with a message listing the valid ones, and then words are left unchanged.
Status setfields(const std::vector<ConfigField>& fields, std::string_view assignments, ConfigWords& words);

// "FOSC, WDTE, PWRTE" and "LP, XT, HS" for messages.
std::string fieldnames(const std::vector<ConfigField>& fields);
std::string valuenames(const ConfigField& field);

}  // namespace vornalt
