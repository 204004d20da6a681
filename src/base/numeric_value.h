#pragma once
// Turning typed or stored text into numbers, the lenient way the whole program reads them:
// leading blanks skipped, the longest decimal number at the start taken, 0 when there is none.
#include <cstdint>
#include <string_view>

namespace vornalt {

// The leading decimal number of the text ("12x" -> 12, " 2.5" -> 2.5, "1e2" -> 100, "abc" -> 0).
double leadingnumber(std::string_view text);

// A real number rounded to the nearest 32-bit integer, halves to the even neighbour;
// values beyond the 32-bit range saturate, NaN gives 0.
std::int32_t roundtoint32(double value);

// The numeric value of a text: roundtoint32(leadingnumber(text)) ("2.5" -> 2, "3.5" -> 4).
std::int32_t numericvalue(std::string_view text);

}  // namespace vornalt
