#pragma once
// Vendor requests of the FTDI chips (bRequest of bmRequestType 0x40 / 0xC0), as both simulated
// adapters answer them.
#include <cstdint>

namespace vornalt::ftdi_request {

inline constexpr std::uint8_t reset = 0x00;
inline constexpr std::uint8_t modem_ctrl = 0x01;
inline constexpr std::uint8_t flow_ctrl = 0x02;
inline constexpr std::uint8_t set_baudrate = 0x03;
inline constexpr std::uint8_t set_data = 0x04;
inline constexpr std::uint8_t poll_modem_status = 0x05;
inline constexpr std::uint8_t set_event_char = 0x06;
inline constexpr std::uint8_t set_error_char = 0x07;
inline constexpr std::uint8_t set_latency_timer = 0x09;
inline constexpr std::uint8_t get_latency_timer = 0x0A;
inline constexpr std::uint8_t set_bitmode = 0x0B;
inline constexpr std::uint8_t read_pins = 0x0C;
inline constexpr std::uint8_t read_eeprom = 0x90;

}  // namespace vornalt::ftdi_request
