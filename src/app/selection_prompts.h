#pragma once
// The Options menu's questions: which device model, which parallel port, how long a
// programming pulse lasts, and the slowest pace of the CLOCK line.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "programmer/programmer_port.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "port/driver_state.h"
#include "port/port_driver.h"
#include "platform/window_services.h"
#include "settings/settings_store.h"

namespace vornalt {

inline constexpr std::string_view k_wrong_entry = "Wrong entry!";
inline constexpr std::string_view k_port_prompt = "Please select programmer Parallel Port Number [1-3].";
inline constexpr std::string_view k_progtime_prompt = "Enter new programming time in ms [1-30].";
inline constexpr std::string_view k_clockdelay_prompt = "Enter minimum CLOCK half-period in microseconds [0-1000].";
inline constexpr std::int32_t k_clockdelay_max_us = 1000;

// The model question: "Select new microcontroller model [1-N]:", a blank line, then the
// catalogue's names upper-cased in two numbered columns (left: 1 .. N - N/2, right: the rest).
// Left names are padded to 10 characters; a longer name gets no padding.
std::string modelprompt(const DeviceCatalogue& catalogue);

// The model number the user chose, or 0 when the answer keeps the current model (cancel,
// empty, not a number, out of 1..modelcount, or the current number itself).
std::int32_t askmodel(const DeviceCatalogue& catalogue, std::int32_t selectedmodel, WindowServices& window);

// Change Microcontroller Model: a different model is applied, saved to "Microcontroller Model"
// and the image cleared for it. Invalid answers keep the current model without a message; a
// record the catalogue refuses to apply is reported and changes nothing.
void menumodel(AppState& app, const DeviceCatalogue& catalogue, AppliedModel& model, MemoryImage& image,
               SettingsStore& settings, WindowServices& window);

// Change Parallel Port Number: "1", "2" or "3" exactly picks port 1, 2 or 3; anything else but
// Cancel gives "Wrong entry!". The address is written back to "Parallel Port Address" in every
// case. A newly chosen port (or one that could not be reached before) is opened at once and its
// state shown on the status line. With an address other than the three, nothing is asked and
// the status line is left alone.
void menuport(PortDriver& driver, ProgrammerPort& port, SettingsStore& settings, WindowServices& window);

// Why a programming time of the given milliseconds cannot be used with the model (shorter
// than its chips' write time); empty when it can.
std::string progtime_refusal(const AppliedModel& model, std::int32_t milliseconds);

// Change Default Programming Time: 1 to 30 ms, rounded halves to even, and not below the
// model's own write time; kept in memory only, until the next model is applied.
void menuprogtime(AppliedModel& model, WindowServices& window);

// Minimum CLOCK half-period: 0 to 1000 microseconds as plain decimal digits; saved to
// "Clock Delay" at once. Any other answer gives "Wrong entry!" and changes nothing.
void menuclockdelay(DriverState& driver, SettingsStore& settings, WindowServices& window);

// The clock delay a stored text stands for: its numeric value held inside 0..1000, so a
// hand-edited value can neither go negative nor stall every transfer.
std::int32_t clockdelayfromsetting(std::string_view text);

}  // namespace vornalt
