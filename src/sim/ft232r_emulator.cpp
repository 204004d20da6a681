#include "sim/ft232r_emulator.h"

#include <algorithm>

#include "platform/ftdi_rate.h"
#include "sim/ftdi_requests.h"

namespace vornalt {
namespace {

// Reset request values: the whole serial engine, or one of the two buffers.
constexpr std::uint16_t k_purge_readback = 1;
constexpr std::uint16_t k_purge_write = 2;

constexpr std::uint8_t k_get_descriptor = 0x06;
constexpr std::uint8_t k_descriptor_device = 1;
constexpr std::uint8_t k_descriptor_config = 2;
constexpr std::uint8_t k_descriptor_string = 3;

// Modem status: CTS/DSR clear, the transmitter empty; what an idle FT232R reports.
constexpr std::uint8_t k_status0 = 0x01;
constexpr std::uint8_t k_status1 = 0x60;

std::uint8_t low(std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t high(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }

}  // namespace

Ft232rEmulator::Ft232rEmulator(SimBoard& board, VirtualClock& clock, UsbIdentity identity, UsbTiming timing)
    : board_(board), clock_(clock), identity_(std::move(identity)), timing_(timing) {}

bool Ft232rEmulator::controlout(std::uint8_t request, std::uint16_t value, std::uint16_t index) {
    if (!present_) return false;
    switch (request) {
    case ftdi_request::reset:
        if (value != k_purge_write) readback_.clear();
        if (value != k_purge_readback) towrite_.clear();
        return true;
    case ftdi_request::set_baudrate:
        setbaudrate(value, index);
        return true;
    case ftdi_request::set_latency_timer:
        if (low(value) == 0) return false;
        latency_ms_ = low(value);
        return true;
    case ftdi_request::set_bitmode:
        mode_ = high(value);
        outputs_ = mode_ == k_mode_reset ? 0 : low(value);
        board_.drivebits(0, outputs_);  // outputs start low
        return true;
    case ftdi_request::modem_ctrl:
    case ftdi_request::flow_ctrl:
    case ftdi_request::set_data:
    case ftdi_request::set_event_char:
    case ftdi_request::set_error_char:
        return true;
    default:
        return false;
    }
}

std::optional<std::vector<std::uint8_t>> Ft232rEmulator::controlin(std::uint8_t requesttype, std::uint8_t request,
                                                                   std::uint16_t value, std::uint16_t /*index*/,
                                                                   std::uint16_t length) {
    if (!present_) return std::nullopt;
    std::vector<std::uint8_t> answer;
    if (requesttype == 0x80 && request == k_get_descriptor) {
        switch (high(value)) {
        case k_descriptor_device: answer = devicedescriptor(); break;
        case k_descriptor_config: answer = configdescriptor(); break;
        case k_descriptor_string: answer = stringdescriptor(low(value)); break;
        default: return std::nullopt;
        }
    } else if (requesttype == 0xC0) {
        switch (request) {
        case ftdi_request::get_latency_timer: answer = {static_cast<std::uint8_t>(latency_ms_)}; break;
        case ftdi_request::read_pins: answer = {board_.samplebits()}; break;
        case ftdi_request::poll_modem_status: answer = {k_status0, k_status1}; break;
        case ftdi_request::read_eeprom: answer = {0xFF, 0xFF}; break;  // a blank EEPROM
        default: return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    if (answer.empty()) return std::nullopt;
    if (answer.size() > length) answer.resize(length);
    return answer;
}

void Ft232rEmulator::setbaudrate(std::uint16_t value, std::uint16_t index) { steprate_ = ftdi_steprate(value, index); }

std::size_t Ft232rEmulator::bulkout(std::span<const std::uint8_t> data) {
    if (!present_) return 0;
    std::size_t taken = 0;
    for (std::uint8_t byte : data) {
        clockout();
        if (towrite_.size() >= k_write_fifo) break;
        towrite_.push_back(byte);
        ++taken;
    }
    clockout();
    return taken;
}

// Synchronous bit-bang: the pins are read, then the next byte is applied, one byte per step and
// only while the read-back FIFO has room for the sample. Outside bit-bang mode bytes are serial
// data for a UART nobody listens to.
void Ft232rEmulator::clockout() {
    while (!towrite_.empty()) {
        if (mode_ != k_mode_syncbb) {
            towrite_.pop_front();
            continue;
        }
        if (readback_.size() >= k_readback_fifo) return;
        readback_.push_back(board_.samplebits());
        board_.drivebits(towrite_.front(), outputs_);
        towrite_.pop_front();
        ++clocked_;
        charge_ns(1'000'000'000 / steprate_);
    }
}

std::vector<std::uint8_t> Ft232rEmulator::bulkin(std::size_t length) {
    std::vector<std::uint8_t> out;
    if (!present_ || length < k_status_bytes) return out;
    // Full packets follow each other; a short one ends the transfer.
    while (length - out.size() >= k_status_bytes) {
        out.push_back(k_status0);
        out.push_back(k_status1);
        const std::size_t room = std::min(k_packet_size - k_status_bytes, length - out.size());
        std::size_t moved = 0;
        while (moved < room && !readback_.empty()) {
            out.push_back(readback_.front());
            readback_.pop_front();
            ++moved;
        }
        clockout();  // the drained FIFO lets stalled bytes go out
        if (moved < k_packet_size - k_status_bytes || readback_.empty()) break;
    }
    return out;
}

void Ft232rEmulator::roundtrip(std::int64_t bytes) {
    ++roundtrips_;
    // Bus and pins overlap in a stream: the bus adds time only where it is the slower of the two.
    const std::int64_t bus_ns = bytes * 1'000'000'000 / timing_.bytes_per_s;
    const std::int64_t pins_ns = bytes * (1'000'000'000 / steprate_);
    charge_ns(timing_.roundtrip_ns + std::max<std::int64_t>(bus_ns - pins_ns, 0));
}

void Ft232rEmulator::unplug() {
    present_ = false;
    towrite_.clear();
    readback_.clear();
    board_.drivebits(0, 0);
}

std::vector<std::uint8_t> Ft232rEmulator::devicedescriptor() const {
    return {18, k_descriptor_device, 0x00, 0x02,  // USB 2.0
            0x00, 0x00, 0x00, 8,                  // class per interface, 8-byte control packets
            low(identity_.vendor), high(identity_.vendor), low(identity_.product), high(identity_.product),
            0x00, 0x06,                           // device release 6.00, an FT232R
            1, 2, 3,                              // manufacturer, product, serial strings
            1};                                   // one configuration
}

std::vector<std::uint8_t> Ft232rEmulator::configdescriptor() const {
    return {9, k_descriptor_config, 32, 0, 1, 1, 0, 0xA0, 45,  // bus powered, remote wakeup, 90 mA
            9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2,             // interface 0: two endpoints, vendor class
            7, 5, 0x81, 0x02, k_packet_size, 0, 0,          // bulk IN 1
            7, 5, 0x02, 0x02, k_packet_size, 0, 0};         // bulk OUT 2
}

std::vector<std::uint8_t> Ft232rEmulator::stringdescriptor(std::uint8_t index) const {
    return usbstringdescriptor(identity_, index);
}

}  // namespace vornalt
