#pragma once
// Checks of a loaded catalogue for records that load but cannot work as written. Nothing is
// refused: the records run as they stand, the user is told once, at loading, where to look.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace vornalt {

// The file line of each field of one record (0: the record has no such line), in the order
// flash, eeprom, configerased, config2used, voltageseq, progtime, erase, program, read,
// blankcheck, verify, then the optional configmask, deviceid, calibration: the loader's key order.
inline constexpr std::size_t k_record_field_count = 14;
using FieldLines = std::array<std::int32_t, k_record_field_count>;

// One text per problem, "FILE:LINE: model NAME: ...", for records 1..modelcount; fieldlines
// holds one entry per record (index 0 for record 0).
std::vector<std::string> catalogwarnings(const DeviceCatalogue& catalogue, const std::vector<FieldLines>& fieldlines);

// How many warnings a box shows: a hostile catalogue may hold tens of thousands.
inline constexpr std::size_t k_warnings_shown = 20;

// The warnings as one box text (lines separated by CR LF): a heading, the first
// k_warnings_shown, then how many more there are. Empty when there are none.
std::string warningsboxtext(const std::vector<std::string>& warnings);

}  // namespace vornalt
