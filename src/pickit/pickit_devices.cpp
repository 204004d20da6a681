#include "pickit/pickit_devices.h"

#include <array>

#include "pickit/pickit_protocol.h"

namespace vornalt::pickit {

std::optional<std::string> pickitserial(std::string_view portvalue) {
    if (portvalue == k_port_name) return std::string();
    if (portvalue.size() > k_port_name.size() + 1 && portvalue.substr(0, k_port_name.size()) == k_port_name &&
        portvalue[k_port_name.size()] == ':') {
        return std::string(portvalue.substr(k_port_name.size() + 1));
    }
    return std::nullopt;
}

std::string pickitportvalue(const HidDeviceInfo& device) {
    if (device.serial.empty()) return std::string(k_port_name);
    return std::string(k_port_name) + ":" + device.serial;
}

Result<std::vector<HidDeviceInfo>> findpickits() {
    static constexpr std::array<std::uint16_t, 2> products{k_pickit2_product_id, k_pickit3_product_id};
    return listhiddevices(k_vendor_id, products);
}

Result<HidDeviceInfo> choosepickit(const std::vector<HidDeviceInfo>& found, std::string_view serial) {
    for (const HidDeviceInfo& device : found) {
        if (serial.empty() || device.serial == serial) return device;
    }
    if (serial.empty()) {
        return Error{"No PICkit 2 found: plug it in (on Linux, install the udev rule and join the plugdev group)"};
    }
    std::string message = "No PICkit 2 with serial number " + std::string(serial) + " found";
    if (!found.empty()) {
        message += "; attached:";
        for (const HidDeviceInfo& device : found) message += " " + pickitportvalue(device);
    }
    return Error{message};
}

Result<std::unique_ptr<HidTransport>> openpickit(std::string_view serial) {
    Result<std::vector<HidDeviceInfo>> found = findpickits();
    if (!found) return found.error();
    Result<HidDeviceInfo> chosen = choosepickit(found.value(), serial);
    if (!chosen) return chosen.error();
    return openhiddevice(chosen.value().path);
}

}  // namespace vornalt::pickit
