#include "platform/port_backend.h"

#include "platform/unavailable_port.h"

#if defined(__linux__)
#include "platform/ppdev_port.h"
#elif defined(_WIN32)
#include "platform/inpout_port.h"
#endif

namespace vornalt {

std::string portaddressrangereason(std::int32_t portaddress) {
    return "The port address " + std::to_string(portaddress) +
           " is outside the I/O space: a parallel port's three registers must lie within 0-65535, "
           "so its base address must be 0 to " + std::to_string(k_max_portaddress) +
           ". Choose port 1, 2 or 3 (888, 632 or 956).";
}

std::unique_ptr<PortIo> openport(std::int32_t portaddress) {
    if (!validportaddress(portaddress)) return std::make_unique<UnavailablePort>(portaddressrangereason(portaddress));
#if defined(__linux__)
    Result<std::string> device = findparport(portaddress);
    if (!device) return std::make_unique<UnavailablePort>(device.error().message);
    return openppdev(device.value(), portaddress);
#elif defined(_WIN32)
    return openinpout(portaddress);
#else
    return std::make_unique<UnavailablePort>(
        "This system has no parallel-port access in this program (only Linux and Windows have one). "
        "Use the simulator instead.");
#endif
}

}  // namespace vornalt
