#include "app/load_sequence.h"

#include <string>

#include "app/clear_buffer.h"
#include "app/pin_profile.h"
#include "app/programmer_choice.h"
#include "app/selection_prompts.h"
#include "port/pin_map.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

// Applies the selected model. A record the image cannot hold is reported; the program then
// falls back to model 1 so that it starts with a usable image.
void applyselectedmodel(LoadParts& p) {
    Status applied = applymodel(p.catalogue, p.app.selectedmodel, p.model, p.image);
    if (applied) return;
    p.window.message(applied.error().message);
    if (p.app.selectedmodel == 1) return;
    p.app.selectedmodel = 1;
    p.settings.writesetting(k_setting_model, "1");
    applied = applymodel(p.catalogue, 1, p.model, p.image);
    if (!applied) p.window.message(applied.error().message);
}

}  // namespace

std::string unusablewiringtext(SettingsStore& settings, const DriverState& state) {
    const auto named = [&settings](std::string_view setting, std::string_view what) {
        return "The setting \"" + std::string(setting) + "\" is \"" +
               settings.readsetting(setting) + "\", " + std::string(what) +
               ", so no chip can answer. Choose it again under Options or Hardware > Settings.";
    };
    if (!validportaddress(state.portaddress)) return named(k_setting_portaddress, "not a port address in the I/O space");
    for (const Line line : k_all_lines) {
        const std::int32_t pin = state.pin(line);
        if (line == Line::datain ? isinputpin(pin) : isoutputpin(pin)) continue;
        return named(pinprofile(BackendKind::simulator).line(line).pinsetting,
                     line == Line::datain ? "not an input pin of the port" : "not an output pin of the port");
    }
    return {};
}

void formload(LoadParts p) {
    p.app.lastpath = p.settings.readsetting(k_setting_lastpath, p.app.applicationfolder);

    p.app.selectedmodel = p.settings.readnumber(k_setting_model);
    if (p.app.selectedmodel < 1 || p.app.selectedmodel > p.catalogue.modelcount) {
        p.app.selectedmodel = 1;
        p.settings.writesetting(k_setting_model, "1");
    }
    applyselectedmodel(p);
    menuclear(p.app, p.model, p.image, p.window);

    DriverState& d = p.driver.state();
    d.portaddress = p.settings.readnumber(k_setting_portaddress);
    // Every inversion first, then every pin, each in the order of the lines; the programmer's own.
    readprogrammersettings(d, p.settings, p.port.row().kind);
    d.clockdelay_us =
        clockdelayfromsetting(p.settings.readsetting(k_setting_clockdelay));

    // The lines go idle only once every setting that places them is in; the shadow bytes start
    // from 0, so no bit that carries no line is ever raised.
    const PortIo& io = p.port.open(d.portaddress, p.driver);
    p.driver.setidle();
    showprogrammerstate(p.window, p.port.row().kind, p.port.argument(), d.portaddress, io);
}

}  // namespace vornalt
