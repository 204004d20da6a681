#pragma once
// "&Clear Buffer": the memory image blank for the applied model, the window redrawn, the
// loaded file's name and the status line emptied.
#include <string_view>

#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "platform/window_services.h"

namespace vornalt {

void menuclear(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window);

inline constexpr std::string_view k_discard_question =
    "The memory image has changes that are not saved. Discard them?";
// Before a command replaces the image: true when nothing unsaved would be lost or the user
// agrees to lose it.
bool discardunsaved(const AppState& app, WindowServices& window);

}  // namespace vornalt
