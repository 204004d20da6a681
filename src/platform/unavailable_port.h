#pragma once
// The backend that stands in for a port the program could not reach: it moves nothing, reads
// what an empty bus reads, and carries the reason and the remedy for the user.
#include <cstdint>
#include <string>
#include <utility>

#include "platform/port_io.h"

namespace vornalt {

class UnavailablePort final : public PortIo {
public:
    explicit UnavailablePort(std::string reason) : reason_(std::move(reason)) {}

    void write(std::uint16_t, std::uint8_t) override {}
    std::uint8_t read(std::uint16_t) override { return 0xFF; }
    bool available() const override { return false; }
    std::string reason() const override { return reason_; }

private:
    std::string reason_;
};

}  // namespace vornalt
