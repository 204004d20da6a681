#include "app/port_selection.h"

#include <cstdio>

namespace vornalt {

std::string portreadytext(std::int32_t portaddress) {
    const std::int32_t number = portnumber(portaddress);
    if (number == 0) return {};
    return "Parallel port " + std::to_string(number) + " ready";
}

std::string portunavailabletext(std::int32_t portaddress) {
    const std::int32_t number = portnumber(portaddress);
    std::string name;
    if (number != 0) {
        name = std::to_string(number);
    } else {
        char hex[16];
        // Negative addresses come only from a hand-edited setting; show their 32-bit pattern.
        std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(portaddress));
        name = hex;
    }
    return "Parallel port " + name + " not available";
}

void showportstate(WindowServices& window, std::int32_t portaddress, const PortIo& io) {
    if (!io.available()) {
        window.set_status(portunavailabletext(portaddress));
        return;
    }
    const std::string ready = portreadytext(portaddress);
    if (!ready.empty()) window.set_status(ready);
}

bool portready(WindowServices& window, std::int32_t portaddress, const PortIo& io) {
    if (io.available()) return true;
    std::string text = portunavailabletext(portaddress) + ".";
    const std::string reason = io.reason();
    if (!reason.empty()) text += "\r\n\r\n" + reason;
    window.message(text);
    return false;
}

bool portready(WindowServices& window, std::string_view programmer, const PortIo& io) {
    if (io.available()) return true;
    std::string text = std::string(programmer) + " not available.";
    if (const std::string reason = io.reason(); !reason.empty()) text += "\r\n\r\n" + reason;
    window.message(text);
    return false;
}

bool portready(WindowServices& window, PortDriver& driver) {
    return portready(window, driver.state().portaddress, driver.io());
}

}  // namespace vornalt
