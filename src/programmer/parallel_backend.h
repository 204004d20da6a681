#pragma once
// The PC parallel port at a base I/O address: the three ports the program offers by number
// (on the command line and at the port prompt) and any other address the settings hold.
#include <cstdint>
#include <string_view>

#include "programmer/backend_table.h"

namespace vornalt {

struct PortChoice {
    std::int32_t number;       // what the user types: 1, 2, 3
    std::int32_t portaddress;  // base I/O address
};

inline constexpr PortChoice k_port_choices[] = {{1, 888}, {2, 632}, {3, 956}};

// The offered port an answer names, character for character ("1", "2", "3"); null otherwise.
const PortChoice* portchoice(std::string_view answer);

// 1, 2 or 3 for an offered port's address; 0 for any other address.
std::int32_t portnumber(std::int32_t portaddress);

// The base address of port 1, 2 or 3; 0 for any other number.
std::int32_t portaddressof(std::int32_t number);

BackendRow parallelbackend();

}  // namespace vornalt
