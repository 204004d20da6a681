#include "base/file_lock_internal.h"

#include <cerrno>
#include <cstring>

namespace vornalt::file_lock_internal {

Error cannot_lock(const std::string& lockpath, const std::string& what, int code) {
    // `what` begins a sentence ("The simulated chip file ..."), as in in_use().
    return {what + " cannot be locked (" + lockpath + "): " + std::strerror(code) + ".", code};
}

Error in_use(const std::string& what, const std::string& holder) {
    return {what + " is in use by " + (holder.empty() ? std::string("another process") : "process " + holder) +
                ". Wait until that run has ended and try again.",
            EBUSY};
}

}  // namespace vornalt::file_lock_internal
