#pragma once
// Which supply a model's scripts switch on first when they enter programming mode. The values
// are the numbers the catalogue's voltage sequence stands for; none powers nothing up.
#include <cstdint>

namespace vornalt {

enum class PowerOrder : std::int32_t { none = 0, vddfirst = 1, vppfirst = 2 };

}  // namespace vornalt
