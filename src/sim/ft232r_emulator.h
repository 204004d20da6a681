#pragma once
// An FTDI FT232R USB adapter in synchronous bit-bang mode, as the host's USB stack sees it, with
// the simulated programmer board on its data bits. It answers the vendor control requests the
// FTDI library sends (reset, purge, baud rate, bit mode, latency timer), the standard descriptor
// requests, and the two bulk endpoints:
// - every byte the host sends is clocked out to the pins, one per step, and the pins are sampled
//   just before the byte is applied, so what comes back is one byte behind what went out;
// - a byte is clocked out only while the read-back FIFO has room (128 samples): a host that sends
//   more than that without reading stalls, as the chip does;
// - samples go back in 64-byte USB packets that each start with the two modem status bytes.
// Time runs on the virtual clock: each step takes 1 / step rate as the byte is clocked out, and
// each exchange the host waits for costs the round-trip latency, plus the bus time of its bytes
// where the bus is slower than the pins (a stream keeps both busy at once).
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/sim_board.h"
#include "sim/usb_face.h"

namespace vornalt {

struct UsbTiming {
    std::int64_t roundtrip_ns = 1'000'000;  // a request and its answer, USB frames and host included
    std::int64_t bytes_per_s = 1'000'000;    // bulk throughput of the bus in each direction
};

class Ft232rEmulator final : public UsbFace {
public:
    static constexpr std::size_t k_packet_size = 64;      // full-speed bulk packet
    static constexpr std::size_t k_status_bytes = 2;      // at the start of every IN packet
    static constexpr std::size_t k_readback_fifo = 128;   // samples waiting for the host
    static constexpr std::size_t k_write_fifo = 256;      // bytes waiting to be clocked out
    static constexpr std::uint8_t k_mode_reset = 0x00;
    static constexpr std::uint8_t k_mode_syncbb = 0x04;

    Ft232rEmulator(SimBoard& board, VirtualClock& clock, UsbIdentity identity = {}, UsbTiming timing = {});

    const UsbIdentity& identity() const override { return identity_; }
    SimBoard& board() { return board_; }

    // A vendor request without data stage (bmRequestType 0x40). False: the device stalls it.
    bool controlout(std::uint8_t request, std::uint16_t value, std::uint16_t index) override;
    // A request with an IN data stage: vendor (0xC0) or standard GET_DESCRIPTOR (0x80). No value:
    // the device stalls it.
    std::optional<std::vector<std::uint8_t>> controlin(std::uint8_t requesttype, std::uint8_t request,
                                                       std::uint16_t value, std::uint16_t index,
                                                       std::uint16_t length) override;

    // Bulk OUT to endpoint 2: takes what fits into the write FIFO and clocks out what it can.
    // Returns how many bytes it took; the rest the device would answer with NAK.
    std::size_t bulkout(std::span<const std::uint8_t> data);
    // Bulk IN from endpoint 1: whole packets (status bytes, then up to 62 samples) up to length;
    // with no sample waiting, one packet of the status bytes alone.
    std::vector<std::uint8_t> bulkin(std::size_t length);
    // The host waited for the answer to an exchange of `bytes` bytes: one round trip passes.
    void roundtrip(std::int64_t bytes);

    // The adapter is pulled out: every request fails from now on and the pins go undriven.
    void unplug() override;
    bool present() const override { return present_; }
    // The face's endpoints: bulk OUT 2 and bulk IN 1 (an IN always answers, at least the status).
    std::size_t transferout(std::uint8_t, std::span<const std::uint8_t> data) override { return bulkout(data); }
    std::optional<std::vector<std::uint8_t>> transferin(std::uint8_t, std::size_t length) override { return bulkin(length); }

    std::uint8_t mode() const { return mode_; }
    std::uint8_t outputs() const { return outputs_; }
    std::int32_t latency_ms() const { return latency_ms_; }
    // Steps per second of the bit-bang clock (see setbaudrate in the source for the scale).
    std::int64_t steprate() const { return steprate_; }
    std::int64_t bytesclocked() const { return clocked_; }
    std::int64_t roundtrips() const { return roundtrips_; }

    // The descriptors the device reports, also the bytes a sysfs `descriptors` file holds.
    std::vector<std::uint8_t> devicedescriptor() const override;
    std::vector<std::uint8_t> configdescriptor() const override;

private:
    void clockout();
    void setbaudrate(std::uint16_t value, std::uint16_t index);
    void charge_ns(std::int64_t ns) { clock_.advance_ns(ns); }
    std::vector<std::uint8_t> stringdescriptor(std::uint8_t index) const;

    SimBoard& board_;
    VirtualClock& clock_;
    UsbIdentity identity_;
    UsbTiming timing_;
    bool present_ = true;
    std::uint8_t mode_ = k_mode_reset;
    std::uint8_t outputs_ = 0;
    std::int32_t latency_ms_ = 16;
    std::int64_t steprate_ = 9600;
    std::deque<std::uint8_t> towrite_;
    std::deque<std::uint8_t> readback_;
    std::int64_t clocked_ = 0;
    std::int64_t roundtrips_ = 0;
};

}  // namespace vornalt
