#pragma once
// An FTDI USB adapter (FT232R, FT230X, FT231X) in synchronous bit-bang mode: "ftdi" takes the only
// one plugged in, "ftdi:SERIAL" the one with that serial number. Its lines go through a batched
// link, on the adapter's data bits D0-D7 that the driver state's pins name.
#include <memory>
#include <string>

#include "platform/bitbang_device.h"
#include "platform/port_io.h"
#include "port/bitbang_link.h"
#include "programmer/backend_table.h"

namespace vornalt {

BackendRow ftdibackend();

// The backend as the port's owner holds it: its registers reach nothing (the driver talks to
// link()), and available()/reason() say whether the adapter opened and set up, and if not why.
class FtdiBackend final : public PortIo {
public:
    FtdiBackend(std::unique_ptr<BitBangDevice> device, std::string reason);
    ~FtdiBackend() override;

    void write(std::uint16_t, std::uint8_t) override {}
    std::uint8_t read(std::uint16_t) override { return 0xFF; }
    bool available() const override;
    std::string reason() const override;

    // The link over the adapter, set to bit-bang mode with the pins of `state` on first use;
    // null when the adapter did not open.
    LineLink* link(const DriverState& state);

private:
    std::unique_ptr<BitBangDevice> device_;
    std::string reason_;
    std::unique_ptr<BitBangLink> link_;
};

}  // namespace vornalt
