#include "base/file_io.h"
#include "base/path_text.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <streambuf>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace vornalt {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view k_temp_prefix = ".vornalt-";
constexpr std::string_view k_temp_suffix = ".tmp";
// Traces of earlier versions were written to "NAME.vcd.part".
constexpr std::string_view k_old_trace_suffix = ".vcd.part";
// A temporary whose writer cannot be asked is stale once nobody could still be writing it.
constexpr auto k_stale_age = std::chrono::hours(1);
constexpr int k_max_link_hops = 40;

std::string reason(int code) { return std::strerror(code); }

std::string mib(std::size_t bytes) {
    if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

Error read_error(const std::string& path, int code) {
    return {"Cannot read file " + path + ": " + reason(code) +
                ". Check that the file exists and that you are allowed to read it.",
            code};
}

Error not_regular_error(const std::string& path) {
    return {"Cannot read file " + path +
                ": it is not a regular file (a folder, a device or a pipe). Name a file saved on disk.",
            EINVAL};
}

Error too_large_error(const std::string& path, std::size_t maxbytes) {
    return {"Cannot read file " + path + ": it is larger than " + mib(maxbytes) +
                ", more than any file of this kind holds. Check that this is the right file.",
            EFBIG};
}

Error write_error(const std::string& path, const std::string& why, int code) {
    return {"Cannot save file " + path + ": " + why +
                ". Nothing was changed on disk; choose another folder or file name, or free some space.",
            code};
}

// Paths are UTF-8 text in the program. On Windows they become wide paths at the boundary: the
// narrow file functions there take the ANSI code page and lose any letter outside it.
#if defined(_WIN32)
fs::path nativepath(const std::string& path) { return pathfromutf8(path); }
#endif

std::string utf8text(const fs::path& path) { return utf8frompath(path); }

#if defined(_WIN32)
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
#endif

void removefile(const std::string& path) {
#if defined(_WIN32)
    ::_wremove(nativepath(path).c_str());
#else
    std::remove(path.c_str());
#endif
}

// ---- Reading -------------------------------------------------------------------------------

#if defined(_WIN32)
Result<std::string> read_whole(const std::string& path, std::size_t maxbytes) {
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
#else
Result<std::string> read_whole(const std::string& path, std::size_t maxbytes) {
    // Not blocking in open(): a FIFO with no writer would otherwise hold the program for ever
    // before it could even see what it opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return read_error(path, errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int code = errno;
        ::close(fd);
        return read_error(path, code);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return S_ISDIR(info.st_mode) ? read_error(path, EISDIR) : not_regular_error(path);
    }
    if (info.st_size > 0 && static_cast<std::uintmax_t>(info.st_size) > maxbytes) {
        ::close(fd);
        return too_large_error(path, maxbytes);
    }
    std::string contents;
    contents.reserve(static_cast<std::size_t>(info.st_size));
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return read_error(path, code);
        }
        if (got == 0) break;
        // The file may grow while it is read.
        if (contents.size() + static_cast<std::size_t>(got) > maxbytes) {
            ::close(fd);
            return too_large_error(path, maxbytes);
        }
        contents.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return contents;
}
#endif

// ---- Where a write goes ----------------------------------------------------------------------

enum class TargetKind { missing, regular, inplace };

struct Target {
    std::string path;  // after following symbolic links
    TargetKind kind = TargetKind::missing;
    bool readonly = false;
#if !defined(_WIN32)
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
#endif
};

#if defined(_WIN32)
Result<Target> findtarget(const std::string& path) {
    Target target;
    target.path = path;
    std::error_code failure;
    const fs::file_status status = fs::status(nativepath(path), failure);
    if (failure || !fs::exists(status)) return target;
    if (fs::is_directory(status)) return write_error(path, "it is a folder", EISDIR);
    if (!fs::is_regular_file(status)) return write_error(path, "it is not a regular file", EINVAL);
    target.kind = TargetKind::regular;
    target.readonly = (status.permissions() & fs::perms::owner_write) == fs::perms::none;
    return target;
}
#else
Result<Target> findtarget(const std::string& path) {
    fs::path at(path);
    struct stat info {};
    for (int hop = 0;; ++hop) {
        if (::lstat(at.c_str(), &info) != 0) {
            if (errno == ENOENT) return Target{at.string(), TargetKind::missing, false, 0, 0, 0};
            return write_error(path, reason(errno), errno);
        }
        if (!S_ISLNK(info.st_mode)) break;
        if (hop == k_max_link_hops) return write_error(path, reason(ELOOP), ELOOP);
        std::error_code failure;
        const fs::path link = fs::read_symlink(at, failure);
        if (failure) return write_error(path, failure.message(), failure.value());
        at = link.is_absolute() ? link : at.parent_path() / link;
    }
    Target target{at.string(), TargetKind::regular, false, info.st_mode, info.st_uid, info.st_gid};
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
        target.kind = TargetKind::inplace;
    } else if (S_ISDIR(info.st_mode)) {
        return write_error(path, "it is a folder", EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        return write_error(path, "it is a special file (a socket or a disk device), not a file to save into",
                           EINVAL);
    }
    // Read-only as other tools see it: no write permission for anyone, or none for this user.
    target.readonly = target.kind == TargetKind::regular &&
                      ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(at.c_str(), W_OK) != 0);
    return target;
}

bool processgone(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }
#endif

// Temporaries of this program beside a target whose writer is gone: ".vornalt-PID-N.tmp" of a
// process that no longer runs, or any of them (and traces of earlier versions) not touched for
// an hour. Failures are ignored: the cleaning is a courtesy, the save does not depend on it.
void removestale(const fs::path& folder) {
    std::error_code failure;
    fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, failure);
    if (failure) return;
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& entry : entries) {
        const std::string name = utf8text(entry.path().filename());
        const bool ours = name.starts_with(k_temp_prefix) && name.ends_with(k_temp_suffix);
        const bool oldtrace = name.ends_with(k_old_trace_suffix);
        if (!ours && !oldtrace) continue;
        if (!entry.is_regular_file(failure) || entry.is_symlink(failure)) continue;
        bool stale = false;
#if !defined(_WIN32)
        if (ours) {
            const std::string middle(name.substr(k_temp_prefix.size(), name.size() - k_temp_prefix.size() - k_temp_suffix.size()));
            const std::size_t dash = middle.find('-');
            if (dash != std::string::npos && dash > 0) {
                char* end = nullptr;
                const long pid = std::strtol(middle.c_str(), &end, 10);
                stale = end == middle.c_str() + dash && pid != static_cast<long>(::getpid()) && processgone(pid);
            }
        }
#endif
        if (!stale) {
            const auto written = entry.last_write_time(failure);
            stale = !failure && now - written > k_stale_age;
        }
        if (stale) fs::remove(entry.path(), failure);
    }
}

// ---- The output file ---------------------------------------------------------------------------

// A stream buffer over a file descriptor (or a FILE on Windows) that remembers its first error.
class FileBuffer final : public std::streambuf {
public:
    FileBuffer() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
#if defined(_WIN32)
    std::FILE* file = nullptr;
#else
    int fd = -1;
#endif
    int error = 0;

    bool flushall() { return drain() && error == 0; }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain() {
        const char* at = pbase();
        const char* end = pptr();
        while (at < end && error == 0) {
#if defined(_WIN32)
            const std::size_t put = std::fwrite(at, 1, static_cast<std::size_t>(end - at), file);
            if (put == 0) error = errno != 0 ? errno : EIO;
            at += put;
#else
            const ssize_t put = ::write(fd, at, static_cast<std::size_t>(end - at));
            if (put < 0) {
                if (errno != EINTR) error = errno;
                continue;
            }
            at += put;
#endif
        }
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return error == 0;
    }

    std::vector<char> buffer_ = std::vector<char>(65536);
};

}  // namespace

struct OutputFile::State {
    std::string target;     // the name the user gave, for messages
    std::string finalpath;  // the file that is replaced (links followed)
    std::string writing;    // the temporary, or finalpath when written in place
    bool inplace = false;
    bool keepreadonly = false;  // a read-only target replaced on request stays read-only
    bool done = false;
    FileBuffer buffer;
    std::ostream out{&buffer};

    ~State() {
        closefile();
        if (!done && !inplace && !writing.empty()) removefile(writing);
    }

    int closefile() {
        int code = 0;
#if defined(_WIN32)
        if (buffer.file != nullptr && std::fclose(buffer.file) != 0) code = errno != 0 ? errno : EIO;
        buffer.file = nullptr;
#else
        if (buffer.fd >= 0 && ::close(buffer.fd) != 0 && errno != EINTR) code = errno;
        buffer.fd = -1;
#endif
        return code;
    }
};

OutputFile::OutputFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

std::ostream& OutputFile::stream() { return state_->out; }
const std::string& OutputFile::writingto() const { return state_->writing; }

Result<OutputFile> OutputFile::open(const std::string& path, WriteOptions options) {
    Result<Target> found = findtarget(path);
    if (!found) return found.error();
    const Target& target = found.value();
    if (target.readonly && !options.replacereadonly) {
        return Error{"The file " + path + " is read-only, so it was not replaced. Make it writable or choose "
                     "another name.",
                     k_readonly_refused};
    }

    auto state = std::make_unique<State>();
    state->target = path;
    state->finalpath = target.path;

#if defined(_WIN32)
    // The read-only attribute would stop the replacement; it is set again on the new file.
    state->keepreadonly = target.kind == TargetKind::regular && target.readonly;
    const fs::path folder = nativepath(target.path).parent_path();
    removestale(folder);
    std::random_device seed;
    std::mt19937 generator(seed());
    DWORD failure = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && state->buffer.file == nullptr; ++attempt) {
        const fs::path name = folder / (std::string(k_temp_prefix) + std::to_string(::GetCurrentProcessId()) + "-" +
                                        std::to_string(generator() % 1000000) + std::string(k_temp_suffix));
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
        state->buffer.file = ::_fdopen(fd, "wb");
        state->writing = utf8text(name);
        if (state->buffer.file == nullptr) {
            ::_close(fd);
            ::DeleteFileW(name.c_str());
            state->writing.clear();
            failure = ERROR_TOO_MANY_OPEN_FILES;
            break;
        }
    }
    if (state->buffer.file == nullptr) {
        return write_error(path, reason(errnofor(failure)), errnofor(failure));
    }
#else
    if (target.kind == TargetKind::inplace) {
        const int fd = ::open(target.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return write_error(path, reason(errno), errno);
        state->buffer.fd = fd;
        state->writing = target.path;
        state->inplace = true;
        return OutputFile(std::move(state));
    }
    const fs::path folder = fs::path(target.path).parent_path();
    removestale(folder);
    // The target's permissions from the first byte on, less any setuid, setgid or sticky bit;
    // a new file gets the usual ones (0666 less the umask).
    const mode_t mode = target.kind == TargetKind::regular ? (target.mode & 0777) : 0666;
    std::random_device seed;
    std::mt19937 generator(seed());
    int code = EEXIST;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path name = folder / (std::string(k_temp_prefix) + std::to_string(::getpid()) + "-" +
                                        std::to_string(generator() % 1000000) + std::string(k_temp_suffix));
        // Exclusive and never through a link: a file planted under this name is never written.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            state->buffer.fd = fd;
            state->writing = name.string();
            break;
        }
        code = errno;
        if (code != EEXIST) break;
    }
    if (state->buffer.fd < 0) return write_error(path, reason(code), code);
    if (target.kind == TargetKind::regular) {
        // Keep the owner and group where the process may (root, or a group of the user's); the
        // mode is set after the owner, since changing the owner can clear permission bits.
        if (::fchown(state->buffer.fd, target.owner, target.group) != 0) {
            static_cast<void>(::fchown(state->buffer.fd, static_cast<uid_t>(-1), target.group));
        }
        static_cast<void>(::fchmod(state->buffer.fd, mode));
    }
#endif
    return OutputFile(std::move(state));
}

Status OutputFile::commit() {
    State& s = *state_;
    if (s.done) return {};
    s.done = true;
    int code = 0;
    if (!s.buffer.flushall()) code = s.buffer.error;
    // A regular file reaches the medium before it takes the name, so the rename never
    // publishes contents that are still only in memory.
#if defined(_WIN32)
    if (code == 0 && (std::fflush(s.buffer.file) != 0 || _commit(_fileno(s.buffer.file)) != 0)) code = errno != 0 ? errno : EIO;
#else
    if (code == 0 && !s.inplace && ::fsync(s.buffer.fd) != 0) code = errno;
#endif
    const int closed = s.closefile();
    if (code == 0) code = closed;
    if (code != 0) {
        if (!s.inplace) removefile(s.writing);
        return write_error(s.target, reason(code), code);
    }
    if (s.inplace) return {};
#if defined(_WIN32)
    const fs::path finalpath = nativepath(s.finalpath);
    if (s.keepreadonly) {
        const DWORD attributes = ::GetFileAttributesW(finalpath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(finalpath.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    // Replaces the target in one step; the new name reaches the disk before the call returns.
    if (!::MoveFileExW(nativepath(s.writing).c_str(), finalpath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD failure = ::GetLastError();
        removefile(s.writing);
        if (s.keepreadonly) {
            const DWORD attributes = ::GetFileAttributesW(finalpath.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(finalpath.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
        }
        return write_error(s.target, reason(errnofor(failure)), errnofor(failure));
    }
    if (s.keepreadonly) {
        const DWORD attributes = ::GetFileAttributesW(finalpath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(finalpath.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
    }
#else
    std::error_code failure;
    fs::rename(s.writing, s.finalpath, failure);
    if (failure) {
        removefile(s.writing);
        return write_error(s.target, failure.message(), failure.value());
    }
#endif
    return {};
}

Result<std::string> read_file(const std::string& path, std::size_t maxbytes) { return read_whole(path, maxbytes); }

Status write_file_whole(const std::string& path, std::string_view contents, WriteOptions options) {
    Result<OutputFile> file = OutputFile::open(path, options);
    if (!file) return file.error();
    file.value().stream().write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return file.value().commit();
}

}  // namespace vornalt
