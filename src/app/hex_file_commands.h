#pragma once
// The File menu's HEX commands: open a file into the memory image, reload it by clicking its
// name, and save the image as a file.
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "base/file_io.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "platform/window_services.h"
#include "settings/settings_store.h"

namespace vornalt {

inline constexpr std::string_view k_open_title = "Select HEX File To Open";
inline constexpr std::string_view k_save_title = "Save Buffer As";
// Added to the load message of a file that sets no configuration word: the erased word(s) of
// the model and, when its fields are known, what they mean.
std::string erasedconfignote(const AppliedModel& model);

// Asked before a read-only file is replaced by Save Buffer As.
std::string readonlyquestion(const std::string& fullname);

inline constexpr std::string_view k_hex_filter = "Intel HEX files (*.hex)|*.hex|All files (*.*)|*.*";

// A full file name split after its last separator ("\" or "/"): the folder keeps the
// separator, and is empty when there is none.
struct SplitPath {
    std::string folder;
    std::string name;
};
SplitPath splitpath(std::string_view fullname);

// Loads lastpath + name into a freshly cleared image. On success the window is redrawn, the
// name becomes label_hex and the completion message gives the words loaded. On failure (a bad
// record or a file that cannot be read) the message says why, the image is cleared again and
// label_hex emptied. The window's commands are disabled throughout. With `recent`, a file that
// loaded heads its recent-file list before the message is shown, so the list holds it even if
// the program ends while the message waits.
void openhexfile(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window,
                 std::string_view name, SettingsStore* recent = nullptr);

// "&Open HEX File": the open dialog in the last path; the chosen folder becomes the last path
// (stored as "Last Path") and the file is loaded. Cancel does nothing.
void menuopen(AppState& app, const AppliedModel& model, MemoryImage& image, SettingsStore& settings,
              WindowServices& window);

// A click on the loaded file's name (label_hex or the label beside it): loads that file again;
// nothing when no file is loaded.
void label_hex_click(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window);

// "&Save Buffer As": the save dialog in the last path, the chosen folder stored as the last path,
// the overwrite question for an existing file, then the file is written whole. Success makes the
// file label_hex; a failure is reported, leaves any old file as it was and empties label_hex.
// `options` carry the check that ends a wait for a stalled pipe's reader.
void menusave(AppState& app, const AppliedModel& model, const MemoryImage& image, SettingsStore& settings,
              WindowServices& window, WriteOptions options = {});

}  // namespace vornalt
