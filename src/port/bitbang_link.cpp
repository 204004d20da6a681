#include "port/bitbang_link.h"

#include "port/port_driver.h"

namespace vornalt {
namespace {

constexpr Line k_outputs[] = {Line::vdd, Line::vpp, Line::clock, Line::dataout};
constexpr std::uint8_t k_unknown = 2;

bool databit(std::int32_t pin) { return pin >= 0 && pin <= 7; }
std::uint8_t bitmask(std::int32_t pin) { return databit(pin) ? static_cast<std::uint8_t>(1U << pin) : 0; }

}  // namespace

void usebitbangdefaults(DriverState& state) {
    state.pins = {6, 5, 0, 1, 3};
    state.inversions = {0, 0, 1, 1, 1};
}

BitBangLink::BitBangLink(BitBangDevice& device, const DriverState& state, std::int32_t steprate)
    : device_(device), state_(state), steprate_(steprate), levels_(k_kept_samples, k_unknown) {}

std::uint8_t BitBangLink::outputmask() const {
    std::uint8_t mask = 0;
    for (Line line : k_outputs) mask = static_cast<std::uint8_t>(mask | bitmask(linepin(state_, line)));
    return mask;
}

std::uint8_t BitBangLink::encode(const OutputLines& lines) const {
    std::uint8_t byte = 0;
    for (Line line : k_outputs) {
        // The pin is high when the line is on, unless the line is inverted: one XOR per line.
        const bool high = lines[lineindex(line)] != lineinverted(state_, line);
        if (high) byte = static_cast<std::uint8_t>(byte | bitmask(linepin(state_, line)));
    }
    return byte;
}

Status BitBangLink::open() {
    current_ = encode({});
    Result<std::int64_t> rate = device_.configure(outputmask(), steprate_);
    if (!rate) {
        status_ = rate.error();
        return status_;
    }
    actualrate_ = rate.value();
    mask_ = outputmask();
    put({});
    return flush();
}

void BitBangLink::put(const OutputLines& lines) {
    // Pins moved in the Hardware Settings: the adapter drives the new bits from now on.
    if (status_ && actualrate_ > 0 && outputmask() != mask_) {
        static_cast<void>(flush());
        mask_ = outputmask();
        if (Result<std::int64_t> rate = device_.configure(mask_, steprate_); !rate) status_ = rate.error();
    }
    current_ = encode(lines);
    queue_.push_back(current_);
    if (!batched_ || queue_.size() >= k_queue_limit) static_cast<void>(flush());
}

std::int64_t BitBangLink::sample() {
    // The byte after the latest state carries its sample; the next put supplies it, or the flush.
    pending_.push_back({samples_, queue_.size()});
    return samples_++;
}

Status BitBangLink::flush() {
    if (!status_) {
        drop();
        return status_;
    }
    if (!pending_.empty() && pending_.back().byte >= queue_.size()) queue_.push_back(current_);
    if (queue_.empty()) return {};
    readback_.assign(queue_.size(), 0);
    status_ = device_.exchange(queue_, readback_);
    ++flushes_;
    bytessent_ += static_cast<std::int64_t>(queue_.size());
    if (status_) {
        const std::int32_t pin = linepin(state_, Line::datain);
        const bool inverted = lineinverted(state_, Line::datain);
        for (const Pending& p : pending_) {
            const bool high = databit(pin) && ((readback_[p.byte] >> pin) & 1) != 0;
            levels_[static_cast<std::size_t>(p.sample) % k_kept_samples] = high != inverted ? 1 : 0;
        }
    }
    pending_.clear();
    queue_.clear();
    return status_;
}

bool BitBangLink::value(std::int64_t sample) const {
    if (sample < 0 || sample >= samples_ || samples_ - sample > static_cast<std::int64_t>(k_kept_samples)) return false;
    return levels_[static_cast<std::size_t>(sample) % k_kept_samples] == 1;
}

bool BitBangLink::hold_us(std::int64_t us) {
    if (us <= 0) return true;
    if (!devicewaits_ || us > k_max_hold_us || actualrate_ <= 0 || !status_) return false;
    // The current state repeated for as many steps as the wait lasts at the adapter's real rate,
    // rounded up and one more: a wait may be a step long, never short.
    const std::int64_t steps = (us * actualrate_ + 999'999) / 1'000'000 + 1;
    for (std::int64_t i = 0; i < steps; ++i) {
        queue_.push_back(current_);
        if (queue_.size() >= k_queue_limit) static_cast<void>(flush());
    }
    return true;
}

void BitBangLink::drop() {
    for (const Pending& p : pending_) levels_[static_cast<std::size_t>(p.sample) % k_kept_samples] = k_unknown;
    pending_.clear();
    queue_.clear();
}

}  // namespace vornalt
