#pragma once
// An emulated USB device (the FT232R, the PICkit 2) behind a fake device node in a umockdev
// testbed: sysfs entries that libusb enumerates, and a usbdevfs ioctl handler that answers control
// transfers and bulk or interrupt URBs from the emulator. The real libraries (the FTDI library,
// hidapi, libusb) then run unchanged against it. Needs umockdev's preload library.
#include <glib.h>
#include <umockdev.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/usb_face.h"

namespace vornalt::testing {

class UsbdevfsDevice {
public:
    // Adds the device to the testbed (bus 1, device 2) and attaches the handler to its node.
    UsbdevfsDevice(UMockdevTestbed* testbed, UsbFace& device);
    ~UsbdevfsDevice();
    UsbdevfsDevice(const UsbdevfsDevice&) = delete;
    UsbdevfsDevice& operator=(const UsbdevfsDevice&) = delete;

    bool attached() const { return attached_; }
    std::string error() const { return error_; }
    // The device is pulled out once this many bytes have gone to its OUT endpoint.
    void vanishafter(std::int64_t bytes) { vanishafter_ = bytes; }
    std::int64_t bytesout() const { return bytesout_; }

private:
    struct Urb {
        UMockdevIoctlData* urb;     // the client's struct, resolved
        UMockdevIoctlData* buffer;  // its data buffer, resolved
        std::size_t done = 0;       // OUT: bytes the device has taken so far
        bool complete = false;
    };

    static gboolean handleioctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, gpointer self);
    gboolean ioctl(UMockdevIoctlClient* client);
    void submit(UMockdevIoctlClient* client);
    void reap(UMockdevIoctlClient* client, bool wait);
    void discard(UMockdevIoctlClient* client);
    void progress();
    void control(Urb& u);
    void vanish();

    UsbFace& device_;
    UMockdevTestbed* testbed_;
    UMockdevIoctlBase* handler_ = nullptr;
    std::string syspath_;
    bool attached_ = false;
    std::string error_;
    std::deque<Urb> urbs_;  // submitted, in order; completed ones are reaped first-come
    std::int64_t vanishafter_ = -1;
    std::int64_t bytesout_ = 0;
};

}  // namespace vornalt::testing
