#pragma once
// The configuration word(s) of the applied model decoded field by field, for the terminal's
// "config" command and the tooltip of the window's configuration labels.
#include <string>
#include <vector>

#include "base/result.h"
#include "catalogue/catalogue.h"

namespace vornalt {

// One block per word the model has: "CONFIG1 (2007h) = 3F72", then one aligned line per field,
// "  FOSC   HS   HS crystal oscillator", code-protection fields marked with "!". A model without
// named fields gets the words alone and a line saying the fields are not known.
std::string configtable(const AppliedModel& model, const ConfigWords& words);

// "FOSC = HS: HS crystal oscillator" per field of one word (1 or 2), one per line; empty when
// none of the model's fields is in that word.
std::string configtooltip(const AppliedModel& model, const ConfigWords& words, int word);

// The words the terminal was given: one hex word, or two for a model with CONFIG2 (1-4 digits,
// either case, at most 3FFF each). Missing ones keep their value in `words`.
Status parseconfigwords(const std::vector<std::string>& texts, const AppliedModel& model, ConfigWords& words);

}  // namespace vornalt
