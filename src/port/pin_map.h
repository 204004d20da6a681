#pragma once
// The 25-pin PC parallel-port connector as data: which register bit each pin is wired to,
// whether the port hardware inverts it, and which way it points. The line operations and the
// line trace read this one table; nothing else in the program knows register bits.
#include <array>
#include <cstdint>
#include <string_view>

namespace vornalt {

// Offsets from the port's base address.
enum class PortRegister : std::uint8_t { none = 0xFF, data = 0, status = 1, control = 2 };

enum class PinDirection : std::uint8_t { none, output, input, ground };

struct PinInfo {
    PortRegister reg;
    std::uint8_t bit;
    bool hwinverted;  // the pin carries the opposite level of its register bit
    PinDirection direction;
    std::string_view name;  // a leading backslash marks a hardware-inverted pin
};

inline constexpr std::int32_t k_connector_pins = 25;

// Indexed by pin number; entry 0 stands for every number that is not a connector pin.
inline constexpr std::array<PinInfo, k_connector_pins + 1> k_pin_map{{
    {PortRegister::none, 0, false, PinDirection::none, ""},
    {PortRegister::control, 0, true, PinDirection::output, "\\C0"},  // 1
    {PortRegister::data, 0, false, PinDirection::output, "D0"},      // 2
    {PortRegister::data, 1, false, PinDirection::output, "D1"},      // 3
    {PortRegister::data, 2, false, PinDirection::output, "D2"},      // 4
    {PortRegister::data, 3, false, PinDirection::output, "D3"},      // 5
    {PortRegister::data, 4, false, PinDirection::output, "D4"},      // 6
    {PortRegister::data, 5, false, PinDirection::output, "D5"},      // 7
    {PortRegister::data, 6, false, PinDirection::output, "D6"},      // 8
    {PortRegister::data, 7, false, PinDirection::output, "D7"},      // 9
    {PortRegister::status, 6, false, PinDirection::input, "S6"},     // 10
    {PortRegister::status, 7, true, PinDirection::input, "\\S7"},    // 11
    {PortRegister::status, 5, false, PinDirection::input, "S5"},     // 12
    {PortRegister::status, 4, false, PinDirection::input, "S4"},     // 13
    {PortRegister::control, 1, true, PinDirection::output, "\\C1"},  // 14
    {PortRegister::status, 3, false, PinDirection::input, "S3"},     // 15
    {PortRegister::control, 2, false, PinDirection::output, "C2"},   // 16
    {PortRegister::control, 3, true, PinDirection::output, "\\C3"},  // 17
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 18
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 19
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 20
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 21
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 22
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 23
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 24
    {PortRegister::none, 0, false, PinDirection::ground, "Gnd"},     // 25
}};

constexpr const PinInfo& pininfo(std::int32_t pin) {
    return pin >= 1 && pin <= k_connector_pins ? k_pin_map[static_cast<std::size_t>(pin)] : k_pin_map[0];
}

constexpr bool isoutputpin(std::int32_t pin) { return pininfo(pin).direction == PinDirection::output; }
constexpr bool isinputpin(std::int32_t pin) { return pininfo(pin).direction == PinDirection::input; }

// Electrical level (0/1) of an input pin given the status register; 0 for any other pin.
constexpr std::int32_t pinlevel_from_status(std::int32_t pin, std::int32_t status) {
    const PinInfo& p = pininfo(pin);
    if (p.direction != PinDirection::input) return 0;
    return ((status >> p.bit) & 1) ^ (p.hwinverted ? 1 : 0);
}

// Electrical level (0/1) of an output pin given the data and control registers; 0 otherwise.
constexpr std::int32_t pinlevel_from_outputs(std::int32_t pin, std::int32_t data, std::int32_t control) {
    const PinInfo& p = pininfo(pin);
    if (p.direction != PinDirection::output) return 0;
    const std::int32_t reg = p.reg == PortRegister::data ? data : control;
    return ((reg >> p.bit) & 1) ^ (p.hwinverted ? 1 : 0);
}

}  // namespace vornalt
