#pragma once
// Every programmer backend the program can talk through, one row each: how it is named on the
// command line (--port) and in the window, how it opens, and what it can do. The one owner of
// the port (ProgrammerPort) opens backends only through these rows, so a new backend is one row
// here and one file with its opening.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/line_link.h"

namespace vornalt {

enum class BackendKind : std::uint8_t {
    parallelport,  // the port at the address of the settings (1, 2, 3 or any other)
    device,        // a ppdev device path serving that address (Linux)
    simulator,     // the simulated programmer board
    ftdi,          // an FTDI USB adapter in bit-bang mode
    pickit2,       // a PICkit 2 (or a PICkit 3 with its scripting firmware) over USB HID
};

// What a backend can do beyond moving the five lines one register write at a time.
struct BackendCapabilities {
    bool pins_configurable = false;    // the lines sit on connector pins the Hardware Settings choose
    bool batched = false;              // line states are queued and sent together
    bool device_timed_delays = false;  // the device times the script's waits itself
    bool own_power = false;            // the device switches VDD and VPP from its own supply
};

// What an opening gets: the argument its --port text carried (a device path, a serial number;
// empty for none), the base address the settings give, and the program's clock.
struct BackendOpening {
    std::string_view argument;
    std::int32_t portaddress;
    const Clock& clock;
};

// One plugged-in programmer of a row's kind, as a choice in the window lists it.
struct FoundProgrammer {
    std::string argument;     // what follows "name:" in a --port text, e.g. a serial number
    std::string description;  // what the user reads: product and serial
};

struct BackendRow {
    BackendKind kind;
    std::string_view name;  // as the user names the backend, e.g. in --help
    // How a saved programmer choice names the row ("ftdi", "ftdi:SERIAL"); empty: the choice
    // holds for the run but is not saved.
    std::string_view key = {};
    // How the status line and the window's choice name it ("FTDI adapter"); empty: the name.
    std::string_view title = {};
    // Whether a --port text names this backend and, when it does, the argument it carries.
    std::function<std::optional<std::string>(std::string_view text)> argumentof;
    // Never null: a backend that cannot be reached comes back unavailable, with the reason.
    std::function<std::unique_ptr<PortIo>(const BackendOpening& opening)> open;
    // For a backend that stays open when the port address changes (it keeps state the user
    // cares about, like the simulator's chip): moves it to the new address. Empty: the backend
    // is opened afresh at every address.
    std::function<void(PortIo& open, std::int32_t portaddress)> moveto;
    // For a batched backend: the line link the driver sends its line states to, over the opened
    // backend, with the pins of the driver state. Empty: the driver writes the registers itself.
    std::function<LineLink*(PortIo& open, const DriverState& state)> linkof;
    // For a backend of plugged-in devices: the ones found now. Empty: nothing to list (the
    // parallel port and the simulator are always offered).
    std::function<std::vector<FoundProgrammer>()> findall;
    BackendCapabilities can;
};

// A backend as a --port text chooses it.
struct BackendChoice {
    BackendKind kind = BackendKind::parallelport;
    std::string argument;
};

std::span<const BackendRow> backendtable();
const BackendRow& backendrow(BackendKind kind);

// The first row whose name the text matches; none for a text that names no backend.
std::optional<BackendChoice> choosebackend(std::string_view porttext);

}  // namespace vornalt
