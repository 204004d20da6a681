#pragma once
// The chip's serial transfers as PICkit 2 script bytes. Frame level: a whole command or data
// frame goes out as a few bytes the programmer clocks itself; line level: one SET_ICSP_PINS per
// line step and ICSP_STATES_BUFFER to sample, for Check Hardware and anything unusual. Delays
// are rounded up to the device's units, never down, and split into pieces it can run.
#include <cstdint>
#include <vector>

namespace vornalt::pickit {

using ScriptBytes = std::vector<std::uint8_t>;

// 6-bit command, LSB first.
void appendcommand(ScriptBytes& script, std::int32_t code);
// Command, then 16 clocks: start bit 0, the 14-bit word LSB first, stop bit 0.
void appendcommanddata(ScriptBytes& script, std::int32_t code, std::int32_t word);
// Command, then 16 clocks read with PGD released: two bytes to the upload buffer.
void appendread(ScriptBytes& script, std::int32_t code);
inline constexpr int k_read_upload_bytes = 2;
// PGC and PGD driven to the given levels, or PGD released (then `data` is ignored).
void appendpins(ScriptBytes& script, bool clock, bool data, bool datareleased);
// Upload one byte with the levels of PGC (bit 0) and PGD (bit 1).
void appendsample(ScriptBytes& script);

// Device delays of at least `ns` nanoseconds: DELAY_LONG for whole 5.46 ms units, DELAY_SHORT
// for the rest rounded up; each piece is one 2-byte instruction. Nothing for ns <= 0.
void appenddelay_ns(ScriptBytes& script, std::int64_t ns);
// What a run of delay instructions lasts on the device, in nanoseconds (rounded down).
std::int64_t delayduration_ns(const ScriptBytes& script);

}  // namespace vornalt::pickit
