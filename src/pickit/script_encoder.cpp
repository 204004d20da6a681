#include "pickit/script_encoder.h"

#include <algorithm>

#include "pickit/pickit_protocol.h"

namespace vornalt::pickit {

namespace {

constexpr std::uint8_t byte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

}  // namespace

void appendcommand(ScriptBytes& script, std::int32_t code) {
    script.insert(script.end(), {write_bits_literal, 6, byte(code & 0x3F)});
}

void appendcommanddata(ScriptBytes& script, std::int32_t code, std::int32_t word) {
    appendcommand(script, code);
    // The start bit is bit 0 of the frame, the stop bit bit 15.
    const std::int32_t frame = (word & 0x3FFF) << 1;
    script.insert(script.end(), {write_byte_literal, byte(frame), write_byte_literal, byte(frame >> 8)});
}

void appendread(ScriptBytes& script, std::int32_t code) {
    appendcommand(script, code);
    // The firmware releases PGD for a read and drives it again afterwards; the chip shifts each
    // bit out after the rising edge and it is sampled before the falling one.
    script.insert(script.end(), {read_bits_buffer, 8, read_bits_buffer, 8});
}

void appendpins(ScriptBytes& script, bool clock, bool data, bool datareleased) {
    std::uint8_t pins = 0;
    if (clock) pins |= k_pgc_high;
    if (datareleased) {
        pins |= k_pgd_input;
    } else if (data) {
        pins |= k_pgd_high;
    }
    script.insert(script.end(), {set_icsp_pins, pins});
}

void appendsample(ScriptBytes& script) { script.push_back(icsp_states_buffer); }

void appenddelay_ns(ScriptBytes& script, std::int64_t ns) {
    if (ns <= 0) return;
    std::int64_t thirds = ns * 3;
    // Whole long units first (at most 255 per instruction: a count of 0 would mean 256).
    while (thirds >= k_delay_long_thirds_ns) {
        const std::int64_t units = std::min<std::int64_t>(thirds / k_delay_long_thirds_ns, k_max_delay_count);
        script.insert(script.end(), {delay_long, static_cast<std::uint8_t>(units)});
        thirds -= units * k_delay_long_thirds_ns;
    }
    if (thirds <= 0) return;
    // The rest, rounded up; 256 short units would be a long one.
    const std::int64_t units = (thirds + k_delay_short_thirds_ns - 1) / k_delay_short_thirds_ns;
    if (units > k_max_delay_count) {
        script.insert(script.end(), {delay_long, 1});
    } else {
        script.insert(script.end(), {delay_short, static_cast<std::uint8_t>(units)});
    }
}

std::int64_t delayduration_ns(const ScriptBytes& script) {
    std::int64_t thirds = 0;
    for (std::size_t i = 0; i + 1 < script.size(); i += 2) {
        const std::int64_t count = script[i + 1] == 0 ? 256 : script[i + 1];
        if (script[i] == delay_long) thirds += count * k_delay_long_thirds_ns;
        if (script[i] == delay_short) thirds += count * k_delay_short_thirds_ns;
    }
    return thirds / 3;
}

}  // namespace vornalt::pickit
