#include "sim/emulated_ftdi.h"

#include <algorithm>
#include <vector>

#include "platform/ftdi_rate.h"
#include "sim/ftdi_requests.h"

namespace vornalt {
namespace {

Error disconnected() { return Error{k_programmer_disconnected}; }

}  // namespace

Result<std::int64_t> EmulatedFtdi::configure(std::uint8_t outputs, std::int32_t steprate) {
    const auto [value, index] = ftdi_divisor(steprate);
    const bool ok = !closed_ && chip_.controlout(ftdi_request::reset, 0, 1) && chip_.controlout(ftdi_request::set_latency_timer, 1, 1) &&
                    chip_.controlout(ftdi_request::set_bitmode, 0, 1) && chip_.controlout(ftdi_request::set_baudrate, value, index) &&
                    chip_.controlout(ftdi_request::set_bitmode, static_cast<std::uint16_t>(0x0400 | outputs), 1);
    if (ok) return chip_.steprate();
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
    if (chip_.present()) static_cast<void>(chip_.controlout(ftdi_request::set_bitmode, 0, 1));
}

}  // namespace vornalt
