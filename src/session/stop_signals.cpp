#include "session/stop_signals.h"

#include <atomic>
#include <csignal>

namespace vornalt {
namespace {

// A signal handler can reach nothing but what is reachable without arguments: these two are the
// only process-wide state of the program, set while a StopSignals lives.
std::atomic<StopRequest*> g_stop{nullptr};
static_assert(std::atomic<StopRequest*>::is_always_lock_free, "the signal handler reads it");
volatile std::sig_atomic_t g_received = 0;

extern "C" void onstopsignal(int signal) {
    g_received = signal;
    if (StopRequest* stop = g_stop.load()) stop->request();
}

#ifdef _WIN32
using Handler = void (*)(int);
Handler g_previous_int = SIG_DFL;
Handler g_previous_term = SIG_DFL;
#else
struct sigaction g_previous_int {};
struct sigaction g_previous_term {};
struct sigaction g_previous_pipe {};
#endif

}  // namespace

StopSignals::StopSignals(StopRequest& stop) : StopSignals() { attach(stop); }

void StopSignals::attach(StopRequest& stop) {
    g_stop.store(&stop);
    if (g_received != 0) stop.request();
}

StopSignals::StopSignals() {
    g_received = 0;
#ifdef _WIN32
    g_previous_int = std::signal(SIGINT, onstopsignal);
    g_previous_term = std::signal(SIGTERM, onstopsignal);
#else
    struct sigaction action {};
    action.sa_handler = onstopsignal;
    sigemptyset(&action.sa_mask);
    // Interrupted sleeps resume; the run looks at the request between two script lines.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_previous_int);
    sigaction(SIGTERM, &action, &g_previous_term);
    // A pipe whose reader went away (a trace or an output read by another program) fails the
    // write that follows instead of ending the process, perhaps with the chip powered.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_previous_pipe);
#endif
}

StopSignals::~StopSignals() {
#ifdef _WIN32
    std::signal(SIGINT, g_previous_int);
    std::signal(SIGTERM, g_previous_term);
#else
    sigaction(SIGINT, &g_previous_int, nullptr);
    sigaction(SIGTERM, &g_previous_term, nullptr);
    sigaction(SIGPIPE, &g_previous_pipe, nullptr);
#endif
    g_stop.store(nullptr);
}

int StopSignals::received() const { return static_cast<int>(g_received); }

}  // namespace vornalt
