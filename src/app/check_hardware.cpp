#include "app/check_hardware.h"

#include <cstdio>
#include <string_view>

namespace vornalt {
namespace {

constexpr std::array<std::string_view, 5> k_box_captions{"Enable VDD line", "Enable VPP line", "Enable CLOCK line",
                                                         "Enable DATA OUT line", "Status of DATA IN line"};

}  // namespace

CheckHardware::CheckHardware(PortDriver& driver, const PinProfile& profile) : driver_(driver), profile_(profile) {
    for (const Line line : k_dialog_lines) captions_[lineindex(line)] = k_box_captions.at(lineindex(line));
}

void CheckHardware::open() {
    driver_.alloff();
    ticked_ = {};
    checksent();
    updatecaptions();
}

void CheckHardware::setline(Line line, bool ticked) {
    if (line == Line::datain) {
        readdatain();
        return;
    }
    ticked_[lineindex(line)] = ticked;
    switch (line) {
    case Line::vdd: ticked ? driver_.vddon() : driver_.vddoff(); break;
    case Line::vpp: ticked ? driver_.vppon() : driver_.vppoff(); break;
    case Line::clock: ticked ? driver_.clockon() : driver_.clockoff(); break;
    case Line::dataout: ticked ? driver_.dataouton() : driver_.dataoutoff(); break;
    case Line::datain: break;
    }
    // A batched adapter queues the line state: the user must see it at once.
    checksent();
}

void CheckHardware::readdatain() {
    ticked_[lineindex(Line::datain)] = driver_.readdatain() == 1;
    checksent();
    supplies_.clear();
    double vdd = 0;
    double vpp = 0;
    if (!failure_.empty() || !driver_.measuresupplies(vdd, vpp)) return;
    char text[48];
    std::snprintf(text, sizeof text, "VDD %.2f V  VPP %.2f V", vdd, vpp);
    supplies_ = text;
}

void CheckHardware::checksent() {
    // Only a link fails a flush, and for good: a box must not claim a line it could not switch.
    if (Status sent = driver_.flush(); !sent) {
        failure_ = sent.error().message;
        ticked_ = {};
    }
}

void CheckHardware::close() { driver_.alloff(); }

void CheckHardware::updatecaptions() {
    for (const Line line : k_dialog_lines) {
        captions_[lineindex(line)] =
            linecaption(k_box_captions.at(lineindex(line)), profile_, linepin(driver_.state(), line));
    }
}

}  // namespace vornalt
