#include "pickit/pickit_devices.h"

#include <array>

#include "pickit/pickit_protocol.h"

namespace vornalt::pickit {

Result<std::vector<HidDeviceInfo>> findpickits() {
    static constexpr std::array<std::uint16_t, 2> products{k_pickit2_product_id, k_pickit3_product_id};
    return listhiddevices(k_vendor_id, products);
}

Result<HidDeviceInfo> choosepickit(const std::vector<HidDeviceInfo>& found, std::string_view serial) {
    if (serial.empty() && found.size() == 1) return found.front();
    for (const HidDeviceInfo& device : found) {
        if (!serial.empty() && device.serial == serial) return device;
    }
    if (found.empty()) {
        return Error{"No PICkit 2 found: plug it in (on Linux, install the udev rule and join the plugdev group)"};
    }
    std::string message = serial.empty() ? "Several PICkits are plugged in: choose one with pickit2:SERIAL;"
                                         : "No PICkit with serial number " + std::string(serial) + " is plugged in;";
    message += " found:";
    for (const HidDeviceInfo& device : found) message += " " + (device.serial.empty() ? "(no serial)" : device.serial);
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
