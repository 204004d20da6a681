#pragma once
// A PICkit 2 (or a PICkit 3 with its scripting firmware) over USB HID: "pickit2" takes the only
// one plugged in, "pickit2:SERIAL" the one with that serial number. It makes VDD and VPP itself
// and clocks the engine's frames on its own: the lines go through its link, on PGC and PGD, with
// no pins or inversions to choose.
#include <memory>
#include <string>

#include "pickit/pickit_link.h"
#include "platform/hid_transport.h"
#include "platform/port_io.h"
#include "programmer/backend_table.h"

namespace vornalt {

BackendRow pickit2backend();

// The backend as the port's owner holds it: its registers reach nothing (the driver talks to
// link()). The firmware is checked when it opens; available()/reason() say whether it opened,
// and if not why (no programmer, firmware too old, unplugged).
class Pickit2Backend final : public PortIo {
public:
    // A transport that is null did not open; reason says why.
    Pickit2Backend(std::unique_ptr<HidTransport> transport, std::string reason);
    // Powers the target down and lets the pins go before the device is released.
    ~Pickit2Backend() override;

    void write(std::uint16_t, std::uint8_t) override {}
    std::uint8_t read(std::uint16_t) override { return 0xFF; }
    bool available() const override;
    std::string reason() const override;

    // Null when the programmer did not open.
    pickit::PickitLink* link() { return link_.get(); }

private:
    std::unique_ptr<HidTransport> transport_;
    std::string reason_;
    std::unique_ptr<pickit::PickitLink> link_;
};

}  // namespace vornalt
