#pragma once
// Paths travel through the program as UTF-8 text. These two convert at the boundary to the
// system's path type. On Windows a std::filesystem::path built from a plain std::string reads
// it in the ANSI code page, so a folder named "Müller" would become another name (or none):
// every file access that starts from program text goes through pathfromutf8.
#include <filesystem>
#include <string>
#include <string_view>

namespace vornalt {

inline std::filesystem::path pathfromutf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8frompath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace vornalt
