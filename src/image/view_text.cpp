#include "image/view_text.h"

#include <algorithm>

#include "image/hex_text.h"

namespace vornalt {
namespace {

using HexFormat = std::string (*)(std::int32_t);

// The whole view in one buffer, sized up front: it is rebuilt at every redraw, 8192 words at most.
std::string viewtext(std::span<const std::int32_t> values, HexFormat format, std::size_t digits) {
    if (values.empty()) return {};
    const std::size_t perline = k_view_locations_per_line;
    const std::size_t lines = (values.size() + perline - 1) / perline;
    std::string text;
    text.reserve(lines * 5 + values.size() * (1 + digits) + (lines - 1) * 2);
    for (std::size_t first = 0; first < values.size(); first += perline) {
        if (first != 0) text += "\r\n";
        text += tohex4(static_cast<std::int32_t>(first));
        text += ':';
        const std::size_t end = std::min(first + perline, values.size());
        for (std::size_t i = first; i < end; ++i) {
            text += ' ';
            text += format(values[i]);
        }
    }
    return text;
}

}  // namespace

std::string flashviewtext(std::span<const std::int32_t> words) { return viewtext(words, tohex4, 4); }

std::string eepromviewtext(std::span<const std::int32_t> bytes) { return viewtext(bytes, tohex2, 2); }

}  // namespace vornalt
