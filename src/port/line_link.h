#pragma once
// Where the port driver's line states go when a programmer sits behind a link with a round trip
// (a USB adapter) rather than behind registers it reaches at once. Line states and DATA IN samples
// are queued and sent together when flushed; a sample's value is known after the flush that sent
// it. The driver flushes when a value is needed, before the host times a wait, and the link itself
// when its queue is full.
#include <array>
#include <cstdint>

#include "base/result.h"

namespace vornalt {

// On/off of VDD, VPP, CLOCK and DATA OUT, indexed by Line.
using OutputLines = std::array<bool, 4>;

class LineLink {
public:
    virtual ~LineLink() = default;

    // The output lines as they are from now on.
    virtual void put(const OutputLines& lines) = 0;
    // Queues a sample of DATA IN (on or off, inversion applied) taken after the lines put so far;
    // returns its number for value().
    virtual std::int64_t sample() = 0;
    // Sends what is queued and resolves its samples. An error (the adapter gone) stays: every
    // later flush returns it and nothing more is sent.
    virtual Status flush() = 0;
    // Ok until a flush failed; then that failure, for good.
    virtual const Status& status() const = 0;
    // A flushed sample's level; false for one not sent (dropped, or after an error).
    virtual bool value(std::int64_t sample) const = 0;
    // Holds the lines for `us` microseconds inside the stream, timed by the device. False when
    // the link cannot time this wait: the caller flushes and waits on the host.
    virtual bool hold_us(std::int64_t us) = 0;
    // Forgets what is queued (a stop or an error: the power-down that follows must not wait
    // behind it).
    virtual void drop() = 0;

    // Frame level, for a device that clocks whole frames itself (a few bytes per frame instead of
    // one state per line step): a 6-bit command, followed by a 16-clock frame carrying the 14-bit
    // `word` unless word < 0. Afterwards the lines are as they were put. False: this link moves
    // lines only, and the caller clocks the frame line by line.
    virtual bool frame(std::int32_t /*code*/, std::int32_t /*word*/) { return false; }
    // A command followed by the 16-clock read of a word: the sample number of the word's bit 0,
    // its bits 1-13 the next numbers, resolved by the flush like any sample. -1: lines only.
    virtual std::int64_t readframe(std::int32_t /*code*/) { return -1; }

    // VDD and VPP in volts as a device that makes them measures them now (what is queued is sent
    // first); false for a device that does not measure them, or when asking failed.
    virtual bool measure(double& /*vdd*/, double& /*vpp*/) { return false; }
};

}  // namespace vornalt
