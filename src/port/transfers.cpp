#include "port/transfers.h"

namespace vornalt {

namespace {

constexpr bool validcode(std::int32_t code) { return code >= 0 && code <= Transfers::k_max_command; }
constexpr bool validword(std::int32_t word) { return word >= 0 && word <= Transfers::k_max_word; }

constexpr int k_command_bits = 6;
constexpr int k_word_bits = 14;

}  // namespace

Transfers::Transfers(PortDriver& driver, EventPump& pump, Clock& clock)
    : driver_(driver), pump_(pump), clock_(clock) {}

// DATA OUT changes only while CLOCK is on and holds across the falling edge, so the chip
// latches a settled bit when CLOCK goes off.
void Transfers::sendbit(bool one) {
    driver_.clockon();
    pump_.yield();
    if (one) {
        driver_.dataouton();
    } else {
        driver_.dataoutoff();
    }
    pump_.yield();
    driver_.clockoff();
    pump_.yield();
}

void Transfers::sendcode(std::int32_t code) {
    for (int i = 0; i < k_command_bits; ++i) sendbit(((code >> i) & 1) != 0);
}

void Transfers::emptyclock() {
    driver_.clockon();
    pump_.yield();
    driver_.clockoff();
    pump_.yield();
}

void Transfers::setline(Line line, bool on) {
    if (link_ != nullptr) {
        link_->setline(line, on);
    } else {
        driver_.setline(line, on);
    }
}

void Transfers::sendcommand(std::int32_t code) {
    if (!validcode(code)) return;
    if (link_ != nullptr) return link_->command(code);
    sendcode(code);
    driver_.dataoutoff();
    pump_.yield();
}

void Transfers::sendcommanddata(std::int32_t code, std::int32_t word) {
    if (!validcode(code) || !validword(word)) return;
    if (link_ != nullptr) return link_->commanddata(code, word);
    sendcode(code);
    // Start and stop clocks carry DATA OUT off, set while CLOCK is still off.
    driver_.dataoutoff();
    pump_.yield();
    emptyclock();
    for (int i = 0; i < k_word_bits; ++i) sendbit(((word >> i) & 1) != 0);
    driver_.dataoutoff();
    pump_.yield();
    emptyclock();
}

std::int32_t Transfers::readdata(std::int32_t code) {
    if (!validcode(code)) return 0;
    if (link_ != nullptr) return link_->readword(code);
    sendcode(code);
    // DATA OUT on releases the shared data line (it is pulled up) so the chip can drive it.
    driver_.dataouton();
    pump_.yield();
    emptyclock();
    std::int32_t word = 0;
    for (int i = 0; i < k_word_bits; ++i) {
        // The chip drives each bit after the rising edge; it is sampled while CLOCK is on.
        driver_.clockon();
        pump_.yield();
        if (driver_.readdatain() == 1) word |= std::int32_t{1} << i;
        driver_.clockoff();
        pump_.yield();
    }
    emptyclock();
    driver_.dataoutoff();
    pump_.yield();
    return word;
}

void Transfers::settledelay() {
    // A counted loop the optimiser may not remove; it stands between two transfers.
    volatile std::int32_t sum = 0;
    for (std::int32_t i = 0; i < 100; ++i) sum = sum + i;
    // With a slow programmer the gap between transfers grows with the clock delay.
    if (driver_.state().clockdelay_us > 0) clock_.busy_wait_us(driver_.state().clockdelay_us);
}

bool Transfers::wait_ms(std::int32_t ms, const StopRequest& stop) {
    if (ms <= 0) return true;
    if (link_ == nullptr) return clock_.sleep_ms(ms, stop);
    link_->hold_us(std::int64_t{ms} * 1000);
    return !stop.requested();
}

bool Transfers::powerup(PowerOrder powerorder, const StopRequest& stop) {
    if (powerorder != PowerOrder::vddfirst && powerorder != PowerOrder::vppfirst) return true;
    const Line first = powerorder == PowerOrder::vddfirst ? Line::vdd : Line::vpp;
    const Line second = powerorder == PowerOrder::vddfirst ? Line::vpp : Line::vdd;
    setline(first, true);
    if (!wait_ms(k_power_step_ms, stop)) return false;
    setline(second, true);
    const bool waited = wait_ms(k_power_step_ms, stop);
    // A programmer that watches its supplies says now whether they came up.
    static_cast<void>(flush());
    return waited;
}

void Transfers::powerdown() {
    // These waits run to their end even after a stop: the chip must see VDD fall before VPP.
    const auto step = [this] {
        if (link_ != nullptr) {
            link_->hold_us(std::int64_t{k_power_step_ms} * 1000);
        } else {
            clock_.sleep_ms(k_power_step_ms);
        }
    };
    setline(Line::vdd, false);
    step();
    setline(Line::vpp, false);
    step();
    static_cast<void>(flush());
}

void Transfers::shutdown() {
    // Whatever is still queued would only delay the power going off.
    if (link_ != nullptr) link_->drop();
    powerdown();
    if (link_ != nullptr) {
        link_->setline(Line::clock, false);
        link_->setline(Line::dataout, false);
        static_cast<void>(link_->flush());
        return;
    }
    driver_.clockoff();
    driver_.dataoutoff();
}

}  // namespace vornalt
