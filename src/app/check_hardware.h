#pragma once
// What the Check Hardware dialog does, without the widgets: the user switches each output line
// by hand and watches DATA IN, which is re-read on every timer tick. Everything goes through the
// line operations, so the pins and inversions apply exactly as in a chip operation.
#include <array>
#include <string>

#include "app/hardware_settings.h"
#include "port/port_driver.h"

namespace vornalt {

// The timer that keeps the DATA IN box current while the dialog is open.
inline constexpr int k_check_datain_interval_ms = 50;

class CheckHardware {
public:
    // Captions name the pins as the profile does (the current programmer's).
    explicit CheckHardware(PortDriver& driver, const PinProfile& profile = pinprofile(BackendKind::parallelport));

    // Opening: every output off (VDD first), all boxes clear, captions with the pin names.
    void open();
    // A click on the box of an output line, with the state the box has now.
    void setline(Line line, bool ticked);
    // A click on the DATA IN box or a timer tick: the box shows a fresh reading, never the click.
    void readdatain();
    // Closing, by any means: every output off (PortDriver::alloff).
    void close();

    void updatecaptions();

    bool ticked(Line line) const { return ticked_[lineindex(line)]; }
    const std::string& caption(Line line) const { return captions_[lineindex(line)]; }
    // Why the lines no longer reach the programmer (an adapter pulled out); empty while they do.
    // From then on every box shows clear, as the lines really are.
    const std::string& failure() const { return failure_; }
    // "VDD 4.98 V  VPP 12.95 V" as a programmer that makes its supplies measured them at the last
    // reading of DATA IN; empty for any other programmer.
    const std::string& supplies() const { return supplies_; }

private:
    void checksent();

    PortDriver& driver_;
    const PinProfile& profile_;
    std::array<bool, 5> ticked_{};
    std::array<std::string, 5> captions_;
    std::string failure_;
    std::string supplies_;
};

}  // namespace vornalt
