#include "programmer/parallel_backend.h"

#include <string>

#include "platform/port_backend.h"

namespace vornalt {

const PortChoice* portchoice(std::string_view answer) {
    for (const PortChoice& choice : k_port_choices) {
        if (answer == std::to_string(choice.number)) return &choice;
    }
    return nullptr;
}

std::int32_t portnumber(std::int32_t portaddress) {
    for (const PortChoice& choice : k_port_choices) {
        if (choice.portaddress == portaddress) return choice.number;
    }
    return 0;
}

std::int32_t portaddressof(std::int32_t number) {
    for (const PortChoice& choice : k_port_choices) {
        if (choice.number == number) return choice.portaddress;
    }
    return 0;
}

BackendRow parallelbackend() {
    return {
        .kind = BackendKind::parallelport,
        .name = "1, 2, 3",
        .key = "parallel",
        .title = "Parallel port",
        // The number itself is the argument; the port opens at the address the settings hold,
        // which the front end sets from the number.
        .argumentof = [](std::string_view text) -> std::optional<std::string> {
            if (portchoice(text) == nullptr) return std::nullopt;
            return std::string(text);
        },
        .open = [](const BackendOpening& opening) { return openport(opening.portaddress); },
        .moveto = {},
        .linkof = {},
        .findall = {},
        .can = {.pins_configurable = true},
    };
}

}  // namespace vornalt
