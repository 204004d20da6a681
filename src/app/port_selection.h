#pragma once
// The texts that report the port on the status line, and the check before work reaches the chip.
#include <cstdint>
#include <string>

#include "platform/port_io.h"
#include "platform/window_services.h"
#include "port/port_driver.h"
#include "programmer/parallel_backend.h"

namespace vornalt {

// "Parallel port N ready" for an offered port; the empty text for any other address.
std::string portreadytext(std::int32_t portaddress);

// "Parallel port N not available", N the port's number, or its address in hex ("0x3E8") when
// it is not one of the offered ports.
std::string portunavailabletext(std::int32_t portaddress);

// Status line after a port was opened: the ready text when the port is available (nothing
// for an address that is not an offered one), the unavailable text otherwise.
void showportstate(WindowServices& window, std::int32_t portaddress, const PortIo& io);

// Checked before any work that reaches the chip. When the port cannot be reached, tells the
// user why and what to do, and returns false: the work must not run, or it would report
// success for something that never reached a chip.
bool portready(WindowServices& window, std::int32_t portaddress, const PortIo& io);

// The same check for a programmer the message names ("FTDI adapter A50285BI not available.").
bool portready(WindowServices& window, std::string_view programmer, const PortIo& io);

// The same check for the driver's port as it stands now.
bool portready(WindowServices& window, PortDriver& driver);

}  // namespace vornalt
