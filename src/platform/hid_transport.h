#pragma once
// The seam to a USB HID programmer: one 64-byte report out, one 64-byte report in. Backends:
// hidapi (Linux), the Win32 HID API, and the emulated PICkit 2 of the simulator.
#include <array>
#include <cstdint>

#include "base/result.h"

namespace vornalt {

using HidReport = std::array<std::uint8_t, 64>;

class HidTransport {
public:
    virtual ~HidTransport() = default;

    virtual Status write(const HidReport& report) = 0;
    // The next report the device sends; an error when none comes within timeout_ms or the
    // device is gone.
    virtual Result<HidReport> read(std::int32_t timeout_ms) = 0;
};

}  // namespace vornalt
