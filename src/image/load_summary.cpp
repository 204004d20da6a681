#include "image/load_summary.h"

#include <charconv>
#include <string_view>

namespace vornalt {

std::string kfigure(std::int32_t words) {
    // to_chars ignores the locale, so the point stays a point whatever the user's settings.
    char digits[64];
    const double kilowords = static_cast<double>(words) / 1024.0;
    const auto [end, failed] =
        std::to_chars(digits, digits + sizeof digits, kilowords, std::chars_format::general, 15);
    std::string text(digits, failed == std::errc() ? end : digits);
    const std::size_t point = text.find('.');
    // 0.5 -> .5 and -0.5 -> -.5
    if (point != std::string::npos && point > 0 && text[point - 1] == '0' &&
        (point == 1 || (point == 2 && text[0] == '-'))) {
        text.erase(point - 1, 1);
    }
    return text.substr(0, 4);
}

std::string loadcompletedmessage(std::int32_t loadedwords) {
    return "Operation completed.\r\nTotal " + std::to_string(loadedwords) + " (" + kfigure(loadedwords) +
           "K) program words loaded.";
}

std::string noconfignote(std::string_view erasedhex, std::string_view decoded) {
    std::string note = "The file sets no configuration word: the chip will run with the erased configuration " +
                       std::string(erasedhex);
    if (!decoded.empty()) note += " (" + std::string(decoded) + ")";
    return note + ".";
}

}  // namespace vornalt
