#pragma once
// Opening the real parallel port at a base address: ppdev on Linux, the inpout32 library on
// Windows. Never returns null: when the port cannot be reached the result is an
// UnavailablePort whose reason() says what failed, why, and what to do.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/port_io.h"

namespace vornalt {

std::unique_ptr<PortIo> openport(std::int32_t portaddress);

// The reason given for a base address whose registers do not fit the 16-bit I/O space.
std::string portaddressrangereason(std::int32_t portaddress);

}  // namespace vornalt
