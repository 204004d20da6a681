#pragma once
// Owns the port backend the driver talks to and swaps it when the user picks another port.
#include <cstdint>
#include <memory>

#include "app/port_selection.h"
#include "platform/port_io.h"
#include "platform/unavailable_port.h"
#include "port/port_driver.h"

namespace vornalt {

class PortSlot {
public:
    explicit PortSlot(PortOpener opener);

    // The backend in use. Before the first open() it is a port that is not available, so the
    // driver can be built before the settings say which port to open.
    PortIo& io() { return *io_; }
    const PortIo& io() const { return *io_; }

    // Opens the port at the address and points the driver at it. The backend in use before is
    // released only after the driver has let go of it.
    PortIo& open(std::int32_t portaddress, PortDriver& driver);

private:
    PortOpener opener_;
    std::unique_ptr<PortIo> io_;
};

}  // namespace vornalt
