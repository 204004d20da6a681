#include "base/numeric_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace vornalt {
namespace {

bool isdigit_ascii(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double leadingnumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;

    // Copy the longest prefix that forms a decimal number: sign, digits, fraction, exponent.
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    bool anydigit = false;
    while (i < text.size() && isdigit_ascii(text[i])) {
        number += text[i++];
        anydigit = true;
    }
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        std::string fraction;
        while (j < text.size() && isdigit_ascii(text[j])) fraction += text[j++];
        if (!fraction.empty() || anydigit) {
            number += '.';
            number += fraction.empty() ? "0" : fraction;
            anydigit = anydigit || !fraction.empty();
            i = j;
        }
    }
    if (!anydigit) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        if (j < text.size() && isdigit_ascii(text[j])) {
            while (j < text.size() && isdigit_ascii(text[j])) exponent += text[j++];
            number += exponent;
        }
    }

    double value = 0.0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone on overflow; an enormous exponent means "huge".
        const bool negative = number.front() == '-';
        const bool tiny = number.find("e-") != std::string::npos;
        if (tiny) return 0.0;
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    (void)end;
    return value;
}

std::int32_t roundtoint32(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = std::nearbyint(value);  // default rounding mode: ties to even
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t numericvalue(std::string_view text) { return roundtoint32(leadingnumber(text)); }

}  // namespace vornalt
