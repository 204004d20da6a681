// Whole-file I/O on Windows: wide paths, C streams over exclusive handles, MoveFileExW.
#include "base/file_io.h"
#include "base/file_io_internal.h"
#include "base/path_text.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace vornalt {
namespace file_io_internal {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 text in the program. Here they become wide paths: the narrow file functions
// take the ANSI code page and lose any letter outside it.
fs::path nativepath(const std::string& path) { return pathfromutf8(path); }

// The C library's number for a Windows error, so messages read the same on every system.
int errnofor(DWORD failure) {
    switch (failure) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EIO;
    }
}

class StreamFile final : public SystemFile {
public:
    explicit StreamFile(std::FILE* file) : file_(file) {}
    ~StreamFile() override { close(); }

    int sync_to_medium() override {
        if (std::fflush(file_) != 0 || _commit(_fileno(file_)) != 0) return errno != 0 ? errno : EIO;
        return 0;
    }
    int close() override {
        int code = 0;
        if (file_ != nullptr && std::fclose(file_) != 0) code = errno != 0 ? errno : EIO;
        file_ = nullptr;
        return code;
    }

protected:
    std::size_t write_some(const char* data, std::size_t size) override {
        const std::size_t put = std::fwrite(data, 1, size, file_);
        if (put == 0) error = errno != 0 ? errno : EIO;
        return put;
    }

private:
    std::FILE* file_;
};

struct Target {
    bool exists = false;
    bool readonly = false;
};

Result<Target> find_target(const std::string& path) {
    Target target;
    std::error_code failure;
    const fs::file_status status = fs::status(nativepath(path), failure);
    if (failure || !fs::exists(status)) return target;
    if (fs::is_directory(status)) return write_error(path, "it is a folder", EISDIR);
    if (!fs::is_regular_file(status)) return write_error(path, "it is not a regular file", EINVAL);
    target.exists = true;
    target.readonly = (status.permissions() & fs::perms::owner_write) == fs::perms::none;
    return target;
}

void set_readonly(const fs::path& path, bool readonly) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesW(path.c_str(), readonly ? attributes | FILE_ATTRIBUTE_READONLY
                                                : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}

}  // namespace

Status open_output(OutputState& state, WriteOptions options) {
    const std::string& path = state.target;
    Result<Target> found = find_target(path);
    if (!found) return found.error();
    const Target& target = found.value();
    if (target.readonly && !options.replacereadonly) return readonly_refused(path);
    state.finalpath = path;

    // The read-only attribute would stop the replacement; it is set again on the new file.
    state.keepreadonly = target.exists && target.readonly;
    const fs::path folder = nativepath(path).parent_path();
    remove_stale(folder);
    std::random_device seed;
    std::mt19937 generator(seed());
    DWORD failure = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && !state.file; ++attempt) {
        const fs::path name = temporary_beside(folder, generator);
        // CREATE_NEW: exclusive, so a file planted under this name is never written.
        const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            failure = ::GetLastError();
            if (failure != ERROR_FILE_EXISTS && failure != ERROR_ALREADY_EXISTS) break;
            continue;
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_BINARY | _O_WRONLY);
        if (fd < 0) {
            ::CloseHandle(handle);
            ::DeleteFileW(name.c_str());
            failure = ERROR_TOO_MANY_OPEN_FILES;
            break;
        }
        std::FILE* file = ::_fdopen(fd, "wb");
        if (file == nullptr) {
            ::_close(fd);
            ::DeleteFileW(name.c_str());
            failure = ERROR_TOO_MANY_OPEN_FILES;
            break;
        }
        state.attach(std::make_unique<StreamFile>(file));
        state.writing = utf8frompath(name);
    }
    if (!state.file) return write_error(path, reason(errnofor(failure)), errnofor(failure));
    return {};
}

Status publish(OutputState& state) {
    const fs::path finalpath = nativepath(state.finalpath);
    if (state.keepreadonly) set_readonly(finalpath, false);
    // Replaces the target in one step; the new name reaches the disk before the call returns.
    if (!::MoveFileExW(nativepath(state.writing).c_str(), finalpath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD failure = ::GetLastError();
        remove_file(state.writing);
        if (state.keepreadonly) set_readonly(finalpath, true);
        return write_error(state.target, reason(errnofor(failure)), errnofor(failure));
    }
    if (state.keepreadonly) set_readonly(finalpath, true);
    return {};
}

void remove_file(const std::string& path) { ::_wremove(nativepath(path).c_str()); }

long current_process() { return static_cast<long>(::GetCurrentProcessId()); }

// Windows is not asked: a temporary of another process goes only once it is an hour old.
bool process_gone(long) { return false; }

}  // namespace file_io_internal

Result<std::string> read_file(const std::string& path, std::size_t maxbytes) {
    using namespace file_io_internal;
    const fs::path native = nativepath(path);
    std::error_code failure;
    const fs::file_status status = fs::status(native, failure);
    if (!failure && fs::is_directory(status)) return read_error(path, EISDIR);
    if (!failure && fs::exists(status) && !fs::is_regular_file(status)) return not_regular_error(path);
    errno = 0;
    std::FILE* file = ::_wfopen(native.c_str(), L"rb");
    if (file == nullptr) return read_error(path, errno);
    std::string contents;
    char block[65536];
    int code = 0;
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file);
        if (contents.size() + got > maxbytes) {
            std::fclose(file);
            return too_large_error(path, maxbytes);
        }
        contents.append(block, got);
        if (got < sizeof block) {
            if (std::ferror(file)) code = errno != 0 ? errno : EIO;
            break;
        }
    }
    std::fclose(file);
    if (code != 0) return read_error(path, code);
    return contents;
}

}  // namespace vornalt
