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

void Transfers::sendcommand(std::int32_t code) {
    if (!validcode(code)) return;
    if (driver_.sendframe(code, -1)) return;
    sendcode(code);
    driver_.dataoutoff();
    pump_.yield();
}

void Transfers::sendcommanddata(std::int32_t code, std::int32_t word) {
    if (!validcode(code) || !validword(word)) return;
    if (driver_.sendframe(code, word)) return;
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
    const PendingWord word = queueread(code);
    // Behind a link the word is known once the queue has gone out.
    static_cast<void>(driver_.flush());
    return wordof(word);
}

PendingWord Transfers::queueread(std::int32_t code) {
    PendingWord word;
    if (!validcode(code)) return word;  // every bit reads 0
    if (const std::int64_t first = driver_.readframe(code); first >= 0) {
        for (int i = 0; i < PendingWord::k_bits; ++i) word.bits[i] = {first + i, -1};
        return word;
    }
    sendcode(code);
    // DATA OUT on releases the shared data line (it is pulled up) so the chip can drive it.
    driver_.dataouton();
    pump_.yield();
    emptyclock();
    for (DataInSample& bit : word.bits) {
        // The chip drives each bit after the rising edge; it is sampled while CLOCK is on.
        driver_.clockon();
        pump_.yield();
        bit = driver_.queuedatain();
        driver_.clockoff();
        pump_.yield();
    }
    emptyclock();
    driver_.dataoutoff();
    pump_.yield();
    return word;
}

std::int32_t Transfers::wordof(const PendingWord& word) const {
    std::int32_t value = 0;
    for (int i = 0; i < PendingWord::k_bits; ++i) {
        if (driver_.datain(word.bits[i]) == 1) value |= std::int32_t{1} << i;
    }
    return value;
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
    if (driver_.holdlines_us(std::int64_t{ms} * 1000)) return true;
    // The host times this wait, so what precedes it must be on the wire when it starts.
    static_cast<void>(driver_.flush());
    // The window runs between the slices, so a close during the wait stops the run at once.
    return clock_.sleep_ms(ms, stop, [this] { pump_.yield_now(); });
}

bool Transfers::powerup(PowerOrder powerorder, const StopRequest& stop) {
    if (powerorder == PowerOrder::vddfirst) {
        driver_.vddon();
        if (!wait_ms(k_power_step_ms, stop)) return false;
        driver_.vppon();
        return wait_ms(k_power_step_ms, stop);
    }
    if (powerorder == PowerOrder::vppfirst) {
        driver_.vppon();
        if (!wait_ms(k_power_step_ms, stop)) return false;
        driver_.vddon();
        return wait_ms(k_power_step_ms, stop);
    }
    return true;
}

void Transfers::powerdown() {
    // These waits run to their end even after a stop: the chip must see VDD fall before VPP.
    const auto step = [this] {
        if (driver_.holdlines_us(std::int64_t{k_power_step_ms} * 1000)) return;
        static_cast<void>(driver_.flush());
        clock_.sleep_ms(k_power_step_ms);
    };
    driver_.vddoff();
    step();
    driver_.vppoff();
    step();
}

void Transfers::shutdown() {
    // Whatever is still queued would only delay the power going off.
    driver_.dropqueue();
    powerdown();
    driver_.clockoff();
    driver_.dataoutoff();
    // Written last, so off wins on a bit a power line shares with CLOCK or DATA OUT.
    driver_.vddoff();
    driver_.vppoff();
    static_cast<void>(driver_.flush());
}

}  // namespace vornalt
