#include "pickit/pickit_link.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "pickit/pickit_protocol.h"

namespace vornalt::pickit {

std::string versiontext(const FirmwareVersion& version) {
    char text[24];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", version.major, version.minor, version.dot);
    return text;
}

namespace {

constexpr std::uint8_t lowbyte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// The programmer trips its fault when a supply stays below this share of its setting.
constexpr double k_fault_share = 0.8;

ScriptBytes setvddcommand(double volts) {
    const auto ccp = static_cast<std::int32_t>(std::lround(volts * 32 + 10.5)) << 6;
    const auto limit = static_cast<std::int32_t>(k_fault_share * volts / k_vdd_full_scale * 255);
    return {set_vdd, lowbyte(ccp), lowbyte(ccp >> 8), lowbyte(limit)};
}

ScriptBytes setvppcommand(double volts) {
    const auto target = static_cast<std::int32_t>(volts * k_vpp_adc_per_volt);
    const auto limit = static_cast<std::int32_t>(k_fault_share * volts * k_vpp_adc_per_volt);
    return {set_vpp, k_vpp_duty, lowbyte(target), lowbyte(limit)};
}

bool tooold(const FirmwareVersion& v) {
    return v.major < k_min_major || (v.major == k_min_major && v.minor < k_min_minor);
}

}  // namespace

void PickitLink::fail(std::string message) {
    if (status_) status_ = Status(Error{std::move(message)});
}

void PickitLink::lost(const Error& error) {
    fail("The PICkit stopped answering: " + error.message);
    gone_ = true;
}

void PickitLink::sendall(const std::vector<HidReport>& reports) {
    for (const HidReport& report : reports) {
        if (gone_) return;
        if (const Status sent = transport_.write(report); !sent) lost(sent.error());
    }
}

void PickitLink::queue(const ScriptBytes& piece) {
    if (gone_) return;
    sendall(packer_.add(piece));
}

// Still sent after the programmer reported a fault (the power-down that follows must reach
// it); only a programmer that is gone gets nothing more.
bool PickitLink::exchange(const ScriptBytes& commands, std::vector<HidReport>* replies) {
    if (gone_) return false;
    sendall(packer_.finish(commands));
    for (const std::uint8_t command : commands) {
        if (command != upload_data && command != read_status && command != read_voltages) continue;
        if (gone_) return false;
        Result<HidReport> got = transport_.read(k_reply_timeout_ms);
        if (!got) {
            lost(got.error());
            return false;
        }
        if (replies != nullptr) replies->push_back(got.value());
    }
    return !gone_;
}

void PickitLink::checkstatus(const HidReport& reply) {
    const std::uint16_t status = static_cast<std::uint16_t>(reply[0] | (reply[1] << 8));
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
    const HidReport query = makereport(ScriptBytes{firmware_version});
    std::string reason = "no answer";
    for (int attempt = 0; attempt < k_version_attempts; ++attempt) {
        if (const Status sent = transport_.write(query); !sent) return sent.error();
        Result<HidReport> got = transport_.read(k_reply_timeout_ms);
        if (!got) {
            reason = got.error().message;
            continue;
        }
        const HidReport& r = got.value();
        return FirmwareVersion{r[0], r[1], r[2]};
    }
    return Error{"The PICkit does not tell its firmware version (" + reason +
                 "): unplug it and plug it in again"};
}

Status PickitLink::open(double vdd_volts, double vpp_volts) {
    Result<FirmwareVersion> asked = askversion();
    if (!asked) {
        fail(asked.error().message);
        return status_;
    }
    version_ = asked.value();
    if (tooold(version_)) {
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
    queue({vdd_off, vpp_off});
    clock_ = false;
    data_ = false;
    ScriptBytes pins;
    appendpins(pins, false, false, false);
    queue(pins);
    // Reading the status once clears what it latched before this run.
    if (exchange({read_status}, nullptr)) powerstep_ = false;
    return status_;
}

Result<Voltages> PickitLink::readvoltages() {
    std::vector<HidReport> replies;
    if (!exchange({read_voltages}, &replies)) return status_.error();
    if (!status_) return status_.error();
    const HidReport& r = replies.front();
    const double vdd = (r[0] | (r[1] << 8)) / 65536.0 * k_vdd_full_scale;
    const double vpp = (r[2] | (r[3] << 8)) / 65536.0 * k_vpp_full_scale;
    return Voltages{vdd, vpp};
}

Result<bool> PickitLink::readdatain() {
    ScriptBytes script;
    appendpins(script, clock_, false, true);
    appendsample(script);
    appendpins(script, clock_, data_, false);
    queue(script);
    std::vector<HidReport> replies;
    if (!exchange({upload_data}, &replies) || !status_) return status_.error();
    const HidReport& r = replies.front();
    if (r[0] != 1) return Error{"The PICkit sent an unexpected reply to a line sample"};
    return (r[1] & k_state_pgd) != 0;
}

void PickitLink::close() {
    if (!opened_) return;
    opened_ = false;
    packer_.clear();
    if (gone_) return;  // a programmer that is gone cannot be told anything
    // VDD falls first; then VPP, and the ICSP pins are let go.
    queue({vdd_off});
    hold_us(50'000);
    queue({vpp_off, set_icsp_pins, static_cast<std::uint8_t>(k_pgc_input | k_pgd_input)});
    static_cast<void>(exchange({}, nullptr));
}

void PickitLink::command(std::int32_t code) {
    ScriptBytes piece;
    appendcommand(piece, code);
    queue(piece);
}

void PickitLink::commanddata(std::int32_t code, std::int32_t word) {
    ScriptBytes piece;
    appendcommanddata(piece, code, word);
    queue(piece);
}

std::int32_t PickitLink::readword(std::int32_t code) {
    ScriptBytes piece;
    appendread(piece, code);
    queue(piece);
    ScriptBytes commands{upload_data};
    if (powerstep_) commands.push_back(read_status);
    std::vector<HidReport> replies;
    if (!exchange(commands, &replies)) return 0;
    if (powerstep_) {
        powerstep_ = false;
        checkstatus(replies.back());
    }
    if (!status_) return 0;
    const HidReport& r = replies.front();
    if (r[0] != k_read_upload_bytes) {
        fail("The PICkit sent an unexpected reply to a read: unplug it and plug it in again");
        return 0;
    }
    return decodeword(r[1], r[2]);
}

void PickitLink::setline(Line line, bool on) {
    switch (line) {
    case Line::vdd:
        queue({on ? vdd_on : vdd_off});
        powerstep_ = true;
        return;
    case Line::vpp:
        queue({on ? vpp_on : vpp_off});
        powerstep_ = true;
        return;
    case Line::clock: clock_ = on; break;
    case Line::dataout: data_ = on; break;
    case Line::datain: return;
    }
    ScriptBytes pins;
    appendpins(pins, clock_, data_, false);
    queue(pins);
}

void PickitLink::hold_us(std::int64_t us) {
    ScriptBytes delays;
    appenddelay_ns(delays, us * 1000);
    for (std::size_t i = 0; i + 1 < delays.size(); i += 2) queue({delays[i], delays[i + 1]});
}

Status PickitLink::flush() {
    if (!powerstep_) {
        static_cast<void>(exchange({}, nullptr));
        return status_;
    }
    std::vector<HidReport> replies;
    if (exchange({read_status}, &replies)) {
        powerstep_ = false;
        checkstatus(replies.front());
    }
    return status_;
}

}  // namespace vornalt::pickit
