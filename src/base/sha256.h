#pragma once
// SHA-256 (FIPS 180-4) of a byte string, for naming the exact file a batch of chips was
// programmed with. The core links no crypto library and no Qt; this is the whole algorithm.
#include <string>
#include <string_view>

namespace vornalt {

// 64 lower-case hex digits.
std::string sha256hex(std::string_view bytes);

}  // namespace vornalt
