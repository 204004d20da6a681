#pragma once
// The About box (Help menu): who made the program, its version, its terms and where to report bugs.
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "platform/window_services.h"

namespace vornalt {

// The program's version as the build gives it ("0.1.0").
std::string_view programversion();

// Eleven lines, each ending in CR LF; the first is the window title.
std::string abouttext(std::string_view windowtitle);

// Shows the About text in a message box with the information icon.
void menuabout(const AppState& app, WindowServices& window);

}  // namespace vornalt
