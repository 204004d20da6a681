// The lock on Windows: the lock file opened with no sharing, so a second opener is refused (and
// cannot read who holds it either: the message says "another process").
#include "base/file_lock.h"
#include "base/file_lock_internal.h"
#include "base/path_text.h"

#include <cerrno>
#include <filesystem>
#include <string>

#include <windows.h>

namespace vornalt {

struct FileLock::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
};

FileLock::FileLock(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
FileLock::FileLock(FileLock&&) noexcept = default;
FileLock& FileLock::operator=(FileLock&&) noexcept = default;
FileLock::~FileLock() = default;

Result<FileLock> FileLock::take(const std::string& lockpath, const std::string& what, const std::string&) {
    using namespace file_lock_internal;
    const std::filesystem::path native = pathfromutf8(lockpath);
    auto handle = std::make_unique<Handle>();
    // No sharing at all while it is open: a second process cannot open it.
    handle->file = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) return in_use(what, {});
        return cannot_lock(lockpath, what, EACCES);
    }
    return FileLock(std::move(handle));
}

}  // namespace vornalt
