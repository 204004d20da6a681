#include "base/file_lock.h"
#include "base/path_text.h"

#include <cerrno>
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <filesystem>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vornalt {

struct FileLock::Handle {
#if defined(_WIN32)
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
#else
    int fd = -1;
    ~Handle() {
        if (fd >= 0) ::close(fd);  // closing drops the lock
    }
#endif
};

FileLock::FileLock(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
FileLock::FileLock(FileLock&&) noexcept = default;
FileLock& FileLock::operator=(FileLock&&) noexcept = default;
FileLock::~FileLock() = default;

namespace {

Error cannotlock(const std::string& lockpath, const std::string& what, int code) {
    return {"Cannot lock " + what + " (" + lockpath + "): " + std::strerror(code) + ".", code};
}

Error inuse(const std::string& what, const std::string& holder) {
    return {what + " is in use by " + (holder.empty() ? std::string("another process") : "process " + holder) +
                ". Wait until that run has ended and try again.",
            EBUSY};
}

}  // namespace

#if defined(_WIN32)
Result<FileLock> FileLock::take(const std::string& lockpath, const std::string& what) {
    const std::filesystem::path native = pathfromutf8(lockpath);
    auto handle = std::make_unique<Handle>();
    // No sharing at all while it is open: a second process cannot open it.
    handle->file = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) return inuse(what, {});
        return cannotlock(lockpath, what, EACCES);
    }
    return FileLock(std::move(handle));
}
#else
Result<FileLock> FileLock::take(const std::string& lockpath, const std::string& what) {
    auto handle = std::make_unique<Handle>();
    handle->fd = ::open(lockpath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (handle->fd < 0) return cannotlock(lockpath, what, errno);
    while (::flock(handle->fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return cannotlock(lockpath, what, errno);
        char text[32] = {};
        const ssize_t got = ::pread(handle->fd, text, sizeof text - 1, 0);
        std::string holder;
        for (ssize_t i = 0; i < got && text[i] >= '0' && text[i] <= '9'; ++i) holder += text[i];
        return inuse(what, holder);
    }
    // Who holds it, for the message of the next process that asks.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(handle->fd, 0) == 0) static_cast<void>(::pwrite(handle->fd, pid.data(), pid.size(), 0));
    return FileLock(std::move(handle));
}
#endif

}  // namespace vornalt
