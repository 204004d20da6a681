#include "port/port_driver.h"

#include "port/pin_map.h"

namespace vornalt {

PortDriver::PortDriver(DriverState& state, PortIo& io, EventPump& pump, Clock& clock)
    : state_(state), io_(&io), pump_(pump), clock_(clock) {}

namespace {

// Drives an output pin to an electrical level in the shadow bytes. The register bit is the
// level XOR the pin's hardware inversion.
void setpinlevel(DriverState& state, std::int32_t pin, bool high) {
    const PinInfo& p = pininfo(pin);
    if (p.direction != PinDirection::output) return;
    std::uint8_t& reg = p.reg == PortRegister::data ? state.databyte : state.controlbyte;
    const auto mask = static_cast<std::uint8_t>(1U << p.bit);
    if (high != p.hwinverted) {
        reg = static_cast<std::uint8_t>(reg | mask);
    } else {
        reg = static_cast<std::uint8_t>(reg & ~mask);
    }
}

}  // namespace

void PortDriver::setpinhigh(std::int32_t pin) { setpinlevel(state_, pin, true); }

void PortDriver::setpinlow(std::int32_t pin) { setpinlevel(state_, pin, false); }

std::int32_t PortDriver::readpin(std::int32_t pin) const { return pinlevel_from_status(pin, state_.statusbyte); }

void PortDriver::writeport() {
    const std::int32_t base = state_.portaddress;
    if (validportaddress(base)) {
        io_->write(static_cast<std::uint16_t>(base), state_.databyte);
        io_->write(static_cast<std::uint16_t>(base + 2), state_.controlbyte);
        state_.statusbyte = io_->read(static_cast<std::uint16_t>(base + 1));
    }
    pump_.yield();
}

void PortDriver::setline(Line line, bool on) {
    if (line == Line::datain) return;
    if (link_ != nullptr) {
        lines_[lineindex(line)] = on;
        link_->put(lines_);
        pump_.yield();
        return;
    }
    // "On" drives the pin high unless the line is inverted.
    setpinlevel(state_, linepin(state_, line), on != lineinverted(state_, line));
    writeport();
}

bool PortDriver::lineon(Line line) const {
    if (line == Line::datain) return false;
    if (link_ != nullptr) return lines_[lineindex(line)];
    const bool high = pinlevel_from_outputs(linepin(state_, line), state_.databyte, state_.controlbyte) != 0;
    return high != lineinverted(state_, line);
}

void PortDriver::moveclock(bool on) {
    // An optional minimum half-period for slow or long-cabled programmers, split around the
    // edge: whatever was set before the edge (DATA OUT) has settled for half of it, and a read
    // after the edge (DATA IN) waits the other half.
    const std::int32_t delay = state_.clockdelay_us;
    if (delay > 0) clock_.busy_wait_us(delay / 2);
    setline(Line::clock, on);
    if (delay > 0) clock_.busy_wait_us(delay - delay / 2);
}

std::int32_t PortDriver::readdatain() {
    if (link_ != nullptr) {
        const DataInSample sample = queuedatain();
        static_cast<void>(flush());
        return datain(sample);
    }
    writeport();
    const std::int32_t level = readpin(state_.pin(Line::datain));
    return lineinverted(state_, Line::datain) ? 1 - level : level;
}

DataInSample PortDriver::queuedatain() {
    if (link_ == nullptr) return {-1, static_cast<std::int8_t>(readdatain())};
    return {link_->sample(), -1};
}

std::int32_t PortDriver::datain(const DataInSample& sample) const {
    if (sample.level >= 0 || link_ == nullptr) return sample.level > 0 ? 1 : 0;
    return link_->value(sample.number) ? 1 : 0;
}

Status PortDriver::flush() {
    if (link_ == nullptr) return {};
    return link_->flush();
}

bool PortDriver::holdlines_us(std::int64_t us) { return link_ != nullptr && link_->hold_us(us); }

void PortDriver::dropqueue() {
    if (link_ != nullptr) link_->drop();
}

bool PortDriver::sendframe(std::int32_t code, std::int32_t word) {
    if (link_ == nullptr || !link_->frame(code, word)) return false;
    pump_.yield();
    return true;
}

std::int64_t PortDriver::readframe(std::int32_t code) {
    const std::int64_t first = link_ != nullptr ? link_->readframe(code) : -1;
    if (first >= 0) pump_.yield();
    return first;
}

void PortDriver::setidle() {
    state_.databyte = 0;
    state_.statusbyte = 0;
    state_.controlbyte = 0;
    alloff();
}

void PortDriver::alloff() {
    vddoff();
    vppoff();
    clockoff();
    dataoutoff();
    vddoff();
    vppoff();
    static_cast<void>(flush());
}

std::string pinname(std::int32_t pin) { return std::string(pininfo(pin).name); }

}  // namespace vornalt
