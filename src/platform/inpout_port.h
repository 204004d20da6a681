#pragma once
// Windows backend: the inpout32 port-I/O library (inpoutx64.dll in a 64-bit build), loaded by
// name, with its Out32 and Inp32 entry points. Built on Windows only.
#include <cstdint>
#include <memory>

#include "platform/port_io.h"

namespace vornalt {

// Loads the library and checks its entry points; on failure the result is unavailable with
// the reason.
std::unique_ptr<PortIo> openinpout(std::int32_t portaddress);

}  // namespace vornalt
