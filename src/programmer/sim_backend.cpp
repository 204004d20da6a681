#include "programmer/sim_backend.h"

#include <string>

#include "base/ascii_case.h"
#include "sim/sim_board.h"

namespace vornalt {

BackendRow simbackend() {
    return {
        .kind = BackendKind::simulator,
        .name = "sim",
        .key = "sim",
        .title = "Simulated programmer",
        .argumentof = [](std::string_view text) -> std::optional<std::string> {
            if (asciilower(text) != "sim") return std::nullopt;
            return std::string();
        },
        .open = [](const BackendOpening& opening) -> std::unique_ptr<PortIo> {
            return std::make_unique<SimBoard>(opening.clock, opening.portaddress);
        },
        .moveto = [](PortIo& board, std::int32_t portaddress) {
            static_cast<SimBoard&>(board).setportaddress(portaddress);
        },
        .linkof = {},
        .findall = {},
        .can = {.pins_configurable = true},
    };
}

}  // namespace vornalt
