#pragma once
// The lowest layer above the port registers: the five programmer lines (VDD, VPP, CLOCK,
// DATA OUT out; DATA IN in), each on a user-chosen connector pin with a user inversion flag.
// Outputs are kept in shadow bytes and both output registers are rewritten on every line
// operation; the driver never reads a register back to modify it.
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/line_link.h"
#include "port/line_role.h"

namespace vornalt {

// A DATA IN sample: known at once on a port the driver reaches directly (level 0 or 1), or a
// number the line link resolves at its next flush (level -1).
struct DataInSample {
    std::int64_t number = -1;
    std::int8_t level = 0;
};

// Connector pin and inversion flag of a line, as the driver state holds them now.
inline std::int32_t linepin(const DriverState& state, Line line) { return state.pin(line); }
inline bool lineinverted(const DriverState& state, Line line) { return state.inversion(line) != 0; }

class PortDriver {
public:
    PortDriver(DriverState& state, PortIo& io, EventPump& pump, Clock& clock);

    void setio(PortIo& io) { io_ = &io; }
    // From now on the lines go to this link instead of the port's registers (null: back to them).
    void setlink(LineLink* link) { link_ = link; }
    LineLink* link() { return link_; }
    PortIo& io() { return *io_; }
    DriverState& state() { return state_; }
    const DriverState& state() const { return state_; }

    // Pin level in the shadow bytes only (electrical level at the connector); no port access.
    // Numbers that are not output pins change nothing.
    void setpinhigh(std::int32_t pin);
    void setpinlow(std::int32_t pin);
    // Electrical level of an input pin from statusbyte; 0 for any other number.
    std::int32_t readpin(std::int32_t pin) const;

    // Data register, then control register, then the status register is read; then one
    // (coalesced) yield to the window system.
    void writeport();

    void vddon() { setline(Line::vdd, true); }
    void vddoff() { setline(Line::vdd, false); }
    void vppon() { setline(Line::vpp, true); }
    void vppoff() { setline(Line::vpp, false); }
    void clockon() { moveclock(true); }
    void clockoff() { moveclock(false); }
    void dataouton() { setline(Line::dataout, true); }
    void dataoutoff() { setline(Line::dataout, false); }
    // Rewrites the outputs and samples the status register, then reads DATA IN as 0 or 1.
    std::int32_t readdatain();

    // DATA IN after the lines set so far, for datain() once flushed; on a port without a link it
    // is read at once, exactly as readdatain does.
    DataInSample queuedatain();
    std::int32_t datain(const DataInSample& sample) const;
    // Sends what the link holds (nothing to do without one). The link's first error stays.
    Status flush();
    // Ok, or the link's failure (the adapter gone): a run ends at once with its message.
    Status linkstatus() const { return link_ != nullptr ? link_->status() : Status{}; }
    // Holds the lines for `us` microseconds timed by the adapter; false when the host must wait
    // (no link, or a wait too long for one): the caller flushes and sleeps.
    bool holdlines_us(std::int64_t us);
    // Forgets what the link holds, before a stop or after an error switches the power off.
    void dropqueue();
    // A whole command (and data word, unless word < 0) or a command and a read through a link
    // that clocks frames itself; false / -1 when the lines must be moved one by one.
    bool sendframe(std::int32_t code, std::int32_t word);
    std::int64_t readframe(std::int32_t code);
    // The supplies as a programmer that makes them measures them; false for any other.
    bool measuresupplies(double& vdd, double& vpp) { return link_ != nullptr && link_->measure(vdd, vpp); }

    // Shadow bytes and statusbyte to 0, then alloff().
    void setidle();
    // VDD, VPP, CLOCK, DATA OUT off, then VDD and VPP off once more: where a power line shares
    // its pin with CLOCK or DATA OUT, the power line's "off" is what the bit keeps. Sent at once,
    // also through a batched link; a lost adapter says so at the next run.
    void alloff();

    // Switches an output line on or off (Line::datain is ignored).
    void setline(Line line, bool on);
    // Whether an output line is on in the shadow bytes (false for Line::datain).
    bool lineon(Line line) const;

private:
    void moveclock(bool on);

    DriverState& state_;
    PortIo* io_;
    LineLink* link_ = nullptr;
    OutputLines lines_{};  // what the link was last given
    EventPump& pump_;
    Clock& clock_;
};

// Caption text of a pin: "D0", "\S7", "Gnd"..., or the empty text for a number off the connector.
std::string pinname(std::int32_t pin);

}  // namespace vornalt
