#include <set>

#include "base/ascii_case.h"
#include "base/path_text.h"
#include "base/text_lines.h"
#include "catalogue/config_fields.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::string_view k_models_key = "models:", k_word_key = "word:", k_field_key = "field:",
                           k_cpfield_key = "cpfield:", k_value_key = "value:";
constexpr std::string_view k_utf8_bom = "\xEF\xBB\xBF";

// Four hex digits (either case) inside a 14-bit word, -1 for anything else.
std::int32_t hexword(std::string_view text) {
    const std::int32_t value = text.size() == 4 ? fromhex4(asciiupper(text)) : -1;
    return value >= 0 && value <= 0x3FFF ? value : -1;
}

bool goodname(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name) {
        const bool good = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!good) return false;
    }
    return true;
}

// "NAME,HEX,TEXT": the text keeps any further commas.
struct Triple {
    std::string_view name, hex, text;
    bool ok = false;
};

Triple splittriple(std::string_view rest) {
    const std::size_t first = rest.find(',');
    if (first == std::string_view::npos) return {};
    const std::size_t second = rest.find(',', first + 1);
    if (second == std::string_view::npos) return {};
    return {rest.substr(0, first), rest.substr(first + 1, second - first - 1), rest.substr(second + 1), true};
}

class Reader {
public:
    explicit Reader(const std::string& path) {
        file_ = utf8frompath(pathfromutf8(path).filename());
        if (file_.empty()) file_ = k_config_fields_file;
    }

    void take(std::string_view line, std::int32_t number) {
        number_ = number;
        if (line.starts_with(k_models_key)) return startrecord(line.substr(k_models_key.size()));
        const bool keyed = line.starts_with(k_word_key) || line.starts_with(k_field_key) ||
                           line.starts_with(k_cpfield_key) || line.starts_with(k_value_key);
        if (!keyed || skipping_) return;
        if (!open_) return fail("a " + std::string(line.substr(0, line.find(':') + 1)) + " line before any models: line");
        if (line.starts_with(k_word_key)) return takeword(line.substr(k_word_key.size()));
        if (line.starts_with(k_value_key)) return takevalue(line.substr(k_value_key.size()));
        const bool cp = line.starts_with(k_cpfield_key);
        takefield(line.substr(cp ? k_cpfield_key.size() : k_field_key.size()), cp);
    }

    ConfigFieldCatalogue finish() {
        endrecord();
        return std::move(out_);
    }

private:
    void fail(const std::string& problem) {
        std::string text = file_ + ":" + std::to_string(number_) + ": " + problem + ".";
        if (open_) text += " The fields of " + modellist() + " are not named.";
        out_.warnings.push_back(std::move(text));
        skipping_ = open_;
    }

    std::string modellist() const {
        std::string list;
        for (const std::string& model : record_.models) list += (list.empty() ? "" : ", ") + model;
        return list;
    }

    void startrecord(std::string_view list) {
        endrecord();
        record_ = {};
        record_.line = number_;
        open_ = true;
        skipping_ = false;
        word_ = 1;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            const std::string_view name = list.substr(0, comma);
            if (!name.empty()) record_.models.emplace_back(name);
            if (comma == std::string_view::npos) break;
            list.remove_prefix(comma + 1);
        }
        if (record_.models.empty()) fail("models: names no model");
        for (const std::string& model : record_.models) {
            if (!seen_.insert(asciiupper(model)).second) fail("the model " + model + " has fields in an earlier record");
        }
    }

    void endrecord() {
        if (!open_ || skipping_) return;
        for (const ConfigField& field : record_.fields) {
            if (field.values.empty()) {
                number_ = record_.line;
                return fail("the field " + field.name + " has no value: lines");
            }
        }
        out_.records.push_back(std::move(record_));
        open_ = false;
    }

    void takeword(std::string_view text) {
        if (text != "1" && text != "2") return fail("word: must be 1 (CONFIG1) or 2 (CONFIG2), not \"" + std::string(text) + "\"");
        word_ = text == "1" ? 1 : 2;
    }

    void takefield(std::string_view rest, bool codeprotection) {
        const Triple parts = splittriple(rest);
        if (!parts.ok || !goodname(parts.name)) return fail("a field line must read NAME,MASK,TEXT");
        const std::int32_t mask = hexword(parts.hex);
        if (mask <= 0) return fail("the field " + std::string(parts.name) + " needs a mask of four hex digits within 3FFF");
        for (const ConfigField& other : record_.fields) {
            if (asciiupper(other.name) == asciiupper(parts.name)) return fail("the field " + other.name + " is named twice");
            if (other.word == word_ && (other.mask & mask) != 0) {
                return fail("the field " + std::string(parts.name) + " shares bits with " + other.name);
            }
        }
        record_.fields.push_back({std::string(parts.name), word_, mask, std::string(parts.text), codeprotection, {}});
    }

    void takevalue(std::string_view rest) {
        if (record_.fields.empty()) return fail("a value: line before any field: line");
        ConfigField& field = record_.fields.back();
        const Triple parts = splittriple(rest);
        if (!parts.ok || !goodname(parts.name)) return fail("a value line must read NAME,BITS,MEANING");
        const std::int32_t bits = hexword(parts.hex);
        if (bits < 0 || (bits & ~field.mask) != 0) {
            return fail("the value " + std::string(parts.name) + " needs bits of four hex digits inside " + field.name +
                        "'s mask " + tohex4(field.mask));
        }
        for (const ConfigValue& other : field.values) {
            if (asciiupper(other.name) == asciiupper(parts.name) || other.bits == bits) {
                return fail("the value " + std::string(parts.name) + " repeats " + field.name + "=" + other.name);
            }
        }
        field.values.push_back({std::string(parts.name), bits, std::string(parts.text)});
    }

    std::string file_;
    ConfigFieldCatalogue out_;
    ConfigFieldRecord record_;
    std::set<std::string> seen_;
    std::int32_t number_ = 0;
    std::int32_t word_ = 1;
    bool open_ = false;      // a models: line has started a record
    bool skipping_ = false;  // the open record failed; its lines are passed over
};

}  // namespace

ConfigFieldCatalogue parseconfigfields(std::string_view text, const std::string& path) {
    if (text.starts_with(k_utf8_bom)) text.remove_prefix(k_utf8_bom.size());
    Reader reader(path);
    LineReader lines(text);
    std::string_view line;
    std::int32_t number = 0;
    while (lines.next(line)) reader.take(line, ++number);
    return reader.finish();
}

}  // namespace vornalt
