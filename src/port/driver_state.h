#pragma once
// The port driver's state: where the port is, which pin carries each of the five programmer
// lines and whether the line is inverted, and the shadow copies of the output registers.
#include <array>
#include <cstdint>

#include "port/line_role.h"

namespace vornalt {

// The usual step rate of a bit-bang adapter's clock: fast enough, and slow enough for long leads.
inline constexpr std::int32_t k_default_steprate = 150'000;

struct DriverState {
    std::int32_t portaddress = 888;  // data register; status at +1, control at +2
    // Indexed by Line: VDD, VPP, CLOCK, DATA OUT, DATA IN.
    std::array<std::int32_t, k_line_count> pins{4, 5, 3, 2, 10};
    // 0: not inverted; any other value (a hand-edited setting may hold one): inverted.
    std::array<std::int32_t, k_line_count> inversions{0, 0, 1, 1, 1};
    std::uint8_t databyte = 0;     // shadow of the data register
    std::uint8_t controlbyte = 0;  // shadow of the control register (bits 0-3 only ever change)
    std::int16_t statusbyte = 0;   // status register as read by the latest writeport
    std::int32_t clockdelay_us = 0;  // minimum CLOCK half-period; 0 adds no delay
    std::int32_t steprate = k_default_steprate;  // a bit-bang adapter's steps per second

    std::int32_t& pin(Line line) { return pins[lineindex(line)]; }
    std::int32_t pin(Line line) const { return pins[lineindex(line)]; }
    std::int32_t& inversion(Line line) { return inversions[lineindex(line)]; }
    std::int32_t inversion(Line line) const { return inversions[lineindex(line)]; }
};

}  // namespace vornalt
