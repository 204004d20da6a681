#pragma once
// Where a backend's five lines are kept in the settings and what their pins are: connector pins
// of the parallel port (also the simulated board's), or the data bits D0-D7 of a bit-bang adapter,
// where any bit may carry any line. Each kind keeps its own settings, so switching the programmer
// loses neither set.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "port/driver_state.h"
#include "port/line_role.h"
#include "programmer/backend_table.h"
#include "settings/settings_store.h"

namespace vornalt {

struct LinePinSettings {
    std::string_view invertsetting;
    std::string_view pinsetting;
};

struct PinProfile {
    bool databits;  // pins are an adapter's data bits 0-7; otherwise parallel-port connector pins
    std::array<LinePinSettings, k_line_count> lines;
    // Not empty for a programmer whose lines sit on fixed pins of its own connector (the PICkit 2's
    // ICSP header): what the Hardware Settings tell the user instead of letting pins and
    // inversions change. Its pins are the header's pin numbers and nothing is kept in the settings.
    std::string_view fixednote = {};

    const LinePinSettings& line(Line which) const { return lines[lineindex(which)]; }
};

const PinProfile& pinprofile(BackendKind kind);

// The five inversions, then the five pins, from the profile's settings (each missing one is
// created with its default); a fixed profile's header pins, no inversion, and no setting touched.
void readpinsettings(DriverState& state, SettingsStore& settings, const PinProfile& profile);

// The profile's pins and inversions for a backend, and an adapter's step rate (read only for a
// backend that has one, so a parallel-port start creates no adapter setting).
void readprogrammersettings(DriverState& state, SettingsStore& settings, BackendKind kind);

// How the dialogs name a pin: "D6" for an adapter's bit, the connector's name otherwise.
std::string profilepinname(const PinProfile& profile, std::int32_t pin);

// The question that moves a line, and whether an answer names a pin it may use, character for
// character: an adapter takes "0".."7" for every line.
std::string pinprompt(const PinProfile& profile, Line line);
bool acceptedpinentry(const PinProfile& profile, Line line, std::string_view answer);

}  // namespace vornalt
