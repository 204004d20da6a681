#include "sim/emulated_ftdi.h"

#include <algorithm>
#include <vector>

namespace vornalt {
namespace {

constexpr std::uint8_t k_reset = 0x00;
constexpr std::uint8_t k_set_baudrate = 0x03;
constexpr std::uint8_t k_set_latency_timer = 0x09;
constexpr std::uint8_t k_set_bitmode = 0x0B;

// Three-bit fraction code of a divisor by its eighths (the inverse of the chip's table).
constexpr std::uint16_t k_fraction_code[8] = {0, 3, 2, 4, 1, 5, 6, 7};

Error disconnected() { return Error{k_programmer_disconnected}; }

}  // namespace

std::pair<std::uint16_t, std::uint16_t> ft232r_divisor(std::int32_t steprate) {
    const std::int64_t baud = std::max<std::int64_t>(std::int64_t{steprate} * 4, 1);
    if (baud >= Ft232rEmulator::k_base_clock) return {0, 0};
    if (baud >= 2'000'000) return {1, 0};
    std::int64_t eighths = (std::int64_t{Ft232rEmulator::k_base_clock} * 8 + baud / 2) / baud;
    eighths = std::clamp<std::int64_t>(eighths, 16, 0x3FFF * 8 + 7);
    const std::int64_t whole = eighths / 8;
    const std::uint16_t code = k_fraction_code[eighths % 8];
    return {static_cast<std::uint16_t>(whole | ((code & 3) << 14)), static_cast<std::uint16_t>(code >> 2)};
}

Status EmulatedFtdi::configure(std::uint8_t outputs, std::int32_t steprate) {
    const auto [value, index] = ft232r_divisor(steprate);
    const bool ok = !closed_ && chip_.controlout(k_reset, 0, 1) && chip_.controlout(k_set_latency_timer, 1, 1) &&
                    chip_.controlout(k_set_bitmode, 0, 1) && chip_.controlout(k_set_baudrate, value, index) &&
                    chip_.controlout(k_set_bitmode, static_cast<std::uint16_t>(0x0400 | outputs), 1);
    if (ok) return {};
    return disconnected();
}

Status EmulatedFtdi::exchange(std::span<const std::uint8_t> out, std::span<std::uint8_t> in) {
    if (closed_ || !chip_.present()) return disconnected();
    ++exchanges_;
    bytes_ += static_cast<std::int64_t>(out.size());
    std::size_t sent = 0;
    std::size_t received = 0;
    while (received < out.size()) {
        // Keep the chip fed while reading back: a read is always posted, so it never stalls.
        sent += chip_.bulkout(out.subspan(sent));
        const std::vector<std::uint8_t> packets = chip_.bulkin(4096);
        if (!chip_.present()) return disconnected();
        for (std::size_t at = 0; at < packets.size(); at += Ft232rEmulator::k_packet_size) {
            const std::size_t end = std::min(packets.size(), at + Ft232rEmulator::k_packet_size);
            for (std::size_t i = at + Ft232rEmulator::k_status_bytes; i < end && received < in.size(); ++i) {
                in[received++] = packets[i];
            }
        }
        if (packets.size() <= Ft232rEmulator::k_status_bytes && sent == out.size() && received < out.size()) {
            return Error{"The USB adapter returned fewer samples than it was sent."};
        }
    }
    chip_.roundtrip(static_cast<std::int64_t>(out.size()));
    return {};
}

void EmulatedFtdi::close() {
    if (closed_) return;
    closed_ = true;
    if (chip_.present()) static_cast<void>(chip_.controlout(k_set_bitmode, 0, 1));
}

}  // namespace vornalt
