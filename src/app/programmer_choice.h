#pragma once
// The programmers the window offers (the parallel port, every device a backend finds plugged in,
// the simulator), how the choice is saved, how the status line names it, and the adapter's step
// rate setting.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/port_io.h"
#include "platform/window_services.h"
#include "programmer/backend_table.h"
#include "settings/settings_store.h"

namespace vornalt {

// The bit-bang clock's bounds: slow enough for long leads, as fast as an FT232R goes.
inline constexpr std::int32_t k_steprate_min = 1'000;
inline constexpr std::int32_t k_steprate_max = 750'000;

struct ProgrammerOffer {
    BackendKind kind = BackendKind::parallelport;
    std::string argument;     // a found device's serial number; empty for the parallel port and the simulator
    std::string description;  // what the list shows
};

// The parallel port first, then every device the rows with a finder list now, the simulator last.
std::vector<ProgrammerOffer> programmeroffers();

// The saved text for a choice: the row's key, with ":argument" when there is one; empty when the
// row has no key (the choice then holds for the run only).
std::string programmersettingtext(BackendKind kind, std::string_view argument);
// The choice a saved text names; none for a text no row's key starts (a hand-edited setting).
std::optional<BackendChoice> programmerfromsetting(std::string_view text);

// "FTDI adapter A50285BI": the row's title and the argument.
std::string programmertitle(BackendKind kind, std::string_view argument);

// The status line after a port was opened. The parallel port, a ppdev device and the simulated
// board (a parallel board) report as the parallel port always did; any other programmer as
// "<title> ready" or "<title> not available: <reason>".
void showprogrammerstate(WindowServices& window, BackendKind kind, std::string_view argument,
                         std::int32_t portaddress, const PortIo& io);

// The saved step rate, held within the bounds; the default for a text that is not a number.
std::int32_t steprateofsetting(std::string_view text);

}  // namespace vornalt
