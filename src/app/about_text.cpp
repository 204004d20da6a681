#include "app/about_text.h"

#include <array>

namespace vornalt {

std::string_view programversion() { return VORNALT_VERSION; }

std::string abouttext(std::string_view windowtitle) {
    const std::string versionline = "Vornalt version " + std::string(programversion());
    const std::array<std::string_view, 11> lines{
        windowtitle,
        versionline,
        "Parallel-port programmer for mid-range PIC microcontrollers",
        "",
        "This software is supplied as is in goodwill that it will",
        "successfully serve its purpose, but without any warranties.",
        "Free software: GNU General Public License, version 3 or later.",
        "No warranty of any kind; its source code comes with every copy.",
        "",
        "Send bug reports and suggestions to:",
        "the Vornalt issue tracker",
    };
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void menuabout(const AppState& app, WindowServices& window) {
    window.message(abouttext(app.windowtitle), MessageIcon::information);
}

}  // namespace vornalt
