// Whole-file I/O on POSIX systems: file descriptors, lstat, fsync, rename.
#include "base/file_io.h"
#include "base/file_io_internal.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace vornalt {
namespace file_io_internal {
namespace {

namespace fs = std::filesystem;

constexpr int k_max_link_hops = 40;
// How often a write waiting for a pipe's reader asks whether to give up.
constexpr int k_wait_slice_ms = 100;

class DescriptorFile final : public SystemFile {
public:
    explicit DescriptorFile(int fd, std::function<bool()> giveup = {}) : fd_(fd), giveup_(std::move(giveup)) {}
    ~DescriptorFile() override { close(); }

    int sync_to_medium() override { return ::fsync(fd_) != 0 ? errno : 0; }
    int close() override {
        int code = 0;
        if (fd_ >= 0 && ::close(fd_) != 0 && errno != EINTR) code = errno;
        fd_ = -1;
        return code;
    }

protected:
    std::size_t write_some(const char* data, std::size_t size) override {
        for (;;) {
            const ssize_t put = ::write(fd_, data, size);
            if (put >= 0) return static_cast<std::size_t>(put);
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (waitforreader()) continue;
                return 0;
            }
            if (errno != EINTR) {
                error = errno;
                return 0;
            }
        }
    }

private:
    // A pipe opened without blocking is full: waits until its reader takes some. A signal ends
    // the wait (poll() is never restarted). The wait comes in short slices, each after a look at
    // the give-up check, so a stop that came just before poll() began still ends it.
    bool waitforreader() {
        for (;;) {
            if (giveup_ && giveup_()) {
                error = ECANCELED;
                return false;
            }
            pollfd ready{fd_, POLLOUT, 0};
            const int got = ::poll(&ready, 1, giveup_ ? k_wait_slice_ms : -1);
            if (got > 0) return true;
            if (got < 0) {
                error = errno == EINTR ? ECANCELED : errno;
                return false;
            }
        }
    }

    int fd_;
    std::function<bool()> giveup_;
};

enum class TargetKind { missing, regular, inplace };

struct Target {
    std::string path;  // after following symbolic links
    TargetKind kind = TargetKind::missing;
    bool readonly = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

Result<Target> find_target(const std::string& path) {
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

}  // namespace

Status open_output(OutputState& state, WriteOptions options) {
    const std::string& path = state.target;
    Result<Target> found = find_target(path);
    if (!found) return found.error();
    const Target& target = found.value();
    if (target.readonly && !options.replacereadonly) return readonly_refused(path);
    state.finalpath = target.path;

    if (target.kind == TargetKind::inplace) {
        // Without blocking for a pipe: open() would otherwise wait for a reader for ever.
        const int fifo = S_ISFIFO(target.mode) ? O_NONBLOCK : 0;
        const int fd = ::open(target.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | fifo);
        if (fd < 0 && errno == ENXIO && fifo != 0) return write_error(path, "nobody is reading " + path, ENXIO);
        if (fd < 0) return write_error(path, reason(errno), errno);
        state.attach(std::make_unique<DescriptorFile>(fd, std::move(options.giveup)));
        state.writing = target.path;
        state.inplace = true;
        return {};
    }
    const fs::path folder = fs::path(target.path).parent_path();
    remove_stale(folder);
    // The target's permissions from the first byte on, less any setuid, setgid or sticky bit;
    // a new file gets the usual ones (0666 less the umask).
    const mode_t mode = target.kind == TargetKind::regular ? (target.mode & 0777) : 0666;
    std::random_device seed;
    std::mt19937 generator(seed());
    int fd = -1;
    int code = EEXIST;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path name = temporary_beside(folder, generator);
        // Exclusive and never through a link: a file planted under this name is never written.
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            state.attach(std::make_unique<DescriptorFile>(fd));
            state.writing = name.string();
            break;
        }
        code = errno;
        if (code != EEXIST) break;
    }
    if (fd < 0) return write_error(path, reason(code), code);
    if (target.kind == TargetKind::regular) {
        // Keep the owner and group where the process may (root, or a group of the user's); the
        // mode is set after the owner, since changing the owner can clear permission bits.
        if (::fchown(fd, target.owner, target.group) != 0) {
            static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), target.group));
        }
        static_cast<void>(::fchmod(fd, mode));
    }
    return {};
}

Status publish(OutputState& state) {
    std::error_code failure;
    fs::rename(state.writing, state.finalpath, failure);
    if (failure) {
        remove_file(state.writing);
        return write_error(state.target, failure.message(), failure.value());
    }
    return {};
}

void remove_file(const std::string& path) { std::remove(path.c_str()); }

long current_process() { return static_cast<long>(::getpid()); }

bool process_gone(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace file_io_internal

Result<std::string> read_file(const std::string& path, std::size_t maxbytes) {
    using namespace file_io_internal;
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

}  // namespace vornalt
