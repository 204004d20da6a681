#include "app/port_pinout.h"

#include <array>
#include <string_view>

namespace vornalt {
namespace {

// Written out rather than built from the pin map: the card is meant for people wiring a
// programmer and spells the ground pins "GND", where the dialogs' pin names say "Gnd".
constexpr std::array<std::string_view, 32> k_pinout_lines{
    "Parallel Port Pinout:",
    "",
    "Pin\tBit\tDirection",
    "1\t\\C0\tOutput",
    "2\tD0\tOutput",
    "3\tD1\tOutput",
    "4\tD2\tOutput",
    "5\tD3\tOutput",
    "6\tD4\tOutput",
    "7\tD5\tOutput",
    "8\tD6\tOutput",
    "9\tD7\tOutput",
    "10\tS6\tInput",
    "11\t\\S7\tInput",
    "12\tS5\tInput",
    "13\tS4\tInput",
    "14\t\\C1\tOutput",
    "15\tS3\tInput",
    "16\tC2\tOutput",
    "17\t\\C3\tOutput",
    "18-25\tGND\t-",
    "",
    "Symbol '\\' is used for inverted pin-bit connection.",
    "Directions are defined from the viewpoint of the PC.",
    "",
    "LPT1 base address: 0x378",
    "LPT2 base address: 0x278",
    "LPT3 base address: 0x3BC",
    "",
    "Data register - Base address + 0",
    "Status register - Base address + 1",
    "Control register - Base address + 2",
};

}  // namespace

std::string portpinouttext() {
    std::string text;
    for (const std::string_view line : k_pinout_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void menuportinfo(WindowServices& window) { window.message(portpinouttext(), MessageIcon::information); }

std::string adapterwiringtext() {
    return "FTDI adapter (FT232R, FT230X, FT231X) in bit-bang mode: default bits\r\n"
           "\r\n"
           "Line\tBit\tPin\tInverted\r\n"
           "VDD\tD6\tDCD\tno\r\n"
           "VPP\tD5\tDSR\tno\r\n"
           "CLOCK\tD0\tTXD\tyes\r\n"
           "DATA OUT\tD1\tRXD\tyes\r\n"
           "DATA IN\tD3\tCTS\tyes\r\n"
           "\r\n"
           "Any bit D0-D7 may carry any line: Hardware > Settings changes them for the adapter\r\n"
           "without touching the parallel port's pins. The adapter's VCCIO sets the logic level\r\n"
           "(5 V for the classic board); VPP and VDD are switched by transistors from its bits.\r\n";
}

}  // namespace vornalt
