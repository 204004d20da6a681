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
    // Safe stop after an error or an abort: power down, then CLOCK and DATA OUT off.
    void shutdown();

    // Out-of-range codes or words move no line at all; readdata then returns 0.
    void sendcommand(std::int32_t code);
    void sendcommanddata(std::int32_t code, std::int32_t word);
    std::int32_t readdata(std::int32_t code);

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
