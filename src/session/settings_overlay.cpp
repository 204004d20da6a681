#include "session/settings_overlay.h"

#include "settings/setting_names.h"

namespace vornalt {

std::optional<std::string> SettingsOverlay::get(std::string_view name) {
    if (auto found = overrides_.find(name); found != overrides_.end()) return found->second;
    if (hidden_.find(name) != hidden_.end()) return std::nullopt;
    return saved_.get(name);
}

void usedefaulthardware(SettingsOverlay& overlay) {
    for (std::string_view name :
         {k_setting_invertvdd, k_setting_invertvpp, k_setting_invertclock, k_setting_invertdataout,
          k_setting_invertdatain, k_setting_vddpin, k_setting_vpppin, k_setting_clockpin, k_setting_dataoutpin,
          k_setting_datainpin, k_setting_ftdi_invertvdd, k_setting_ftdi_invertvpp, k_setting_ftdi_invertclock,
          k_setting_ftdi_invertdataout, k_setting_ftdi_invertdatain, k_setting_ftdi_vddbit, k_setting_ftdi_vppbit,
          k_setting_ftdi_clockbit, k_setting_ftdi_dataoutbit, k_setting_ftdi_datainbit}) {
        overlay.hide(name);
    }
}

}  // namespace vornalt
