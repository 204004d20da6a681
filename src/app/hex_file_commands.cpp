#include "app/hex_file_commands.h"

#include <filesystem>
#include <utility>
#include <system_error>

#include "app/clear_buffer.h"
#include "app/recent_files.h"
#include "app/source_file.h"
#include "base/path_text.h"
#include "image/hex_loader.h"
#include "image/hex_text.h"
#include "image/hex_writer.h"
#include "image/load_summary.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

// The dialog's choice becomes the last path; returns the file name, or nothing on Cancel.
std::string takechoice(std::string_view fullname, AppState& app, SettingsStore& settings) {
    if (fullname.empty()) return {};
    SplitPath parts = splitpath(fullname);
    app.lastpath = parts.folder;
    settings.writesetting(k_setting_lastpath, app.lastpath);
    return parts.name;
}

// A name typed without an extension gets ".hex", the kind of file it is written as.
std::string withhexextension(std::string name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) name += ".hex";
    return name;
}

}  // namespace

std::string erasedconfignote(const AppliedModel& model) {
    const ConfigWords erased{model.config1erased, model.config2erased};
    std::string hex = tohex4(model.config1erased);
    if (model.config2used) hex.append("/").append(tohex4(model.config2erased));
    return noconfignote(hex, decodesummary(model.configfields, erased));
}

std::string readonlyquestion(const std::string& fullname) {
    return "The file " + fullname + " is read-only.\r\nDo you want to replace it anyway?";
}

SplitPath splitpath(std::string_view fullname) {
    const std::size_t separator = fullname.find_last_of("\\/");
    if (separator == std::string_view::npos) return {"", std::string(fullname)};
    return {std::string(fullname.substr(0, separator + 1)), std::string(fullname.substr(separator + 1))};
}

void openhexfile(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window,
                 std::string_view name, SettingsStore* recent) {
    window.disable();
    clearbuffer(image, model.config1erased, model.config2erased);
    image.loadedwords = 0;
    window.set_status("");
    const HexLoadResult result = loadhex(app.lastpath + std::string(name), image);
    app.unsaved = false;  // the image is the file now, or blank
    if (result.ok) {
        // Named before the redraw, which shows it.
        app.label_hex = name;
        app.source = stampfile(app.lastpath + std::string(name));
        window.updatedisplay();
        if (recent != nullptr) addrecentfile(*recent, app.lastpath + std::string(name));
        std::string message = loadcompletedmessage(image.loadedwords);
        // The classic "my chip does not run": no configuration word, so RC oscillator, watchdog on...
        if (!result.configset) message += "\r\n" + erasedconfignote(model);
        window.message(message);
    } else {
        window.message(result.message);
        // Nothing of a bad file stays in the image.
        clearbuffer(image, model.config1erased, model.config2erased);
        app.label_hex.clear();
        app.source = {};
        window.updatedisplay();
    }
    window.enable();
}

void menuopen(AppState& app, const AppliedModel& model, MemoryImage& image, SettingsStore& settings,
              WindowServices& window) {
    if (!discardunsaved(app, window)) return;
    const std::string name =
        takechoice(window.open_file(k_open_title, app.lastpath, k_hex_filter), app, settings);
    if (name.empty()) return;
    openhexfile(app, model, image, window, name, &settings);
}

void label_hex_click(AppState& app, const AppliedModel& model, MemoryImage& image, WindowServices& window) {
    if (app.label_hex.empty()) return;
    const std::string name = app.label_hex;  // openhexfile may empty it
    openhexfile(app, model, image, window, name);
}

void menusave(AppState& app, const AppliedModel& model, const MemoryImage& image, SettingsStore& settings,
              WindowServices& window, WriteOptions options) {
    std::string name = takechoice(window.save_file(k_save_title, app.lastpath, k_hex_filter), app, settings);
    if (name.empty()) return;
    name = withhexextension(std::move(name));
    const std::string fullname = app.lastpath + name;
    std::error_code ignored;
    if (std::filesystem::exists(pathfromutf8(fullname), ignored) &&
        !window.question("Do you want to overwrite file " + fullname + "?")) {
        return;
    }
    // The old file is not deleted first: the new one replaces it only once it is complete.
    window.disable();
    Status saved = savehex(fullname, image, model.config2used, options);
    // A read-only file is replaced only when the user says so, as other programs ask.
    if (!saved && isreadonlyrefusal(saved.error())) {
        window.enable();
        if (!window.question(readonlyquestion(fullname))) return;
        window.disable();
        options.replacereadonly = true;
        saved = savehex(fullname, image, model.config2used, options);
    }
    if (saved) {
        app.label_hex = name;
        app.unsaved = false;
        app.source = stampfile(fullname);
    } else {
        // The image matches no file on disk now, so there is nothing to reload.
        app.label_hex.clear();
        window.message(saved.error().message);
    }
    window.enable();
}

}  // namespace vornalt
