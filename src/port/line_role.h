#pragma once
// The five programmer lines, in the order every per-line table of the program uses (the driver
// state's pins and inversions, the settings, the dialogs' rows, the trace's signals).
#include <array>
#include <cstddef>
#include <cstdint>

namespace vornalt {

enum class Line : std::uint8_t { vdd, vpp, clock, dataout, datain };

inline constexpr std::size_t k_line_count = 5;
inline constexpr std::array<Line, k_line_count> k_all_lines{Line::vdd, Line::vpp, Line::clock, Line::dataout,
                                                           Line::datain};

constexpr std::size_t lineindex(Line line) { return static_cast<std::size_t>(line); }

}  // namespace vornalt
