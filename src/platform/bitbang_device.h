#pragma once
// The seam to a USB adapter in synchronous bit-bang mode (an FTDI FT232R and its kin): every byte
// sent sets the output pins for one step of the adapter's clock, and for every byte one sample of
// all eight pins comes back, taken just before that byte is applied. Backends: the FTDI library
// (Linux) and the emulated FT232R of the simulator.
#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"

namespace vornalt {

// What every backend says when the adapter is pulled out or stops answering during a run.
inline constexpr const char* k_programmer_disconnected = "Programmer disconnected";

class BitBangDevice {
public:
    virtual ~BitBangDevice() = default;

    // Synchronous bit-bang with the bits of `outputs` driven, about `steprate` steps per second;
    // returns the step rate the adapter really runs at.
    virtual Result<std::int64_t> configure(std::uint8_t outputs, std::int32_t steprate) = 0;
    // Sends every byte of `out` and fills `in` (as long as `out`) with the samples.
    virtual Status exchange(std::span<const std::uint8_t> out, std::span<std::uint8_t> in) = 0;
    // Every pin undriven and the adapter released; nothing works after it. Safe to call twice.
    virtual void close() = 0;
};

}  // namespace vornalt
