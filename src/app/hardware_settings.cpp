#include "app/hardware_settings.h"

#include <algorithm>
#include <charconv>

#include "settings/setting_names.h"

namespace vornalt {
namespace {

constexpr std::array<std::string_view, 12> k_output_entries{"1", "2", "3", "4", "5", "6", "7", "8", "9", "14", "16", "17"};
constexpr std::array<std::string_view, 5> k_input_entries{"10", "11", "12", "13", "15"};

constexpr std::array<LineSettingInfo, k_line_count> k_line_settings{{
    {k_setting_invertvdd, k_setting_vddpin, "Enter new parallel port pin for VDD line [1-9,14,16,17].",
     "Invert VDD line", "VDD"},
    {k_setting_invertvpp, k_setting_vpppin, "Enter new parallel port pin for VPP line [1-9,14,16,17].",
     "Invert VPP line", "VPP"},
    {k_setting_invertclock, k_setting_clockpin, "Enter new parallel port pin for CLOCK line [1-9,14,16,17].",
     "Invert CLOCK line", "CLOCK"},
    {k_setting_invertdataout, k_setting_dataoutpin,
     "Enter new parallel port pin for DATA OUT line [1-9,14,16,17].", "Invert DATA OUT line", "DATA OUT"},
    {k_setting_invertdatain, k_setting_datainpin, "Enter new parallel port pin for DATA IN line [10-13,15].",
     "Invert DATA IN line", "DATA IN"},
}};

}  // namespace

const LineSettingInfo& linesettinginfo(Line line) { return k_line_settings.at(lineindex(line)); }

bool acceptedpinentry(Line line, std::string_view answer) {
    const auto matches = [answer](std::string_view entry) { return entry == answer; };
    if (line == Line::datain) return std::any_of(k_input_entries.begin(), k_input_entries.end(), matches);
    return std::any_of(k_output_entries.begin(), k_output_entries.end(), matches);
}

std::string linecaption(std::string_view caption, const PinProfile& profile, std::int32_t pin) {
    return std::string(caption) + " (" + profilepinname(profile, pin) + ")";
}

HardwareSettings::HardwareSettings(PortDriver& driver, SettingsStore& settings, WindowServices& window,
                                   const PinProfile& profile)
    : driver_(driver), settings_(settings), window_(window), profile_(profile) {
    for (const Line line : k_dialog_lines) captions_[lineindex(line)] = linesettinginfo(line).boxcaption;
}

void HardwareSettings::open() {
    driver_.alloff();
    for (const Line line : k_dialog_lines) ticked_[lineindex(line)] = lineinverted(driver_.state(), line);
    updatecaptions();
}

void HardwareSettings::setinverted(Line line, bool ticked) {
    if (!fixednote().empty()) return;
    ticked_[lineindex(line)] = ticked;
    driver_.state().inversion(line) = ticked ? 1 : 0;
    settings_.writesetting(profile_.line(line).invertsetting, ticked ? "1" : "0");
    driver_.alloff();
}

bool HardwareSettings::changepin(Line line) {
    if (!fixednote().empty()) {
        window_.message(fixednote());
        return false;
    }
    std::int32_t& pin = driver_.state().pin(line);
    const std::string answer = window_.input(pinprompt(profile_, line), std::to_string(pin));
    if (answer.empty()) return false;
    if (!acceptedpinentry(profile_, line, answer)) {
        window_.message(k_wrong_pin_entry);
        return false;
    }
    // The accepted entries are plain decimal numbers, so the answer is also the setting's text.
    std::from_chars(answer.data(), answer.data() + answer.size(), pin);
    settings_.writesetting(profile_.line(line).pinsetting, answer);
    updatecaptions();
    driver_.alloff();
    // Accepted, as two lines may share a pin; but the later of their writes sets the bit.
    for (const Line other : k_dialog_lines) {
        if (other == line || linepin(driver_.state(), other) != pin) continue;
        const std::string where = profile_.databits ? "Bit " + profilepinname(profile_, pin) : "Pin " + answer;
        window_.message(where + " is also " + std::string(linesettinginfo(other).name) +
                        ": both lines drive one bit.");
        break;
    }
    return true;
}

void HardwareSettings::close() { driver_.alloff(); }

void HardwareSettings::updatecaptions() {
    for (const Line line : k_dialog_lines) {
        captions_[lineindex(line)] =
            linecaption(linesettinginfo(line).boxcaption, profile_, linepin(driver_.state(), line));
    }
}

}  // namespace vornalt
