#pragma once
// FTDI USB adapters (FT232R, FT230X, FT231X and kin) in synchronous bit-bang mode through the FTDI
// library on libusb. Linux only for now: on Windows the library needs the WinUSB driver installed
// first, and the Windows build leaves this backend out.
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "platform/bitbang_device.h"

namespace vornalt {

struct FtdiAdapter {
    std::string serial;
    std::string description;  // the product string, e.g. "FT232R USB UART"
};

// Every FTDI adapter plugged in now.
Result<std::vector<FtdiAdapter>> listftdiadapters();

// Opens the adapter with this serial number; an empty serial takes the only one plugged in (and is
// refused, with the serials found, when there are several).
Result<std::unique_ptr<BitBangDevice>> openftdi(const std::string& serial);

}  // namespace vornalt
