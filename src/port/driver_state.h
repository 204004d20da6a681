#pragma once
// The port driver's state: where the port is, which pin carries each of the five programmer
// lines and whether the line is inverted, and the shadow copies of the output registers.
#include <cstdint>

namespace vornalt {

struct DriverState {
    std::int32_t portaddress = 888;  // data register; status at +1, control at +2
    std::int32_t vddpin = 4, vpppin = 5, clockpin = 3, dataoutpin = 2, datainpin = 10;
    // 0: not inverted; any other value: inverted.
    std::int32_t invertvdd = 0, invertvpp = 0, invertclock = 1, invertdataout = 1, invertdatain = 1;
    std::uint8_t databyte = 0;     // shadow of the data register
    std::uint8_t controlbyte = 0;  // shadow of the control register (bits 0-3 only ever change)
    std::int16_t statusbyte = 0;   // status register as read by the latest writeport
    std::int32_t clockdelay_us = 0;  // minimum CLOCK half-period; 0 adds no delay
};

}  // namespace vornalt
