#include "sim/pickit2_emulator.h"

#include <algorithm>
#include <cmath>

#include "pickit/pickit_protocol.h"

namespace vornalt {

using namespace pickit;

namespace {

// Status bits the firmware keeps in its high byte: any of them stops every later script until
// the status is read.
constexpr std::uint16_t k_upload_full = 0x0800;
constexpr std::uint16_t k_download_empty = 0x1000;
constexpr std::uint16_t k_empty_script = 0x2000;
constexpr std::uint16_t k_download_overflow = 0x8000;

// A delay count of 0 runs the timer through all 256 steps.
constexpr std::int64_t delaycount(std::uint8_t count) { return count == 0 ? 256 : count; }

}  // namespace

Pickit2Emulator::Pickit2Emulator(VirtualClock& clock, Pickit2Options options)
    : clock_(clock), options_(options) {}

Status Pickit2Emulator::write(const HidReport& report) {
    if (unplugged_) return Error{"the device was disconnected", 19};
    clock_.advance_ns(options_.usb_report_ns);
    ++written_;
    const std::int64_t started = clock_.now_ns();
    const std::uint8_t* in = report.data();
    int i = 0;
    const auto arg = [&](int k) { return i + k < k_report_size ? in[i + k] : std::uint8_t{0}; };
    while (i < k_report_size) {
        switch (in[i]) {
        case 0x5A: i += 1; break;  // no operation
        case firmware_version:
            if (options_.unanswered_version_queries > 0) {
                --options_.unanswered_version_queries;
            } else if (options_.late_version_replies > 0) {
                --options_.late_version_replies;
                ++withheld_;
                reply({options_.version[0], options_.version[1], options_.version[2]});
            } else if (options_.bootloader) {
                reply({firmware_version, 2, 0});
            } else {
                reply({options_.version[0], options_.version[1], options_.version[2]});
            }
            i += 1;
            break;
        case set_vdd: {
            const int ccp = arg(1) | (arg(2) << 8);
            vdd_volts_ = ((ccp >> 6) - 10.5) / 32.0;
            i += 4;
            break;
        }
        case set_vpp:
            vpp_volts_ = arg(2) / k_vpp_adc_per_volt;
            i += 4;
            break;
        case read_status: statusreply(); i += 1; break;
        case read_voltages: voltagesreply(); i += 1; break;
        case download_script: i += 3 + arg(2); break;  // stored scripts are not used by the host here
        case run_script:
            status_ |= k_empty_script;
            i += 3;
            break;
        case execute_script: {
            const int length = arg(1);
            const int available = k_report_size - (i + 2);
            if (length == 0 || length > available) {
                status_ |= k_empty_script;
                i = k_report_size;
                break;
            }
            runscript(in + i + 2, length);
            i += 2 + length;
            break;
        }
        case clr_download_buffer: download_.clear(); i += 1; break;
        case download_data: {
            const int length = std::min<int>(arg(1), k_report_size - (i + 2));
            if (static_cast<int>(download_.size()) + length > k_download_buffer) {
                status_ |= k_download_overflow;
            } else {
                download_.insert(download_.end(), in + i + 2, in + i + 2 + length);
            }
            i += 2 + length;
            break;
        }
        case clr_upload_buffer: upload_.clear(); i += 1; break;
        case upload_data: uploadreply(); i += 1; break;
        default: i = k_report_size; break;  // END_OF_BUFFER or anything unknown ends the report
        }
    }
    longestreport_ns_ = std::max(longestreport_ns_, clock_.now_ns() - started);
    return {};
}

Result<HidReport> Pickit2Emulator::read(std::int32_t timeout_ms) {
    if (unplugged_) return Error{"the device was disconnected", 19};
    if (replies_.empty() || withheld_ > 0) {
        if (withheld_ > 0) --withheld_;
        clock_.advance_ns(std::int64_t{timeout_ms} * 1'000'000);
        return Error{"no answer within the timeout", 110};
    }
    clock_.advance_ns(options_.usb_report_ns);
    ++read_;
    HidReport next = replies_.front();
    replies_.pop_front();
    return next;
}

void Pickit2Emulator::reply(std::initializer_list<std::uint8_t> bytes) {
    HidReport report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    replies_.push_back(report);
}

void Pickit2Emulator::uploadreply() {
    HidReport report{};
    const int length = std::min<int>(static_cast<int>(upload_.size()), k_report_size - 1);
    report[0] = static_cast<std::uint8_t>(length);
    for (int k = 1; k <= length; ++k) {
        report[static_cast<std::size_t>(k)] = upload_.front();
        upload_.pop_front();
    }
    replies_.push_back(report);
}

void Pickit2Emulator::statusreply() {
    std::uint16_t now = status_;
    if (vdd_) now |= k_status_vdd_on;
    if (vpp_) now |= k_status_vpp_on;
    reply({static_cast<std::uint8_t>(now & 0xFF), static_cast<std::uint8_t>(now >> 8)});
    // Reading the status clears its errors and flags.
    status_ = 0;
}

void Pickit2Emulator::voltagesreply() {
    const auto adc = [](double volts, double fullscale) {
        return static_cast<std::uint16_t>(std::clamp(volts / fullscale * 65536.0, 0.0, 65535.0));
    };
    const std::uint16_t vdd = vdd_ && !options_.vdd_short ? adc(vdd_volts_, k_vdd_full_scale) : 0;
    const std::uint16_t vpp = vpp_ && !options_.vpp_short ? adc(vpp_volts_, k_vpp_full_scale) : 0;
    reply({static_cast<std::uint8_t>(vdd & 0xFF), static_cast<std::uint8_t>(vdd >> 8),
           static_cast<std::uint8_t>(vpp & 0xFF), static_cast<std::uint8_t>(vpp >> 8)});
}

void Pickit2Emulator::runscript(const std::uint8_t* script, int length) {
    int i = 0;
    int loopstart = -1;
    int loopsleft = 0;
    const auto arg = [&](int k) { return i + k < length ? script[i + k] : std::uint8_t{0}; };
    while (i < length && (status_ & k_status_script_errors) == 0) {
        pass(options_.opcode_ns);
        switch (script[i]) {
        case vdd_on:
            vdd_ = true;
            if (options_.vdd_short) status_ |= k_status_vdd_error;
            apply();
            i += 1;
            break;
        case vdd_off: vdd_ = false; apply(); i += 1; break;
        case vpp_on:
            vpp_ = true;
            if (options_.vpp_short) status_ |= k_status_vpp_error;
            apply();
            i += 1;
            break;
        case vpp_off: vpp_ = false; apply(); i += 1; break;
        case 0xFD: case 0xFC: case 0xF9: case 0xF8: case 0xF7: case 0xF6: case 0xF5: case 0xF4:
            i += 1;  // supply grounding, VPP pump, MCLR hold and LED: nothing the chip sees here
            break;
        case set_icsp_pins: {
            const std::uint8_t pins = arg(1);
            pgc_input_ = (pins & k_pgc_input) != 0;
            pgd_input_ = (pins & k_pgd_input) != 0;
            pgc_ = (pins & k_pgc_high) != 0;
            pgd_ = (pins & k_pgd_high) != 0;
            apply();
            i += 2;
            break;
        }
        case write_byte_literal: shiftout(arg(1), 8); i += 2; break;
        case write_byte_buffer: shiftout(download(), 8); i += 1; break;
        case read_byte_buffer: upload(shiftin(8)); i += 1; break;
        case 0xEF: static_cast<void>(shiftin(8)); i += 1; break;        // READ_BYTE
        case write_bits_literal: shiftout(arg(2), arg(1)); i += 3; break;
        case write_bits_buffer: shiftout(download(), arg(1)); i += 2; break;
        case read_bits_buffer: upload(shiftin(arg(1))); i += 2; break;
        case 0xEB: static_cast<void>(shiftin(arg(1))); i += 2; break;  // READ_BITS
        case 0xEA: i += 2; break;  // ICSP speed: the emulator runs at the fastest
        case loop:
            if (loopstart >= 0) {
                if (--loopsleft == 0) {
                    loopstart = -1;
                    i += 3;
                } else {
                    i = loopstart;
                }
                break;
            }
            loopstart = std::max(0, i - arg(1));
            loopsleft = arg(2);
            i = loopsleft == 0 ? i + 3 : loopstart;
            if (loopsleft == 0) loopstart = -1;
            break;
        case delay_long: pass(delaycount(arg(1)) * k_delay_long_thirds_ns / 3); i += 2; break;
        case delay_short: pass(delaycount(arg(1)) * k_delay_short_thirds_ns / 3); i += 2; break;
        case icsp_states_buffer:
            upload(static_cast<std::uint8_t>((pgdlevel() ? k_state_pgd : 0) | (pgc_ && !pgc_input_ ? k_state_pgc : 0)));
            i += 1;
            break;
        default: i = length; break;  // EXIT_SCRIPT and anything not emulated end the script
        }
    }
}

void Pickit2Emulator::apply() {
    if (chip_ == nullptr) return;
    const ChipPins pins{vdd_ && !options_.vdd_short, vpp_ && !options_.vpp_short, pgc_ && !pgc_input_,
                        pgd_input_ ? true : pgd_};
    chip_->apply(pins, clock_.now_ns());
}

void Pickit2Emulator::pass(std::int64_t ns) {
    clock_.advance_ns(ns);
    if (chip_ != nullptr) chip_->settle(clock_.now_ns());
}

// A released PGD is pulled up; the chip pulls the line low to send a 0.
bool Pickit2Emulator::pgdlevel() const {
    const bool host = pgd_input_ ? true : pgd_;
    return host && (chip_ == nullptr || chip_->dataoutput());
}

// Each bit: PGD set, PGC up, PGC down; the chip latches PGD on the falling edge.
void Pickit2Emulator::shiftout(std::uint8_t bits, int count) {
    pgd_input_ = false;  // the programmer drives PGD for what it sends
    for (int k = 0; k < count && k < 8; ++k) {
        pgd_ = ((bits >> k) & 1) != 0;
        apply();
        pass(options_.half_bit_ns);
        pgc_ = true;
        apply();
        pass(options_.half_bit_ns);
        pgc_ = false;
        apply();
    }
    pass(options_.half_bit_ns);
}

// PGD is released for the read and driven again afterwards unless the pins byte left it an
// input; each bit is sampled while PGC is up.
std::uint8_t Pickit2Emulator::shiftin(int count) {
    const bool wasinput = pgd_input_;
    pgd_input_ = true;
    apply();
    std::uint8_t value = 0;
    for (int k = 0; k < count && k < 8; ++k) {
        pgc_ = true;
        apply();
        pass(options_.half_bit_ns);
        if (pgdlevel()) value = static_cast<std::uint8_t>(value | (1 << k));
        pgc_ = false;
        apply();
        pass(options_.half_bit_ns);
    }
    pgd_input_ = wasinput;
    apply();
    return value;
}

void Pickit2Emulator::upload(std::uint8_t byte) {
    if (static_cast<int>(upload_.size()) >= k_upload_buffer) {
        status_ |= k_upload_full;
        return;
    }
    upload_.push_back(byte);
}

std::uint8_t Pickit2Emulator::download() {
    if (download_.empty()) {
        status_ |= k_download_empty;
        return 0;
    }
    const std::uint8_t byte = download_.front();
    download_.pop_front();
    return byte;
}

namespace {

constexpr std::uint8_t k_get_descriptor = 6;
constexpr std::uint8_t lowbyte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// A vendor-defined collection of 64 bytes in and 64 bytes out.
const std::vector<std::uint8_t>& reportdescriptor() {
    static const std::vector<std::uint8_t> bytes{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x19, 0x01, 0x29, 0x40,
                                                 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02,
                                                 0x19, 0x01, 0x29, 0x40, 0x91, 0x02, 0xC0};
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> Pickit2Emulator::devicedescriptor() const {
    return {18,   1,    0x00, 0x02, 0x00, 0x00, 0x00, 8, lowbyte(identity_.vendor), lowbyte(identity_.vendor >> 8),
            lowbyte(identity_.product), lowbyte(identity_.product >> 8), 0x02, 0x00, 1, 2, 3, 1};
}

std::vector<std::uint8_t> Pickit2Emulator::configdescriptor() const {
    const auto report = static_cast<int>(reportdescriptor().size());
    return {9, 2, 41, 0, 1, 1, 0, 0x80, 50,                              // bus powered, 100 mA
            9, 4, 0, 0, 2, 0x03, 0x00, 0x00, 0,                          // interface 0: HID, two endpoints
            9, 0x21, 0x11, 0x01, 0, 1, 0x22, lowbyte(report), lowbyte(report >> 8),
            7, 5, 0x81, 0x03, 64, 0, 1,                                  // interrupt IN 1, every 1 ms
            7, 5, 0x01, 0x03, 64, 0, 1};                                 // interrupt OUT 1
}

std::optional<std::vector<std::uint8_t>> Pickit2Emulator::controlin(std::uint8_t requesttype, std::uint8_t request,
                                                                    std::uint16_t value, std::uint16_t,
                                                                    std::uint16_t length) {
    if (unplugged_ || request != k_get_descriptor) return std::nullopt;
    std::vector<std::uint8_t> answer;
    if (requesttype == 0x80 && value >> 8 == 1) answer = devicedescriptor();
    if (requesttype == 0x80 && value >> 8 == 2) answer = configdescriptor();
    if (requesttype == 0x80 && value >> 8 == 3) answer = usbstringdescriptor(identity_, lowbyte(value));
    if (requesttype == 0x81 && value >> 8 == 0x22) answer = reportdescriptor();
    if (answer.empty()) return std::nullopt;
    if (answer.size() > length) answer.resize(length);
    return answer;
}

std::size_t Pickit2Emulator::transferout(std::uint8_t, std::span<const std::uint8_t> data) {
    HidReport report;
    report.fill(end_of_buffer);
    std::copy_n(data.begin(), std::min(data.size(), report.size()), report.begin());
    if (!write(report)) return 0;
    return data.size();
}

std::optional<std::vector<std::uint8_t>> Pickit2Emulator::transferin(std::uint8_t, std::size_t length) {
    if (unplugged_ || replies_.empty()) return std::nullopt;
    Result<HidReport> reply = read(0);
    if (!reply) return std::nullopt;
    return std::vector<std::uint8_t>(reply.value().begin(), reply.value().begin() + std::min<std::size_t>(length, 64));
}

}  // namespace vornalt
