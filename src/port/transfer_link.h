#pragma once
// Where the transfers go when the programmer clocks whole frames itself (a USB programmer with
// its own script engine) instead of the driver moving each line. The link queues what it is
// given and sends it when a read value is needed, before the host must time something, or when
// its buffer is full; it times waits on the device.
#include <cstdint>

#include "base/result.h"
#include "port/port_driver.h"

namespace vornalt {

class TransferLink {
public:
    virtual ~TransferLink() = default;

    // A 6-bit command; a command followed by a 16-clock frame carrying a 14-bit word (start and
    // stop bits 0, LSB first); a command followed by the read of a 14-bit word.
    virtual void command(std::int32_t code) = 0;
    virtual void commanddata(std::int32_t code, std::int32_t word) = 0;
    virtual std::int32_t readword(std::int32_t code) = 0;
    // VDD, VPP, CLOCK or DATA OUT switched (Line::datain is ignored).
    virtual void setline(Line line, bool on) = 0;
    // The lines held as they are for at least `us` microseconds, timed by the device.
    virtual void hold_us(std::int64_t us) = 0;
    // Sends what is queued. The first error stays: every later call returns it.
    virtual Status flush() = 0;
    // Ok until the programmer failed or reported a fault; then that error, for good.
    virtual const Status& status() const = 0;
    // Forgets what is queued (a stop: the power-down that follows must not wait behind it).
    virtual void drop() = 0;
};

}  // namespace vornalt
