#include "programmer/ppdev_backend.h"

#include <string>

#include "platform/unavailable_port.h"
#ifdef __linux__
#include "platform/ppdev_port.h"
#endif

namespace vornalt {
namespace {

std::unique_ptr<PortIo> openppdevpath(const BackendOpening& opening) {
    const std::string path(opening.argument);
#ifdef __linux__
    return openppdev(path, opening.portaddress);
#else
    return std::make_unique<UnavailablePort>("The port " + path +
                                             " cannot be opened: device paths name Linux ppdev devices. Use "
                                             "port 1, 2 or 3.");
#endif
}

}  // namespace

BackendRow ppdevbackend() {
    return {
        .kind = BackendKind::device,
        .name = "a ppdev device path such as /dev/parport0",
        // A device is named by its path; a bare word is more likely a mistyped number.
        .argumentof = [](std::string_view text) -> std::optional<std::string> {
            if (text.find('/') == std::string_view::npos) return std::nullopt;
            return std::string(text);
        },
        .open = openppdevpath,
        .moveto = {},
        .linkof = {},
        .findall = {},
        .can = {.pins_configurable = true},
    };
}

}  // namespace vornalt
