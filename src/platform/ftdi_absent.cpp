// A build without libftdi1 (the Windows build for now): no adapter is ever found, and asking for
// one says why.
#include "platform/ftdi_device.h"

namespace vornalt {
namespace {

Error notbuilt() {
    return Error{"This build of Vornalt has no USB adapter support (libftdi). On Windows use the parallel port; "
                 "on Linux build with libftdi1-dev installed."};
}

}  // namespace

Result<std::vector<FtdiAdapter>> listftdiadapters() { return std::vector<FtdiAdapter>{}; }

Result<std::unique_ptr<BitBangDevice>> openftdi(const std::string&) { return notbuilt(); }

}  // namespace vornalt
