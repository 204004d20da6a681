#pragma once
// The HEX file the memory image came from, and keeping the image in step with it: a file
// rebuilt since it was loaded is loaded again before Program All and Verify, so a chip is never
// programmed or checked against yesterday's build by mistake.
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "platform/window_services.h"

namespace vornalt {

// What the file was like when the image was loaded from it or saved to it; nothing (an empty
// fullname) when it cannot be read.
FileStamp stampfile(const std::string& fullname);

// Before a run that uses the image as the chip's target. Returns false when the run must not
// start. The image's file unchanged (size, time and content): nothing happens. Changed and the
// image not edited since: loaded again, and the status line says so. Changed and edited: the
// user chooses between the file and the edits. Gone: said, and the run goes on with the image
// only if the user says so.
bool keepsourcecurrent(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window,
                       std::string_view operation);

}  // namespace vornalt
