#pragma once
// The three parallel ports the program offers, the texts that report them on the status line,
// and opening the port the driver talks to.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/port_io.h"
#include "platform/window_services.h"
#include "port/port_driver.h"

namespace vornalt {

struct PortChoice {
    std::int32_t number;       // what the user types: 1, 2, 3
    std::int32_t portaddress;  // base I/O address
};

inline constexpr PortChoice k_port_choices[] = {{1, 888}, {2, 632}, {3, 956}};

// 1, 2 or 3 for an offered port's address; 0 for any other address.
std::int32_t portnumber(std::int32_t portaddress);

// "Parallel port N ready" for an offered port; the empty text for any other address.
std::string portreadytext(std::int32_t portaddress);

// "Parallel port N not available", N the port's number, or its address in hex ("0x3E8") when
// it is not one of the offered ports.
std::string portunavailabletext(std::int32_t portaddress);

// Opens the backend for a port address. Never null: a port that cannot be reached comes back
// as a PortIo whose available() is false and whose reason() says why.
using PortOpener = std::function<std::unique_ptr<PortIo>(std::int32_t portaddress)>;

// Status line after a port was opened: the ready text when the port is available (nothing
// for an address that is not an offered one), the unavailable text otherwise.
void showportstate(WindowServices& window, std::int32_t portaddress, const PortIo& io);

// Checked before any work that reaches the chip. When the port cannot be reached, tells the
// user why and what to do, and returns false: the work must not run, or it would report
// success for something that never reached a chip.
bool portready(WindowServices& window, std::int32_t portaddress, const PortIo& io);

// The same check for the driver's port as it stands now.
bool portready(WindowServices& window, PortDriver& driver);

}  // namespace vornalt
