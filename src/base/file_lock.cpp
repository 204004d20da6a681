#include "base/file_lock_internal.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/file_lock.h"

namespace vornalt {
namespace file_lock_internal {
namespace {

// The holder's name as its lock file gives it: printable ASCII of a sensible length, else
// nothing (the file may be from an older version, or anything at all).
std::string holdername(std::string_view text) {
    constexpr std::size_t k_longest = 64;
    if (text.empty() || text.size() > k_longest) return {};
    for (const char c : text) {
        if (c < ' ' || c > '~') return {};
    }
    return std::string(text);
}

}  // namespace

Error cannot_lock(const std::string& lockpath, const std::string& what, int code) {
    // `what` begins a sentence ("The simulated chip file ..."), as in in_use().
    return {what + " cannot be locked (" + lockpath + "): " + std::strerror(code) + ".", code};
}

Error in_use(const std::string& what, std::string_view contents) {
    std::size_t digits = 0;
    while (digits < contents.size() && digits < 10 && contents[digits] >= '0' && contents[digits] <= '9') ++digits;
    const std::string pid(contents.substr(0, digits));
    std::string name;
    if (!pid.empty() && digits < contents.size() && contents[digits] == ' ') {
        std::string_view rest = contents.substr(digits + 1);
        rest = rest.substr(0, rest.find('\n'));
        name = holdername(rest);
    }
    std::string holder = "another process";
    if (!pid.empty()) holder = name.empty() ? "process " + pid : name + " (process " + pid + ")";
    return {what + " is in use by " + holder + ".", k_lock_held};
}

std::string holdertext(const std::string& holder) {
    const std::string name = holdername(holder);
    return name.empty() ? std::string() : " " + name;
}

}  // namespace file_lock_internal

Result<FileLock> FileLock::take_waiting(const std::string& lockpath, const std::string& what, const std::string& holder,
                                        const std::function<bool(const Error& held)>& waiting) {
    // Often enough that a run starts soon after the other one ends, seldom enough to cost nothing.
    constexpr auto k_pause = std::chrono::milliseconds(50);
    for (;;) {
        Result<FileLock> taken = take(lockpath, what, holder);
        if (taken || !islockheld(taken.error()) || !waiting(taken.error())) return taken;
        std::this_thread::sleep_for(k_pause);
    }
}

}  // namespace vornalt
