#pragma once
// A request from outside a run (the window closing, the user aborting, SIGINT or SIGTERM in the
// command-line program) to stop it. The engine honours it between two steps by powering the
// chip down, and every wait of a run ends early when it is set. Setting and reading it is
// lock-free, so a signal handler may call request().
#include <atomic>

namespace vornalt {

class StopRequest {
public:
    void request() { requested_.store(true, std::memory_order_relaxed); }
    void clear() { requested_.store(false, std::memory_order_relaxed); }
    bool requested() const { return requested_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> requested_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler must be able to set it");
};

}  // namespace vornalt
