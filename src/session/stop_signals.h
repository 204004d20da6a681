#pragma once
// SIGINT and SIGTERM as a stop request: the running script ends at its next step with the chip
// powered down, instead of the process dying with VDD and VPP on.
#include "platform/stop_request.h"

namespace vornalt {

// While it lives, SIGINT and SIGTERM set the stop request (and remember which signal came), and
// SIGPIPE is ignored (a write into a pipe nobody reads any more fails instead of killing the
// process); the handlers it replaced come back when it goes. One at a time per process.
class StopSignals {
public:
    explicit StopSignals(StopRequest& stop);
    // Handlers installed before there is anything to stop, so that a signal in the first moments
    // of the program does not kill it outright: it is remembered, and attach() passes it on.
    StopSignals();
    // From now on a signal sets this stop request; one that came before sets it at once.
    void attach(StopRequest& stop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked to stop, 0 when none came.
    int received() const;
};

}  // namespace vornalt
