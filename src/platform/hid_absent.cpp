#include "platform/hid_devices.h"

namespace vornalt {

// Built without a HID library (the Windows build until its own transport lands).
Result<std::vector<HidDeviceInfo>> listhiddevices(std::uint16_t, std::span<const std::uint16_t>) {
    return std::vector<HidDeviceInfo>{};
}

Result<std::unique_ptr<HidTransport>> openhiddevice(const std::string& path) {
    return Error{"Cannot open the USB programmer at " + path + ": this build has no USB HID support"};
}

}  // namespace vornalt
