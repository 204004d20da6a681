#include "app/port_slot.h"

#include <utility>

namespace vornalt {

PortSlot::PortSlot(PortOpener opener)
    : opener_(std::move(opener)), io_(std::make_unique<UnavailablePort>("The port has not been opened yet.")) {}

PortIo& PortSlot::open(std::int32_t portaddress, PortDriver& driver) {
    std::unique_ptr<PortIo> opened = opener_ ? opener_(portaddress) : nullptr;
    if (!opened) opened = std::make_unique<UnavailablePort>("No port backend is configured in this program.");
    driver.setio(*opened);
    io_ = std::move(opened);  // the old backend goes only now, with the driver already moved on
    return *io_;
}

}  // namespace vornalt
