#pragma once
// The catalogue as it ships (data/devices.cfg), read once per test program, and the session rig
// that puts one of its models on the simulated programmer.
#include "support/session_rig.h"

namespace vornalt::testing {

// Empty when the file cannot be read.
inline const DeviceCatalogue& shippedcatalogue() { return cataloguefile(VORNALT_SHIPPED_CATALOGUE); }

}  // namespace vornalt::testing
