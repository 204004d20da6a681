#pragma once
// The two-wire serial protocol of the chip, built only from line operations: 6-bit commands,
// 16-clock data frames carrying a 14-bit word, reads of a 14-bit word, and the power sequences
// that enter and leave programming mode. All bits go least significant first.
#include <cstdint>

#include "base/power_order.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/stop_request.h"
#include "port/port_driver.h"

namespace vornalt {

// A 14-bit word read from the chip whose bits may still be on their way through a batched link:
// known once the link has flushed (at once on a port the driver reaches directly).
struct PendingWord {
    static constexpr int k_bits = 14;
    DataInSample bits[k_bits];
};

class Transfers {
public:
    static constexpr std::int32_t k_max_command = 63;
    static constexpr std::int32_t k_max_word = 16383;
    static constexpr std::int32_t k_power_step_ms = 50;

    Transfers(PortDriver& driver, EventPump& pump, Clock& clock);

    // VDD then VPP, or VPP then VDD; 50 ms after each. PowerOrder::none (or a value that is
    // neither order): nothing.
    // A stop request cuts the steps short and leaves the second line off; the caller powers
    // down. False when it did.
    bool powerup(PowerOrder powerorder, const StopRequest& stop);
    void powerup(PowerOrder powerorder) { static_cast<void>(powerup(powerorder, StopRequest{})); }
    // VDD off, 50 ms, VPP off, 50 ms, whatever the power-up order was.
    void powerdown();
    // Safe stop after an error or an abort: power down, CLOCK and DATA OUT off, then VDD and VPP
    // off once more.
    void shutdown();

    // Out-of-range codes or words move no line at all; readdata then returns 0.
    void sendcommand(std::int32_t code);
    void sendcommanddata(std::int32_t code, std::int32_t word);
    std::int32_t readdata(std::int32_t code);
    // The same read, left queued behind a batched link: wordof() gives it after the next flush.
    PendingWord queueread(std::int32_t code);
    std::int32_t wordof(const PendingWord& word) const;
    // Whether line states are queued (a USB adapter) rather than sent at once.
    bool batched() { return driver_.link() != nullptr; }

    // A wait with the lines held: timed by the adapter inside the stream where it can, else the
    // queue is flushed and the host sleeps (cut short by a stop request: then false).
    bool wait_ms(std::int32_t ms, const StopRequest& stop);
    // Sends what the driver's link holds; its first error stays (nothing to do without a link).
    Status flush() { return driver_.flush(); }
    Status linkstatus() const { return driver_.linkstatus(); }

    // Short busy pause after every transfer; touches no line and does not yield.
    void settledelay();

private:
    void sendbit(bool one);
    void sendcode(std::int32_t code);
    void emptyclock();

    PortDriver& driver_;
    EventPump& pump_;
    Clock& clock_;
};

}  // namespace vornalt
