#include "pickit/pickit_link.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "pickit/pickit_protocol.h"
#include "platform/bitbang_device.h"
#include "port/line_role.h"

namespace vornalt::pickit {

std::string versiontext(const FirmwareVersion& version) {
    char text[40];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", version.major, version.minor, version.dot);
    return text;
}

bool supported(const FirmwareVersion& version) {
    return version.major > k_min_major || (version.major == k_min_major && version.minor >= k_min_minor);
}

namespace {

constexpr std::uint8_t lowbyte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
constexpr std::uint8_t k_unknown = 2;
constexpr std::int64_t k_power_step_us = 50'000;

// The programmer trips its fault when a supply stays below this share of its setting.
constexpr double k_fault_share = 0.8;

ScriptBytes setvddcommand(double volts) {
    const auto ccp = static_cast<std::int32_t>(std::lround(volts * 32 + 10.5)) << 6;
    const auto limit = static_cast<std::int32_t>(k_fault_share * volts / k_vdd_full_scale * 255);
    return {set_vdd, lowbyte(ccp), lowbyte(ccp >> 8), lowbyte(limit)};
}

ScriptBytes setvppcommand(double volts) {
    const auto target = static_cast<std::int32_t>(std::lround(volts * k_vpp_adc_per_volt));
    const auto limit = static_cast<std::int32_t>(k_fault_share * volts * k_vpp_adc_per_volt);
    return {set_vpp, k_vpp_duty, lowbyte(target), lowbyte(limit)};
}

bool hasreply(std::uint8_t command) {
    return command == upload_data || command == read_status || command == read_voltages;
}

}  // namespace

PickitLink::PickitLink(HidTransport& transport) : transport_(transport), levels_(k_kept_samples, k_unknown) {}

void PickitLink::fail(std::string message) {
    if (status_) status_ = Status(Error{std::move(message)});
}

void PickitLink::lost(const Error& error) {
    fail(std::string(k_programmer_disconnected) + " (" + error.message + ").");
    gone_ = true;
}

void PickitLink::sendall(const std::vector<HidReport>& reports) {
    for (const HidReport& report : reports) {
        if (gone_) return;
        ++reports_;
        if (const Status sent = transport_.write(report); !sent) lost(sent.error());
    }
}

void PickitLink::queue(const ScriptBytes& piece) {
    if (gone_ || piece.empty()) return;
    const std::vector<HidReport> closed = packer_.add(piece);
    if (!closed.empty()) reportdelay_ns_ = 0;  // the report now filling starts with this piece
    sendall(closed);
}

bool PickitLink::exchange(const ScriptBytes& commands, std::vector<HidReport>& replies) {
    if (gone_) return false;
    sendall(packer_.finish(commands));
    reportdelay_ns_ = 0;
    for (const std::uint8_t command : commands) {
        if (!hasreply(command)) continue;
        if (gone_) return false;
        Result<HidReport> got = transport_.read(k_reply_timeout_ms);
        if (!got) {
            lost(got.error());
            return false;
        }
        replies.push_back(got.value());
    }
    return !gone_;
}

void PickitLink::restorepins() {
    const bool clock = lines_[lineindex(Line::clock)];
    const bool data = lines_[lineindex(Line::dataout)];
    if (pgc_ == clock && pgd_ == data && !pgdinput_) return;
    ScriptBytes pins;
    appendpins(pins, clock, data, false);
    queue(pins);
    pgc_ = clock;
    pgd_ = data;
    pgdinput_ = false;
}

void PickitLink::resolve(const HidReport& reply) {
    if (reply[0] != uploadbytes_) {
        fail("The PICkit sent " + std::to_string(reply[0]) + " bytes where " + std::to_string(uploadbytes_) +
             " were read: unplug it and plug it in again");
    }
    std::size_t at = 1;
    for (const Upload& upload : uploads_) {
        if (!status_) break;
        if (!upload.word) {
            levels_[static_cast<std::size_t>(upload.first) % k_kept_samples] = (reply[at] & k_state_pgd) != 0 ? 1 : 0;
            at += 1;
            continue;
        }
        // Frame bit 0 is the start bit: the word's bit i is frame bit i + 1.
        const std::int32_t frame = reply[at] | (reply[at + 1] << 8);
        for (int i = 0; i < 14; ++i) {
            levels_[static_cast<std::size_t>(upload.first + i) % k_kept_samples] = ((frame >> (i + 1)) & 1) != 0 ? 1 : 0;
        }
        at += 2;
    }
    uploads_.clear();
    uploadbytes_ = 0;
}

void PickitLink::reserveupload(int bytes) {
    if (uploadbytes_ + bytes <= k_upload_chunk) return;
    std::vector<HidReport> replies;
    if (!status_) {
        // After a fault nothing is read any more; the buffer is emptied so it cannot overflow.
        static_cast<void>(exchange({clr_upload_buffer}, replies));
        uploads_.clear();
        uploadbytes_ = 0;
        return;
    }
    if (exchange({upload_data}, replies)) {
        resolve(replies.front());
        return;
    }
    uploads_.clear();  // the programmer is gone: these samples stay unknown
    uploadbytes_ = 0;
}

void PickitLink::checkstatus(const HidReport& reply) {
    const auto status = static_cast<std::uint16_t>(reply[0] | (reply[1] << 8));
    if ((status & k_status_vdd_error) != 0) {
        fail("Programmer reports a VDD short: remove the chip and check the wiring");
    } else if ((status & k_status_vpp_error) != 0) {
        fail("Programmer reports a VPP fault (MCLR pulled down or shorted): remove the chip and check the wiring");
    } else if ((status & k_status_script_errors) != 0) {
        char text[96];
        std::snprintf(text, sizeof text, "The PICkit refused a script (status %04X): unplug it and plug it in again",
                      status);
        fail(text);
    }
}

Result<FirmwareVersion> PickitLink::askversion() {
    // A reply some earlier program left unread would be taken for the version: drop it first.
    for (int stale = 0; stale < 8 && transport_.read(0); ++stale) {
    }
    const HidReport query = makereport(ScriptBytes{firmware_version});
    std::string reason = "no answer";
    for (int attempt = 0; attempt < k_version_attempts; ++attempt) {
        ++reports_;
        if (const Status sent = transport_.write(query); !sent) return sent.error();
        Result<HidReport> got = transport_.read(k_reply_timeout_ms);
        if (!got) {
            reason = got.error().message;
            continue;
        }
        const HidReport r = got.value();
        // The bootloader answers with the command itself first.
        if (r[0] == firmware_version) {
            return Error{"The PICkit is in its bootloader mode: load its firmware (2.32 or later) first"};
        }
        // A slow clone may still answer the queries sent before this one: those replies must not
        // be taken for the answer to a later command.
        for (int extra = 0; extra < attempt; ++extra) {
            if (!transport_.read(k_reply_timeout_ms)) break;
        }
        return FirmwareVersion{r[0], r[1], r[2]};
    }
    return Error{"The PICkit does not tell its firmware version (" + reason + "): unplug it and plug it in again"};
}

Status PickitLink::open(double vdd_volts, double vpp_volts) {
    Result<FirmwareVersion> asked = askversion();
    if (!asked) {
        fail(asked.error().message);
        return status_;
    }
    version_ = asked.value();
    if (!supported(version_)) {
        fail("PICkit firmware " + versiontext(version_) +
             " is too old: version 2.32 or later is needed; update the programmer's firmware first");
        return status_;
    }
    ScriptBytes setup = setvddcommand(vdd_volts);
    const ScriptBytes vpp = setvppcommand(vpp_volts);
    setup.insert(setup.end(), vpp.begin(), vpp.end());
    setup.push_back(clr_upload_buffer);
    sendall({makereport(setup)});
    opened_ = true;
    lines_ = {};
    queue({vdd_off, vpp_off});
    suppliesknown_ = true;
    restorepins();
    // Reading the status once clears what it latched before this run.
    std::vector<HidReport> replies;
    static_cast<void>(exchange({read_status}, replies));
    return status_;
}

Result<Voltages> PickitLink::readvoltages() {
    std::vector<HidReport> replies;
    if (!exchange({read_voltages}, replies)) return status_.error();
    const HidReport& r = replies.front();
    const double vdd = (r[0] | (r[1] << 8)) / 65536.0 * k_vdd_full_scale;
    const double vpp = (r[2] | (r[3] << 8)) / 65536.0 * k_vpp_full_scale;
    return Voltages{vdd, vpp};
}

bool PickitLink::measure(double& vdd, double& vpp) {
    if (!uploads_.empty() || !status_) return false;  // samples waiting come first, through flush()
    const Result<Voltages> measured = readvoltages();
    if (!measured) return false;
    vdd = measured.value().vdd;
    vpp = measured.value().vpp;
    return true;
}

void PickitLink::close() {
    if (!opened_) return;
    opened_ = false;
    drop();
    if (gone_) return;  // a programmer that is gone cannot be told anything
    // VDD falls first; then VPP, and the ICSP pins are let go.
    queue({vdd_off});
    static_cast<void>(hold_us(k_power_step_us));
    queue({vpp_off, set_icsp_pins, static_cast<std::uint8_t>(k_pgc_input | k_pgd_input)});
    std::vector<HidReport> replies;
    static_cast<void>(exchange({}, replies));
}

void PickitLink::put(const OutputLines& lines) {
    ScriptBytes supplies;
    for (const Line line : {Line::vdd, Line::vpp}) {
        const bool on = lines[lineindex(line)];
        // After a drop the programmer may hold either state: "off" is sent again, never "on" (a
        // drop comes before a power-down, and a shorted supply must not be switched on again).
        if (suppliesknown_ ? on == lines_[lineindex(line)] : on) continue;
        if (line == Line::vdd) supplies.push_back(on ? vdd_on : vdd_off);
        if (line == Line::vpp) supplies.push_back(on ? vpp_on : vpp_off);
        powerstep_ = true;
    }
    suppliesknown_ = true;
    lines_ = lines;
    queue(supplies);
    restorepins();
    // A supply fault has ended its run once both supplies are off again: the next run (the short
    // removed) starts afresh, and its own status reads decide.
    if (!status_ && usable() && !lines[lineindex(Line::vdd)] && !lines[lineindex(Line::vpp)]) status_ = Status{};
}

std::int64_t PickitLink::sample() {
    reserveupload(1);
    ScriptBytes piece;
    // PGD is let go while it is sampled, so nothing fights the chip's output.
    appendpins(piece, pgc_, false, true);
    appendsample(piece);
    queue(piece);
    pgdinput_ = true;
    restorepins();
    const std::int64_t number = samples_++;
    levels_[static_cast<std::size_t>(number) % k_kept_samples] = k_unknown;
    uploads_.push_back({number, false});
    uploadbytes_ += 1;
    return number;
}

bool PickitLink::frame(std::int32_t code, std::int32_t word) {
    ScriptBytes piece;
    if (word < 0) {
        appendcommand(piece, code);
    } else {
        appendcommanddata(piece, code, word);
    }
    queue(piece);
    // The programmer leaves PGC low and PGD driven at the last bit it sent (a frame's stop bit 0).
    pgc_ = false;
    pgd_ = word < 0 && ((code >> 5) & 1) != 0;
    pgdinput_ = false;
    restorepins();
    return true;
}

std::int64_t PickitLink::readframe(std::int32_t code) {
    reserveupload(k_read_upload_bytes);
    ScriptBytes piece;
    appendread(piece, code);
    queue(piece);
    pgc_ = false;
    pgdinput_ = true;  // PGD was let go for the chip: driven again as the driver put it
    restorepins();
    const std::int64_t first = samples_;
    samples_ += 14;
    for (std::int64_t n = first; n < samples_; ++n) levels_[static_cast<std::size_t>(n) % k_kept_samples] = k_unknown;
    uploads_.push_back({first, true});
    uploadbytes_ += k_read_upload_bytes;
    return first;
}

Status PickitLink::flush() {
    if (gone_) {
        drop();
        return status_;
    }
    ScriptBytes commands;
    const bool upload = !uploads_.empty();
    if (upload) commands.push_back(status_ ? upload_data : clr_upload_buffer);
    const bool askstatus = powerstep_ && status_;
    if (askstatus) commands.push_back(read_status);
    std::vector<HidReport> replies;
    if (!exchange(commands, replies)) {
        drop();
        return status_;
    }
    std::size_t next = 0;
    if (upload && status_) {
        resolve(replies[next++]);
    } else {
        uploads_.clear();
        uploadbytes_ = 0;
    }
    if (askstatus) {
        powerstep_ = false;
        checkstatus(replies[next]);
    }
    return status_;
}

bool PickitLink::value(std::int64_t sample) const {
    if (sample < 0 || sample >= samples_ || samples_ - sample > static_cast<std::int64_t>(k_kept_samples)) return false;
    return levels_[static_cast<std::size_t>(sample) % k_kept_samples] == 1;
}

bool PickitLink::hold_us(std::int64_t us) {
    constexpr std::int64_t k_least_piece_ns = 1'000'000;
    std::int64_t left = us * 1000;
    while (left > 0 && !gone_) {
        const std::int64_t room = k_max_report_delay_ns - reportdelay_ns_;
        if (room < std::min(left, k_least_piece_ns)) {
            // This report has its share of waiting: it goes now, the rest of the wait follows.
            sendall(packer_.finish());
            reportdelay_ns_ = 0;
            continue;
        }
        const std::int64_t part = std::min(left, room);
        ScriptBytes delays;
        appenddelay_ns(delays, part);
        for (std::size_t i = 0; i + 1 < delays.size(); i += 2) queue({delays[i], delays[i + 1]});
        reportdelay_ns_ += delayduration_ns(delays);
        left -= part;
    }
    return true;
}

void PickitLink::drop() {
    packer_.clear();
    // Reads already sent left bytes in the programmer's upload buffer; they are thrown away there
    // too, so the next fetch holds only what follows.
    if (uploadbytes_ > 0 && !gone_) sendall({makereport(ScriptBytes{clr_upload_buffer})});
    uploads_.clear();
    uploadbytes_ = 0;
    // What was dropped never reached the pins: the next put sets every line afresh.
    suppliesknown_ = false;
    pgdinput_ = true;
}

}  // namespace vornalt::pickit
