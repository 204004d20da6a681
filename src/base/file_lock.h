#pragma once
// An exclusive lock that two processes sharing one file take before they use it, so that
// neither's work is lost to the other's. The lock lives in a small file beside the one it guards
// (the guarded file itself is replaced whole on every save, which would drop a lock on it) and
// holds the id of the process that has it, for the message of the one that waits.
#include <memory>
#include <string>

#include "base/result.h"

namespace vornalt {

class FileLock {
public:
    // Locks lockpath (created when missing). When another process holds it, fails at once with
    // a message that names `what` and that process.
    static Result<FileLock> take(const std::string& lockpath, const std::string& what);
    FileLock(FileLock&&) noexcept;
    FileLock& operator=(FileLock&&) noexcept;
    ~FileLock();  // releases it

private:
    struct Handle;
    explicit FileLock(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

// The lock file that guards `path`.
inline std::string lockfilefor(const std::string& path) { return path + ".lock"; }

}  // namespace vornalt
