#pragma once
// The port a command-line run talks through: the real parallel port (by address or ppdev
// device) or the simulated programmer with its chip, optionally recorded as a VCD trace. It is
// set up before the load sequence runs, so a chip file or trace file that cannot be used is
// reported before any line moves; the load sequence then receives it through its port opener.
#include <cstdint>
#include <memory>
#include <string>

#include "app/port_selection.h"
#include "base/result.h"
#include "catalogue/catalogue.h"
#include "cli/cli_options.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/line_trace.h"
#include "sim/sim_board.h"

namespace vornalt {

class ProgrammerPort {
public:
    ProgrammerPort(const Clock& clock, const DriverState& driverstate) : clock_(clock), driverstate_(driverstate) {}
    ~ProgrammerPort();
    ProgrammerPort(const ProgrammerPort&) = delete;
    ProgrammerPort& operator=(const ProgrammerPort&) = delete;

    // A real port: the one at portaddress, or the given ppdev device serving that address.
    void openreal(const PortOption& port, std::int32_t portaddress);
    // The simulated programmer with the chip of the model's name in its socket (none when the
    // simulator does not know the name). The chip's memory is read from chipfile when that
    // file exists; otherwise the chip is new from the factory.
    Status opensim(const std::string& modelname, std::int32_t portaddress, const std::string& chipfile);
    // Records every line change from now on into a VCD file.
    Status starttrace(const std::string& path);

    // For the load sequence's port slot: hands over a port that passes everything to the one
    // opened here (the address is already known).
    PortOpener opener();

    bool simulated() const { return board_ != nullptr; }
    bool socketempty() const { return board_ != nullptr && board_->chip() == nullptr; }

    // Ends the run's use of the port: the simulated chip is written back to its file and the
    // trace gets its final name. Both are attempted; the first failure is returned.
    Status finish();

private:
    const Clock& clock_;
    const DriverState& driverstate_;
    std::unique_ptr<PortIo> backend_;
    SimBoard* board_ = nullptr;  // backend_ when simulated
    std::string chipfile_;
    std::unique_ptr<LineTraceFile> trace_;
};

}  // namespace vornalt
