#include "catalogue/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <filesystem>
#endif

namespace vornalt {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* openforreading(const std::string& path) {
#ifdef _WIN32
    // Paths are UTF-8 inside the program; the wide call keeps non-ASCII folders working.
    const std::filesystem::path native(reinterpret_cast<const char8_t*>(path.c_str()));
    return ::_wfopen(native.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

Error systemerror(const std::string& path, int code) {
    return Error{path + ": " + std::strerror(code), code};
}

}  // namespace

Result<std::string> readwholefile(const std::string& path) {
    errno = 0;
    FileHandle file(openforreading(path));
    if (!file) return systemerror(path, errno != 0 ? errno : ENOENT);

    std::string content;
    char chunk[4096];
    errno = 0;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        content.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    // A folder opens on some systems and only fails when read (EISDIR).
    if (std::ferror(file.get())) return systemerror(path, errno != 0 ? errno : EIO);
    return content;
}

}  // namespace vornalt
