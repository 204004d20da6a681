#pragma once
// USB HID programmers on this machine, found and opened through the system's HID library
// (hidapi on its libusb backend on Linux). A build without one finds nothing and says why.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "platform/hid_transport.h"

namespace vornalt {

struct HidDeviceInfo {
    std::string path;    // what the HID library opens
    std::string serial;  // empty when the device reports none
    std::uint16_t product_id = 0;
    std::string product;
};

// Devices of the vendor with one of the product IDs, in the order the library lists them.
Result<std::vector<HidDeviceInfo>> listhiddevices(std::uint16_t vendor_id, std::span<const std::uint16_t> product_ids);
// Opens the device at `path` for 64-byte reports.
Result<std::unique_ptr<HidTransport>> openhiddevice(const std::string& path);

}  // namespace vornalt
