#pragma once
// Upper and lower case for ASCII letters only. The program's texts that are compared or shown upper-cased
// (hex digits, catalogue names and keys) are ASCII; the locale's rules must not touch other bytes,
// such as parts of a UTF-8 name.
#include <string>
#include <string_view>

namespace vornalt {

constexpr char asciiupper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string asciiupper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = asciiupper(c);
    return result;
}

constexpr char asciilower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string asciilower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = asciilower(c);
    return result;
}

}  // namespace vornalt
