#pragma once
// The baud divisor of the FT232R and FT-X chips for a bit-bang step rate, and the step rate that
// divisor really gives. The FTDI library multiplies a bit-bang rate by 4 before it computes the
// divisor (a 3 MBd base clock, a 14-bit whole part and eighths), so steps per second are the
// divisor's baud rate over 4: at most 750 k. Device-timed waits count steps at the real rate.
#include <cstdint>
#include <utility>

namespace vornalt {

inline constexpr std::int64_t k_ftdi_base_baud = 3'000'000;

// (wValue, wIndex) of the set-baud-rate request for a step rate.
std::pair<std::uint16_t, std::uint16_t> ftdi_divisor(std::int64_t steprate);
// The step rate a divisor gives.
std::int64_t ftdi_steprate(std::uint16_t value, std::uint16_t index);

}  // namespace vornalt
