#pragma once
// The line link of a bit-bang adapter: each line state becomes one byte of the adapter's eight data
// bits, through the pin (bit 0-7) and inversion settings of the driver state, and DATA IN is read
// from the sample of the byte after the state it follows (the adapter samples before it applies).
#include <cstdint>
#include <vector>

#include "platform/bitbang_device.h"
#include "port/driver_state.h"
#include "port/line_link.h"

namespace vornalt {

// The adapter's default bit assignment, for the classic board on an FT232R breakout: CLOCK on D0
// (TXD), DATA OUT on D1 (RXD), DATA IN on D3 (CTS), VPP on D5 (DSR), VDD on D6 (DCD); inversions
// as on the parallel port. D3, D5 and D6 are inputs until bit-bang mode starts.
void usebitbangdefaults(DriverState& state);

class BitBangLink final : public LineLink {
public:
    static constexpr std::size_t k_queue_limit = 16384;   // bytes queued before a flush is forced
    static constexpr std::int64_t k_max_hold_us = 20'000;  // longer waits stay on the host: a stop can cut them
    static constexpr std::size_t k_kept_samples = 4096;   // flushed samples still answered by value()

    BitBangLink(BitBangDevice& device, const DriverState& state, std::int32_t steprate);

    // Bit-bang mode with the four output lines' bits driven, every line off.
    Status open();

    void put(const OutputLines& lines) override;
    std::int64_t sample() override;
    Status flush() override;
    const Status& status() const override { return status_; }
    bool value(std::int64_t sample) const override;
    bool hold_us(std::int64_t us) override;
    void drop() override;

    // Unbatched, every line state is flushed at once (for comparison: one round trip per line
    // operation). Without device waits every wait is a flush and a host sleep.
    void setbatched(bool on) { batched_ = on; }
    void setdevicewaits(bool on) { devicewaits_ = on; }

    // The data bits the adapter drives: the four output lines' pins.
    std::uint8_t outputmask() const;
    std::uint8_t encode(const OutputLines& lines) const;
    std::int64_t flushes() const { return flushes_; }
    std::int64_t bytessent() const { return bytessent_; }

private:
    struct Pending {
        std::int64_t sample;
        std::size_t byte;  // the queued byte whose read-back holds it
    };

    BitBangDevice& device_;
    const DriverState& state_;
    std::int32_t steprate_;         // asked for
    std::int64_t actualrate_ = 0;   // what the adapter runs at; 0 until open
    std::uint8_t current_ = 0;
    std::uint8_t mask_ = 0;  // the bits the adapter was set to drive
    std::vector<std::uint8_t> queue_;
    std::vector<std::uint8_t> readback_;
    std::vector<Pending> pending_;
    std::vector<std::uint8_t> levels_;  // ring of flushed sample levels
    std::int64_t samples_ = 0;
    bool batched_ = true;
    bool devicewaits_ = true;
    Status status_;
    std::int64_t flushes_ = 0;
    std::int64_t bytessent_ = 0;
};

}  // namespace vornalt
