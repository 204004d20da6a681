#pragma once
// What a PICkit 2 (and a PICkit 3 running the scripting firmware) understands over USB HID:
// firmware commands, script opcodes, buffer sizes and time units. Every value here was checked
// against at least two independent public descriptions:
//   [a] PICkitminus, PICkit2V2/Constants.cs (command and opcode tables, USB IDs, buffer sizes,
//       minimum firmware 2.32);
//   [b] PIC32PROG, pickit2.h (command arguments and replies, READ_STATUS bits);
//   [c] CoffeeEditor, tools/pickit2/constants.py (command and opcode tables);
//   [d] the published PICkit 2 firmware's script interpreter, read for behaviour only: how each
//       opcode moves the ICSP pins, the delay timers (Timer0 at 12 MHz with a 1:256 prescaler),
//       END_OF_BUFFER and unknown bytes ending a report, upload replies led by their length.
// Nothing of the maker's own sources or device file is used beyond these facts.
#include <cstdint>

namespace vornalt::pickit {

// USB: vendor Microchip; [a] [c].
inline constexpr std::uint16_t k_vendor_id = 0x04D8;
inline constexpr std::uint16_t k_pickit2_product_id = 0x0033;
inline constexpr std::uint16_t k_pickit3_product_id = 0x900A;  // scripting firmware; [a]

// One interrupt report each way; commands in a report run in order and the first byte that is
// no command (END_OF_BUFFER pads the rest) ends the report; [b] [d].
inline constexpr int k_report_size = 64;
inline constexpr int k_download_buffer = 256;  // [a] [d]
inline constexpr int k_upload_buffer = 128;    // [a] [d]

// Firmware commands; [a] [b] [c].
enum Command : std::uint8_t {
    firmware_version = 0x76,     // reply: major, minor, dot
    set_vdd = 0xA0,              // CCP low, CCP high, fault limit
    set_vpp = 0xA1,              // duty, ADC target, fault limit
    read_status = 0xA2,          // reply: status low, status high
    read_voltages = 0xA3,        // reply: VDD ADC low, high, VPP ADC low, high
    download_script = 0xA4,
    run_script = 0xA5,
    execute_script = 0xA6,       // length, script bytes
    clr_download_buffer = 0xA7,
    download_data = 0xA8,        // length, data bytes
    clr_upload_buffer = 0xA9,
    upload_data = 0xAA,          // reply: length, data bytes
    end_of_buffer = 0xAD,
};

// Script opcodes; [a] [b] [c]. Arguments as [d] reads them.
enum Opcode : std::uint8_t {
    vdd_on = 0xFF,
    vdd_off = 0xFE,
    vpp_on = 0xFB,
    vpp_off = 0xFA,
    set_icsp_pins = 0xF3,         // pins byte (below)
    write_byte_literal = 0xF2,    // byte: 8 bits out, LSB first
    write_byte_buffer = 0xF1,     // 8 bits from the download buffer
    read_byte_buffer = 0xF0,      // 8 bits in to the upload buffer
    write_bits_literal = 0xEE,    // count (1-8), byte
    write_bits_buffer = 0xED,     // count; the byte from the download buffer
    read_bits_buffer = 0xEC,      // count; right-justified byte to the upload buffer
    loop = 0xE9,                  // bytes back, repeat count
    delay_long = 0xE8,            // count of k_delay_long units
    delay_short = 0xE7,           // count of k_delay_short units
    icsp_states_buffer = 0xDC,    // upload byte: bit 0 PGC level, bit 1 PGD level
};

// SET_ICSP_PINS argument; [d] and the PICkit 2 interface notes [b].
inline constexpr std::uint8_t k_pgc_input = 0x01;
inline constexpr std::uint8_t k_pgd_input = 0x02;
inline constexpr std::uint8_t k_pgc_high = 0x04;
inline constexpr std::uint8_t k_pgd_high = 0x08;
// ICSP_STATES_BUFFER reply bits; [d].
inline constexpr std::uint8_t k_state_pgc = 0x01;
inline constexpr std::uint8_t k_state_pgd = 0x02;

// Delay units: Timer0 ticks of 256 / 12 MHz = 21.33 us for DELAY_SHORT, 256 of them = 5.46 ms
// for DELAY_LONG ([d]; the figures). Kept as thirds of a nanosecond to stay exact.
inline constexpr std::int64_t k_delay_short_thirds_ns = 64'000;      // 21333.3 ns
inline constexpr std::int64_t k_delay_long_thirds_ns = 16'384'000;   // 5461333.3 ns
inline constexpr int k_max_delay_count = 255;  // a count of 0 means 256 on the long delay: never sent

// READ_STATUS bits (low byte, then high byte); [b] [d]. Errors clear when the status is read.
inline constexpr std::uint16_t k_status_vdd_on = 0x0002;
inline constexpr std::uint16_t k_status_vpp_on = 0x0008;
inline constexpr std::uint16_t k_status_vdd_error = 0x0010;
inline constexpr std::uint16_t k_status_vpp_error = 0x0020;
inline constexpr std::uint16_t k_status_script_errors = 0xFC00;  // upload full .. download overflow

// SETVDD: CCP = (32 V + 10.5) << 6, fault limit = Vfault / 5 * 255; SETVPP: ADC target and
// limit = V * 18.61, duty 0x40 ([b], [d] comments, [a] PICkitFunctions.cs SetVppVoltage).
// READ_VOLTAGES: ADC / 65536 * 5 V for VDD and * 13.7 V for VPP ([a] PICkitFunctions.cs,
// ReadPICkitVoltages; [d] sends the calibrated 16-bit ADC words low byte first). A PICkit 3
// reports its voltages in another form, which is not read here.
inline constexpr double k_vpp_adc_per_volt = 18.61;
inline constexpr double k_vdd_full_scale = 5.0;
inline constexpr double k_vpp_full_scale = 13.7;
inline constexpr std::uint8_t k_vpp_duty = 0x40;

// Oldest firmware with every command used here; [a].
inline constexpr int k_min_major = 2;
inline constexpr int k_min_minor = 32;

}  // namespace vornalt::pickit
