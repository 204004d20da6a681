#pragma once
// "&Clear Buffer": the memory image blank for the applied model, the window redrawn, the
// loaded file's name and the status line emptied.
#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "platform/window_services.h"

namespace vornalt {

void menuclear(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window);

}  // namespace vornalt
