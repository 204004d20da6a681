#pragma once
// Linux backend: the kernel's ppdev interface (/dev/parportN). The device is claimed for the
// life of the backend and released when it is destroyed. The driver's register addresses are
// decoded relative to the base address the port was opened for.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "base/result.h"
#include "platform/port_io.h"

namespace vornalt {

inline constexpr const char* k_parport_procdir = "/proc/sys/dev/parport";

// The /dev/parportN serving a base address: the port whose base-addr under procdir matches,
// else the usual numbering (888 -> parport0, 632 -> parport1, 956 -> parport2).
Result<std::string> findparport(std::int32_t portaddress,
                                const std::filesystem::path& procdir = k_parport_procdir,
                                const std::filesystem::path& devdir = "/dev");

// Opens and claims a ppdev device for the given base address (exclusively when no other
// driver shares the port). On failure the result is unavailable with the reason.
std::unique_ptr<PortIo> openppdev(const std::string& devicepath, std::int32_t portaddress);

// The user's text for a failed system call on a ppdev device: what failed, the system's
// reason, and what to do about it. step is "open" or the ioctl that failed.
std::string ppdevreason(int error, const std::string& devicepath, std::int32_t portaddress, const std::string& step);

}  // namespace vornalt
