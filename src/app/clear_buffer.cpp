#include "app/clear_buffer.h"

namespace vornalt {

void menuclear(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window) {
    window.disable();
    clearbuffer(image, model.config1erased, model.config2erased);
    // Forgotten before the redraw so that the redrawn window no longer offers the file for
    // reloading: its contents are gone from the image.
    app.label_hex.clear();
    app.unsaved = false;
    app.source = {};
    window.updatedisplay();
    window.set_status("");
    window.enable();
}

bool discardunsaved(const AppState& app, WindowServices& window) {
    return !app.unsaved || window.question(k_discard_question);
}

}  // namespace vornalt
