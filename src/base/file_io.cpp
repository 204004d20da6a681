#include "base/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vornalt {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* open_for_reading(const std::string& path) {
#if defined(_WIN32)
    // Paths are UTF-8 inside the program; the wide call keeps non-ASCII folders working.
    const std::filesystem::path native(reinterpret_cast<const char8_t*>(path.c_str()));
    return ::_wfopen(native.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

std::string reason(int code) { return std::strerror(code); }

Error read_error(const std::string& path, int code) {
    return {"Cannot read file " + path + ": " + reason(code) +
                ". Check that the file exists and that you are allowed to read it.",
            code};
}

Error write_error(const std::string& path, const std::string& why, int code) {
    return {"Cannot save file " + path + ": " + why +
                ". Nothing was changed on disk; choose another folder or file name, or free some space.",
            code};
}

// Flushes the C buffers and asks the system to put the data on the medium, so that the
// rename that follows never publishes a file whose contents are still only in memory.
bool flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// A new file beside the target (same file system, so the final rename cannot copy), opened
// exclusively so that no existing file is ever reused. Its name is short and independent of
// the target's, so a target name near the length limit still gets a temporary.
FileHandle create_temporary(const std::string& target, std::string& name, int& code) {
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::random_device seed;
    std::mt19937 generator(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = (folder / (".vornalt-" + std::to_string(generator() % 1000000) + ".tmp")).string();
        errno = 0;
        FileHandle file(std::fopen(name.c_str(), "wbx"));
        if (file) return file;
        code = errno;
        if (code != EEXIST) break;
    }
    name.clear();
    return nullptr;
}

}  // namespace

Result<std::string> read_file(const std::string& path) {
    errno = 0;
    FileHandle file(open_for_reading(path));
    if (!file) return read_error(path, errno);
    std::string contents;
    char block[65536];
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(block, 1, sizeof block, file.get());
        contents.append(block, got);
        if (got < sizeof block) {
            if (std::ferror(file.get())) return read_error(path, errno != 0 ? errno : EIO);
            break;
        }
    }
    return contents;
}

Status write_file_whole(const std::string& path, std::string_view contents) {
    std::string temporary;
    int code = 0;
    FileHandle file = create_temporary(path, temporary, code);
    if (!file) return write_error(path, reason(code), code);

    errno = 0;
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size() &&
                         flush_to_disk(file.get());
    code = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        if (code == 0) code = errno != 0 ? errno : EIO;
        std::remove(temporary.c_str());
        return write_error(path, reason(code), code);
    }

    std::error_code failure;
    // A replaced file keeps its permissions; a new one gets the usual defaults.
    const auto existing = std::filesystem::status(path, failure);
    if (!failure && std::filesystem::exists(existing)) {
        std::filesystem::permissions(temporary, existing.permissions(), failure);
    }
    failure.clear();
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        std::remove(temporary.c_str());
        return write_error(path, failure.message(), failure.value());
    }
    return {};
}

}  // namespace vornalt
