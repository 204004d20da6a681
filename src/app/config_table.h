#pragma once
// A model's configuration word(s) by field: a copy of the words that a front end edits and shows
// (the dialog, the terminal's table, the labels' tooltips), decoded and set through the fields
// the catalogue names. Writing the words back into the image is the session's command.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "catalogue/catalogue.h"

namespace vornalt {

class ConfigBits {
public:
    ConfigBits(const AppliedModel& model, const ConfigWords& words);

    const std::vector<ConfigField>& fields() const { return fields_; }
    const ConfigWords& words() const { return words_; }
    // 1, or 2 when the model has CONFIG2.
    int wordcount() const { return wordcount_; }

    // The index of field's value in its values, or -1 while the word's bits name none.
    int current(std::size_t field) const;
    // "HS crystal oscillator", or "FOSC bits 0012h (no named value)".
    std::string meaning(std::size_t field) const;
    // True when a code-protection field holds anything but its erased bits.
    bool code_protected() const;
    // The meanings of every field, comma-separated: "RC oscillator, watchdog on, ...".
    std::string summary() const;

    void choose(std::size_t field, std::size_t value);
    // Word 1 or 2 set whole; false (nothing changed) outside 0000-3FFF or past the model's words.
    bool set_word(int word, std::int32_t value);
    // "NAME=VALUE,..." (names without regard to case); an unknown name or value fails with a
    // message listing the valid ones, and then nothing changes.
    Status set_fields(std::string_view assignments);
    // The words typed in the terminal: one hex word, or two for a model with CONFIG2 (1-4
    // digits, either case, at most 3FFF each). Missing ones keep their value.
    Status set_words(const std::vector<std::string>& texts);

    // One block per word: "CONFIG1 (2007h) = 3F72", then one aligned line per field,
    // "  FOSC   HS   HS crystal oscillator", code-protection fields marked with "!". Without
    // named fields the words alone and a line saying the fields are not known.
    std::string table() const;
    // "FOSC = HS: HS crystal oscillator" per field of one word (1 or 2), one per line; empty when
    // none of the model's fields is in that word.
    std::string tooltip(int word) const;

private:
    std::string modelname_;
    std::vector<ConfigField> fields_;
    ConfigWords words_;
    int wordcount_;
};

}  // namespace vornalt
