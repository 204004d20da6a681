#pragma once
// A port backend that listens on the programmer lines the way a chip would and writes down
// what crossed the wire: power changes, commands, data frames and reads. It knows only the
// framing (6-bit command, 16-clock frame, bits latched on the falling CLOCK edge, LSB first)
// and which command codes carry a frame; it has no memory of its own. Reads are answered by
// a callback. The pin wiring comes from the driver state, so any wiring setting works.
#include <cstdint>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/pin_map.h"
#include "port/port_driver.h"

namespace vornalt {

struct WireEvent {
    enum class Kind { vddon, vddoff, vppon, vppoff, command, load, read };
    Kind kind;
    std::int32_t code = 0;
    std::int32_t word = 0;
    std::int64_t at_ms = 0;  // time of the event on the test's clock

    bool operator==(const WireEvent& other) const {
        return kind == other.kind && code == other.code && word == other.word;
    }
};

inline WireEvent command(std::int32_t code) { return {WireEvent::Kind::command, code, 0}; }
inline WireEvent load(std::int32_t code, std::int32_t word) { return {WireEvent::Kind::load, code, word}; }
inline WireEvent readword(std::int32_t code, std::int32_t word) { return {WireEvent::Kind::read, code, word}; }
inline WireEvent vddon() { return {WireEvent::Kind::vddon}; }
inline WireEvent vddoff() { return {WireEvent::Kind::vddoff}; }
inline WireEvent vppon() { return {WireEvent::Kind::vppon}; }
inline WireEvent vppoff() { return {WireEvent::Kind::vppoff}; }

inline std::string describe(const WireEvent& e) {
    switch (e.kind) {
    case WireEvent::Kind::vddon: return "vddon";
    case WireEvent::Kind::vddoff: return "vddoff";
    case WireEvent::Kind::vppon: return "vppon";
    case WireEvent::Kind::vppoff: return "vppoff";
    case WireEvent::Kind::command: return "command " + std::to_string(e.code);
    case WireEvent::Kind::load: return "load " + std::to_string(e.code) + "," + std::to_string(e.word);
    case WireEvent::Kind::read: return "read " + std::to_string(e.code) + "," + std::to_string(e.word);
    }
    return "?";
}

inline void PrintTo(const WireEvent& e, std::ostream* os) { *os << describe(e); }

class WireRecorder : public PortIo {
public:
    WireRecorder(const DriverState& state, const Clock& clock) : state_(state), time_(clock) {}

    // Commands followed by a frame the programmer sends, and commands the chip answers.
    std::set<std::int32_t> loadcodes{0x00, 0x02, 0x03};
    std::set<std::int32_t> readcodes{0x04, 0x05};
    // The word a read answers; called once per read frame.
    std::function<std::int32_t(std::int32_t code)> answer = [](std::int32_t) { return 0x3FFF; };

    std::vector<WireEvent> events;
    std::int64_t writes = 0;

    // Logical levels of the output lines now.
    bool vdd() const { return level(Line::vdd); }
    bool vpp() const { return level(Line::vpp); }
    bool clockline() const { return level(Line::clock); }
    bool dataout() const { return level(Line::dataout); }

    // Events of one kind family only: the transfers (command, load, read).
    std::vector<WireEvent> transfers() const {
        std::vector<WireEvent> out;
        for (const WireEvent& e : events) {
            if (e.kind == WireEvent::Kind::command || e.kind == WireEvent::Kind::load ||
                e.kind == WireEvent::Kind::read) {
                out.push_back(e);
            }
        }
        return out;
    }

    // Forgets what was recorded and takes the lines as they stand now as the starting levels
    // (call it after bringing the lines to idle).
    void reset() {
        events.clear();
        writes = 0;
        vdd_ = vdd();
        vpp_ = vpp();
        clock_ = clockline();
        datain_ = true;
        restart();
    }

    void write(std::uint16_t address, std::uint8_t value) override {
        ++writes;
        const auto base = static_cast<std::uint16_t>(state_.portaddress);
        if (address == base) data_ = value;
        if (address == base + 2) {
            control_ = value;
            changed();  // the driver writes data, then control: the lines are set now
        }
    }

    std::uint8_t read(std::uint16_t address) override {
        if (address != state_.portaddress + 1) return 0;
        // The chip's output, inverted by the user's setting and by the port where it applies.
        const std::int32_t pin = state_.pin(Line::datain);
        const PinInfo& p = pininfo(pin);
        if (p.direction != PinDirection::input) return 0;
        const bool level = datain_ != (state_.inversion(Line::datain) != 0);
        const bool bit = level != p.hwinverted;
        return static_cast<std::uint8_t>(bit ? (1U << p.bit) : 0U);
    }

private:
    bool level(Line line) const {
        const bool electric = pinlevel_from_outputs(linepin(state_, line), data_, control_) != 0;
        return electric != lineinverted(state_, line);
    }

    void note(WireEvent::Kind kind, std::int32_t code = 0, std::int32_t word = 0) {
        events.push_back({kind, code, word, time_.now_ns() / 1'000'000});
    }

    void changed() {
        const bool vdd_now = vdd(), vpp_now = vpp(), clock_now = clockline();
        if (vdd_now != vdd_) note(vdd_now ? WireEvent::Kind::vddon : WireEvent::Kind::vddoff);
        if (vpp_now != vpp_) note(vpp_now ? WireEvent::Kind::vppon : WireEvent::Kind::vppoff);
        vdd_ = vdd_now;
        vpp_ = vpp_now;
        if (clock_now && !clock_) rising();
        if (!clock_now && clock_) falling(dataout());
        clock_ = clock_now;
    }

    // Read frames: the chip drives bit i after the (i + 2)th rising edge and releases the line
    // after the 16th.
    void rising() {
        if (phase_ != Phase::reading) return;
        ++frameclocks_;
        if (frameclocks_ >= 2 && frameclocks_ <= 15) {
            datain_ = ((frameword_ >> (frameclocks_ - 2)) & 1) != 0;
        } else {
            datain_ = true;
        }
    }

    void falling(bool bit) {
        switch (phase_) {
        case Phase::command:
            if (bit) code_ |= 1 << bits_;
            if (++bits_ < 6) return;
            if (loadcodes.count(code_) != 0) {
                phase_ = Phase::loading;
                frameword_ = 0;
                frameclocks_ = 0;
            } else if (readcodes.count(code_) != 0) {
                phase_ = Phase::reading;
                frameword_ = answer(code_) & 0x3FFF;
                frameclocks_ = 0;
            } else {
                note(WireEvent::Kind::command, code_);
                restart();
            }
            return;
        case Phase::loading:
            // Clock 1 is the start bit, 2..15 carry bits 0..13, 16 is the stop bit.
            ++frameclocks_;
            if (frameclocks_ >= 2 && frameclocks_ <= 15 && bit) frameword_ |= 1 << (frameclocks_ - 2);
            if (frameclocks_ == 16) {
                note(WireEvent::Kind::load, code_, frameword_);
                restart();
            }
            return;
        case Phase::reading:
            if (frameclocks_ == 16) {
                datain_ = true;
                note(WireEvent::Kind::read, code_, frameword_);
                restart();
            }
            return;
        }
    }

    void restart() {
        phase_ = Phase::command;
        code_ = 0;
        bits_ = 0;
    }

    enum class Phase { command, loading, reading };

    const DriverState& state_;
    const Clock& time_;
    std::uint8_t data_ = 0, control_ = 0;
    bool vdd_ = false, vpp_ = false, clock_ = false;
    bool datain_ = true;
    Phase phase_ = Phase::command;
    std::int32_t code_ = 0, bits_ = 0, frameword_ = 0, frameclocks_ = 0;
};

}  // namespace vornalt
