#pragma once
// The one owner of the port a session talks through: the backend a row of the backend table
// opened (the real parallel port by address, a ppdev device, the simulated programmer with a
// chip in its socket), or a port the caller built (a recorder, a board of a test); optionally
// recorded as a VCD trace. It opens the backend for an address and points the driver straight
// at it, or at the trace around it: one forwarding hop at most. A backend the row moves (the
// simulated board) stays open at a new address, so changing the port never drops the simulator.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/file_lock.h"
#include "base/result.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "platform/unavailable_port.h"
#include "port/driver_state.h"
#include "port/line_trace.h"
#include "port/port_driver.h"
#include "programmer/backend_table.h"
#include "sim/sim_board.h"

namespace vornalt {

class ProgrammerPort {
public:
    // argument: what the --port text carried for the row (a device path); empty for none.
    ProgrammerPort(BackendRow row, std::string argument, const Clock& clock, const DriverState& driverstate);
    ~ProgrammerPort();
    ProgrammerPort(const ProgrammerPort&) = delete;
    ProgrammerPort& operator=(const ProgrammerPort&) = delete;

    const BackendRow& row() const { return row_; }

    // The port the driver was last pointed at. Before the first open() it is a port that is not
    // available, so the driver can be built before the settings say which port to open.
    PortIo& io() { return *active_; }
    const PortIo& io() const { return *active_; }

    // Opens the backend for the address and points the driver at it. The backend in use before
    // is released after the driver has let go of it and before the new one opens (an adapter
    // can be held once only).
    PortIo& open(std::int32_t portaddress, PortDriver& driver);

    // Another backend from now on: the driver lets go of the one in use (it is released, the
    // simulated chip saved to its file first), and the next open() opens the new row's. When
    // the chip cannot be saved nothing changes.
    Status choose(BackendRow row, std::string argument, PortDriver& driver);
    const std::string& argument() const { return argument_; }

    // From now on every open hands out this port instead of the row's backend.
    void useport(PortIo& port) { injected_ = &port; }

    // Records every line change from the next open on into a VCD file (once; later calls
    // change nothing). `options` carry the check that ends a wait for a stalled pipe's reader.
    Status starttrace(const std::string& path, WriteOptions options = {});
    bool tracing() const { return trace_ != nullptr; }

    // The simulated board; null for any other backend.
    SimBoard* board() { return board_; }
    bool simulated() const { return board_ != nullptr; }
    bool socketempty() const { return board_ != nullptr && board_->chip() == nullptr; }
    // The model whose chip is in the socket ("" when the socket is empty).
    const std::string& socketmodel() const { return socketmodel_; }

    // Writes the chip in the socket back to its file, then puts the chip of modelname in (an
    // empty socket when the simulator knows no such part), read from chipfile when that file
    // exists. The old chip stays when its file cannot be written, and a chip whose file cannot
    // be read leaves the socket empty, so that file is never overwritten by a fresh chip.
    Status insertchip(const std::string& modelname, const std::string& chipfile);

    // How this program names itself in a chip file's lock ("vornalt-cli"), for the message of
    // another program that finds the file locked.
    void setlockholder(std::string holder) { lockholder_ = std::move(holder); }
    // A run on the simulated chip begins: its file is locked until unlockchip(), so another
    // program's run on the same file is told which process has it instead of the later save
    // undoing the other's work. While another process holds it, `waiting` decides (see
    // FileLock::take_waiting); the error then names that process (islockheld()). A file that
    // another program changed since it was read is read again, so this run starts from it.
    // Nothing without a chip or a chip file.
    Status lockchip(const std::function<bool(const Error& held)>& waiting);
    // The run has ended (its chip saved): other programs may use the file again.
    void unlockchip() { chiplock_.reset(); }

    // The simulated chip written back to its file (its folder created) and the trace given its
    // final name. Both are attempted; the first failure is returned.
    Status finish();
    // The chip in the socket written to its file now when it differs from what the file held
    // (nothing without a chip or a file). Outside a run the file is locked for the write.
    Status savechip();

private:
    // The port a new open hands out before the trace: the injected one, the moved backend, or
    // a fresh one (the one it replaces comes back in replaced, to be released last).
    PortIo& select(std::int32_t portaddress, PortDriver& driver);
    // Moves the driver (and the trace) off the backend, then lets the backend go.
    void release(PortDriver& driver);
    // The chip file's lock (its folder made first); `waiting` empty: refused at once when held.
    Result<FileLock> takechiplock(const std::function<bool(const Error& held)>& waiting);

    BackendRow row_;
    std::string argument_;
    const Clock& clock_;
    const DriverState& driverstate_;
    UnavailablePort unopened_{"The port has not been opened yet."};
    std::unique_ptr<PortIo> backend_;
    SimBoard* board_ = nullptr;  // backend_ when it is the simulated board
    PortIo* injected_ = nullptr;
    PortIo* active_ = &unopened_;
    std::string socketmodel_;
    std::string chipname_;   // the chip file as it was given, for messages
    std::string chipfile_;   // the chip file, a link followed to its file
    std::string chipsaved_;  // the chip's text as loaded or last saved (a fresh chip's without a file)
    bool chipondisk_ = false;  // the file exists as chipsaved_ says
    std::optional<FileLock> chiplock_;  // held during a run
    std::string lockholder_;
    std::unique_ptr<LineTraceFile> trace_;
};

}  // namespace vornalt
