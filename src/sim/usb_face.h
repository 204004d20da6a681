#pragma once
// An emulated USB device as the host's USB stack sees it: its descriptors, the control requests
// it answers and the transfers on its endpoints. A test's usbdevfs emulation serves any device
// with this face to the real libraries (libusb, the FTDI library, hidapi).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vornalt {

// What a device tells the host about itself.
struct UsbIdentity {
    std::uint16_t vendor = 0x0403;
    std::uint16_t product = 0x6001;
    std::string manufacturer = "FTDI";
    std::string description = "FT232R USB UART";
    std::string serial = "VRN00001";
};

class UsbFace {
public:
    virtual ~UsbFace() = default;

    virtual const UsbIdentity& identity() const = 0;
    // Also the bytes a sysfs `descriptors` file holds, the configuration after the device's.
    virtual std::vector<std::uint8_t> devicedescriptor() const = 0;
    virtual std::vector<std::uint8_t> configdescriptor() const = 0;
    // A vendor request without data stage. False: the device stalls it.
    virtual bool controlout(std::uint8_t request, std::uint16_t value, std::uint16_t index) = 0;
    // A request with an IN data stage. No value: the device stalls it.
    virtual std::optional<std::vector<std::uint8_t>> controlin(std::uint8_t requesttype, std::uint8_t request,
                                                               std::uint16_t value, std::uint16_t index,
                                                               std::uint16_t length) = 0;
    // Bulk or interrupt OUT: the bytes the device took (the rest it would answer with NAK).
    virtual std::size_t transferout(std::uint8_t endpoint, std::span<const std::uint8_t> data) = 0;
    // Bulk or interrupt IN: what the device sends now; no value while it has nothing (NAK).
    virtual std::optional<std::vector<std::uint8_t>> transferin(std::uint8_t endpoint, std::size_t length) = 0;
    virtual bool present() const = 0;
    // Pulled out: every request fails from now on.
    virtual void unplug() = 0;
};

// A string descriptor of the identity: 0 the language (US English), 1 manufacturer, 2 product,
// 3 serial; empty for any other index.
std::vector<std::uint8_t> usbstringdescriptor(const UsbIdentity& identity, std::uint8_t index);

}  // namespace vornalt
