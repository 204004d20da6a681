#include "app/source_file.h"

#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>

#include "base/file_io.h"
#include "base/path_text.h"
#include "app/hex_file_commands.h"
#include "image/hex_loader.h"

namespace vornalt {

FileStamp stampfile(const std::string& fullname) {
    std::error_code error;
    const std::filesystem::path path = pathfromutf8(fullname);
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return {};
    Result<std::string> text = read_file(fullname);
    if (!text) return {};
    return {fullname, text.value().size(), static_cast<std::int64_t>(time.time_since_epoch().count()),
            std::hash<std::string>{}(text.value())};
}

bool keepsourcecurrent(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window,
                       std::string_view operation) {
    if (app.source.fullname.empty()) return true;
    const FileStamp now = stampfile(app.source.fullname);
    if (now.fullname.empty()) {
        return window.question("The HEX file " + app.source.fullname + " the memory image was loaded from is gone.\r\n" +
                               std::string(operation) + " with the memory image as it is?");
    }
    if (now == app.source) return true;
    if (app.unsaved &&
        !window.question("The HEX file " + app.source.fullname +
                         " changed on disk since it was loaded, and the memory image has changes that are not saved."
                         "\r\nLoad the file again and discard the changes?")) {
        return true;  // the user's edits are what the run uses
    }
    // Loaded aside first: a file that is broken now leaves the image as it was.
    MemoryImage fresh = image;
    clearbuffer(fresh, model.config1erased, model.config2erased);
    fresh.loadedwords = 0;
    const HexLoadResult loaded = loadhex(app.source.fullname, fresh);
    if (!loaded.ok) {
        window.message(loaded.message);
        return false;
    }
    image = std::move(fresh);
    app.source = now;
    app.unsaved = false;
    app.label_hex = splitpath(app.source.fullname).name;
    window.updatedisplay();
    window.set_status("Reloaded " + app.label_hex + ": it changed on disk");
    return true;
}

}  // namespace vornalt
