#include "sim/sim_board.h"

#include "base/file_io.h"
#include "sim/chip_file.h"

namespace vornalt {
namespace {

// Status bits 0-2 are not wired to the connector and read 1 here.
constexpr std::uint8_t k_status_unused = 0x07;

// Status bit of an input pin, and whether the port inverts it (pin 11, BUSY).
struct InputPin {
    std::int32_t pin;
    int bit;
    bool inverted;
};
constexpr InputPin k_inputs[] = {{10, 6, false}, {11, 7, true}, {12, 5, false}, {13, 4, false}, {15, 3, false}};

}  // namespace

SimBoard::SimBoard(const Clock& clock, std::int32_t portaddress, const BoardWiring& wiring)
    : clock_(clock), portaddress_(portaddress), wiring_(wiring) {}

SimBoard::SimBoard(const Clock& clock, BoardConnector connector, const BoardWiring& wiring)
    : clock_(clock), connector_(connector), portaddress_(-1), wiring_(wiring) {}

std::unique_ptr<SimChip> SimBoard::insert(std::unique_ptr<SimChip> chip) {
    std::unique_ptr<SimChip> old = std::move(chip_);
    chip_ = std::move(chip);
    update();  // the new chip sees the lines as they are now
    return old;
}

void SimBoard::setwiring(const BoardWiring& wiring) {
    wiring_ = wiring;
    update();
}

bool SimBoard::pinlevel(std::int32_t pin) const {
    if (connector_ == BoardConnector::bitbang) {
        // The board's pull-downs hold an undriven bit low (they outweigh the adapter's weak
        // pull-ups), so an adapter not yet in bit-bang mode switches nothing on.
        if (pin < 0 || pin > 7) return false;
        const auto mask = static_cast<std::uint8_t>(1U << pin);
        return (bitoutputs_ & mask) != 0 && (bits_ & mask) != 0;
    }
    // Pins 1, 14 and 17 are inverted by the port itself; a pin that is no output reads low.
    switch (pin) {
        case 1: return (control_ & 0x01) == 0;
        case 14: return (control_ & 0x02) == 0;
        case 16: return (control_ & 0x04) != 0;
        case 17: return (control_ & 0x08) == 0;
        default:
            if (pin >= 2 && pin <= 9) return ((data_ >> (pin - 2)) & 1) != 0;
            return false;
    }
}

bool SimBoard::dataline() const {
    // Open collector on both sides with a pull-up: either side can pull the line low.
    const bool chip_releases = chip_ == nullptr || chip_->dataoutput();
    return linelevel(wiring_.dataout) && chip_releases;
}

BoardLines SimBoard::lines() const {
    return {linelevel(wiring_.vdd), linelevel(wiring_.vpp), linelevel(wiring_.clock), linelevel(wiring_.dataout),
            dataline()};
}

void SimBoard::update() {
    if (chip_ == nullptr) return;
    const BoardLines now = lines();
    chip_->apply({now.vdd, now.vpp, now.clock, now.data}, now_ns());
}

void SimBoard::drivebits(std::uint8_t value, std::uint8_t outputs) {
    if (connector_ != BoardConnector::bitbang) return;
    bits_ = value;
    bitoutputs_ = outputs;
    update();
}

std::uint8_t SimBoard::samplebits() const {
    if (connector_ != BoardConnector::bitbang) return 0xFF;
    std::uint8_t value = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const auto mask = static_cast<std::uint8_t>(1U << bit);
        bool level = pinlevel(bit);
        // The board's DATA IN buffer drives its pin unless the adapter drives it too (a wiring
        // fault the adapter wins: its output is the stronger one).
        if (bit == wiring_.datain.pin && (bitoutputs_ & mask) == 0) level = dataline() != wiring_.datain.inverted;
        if (level) value = static_cast<std::uint8_t>(value | mask);
    }
    return value;
}

std::uint8_t SimBoard::status() const {
    std::uint8_t value = k_status_unused;
    const bool datain_level = dataline() != wiring_.datain.inverted;
    for (const InputPin& input : k_inputs) {
        // An input that nothing drives floats high.
        const bool level = input.pin == wiring_.datain.pin ? datain_level : true;
        if (level != input.inverted) value = static_cast<std::uint8_t>(value | (1 << input.bit));
    }
    return value;
}

void SimBoard::write(std::uint16_t address, std::uint8_t value) {
    charged_ns_ += accesscost_ns_;
    ++accesses_;
    const std::int32_t offset = static_cast<std::int32_t>(address) - portaddress_;
    if (connector_ != BoardConnector::parallel) return;
    if (offset == 0) {
        data_ = value;
    } else if (offset == 2) {
        control_ = value;
    } else {
        return;
    }
    update();
}

std::uint8_t SimBoard::read(std::uint16_t address) {
    charged_ns_ += accesscost_ns_;
    ++accesses_;
    if (connector_ != BoardConnector::parallel) return 0xFF;
    switch (static_cast<std::int32_t>(address) - portaddress_) {
        case 0: return data_;
        case 1: return status();
        case 2: return control_;
        default: return 0xFF;
    }
}

Status SimBoard::loadchipfile(const std::string& path) {
    if (chip_ == nullptr) {
        return Error{"Cannot load the simulated chip file " + path +
                     ": the simulator's socket is empty. Select a device model the simulator knows first."};
    }
    Result<ChipMemory> memory = readchipfile(path, chip_->model());
    if (!memory) return memory.error();
    chip_->memory() = std::move(memory).value();
    return {};
}

Status SimBoard::savechipfile(const std::string& path) {
    if (chip_ == nullptr) {
        return Error{"Cannot save the simulated chip file " + path +
                     ": the simulator's socket is empty. Select a device model the simulator knows first."};
    }
    return write_file_whole(path, chipfiletext());
}

std::string SimBoard::chipfiletext() {
    if (chip_ == nullptr) return {};
    chip_->settle(now_ns());
    return vornalt::chipfiletext(chip_->model(), chip_->memory());
}

}  // namespace vornalt
