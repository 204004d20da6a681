#pragma once
// The seam to the parallel port's registers: one byte out to an I/O address, one byte in.
// Backends: Linux ppdev, Windows inpout32, the simulator, and "unavailable".
#include <cstdint>
#include <string>

namespace vornalt {

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
