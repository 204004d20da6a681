#pragma once
// The bit-bang seam served by the emulated FT232R in the same process, speaking to it as the FTDI
// library does over USB: vendor requests to configure it, bulk OUT for the pin bytes, bulk IN
// with the two status bytes of every packet stripped. A flush streams: bytes go out as fast as
// the chip's FIFO takes them while the samples are read back, and the host waits one round trip.
#include <cstdint>

#include "platform/bitbang_device.h"
#include "sim/ft232r_emulator.h"

namespace vornalt {

class EmulatedFtdi final : public BitBangDevice {
public:
    explicit EmulatedFtdi(Ft232rEmulator& chip) : chip_(chip) {}

    Result<std::int64_t> configure(std::uint8_t outputs, std::int32_t steprate) override;
    Status exchange(std::span<const std::uint8_t> out, std::span<std::uint8_t> in) override;
    void close() override;

    std::int64_t exchanges() const { return exchanges_; }
    std::int64_t bytes() const { return bytes_; }

private:
    Ft232rEmulator& chip_;
    bool closed_ = false;
    std::int64_t exchanges_ = 0;
    std::int64_t bytes_ = 0;
};

}  // namespace vornalt
