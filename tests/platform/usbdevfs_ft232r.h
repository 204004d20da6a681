#pragma once
// The emulated FT232R behind a fake USB device in a umockdev testbed: sysfs entries that libusb
// enumerates, and a usbdevfs ioctl handler that answers control transfers and bulk URBs from the
// emulator. The real FTDI library and libusb then run unchanged against it. Needs the process to
// run with umockdev's preload library.
#include <glib.h>
#include <umockdev.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/ft232r_emulator.h"

namespace vornalt::testing {

class UsbdevfsFt232r {
public:
    // Adds the device to the testbed (bus 1, device 2) and attaches the handler to its node.
    UsbdevfsFt232r(UMockdevTestbed* testbed, Ft232rEmulator& chip);
    ~UsbdevfsFt232r();
    UsbdevfsFt232r(const UsbdevfsFt232r&) = delete;
    UsbdevfsFt232r& operator=(const UsbdevfsFt232r&) = delete;

    bool attached() const { return attached_; }
    std::string error() const { return error_; }
    // The adapter is pulled out once this many bytes have gone to its bulk OUT endpoint.
    void vanishafter(std::int64_t bytes) { vanishafter_ = bytes; }
    std::int64_t bytesout() const { return bytesout_; }

private:
    struct Urb {
        UMockdevIoctlData* urb;     // the client's struct, resolved
        UMockdevIoctlData* buffer;  // its data buffer, resolved
        std::size_t done = 0;       // bulk OUT: bytes the chip has taken so far
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

    Ft232rEmulator& chip_;
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
