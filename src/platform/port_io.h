#pragma once
// The seam to the parallel port's registers: one byte out to an I/O address, one byte in.
// Backends: Linux ppdev, Windows inpout32, the simulator, and "unavailable".
#include <cstdint>
#include <string>

namespace vornalt {

// A port's data, status and control registers lie at base + 0, + 1 and + 2 of the 16-bit I/O
// space, so a usable base address lies in 0..k_max_portaddress. Anything else is refused, never
// truncated: a wrapped address would reach some other device's register.
inline constexpr std::int32_t k_max_portaddress = 65533;

constexpr bool validportaddress(std::int32_t portaddress) {
    return portaddress >= 0 && portaddress <= k_max_portaddress;
}

class PortIo {
public:
    virtual ~PortIo() = default;

    virtual void write(std::uint16_t address, std::uint8_t value) = 0;
    virtual std::uint8_t read(std::uint16_t address) = 0;

    // False for a backend that could not reach the hardware; reason() then says why and
    // what the user can do about it.
    virtual bool available() const { return true; }
    virtual std::string reason() const { return {}; }
};

}  // namespace vornalt
