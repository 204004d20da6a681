#pragma once
// The port a session talks through: the real parallel port by address, a ppdev device, the
// simulated programmer with a chip in its socket, or a port the caller built (a recorder, a
// board of a test); optionally recorded as a VCD trace. The port slot opens it through
// opener(): a real port is opened afresh at each address, the simulated board stays and moves
// to the new address, so changing the port number never drops the simulator.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/port_selection.h"
#include "base/file_lock.h"
#include "base/result.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "platform/unavailable_port.h"
#include "port/driver_state.h"
#include "port/line_trace.h"
#include "sim/sim_board.h"

namespace vornalt {

enum class BackendKind : std::uint8_t {
    parallelport,  // the port at the address of the settings (1, 2, 3 or any other)
    device,        // a ppdev device path serving that address (Linux)
    simulator,     // the simulated programmer board
};

class ProgrammerPort {
public:
    ProgrammerPort(BackendKind kind, std::string device, const Clock& clock, const DriverState& driverstate);
    ~ProgrammerPort();
    ProgrammerPort(const ProgrammerPort&) = delete;
    ProgrammerPort& operator=(const ProgrammerPort&) = delete;

    // For the port slot: opens the backend for the address and hands over a port that passes
    // everything to it (through the trace when one runs).
    PortOpener opener();

    // From now on every open hands out this port instead of the chosen backend.
    void useport(PortIo& port) { injected_ = &port; }

    // Records every line change from now on into a VCD file (once; later calls change nothing).
    Status starttrace(const std::string& path);
    bool tracing() const { return trace_ != nullptr; }

    // The simulated board; null for any other backend.
    SimBoard* board() { return board_.get(); }
    bool simulated() const { return board_ != nullptr; }
    bool socketempty() const { return board_ != nullptr && board_->chip() == nullptr; }
    // The model whose chip is in the socket ("" when the socket is empty).
    const std::string& socketmodel() const { return socketmodel_; }

    // Writes the chip in the socket back to its file, then puts the chip of modelname in (an
    // empty socket when the simulator knows no such part), read from chipfile when that file
    // exists. The old chip stays when its file cannot be written, and a chip whose file cannot
    // be read leaves the socket empty, so that file is never overwritten by a fresh chip.
    // The chip file is locked while its chip is in the socket: a second program using the same
    // file is told which process has it, instead of the last one to finish undoing the other's
    // work; the socket then stays empty.
    Status insertchip(const std::string& modelname, const std::string& chipfile);

    // The simulated chip written back to its file (its folder created) and the trace given its
    // final name. Both are attempted; the first failure is returned.
    Status finish();
    // The chip in the socket written to its file now (nothing without a chip or a file).
    Status savechip();

private:
    void select(std::int32_t portaddress);

    // Passes every access to whichever backend is selected now.
    class Route final : public PortIo {
    public:
        PortIo* target = nullptr;
        void write(std::uint16_t address, std::uint8_t value) override { target->write(address, value); }
        std::uint8_t read(std::uint16_t address) override { return target->read(address); }
        bool available() const override { return target->available(); }
        std::string reason() const override { return target->reason(); }
    };

    BackendKind kind_;
    std::string device_;
    const Clock& clock_;
    const DriverState& driverstate_;
    UnavailablePort unopened_{"The port has not been opened yet."};
    std::unique_ptr<PortIo> real_;     // parallelport and device
    std::unique_ptr<SimBoard> board_;  // simulator
    PortIo* injected_ = nullptr;
    Route route_;
    std::string socketmodel_;
    std::string chipfile_;
    std::optional<FileLock> chiplock_;
    std::unique_ptr<LineTraceFile> trace_;
};

}  // namespace vornalt
