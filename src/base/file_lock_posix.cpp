// The lock on POSIX systems: flock on the lock file, which holds the owner's process id and name.
#include "base/file_lock.h"
#include "base/file_lock_internal.h"

#include <cerrno>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vornalt {

struct FileLock::Handle {
    int fd = -1;
    bool held = false;
    ~Handle() {
        if (fd < 0) return;
        // Emptied first: a process that finds the lock taken next must not read this one's id
        // before the new holder has written its own.
        if (held) static_cast<void>(::ftruncate(fd, 0));
        ::close(fd);  // closing drops the lock
    }
};

FileLock::FileLock(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
FileLock::FileLock(FileLock&&) noexcept = default;
FileLock& FileLock::operator=(FileLock&&) noexcept = default;
FileLock::~FileLock() = default;

Result<FileLock> FileLock::take(const std::string& lockpath, const std::string& what, const std::string& holder) {
    using namespace file_lock_internal;
    auto handle = std::make_unique<Handle>();
    handle->fd = ::open(lockpath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (handle->fd < 0) return cannot_lock(lockpath, what, errno);
    while (::flock(handle->fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return cannot_lock(lockpath, what, errno);
        char text[128];
        const ssize_t got = ::pread(handle->fd, text, sizeof text, 0);
        return in_use(what, std::string_view(text, got > 0 ? static_cast<std::size_t>(got) : 0));
    }
    handle->held = true;
    // Who holds it, for the message of the next process that asks.
    const std::string line = std::to_string(::getpid()) + holdertext(holder) + "\n";
    if (::ftruncate(handle->fd, 0) == 0) static_cast<void>(::pwrite(handle->fd, line.data(), line.size(), 0));
    return FileLock(std::move(handle));
}

}  // namespace vornalt
