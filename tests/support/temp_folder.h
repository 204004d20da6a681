#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// test ends.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace vornalt::testing {

class TempFolder {
public:
    TempFolder() {
        std::random_device entropy;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::uint64_t tag = (std::uint64_t{entropy()} << 32) | entropy();
            path_ = base / ("vornalt-test-" + std::to_string(tag));
            std::error_code error;
            if (std::filesystem::create_directory(path_, error)) break;
        }
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as program text, with its trailing separator. Forward slashes on every system
    // (Windows takes them too), so tests can append "sub/file" and compare texts.
    std::string folder() const { return path_.generic_string() + "/"; }

    // Writes the bytes exactly as given (no newline translation) and returns the file's path.
    std::string write(std::string_view name, std::string_view bytes) const {
        const auto file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

private:
    std::filesystem::path path_;
};

// A path text with Windows separators turned into forward slashes, for comparing a path the
// program built (with the system's separator) against one a test wrote with "/".
inline std::string forwardslashes(std::string text) {
#if defined(_WIN32)
    for (char& c : text) c = c == '\\' ? '/' : c;
#endif
    return text;
}

}  // namespace vornalt::testing
