#include "app/pin_profile.h"

#include "app/hardware_settings.h"
#include "app/programmer_choice.h"
#include "port/port_driver.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

constexpr PinProfile k_parallel_profile{
    false,
    {{{k_setting_invertvdd, k_setting_vddpin},
      {k_setting_invertvpp, k_setting_vpppin},
      {k_setting_invertclock, k_setting_clockpin},
      {k_setting_invertdataout, k_setting_dataoutpin},
      {k_setting_invertdatain, k_setting_datainpin}}},
};

constexpr PinProfile k_databits_profile{
    true,
    {{{k_setting_ftdi_invertvdd, k_setting_ftdi_vddbit},
      {k_setting_ftdi_invertvpp, k_setting_ftdi_vppbit},
      {k_setting_ftdi_invertclock, k_setting_ftdi_clockbit},
      {k_setting_ftdi_invertdataout, k_setting_ftdi_dataoutbit},
      {k_setting_ftdi_invertdatain, k_setting_ftdi_datainbit}}},
};

// The PICkit 2's ICSP header: 1 VPP (MCLR), 2 VDD, 4 PGD (DATA OUT and DATA IN), 5 PGC (CLOCK).
constexpr std::array<std::int32_t, k_line_count> k_icsp_pins{2, 1, 5, 4, 4};

constexpr PinProfile k_icsp_profile{
    false,
    {},
    "The PICkit 2 drives its own ICSP pins: pins and inversions do not apply.",
};

}  // namespace

const PinProfile& pinprofile(BackendKind kind) {
    if (kind == BackendKind::pickit2) return k_icsp_profile;
    return kind == BackendKind::ftdi ? k_databits_profile : k_parallel_profile;
}

void readpinsettings(DriverState& state, SettingsStore& settings, const PinProfile& profile) {
    if (!profile.fixednote.empty()) {
        state.pins = k_icsp_pins;
        state.inversions = {};
        return;
    }
    for (const Line line : k_all_lines) state.inversion(line) = settings.readnumber(profile.line(line).invertsetting);
    for (const Line line : k_all_lines) state.pin(line) = settings.readnumber(profile.line(line).pinsetting);
}

void readprogrammersettings(DriverState& state, SettingsStore& settings, BackendKind kind) {
    readpinsettings(state, settings, pinprofile(kind));
    if (kind != BackendKind::ftdi) return;
    state.steprate = steprateofsetting(settings.readsetting(k_setting_ftdi_steprate));
}

std::string profilepinname(const PinProfile& profile, std::int32_t pin) {
    if (!profile.fixednote.empty()) return "#" + std::to_string(pin);  // short enough for the boxes
    if (!profile.databits) return pinname(pin);
    return pin >= 0 && pin <= 7 ? "D" + std::to_string(pin) : std::string();
}

std::string pinprompt(const PinProfile& profile, Line line) {
    if (!profile.databits) return std::string(linesettinginfo(line).prompt);
    return "Enter new FTDI adapter bit for " + std::string(linesettinginfo(line).name) + " line [0-7].";
}

bool acceptedpinentry(const PinProfile& profile, Line line, std::string_view answer) {
    if (!profile.databits) return acceptedpinentry(line, answer);
    return answer.size() == 1 && answer[0] >= '0' && answer[0] <= '7';
}

}  // namespace vornalt
