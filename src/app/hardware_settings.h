#pragma once
// What the Hardware Settings dialog does, without the widgets: for each of the five programmer
// lines, the connector pin it uses and whether it is inverted. Every change reaches the driver
// state and the settings store at once and is followed by switching all output lines off, so the
// hardware never keeps levels worked out from the old mapping. The dialog draws the box states
// and captions kept here and forwards its clicks.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "app/pin_profile.h"
#include "platform/window_services.h"
#include "port/port_driver.h"
#include "settings/settings_store.h"

namespace vornalt {

inline constexpr std::string_view k_wrong_pin_entry = "Wrong Entry!";

// The five lines in the order of the dialog's rows (Check1/Label1 ... Check5/Label5).
inline constexpr std::array<Line, k_line_count> k_dialog_lines = k_all_lines;

// What the dialog knows of one line: its settings, the question that moves it and the exact
// answers that question accepts.
struct LineSettingInfo {
    std::string_view invertsetting;
    std::string_view pinsetting;
    std::string_view prompt;
    std::string_view boxcaption;  // as drawn before the pin name is added: "Invert VDD line"
    std::string_view name;        // "VDD", "DATA OUT"
};

const LineSettingInfo& linesettinginfo(Line line);

// True when the answer names, character for character, a pin the line may use: "1".."9", "14",
// "16", "17" for the outputs, "10".."13", "15" for DATA IN. No blanks, no leading zeros.
bool acceptedpinentry(Line line, std::string_view answer);

// "<caption> (<pin name>)", the form both hardware dialogs give their line captions.
std::string linecaption(std::string_view caption, const PinProfile& profile, std::int32_t pin);

class HardwareSettings {
public:
    // The pins and inversions of the profile's settings (the current programmer's).
    HardwareSettings(PortDriver& driver, SettingsStore& settings, WindowServices& window,
                     const PinProfile& profile = pinprofile(BackendKind::parallelport));

    // Opening: every output off, the boxes from the inversion flags, the captions from the pins.
    // A hand-edited flag other than 0 or 1 shows ticked, since the driver treats it as inverted.
    void open();
    // A click on a line's box, with the state the box has now.
    void setinverted(Line line, bool ticked);
    // A click on a line's "Change Pin" label: asks for the pin. True when the pin was changed.
    bool changepin(Line line);
    // Closing, by any means: every output off.
    void close();

    void updatecaptions();

    bool ticked(Line line) const { return ticked_[lineindex(line)]; }
    const std::string& caption(Line line) const { return captions_[lineindex(line)]; }
    // Not empty when this programmer's pins are its own: the boxes and labels change nothing.
    std::string_view fixednote() const { return profile_.fixednote; }

private:
    PortDriver& driver_;
    SettingsStore& settings_;
    WindowServices& window_;
    const PinProfile& profile_;
    std::array<bool, k_line_count> ticked_{};
    std::array<std::string, k_line_count> captions_;
};

}  // namespace vornalt
