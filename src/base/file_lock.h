#pragma once
// An exclusive lock that two processes sharing one file take before they use it, so that
// neither's work is lost to the other's. The lock lives in a small file beside the one it guards
// (the guarded file itself is replaced whole on every save, which would drop a lock on it) and
// holds the id of the process that has it and the name that process goes by, for the message of
// the one that finds it taken.
#include <functional>
#include <memory>
#include <string>

#include "base/result.h"

namespace vornalt {

// Error::code of a lock that another process holds (the message names that process).
inline constexpr int k_lock_held = -1001;
inline bool islockheld(const Error& error) { return error.code == k_lock_held; }

class FileLock {
public:
    // Locks lockpath (created when missing); the lock file then names this process by its id
    // and by `holder` ("vornalt-cli"; empty: the id alone). When another process holds it, fails
    // at once with a message that begins with `what` and names that process (islockheld()).
    static Result<FileLock> take(const std::string& lockpath, const std::string& what, const std::string& holder = {});
    // As take(), but while another process holds the lock it is tried again every few
    // milliseconds for as long as `waiting` returns true; `waiting` is called before each pause
    // with the error take() would have returned. When it returns false that error is returned.
    static Result<FileLock> take_waiting(const std::string& lockpath, const std::string& what, const std::string& holder,
                                         const std::function<bool(const Error& held)>& waiting);
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
